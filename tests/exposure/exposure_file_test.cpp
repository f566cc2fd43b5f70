// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/setting_names.h"
#include "exposure/camera_ini.h"
#include "exposure/exposure_table.h"
#include "exposure/exposure_view_rules.h"
#include "exposure/text_file.h"

#include "tests/support/temp_folder_test.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace tevra {
namespace {

namespace fs = std::filesystem;

// The two-row example table of the file format, eclipse 15.
const std::string ExampleFile =
    "15\r\n"
    ", 0 (01) 0.000  8.000,2010-12-21 06:10:00.0,JPGLarFin,400,f/5.6,,,x,,,,,,,,,,,,,,,\r\n"
    ",-1 (01) 0.124  7.876,2010-12-21 06:20:00.0,JPGLarFin,400,f/5.6,,,x,,,,,,,,,,,,,,,\r\n";

const std::string EmptyLine(23, ',');

ExposureRow Row(std::string label, std::string time) {
  ExposureRow row;
  row[ColumnLabel] = std::move(label);
  row[ColumnDateTime] = std::move(time);
  return row;
}

class TempDir : public TempFolderTest {
 protected:
  static std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(path, bytes), "");
    return bytes;
  }
};

TEST(ExposureColumns, TitlesAndShutterNames) {
  const auto titles = ExposureColumnTitles("[UTC-05]");
  EXPECT_EQ(titles[0], "wav");
  EXPECT_EQ(titles[1], "Phase;pr (#)  deep  Q      ");
  EXPECT_EQ(titles[2], "Date Time;[UTC-05]");
  EXPECT_EQ(titles[5], "f/");
  EXPECT_EQ(titles[6], "1/;8000");
  EXPECT_EQ(titles[22], "8\"");
  // Every shutter column names an entry of the shutter table.
  for (int column = FirstShutterColumn; column <= LastShutterColumn; ++column) {
    EXPECT_NE(ShutterCodeOf(ShutterNameOfColumn(column)), 0U) << column;
  }
  EXPECT_EQ(ShutterNameOfColumn(8), "1/2000");
  EXPECT_EQ(ShutterNameOfColumn(18), "0\"5");
  EXPECT_EQ(ShutterNameOfColumn(5), "");
}

TEST(ExposureFile, ExampleFileReadsAndWritesBackByteForByte) {
  const ExposureFile file = ParseExposureTable(ExampleFile);
  EXPECT_TRUE(file.problems.empty());
  ASSERT_EQ(file.eclipseIndex, 15);
  ASSERT_EQ(file.rows.size(), 2U);
  EXPECT_EQ(file.rows[1][ColumnLabel], "-1 (01) 0.124  7.876");
  EXPECT_EQ(file.rows[1][8], "x");
  EXPECT_EQ(FormatExposureTable(15, file.rows), ExampleFile);
  // No rows: the index line alone, and back to no rows.
  EXPECT_EQ(FormatExposureTable(143, {}), "143\r\n");
  const ExposureFile none = ParseExposureTable("143\r\n");
  EXPECT_EQ(none.eclipseIndex, 143);
  EXPECT_TRUE(none.rows.empty());
  EXPECT_TRUE(none.problems.empty());
}

TEST(ExposureFile, RoundTripKeepsEveryCellAndTheRowCount) {
  ExposureRows rows(3);
  rows[0] = Row("  Loop during totality ", "2024-09-18 02:44:16.8");
  rows[0][0] = " WAV ";
  rows[0][22] = " x";
  // rows[1] stays empty: written as 23 commas, read back as an empty row
  rows[2] = Row(" 0 (01) 0.000  8.000", "2024-09-18 02:44:16.8 ");
  rows[2][3] = "RAW+JPGLarFin";
  rows[2][4] = "Ä 400";  // UTF-8 survives
  const std::string text = FormatExposureTable(34, rows);
  EXPECT_NE(text.find("\r\n" + EmptyLine + "\r\n"), std::string::npos);
  const ExposureFile back = ParseExposureTable(text);
  EXPECT_TRUE(back.problems.empty());
  EXPECT_EQ(back.eclipseIndex, 34);
  EXPECT_EQ(back.rows, rows);
}

TEST(ExposureFile, BlankCommaLessAndEmptyRowLines) {
  ExposureRow marked = Row(" 1", "2024-09-18 02:44:16.8");
  marked[21] = "x";
  std::string markedLine = FormatExposureTable(1, {marked}).substr(3);
  markedLine.erase(markedLine.size() - 2);
  const std::string text =
      "34\r\n\r\n" + EmptyLine + "\r\nplain text without commas\r\n\n" + markedLine + "\n" + "   \r\n";
  const ExposureFile file = ParseExposureTable(text);
  EXPECT_TRUE(file.problems.empty());
  ASSERT_EQ(file.rows.size(), 4U);  // blank lines give no row
  EXPECT_EQ(file.rows[0], ExposureRow{});
  EXPECT_EQ(file.rows[1], ExposureRow{});
  EXPECT_EQ(file.rows[2][ColumnLabel], " 1");
  EXPECT_EQ(file.rows[2][21], "x");
  EXPECT_EQ(file.rows[3], ExposureRow{});  // blanks are text without commas
}

TEST(ExposureFile, MalformedLinesStopLoadingAndAreAllReported) {
  const std::string text = "34\r\n" + EmptyLine + "\r\n" +
                           ",a,2024-09-18 02:44:16.8,,,,,,,,,,,,,,,,,,,,\r\n"   // row 2: 22 commas
                           ",b,2024-09-18 02:44:16.8,,,,,,,,,,,,,,,,,,,,,\r\n"  // a sound row after it
                           ",c,02:44:16.8,,,,,,,,,,,,,,,,,,,,,\r\n";            // short date-time
  const ExposureFile file = ParseExposureTable(text);
  EXPECT_EQ(file.eclipseIndex, 34);
  ASSERT_EQ(file.rows.size(), 1U);  // the rows before the first bad line stay
  ASSERT_EQ(file.problems.size(), 2U);
  EXPECT_EQ(file.problems[0].line, 3U);
  EXPECT_NE(file.problems[0].what.find("22 commas"), std::string::npos);
  EXPECT_EQ(file.problems[1].line, 5U);
  EXPECT_NE(file.problems[1].what.find("\"02:44:16.8\""), std::string::npos);
  EXPECT_EQ(DescribeProblem("/tmp/t.txt", file.problems[0]).rfind("/tmp/t.txt: line 3: ", 0), 0U);
}

TEST(ExposureFile, CommaInACellShiftsTheCellsAfterIt) {
  ExposureRow row = Row("lab", "2024-09-18 02:44:16.8");
  row[ColumnAperture] = "f/5,6";
  row[8] = "x";
  const ExposureFile file = ParseExposureTable(FormatExposureTable(1, {row}) + "last line, no end");
  ASSERT_EQ(file.rows.size(), 1U);
  EXPECT_EQ(file.rows[0][ColumnAperture], "f/5");
  EXPECT_EQ(file.rows[0][6], "6");
  EXPECT_EQ(file.rows[0][9], "x");
  ASSERT_EQ(file.warnings.size(), 1U);
  EXPECT_EQ(file.warnings[0].line, 2U);
  ASSERT_EQ(file.problems.size(), 1U);  // the unterminated last line has one comma
  EXPECT_EQ(file.problems[0].line, 3U);
}

TEST(ExposureFile, FirstLineMustBeAnEclipseNumber) {
  for (const std::string first : {"0", "144", "-3", "abc", "", "12.5", "1 2"}) {
    const ExposureFile file = ParseExposureTable(first + ("\r\n" + EmptyLine + "\r\n"));
    EXPECT_FALSE(file.eclipseIndex.has_value()) << first;
    ASSERT_FALSE(file.problems.empty());
    EXPECT_EQ(file.problems[0].line, 1U);
    EXPECT_NE(file.problems[0].what.find("eclipse number from 1 to 143"), std::string::npos);
  }
  EXPECT_FALSE(ParseExposureTable("").eclipseIndex.has_value());
  EXPECT_EQ(ParseExposureTable("\xEF\xBB\xBF"
                               "7\r\n")
                .eclipseIndex,
            7);
}

TEST(TextFile, Windows1252FallsBackOnlyForInvalidUtf8) {
  EXPECT_EQ(DecodeLegacyText("Gr\xC3\xBC\xC3\x9F"), "Gr\xC3\xBC\xC3\x9F");  // valid UTF-8 stays
  EXPECT_EQ(DecodeLegacyText("Gr\xFC\xDF \x80 \x96"), "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xE2\x80\x93");
  EXPECT_EQ(DecodeLegacyText("\xC0\xAF"), "\xC3\x80\xC2\xAF");  // overlong form is no UTF-8
  const ExposureFile file =
      ParseExposureTable("2\r\n,Schlu\xDF,2001-07-05 14:55:00.0,,,,,,,,,,,,,,,,,,,,,\r\n");
  ASSERT_EQ(file.rows.size(), 1U);
  EXPECT_EQ(file.rows[0][ColumnLabel], "Schlu\xC3\x9F");
}

TEST_F(TempDir, SaveReplacesAtomicallyAndLoadReadsItBack) {
  const std::string path = Path("table.txt");
  ExposureRows rows = ParseExposureTable(ExampleFile).rows;
  ASSERT_EQ(SaveExposureTable(path, 15, rows), "");
  EXPECT_EQ(Read(path), ExampleFile);
  rows.pop_back();
  ASSERT_EQ(SaveExposureTable(path, 16, rows), "");
  EXPECT_EQ(LoadExposureTable(path).eclipseIndex, 16);
  // A save whose rename fails (the target is a folder) leaves it, and no temporary file.
  fs::create_directories(dir_ / "folder.txt" / "inside");
  EXPECT_NE(SaveExposureTable(Path("folder.txt"), 99, {}), "");
  EXPECT_TRUE(fs::is_directory(Path("folder.txt")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
  EXPECT_NE(LoadExposureTable(Path("missing.txt")).fileError, "");
}

TEST(TextFile, AMixedFileKeepsEveryUtf8LineThroughLoadAndSave) {
  // One line from an old Windows version (0xDF is "ß" there) among lines in UTF-8.
  const std::string utf8Row =
      ",Schlu\xC3\x9F \xE2\x82\xAC,2001-07-05 14:55:00.0" + std::string(21, ',') + "\r\n";
  const std::string legacyRow = ",Schlu\xDF,2001-07-05 14:56:00.0" + std::string(21, ',') + "\r\n";
  const ExposureFile file = ParseExposureTable("2\r\n" + utf8Row + legacyRow + utf8Row);
  ASSERT_TRUE(file.problems.empty());
  const std::string convertedRow = ",Schlu\xC3\x9F,2001-07-05 14:56:00.0" + std::string(21, ',') + "\r\n";
  EXPECT_EQ(FormatExposureTable(*file.eclipseIndex, file.rows), "2\r\n" + utf8Row + convertedRow + utf8Row);
}

TEST(TextFile, AByteOrderMarkIsDroppedWhateverFollows) {
  const ExposureFile file = ParseExposureTable(
      "\xEF\xBB\xBF"
      "15\r\n\xE9\r\n");
  EXPECT_TRUE(file.problems.empty());
  EXPECT_EQ(file.eclipseIndex, 15);
  EXPECT_EQ(file.rows.size(), 1U);
  EXPECT_EQ(DecodeLegacyText("\xEF\xBB\xBFGr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");
}

TEST(ExposureFile, TheDateTimeIsMeasuredInCharactersAndMustReadAsATime) {
  const auto rowLine = [](const std::string& time) { return ",a," + time + std::string(21, ',') + "\r\n"; };
  // Too few characters, although 20 bytes and more once decoded: an accented letter (Windows-1252
  // and UTF-8) after 18 characters, seven euro signs (Windows-1252 and UTF-8).
  std::string euros;
  for (int i = 0; i < 7; ++i) {
    euros += "\xE2\x82\xAC";
  }
  for (const std::string& time : {std::string("2010-12-21 06:10:0\xE9"),
                                  std::string("2010-12-21 06:10:0\xC3\xA9"), std::string(7, '\x80'), euros}) {
    const ExposureFile file = ParseExposureTable("15\r\n" + rowLine(time));
    ASSERT_EQ(file.problems.size(), 1U) << time;
    EXPECT_NE(file.problems[0].what.find("shorter than 20 characters"), std::string::npos);
  }

  // A time the run cannot read loads, with a warning naming the line.
  const ExposureFile file =
      ParseExposureTable("15\r\n" + rowLine("2010-12-21 06:10:00.0") + rowLine("2010-12-21 06:10:-9.9e21"));
  EXPECT_TRUE(file.problems.empty());
  EXPECT_EQ(file.rows.size(), 2U);
  ASSERT_EQ(file.warnings.size(), 1U);
  EXPECT_EQ(file.warnings[0].line, 3U);
  EXPECT_NE(file.warnings[0].what.find("Couldn't decode Seconds"), std::string::npos);
}

TEST(ExposureFile, MessagesQuoteAtMostEightyCharactersOfTheLine) {
  const std::string longLine(1 << 20, '7');
  const ExposureFile first = ParseExposureTable(longLine + "\r\n");
  ASSERT_EQ(first.problems.size(), 1U);
  EXPECT_NE(first.problems[0].what.find("\"" + std::string(80, '7') + "...\""), std::string::npos);
  EXPECT_LT(first.problems[0].what.size(), 160U);
  // The cut never splits a character.
  const ExposureFile time = ParseExposureTable("15\r\n,a," + std::string(90, '\xE9') + std::string(21, ','));
  EXPECT_TRUE(time.problems.empty());
  ASSERT_EQ(time.warnings.size(), 1U);
  EXPECT_NE(time.warnings[0].what.find("\xC3\xA9...\""), std::string::npos);
  EXPECT_LT(time.warnings[0].what.size(), 250U);
}

TEST_F(TempDir, LoadingRefusesWhatNoTableCanBe) {
  // Devices and FIFOs would never end or never start: they are refused unread.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), std::string("/dev/urandom"), Path("fifo")}) {
    EXPECT_NE(LoadExposureTable(path).fileError.find("not a regular file"), std::string::npos) << path;
  }
  Write("huge.txt", "15\r\n" + std::string(MaxTableFileBytes, ','));
  EXPECT_NE(LoadExposureTable(Path("huge.txt")).fileError.find("more than the 4194304"), std::string::npos);
  std::string shortLines = "15\r\n";
  for (size_t i = 0; i < MaxTableLines; ++i) {
    shortLines += "x\n";
  }
  Write("lines.txt", shortLines);
  const ExposureFile lines = LoadExposureTable(Path("lines.txt"));
  EXPECT_NE(lines.fileError.find("more than 20000 lines"), std::string::npos) << lines.fileError;
  EXPECT_TRUE(lines.rows.empty());
}

std::string CameraIni(const std::string& lists) {
  return "$$BOH\r\nLogfile creation date and time\r\n------------------------------\r\n"
         "2024-03-25 07:12:05.3\r\n\r\n$$EOH\r\nCanon EOS 90D\r\n" +
         lists;
}

TEST(CameraIni, ReadsTheFiveListsAfterTheHeader) {
  const std::string text = CameraIni(
      "           2 number of Image quality settings\r\n"
      "     1310479     0013FF0F 0 JPGLarFin\r\n"
      "     6618895     0064FF0F 0 RAW\r\n"
      "           0 number of AEmode settings\r\n"
      "           3 number of ISO speed settings\r\n"
      "          72     00000048 0 100\r\n"
      "          88     00000058 0 400\r\n"
      "  4294967295     FFFFFFFF 0 \r\n"
      "           1 number of Av (Aperture value) settings\r\n"
      "          48     00000030 0 f/5.6\r\n"
      "           1 number of Tv (Time value) settings\r\n"
      "         144     00000090 0 1/2000\r\n");
  CameraSettingListSet lists;
  ASSERT_EQ(ReadCameraIniLists(text, lists), "");
  ASSERT_EQ(lists[KindImageQuality].Count(), 2U);
  EXPECT_EQ(lists[KindImageQuality].Codes()[1], 0x64FF0FU);
  EXPECT_EQ(lists[KindAEMode].Count(), 0U);
  ASSERT_EQ(lists[KindIso].Count(), 3U);
  EXPECT_EQ(lists[KindIso].Codes()[2], UnknownCode);
  EXPECT_EQ(lists[KindShutter].Codes()[0], 0x90U);

  // With a camera: names in list order, codes without a name left out.
  DefaultSettingItems items = DefaultSettingItemsFor(true, lists);
  EXPECT_EQ(items.imageQuality, (std::vector<std::string>{"JPGLarFin", "RAW"}));
  EXPECT_EQ(items.iso, (std::vector<std::string>{"100", "400"}));
  EXPECT_EQ(items.aperture, (std::vector<std::string>{"f/5.6"}));
  // Without a camera, and for lists that come out empty: the built-in defaults.
  items = DefaultSettingItemsFor(false, lists);
  EXPECT_EQ(items.imageQuality, (std::vector<std::string>{"JPGLarFin"}));
  EXPECT_EQ(items.iso, (std::vector<std::string>{"400"}));
  EXPECT_EQ(items.aperture, (std::vector<std::string>{"f/5.6"}));
  lists[KindAperture].Clear();
  EXPECT_EQ(DefaultSettingItemsFor(true, lists).aperture, (std::vector<std::string>{"f/5.6"}));
}

TEST(CameraIni, BrokenLogsLeaveTheListsAlone) {
  CameraSettingListSet lists;
  const std::vector<uint32_t> before = {0x58};
  lists[KindIso].Assign(before);
  EXPECT_EQ(ReadCameraIniLists("$$BOH\r\nno end marker\r\n", lists), "no line \"$$EOH\"");
  const std::string truncated =
      ReadCameraIniLists(CameraIni("           2 number of Image quality settings\r\n"
                                   "     1310479     0013FF0F 0 JPGLarFin\r\n"),
                         lists);
  EXPECT_EQ(truncated, "line 10: no image quality code");
  EXPECT_EQ(ReadCameraIniLists(CameraIni("many number of Image quality settings\r\n"), lists),
            "line 8: no count of the image quality list");
  ASSERT_EQ(lists[KindIso].Count(), 1U);
  EXPECT_EQ(lists[KindIso].Codes()[0], 0x58U);
}

TEST(ExposureViewRules, RowColoursByLabel) {
  EXPECT_FALSE(RowBackgroundOf(" 0 (01) 0.000  8.000").has_value());
  EXPECT_FALSE(RowBackgroundOf("-2 (05) 0.345  3.210").has_value());
  EXPECT_FALSE(RowBackgroundOf("Inserted line").has_value());
  EXPECT_EQ(RowBackgroundOf("maximum partial eclipse"), (Rgb{160, 255, 160}));
  EXPECT_EQ(RowBackgroundOf("after partial eclipse"), (Rgb{240, 240, 32}));
  EXPECT_EQ(RowBackgroundOf("ending partial phase"), (Rgb{240, 240, 240}));
  EXPECT_FALSE(RowBackgroundOf("ending partial phase ").has_value());  // exact texts only
  EXPECT_EQ(RowBackgroundOf("Loop during totality"), (Rgb{80, 255, 80}));
  EXPECT_FALSE(RowBackgroundOf("loop during totality").has_value());  // case as written
  EXPECT_FALSE(RowBackgroundOf(" Loop").has_value());                 // untrimmed
  EXPECT_EQ(RowBackgroundOf("C2 second contact"), (Rgb{160, 255, 160}));
}

TEST(ExposureViewRules, FRatioTextAndCommas) {
  EXPECT_EQ(ReadFRatioText("5.6"), 5.6);
  EXPECT_EQ(ReadFRatioText(".5"), 0.5);
  EXPECT_EQ(ReadFRatioText(""), 0.0);
  EXPECT_FALSE(ReadFRatioText("f/8").has_value());
  EXPECT_FALSE(ReadFRatioText("-3").has_value());
  EXPECT_FALSE(ReadFRatioText("5,6").has_value());
  EXPECT_TRUE(CellTextBreaksFile("a,b"));
  EXPECT_FALSE(CellTextBreaksFile("a;b"));
}

}  // namespace
}  // namespace tevra
