// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/variables.h"

#include "state/file_io.h"
#include "timing/countdown.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#ifndef _WIN32
#include <sys/utsname.h>
#endif

namespace tevra {

std::string ProgramFolder;
std::string TempFolder;
std::string DocumentsFolder;
std::string SettingsFolder;
std::string ProgramVersion;
bool AbortTests = false;
bool AbortTestRun = false;
bool AbortRun = false;
bool SimulationMode = false;
std::string CameraName;
std::string RegProductName;
std::string RegCSDVersion;
std::string RegBuildLab;

namespace {

namespace fs = std::filesystem;

std::string Failure(const char* what, const std::string& path, const std::error_code& ec) {
  return std::string(what) + " " + path + ": " + ec.message();
}

// PRETTY_NAME of os-release, without its quotes.
std::string OperatingSystemName() {
  std::string text;
  if (!ReadRegularFile("/etc/os-release", text, 65536, OverLimit::ReadPrefix).empty()) {
    return {};
  }
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("PRETTY_NAME=")) {
      std::string value = line.substr(12);
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      return value;
    }
  }
  return {};
}

}  // namespace

std::string WithTrailingSeparator(std::string folder) {
  const char separator = static_cast<char>(fs::path::preferred_separator);
  if (folder.empty() || folder.back() != separator) {
    folder += separator;
  }
  return folder;
}

std::string CreateFolder(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    return Failure("Cannot create the folder", folder,
                   ec ? ec : std::make_error_code(std::errc::not_a_directory));
  }
  return {};
}

void ClearRunState() {
  CameraName.clear();
  AbortTestRun = false;
  SimulationMode = false;
  RehearsalOffset = 0;
}

std::string DeleteCameraIni(const std::string& folder) {
  const std::string ini = folder + CameraIniName;
  std::error_code ec;
  fs::remove(ini, ec);
  return ec ? Failure("Cannot delete", ini, ec) : std::string();
}

std::string KeepCameraInformation(const std::string& folder) {
  const std::string ini = folder + CameraIniName;
  const std::string txt = folder + CameraTxtName;
  std::error_code ec;
  if (!fs::exists(ini, ec)) {
    return {};
  }
  fs::remove(txt, ec);
  if (ec) {
    return Failure("Cannot delete", txt, ec);
  }
  fs::rename(ini, txt, ec);
  return ec ? Failure("Cannot rename", ini, ec) : std::string();
}

std::string ReadRegistryString(const std::string& keyPath, const std::string& valueName) {
  if (keyPath != "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion") {
    return "ERROR";
  }
  std::string value;
  if (valueName == "ProductName") {
    value = OperatingSystemName();
  }
#ifndef _WIN32
  utsname system{};
  if (uname(&system) == 0) {
    if (valueName == "CSDVersion") {
      value = system.release;
    } else if (valueName == "BuildLab") {
      value = system.version;
    }
  }
#endif
  // The original value buffer holds 255 characters and a terminating zero.
  return value.empty() ? "ERROR" : value.substr(0, 255);
}

}  // namespace tevra
