// SPDX-License-Identifier: GPL-3.0-or-later
// The program's version record: embedded in the executable at build time and read back from
// the executable file, as the about panel, the caption and the parameter file need it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace tevra {

struct tFileVersionInfo {
  std::string FileType;
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyRight;
  std::string LegalTradeMarks;
  std::string OriginalFileName;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comments;
  std::string SpecialBuildStr;
  std::string PrivateBuildStr;
  std::string FileFunction;
  bool DebugBuild = false;
  bool PreRelease = false;
  bool SpecialBuild = false;
  bool PrivateBuild = false;
  bool Patched = false;
  bool InfoInferred = false;
};

// The record read from the running executable at start-up; constant afterwards.
extern tFileVersionInfo VersionRecord;

// Reads the record of an executable file. A file that cannot be read has empty texts and false
// flags; a file that is not an executable has only FileType; an executable without the record
// has FileType only as well.
tFileVersionInfo ReadVersionInfo(const std::string& path);

// FileFunction of a file type and subtype of the fixed block.
std::string FileFunctionOf(uint32_t fileType, uint32_t subtype);

// The line that opens an embedded record; built at run time so that the reader's own code
// never contains it.
std::string VersionRecordBeginMarker();

// The seventeen label/value rows of the about grid.
constexpr size_t VersionGridRowCount = 17;
using VersionGridRows = std::array<std::pair<std::string, std::string>, VersionGridRowCount>;
VersionGridRows VersionRows(const tFileVersionInfo& info);

}  // namespace tevra
