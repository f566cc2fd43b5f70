// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/taken_before.h"

#include "run/run_log.h"
#include "run/run_texts.h"
#include "state/file_io.h"
#include "timing/time_text.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace tevra {
namespace {

constexpr size_t MaxLogBytes = size_t{64} << 20U;
// The log's columns used here, and how many it has.
constexpr size_t FieldRow = 0;
constexpr size_t FieldStep = 2;
constexpr size_t FieldDone = 5;
constexpr size_t FieldStatus = 6;
constexpr size_t FieldText = 8;
constexpr size_t FieldCount = 9;

// The fields of one comma-separated line, quotes removed.
std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// A release that went out: status 0 on a real body.
bool Released(const std::vector<std::string>& fields) {
  const std::string& text = fields[FieldText];
  return fields[FieldStep] == "Picture" && fields[FieldStatus] == "0" && text != PictureSimulatedText &&
         (text.starts_with(PictureTakenText) || text.starts_with(PictureReleasedText));
}

void CountLog(const std::string& path, const std::string& tableLine, double fromJD, double toJD,
              std::map<size_t, int>& taken) {
  std::string text;
  if (!ReadRegularFile(path, text, MaxLogBytes).empty()) {
    return;
  }
  const size_t header = text.find("\r\n");
  if (header == std::string::npos ||
      text.compare(header + 2, tableLine.size() + 2, tableLine + "\r\n") != 0) {
    return;  // another table, or a log written before logs named their table
  }
  for (size_t start = header + 2; start < text.size();) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      break;  // a line cut short
    }
    const std::vector<std::string> fields = Fields(std::string_view(text).substr(start, end - start));
    start = end + 2;
    if (fields.size() == FieldCount && fields[FieldStep] == AdvanceTimeStepName) {
      break;  // a rehearsal from here on
    }
    if (fields.size() != FieldCount || !Released(fields)) {
      continue;
    }
    const std::optional<int64_t> row = ParseInteger(fields[FieldRow]);
    const std::optional<double> done = TryDateStrJD(fields[FieldDone]).jd;
    if (row && *row > 0 && done && *done >= fromJD && *done <= toJD) {
      ++taken[static_cast<size_t>(*row - 1)];
    }
  }
}

}  // namespace

std::string TableContentHash(const ExposureRows& rows) {
  // 64-bit FNV-1a over the cells, each ended by a byte no cell holds.
  uint64_t hash = 14695981039346656037ULL;
  const auto add = [&hash](unsigned char byte) {
    hash ^= byte;
    hash *= 1099511628211ULL;
  };
  for (const ExposureRow& row : rows) {
    for (const std::string& cell : row) {
      for (const char c : cell) {
        add(static_cast<unsigned char>(c));
      }
      add(0);
    }
    add(1);
  }
  static constexpr const char* Hex = "0123456789abcdef";
  std::string text(16, '0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[text.size() - 1 - i] = Hex[(hash >> (4 * i)) & 0xFU];
  }
  return text;
}

uint32_t FirstMarkedColumns(const ExposureRow& row, int count) {
  uint32_t bits = 0;
  for (int j = FirstShutterColumn; j <= LastShutterColumn && count > 0; ++j) {
    if (IsMarked(row, j)) {
      bits |= 1U << static_cast<unsigned>(j);
      --count;
    }
  }
  return bits;
}

std::map<size_t, int> PicturesTakenBefore(const std::string& folder, const std::string& tableLine,
                                          double nowJD) {
  namespace fs = std::filesystem;
  std::map<size_t, int> taken;
  const double fromJD = nowJD - TakenBeforeHours / 24.0;
  // Files not written to in the last 12 hours are not read at all.
  const auto oldest =
      fs::file_time_type::clock::now() - std::chrono::hours(static_cast<int>(TakenBeforeHours));
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code timeError;
    const fs::file_time_type written = it->last_write_time(timeError);
    if (name.starts_with("run-") && name.ends_with(".csv") && !timeError && written >= oldest) {
      CountLog(it->path().string(), tableLine, fromJD, nowJD, taken);
    }
  }
  return taken;
}

}  // namespace tevra
