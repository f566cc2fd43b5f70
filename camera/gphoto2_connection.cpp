// SPDX-License-Identifier: GPL-3.0-or-later
// The connection: the library's context, finding and opening the body, references, the event poll.
#include "camera/camera_status.h"
#include "camera/gphoto2_names.h"
#include "camera/gphoto2_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>

namespace tevra {

namespace {

// gettext finds no catalogues in a folder that is not there, so the driver's labels, which the
// backend reads, stay English whatever the user's language.
constexpr const char* NoCatalogues = "/nonexistent/tevra-gphoto2";
// No body the library drives is a legacy camera.
constexpr uint32_t SubTypeCurrent = 1;
constexpr int MaxEventsPerPoll = 64;
constexpr const char* PtpipModel = "PTP/IP Camera";

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

}  // namespace

Gphoto2Session::Gphoto2Session(std::string port, std::string model)
    : port_(std::move(port)), model_(std::move(model)) {}

void Gphoto2Session::Silence() {
  std::lock_guard lock(handlerMutex_);
  silent_ = true;
}

uint32_t Gphoto2Session::Run(const std::function<uint32_t(Gphoto2Session&)>& task) {
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

uint32_t Gphoto2Session::Initialize() {
  PrepareLibrary();
  KeepDescriptorZeroTaken();
  {
    std::lock_guard lock(handlerMutex_);
    silent_ = false;
  }
  if (context_ == nullptr) {
    context_ = gp_context_new();
    gp_context_set_cancel_func(context_, &Gphoto2Session::Cancel, this);
    gp_context_set_error_func(context_, &CollectContextError, nullptr);
    gp_context_set_progress_funcs(context_, &Gphoto2Session::ProgressStart, &Gphoto2Session::ProgressUpdate,
                                  &Gphoto2Session::ProgressStop, this);
  }
  return CamOk;
}

uint32_t Gphoto2Session::Terminate() {
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

uint32_t Gphoto2Session::CameraList(CameraRef& list) {
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

uint32_t Gphoto2Session::ChildCount(CameraRef list, int32_t& count) {
  const Ref* ref = Find(list, Ref::Kind::List);
  if (ref == nullptr) {
    return CamInvalidHandle;
  }
  count = static_cast<int32_t>(ref->entries.size());
  return CamOk;
}

uint32_t Gphoto2Session::ChildAt(CameraRef list, int32_t index, CameraRef& camera) {
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

uint32_t Gphoto2Session::Info(CameraRef camera, DeviceInfo& info) {
  const Ref* ref = Find(camera, Ref::Kind::Camera);
  if (ref == nullptr) {
    return CamInvalidHandle;
  }
  // Over PTP/IP the library knows no more than "PTP/IP Camera" until the body has told it.
  info =
      DeviceInfo{ref->entry.port, ref->bodyModel.empty() ? ref->entry.model : ref->bodyModel, SubTypeCurrent};
  return CamOk;
}

uint32_t Gphoto2Session::SetHandler(CameraRef camera, PropertyEventHandler property,
                                    ObjectEventHandler object, StateEventHandler state, void* context) {
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

uint32_t Gphoto2Session::Open(CameraRef camera) {
  Ref* ref = Find(camera, Ref::Kind::Camera);
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
    // A USB body the library lists but cannot open: its device node is not this user's to open
    // (an I/O error elsewhere, on a network port, means nothing answers there).
    if (result == GP_ERROR_IO && ref->entry.port.starts_with("usb:")) {
      return CamNoAccess;
    }
    return CameraStatusOfGphoto2(result, Gphoto2Call::Open, *log_);
  }
  openRef_ = camera;
  lost_ = false;
  shown_.clear();
  if (std::string reported = ReadText("cameramodel"); !reported.empty()) {
    ref->bodyModel = std::move(reported);
  }
  return CamOk;
}

uint32_t Gphoto2Session::CloseCamera(CameraRef camera) {
  if (Find(camera, Ref::Kind::Camera) == nullptr) {
    return CamInvalidHandle;
  }
  if (openRef_ != camera || camera_ == nullptr) {
    return CamSessionNotOpen;
  }
  Close();
  return CamOk;
}

uint32_t Gphoto2Session::CheckOpen(CameraRef camera) const {
  if (Find(camera, Ref::Kind::Camera) == nullptr) {
    return CamInvalidHandle;
  }
  if (camera_ == nullptr || openRef_ != camera) {
    return CamSessionNotOpen;
  }
  return lost_ ? CamDisconnected : CamOk;
}

uint32_t Gphoto2Session::ReleaseRef(CameraRef reference) {
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

void Gphoto2Session::Poll() {
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

uint32_t Gphoto2Session::LoadLists() {
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

void Gphoto2Session::Close() {
  if (camera_ != nullptr) {
    gp_camera_exit(camera_, context_);
    gp_camera_unref(camera_);
    camera_ = nullptr;
  }
  openRef_ = 0;
  shown_.clear();
}

void Gphoto2Session::MarkLost() {
  if (lost_ || camera_ == nullptr) {
    return;
  }
  lost_ = true;
  if (stateHandler_ != nullptr) {
    Notify([&] { stateHandler_(StateEventShutdown, 0, stateContext_); });
  }
}

CameraRef Gphoto2Session::NewRef(Ref ref) {
  const CameraRef id = nextRef_++;
  refs_.emplace(id, std::move(ref));
  return id;
}

Gphoto2Session::Ref* Gphoto2Session::Find(CameraRef id, Ref::Kind kind) {
  const auto found = refs_.find(id);
  return found != refs_.end() && found->second.kind == kind ? &found->second : nullptr;
}

GPContextFeedback Gphoto2Session::Cancel(GPContext* /*context*/, void* data) {
  const auto* session = static_cast<const Gphoto2Session*>(data);
  return session->link.CancelRequested() || session->transfer_.cancel ? GP_CONTEXT_FEEDBACK_CANCEL
                                                                      : GP_CONTEXT_FEEDBACK_OK;
}

const Gphoto2Session::Ref* Gphoto2Session::Find(CameraRef id, Ref::Kind kind) const {
  return const_cast<Gphoto2Session*>(this)->Find(id, kind);
}

}  // namespace tevra
