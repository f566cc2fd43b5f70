// TAppMaster: the session with one camera, and the only code that calls the camera interface.
// The camera window creates it at connection and frees it at disconnection. Every operation
// returns the camera's status unchanged (0 = success); nothing throws.
#pragma once

#include "camera/camera_model.h"
#include "camera/camera_sdk.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QObject;

namespace tevra {

// Pseudo property id standing for the five settings.
constexpr uint32_t PropAll = 0xFFFF;

// Where pictures go, written to property 0x0B at connection: 1 = the camera's card.
extern uint32_t SaveTarget;

class TAppMaster {
 public:
  // Loads the camera library and takes the first camera. The callbacks post their messages to
  // window (may be null: then they are dropped).
  TAppMaster(QObject* window, std::shared_ptr<CameraSdk> sdk);
  TAppMaster(const TAppMaster&) = delete;
  TAppMaster& operator=(const TAppMaster&) = delete;
  // Closes the session, frees the camera model and ends the library.
  ~TAppMaster();

  [[nodiscard]] std::string GetCameraName() const;
  [[nodiscard]] TCamera* GetCamera() const { return camera_.get(); }
  [[nodiscard]] bool IsLegacy() const { return legacy_; }
  [[nodiscard]] bool IsSessionOpen() const { return sessionOpen_; }

  uint32_t SetEventHandlers();
  uint32_t OpenSession();
  uint32_t ApplySaveTarget();
  uint32_t ReadProperty(uint32_t propertyId);
  uint32_t ReadPropertyDesc(uint32_t propertyId);
  uint32_t WriteProperty(uint32_t propertyId, uint32_t code);
  uint32_t TakePicture();
  uint32_t DownloadItem(CameraRef item, const std::string& folder);

  // Called while a camera call waits (see CameraSdk::SetWaitHook).
  void SetWaitHook(std::function<void()> hook);

  // The callbacks: they only post the camera messages to the window given as context.
  static uint32_t PropertyEventHandler(uint32_t event, uint32_t propertyId, uint32_t parameter,
                                       void* context);
  static uint32_t ObjectEventHandler(uint32_t event, CameraRef object, void* context);
  static uint32_t ProgressHandler(uint32_t percent, void* context, bool* cancel);

 private:
  uint32_t ReadOneProperty(uint32_t propertyId);
  uint32_t ReadOnePropertyDesc(uint32_t propertyId);
  uint32_t WriteSaveTarget();
  // Runs command with a legacy body's UI locked around it; the unlock's status is the answer only
  // when reportUnlock is set and the command succeeded.
  uint32_t WithLegacyLock(const std::function<uint32_t()>& command, bool reportUnlock);

  QObject* window_;
  std::shared_ptr<CameraSdk> sdk_;
  bool sdkLoaded_ = false;
  std::unique_ptr<TCamera> camera_;
  bool sessionOpen_ = false;
  bool legacy_ = false;
  CameraRef cameraRef_ = 0;
};

// A new session manager on sdk, opened as a connection opens it: event handlers set, session open,
// save target written. Null when the camera is not there or one of the steps failed; status then
// holds the failing step's answer (CamNotFound when no camera was found).
std::unique_ptr<TAppMaster> OpenCamera(QObject* window, std::shared_ptr<CameraSdk> sdk, uint32_t& status);

}  // namespace tevra
