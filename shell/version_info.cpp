// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/version_info.h"

#include "timing/divprocs.h"
#include "timing/time_text.h"

#include <QMimeDatabase>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string_view>
#include <vector>

namespace tevra {

tFileVersionInfo VersionRecord;

namespace {

// Stored backwards so that this file's own constants never read as a record in the binary.
constexpr std::string_view BeginReversed = "\nNIGEB-DROCER-NOISREV-ARVET";
constexpr std::string_view EndReversed = "\nDNE-DROCER-NOISREV-ARVET";
constexpr size_t MaxRecordSize = 4096;
constexpr size_t ChunkSize = 1 << 16;

std::string Reversed(std::string_view text) { return {text.rbegin(), text.rend()}; }

std::string MimeDescription(const std::string& path) {
  const QMimeDatabase database;
  return database.mimeTypeForFile(QString::fromStdString(path)).comment().left(80).toStdString();
}

bool IsExecutableImage(std::string_view head) {
  static constexpr std::array<std::string_view, 7> Magics = {
      std::string_view("\x7f"
                       "ELF"),
      std::string_view("MZ"),
      std::string_view("\xfe\xed\xfa\xce"),
      std::string_view("\xfe\xed\xfa\xcf"),
      std::string_view("\xce\xfa\xed\xfe"),
      std::string_view("\xcf\xfa\xed\xfe"),
      std::string_view("\xca\xfe\xba\xbe"),
  };
  return std::any_of(Magics.begin(), Magics.end(),
                     [&](std::string_view magic) { return head.starts_with(magic); });
}

std::map<std::string, std::string> ParseRecordBody(std::string_view body) {
  std::map<std::string, std::string> fields;
  while (!body.empty()) {
    const size_t eol = body.find('\n');
    const std::string_view line = body.substr(0, eol);
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos) {
      fields.emplace(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
    }
    body.remove_prefix(eol == std::string_view::npos ? body.size() : eol + 1);
  }
  return fields;
}

// The key/value lines of the first complete record in the file; empty when there is none. The
// file is scanned in chunks: the record lies near the start, ahead of any debug information.
std::map<std::string, std::string> FindRecord(std::ifstream& file) {
  const std::string begin = VersionRecordBeginMarker();
  const std::string end = Reversed(EndReversed);
  const size_t keep = MaxRecordSize + begin.size() + end.size();
  std::string window;
  std::vector<char> chunk(ChunkSize);
  while (true) {
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<size_t>(file.gcount());
    const bool atEnd = got < chunk.size();
    window.append(chunk.data(), got);
    for (size_t at = window.find(begin); at != std::string::npos; at = window.find(begin, at + 1)) {
      const size_t close = window.find(end, at + begin.size());
      if (close != std::string::npos && close - at <= MaxRecordSize) {
        return ParseRecordBody(std::string_view(window).substr(at + begin.size(), close - at - begin.size()));
      }
      if (close == std::string::npos && !atEnd && window.size() - at < keep) {
        break;  // may complete with the next chunk
      }
    }
    if (atEnd) {
      return {};
    }
    if (window.size() > keep) {
      window.erase(0, window.size() - keep);
    }
  }
}

}  // namespace

std::string VersionRecordBeginMarker() { return Reversed(BeginReversed); }

std::string FileFunctionOf(uint32_t fileType, uint32_t subtype) {
  static constexpr std::array<const char*, 11> Drivers = {
      "Unknown Driver",    "Printer Driver", "Keyboard Driver",      "Language Driver",
      "Display Driver",    "Mouse Driver",   "Network Driver",       "System Driver",
      "InstallableDriver", "Sound Driver",   "Communications Driver"};
  static constexpr std::array<const char*, 4> Fonts = {"Unknown Font", "Raster Font", "Vector Font",
                                                       "Truetype Font"};
  switch (fileType) {
    case 0:
      return "Unknown";
    case 1:
      return "Application";
    case 2:
      return "DLL";
    case 3:
      return subtype < Drivers.size() ? Drivers[subtype] : "";
    case 4:
      return subtype < Fonts.size() ? Fonts[subtype] : "";
    case 5:
      return "Virtual Defice Identifier = " + HexStr(subtype, 4);
    case 7:
      return "Static-link Library";
    default:
      return {};
  }
}

tFileVersionInfo ReadVersionInfo(const std::string& path) {
  tFileVersionInfo info;
  // A FIFO or a device in the file's place would block or never end.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    return info;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return info;
  }
  info.FileType = MimeDescription(path);
  std::array<char, 4> head{};
  file.read(head.data(), head.size());
  if (!IsExecutableImage(std::string_view(head.data(), static_cast<size_t>(file.gcount())))) {
    return info;
  }
  file.seekg(0);
  const std::map<std::string, std::string> fields = FindRecord(file);
  const auto text = [&](const char* key) {
    const auto found = fields.find(key);
    return found == fields.end() ? std::string() : found->second;
  };
  info.CompanyName = text("CompanyName");
  info.FileDescription = text("FileDescription");
  info.FileVersion = text("FileVersion");
  info.InternalName = text("InternalName");
  info.LegalCopyRight = text("LegalCopyRight");
  info.LegalTradeMarks = text("LegalTradeMarks");
  info.OriginalFileName = text("OriginalFileName");
  info.ProductName = text("ProductName");
  info.ProductVersion = text("ProductVersion");
  info.Comments = text("Comments");
  info.SpecialBuildStr = text("SpecialBuild");
  info.PrivateBuildStr = text("PrivateBuild");

  const auto fileType = ParseInteger(text("FixedFileType"));
  const auto subtype = ParseInteger(text("FixedFileSubtype"));
  const auto mask = ParseInteger(text("FixedFileFlagsMask"));
  const auto flags = ParseInteger(text("FixedFileFlags"));
  if (fileType && subtype && mask && flags) {
    info.FileFunction = FileFunctionOf(static_cast<uint32_t>(*fileType), static_cast<uint32_t>(*subtype));
    const auto flag = [&](int64_t bit) { return (*mask & *flags & bit) != 0; };
    info.DebugBuild = flag(0x01);
    info.PreRelease = flag(0x02);
    info.Patched = flag(0x04);
    info.PrivateBuild = flag(0x08);
    info.InfoInferred = flag(0x10);
    info.SpecialBuild = flag(0x20);
  }
  return info;
}

VersionGridRows VersionRows(const tFileVersionInfo& info) {
  const auto yesNo = [](bool flag) { return std::string(flag ? "Yes" : "No"); };
  return {{
      {"FileType        ", info.FileType},
      {"CompanyName     ", info.CompanyName},
      {"FileDescription ", info.FileDescription},
      {"FileVersion     ", info.FileVersion},
      {"InternalName    ", info.InternalName},
      {"LegalCopyRight  ", info.LegalCopyRight},
      {"LegalTradeMarks ", info.LegalTradeMarks},
      {"OriginalFileName", info.OriginalFileName},
      {"ProductName     ", info.ProductName},
      {"ProductVersion  ", info.ProductVersion},
      {"SpecialBuildStr ", info.SpecialBuildStr},
      {"PrivateBuildStr ", info.PrivateBuildStr},
      {"FileFunction    ", info.FileFunction},
      {"DebugBuild      ", yesNo(info.DebugBuild)},
      {"PreRelease      ", yesNo(info.PreRelease)},
      {"PrivateBuild    ", yesNo(info.PrivateBuild)},
      {"SpecialBuild    ", yesNo(info.SpecialBuild)},
  }};
}

}  // namespace tevra
