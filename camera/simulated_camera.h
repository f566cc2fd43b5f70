// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated Canon EOS body behind the camera interface: in-process, deterministic on an
// injected clock, with the busy, slow and refusing behaviour of a real body and faults on demand.
// Users rehearse with it without a camera; every camera test runs on it.
#pragma once

#include "camera/camera_sdk.h"
#include "timing/countdown.h"
#include "timing/tick_clock.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tevra {

// The body as it is at power-on.
struct SimulatorSettings {
  std::string model = "Canon EOS Simulated";
  std::string port = "simulator";
  bool legacy = false;
  // Accepted codes in the camera's order. Tv and Av lists apply in manual mode; other AE modes
  // restrict them as real bodies do (Tv list empty outside M and Tv, Av list empty outside M and Av).
  std::vector<uint32_t> imageQualities;
  std::vector<uint32_t> aeModes;
  std::vector<uint32_t> isos;
  std::vector<uint32_t> apertures;
  std::vector<uint32_t> shutterSpeeds;
  // Values at power-on.
  uint32_t imageQuality = 0;
  uint32_t aeMode = 3;  // M
  uint32_t iso = 0;
  uint32_t aperture = 0;
  uint32_t shutterSpeed = 0;
  // After the exposure the body stays busy this long writing the picture.
  int64_t processingMs = 250;
  // Bytes of each picture reported as its size (the file written is a small JPEG all the same).
  uint64_t pictureSize = 0;
  // What a call costs on the simulator's clock before it answers (USB and the driver's round
  // trips), and what a setting's write costs: a busy body answers no faster than a real one.
  int64_t callMs = 3;
  int64_t writeMs = 8;
  // What the body reports before the night: focus mode (the lens switch), mirror lock-up (0 off,
  // 1 on), battery (percent or BatteryOnMains), the shots the card still takes (each picture takes
  // one) and its clock against the computer's local time.
  uint32_t focusMode = FocusModeManual;
  uint32_t mirrorLockUp = 0;
  uint32_t batteryLevel = 100;
  uint32_t availableShots = 8000;  // a 64 GB card of large JPEGs
  int64_t clockOffsetMs = 0;

  // A current full-frame body in manual mode.
  static SimulatorSettings Default();
};

// Faults; all off by default. Times are milliseconds on the simulator's clock since its origin
// (see SimulatedCamera).
struct SimulatorFaults {
  int64_t busyCalls = 0;  // the next N calls answer busy
  std::vector<std::pair<int64_t, int64_t>> busyWindows;
  std::map<uint32_t, uint32_t> refusedWrites;  // property id -> status of every write to it
  bool noCamera = false;
  // The Kth call to this camera (1 = first) and all later ones answer disconnected.
  int64_t disconnectAtCall = 0;
  std::vector<std::pair<int64_t, int64_t>> disconnectWindows;  // unplugged from .first until .second
  bool cardFull = false;
  int64_t slowCallMs = 0;     // every call takes this long on top of its cost
  bool cardFullBusy = false;  // a full card as the full press sees it: busy, and no file
  bool noCard = false;        // releases answer OK and nothing is written or announced
  // A release answered busy leaves the half press held: every call answers busy until the
  // press is let go (CommandPressShutterButton, ShutterButtonOff).
  bool stuckHalfPress = false;
  std::set<uint32_t> notApplied;  // writes answer OK and the body keeps its value
};

// Reads a script of settings and faults, one "key=value" (or bare key) per line or separated by
// ";", "#" starting a comment. Keys: model, port, legacy, processing-ms, call-ms, write-ms,
// autofocus, mirror-lockup, battery, shots, clock-offset-ms, busy-calls, busy=FROM-TO,
// refuse=ID:STATUS, not-applied=ID, no-camera, disconnect-at-call=K, disconnect=FROM-TO,
// card-full, card-full-busy, no-card, stuck-half-press, slow-call-ms (doc/simulator.md).
// Returns "" or what is wrong with the key; the outputs keep what was parsed before it.
std::string ParseSimulatorScript(const std::string& text, SimulatorSettings& settings,
                                 SimulatorFaults& faults);

// One call made to the simulator: name and arguments as text, for tests, the log and the
// benchmarks. The body acts on a call when it reaches it, at atMs on the simulator's clock, and
// answers at answeredMs, once the call's cost has passed.
struct SimulatorCall {
  std::string name;
  std::string args;
  uint32_t status = 0;
  int64_t atMs = 0;
  int64_t answeredMs = 0;
};

// The times of the fault windows count from originMs on the clock, by default the moment the
// camera is made. The program makes a new camera for each reconnection; passing all of them one
// origin keeps an outage where the script put it instead of starting it again with every session.
// A call whose cost passes the deadline the libgphoto2 backend keeps (CallDeadlineMs, OpenDeadlineMs,
// the exposure plus ReleaseMarginMs) answers CamTimeout at that deadline; the body may have acted
// on it all the same, as a real one may.
class SimulatedCamera final : public CameraSdk {
 public:
  explicit SimulatedCamera(SimulatorSettings settings = SimulatorSettings::Default(),
                           SimulatorFaults faults = {}, TickClock& clock = SystemTicks(),
                           std::optional<int64_t> originMs = std::nullopt);

  uint32_t InitializeSdk() override;
  uint32_t TerminateSdk() override;
  uint32_t GetCameraList(CameraRef& list) override;
  uint32_t GetChildCount(CameraRef list, int32_t& count) override;
  uint32_t GetChildAtIndex(CameraRef list, int32_t index, CameraRef& camera) override;
  uint32_t GetDeviceInfo(CameraRef camera, DeviceInfo& info) override;
  uint32_t SetPropertyEventHandler(CameraRef camera, uint32_t event, tevra::PropertyEventHandler handler,
                                   void* context) override;
  uint32_t SetObjectEventHandler(CameraRef camera, uint32_t event, tevra::ObjectEventHandler handler,
                                 void* context) override;
  uint32_t SetCameraStateEventHandler(CameraRef camera, uint32_t event, StateEventHandler handler,
                                      void* context) override;
  uint32_t OpenSession(CameraRef camera) override;
  uint32_t CloseSession(CameraRef camera) override;
  uint32_t GetPropertySize(CameraRef camera, uint32_t propertyId, int32_t parameter, uint32_t& dataType,
                           uint32_t& size) override;
  uint32_t GetPropertyData(CameraRef camera, uint32_t propertyId, int32_t parameter,
                           std::span<uint8_t> data) override;
  uint32_t SetPropertyData(CameraRef camera, uint32_t propertyId, int32_t parameter,
                           std::span<const uint8_t> data) override;
  uint32_t GetPropertyDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc) override;
  uint32_t SendStatusCommand(CameraRef camera, uint32_t command, int32_t parameter) override;
  uint32_t SetCapacity(CameraRef camera, const Capacity& capacity) override;
  uint32_t SendCommand(CameraRef camera, uint32_t command, int32_t parameter) override;
  uint32_t GetDirectoryItemInfo(CameraRef item, DirectoryItemInfo& info) override;
  uint32_t CreateFileStream(const std::string& path, uint32_t disposition, uint32_t access,
                            CameraRef& stream) override;
  uint32_t SetProgressCallback(CameraRef stream, tevra::ProgressHandler handler, uint32_t option,
                               void* context) override;
  uint32_t Download(CameraRef item, uint64_t size, CameraRef stream) override;
  uint32_t DownloadComplete(CameraRef item) override;
  uint32_t Release(CameraRef ref) override;
  // A binary PGM of the Moon as the item's picture shows it: at the level its exposure and the
  // scene's brightness index Q gave when it was taken. Costs PreviewMs on top of the call.
  uint32_t GetPreview(CameraRef item, std::vector<uint8_t>& bytes) override;

  // Tests change the faults at any time.
  SimulatorFaults& Faults() { return faults_; }
  // What the user does on the body itself: turns a dial or the lens's focus switch (raises 0x101,
  // and 0x102 where the mode changes the accepted lists).
  void ChangeOnCamera(uint32_t propertyId, uint32_t code);
  // The computer's local time the body's clock runs against; SystemLocalJD unless a test sets one.
  void SetComputerClock(LocalClock clock) { computerClock_ = std::move(clock); }
  // The Moon the body photographs: its brightness index Q at this moment (8 full Moon, -7 at
  // totality, see exposure/exposure_generator.h). Unset, the Moon is full (FullMoonQ).
  void SetMoonScene(std::function<double()> q) { moonScene_ = std::move(q); }

  // Current value of a property as the body reports it; 0 for one it does not have.
  [[nodiscard]] uint32_t Value(uint32_t propertyId) const;
  [[nodiscard]] bool IsUILocked() const { return uiLocked_; }
  [[nodiscard]] bool IsSessionOpen() const { return sessionOpen_; }
  // Pictures written to the card.
  [[nodiscard]] int64_t PicturesTaken() const { return picturesTaken_; }
  [[nodiscard]] bool IsHalfPressHeld() const { return halfPressHeld_; }
  [[nodiscard]] int64_t OriginMs() const { return originMs_; }
  // References handed out and not yet released.
  [[nodiscard]] size_t OpenReferences() const { return refs_.size(); }
  // How long a release in AF searches for focus before it fails (libgphoto2 waits as long).
  static constexpr int64_t AutofocusSearchMs = 2000;
  // Pictures announced for transfer that the body still holds when nobody takes them.
  static constexpr size_t MaxAnnouncedItems = 100;
  // What reading a picture's preview costs beyond an ordinary call: a thumbnail of some 10 kB
  // over USB.
  static constexpr int64_t PreviewMs = 150;

  // The calls made so far (the last MaxRecordedCalls of them), oldest first.
  static constexpr size_t MaxRecordedCalls = 20000;
  [[nodiscard]] const std::deque<SimulatorCall>& Calls() const { return calls_; }
  [[nodiscard]] std::vector<std::string> CallNames() const;
  void ClearCalls() { calls_.clear(); }

 private:
  enum class RefKind { CameraList, Camera, Item, Stream };
  struct Ref {
    RefKind kind;
    std::string path;   // stream: the file; item: its name on the card
    int moonLevel = 0;  // item: the Moon's level in the picture
    tevra::ProgressHandler progress = nullptr;
    void* progressContext = nullptr;
  };

  // When a call answers busy: never, for the busy faults, or also while a picture is taken.
  enum class BusyWhen { Never, Fault, FaultOrExposure };

  // Records the call, notes its cost and deadline and plays the faults every call has (unplugged).
  uint32_t Begin(const char* name, std::string args, int64_t deadlineMs = CallDeadlineMs);
  // Begin, and the camera reference must be one of ours.
  uint32_t BeginOnCamera(const char* name, CameraRef camera, std::string args,
                         int64_t deadlineMs = CallDeadlineMs);
  // Begin, with an open session on a camera of ours, busy as given.
  uint32_t BeginInSession(const char* name, CameraRef camera, std::string args, BusyWhen busy,
                          int64_t deadlineMs = CallDeadlineMs);
  // Answers the call once its cost has passed, or CamTimeout at its deadline.
  uint32_t End(uint32_t status);
  // Busy as given: for the busy faults, a held half press and (FaultOrExposure) a picture under way.
  bool AnswersBusy(BusyWhen busy);
  uint32_t TakePicture(CameraRef camera, std::string args);
  // The Moon's level for the present settings and scene.
  [[nodiscard]] int MoonLevelNow() const;
  uint32_t CheckCamera(CameraRef camera) const;
  bool Busy();  // counts down the busy-calls fault
  [[nodiscard]] bool InWindow(const std::vector<std::pair<int64_t, int64_t>>& windows) const;
  [[nodiscard]] std::vector<uint32_t> AcceptedCodes(uint32_t propertyId) const;
  // The stored value of a property: the five settings and the save target, which calls write, and
  // the state the body reports, which only the user changes on the body.
  template <typename Self>
  static auto ValueSlot(Self& self, uint32_t propertyId) -> decltype(&self.saveTo_);
  static bool IsWritable(uint32_t propertyId);
  [[nodiscard]] std::optional<uint32_t> ReadValue(uint32_t propertyId) const;
  CameraRef NewRef(Ref ref);
  void RaiseProperty(uint32_t event, uint32_t propertyId) const;
  void Pause(int64_t ms);

  SimulatorSettings settings_;
  SimulatorFaults faults_;
  TickClock& clock_;
  int64_t originMs_;
  LocalClock computerClock_;
  std::function<double()> moonScene_;
  int64_t callCount_ = 0;
  // The cost and deadline of the call under way, between Begin and End.
  int64_t callCostMs_ = 0;
  int64_t callDeadlineMs_ = CallDeadlineMs;
  bool initialized_ = false;
  bool sessionOpen_ = false;
  bool uiLocked_ = false;
  uint32_t saveTo_ = 0;
  int64_t busyUntilMs_ = 0;
  int64_t picturesTaken_ = 0;
  bool halfPressHeld_ = false;
  CameraRef nextRef_ = 1;
  std::map<CameraRef, Ref> refs_;
  tevra::PropertyEventHandler propertyHandler_ = nullptr;
  void* propertyContext_ = nullptr;
  tevra::ObjectEventHandler objectHandler_ = nullptr;
  void* objectContext_ = nullptr;
  StateEventHandler stateHandler_ = nullptr;
  void* stateContext_ = nullptr;
  std::deque<SimulatorCall> calls_;
  std::deque<CameraRef> announced_;  // the latest items announced, oldest first
};

}  // namespace tevra
