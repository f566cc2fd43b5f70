// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_bias.h"

#include "camera/setting_names.h"
#include "exposure/table_rows.h"
#include "timing/text_util.h"
#include "timing/time_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tevra {
namespace {

constexpr uint32_t Iso100Code = 0x48;  // ISO codes count eighths of a stop

int ThirdsOfIsoCode(uint32_t code) {
  return static_cast<int>(std::lround(3.0 * (static_cast<double>(code) - Iso100Code) / 8));
}

// The ISO name nearest to name moved by thirds, within the camera's named speeds; empty when name is
// no such speed ("AUTO", empty, unknown).
std::string MovedIso(const std::string& name, int thirds) {
  const uint32_t code = IsoCodeOf(Trim(name));
  if (code == 0 || code == UnknownCode) {
    return {};
  }
  const double wanted = Iso100Code + (8.0 * (ThirdsOfIsoCode(code) + thirds) / 3);
  std::string_view best = name;
  double bestMiss = 1e9;
  for (const SettingName& entry : ISOTable()) {
    if (entry.Code != 0 && entry.Code != UnknownCode && std::abs(entry.Code - wanted) < bestMiss) {
      bestMiss = std::abs(entry.Code - wanted);
      best = entry.Name;
    }
  }
  return std::string(best);
}

}  // namespace

BiasedRow WithExposureBias(const ExposureRow& row, int thirds) {
  BiasedRow biased{row, 0};
  const RowKind kind = RowKindOf(row);
  thirds = std::clamp(thirds, -MaxBiasThirds, MaxBiasThirds);
  if (thirds == 0 || (kind != RowKind::Exposure && kind != RowKind::Loop)) {
    return biased;
  }
  std::vector<int> marked;
  for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
    if (IsMarked(row, column)) {
      marked.push_back(column);
    }
  }
  if (marked.empty()) {
    return biased;
  }
  // Columns run from short to long exposures: brighter moves right, as far as the last mark can go.
  const int stops = thirds / 3;
  const int room = stops > 0 ? LastShutterColumn - marked.back() : marked.front() - FirstShutterColumn;
  const int columns = stops > 0 ? std::min(stops, room) : -std::min(-stops, room);
  if (columns != 0) {
    for (const int column : marked) {
      biased.row[static_cast<size_t>(column)].clear();
    }
    for (const int column : marked) {
      const int moved = column + columns;
      biased.row[static_cast<size_t>(moved)] = "x";
    }
  }
  biased.appliedThirds = 3 * columns;
  const int isoThirds = thirds - biased.appliedThirds;
  if (isoThirds != 0) {
    if (const std::string iso = MovedIso(row[ColumnIso], isoThirds); !iso.empty()) {
      biased.appliedThirds +=
          ThirdsOfIsoCode(IsoCodeOf(iso)) - ThirdsOfIsoCode(IsoCodeOf(Trim(row[ColumnIso])));
      biased.row[ColumnIso] = iso;
    }
  }
  return biased;
}

std::string BiasText(int thirds) {
  if (thirds == 0) {
    return "0 EV";
  }
  const int whole = std::abs(thirds) / 3;
  const int rest = std::abs(thirds) % 3;
  std::string text = thirds > 0 ? "+" : "-";
  if (whole > 0) {
    text += std::to_string(whole);
  }
  if (rest > 0) {
    text += (whole > 0 ? " " : "") + std::to_string(rest) + "/3";
  }
  return text + " EV";
}

std::optional<int> ReadBiasThirds(std::string_view text, std::string& why) {
  std::string_view rest = Trim(text);
  if (rest.ends_with("EV")) {
    rest = Trim(rest.substr(0, rest.size() - 2));
  }
  const bool negative = rest.starts_with('-');
  if (negative || rest.starts_with('+')) {
    rest.remove_prefix(1);
  }
  // "W", "W.DD", "P/3" or "W P/3".
  double ev = 0;
  const size_t space = rest.find(' ');
  const std::string_view first = rest.substr(0, space);
  const std::string_view fraction =
      space == std::string_view::npos ? std::string_view() : Trim(rest.substr(space));
  const auto thirdsOf = [](std::string_view part) -> std::optional<double> {
    if (part.size() == 3 && part[0] >= '0' && part[0] <= '9' && part.substr(1) == "/3") {
      return (part[0] - '0') / 3.0;
    }
    return std::nullopt;
  };
  if (const std::optional<double> onlyThirds = fraction.empty() ? thirdsOf(first) : std::nullopt) {
    ev = *onlyThirds;
  } else {
    const std::optional<double> whole = ParseDecimal(first);
    const std::optional<double> part = fraction.empty() ? 0.0 : thirdsOf(fraction);
    if (!whole || !std::isfinite(*whole) || *whole < 0 || !part ||
        (!fraction.empty() && *whole != std::floor(*whole))) {
      why = "\"" + std::string(text) + "\" is no exposure bias: give EV as 1, -0.67, -2/3 or +1 1/3";
      return std::nullopt;
    }
    ev = *whole + *part;
  }
  const double thirds = (negative ? -ev : ev) * 3.0;
  const double nearest = std::round(thirds);
  if (std::abs(thirds - nearest) > 0.05) {
    why = "\"" + std::string(text) + "\" is no whole number of third stops";
    return std::nullopt;
  }
  if (std::abs(nearest) > MaxBiasThirds) {
    why = "\"" + std::string(text) + "\" is beyond the bias the run allows (-3 to +3 EV)";
    return std::nullopt;
  }
  return static_cast<int>(nearest);
}

}  // namespace tevra
