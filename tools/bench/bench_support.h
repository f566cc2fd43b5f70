// SPDX-License-Identifier: GPL-3.0-or-later
// What every benchmark command shares: its one option, the offscreen platform when there is no
// display, and the median of a series of timings.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace tevra::bench {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The value below which the share p of the values lies (the nearest rank); 0 for none.
inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size())));
  return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

inline double Median(std::vector<double> values) {
  if (values.empty()) {
    return 0;
  }
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                   values.end());
  return values[values.size() / 2];
}

// Median time of a piece of work repeated runs times, in milliseconds.
template <typename Work>
double MedianMs(int runs, Work&& work) {
  std::vector<double> times;
  times.reserve(static_cast<size_t>(runs));
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    work();
    times.push_back(Milliseconds(Clock::now() - start));
  }
  return Median(std::move(times));
}

// Takes "--night" out of the arguments: the windows are then drawn in night mode.
inline bool TakeNightOption(int& argc, char** argv) {
  bool night = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--night") {
      night = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return night;
}

// Reads "[--screenshot FILE.png]": the screenshot path, "" when not asked for. Anything else
// prints the usage and gives nothing. Call before the application object exists.
inline std::optional<std::string> ReadScreenshotOption(int argc, char** argv, const char* name) {
  std::string screenshot;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--screenshot" && i + 1 < argc) {
      screenshot = argv[++i];
    } else {
      std::cerr << "usage: " << name << " [--screenshot FILE.png]\n";
      return std::nullopt;
    }
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  }
  return screenshot;
}

}  // namespace tevra::bench
