// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the program's state before any window exists, in its fixed order.
#pragma once

#include <string>
#include <vector>

namespace tevra {

struct StartupFolders {
  std::string program;    // folder of the executable
  std::string temp;       // the system's temporary folder
  std::string documents;  // the user's documents folder (Tevra/ is appended)
  std::string settings;   // the user's configuration folder (Tevra/ is appended)
};

// The platform's folders for this user.
StartupFolders PlatformFolders();

// Number format, folders (the two program folders created), version record and ProgramVersion,
// cleared run state, catalogue and zone table. Returns the failures to show the user once a
// window can be shown; start-up goes on regardless.
std::vector<std::string> StartVariables(const StartupFolders& folders, const std::string& executablePath);

}  // namespace tevra
