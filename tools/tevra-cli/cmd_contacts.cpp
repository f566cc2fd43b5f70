// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/catalogue.h"
#include "timing/countdown.h"
#include "timing/moon_sky.h"
#include "timing/time_text.h"
#include "timing/time_zones.h"
#include "tools/tevra-cli/cli.h"

#include <optional>

namespace tevra::cli {

int RunContacts(const Args& args, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("contacts");
  std::optional<int64_t> entry;
  int64_t zone = ComputerZoneRow();
  bool tenths = false;
  bool round15 = false;
  std::optional<double> at;
  std::optional<ObservingSite> site;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--tenths") {
      tenths = true;
    } else if (arg == "--round15") {
      round15 = true;
    } else if (arg == "--zone") {
      std::string note;
      if (const std::string problem = TakeZoneOption(args, i, zone, note); !problem.empty()) {
        return UsageError(self, problem, err);
      }
      if (!note.empty()) {
        err << "tevra-cli " << self.name << ": " << note << '\n';
      }
    } else if (arg == "--at") {
      if (!hasValue) {
        return UsageError(self, "--at needs a clock reading \"YYYY-MM-DD hh:mm:ss.s\"", err);
      }
      const std::string& text = args[++i];
      at = ReadClockText(text);
      if (!at) {
        return UsageError(self, "clock reading '" + text + "' is not of the form YYYY-MM-DD hh:mm:ss.s", err);
      }
    } else if (arg == "--site") {
      if (const std::string problem = TakeSiteOption(args, i, site); !problem.empty()) {
        return UsageError(self, problem, err);
      }
    } else if (arg.starts_with("-")) {
      return UsageError(self, "unknown option '" + arg + "'", err);
    } else if (const std::string problem = TakeEclipseNumber(arg, entry); !problem.empty()) {
      return UsageError(self, problem, err);
    }
  }
  if (!entry) {
    return UsageError(self, "no eclipse number given", err);
  }

  TenthsFlag = tenths ? 1 : 0;
  ApplyTimeZone(static_cast<int>(zone));
  SelectEclipse(static_cast<int32_t>(*entry));
  const double now = at ? *at : ReadClock(&SystemLocalJD);

  const GreatestEclipseTexts greatest = GreatestEclipseLabels();
  out << "Label_Datum\t" << greatest.date << '\n'
      << "MoFiTyp_Label\t" << greatest.type << '\n'
      << "Label_Zeit\t" << greatest.time << '\n'
      << "Label_Deltat\t" << greatest.deltaT << '\n';
  const ContactRows rows = ContactLabels(now, round15);
  ContactMoons moons;
  if (site) {
    moons = MoonAtCurrentContacts(*site);
    out << "Label_Site\t" << SiteDescription(*site) << '\n'
        << "Label_MoonAtSite\t" << MoonAtContactsLine(moons) << '\n';
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const ContactRow& row = rows[i];
    out << row.name << '\t' << row.timeText << '\t' << row.countdownText << '\t' << row.zoneText << '\t'
        << ContactStateName(row.state);
    if (site) {
      // Altitude and azimuth in degrees; "-" for a contact the eclipse does not have.
      out << '\t' << (moons[i] ? FixedStr(moons[i]->altitude, 1) : "-") << '\t'
          << (moons[i] ? FixedStr(moons[i]->azimuth, 1) : "-");
    }
    out << '\n';
  }
  return ExitOk;
}

}  // namespace tevra::cli
