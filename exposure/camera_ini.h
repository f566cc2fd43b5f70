// SPDX-License-Identifier: GPL-3.0-or-later
// The lists of accepted camera settings that the exposure window takes from the camera
// information log "Camera.ini", and the default-setting choices built from them.
#pragma once

#include "camera/camera_model.h"

#include <string>
#include <string_view>
#include <vector>

namespace tevra {

// Reads the five lists that follow the line "$$EOH" and the camera-name line into lists. Returns ""
// on success; otherwise what is wrong, with the line number, and lists is left unchanged.
std::string ReadCameraIniLists(std::string_view text, CameraSettingListSet& lists);

// Built-in defaults, used without a camera.
constexpr const char* BuiltInImageQuality = "JPGLarFin";
constexpr const char* BuiltInIso = "400";
constexpr const char* BuiltInAperture = "f/5.6";

// Items of the three default-setting boxes; the first item of each is selected.
struct DefaultSettingItems {
  std::vector<std::string> imageQuality;
  std::vector<std::string> iso;
  std::vector<std::string> aperture;
};

// With a camera the names of the codes in the camera's lists, in list order (codes without a
// name are left out); without one the built-in defaults. A list that would be empty gets its
// built-in default, so a generated table never has empty setting cells.
DefaultSettingItems DefaultSettingItemsFor(bool cameraConnected, const CameraSettingListSet& lists);

}  // namespace tevra
