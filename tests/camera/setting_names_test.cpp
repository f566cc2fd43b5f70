// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/setting_names.h"
#include "camera/camera_model.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(SettingNames, TablesHaveTheirSizesAndCloseWithUnknown) {
  const std::array<size_t, SettingKindCount> sizes = {165, 65, 40, 55, 78};
  for (int kind = 0; kind < SettingKindCount; ++kind) {
    const auto table = SettingNameTable(kind);
    ASSERT_EQ(table.size(), sizes[static_cast<size_t>(kind)]) << "kind " << kind;
    EXPECT_EQ(table.back().Name, "Unknown");
    EXPECT_EQ(table.back().Code, UnknownCode);
  }
  EXPECT_TRUE(SettingNameTable(5).empty());
  EXPECT_TRUE(SettingNameTable(-1).empty());
  // Spot checks at both ends of each table against the listed order.
  EXPECT_EQ(IQTable()[0].Name, "JPGaLarNor");
  EXPECT_EQ(IQTable()[163].Name, "JPGSma3");
  EXPECT_EQ(IQTable()[163].Code, 0x1013FF0FU);
  EXPECT_EQ(AEModeTable()[63].Name, "VideoBlog");
  EXPECT_EQ(AEModeTable()[43].Name, "Dramatic B&W");
  EXPECT_EQ(AvTable()[53].Name, "f/3.4");
  EXPECT_EQ(TvTable()[76].Code, 0xA8U);
}

TEST(SettingNames, NameByCode) {
  EXPECT_EQ(SettingNameByCode(KindImageQuality, 0x13FF0F), "JPGLarFin");
  EXPECT_EQ(SettingNameByCode(KindAEMode, 3), "M");
  EXPECT_EQ(SettingNameByCode(KindIso, 0), "AUTO");
  EXPECT_EQ(SettingNameByCode(KindAperture, 0x30), "f/5.6");
  EXPECT_EQ(SettingNameByCode(KindShutter, 0x40), "0\"5");
  // Both codes of a duplicated shutter name give that name.
  EXPECT_EQ(SettingNameByCode(KindShutter, 0x14), "20\"");
  EXPECT_EQ(SettingNameByCode(KindShutter, 0x15), "20\"");
  // Unknown codes, the closing entry's code and kinds out of range give empty text.
  EXPECT_EQ(SettingNameByCode(KindIso, 0x59), "");
  EXPECT_EQ(SettingNameByCode(KindAperture, UnknownCode), "");
  EXPECT_EQ(SettingNameByCode(KindAEMode, 64), "");
  EXPECT_EQ(SettingNameByCode(5, 0x30), "");
  EXPECT_EQ(SettingNameByCode(-1, 0), "");
}

TEST(SettingNames, CodeByName) {
  // The earlier, smaller code of each of the seven duplicated shutter names wins.
  EXPECT_EQ(ShutterCodeOf("20\""), 0x14U);
  EXPECT_EQ(ShutterCodeOf("10\""), 0x1CU);
  EXPECT_EQ(ShutterCodeOf("6\""), 0x23U);
  EXPECT_EQ(ShutterCodeOf("0\"3"), 0x44U);
  EXPECT_EQ(ShutterCodeOf("1/6"), 0x4CU);
  EXPECT_EQ(ShutterCodeOf("1/10"), 0x53U);
  EXPECT_EQ(ShutterCodeOf("1/20"), 0x5BU);
  EXPECT_EQ(ShutterCodeOf("bulb"), 0x0CU);
  // AUTO, in any case, cannot be told from an unknown name.
  EXPECT_EQ(IsoCodeOf("AUTO"), 0U);
  EXPECT_EQ(IsoCodeOf("auto"), 0U);
  EXPECT_EQ(IsoCodeOf("401"), 0U);
  EXPECT_EQ(IsoCodeOf("400"), 0x58U);
  EXPECT_EQ(ImageQualityCodeOf("jpglarfin"), 0x13FF0FU);
  EXPECT_EQ(ImageQualityCodeOf("JPGLarFin "), 0U);  // no trimming
  EXPECT_EQ(ImageQualityCodeOf(""), 0U);
  // The closing entry takes part in the name lookups.
  EXPECT_EQ(ApertureCodeOf("Unknown"), UnknownCode);
  EXPECT_EQ(ApertureCodeOf("f/5.6"), 0x30U);
  EXPECT_EQ(ApertureCodeOf("f/13"), 0x44U);
}

TEST(TCamera, StoresTheFiveSettingsOnly) {
  TCamera camera({"usb:001,004", "Canon EOS 90D", 2});
  EXPECT_EQ(camera.GetModelName(), "Canon EOS 90D");
  EXPECT_EQ(camera.GetValue(PropTv), 0);
  camera.SetValue(PropTv, 0x90);
  camera.SetValue(PropImageQuality, 0x13FF0F);
  camera.SetValue(0x401, 7);
  EXPECT_EQ(camera.GetValue(PropTv), 0x90);
  EXPECT_EQ(camera.GetValue(PropImageQuality), 0x13FF0F);
  EXPECT_EQ(camera.GetValue(PropAv), 0);
  EXPECT_EQ(camera.GetValue(0x401), -1);

  PropertyDesc desc;
  desc.Form = 1;
  desc.Access = 2;
  desc.Count = 2;
  desc.Codes[0] = 0x48;
  desc.Codes[1] = 0x58;
  camera.SetDesc(PropIso, desc);
  PropertyDesc out;
  camera.GetDesc(PropIso, out);
  EXPECT_EQ(out.Count, 2);
  EXPECT_EQ(out.Codes[1], 0x58);
  camera.GetDesc(PropAv, out);
  EXPECT_EQ(out.Count, 0);
  out = desc;
  camera.GetDesc(0x999, out);
  EXPECT_EQ(out.Form, 0);
  EXPECT_EQ(out.Access, 0);
  EXPECT_EQ(out.Count, 0);
}

TEST(CameraSettingLists, FillFromDescriptionClampsTheCount) {
  CameraSettingListSet lists;
  EXPECT_EQ(lists[KindImageQuality].Capacity(), 164U);
  EXPECT_EQ(lists[KindShutter].Capacity(), 77U);
  PropertyDesc desc;
  desc.Count = 3;
  desc.Codes = {0x48, 0x50, -1};
  FillSettingList(lists[KindIso], desc);
  ASSERT_EQ(lists[KindIso].Count(), 3U);
  EXPECT_EQ(lists[KindIso].Codes()[2], UnknownCode);

  desc.Count = 128;  // more than the 39 ISO codes a list can hold
  FillSettingList(lists[KindIso], desc);
  EXPECT_EQ(lists[KindIso].Count(), 39U);
  desc.Count = 5000;
  FillSettingList(lists[KindImageQuality], desc);
  EXPECT_EQ(lists[KindImageQuality].Count(), 128U);
  desc.Count = -4;
  FillSettingList(lists[KindAperture], desc);
  EXPECT_EQ(lists[KindAperture].Count(), 0U);
  lists.Clear();
  EXPECT_EQ(lists[KindImageQuality].Count(), 0U);
}

}  // namespace
}  // namespace tevra
