// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/keep_awake.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <optional>

namespace tevra {

namespace {

constexpr const char* ApplicationName = "Tevra";

class DesktopKeepAwake final : public KeepAwake {
 public:
  ~DesktopKeepAwake() override { DesktopKeepAwake::Release(); }

  std::string Inhibit(const std::string& reason) override {
    Release();
    const QString why = QString::fromStdString(reason);
    std::string failures;

    // The screen saver: no blanking, and on most desktops no idle suspend either.
    QDBusInterface screenSaver(QStringLiteral("org.freedesktop.ScreenSaver"),
                               QStringLiteral("/org/freedesktop/ScreenSaver"),
                               QStringLiteral("org.freedesktop.ScreenSaver"), QDBusConnection::sessionBus());
    const QDBusReply<uint> cookie =
        screenSaver.call(QStringLiteral("Inhibit"), QString::fromLatin1(ApplicationName), why);
    if (cookie.isValid()) {
      cookie_ = cookie.value();
    } else {
      failures += "screen saver: " + cookie.error().message().toStdString();
    }

    // logind: no suspend while the descriptor it hands out stays open.
    QDBusInterface login(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                         QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
    const QDBusReply<QDBusUnixFileDescriptor> lock =
        login.call(QStringLiteral("Inhibit"), QStringLiteral("sleep:idle"),
                   QString::fromLatin1(ApplicationName), why, QStringLiteral("block"));
    if (lock.isValid()) {
      lock_ = lock.value();
    } else {
      failures +=
          std::string(failures.empty() ? "" : "; ") + "logind: " + lock.error().message().toStdString();
    }
    // One of the two is enough to keep the night going.
    return cookie_ || lock_.isValid() ? std::string() : failures;
  }

  void Release() override {
    if (cookie_) {
      QDBusInterface screenSaver(
          QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
          QStringLiteral("org.freedesktop.ScreenSaver"), QDBusConnection::sessionBus());
      screenSaver.call(QStringLiteral("UnInhibit"), *cookie_);
      cookie_.reset();
    }
    lock_ = QDBusUnixFileDescriptor();  // closing the descriptor ends logind's inhibitor
  }

 private:
  std::optional<uint> cookie_;
  QDBusUnixFileDescriptor lock_;
};

}  // namespace

std::unique_ptr<KeepAwake> MakeDesktopKeepAwake() { return std::make_unique<DesktopKeepAwake>(); }

}  // namespace tevra
