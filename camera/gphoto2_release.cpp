// SPDX-License-Identifier: GPL-3.0-or-later
// The release.
#include "camera/camera_status.h"
#include "camera/gphoto2_names.h"
#include "camera/gphoto2_session.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace tevra {

uint32_t Gphoto2Session::Release(CameraRef camera) {
  if (const uint32_t status = CheckOpen(camera); status != CamOk) {
    return status;
  }
  // The driver throws away the events it finds waiting before a release; pass them on first.
  Poll();
  if (lost_) {
    return CamDisconnected;
  }
  const int result = gp_camera_trigger_capture(camera_, context_);
  return CameraStatusOfGphoto2(result, Gphoto2Call::Release, *log_);
}

uint32_t Gphoto2Session::LetGo(CameraRef camera) {
  if (const uint32_t status = CheckOpen(camera); status != CamOk) {
    return status;
  }
  // The driver's remote release setting, only where the body presses with RemoteReleaseOn/Off.
  constexpr const char* Name = "eosremoterelease";
  CameraWidget* widget = nullptr;
  int result = gp_camera_get_single_config(camera_, Name, &widget, context_);
  if (result == GP_ERROR_BAD_PARAMETERS) {
    return CamNotSupported;
  }
  if (result < 0) {
    return CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
  }
  // Its labels changed between library versions: the choice that releases the full press.
  std::string letGo;
  for (int i = 0; letGo.empty() && i < gp_widget_count_choices(widget); ++i) {
    const char* choice = nullptr;
    if (gp_widget_get_choice(widget, i, &choice) < 0 || choice == nullptr) {
      continue;
    }
    std::string lower = choice;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("release") != std::string::npos && lower.find("full") != std::string::npos) {
      letGo = choice;
    }
  }
  result = letGo.empty() ? GP_ERROR_NOT_SUPPORTED : gp_widget_set_value(widget, letGo.c_str());
  if (result >= 0) {
    result = gp_camera_set_single_config(camera_, Name, widget, context_);
  }
  gp_widget_free(widget);
  return CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
}

}  // namespace tevra
