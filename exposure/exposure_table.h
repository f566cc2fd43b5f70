// SPDX-License-Identifier: GPL-3.0-or-later
// The exposure table: 23 text columns per row, and its comma-separated file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tevra {

constexpr int ExposureColumnCount = 23;
constexpr int ColumnKind = 0;      // "WAV" makes an announcement row
constexpr int ColumnLabel = 1;     // phase summary, "Loop..." or the announcement text
constexpr int ColumnDateTime = 2;  // YYYY-MM-DD hh:mm:ss.s in the table's zone
constexpr int ColumnQuality = 3;   // image quality name
constexpr int ColumnIso = 4;       // ISO speed name
constexpr int ColumnAperture = 5;  // aperture name, empty with the manual f-ratio
constexpr int FirstShutterColumn = 6;
constexpr int LastShutterColumn = 22;

// Rows the grid has before any table is made; a grid with exactly this many rows has no table.
constexpr int NoTableRowCount = 2048;

constexpr const char* DefaultExposureTableFile = "Tevra_Exposure_Table.txt";

// The table file last saved or loaded; empty until then.
extern std::string CurrentTablePath;

using ExposureRow = std::array<std::string, ExposureColumnCount>;
using ExposureRows = std::vector<ExposureRow>;

// Header titles; ";" splits a title into its two header lines. zoneLabel is "[" + zone + "]".
std::array<std::string, ExposureColumnCount> ExposureColumnTitles(const std::string& zoneLabel);

// The camera's shutter-speed name of a shutter column (its title without ";"), "" for others.
std::string ShutterNameOfColumn(int column);

// The file's bytes: the eclipse index, then every row as 23 cells each followed by ",", each line
// ended by CR LF. Cells are written as they stand.
std::string FormatExposureTable(int32_t eclipseIndex, const ExposureRows& rows);

// Replaces the file at path with the table; "" on success, else what went wrong.
std::string SaveExposureTable(const std::string& path, int32_t eclipseIndex, const ExposureRows& rows);

struct TableProblem {
  size_t line = 0;  // counted from 1
  std::string what;
};

struct ExposureFile {
  // Empty when the first line is no eclipse number 1..143: then nothing may change.
  std::optional<int32_t> eclipseIndex;
  // The rows up to the first malformed line, and the file line of each.
  ExposureRows rows;
  std::vector<size_t> rowLines;
  // Malformed lines in file order; loading stops at the first.
  std::vector<TableProblem> problems;
  // Lines loaded with a doubt, in file order: more than 23 commas (a cell held a "," and the
  // fields after it are shifted), a date-time that does not read as a time, or text without a
  // comma (loaded as an empty row).
  std::vector<TableProblem> warnings;
  // Open or read error of the file, or a file far beyond any table; nothing was read.
  std::string fileError;
};

// Far beyond any real table: the longest eclipse at 15 s makes 1,513 rows in about 120 KB.
constexpr size_t MaxTableFileBytes = size_t{4} << 20;
constexpr size_t MaxTableLines = 20000;

// Reads the text of a table file (UTF-8, or Windows-1252 from earlier versions).
ExposureFile ParseExposureTable(std::string_view bytes);
// Reads a regular file of at most MaxTableFileBytes; anything else is refused unread.
ExposureFile LoadExposureTable(const std::string& path);

// "<file>: line <n>: <what>".
std::string DescribeProblem(const std::string& path, const TableProblem& problem);

}  // namespace tevra
