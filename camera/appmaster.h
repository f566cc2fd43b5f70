// SPDX-License-Identifier: GPL-3.0-or-later
// TAppMaster: the session with one camera, and the only code that calls the camera interface.
// The camera window creates it at connection and frees it at disconnection. Every operation
// returns the camera's status unchanged (0 = success); nothing throws.
#pragma once

#include "camera/camera_model.h"
#include "camera/camera_sdk.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
  // Releases the shutter. A release that fails is followed by a let-go of the shutter button
  // (status not kept): a body whose full press was refused may otherwise keep its half press and
  // answer busy until it is switched off.
  uint32_t TakePicture();
  // Downloads a picture the body announced into folder under the camera's name, made safe (see
  // download_file.h); a refused name answers CamInvalidParameter without a transfer.
  uint32_t DownloadItem(CameraRef item, const std::string& folder);
  // After DownloadItem: the picture's path on success, else ""; what went wrong where the camera's
  // status does not say it (a refused name, a file that cannot be created or named), else "".
  [[nodiscard]] const std::string& DownloadPath() const { return downloadPath_; }
  [[nodiscard]] const std::string& DownloadNote() const { return downloadNote_; }

  // Called while a camera call waits (see CameraSdk::SetWaitHook).
  void SetWaitHook(std::function<void()> hook);

  // The value the body reports for a property after reading it again; nullopt when the read
  // fails. Some bodies accept a written value without applying it: this is how that shows.
  std::optional<uint32_t> ReportedValue(uint32_t propertyId);

  // New files the body has announced (0x208 events) since the session began; read from any thread.
  [[nodiscard]] uint64_t FilesAnnounced() const { return events_->files.load(); }
  // The item of the file announced last (0 before the first); it stays valid until whoever takes
  // the announcements downloads it: the window holds them back until a run ends.
  [[nodiscard]] CameraRef LastFileAnnounced() const { return events_->lastFile.load(); }
  // The body's preview of an announced item (see CameraSdk::GetPreview); the item is not released.
  uint32_t FetchPreview(CameraRef item, std::vector<uint8_t>& bytes);

  // The callbacks: they only post the camera messages to the window given as context.
  static uint32_t PropertyEventHandler(uint32_t event, uint32_t propertyId, uint32_t parameter,
                                       void* context);
  static uint32_t ObjectEventHandler(uint32_t event, CameraRef object, void* context);
  static uint32_t ProgressHandler(uint32_t percent, void* context, bool* cancel);

 private:
  // What the object handler is given as its context: the window to post to, and the count of new
  // files, which a run reads to confirm each picture without a window.
  struct EventTarget {
    QObject* window = nullptr;
    std::atomic<uint64_t> files{0};
    std::atomic<CameraRef> lastFile{0};
  };
  static uint32_t CountingObjectEventHandler(uint32_t event, CameraRef object, void* context);

  uint32_t ReadOneValue(uint32_t propertyId, std::optional<uint32_t>& value);
  uint32_t ReadOneProperty(uint32_t propertyId);
  uint32_t ReadOnePropertyDesc(uint32_t propertyId);
  uint32_t WriteSaveTarget();
  // Runs command with a legacy body's UI locked around it; the unlock's status is the answer only
  // when reportUnlock is set and the command succeeded.
  uint32_t WithLegacyLock(const std::function<uint32_t()>& command, bool reportUnlock);

  QObject* window_;
  std::unique_ptr<EventTarget> events_ = std::make_unique<EventTarget>();
  std::shared_ptr<CameraSdk> sdk_;
  bool sdkLoaded_ = false;
  std::unique_ptr<TCamera> camera_;
  bool sessionOpen_ = false;
  bool legacy_ = false;
  CameraRef cameraRef_ = 0;
  std::string downloadPath_;
  std::string downloadNote_;
};

// A new session manager on sdk, opened as a connection opens it: event handlers set, session open,
// save target written. Null when the camera is not there or one of the steps failed; status then
// holds the failing step's answer (CamNotFound when no camera was found).
std::unique_ptr<TAppMaster> OpenCamera(QObject* window, std::shared_ptr<CameraSdk> sdk, uint32_t& status);

}  // namespace tevra
