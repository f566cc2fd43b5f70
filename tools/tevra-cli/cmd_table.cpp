// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/setting_names.h"
#include "exposure/camera_ini.h"
#include "exposure/contact_announcements.h"
#include "exposure/exposure_generator.h"
#include "exposure/exposure_table.h"
#include "state/parameter_file.h"
#include "timing/catalogue.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"
#include "tools/tevra-cli/cli.h"

#include <optional>

namespace tevra::cli {
namespace {

bool IsTableName(int kind, const std::string& name) {
  const auto table = SettingNameTable(kind);
  for (const SettingName& entry : table.first(table.size() - 1)) {
    if (entry.Name == name) {
      return true;
    }
  }
  return false;
}

}  // namespace

int RunTable(const Args& args, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("table");
  std::optional<int64_t> entry;
  int64_t zone = ComputerZoneRow();
  double minutes = *IntervalMinutes(FirstStartIntervalCode);
  bool round15 = false;
  GeneratorSettings settings;
  settings.fRatio = FirstStartFRatio;
  settings.manualFRatio = FirstStartManualFRatio;
  settings.imageQuality = BuiltInImageQuality;
  settings.iso = BuiltInIso;
  settings.aperture = BuiltInAperture;
  std::optional<std::string> outputPath;
  bool announce = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    const auto setting = [&](int kind, std::string& target, const char* what) -> bool {
      if (!hasValue) {
        UsageError(self, arg + " needs " + what, err);
        return false;
      }
      target = args[++i];
      if (!IsTableName(kind, target)) {
        UsageError(self, "'" + target + "' is not " + what + " of the camera's name tables", err);
        return false;
      }
      return true;
    };
    if (arg == "--manual") {
      settings.manualFRatio = true;
    } else if (arg == "--no-manual") {
      settings.manualFRatio = false;
    } else if (arg == "--round15") {
      round15 = true;
    } else if (arg == "--announce") {
      announce = true;
    } else if (arg == "--interval") {
      const std::optional<int64_t> code = hasValue ? ParseInteger(args[++i]) : std::nullopt;
      const std::optional<double> found = code && *code >= INT32_MIN && *code <= INT32_MAX
                                              ? IntervalMinutes(static_cast<int32_t>(*code))
                                              : std::nullopt;
      if (!found) {
        return UsageError(self, "--interval needs one of 15, 30 (seconds), 1, 2, 3, 5, 6, 8, 10 (minutes)",
                          err);
      }
      minutes = *found;
    } else if (arg == "--fratio") {
      const std::optional<double> n = hasValue ? ParseDecimal(args[++i]) : std::nullopt;
      if (!n || *n < 0) {
        return UsageError(self, "--fratio needs a focal ratio, a number not below 0", err);
      }
      settings.fRatio = *n;
    } else if (arg == "--zone") {
      std::string note;
      if (const std::string problem = TakeZoneOption(args, i, zone, note); !problem.empty()) {
        return UsageError(self, problem, err);
      }
      if (!note.empty()) {
        err << "tevra-cli " << self.name << ": " << note << '\n';
      }
    } else if (arg == "--iq") {
      if (!setting(KindImageQuality, settings.imageQuality, "an image quality name")) {
        return ExitUsage;
      }
    } else if (arg == "--iso") {
      if (!setting(KindIso, settings.iso, "an ISO speed name")) {
        return ExitUsage;
      }
    } else if (arg == "--av") {
      if (!setting(KindAperture, settings.aperture, "an aperture name")) {
        return ExitUsage;
      }
    } else if (arg == "--danjon") {
      const std::optional<int64_t> value = hasValue ? ParseInteger(args[++i]) : std::nullopt;
      if (!value || *value < DanjonDarkest || *value > DanjonBrightest) {
        return UsageError(self, "--danjon needs the Danjon value L of totality, 0 (very dark) to 4 (bright)",
                          err);
      }
      settings.danjon = static_cast<int>(*value);
    } else if (arg == "--bracket") {
      const std::optional<int64_t> value = hasValue ? ParseInteger(args[++i]) : std::nullopt;
      if (!value || *value < 0 || *value > MaxBracketStops) {
        return UsageError(self, "--bracket needs the stops to mark either side, 0, 1 or 2", err);
      }
      settings.bracketStops = static_cast<int>(*value);
    } else if (arg == "-o") {
      if (!hasValue) {
        return UsageError(self, "-o needs a file name", err);
      }
      outputPath = args[++i];
    } else if (arg.starts_with("-")) {
      return UsageError(self, "unknown option '" + arg + "'", err);
    } else if (const std::string problem = TakeEclipseNumber(arg, entry); !problem.empty()) {
      return UsageError(self, problem, err);
    }
  }
  if (!entry) {
    return UsageError(self, "no eclipse number given", err);
  }

  ApplyTimeZone(static_cast<int>(zone));
  SelectEclipse(static_cast<int32_t>(*entry));
  ComputeContacts(round15);
  settings.intervalMinutes = minutes;
  std::optional<ExposureRows> rows = GenerateExposureTable(CurrentContacts(), CurrentEclipse.TypeCode,
                                                           CurrentEclipse.UmbMagnitude, settings);
  if (!rows) {
    err << "tevra-cli table: eclipse " << *entry << " is neither a total nor a partial eclipse\n";
    return ExitFailure;
  }
  if (announce) {
    AddContactAnnouncements(*rows, CurrentContacts());
  }
  if (!outputPath) {
    out << FormatExposureTable(EclipseIndex, *rows);
    return ExitOk;
  }
  const std::string error = SaveExposureTable(*outputPath, EclipseIndex, *rows);
  if (!error.empty()) {
    err << "tevra-cli table: " << error << "\n";
    return ExitFailure;
  }
  return ExitOk;
}

}  // namespace tevra::cli
