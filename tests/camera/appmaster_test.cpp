// SPDX-License-Identifier: GPL-3.0-or-later
// The session manager against a mocked camera interface: the exact calls of each chain, where a
// chain stops, what is released, and what the callbacks post.
#include "camera/appmaster.h"
#include "camera/camera_events.h"
#include "camera/camera_status.h"

#include <QCoreApplication>
#include <QObject>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <tuple>
#include <vector>

namespace tevra {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::SaveArg;
using ::testing::SetArgReferee;
using ::testing::StrictMock;

class MockCameraSdk : public CameraSdk {
 public:
  MOCK_METHOD(uint32_t, InitializeSdk, (), (override));
  MOCK_METHOD(uint32_t, TerminateSdk, (), (override));
  MOCK_METHOD(uint32_t, GetCameraList, (CameraRef&), (override));
  MOCK_METHOD(uint32_t, GetChildCount, (CameraRef, int32_t&), (override));
  MOCK_METHOD(uint32_t, GetChildAtIndex, (CameraRef, int32_t, CameraRef&), (override));
  MOCK_METHOD(uint32_t, GetDeviceInfo, (CameraRef, DeviceInfo&), (override));
  MOCK_METHOD(uint32_t, SetPropertyEventHandler, (CameraRef, uint32_t, tevra::PropertyEventHandler, void*),
              (override));
  MOCK_METHOD(uint32_t, SetObjectEventHandler, (CameraRef, uint32_t, tevra::ObjectEventHandler, void*),
              (override));
  MOCK_METHOD(uint32_t, SetCameraStateEventHandler, (CameraRef, uint32_t, StateEventHandler, void*),
              (override));
  MOCK_METHOD(uint32_t, OpenSession, (CameraRef), (override));
  MOCK_METHOD(uint32_t, CloseSession, (CameraRef), (override));
  MOCK_METHOD(uint32_t, GetPropertySize, (CameraRef, uint32_t, int32_t, uint32_t&, uint32_t&), (override));
  MOCK_METHOD(uint32_t, GetPropertyData, (CameraRef, uint32_t, int32_t, std::span<uint8_t>), (override));
  MOCK_METHOD(uint32_t, SetPropertyData, (CameraRef, uint32_t, int32_t, std::span<const uint8_t>),
              (override));
  MOCK_METHOD(uint32_t, GetPropertyDesc, (CameraRef, uint32_t, PropertyDesc&), (override));
  MOCK_METHOD(uint32_t, SendStatusCommand, (CameraRef, uint32_t, int32_t), (override));
  MOCK_METHOD(uint32_t, SetCapacity, (CameraRef, const Capacity&), (override));
  MOCK_METHOD(uint32_t, SendCommand, (CameraRef, uint32_t, int32_t), (override));
  MOCK_METHOD(uint32_t, GetDirectoryItemInfo, (CameraRef, DirectoryItemInfo&), (override));
  MOCK_METHOD(uint32_t, CreateFileStream, (const std::string&, uint32_t, uint32_t, CameraRef&), (override));
  MOCK_METHOD(uint32_t, SetProgressCallback, (CameraRef, tevra::ProgressHandler, uint32_t, void*),
              (override));
  MOCK_METHOD(uint32_t, Download, (CameraRef, uint64_t, CameraRef), (override));
  MOCK_METHOD(uint32_t, DownloadComplete, (CameraRef), (override));
  MOCK_METHOD(uint32_t, Release, (CameraRef), (override));
};

constexpr CameraRef List = 11;
constexpr CameraRef Cam = 22;

MATCHER_P(Holds, value, "") { return UInt32FromBytes(arg) == static_cast<uint32_t>(value); }

// Expects the constructor's chain up to a camera with the given sub type (0 = legacy).
void ExpectCameraFound(MockCameraSdk& sdk, uint32_t subType) {
  DeviceInfo info{"usb:001,004", "Canon EOS Test", subType};
  EXPECT_CALL(sdk, InitializeSdk()).WillOnce(Return(CamOk));
  EXPECT_CALL(sdk, GetCameraList(_)).WillOnce(DoAll(SetArgReferee<0>(List), Return(CamOk)));
  EXPECT_CALL(sdk, GetChildCount(List, _)).WillOnce(DoAll(SetArgReferee<1>(1), Return(CamOk)));
  EXPECT_CALL(sdk, GetChildAtIndex(List, 0, _)).WillOnce(DoAll(SetArgReferee<2>(Cam), Return(CamOk)));
  EXPECT_CALL(sdk, GetDeviceInfo(Cam, _)).WillOnce(DoAll(SetArgReferee<1>(info), Return(CamOk)));
  EXPECT_CALL(sdk, Release(List)).WillOnce(Return(CamOk));
}

void ExpectTeardown(MockCameraSdk& sdk, bool sessionOpen) {
  if (sessionOpen) {
    EXPECT_CALL(sdk, CloseSession(Cam)).WillOnce(Return(CamOk));
  }
  EXPECT_CALL(sdk, Release(Cam)).WillOnce(Return(CamOk));
  EXPECT_CALL(sdk, TerminateSdk()).WillOnce(Return(CamOk));
}

TEST(AppMaster, NoCameraStillLoadsAndEndsTheLibrary) {
  auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
  {
    InSequence order;
    EXPECT_CALL(*sdk, InitializeSdk()).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, GetCameraList(_)).WillOnce(DoAll(SetArgReferee<0>(List), Return(CamOk)));
    EXPECT_CALL(*sdk, GetChildCount(List, _)).WillOnce(DoAll(SetArgReferee<1>(0), Return(CamOk)));
    EXPECT_CALL(*sdk, GetChildAtIndex(List, 0, _)).WillOnce(Return(CamNotFound));
    EXPECT_CALL(*sdk, Release(List)).WillOnce(Return(CamOk));
    // Without a camera these pass the null reference on and return the library's answer.
    EXPECT_CALL(*sdk, OpenSession(0)).WillOnce(Return(CamInvalidHandle));
    EXPECT_CALL(*sdk, SetPropertyData(0, PropIso, 0, _)).WillOnce(Return(CamInvalidHandle));
    EXPECT_CALL(*sdk, TerminateSdk()).WillOnce(Return(CamOk));
  }
  TAppMaster master(nullptr, sdk);
  EXPECT_EQ(master.GetCameraName(), "");
  EXPECT_EQ(master.GetCamera(), nullptr);
  // These answer 0 without asking the library.
  EXPECT_EQ(master.SetEventHandlers(), CamOk);
  EXPECT_EQ(master.ApplySaveTarget(), CamOk);
  EXPECT_EQ(master.TakePicture(), CamOk);
  EXPECT_EQ(master.OpenSession(), CamInvalidHandle);
  EXPECT_FALSE(master.IsSessionOpen());
  EXPECT_EQ(master.WriteProperty(PropIso, 0x48), CamInvalidHandle);
}

TEST(AppMaster, ConstructorChainStopsAtTheFirstFailure) {
  {
    auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
    EXPECT_CALL(*sdk, InitializeSdk()).WillOnce(Return(CamInternalError));
    // The library did not load: the destructor calls nothing.
    const TAppMaster master(nullptr, sdk);
    EXPECT_EQ(master.GetCameraName(), "");
  }
  {
    auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
    InSequence order;
    EXPECT_CALL(*sdk, InitializeSdk()).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, GetCameraList(_)).WillOnce(Return(CamInternalError));
    EXPECT_CALL(*sdk, TerminateSdk()).WillOnce(Return(CamOk));
    const TAppMaster master(nullptr, sdk);
  }
  {
    // Device information unreadable: a camera model with an empty name.
    auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
    EXPECT_CALL(*sdk, InitializeSdk()).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, GetCameraList(_)).WillOnce(DoAll(SetArgReferee<0>(List), Return(CamOk)));
    EXPECT_CALL(*sdk, GetChildCount(List, _)).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, GetChildAtIndex(List, 0, _)).WillOnce(DoAll(SetArgReferee<2>(Cam), Return(CamOk)));
    EXPECT_CALL(*sdk, GetDeviceInfo(Cam, _)).WillOnce(Return(CamBusy));
    EXPECT_CALL(*sdk, Release(List)).WillOnce(Return(CamOk));
    ExpectTeardown(*sdk, false);
    const TAppMaster master(nullptr, sdk);
    ASSERT_NE(master.GetCamera(), nullptr);
    EXPECT_EQ(master.GetCameraName(), "");
  }
}

TEST(AppMaster, ConnectionSequenceOfACurrentBody) {
  ObjectEventHandler objectHandler = nullptr;
  void* objectContext = nullptr;
  auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
  ExpectCameraFound(*sdk, 1);
  {
    InSequence order;
    EXPECT_CALL(*sdk, SetPropertyEventHandler(Cam, PropertyEventAll, &TAppMaster::PropertyEventHandler, _))
        .WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, SetObjectEventHandler(Cam, ObjectEventAll, _, _))
        .WillOnce(DoAll(SaveArg<2>(&objectHandler), SaveArg<3>(&objectContext), Return(CamOk)));
    EXPECT_CALL(*sdk, OpenSession(Cam)).WillOnce(Return(CamOk));
    // Once open, the body's own model name replaces the one the library assumed for its port.
    EXPECT_CALL(*sdk, GetDeviceInfo(Cam, _))
        .WillOnce(DoAll(SetArgReferee<1>(DeviceInfo{"ptpip", "Canon EOS R6", 1}), Return(CamOk)));
    EXPECT_CALL(*sdk, SetPropertyData(Cam, PropSaveTo, 0, Holds(1))).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, SendStatusCommand(Cam, StatusCommandUILock, 0)).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, SetCapacity(Cam, _)).WillOnce(Return(CamBusy));
    // Unlocked although the capacity failed; the capacity's status is the answer.
    EXPECT_CALL(*sdk, SendStatusCommand(Cam, StatusCommandUIUnlock, 0)).WillOnce(Return(CamOk));
    // A current body needs no lock around the save target or the release.
    EXPECT_CALL(*sdk, SetPropertyData(Cam, PropSaveTo, 0, Holds(1))).WillOnce(Return(CamOk));
    // A failed release lets go of the shutter button: the body may still hold its half press.
    EXPECT_CALL(*sdk, SendCommand(Cam, CommandTakePicture, 0)).WillOnce(Return(CamBusy));
    EXPECT_CALL(*sdk, SendCommand(Cam, CommandPressShutterButton, ShutterButtonOff))
        .WillOnce(Return(CamNotSupported));
    ExpectTeardown(*sdk, true);
  }
  SaveTarget = 1;
  TAppMaster master(nullptr, sdk);
  EXPECT_EQ(master.GetCameraName(), "Canon EOS Test");
  EXPECT_FALSE(master.IsLegacy());
  EXPECT_EQ(master.SetEventHandlers(), CamOk);
  EXPECT_EQ(master.OpenSession(), CamBusy);
  EXPECT_TRUE(master.IsSessionOpen());
  EXPECT_EQ(master.GetCameraName(), "Canon EOS R6");
  EXPECT_EQ(master.ApplySaveTarget(), CamOk);
  EXPECT_EQ(master.TakePicture(), CamBusy);
  // The object handler counts each new file for the run, whatever thread calls it.
  ASSERT_NE(objectHandler, nullptr);
  objectHandler(ObjectEventTransferRequest, 7, objectContext);
  objectHandler(0x204, 8, objectContext);
  EXPECT_EQ(master.FilesAnnounced(), 1U);
}

TEST(AppMaster, LegacyBodyIsLockedAroundItsCommands) {
  auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
  ExpectCameraFound(*sdk, 0);
  {
    InSequence order;
    // No lock and no capacity at the session.
    EXPECT_CALL(*sdk, OpenSession(Cam)).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, GetDeviceInfo(Cam, _)).WillOnce(Return(CamBusy));
    EXPECT_CALL(*sdk, SetPropertyData(Cam, PropSaveTo, 0, Holds(1))).WillOnce(Return(CamOk));
    // Release: lock, command, unlock; the command's status is reported, not the unlock's.
    EXPECT_CALL(*sdk, SendStatusCommand(Cam, StatusCommandUILock, 0)).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, SendCommand(Cam, CommandTakePicture, 0)).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, SendStatusCommand(Cam, StatusCommandUIUnlock, 0)).WillOnce(Return(CamBusy));
    // A failing lock is reported and nothing else is sent.
    EXPECT_CALL(*sdk, SendStatusCommand(Cam, StatusCommandUILock, 0)).WillOnce(Return(CamBusy));
    // A failing save-target write still unlocks the body and reports the write's status.
    EXPECT_CALL(*sdk, SendStatusCommand(Cam, StatusCommandUILock, 0)).WillOnce(Return(CamOk));
    EXPECT_CALL(*sdk, SetPropertyData(Cam, PropSaveTo, 0, Holds(1))).WillOnce(Return(CamRefused));
    EXPECT_CALL(*sdk, SendStatusCommand(Cam, StatusCommandUIUnlock, 0)).WillOnce(Return(CamOk));
    // A write needs no lock on any body.
    EXPECT_CALL(*sdk, SetPropertyData(Cam, PropTv, 0, Holds(0x78))).WillOnce(Return(CamBusy));
    ExpectTeardown(*sdk, true);
  }
  SaveTarget = 1;
  TAppMaster master(nullptr, sdk);
  EXPECT_TRUE(master.IsLegacy());
  EXPECT_EQ(master.OpenSession(), CamOk);
  EXPECT_EQ(master.TakePicture(), CamOk);
  EXPECT_EQ(master.TakePicture(), CamBusy);
  EXPECT_EQ(master.ApplySaveTarget(), CamRefused);
  EXPECT_EQ(master.WriteProperty(PropTv, 0x78), CamBusy);
}

TEST(AppMaster, ReadingAllSettingsStopsAtTheFirstFailure) {
  auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
  ExpectCameraFound(*sdk, 1);
  {
    InSequence order;
    EXPECT_CALL(*sdk, GetPropertySize(Cam, PropImageQuality, 0, _, _))
        .WillOnce(DoAll(SetArgReferee<3>(DataTypeUInt32), SetArgReferee<4>(4U), Return(CamOk)));
    EXPECT_CALL(*sdk, GetPropertyData(Cam, PropImageQuality, 0, _))
        .WillOnce([](CameraRef, uint32_t, int32_t, std::span<uint8_t> data) {
          data[0] = 0x0F;
          data[1] = 0xFF;
          data[2] = 0x13;
          return CamOk;
        });
    EXPECT_CALL(*sdk, GetPropertySize(Cam, PropAEMode, 0, _, _)).WillOnce(Return(CamBusy));
    // Descriptions: IQ taken, AE mode fails, ISO, Av and Tv are not asked for.
    EXPECT_CALL(*sdk, GetPropertyDesc(Cam, PropImageQuality, _))
        .WillOnce([](CameraRef, uint32_t, PropertyDesc& desc) {
          desc.Count = 2;
          desc.Codes[0] = 0x13FF0F;
          desc.Codes[1] = 0x64FF0F;
          return CamOk;
        });
    EXPECT_CALL(*sdk, GetPropertyDesc(Cam, PropAEMode, _)).WillOnce(Return(CamDisconnected));
    ExpectTeardown(*sdk, false);
  }
  CameraSettingLists.Clear();
  TAppMaster master(nullptr, sdk);
  EXPECT_EQ(master.ReadProperty(PropAll), CamBusy);
  EXPECT_EQ(master.GetCamera()->GetValue(PropImageQuality), 0x13FF0F);
  EXPECT_EQ(master.ReadPropertyDesc(PropAll), CamDisconnected);
  EXPECT_THAT(CameraSettingLists[0].Codes(), ElementsAre(0x13FF0FU, 0x64FF0FU));
  EXPECT_EQ(CameraSettingLists[2].Count(), 0U);
}

TEST(AppMaster, DescriptionCountsOutsideTheListAreClamped) {
  auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
  ExpectCameraFound(*sdk, 1);
  EXPECT_CALL(*sdk, GetPropertyDesc(Cam, PropIso, _)).WillOnce([](CameraRef, uint32_t, PropertyDesc& desc) {
    desc.Count = 128;  // more than the 39 the ISO list holds
    for (size_t i = 0; i < 128; ++i) {
      desc.Codes[i] = static_cast<int32_t>(0x40 + i);
    }
    return CamOk;
  });
  EXPECT_CALL(*sdk, GetPropertyDesc(Cam, PropTv, _)).WillOnce([](CameraRef, uint32_t, PropertyDesc& desc) {
    desc.Count = -5;
    return CamOk;
  });
  ExpectTeardown(*sdk, false);
  CameraSettingLists.Clear();
  TAppMaster master(nullptr, sdk);
  EXPECT_EQ(master.ReadPropertyDesc(PropIso), CamOk);
  EXPECT_EQ(CameraSettingLists[2].Count(), 39U);
  EXPECT_EQ(CameraSettingLists[2].Codes().back(), 0x40U + 38);
  EXPECT_EQ(master.ReadPropertyDesc(PropTv), CamOk);
  EXPECT_EQ(CameraSettingLists[4].Count(), 0U);
}

std::string FileText(const std::filesystem::path& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// The camera chooses the names, so a hostile one must stay inside the folder, and no download,
// failed or whole, may empty or replace a file already there.
TEST(AppMaster, DownloadKeepsInsideTheFolderAndReplacesNothing) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("tevra-download-" + std::to_string(::getpid()));
  fs::remove_all(root);
  const fs::path folder = root / "pictures";
  fs::create_directories(folder);
  std::ofstream(folder / "IMG_0001.JPG") << "older picture";
  std::ofstream(root / "table.txt") << "table";
  fs::create_symlink(root / "table.txt", folder / "IMG_0002.JPG");

  auto sdk = std::make_shared<StrictMock<MockCameraSdk>>();
  ExpectCameraFound(*sdk, 1);
  constexpr CameraRef Item = 33;
  constexpr CameraRef Stream = 44;
  std::string streamPath;
  const auto info = [](const std::string& name) {
    return DoAll(SetArgReferee<1>(DirectoryItemInfo{5, false, 0, 0, name}), Return(CamOk));
  };
  const auto writesPicture = [&](CameraRef, uint64_t, CameraRef) {
    std::ofstream(streamPath) << "new picture";
    return CamOk;
  };
  EXPECT_CALL(*sdk, CreateFileStream(_, FileCreateAlways, AccessReadWrite, _))
      .WillRepeatedly(DoAll(SaveArg<0>(&streamPath), SetArgReferee<3>(Stream), Return(CamOk)));
  EXPECT_CALL(*sdk, SetProgressCallback(Stream, _, _, _)).WillRepeatedly(Return(CamOk));
  EXPECT_CALL(*sdk, DownloadComplete(Item)).WillRepeatedly(Return(CamOk));
  EXPECT_CALL(*sdk, Release(Stream)).WillRepeatedly(Return(CamOk));
  {
    InSequence order;
    for (const char* hostile : {"..", "DCIM/", "DCIM/.bashrc", "IMG\x1B[8m.JPG", ""}) {
      EXPECT_CALL(*sdk, GetDirectoryItemInfo(Item, _)).WillOnce(info(hostile));
      EXPECT_CALL(*sdk, Release(Item)).WillOnce(Return(CamOk));
    }
    EXPECT_CALL(*sdk, GetDirectoryItemInfo(Item, _)).WillOnce(info("DCIM/100CANON/IMG_0001.JPG"));
    EXPECT_CALL(*sdk, Download(Item, 5U, Stream)).WillOnce(Return(CamDisconnected));
    EXPECT_CALL(*sdk, Release(Item)).WillOnce(Return(CamOk));
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "../IMG_0001.JPG"}) {
      EXPECT_CALL(*sdk, GetDirectoryItemInfo(Item, _)).WillOnce(info(name));
      EXPECT_CALL(*sdk, Download(Item, 5U, Stream)).WillOnce(writesPicture);
      EXPECT_CALL(*sdk, Release(Item)).WillOnce(Return(CamOk));
    }
    ExpectTeardown(*sdk, false);
  }
  TAppMaster master(nullptr, sdk);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(master.DownloadItem(Item, folder.string()), CamInvalidParameter);
    EXPECT_THAT(master.DownloadNote(), ::testing::StartsWith("Refused the camera's file name"));
  }
  EXPECT_EQ(master.DownloadItem(Item, folder.string()), CamDisconnected);
  EXPECT_EQ(master.DownloadPath(), "");
  EXPECT_EQ(master.DownloadItem(Item, folder.string()), CamOk);
  EXPECT_EQ(master.DownloadPath(), (folder / "IMG_0001-1.JPG").string());
  EXPECT_EQ(master.DownloadItem(Item, folder.string()), CamOk);
  EXPECT_EQ(master.DownloadPath(), (folder / "IMG_0002-1.JPG").string());
  EXPECT_EQ(master.DownloadItem(Item, folder.string() + "/"), CamOk);
  EXPECT_EQ(master.DownloadPath(), (folder / "IMG_0001-2.JPG").string());

  EXPECT_EQ(FileText(folder / "IMG_0001.JPG"), "older picture");
  EXPECT_EQ(FileText(root / "table.txt"), "table");
  EXPECT_EQ(FileText(folder / "IMG_0001-2.JPG"), "new picture");
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_NE(entry.path().filename().string().front(), '.');  // no temporary file left
    ++files;
  }
  EXPECT_EQ(files, 5U);
  EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 2);
  fs::remove_all(root);
}

// Records the camera messages that reach it.
class MessageRecorder : public QObject {
 public:
  std::vector<std::tuple<int, uint64_t, uint64_t>> messages;

 protected:
  void customEvent(QEvent* event) override {
    if (CameraEvent::MessageOf(*event) != 0) {
      const auto& camera = static_cast<const CameraEvent&>(*event);
      messages.emplace_back(camera.Message(), camera.WParam(), camera.LParam());
    }
  }
};

TEST(AppMaster, CallbacksOnlyPostTheirMessagesFromAnyThread) {
  MessageRecorder window;
  std::thread libraryThread([&window] {
    void* context = &window;
    TAppMaster::PropertyEventHandler(PropertyEventValueChanged, PropIso, 0, context);
    TAppMaster::PropertyEventHandler(PropertyEventDescChanged, PropTv, 0, context);
    TAppMaster::PropertyEventHandler(0x103, PropTv, 0, context);                          // other event
    TAppMaster::PropertyEventHandler(PropertyEventValueChanged, PropSaveTo, 0, context);  // other id
    TAppMaster::ObjectEventHandler(ObjectEventTransferRequest, 77, context);
    TAppMaster::ObjectEventHandler(0x204, 78, context);
    bool cancel = true;
    TAppMaster::ProgressHandler(40, context, &cancel);
  });
  libraryThread.join();
  EXPECT_TRUE(window.messages.empty());  // nothing is handled inside a callback
  QCoreApplication::sendPostedEvents(&window);
  EXPECT_THAT(window.messages, ElementsAre(std::tuple(WM_CAMERA_PROPERTY, 0x101U, PropIso),
                                           std::tuple(WM_CAMERA_PROPERTY, 0x102U, PropTv),
                                           std::tuple(WM_CAMERA_TRANSFER, 0x208U, 77U),
                                           std::tuple(WM_CAMERA_PROGRESS, 40U, 1U)));
}

}  // namespace
}  // namespace tevra
