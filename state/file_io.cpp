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
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

void RemoveStaleTemporaries(const fs::path& target) {
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
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

#ifndef _WIN32

std::string SystemText(int error) { return std::generic_category().message(error); }

// Writes all bytes, resuming after interruptions; returns 0 or the error number.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

#endif

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

std::string ReplaceFile(const std::string& path, std::string_view bytes) {
  const fs::path target = FinalTarget(path);
  const fs::path temporary = target.parent_path() / ("." + target.filename().string() + "." + TemporaryTag() +
                                                     std::string(TemporarySuffix));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      return "Cannot write " + path;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return "Cannot write " + path;
    }
  }
  std::error_code ec;
  fs::rename(temporary, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return "Cannot replace " + path + ": " + ec.message();
  }
  RemoveStaleTemporaries(target);
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

std::string ReplaceFile(const std::string& path, std::string_view bytes) {
  const fs::path target = FinalTarget(path);
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;

  std::string temporary;
  int fd = -1;
  int error = 0;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = (target.parent_path() /
                 ("." + target.filename().string() + "." + TemporaryTag() + std::string(TemporarySuffix)))
                    .string();
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    error = fd < 0 ? errno : 0;
    if (fd < 0 && error != EEXIST) {
      break;
    }
  }
  if (fd < 0) {
    return "Cannot write " + path + ": " + SystemText(error);
  }
  error = WriteAll(fd, bytes);
  if (error == 0 && replacing) {
    // The owner can only be kept where the system allows it; the permissions always.
    static_cast<void>(::fchown(fd, old.st_uid, old.st_gid));
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
      error = errno;
    }
  }
  if (error == 0 && ::fsync(fd) != 0) {
    error = errno;
  }
  if (::close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
    const int renameError = errno;
    static_cast<void>(::unlink(temporary.c_str()));
    return "Cannot replace " + path + ": " + SystemText(renameError);
  }
  if (error != 0) {
    static_cast<void>(::unlink(temporary.c_str()));
    return "Cannot write " + path + ": " + SystemText(error);
  }
  RemoveStaleTemporaries(target);
  return {};
}

#endif

}  // namespace tevra
