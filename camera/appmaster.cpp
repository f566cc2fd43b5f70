// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/appmaster.h"

#include "camera/camera_events.h"
#include "camera/camera_status.h"
#include "camera/download_file.h"
#include "timing/text_util.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <utility>

namespace tevra {

uint32_t SaveTarget = 1;

namespace {

constexpr std::array<uint32_t, 5> AllProperties = {PropImageQuality, PropAEMode, PropIso, PropAv, PropTv};
constexpr size_t MaxFileNameLength = 256;

bool IsSetting(uint32_t propertyId) {
  return std::find(AllProperties.begin(), AllProperties.end(), propertyId) != AllProperties.end();
}

// Reads each of the five settings in turn and stops at the first failure.
template <typename ReadOne>
uint32_t ForEachSetting(uint32_t propertyId, ReadOne readOne) {
  if (propertyId != PropAll) {
    return readOne(propertyId);
  }
  for (const uint32_t id : AllProperties) {
    const uint32_t status = readOne(id);
    if (status != CamOk) {
      return status;
    }
  }
  return CamOk;
}

}  // namespace

TAppMaster::TAppMaster(QObject* window, std::shared_ptr<CameraSdk> sdk)
    : window_(window), sdk_(std::move(sdk)) {
  events_->window = window;
  uint32_t status = sdk_->InitializeSdk();
  if (status == CamOk) {
    sdkLoaded_ = true;
  }
  CameraRef list = 0;
  if (status == CamOk) {
    status = sdk_->GetCameraList(list);
  }
  if (status == CamOk) {
    int32_t count = 0;
    status = sdk_->GetChildCount(list, count);
  }
  if (status == CamOk) {
    status = sdk_->GetChildAtIndex(list, 0, cameraRef_);
    if (status != CamOk) {
      cameraRef_ = 0;
    }
  }
  if (cameraRef_ != 0) {
    DeviceInfo info;
    if (sdk_->GetDeviceInfo(cameraRef_, info) == CamOk) {
      legacy_ = info.DeviceSubType == 0;
    } else {
      info = DeviceInfo{};  // without device information the model name stays empty
    }
    camera_ = std::make_unique<TCamera>(info);
  }
  if (list != 0) {
    sdk_->Release(list);
  }
}

TAppMaster::~TAppMaster() {
  if (!sdkLoaded_) {
    return;
  }
  if (sessionOpen_) {
    sdk_->CloseSession(cameraRef_);
  }
  camera_.reset();
  if (cameraRef_ != 0) {
    sdk_->Release(cameraRef_);
  }
  sdk_->TerminateSdk();
}

std::string TAppMaster::GetCameraName() const { return camera_ ? camera_->GetModelName() : std::string(); }

void TAppMaster::SetWaitHook(std::function<void()> hook) { sdk_->SetWaitHook(std::move(hook)); }

uint32_t TAppMaster::SetEventHandlers() {
  if (cameraRef_ == 0) {
    return CamOk;
  }
  uint32_t status =
      sdk_->SetPropertyEventHandler(cameraRef_, PropertyEventAll, &TAppMaster::PropertyEventHandler, window_);
  if (status == CamOk) {
    status = sdk_->SetObjectEventHandler(cameraRef_, ObjectEventAll, &TAppMaster::CountingObjectEventHandler,
                                         events_.get());
  }
  return status;
}

uint32_t TAppMaster::WriteSaveTarget() {
  const std::array<uint8_t, 4> bytes = UInt32Bytes(SaveTarget);
  return sdk_->SetPropertyData(cameraRef_, PropSaveTo, 0, bytes);
}

uint32_t TAppMaster::OpenSession() {
  sessionOpen_ = false;
  uint32_t status = sdk_->OpenSession(cameraRef_);
  if (status == CamOk) {
    sessionOpen_ = true;
    // A body on the network is known by its own model name only once its session is open.
    if (DeviceInfo info; camera_ && sdk_->GetDeviceInfo(cameraRef_, info) == CamOk &&
                         !Trim(info.DeviceDescription).empty() &&
                         info.DeviceDescription != camera_->GetModelName()) {
      camera_->SetModelName(info.DeviceDescription);
    }
  }
  if (legacy_) {
    if (status == CamOk) {
      status = WriteSaveTarget();
    }
    return status;
  }
  bool locked = false;
  if (status == CamOk) {
    status = WriteSaveTarget();
  }
  if (status == CamOk) {
    status = sdk_->SendStatusCommand(cameraRef_, StatusCommandUILock, 0);
    locked = status == CamOk;
  }
  if (status == CamOk) {
    status = sdk_->SetCapacity(cameraRef_, Capacity{0x7FFFFFFF, 0x1000, true});
  }
  if (locked) {
    sdk_->SendStatusCommand(cameraRef_, StatusCommandUIUnlock, 0);
  }
  return status;
}

uint32_t TAppMaster::WithLegacyLock(const std::function<uint32_t()>& command, bool reportUnlock) {
  uint32_t status = CamOk;
  bool locked = false;
  if (legacy_) {
    status = sdk_->SendStatusCommand(cameraRef_, StatusCommandUILock, 0);
    locked = status == CamOk;
  }
  if (status == CamOk) {
    status = command();
  }
  if (locked) {
    // Unlocked whatever the command answered: a body left locked cannot be worked by hand.
    const uint32_t unlockStatus = sdk_->SendStatusCommand(cameraRef_, StatusCommandUIUnlock, 0);
    if (reportUnlock && status == CamOk) {
      status = unlockStatus;
    }
  }
  return status;
}

uint32_t TAppMaster::ApplySaveTarget() {
  if (cameraRef_ == 0) {
    return CamOk;
  }
  return WithLegacyLock([this] { return WriteSaveTarget(); }, true);
}

uint32_t TAppMaster::ReadOneValue(uint32_t propertyId, std::optional<uint32_t>& value) {
  uint32_t dataType = 0;
  uint32_t size = 0;
  uint32_t status = sdk_->GetPropertySize(cameraRef_, propertyId, 0, dataType, size);
  if (status == CamOk && dataType == DataTypeUInt32) {
    std::array<uint8_t, 4> bytes{};
    status = sdk_->GetPropertyData(cameraRef_, propertyId, 0, bytes);
    if (status == CamOk) {
      value = UInt32FromBytes(bytes);
    }
  }
  return status;
}

uint32_t TAppMaster::ReadOneProperty(uint32_t propertyId) {
  std::optional<uint32_t> value;
  const uint32_t status = ReadOneValue(propertyId, value);
  if (value && camera_) {
    camera_->SetValue(propertyId, static_cast<int32_t>(*value));
  }
  return status;
}

uint32_t TAppMaster::ReadProperty(uint32_t propertyId) {
  return ForEachSetting(propertyId, [this](uint32_t id) { return ReadOneProperty(id); });
}

uint32_t TAppMaster::ReadOnePropertyDesc(uint32_t propertyId) {
  PropertyDesc desc;
  const uint32_t status = sdk_->GetPropertyDesc(cameraRef_, propertyId, desc);
  if (status != CamOk) {
    return status;
  }
  if (camera_) {
    camera_->SetDesc(propertyId, desc);
  }
  const int kind = KindOfProperty(propertyId);
  if (kind >= 0) {
    FillSettingList(CameraSettingLists[kind], desc);
  }
  return status;
}

uint32_t TAppMaster::ReadPropertyDesc(uint32_t propertyId) {
  return ForEachSetting(propertyId, [this](uint32_t id) { return ReadOnePropertyDesc(id); });
}

uint32_t TAppMaster::WriteProperty(uint32_t propertyId, uint32_t code) {
  const std::array<uint8_t, 4> bytes = UInt32Bytes(code);
  return sdk_->SetPropertyData(cameraRef_, propertyId, 0, bytes);
}

uint32_t TAppMaster::TakePicture() {
  if (cameraRef_ == 0) {
    return CamOk;
  }
  return WithLegacyLock(
      [this] {
        const uint32_t status = sdk_->SendCommand(cameraRef_, CommandTakePicture, 0);
        if (status != CamOk && !IsDisconnected(status)) {
          sdk_->SendCommand(cameraRef_, CommandPressShutterButton, ShutterButtonOff);
        }
        return status;
      },
      false);
}

std::optional<uint32_t> TAppMaster::ReportedValue(uint32_t propertyId) {
  // Read as it stands: the body's state besides the five settings has no place in the camera model.
  std::optional<uint32_t> value;
  if (!camera_ || ReadOneValue(propertyId, value) != CamOk || !value) {
    return std::nullopt;
  }
  if (KindOfProperty(propertyId) >= 0) {
    camera_->SetValue(propertyId, static_cast<int32_t>(*value));
  }
  return value;
}

uint32_t TAppMaster::DownloadItem(CameraRef item, const std::string& folder) {
  downloadNote_.clear();
  downloadPath_.clear();
  DirectoryItemInfo info;
  uint32_t status = sdk_->GetDirectoryItemInfo(item, info);
  if (status != CamOk) {
    sdk_->Release(item);  // the item is ours to give back even when it cannot be read
    return status;
  }
  std::string why;
  std::optional<std::string> name = SafeDownloadName(info.FileName, why);
  if (name) {
    name->resize(std::min(name->size(), MaxFileNameLength));
  } else {
    downloadNote_ = "Refused the camera's file name \"" + Escaped(info.FileName) + "\": " + why;
    sdk_->Release(item);
    return CamInvalidParameter;
  }
  const std::string temporary = CreateDownloadTemporary(folder, *name, downloadNote_);
  if (temporary.empty()) {
    sdk_->Release(item);
    return CamInternalError;
  }
  CameraRef stream = 0;
  status = sdk_->CreateFileStream(temporary, FileCreateAlways, AccessReadWrite, stream);
  if (status == CamOk) {
    status = sdk_->SetProgressCallback(stream, &TAppMaster::ProgressHandler, ProgressOptionPeriodic, window_);
  }
  if (status == CamOk) {
    status = sdk_->Download(item, info.Size, stream);
  }
  if (status == CamOk) {
    status = sdk_->DownloadComplete(item);
  }
  if (stream != 0) {
    sdk_->Release(stream);
  }
  sdk_->Release(item);
  if (status == CamOk) {
    downloadPath_ = PublishDownload(temporary, folder, *name, downloadNote_);
    status = downloadPath_.empty() ? CamInternalError : CamOk;
  }
  if (status != CamOk) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
  }
  return status;
}

uint32_t TAppMaster::FetchPreview(CameraRef item, std::vector<uint8_t>& bytes) {
  return sdk_->GetPreview(item, bytes);
}

uint32_t TAppMaster::PropertyEventHandler(uint32_t event, uint32_t propertyId, uint32_t /*parameter*/,
                                          void* context) {
  if ((event == PropertyEventValueChanged || event == PropertyEventDescChanged) && IsSetting(propertyId)) {
    PostCameraMessage(static_cast<QObject*>(context), WM_CAMERA_PROPERTY, event, propertyId);
  }
  return CamOk;
}

uint32_t TAppMaster::ObjectEventHandler(uint32_t event, CameraRef object, void* context) {
  if (event == ObjectEventTransferRequest) {
    PostCameraMessage(static_cast<QObject*>(context), WM_CAMERA_TRANSFER, event, object);
  }
  return CamOk;
}

uint32_t TAppMaster::CountingObjectEventHandler(uint32_t event, CameraRef object, void* context) {
  auto* target = static_cast<EventTarget*>(context);
  if (event == ObjectEventTransferRequest) {
    target->lastFile.store(object);
    target->files.fetch_add(1);
  }
  return ObjectEventHandler(event, object, target->window);
}

uint32_t TAppMaster::ProgressHandler(uint32_t percent, void* context, bool* cancel) {
  PostCameraMessage(static_cast<QObject*>(context), WM_CAMERA_PROGRESS, percent,
                    cancel != nullptr && *cancel ? 1 : 0);
  return CamOk;
}

std::unique_ptr<TAppMaster> OpenCamera(QObject* window, std::shared_ptr<CameraSdk> sdk, uint32_t& status) {
  auto master = std::make_unique<TAppMaster>(window, std::move(sdk));
  status = Trim(master->GetCameraName()).empty() ? CamNotFound : CamOk;
  if (status == CamOk) {
    status = master->SetEventHandlers();
  }
  if (status == CamOk) {
    status = master->OpenSession();
  }
  if (status == CamOk) {
    status = master->ApplySaveTarget();
  }
  if (status != CamOk) {
    master.reset();
  }
  return master;
}

}  // namespace tevra
