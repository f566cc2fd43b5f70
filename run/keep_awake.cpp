// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/keep_awake.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <optional>
#include <utility>

namespace tevra {

namespace {

constexpr const char* ApplicationName = "Tevra";

QDBusMessage ScreenSaverCall(const char* method) {
  return QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
      QStringLiteral("org.freedesktop.ScreenSaver"), QString::fromLatin1(method));
}

// The requests go out without waiting: a desktop service that is slow to answer (or to start) must
// not hold the windows. The answers come through the event loop into this state, which outlives
// the object when the object goes first.
struct InhibitState {
  bool released = false;
  int pending = 0;
  std::optional<uint> cookie;
  QDBusUnixFileDescriptor lock;
  std::string failures;
  std::function<void(const std::string&)> failed;

  void Failed(const std::string& what) { failures += (failures.empty() ? "" : "; ") + what; }
  void Answered() {
    if (--pending == 0 && !released && !cookie && !lock.isValid() && failed) {
      failed(failures);  // one of the two is enough to keep the night going
    }
  }
};

void UnInhibit(uint cookie) {
  QDBusMessage call = ScreenSaverCall("UnInhibit");
  call << cookie;
  QDBusConnection::sessionBus().asyncCall(call);
}

// A call the bus answers at once (no bus, no such service) is answered here; the others when their
// reply comes.
template <typename Reply, typename Answer>
void Send(const QDBusConnection& bus, const QDBusMessage& message, const std::shared_ptr<InhibitState>& state,
          Answer answer) {
  ++state->pending;
  const auto handle = [state, answer](const QDBusPendingCall& done) {
    answer(*state, QDBusPendingReply<Reply>(done));
    state->Answered();
  };
  const QDBusPendingCall call = bus.asyncCall(message);
  if (call.isFinished()) {
    handle(call);
    return;
  }
  auto* watcher = new QDBusPendingCallWatcher(call);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [handle](QDBusPendingCallWatcher* done) {
    handle(*done);
    done->deleteLater();
  });
}

class DesktopKeepAwake final : public KeepAwake {
 public:
  explicit DesktopKeepAwake(std::function<void(const std::string&)> failed) : failed_(std::move(failed)) {}
  ~DesktopKeepAwake() override { DesktopKeepAwake::Release(); }

  std::string Inhibit(const std::string& reason) override {
    Release();
    state_ = std::make_shared<InhibitState>();
    state_->failed = failed_;
    state_->pending = 1;  // until both requests are out
    const QString why = QString::fromStdString(reason);

    // The screen saver: no blanking, and on most desktops no idle suspend either.
    QDBusMessage screenSaver = ScreenSaverCall("Inhibit");
    screenSaver << QString::fromLatin1(ApplicationName) << why;
    Send<uint>(QDBusConnection::sessionBus(), screenSaver, state_,
               [](InhibitState& state, const QDBusPendingReply<uint>& reply) {
                 if (reply.isError()) {
                   state.Failed("screen saver: " + reply.error().message().toStdString());
                 } else if (state.released) {
                   UnInhibit(reply.value());
                 } else {
                   state.cookie = reply.value();
                 }
               });

    // logind: no suspend while the descriptor it hands out stays open.
    QDBusMessage login = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    login << QStringLiteral("sleep:idle") << QString::fromLatin1(ApplicationName) << why
          << QStringLiteral("block");
    Send<QDBusUnixFileDescriptor>(
        QDBusConnection::systemBus(), login, state_,
        [](InhibitState& state, const QDBusPendingReply<QDBusUnixFileDescriptor>& reply) {
          if (reply.isError()) {
            state.Failed("logind: " + reply.error().message().toStdString());
          } else if (!state.released) {
            state.lock = reply.value();
          }
        });
    state_->Answered();
    return {};
  }

  void Release() override {
    if (!state_) {
      return;
    }
    state_->released = true;
    if (state_->cookie) {
      UnInhibit(*state_->cookie);
      state_->cookie.reset();
    }
    state_->lock = QDBusUnixFileDescriptor();  // closing the descriptor ends logind's inhibitor
    state_.reset();
  }

 private:
  std::function<void(const std::string&)> failed_;
  std::shared_ptr<InhibitState> state_;
};

}  // namespace

std::unique_ptr<KeepAwake> MakeDesktopKeepAwake(std::function<void(const std::string&)> failed) {
  return std::make_unique<DesktopKeepAwake>(std::move(failed));
}

}  // namespace tevra
