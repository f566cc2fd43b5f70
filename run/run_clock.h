// SPDX-License-Identifier: GPL-3.0-or-later
// The clock and the waits of the photography run. The run reads the computer's local time as a
// JD and waits by sleeping in short slices through a waiter: the camera window waits in a nested
// event loop, the command line and the benchmark sleep the thread, and tests move a manual clock.
#pragma once

#include "timing/tick_clock.h"

namespace tevra {

constexpr double MsPerDay = 86400000.0;

class RunClock {
 public:
  RunClock() = default;
  RunClock(const RunClock&) = delete;
  RunClock& operator=(const RunClock&) = delete;
  virtual ~RunClock() = default;

  // The computer's local date and time as a JD, without RehearsalOffset.
  [[nodiscard]] virtual double LocalJD() const = 0;
  // Hours east of UTC of the computer's clock at this moment.
  [[nodiscard]] virtual double UtcOffsetHours() const = 0;
  // The tick counter of the short pauses between camera calls and of the announcement banner.
  virtual TickClock& Ticks() = 0;
};

// The computer's clock to the microsecond.
class SystemRunClock final : public RunClock {
 public:
  [[nodiscard]] double LocalJD() const override;
  [[nodiscard]] double UtcOffsetHours() const override;
  TickClock& Ticks() override { return SystemTicks(); }
};

// A clock that reads startJD while ticks reads 0 and moves only with ticks.
class ManualRunClock final : public RunClock {
 public:
  ManualRunClock(ManualTickClock& ticks, double startJD, double utcOffsetHours = 0)
      : ticks_(ticks), startJD_(startJD), utcOffsetHours_(utcOffsetHours) {}
  [[nodiscard]] double LocalJD() const override {
    return startJD_ + static_cast<double>(ticks_.NowMs()) / MsPerDay;
  }
  [[nodiscard]] double UtcOffsetHours() const override { return utcOffsetHours_; }
  TickClock& Ticks() override { return ticks_; }

 private:
  ManualTickClock& ticks_;
  double startJD_;
  double utcOffsetHours_;
};

class RunWaiter {
 public:
  RunWaiter() = default;
  RunWaiter(const RunWaiter&) = delete;
  RunWaiter& operator=(const RunWaiter&) = delete;
  virtual ~RunWaiter() = default;

  // Waits about ms milliseconds, not much longer, and lets the program's events through
  // meanwhile. It may return early: the run reads the clock again after every call.
  virtual void Sleep(double ms) = 0;
  // Called over and over in the last two milliseconds before a due instant, when the run neither
  // sleeps nor lets events through; it must return at once.
  virtual void Yield() = 0;
};

// Sleeps the calling thread; for runs without windows. It keeps the processor through the last
// stretch: handing it to another program there could cost a whole time slice of lateness.
class SystemRunWaiter final : public RunWaiter {
 public:
  void Sleep(double ms) override;
  void Yield() override;
};

// Moves a manual tick clock: Sleep by the milliseconds asked for (at least 1), Yield by 1 ms.
// Counts its calls so that tests can tell a sleeping wait from a polling one.
class ManualRunWaiter final : public RunWaiter {
 public:
  explicit ManualRunWaiter(ManualTickClock& ticks) : ticks_(ticks) {}
  void Sleep(double ms) override;
  void Yield() override;
  [[nodiscard]] long SleepCalls() const { return sleepCalls_; }
  [[nodiscard]] long YieldCalls() const { return yieldCalls_; }

 private:
  ManualTickClock& ticks_;
  long sleepCalls_ = 0;
  long yieldCalls_ = 0;
};

}  // namespace tevra
