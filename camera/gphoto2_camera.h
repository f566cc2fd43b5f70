// SPDX-License-Identifier: GPL-3.0-or-later
// The camera interface on libgphoto2, for real Canon EOS bodies over USB or PTP/IP.
//
// One thread owns the library's context and camera; every call of the interface is carried out on
// it against a deadline and answers CamTimeout when the library does not come back in time, so a
// body that hangs never hangs the program. While no call is under way the thread polls the body's
// events and passes them to the registered handlers.
#pragma once

#include "camera/camera_sdk.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tevra {

struct Gphoto2Options {
  int64_t callDeadlineMs = CallDeadlineMs;
  int64_t openDeadlineMs = OpenDeadlineMs;
  // A release may take the exposure time plus this (focusing, writing the picture).
  int64_t releaseMarginMs = ReleaseMarginMs;
  // A download fails when this long passes without a part of the file arriving.
  int64_t downloadStallMs = 15000;
  // How often the body's events are polled while the camera is idle.
  int64_t eventIntervalMs = 100;
};

// port and model empty: the first camera the library detects on USB. Otherwise the port
// ("usb:001,004", "ptpip:192.168.1.20:15740:15740") and the model the library should assume there
// ("Canon EOS 5D Mark IV", or "PTP/IP Camera" for any body on Wi-Fi).
std::shared_ptr<CameraSdk> CreateGphoto2Camera(const std::string& port, const std::string& model);
std::shared_ptr<CameraSdk> CreateGphoto2Camera(const std::string& port, const std::string& model,
                                               const Gphoto2Options& options);

}  // namespace tevra
