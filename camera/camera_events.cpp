// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_events.h"

#include <QCoreApplication>
#include <QObject>

#include <mutex>

namespace tevra {
namespace {

// Qt hands a posted event to the receiving thread under its own locks, which the thread sanitizer
// does not see in Qt's uninstrumented build; this lock makes the handoff of a message posted from
// the camera's thread visible to it. Uncontended, it costs next to nothing.
std::mutex& HandoffLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

CameraEvent::CameraEvent(int message, uint64_t wParam, uint64_t lParam)
    : QEvent(TypeOf(message)), message_(message), wParam_(wParam), lParam_(lParam) {}

QEvent::Type CameraEvent::TypeOf(int message) { return static_cast<QEvent::Type>(QEvent::User + message); }

int CameraEvent::MessageOf(const QEvent& event) {
  const std::lock_guard handoff(HandoffLock());
  const int message = static_cast<int>(event.type()) - static_cast<int>(QEvent::User);
  return message >= WM_CAMERA_PROPERTY && message <= WM_CAMERA_PROGRESS ? message : 0;
}

void PostCameraMessage(QObject* receiver, int message, uint64_t wParam, uint64_t lParam) {
  if (receiver != nullptr) {
    // postEvent takes ownership and is safe from any thread.
    const std::lock_guard handoff(HandoffLock());
    QCoreApplication::postEvent(receiver, new CameraEvent(message, wParam, lParam));
  }
}

}  // namespace tevra
