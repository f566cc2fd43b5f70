// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the whole program: the fatal data stop, hex text, power, floor and
// the busy wait of the camera loops.
#pragma once

#include <cstdint>
#include <string>

namespace tevra {

// Exit status of a process ended by AbortOnDataError.
constexpr int DataErrorExitCode = 3;

// Shows the message to the user; the default writes it to standard error. A GUI installs one
// that shows a modal message box. It must return when the user has read the message.
using AbortPresenter = void (*)(const std::string& caption, const std::string& text);
void SetAbortPresenter(AbortPresenter presenter);

// The text shown by AbortOnDataError: "Program will abort now." CR detail CR message.
std::string AbortText(const std::string& message, const std::string& detail);

// Tells the user that data could not be interpreted, then ends the process at once: no window
// is closed and the parameter file is not written.
[[noreturn]] void AbortOnDataError(const std::string& message, const std::string& detail);

// The last 2 x byteCount characters of the eight-digit upper-case hex form of value; byte
// counts other than 1, 2 and 4 give "".
std::string HexStr(uint32_t value, int byteCount);

// exp(exponent * ln base); defined for base > 0.
double Power(double base, double exponent);

// The largest whole number not above x.
double Floor(double x);

// Busy-waits n milliseconds on the monotonic clock, yielding the thread between reads. Does not
// process window messages. Returns the milliseconds that passed.
int64_t WaitMs(int64_t n);

// Milliseconds of the monotonic tick counter.
int64_t TickCountMs();

}  // namespace tevra
