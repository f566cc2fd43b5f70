// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the camera information log as the exposure window reads it back.
#include "exposure/camera_ini.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tevra::CameraSettingListSet lists;
  tevra::ReadCameraIniLists(std::string_view(reinterpret_cast<const char*>(data), size), lists);
  for (int kind = 0; kind < 5; ++kind) {
    if (lists[kind].Count() > lists[kind].Capacity()) {
      __builtin_trap();
    }
  }
  return 0;
}
