// SPDX-License-Identifier: GPL-3.0-or-later
#include "divprocs.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tevra {
namespace {

void WriteToStandardError(const std::string& caption, const std::string& text) {
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\r') {
      c = '\n';
    }
  }
  (void)std::fprintf(stderr, "%s\n%s\n", caption.c_str(), shown.c_str());
  (void)std::fflush(stderr);
}

AbortPresenter& CurrentPresenter() {
  static AbortPresenter presenter = &WriteToStandardError;
  return presenter;
}

}  // namespace

void SetAbortPresenter(AbortPresenter presenter) {
  CurrentPresenter() = presenter != nullptr ? presenter : &WriteToStandardError;
}

std::string AbortText(const std::string& message, const std::string& detail) {
  return "Program will abort now.\r" + detail + "\r" + message;
}

void AbortOnDataError(const std::string& message, const std::string& detail) {
  CurrentPresenter()("Data interpretation error:", AbortText(message, detail));
  std::_Exit(DataErrorExitCode);  // no destructors, no close handlers: nothing may be saved
}

std::string HexStr(uint32_t value, int byteCount) {
  if (byteCount != 1 && byteCount != 2 && byteCount != 4) {
    return {};
  }
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i) {
    text[static_cast<size_t>(i)] = Digits[value & 0xFU];
    value >>= 4U;
  }
  return text.substr(static_cast<size_t>(8 - 2 * byteCount));
}

double Power(double base, double exponent) { return std::exp(exponent * std::log(base)); }

double Floor(double x) {
  const double whole = std::trunc(x);
  return (x > 0 || whole == x) ? whole : whole - 1;
}

int64_t TickCountMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int64_t WaitMs(int64_t n) {
  const int64_t start = TickCountMs();
  int64_t passed = 0;
  while ((passed = TickCountMs() - start) < n) {
    std::this_thread::yield();
  }
  return passed;
}

}  // namespace tevra
