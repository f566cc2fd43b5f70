// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/eclipse-gen/catalogue_gen.h"

#include "timing/astrolib.h"
#include "timing/time_text.h"
#include "tools/eclipse-gen/constellation.h"
#include "tools/eclipse-gen/eclipse_search.h"

#include <array>
#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>
#include <stdexcept>

namespace tevra::eclipsegen {
namespace {

// The catalogue spans the greatest eclipses (TD) of 2001-01-01 to 2099-12-31.
const double CatalogueStart = CalJD(2001, 1, 1, 0, 0, 0);
const double CatalogueEnd = CalJD(2100, 1, 1, 0, 0, 0);

double RoundDecimals(double value, int decimals) { return *ParseDecimal(FixedStr(value, decimals)); }

// Hours from the reference instant, 0 when the contact does not occur.
double OffsetHours(const std::optional<double>& contact, double reference, int digits) {
  return contact ? RoundSignificant((*contact - reference) * 24, digits) : 0.0;
}

Elemente_Type EntryOf(const EclipseEvent& event, const std::vector<BoundarySpan>& boundaries,
                      std::map<int32_t, SarosSpan>& series) {
  const ShadowGeometry& g = event.greatest;
  Elemente_Type e;
  const CalendarTime date = JDCal(g.jd);
  e.Year = date.Year;
  e.Month = date.Month;
  e.Day = date.Day;
  e.Hour = static_cast<int32_t>(std::round(date.Hour + date.Minute / 60 + date.Second / 3600));
  const double reference = CalJD(e.Year, e.Month, e.Day, e.Hour, 0, 0);
  e.JDGreatest = std::round(g.jd * 1000) / 1000;

  double ra = g.moonRa;
  double dec = g.moonDec;
  Precess(ra, dec, g.jd, B1875);
  e.Constellation = ConstellationOf(boundaries, ra, dec);

  e.Lunation = LunationOf(g.jd);
  if (e.Lunation != event.lunation) {
    throw std::logic_error("greatest eclipse of JD " + FixedStr(g.jd, 5) + " is not at its full moon");
  }
  e.Saros = SarosOf(e.Lunation);
  auto known = series.find(e.Saros);
  if (known == series.end()) {
    known = series.emplace(e.Saros, WalkSaros(e.Lunation)).first;
  }
  e.SarosMember = known->second.MemberOf(e.Lunation);
  e.SarosCount = known->second.Count();

  const double gamma = (g.moonNorth ? 1 : -1) * g.axisDistance / g.moonParallax;
  const bool total = event.umbMagnitude >= 1;
  e.TypeCode = !total ? 3 : (g.axisDistance < g.moonSemiDiameter ? 5 : 4);
  e.TypeName = TypeNameOf(e.TypeCode);

  // The column precisions of the published entries.
  e.GreatestOffset = RoundSignificant(std::round((g.jd - reference) * 86400) / 3600, 9);
  e.Gamma = RoundDecimals(gamma, 5);
  e.PenMagnitude = RoundSignificant(event.penMagnitude, 9);
  e.UmbMagnitude = RoundSignificant(event.umbMagnitude, 8);
  e.MoonSemiDiameter = RoundSignificant(g.moonSemiDiameter, 9);
  e.AxisDistance = RoundSignificant(std::abs(gamma) * g.moonParallax, 6);
  e.P1Offset = OffsetHours(event.p1, reference, 8);
  e.P2Offset = OffsetHours(event.p2, reference, 6);
  e.P3Offset = e.P2Offset == 0 ? 0 : OffsetHours(event.p3, reference, 6);
  e.P4Offset = OffsetHours(event.p4, reference, 6);
  e.U1Offset = OffsetHours(event.u1, reference, 8);
  e.U2Offset = total ? OffsetHours(event.u2, reference, 6) : 0;
  e.U3Offset = total ? OffsetHours(event.u3, reference, 6) : 0;
  e.U4Offset = OffsetHours(event.u4, reference, 6);
  return e;
}

// The least text that reads back as the same double.
std::string Literal(double value) { return GeneralStr(value); }

std::string EntryLiteral(const Elemente_Type& e) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << '{' << e.Year << ", " << e.Month << ", " << e.Day << ", " << e.Hour << ", " << Literal(e.JDGreatest)
      << ", 0, \"" << e.Constellation << "\", {}, " << e.Lunation << ", " << e.TypeCode << ", " << e.Saros
      << ", " << e.SarosMember << ", " << e.SarosCount;
  for (const double value :
       {e.GreatestOffset, e.Gamma, e.PenMagnitude, e.UmbMagnitude, e.MoonSemiDiameter, e.AxisDistance,
        e.P1Offset, e.P2Offset, e.P3Offset, e.P4Offset, e.U1Offset, e.U2Offset, e.U3Offset, e.U4Offset}) {
    out << ", " << Literal(value);
  }
  out << '}';
  return out.str();
}

}  // namespace

double RoundSignificant(double value, int digits) {
  std::array<char, 64> buffer{};
  const auto written =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, digits);
  double rounded = 0;
  std::from_chars(buffer.data(), written.ptr, rounded);
  return rounded;
}

const std::map<int, Elemente_Type>& PublishedEntries() {
  static const std::map<int, Elemente_Type> Entries = [] {
    // clang-format off
    std::map<int, Elemente_Type> entries = {
      {1, {2001, 1, 9, 20, 2451919.348, 0, "Gem", {}, 12, 4, 134, 26, 73, 0.361111111, 0.37194, 2.18672273, 1.1943911, 1003.06096, 1369.13, -2.2563507, -1.27317, 1.99502, 2.97801, -1.2806969, -0.155893, 0.878082, 2.00293}},
      {2, {2001, 7, 5, 15, 2452096.122, 0, "Sgr", {}, 18, 3, 139, 21, 81, -0.06, -0.72864, 1.57331947, 0.49950447, 896.617134, 2397.51, -2.8009948, -1.50706, 1.38614, 2.68066, -1.395913, 0, 0, 1.27374}},
      {10, {2007, 8, 28, 11, 2454340.943, 0, "Aqr", {}, 94, 5, 128, 40, 71, -0.359444444, -0.21454, 2.47752899, 1.4812506, 972.580021, 765.724, -3.1124039, -2.12989, 1.41074, 2.39268, -2.1329085, -1.11513, 0.397095, 1.41506}},
      {34, {2024, 9, 18, 3, 2460571.615, 0, "Psc", {}, 305, 3, 118, 52, 74, -0.242777778, -0.9791, 1.0620649, 0.090692491, 1002.86242, 3603.4, -2.3257428, -0.688858, 0.203455, 1.84021, -0.78398931, 0, 0, 0.298857}},
      {61, {2042, 9, 29, 11, 2467156.948, 0, "Psc", {}, 528, 3, 118, 53, 74, -0.236666667, -1.02606, 0.977686028, 0.0027617784, 1002.20016, 3773.74, -2.2561759, 0, 0, 1.78294, -0.33201853, 0, 0, -0.140696}},
      {143, {2099, 4, 5, 9, 2487798.855, 0, "Vir", {}, 1227, 3, 143, 23, 73, -0.484444444, -0.93029, 1.15832707, 0.17368926, 994.041986, 3393.64, -2.6626693, -1.19663, 0.226677, 1.69307, -1.2323492, 0, 0, 0.261605}},
    };
    // clang-format on
    for (auto& [number, entry] : entries) {
      entry.TypeName = TypeNameOf(entry.TypeCode);
    }
    return entries;
  }();
  return Entries;
}

std::vector<Elemente_Type> ComputeCatalogue(const GeneratorPaths& paths) {
  const std::vector<BoundarySpan> boundaries = LoadBoundaryTable(paths.boundaryTable);
  OpenEphemeris(paths.ephemerisDir);
  std::vector<Elemente_Type> entries;
  std::map<int32_t, SarosSpan> series;
  for (const EclipseEvent& event :
       UmbralEclipses(LunationOf(CatalogueStart) - 1, LunationOf(CatalogueEnd) + 1)) {
    if (event.greatest.jd >= CatalogueStart && event.greatest.jd < CatalogueEnd) {
      entries.push_back(EntryOf(event, boundaries, series));
    }
  }
  CloseEphemeris();
  if (entries.size() != EclipseCount) {
    throw std::runtime_error("found " + std::to_string(entries.size()) + " partial and total eclipses, not " +
                             std::to_string(EclipseCount));
  }
  for (const auto& [number, published] : PublishedEntries()) {
    const Elemente_Type& computed = entries[static_cast<size_t>(number - 1)];
    if (computed.Year != published.Year || computed.Month != published.Month ||
        computed.Day != published.Day) {
      throw std::runtime_error(
          "entry " + std::to_string(number) + " comes out as " +
          DateTimeStr(computed.Year, computed.Month, computed.Day, 0, 0, 0, 0).substr(0, 10) +
          ", not as published");
    }
  }
  return entries;
}

std::vector<Elemente_Type> StoredEntries(std::vector<Elemente_Type> computed) {
  for (const auto& [number, published] : PublishedEntries()) {
    computed.at(static_cast<size_t>(number - 1)) = published;
  }
  // Entry 129 is published with greatest eclipse at 23:48:30 TD (offset -0.191666667 from
  // hour 24); the ephemeris puts it one second later, within the tolerance. Keep the published
  // instant so that what users compare with the published value agrees.
  Elemente_Type& entry129 = computed.at(128);
  if (entry129.Hour == 24 && std::abs(entry129.GreatestOffset - PublishedGreatestOffset129) < 1.5 / 3600) {
    entry129.GreatestOffset = PublishedGreatestOffset129;
  }
  return computed;
}

std::string CatalogueSource(const std::vector<Elemente_Type>& stored) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << "// SPDX-License-Identifier: GPL-3.0-or-later\n"
         "// Generated by tools/eclipse-gen; do not edit. Entries 1, 2, 10, 34, 61 and 143 hold their\n"
         "// published values, the others are computed to the same conventions.\n"
         "#include \"catalogue_data.h\"\n"
         "\n"
         "namespace tevra {\n"
         "\n"
         "const std::array<Elemente_Type, EclipseCount>& CatalogueData() {\n"
         "  // Year, Month, Day, Hour, JDGreatest, DeltaTSec (unused), Constellation, TypeName (filled at\n"
         "  // start), Lunation, TypeCode, Saros, SarosMember, SarosCount, GreatestOffset, Gamma,\n"
         "  // PenMagnitude, UmbMagnitude, MoonSemiDiameter, AxisDistance, P1..P4 offsets, U1..U4 offsets.\n"
         "  // clang-format off\n"
         "  static const std::array<Elemente_Type, EclipseCount> Data = {{\n";
  for (size_t i = 0; i < stored.size(); ++i) {
    out << "    " << EntryLiteral(stored[i]) << ",  // " << i + 1 << '\n';
  }
  out << "  }};\n"
         "  // clang-format on\n"
         "  return Data;\n"
         "}\n"
         "\n"
         "}  // namespace tevra\n";
  return out.str();
}

}  // namespace tevra::eclipsegen
