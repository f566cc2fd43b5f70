// SPDX-License-Identifier: GPL-3.0-or-later
// Which camera library the program and tevra-cli drive: the real one (libgphoto2) or the
// simulated body, chosen by options or the environment.
#pragma once

#include "camera/camera_sdk.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tevra {

struct CameraChoice {
  std::string backend = "gphoto2";  // "gphoto2" or "simulator"
  std::string port;                 // gphoto2: a port such as "usb:001,004" or "ptpip:127.0.0.1:15740:15740"
  std::string model;                // gphoto2: the model the library should assume for that port
  std::string simulatorScript;      // simulator: settings and faults (ParseSimulatorScript)
  // simulator: the Moon's brightness index Q now (SimulatedCamera::SetMoonScene); empty: a full Moon.
  std::function<double()> moonScene;
};

// The choice from TEVRA_CAMERA, TEVRA_CAMERA_PORT, TEVRA_CAMERA_MODEL and TEVRA_SIMULATOR (a
// script, or "@FILE" naming a file holding one).
CameraChoice CameraChoiceFromEnvironment();

// Takes --camera NAME, --camera-port PORT and --camera-model MODEL (also as --option=VALUE) out of
// args into choice. Returns "" or what is wrong.
std::string TakeCameraOptions(std::vector<std::string>& args, CameraChoice& choice);

// Takes --camera none (also --camera=none) out of args: true when it was there, and the command
// goes without a camera.
bool TakeNoCameraOption(std::vector<std::string>& args);

// The camera library of a choice; null with error set when it cannot be made (an unknown backend,
// an unreadable or faulty simulator script).
std::shared_ptr<CameraSdk> CreateCameraSdk(const CameraChoice& choice, std::string& error);

}  // namespace tevra
