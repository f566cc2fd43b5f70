// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: Tevra.prm of any content, decoded and loaded as the program does at start.
#include "state/parameter_file.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const tevra::ParameterFileRecord decoded = tevra::DecodeParameters(std::span(data, size));
  // Whatever was read is written back byte for byte, the padding included; only the three
  // option flags (offsets 28 to 30) are written as 0 or 1.
  if (size >= tevra::ParameterFileSize) {
    const auto encoded = tevra::EncodeParameters(decoded);
    for (size_t i = 0; i < tevra::ParameterFileSize; ++i) {
      const bool flag = i >= 28 && i <= 30;
      if (flag ? (encoded[i] != 0) != (data[i] != 0) : encoded[i] != data[i]) {
        __builtin_trap();
      }
    }
  }
  static const std::string path = "/tmp/tevra-fuzz-" + std::to_string(::getpid()) + ".prm";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  tevra::ParameterFileRecord record;
  tevra::LoadParameterFile(path, "0.1.0", record);
  return 0;
}
