// SPDX-License-Identifier: GPL-3.0-or-later
// The camera operations the program needs, as one abstract interface. The session manager
// TAppMaster is its only caller; the simulated camera and the libgphoto2 backend implement it.
// Every operation returns a status of camera_status.h (0 = success) and never throws.
#pragma once

#include "camera/camera_model.h"
#include "camera/camera_status.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tevra {

// An opaque reference to a camera, a camera list, a directory item or a file stream; 0 is none.
// Whoever obtained a reference gives it back with Release.
using CameraRef = uint64_t;

// Events passed to the handlers.
constexpr uint32_t PropertyEventAll = 0x100;
constexpr uint32_t PropertyEventValueChanged = 0x101;
constexpr uint32_t PropertyEventDescChanged = 0x102;
constexpr uint32_t ObjectEventAll = 0x200;
constexpr uint32_t ObjectEventTransferRequest = 0x208;
constexpr uint32_t StateEventAll = 0x300;
constexpr uint32_t StateEventShutdown = 0x301;

// Property ids besides the five settings. The body's state that a check before the night reads:
// the clock (seconds since 1970-01-01 00:00:00 of the body's own local time), the battery (percent,
// BatteryOnMains on a mains adapter), the focus mode (FocusModeManual or one of the AF modes), the
// shots the card still holds and the mirror lock-up (0 off, 1 on).
constexpr uint32_t PropSaveTo = 0x0B;
constexpr uint32_t PropDateTime = 0x06;
constexpr uint32_t PropBatteryLevel = 0x08;
constexpr uint32_t PropFocusMode = 0x404;
constexpr uint32_t PropAvailableShots = 0x40A;
constexpr uint32_t PropMirrorLockUp = 0x01000421;
constexpr uint32_t FocusModeOneShot = 0;
constexpr uint32_t FocusModeManual = 3;
constexpr uint32_t BatteryOnMains = 0xFFFFFFFF;

// Data types reported by GetPropertySize.
constexpr uint32_t DataTypeUInt32 = 9;

// Commands. PressShutterButton with ShutterButtonOff lets go of a press the body still holds: a
// release that failed half-way can leave the body half-pressed and busy until then.
constexpr uint32_t CommandTakePicture = 0;
constexpr uint32_t CommandPressShutterButton = 4;
constexpr int32_t ShutterButtonOff = 0;
constexpr uint32_t StatusCommandUILock = 0;
constexpr uint32_t StatusCommandUIUnlock = 1;

// File stream modes and progress option.
constexpr uint32_t FileCreateAlways = 1;
constexpr uint32_t AccessReadWrite = 2;
constexpr uint32_t ProgressOptionPeriodic = 2;

// How long a camera call may take before the backend gives up on it with CamTimeout, so that a
// body that hangs never hangs the program. The simulated body keeps the same deadlines.
constexpr int64_t CallDeadlineMs = 10000;
constexpr int64_t OpenDeadlineMs = 20000;   // connecting: drivers load, a USB body may need tries
constexpr int64_t ReleaseMarginMs = 15000;  // a release: the exposure time plus this
// A preview is fetched only while the next release is at least 3 s away: it may take no longer.
constexpr int64_t PreviewDeadlineMs = 2000;

// Handlers may be called on any thread; they must return at once.
using PropertyEventHandler = uint32_t (*)(uint32_t event, uint32_t propertyId, uint32_t parameter,
                                          void* context);
using ObjectEventHandler = uint32_t (*)(uint32_t event, CameraRef object, void* context);
using StateEventHandler = uint32_t (*)(uint32_t event, uint32_t parameter, void* context);
using ProgressHandler = uint32_t (*)(uint32_t percent, void* context, bool* cancel);

struct Capacity {
  int32_t NumberOfFreeClusters = 0;
  int32_t BytesPerSector = 0;
  bool Reset = false;
};

struct DirectoryItemInfo {
  uint64_t Size = 0;
  bool IsFolder = false;
  uint32_t GroupId = 0;
  uint32_t Option = 0;
  std::string FileName;  // at most 256 characters
};

class CameraSdk {
 public:
  CameraSdk() = default;
  CameraSdk(const CameraSdk&) = delete;
  CameraSdk& operator=(const CameraSdk&) = delete;
  virtual ~CameraSdk() = default;

  virtual uint32_t InitializeSdk() = 0;
  virtual uint32_t TerminateSdk() = 0;

  virtual uint32_t GetCameraList(CameraRef& list) = 0;
  virtual uint32_t GetChildCount(CameraRef list, int32_t& count) = 0;
  virtual uint32_t GetChildAtIndex(CameraRef list, int32_t index, CameraRef& camera) = 0;
  virtual uint32_t GetDeviceInfo(CameraRef camera, DeviceInfo& info) = 0;

  virtual uint32_t SetPropertyEventHandler(CameraRef camera, uint32_t event, PropertyEventHandler handler,
                                           void* context) = 0;
  virtual uint32_t SetObjectEventHandler(CameraRef camera, uint32_t event, ObjectEventHandler handler,
                                         void* context) = 0;
  virtual uint32_t SetCameraStateEventHandler(CameraRef camera, uint32_t event, StateEventHandler handler,
                                              void* context) = 0;

  virtual uint32_t OpenSession(CameraRef camera) = 0;
  virtual uint32_t CloseSession(CameraRef camera) = 0;

  virtual uint32_t GetPropertySize(CameraRef camera, uint32_t propertyId, int32_t parameter,
                                   uint32_t& dataType, uint32_t& size) = 0;
  virtual uint32_t GetPropertyData(CameraRef camera, uint32_t propertyId, int32_t parameter,
                                   std::span<uint8_t> data) = 0;
  virtual uint32_t SetPropertyData(CameraRef camera, uint32_t propertyId, int32_t parameter,
                                   std::span<const uint8_t> data) = 0;
  virtual uint32_t GetPropertyDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc) = 0;

  virtual uint32_t SendStatusCommand(CameraRef camera, uint32_t command, int32_t parameter) = 0;
  virtual uint32_t SetCapacity(CameraRef camera, const Capacity& capacity) = 0;
  virtual uint32_t SendCommand(CameraRef camera, uint32_t command, int32_t parameter) = 0;

  virtual uint32_t GetDirectoryItemInfo(CameraRef item, DirectoryItemInfo& info) = 0;
  virtual uint32_t CreateFileStream(const std::string& path, uint32_t disposition, uint32_t access,
                                    CameraRef& stream) = 0;
  virtual uint32_t SetProgressCallback(CameraRef stream, ProgressHandler handler, uint32_t option,
                                       void* context) = 0;
  virtual uint32_t Download(CameraRef item, uint64_t size, CameraRef stream) = 0;
  virtual uint32_t DownloadComplete(CameraRef item) = 0;

  // Gives a reference back; the object behind it ends when nothing holds it any more.
  virtual uint32_t Release(CameraRef ref) = 0;

  // The body's own small preview of a picture it announced (a JPEG's thumbnail, the JPEG a RAW
  // embeds; the simulated body's is a binary PGM), as the body gives it. The item stays the
  // caller's. A body without previews answers CamNotSupported.
  virtual uint32_t GetPreview(CameraRef /*item*/, std::vector<uint8_t>& bytes) {
    bytes.clear();
    return CamNotSupported;
  }

  // Called over and over while a call waits for a camera that answers slowly, so that the
  // caller's windows keep repainting and taking clicks. Empty: the call just blocks.
  void SetWaitHook(std::function<void()> hook) { waitHook_ = std::move(hook); }

 protected:
  void RunWaitHook() const {
    if (waitHook_) {
      waitHook_();
    }
  }

 private:
  std::function<void()> waitHook_;
};

// Writes and reads the 32-bit values that property data carry (little-endian, as the camera).
std::array<uint8_t, 4> UInt32Bytes(uint32_t value);
uint32_t UInt32FromBytes(std::span<const uint8_t> data);

}  // namespace tevra
