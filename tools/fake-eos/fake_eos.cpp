// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/fake-eos/fake_eos.h"

#include "camera/simulated_moon.h"
#include "tools/fake-eos/moon_thumb.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <utility>

namespace tevra {

namespace {

// PTP/IP packet types.
constexpr uint32_t InitCommandRequest = 1;
constexpr uint32_t InitCommandAck = 2;
constexpr uint32_t InitEventRequest = 3;
constexpr uint32_t InitEventAck = 4;
constexpr uint32_t CommandRequest = 6;
constexpr uint32_t CommandResponse = 7;
constexpr uint32_t StartData = 9;
constexpr uint32_t Data = 10;
constexpr uint32_t EndData = 12;

// GetEvent record types.
constexpr uint32_t RecordObjectAddedEx = 0xC181;
constexpr uint32_t RecordPropValue = 0xC189;
constexpr uint32_t RecordAvailList = 0xC18A;
constexpr uint32_t RecordOlcInfo = 0xC1A5;

// How long the body searches for focus before it reports failure: within the 2 s the driver waits
// after the half press.
constexpr int FocusSearchMs = 1800;

constexpr uint32_t StorageId = 0x00010001;
constexpr uint32_t DcimHandle = 1;
constexpr uint32_t FolderHandle = 2;
constexpr uint16_t FormatAssociation = 0x3001;
constexpr uint16_t FormatJpeg = 0x3801;
constexpr uint16_t FormatCr2 = 0xB103;

constexpr uint16_t PtpOperationNotSupported = 0x2005;
constexpr uint16_t PtpInvalidObjectHandle = 0x2009;

// Little-endian packet builder.
class Bytes {
 public:
  Bytes& U8(uint32_t v) {
    data_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& U16(uint32_t v) { return U8(v).U8(v >> 8U); }
  Bytes& U32(uint32_t v) { return U16(v).U16(v >> 16U); }
  Bytes& U64(uint64_t v) { return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32U)); }
  // A PTP string: count of UTF-16 units with the terminator, then the units; "" is one zero byte.
  Bytes& Str(const std::string& s) {
    if (s.empty()) {
      return U8(0);
    }
    U8(static_cast<uint32_t>(s.size() + 1));
    for (char c : s) {
      U16(static_cast<uint8_t>(c));
    }
    return U16(0);
  }
  Bytes& Array(const std::vector<uint32_t>& values, bool wide) {
    U32(static_cast<uint32_t>(values.size()));
    for (uint32_t v : values) {
      if (wide) {
        U32(v);
      } else {
        U16(v);
      }
    }
    return *this;
  }
  Bytes& Append(const std::vector<uint8_t>& more) {
    data_.insert(data_.end(), more.begin(), more.end());
    return *this;
  }
  [[nodiscard]] const std::vector<uint8_t>& Get() const { return data_; }
  [[nodiscard]] uint32_t Size() const { return static_cast<uint32_t>(data_.size()); }

 private:
  std::vector<uint8_t> data_;
};

uint32_t U32At(const std::vector<uint8_t>& data, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4 && at + i < data.size(); ++i) {
    v |= static_cast<uint32_t>(data[at + i]) << (8U * i);
  }
  return v;
}

uint32_t U16At(const std::vector<uint8_t>& data, size_t at) { return U32At(data, at) & 0xFFFFU; }

std::vector<uint8_t> Packet(uint32_t type, const std::vector<uint8_t>& payload) {
  Bytes b;
  b.U32(static_cast<uint32_t>(payload.size() + 8)).U32(type).Append(payload);
  return b.Get();
}

// An image format as the body sends it: the count of files, then per file 0x10, type, size and
// compression. The name-table codes hold the same fields: size, type and compression of the first
// file in the upper half, of the second file in the lower half (0xFF0F there: no second file).
std::vector<uint8_t> ImageFormatBlob(uint32_t code) {
  const bool two = (code & 0xFFFFU) != 0xFF0FU;
  Bytes b;
  b.U32(two ? 2 : 1);
  b.U32(0x10).U32((code >> 20U) & 0xFU).U32(code >> 24U).U32((code >> 16U) & 0xFU);
  if (two) {
    b.U32(0x10).U32((code >> 4U) & 0xFU).U32((code >> 8U) & 0xFFU).U32(code & 0xFU);
  }
  return b.Get();
}

uint32_t ImageFormatCode(const std::vector<uint8_t>& data, size_t at) {
  const uint32_t count = U32At(data, at);
  uint32_t code =
      (U32At(data, at + 12) << 24U) | (U32At(data, at + 8) << 20U) | (U32At(data, at + 16) << 16U);
  if (count == 2) {
    return code | (U32At(data, at + 28) << 8U) | (U32At(data, at + 24) << 4U) | U32At(data, at + 32);
  }
  return code | 0xFF0FU;
}

void SendAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      return;  // the host went away; its side notices
    }
    sent += static_cast<size_t>(n);
  }
}

std::vector<uint32_t> Range(std::initializer_list<uint32_t> codes) { return codes; }

// The battery as an EOS body reports it: 2 full, 4 three quarters, 1 half, 5 a quarter, 0 low.
uint32_t BatteryCode(uint32_t percent) {
  if (percent >= 88) {
    return 2;
  }
  if (percent >= 63) {
    return 4;
  }
  if (percent >= 38) {
    return 1;
  }
  return percent >= 13 ? 5 : 0;
}

bool IsFullPress(const FakeEosOperation& operation) {
  return operation.code == EosOpRemoteReleaseOn && !operation.params.empty() &&
         (operation.params[0] == 2 || operation.params[0] == 3);
}

// RemoteReleaseOff 1 or 3 lets go of the half press.
bool IsLetGo(const FakeEosOperation& operation) {
  return operation.code == EosOpRemoteReleaseOff && !operation.params.empty() &&
         (operation.params[0] == 1 || operation.params[0] == 3);
}

}  // namespace

struct FakeEos::Connection {
  int fd = -1;
  std::vector<uint8_t> in;
  bool command = false;
  // An operation waiting for the data the host sends with it.
  bool awaitingData = false;
  FakeEosOperation pending;
  uint32_t pendingTransaction = 0;
};

FakeEosBody FakeEosBody::Default() {
  FakeEosBody body;
  body.imageQualities = Range({0x0013FF0F, 0x0012FF0F, 0x0113FF0F, 0x0112FF0F, 0x0E13FF0F, 0x0E12FF0F,
                               0x0F13FF0F, 0x1013FF0F, 0x00640013, 0x00640012, 0x00640113, 0x00640E13,
                               0x01640013, 0x02640013, 0x0064FF0F, 0x0164FF0F, 0x0264FF0F});
  body.isos = Range({0x00, 0x48, 0x4B, 0x4D, 0x50, 0x53, 0x55, 0x58, 0x5B, 0x5D, 0x60, 0x63, 0x65, 0x68,
                     0x6B, 0x6D, 0x70, 0x73, 0x75, 0x78, 0x7B, 0x7D, 0x80, 0x83, 0x85, 0x88, 0x8B});
  body.apertures = Range({0x20, 0x23, 0x25, 0x28, 0x2B, 0x2D, 0x30, 0x33, 0x35, 0x38, 0x3B, 0x3D, 0x40, 0x43,
                          0x45, 0x48, 0x4B, 0x4D, 0x50});
  body.shutterSpeeds =
      Range({0x0C, 0x10, 0x13, 0x15, 0x18, 0x1B, 0x1D, 0x20, 0x23, 0x25, 0x28, 0x2B, 0x2D, 0x30,
             0x33, 0x35, 0x38, 0x3B, 0x3D, 0x40, 0x43, 0x45, 0x48, 0x4B, 0x4D, 0x50, 0x53, 0x55,
             0x58, 0x5B, 0x5D, 0x60, 0x63, 0x65, 0x68, 0x6B, 0x6D, 0x70, 0x73, 0x75, 0x78, 0x7B,
             0x7D, 0x80, 0x83, 0x85, 0x88, 0x8B, 0x8D, 0x90, 0x93, 0x95, 0x98, 0x9B, 0x9D, 0xA0});
  body.imageQuality = 0x00640013;  // RAW + large fine JPEG
  body.iso = 0x48;                 // 100
  body.aperture = 0x30;            // f/5.6
  body.shutterSpeed = 0x78;        // 1/250
  return body;
}

FakeEos::FakeEos(FakeEosBody body, uint16_t port) : body_(std::move(body)), powerOn_(body_) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 4) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener_ >= 0) {
      close(listener_);
    }
    throw std::runtime_error("fake-eos: cannot listen on 127.0.0.1:" + std::to_string(port) + ": " +
                             std::strerror(errno));
  }
  port_ = ntohs(address.sin_port);
  delayMs_ = body_.callMs;
  objects_[DcimHandle] = Object{0, FormatAssociation, "DCIM", {}, 0, {}};
  objects_[FolderHandle] = Object{DcimHandle, FormatAssociation, "100CANON", {}, 0, {}};
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    close(listener_);
    throw std::runtime_error("fake-eos: no pipe");
  }
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  thread_ = std::thread([this] { Serve(); });
}

FakeEos::~FakeEos() {
  Stop();
  close(wakeRead_);
  close(wakeWrite_);
}

std::string FakeEos::PortPath() const {
  return "ptpip:127.0.0.1:" + std::to_string(port_) + ":" + std::to_string(port_);
}

void FakeEos::Stop() {
  {
    std::lock_guard lock(mutex_);  // so that no waiter misses the change
    if (stop_.exchange(true)) {
      return;
    }
  }
  wake_.notify_all();
  const char byte = 0;
  (void)!write(wakeWrite_, &byte, 1);
  thread_.join();
  close(listener_);
}

void FakeEos::AnswerBusy(int n) {
  std::lock_guard lock(mutex_);
  busy_ = n;
}

void FakeEos::RefuseWrites(uint16_t property) {
  std::lock_guard lock(mutex_);
  refused_.insert(property);
}

void FakeEos::DropConnection() {
  std::unique_lock lock(mutex_);
  drop_ = true;
  const char byte = 0;
  (void)!write(wakeWrite_, &byte, 1);
  wake_.wait(lock, [this] { return !drop_ || stop_; });
}

void FakeEos::SetAnswerDelayMs(int ms) {
  std::lock_guard lock(mutex_);
  delayMs_ = ms;
}

void FakeEos::SetAvailableShots(uint32_t shots) {
  std::lock_guard lock(mutex_);
  body_.availableShots = shots;
  MarkChanged(EosPropAvailableShots, false);
}

void FakeEos::SetChatter(bool on) {
  std::lock_guard lock(mutex_);
  chatter_ = on;
}

void FakeEos::SetAutofocus(bool on) {
  std::lock_guard lock(mutex_);
  body_.autofocus = on;
  MarkChanged(EosPropFocusMode, false);
}

void FakeEos::SetCardFullBusy(bool on) {
  std::lock_guard lock(mutex_);
  cardFullBusy_ = on;
}

void FakeEos::SetCardFull(bool on) {
  std::lock_guard lock(mutex_);
  cardFull_ = on;
}

void FakeEos::SetNoCard(bool on) {
  std::lock_guard lock(mutex_);
  noCard_ = on;
  if (on) {
    body_.availableShots = 0;  // as a body reports it with its slot empty
    MarkChanged(EosPropAvailableShots, false);
  }
}

void FakeEos::SetMirrorLockup(bool on) {
  std::lock_guard lock(mutex_);
  mirrorLockup_ = on;
}

void FakeEos::SetStuckHalfPress(bool on) {
  std::lock_guard lock(mutex_);
  stuckHalfPress_ = on;
  stuck_ = stuck_ && on;
}

void FakeEos::IgnoreWrites(uint16_t property) {
  std::lock_guard lock(mutex_);
  ignored_.insert(property);
}

void FakeEos::SetBattery(uint32_t percent) {
  std::lock_guard lock(mutex_);
  body_.batteryPercent = percent;
  MarkChanged(EosPropBatteryPower, false);
}

void FakeEos::SetClockOffsetMs(int64_t ms) {
  std::lock_guard lock(mutex_);
  body_.clockOffsetMs = ms;
  MarkChanged(EosPropCameraTime, false);
}

void FakeEos::ChangeOnBody(uint16_t property, uint32_t value) {
  std::lock_guard lock(mutex_);
  if (uint32_t* slot = ValueOf(property)) {
    *slot = value;
    MarkChanged(property, false);
    if (property == EosPropAEMode) {
      ApplyAEMode();
    }
  }
}

uint32_t FakeEos::Value(uint16_t property) const {
  std::lock_guard lock(mutex_);
  const uint32_t* slot = ValueOf(property);
  return slot != nullptr ? *slot : 0;
}

std::vector<FakeEosOperation> FakeEos::Operations() const {
  std::lock_guard lock(mutex_);
  return operations_;
}

std::vector<std::chrono::steady_clock::time_point> FakeEos::ReleaseTimes() const {
  std::lock_guard lock(mutex_);
  std::vector<std::chrono::steady_clock::time_point> times;
  for (const FakeEosOperation& operation : operations_) {
    if (IsFullPress(operation) || operation.code == EosOpRemoteRelease) {
      times.push_back(operation.arrived);
    }
  }
  return times;
}

int FakeEos::Releases() const {
  std::lock_guard lock(mutex_);
  return releases_;
}

int FakeEos::Connections() const {
  std::lock_guard lock(mutex_);
  return sessions_;
}

std::vector<uint8_t> FakeEos::FileData(const std::string& name) const {
  std::lock_guard lock(mutex_);
  for (const auto& [handle, object] : objects_) {
    if (object.name == name) {
      return object.data;
    }
  }
  return {};
}

uint32_t* FakeEos::ValueOf(uint16_t property) {
  return const_cast<uint32_t*>(std::as_const(*this).ValueOf(property));
}

const uint32_t* FakeEos::ValueOf(uint16_t property) const {
  switch (property) {
    case EosPropAperture:
      return &body_.aperture;
    case EosPropShutterSpeed:
      return &body_.shutterSpeed;
    case EosPropIso:
      return &body_.iso;
    case EosPropAEMode:
      return &body_.aeMode;
    case EosPropImageFormat:
      return &body_.imageQuality;
    case EosPropCaptureDestination:
      return &body_.captureDestination;
    case EosPropAvailableShots:
      return &body_.availableShots;
    default:
      return nullptr;
  }
}

std::vector<uint32_t>* FakeEos::ListOf(uint16_t property) {
  switch (property) {
    case EosPropAperture:
      return &body_.apertures;
    case EosPropShutterSpeed:
      return &body_.shutterSpeeds;
    case EosPropIso:
      return &body_.isos;
    case EosPropAEMode:
      return body_.aeModes.empty() ? nullptr : &body_.aeModes;
    case EosPropImageFormat:
      return &body_.imageQualities;
    default:
      return nullptr;
  }
}

void FakeEos::MarkChanged(uint16_t property, bool listChanged) {
  changed_[property] = changed_[property] || listChanged;
}

void FakeEos::ApplyAEMode() {
  // Manual keeps both lists; Tv (1) fixes the aperture, Av (2) the shutter speed, other modes both.
  const uint32_t mode = body_.aeMode;
  const bool tvFree = mode == 3 || mode == 1;
  const bool avFree = mode == 3 || mode == 2;
  const std::vector<uint32_t> shutters =
      tvFree ? powerOn_.shutterSpeeds : std::vector<uint32_t>{body_.shutterSpeed};
  const std::vector<uint32_t> apertures = avFree ? powerOn_.apertures : std::vector<uint32_t>{body_.aperture};
  if (shutters != body_.shutterSpeeds) {
    body_.shutterSpeeds = shutters;
    MarkChanged(EosPropShutterSpeed, true);
  }
  if (apertures != body_.apertures) {
    body_.apertures = apertures;
    MarkChanged(EosPropAperture, true);
  }
}

bool FakeEos::Pause(int ms) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

void FakeEos::Serve() {
  while (!stop_) {
    std::vector<pollfd> fds{{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    for (Connection* c : connections_) {
      fds.push_back({c->fd, POLLIN, 0});
    }
    if (poll(fds.data(), fds.size(), 1000) < 0) {
      continue;
    }
    char drain[64];
    while (read(wakeRead_, drain, sizeof drain) > 0) {
    }
    bool drop = false;
    {
      std::lock_guard lock(mutex_);
      drop = drop_;
    }
    if (stop_ || drop) {
      CloseAll();
      std::lock_guard lock(mutex_);
      drop_ = false;
      wake_.notify_all();
      continue;
    }
    if ((fds[0].revents & POLLIN) != 0) {
      Accept();
    }
    for (size_t i = 2; i < fds.size(); ++i) {
      if (fds[i].revents == 0) {
        continue;
      }
      auto it = std::find_if(connections_.begin(), connections_.end(),
                             [&](const Connection* c) { return c->fd == fds[i].fd; });
      if (it != connections_.end() && !ReadFrom(**it)) {
        close((*it)->fd);
        delete *it;
        connections_.erase(it);
      }
    }
  }
  CloseAll();
}

void FakeEos::CloseAll() {
  for (Connection* c : connections_) {
    shutdown(c->fd, SHUT_RDWR);
    close(c->fd);
    delete c;
  }
  connections_.clear();
}

void FakeEos::Accept() {
  const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    return;
  }
  // Without these every transaction waits on Nagle and delayed acknowledgements.
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  auto* connection = new Connection;
  connection->fd = fd;
  connections_.push_back(connection);
}

bool FakeEos::ReadFrom(Connection& connection) {
  uint8_t buffer[65536];
  const ssize_t n = recv(connection.fd, buffer, sizeof buffer, 0);
  if (n <= 0) {
    return false;
  }
  const int one = 1;
  setsockopt(connection.fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
  connection.in.insert(connection.in.end(), buffer, buffer + n);
  while (connection.in.size() >= 8) {
    const uint32_t length = U32At(connection.in, 0);
    if (length < 8) {
      return false;
    }
    if (connection.in.size() < length) {
      break;
    }
    const uint32_t type = U32At(connection.in, 4);
    std::vector<uint8_t> payload(connection.in.begin() + 8, connection.in.begin() + length);
    connection.in.erase(connection.in.begin(), connection.in.begin() + length);
    Handle(connection, type, payload);
    if (stop_) {
      return false;
    }
  }
  return true;
}

void FakeEos::Handle(Connection& connection, uint32_t type, const std::vector<uint8_t>& payload) {
  switch (type) {
    case InitCommandRequest: {
      connection.command = true;
      {
        std::lock_guard lock(mutex_);
        ++sessions_;
        // A new host gets every property in its first GetEvent.
        changed_.clear();
        for (uint16_t p : {EosPropAperture, EosPropShutterSpeed, EosPropIso, EosPropAEMode, EosPropFocusMode,
                           EosPropAvailableShots, EosPropBatteryPower, EosPropCameraTime,
                           EosPropCaptureDestination, EosPropImageFormat, EosPropEvfOutputDevice}) {
          changed_[p] = true;
        }
        added_.clear();
      }
      Bytes ack;
      ack.U32(1);
      for (int i = 0; i < 16; ++i) {
        ack.U8(0x10 + static_cast<uint32_t>(i));
      }
      for (char c : std::string("fake-eos")) {
        ack.U16(static_cast<uint8_t>(c));
      }
      ack.U16(0).U32(0x00010000);
      SendAll(connection.fd, Packet(InitCommandAck, ack.Get()));
      return;
    }
    case InitEventRequest:
      SendAll(connection.fd, Packet(InitEventAck, {}));
      return;
    case CommandRequest: {
      FakeEosOperation operation;
      operation.arrived = std::chrono::steady_clock::now();
      operation.code = static_cast<uint16_t>(U16At(payload, 4));
      const uint32_t transaction = U32At(payload, 6);
      for (size_t at = 10; at + 4 <= payload.size(); at += 4) {
        operation.params.push_back(U32At(payload, at));
      }
      if (U32At(payload, 0) == 2) {  // the host sends data first
        connection.awaitingData = true;
        connection.pending = operation;
        connection.pendingTransaction = transaction;
        return;
      }
      Operation(connection, operation, transaction);
      return;
    }
    case StartData:
      return;
    case Data:
    case EndData:
      if (connection.awaitingData && payload.size() >= 4) {  // after the transaction id
        connection.pending.data.insert(connection.pending.data.end(), payload.begin() + 4, payload.end());
        if (type == EndData) {
          connection.awaitingData = false;
          Operation(connection, connection.pending, connection.pendingTransaction);
        }
      }
      return;
    default:
      return;
  }
}

void FakeEos::Reply(Connection& connection, uint32_t transaction, uint16_t response,
                    const std::vector<uint8_t>* data, const std::vector<uint32_t>& params, int delayMs) {
  if (delayMs > 0 && !Pause(delayMs)) {
    return;
  }
  // The data phase and the response in one write.
  std::vector<uint8_t> out;
  if (data != nullptr) {
    Bytes start;
    start.U32(transaction).U64(data->size());
    out = Packet(StartData, start.Get());
    Bytes end;
    end.U32(transaction).Append(*data);
    const auto endPacket = Packet(EndData, end.Get());
    out.insert(out.end(), endPacket.begin(), endPacket.end());
  }
  Bytes reply;
  reply.U16(response).U32(transaction);
  for (uint32_t p : params) {
    reply.U32(p);
  }
  const auto replyPacket = Packet(CommandResponse, reply.Get());
  out.insert(out.end(), replyPacket.begin(), replyPacket.end());
  SendAll(connection.fd, out);
}

void FakeEos::Operation(Connection& connection, const FakeEosOperation& operation, uint32_t transaction) {
  std::vector<uint8_t> data;
  bool withData = false;
  uint16_t response = PtpOk;
  std::vector<uint32_t> params;
  int delayMs = 0;
  {
    std::lock_guard lock(mutex_);
    delayMs = delayMs_;
    const auto param = [&](size_t i) { return i < operation.params.size() ? operation.params[i] : 0U; };
    if (operation.code != EosOpGetEvent) {
      operations_.push_back(operation);
      if (busy_ > 0) {
        --busy_;
        response = PtpDeviceBusy;
      } else if (stuck_ && !IsLetGo(operation)) {
        response = PtpDeviceBusy;
      }
    }
    if (response == PtpOk) {
      switch (operation.code) {
        case 0x1001:  // GetDeviceInfo
          data = DeviceInfo();
          withData = true;
          break;
        case 0x1002:  // OpenSession
        case 0x1003:  // CloseSession
        case 0x9114:  // SetRemoteMode
        case 0x9115:  // SetEventMode
        case 0x9117:  // TransferComplete
        case 0x911A:  // PCHDDCapacity
        case 0x911B:  // SetUILock
        case 0x911C:  // ResetUILock
          break;
        case EosOpRemoteReleaseOff:
          if (IsLetGo(operation)) {
            halfPressed_ = false;
            stuck_ = false;
            focusStarted_.reset();
          }
          break;
        case 0x1004:  // GetStorageIDs
        case 0x9101:  // EOS GetStorageIDs
          data = Bytes().Array({StorageId}, true).Get();
          withData = true;
          break;
        case 0x1005:  // GetStorageInfo
        case 0x9102:  // EOS GetStorageInfo
          data = Bytes()
                     .U16(4)
                     .U16(2)
                     .U16(0)
                     .U64(64ULL << 30U)
                     .U64(uint64_t{body_.availableShots} * body_.pictureBytes)
                     .U32(body_.availableShots)
                     .Str("SD1")
                     .Str("")
                     .Get();
          withData = true;
          break;
        case 0x1007: {  // GetObjectHandles
          const uint32_t parent = param(2) == 0xFFFFFFFFU ? 0 : param(2);
          std::vector<uint32_t> handles;
          for (const auto& [handle, object] : objects_) {
            if (object.parent == parent) {
              handles.push_back(handle);
            }
          }
          data = Bytes().Array(handles, true).Get();
          withData = true;
          break;
        }
        case 0x1008:  // GetObjectInfo
          if (objects_.count(param(0)) == 0) {
            response = PtpInvalidObjectHandle;
          } else {
            data = ObjectInfo(param(0));
            withData = true;
          }
          break;
        case 0x100A: {  // GetThumb
          auto it = objects_.find(param(0));
          if (it == objects_.end() || it->second.format == FormatAssociation) {
            response = PtpInvalidObjectHandle;
          } else {
            data = Thumb(it->second);
            withData = true;
          }
          break;
        }
        case 0x1009:    // GetObject
        case 0x101B: {  // GetPartialObject
          auto it = objects_.find(param(0));
          if (it == objects_.end()) {
            response = PtpInvalidObjectHandle;
            break;
          }
          const std::vector<uint8_t>& bytes = it->second.data;
          size_t from = 0;
          size_t count = bytes.size();
          if (operation.code == 0x101B) {
            from = std::min<size_t>(param(1), bytes.size());
            count = std::min<size_t>(param(2), bytes.size() - from);
            params.push_back(static_cast<uint32_t>(count));
          }
          data.assign(bytes.begin() + static_cast<ptrdiff_t>(from),
                      bytes.begin() + static_cast<ptrdiff_t>(from + count));
          withData = true;
          break;
        }
        case EosOpSetPropValueEx:
          response = SetProperty(operation.data);
          break;
        case EosOpGetEvent:
          data = Events();
          withData = true;
          break;
        case EosOpRemoteRelease:
        case EosOpRemoteReleaseOn:
          response = Press(operation, params, delayMs);
          break;
        default:
          response = PtpOperationNotSupported;
          break;
      }
    }
    if (IsFullPress(operation) && response == PtpDeviceBusy && stuckHalfPress_ && halfPressed_) {
      stuck_ = true;
    }
  }
  Reply(connection, transaction, response, withData ? &data : nullptr, params, delayMs);
}

uint16_t FakeEos::SetProperty(const std::vector<uint8_t>& data) {
  const auto property = static_cast<uint16_t>(U32At(data, 4));
  if (refused_.count(property) != 0) {
    return PtpInvalidPropValue;
  }
  if (ignored_.count(property) != 0) {
    MarkChanged(property, false);  // the old value, reported again
    return PtpOk;
  }
  const uint32_t value = property == EosPropImageFormat ? ImageFormatCode(data, 8) : U32At(data, 8);
  uint32_t* slot = ValueOf(property);
  if (slot == nullptr) {
    return PtpOk;  // properties the fake does not keep are accepted and forgotten
  }
  const std::vector<uint32_t>* list = ListOf(property);
  if (list != nullptr && std::find(list->begin(), list->end(), value) == list->end()) {
    return PtpInvalidPropValue;
  }
  if (*slot != value) {
    *slot = value;
    MarkChanged(property, false);
    if (property == EosPropAEMode) {
      ApplyAEMode();
    }
  }
  return PtpOk;
}

uint16_t FakeEos::Press(const FakeEosOperation& operation, std::vector<uint32_t>& params, int& delayMs) {
  const uint32_t mode = operation.params.empty() ? 0 : operation.params[0];
  if (operation.code == EosOpRemoteReleaseOn && mode == 1) {
    halfPressed_ = true;
    if (body_.autofocus) {
      focusStarted_ = std::chrono::steady_clock::now();
    }
    return PtpOk;
  }
  if (operation.code == EosOpRemoteReleaseOn && !IsFullPress(operation)) {
    return PtpOk;
  }
  if (mirrorLockup_) {
    return PtpDeviceBusy;
  }
  if (operation.code == EosOpRemoteRelease && body_.autofocus) {
    // The one-step release searches for focus itself and answers why it did not release.
    delayMs += FocusSearchMs;
    params.push_back(1);
    return PtpOk;
  }
  return Release();
}

uint16_t FakeEos::Release() {
  if (noCard_) {
    return PtpOk;  // the shutter fires into nothing
  }
  if (cardFull_ || body_.availableShots == 0) {
    return PtpStoreFull;
  }
  if (cardFullBusy_) {
    return PtpDeviceBusy;
  }
  ++releases_;
  const bool raw = ((body_.imageQuality >> 20U) & 0xFU) == 6 && (body_.imageQuality & 0xFFFFU) == 0xFF0FU;
  Object picture;
  picture.parent = FolderHandle;
  picture.format = raw ? FormatCr2 : FormatJpeg;
  std::string number = std::to_string(releases_ % 10000);
  number.insert(0, 4 - number.size(), '0');
  picture.name = "IMG_" + number + (raw ? ".CR2" : ".JPG");
  picture.data.resize(body_.pictureBytes);
  for (size_t i = 0; i < picture.data.size(); ++i) {
    picture.data[i] = static_cast<uint8_t>((i * 31U + static_cast<size_t>(releases_)) & 0xFFU);
  }
  if (picture.data.size() >= 4) {
    picture.data[0] = 0xFF;
    picture.data[1] = 0xD8;
    picture.data[picture.data.size() - 2] = 0xFF;
    picture.data[picture.data.size() - 1] = 0xD9;
  }
  picture.moonLevel = SimulatedMoonLevelOfCodes(body_.moonQ, body_.iso, body_.aperture, body_.shutterSpeed);
  const uint32_t handle = nextHandle_++;
  objects_[handle] = std::move(picture);
  added_.push_back(handle);
  --body_.availableShots;
  MarkChanged(EosPropAvailableShots, false);
  return PtpOk;
}

std::vector<uint8_t> FakeEos::Events() {
  Bytes out;
  const auto record = [&out](uint32_t type, const Bytes& body) {
    out.U32(body.Size() + 8).U32(type).Append(body.Get());
  };
  if (chatter_) {
    changed_.emplace(EosPropEvfOutputDevice, false);
  }
  // The clock is reported as it moves on.
  const uint32_t clock = BodyClock();
  if (clock != clockReported_) {
    changed_.emplace(EosPropCameraTime, false);
  }
  for (const auto& [property, listChanged] : changed_) {
    Bytes value;
    value.U32(property);
    if (property == EosPropImageFormat) {
      value.Append(ImageFormatBlob(body_.imageQuality));
    } else if (property == EosPropFocusMode) {
      value.U32(body_.autofocus ? 0 : 3);  // One Shot, or manual focus as at a telescope
    } else if (property == EosPropBatteryPower) {
      value.U32(BatteryCode(body_.batteryPercent));
    } else if (property == EosPropCameraTime) {
      value.U32(clock);
      clockReported_ = clock;
    } else if (property == EosPropEvfOutputDevice) {
      value.U32(1);
    } else {
      const uint32_t* slot = ValueOf(property);
      value.U32(slot != nullptr ? *slot : 0);
    }
    record(RecordPropValue, value);
    const std::vector<uint32_t>* list = ListOf(property);
    if (listChanged && list != nullptr) {
      Bytes allowed;
      allowed.U32(property).U32(3).U32(static_cast<uint32_t>(list->size()));
      for (uint32_t code : *list) {
        if (property == EosPropImageFormat) {
          allowed.Append(ImageFormatBlob(code));
        } else {
          allowed.U32(code);
        }
      }
      record(RecordAvailList, allowed);
    }
  }
  changed_.clear();
  if (focusStarted_ &&
      std::chrono::steady_clock::now() - *focusStarted_ >= std::chrono::milliseconds(FocusSearchMs)) {
    focusStarted_.reset();
    // OLCInfoChanged with its focus part alone (mask 0x0100): six bytes, 01 in the fifth where
    // focus was found, 02 where it failed. The driver reads "0000200" in them as no focus.
    Bytes olc;
    olc.U32(14).U16(0x0100).U16(0).U8(0).U8(0).U8(0).U8(0).U8(2).U8(0);
    record(RecordOlcInfo, olc);
  }
  for (uint32_t handle : added_) {
    const Object& object = objects_.at(handle);
    Bytes added;
    added.U32(handle).U32(StorageId).U32(object.format).U32(0).U32(0);
    added.U32(static_cast<uint32_t>(object.data.size())).U32(object.parent).U32(0);
    for (char c : object.name) {
      added.U8(static_cast<uint8_t>(c));
    }
    added.U8(0).U8(0).U8(0).U8(0);
    record(RecordObjectAddedEx, added);
  }
  added_.clear();
  out.U32(8).U32(0);  // terminator
  return out.Get();
}

uint32_t FakeEos::BodyClock() const {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return static_cast<uint32_t>((ms + local.tm_gmtoff * 1000 + body_.clockOffsetMs) / 1000);
}

std::vector<uint8_t> FakeEos::DeviceInfo() const {
  std::vector<uint32_t> operations{0x1001, 0x1002, 0x1003, 0x1004, 0x1005, 0x1007, 0x1008,
                                   0x1009, 0x100A, 0x101B, 0x9101, 0x9102, 0x9110, 0x9114,
                                   0x9115, 0x9116, 0x9117, 0x911A, 0x911B, 0x911C, EosOpRemoteRelease};
  if (body_.releaseOnOff) {
    operations.push_back(EosOpRemoteReleaseOn);
    operations.push_back(0x9129);
  }
  return Bytes()
      .U16(100)
      .U32(0xB)  // Canon
      .U16(100)
      .Str("")
      .U16(0)
      .Array(operations, false)
      .Array({RecordObjectAddedEx, RecordPropValue, RecordAvailList}, false)
      .Array({}, false)
      .Array({FormatJpeg}, false)
      .Array({FormatAssociation, FormatJpeg, FormatCr2}, false)
      .Str("Canon.Inc")
      .Str(body_.model)
      .Str("3-1.0.0")
      .Str(body_.serial)
      .Get();
}

// The thumbnail's format, size and dimensions tell the driver that it may ask for it (GetThumb).
std::vector<uint8_t> FakeEos::ObjectInfo(uint32_t handle) {
  Object& object = objects_.at(handle);
  const bool folder = object.format == FormatAssociation;
  const auto thumbSize = static_cast<uint32_t>(folder ? 0 : Thumb(object).size());
  return Bytes()
      .U32(StorageId)
      .U16(object.format)
      .U16(0)
      .U32(static_cast<uint32_t>(object.data.size()))
      .U16(folder ? 0 : FormatJpeg)
      .U32(thumbSize)
      .U32(folder ? 0 : MoonThumbWidth)
      .U32(folder ? 0 : MoonThumbHeight)
      .U32(folder ? 0 : 6720)
      .U32(folder ? 0 : 4480)
      .U32(folder ? 0 : 24)
      .U32(object.parent)
      .U16(folder ? 1 : 0)
      .U32(0)
      .U32(0)
      .Str(object.name)
      .Str("20260303T120000")
      .Str("20260303T120000")
      .Str("")
      .Get();
}

const std::vector<uint8_t>& FakeEos::Thumb(Object& object) {
  if (object.thumb.empty()) {
    object.thumb = MoonThumbJpeg(object.moonLevel);
  }
  return object.thumb;
}

}  // namespace tevra
