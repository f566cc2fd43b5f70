// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_events.h"

#include <QCoreApplication>
#include <QObject>

namespace tevra {

CameraEvent::CameraEvent(int message, uint64_t wParam, uint64_t lParam)
    : QEvent(TypeOf(message)), message_(message), wParam_(wParam), lParam_(lParam) {}

QEvent::Type CameraEvent::TypeOf(int message) { return static_cast<QEvent::Type>(QEvent::User + message); }

int CameraEvent::MessageOf(const QEvent& event) {
  const int message = static_cast<int>(event.type()) - static_cast<int>(QEvent::User);
  return message >= WM_CAMERA_PROPERTY && message <= WM_CAMERA_PROGRESS ? message : 0;
}

void PostCameraMessage(QObject* receiver, int message, uint64_t wParam, uint64_t lParam) {
  if (receiver != nullptr) {
    // postEvent takes ownership and is safe from any thread.
    QCoreApplication::postEvent(receiver, new CameraEvent(message, wParam, lParam));
  }
}

}  // namespace tevra
