// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/tick_clock.h"

#include "timing/divprocs.h"

#include <chrono>
#include <thread>

namespace tevra {

int64_t SystemTickClock::NowMs() const { return TickCountMs(); }

void SystemTickClock::SleepMs(int64_t ms) {
  if (ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

TickClock& SystemTicks() {
  static SystemTickClock clock;
  return clock;
}

}  // namespace tevra
