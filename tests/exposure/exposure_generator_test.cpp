// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_generator.h"

#include "timing/catalogue.h"
#include "timing/time_zones.h"

#include <gtest/gtest.h>

#include <vector>

namespace tevra {
namespace {

constexpr double Mx = 2460000.5;  // a midnight, so row times are easy to read

// An instant k steps of I minutes from Mx, computed as the generator computes row times, so a
// contact put there coincides with a row exactly.
double Step(int k, double minutes) { return Mx + static_cast<double>(k) * minutes / 1440; }

// A total eclipse whose contacts lie on rows of the 10-minute grid.
ContactTimes TotalOnRows() {
  return {Step(-18, 10), Step(-12, 10), Step(-6, 10), Mx, Step(6, 10), Step(12, 10), Step(18, 10)};
}

GeneratorSettings Settings(double minutes, bool manual = true, double fRatio = 8) {
  GeneratorSettings s;
  s.intervalMinutes = minutes;
  s.fRatio = fRatio;
  s.manualFRatio = manual;
  s.imageQuality = "JPGLarFin";
  s.iso = "400";
  s.aperture = "f/5.6";
  return s;
}

int MarkedColumn(const ExposureRow& row) {
  int marked = -1;
  for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
    if (row[static_cast<size_t>(column)] == "x") {
      EXPECT_EQ(marked, -1) << "more than one mark";
      marked = column;
    }
  }
  return marked;
}

TEST(PickIsoAndShutter, FullMoonTotalityAndZeroFRatio) {
  const IsoAndShutter full = PickIsoAndShutter(8, 14);
  EXPECT_EQ(full.iso, 1600);
  EXPECT_EQ(full.column, 8);  // 1/2000 s
  const IsoAndShutter totality = PickIsoAndShutter(-7, 14);
  EXPECT_EQ(totality.iso, 1600);
  EXPECT_EQ(totality.column, 21);  // 4 s
  // With N = 0 every fitting time is 0: the first pair wins.
  const IsoAndShutter zero = PickIsoAndShutter(-7, 0);
  EXPECT_EQ(zero.iso, 100);
  EXPECT_EQ(zero.column, 8);
  // N = 8, Q = 0: 64 s at ISO 100 .. 0.04 s at ISO 1600; 1/30 s at ISO 1600 is nearest.
  const IsoAndShutter mid = PickIsoAndShutter(0, 8);
  EXPECT_EQ(mid.iso, 1600);
  EXPECT_EQ(mid.column, 14);
}

TEST(ContactMask, TotalPartialAndOthers) {
  EXPECT_EQ(ContactMaskOf(TotalOnRows()), TotalEclipseMask);
  ContactTimes partial = TotalOnRows();
  partial.U2 = 0;
  partial.U3 = 0;
  EXPECT_EQ(ContactMaskOf(partial), PartialEclipseMask);
  ContactTimes penumbral = partial;
  penumbral.U1 = 0;
  penumbral.U4 = 0;
  EXPECT_EQ(ContactMaskOf(penumbral), 64 + 8 + 1);
  EXPECT_FALSE(GenerateExposureTable(penumbral, 3, 0, Settings(10)).has_value());
  EXPECT_FALSE(GenerateExposureTable(ContactTimes{}, 4, 0, Settings(10)).has_value());
}

TEST(GeneratorSteps, MinuteRoundingAndMargins) {
  // P1 180 minutes before Mx at 10 minutes: round(-18) - 2.
  ContactTimes c = TotalOnRows();
  c.P1 = Mx - 180.0 / 1440;
  c.P4 = Mx + 180.0 / 1440;
  EXPECT_EQ(GeneratorSteps(c, 10).first, -20);
  EXPECT_EQ(GeneratorSteps(c, 10).last, 20);
  auto rows = GenerateExposureTable(c, 4, 1.2, Settings(10));
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->front()[ColumnDateTime], "2023-02-24 20:40:00.0");  // 200 minutes before midnight
  EXPECT_EQ(rows->size(), 41U);
  // Margins of the short intervals: 8, 4, 3, 2 further steps; none for the others.
  EXPECT_EQ(GeneratorSteps(c, 0.25).first, -722);
  EXPECT_EQ(GeneratorSteps(c, 0.5).first, -370);
  EXPECT_EQ(GeneratorSteps(c, 1).first, -186);
  EXPECT_EQ(GeneratorSteps(c, 2).first, -95);
  EXPECT_EQ(GeneratorSteps(c, 3).first, -64);
  EXPECT_EQ(GeneratorSteps(c, 5).last, 38);
  // P1, Mx and P4 go to their nearest minute first: 184.6 minutes becomes 185, 18.5 steps, which
  // rounds to the even 18.
  c.P1 = Mx - 184.6 / 1440;
  c.P4 = Mx + 175.4 / 1440;
  EXPECT_EQ(GeneratorSteps(c, 10).first, -20);
  EXPECT_EQ(GeneratorSteps(c, 10).last, 20);  // 175 minutes: 17.5 steps to 18, then + 2
  // Steps count from Mx itself, not from its rounded minute.
  c = TotalOnRows();
  c.Mx += 20.0 / 86400;
  rows = GenerateExposureTable(c, 4, 1.2, Settings(10));
  ASSERT_TRUE(rows);
  EXPECT_EQ((*rows)[20][ColumnDateTime], "2023-02-25 00:00:20.0");
}

TEST(PhaseCode, ContactsBelongToThePhaseTheyEnd) {
  const ContactTimes c = TotalOnRows();
  EXPECT_EQ(PhaseCodeAt(c.P1, c), 0);
  EXPECT_EQ(PhaseCodeAt(c.U1, c), -1);
  EXPECT_EQ(PhaseCodeAt(c.U2, c), -2);
  EXPECT_EQ(PhaseCodeAt(Mx, c), 4);
  EXPECT_EQ(PhaseCodeAt(c.U3, c), 3);
  EXPECT_EQ(PhaseCodeAt(c.U4, c), 2);
  EXPECT_EQ(PhaseCodeAt(c.P4, c), 1);
  EXPECT_EQ(PhaseCodeAt(c.P4 + 1e-6, c), 0);
  ContactTimes partial = c;
  partial.U2 = 0;
  partial.U3 = 0;
  EXPECT_EQ(PhaseCodeAt(Mx, partial), -2);
  EXPECT_EQ(PhaseCodeAt(Mx + 1e-6, partial), 2);
  EXPECT_EQ(PhaseCodeAt(partial.U4, partial), 2);
  EXPECT_EQ(PhaseCodeAt(partial.U1, partial), -1);
}

TEST(RowLabel, Layout) {
  EXPECT_EQ(RowLabel(-2, 5, 0.345, 3.21), "-2 (05) 0.345  3.210");
  EXPECT_EQ(RowLabel(0, 1, 0.0001, 8), " 0 (01) 0.000  8.000");
  EXPECT_EQ(RowLabel(4, 1, 1, -6.997), " 4 (01) 1.000 -6.997");
  EXPECT_EQ(RowLabel(-1, 100, 0.5, 7.5), "-1 (00) 0.500  7.500");
  EXPECT_EQ(RowLabel(1, 12, 0.5, 10.25), " 1 (12) 0.500 10.250");
}

TEST(Generator, TotalEclipseOnRowsOfTheContacts) {
  const ContactTimes c = TotalOnRows();
  const auto rows = GenerateExposureTable(c, 4, 1.2, Settings(10));
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 41U);  // steps -20..20
  // Rows before P1 and after P4: code 0, depth and index of the full Moon, the counter running on.
  EXPECT_EQ((*rows)[0][ColumnLabel], " 0 (01) 0.000  8.000");
  EXPECT_EQ((*rows)[2][ColumnLabel], " 0 (03) 0.000  8.000");  // T = P1
  EXPECT_EQ((*rows)[3][ColumnLabel], "-1 (01) 0.167  7.833");  // 1 of 6 steps into P1..U1
  EXPECT_EQ((*rows)[8][ColumnLabel], "-1 (06) 1.000  7.000");  // T = U1
  // 1 of 6 steps into U1..U2: X = 1/6, Q = X / (0.20536 X^15.8053 - 0.27678) + 7.00446 = 6.402
  EXPECT_EQ((*rows)[9][ColumnLabel], "-2 (01) 0.167  6.402");
  EXPECT_EQ((*rows)[14][ColumnLabel], "-2 (06) 1.000 -6.997");  // T = U2
  EXPECT_EQ((*rows)[15][ColumnLabel], "-3 (01) 1.000 -7.000");
  EXPECT_EQ((*rows)[20][ColumnLabel], " 4 (01) 1.000 -7.000");  // T = Mx
  EXPECT_EQ((*rows)[21][ColumnLabel], " 3 (01) 1.000 -7.000");
  EXPECT_EQ((*rows)[26][ColumnLabel], " 3 (06) 1.000 -7.000");  // T = U3
  // X = 1 - 1/6; 0.8333^15.8053 = 0.05603: Q = 0.8333 / (0.011506 - 0.27678) + 7.00446 = 3.863
  EXPECT_EQ((*rows)[27][ColumnLabel], " 2 (01) 0.833  3.863");
  EXPECT_EQ((*rows)[33][ColumnLabel], " 1 (01) 0.833  7.167");
  EXPECT_EQ((*rows)[38][ColumnLabel], " 1 (06) 0.001  8.000");  // T = P4: depth clamped
  EXPECT_EQ((*rows)[39][ColumnLabel], " 0 (01) 0.000  8.000");
  EXPECT_EQ((*rows)[40][ColumnLabel], " 0 (02) 0.000  8.000");
}

TEST(Generator, PartialEclipseModel) {
  ContactTimes c = TotalOnRows();
  c.U2 = 0;
  c.U3 = 0;
  const auto rows = GenerateExposureTable(c, 3, 0.5, Settings(10));
  ASSERT_TRUE(rows);
  // Umbral rows, M = 0.5: X = M - M (2 (T - U1) / (U4 - U1) - 1)^2, the top of the parabola at Mx.
  // 6 of 24 steps: X = 0.5 - 0.5 x 0.25 = 0.375, Q = 0.375 / -0.27678 + 7.00446 = 5.650.
  EXPECT_EQ((*rows)[14][ColumnLabel], "-2 (06) 0.375  5.650");
  EXPECT_EQ((*rows)[20][ColumnLabel], "-2 (12) 0.500  5.198");  // T = Mx
  EXPECT_EQ((*rows)[21][ColumnLabel].substr(0, 7), " 2 (01)");
  EXPECT_EQ((*rows)[26][ColumnLabel], " 2 (06) 0.375  5.650");
  // 1 of 24 steps: X = 0.5 (1 - (11/12)^2) = 0.0799, Q = 6.716.
  EXPECT_EQ((*rows)[9][ColumnLabel], "-2 (01) 0.080  6.716");
  EXPECT_EQ((*rows)[0][ColumnLabel], " 0 (01) 0.000  8.000");
}

// Danjon L moves the umbral rows by the published spread (Q = 2L - 12 in totality, -7 unknown), the
// umbral phases by their depth's share; brackets mark the columns either side, within the table.
TEST(Generator, DanjonDarknessAndBrackets) {
  const ContactTimes c = TotalOnRows();
  GeneratorSettings settings = Settings(10);
  const auto marks = [](const ExposureRow& row) {
    std::vector<int> columns;
    for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
      if (row[static_cast<size_t>(column)] == "x") {
        columns.push_back(column);
      }
    }
    return columns;
  };
  const auto unknown = *GenerateExposureTable(c, 4, 1.2, settings);
  settings.danjon = 0;
  const auto dark = *GenerateExposureTable(c, 4, 1.2, settings);
  settings.danjon = 4;
  settings.bracketStops = 1;
  const auto bright = *GenerateExposureTable(c, 4, 1.2, settings);
  EXPECT_EQ(dark[20][ColumnLabel], " 4 (01) 1.000 -12.000");
  EXPECT_EQ(bright[20][ColumnLabel], " 4 (01) 1.000 -4.000");
  EXPECT_EQ(dark[9][ColumnLabel], "-2 (01) 0.167  5.569");   // 6.402 - 5/6
  EXPECT_EQ(dark[3][ColumnLabel], unknown[3][ColumnLabel]);  // the penumbra keeps its brightness
  // f/8 at Mx: L 0 needs 160 s, the longest column 4 s; L 4 0.64 s at ISO 1600, the 1/2 s column.
  EXPECT_EQ(marks(dark[20]), std::vector<int>({21}));
  EXPECT_EQ(marks(bright[20]), std::vector<int>({17, 18, 19}));
  settings.danjon.reset();
  settings.bracketStops = 2;
  EXPECT_EQ(marks((*GenerateExposureTable(c, 4, 1.2, settings))[20]), std::vector<int>({19, 20, 21, 22}));
  EXPECT_EQ(DanjonShift(std::nullopt), 0);
}

TEST(Generator, SettingColumnsManualAndCameraDefaults) {
  const ContactTimes c = TotalOnRows();
  const auto manual = GenerateExposureTable(c, 4, 1.2, Settings(10, true));
  ASSERT_TRUE(manual);
  for (const ExposureRow& row : *manual) {
    EXPECT_EQ(row[ColumnKind], "");
    EXPECT_EQ(row[ColumnQuality], "JPGLarFin");
    EXPECT_TRUE(row[ColumnIso] == "100" || row[ColumnIso] == "200" || row[ColumnIso] == "400" ||
                row[ColumnIso] == "800" || row[ColumnIso] == "1600")
        << row[ColumnIso];
    EXPECT_EQ(row[ColumnAperture], "");
    EXPECT_EQ(row[6], "");
    EXPECT_EQ(row[7], "");
    EXPECT_EQ(row[22], "");
  }
  // Without the manual setting the defaults are written, but the shutter is still chosen with N.
  const auto camera = GenerateExposureTable(c, 4, 1.2, Settings(10, false));
  ASSERT_TRUE(camera);
  for (size_t i = 0; i < camera->size(); ++i) {
    EXPECT_EQ((*camera)[i][ColumnIso], "400");
    EXPECT_EQ((*camera)[i][ColumnAperture], "f/5.6");
    EXPECT_EQ(MarkedColumn((*camera)[i]), MarkedColumn((*manual)[i]));
  }
  // f-ratio 0: every row ISO 100 at 1/2000 s.
  const auto zero = GenerateExposureTable(c, 4, 1.2, Settings(10, true, 0));
  ASSERT_TRUE(zero);
  for (const ExposureRow& row : *zero) {
    EXPECT_EQ(row[ColumnIso], "100");
    EXPECT_EQ(MarkedColumn(row), 8);
  }
}

// Whole tables of two catalogue entries in the zone UTC; the single rows are checked against
// values worked out by hand from the contact times shown with tenths of seconds.
class CatalogueTable : public ::testing::Test {
 protected:
  static ExposureRows Generate(int32_t index, double minutes) {
    ApplyTimeZone(15);  // UTC
    SelectEclipse(index);
    ComputeContacts(false);
    return *GenerateExposureTable(CurrentContacts(), CurrentEclipse.TypeCode, CurrentEclipse.UmbMagnitude,
                                  Settings(minutes));
  }
  static std::vector<int> Codes(const ExposureRows& rows) {
    std::vector<int> codes;
    for (const ExposureRow& row : rows) {
      codes.push_back(std::stoi(row[ColumnLabel].substr(0, 2)));
    }
    return codes;
  }
};

TEST_F(CatalogueTable, Entry1TotalAtTenMinutes) {
  // P1 17:43:32.9, U1 18:42:05.3, U2 19:49:34.6, Mx 20:20:35.8, U3 20:51:36.9, U4 21:59:06.3,
  // P4 22:57:36.6 on 2001-01-09. m(P1) - m(Mx) = 17:44 - 20:21 = -157 min: -16 - 2 = -18;
  // m(P4) - m(Mx) = 22:58 - 20:21 = 157 min: 16 + 2 = 18.
  const ExposureRows rows = Generate(1, 10);
  ASSERT_EQ(rows.size(), 37U);
  const std::vector<int> expected = {0, 0, 0, -1, -1, -1, -1, -1, -1, -2, -2, -2, -2, -2, -2, -3, -3, -3, 4,
                                     3, 3, 3, 2,  2,  2,  2,  2,  2,  1,  1,  1,  1,  1,  1,  0,  0,  0};
  EXPECT_EQ(Codes(rows), expected);
  EXPECT_EQ(rows.front()[ColumnDateTime], "2001-01-09 17:20:35.8");
  EXPECT_EQ(rows.back()[ColumnDateTime], "2001-01-09 23:20:35.8");
  for (const ExposureRow& row : rows) {
    EXPECT_EQ(row[ColumnDateTime].size(), 21U);
  }
  // Row 3, 17:50:35.8: (T - P1) / (U1 - P1) = 422.9 s / 3512.4 s = 0.1204; Q = 7.880.
  // N = 8: 64 / 2^7.880 = 0.2717 s at ISO 1 -> ISO 400 0.000679 s against 1/2000 s (miss
  // 0.000169) beats ISO 800 0.000340 s (miss 0.000170).
  EXPECT_EQ(rows[3][ColumnLabel], "-1 (01) 0.120  7.880");
  EXPECT_EQ(rows[3][ColumnIso], "400");
  EXPECT_EQ(MarkedColumn(rows[3]), 8);
  // Row 9, 18:50:35.8: X = 510.5 s / 4049.3 s = 0.1261, Q = 0.1261 / -0.27678 + 7.00446 = 6.549;
  // 64 / 2^6.549 / 1600 = 0.000427 s, nearest 1/2000 s.
  EXPECT_EQ(rows[9][ColumnLabel], "-2 (01) 0.126  6.549");
  EXPECT_EQ(rows[9][ColumnIso], "1600");
  EXPECT_EQ(MarkedColumn(rows[9]), 8);
  // Totality: 64 x 2^7 / 1600 = 5.12 s, nearest 4 s.
  EXPECT_EQ(rows[18][ColumnLabel], " 4 (01) 1.000 -7.000");
  EXPECT_EQ(rows[18][ColumnDateTime], "2001-01-09 20:20:35.8");
  EXPECT_EQ(rows[18][ColumnIso], "1600");
  EXPECT_EQ(MarkedColumn(rows[18]), 21);
  // Row 33, 22:50:35.8: X = (P4 - T) / (P4 - U4) = 421.8 s / 3510.3 s = 0.120, Q = 7.880.
  EXPECT_EQ(rows[33][ColumnLabel], " 1 (06) 0.120  7.880");
  EXPECT_EQ(rows[36][ColumnLabel], " 0 (03) 0.000  8.000");
}

TEST_F(CatalogueTable, Entry34PartialAtTenMinutes) {
  // P1 00:39:18.1, U1 02:11:48.4, Mx 02:44:16.8, U4 03:16:46.7, P4 04:49:15.6 on 2024-09-18,
  // umbral magnitude 0.0907. -125 min: round(-12.5) = -12 (even), - 2; +125 min: 12 + 2.
  const ExposureRows rows = Generate(34, 10);
  ASSERT_EQ(rows.size(), 29U);
  const std::vector<int> expected = {0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -2, -2, -2, -2,
                                     2, 2, 2,  1,  1,  1,  1,  1,  1,  1,  1,  1,  0,  0};
  EXPECT_EQ(Codes(rows), expected);
  // Row 5, 01:14:16.8: 2098.7 s / 5550.3 s = 0.378, Q = 7.622; 64 / 2^7.622 / 800 = 0.000406 s
  // misses 1/2000 s by 0.000104 s, less than any other pair.
  EXPECT_EQ(rows[5][ColumnLabel], "-1 (04) 0.378  7.622");
  EXPECT_EQ(rows[5][ColumnIso], "800");
  EXPECT_EQ(MarkedColumn(rows[5]), 8);
  // At Mx the parabola is at its top: X = M = 0.091, Q = 0.0907 / -0.27678 + 7.00446 = 6.677.
  EXPECT_EQ(rows[14][ColumnLabel], "-2 (04) 0.091  6.677");
  EXPECT_EQ(rows[14][ColumnDateTime], "2024-09-18 02:44:16.8");
  EXPECT_EQ(rows[15][ColumnLabel], " 2 (01) 0.082  6.708");
  EXPECT_EQ(rows[28][ColumnDateTime], "2024-09-18 05:04:16.8");
}

TEST_F(CatalogueTable, FifteenSecondsRunsPastEveryContact) {
  const ExposureRows rows = Generate(1, 0.25);
  // -157 min = -628 steps, -2; the same after Mx.
  ASSERT_EQ(rows.size(), 1261U);
  EXPECT_EQ(rows.front()[ColumnDateTime], "2001-01-09 17:43:05.8");
  EXPECT_EQ(rows[630][ColumnLabel], " 4 (01) 1.000 -7.000");
  EXPECT_EQ(rows[1][ColumnDateTime], "2001-01-09 17:43:20.8");
}

}  // namespace
}  // namespace tevra
