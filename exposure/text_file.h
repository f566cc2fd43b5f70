// Reading and replacing the program's text files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tevra {

// Text as read from a file, in UTF-8: bytes that are valid UTF-8 stand as they are, anything
// else is taken as Windows-1252, the code page of files written by earlier Windows versions.
std::string DecodeLegacyText(std::string_view bytes);

// The lines of a text, each without its LF or CR LF end; a final line end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

// Reads the whole file into bytes; returns "" on success, else what went wrong.
std::string ReadWholeFile(const std::string& path, std::string& bytes);

// Writes bytes to a temporary file beside path and renames it over path, so a failed save never
// destroys the previous file. Returns "" on success, else what went wrong.
std::string ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace tevra
