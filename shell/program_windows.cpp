// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/program_windows.h"

#include "run/run_texts.h"

#include <QAction>

#include <filesystem>

namespace tevra {

ProgramWindows CreateProgramWindows(MainWindowEnvironment environment, ExposureWindowHost host,
                                    CameraWindowHost cameraHost) {
  ProgramWindows windows;
  // The camera window is made before the exposure window; its run reads the table through this.
  auto exposureWindow = std::make_shared<TForm_Exposure*>(nullptr);
  if (!cameraHost.runTable) {
    cameraHost.runTable = [exposureWindow] {
      const TForm_Exposure* exposure = *exposureWindow;
      if (exposure == nullptr) {
        return RunTable{};
      }
      RunTable table = MakeRunTable(exposure->TableRows(), exposure->ColumnTitles(),
                                    static_cast<size_t>(exposure->GridRowCount()));
      table.name = std::filesystem::path(CurrentTablePath).filename().string();
      table.loads = exposure->TablesPutIn();
      return table;
    };
  }
  if (!cameraHost.markRunRow) {
    cameraHost.markRunRow = [exposureWindow](size_t row) {
      if (TForm_Exposure* exposure = *exposureWindow) {
        exposure->MarkRunRow(row);
      }
    };
  }
  windows.main = std::make_unique<TForm_Main>(std::move(environment));
  TForm_Main* main = windows.main.get();
  windows.camera = std::make_unique<TForm_Camera>(std::move(cameraHost));
  TForm_Camera* camera = windows.camera.get();
  main->SetCloseGuard([camera] { return camera->MayStopRun(StopRunToExitQuestion); });
  main->SetCameraWindowHook([camera] {
    camera->show();
    camera->raise();
    camera->activateWindow();
  });
  host.selectEclipse = [main](int32_t number) { main->SelectEclipseNumber(number); };
  host.mayReplaceTable = [camera] { return camera->AskDuringStartRun(OpenTableDuringRunQuestion); };
  host.setExposureTablesEnabled = [main](bool enabled) { main->Exposure_Tables->setEnabled(enabled); };
  windows.exposure = std::make_unique<TForm_Exposure>(std::move(host));
  TForm_Exposure* exposure = windows.exposure.get();
  *exposureWindow = exposure;
  main->SetExposureChoicesSource(exposure);
  main->SetExposureWindowHook([exposure] { exposure->Exposure_TablesClick(); });
  main->SetNightModeHook([camera, exposure] {
    camera->ApplyNightMode();
    exposure->ApplyNightMode();
  });
  return windows;
}

}  // namespace tevra
