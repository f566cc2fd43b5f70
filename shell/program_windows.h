// The program's windows in their order of creation: the main window first (it loads the
// parameter file), then the exposure window, hidden, which reads its choices from that record.
#pragma once

#include "exposure/exposure_window.h"
#include "shell/main_window.h"

#include <memory>

namespace tevra {

struct ProgramWindows {
  std::unique_ptr<TForm_Main> main;
  std::unique_ptr<TForm_Exposure> exposure;  // destroyed before the main window
};

// Creates the windows and connects them: the exposure window selects the main window's eclipse
// when a table is loaded, drives its "&Exposure Tables" item, and gives its choices to the
// main window's save. The host's selectEclipse and setExposureTablesEnabled are filled here.
ProgramWindows CreateProgramWindows(MainWindowEnvironment environment = {}, ExposureWindowHost host = {});

}  // namespace tevra
