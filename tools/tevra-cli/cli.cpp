#include "tools/tevra-cli/cli.h"

#include "timing/catalogue.h"
#include "timing/time_text.h"

#include <algorithm>

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
       "N [--zone ROW] [--tenths] [--round15] [--at \"YYYY-MM-DD hh:mm:ss.s\"] [--site LAT,LON[,HEIGHT]]",
       "what the main window shows for eclipse N: its labels, then one line per contact; with --site the "
       "Moon's altitude and azimuth at each contact there",
       &RunContacts},
      {"about", "[FILE]", "the 17 rows of the about panel for FILE (default: this program), tab-separated",
       &RunAbout},
      {"table",
       "N [--interval CODE] [--fratio X] [--manual|--no-manual] [--zone ROW] [--round15] [--iq NAME] "
       "[--iso NAME] [--av NAME] [--announce] [-o FILE]",
       "the generated exposure table of eclipse N in the table file format; --announce adds an announcement "
       "one minute before each contact",
       &RunTable},
      {"check", "FILE [--zone ROW] [--site LAT,LON[,HEIGHT]] [--simulated]",
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
       "FILE [--test] [--camera simulator|gphoto2|none] [--start-at \"YYYY-MM-DD hh:mm:ss\"] [--zone ROW] "
       "[--skip-past|--take-past] [--retake]",
       "runs an exposure table as the camera window's photography page does: one line per step, then the "
       "count of pictures taken (the camera announced their file), failed, taken with settings not "
       "applied, released without a file, and late; entries due more than a minute before the start are "
       "skipped (--take-past takes them at once); entries the run logs of the same table from the last 12 "
       "hours show taken are passed over (--retake takes them again); a camera that drops off is opened "
       "again every 2 s; "
       "exits with 1 when any picture failed, was lost, was taken with settings not applied or left no file, "
       "or when the run log is incomplete",
       &RunRun},
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
    out << "tevra-cli " << TEVRA_VERSION << "\n";
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
