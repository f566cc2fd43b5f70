// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/user_guide.h"

#include <filesystem>

namespace tevra {

std::string UserGuidePath(const std::string& programFolder) {
  return (std::filesystem::path(programFolder) / TEVRA_GUIDE_FROM_PROGRAM).lexically_normal().string();
}

}  // namespace tevra
