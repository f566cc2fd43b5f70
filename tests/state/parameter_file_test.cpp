// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/parameter_file.h"
#include "state/variables.h"
#include "tests/support/temp_folder_test.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include <sys/stat.h>

namespace tevra {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::string text(fs::file_size(path), '\0');
  std::ifstream(path, std::ios::binary).read(text.data(), static_cast<std::streamsize>(text.size()));
  return text;
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
  const std::string text = ReadText(path);
  return {text.begin(), text.end()};
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

class ParameterFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TestScratchPath("tevra-prm-");
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string Path() const { return (folder_ / "Tevra.prm").string(); }
  fs::path folder_;
};

TEST_F(ParameterFile, FirstStartWritesTheFileByteForByte) {
  ParameterFileRecord record;
  const LoadResult result = LoadParameterFile(Path(), "0.1.0", record);
  EXPECT_EQ(result.outcome, LoadOutcome::Created) << result.error;
  const std::vector<uint8_t> expected = {5,  '0', '.', '1', '.', '0', 0,    0,
                                         0,  0,   0,   0,   0,   0,   0,    0,  // version
                                         0,  0,   0,   0,                       // rest of version, padding
                                         34, 0,   0,   0,   14,  0,   0,    0,  // eclipse, zone
                                         0,  0,   1,   0,  // tenths, rounding, manual f ratio, padding
                                         0,  0,   0,   0,   0,   0,   0x20, 0x40,  // FRatio 8.0
                                         10, 0,   0,   0,   0,   0,   0,    0};    // interval, padding
  EXPECT_EQ(FileBytes(Path()), expected);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);  // no temporary
  EXPECT_EQ(record.FRatio, 8.0);

  ParameterFileRecord again;
  EXPECT_EQ(LoadParameterFile(Path(), "0.1.0", again).outcome, LoadOutcome::Loaded);
  EXPECT_EQ(EncodeParameters(again), EncodeParameters(record));
}

TEST_F(ParameterFile, VersionCompatibility) {
  ParameterFileRecord record = FirstStartParameters("1.2.3");
  ASSERT_EQ(WriteParameterFile(Path(), record), "");
  ParameterFileRecord read;
  LoadResult result = LoadParameterFile(Path(), "1.2.4", read);
  EXPECT_EQ(result.outcome, LoadOutcome::Incompatible);
  EXPECT_EQ(result.storedVersion, "1.2.3");
  EXPECT_EQ(IncompatibleText(result.storedVersion),
            "The file from version 1.2.3 is now deleted.\n\rPlease restart the program Tevra.");
  EXPECT_EQ(LoadParameterFile(Path(), "1.2.3.0", read).outcome, LoadOutcome::Incompatible);
  EXPECT_EQ(LoadParameterFile(Path(), "1.2.3", read).outcome, LoadOutcome::Loaded);

  // Only the first 16 characters count.
  record = FirstStartParameters("1.2.3.4.5.6.7.8.9");
  EXPECT_EQ(StoredVersion(record), "1.2.3.4.5.6.7.8.");
  EXPECT_TRUE(VersionMatches(record, "1.2.3.4.5.6.7.8.other"));
  EXPECT_FALSE(VersionMatches(record, "1.2.3.4.5.6.7.8"));
  // Characters beyond the stored length are not significant.
  record = FirstStartParameters("1.2");
  record.VersionChars[5] = 'x';
  EXPECT_TRUE(VersionMatches(record, "1.2"));
}

TEST_F(ParameterFile, ShortFileFillsOnlyTheLeadingFields) {
  std::vector<uint8_t> bytes = {3, 'a', 'b', 'c'};
  bytes.resize(22, 0);
  bytes[20] = 7;  // first bytes of EclipseIndex only
  WriteBytes(Path(), bytes);
  ParameterFileRecord record;
  EXPECT_EQ(LoadParameterFile(Path(), "abc", record).outcome, LoadOutcome::Loaded);
  EXPECT_EQ(record.EclipseIndex, 7);
  EXPECT_EQ(record.TimeZoneIndex, 0);
  EXPECT_EQ(record.FRatio, FirstStartFRatio);  // 0 is no focal ratio
  EXPECT_EQ(record.IntervalCode, 0);
}

TEST_F(ParameterFile, AStoredFocalRatioNoOpticsCanHaveIsTheFirstStartValue) {
  for (const double stored :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), -5.6, 0.0}) {
    ParameterFileRecord record = FirstStartParameters("v");
    record.FRatio = stored;
    ASSERT_EQ(WriteParameterFile(Path(), record), "");
    ParameterFileRecord read;
    ASSERT_EQ(LoadParameterFile(Path(), "v", read).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(read.FRatio, FirstStartFRatio) << stored;
  }
  ParameterFileRecord record = FirstStartParameters("v");
  record.FRatio = 0.5;
  ASSERT_EQ(WriteParameterFile(Path(), record), "");
  ParameterFileRecord read;
  ASSERT_EQ(LoadParameterFile(Path(), "v", read).outcome, LoadOutcome::Loaded);
  EXPECT_EQ(read.FRatio, 0.5);
}

TEST_F(ParameterFile, AnythingButARegularFileIsUnreadableAndNeverWaitedOn) {
  // Opening a FIFO for reading would wait for a writer for ever.
  ASSERT_EQ(::mkfifo(Path().c_str(), 0600), 0);
  ParameterFileRecord record;
  const LoadResult result = LoadParameterFile(Path(), "v", record);
  EXPECT_EQ(result.outcome, LoadOutcome::Failed);
  EXPECT_NE(result.error.find("not a regular file"), std::string::npos) << result.error;
  EXPECT_EQ(record.EclipseIndex, FirstStartEclipseIndex);
}

TEST_F(ParameterFile, PaddingAndNegativeIndicesSurviveARoundTrip) {
  std::vector<uint8_t> bytes(ParameterFileSize);
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  bytes[0] = 4;
  bytes[24] = bytes[25] = bytes[26] = bytes[27] = 0xFF;  // TimeZoneIndex -1
  bytes[28] = 1;
  bytes[29] = 0;
  bytes[30] = 1;
  const ParameterFileRecord record = DecodeParameters(bytes);
  EXPECT_EQ(record.TimeZoneIndex, -1);
  const auto encoded = EncodeParameters(record);
  EXPECT_EQ(std::vector<uint8_t>(encoded.begin(), encoded.end()), bytes);
}

TEST(FRatioText, EachCase) {
  EXPECT_EQ(FRatioFromText(""), 1.0);
  EXPECT_EQ(FRatioFromText("0.7"), 1.0);
  EXPECT_EQ(FRatioFromText(".5"), 1.0);
  EXPECT_EQ(FRatioFromText("5.6"), 5.6);
  EXPECT_EQ(FRatioFromText("12"), 12.0);
  EXPECT_EQ(FRatioFromText("f/8"), 11.0);
  EXPECT_EQ(FRatioFromText("-3"), 11.0);
  EXPECT_EQ(FRatioFromText("5,6"), 11.0);
}

TEST_F(ParameterFile, IntervalCodesRoundTripThroughTheFile) {
  const auto& buttons = IntervalButtons();
  for (size_t i = 0; i < buttons.size(); ++i) {
    ParameterFileRecord record = FirstStartParameters("v");
    ExposureChoices exposure;
    exposure.fRatioText = "5.6";
    exposure.intervalCode = buttons[i].Code;
    CollectChoices(record, MainChoices{}, &exposure);
    ASSERT_EQ(WriteParameterFile(Path(), record), "");
    ParameterFileRecord read;
    ASSERT_EQ(LoadParameterFile(Path(), "v", read).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(IntervalButtonIndex(read.IntervalCode), i) << buttons[i].Caption;
    EXPECT_EQ(read.FRatio, 5.6);
  }
  EXPECT_EQ(IntervalButtonIndex(4), std::nullopt);

  // No button checked, or no exposure window: the stored code stays.
  ParameterFileRecord record = FirstStartParameters("v");
  record.IntervalCode = 8;
  record.FRatio = 4.5;
  CollectChoices(record, MainChoices{}, nullptr);
  EXPECT_EQ(record.IntervalCode, 8);
  EXPECT_EQ(record.FRatio, 4.5);
  ExposureChoices none;
  CollectChoices(record, MainChoices{}, &none);
  EXPECT_EQ(record.IntervalCode, 8);
  EXPECT_EQ(record.FRatio, 1.0);
}

TEST_F(ParameterFile, AFailedWriteSaysWhy) {
  const ParameterFileRecord record = FirstStartParameters("v");
  const std::string missing = (folder_ / "no-such-folder" / "Tevra.prm").string();
  const std::string error = WriteParameterFile(missing, record);
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST_F(ParameterFile, CameraInformationLifeCycle) {
  const std::string folder = WithTrailingSeparator(folder_.string());
  WriteText(folder_ / "Camera.txt", "older");
  EXPECT_EQ(KeepCameraInformation(folder), "");
  EXPECT_EQ(ReadText(folder_ / "Camera.txt"), "older");  // no connection: untouched

  WriteText(folder_ / "Camera.ini", "newer");
  EXPECT_EQ(KeepCameraInformation(folder), "");
  EXPECT_EQ(ReadText(folder_ / "Camera.txt"), "newer");
  EXPECT_FALSE(fs::exists(folder_ / "Camera.ini"));

  WriteText(folder_ / "Camera.ini", "left over");
  EXPECT_EQ(DeleteCameraIni(folder), "");
  EXPECT_FALSE(fs::exists(folder_ / "Camera.ini"));
  EXPECT_EQ(DeleteCameraIni(folder), "");
}

TEST(Folders, CreationAndFailure) {
  const fs::path base = fs::temp_directory_path() / "tevra-folders-test";
  fs::remove_all(base);
  EXPECT_EQ(CreateFolder((base / "a" / "b").string()), "");
  EXPECT_TRUE(fs::is_directory(base / "a" / "b"));
  WriteText(base / "file", "x");
  const std::string error = CreateFolder((base / "file" / "sub").string());
  EXPECT_NE(error.find("Cannot create the folder"), std::string::npos) << error;
  EXPECT_EQ(WithTrailingSeparator("/x"), "/x/");
  EXPECT_EQ(WithTrailingSeparator("/x/"), "/x/");
  fs::remove_all(base);
}

TEST(Registry, AnswersTheThreeValuesOrError) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  EXPECT_NE(ReadRegistryString(key, "ProductName"), "");
  EXPECT_NE(ReadRegistryString(key, "CSDVersion"), "ERROR");
  EXPECT_EQ(ReadRegistryString(key, "InstallDate"), "ERROR");
  EXPECT_EQ(ReadRegistryString("SOFTWARE\\Other", "ProductName"), "ERROR");
}

}  // namespace
}  // namespace tevra
