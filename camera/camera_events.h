// SPDX-License-Identifier: GPL-3.0-or-later
// The three camera messages the session manager's callbacks post to the camera window, as Qt
// events carrying the message number and its two parameters.
#pragma once

#include <QEvent>

#include <cstdint>

class QObject;

namespace tevra {

constexpr int WM_CAMERA_PROPERTY = 0x0401;  // wParam: 0x101 or 0x102, lParam: property id
constexpr int WM_CAMERA_TRANSFER = 0x0402;  // wParam: 0x208, lParam: directory item reference
constexpr int WM_CAMERA_PROGRESS = 0x0403;  // wParam: percent, lParam: the cancel flag

class CameraEvent final : public QEvent {
 public:
  CameraEvent(int message, uint64_t wParam, uint64_t lParam);

  [[nodiscard]] int Message() const { return message_; }
  [[nodiscard]] uint64_t WParam() const { return wParam_; }
  [[nodiscard]] uint64_t LParam() const { return lParam_; }

  // The event type of a camera message: QEvent::User plus the message number.
  static QEvent::Type TypeOf(int message);
  // The message number of an event, or 0 when it is not one of the three camera messages.
  static int MessageOf(const QEvent& event);

 private:
  int message_;
  uint64_t wParam_;
  uint64_t lParam_;
};

// Posts a camera message to the receiver; safe from any thread. A null receiver drops it.
void PostCameraMessage(QObject* receiver, int message, uint64_t wParam, uint64_t lParam);

}  // namespace tevra
