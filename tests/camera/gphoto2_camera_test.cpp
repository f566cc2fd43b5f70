// SPDX-License-Identifier: GPL-3.0-or-later
// The libgphoto2 backend against the real Canon EOS driver (ptp2.so over ptpip.so), which drives a
// fake EOS body on the loopback: settings, writes, releases, downloads, events and faults.
#include "camera/camera_model.h"
#include "camera/setting_names.h"
#include "tests/camera/gphoto2_support.h"

#include <gmock/gmock.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

namespace tevra {
namespace {

using ::testing::ElementsAreArray;
using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::vector<uint32_t> DescCodes(const PropertyDesc& desc) {
  return {desc.Codes.begin(), desc.Codes.begin() + desc.Count};
}

TEST_F(Gphoto2Test, ConnectsAndReadsWhatTheBodyHolds) {
  const FakeEosBody body = FakeEosBody::Default();
  StartBody(body);
  const CameraRef camera = Connect();

  // Over PTP/IP the library names the body only once it has read the body's own information.
  DeviceInfo info;
  ASSERT_EQ(sdk_->GetDeviceInfo(camera, info), CamOk);
  EXPECT_EQ(info.DeviceDescription, body.model);
  EXPECT_EQ(info.PortName, fake_->PortPath());
  EXPECT_NE(info.DeviceSubType, 0U);

  const std::vector<std::pair<uint32_t, uint32_t>> values = {{PropImageQuality, body.imageQuality},
                                                             {PropAEMode, body.aeMode},
                                                             {PropIso, body.iso},
                                                             {PropAv, body.aperture},
                                                             {PropTv, body.shutterSpeed}};
  for (const auto& [id, expected] : values) {
    uint32_t code = 0;
    EXPECT_EQ(Read(camera, id, code), CamOk) << std::hex << id;
    EXPECT_EQ(code, expected) << std::hex << id;
  }
  const std::vector<std::pair<uint32_t, std::vector<uint32_t>>> lists = {
      {PropImageQuality, body.imageQualities},
      {PropIso, body.isos},
      {PropAv, body.apertures},
      {PropTv, body.shutterSpeeds},
      // no list from the body
      {PropAEMode, {body.aeMode}}};
  for (const auto& [id, expected] : lists) {
    PropertyDesc desc;
    ASSERT_EQ(sdk_->GetPropertyDesc(camera, id, desc), CamOk) << std::hex << id;
    EXPECT_THAT(DescCodes(desc), ElementsAreArray(expected)) << std::hex << id;
  }
  uint32_t target = 0;
  EXPECT_EQ(Read(camera, PropSaveTo, target), CamOk);
  EXPECT_EQ(target, 1U);
  EXPECT_EQ(fake_->Value(EosPropCaptureDestination), 1U);

  // The initial flood of values the body reports is not passed on as changes.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::lock_guard lock(record_.mutex);
  EXPECT_TRUE(record_.properties.empty());
}

// Writes every code of a name table through the driver to a body that accepts them all and reads
// it back. Aperture and shutter codes are taken in two bodies, one set in third stops and one in
// half stops, since the driver gives the third- and the half-stop code of one value the same label.
TEST_F(Gphoto2Test, EveryIsoApertureAndShutterCodeReadsBackAsItself) {
  const auto inTable = [](int kind, bool halfStops) {
    std::vector<uint32_t> codes;
    for (const SettingName& entry : SettingNameTable(kind)) {
      const bool half = entry.Code % 8 == 4;
      if (entry.Code != UnknownCode && (kind == KindIso || entry.Code % 8 == 0 || half == halfStops)) {
        codes.push_back(entry.Code);
      }
    }
    return codes;
  };
  std::vector<std::string> unreadable;
  for (const bool halfStops : {false, true}) {
    FakeEosBody body = FakeEosBody::Default();
    body.isos = inTable(KindIso, halfStops);
    body.apertures = inTable(KindAperture, halfStops);
    body.shutterSpeeds = inTable(KindShutter, halfStops);
    sdk_.reset();
    StartBody(body);
    const CameraRef camera = Connect();
    const std::vector<std::tuple<uint32_t, uint16_t, std::vector<uint32_t>>> settings = {
        {PropIso, EosPropIso, body.isos},
        {PropAv, EosPropAperture, body.apertures},
        {PropTv, EosPropShutterSpeed, body.shutterSpeeds}};
    for (const auto& [id, property, codes] : settings) {
      for (const uint32_t code : codes) {
        if (halfStops && id == PropIso) {
          continue;  // once is enough
        }
        uint32_t back = 0;
        const uint32_t written = Write(camera, id, code);
        const uint32_t read = Read(camera, id, back);
        if (written != CamOk || fake_->Value(property) != code || read != CamOk || back != code) {
          unreadable.push_back(SettingNameByCode(KindOfProperty(id), code));
        }
      }
    }
  }
  // Every ISO, aperture and shutter code of the name tables comes through.
  EXPECT_THAT(unreadable, ::testing::IsEmpty());
}

TEST_F(Gphoto2Test, ImageQualitiesOfTheBodyAreWrittenAndReadAsTheirCodes) {
  const FakeEosBody body = FakeEosBody::Default();
  StartBody(body);
  const CameraRef camera = Connect();
  for (const uint32_t code : body.imageQualities) {
    uint32_t back = 0;
    EXPECT_EQ(Write(camera, PropImageQuality, code), CamOk) << SettingNameByCode(KindImageQuality, code);
    EXPECT_EQ(fake_->Value(EosPropImageFormat), code) << SettingNameByCode(KindImageQuality, code);
    EXPECT_EQ(Read(camera, PropImageQuality, back), CamOk);
    EXPECT_EQ(back, code) << SettingNameByCode(KindImageQuality, code);
  }
}

TEST_F(Gphoto2Test, RefusedWritesLeaveTheBodyAsItWas) {
  StartBody();
  const CameraRef camera = Connect();
  fake_->RefuseWrites(EosPropIso);
  EXPECT_EQ(Write(camera, PropIso, 0x58), CamRefused);  // the body refuses ISO 400
  EXPECT_EQ(fake_->Value(EosPropIso), 0x48U);
  // A value the body does not offer now, and one the driver cannot carry (HEIF) at all.
  EXPECT_EQ(Write(camera, PropAv, 0x08), CamRefused);
  EXPECT_EQ(Write(camera, PropImageQuality, 0x0080FF0F), CamRefused);
  EXPECT_EQ(Write(camera, PropSaveTo, 2), CamNotSupported);
  // The session goes on.
  EXPECT_EQ(Write(camera, PropAv, 0x38), CamOk);
  EXPECT_EQ(fake_->Value(EosPropAperture), 0x38U);

  // A body that answers OK and keeps its value: the driver held the written value, but the read
  // right after the write shows what the body reported.
  fake_->IgnoreWrites(EosPropShutterSpeed);
  uint32_t code = 0;
  EXPECT_EQ(Write(camera, PropTv, 0x60), CamOk);
  EXPECT_EQ(Read(camera, PropTv, code), CamOk);
  EXPECT_EQ(code, 0x78U);
  EXPECT_EQ(fake_->Value(EosPropShutterSpeed), 0x78U);
}

// Focus mode, battery, shots left and the body's clock, which a check before the night reads. The
// computer is two hours east of UTC, so that the driver's turn of the body's local time into the
// computer's shows.
TEST_F(Gphoto2Test, BodyStateIsReadAsTheBodyTellsIt) {
  const char* const zone = std::getenv("TZ");
  const std::optional<std::string> oldZone =
      zone != nullptr ? std::optional<std::string>(zone) : std::nullopt;
  setenv("TZ", "TVR-2", 1);
  tzset();
  FakeEosBody body = FakeEosBody::Default();
  body.batteryPercent = 50;
  body.availableShots = 321;
  body.clockOffsetMs = -3'600'000;  // an hour slow
  StartBody(body);
  const CameraRef camera = Connect();
  uint32_t dataType = 0;
  uint32_t size = 0;
  uint32_t value = 0;
  for (const auto& [id, expected] : std::vector<std::pair<uint32_t, uint32_t>>{
           {PropFocusMode, FocusModeManual}, {PropBatteryLevel, 50}, {PropAvailableShots, 321}}) {
    EXPECT_EQ(sdk_->GetPropertySize(camera, id, 0, dataType, size), CamOk) << std::hex << id;
    EXPECT_EQ(Read(camera, id, value), CamOk) << std::hex << id;
    EXPECT_EQ(value, expected) << std::hex << id;
  }
  const int64_t bodyNow = std::time(nullptr) + 3600;  // two hours east of UTC, an hour slow
  EXPECT_EQ(Read(camera, PropDateTime, value), CamOk);
  EXPECT_NEAR(static_cast<double>(value), static_cast<double>(bodyNow), 2.0);

  fake_->SetAutofocus(true);
  fake_->SetBattery(20);
  EXPECT_EQ(Read(camera, PropFocusMode, value), CamOk);
  EXPECT_EQ(value, FocusModeOneShot);
  EXPECT_EQ(Read(camera, PropBatteryLevel, value), CamOk);
  EXPECT_EQ(value, 25U);  // the body's nearest step
  // Read only; and a property no body shows through the library.
  EXPECT_EQ(Write(camera, PropBatteryLevel, 100), CamNotSupported);
  EXPECT_EQ(sdk_->GetPropertySize(camera, PropMirrorLockUp, 0, dataType, size), CamNotSupported);
  // The zone changes back once no other thread reads it.
  sdk_.reset();
  fake_.reset();
  if (oldZone) {
    setenv("TZ", oldZone->c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST_F(Gphoto2Test, ReleaseAnnouncesTheFileAndDownloadsItWithProgress) {
  FakeEosBody body = FakeEosBody::Default();
  body.imageQuality = 0x0013FF0F;  // a large fine JPEG
  body.pictureBytes = 2'500'000;   // read in three parts
  StartBody(body);
  const CameraRef camera = Connect();
  ASSERT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamOk);
  EXPECT_EQ(fake_->Releases(), 1);
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard lock(record_.mutex);
    return !record_.items.empty();
  }));
  const CameraRef item = record_.items.front();

  DirectoryItemInfo info;
  ASSERT_EQ(sdk_->GetDirectoryItemInfo(item, info), CamOk);
  EXPECT_EQ(info.FileName, "IMG_0001.JPG");
  EXPECT_EQ(info.Size, body.pictureBytes);

  const std::string path = home_ + "/" + info.FileName;
  CameraRef stream = 0;
  ASSERT_EQ(sdk_->CreateFileStream(path, FileCreateAlways, AccessReadWrite, stream), CamOk);
  ASSERT_EQ(sdk_->SetProgressCallback(stream, &HandlerRecord::Progress, ProgressOptionPeriodic, &record_),
            CamOk);
  ASSERT_EQ(sdk_->Download(item, info.Size, stream), CamOk);
  EXPECT_EQ(sdk_->DownloadComplete(item), CamOk);
  EXPECT_EQ(sdk_->Release(stream), CamOk);
  EXPECT_EQ(sdk_->Release(item), CamOk);

  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> written{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(written == fake_->FileData("IMG_0001.JPG"));
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
  std::lock_guard lock(record_.mutex);
  EXPECT_GE(record_.percents.size(), 3U);
  EXPECT_TRUE(std::is_sorted(record_.percents.begin(), record_.percents.end()));
  ASSERT_FALSE(record_.percents.empty());
  EXPECT_EQ(record_.percents.back(), 100U);
}

// The operation the body received last with that code.
std::optional<FakeEosOperation> LastOperation(const FakeEos& fake, uint16_t code) {
  const std::vector<FakeEosOperation> operations = fake.Operations();
  const auto found =
      std::find_if(operations.rbegin(), operations.rend(),
                   [code](const FakeEosOperation& operation) { return operation.code == code; });
  return found != operations.rend() ? std::optional(*found) : std::nullopt;
}

TEST_F(Gphoto2Test, BusyAnswersAreBusyAndTheNextTrySucceeds) {
  StartBody();
  const CameraRef camera = Connect();
  fake_->AnswerBusy(1);
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamBusy);
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamOk);
  EXPECT_EQ(fake_->Value(EosPropIso), 0x50U);
  // The write as the body received it: size, property, value.
  const std::optional<FakeEosOperation> write = LastOperation(*fake_, EosOpSetPropValueEx);
  ASSERT_TRUE(write);
  EXPECT_THAT(write->data, ElementsAreArray({12, 0, 0, 0, 0x03, 0xD1, 0, 0, 0x50, 0, 0, 0}));

  fake_->AnswerBusy(1);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamBusy);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamOk);
  EXPECT_EQ(fake_->Releases(), 1);
  const std::optional<FakeEosOperation> press = LastOperation(*fake_, EosOpRemoteReleaseOn);
  ASSERT_TRUE(press);
  EXPECT_THAT(press->params, ::testing::Contains(2U));  // the full press
}

// Mirror lock-up answers the full press busy, and the driver of 2.5.30 leaves the half press held:
// the body is busy until the press is let go, even once the mirror lock-up is off.
TEST_F(Gphoto2Test, HeldHalfPressIsLetGoAndTheNextReleaseWorks) {
  StartBody();
  const CameraRef camera = Connect();
  fake_->SetMirrorLockup(true);
  fake_->SetStuckHalfPress(true);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamBusy);
  fake_->SetMirrorLockup(false);
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamBusy);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamBusy);

  EXPECT_EQ(sdk_->SendCommand(camera, CommandPressShutterButton, ShutterButtonOff), CamOk);
  const std::optional<FakeEosOperation> letGo = LastOperation(*fake_, EosOpRemoteReleaseOff);
  ASSERT_TRUE(letGo);
  EXPECT_THAT(letGo->params, ElementsAreArray({3U}));
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamOk);
  EXPECT_EQ(fake_->Releases(), 1);
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamOk);
}

// Full cards and missing cards as current bodies answer them: nothing written, nothing announced.
// The body's time stamps show when each release reached it.
TEST_F(Gphoto2Test, ReleasesWithoutACardAnnounceNoFile) {
  StartBody();
  const CameraRef camera = Connect();
  const Clock::time_point start = Clock::now();
  fake_->SetCardFullBusy(true);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamBusy);
  fake_->SetCardFullBusy(false);
  fake_->SetCardFull(true);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamCardFull);
  fake_->SetCardFull(false);
  fake_->SetNoCard(true);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamOk);
  const Clock::time_point end = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // several event polls
  EXPECT_EQ(fake_->Releases(), 0);
  {
    std::lock_guard lock(record_.mutex);
    EXPECT_TRUE(record_.items.empty());
  }
  const std::vector<Clock::time_point> times = fake_->ReleaseTimes();
  ASSERT_EQ(times.size(), 3U);
  EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
  EXPECT_GE(times.front(), start);
  EXPECT_LE(times.back(), end);
}

// A body in AF that finds nothing to focus on fails the release after its search. (The one-step
// release of older bodies says so in a response parameter, which the PTP/IP driver drops.)
TEST_F(Gphoto2Test, AutofocusWithoutFocusAnswersNoFocus) {
  FakeEosBody body = FakeEosBody::Default();
  body.autofocus = true;
  StartBody(body);
  const CameraRef camera = Connect();
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamNoFocus);
  EXPECT_GE(MsSince(start), 1500);
  EXPECT_LT(MsSince(start), 3000);
  EXPECT_EQ(fake_->Releases(), 0);
}

TEST_F(Gphoto2Test, DroppedConnectionIsDisconnectedAndTheBodyIsFoundAgain) {
  StartBody();
  CameraRef camera = Connect();
  fake_->DropConnection();
  uint32_t code = 0;
  // The next call, or the event poll before it, finds the body gone; writing to the closed socket
  // must not end the program.
  EXPECT_EQ(Read(camera, PropIso, code), CamDisconnected);
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamDisconnected);
  EXPECT_TRUE(WaitFor([&] {
    std::lock_guard lock(record_.mutex);
    return record_.states == std::vector<uint32_t>{StateEventShutdown};
  }));

  // Back on the network: the next connection finds it.
  EXPECT_EQ(sdk_->CloseSession(camera), CamOk);
  EXPECT_EQ(sdk_->Release(camera), CamOk);
  EXPECT_EQ(sdk_->TerminateSdk(), CamOk);
  camera = Connect();
  EXPECT_EQ(Read(camera, PropIso, code), CamOk);
  EXPECT_EQ(code, 0x48U);
  EXPECT_EQ(fake_->Connections(), 2);
}

// On an older body, which releases with RemoteRelease alone.
TEST_F(Gphoto2Test, FullCardConnectsAndRefusesTheRelease) {
  FakeEosBody body = FakeEosBody::Default();
  body.availableShots = 0;
  body.releaseOnOff = false;
  StartBody(body);
  const Clock::time_point start = Clock::now();
  const CameraRef camera = Connect();
  PropertyDesc desc;
  EXPECT_EQ(sdk_->GetPropertyDesc(camera, PropTv, desc), CamOk);
  EXPECT_EQ(sdk_->SendCommand(camera, CommandTakePicture, 0), CamCardFull);
  EXPECT_EQ(fake_->Releases(), 0);
  EXPECT_TRUE(LastOperation(*fake_, EosOpRemoteRelease));
  // Nothing to let go of: the body has no remote release press.
  EXPECT_EQ(sdk_->SendCommand(camera, CommandPressShutterButton, ShutterButtonOff), CamNotSupported);
  // The driver never moved the capture target to the computer, where it would poll for free
  // space without end.
  EXPECT_EQ(fake_->Value(EosPropCaptureDestination), 1U);
  EXPECT_LT(MsSince(start), TestOptions().callDeadlineMs);
}

// A driver that never comes back (the body reports a change in every poll, so the driver polls
// for ever): the caller gets a timeout at its deadline and stays responsive, later calls answer at
// once until the driver lets go, and then the session works again.
TEST_F(Gphoto2Test, DriverThatNeverReturnsAnswersTimeout) {
  Gphoto2Options options = TestOptions();
  options.callDeadlineMs = 1000;
  StartBody(FakeEosBody::Default(), options);
  const CameraRef camera = Connect();
  std::atomic<int> hookCalls{0};
  sdk_->SetWaitHook([&] { ++hookCalls; });
  fake_->SetChatter(true);

  Clock::time_point start = Clock::now();
  uint32_t code = 0;
  EXPECT_EQ(Read(camera, PropIso, code), CamTimeout);
  EXPECT_GE(MsSince(start), options.callDeadlineMs - 50);
  EXPECT_LT(MsSince(start), options.callDeadlineMs + 1000);
  EXPECT_GT(hookCalls.load(), 10);

  start = Clock::now();
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamTimeout);
  EXPECT_LT(MsSince(start), 200);
  EXPECT_EQ(fake_->Value(EosPropIso), 0x48U);  // a call given up on is never carried out later

  fake_->SetChatter(false);
  EXPECT_TRUE(WaitFor([&] { return Read(camera, PropIso, code) == CamOk; }));
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamOk);
  sdk_->SetWaitHook({});
}

// A body that answers too late for the deadline (asleep, or out of reach on Wi-Fi).
TEST_F(Gphoto2Test, SlowBodyAnswersTimeoutAndRecovers) {
  Gphoto2Options options = TestOptions();
  options.callDeadlineMs = 1000;
  StartBody(FakeEosBody::Default(), options);
  const CameraRef camera = Connect();
  fake_->SetAnswerDelayMs(700);
  uint32_t code = 0;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(Write(camera, PropIso, 0x50), CamTimeout);
  EXPECT_LT(MsSince(start), options.callDeadlineMs + 1000);
  fake_->SetAnswerDelayMs(0);
  EXPECT_TRUE(WaitFor([&] { return Read(camera, PropIso, code) == CamOk; }));
}

TEST_F(Gphoto2Test, ChangesOnTheBodyArePostedAsPropertyEvents) {
  StartBody();
  const CameraRef camera = Connect();
  PropertyDesc desc;
  for (const uint32_t id : {PropImageQuality, PropAEMode, PropIso, PropAv, PropTv}) {
    ASSERT_EQ(sdk_->GetPropertyDesc(camera, id, desc), CamOk);
  }
  fake_->ChangeOnBody(EosPropIso, 0x58);
  EXPECT_TRUE(WaitFor([&] { return record_.HasProperty(PropertyEventValueChanged, PropIso); }));

  // The mode dial to Av: the body fixes the shutter speed, so its list changes.
  fake_->ChangeOnBody(EosPropAEMode, 2);
  EXPECT_TRUE(WaitFor([&] {
    return record_.HasProperty(PropertyEventDescChanged, PropTv) &&
           record_.HasProperty(PropertyEventValueChanged, PropAEMode);
  }));
  EXPECT_FALSE(record_.HasProperty(PropertyEventDescChanged, PropAv));
  ASSERT_EQ(sdk_->GetPropertyDesc(camera, PropTv, desc), CamOk);
  EXPECT_THAT(DescCodes(desc), ElementsAreArray({0x78U}));
}

}  // namespace
}  // namespace tevra
