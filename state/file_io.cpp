// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/file_io.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <fstream>
#else
#include <unistd.h>
#endif
#include <fcntl.h>
#include <sys/stat.h>

namespace tevra {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view TemporarySuffix = ".tevra-tmp";
constexpr size_t TemporaryTagLength = 8;  // hex digits between the name and the suffix
// A temporary file this old is a leftover: a save takes milliseconds.
constexpr std::chrono::minutes StaleAfter{10};
constexpr size_t ChunkSize = 65536;

std::string NotRegular(const std::string& path) {
  return "Cannot read " + path + ": it is not a regular file";
}

std::string TooLarge(const std::string& path, uintmax_t size, size_t maxBytes) {
  return "Cannot read " + path + ": it holds " + std::to_string(size) + " bytes, more than the " +
         std::to_string(maxBytes) + " such a file can have";
}

// The file a chain of symbolic links ends at (the path itself when it is no link). A link to a
// file that does not exist yet names the file to create.
fs::path FinalTarget(const fs::path& path) {
  fs::path current = path;
  for (int hops = 0; hops < 40; ++hops) {  // the system's own limit on link chains
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(current, ec))) {
      return current;
    }
    const fs::path next = fs::read_symlink(current, ec);
    if (ec) {
      return current;
    }
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return current;
}

std::string TemporaryTag() {
  static std::mt19937_64 generator{std::random_device{}()};
  constexpr std::string_view Digits = "0123456789abcdef";
  uint64_t value = generator();
  std::string tag;
  for (size_t i = 0; i < TemporaryTagLength; ++i) {
    tag += Digits[value & 0xF];
    value >>= 4;
  }
  return tag;
}

std::string FolderOf(const fs::path& file) {
  return file.parent_path().empty() ? std::string(".") : file.parent_path().string();
}

void RemoveStaleTemporaries(const fs::path& target) {
  const fs::path folder = FolderOf(target);
  const std::string name = target.filename().string();
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
    if (!IsTemporaryFileOf(entry->path().filename().string(), name)) {
      continue;
    }
    std::error_code ignored;
    const auto written = fs::last_write_time(entry->path(), ignored);
    if (!ignored && now - written > StaleAfter) {
      fs::remove(entry->path(), ignored);
    }
  }
}

std::error_code LastError() { return {errno, std::generic_category()}; }

std::string SystemText(int error) { return std::generic_category().message(error); }

}  // namespace

bool FileLayer::Unlinked(int file) {
#ifdef _WIN32
  static_cast<void>(file);  // an open file cannot be removed there
  return false;
#else
  struct stat info {};
  return ::fstat(file, &info) == 0 && info.st_nlink == 0;
#endif
}

namespace {

class OperatingSystemFiles final : public FileLayer {
 public:
  int CreateNew(const std::string& path, std::error_code& error) override {
#ifdef _WIN32
    int fd = -1;
    const int failed = ::_sopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO,
                                  _S_IREAD | _S_IWRITE);
    error = failed != 0 ? std::error_code(failed, std::generic_category()) : std::error_code();
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    error = fd < 0 ? LastError() : std::error_code();
#endif
    return fd;
  }

  std::error_code Write(int file, std::string_view bytes) override {
    while (!bytes.empty()) {
#ifdef _WIN32
      const int written =
          ::_write(file, bytes.data(), static_cast<unsigned>(std::min(bytes.size(), ChunkSize)));
#else
      const ssize_t written = ::write(file, bytes.data(), bytes.size());
#endif
      if (written < 0) {
        if (errno == EINTR) {
          continue;
        }
        return LastError();
      }
      bytes.remove_prefix(static_cast<size_t>(written));
    }
    return {};
  }

  std::error_code Flush(int file) override {
#ifdef _WIN32
    return ::_commit(file) == 0 ? std::error_code() : LastError();
#else
    return ::fsync(file) == 0 ? std::error_code() : LastError();
#endif
  }

  std::error_code Close(int file) override {
#ifdef _WIN32
    return ::_close(file) == 0 ? std::error_code() : LastError();
#else
    return ::close(file) == 0 ? std::error_code() : LastError();
#endif
  }

  std::error_code Rename(const std::string& from, const std::string& to) override {
    std::error_code error;
    fs::rename(from, to, error);
    return error;
  }

  std::error_code SyncFolder(const std::string& folder) override {
#ifdef _WIN32
    static_cast<void>(folder);  // the file system keeps its folders itself
    return {};
#else
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      return LastError();
    }
    const std::error_code error = ::fsync(fd) == 0 ? std::error_code() : LastError();
    static_cast<void>(::close(fd));
    return error;
#endif
  }

  void Remove(const std::string& path) override {
    std::error_code ignored;
    fs::remove(path, ignored);
  }
};

}  // namespace

bool IsTemporaryFileOf(std::string_view name, std::string_view target) {
  const size_t prefix = 1 + target.size() + 1;  // "." + target + "."
  if (name.size() != prefix + TemporaryTagLength + TemporarySuffix.size() || !name.starts_with('.') ||
      name.substr(1, target.size()) != target || name[prefix - 1] != '.' ||
      !name.ends_with(TemporarySuffix)) {
    return false;
  }
  return name.substr(prefix, TemporaryTagLength).find_first_not_of("0123456789abcdef") ==
         std::string_view::npos;
}

#ifdef _WIN32

std::string ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes,
                            OverLimit overLimit) {
  bytes.clear();
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec) {
    return "Cannot open " + path + ": " + ec.message();
  }
  if (!fs::is_regular_file(status)) {
    return NotRegular(path);
  }
  const uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > maxBytes && overLimit == OverLimit::Refuse) {
    return TooLarge(path, size, maxBytes);
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return "Cannot open " + path;
  }
  std::array<char, ChunkSize> chunk{};
  while (bytes.size() <= maxBytes && (in.read(chunk.data(), chunk.size()) || in.gcount() > 0)) {
    bytes.append(chunk.data(), static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) {
    return "Cannot read " + path;
  }
  if (bytes.size() > maxBytes) {
    if (overLimit == OverLimit::Refuse) {
      return TooLarge(path, bytes.size(), maxBytes);
    }
    bytes.resize(maxBytes);
  }
  return {};
}

#else

std::string ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes,
                            OverLimit overLimit) {
  bytes.clear();
  // Look before opening: opening a FIFO or a device may block or have effects of its own.
  struct stat before {};
  if (::stat(path.c_str(), &before) != 0) {
    return "Cannot open " + path + ": " + SystemText(errno);
  }
  if (!S_ISREG(before.st_mode)) {
    return NotRegular(path);
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return "Cannot open " + path + ": " + SystemText(errno);
  }
  std::string error;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = "Cannot read " + path + ": " + SystemText(errno);
  } else if (!S_ISREG(info.st_mode)) {  // replaced between the look and the opening
    error = NotRegular(path);
  } else if (static_cast<uintmax_t>(info.st_size) > maxBytes && overLimit == OverLimit::Refuse) {
    error = TooLarge(path, static_cast<uintmax_t>(info.st_size), maxBytes);
  } else {
    // One byte beyond the limit tells a file that grew since it was looked at.
    const size_t wanted = overLimit == OverLimit::Refuse ? maxBytes + 1 : maxBytes;
    std::array<char, ChunkSize> chunk{};
    while (bytes.size() < wanted) {
      const ssize_t got = ::read(fd, chunk.data(), std::min(chunk.size(), wanted - bytes.size()));
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got < 0) {
        error = "Cannot read " + path + ": " + SystemText(errno);
        break;
      }
      if (got == 0) {
        break;
      }
      bytes.append(chunk.data(), static_cast<size_t>(got));
    }
    if (error.empty() && bytes.size() > maxBytes) {
      error = TooLarge(path, bytes.size(), maxBytes);
    }
  }
  static_cast<void>(::close(fd));
  if (!error.empty()) {
    bytes.clear();
  }
  return error;
}

#endif

FileLayer& SystemFileLayer() {
  static OperatingSystemFiles files;
  return files;
}

std::string ReplaceFile(const std::string& path, std::string_view bytes, FileLayer& layer) {
  const fs::path target = FinalTarget(path);
  struct stat old {};
  [[maybe_unused]] const bool replacing = ::stat(target.string().c_str(), &old) == 0;

  std::string temporary;
  int fd = -1;
  std::error_code error;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = (target.parent_path() /
                 ("." + target.filename().string() + "." + TemporaryTag() + std::string(TemporarySuffix)))
                    .string();
    fd = layer.CreateNew(temporary, error);
    if (fd < 0 && error != std::errc::file_exists) {
      break;
    }
  }
  if (fd < 0) {
    return "Cannot write " + path + ": " + error.message();
  }
  error = layer.Write(fd, bytes);
#ifndef _WIN32
  if (!error && replacing) {
    // The owner can only be kept where the system allows it; the permissions always.
    static_cast<void>(::fchown(fd, old.st_uid, old.st_gid));
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
      error = LastError();
    }
  }
#endif
  if (!error) {
    error = layer.Flush(fd);
  }
  if (const std::error_code closed = layer.Close(fd); closed && !error) {
    error = closed;
  }
  if (error) {
    layer.Remove(temporary);
    return "Cannot write " + path + ": " + error.message();
  }
  if (const std::error_code renamed = layer.Rename(temporary, target.string()); renamed) {
    layer.Remove(temporary);
    return "Cannot replace " + path + ": " + renamed.message();
  }
  // The new file is in place; where the folder cannot be synced (some file systems refuse it)
  // it is still the right one, only its name may reach the disk later.
  static_cast<void>(layer.SyncFolder(FolderOf(target)));
  RemoveStaleTemporaries(target);
  return {};
}

}  // namespace tevra
