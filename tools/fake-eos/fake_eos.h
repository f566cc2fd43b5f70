// SPDX-License-Identifier: GPL-3.0-or-later
// A fake Canon EOS body on the loopback, speaking PTP/IP as a body on Wi-Fi does, so that the real
// libgphoto2 driver can be run against it without a camera. It keeps the five settings with their
// accepted lists, the capture destination, the available shots, the battery, the focus mode and its
// clock, creates a file on its card per release, and plays the faults of real bodies on request.
// The tests use it in-process; tools/fake-eos serves it to other programs.
#pragma once

#include "camera/simulated_moon.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tevra {

// Device property codes of an EOS body (what the driver reads in GetEvent records).
constexpr uint16_t EosPropAperture = 0xD101;
constexpr uint16_t EosPropShutterSpeed = 0xD102;
constexpr uint16_t EosPropIso = 0xD103;
constexpr uint16_t EosPropAEMode = 0xD105;
constexpr uint16_t EosPropFocusMode = 0xD108;
constexpr uint16_t EosPropAvailableShots = 0xD11B;
constexpr uint16_t EosPropCaptureDestination = 0xD11C;
constexpr uint16_t EosPropBatteryPower = 0xD111;
constexpr uint16_t EosPropCameraTime = 0xD113;
constexpr uint16_t EosPropImageFormat = 0xD120;
constexpr uint16_t EosPropEvfOutputDevice = 0xD1B0;

// Operation codes the tests look for.
constexpr uint16_t EosOpSetPropValueEx = 0x9110;
constexpr uint16_t EosOpGetEvent = 0x9116;
constexpr uint16_t EosOpRemoteRelease = 0x910F;
constexpr uint16_t EosOpRemoteReleaseOn = 0x9128;
constexpr uint16_t EosOpRemoteReleaseOff = 0x9129;

// Response codes.
constexpr uint16_t PtpOk = 0x2001;
constexpr uint16_t PtpDeviceBusy = 0x2019;
constexpr uint16_t PtpStoreFull = 0x200C;
constexpr uint16_t PtpInvalidPropValue = 0x201C;

// The body at power-on. Setting values are the body's codes; image qualities are given as the codes
// of the image-quality name table, whose fields (size, type, compression of one or two files) are
// the ones the body sends.
struct FakeEosBody {
  std::string model = "Canon EOS 5D Mark IV";
  std::string serial = "012345678901";
  std::vector<uint32_t> imageQualities;
  std::vector<uint32_t> aeModes;  // empty: the body sends no list, as most bodies
  std::vector<uint32_t> isos;
  std::vector<uint32_t> apertures;
  std::vector<uint32_t> shutterSpeeds;
  uint32_t imageQuality = 0;
  uint32_t aeMode = 3;  // M
  uint32_t iso = 0;
  uint32_t aperture = 0;
  uint32_t shutterSpeed = 0;
  uint32_t captureDestination = 1;  // 1 card, 4 computer
  uint32_t availableShots = 1200;
  uint32_t batteryPercent = 100;  // sent as the body's five steps: 100, 75, 50, 25 %, low
  // The body's clock against the computer's; the body keeps local time.
  int64_t clockOffsetMs = 0;
  // Focus mode AF (One Shot) instead of MF: the body then finds nothing to focus on and every
  // release fails, as at a dim Moon.
  bool autofocus = false;
  // What every operation costs the body. Nothing here, so that tests stay fast; the fake-eos
  // program costs 3 ms as a body on USB or a good Wi-Fi link.
  int callMs = 0;
  // Current bodies release with RemoteReleaseOn/Off; older ones only with RemoteRelease.
  bool releaseOnOff = true;
  uint32_t pictureBytes = 150000;
  // The Moon it photographs: its brightness index Q (8 full, -7 totality). Each picture's thumbnail
  // shows it at the level the settings give (SimulatedMoonLevelOfCodes).
  double moonQ = FullMoonQ;

  // A full-frame body in manual mode with a 24-70 mm f/2.8 lens, set in third stops, as the
  // summaries of real bodies list them.
  static FakeEosBody Default();
};

// One operation the body received: code, parameters, the data the host sent with it and when its
// request arrived.
struct FakeEosOperation {
  uint16_t code = 0;
  std::vector<uint32_t> params;
  std::vector<uint8_t> data;
  std::chrono::steady_clock::time_point arrived;
};

class FakeEos {
 public:
  // Listens on 127.0.0.1:port (0: a free port the system picks) and serves one host at a time.
  explicit FakeEos(FakeEosBody body = FakeEosBody::Default(), uint16_t port = 0);
  FakeEos(const FakeEos&) = delete;
  FakeEos& operator=(const FakeEos&) = delete;
  ~FakeEos();

  [[nodiscard]] uint16_t Port() const { return port_; }
  // The libgphoto2 port of this body: "ptpip:127.0.0.1:P:P".
  [[nodiscard]] std::string PortPath() const;
  // Closes every connection and stops serving.
  void Stop();

  // Faults, all thread-safe and taking effect at the next operation.
  // The next n operations other than GetEvent answer Device Busy.
  void AnswerBusy(int n);
  // Writes of this property answer Invalid Device Prop Value and change nothing.
  void RefuseWrites(uint16_t property);
  // Closes both connections, as a body that drops off the network; returns when they are closed.
  void DropConnection();
  // Every operation costs this long: the body answers it this much later.
  void SetAnswerDelayMs(int ms);
  // With no shots left the card is full: releases answer Store Full and create no file.
  void SetAvailableShots(uint32_t shots);
  // Every GetEvent reports a change, as a body in live view reporting its focus without end; the
  // driver then polls for ever.
  void SetChatter(bool on);
  // Focus mode AF: the half press starts a search that reports failed focus after some 2 s.
  void SetAutofocus(bool on);
  // A full card as current bodies answer the full press: Device Busy, and no file.
  void SetCardFullBusy(bool on);
  // A full card: releases answer Store Full and create no file, whatever the shots left say.
  void SetCardFull(bool on);
  // No card: releases answer OK, but nothing is written and nothing announced.
  void SetNoCard(bool on);
  // Mirror lock-up on (or the rear display in the way): the full press answers Device Busy.
  void SetMirrorLockup(bool on);
  // A full press answered busy leaves the half press held: the body then answers Device Busy to
  // everything but GetEvent until the press is let go (RemoteReleaseOff 1 or 3).
  void SetStuckHalfPress(bool on);
  // Writes of this property answer OK, but the body keeps its value and reports it again.
  void IgnoreWrites(uint16_t property);
  void SetBattery(uint32_t percent);
  void SetClockOffsetMs(int64_t ms);

  // What the user does on the body itself: turns a dial. The body reports the new value in its next
  // GetEvent; a new AE mode also changes the accepted aperture and shutter lists as real bodies do
  // (Tv lists only in M and Tv, Av lists only in M and Av).
  void ChangeOnBody(uint16_t property, uint32_t value);

  // The body's present value of a property (image format: as an image-quality code).
  [[nodiscard]] uint32_t Value(uint16_t property) const;
  [[nodiscard]] std::vector<FakeEosOperation> Operations() const;
  // When each release request reached the body (full press, or RemoteRelease on an older body),
  // whatever came of it.
  [[nodiscard]] std::vector<std::chrono::steady_clock::time_point> ReleaseTimes() const;
  // Pictures written to the card.
  [[nodiscard]] int Releases() const;
  [[nodiscard]] int Connections() const;
  // Contents of a file on the card by name ("" when there is none).
  [[nodiscard]] std::vector<uint8_t> FileData(const std::string& name) const;

 private:
  struct Connection;
  struct Object {
    uint32_t parent = 0;
    uint16_t format = 0;
    std::string name;
    std::vector<uint8_t> data;
    int moonLevel = 0;           // the Moon's level in the picture
    std::vector<uint8_t> thumb;  // its JPEG, made when first asked for
  };

  void Serve();
  void Accept();
  bool ReadFrom(Connection& connection);
  void Handle(Connection& connection, uint32_t type, const std::vector<uint8_t>& payload);
  void Operation(Connection& connection, const FakeEosOperation& operation, uint32_t transaction);
  void Reply(Connection& connection, uint32_t transaction, uint16_t response,
             const std::vector<uint8_t>* data, const std::vector<uint32_t>& params, int delayMs);
  void CloseAll();
  bool Pause(int ms);

  uint16_t SetProperty(const std::vector<uint8_t>& data);
  uint16_t Press(const FakeEosOperation& operation, std::vector<uint32_t>& params, int& extraDelayMs);
  uint16_t Release();
  [[nodiscard]] uint32_t BodyClock() const;
  std::vector<uint8_t> Events();
  std::vector<uint8_t> DeviceInfo() const;
  std::vector<uint8_t> ObjectInfo(uint32_t handle);
  const std::vector<uint8_t>& Thumb(Object& object);
  std::vector<uint32_t>* ListOf(uint16_t property);
  uint32_t* ValueOf(uint16_t property);
  [[nodiscard]] const uint32_t* ValueOf(uint16_t property) const;
  void ApplyAEMode();
  void MarkChanged(uint16_t property, bool listChanged);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  FakeEosBody body_;
  FakeEosBody powerOn_;
  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<Connection*> connections_;
  int busy_ = 0;
  std::set<uint16_t> refused_;
  bool drop_ = false;
  int delayMs_ = 0;
  bool chatter_ = false;
  bool cardFullBusy_ = false;
  bool cardFull_ = false;
  bool noCard_ = false;
  bool mirrorLockup_ = false;
  bool stuckHalfPress_ = false;
  std::set<uint16_t> ignored_;
  bool halfPressed_ = false;
  bool stuck_ = false;  // held half press after a busy full press: busy to all but GetEvent
  std::optional<std::chrono::steady_clock::time_point> focusStarted_;
  uint32_t clockReported_ = 0;
  int releases_ = 0;
  int sessions_ = 0;
  std::map<uint16_t, bool> changed_;  // property -> its list changed too
  std::vector<uint32_t> added_;       // objects to announce
  std::map<uint32_t, Object> objects_;
  uint32_t nextHandle_ = 0x100;
  std::vector<FakeEosOperation> operations_;
};

}  // namespace tevra
