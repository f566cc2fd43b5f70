#include "camera/gphoto2_camera.h"

#include "camera/camera_status.h"

namespace tevra {

namespace {

// Until the libgphoto2 binding exists: a library that finds no camera.
class NoGphoto2Camera final : public CameraSdk {
 public:
  uint32_t InitializeSdk() override { return CamOk; }
  uint32_t TerminateSdk() override { return CamOk; }
  uint32_t GetCameraList(CameraRef& list) override {
    list = 1;
    return CamOk;
  }
  uint32_t GetChildCount(CameraRef /*list*/, int32_t& count) override {
    count = 0;
    return CamOk;
  }
  uint32_t GetChildAtIndex(CameraRef /*list*/, int32_t /*index*/, CameraRef& camera) override {
    camera = 0;
    return CamNotFound;
  }
  uint32_t GetDeviceInfo(CameraRef /*camera*/, DeviceInfo& /*info*/) override { return CamNotFound; }
  uint32_t SetPropertyEventHandler(CameraRef /*camera*/, uint32_t /*event*/, PropertyEventHandler /*handler*/,
                                   void* /*context*/) override {
    return CamNotFound;
  }
  uint32_t SetObjectEventHandler(CameraRef /*camera*/, uint32_t /*event*/, ObjectEventHandler /*handler*/,
                                 void* /*context*/) override {
    return CamNotFound;
  }
  uint32_t SetCameraStateEventHandler(CameraRef /*camera*/, uint32_t /*event*/, StateEventHandler /*handler*/,
                                      void* /*context*/) override {
    return CamNotFound;
  }
  uint32_t OpenSession(CameraRef /*camera*/) override { return CamNotFound; }
  uint32_t CloseSession(CameraRef /*camera*/) override { return CamNotFound; }
  uint32_t GetPropertySize(CameraRef /*camera*/, uint32_t /*propertyId*/, int32_t /*parameter*/,
                           uint32_t& /*dataType*/, uint32_t& /*size*/) override {
    return CamNotFound;
  }
  uint32_t GetPropertyData(CameraRef /*camera*/, uint32_t /*propertyId*/, int32_t /*parameter*/,
                           std::span<uint8_t> /*data*/) override {
    return CamNotFound;
  }
  uint32_t SetPropertyData(CameraRef /*camera*/, uint32_t /*propertyId*/, int32_t /*parameter*/,
                           std::span<const uint8_t> /*data*/) override {
    return CamNotFound;
  }
  uint32_t GetPropertyDesc(CameraRef /*camera*/, uint32_t /*propertyId*/, PropertyDesc& /*desc*/) override {
    return CamNotFound;
  }
  uint32_t SendStatusCommand(CameraRef /*camera*/, uint32_t /*command*/, int32_t /*parameter*/) override {
    return CamNotFound;
  }
  uint32_t SetCapacity(CameraRef /*camera*/, const Capacity& /*capacity*/) override { return CamNotFound; }
  uint32_t SendCommand(CameraRef /*camera*/, uint32_t /*command*/, int32_t /*parameter*/) override {
    return CamNotFound;
  }
  uint32_t GetDirectoryItemInfo(CameraRef /*item*/, DirectoryItemInfo& /*info*/) override {
    return CamNotFound;
  }
  uint32_t CreateFileStream(const std::string& /*path*/, uint32_t /*disposition*/, uint32_t /*access*/,
                            CameraRef& /*stream*/) override {
    return CamNotFound;
  }
  uint32_t SetProgressCallback(CameraRef /*stream*/, ProgressHandler /*handler*/, uint32_t /*option*/,
                               void* /*context*/) override {
    return CamNotFound;
  }
  uint32_t Download(CameraRef /*item*/, uint64_t /*size*/, CameraRef /*stream*/) override {
    return CamNotFound;
  }
  uint32_t DownloadComplete(CameraRef /*item*/) override { return CamNotFound; }
  uint32_t Release(CameraRef /*ref*/) override { return CamOk; }
};

}  // namespace

std::shared_ptr<CameraSdk> CreateGphoto2Camera(const std::string& /*port*/, const std::string& /*model*/) {
  return std::make_shared<NoGphoto2Camera>();
}

}  // namespace tevra
