// SPDX-License-Identifier: GPL-3.0-or-later
// The program's licence, as the about panel and tevra-cli --version state it.
#pragma once

#include <string_view>

namespace tevra {

inline constexpr std::string_view LicenceNotice =
    "Tevra is free software under the GNU General Public License, version 3 or any later version "
    "(GPL-3.0-or-later), and comes with no warranty.";

}  // namespace tevra
