// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/wait_precision.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tevra {
namespace {

constexpr unsigned long FineSlackNs = 1000;
constexpr int RealtimePriority = 10;
// RealtimeKit grants a priority only to processes that cannot hold the processor for more than
// this without sleeping; the run never spins longer than a few milliseconds.
constexpr rlim_t MaxRealtimeSliceUs = 200000;

}  // namespace

bool SetFineTimerSlack() { return prctl(PR_SET_TIMERSLACK, FineSlackNs, 0, 0, 0) == 0; }

void ResetTimerSlack() { prctl(PR_SET_TIMERSLACK, 0, 0, 0, 0); }  // 0: the thread's default

std::string RequestRealtimePriority() {
  const rlimit limit{MaxRealtimeSliceUs, MaxRealtimeSliceUs};
  if (setrlimit(RLIMIT_RTTIME, &limit) != 0) {
    return "cannot limit the real-time slice";
  }
  QDBusInterface kit(QStringLiteral("org.freedesktop.RealtimeKit1"),
                     QStringLiteral("/org/freedesktop/RealtimeKit1"),
                     QStringLiteral("org.freedesktop.RealtimeKit1"), QDBusConnection::systemBus());
  if (!kit.isValid()) {
    return "RealtimeKit is not available: " + kit.lastError().message().toStdString();
  }
  const auto thread = static_cast<qulonglong>(syscall(SYS_gettid));
  const QDBusReply<void> reply =
      kit.call(QStringLiteral("MakeThreadRealtime"), thread, static_cast<uint>(RealtimePriority));
  return reply.isValid() ? std::string() : "RealtimeKit refused: " + reply.error().message().toStdString();
}

void ResetSchedulingPriority() {
  const sched_param normal{};
  pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
}

}  // namespace tevra
