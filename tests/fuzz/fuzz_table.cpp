// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the exposure table loader on any bytes.
#include "exposure/exposure_table.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const tevra::ExposureFile file = tevra::ParseExposureTable(bytes);
  // A table that loads must save and load again to the same rows.
  if (file.problems.empty() && file.eclipseIndex) {
    const std::string saved = tevra::FormatExposureTable(*file.eclipseIndex, file.rows);
    const tevra::ExposureFile again = tevra::ParseExposureTable(saved);
    if (again.rows != file.rows) {
      __builtin_trap();
    }
  }
  return 0;
}
