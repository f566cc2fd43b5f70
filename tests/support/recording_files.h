// SPDX-License-Identifier: GPL-3.0-or-later
// A file layer that does what the system's does and records each call, so that tests see the
// order in which data reach the disk; one kind of call can be made to fail.
#pragma once

#include "state/file_io.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace tevra {

class RecordingFiles final : public FileLayer {
 public:
  // "create NAME", "write BYTES", "flush", "close", "rename NAME NAME", "sync folder NAME",
  // "remove NAME"; names without their folder.
  std::vector<std::string> calls;
  // The kind of call ("create", "write", "flush", ...) that fails with an input/output error.
  std::string failing;

  int CreateNew(const std::string& path, std::error_code& error) override {
    calls.push_back("create " + Name(path));
    if (failing == "create") {
      error = Failure();
      return -1;
    }
    return SystemFileLayer().CreateNew(path, error);
  }
  std::error_code Write(int file, std::string_view bytes) override {
    calls.push_back("write " + std::string(bytes));
    return failing == "write" ? Failure() : SystemFileLayer().Write(file, bytes);
  }
  std::error_code Flush(int file) override {
    calls.emplace_back("flush");
    return failing == "flush" ? Failure() : SystemFileLayer().Flush(file);
  }
  std::error_code Close(int file) override {
    calls.emplace_back("close");
    const std::error_code closed = SystemFileLayer().Close(file);
    return failing == "close" ? Failure() : closed;
  }
  std::error_code Rename(const std::string& from, const std::string& to) override {
    calls.push_back("rename " + Name(from) + " " + Name(to));
    return failing == "rename" ? Failure() : SystemFileLayer().Rename(from, to);
  }
  std::error_code SyncFolder(const std::string& folder) override {
    calls.push_back("sync folder " + Name(folder));
    return failing == "sync" ? Failure() : SystemFileLayer().SyncFolder(folder);
  }
  void Remove(const std::string& path) override {
    calls.push_back("remove " + Name(path));
    SystemFileLayer().Remove(path);
  }

 private:
  static std::error_code Failure() { return {EIO, std::generic_category()}; }
  static std::string Name(const std::string& path) {
    std::filesystem::path name(path);
    if (!name.has_filename()) {
      name = name.parent_path();
    }
    return name.filename().string();
  }
};

}  // namespace tevra
