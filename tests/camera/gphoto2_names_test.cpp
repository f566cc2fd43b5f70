// SPDX-License-Identifier: GPL-3.0-or-later
// The translation between the labels of libgphoto2's Canon EOS driver and the Canon codes of the
// name tables, its property events and its error numbers.
#include "camera/gphoto2_names.h"
#include "camera/camera_model.h"
#include "camera/camera_sdk.h"
#include "camera/camera_status.h"
#include "camera/setting_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tevra {
namespace {

using ::testing::UnorderedElementsAreArray;

TEST(Gphoto2Names, LabelsAreTheDriversOwn) {
  EXPECT_EQ(Gphoto2LabelOf(PropIso, 0x48), "100");
  EXPECT_EQ(Gphoto2LabelOf(PropIso, 0x00), "Auto");
  EXPECT_EQ(Gphoto2LabelOf(PropAv, 0x30), "5.6");
  EXPECT_EQ(Gphoto2LabelOf(PropAv, 0x6D), "81");  // the name table's f/80
  EXPECT_EQ(Gphoto2LabelOf(PropTv, 0x78), "1/250");
  EXPECT_EQ(Gphoto2LabelOf(PropTv, 0x10), "30");
  EXPECT_EQ(Gphoto2LabelOf(PropTv, 0x0C), "bulb");
  EXPECT_EQ(Gphoto2LabelOf(PropTv, 0xA3), "Unknown value 00a3");  // 1/10000, beyond the driver's list
  EXPECT_EQ(Gphoto2LabelOf(PropAEMode, 3), "Manual");
  EXPECT_EQ(Gphoto2LabelOf(PropAEMode, 0x12), "Unknown value 0012");
  EXPECT_EQ(Gphoto2LabelOf(PropImageQuality, 0x00640013), "RAW + Large Fine JPEG");
  EXPECT_EQ(Gphoto2LabelOf(PropImageQuality, 0x0063FF0F), "cRAW");
  EXPECT_EQ(Gphoto2LabelOf(PropImageQuality, 0x0510FF0F), "Unknown value 5000");  // JPGMid1
  EXPECT_EQ(Gphoto2LabelOf(0x0B, 1), "");

  EXPECT_EQ(Gphoto2CodeOf(PropTv, "Unknown value 00a3", {}), 0xA3U);
  EXPECT_EQ(Gphoto2CodeOf(PropImageQuality, "Unknown value 5000", {}), 0x0510FF0FU);
  EXPECT_EQ(Gphoto2CodeOf(PropTv, "bulb", {}), 0x0CU);  // the name table's Bulb, not the driver's 0x04
  EXPECT_EQ(Gphoto2CodeOf(PropIso, "Auto", {}), 0U);
  EXPECT_FALSE(Gphoto2CodeOf(PropIso, "Unknown value", {}));
  EXPECT_FALSE(Gphoto2CodeOf(PropIso, "AUTO", {}));
}

// Labels shared by two codes are read by what else the body offers.
TEST(Gphoto2Names, SharedLabelsAreReadByTheBodysOtherChoices) {
  const std::vector<std::string> thirds = {"2.8", "3.2", "3.5", "4", "4.5", "5", "5.6"};
  const std::vector<std::string> halves = {"2.8", "3.5", "4", "4.5", "5.6", "6.7", "8"};
  EXPECT_EQ(Gphoto2CodeOf(PropAv, "3.5", thirds), 0x25U);
  EXPECT_EQ(Gphoto2CodeOf(PropAv, "4.5", thirds), 0x2BU);
  EXPECT_EQ(Gphoto2CodeOf(PropAv, "3.5", halves), 0x24U);
  EXPECT_EQ(Gphoto2CodeOf(PropAv, "4.5", halves), 0x2CU);
  EXPECT_EQ(Gphoto2CodeOf(PropAv, "3.5", {}), 0x25U);  // Canon bodies step in thirds by default
  const std::vector<std::string> shutterThirds = {"1/8", "1/10", "1/13"};
  const std::vector<std::string> shutterHalves = {"1/8", "1/10", "1/15", "1/45"};
  EXPECT_EQ(Gphoto2CodeOf(PropTv, "1/10", shutterThirds), 0x53U);
  EXPECT_EQ(Gphoto2CodeOf(PropTv, "1/10", shutterHalves), 0x54U);

  const std::vector<std::string> later = {"Large Fine JPEG", "Small Fine JPEG", "Smaller JPEG", "Tiny JPEG"};
  const std::vector<std::string> earlier = {"Large Fine JPEG", "Medium Fine JPEG", "Small Fine JPEG", "RAW"};
  EXPECT_EQ(Gphoto2CodeOf(PropImageQuality, "Small Fine JPEG", later), 0x0E13FF0FU);  // JPGSma1Fin
  EXPECT_EQ(Gphoto2CodeOf(PropImageQuality, "Small Fine JPEG", earlier), 0x0213FF0FU);
  EXPECT_EQ(Gphoto2CodeOf(PropImageQuality, "RAW + Small Fine JPEG", later), 0x00640E13U);
}

// Every code of the name tables, offered by a body of the kind that uses it (third or half stops;
// with or without the S1 to S3 JPEG sizes), comes back from its label as itself, but for the image
// qualities the driver has no form for.
TEST(Gphoto2Names, EveryCodeComesBackButTheImageQualitiesTheDriverCannotCarry) {
  const auto laterSizes = [](uint32_t code) {
    return (code >> 24U) >= 0xE || ((code & 0xFFFFU) != 0xFF0FU && ((code >> 8U) & 0xFFU) >= 0xE);
  };
  std::vector<std::string> uncarried;
  for (const uint32_t id : {PropImageQuality, PropAEMode, PropIso, PropAv, PropTv}) {
    const std::span<const SettingName> table = SettingNameTable(KindOfProperty(id));
    for (const SettingName& entry : table) {
      if (entry.Code == UnknownCode) {
        continue;
      }
      const std::string label = Gphoto2LabelOf(id, entry.Code);
      if (label.empty()) {
        uncarried.emplace_back(entry.Name);
        continue;
      }
      std::vector<std::string> choices;
      for (const SettingName& other : table) {
        const bool sameKind = id == PropImageQuality
                                  ? laterSizes(other.Code) == laterSizes(entry.Code)
                                  : other.Code % 8 == 0 || (other.Code % 8 == 4) == (entry.Code % 8 == 4);
        if (other.Code != UnknownCode && sameKind && !Gphoto2LabelOf(id, other.Code).empty()) {
          choices.push_back(Gphoto2LabelOf(id, other.Code));
        }
      }
      EXPECT_EQ(Gphoto2CodeOf(id, label, choices), entry.Code) << entry.Name << " as " << label;
    }
  }
  const std::vector<std::string> expected = {
      // The codes of the first EOS bodies, which the library never drives as such.
      "JPGaLarNor", "JPGaLarFin", "RAWa", "RAW+JPGaLarNor", "RAW+JPGaLarFin", "RAW+JPGaMidNor",
      "RAW+JPGaMidFin", "RAW+JPGaSmaNor", "RAW+JPGaSmaFin", "JPGaMidNor", "JPGaMidFin", "JPGaSmaNor",
      "JPGaSmaFin", "JPGaLar", "RAWb", "RAW+JPGaLar", "RAW+JPGaSma", "RAW+JPGaMid1", "RAW+JPGaMid2",
      "JPGaSma", "JPGaMid1", "JPGaMid2",
      // HEIF: the driver knows only JPEG and RAW files.
      "CRAW+HEIFLar", "CRAW+HEIFLarNor", "CRAW+HEIFLarFin", "CRAW+HEIFMid", "CRAW+HEIFMidNor",
      "CRAW+HEIFMidFin", "CRAW+HEIFMid1", "CRAW+HEIFMid2", "RAW+HEIFLar", "RAW+HEIFLarNor", "RAW+HEIFLarFin",
      "RAW+HEIFMid", "RAW+HEIFMidNor", "RAW+HEIFMidFin", "RAW+HEIFMid1", "RAW+HEIFMid2", "CRAW+HEIFSma1",
      "RAW+HEIFSma1", "CRAW+HEIFSma1Nor", "RAW+HEIFSma1Nor", "CRAW+HEIFSma1Fin", "RAW+HEIFSma1Fin",
      "CRAW+HEIFSma2", "CRAW+HEIFSma2Fin", "RAW+HEIFSma2", "RAW+HEIFSma2Fin", "HEIFLar", "HEIFLarNor",
      "HEIFLarFin", "HEIFMid", "HEIFMidNor", "HEIFMidFin", "HEIFMid1", "HEIFMid2", "HEIFSma1", "HEIFSma1Nor",
      "HEIFSma1Fin", "HEIFSma2", "HEIFSma2Fin",
      // A RAW with a large JPEG of no stated quality: in the driver's form the same as the RAW alone.
      "CRAW+JPGLar", "RAW+JPGLar", "MRAW+JPGLar", "SRAW+JPGLar"};
  EXPECT_THAT(uncarried, UnorderedElementsAreArray(expected));
}

TEST(Gphoto2Names, WholeTableMeansTheBodySentNoList) {
  std::vector<std::string> all;
  for (uint32_t code = 0; code < 0x40; ++code) {
    const std::string label = Gphoto2LabelOf(PropAEMode, code);
    if (label.rfind("Unknown", 0) != 0) {
      all.push_back(label);
    }
  }
  EXPECT_TRUE(Gphoto2OffersWholeTable(PropAEMode, all));
  all.emplace_back("Unknown value 0040");  // the driver adds a present value it has no label for
  EXPECT_TRUE(Gphoto2OffersWholeTable(PropAEMode, all));
  EXPECT_FALSE(Gphoto2OffersWholeTable(PropAEMode, std::vector<std::string>{"P", "TV", "AV", "Manual"}));
}

TEST(Gphoto2Names, PropertyEventsNameTheSetting) {
  EXPECT_EQ(PropertyOfGphoto2Event("PTP Property d103 changed, \"ISO Speed\" to \"400\""), PropIso);
  EXPECT_EQ(PropertyOfGphoto2Event("PTP Property d120 changed"), PropImageQuality);
  EXPECT_EQ(PropertyOfGphoto2Event("PTP Property d138 changed"), PropAEMode);
  EXPECT_EQ(PropertyOfGphoto2Event("PTP Property d1b0 changed"), 0U);
  EXPECT_EQ(PropertyOfGphoto2Event("FocusInfo 0x0000200"), 0U);
}

TEST(Gphoto2Names, BodyStateFromWhatTheDriverShows) {
  EXPECT_EQ(Gphoto2BodyStateOf(PropFocusMode, "Manual"), FocusModeManual);
  EXPECT_EQ(Gphoto2BodyStateOf(PropFocusMode, "One Shot"), FocusModeOneShot);
  EXPECT_EQ(Gphoto2BodyStateOf(PropFocusMode, "AI Servo"), 1U);
  EXPECT_EQ(Gphoto2BodyStateOf(PropBatteryLevel, "75%"), 75U);
  EXPECT_EQ(Gphoto2BodyStateOf(PropBatteryLevel, "Low"), 10U);
  EXPECT_FALSE(Gphoto2BodyStateOf(PropBatteryLevel, "Unknown value"));
  EXPECT_FALSE(Gphoto2BodyStateOf(PropBatteryLevel, "120%"));
  EXPECT_EQ(Gphoto2BodyStateOf(PropAvailableShots, "1200"), 1200U);
  EXPECT_FALSE(Gphoto2BodyStateOf(PropAvailableShots, "-1"));
  EXPECT_FALSE(Gphoto2BodyStateOf(PropIso, "100"));
}

TEST(Gphoto2Names, ErrorsBecomeTheStatusesCallersRetryOn) {
  const std::string closed = "ptp_ptpip_generic_read: End of stream after reading 0 bytes of ptpipheader\n";
  const std::string full = "context: Canon EOS Full-Press failed (0x200c: PTP Store Full)\n";
  const std::string refused =
      "context: The property 'ISO Speed' / 0xd103 was not set (0x201c: Invalid Value)\n";
  EXPECT_EQ(CameraStatusOfGphoto2(0, Gphoto2Call::Other, ""), CamOk);
  EXPECT_EQ(CameraStatusOfGphoto2(-110, Gphoto2Call::Write, ""), CamBusy);
  EXPECT_EQ(CameraStatusOfGphoto2(-1, Gphoto2Call::Release, "(0x2019)"), CamBusy);
  EXPECT_EQ(CameraStatusOfGphoto2(-10, Gphoto2Call::Other, ""), CamTimeout);
  EXPECT_EQ(CameraStatusOfGphoto2(-6, Gphoto2Call::Other, ""), CamNotSupported);
  // Gone: I/O errors, a body off the bus, a closed connection even where the driver answered from
  // what it held.
  EXPECT_EQ(CameraStatusOfGphoto2(-7, Gphoto2Call::Other, ""), CamDisconnected);
  EXPECT_EQ(CameraStatusOfGphoto2(-52, Gphoto2Call::Release, ""), CamDisconnected);
  EXPECT_EQ(CameraStatusOfGphoto2(-1, Gphoto2Call::Write, closed), CamDisconnected);
  EXPECT_EQ(CameraStatusOfGphoto2(0, Gphoto2Call::Other, closed), CamDisconnected);
  // Connecting: not there, or held by another program.
  EXPECT_EQ(CameraStatusOfGphoto2(-52, Gphoto2Call::Open, ""), CamNotFound);
  EXPECT_EQ(CameraStatusOfGphoto2(-7, Gphoto2Call::Open, ""), CamNotFound);
  EXPECT_EQ(CameraStatusOfGphoto2(-53, Gphoto2Call::Open, ""), CamBusy);
  EXPECT_EQ(CameraStatusOfGphoto2(-105, Gphoto2Call::Open, ""), CamNotFound);
  // Card full or write-protected on a release.
  EXPECT_EQ(CameraStatusOfGphoto2(-1, Gphoto2Call::Release, full), CamCardFull);
  EXPECT_EQ(CameraStatusOfGphoto2(-3, Gphoto2Call::Release, ""), CamCardFull);
  EXPECT_EQ(CameraStatusOfGphoto2(-115, Gphoto2Call::Release, ""), CamCardFull);
  // A release that found nothing to focus on.
  EXPECT_EQ(CameraStatusOfGphoto2(-1, Gphoto2Call::Release,
                                  "context: Canon EOS Capture failed to release: Perhaps no focus?\n"),
            CamNoFocus);
  // A plain error: a refused value on a write, otherwise the library's own trouble.
  EXPECT_EQ(CameraStatusOfGphoto2(-1, Gphoto2Call::Write, refused), CamRefused);
  EXPECT_EQ(CameraStatusOfGphoto2(-1, Gphoto2Call::Other, refused), CamInternalError);
}

}  // namespace
}  // namespace tevra

// Under the sanitizers: libgphoto2 loads its drivers with dlopen, and the libraries they pull in
// keep memory from their constructors, as do the drivers' lists, until the process ends; and the
// EOS driver drops the file names of the events it throws away before a release. Those stacks run
// through libraries built without frame pointers, so only the slow unwinder reaches the frames
// that the suppressions name.
extern "C" const char* __asan_default_options() {  // NOLINT(bugprone-reserved-identifier)
  return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions() {  // NOLINT(bugprone-reserved-identifier)
  return "leak:_dl_init\nleak:gp_port_info_list_load\nleak:gp_abilities_list_load\n"
         "leak:gp_camera_trigger_capture\n";
}
