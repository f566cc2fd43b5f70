// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/text_file.h"

#include <algorithm>
#include <array>

namespace tevra {
namespace {

// Code points of the bytes 0x80..0x9F; the five bytes the code page leaves undefined keep
// their own value, as Windows maps them.
constexpr std::array<char32_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    char32_t minimum = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      minimum = 0x80;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      minimum = 0x800;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      minimum = 0x10000;
      code = lead & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) {
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string DecodeLegacyText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);  // byte-order mark of some editors
  }
  if (IsValidUtf8(bytes)) {
    return std::string(bytes);
  }
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  while (!bytes.empty()) {
    // A line end is a single byte in both encodings, so no character spans two lines.
    const size_t end = bytes.find('\n');
    const std::string_view line = bytes.substr(0, end == std::string_view::npos ? bytes.size() : end + 1);
    bytes.remove_prefix(line.size());
    if (IsValidUtf8(line)) {
      out += line;
      continue;
    }
    for (const char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? Cp1252High[byte - 0x80] : char32_t{byte});
    }
  }
  return out;
}

size_t Utf8Length(std::string_view text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}

std::string_view Utf8Prefix(std::string_view text, size_t count) {
  size_t end = 0;
  for (size_t taken = 0; end < text.size() && taken < count; ++taken) {
    ++end;
    while (end < text.size() && IsContinuation(text[end])) {
      ++end;
    }
  }
  return text.substr(0, end);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    lines.push_back(line);
  }
  return lines;
}

std::string ReadWholeFile(const std::string& path, std::string& bytes) {
  return ReadRegularFile(path, bytes, MaxTextFileBytes);
}

}  // namespace tevra
