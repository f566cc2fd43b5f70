// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tevra-cli/cli.h"

#include "shell/licence.h"
#include "state/parameter_file.h"
#include "state/variables.h"
#include "timing/catalogue.h"
#include "timing/countdown.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardPaths>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <cmath>

namespace tevra::cli {
namespace {

// "NAME ARGUMENTS" of one command.
std::string CommandLine(const Command& command) {
  return std::string(command.name) + (command.usage[0] != '\0' ? " " : "") + command.usage;
}

void PrintHelp(std::ostream& out) {
  out << "Usage: tevra-cli COMMAND [ARGUMENTS]\n"
         "       tevra-cli COMMAND --help\n"
         "       tevra-cli --help | --version\n\n"
         "Commands:\n";
  for (const Command& command : Commands()) {
    out << "  " << CommandLine(command) << "\n      " << command.summary << "\n";
  }
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> List = {
      {"zones", "", "the time-zone table: row, name, offset in hours, description", &RunZones},
      {"eclipses", "[--visible-from LAT,LON[,HEIGHT]]",
       "the eclipse catalogue: entry number, then every field of the entry; with --visible-from only the "
       "eclipses whose greatest eclipse has the Moon above the horizon there, with its altitude and azimuth",
       &RunEclipses},
      {"contacts",
       "N [--zone ROW|OFFSET|NAME] [--tenths] [--round15] [--at \"YYYY-MM-DD hh:mm:ss.s\"] [--site "
       "LAT,LON[,HEIGHT]]",
       "what the main window shows for eclipse N: its labels, then one line per contact; with --site the "
       "Moon's altitude and azimuth at each contact there",
       &RunContacts},
      {"about", "[FILE]", "the 17 rows of the about panel for FILE (default: this program), tab-separated",
       &RunAbout},
      {"table",
       "N [--interval CODE] [--fratio X] [--manual|--no-manual] [--zone ROW|OFFSET|NAME] [--round15] "
       "[--iq NAME] [--iso NAME] [--av NAME] [--danjon L] [--bracket N] [--announce] [-o FILE]",
       "the generated exposure table of eclipse N in the table file format; --danjon L (0 very dark to 4 "
       "bright) sets the darkness of totality, --bracket N (0 to 2) marks N stops either side of each row's "
       "shutter; --announce adds an announcement one minute before each contact",
       &RunTable},
      {"check", "FILE [--zone ROW|OFFSET|NAME] [--site LAT,LON[,HEIGHT]] [--simulated]",
       "loads an exposure table file: eclipse and row count, or each problem by line; warns of rows that "
       "cannot finish before the next (with the times of a camera, or of the simulation), of the Moon below "
       "the site's horizon and of times the run cannot read or serve in order",
       &RunCheck},
      {"camera",
       "[--camera NAME] [--camera-port PORT] [--camera-model MODEL] info | get ID | set ID NAME | "
       "release [--count N] [--download DIR] | events --seconds S",
       "checks a camera: its settings and accepted values, one setting, releases (with --download each "
       "picture saved into DIR under the camera's name, made safe, never replacing a file), or its events "
       "(ID: iq, ae, iso, av, tv or 0x100 ... 0x406)",
       &RunCamera},
      {"run",
       "FILE [--test] [--camera simulator|gphoto2|none] [--start-at \"YYYY-MM-DD hh:mm:ss\"] "
       "[--zone ROW|OFFSET|NAME] [--skip-past|--take-past] [--retake] [--bias EV] [--previews DIR]",
       "runs an exposure table as the camera window's photography page does: one line per step, then the "
       "count of pictures taken (the camera announced their file), failed, taken with settings not "
       "applied, released without a file, and late; entries due more than a minute before the start are "
       "skipped (--take-past takes them at once); entries the run logs of the same table from the last 12 "
       "hours show taken are passed over (--retake takes them again); a camera that drops off is opened "
       "again every 2 s; --bias moves the exposures of every row by EV in third stops (-3 to +3, its "
       "shutter columns first, then its ISO); --previews saves the camera's preview of each picture in DIR "
       "while the next step is at least 3 s away, and prints its figures on a Preview line; "
       "exits with 1 when any picture failed, was lost, was taken with settings not applied or left no file, "
       "or when the run log is incomplete",
       &RunRun},
      {"preflight",
       "FILE [--camera simulator|gphoto2|none] [--camera-port PORT] [--camera-model MODEL] [--zone "
       "ROW|OFFSET|NAME] "
       "[--site LAT,LON[,HEIGHT]]",
       "the check before the night: the camera (found, AE mode, focus mode, card, shots for the table's "
       "pictures, battery, mirror lock-up, clock, the table's settings among its values), the computer "
       "(clock "
       "synchronised, zone, keep-awake, speech, free space) and the Moon at the site, one line each OK, "
       "WARNING "
       "or PROBLEM; written as preflight-YYYYMMDD-hhmmss.txt in the documents folder; exits with 0 when all "
       "is "
       "OK, 1 with a warning, 2 with a problem; without --zone the table's times are in the computer's zone",
       &RunPreflight},
  };
  return List;
}

const Command& CommandNamed(const std::string& name) {
  for (const Command& command : Commands()) {
    if (name == command.name) {
      return command;
    }
  }
  return Commands().front();
}

std::string TakeEclipseNumber(const std::string& arg, std::optional<int64_t>& entry) {
  if (entry) {
    return "unexpected argument '" + arg + "'";
  }
  entry = ParseInteger(arg);
  if (!entry || *entry < 1 || *entry > EclipseCount) {
    entry.reset();
    return "eclipse number '" + arg + "' is not in 1 to 143";
  }
  return {};
}

std::optional<double> ReadClockText(const std::string& text) {
  // The date reader itself only checks the number fields.
  if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  return TryDateStrJD(text).jd;
}

std::string TakeSiteOption(const Args& args, size_t& i, std::optional<ObservingSite>& site) {
  const std::string& option = args[i];
  if (i + 1 >= args.size()) {
    return option + " needs LAT,LON or LAT,LON,HEIGHT (degrees north and east, metres)";
  }
  std::string error;
  site = ParseSiteCoordinates(args[++i], error);
  return site ? std::string() : option + " '" + args[i] + "': " + error;
}

namespace {

// Hours east of UTC of "+1", "-3:30", "UTC", "UTC+05:45"; empty for anything else.
std::optional<double> OffsetOfText(std::string_view text) {
  if (text.starts_with("UTC")) {
    text.remove_prefix(3);
    if (text.empty()) {
      return 0.0;
    }
  }
  if (text.size() < 2 || (text[0] != '+' && text[0] != '-')) {
    return std::nullopt;
  }
  const double sign = text[0] == '-' ? -1 : 1;
  text.remove_prefix(1);
  const size_t colon = text.find(':');
  const std::optional<int64_t> hours = ParseInteger(text.substr(0, colon));
  const std::optional<int64_t> minutes =
      colon == std::string_view::npos ? std::optional<int64_t>(0) : ParseInteger(text.substr(colon + 1));
  if (!hours || !minutes || *hours < 0 || *hours > 14 || *minutes < 0 || *minutes > 59) {
    return std::nullopt;
  }
  return sign * (static_cast<double>(*hours) + static_cast<double>(*minutes) / 60);
}

}  // namespace

std::string TakeZoneOption(const Args& args, size_t& i, int64_t& row, std::string& note) {
  if (i + 1 >= args.size()) {
    return "--zone needs a row of the zone table (0 to 39), a UTC offset (+1, -3:30) or a zone name "
           "(Europe/Berlin)";
  }
  const std::string& value = args[++i];
  const bool isOffset = value.starts_with('+') || value.starts_with('-');
  if (const std::optional<int64_t> number = isOffset ? std::nullopt : ParseInteger(value)) {
    if (*number < 0 || *number >= TimeZoneCount) {
      return "zone row '" + value +
             "' is not a row of the zone table (0 to 39); an offset is written +1 or -1";
    }
    row = *number;
    note = ZoneRowText(row) + " for --zone " + value;  // a row number is easily taken for an offset
    return {};
  }
  std::optional<double> offset = OffsetOfText(value);
  if (!offset && value.find('/') != std::string::npos) {
    const QTimeZone zone(QByteArray::fromStdString(value));
    if (zone.isValid()) {
      offset = zone.offsetFromUtc(QDateTime::currentDateTimeUtc()) / 3600.0;
    }
  }
  if (!offset) {
    return "--zone '" + value + "' is no row, UTC offset or zone name";
  }
  const std::optional<int> found = ZoneRowOfOffset(*offset);
  if (!found) {
    return "--zone '" + value + "': the zone table has no row for UTC offset " + GeneralStr(*offset) +
           " hours";
  }
  row = *found;
  note = ZoneRowText(row) + " for --zone " + value;
  return {};
}

int64_t ComputerZoneRow() {
  return ZoneRowOfOffset(ComputerUtcOffsetHours()).value_or(FirstStartTimeZoneIndex);
}

std::string ZoneRowText(int64_t row) {
  return "zone row " + std::to_string(row) + " (" +
         UnpaddedZoneName(TimeZoneTable()[static_cast<size_t>(row)]) + ")";
}

std::string TevraFolder(int standardLocation) {
  const auto location = static_cast<QStandardPaths::StandardLocation>(standardLocation);
  return WithTrailingSeparator(
      WithTrailingSeparator(QStandardPaths::writableLocation(location).toStdString()) + "Tevra");
}

std::unique_ptr<QCoreApplication> EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) {
    return nullptr;
  }
  static int argc = 1;
  static std::array<char, 10> name = {"tevra-cli"};
  static std::array<char*, 2> argv = {name.data(), nullptr};
  return std::make_unique<QCoreApplication>(argc, argv.data());
}

int UsageError(const Command& command, const std::string& what, std::ostream& err) {
  err << "tevra-cli " << command.name << ": " << what << "\n"
      << "usage: tevra-cli " << CommandLine(command) << "\n";
  return ExitUsage;
}

int RunCli(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "tevra-cli: no command given (try --help)\n";
    return ExitUsage;
  }
  const std::string& first = args.front();
  if (first == "--help" || first == "-h") {
    PrintHelp(out);
    return ExitOk;
  }
  if (first == "--version") {
    out << "tevra-cli " << TEVRA_VERSION << "\n" << LicenceNotice << "\n";
    return ExitOk;
  }
  for (const Command& command : Commands()) {
    if (first == command.name) {
      const Args rest(args.begin() + 1, args.end());
      if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        out << "usage: tevra-cli " << CommandLine(command) << "\n  " << command.summary << "\n";
        return ExitOk;
      }
      return command.run(rest, out, err);
    }
  }
  if (first.starts_with("-")) {
    err << "tevra-cli: unknown option '" << first << "' (try --help)\n";
  } else {
    err << "tevra-cli: unknown command '" << first << "' (try --help)\n";
  }
  return ExitUsage;
}

}  // namespace tevra::cli
