// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/download_file.h"

#include "timing/text_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace tevra {

namespace {

constexpr int MaxTries = 10000;

std::string InFolder(std::string folder, const std::string& name) {
  if (folder.empty()) {
    folder = ".";
  }
  if (folder.back() != '/') {
    folder += '/';
  }
  return folder + name;
}

// "IMG_0001.JPG" as "IMG_0001-n.JPG"; a name without an extension gets the number at its end.
std::string NumberedName(const std::string& name, int n) {
  const size_t dot = name.rfind('.');
  const size_t at = dot == std::string::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, at) + "-" + std::to_string(n) + name.substr(at);
}

std::string SystemError(int code) { return std::error_code(code, std::generic_category()).message(); }

// Links temporary to target when target does not exist: true on success, false with errno set
// (EEXIST when target is taken).
bool LinkWithoutReplacing(const std::string& temporary, const std::string& target) {
  if (::link(temporary.c_str(), target.c_str()) == 0) {
    static_cast<void>(::unlink(temporary.c_str()));
    return true;
  }
  if (errno == EEXIST) {
    return false;
  }
  // File systems without hard links (a memory card's FAT): a rename that refuses to replace.
  return ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0;
}

}  // namespace

std::optional<std::string> SafeDownloadName(std::string_view cameraName, std::string& why) {
  const size_t slash = cameraName.find_last_of("/\\");
  const std::string name(slash == std::string_view::npos ? cameraName : cameraName.substr(slash + 1));
  if (name.empty() || name == "." || name == "..") {
    why = "it names no file";
  } else if (name.front() == '.') {
    why = "it begins with a dot";
  } else if (HasControlCharacter(name)) {
    why = "it holds control characters";
  } else {
    return name;
  }
  return std::nullopt;
}

std::string CreateDownloadTemporary(const std::string& folder, const std::string& name, std::string& error) {
  static std::atomic<unsigned> counter{0};
  for (int tries = 0; tries < MaxTries; ++tries) {
    std::string path = InFolder(
        folder, "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part");
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file >= 0) {
      static_cast<void>(::close(file));
      return path;
    }
    if (errno != EEXIST) {
      error = "Cannot create a file in " + folder + ": " + SystemError(errno);
      return {};
    }
  }
  error = "Cannot create a file in " + folder + ": every temporary name is taken";
  return {};
}

std::string PublishDownload(const std::string& temporary, const std::string& folder, const std::string& name,
                            std::string& error) {
  for (int n = 0; n < MaxTries; ++n) {
    std::string target = InFolder(folder, n == 0 ? name : NumberedName(name, n));
    if (LinkWithoutReplacing(temporary, target)) {
      return target;
    }
    if (errno != EEXIST) {
      error = "Cannot name the picture " + target + ": " + SystemError(errno);
      return {};
    }
  }
  error = "Cannot name the picture " + name + ": every numbered name is taken in " + folder;
  return {};
}

}  // namespace tevra
