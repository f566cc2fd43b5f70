// The camera interface on libgphoto2, for real Canon EOS bodies over USB or PTP/IP.
#pragma once

#include "camera/camera_sdk.h"

#include <memory>
#include <string>

namespace tevra {

// port and model empty: the first camera the library detects.
std::shared_ptr<CameraSdk> CreateGphoto2Camera(const std::string& port, const std::string& model);

}  // namespace tevra
