// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/file_io.h"

#include "tests/support/recording_files.h"
#include "tests/support/temp_folder_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>

namespace tevra {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// While it lives, files of this process may grow to at most the given size: longer writes fail.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending us
    static_cast<void>(::getrlimit(RLIMIT_FSIZE, &previous_));
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    static_cast<void>(::setrlimit(RLIMIT_FSIZE, &limit));
  }
  ~FileSizeLimit() {
    static_cast<void>(::setrlimit(RLIMIT_FSIZE, &previous_));
    static_cast<void>(std::signal(SIGXFSZ, previousHandler_));
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

class FileIo : public TempFolderTest {
 protected:
  std::string Read(const std::string& name) const {
    std::string bytes;
    EXPECT_EQ(ReadRegularFile(Path(name), bytes, 1000), "");
    return bytes;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  static fs::perms Mode(const std::string& path) { return fs::status(path).permissions(); }
};

TEST_F(FileIo, ReadsOnlyRegularFilesAndNoMoreThanTheLimit) {
  Write("ten.txt", "0123456789");
  fs::create_symlink("ten.txt", Path("link.txt"));
  std::string bytes;
  EXPECT_EQ(ReadRegularFile(Path("link.txt"), bytes, 10), "");
  EXPECT_EQ(bytes, "0123456789");

  std::string error = ReadRegularFile(Path("ten.txt"), bytes, 9);
  EXPECT_NE(error.find("holds 10 bytes, more than the 9"), std::string::npos) << error;
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(ReadRegularFile(Path("ten.txt"), bytes, 4, OverLimit::ReadPrefix), "");
  EXPECT_EQ(bytes, "0123");

  // None of these is waited on or read: a FIFO without a writer, endless devices, a folder.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  for (const std::string& path :
       {Path("fifo"), std::string("/dev/zero"), std::string("/dev/urandom"), Path("")}) {
    error = ReadRegularFile(path, bytes, 1000);
    EXPECT_NE(error.find("is not a regular file"), std::string::npos) << path << ": " << error;
  }
  error = ReadRegularFile(Path("missing"), bytes, 1000);
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST_F(FileIo, ReplaceSavesThroughLinksKeepsTheModeAndTouchesNoOtherFile) {
  Write("table.txt", "old");
  fs::permissions(Path("table.txt"), fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("table.txt", Path("link.txt"));
  Write("table.txt.tmp", "the user's own file");
  EXPECT_EQ(ReplaceFile(Path("link.txt"), "new"), "");
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(Read("table.txt"), "new");
  EXPECT_EQ(Mode(Path("table.txt")), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Read("table.txt.tmp"), "the user's own file");
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.txt", "table.txt", "table.txt.tmp"}));

  // A link to a file not yet there creates that file; a new file gets the usual mode.
  fs::create_symlink("later.txt", Path("dangling.txt"));
  EXPECT_EQ(ReplaceFile(Path("dangling.txt"), "first"), "");
  EXPECT_TRUE(fs::is_symlink(Path("dangling.txt")));
  EXPECT_EQ(Read("later.txt"), "first");
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(static_cast<mode_t>(Mode(Path("later.txt"))), 0666 & ~mask);
}

TEST_F(FileIo, LeftoverTemporariesOfTheSameFileAreRemoved) {
  Write("t.txt", "old");
  const std::string stale = ".t.txt.0123abcd.tevra-tmp";
  const std::string fresh = ".t.txt.89abcdef.tevra-tmp";  // may be another save under way
  const std::string other = ".u.txt.0123abcd.tevra-tmp";
  for (const std::string& name : {stale, fresh, other}) {
    Write(name, "partial");
  }
  fs::last_write_time(Path(stale), fs::file_time_type::clock::now() - 1h);
  fs::last_write_time(Path(other), fs::file_time_type::clock::now() - 1h);
  EXPECT_TRUE(IsTemporaryFileOf(stale, "t.txt"));
  EXPECT_FALSE(IsTemporaryFileOf(other, "t.txt"));
  EXPECT_FALSE(IsTemporaryFileOf("t.txt.tmp", "t.txt"));
  EXPECT_FALSE(IsTemporaryFileOf(".t.txt.0123abcX.tevra-tmp", "t.txt"));
  EXPECT_EQ(ReplaceFile(Path("t.txt"), "new"), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{fresh, other, "t.txt"}));
}

TEST_F(FileIo, AFailedReplaceLeavesThePreviousFileAndNoTemporary) {
  Write("t.txt", "old");
  {
    const FileSizeLimit limit(16);
    const std::string error = ReplaceFile(Path("t.txt"), std::string(100, 'x'));
    EXPECT_NE(error.find("Cannot write " + Path("t.txt")), std::string::npos) << error;
  }
  EXPECT_EQ(Read("t.txt"), "old");
  EXPECT_EQ(Names(), (std::vector<std::string>{"t.txt"}));

  // The rename fails: the target is a folder with something in it.
  fs::create_directories(dir_ / "folder" / "inside");
  EXPECT_NE(ReplaceFile(Path("folder"), "x").find("Cannot replace"), std::string::npos);
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "t.txt"}));
}

// The new file is on the disk before it takes the old one's name, and the folder after that; a
// failure at any step before the rename leaves the old file and no temporary.
TEST_F(FileIo, ReplaceFlushesBeforeTheRenameAndSyncsTheFolderAfterIt) {
  Write("t.txt", "old");
  RecordingFiles files;
  EXPECT_EQ(ReplaceFile(Path("t.txt"), "new", files), "");
  ASSERT_EQ(files.calls.size(), 6U);
  const std::string temporary = files.calls[0].substr(7);
  EXPECT_TRUE(IsTemporaryFileOf(temporary, "t.txt")) << temporary;
  EXPECT_EQ(files.calls, (std::vector<std::string>{"create " + temporary, "write new", "flush", "close",
                                                   "rename " + temporary + " t.txt",
                                                   "sync folder " + dir_.filename().string()}));
  EXPECT_EQ(Read("t.txt"), "new");

  for (const char* failing : {"write", "flush", "close", "rename"}) {
    files.calls.clear();
    files.failing = failing;
    const std::string error = ReplaceFile(Path("t.txt"), "newer", files);
    EXPECT_NE(error.find("Input/output error"), std::string::npos) << failing << ": " << error;
    EXPECT_EQ(files.calls.back().substr(0, 7), "remove ") << failing;
    EXPECT_EQ(Read("t.txt"), "new") << failing;
    EXPECT_EQ(Names(), (std::vector<std::string>{"t.txt"})) << failing;
  }
  // A folder that cannot be synced still has the new file.
  files.failing = "sync";
  EXPECT_EQ(ReplaceFile(Path("t.txt"), "newest", files), "");
  EXPECT_EQ(Read("t.txt"), "newest");
}

}  // namespace
}  // namespace tevra
