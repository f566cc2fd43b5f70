// SPDX-License-Identifier: GPL-3.0-or-later
// The computer's side of the check before the night, read from this machine: the clock's
// synchronisation from the kernel, the zone, the free space, the desktop's keep-awake services
// and the speech engine.
#pragma once

#include "run/preflight.h"

#include <string>

namespace tevra {

// folder: where the run log and the pictures go (the documents folder).
ComputerState SystemComputerState(const std::string& folder);

}  // namespace tevra
