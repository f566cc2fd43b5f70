// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and replacing the program's own files. Only regular files are ever opened, so a FIFO
// or a device in a file's place is reported instead of blocking or flooding the program, and a
// replacement never destroys the previous file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace tevra {

// The system calls that put a file on the disk, as one interface, so that tests can watch their
// order or make one of them fail. Files are descriptors; errors are the system's.
class FileLayer {
 public:
  FileLayer() = default;
  FileLayer(const FileLayer&) = delete;
  FileLayer& operator=(const FileLayer&) = delete;
  virtual ~FileLayer() = default;

  // Creates the file at path, which must not exist yet, for writing with the mode 0666 less the
  // process's mask; its descriptor, or -1 with error set.
  virtual int CreateNew(const std::string& path, std::error_code& error) = 0;
  // Writes all of bytes, resuming after interruptions and partial writes.
  virtual std::error_code Write(int file, std::string_view bytes) = 0;
  // Returns once the file's data are on the disk.
  virtual std::error_code Flush(int file) = 0;
  virtual std::error_code Close(int file) = 0;
  // Renames from to to in one step, replacing a file at to.
  virtual std::error_code Rename(const std::string& from, const std::string& to) = 0;
  // Returns once the folder's entries (a file created, renamed or removed in it) are on the disk.
  virtual std::error_code SyncFolder(const std::string& folder) = 0;
  virtual void Remove(const std::string& path) = 0;
  // True when the open file has lost its last name: it or its folder was removed, and whatever is
  // written to it is lost when it is closed.
  virtual bool Unlinked(int file);
};

// The operating system's calls.
FileLayer& SystemFileLayer();

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
// a failed save never destroys the previous file and no other file is touched. The temporary
// file is on the disk before the rename, and the folder after it, so that a power cut leaves
// the old file or the new one, never an empty one. A symbolic link is saved through to its
// target, and the target keeps its permissions. Temporary files that earlier saves of the same
// file left behind (a kill at the wrong moment) are removed. Returns "" on success, else what
// went wrong.
std::string ReplaceFile(const std::string& path, std::string_view bytes,
                        FileLayer& layer = SystemFileLayer());

// True when name is one of ReplaceFile's temporary files for the file named target.
bool IsTemporaryFileOf(std::string_view name, std::string_view target);

}  // namespace tevra
