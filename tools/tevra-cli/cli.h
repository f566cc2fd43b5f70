// SPDX-License-Identifier: GPL-3.0-or-later
// tevra-cli: commands that print what the program computes, for scripts and checks.
#pragma once

#include "timing/observing_site.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QCoreApplication;

namespace tevra::cli {

// Exit statuses.
constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;    // arguments after the name, "" when none
  const char* summary;  // one line for --help
  int (*run)(const Args& args, std::ostream& out, std::ostream& err);
};

// Every command of the tool, in the order --help lists them.
const std::vector<Command>& Commands();

// Runs the tool on its arguments (without the program name).
int RunCli(const Args& args, std::ostream& out, std::ostream& err);

// The command of that name; the name must be one of Commands().
const Command& CommandNamed(const std::string& name);

// Takes a command's one positional argument, the catalogue entry number 1..143, into entry.
// Returns what is wrong with it, or "" when it was taken.
std::string TakeEclipseNumber(const std::string& arg, std::optional<int64_t>& entry);

// The JD of a clock reading "YYYY-MM-DD hh:mm:ss[.s]"; empty when the text is not of that form.
std::optional<double> ReadClockText(const std::string& text);

// Takes the value of a site option ("LAT,LON[,HEIGHT]") at args[i + 1] into site, moving i past
// it. Returns what is wrong with it, or "" when it was taken.
std::string TakeSiteOption(const Args& args, size_t& i, std::optional<ObservingSite>& site);

// Takes the value of --zone at args[i + 1] into row, moving i past it: a row of the zone table (0
// to 39), a UTC offset ("+1", "-3:30", "UTC+05:45") or a zone name ("Europe/Berlin", at its
// present offset). Returns what is wrong with it, or "" when it was taken, with note naming the
// row taken ("zone row 1 (UTC-11) for --zone 1").
std::string TakeZoneOption(const Args& args, size_t& i, int64_t& row, std::string& note);

// The row of the computer's present UTC offset; the first-start row when the table has none.
int64_t ComputerZoneRow();

// "zone row 16 (UTC+01)".
std::string ZoneRowText(int64_t row);

// The user's "Tevra" folder below a standard location (QStandardPaths), as the program has it.
std::string TevraFolder(int standardLocation);

// An application object for commands that need Qt's event or plugin machinery; null when one exists.
std::unique_ptr<QCoreApplication> EnsureApplication();

// Reports a usage error of one command and returns ExitUsage.
int UsageError(const Command& command, const std::string& what, std::ostream& err);

// The commands, one function per file.
int RunZones(const Args& args, std::ostream& out, std::ostream& err);
int RunContacts(const Args& args, std::ostream& out, std::ostream& err);
int RunAbout(const Args& args, std::ostream& out, std::ostream& err);
int RunEclipses(const Args& args, std::ostream& out, std::ostream& err);
int RunTable(const Args& args, std::ostream& out, std::ostream& err);
int RunCheck(const Args& args, std::ostream& out, std::ostream& err);
int RunCamera(const Args& args, std::ostream& out, std::ostream& err);
int RunRun(const Args& args, std::ostream& out, std::ostream& err);
int RunPreflight(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace tevra::cli
