// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/version_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace tevra {
namespace {

namespace fs = std::filesystem;

// A file with the given head, filler bytes and an embedded record of one FileVersion.
fs::path MakeFile(const std::string& name, const std::string& head, size_t filler, bool withRecord) {
  fs::path path = fs::temp_directory_path() / name;
  std::ofstream file(path, std::ios::binary);
  file << head << std::string(filler, '\0');
  if (withRecord) {
    file << VersionRecordBeginMarker() << "FileVersion=9.8.7\nProductName=Tevra\nFixedFileType=5\n"
         << "FixedFileSubtype=4660\nFixedFileFlagsMask=63\nFixedFileFlags=41\nTEVRA-VERSION-RECORD-END\n";
  }
  return path;
}

TEST(VersionInfo, TheRunningExecutableCarriesItsRecord) {
  const tFileVersionInfo info = ReadVersionInfo(fs::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(info.FileVersion, TEVRA_TEST_VERSION);
  EXPECT_EQ(info.ProductName, "Tevra");
  EXPECT_EQ(info.InternalName, "tevra_shell_tests");
  EXPECT_EQ(info.FileFunction, "Application");
  EXPECT_FALSE(info.FileType.empty());
  const VersionGridRows rows = VersionRows(info);
  EXPECT_EQ(rows[3].first, "FileVersion     ");
  EXPECT_EQ(rows[3].second, TEVRA_TEST_VERSION);
  EXPECT_EQ(rows[7].first, "OriginalFileName");
  EXPECT_EQ(rows[12].second, "Application");
}

TEST(VersionInfo, RecordFlagsAndFunctionFromTheFixedBlock) {
  // Straddles the first read chunk of 64 KiB.
  const fs::path path = MakeFile("tevra-record.bin",
                                 "\x7f"
                                 "ELF",
                                 65500, true);
  const tFileVersionInfo info = ReadVersionInfo(path.string());
  EXPECT_EQ(info.FileVersion, "9.8.7");
  EXPECT_EQ(info.FileFunction, "Virtual Defice Identifier = 00001234");
  EXPECT_TRUE(info.DebugBuild);    // 0x01
  EXPECT_FALSE(info.PreRelease);   // 0x02
  EXPECT_TRUE(info.PrivateBuild);  // 0x08
  EXPECT_TRUE(info.SpecialBuild);  // 0x20
  const VersionGridRows rows = VersionRows(info);
  EXPECT_EQ(rows[13].second, "Yes");
  EXPECT_EQ(rows[14].second, "No");
  fs::remove(path);
}

TEST(VersionInfo, WithoutRecordOnlyTheFileType) {
  for (const bool executable : {true, false}) {
    const fs::path path = MakeFile("tevra-no-record.bin",
                                   executable ? "\x7f"
                                                "ELF"
                                              : "plain text",
                                   100, !executable);
    const tFileVersionInfo info = ReadVersionInfo(path.string());
    EXPECT_FALSE(info.FileType.empty());
    const VersionGridRows rows = VersionRows(info);
    for (size_t i = 1; i <= 12; ++i) {
      EXPECT_EQ(rows[i].second, "") << rows[i].first;
    }
    for (size_t i = 13; i < VersionGridRowCount; ++i) {
      EXPECT_EQ(rows[i].second, "No") << rows[i].first;
    }
    fs::remove(path);
  }
  EXPECT_EQ(ReadVersionInfo("/no/such/file").FileType, "");
  // Neither waited on nor read for ever.
  const fs::path fifo = fs::temp_directory_path() / "tevra-version-fifo";
  fs::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadVersionInfo(fifo.string()).FileType, "");
  fs::remove(fifo);
  EXPECT_EQ(ReadVersionInfo("/dev/zero").FileVersion, "");
}

TEST(VersionInfo, FileFunctionTable) {
  EXPECT_EQ(FileFunctionOf(0, 9), "Unknown");
  EXPECT_EQ(FileFunctionOf(2, 0), "DLL");
  EXPECT_EQ(FileFunctionOf(3, 8), "InstallableDriver");
  EXPECT_EQ(FileFunctionOf(3, 10), "Communications Driver");
  EXPECT_EQ(FileFunctionOf(3, 11), "");
  EXPECT_EQ(FileFunctionOf(4, 3), "Truetype Font");
  EXPECT_EQ(FileFunctionOf(4, 4), "");
  EXPECT_EQ(FileFunctionOf(7, 1), "Static-link Library");
  EXPECT_EQ(FileFunctionOf(6, 0), "");
  EXPECT_EQ(FileFunctionOf(8, 0), "");
}

}  // namespace
}  // namespace tevra
