#include "camera/gphoto2_camera.h"

#include "camera/camera_status.h"
#include "camera/gphoto2_names.h"
#include "camera/gphoto2_worker.h"
#include "camera/setting_names.h"

#include <fcntl.h>
#include <gphoto2/gphoto2.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tevra {

namespace {

// gettext finds no catalogues in a folder that is not there, so the driver's labels, which the
// backend reads, stay English whatever the user's language.
constexpr const char* NoCatalogues = "/nonexistent/tevra-gphoto2";
// No body the library drives is a legacy camera.
constexpr uint32_t SubTypeCurrent = 1;
constexpr uint64_t ChunkBytes = uint64_t{1} << 20U;
constexpr int MaxEventsPerPoll = 64;
constexpr size_t MaxFileNameLength = 256;
constexpr const char* CardLabel = "Memory card";
constexpr const char* PtpipModel = "PTP/IP Camera";
constexpr std::array<uint32_t, 5> Settings = {PropImageQuality, PropAEMode, PropIso, PropAv, PropTv};

// The library's error messages during the call running on this thread.
thread_local std::string* callLog = nullptr;

void CollectError(GPLogLevel /*level*/, const char* domain, const char* text, void* /*data*/) {
  if (callLog != nullptr) {
    callLog->append(domain != nullptr ? domain : "")
        .append(": ")
        .append(text != nullptr ? text : "")
        .append("\n");
  }
}

void CollectContextError(GPContext* /*context*/, const char* text, void* /*data*/) {
  CollectError(GP_LOG_ERROR, "context", text, nullptr);
}

// With TEVRA_GPHOTO2_LOG set, the library's whole log goes to the standard error, for a report
// on a body that misbehaves.
void PrintLog(GPLogLevel /*level*/, const char* domain, const char* text, void* /*data*/) {
  (void)std::fprintf(stderr, "gphoto2 %s: %s\n", domain != nullptr ? domain : "",
                     text != nullptr ? text : "");
}

// The PTP/IP driver closes descriptor 0 whenever it lets go of a body, though it never opened it.
// Keeping /dev/null there means it never closes a file or socket of the program that happened to
// get that number.
void KeepDescriptorZeroTaken() {
  if (fcntl(0, F_GETFD) == -1 && errno == EBADF) {
    const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd > 0) {
      close(fd);  // another thread took 0 meanwhile: it is theirs
    }
  }
}

void PrepareLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    gp_init_localedir(NoCatalogues);
    gp_log_add_func(GP_LOG_ERROR, &CollectError, nullptr);
    if (std::getenv("TEVRA_GPHOTO2_LOG") != nullptr) {
      gp_log_add_func(GP_LOG_DEBUG, &PrintLog, nullptr);
    }
  });
}

struct Entry {
  std::string model;
  std::string port;
};

struct Ref {
  enum class Kind { List, Camera, Item, Stream };
  Kind kind = Kind::List;
  std::vector<Entry> entries;  // list
  Entry entry;                 // camera
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

// The library's state, touched only on the camera thread.
class Session {
 public:
  Session(std::string port, std::string model) : port_(std::move(port)), model_(std::move(model)) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  CameraWorker::Link link;
  // The shutter code last seen, for the deadline of a release; read by the caller.
  std::atomic<uint32_t> shutterCode{0};

  // From the caller's side: no handler is called after this returns, however late the library
  // lets go of the camera thread; the windows the handlers post to may be gone by then.
  void Silence() {
    std::lock_guard lock(handlerMutex_);
    silent_ = true;
  }

  uint32_t Run(const std::function<uint32_t(Session&)>& task) {
    std::string log;
    callLog = &log;
    log_ = &log;
    const uint32_t status = task(*this);
    KeepDescriptorZeroTaken();
    if (status == CamDisconnected) {
      MarkLost();
    }
    log_ = nullptr;
    callLog = nullptr;
    return status;
  }

  uint32_t Initialize() {
    PrepareLibrary();
    KeepDescriptorZeroTaken();
    {
      std::lock_guard lock(handlerMutex_);
      silent_ = false;
    }
    if (context_ == nullptr) {
      context_ = gp_context_new();
      gp_context_set_cancel_func(context_, &Session::Cancel, this);
      gp_context_set_error_func(context_, &CollectContextError, nullptr);
      gp_context_set_progress_funcs(context_, &Session::ProgressStart, &Session::ProgressUpdate,
                                    &Session::ProgressStop, this);
    }
    return CamOk;
  }

  uint32_t Terminate() {
    Close();
    refs_.clear();
    propertyHandler_ = nullptr;
    objectHandler_ = nullptr;
    stateHandler_ = nullptr;
    if (abilities_ != nullptr) {
      gp_abilities_list_free(abilities_);
      abilities_ = nullptr;
    }
    if (ports_ != nullptr) {
      gp_port_info_list_free(ports_);
      ports_ = nullptr;
    }
    if (context_ != nullptr) {
      gp_context_unref(context_);
      context_ = nullptr;
    }
    return CamOk;
  }

  uint32_t CameraList(CameraRef& list) {
    if (context_ == nullptr) {
      return CamInternalError;
    }
    Ref ref;
    ref.kind = Ref::Kind::List;
    if (!port_.empty() && !model_.empty()) {
      ref.entries.push_back({model_, port_});
    } else {
      ::CameraList* found = nullptr;
      gp_list_new(&found);
      const int result = gp_camera_autodetect(found, context_);
      for (int i = 0; result >= 0 && i < gp_list_count(found); ++i) {
        const char* name = nullptr;
        const char* path = nullptr;
        gp_list_get_name(found, i, &name);
        gp_list_get_value(found, i, &path);
        const Entry entry{name != nullptr ? name : "", path != nullptr ? path : ""};
        // Bodies on USB only: the library also offers mounted cards as cameras.
        const bool wanted = port_.empty() ? entry.port.rfind("usb:", 0) == 0 : entry.port == port_;
        if (wanted && (model_.empty() || entry.model == model_)) {
          ref.entries.push_back(entry);
        }
      }
      gp_list_free(found);
      if (ref.entries.empty() && port_.rfind("ptpip:", 0) == 0) {
        ref.entries.push_back({PtpipModel, port_});
      }
    }
    list = NewRef(std::move(ref));
    return CamOk;
  }

  uint32_t ChildCount(CameraRef list, int32_t& count) {
    const Ref* ref = Find(list, Ref::Kind::List);
    if (ref == nullptr) {
      return CamInvalidHandle;
    }
    count = static_cast<int32_t>(ref->entries.size());
    return CamOk;
  }

  uint32_t ChildAt(CameraRef list, int32_t index, CameraRef& camera) {
    const Ref* ref = Find(list, Ref::Kind::List);
    if (ref == nullptr) {
      return CamInvalidHandle;
    }
    if (index < 0 || static_cast<size_t>(index) >= ref->entries.size()) {
      return CamNotFound;
    }
    Ref child;
    child.kind = Ref::Kind::Camera;
    child.entry = ref->entries[static_cast<size_t>(index)];
    camera = NewRef(std::move(child));
    return CamOk;
  }

  uint32_t Info(CameraRef camera, DeviceInfo& info) {
    const Ref* ref = Find(camera, Ref::Kind::Camera);
    if (ref == nullptr) {
      return CamInvalidHandle;
    }
    info = DeviceInfo{ref->entry.port, ref->entry.model, SubTypeCurrent};
    return CamOk;
  }

  uint32_t SetHandler(CameraRef camera, PropertyEventHandler property, ObjectEventHandler object,
                      StateEventHandler state, void* context) {
    if (Find(camera, Ref::Kind::Camera) == nullptr) {
      return CamInvalidHandle;
    }
    if (property != nullptr) {
      propertyHandler_ = property;
      propertyContext_ = context;
    } else if (object != nullptr) {
      objectHandler_ = object;
      objectContext_ = context;
    } else {
      stateHandler_ = state;
      stateContext_ = context;
    }
    return CamOk;
  }

  uint32_t Open(CameraRef camera) {
    const Ref* ref = Find(camera, Ref::Kind::Camera);
    if (ref == nullptr) {
      return CamInvalidHandle;
    }
    if (camera_ != nullptr && openRef_ == camera && !lost_) {
      return CamOk;
    }
    Close();
    if (const uint32_t status = LoadLists(); status != CamOk) {
      return status;
    }
    CameraAbilities abilities;
    const int model = gp_abilities_list_lookup_model(abilities_, ref->entry.model.c_str());
    GPPortInfo portInfo = nullptr;
    const int port = gp_port_info_list_lookup_path(ports_, ref->entry.port.c_str());
    if (model < 0 || port < 0 || gp_abilities_list_get_abilities(abilities_, model, &abilities) < 0 ||
        gp_port_info_list_get_info(ports_, port, &portInfo) < 0) {
      return CamNotFound;
    }
    // The driver's first step with an EOS body moves the capture target to where this setting
    // says, and without it to the computer; with no shots left it then polls the body for ever.
    // Pictures go to the card, so the target is the card from the start.
    std::string id = "ptp2";
    std::string key = "capturetarget";
    std::string value = "card";
    gp_setting_set(id.data(), key.data(), value.data());

    gp_camera_new(&camera_);
    gp_camera_set_abilities(camera_, abilities);
    gp_camera_set_port_info(camera_, portInfo);
    const int result = gp_camera_init(camera_, context_);
    if (result < 0) {
      gp_camera_unref(camera_);
      camera_ = nullptr;
      return CameraStatusOfGphoto2(result, Gphoto2Call::Open, *log_);
    }
    openRef_ = camera;
    lost_ = false;
    shown_.clear();
    return CamOk;
  }

  uint32_t CloseCamera(CameraRef camera) {
    if (Find(camera, Ref::Kind::Camera) == nullptr) {
      return CamInvalidHandle;
    }
    if (openRef_ != camera || camera_ == nullptr) {
      return CamSessionNotOpen;
    }
    Close();
    return CamOk;
  }

  uint32_t CheckOpen(CameraRef camera) const {
    if (Find(camera, Ref::Kind::Camera) == nullptr) {
      return CamInvalidHandle;
    }
    if (camera_ == nullptr || openRef_ != camera) {
      return CamSessionNotOpen;
    }
    return lost_ ? CamDisconnected : CamOk;
  }

  uint32_t ReadCode(CameraRef camera, uint32_t propertyId, uint32_t& code) {
    Shown shown;
    if (const uint32_t status = Read(camera, propertyId, shown); status != CamOk) {
      return status;
    }
    if (propertyId == PropSaveTo) {
      code = shown.value == CardLabel ? 1 : 2;
      return CamOk;
    }
    const std::optional<uint32_t> found = Gphoto2CodeOf(propertyId, shown.value, shown.choices);
    if (!found) {
      return CamInternalError;
    }
    code = *found;
    if (propertyId == PropTv) {
      shutterCode = code;
    }
    return CamOk;
  }

  uint32_t ReadDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc) {
    Shown shown;
    if (const uint32_t status = Read(camera, propertyId, shown); status != CamOk) {
      return status;
    }
    desc = PropertyDesc{};
    desc.Access = shown.readOnly ? 0 : 1;
    if (Gphoto2OffersWholeTable(propertyId, shown.choices)) {
      // The body did not say what it accepts; the driver then offers every label it knows.
      shown.choices = {shown.value};
    }
    for (const std::string& choice : shown.choices) {
      const std::optional<uint32_t> code = Gphoto2CodeOf(propertyId, choice, shown.choices);
      if (code && static_cast<size_t>(desc.Count) < PropertyDescCapacity) {
        desc.Codes[static_cast<size_t>(desc.Count++)] = static_cast<int32_t>(*code);
      }
    }
    return CamOk;
  }

  uint32_t WriteCode(CameraRef camera, uint32_t propertyId, uint32_t code) {
    if (const uint32_t status = CheckOpen(camera); status != CamOk) {
      return status;
    }
    std::string label;
    if (propertyId == PropSaveTo) {
      if (code != 1) {
        return CamNotSupported;  // pictures go to the card
      }
      label = CardLabel;
    } else {
      label = Gphoto2LabelOf(propertyId, code);
      if (label.empty()) {
        return Gphoto2ConfigName(propertyId) == nullptr ? CamNotSupported : CamRefused;
      }
    }
    CameraWidget* widget = nullptr;
    const char* name = nullptr;
    if (const uint32_t status = GetWidget(propertyId, widget, name); status != CamOk) {
      return status;
    }
    int result = gp_widget_set_value(widget, label.c_str());
    if (result >= 0) {
      result = gp_camera_set_single_config(camera_, name, widget, context_);
    }
    gp_widget_free(widget);
    if (result >= 0 && propertyId == PropTv) {
      shutterCode = code;
    }
    return CameraStatusOfGphoto2(result, Gphoto2Call::Write, *log_);
  }

  uint32_t Release(CameraRef camera) {
    if (const uint32_t status = CheckOpen(camera); status != CamOk) {
      return status;
    }
    // The driver throws away the events it finds waiting before a release; pass them on first.
    Poll();
    if (lost_) {
      return CamDisconnected;
    }
    const int result = gp_camera_trigger_capture(camera_, context_);
    return CameraStatusOfGphoto2(result, Gphoto2Call::Release, *log_);
  }

  uint32_t ItemInfo(CameraRef item, DirectoryItemInfo& info) {
    const Ref* ref = Find(item, Ref::Kind::Item);
    if (ref == nullptr) {
      return CamInvalidHandle;
    }
    if (const uint32_t status = CheckOpen(openRef_); status != CamOk) {
      return status;
    }
    CameraFileInfo fileInfo{};
    const int result =
        gp_camera_file_get_info(camera_, ref->folder.c_str(), ref->name.c_str(), &fileInfo, context_);
    if (result < 0) {
      return CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
    }
    info = DirectoryItemInfo{};
    info.Size = (fileInfo.file.fields & GP_FILE_INFO_SIZE) != 0 ? fileInfo.file.size : 0;
    info.FileName = ref->name.substr(0, MaxFileNameLength);
    return CamOk;
  }

  uint32_t CreateStream(const std::string& path, uint32_t disposition, CameraRef& stream) {
    if (disposition != FileCreateAlways) {
      return CamNotSupported;
    }
    if (!std::ofstream(path, std::ios::binary | std::ios::trunc)) {
      return CamInternalError;
    }
    Ref ref;
    ref.kind = Ref::Kind::Stream;
    ref.name = path;
    stream = NewRef(std::move(ref));
    return CamOk;
  }

  uint32_t SetProgress(CameraRef stream, ProgressHandler handler, void* context) {
    Ref* ref = Find(stream, Ref::Kind::Stream);
    if (ref == nullptr) {
      return CamInvalidHandle;
    }
    ref->progress = handler;
    ref->progressContext = context;
    return CamOk;
  }

  uint32_t Download(CameraRef item, uint64_t size, CameraRef stream) {
    const Ref* source = Find(item, Ref::Kind::Item);
    Ref* target = Find(stream, Ref::Kind::Stream);
    if (source == nullptr || target == nullptr) {
      return CamInvalidHandle;
    }
    if (const uint32_t status = CheckOpen(openRef_); status != CamOk) {
      return status;
    }
    // Written beside the target and renamed over it when whole, so that a broken transfer never
    // leaves a file that looks like a picture.
    const std::string partPath = target->name + ".part";
    transfer_ = Transfer{target, 0, size, 0, 0, false};
    uint32_t status = CamOk;
    {
      std::ofstream part(partPath, std::ios::binary | std::ios::trunc);
      status = part ? ReadInto(*source, part) : CamInternalError;
      part.flush();
      if (status == CamOk && !part) {
        status = CamInternalError;
      }
    }
    if (status == CamOk && transfer_.lastPercent < 100) {
      Report(100);
      if (transfer_.cancel) {
        status = CamCancelled;
      }
    }
    transfer_ = Transfer{};
    if (status != CamOk || std::rename(partPath.c_str(), target->name.c_str()) != 0) {
      (void)std::remove(partPath.c_str());
      return status != CamOk ? status : CamInternalError;
    }
    return CamOk;
  }

  uint32_t CheckItem(CameraRef item) const {
    return Find(item, Ref::Kind::Item) != nullptr ? CamOk : CamInvalidHandle;
  }

  uint32_t ReleaseRef(CameraRef reference) {
    const auto found = refs_.find(reference);
    if (found == refs_.end()) {
      return CamInvalidHandle;
    }
    if (found->second.kind == Ref::Kind::Camera && reference == openRef_) {
      Close();
    }
    refs_.erase(found);
    return CamOk;
  }

  // The idle task: passes the body's events to the handlers.
  void Poll() {
    if (camera_ == nullptr || lost_) {
      return;
    }
    std::string pollLog;
    std::string* const outerCallLog = callLog;
    std::string* const outerLog = log_;
    callLog = &pollLog;
    log_ = &pollLog;
    bool settingChanged = false;
    for (int i = 0; i < MaxEventsPerPoll; ++i) {
      CameraEventType type = GP_EVENT_TIMEOUT;
      void* data = nullptr;
      const int result = gp_camera_wait_for_event(camera_, 0, &type, &data, context_);
      if (result < 0) {
        if (CameraStatusOfGphoto2(result, Gphoto2Call::Other, pollLog) == CamDisconnected) {
          MarkLost();
        }
        break;
      }
      if (type == GP_EVENT_FILE_ADDED && data != nullptr) {
        const auto* path = static_cast<const CameraFilePath*>(data);
        Announce(path->folder, path->name);
      } else if (type == GP_EVENT_UNKNOWN && data != nullptr) {
        settingChanged = settingChanged || PropertyOfGphoto2Event(static_cast<const char*>(data)) != 0;
      }
      std::free(data);  // NOLINT(cppcoreguidelines-no-malloc): the library's allocation
      if (type == GP_EVENT_TIMEOUT) {
        break;
      }
    }
    if (settingChanged && !lost_) {
      Refresh();
    }
    callLog = outerCallLog;
    log_ = outerLog;
  }

 private:
  struct Transfer {
    Ref* stream = nullptr;
    uint64_t done = 0;
    uint64_t total = 0;
    uint64_t part = 0;  // bytes of the read under way
    uint32_t lastPercent = 0;
    bool cancel = false;
  };

  uint32_t LoadLists() {
    if (abilities_ == nullptr) {
      gp_abilities_list_new(&abilities_);
      if (const int result = gp_abilities_list_load(abilities_, context_); result < 0) {
        gp_abilities_list_free(abilities_);
        abilities_ = nullptr;
        return CameraStatusOfGphoto2(result, Gphoto2Call::Open, *log_);
      }
    }
    if (ports_ == nullptr) {
      gp_port_info_list_new(&ports_);
      if (const int result = gp_port_info_list_load(ports_); result < 0) {
        gp_port_info_list_free(ports_);
        ports_ = nullptr;
        return CameraStatusOfGphoto2(result, Gphoto2Call::Open, *log_);
      }
    }
    return CamOk;
  }

  void Close() {
    if (camera_ != nullptr) {
      gp_camera_exit(camera_, context_);
      gp_camera_unref(camera_);
      camera_ = nullptr;
    }
    openRef_ = 0;
    shown_.clear();
  }

  template <typename Call>
  void Notify(const Call& call) {
    std::lock_guard lock(handlerMutex_);
    if (!silent_) {
      call();
    }
  }

  void MarkLost() {
    if (lost_ || camera_ == nullptr) {
      return;
    }
    lost_ = true;
    if (stateHandler_ != nullptr) {
      Notify([&] { stateHandler_(StateEventShutdown, 0, stateContext_); });
    }
  }

  CameraRef NewRef(Ref ref) {
    const CameraRef id = nextRef_++;
    refs_.emplace(id, std::move(ref));
    return id;
  }

  Ref* Find(CameraRef id, Ref::Kind kind) {
    const auto found = refs_.find(id);
    return found != refs_.end() && found->second.kind == kind ? &found->second : nullptr;
  }
  const Ref* Find(CameraRef id, Ref::Kind kind) const { return const_cast<Session*>(this)->Find(id, kind); }

  // The widget of a setting; AE mode is the mode dial's on bodies without the other.
  // The widget of a setting, to be freed by the caller; null unless the status is CamOk.
  uint32_t GetWidget(uint32_t propertyId, CameraWidget*& widget, const char*& name) {
    widget = nullptr;
    name = Gphoto2ConfigName(propertyId);
    if (name == nullptr) {
      return CamNotSupported;
    }
    int result = gp_camera_get_single_config(camera_, name, &widget, context_);
    if (result == GP_ERROR_BAD_PARAMETERS && propertyId == PropAEMode) {
      name = "autoexposuremodedial";
      result = gp_camera_get_single_config(camera_, name, &widget, context_);
    }
    const uint32_t status = result == GP_ERROR_BAD_PARAMETERS
                                ? CamNotSupported
                                : CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
    if (status != CamOk && result >= 0) {
      gp_widget_free(widget);  // read from what the driver held, after the body was gone
      widget = nullptr;
    }
    return status;
  }

  uint32_t Read(CameraRef camera, uint32_t propertyId, Shown& shown) {
    if (const uint32_t status = CheckOpen(camera); status != CamOk) {
      return status;
    }
    CameraWidget* widget = nullptr;
    const char* name = nullptr;
    if (const uint32_t status = GetWidget(propertyId, widget, name); status != CamOk) {
      return status;
    }
    const char* value = nullptr;
    gp_widget_get_value(widget, static_cast<void*>(&value));
    shown.value = value != nullptr ? value : "";
    for (int i = 0; i < gp_widget_count_choices(widget); ++i) {
      const char* choice = nullptr;
      if (gp_widget_get_choice(widget, i, &choice) >= 0 && choice != nullptr) {
        shown.choices.emplace_back(choice);
      }
    }
    int readOnly = 0;
    gp_widget_get_readonly(widget, &readOnly);
    shown.readOnly = readOnly != 0;
    gp_widget_free(widget);
    if (propertyId != PropSaveTo) {
      shown_[propertyId] = shown;
    }
    return CamOk;
  }

  // After the body reported a setting changed: tells the handler which values and which lists of
  // accepted values differ from what the driver showed before. Settings not seen before are only
  // taken note of, so the flood of values at the start of a session is not passed on.
  void Refresh() {
    for (const uint32_t id : Settings) {
      const auto before = shown_.find(id);
      const std::optional<Shown> old = before != shown_.end() ? std::optional(before->second) : std::nullopt;
      Shown now;
      if (Read(openRef_, id, now) != CamOk || !old || propertyHandler_ == nullptr) {
        continue;
      }
      if (now.value != old->value) {
        if (id == PropTv) {
          if (const std::optional<uint32_t> code = Gphoto2CodeOf(id, now.value, now.choices)) {
            shutterCode = *code;
          }
        }
        Notify([&] { propertyHandler_(PropertyEventValueChanged, id, 0, propertyContext_); });
      }
      if (now.choices != old->choices) {
        Notify([&] { propertyHandler_(PropertyEventDescChanged, id, 0, propertyContext_); });
      }
    }
  }

  void Announce(const std::string& folder, const std::string& name) {
    if (objectHandler_ == nullptr) {
      return;
    }
    Ref ref;
    ref.kind = Ref::Kind::Item;
    ref.folder = folder;
    ref.name = name;
    const CameraRef item = NewRef(std::move(ref));
    Notify([&] { objectHandler_(ObjectEventTransferRequest, item, objectContext_); });
  }

  // Reads the file in parts, each telling the progress handler and moving the deadline.
  uint32_t ReadInto(const Ref& item, std::ofstream& out) {
    if (transfer_.total == 0) {
      CameraFileInfo info{};
      const int result =
          gp_camera_file_get_info(camera_, item.folder.c_str(), item.name.c_str(), &info, context_);
      if (result < 0) {
        return CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
      }
      transfer_.total = info.file.size;
    }
    std::vector<char> buffer(
        static_cast<size_t>(std::min(ChunkBytes, std::max<uint64_t>(transfer_.total, 1))));
    while (transfer_.done < transfer_.total) {
      uint64_t got = std::min<uint64_t>(buffer.size(), transfer_.total - transfer_.done);
      transfer_.part = got;
      const int result =
          gp_camera_file_read(camera_, item.folder.c_str(), item.name.c_str(), GP_FILE_TYPE_NORMAL,
                              transfer_.done, buffer.data(), &got, context_);
      if (result == GP_ERROR_NOT_SUPPORTED && transfer_.done == 0) {
        return ReadWhole(item, out);  // a body without partial reads
      }
      if (result < 0) {
        return CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
      }
      if (got == 0) {
        return CamInternalError;  // the file ended before its size
      }
      out.write(buffer.data(), static_cast<std::streamsize>(got));
      transfer_.done += got;
      Report(static_cast<uint32_t>(transfer_.done * 100 / transfer_.total));
      if (transfer_.cancel) {
        return CamCancelled;
      }
    }
    return CamOk;
  }

  uint32_t ReadWhole(const Ref& item, std::ofstream& out) {
    CameraFile* file = nullptr;
    gp_file_new(&file);
    transfer_.part = transfer_.total;
    int result = gp_camera_file_get(camera_, item.folder.c_str(), item.name.c_str(), GP_FILE_TYPE_NORMAL,
                                    file, context_);
    const char* data = nullptr;
    unsigned long size = 0;
    if (result >= 0) {
      result = gp_file_get_data_and_size(file, &data, &size);
    }
    if (result >= 0) {
      out.write(data, static_cast<std::streamsize>(size));
    }
    gp_file_unref(file);
    return transfer_.cancel ? CamCancelled : CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
  }

  void Report(uint32_t percent) {
    link.Progress();
    if (transfer_.stream == nullptr || percent <= transfer_.lastPercent) {
      return;
    }
    transfer_.lastPercent = std::min(percent, 100U);
    if (transfer_.stream->progress != nullptr) {
      Notify([&] {
        transfer_.stream->progress(transfer_.lastPercent, transfer_.stream->progressContext,
                                   &transfer_.cancel);
      });
    }
  }

  static GPContextFeedback Cancel(GPContext* /*context*/, void* data) {
    const auto* session = static_cast<const Session*>(data);
    return session->link.CancelRequested() || session->transfer_.cancel ? GP_CONTEXT_FEEDBACK_CANCEL
                                                                        : GP_CONTEXT_FEEDBACK_OK;
  }

  // The library's own progress, within the part being read.
  static unsigned int ProgressStart(GPContext* /*context*/, float target, const char* /*text*/, void* data) {
    static_cast<Session*>(data)->progressTarget_ = target;
    return 1;
  }

  static void ProgressUpdate(GPContext* /*context*/, unsigned int /*id*/, float current, void* data) {
    auto* session = static_cast<Session*>(data);
    Transfer& transfer = session->transfer_;
    if (transfer.stream == nullptr || transfer.total == 0 || session->progressTarget_ <= 0) {
      return;
    }
    const double fraction = std::clamp(static_cast<double>(current / session->progressTarget_), 0.0, 1.0);
    const double bytes = static_cast<double>(transfer.done) + fraction * static_cast<double>(transfer.part);
    // 100 only when the whole file is written.
    session->Report(
        std::min(99U, static_cast<uint32_t>(bytes * 100.0 / static_cast<double>(transfer.total))));
  }

  static void ProgressStop(GPContext* /*context*/, unsigned int /*id*/, void* data) {
    static_cast<Session*>(data)->progressTarget_ = 0;
  }

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

class Gphoto2Camera final : public CameraSdk {
 public:
  Gphoto2Camera(std::string port, std::string model, const Gphoto2Options& options)
      : options_(options),
        session_(std::make_shared<Session>(std::move(port), std::move(model))),
        worker_([session = session_] { session->Poll(); },
                [session = session_] { session->Run([](Session& s) { return s.Terminate(); }); },
                options.eventIntervalMs) {
    session_->link = worker_.GetLink();
  }

  Gphoto2Camera(const Gphoto2Camera&) = delete;
  Gphoto2Camera& operator=(const Gphoto2Camera&) = delete;
  ~Gphoto2Camera() override {
    session_->Silence();
    worker_.Stop(worker_.Stuck() ? 0 : options_.callDeadlineMs);
  }

  uint32_t InitializeSdk() override {
    return Call(options_.callDeadlineMs, [](Session& s) { return s.Initialize(); });
  }
  uint32_t TerminateSdk() override {
    session_->Silence();
    return Call(options_.callDeadlineMs, [](Session& s) { return s.Terminate(); });
  }

  uint32_t GetCameraList(CameraRef& list) override {
    return CallFor(options_.openDeadlineMs, list,
                   [](Session& s, CameraRef& out) { return s.CameraList(out); });
  }
  uint32_t GetChildCount(CameraRef list, int32_t& count) override {
    return CallFor(options_.callDeadlineMs, count,
                   [list](Session& s, int32_t& out) { return s.ChildCount(list, out); });
  }
  uint32_t GetChildAtIndex(CameraRef list, int32_t index, CameraRef& camera) override {
    camera = 0;
    return CallFor(options_.callDeadlineMs, camera,
                   [list, index](Session& s, CameraRef& out) { return s.ChildAt(list, index, out); });
  }
  uint32_t GetDeviceInfo(CameraRef camera, DeviceInfo& info) override {
    return CallFor(options_.callDeadlineMs, info,
                   [camera](Session& s, DeviceInfo& out) { return s.Info(camera, out); });
  }

  uint32_t SetPropertyEventHandler(CameraRef camera, uint32_t /*event*/, PropertyEventHandler handler,
                                   void* context) override {
    return Call(options_.callDeadlineMs,
                [=](Session& s) { return s.SetHandler(camera, handler, nullptr, nullptr, context); });
  }
  uint32_t SetObjectEventHandler(CameraRef camera, uint32_t /*event*/, ObjectEventHandler handler,
                                 void* context) override {
    return Call(options_.callDeadlineMs,
                [=](Session& s) { return s.SetHandler(camera, nullptr, handler, nullptr, context); });
  }
  uint32_t SetCameraStateEventHandler(CameraRef camera, uint32_t /*event*/, StateEventHandler handler,
                                      void* context) override {
    return Call(options_.callDeadlineMs,
                [=](Session& s) { return s.SetHandler(camera, nullptr, nullptr, handler, context); });
  }

  uint32_t OpenSession(CameraRef camera) override {
    return Call(options_.openDeadlineMs, [camera](Session& s) { return s.Open(camera); });
  }
  uint32_t CloseSession(CameraRef camera) override {
    return Call(options_.callDeadlineMs, [camera](Session& s) { return s.CloseCamera(camera); });
  }

  uint32_t GetPropertySize(CameraRef camera, uint32_t propertyId, int32_t /*parameter*/, uint32_t& dataType,
                           uint32_t& size) override {
    const uint32_t status =
        Call(options_.callDeadlineMs, [camera](Session& s) { return s.CheckOpen(camera); });
    if (status != CamOk) {
      return status;
    }
    if (Gphoto2ConfigName(propertyId) == nullptr) {
      return CamNotSupported;
    }
    dataType = DataTypeUInt32;
    size = 4;
    return CamOk;
  }
  uint32_t GetPropertyData(CameraRef camera, uint32_t propertyId, int32_t /*parameter*/,
                           std::span<uint8_t> data) override {
    if (data.size() < 4) {
      return CamInvalidParameter;
    }
    uint32_t code = 0;
    const uint32_t status = CallFor(
        options_.callDeadlineMs, code,
        [camera, propertyId](Session& s, uint32_t& out) { return s.ReadCode(camera, propertyId, out); });
    if (status == CamOk) {
      const std::array<uint8_t, 4> bytes = UInt32Bytes(code);
      std::copy(bytes.begin(), bytes.end(), data.begin());
    }
    return status;
  }
  uint32_t SetPropertyData(CameraRef camera, uint32_t propertyId, int32_t /*parameter*/,
                           std::span<const uint8_t> data) override {
    if (data.size() < 4) {
      return CamInvalidParameter;
    }
    const uint32_t code = UInt32FromBytes(data);
    return Call(options_.callDeadlineMs,
                [camera, propertyId, code](Session& s) { return s.WriteCode(camera, propertyId, code); });
  }
  uint32_t GetPropertyDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc) override {
    return CallFor(options_.callDeadlineMs, desc, [camera, propertyId](Session& s, PropertyDesc& out) {
      return s.ReadDesc(camera, propertyId, out);
    });
  }

  // The library locks and unlocks an EOS body's controls itself, and the capacity of the computer
  // matters only for pictures sent to it.
  uint32_t SendStatusCommand(CameraRef camera, uint32_t /*command*/, int32_t /*parameter*/) override {
    return Call(options_.callDeadlineMs, [camera](Session& s) { return s.CheckOpen(camera); });
  }
  uint32_t SetCapacity(CameraRef camera, const Capacity& /*capacity*/) override {
    return Call(options_.callDeadlineMs, [camera](Session& s) { return s.CheckOpen(camera); });
  }

  uint32_t SendCommand(CameraRef camera, uint32_t command, int32_t /*parameter*/) override {
    if (command != CommandTakePicture) {
      return CamNotSupported;
    }
    const std::optional<double> seconds =
        ShutterSeconds(SettingNameByCode(KindShutter, session_->shutterCode.load()));
    const int64_t exposureMs = seconds ? static_cast<int64_t>(std::ceil(*seconds * 1000.0)) : 0;
    return Call(options_.releaseMarginMs + exposureMs, [camera](Session& s) { return s.Release(camera); });
  }

  uint32_t GetDirectoryItemInfo(CameraRef item, DirectoryItemInfo& info) override {
    return CallFor(options_.callDeadlineMs, info,
                   [item](Session& s, DirectoryItemInfo& out) { return s.ItemInfo(item, out); });
  }
  uint32_t CreateFileStream(const std::string& path, uint32_t disposition, uint32_t /*access*/,
                            CameraRef& stream) override {
    return CallFor(options_.callDeadlineMs, stream, [path, disposition](Session& s, CameraRef& out) {
      return s.CreateStream(path, disposition, out);
    });
  }
  uint32_t SetProgressCallback(CameraRef stream, ProgressHandler handler, uint32_t /*option*/,
                               void* context) override {
    return Call(options_.callDeadlineMs,
                [stream, handler, context](Session& s) { return s.SetProgress(stream, handler, context); });
  }
  uint32_t Download(CameraRef item, uint64_t size, CameraRef stream) override {
    return Call(options_.downloadStallMs,
                [item, size, stream](Session& s) { return s.Download(item, size, stream); });
  }
  uint32_t DownloadComplete(CameraRef item) override {
    return Call(options_.callDeadlineMs, [item](Session& s) { return s.CheckItem(item); });
  }
  uint32_t Release(CameraRef ref) override {
    return Call(options_.callDeadlineMs, [ref](Session& s) { return s.ReleaseRef(ref); });
  }

 private:
  // Runs a task on the camera thread. The task holds the session, never this object, so that a task
  // the library holds past its deadline does no harm when it comes back.
  uint32_t Call(int64_t deadlineMs, std::function<uint32_t(Session&)> task) {
    return worker_.Run([session = session_, task = std::move(task)] { return session->Run(task); },
                       deadlineMs, [this] { RunWaitHook(); });
  }

  // A task with a result: filled in a copy of its own, which the caller takes only on success (a
  // task given up on may still be writing to it).
  template <typename Result, typename Task>
  uint32_t CallFor(int64_t deadlineMs, Result& result, Task task) {
    auto out = std::make_shared<Result>(result);
    const uint32_t status = Call(deadlineMs, [out, task](Session& s) { return task(s, *out); });
    if (status == CamOk) {
      result = *out;
    }
    return status;
  }

  Gphoto2Options options_;
  std::shared_ptr<Session> session_;
  CameraWorker worker_;
};

}  // namespace

std::shared_ptr<CameraSdk> CreateGphoto2Camera(const std::string& port, const std::string& model) {
  return CreateGphoto2Camera(port, model, Gphoto2Options{});
}

std::shared_ptr<CameraSdk> CreateGphoto2Camera(const std::string& port, const std::string& model,
                                               const Gphoto2Options& options) {
  return std::make_shared<Gphoto2Camera>(port, model, options);
}

}  // namespace tevra
