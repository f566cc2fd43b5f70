// SPDX-License-Identifier: GPL-3.0-or-later
// The user guide: the HTML page that F1 and the about panel open in the desktop's browser.
#pragma once

#include <string>

namespace tevra {

// The guide's page of the program whose executable lies in programFolder: the guide is installed
// at a fixed place relative to the executables (see cmake/TevraInstall.cmake).
std::string UserGuidePath(const std::string& programFolder);

}  // namespace tevra
