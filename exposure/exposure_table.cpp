// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_table.h"

#include "exposure/text_file.h"
#include "timing/catalogue.h"
#include "timing/time_text.h"

#include <algorithm>

namespace tevra {

std::string CurrentTablePath;

namespace {

constexpr std::array<const char*, ExposureColumnCount> FixedTitles = {
    "wav",     "Phase;pr (#)  deep  Q      ",
    "",        "Img;Quality",
    "ISO;ASA", "f/",
    "1/;8000", "1/;4000",
    "1/;2000", "1/;1000",
    "1/;500",  "1/;250",
    "1/;125",  "1/;60",
    "1/;30",   "1/;15",
    "1/;8",    "1/;4",
    "0\"5",    "1\"",
    "2\"",     "4\"",
    "8\""};

constexpr size_t MinimumDateTimeLength = 20;  // characters
constexpr size_t MaxQuotedCharacters = 80;

TableProblem Problem(size_t line, std::string what) { return {line, std::move(what)}; }

// A text from the file in quotes for a message, cut after its first 80 characters.
std::string Quoted(std::string_view text) {
  const std::string_view start = Utf8Prefix(text, MaxQuotedCharacters);
  return "\"" + std::string(start) + (start.size() < text.size() ? "...\"" : "\"");
}

// Splits one row line by the file's rules; returns an error text for a malformed line. split
// tells whether the line held cells at all.
std::string ReadRowLine(std::string_view line, ExposureRow& row, bool& shifted, bool& split) {
  const auto commas = static_cast<size_t>(std::count(line.begin(), line.end(), ','));
  shifted = commas > ExposureColumnCount;
  split = false;
  if (commas == 0 || line == std::string(ExposureColumnCount, ',')) {
    return {};
  }
  if (commas < ExposureColumnCount) {
    return "the row has " + std::to_string(commas) + " commas; 23 are needed (one after each cell)";
  }
  split = true;
  size_t start = 0;
  for (size_t field = 0; field < ExposureColumnCount; ++field) {
    const size_t comma = line.find(',', start);
    row[field] = std::string(line.substr(start, comma - start));
    start = comma + 1;
  }
  if (Utf8Length(row[ColumnDateTime]) < MinimumDateTimeLength) {
    return "the date-time " + Quoted(row[ColumnDateTime]) +
           " is shorter than 20 characters (YYYY-MM-DD hh:mm:ss.s expected)";
  }
  return {};
}

}  // namespace

std::array<std::string, ExposureColumnCount> ExposureColumnTitles(const std::string& zoneLabel) {
  std::array<std::string, ExposureColumnCount> titles;
  std::copy(FixedTitles.begin(), FixedTitles.end(), titles.begin());
  titles[ColumnDateTime] = "Date Time;" + zoneLabel;
  return titles;
}

std::string ShutterNameOfColumn(int column) {
  if (column < FirstShutterColumn || column > LastShutterColumn) {
    return {};
  }
  std::string name = FixedTitles[static_cast<size_t>(column)];
  std::erase(name, ';');
  return name;
}

std::string FormatExposureTable(int32_t eclipseIndex, const ExposureRows& rows) {
  std::string text = std::to_string(eclipseIndex) + "\r\n";
  for (const ExposureRow& row : rows) {
    for (const std::string& cell : row) {
      text += cell;
      text += ',';
    }
    text += "\r\n";
  }
  return text;
}

std::string SaveExposureTable(const std::string& path, int32_t eclipseIndex, const ExposureRows& rows) {
  return ReplaceFile(path, FormatExposureTable(eclipseIndex, rows));
}

ExposureFile ParseExposureTable(std::string_view bytes) {
  ExposureFile file;
  if (static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) > MaxTableLines) {
    file.fileError = "it has more than " + std::to_string(MaxTableLines) +
                     " lines, far more than any exposure table; nothing was loaded";
    return file;
  }
  const std::string text = DecodeLegacyText(bytes);
  bool stopped = false;
  size_t lineNumber = 0;
  for (const std::string_view line : SplitLines(text)) {
    ++lineNumber;
    if (lineNumber == 1) {
      const std::optional<int64_t> index = ParseInteger(line);
      if (index && *index >= 1 && *index <= EclipseCount) {
        file.eclipseIndex = static_cast<int32_t>(*index);
      } else {
        file.problems.push_back(
            Problem(1, "the first line " + Quoted(line) + " is not an eclipse number from 1 to 143"));
      }
      continue;
    }
    if (line.empty()) {
      continue;
    }
    ExposureRow row;
    bool shifted = false;
    bool split = false;
    std::string error = ReadRowLine(line, row, shifted, split);
    if (!error.empty()) {
      file.problems.push_back(Problem(lineNumber, std::move(error)));
      stopped = true;
      continue;
    }
    if (shifted) {
      file.warnings.push_back(Problem(
          lineNumber, "more than 23 commas: a cell holds a \",\" and the cells after it are shifted"));
    } else if (line.find(',') == std::string_view::npos) {
      file.warnings.push_back(
          Problem(lineNumber, "text without a comma " + Quoted(line) + " is loaded as an empty row"));
    } else if (split) {
      if (const DateStrResult time = TryDateStrJD(row[ColumnDateTime]); !time.jd) {
        file.warnings.push_back(Problem(lineNumber, "the date-time " + Quoted(row[ColumnDateTime]) +
                                                        " does not read as a time (" + time.error + ")"));
      }
    }
    if (!stopped) {
      file.rows.push_back(std::move(row));
      file.rowLines.push_back(lineNumber);
    }
  }
  if (lineNumber == 0) {
    file.problems.push_back(Problem(1, "the file is empty; its first line must be an eclipse number"));
  }
  return file;
}

ExposureFile LoadExposureTable(const std::string& path) {
  std::string bytes;
  if (std::string error = ReadRegularFile(path, bytes, MaxTableFileBytes); !error.empty()) {
    ExposureFile file;
    file.fileError = std::move(error);
    return file;
  }
  ExposureFile file = ParseExposureTable(bytes);
  if (!file.fileError.empty()) {
    file.fileError = "Cannot load " + path + ": " + file.fileError;
  }
  return file;
}

std::string DescribeProblem(const std::string& path, const TableProblem& problem) {
  return path + ": line " + std::to_string(problem.line) + ": " + problem.what;
}

}  // namespace tevra
