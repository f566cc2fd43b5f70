// Reading and replacing the program's own files. Only regular files are ever opened, so a FIFO
// or a device in a file's place is reported instead of blocking or flooding the program, and a
// replacement never destroys the previous file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tevra {

// What a read does with a file longer than its limit.
enum class OverLimit {
  Refuse,      // nothing is read; the error names the size
  ReadPrefix,  // the first maxBytes bytes are read
};

// Reads the file at path into bytes; returns "" on success, else what went wrong. Anything but a
// regular file (after following symbolic links) is refused without waiting on it.
std::string ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes,
                            OverLimit overLimit = OverLimit::Refuse);

// Writes bytes to a temporary file of a name of its own beside path and renames it over path, so
// a failed save never destroys the previous file and no other file is touched. A symbolic link
// is saved through to its target, and the target keeps its permissions. Temporary files that
// earlier saves of the same file left behind (a kill at the wrong moment) are removed. Returns
// "" on success, else what went wrong.
std::string ReplaceFile(const std::string& path, std::string_view bytes);

// True when name is one of ReplaceFile's temporary files for the file named target.
bool IsTemporaryFileOf(std::string_view name, std::string_view target);

}  // namespace tevra
