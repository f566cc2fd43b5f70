// SPDX-License-Identifier: GPL-3.0-or-later
// What the camera window shows, decided apart from the toolkit: the connection labels with their
// colours, the message of a refused setting, the manual-mode message and the lines the picture
// series write into the memo.
#pragma once

#include "timing/countdown.h"

#include <cstdint>
#include <string>

namespace tevra {

constexpr Rgb CameraGrey{128, 128, 128};
constexpr Rgb CameraBlack{0, 0, 0};
constexpr Rgb CameraRed{255, 0, 0};

struct LabelText {
  std::string text;
  Rgb colour = CameraBlack;
};

// LabelA and the three status labels Label6, Label7, Label8 (these two always black).
struct ConnectionLabels {
  LabelText labelA;
  LabelText label6;
  std::string label7;
  std::string label8;
};

enum class ConnectionState { Enabling, NotDetected, SessionFailed, Connected, Disconnected };

// The labels of a state; cameraName is used by Connected only. Enabling changes LabelA alone.
ConnectionLabels ConnectionLabelsFor(ConnectionState state, const std::string& cameraName);

// Status bar texts of the connection and the disconnection.
std::string ConnectedStatusText(const std::string& cameraName);  // "Camera: " + name
constexpr const char* DisconnectedStatusText = "Camera : ";
// The camera was found but did not open its session; status is its answer.
std::string SessionFailedText(uint32_t status);
constexpr const char* DownloadErrorText = "Download error occurred!";

// The message after the camera refused a new value. kind is the setting's kind number.
std::string WriteRefusedMessage(int kind, int selectedIndex, uint32_t code, const std::string& name,
                                uint32_t status);

// Shown when the shutter-time box has nothing to select: the camera is not in manual mode.
// The connection is ended and the program keeps running, so the text says so.
constexpr const char* ManualModeCaption = "Camera is not in manual mode \"M\" !";
constexpr const char* ManualModeText =
    "Set Camera to manual mode \"M\" and restart.\r\n"
    "The camera is now disconnected; connect it again after setting \"M\".";

// Mouse-over explanations of the two series buttons.
constexpr const char* FivePicturesExplanation =
    "When pressing this button, 5 exposures (with actual settings) will be taken and stored in the camera.";
constexpr const char* NinePicturesExplanation =
    "When pressing this button, 9 exposures (increasing exposure times) will be taken and stored in the "
    "camera. After this test, check the image data on the camera.";

// Memo lines of the series of 5: after each release, and the milliseconds the picture took.
std::string FiveSeriesReleaseLine(int picture, int taken);
std::string FiveSeriesTimeLine(int64_t milliseconds);
// Memo line of the series of 9 after each release.
std::string NineSeriesReleaseLine(int picture, bool taken);
// Status bar text while the series of 9 retries a release.
std::string NineSeriesTrialText(uint32_t status, int trials);
// The closing line of either series.
std::string SeriesClosingLine(int pictures, int taken, bool aborted);

}  // namespace tevra
