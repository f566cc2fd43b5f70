// SPDX-License-Identifier: GPL-3.0-or-later
// Process-wide state of the program set up before any window exists: folders, program version,
// abort and simulation flags, the camera name and the system description.
#pragma once

#include <string>

namespace tevra {

// Every folder text ends in the platform's separator; file names are appended directly.
extern std::string ProgramFolder;
extern std::string TempFolder;
extern std::string DocumentsFolder;  // Camera.ini, Camera.txt, exposure tables
extern std::string SettingsFolder;   // Tevra.prm

// FileVersion of the executable's version record, cut to 16 characters.
extern std::string ProgramVersion;

// Requests to stop a running camera activity; set at exit.
extern bool AbortTests;
extern bool AbortTestRun;
extern bool AbortRun;
extern bool SimulationMode;
// Model name of the connected camera; empty means no camera.
extern std::string CameraName;

// The system description written to the camera information log.
extern std::string RegProductName;
extern std::string RegCSDVersion;
extern std::string RegBuildLab;

constexpr const char* ParameterFileName = "Tevra.prm";
constexpr const char* CameraIniName = "Camera.ini";
constexpr const char* CameraTxtName = "Camera.txt";

// The text with the platform's separator appended unless it already ends in one.
std::string WithTrailingSeparator(std::string folder);

// Creates the folder with its missing parents; returns what failed, or an empty text.
std::string CreateFolder(const std::string& folder);

// Clears the camera name, the test-run abort flag, simulation mode and the rehearsal offset.
void ClearRunState();

// Deletes folder + Camera.ini if present (left over from a run that did not end normally).
// Returns what failed, or an empty text.
std::string DeleteCameraIni(const std::string& folder);

// Keeps the log of the last connection: if folder + Camera.ini exists, Camera.txt is replaced by
// it. Without Camera.ini nothing is touched. Returns what failed, or an empty text.
std::string KeepCameraInformation(const std::string& folder);

// Reads a value under HKEY_LOCAL_MACHINE. Here the three values of
// "SOFTWARE\Microsoft\Windows NT\CurrentVersion" the information log shows are answered from the
// operating system: "ProductName" (its name), "CSDVersion" (kernel release) and "BuildLab"
// (kernel build); anything else, or an unreadable answer, gives "ERROR".
std::string ReadRegistryString(const std::string& keyPath, const std::string& valueName);

}  // namespace tevra
