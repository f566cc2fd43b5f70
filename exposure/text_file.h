// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and replacing the program's text files.
#pragma once

#include "state/file_io.h"  // ReplaceFile

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tevra {

// Text as read from a file, in UTF-8, decoded line by line: a line that is valid UTF-8 stands as
// it is, any other line is taken as Windows-1252, the code page of files written by earlier
// Windows versions. So a file that mixes the two keeps every UTF-8 line unchanged. A leading
// byte-order mark is dropped, whatever follows it.
std::string DecodeLegacyText(std::string_view bytes);

// Characters (code points) of a UTF-8 text.
size_t Utf8Length(std::string_view text);

// The first count characters of a UTF-8 text (all of it when shorter).
std::string_view Utf8Prefix(std::string_view text, size_t count);

// The lines of a text, each without its LF or CR LF end; a final line end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

// Reads one of the program's small text files (Camera.ini and the like) whole; returns "" on
// success, else what went wrong. Only regular files up to MaxTextFileBytes are read.
constexpr size_t MaxTextFileBytes = size_t{1} << 20;
std::string ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace tevra
