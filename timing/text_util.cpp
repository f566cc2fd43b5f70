// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/text_util.h"

#include <algorithm>

namespace tevra {

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsTrimmed(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
  return upper;
}

bool HasControlCharacter(std::string_view text) { return std::any_of(text.begin(), text.end(), IsControl); }

std::string Escaped(std::string_view text) {
  static constexpr const char* Hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (IsControl(c)) {
      const auto byte = static_cast<unsigned char>(c);
      out += "\\x";
      out += Hex[byte >> 4U];
      out += Hex[byte & 0xFU];
    } else {
      out += c;
    }
  }
  return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

}  // namespace tevra
