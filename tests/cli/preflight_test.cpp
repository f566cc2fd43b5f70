// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/exposure_table.h"
#include "state/variables.h"
#include "tests/cli/run_tool.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>

namespace tevra::cli::test {
namespace {

using ::testing::HasSubstr;

// Two rows of one 1/250 picture at ISO 400 and f/5.6.
ExposureRows Rows(const std::string& iso) {
  ExposureRows rows(2);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i][ColumnLabel] = "P1";
    rows[i][ColumnDateTime] = "2024-03-25 10:00:0" + std::to_string(i) + ".0";
    rows[i][ColumnQuality] = "JPGLarFin";
    rows[i][ColumnIso] = i == 1 ? iso : "400";
    rows[i][ColumnAperture] = "f/5.6";
    rows[i][11] = "x";
  }
  return rows;
}

TEST(CliPreflight, NamesWhatTheSimulatedBodyCannotDoAndExitsByTheWorstLine) {
  const std::string folder = ::testing::TempDir() + "cli-preflight/";
  std::filesystem::create_directories(folder);
  DocumentsFolder = folder;
  const std::string table = folder + "table.txt";
  ASSERT_EQ(SaveExposureTable(table, 34, Rows("50")), "");
  ::setenv("TEVRA_SIMULATOR", "autofocus;battery=30", 1);  // NOLINT(concurrency-mt-unsafe)
  const Output result = RunTool({"preflight", table, "--camera", "simulator", "--zone", "+1"});
  ::unsetenv("TEVRA_SIMULATOR");  // NOLINT(concurrency-mt-unsafe)
  EXPECT_EQ(result.status, 2) << result.err;
  EXPECT_THAT(result.out, HasSubstr("eclipse 34, table times in zone row 16 (UTC+01)\n"));
  EXPECT_THAT(result.out, HasSubstr("\nPROBLEM  Focus mode: AF. Set the lens switch to MF"));
  EXPECT_THAT(result.out, HasSubstr("\nWARNING  Battery: 30 %. Charge it"));
  EXPECT_THAT(result.out, HasSubstr("\nPROBLEM  ISO speed: 50 of row 2 is not among the body's values"));
  EXPECT_THAT(result.out, HasSubstr("\nwritten\t" + folder + "preflight-"));

  // Without a camera the computer and the table are checked; the camera is a warning at worst.
  ASSERT_EQ(SaveExposureTable(table, 34, Rows("400")), "");
  const Output none = RunTool({"preflight", table, "--camera", "none", "--zone", "Europe/Lisbon"});
  EXPECT_THAT(none.out, HasSubstr("WARNING  Camera: not checked"));
  EXPECT_LE(none.status, 1);
  DocumentsFolder.clear();
}

TEST(CliPreflight, ZoneIsARowAnOffsetOrAZoneName) {
  const std::string table = ::testing::TempDir() + "cli-preflight-zone.txt";
  ASSERT_EQ(SaveExposureTable(table, 34, Rows("400")), "");
  DocumentsFolder = ::testing::TempDir() + "cli-preflight-zone/";
  for (const auto& [zone, row] :
       std::vector<std::pair<std::string, std::string>>{{"1", "zone row 1 (UTC-11)"},
                                                        {"+1", "zone row 16 (UTC+01)"},
                                                        {"-3:30", "zone row 10 (UTC-03:30)"},
                                                        {"UTC+05:45", "zone row 24 (UTC+05:45)"},
                                                        {"Asia/Kolkata", "zone row 23 (UTC+05:30)"}}) {
    EXPECT_THAT(RunTool({"preflight", table, "--camera", "none", "--zone", zone}).out, HasSubstr(row))
        << zone;
  }
  for (const std::string zone : {"40", "+15", "+1:75", "Mars/Olympus", "+05:15"}) {
    const Output refused = RunTool({"preflight", table, "--camera", "none", "--zone", zone});
    EXPECT_EQ(refused.status, ExitUsage) << zone;
    EXPECT_THAT(refused.err, HasSubstr("zone")) << zone;
  }
  DocumentsFolder.clear();
}

}  // namespace
}  // namespace tevra::cli::test
