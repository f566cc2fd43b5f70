#include "shell/program_windows.h"

#include <QAction>

namespace tevra {

ProgramWindows CreateProgramWindows(MainWindowEnvironment environment, ExposureWindowHost host) {
  ProgramWindows windows;
  windows.main = std::make_unique<TForm_Main>(std::move(environment));
  TForm_Main* main = windows.main.get();
  host.selectEclipse = [main](int32_t number) { main->SelectEclipseNumber(number); };
  host.setExposureTablesEnabled = [main](bool enabled) { main->Exposure_Tables->setEnabled(enabled); };
  windows.exposure = std::make_unique<TForm_Exposure>(std::move(host));
  TForm_Exposure* exposure = windows.exposure.get();
  main->SetExposureChoicesSource(exposure);
  main->SetExposureWindowHook([exposure] { exposure->Exposure_TablesClick(); });
  return windows;
}

}  // namespace tevra
