// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_clock.h"

#include "timing/countdown.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace tevra {
namespace {

constexpr double UnixEpochJD = 2440587.5;
constexpr double MinutesPerDay = 1440.0;

double UtcJD() {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return UnixEpochJD + std::chrono::duration<double, std::milli>(sinceEpoch).count() / MsPerDay;
}

// The zone offset in days, in whole minutes as every zone has it.
double LocalOffsetDays() { return std::round((SystemLocalJD() - UtcJD()) * MinutesPerDay) / MinutesPerDay; }

}  // namespace

// The local time to the millisecond only would make every release up to a millisecond late, so
// the precise UTC reading is shifted by the local offset instead.
double SystemRunClock::LocalJD() const {
  const double offset = LocalOffsetDays();
  return UtcJD() + offset;
}

double SystemRunClock::UtcOffsetHours() const { return LocalOffsetDays() * 24.0; }

void SystemRunWaiter::Sleep(double ms) {
  if (ms > 0) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
  }
}

void SystemRunWaiter::Yield() {}  // spins: see the class

void ManualRunWaiter::Sleep(double ms) {
  ++sleepCalls_;
  ticks_.Advance(std::max<int64_t>(1, static_cast<int64_t>(std::ceil(ms))));
}

void ManualRunWaiter::Yield() {
  ++yieldCalls_;
  ticks_.Advance(1);
}

}  // namespace tevra
