// SPDX-License-Identifier: GPL-3.0-or-later
// A millisecond tick counter that can sleep, injected wherever the program waits on time, so that
// tests run a whole night on a clock of their own without sleeping.
#pragma once

#include <cstdint>

namespace tevra {

class TickClock {
 public:
  TickClock() = default;
  TickClock(const TickClock&) = delete;
  TickClock& operator=(const TickClock&) = delete;
  virtual ~TickClock() = default;

  // Milliseconds on a monotonic counter.
  [[nodiscard]] virtual int64_t NowMs() const = 0;
  // Returns once at least ms milliseconds have passed on NowMs (at once for ms <= 0).
  virtual void SleepMs(int64_t ms) = 0;
};

// The computer's monotonic clock; SleepMs really sleeps.
class SystemTickClock final : public TickClock {
 public:
  [[nodiscard]] int64_t NowMs() const override;
  void SleepMs(int64_t ms) override;
};

// The process-wide system tick clock.
TickClock& SystemTicks();

// A clock that moves only when slept on or advanced: tests and the accelerated soak use it.
class ManualTickClock final : public TickClock {
 public:
  explicit ManualTickClock(int64_t startMs = 0) : nowMs_(startMs) {}
  [[nodiscard]] int64_t NowMs() const override { return nowMs_; }
  void SleepMs(int64_t ms) override { Advance(ms); }
  void Advance(int64_t ms) {
    if (ms > 0) {
      nowMs_ += ms;
    }
  }

 private:
  int64_t nowMs_;
};

}  // namespace tevra
