// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/computer_state.h"

#include "timing/countdown.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTextToSpeech>

#include <sys/timex.h>

#include <filesystem>

namespace tevra {
namespace {

// The kernel's view, which timesyncd, chrony and ntpd all keep: unsynchronised until one of them
// has set the clock and keeps it, with the estimated error they last reported.
void ReadClockSync(ComputerState& facts) {
  timex state{};
  const int answer = adjtimex(&state);
  if (answer == -1) {
    return;
  }
  facts.clockSynchronised = answer != TIME_ERROR && (state.status & STA_UNSYNC) == 0;
  if (state.esterror > 0) {
    facts.clockErrorSeconds = static_cast<double>(state.esterror) / 1e6;
  }
}

bool ServiceOnBus(const QDBusConnection& bus, const char* name) {
  const QDBusConnectionInterface* busInterface = bus.isConnected() ? bus.interface() : nullptr;
  return busInterface != nullptr && busInterface->isServiceRegistered(QString::fromLatin1(name)).value();
}

}  // namespace

ComputerState SystemComputerState(const std::string& folder) {
  ComputerState facts;
  ReadClockSync(facts);
  facts.utcOffsetHours = ComputerUtcOffsetHours();
  // The folder is made at the first file; until then its nearest existing parent holds the space.
  std::filesystem::path place(folder);
  std::error_code error;
  while (!std::filesystem::exists(place, error) && place.has_relative_path() &&
         place != place.parent_path()) {
    place = place.parent_path();
  }
  const std::filesystem::space_info space = std::filesystem::space(place, error);
  if (!error) {
    facts.freeBytes = space.available;
  }
  facts.keepAwake = ServiceOnBus(QDBusConnection::sessionBus(), "org.freedesktop.ScreenSaver") ||
                    ServiceOnBus(QDBusConnection::systemBus(), "org.freedesktop.login1");
  facts.speechEngine = !QTextToSpeech::availableEngines().isEmpty();
  return facts;
}

}  // namespace tevra
