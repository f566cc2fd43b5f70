// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/simulated_camera.h"

#include "camera/camera_status.h"
#include "camera/setting_names.h"
#include "camera/simulated_moon.h"
#include "camera/simulated_picture.h"
#include "timing/astrolib.h"
#include "timing/time_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <type_traits>

namespace tevra {

namespace {

// Third-stop codes from first to last: the codes of a range step x0, x3, x5, x8, xB, xD.
std::vector<uint32_t> ThirdStops(uint32_t first, uint32_t last) {
  std::vector<uint32_t> codes;
  for (uint32_t code = first; code <= last; ++code) {
    const uint32_t step = code % 8;
    if (step == 0 || step == 3 || step == 5) {
      codes.push_back(code);
    }
  }
  return codes;
}

std::string Hex(uint64_t value) {
  std::array<char, 20> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, 16);
  return "0x" + std::string(buffer.data(), result.ptr);
}

// Script numbers stay far from the limits of int64_t, so that the simulator's sums of times
// cannot overflow: 10^12 ms is some thirty years.
constexpr int64_t MaxScriptNumber = 1'000'000'000'000;

std::optional<int64_t> ParseNumber(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) {
    int64_t value = 0;
    const auto result = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || text.size() == 2) {
      return std::nullopt;
    }
    return value;
  }
  return ParseInteger(text);
}

// "0x402" or "1026": a property id or a status.
std::optional<uint32_t> ParsePropertyId(std::string_view text) {
  const std::optional<int64_t> id = ParseNumber(text);
  if (!id || *id < 0 || *id > 0xFFFFFFFF) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(*id);
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "FROM-TO" in milliseconds.
std::optional<std::pair<int64_t, int64_t>> ParseWindow(std::string_view text) {
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    return std::nullopt;
  }
  const std::optional<int64_t> from = ParseNumber(text.substr(0, dash));
  const std::optional<int64_t> to = ParseNumber(text.substr(dash + 1));
  if (!from || !to || *to < *from) {
    return std::nullopt;
  }
  return std::pair(*from, *to);
}

std::string ApplyScriptEntry(std::string_view key, std::string_view value, bool hasValue,
                             SimulatorSettings& settings, SimulatorFaults& faults) {
  const std::string what = "simulator setting \"" + std::string(key) + "\"";
  auto whole = [&](auto& target, int64_t least, int64_t most) -> std::string {
    const std::optional<int64_t> parsed = ParseNumber(value);
    if (!hasValue || !parsed || *parsed < least || *parsed > most) {
      return what + " needs a whole number from " + std::to_string(least) + " to " + std::to_string(most);
    }
    target = static_cast<std::remove_reference_t<decltype(target)>>(*parsed);
    return {};
  };
  auto number = [&](int64_t& target) { return whole(target, 0, MaxScriptNumber); };
  auto window = [&](std::vector<std::pair<int64_t, int64_t>>& target) -> std::string {
    const auto parsed = ParseWindow(value);
    if (!hasValue || !parsed) {
      return what + " needs FROM-TO in milliseconds";
    }
    target.push_back(*parsed);
    return {};
  };
  if (key == "model" || key == "port") {
    if (!hasValue || value.empty()) {
      return what + " needs a text";
    }
    (key == "model" ? settings.model : settings.port) = std::string(value);
    return {};
  }
  const std::map<std::string_view, bool*> switches = {
      {"legacy", &settings.legacy},    {"no-camera", &faults.noCamera},
      {"card-full", &faults.cardFull}, {"card-full-busy", &faults.cardFullBusy},
      {"no-card", &faults.noCard},     {"stuck-half-press", &faults.stuckHalfPress}};
  if (const auto found = switches.find(key); found != switches.end()) {
    if (hasValue) {
      return what + " takes no value";
    }
    *found->second = true;
    return {};
  }
  if (key == "autofocus" || key == "mirror-lockup") {
    if (hasValue) {
      return what + " takes no value";
    }
    if (key == "autofocus") {
      settings.focusMode = FocusModeOneShot;
    } else {
      settings.mirrorLockUp = 1;
    }
    return {};
  }
  if (key == "processing-ms") {
    return number(settings.processingMs);
  }
  if (key == "call-ms") {
    return number(settings.callMs);
  }
  if (key == "write-ms") {
    return number(settings.writeMs);
  }
  if (key == "battery") {
    if (value == "mains") {
      settings.batteryLevel = BatteryOnMains;
      return {};
    }
    return whole(settings.batteryLevel, 0, 100);
  }
  if (key == "shots") {
    return whole(settings.availableShots, 0, 0xFFFFFFFF);
  }
  if (key == "clock-offset-ms") {
    return whole(settings.clockOffsetMs, -MaxScriptNumber, MaxScriptNumber);
  }
  if (key == "not-applied") {
    const std::optional<uint32_t> id = ParsePropertyId(value);
    if (!hasValue || !id) {
      return what + " needs a property id, for example 0x402";
    }
    faults.notApplied.insert(*id);
    return {};
  }
  if (key == "busy-calls") {
    return number(faults.busyCalls);
  }
  if (key == "disconnect-at-call") {
    return number(faults.disconnectAtCall);
  }
  if (key == "slow-call-ms") {
    return number(faults.slowCallMs);
  }
  if (key == "busy") {
    return window(faults.busyWindows);
  }
  if (key == "disconnect") {
    return window(faults.disconnectWindows);
  }
  if (key == "refuse") {
    const size_t colon = value.find(':');
    const std::optional<uint32_t> id = ParsePropertyId(value.substr(0, colon));
    const std::optional<uint32_t> status = colon == std::string_view::npos
                                               ? std::optional<uint32_t>(CamRefused)
                                               : ParsePropertyId(value.substr(colon + 1));
    if (!hasValue || !id || !status || *status == CamOk) {
      return what + " needs PROPERTY:STATUS, for example 0x402:0xC3";
    }
    faults.refusedWrites[*id] = *status;
    return {};
  }
  return "unknown simulator setting \"" + std::string(key) + "\"";
}

}  // namespace

SimulatorSettings SimulatorSettings::Default() {
  SimulatorSettings settings;
  settings.imageQualities = {0x64FF0F, 0x640013,  0x164FF0F, 0x264FF0F, 0x13FF0F,
                             0x12FF0F, 0x113FF0F, 0x112FF0F, 0xE13FF0F, 0xF13FF0F};
  settings.aeModes = {0, 1, 2, 3, 4};
  settings.isos = ThirdStops(0x48, 0x88);           // 100 .. 25600
  settings.apertures = ThirdStops(0x20, 0x58);      // f/2.8 .. f/32
  settings.shutterSpeeds = ThirdStops(0x10, 0xA0);  // 30" .. 1/8000
  settings.imageQuality = 0x13FF0F;
  settings.iso = 0x48;
  settings.aperture = 0x30;
  settings.shutterSpeed = 0x78;
  settings.pictureSize = SimulatedPictureJpeg().size();
  return settings;
}

std::string ParseSimulatorScript(const std::string& text, SimulatorSettings& settings,
                                 SimulatorFaults& faults) {
  std::string_view rest(text);
  while (!rest.empty()) {
    const size_t end = rest.find_first_of(";\n");
    std::string_view entry = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    entry = Trimmed(entry.substr(0, entry.find('#')));
    if (entry.empty()) {
      continue;
    }
    const size_t equals = entry.find('=');
    const std::string_view key = Trimmed(entry.substr(0, equals));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : Trimmed(entry.substr(equals + 1));
    std::string error = ApplyScriptEntry(key, value, equals != std::string_view::npos, settings, faults);
    if (!error.empty()) {
      return error;
    }
  }
  return {};
}

SimulatedCamera::SimulatedCamera(SimulatorSettings settings, SimulatorFaults faults, TickClock& clock,
                                 std::optional<int64_t> originMs)
    : settings_(std::move(settings)),
      faults_(std::move(faults)),
      clock_(clock),
      originMs_(originMs.value_or(clock.NowMs())),
      computerClock_(SystemLocalJD) {}

std::vector<std::string> SimulatedCamera::CallNames() const {
  std::vector<std::string> names;
  names.reserve(calls_.size());
  for (const SimulatorCall& call : calls_) {
    names.push_back(call.name);
  }
  return names;
}

bool SimulatedCamera::InWindow(const std::vector<std::pair<int64_t, int64_t>>& windows) const {
  const int64_t now = clock_.NowMs() - originMs_;
  return std::any_of(windows.begin(), windows.end(),
                     [now](const auto& window) { return now >= window.first && now < window.second; });
}

// The wait hook runs after each whole slice, as the libgphoto2 backend runs it only for a call
// that keeps it waiting: the few milliseconds of an ordinary call do not pump the caller's events.
void SimulatedCamera::Pause(int64_t ms) {
  constexpr int64_t SliceMs = 10;
  const int64_t end = clock_.NowMs() + ms;
  for (int64_t now = clock_.NowMs(); now < end; now = clock_.NowMs()) {
    const int64_t slice = std::min(SliceMs, end - now);
    clock_.SleepMs(slice);
    if (slice == SliceMs) {
      RunWaitHook();
    }
  }
}

uint32_t SimulatedCamera::Begin(const char* name, std::string args, int64_t deadlineMs) {
  ++callCount_;
  if (calls_.size() == MaxRecordedCalls) {
    calls_.pop_front();
  }
  const int64_t now = clock_.NowMs();
  calls_.push_back(SimulatorCall{name, std::move(args), 0, now, now});
  callCostMs_ = settings_.callMs;
  callDeadlineMs_ = deadlineMs;
  const bool unplugged = (faults_.disconnectAtCall > 0 && callCount_ >= faults_.disconnectAtCall) ||
                         InWindow(faults_.disconnectWindows);
  return unplugged ? CamDisconnected : CamOk;
}

uint32_t SimulatedCamera::BeginOnCamera(const char* name, CameraRef camera, std::string args,
                                        int64_t deadlineMs) {
  const uint32_t status = Begin(name, std::move(args), deadlineMs);
  if (status != CamOk) {
    return status;
  }
  return refs_.contains(camera) ? CamOk : CamInvalidHandle;
}

uint32_t SimulatedCamera::BeginInSession(const char* name, CameraRef camera, std::string args, BusyWhen busy,
                                         int64_t deadlineMs) {
  uint32_t status = Begin(name, std::move(args), deadlineMs);
  if (status == CamOk) {
    status = CheckCamera(camera);
  }
  if (status == CamOk && AnswersBusy(busy)) {
    status = CamBusy;
  }
  return status;
}

bool SimulatedCamera::AnswersBusy(BusyWhen busy) {
  return halfPressHeld_ || (busy != BusyWhen::Never &&
                            (Busy() || (busy == BusyWhen::FaultOrExposure && clock_.NowMs() < busyUntilMs_)));
}

// The answer is recorded before the wait: the wait hook may call the body again, or let go of
// its record of calls.
uint32_t SimulatedCamera::End(uint32_t status) {
  // Each term is at most a script number: the sum cannot overflow.
  const int64_t cost = callCostMs_ + faults_.slowCallMs;
  const bool late = cost > callDeadlineMs_;
  const int64_t waitMs = late ? callDeadlineMs_ : cost;
  SimulatorCall& call = calls_.back();
  call.status = late ? CamTimeout : status;
  call.answeredMs = call.atMs + waitMs;
  const uint32_t answer = call.status;
  Pause(waitMs);
  return answer;
}

bool SimulatedCamera::Busy() {
  if (faults_.busyCalls > 0) {
    --faults_.busyCalls;
    return true;
  }
  return InWindow(faults_.busyWindows);
}

uint32_t SimulatedCamera::CheckCamera(CameraRef camera) const {
  const auto found = refs_.find(camera);
  if (found == refs_.end() || found->second.kind != RefKind::Camera) {
    return CamInvalidHandle;
  }
  return sessionOpen_ ? CamOk : CamSessionNotOpen;
}

CameraRef SimulatedCamera::NewRef(Ref ref) {
  const CameraRef id = nextRef_++;
  refs_.emplace(id, std::move(ref));
  return id;
}

template <typename Self>
auto SimulatedCamera::ValueSlot(Self& self, uint32_t propertyId) -> decltype(&self.saveTo_) {
  switch (propertyId) {
    case PropImageQuality:
      return &self.settings_.imageQuality;
    case PropAEMode:
      return &self.settings_.aeMode;
    case PropIso:
      return &self.settings_.iso;
    case PropAv:
      return &self.settings_.aperture;
    case PropTv:
      return &self.settings_.shutterSpeed;
    case PropSaveTo:
      return &self.saveTo_;
    case PropBatteryLevel:
      return &self.settings_.batteryLevel;
    case PropFocusMode:
      return &self.settings_.focusMode;
    case PropAvailableShots:
      return &self.settings_.availableShots;
    case PropMirrorLockUp:
      return &self.settings_.mirrorLockUp;
    default:
      return nullptr;
  }
}

bool SimulatedCamera::IsWritable(uint32_t propertyId) {
  return propertyId == PropSaveTo || KindOfProperty(propertyId) >= 0;
}

std::optional<uint32_t> SimulatedCamera::ReadValue(uint32_t propertyId) const {
  if (propertyId == PropDateTime) {
    // Seconds since 1970 of the body's own local time, which runs off the computer's by the offset.
    const double unixEpochJD = CalJD(1970, 1, 1, 0, 0, 0);
    const auto localMs = static_cast<int64_t>(std::llround((computerClock_() - unixEpochJD) * 86'400'000.0));
    const int64_t seconds = (localMs + settings_.clockOffsetMs) / 1000;
    return static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, 0xFFFFFFFF));
  }
  if (propertyId == PropAvailableShots && faults_.noCard) {
    return 0;  // as a body reports it with its slot empty
  }
  const uint32_t* slot = ValueSlot(*this, propertyId);
  return slot != nullptr ? std::optional<uint32_t>(*slot) : std::nullopt;
}

uint32_t SimulatedCamera::Value(uint32_t propertyId) const { return ReadValue(propertyId).value_or(0); }

std::vector<uint32_t> SimulatedCamera::AcceptedCodes(uint32_t propertyId) const {
  constexpr uint32_t ModeTv = 1;
  constexpr uint32_t ModeAv = 2;
  constexpr uint32_t ModeManual = 3;
  constexpr uint32_t ModeBulb = 4;
  const uint32_t mode = settings_.aeMode;
  switch (propertyId) {
    case PropImageQuality:
      return settings_.imageQualities;
    case PropAEMode:
      return settings_.aeModes;
    case PropIso:
      return settings_.isos;
    case PropAv:
      return mode == ModeManual || mode == ModeAv || mode == ModeBulb ? settings_.apertures
                                                                      : std::vector<uint32_t>();
    case PropTv:
      return mode == ModeManual || mode == ModeTv ? settings_.shutterSpeeds : std::vector<uint32_t>();
    default:
      return {};
  }
}

void SimulatedCamera::RaiseProperty(uint32_t event, uint32_t propertyId) const {
  if (propertyHandler_ != nullptr) {
    propertyHandler_(event, propertyId, 0, propertyContext_);
  }
}

void SimulatedCamera::ChangeOnCamera(uint32_t propertyId, uint32_t code) {
  uint32_t* slot = ValueSlot(*this, propertyId);
  if (slot == nullptr) {
    return;
  }
  *slot = code;
  RaiseProperty(PropertyEventValueChanged, propertyId);
  if (propertyId == PropAEMode) {
    RaiseProperty(PropertyEventDescChanged, PropTv);
    RaiseProperty(PropertyEventDescChanged, PropAv);
  }
}

uint32_t SimulatedCamera::InitializeSdk() {
  Begin("InitializeSdk", "");
  initialized_ = true;
  return End(CamOk);
}

uint32_t SimulatedCamera::TerminateSdk() {
  Begin("TerminateSdk", "");
  initialized_ = false;
  sessionOpen_ = false;
  return End(CamOk);
}

uint32_t SimulatedCamera::GetCameraList(CameraRef& list) {
  Begin("GetCameraList", "", OpenDeadlineMs);
  if (!initialized_) {
    return End(CamInternalError);
  }
  list = NewRef(Ref{RefKind::CameraList, {}});
  return End(CamOk);
}

uint32_t SimulatedCamera::GetChildCount(CameraRef list, int32_t& count) {
  const uint32_t status = Begin("GetChildCount", Hex(list));
  if (!refs_.contains(list)) {
    return End(CamInvalidHandle);
  }
  count = faults_.noCamera || status != CamOk ? 0 : 1;
  return End(CamOk);
}

uint32_t SimulatedCamera::GetChildAtIndex(CameraRef list, int32_t index, CameraRef& camera) {
  const uint32_t status = Begin("GetChildAtIndex", Hex(list) + ", " + std::to_string(index));
  if (!refs_.contains(list)) {
    return End(CamInvalidHandle);
  }
  // An unplugged body is simply not in the list.
  if (faults_.noCamera || status != CamOk || index != 0) {
    return End(CamNotFound);
  }
  camera = NewRef(Ref{RefKind::Camera, {}});
  return End(CamOk);
}

uint32_t SimulatedCamera::GetDeviceInfo(CameraRef camera, DeviceInfo& info) {
  if (const uint32_t status = BeginOnCamera("GetDeviceInfo", camera, Hex(camera)); status != CamOk) {
    return End(status);
  }
  info.PortName = settings_.port;
  info.DeviceDescription = settings_.model;
  info.DeviceSubType = settings_.legacy ? 0 : 1;
  return End(CamOk);
}

uint32_t SimulatedCamera::SetPropertyEventHandler(CameraRef camera, uint32_t event,
                                                  tevra::PropertyEventHandler handler, void* context) {
  if (const uint32_t status =
          BeginOnCamera("SetPropertyEventHandler", camera, Hex(camera) + ", " + Hex(event));
      status != CamOk) {
    return End(status);
  }
  propertyHandler_ = handler;
  propertyContext_ = context;
  return End(CamOk);
}

uint32_t SimulatedCamera::SetObjectEventHandler(CameraRef camera, uint32_t event,
                                                tevra::ObjectEventHandler handler, void* context) {
  if (const uint32_t status = BeginOnCamera("SetObjectEventHandler", camera, Hex(camera) + ", " + Hex(event));
      status != CamOk) {
    return End(status);
  }
  objectHandler_ = handler;
  objectContext_ = context;
  return End(CamOk);
}

uint32_t SimulatedCamera::SetCameraStateEventHandler(CameraRef camera, uint32_t event,
                                                     StateEventHandler handler, void* context) {
  if (const uint32_t status =
          BeginOnCamera("SetCameraStateEventHandler", camera, Hex(camera) + ", " + Hex(event));
      status != CamOk) {
    return End(status);
  }
  stateHandler_ = handler;
  stateContext_ = context;
  return End(CamOk);
}

uint32_t SimulatedCamera::OpenSession(CameraRef camera) {
  if (const uint32_t status = BeginOnCamera("OpenSession", camera, Hex(camera), OpenDeadlineMs);
      status != CamOk) {
    return End(status);
  }
  sessionOpen_ = true;
  return End(CamOk);
}

uint32_t SimulatedCamera::CloseSession(CameraRef camera) {
  if (const uint32_t status = BeginOnCamera("CloseSession", camera, Hex(camera)); status != CamOk) {
    return End(status);
  }
  sessionOpen_ = false;
  uiLocked_ = false;
  return End(CamOk);
}

uint32_t SimulatedCamera::GetPropertySize(CameraRef camera, uint32_t propertyId, int32_t parameter,
                                          uint32_t& dataType, uint32_t& size) {
  if (const uint32_t status = BeginInSession(
          "GetPropertySize", camera, Hex(camera) + ", " + Hex(propertyId) + ", " + std::to_string(parameter),
          BusyWhen::Fault);
      status != CamOk) {
    return End(status);
  }
  if (!ReadValue(propertyId)) {
    return End(CamNotSupported);
  }
  dataType = DataTypeUInt32;
  size = 4;
  return End(CamOk);
}

uint32_t SimulatedCamera::GetPropertyData(CameraRef camera, uint32_t propertyId, int32_t parameter,
                                          std::span<uint8_t> data) {
  if (const uint32_t status = BeginInSession(
          "GetPropertyData", camera, Hex(camera) + ", " + Hex(propertyId) + ", " + std::to_string(parameter),
          BusyWhen::Fault);
      status != CamOk) {
    return End(status);
  }
  const std::optional<uint32_t> value = ReadValue(propertyId);
  if (!value) {
    return End(CamNotSupported);
  }
  if (data.size() < 4) {
    return End(CamInvalidParameter);
  }
  const std::array<uint8_t, 4> bytes = UInt32Bytes(*value);
  std::copy(bytes.begin(), bytes.end(), data.begin());
  return End(CamOk);
}

uint32_t SimulatedCamera::SetPropertyData(CameraRef camera, uint32_t propertyId, int32_t parameter,
                                          std::span<const uint8_t> data) {
  const uint32_t code = UInt32FromBytes(data);
  if (const uint32_t status = BeginInSession(
          "SetPropertyData", camera,
          Hex(camera) + ", " + Hex(propertyId) + ", " + std::to_string(parameter) + ", " + Hex(code),
          BusyWhen::FaultOrExposure);
      status != CamOk) {
    return End(status);
  }
  callCostMs_ = settings_.writeMs;
  if (const auto refused = faults_.refusedWrites.find(propertyId); refused != faults_.refusedWrites.end()) {
    return End(refused->second);
  }
  if (!IsWritable(propertyId)) {
    return End(CamNotSupported);
  }
  if (data.size() != 4) {
    return End(CamInvalidParameter);
  }
  const bool applied = !faults_.notApplied.contains(propertyId);
  if (propertyId == PropSaveTo) {
    if (code < 1 || code > 3) {
      return End(CamInvalidParameter);
    }
    saveTo_ = applied ? code : saveTo_;
    return End(CamOk);
  }
  const std::vector<uint32_t> accepted = AcceptedCodes(propertyId);
  if (std::find(accepted.begin(), accepted.end(), code) == accepted.end()) {
    return End(CamRefused);
  }
  if (applied) {
    ChangeOnCamera(propertyId, code);
  }
  return End(CamOk);
}

uint32_t SimulatedCamera::GetPropertyDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc) {
  if (const uint32_t status =
          BeginInSession("GetPropertyDesc", camera, Hex(camera) + ", " + Hex(propertyId), BusyWhen::Fault);
      status != CamOk) {
    return End(status);
  }
  if (KindOfProperty(propertyId) < 0) {
    return End(CamNotSupported);
  }
  const std::vector<uint32_t> accepted = AcceptedCodes(propertyId);
  desc = PropertyDesc{};
  desc.Form = 0;
  desc.Access = 1;
  desc.Count = static_cast<int32_t>(std::min(accepted.size(), PropertyDescCapacity));
  std::transform(accepted.begin(), accepted.begin() + desc.Count, desc.Codes.begin(),
                 [](uint32_t code) { return static_cast<int32_t>(code); });
  return End(CamOk);
}

uint32_t SimulatedCamera::SendStatusCommand(CameraRef camera, uint32_t command, int32_t parameter) {
  if (const uint32_t status = BeginInSession(
          "SendStatusCommand", camera,
          Hex(camera) + ", " + std::to_string(command) + ", " + std::to_string(parameter), BusyWhen::Fault);
      status != CamOk) {
    return End(status);
  }
  if (command != StatusCommandUILock && command != StatusCommandUIUnlock) {
    return End(CamInvalidParameter);
  }
  uiLocked_ = command == StatusCommandUILock;
  return End(CamOk);
}

uint32_t SimulatedCamera::SetCapacity(CameraRef camera, const Capacity& capacity) {
  return End(BeginInSession("SetCapacity", camera,
                            Hex(camera) + ", " + std::to_string(capacity.NumberOfFreeClusters) + ", " +
                                std::to_string(capacity.BytesPerSector) + ", " + (capacity.Reset ? "1" : "0"),
                            BusyWhen::Never));
}

uint32_t SimulatedCamera::SendCommand(CameraRef camera, uint32_t command, int32_t parameter) {
  std::string args = Hex(camera) + ", " + std::to_string(command) + ", " + std::to_string(parameter);
  if (command == CommandTakePicture) {
    return TakePicture(camera, std::move(args));
  }
  // Letting go of the shutter button is always possible, held or not.
  if (const uint32_t status = BeginInSession("SendCommand", camera, std::move(args), BusyWhen::Never);
      status != CamOk && !(status == CamBusy && command == CommandPressShutterButton)) {
    return End(status);
  }
  if (command != CommandPressShutterButton || parameter != ShutterButtonOff) {
    return End(CamNotSupported);
  }
  halfPressHeld_ = false;
  return End(CamOk);
}

uint32_t SimulatedCamera::TakePicture(CameraRef camera, std::string args) {
  const std::optional<double> seconds =
      ShutterSeconds(SettingNameByCode(KindShutter, settings_.shutterSpeed));
  const auto exposureMs = static_cast<int64_t>(std::ceil(seconds.value_or(1.0) * 1000.0));
  uint32_t status = BeginInSession("SendCommand", camera, std::move(args), BusyWhen::FaultOrExposure,
                                   exposureMs + ReleaseMarginMs);
  if (status == CamOk && settings_.focusMode != FocusModeManual) {
    // The half press searches for focus and finds none on a dark sky.
    callCostMs_ += AutofocusSearchMs;
    status = CamNoFocus;
  }
  if (status == CamOk && (settings_.mirrorLockUp != 0 || faults_.cardFullBusy)) {
    status = CamBusy;  // the full press is refused
  }
  if (status == CamBusy && faults_.stuckHalfPress) {
    halfPressHeld_ = true;
  }
  if (status != CamOk) {
    return End(status);
  }
  const bool card = !faults_.noCard;
  if (card && (faults_.cardFull || settings_.availableShots == 0)) {
    return End(CamCardFull);
  }
  busyUntilMs_ = clock_.NowMs() + exposureMs + settings_.processingMs;
  if (!card) {
    return End(CamOk);  // the picture stays in the body's memory, announced nowhere
  }
  --settings_.availableShots;
  ++picturesTaken_;
  // Canon numbers its files from 0001 to 9999 and then starts again at 0001.
  std::string name = std::to_string((picturesTaken_ - 1) % 9999 + 1);
  name = "IMG_" + std::string(4 - name.size(), '0') + name + ".JPG";
  if (objectHandler_ != nullptr) {
    // The body holds the announced pictures until they are downloaded or released, but only so
    // many: a run with nobody to download them (tevra-cli) must not grow for the whole night.
    Ref picture{RefKind::Item, name};
    picture.moonLevel = MoonLevelNow();
    const CameraRef item = NewRef(std::move(picture));
    announced_.push_back(item);
    if (announced_.size() > MaxAnnouncedItems) {
      refs_.erase(announced_.front());  // nothing when it was released already
      announced_.pop_front();
    }
    objectHandler_(ObjectEventTransferRequest, item, objectContext_);
  }
  return End(CamOk);
}

uint32_t SimulatedCamera::GetDirectoryItemInfo(CameraRef item, DirectoryItemInfo& info) {
  const uint32_t status = Begin("GetDirectoryItemInfo", Hex(item));
  if (status != CamOk) {
    return End(status);
  }
  const auto found = refs_.find(item);
  if (found == refs_.end() || found->second.kind != RefKind::Item) {
    return End(CamInvalidHandle);
  }
  info = DirectoryItemInfo{settings_.pictureSize, false, 0, 0, found->second.path};
  return End(CamOk);
}

uint32_t SimulatedCamera::CreateFileStream(const std::string& path, uint32_t disposition, uint32_t access,
                                           CameraRef& stream) {
  Begin("CreateFileStream", path + ", " + std::to_string(disposition) + ", " + std::to_string(access));
  if (disposition != FileCreateAlways) {
    return End(CamNotSupported);
  }
  if (!std::ofstream(path, std::ios::binary | std::ios::trunc)) {
    return End(CamInternalError);
  }
  stream = NewRef(Ref{RefKind::Stream, path});
  return End(CamOk);
}

uint32_t SimulatedCamera::SetProgressCallback(CameraRef stream, tevra::ProgressHandler handler,
                                              uint32_t option, void* context) {
  Begin("SetProgressCallback", Hex(stream) + ", " + std::to_string(option));
  const auto found = refs_.find(stream);
  if (found == refs_.end() || found->second.kind != RefKind::Stream) {
    return End(CamInvalidHandle);
  }
  found->second.progress = handler;
  found->second.progressContext = context;
  return End(CamOk);
}

uint32_t SimulatedCamera::Download(CameraRef item, uint64_t size, CameraRef stream) {
  const uint32_t status = Begin("Download", Hex(item) + ", " + std::to_string(size) + ", " + Hex(stream));
  if (status != CamOk) {
    return End(status);
  }
  const auto source = refs_.find(item);
  const auto target = refs_.find(stream);
  if (source == refs_.end() || source->second.kind != RefKind::Item || target == refs_.end() ||
      target->second.kind != RefKind::Stream) {
    return End(CamInvalidHandle);
  }
  const std::span<const uint8_t> picture = SimulatedPictureJpeg();
  std::ofstream file(target->second.path, std::ios::binary | std::ios::trunc);
  constexpr uint32_t Steps = 5;
  bool cancel = false;
  for (uint32_t step = 1; step <= Steps; ++step) {
    const size_t from = picture.size() * (step - 1) / Steps;
    const size_t to = picture.size() * step / Steps;
    file.write(reinterpret_cast<const char*>(picture.data() + from), static_cast<std::streamsize>(to - from));
    if (target->second.progress != nullptr) {
      target->second.progress(step * 100 / Steps, target->second.progressContext, &cancel);
    }
    if (cancel) {
      return End(CamCancelled);
    }
  }
  file.flush();
  return End(file ? CamOk : CamInternalError);
}

uint32_t SimulatedCamera::DownloadComplete(CameraRef item) {
  const uint32_t status = Begin("DownloadComplete", Hex(item));
  if (status != CamOk) {
    return End(status);
  }
  const auto found = refs_.find(item);
  return End(found == refs_.end() || found->second.kind != RefKind::Item ? CamInvalidHandle : CamOk);
}

int SimulatedCamera::MoonLevelNow() const {
  return SimulatedMoonLevelOfCodes(moonScene_ ? moonScene_() : FullMoonQ, settings_.iso, settings_.aperture,
                                   settings_.shutterSpeed);
}

// As a thumbnail read over USB: busy while the body exposes or writes a picture.
uint32_t SimulatedCamera::GetPreview(CameraRef item, std::vector<uint8_t>& bytes) {
  bytes.clear();
  uint32_t status = Begin("GetPreview", Hex(item));
  const auto found = refs_.find(item);
  if (status == CamOk && (found == refs_.end() || found->second.kind != RefKind::Item)) {
    status = CamInvalidHandle;
  } else if (status == CamOk && !sessionOpen_) {
    status = CamSessionNotOpen;
  } else if (status == CamOk && AnswersBusy(BusyWhen::FaultOrExposure)) {
    status = CamBusy;
  }
  if (status != CamOk) {
    return End(status);
  }
  callCostMs_ += PreviewMs;
  // Taken before the wait, whose hook may call the body again and release the item.
  std::vector<uint8_t> preview = SimulatedMoonPgm(found->second.moonLevel);
  const uint32_t answer = End(CamOk);
  if (answer == CamOk) {
    bytes = std::move(preview);
  }
  return answer;
}

uint32_t SimulatedCamera::Release(CameraRef ref) {
  Begin("Release", Hex(ref));
  return End(refs_.erase(ref) == 1 ? CamOk : CamInvalidHandle);
}

}  // namespace tevra
