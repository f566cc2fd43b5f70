// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/eclipse-gen/catalogue_gen.h"
#include "timing/catalogue.h"
#include "tools/eclipse-gen/constellation.h"
#include "tools/eclipse-gen/eclipse_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

namespace tevra::eclipsegen {
namespace {

constexpr double Second = 1.0 / 3600;  // in hours
constexpr double Degree = std::numbers::pi / 180;

// The generator's entries, computed once for all tests (about a second).
const std::vector<Elemente_Type>& Computed() {
  static const std::vector<Elemente_Type> Entries = ComputeCatalogue(GeneratorPaths{});
  return Entries;
}

void ExpectSameEntry(const Elemente_Type& a, const Elemente_Type& b) {
  EXPECT_EQ(a.Year, b.Year);
  EXPECT_EQ(a.Month, b.Month);
  EXPECT_EQ(a.Day, b.Day);
  EXPECT_EQ(a.Hour, b.Hour);
  EXPECT_EQ(a.JDGreatest, b.JDGreatest);
  EXPECT_EQ(a.Constellation, b.Constellation);
  EXPECT_EQ(a.TypeName, b.TypeName);
  EXPECT_EQ(a.Lunation, b.Lunation);
  EXPECT_EQ(a.TypeCode, b.TypeCode);
  EXPECT_EQ(a.Saros, b.Saros);
  EXPECT_EQ(a.SarosMember, b.SarosMember);
  EXPECT_EQ(a.SarosCount, b.SarosCount);
  EXPECT_EQ(a.GreatestOffset, b.GreatestOffset);
  EXPECT_EQ(a.Gamma, b.Gamma);
  EXPECT_EQ(a.PenMagnitude, b.PenMagnitude);
  EXPECT_EQ(a.UmbMagnitude, b.UmbMagnitude);
  EXPECT_EQ(a.MoonSemiDiameter, b.MoonSemiDiameter);
  EXPECT_EQ(a.AxisDistance, b.AxisDistance);
  EXPECT_EQ(a.P1Offset, b.P1Offset);
  EXPECT_EQ(a.P2Offset, b.P2Offset);
  EXPECT_EQ(a.P3Offset, b.P3Offset);
  EXPECT_EQ(a.P4Offset, b.P4Offset);
  EXPECT_EQ(a.U1Offset, b.U1Offset);
  EXPECT_EQ(a.U2Offset, b.U2Offset);
  EXPECT_EQ(a.U3Offset, b.U3Offset);
  EXPECT_EQ(a.U4Offset, b.U4Offset);
}

TEST(EclipseGenerator, CommittedTableIsTheGeneratorsOutput) {
  const std::vector<Elemente_Type> stored = StoredEntries(Computed());
  ASSERT_EQ(stored.size(), static_cast<size_t>(EclipseCount));
  for (int n = 1; n <= EclipseCount; ++n) {
    SCOPED_TRACE("entry " + std::to_string(n));
    ExpectSameEntry(EclipseCatalogue()[static_cast<size_t>(n)], stored[static_cast<size_t>(n - 1)]);
  }
  std::ifstream file(std::string(TEVRA_SOURCE_DIR) + "/timing/catalogue_data.cpp", std::ios::binary);
  std::ostringstream committed;
  committed << file.rdbuf();
  EXPECT_EQ(committed.str(), CatalogueSource(stored))
      << "regenerate with: eclipse-gen --output timing/catalogue_data.cpp";
}

TEST(EclipseGenerator, PublishedEntriesAreStoredUnchanged) {
  ASSERT_EQ(PublishedEntries().size(), 6U);
  for (const auto& [number, published] : PublishedEntries()) {
    SCOPED_TRACE("entry " + std::to_string(number));
    ExpectSameEntry(EclipseCatalogue()[static_cast<size_t>(number)], published);
  }
}

TEST(EclipseGenerator, ReproducesThePublishedEntries) {
  for (const auto& [number, p] : PublishedEntries()) {
    SCOPED_TRACE("entry " + std::to_string(number));
    const Elemente_Type& c = Computed().at(static_cast<size_t>(number - 1));
    EXPECT_EQ(c.Year, p.Year);
    EXPECT_EQ(c.Month, p.Month);
    EXPECT_EQ(c.Day, p.Day);
    EXPECT_EQ(c.Hour, p.Hour);
    EXPECT_EQ(c.Constellation, p.Constellation);
    EXPECT_EQ(c.TypeName, p.TypeName);
    EXPECT_EQ(c.Lunation, p.Lunation);
    EXPECT_EQ(c.TypeCode, p.TypeCode);
    EXPECT_EQ(c.Saros, p.Saros);
    EXPECT_EQ(c.SarosMember, p.SarosMember);
    EXPECT_EQ(c.SarosCount, p.SarosCount);
    EXPECT_NEAR(c.JDGreatest, p.JDGreatest, 0.0010001);
    EXPECT_NEAR(c.GreatestOffset, p.GreatestOffset, 1.5 * Second);
    EXPECT_NEAR(c.Gamma, p.Gamma, 1e-4);
    EXPECT_NEAR(c.PenMagnitude, p.PenMagnitude, 1e-4);
    EXPECT_NEAR(c.UmbMagnitude, p.UmbMagnitude, 1e-4);
    EXPECT_NEAR(c.MoonSemiDiameter, p.MoonSemiDiameter, 0.1);
    EXPECT_NEAR(c.AxisDistance, p.AxisDistance, 0.1);
    const bool grazing = std::abs(p.UmbMagnitude) < 0.01;
    const std::vector<std::tuple<const char*, double, double, double>> contacts = {
        {"P1", c.P1Offset, p.P1Offset, 1.5},
        {"P2", c.P2Offset, p.P2Offset, 1.5},
        {"P3", c.P3Offset, p.P3Offset, 1.5},
        {"P4", c.P4Offset, p.P4Offset, 1.5},
        {"U1", c.U1Offset, p.U1Offset, grazing ? 3 : 1.5},
        {"U2", c.U2Offset, p.U2Offset, 1.5},
        {"U3", c.U3Offset, p.U3Offset, 1.5},
        {"U4", c.U4Offset, p.U4Offset, grazing ? 3 : 1.5}};
    for (const auto& [name, mine, theirs, seconds] : contacts) {
      if (theirs == 0) {
        EXPECT_EQ(mine, 0) << name << " does not occur";
      } else {
        EXPECT_NEAR(mine, theirs, seconds * Second) << name;
      }
    }
  }
}

TEST(EclipseGenerator, FindsTheCataloguesEclipsesInOrder) {
  ASSERT_EQ(Computed().size(), static_cast<size_t>(EclipseCount));
  for (int n = 1; n <= EclipseCount; ++n) {
    SCOPED_TRACE("entry " + std::to_string(n));
    const Elemente_Type& c = Computed()[static_cast<size_t>(n - 1)];
    const Elemente_Type& e = EclipseCatalogue()[static_cast<size_t>(n)];
    EXPECT_EQ(c.Year, e.Year);
    EXPECT_EQ(c.Month, e.Month);
    EXPECT_EQ(c.Day, e.Day);
    EXPECT_EQ(c.TypeCode, e.TypeCode);
  }
}

TEST(EclipseGenerator, SarosSeriesFromTheLunation) {
  EXPECT_EQ(SarosOf(12), 134);
  EXPECT_EQ(SarosOf(18), 139);
  EXPECT_EQ(SarosOf(94), 128);
  EXPECT_EQ(SarosOf(305), 118);
  EXPECT_EQ(SarosOf(305 + 223), 118);
  EXPECT_EQ(SarosOf(1227), 143);
  EXPECT_EQ(SarosOf(12 + 358), 135) << "one inex on";
  const SarosSpan span{528 - 52 * 223, 528 + 21 * 223};
  EXPECT_EQ(span.MemberOf(528), 53);
  EXPECT_EQ(span.Count(), 74);
}

TEST(EclipseGenerator, RefusesTheAnalyticFallbackWithoutEphemerisFiles) {
  const std::filesystem::path empty = std::filesystem::temp_directory_path() / "tevra-no-ephemeris";
  std::filesystem::create_directories(empty);
  EXPECT_THROW(OpenEphemeris(empty.string()), std::runtime_error);
  std::filesystem::remove(empty);
  CloseEphemeris();
  GeneratorPaths paths;
  paths.boundaryTable = empty.string() + "/missing.dat";
  EXPECT_THROW(ComputeCatalogue(paths), std::runtime_error);
}

// Writes a boundary table and returns the error of loading it, "" when it loads.
std::string LoadError(const std::string& text) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "tevra-boundaries-test.dat";
  std::ofstream(path) << text;
  std::string error;
  try {
    LoadBoundaryTable(path.string());
  } catch (const std::runtime_error& e) {
    error = e.what();
  }
  std::filesystem::remove(path);
  return error;
}

TEST(ConstellationTable, ReportsTheLineOfABadSpan) {
  EXPECT_EQ(LoadError(" 0:00:00 24:00:00 88:00 UMi\n 8:00:00 14:30:00 -1:45 Cep\n"), "");
  EXPECT_NE(LoadError(" 0:00:00 24:00:00 88:00 UMi\n 8:00:00 14:30:00 86:30\n").find(":2: expected"),
            std::string::npos);
  EXPECT_NE(
      LoadError(" 0:00:00 24:00:00 88:00 UMi\n 8:00:00 14:3x:00 86:30 UMi\n").find(":2: not a boundary span"),
      std::string::npos);
  EXPECT_NE(LoadError(" 8:00:00 14:30:00 86:30 UMi\n 0:00:00 24:00:00 88:00 UMi\n")
                .find(":2: spans are not in order"),
            std::string::npos);
  EXPECT_NE(LoadError("").find("no boundary spans"), std::string::npos);
}

TEST(ConstellationTable, FirstSpanFromTheNorthWins) {
  const std::vector<BoundarySpan> table = {
      {0, 24, 88, "UMi"}, {8, 14.5, 86.5, "UMi"}, {0, 8, 85, "Cep"}, {0, 24, -90, "Oct"}};
  EXPECT_EQ(ConstellationOf(table, 10 * 15 * Degree, 87 * Degree), "UMi");
  EXPECT_EQ(ConstellationOf(table, 7.99 * 15 * Degree, 85 * Degree), "Cep");
  EXPECT_EQ(ConstellationOf(table, 8 * 15 * Degree, 85 * Degree), "Oct") << "upper RA bound is open";
  EXPECT_THROW(ConstellationOf({{0, 12, 0, "Xyz"}}, 13 * 15 * Degree, 10 * Degree), std::runtime_error);
}

TEST(Precession, RigorousIau1976) {
  // theta Persei from J2000.0 to 2028 November 13.19 (proper motion already applied).
  double ra = 41.054063 * Degree;
  double dec = 49.227750 * Degree;
  Precess(ra, dec, 2451545.0, 2462088.69);
  EXPECT_NEAR(ra / Degree, 41.547214, 2e-6);
  EXPECT_NEAR(dec / Degree, 49.348483, 2e-6);
}

}  // namespace
}  // namespace tevra::eclipsegen
