// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_window_rules.h"

#include "camera/camera_status.h"
#include "timing/divprocs.h"

#include <array>

namespace tevra {

ConnectionLabels ConnectionLabelsFor(ConnectionState state, const std::string& cameraName) {
  switch (state) {
    case ConnectionState::Enabling:
      return {{"Camera : Enabling connection, wait please ...", CameraGrey}, {}, {}, {}};
    case ConnectionState::NotDetected:
      return {{"Camera : Camera is not detected", CameraGrey},
              {"Sorry: Camera is not detected!", CameraRed},
              "Check Power and connection.",
              "Then restart the application."};
    case ConnectionState::SessionFailed:
      return {{"Camera : " + cameraName, CameraGrey},
              {"Sorry: Camera does not open its session!", CameraRed},
              "Switch the camera off and on,",
              "then connect again."};
    case ConnectionState::Connected:
      return {{"Camera : " + cameraName, CameraBlack},
              {"Change the camera settings", CameraBlack},
              "and press the Release button.",
              "(Or operate the camera itself)"};
    case ConnectionState::Disconnected:
      break;
  }
  return {{"Camera : ", CameraGrey}, {"Camera is now disconnected.", CameraRed}, {}, {}};
}

std::string ConnectedStatusText(const std::string& cameraName) { return "Camera: " + cameraName; }

std::string SessionFailedText(uint32_t status) {
  return "The camera does not open its session: Sts=" + std::to_string(status) + " (" +
         CameraStatusText(status) + ")";
}

std::string WriteRefusedMessage(int kind, int selectedIndex, uint32_t code, const std::string& name,
                                uint32_t status) {
  static constexpr std::array<const char*, 5> Handlers = {"ComboBox.IQChange()", "ComboBox.AEmodeChange()",
                                                          "ComboBox.ISOChange()", "ComboBox.AVChange()",
                                                          "ComboBox.TVChange()"};
  const char* handler =
      kind >= 0 && kind < static_cast<int>(Handlers.size()) ? Handlers[static_cast<size_t>(kind)] : "";
  return std::string("Cannot set new value...") + "\r" + "Error in " + handler + "\r" +
         "Select_____=" + std::to_string(selectedIndex) + "\r" + "Prop.Propid_=" + HexStr(code, 4) + "\r" +
         "Prop.PropStr=" + name + "\r" + "Err_______=" + std::to_string(status);
}

std::string FiveSeriesReleaseLine(int picture, int taken) {
  return std::to_string(picture) + "x released: " + std::to_string(taken) +
         (taken == 1 ? " picture  " : " pictures") + " taken ...  " + "0" + " ms +5 ms pause,";
}

std::string FiveSeriesTimeLine(int64_t milliseconds) { return std::to_string(milliseconds) + "ms"; }

std::string NineSeriesReleaseLine(int picture, bool taken) {
  return std::to_string(picture) + "x released. Picture (" + (taken ? ") taken," : ") failed to release!,");
}

std::string NineSeriesTrialText(uint32_t status, int trials) {
  return "Status=" + std::to_string(status) + " " + "Trials=" + std::to_string(trials) + " ";
}

std::string SeriesClosingLine(int pictures, int taken, bool aborted) {
  if (aborted) {
    return "Test aborted by user.";
  }
  if (taken == pictures) {
    return "OK!";
  }
  return std::to_string(pictures - taken) + " pictures LOST!";
}

}  // namespace tevra
