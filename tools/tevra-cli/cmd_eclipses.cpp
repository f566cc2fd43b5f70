// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/catalogue.h"
#include "timing/moon_sky.h"
#include "timing/time_text.h"
#include "tools/tevra-cli/cli.h"

#include <locale>
#include <optional>
#include <sstream>

namespace tevra::cli {

int RunEclipses(const Args& args, std::ostream& out, std::ostream& err) {
  const Command& self = CommandNamed("eclipses");
  std::optional<ObservingSite> site;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--visible-from") {
      return UsageError(self, "unexpected argument '" + args[i] + "'", err);
    }
    if (const std::string problem = TakeSiteOption(args, i, site); !problem.empty()) {
      return UsageError(self, problem, err);
    }
  }
  // Whole numbers without the grouping a global locale might bring ("2.001").
  std::ostringstream text;
  text.imbue(std::locale::classic());
  // The header names the fields by the catalogue record's own names.
  text << "Number\tYear\tMonth\tDay\tHour\tJDGreatest\tDeltaTSec\tConstellation\tTypeName\tLunation\t"
          "TypeCode\tSaros\tSarosMember\tSarosCount\tGreatestOffset\tGamma\tPenMagnitude\tUmbMagnitude\t"
          "MoonSemiDiameter\tAxisDistance\tP1Offset\tP2Offset\tP3Offset\tP4Offset\tU1Offset\tU2Offset\t"
          "U3Offset\tU4Offset"
       << (site ? "\tAltitude\tAzimuth\n" : "\n");
  const auto& catalogue = EclipseCatalogue();
  for (int32_t number = 1; number <= EclipseCount; ++number) {
    const Elemente_Type& e = catalogue[static_cast<size_t>(number)];
    std::optional<MoonPlace> moon;
    if (site) {
      moon = MoonAt(*site, GreatestEclipseUT(e), e.DeltaTSec);
      if (moon->BelowHorizon()) {
        continue;
      }
    }
    text << number << '\t' << e.Year << '\t' << e.Month << '\t' << e.Day << '\t' << e.Hour << '\t'
         << GeneralStr(e.JDGreatest) << '\t' << GeneralStr(e.DeltaTSec) << '\t' << e.Constellation << '\t'
         << e.TypeName << '\t' << e.Lunation << '\t' << e.TypeCode << '\t' << e.Saros << '\t' << e.SarosMember
         << '\t' << e.SarosCount;
    for (const double value :
         {e.GreatestOffset, e.Gamma, e.PenMagnitude, e.UmbMagnitude, e.MoonSemiDiameter, e.AxisDistance,
          e.P1Offset, e.P2Offset, e.P3Offset, e.P4Offset, e.U1Offset, e.U2Offset, e.U3Offset, e.U4Offset}) {
      text << '\t' << GeneralStr(value);
    }
    if (moon) {
      text << '\t' << FixedStr(moon->altitude, 1) << '\t' << FixedStr(moon->azimuth, 1);
    }
    text << '\n';
  }
  out << text.str();
  return ExitOk;
}

}  // namespace tevra::cli
