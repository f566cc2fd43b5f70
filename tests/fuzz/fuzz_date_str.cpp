// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: row times as the run decodes them, and the texts made from what decodes.
#include "timing/astrolib.h"
#include "timing/time_text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tevra::DateStrResult result = tevra::TryDateStrJD(text);
  if (result.jd) {
    const tevra::CalendarTime time = tevra::JDCal(*result.jd);
    tevra::DateTimeStr(time.Year, time.Month, time.Day, time.Hour, time.Minute, time.Second, 1);
    tevra::TimeDiffStr(1, *result.jd - 2451545.0);
  }
  return 0;
}
