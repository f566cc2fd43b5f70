// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows in their order of creation: the main window first (it loads the
// parameter file), then the camera window and the exposure window, hidden; the exposure window
// reads its choices from that record.
#pragma once

#include "shell/main_window.h"
#include "windows/camera_window.h"
#include "windows/exposure_window.h"

#include <memory>

namespace tevra {

struct ProgramWindows {
  std::unique_ptr<TForm_Main> main;
  std::unique_ptr<TForm_Camera> camera;      // destroyed before the main window
  std::unique_ptr<TForm_Exposure> exposure;  // destroyed before the camera window
};

// Creates the windows and connects them: the exposure window selects the main window's eclipse
// when a table is loaded, drives its "&Exposure Tables" item, and gives its choices to the
// main window's save. The host's selectEclipse and setExposureTablesEnabled are filled here.
// The main window's "&Camera" item shows the camera window.
ProgramWindows CreateProgramWindows(MainWindowEnvironment environment = {}, ExposureWindowHost host = {},
                                    CameraWindowHost cameraHost = {});

}  // namespace tevra
