// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_choice.h"

#include "camera/gphoto2_camera.h"
#include "camera/simulated_camera.h"
#include "state/file_io.h"

#include <cstdlib>

namespace tevra {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read once at start
  return value != nullptr ? std::string(value) : std::string();
}

// A script is a few lines; a file far larger is not one.
constexpr size_t MaxSimulatorScriptBytes = size_t{64} * 1024;

// A script, or "@FILE" naming a file that holds one. Only a regular file is read: a device or a
// FIFO named by mistake is refused instead of flooding or blocking the program.
std::string ReadSimulatorScript(const std::string& script, std::string& error) {
  if (!script.starts_with('@')) {
    return script;
  }
  std::string text;
  if (const std::string problem = ReadRegularFile(script.substr(1), text, MaxSimulatorScriptBytes);
      !problem.empty()) {
    error = "Simulator settings file: " + problem + ".";
    return {};
  }
  return text;
}

// The simulated bodies of one process share the origin of their fault windows: the program makes
// a new one for each reconnection, and an outage must not start again with every session.
int64_t SimulatorOriginMs() {
  static const int64_t origin = SystemTicks().NowMs();
  return origin;
}

}  // namespace

CameraChoice CameraChoiceFromEnvironment() {
  CameraChoice choice;
  if (const std::string backend = Environment("TEVRA_CAMERA"); !backend.empty()) {
    choice.backend = backend;
  }
  choice.port = Environment("TEVRA_CAMERA_PORT");
  choice.model = Environment("TEVRA_CAMERA_MODEL");
  choice.simulatorScript = Environment("TEVRA_SIMULATOR");
  return choice;
}

bool TakeNoCameraOption(std::vector<std::string>& args) {
  for (auto arg = args.begin(); arg != args.end(); ++arg) {
    if ((*arg == "--camera" && arg + 1 != args.end() && arg[1] == "none") || *arg == "--camera=none") {
      args.erase(arg, arg + (*arg == "--camera" ? 2 : 1));
      return true;
    }
  }
  return false;
}

std::string TakeCameraOptions(std::vector<std::string>& args, CameraChoice& choice) {
  struct Option {
    const char* name;
    std::string* target;
  };
  const Option options[] = {
      {"--camera", &choice.backend}, {"--camera-port", &choice.port}, {"--camera-model", &choice.model}};
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool taken = false;
    for (const Option& option : options) {
      const std::string name = option.name;
      if (arg == name) {
        if (i + 1 >= args.size()) {
          return name + " needs a value";
        }
        *option.target = args[++i];
        taken = true;
      } else if (arg.starts_with(name + "=")) {
        *option.target = arg.substr(name.size() + 1);
        taken = true;
      }
      if (taken) {
        break;
      }
    }
    if (!taken) {
      rest.push_back(arg);
    }
  }
  if (choice.backend != "gphoto2" && choice.backend != "simulator") {
    return "unknown camera \"" + choice.backend + "\" (use gphoto2 or simulator)";
  }
  args = std::move(rest);
  return {};
}

std::shared_ptr<CameraSdk> CreateCameraSdk(const CameraChoice& choice, std::string& error) {
  error.clear();
  if (choice.backend == "gphoto2") {
    return CreateGphoto2Camera(choice.port, choice.model);
  }
  if (choice.backend != "simulator") {
    error = "Unknown camera \"" + choice.backend + "\" (use gphoto2 or simulator).";
    return nullptr;
  }
  const std::string script = ReadSimulatorScript(choice.simulatorScript, error);
  if (!error.empty()) {
    return nullptr;
  }
  SimulatorSettings settings = SimulatorSettings::Default();
  SimulatorFaults faults;
  if (const std::string problem = ParseSimulatorScript(script, settings, faults); !problem.empty()) {
    error = "Simulator settings: " + problem + ".";
    return nullptr;
  }
  auto camera = std::make_shared<SimulatedCamera>(std::move(settings), std::move(faults), SystemTicks(),
                                                  SimulatorOriginMs());
  if (choice.moonScene) {
    camera->SetMoonScene(choice.moonScene);
  }
  return camera;
}

}  // namespace tevra
