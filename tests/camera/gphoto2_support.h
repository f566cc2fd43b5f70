// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests of the libgphoto2 backend share: a fake EOS body on a port of its own, the real
// library driving it from an empty home folder of the test's own, and the handlers' records.
#pragma once

#include "camera/camera_sdk.h"
#include "camera/camera_status.h"
#include "camera/gphoto2_camera.h"
#include "tools/fake-eos/fake_eos.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tevra {

// What the handlers were called with, from the camera thread.
struct HandlerRecord {
  std::mutex mutex;
  std::vector<std::pair<uint32_t, uint32_t>> properties;  // event, property id
  std::vector<CameraRef> items;
  std::vector<uint32_t> states;
  std::vector<uint32_t> percents;

  static uint32_t Property(uint32_t event, uint32_t propertyId, uint32_t /*parameter*/, void* context) {
    auto* record = static_cast<HandlerRecord*>(context);
    std::lock_guard lock(record->mutex);
    record->properties.emplace_back(event, propertyId);
    return 0;
  }
  static uint32_t Object(uint32_t /*event*/, CameraRef object, void* context) {
    auto* record = static_cast<HandlerRecord*>(context);
    std::lock_guard lock(record->mutex);
    record->items.push_back(object);
    return 0;
  }
  static uint32_t State(uint32_t event, uint32_t /*parameter*/, void* context) {
    auto* record = static_cast<HandlerRecord*>(context);
    std::lock_guard lock(record->mutex);
    record->states.push_back(event);
    return 0;
  }
  static uint32_t Progress(uint32_t percent, void* context, bool* /*cancel*/) {
    auto* record = static_cast<HandlerRecord*>(context);
    std::lock_guard lock(record->mutex);
    record->percents.push_back(percent);
    return 0;
  }
  bool HasProperty(uint32_t event, uint32_t propertyId) {
    std::lock_guard lock(mutex);
    return std::find(properties.begin(), properties.end(), std::pair(event, propertyId)) != properties.end();
  }
};

// Deadlines short enough for tests, long enough for the sanitizer build on a busy machine.
inline Gphoto2Options TestOptions() {
  Gphoto2Options options;
  options.callDeadlineMs = 4000;
  options.openDeadlineMs = 10000;
  options.releaseMarginMs = 6000;
  options.downloadStallMs = 6000;
  options.eventIntervalMs = 50;
  return options;
}

// Polls until done() or the bound passes.
inline bool WaitFor(const std::function<bool()>& done, int64_t boundMs = 8000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class Gphoto2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    // The library keeps a GUID and the capture target in ~/.gphoto: every test starts empty.
    std::string pattern = (std::filesystem::temp_directory_path() / "tevra-gphoto2-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    setenv("HOME", home_.c_str(), 1);
  }

  void TearDown() override {
    sdk_.reset();
    fake_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  void StartBody(FakeEosBody body = FakeEosBody::Default(), Gphoto2Options options = TestOptions()) {
    fake_ = std::make_unique<FakeEos>(std::move(body));
    sdk_ = CreateGphoto2Camera(fake_->PortPath(), "PTP/IP Camera", options);
  }

  // The steps of a connection up to the save target on the card, as the session manager takes
  // them; returns the camera reference.
  CameraRef Connect() {
    CameraRef list = 0;
    CameraRef camera = 0;
    int32_t count = 0;
    EXPECT_EQ(sdk_->InitializeSdk(), CamOk);
    EXPECT_EQ(sdk_->GetCameraList(list), CamOk);
    EXPECT_EQ(sdk_->GetChildCount(list, count), CamOk);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(sdk_->GetChildAtIndex(list, 0, camera), CamOk);
    EXPECT_EQ(sdk_->Release(list), CamOk);
    EXPECT_EQ(sdk_->SetPropertyEventHandler(camera, PropertyEventAll, &HandlerRecord::Property, &record_),
              CamOk);
    EXPECT_EQ(sdk_->SetObjectEventHandler(camera, ObjectEventAll, &HandlerRecord::Object, &record_), CamOk);
    EXPECT_EQ(sdk_->SetCameraStateEventHandler(camera, StateEventAll, &HandlerRecord::State, &record_),
              CamOk);
    EXPECT_EQ(sdk_->OpenSession(camera), CamOk);
    EXPECT_EQ(sdk_->SetPropertyData(camera, PropSaveTo, 0, UInt32Bytes(1)), CamOk);
    return camera;
  }

  uint32_t Read(CameraRef camera, uint32_t propertyId, uint32_t& code) {
    std::array<uint8_t, 4> bytes{};
    const uint32_t status = sdk_->GetPropertyData(camera, propertyId, 0, bytes);
    code = UInt32FromBytes(bytes);
    return status;
  }

  uint32_t Write(CameraRef camera, uint32_t propertyId, uint32_t code) {
    return sdk_->SetPropertyData(camera, propertyId, 0, UInt32Bytes(code));
  }

  std::string home_;
  HandlerRecord record_;
  std::unique_ptr<FakeEos> fake_;
  std::shared_ptr<CameraSdk> sdk_;
};

}  // namespace tevra
