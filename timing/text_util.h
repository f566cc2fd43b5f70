// SPDX-License-Identifier: GPL-3.0-or-later
// Small text helpers shared by the whole program.
#pragma once

#include <string>
#include <string_view>

namespace tevra {

// The text without leading and trailing blanks and control characters (every byte up to ' ').
std::string_view Trim(std::string_view text);

// ASCII letters upper-cased; every other byte kept.
std::string UpperCase(std::string_view text);

// True when the text holds a control character (a byte below ' ', or DEL).
bool HasControlCharacter(std::string_view text);

// The text with each control character and backslash written as an escape ("\x1B", "\\"), so
// that printing it cannot steer a terminal.
std::string Escaped(std::string_view text);

// Equal when upper-cased.
bool SameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace tevra
