// SPDX-License-Identifier: GPL-3.0-or-later
// The libgphoto2 backend's state on its camera thread: the library's context and camera, the
// references handed out, the handlers and a download under way. Only the camera thread calls it,
// but for Silence and the atomics. Its parts live in files of their own: the connection and the
// event poll (gphoto2_connection.cpp), the settings (gphoto2_settings.cpp), the release
// (gphoto2_release.cpp) and the download (gphoto2_download.cpp).
#pragma once

#include "camera/camera_sdk.h"
#include "camera/gphoto2_worker.h"

#include <gphoto2/gphoto2.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tevra {

class Gphoto2Session {
 public:
  Gphoto2Session(std::string port, std::string model);
  Gphoto2Session(const Gphoto2Session&) = delete;
  Gphoto2Session& operator=(const Gphoto2Session&) = delete;

  CameraWorker::Link link;
  // The shutter code last seen, for the deadline of a release; read by the caller.
  std::atomic<uint32_t> shutterCode{0};

  // From the caller's side: no handler is called after this returns, however late the library
  // lets go of the camera thread; the windows the handlers post to may be gone by then.
  void Silence();
  // Runs one call of the interface, collecting the library's error messages meanwhile.
  uint32_t Run(const std::function<uint32_t(Gphoto2Session&)>& task);

  // Connection (gphoto2_connection.cpp).
  uint32_t Initialize();
  uint32_t Terminate();
  uint32_t CameraList(CameraRef& list);
  uint32_t ChildCount(CameraRef list, int32_t& count);
  uint32_t ChildAt(CameraRef list, int32_t index, CameraRef& camera);
  uint32_t Info(CameraRef camera, DeviceInfo& info);
  uint32_t SetHandler(CameraRef camera, PropertyEventHandler property, ObjectEventHandler object,
                      StateEventHandler state, void* context);
  uint32_t Open(CameraRef camera);
  uint32_t CloseCamera(CameraRef camera);
  uint32_t CheckOpen(CameraRef camera) const;
  uint32_t ReleaseRef(CameraRef reference);
  // The idle task: passes the body's events to the handlers.
  void Poll();

  // Settings (gphoto2_settings.cpp).
  uint32_t ReadCode(CameraRef camera, uint32_t propertyId, uint32_t& code);
  uint32_t ReadDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc);
  uint32_t WriteCode(CameraRef camera, uint32_t propertyId, uint32_t code);

  // Release (gphoto2_release.cpp).
  uint32_t Release(CameraRef camera);
  // Lets go of a press the body still holds.
  uint32_t LetGo(CameraRef camera);

  // Download (gphoto2_download.cpp).
  uint32_t ItemInfo(CameraRef item, DirectoryItemInfo& info);
  uint32_t CreateStream(const std::string& path, uint32_t disposition, CameraRef& stream);
  uint32_t SetProgress(CameraRef stream, ProgressHandler handler, void* context);
  uint32_t Download(CameraRef item, uint64_t size, CameraRef stream);
  uint32_t CheckItem(CameraRef item) const;
  // The library's preview of the item's file (a JPEG's thumbnail, the JPEG a RAW embeds).
  uint32_t Preview(CameraRef item, std::vector<uint8_t>& bytes);

 private:
  struct Entry {
    std::string model;
    std::string port;
  };

  struct Ref {
    enum class Kind { List, Camera, Item, Stream };
    Kind kind = Kind::List;
    std::vector<Entry> entries;  // list
    Entry entry;                 // camera
    std::string bodyModel;       // camera: the model the body reported once open
    std::string folder;          // item: its folder on the card
    std::string name;            // item: its file name; stream: the path
    ProgressHandler progress = nullptr;
    void* progressContext = nullptr;
  };

  // A setting as the driver shows it.
  struct Shown {
    std::string value;
    std::vector<std::string> choices;
    bool readOnly = false;
  };

  struct Transfer {
    Ref* stream = nullptr;
    uint64_t done = 0;
    uint64_t total = 0;
    uint64_t part = 0;  // bytes of the read under way
    uint32_t lastPercent = 0;
    bool cancel = false;
  };

  // Connection.
  uint32_t LoadLists();
  void Close();
  template <typename Call>
  void Notify(const Call& call) {
    std::lock_guard lock(handlerMutex_);
    if (!silent_) {
      call();
    }
  }
  void MarkLost();
  CameraRef NewRef(Ref ref);
  Ref* Find(CameraRef id, Ref::Kind kind);
  const Ref* Find(CameraRef id, Ref::Kind kind) const;
  static GPContextFeedback Cancel(GPContext* context, void* data);

  // Settings.
  uint32_t GetWidget(uint32_t propertyId, CameraWidget*& widget, const char*& name);
  uint32_t Read(CameraRef camera, uint32_t propertyId, Shown& shown);
  // A setting by the library's name as text, "" where the body has none.
  std::string ReadText(const char* name);
  void Refresh();

  // Download.
  void Announce(const std::string& folder, const std::string& name);
  uint32_t ReadInto(const Ref& item, std::ofstream& out);
  uint32_t ReadWhole(const Ref& item, std::ofstream& out);
  // The whole file of a type in one read; take gets its bytes. The library's result.
  int GetWhole(const Ref& item, CameraFileType type,
               const std::function<void(const char*, unsigned long)>& take);
  void Report(uint32_t percent);
  static unsigned int ProgressStart(GPContext* context, float target, const char* text, void* data);
  static void ProgressUpdate(GPContext* context, unsigned int id, float current, void* data);
  static void ProgressStop(GPContext* context, unsigned int id, void* data);

  std::string port_;
  std::string model_;
  std::mutex handlerMutex_;
  bool silent_ = false;
  GPContext* context_ = nullptr;
  CameraAbilitiesList* abilities_ = nullptr;
  GPPortInfoList* ports_ = nullptr;
  Camera* camera_ = nullptr;
  CameraRef openRef_ = 0;
  bool lost_ = false;
  std::string* log_ = nullptr;
  std::map<CameraRef, Ref> refs_;
  CameraRef nextRef_ = 1;
  std::map<uint32_t, Shown> shown_;
  Transfer transfer_;
  float progressTarget_ = 0;
  PropertyEventHandler propertyHandler_ = nullptr;
  void* propertyContext_ = nullptr;
  ObjectEventHandler objectHandler_ = nullptr;
  void* objectContext_ = nullptr;
  StateEventHandler stateHandler_ = nullptr;
  void* stateContext_ = nullptr;
};

}  // namespace tevra
