// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated body, driven through the session manager on a clock of the test's own.
#include "camera/simulated_camera.h"
#include "camera/appmaster.h"
#include "camera/camera_choice.h"
#include "camera/camera_events.h"
#include "camera/camera_status.h"
#include "camera/simulated_moon.h"
#include "timing/astrolib.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QObject>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace tevra {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class Recorder : public QObject {
 public:
  std::vector<std::pair<int, uint64_t>> messages;  // message, lParam (wParam for progress)

 protected:
  void customEvent(QEvent* event) override {
    if (CameraEvent::MessageOf(*event) != 0) {
      const auto& camera = static_cast<const CameraEvent&>(*event);
      messages.emplace_back(camera.Message(),
                            camera.Message() == WM_CAMERA_PROGRESS ? camera.WParam() : camera.LParam());
    }
  }
};

// A body without the cost of its calls, for tests that count milliseconds.
SimulatorSettings Costless() {
  SimulatorSettings settings = SimulatorSettings::Default();
  settings.callMs = settings.writeMs = 0;
  return settings;
}

struct Session {
  explicit Session(SimulatorSettings settings = SimulatorSettings::Default(), SimulatorFaults faults = {})
      : camera(std::make_shared<SimulatedCamera>(std::move(settings), std::move(faults), clock)),
        master(std::make_unique<TAppMaster>(&window, camera)) {
    master->SetEventHandlers();
    master->OpenSession();
  }
  std::vector<std::pair<int, uint64_t>> Messages() {
    QCoreApplication::sendPostedEvents(&window);
    return std::exchange(window.messages, {});
  }

  ManualTickClock clock;
  Recorder window;
  std::shared_ptr<SimulatedCamera> camera;
  std::unique_ptr<TAppMaster> master;
};

TEST(SimulatedCamera, ConnectsLikeACurrentBodyAndReleasesEveryReference) {
  Session session;
  EXPECT_EQ(session.master->GetCameraName(), "Canon EOS Simulated");
  EXPECT_FALSE(session.master->IsLegacy());
  EXPECT_EQ(session.camera->Value(PropSaveTo), 1U);
  EXPECT_FALSE(session.camera->IsUILocked());
  CameraSettingLists.Clear();
  ASSERT_EQ(session.master->ReadPropertyDesc(PropAll), CamOk);
  EXPECT_EQ(CameraSettingLists[2].Codes().front(), 0x48U);  // ISO 100
  EXPECT_EQ(CameraSettingLists[2].Codes().back(), 0x88U);   // ISO 25600
  EXPECT_EQ(CameraSettingLists[4].Count(), 55U);            // 30" to 1/8000 in third stops
  ASSERT_EQ(session.master->ReadProperty(PropAll), CamOk);
  EXPECT_EQ(session.master->GetCamera()->GetValue(PropTv), 0x78);
  session.master.reset();
  EXPECT_EQ(session.camera->OpenReferences(), 0U);
  EXPECT_FALSE(session.camera->IsSessionOpen());
}

TEST(SimulatedCamera, ReleaseKeepsTheBodyBusyForTheExposureAndProcessing) {
  SimulatorSettings settings = Costless();
  settings.processingMs = 300;
  Session session(settings);
  ASSERT_EQ(session.master->WriteProperty(PropTv, 0x38), CamOk);  // 1"
  ASSERT_EQ(session.master->TakePicture(), CamOk);
  session.clock.Advance(1299);
  EXPECT_EQ(session.master->TakePicture(), CamBusy);
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x50), CamBusy);
  session.clock.Advance(1);
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x50), CamOk);
  EXPECT_EQ(session.master->TakePicture(), CamOk);
  EXPECT_EQ(session.camera->PicturesTaken(), 2);
}

TEST(SimulatedCamera, WritesAreCheckedAndAnnounced) {
  SimulatorFaults faults;
  faults.refusedWrites[PropAv] = CamBusy;
  Session session(SimulatorSettings::Default(), faults);
  session.Messages();
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x28), CamRefused);  // ISO 6 not offered
  EXPECT_EQ(session.master->WriteProperty(PropAv, 0x30), CamBusy);
  EXPECT_THAT(session.Messages(), IsEmpty());
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x50), CamOk);
  EXPECT_THAT(session.Messages(), ElementsAre(std::pair(WM_CAMERA_PROPERTY, uint64_t{PropIso})));
  EXPECT_EQ(session.camera->Value(PropIso), 0x50U);

  // Turning the dial to Av: the shutter is no longer the user's, its list empties.
  session.camera->ChangeOnCamera(PropAEMode, 2);
  EXPECT_THAT(session.Messages(), ElementsAre(std::pair(WM_CAMERA_PROPERTY, uint64_t{PropAEMode}),
                                              std::pair(WM_CAMERA_PROPERTY, uint64_t{PropTv}),
                                              std::pair(WM_CAMERA_PROPERTY, uint64_t{PropAv})));
  CameraSettingLists.Clear();
  ASSERT_EQ(session.master->ReadPropertyDesc(PropAll), CamOk);
  EXPECT_EQ(CameraSettingLists[4].Count(), 0U);
  EXPECT_NE(CameraSettingLists[3].Count(), 0U);
  EXPECT_EQ(session.master->WriteProperty(PropTv, 0x78), CamRefused);
}

TEST(SimulatedCamera, BusyAndDisconnectFaults) {
  SimulatorFaults faults;
  faults.busyWindows.emplace_back(1000, 2000);
  Session session(SimulatorSettings::Default(), faults);
  session.camera->Faults().busyCalls = 2;
  EXPECT_EQ(session.master->TakePicture(), CamBusy);
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x50), CamBusy);
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x50), CamOk);
  session.clock.Advance(1500);
  EXPECT_EQ(session.master->TakePicture(), CamBusy);
  session.clock.Advance(500);
  EXPECT_EQ(session.master->TakePicture(), CamOk);

  // Unplugged from the next call on: everything answers "disconnected", and a new session
  // finds no camera.
  session.camera->Faults().disconnectAtCall = static_cast<int64_t>(session.camera->Calls().size()) + 1;
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x50), CamDisconnected);
  EXPECT_EQ(session.master->TakePicture(), CamDisconnected);
  session.master.reset();
  const TAppMaster again(&session.window, session.camera);
  EXPECT_EQ(again.GetCameraName(), "");
}

// The program makes a new camera for each reconnection: an outage keeps its place on the clock
// instead of starting again with every new session.
TEST(SimulatedCamera, UnpluggedForAWhileIsFoundAgainAfterReconnections) {
  SimulatorFaults faults;
  faults.disconnectWindows.emplace_back(0, 1000);
  ManualTickClock clock;
  const int64_t origin = clock.NowMs();
  auto reconnect = [&] {
    return TAppMaster(nullptr,
                      std::make_shared<SimulatedCamera>(SimulatorSettings::Default(), faults, clock, origin))
        .GetCameraName();
  };
  EXPECT_EQ(reconnect(), "");
  clock.Advance(1000);
  EXPECT_EQ(reconnect(), "Canon EOS Simulated");

  // The program's bodies share one origin.
  CameraChoice choice;
  choice.backend = "simulator";
  std::string error;
  const auto first = std::dynamic_pointer_cast<SimulatedCamera>(CreateCameraSdk(choice, error));
  const auto second = std::dynamic_pointer_cast<SimulatedCamera>(CreateCameraSdk(choice, error));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->OriginMs(), second->OriginMs());
}

TEST(SimulatedCamera, EachReleaseOffersAPictureThatDownloadsWithProgress) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tevra-sim-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  Session session;
  session.Messages();
  ASSERT_EQ(session.master->TakePicture(), CamOk);
  const auto offered = session.Messages();
  ASSERT_EQ(offered.size(), 1U);
  EXPECT_EQ(offered[0].first, WM_CAMERA_TRANSFER);
  EXPECT_EQ(session.master->DownloadItem(offered[0].second, folder.string()), CamOk);
  EXPECT_THAT(session.Messages(),
              ElementsAre(std::pair(WM_CAMERA_PROGRESS, 20U), std::pair(WM_CAMERA_PROGRESS, 40U),
                          std::pair(WM_CAMERA_PROGRESS, 60U), std::pair(WM_CAMERA_PROGRESS, 80U),
                          std::pair(WM_CAMERA_PROGRESS, 100U)));
  std::ifstream file(folder / "IMG_0001.JPG", std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 100U);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);  // JPEG start and end markers
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes.back(), 0xD9);
  EXPECT_EQ(session.camera->OpenReferences(), 1U);  // only the camera itself

  session.clock.Advance(10000);
  session.camera->Faults().cardFull = true;
  EXPECT_EQ(session.master->TakePicture(), CamCardFull);
  std::filesystem::remove_all(folder);
}

// Pictures nobody downloads (a run without a window) stay announced only up to a limit, so that a
// whole night of them does not grow the body; the latest still download.
TEST(SimulatedCamera, PicturesNobodyDownloadsDoNotPileUp) {
  Session session;
  for (int i = 0; i < 250; ++i) {
    session.clock.Advance(10000);
    ASSERT_EQ(session.master->TakePicture(), CamOk);
  }
  EXPECT_EQ(session.camera->OpenReferences(), 1 + SimulatedCamera::MaxAnnouncedItems);
  const auto offered = session.Messages();
  ASSERT_EQ(offered.size(), 250U);
  DirectoryItemInfo info;
  EXPECT_EQ(session.camera->GetDirectoryItemInfo(offered.front().second, info), CamInvalidHandle);
  EXPECT_EQ(session.camera->GetDirectoryItemInfo(offered.back().second, info), CamOk);
  EXPECT_EQ(info.FileName, "IMG_0250.JPG");
}

// The Moon's level in the body's preview of a picture (the brightest pixel of its PGM); -1 when the
// preview cannot be had.
constexpr ptrdiff_t PreviewPixels = ptrdiff_t{160} * 120;

int PreviewLevel(Session& session, CameraRef item) {
  std::vector<uint8_t> bytes;
  if (session.master->FetchPreview(item, bytes) != CamOk || std::ssize(bytes) < PreviewPixels) {
    return -1;
  }
  return *std::max_element(bytes.end() - PreviewPixels, bytes.end());
}

// The level of a picture taken now, read once the body has written it.
int LevelOfAPicture(Session& session) {
  if (session.master->TakePicture() != CamOk) {
    return -1;
  }
  session.clock.Advance(60000);
  return PreviewLevel(session, session.master->LastFileAnnounced());
}

TEST(SimulatedCamera, PreviewShowsTheMoonAsTheExposureAndTheSceneMakeIt) {
  Session session(Costless());
  ASSERT_EQ(session.master->WriteProperty(PropTv, 0x98), CamOk);  // 1/4000 at ISO 100, f/5.6
  const int base = LevelOfAPicture(session);
  EXPECT_EQ(base, SimulatedMoonLevel(FullMoonQ, 100, 5.6, 1.0 / 4000));
  // One stop more of each, as the tone curve of a JPEG shows it: 2^(1/2.2) times the level.
  const double stop = base * std::pow(2, 1 / 2.2);
  ASSERT_EQ(session.master->WriteProperty(PropTv, 0x90), CamOk);  // 1/2000
  EXPECT_NEAR(LevelOfAPicture(session), stop, 1);
  ASSERT_EQ(session.master->WriteProperty(PropTv, 0x98), CamOk);
  ASSERT_EQ(session.master->WriteProperty(PropIso, 0x50), CamOk);  // 200
  EXPECT_NEAR(LevelOfAPicture(session), stop, 1);
  ASSERT_EQ(session.master->WriteProperty(PropIso, 0x48), CamOk);
  ASSERT_EQ(session.master->WriteProperty(PropAv, 0x28), CamOk);  // f/4, about a stop (5.6 is rounded)
  EXPECT_NEAR(LevelOfAPicture(session), stop, 3);
  ASSERT_EQ(session.master->WriteProperty(PropTv, 0x38), CamOk);  // 1": far too much for a full Moon
  EXPECT_EQ(LevelOfAPicture(session), 255);

  // The eclipsed Moon at the same exposure: totality is 15 stops darker than the full Moon.
  double q = -7;
  session.camera->SetMoonScene([&q] { return q; });
  const int totality = LevelOfAPicture(session);
  EXPECT_EQ(totality, SimulatedMoonLevel(-7, 100, 4, 1));
  EXPECT_LT(totality, 40);
  // The picture keeps the level it was taken with, whatever the body and the Moon do afterwards.
  const CameraRef item = session.master->LastFileAnnounced();
  q = FullMoonQ;
  ASSERT_EQ(session.master->WriteProperty(PropIso, 0x88), CamOk);
  EXPECT_EQ(PreviewLevel(session, item), totality);
}

TEST(SimulatedCamera, PreviewIsBusyWhileTheBodyWorksAndCostsAThumbnailsTime) {
  SimulatorSettings settings = SimulatorSettings::Default();
  settings.processingMs = 300;
  Session session(settings);
  ASSERT_EQ(session.master->WriteProperty(PropTv, 0x38), CamOk);  // 1"
  ASSERT_EQ(session.master->TakePicture(), CamOk);
  const CameraRef item = session.master->LastFileAnnounced();
  std::vector<uint8_t> bytes;
  EXPECT_EQ(session.master->FetchPreview(item, bytes), CamBusy);  // exposing
  session.clock.Advance(1200);
  EXPECT_EQ(session.master->FetchPreview(item, bytes), CamBusy);  // writing the picture
  EXPECT_TRUE(bytes.empty());
  session.clock.Advance(200);
  session.camera->ClearCalls();
  ASSERT_EQ(session.master->FetchPreview(item, bytes), CamOk);
  EXPECT_TRUE(std::ssize(bytes) > PreviewPixels && bytes[0] == 'P' && bytes[1] == '5');
  const SimulatorCall& call = session.camera->Calls().back();
  EXPECT_EQ(call.name, "GetPreview");
  EXPECT_EQ(call.answeredMs - call.atMs, settings.callMs + SimulatedCamera::PreviewMs);
  // The item stays the caller's: a second preview, then gone once released.
  EXPECT_EQ(session.master->FetchPreview(item, bytes), CamOk);
  EXPECT_EQ(session.camera->Release(item), CamOk);
  EXPECT_EQ(session.master->FetchPreview(item, bytes), CamInvalidHandle);
  EXPECT_EQ(session.master->FetchPreview(0, bytes), CamInvalidHandle);
}

TEST(SimulatedCamera, SlowCallsRunTheWaitHook) {
  Session session;
  int hookRuns = 0;
  session.master->SetWaitHook([&hookRuns] { ++hookRuns; });
  session.camera->Faults().slowCallMs = 100;
  const int64_t before = session.clock.NowMs();
  EXPECT_EQ(session.master->WriteProperty(PropIso, 0x50), CamOk);
  EXPECT_EQ(session.clock.NowMs() - before, 100 + SimulatorSettings().writeMs);
  EXPECT_EQ(hookRuns, 10);
}

TEST(SimulatedCamera, RecordsEveryCallWithItsArguments) {
  Session session;
  session.camera->ClearCalls();
  session.master->WriteProperty(PropIso, 0x50);
  ASSERT_EQ(session.camera->Calls().size(), 1U);
  EXPECT_EQ(session.camera->Calls()[0].name, "SetPropertyData");
  EXPECT_THAT(session.camera->Calls()[0].args, ::testing::EndsWith("0x402, 0, 0x50"));
  EXPECT_THAT(session.camera->CallNames(), Not(Contains("SendCommand")));
}

TEST(SimulatorScript, ReadsSettingsAndFaultsAndNamesWhatIsWrong) {
  SimulatorSettings settings = SimulatorSettings::Default();
  SimulatorFaults faults;
  EXPECT_EQ(ParseSimulatorScript("model = Canon EOS R5 # the body\nlegacy; busy-calls=3\n"
                                 "busy=1000-2000; refuse=0x402:0x81; refuse=0x406\n"
                                 "disconnect=5000-9000\ndisconnect-at-call=40; card-full; slow-call-ms=20",
                                 settings, faults),
            "");
  EXPECT_EQ(settings.model, "Canon EOS R5");
  EXPECT_TRUE(settings.legacy);
  EXPECT_EQ(faults.busyCalls, 3);
  EXPECT_THAT(faults.busyWindows, ElementsAre(std::pair<int64_t, int64_t>(1000, 2000)));
  EXPECT_EQ(faults.refusedWrites.at(PropIso), CamBusy);
  EXPECT_EQ(faults.refusedWrites.at(PropTv), CamRefused);
  EXPECT_THAT(faults.disconnectWindows, ElementsAre(std::pair<int64_t, int64_t>(5000, 9000)));
  EXPECT_EQ(faults.disconnectAtCall, 40);
  EXPECT_TRUE(faults.cardFull);
  EXPECT_EQ(faults.slowCallMs, 20);

  EXPECT_EQ(ParseSimulatorScript("busy-calls=many", settings, faults),
            "simulator setting \"busy-calls\" needs a whole number from 0 to 1000000000000");
  EXPECT_EQ(ParseSimulatorScript("busy=3000-1000", settings, faults),
            "simulator setting \"busy\" needs FROM-TO in milliseconds");
  EXPECT_EQ(ParseSimulatorScript("explode", settings, faults), "unknown simulator setting \"explode\"");
  EXPECT_EQ(ParseSimulatorScript("card-full=yes", settings, faults),
            "simulator setting \"card-full\" takes no value");
  EXPECT_EQ(ParseSimulatorScript("battery=101", settings, faults),
            "simulator setting \"battery\" needs a whole number from 0 to 100");
  EXPECT_EQ(ParseSimulatorScript("not-applied=iso", settings, faults),
            "simulator setting \"not-applied\" needs a property id, for example 0x402");
  EXPECT_EQ(ParseSimulatorScript("slow-call-ms=99999999999999", settings, faults),
            "simulator setting \"slow-call-ms\" needs a whole number from 0 to 1000000000000");
}

// A body driven through the camera interface alone, on a clock of the test's own.
struct Body {
  explicit Body(const std::string& script) {
    SimulatorSettings settings = SimulatorSettings::Default();
    SimulatorFaults faults;
    EXPECT_EQ(ParseSimulatorScript(script, settings, faults), "");
    sim = std::make_unique<SimulatedCamera>(settings, faults, clock);
    CameraRef list = 0;
    sim->InitializeSdk();
    sim->GetCameraList(list);
    sim->GetChildAtIndex(list, 0, camera);
    sim->Release(list);
    sim->SetObjectEventHandler(camera, ObjectEventAll, &Body::OnObject, this);
    sim->SetPropertyEventHandler(camera, PropertyEventAll, &Body::OnProperty, this);
    EXPECT_EQ(sim->OpenSession(camera), CamOk);
  }
  uint32_t Release() { return sim->SendCommand(camera, CommandTakePicture, 0); }
  uint32_t LetGo() { return sim->SendCommand(camera, CommandPressShutterButton, ShutterButtonOff); }
  uint32_t Write(uint32_t propertyId, uint32_t code) {
    return sim->SetPropertyData(camera, propertyId, 0, UInt32Bytes(code));
  }
  uint32_t Read(uint32_t propertyId, uint32_t& code) {
    std::array<uint8_t, 4> bytes{};
    const uint32_t status = sim->GetPropertyData(camera, propertyId, 0, bytes);
    code = UInt32FromBytes(bytes);
    return status;
  }
  uint32_t Read(uint32_t propertyId) {
    uint32_t code = 0;
    EXPECT_EQ(Read(propertyId, code), CamOk) << propertyId;
    return code;
  }
  static uint32_t OnObject(uint32_t /*event*/, CameraRef /*object*/, void* context) {
    ++static_cast<Body*>(context)->filesAnnounced;
    return 0;
  }
  static uint32_t OnProperty(uint32_t /*event*/, uint32_t /*propertyId*/, uint32_t /*parameter*/,
                             void* context) {
    ++static_cast<Body*>(context)->propertyEvents;
    return 0;
  }

  ManualTickClock clock;
  std::unique_ptr<SimulatedCamera> sim;
  CameraRef camera = 0;
  int filesAnnounced = 0;
  int propertyEvents = 0;
};

TEST(SimulatedBody, AutofocusSearchesTwoSecondsAndTakesNoPicture) {
  EXPECT_EQ(Body("").Read(PropFocusMode), FocusModeManual);
  Body body("autofocus");
  EXPECT_EQ(body.Read(PropFocusMode), FocusModeOneShot);
  const int64_t before = body.clock.NowMs();
  EXPECT_EQ(body.Release(), CamNoFocus);
  EXPECT_EQ(body.clock.NowMs() - before, SimulatedCamera::AutofocusSearchMs + SimulatorSettings().callMs);
  EXPECT_EQ(body.sim->PicturesTaken(), 0);
  EXPECT_EQ(body.filesAnnounced, 0);
  body.sim->ChangeOnCamera(PropFocusMode, FocusModeManual);
  EXPECT_EQ(body.Release(), CamOk);
}

TEST(SimulatedBody, ARefusedFullPressKeepsTheBodyBusyUntilThePressIsLetGo) {
  EXPECT_EQ(Body("").LetGo(), CamOk);  // harmless on any body

  Body body("mirror-lockup; stuck-half-press");
  EXPECT_EQ(body.Read(PropMirrorLockUp), 1U);
  EXPECT_EQ(body.Release(), CamBusy);
  EXPECT_EQ(body.sim->PicturesTaken(), 0);
  uint32_t code = 0;
  EXPECT_EQ(body.Read(PropIso, code), CamBusy);
  EXPECT_EQ(body.LetGo(), CamOk);
  EXPECT_EQ(body.Read(PropIso, code), CamOk);

  // Busy for any reason holds it: here a release while the last picture is still being written.
  body.sim->ChangeOnCamera(PropMirrorLockUp, 0);
  EXPECT_EQ(body.Release(), CamOk);
  EXPECT_EQ(body.Release(), CamBusy);
  body.clock.Advance(10000);
  EXPECT_EQ(body.Write(PropIso, 0x50), CamBusy);
  EXPECT_TRUE(body.sim->IsHalfPressHeld());
  EXPECT_EQ(body.LetGo(), CamOk);
  EXPECT_EQ(body.Write(PropIso, 0x50), CamOk);
  EXPECT_EQ(body.sim->PicturesTaken(), 1);
}

TEST(SimulatedBody, CardFaultsWriteAndAnnounceNoFile) {
  for (const auto& [script, status] : {std::pair("no-card", CamOk), std::pair("card-full-busy", CamBusy),
                                       std::pair("card-full", CamCardFull)}) {
    Body body(script);
    EXPECT_EQ(body.Release(), status) << script;
    EXPECT_EQ(body.filesAnnounced, 0) << script;
    EXPECT_EQ(body.sim->PicturesTaken(), 0) << script;
  }
}

TEST(SimulatedBody, ReportsItsStateAndCountsShotsDownToAFullCard) {
  Body body("shots=2; battery=37; clock-offset-ms=-90500");
  body.sim->SetComputerClock([] { return CalJD(2024, 3, 25, 10, 0, 0); });
  EXPECT_EQ(body.Read(PropBatteryLevel), 37U);
  EXPECT_EQ(body.Read(PropDateTime), 1711360800U - 91);  // 2024-03-25 10:00:00 less 90.5 s
  EXPECT_EQ(body.Read(PropAvailableShots), 2U);
  for (const uint32_t left : {1U, 0U}) {
    EXPECT_EQ(body.Release(), CamOk);
    EXPECT_EQ(body.Read(PropAvailableShots), left);
    body.clock.Advance(1000);
  }
  EXPECT_EQ(body.Release(), CamCardFull);
  EXPECT_EQ(body.filesAnnounced, 2);
  EXPECT_EQ(body.Write(PropBatteryLevel, 100), CamNotSupported);
}

TEST(SimulatedBody, AWriteNotAppliedAnswersOkAndKeepsTheOldValue) {
  Body body("not-applied=0x402");
  const uint32_t before = body.Read(PropIso);
  body.propertyEvents = 0;
  EXPECT_EQ(body.Write(PropIso, 0x50), CamOk);
  EXPECT_EQ(body.Read(PropIso), before);
  EXPECT_EQ(body.propertyEvents, 0);
  EXPECT_EQ(body.Write(PropAv, 0x38), CamOk);
  EXPECT_EQ(body.Read(PropAv), 0x38U);
}

// A caller that retries a busy body at once, as the camera window's series do, waits as long as on
// a real one; each call is stamped with the moment it reached the body.
TEST(SimulatedBody, EveryCallCostsTimeSoABusySeriesEnds) {
  Body body("");
  const SimulatorSettings costs;
  body.sim->ClearCalls();
  int taken = 0;
  for (int picture = 0; picture < 5; ++picture) {
    uint32_t status = CamBusy;
    for (int calls = 0; calls < 5000 && status != CamOk; ++calls) {
      status = body.Release();
    }
    taken += status == CamOk ? 1 : 0;
  }
  EXPECT_EQ(taken, 5);
  const std::deque<SimulatorCall>& calls = body.sim->Calls();
  ASSERT_GT(calls.size(), 5U);
  EXPECT_EQ(calls[1].atMs - calls[0].atMs, costs.callMs);
  EXPECT_EQ(calls[0].answeredMs - calls[0].atMs, costs.callMs);
  const int64_t before = body.clock.NowMs();
  body.clock.Advance(1000);
  body.Write(PropIso, 0x50);
  EXPECT_EQ(body.sim->Calls().back().atMs, before + 1000);
  EXPECT_EQ(body.clock.NowMs() - before - 1000, costs.writeMs);
}

// As the libgphoto2 backend does: a call slower than its deadline answers CamTimeout at the deadline.
TEST(SimulatedBody, CallsSlowerThanTheirDeadlineTimeOut) {
  Body body("slow-call-ms=12000");
  uint32_t code = 0;
  int64_t before = body.clock.NowMs();
  EXPECT_EQ(body.Read(PropIso, code), CamTimeout);
  EXPECT_EQ(body.clock.NowMs() - before, CallDeadlineMs);
  EXPECT_EQ(body.Release(), CamOk);  // a release may take the exposure and 15 s more

  body.sim->Faults().slowCallMs = 25000;
  before = body.clock.NowMs();
  EXPECT_EQ(body.sim->OpenSession(body.camera), CamTimeout);
  EXPECT_EQ(body.clock.NowMs() - before, OpenDeadlineMs);
}

// TEVRA_SIMULATOR=@FILE reads a regular file of a few kilobytes and nothing else, never blocking.
TEST(SimulatorScript, FileMustBeAnOrdinaryFileOfAScriptsSize) {
  const std::string fifo =
      (std::filesystem::temp_directory_path() / ("tevra-sim-fifo-" + std::to_string(::getpid()))).string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  CameraChoice choice;
  choice.backend = "simulator";
  for (const std::string& path : {std::string("/dev/zero"), fifo}) {
    choice.simulatorScript = "@" + path;
    std::string error;
    EXPECT_EQ(CreateCameraSdk(choice, error), nullptr);
    EXPECT_THAT(error, ::testing::HasSubstr(path + ": it is not a regular file")) << error;
  }
  std::filesystem::remove(fifo);
}

}  // namespace
}  // namespace tevra
