// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/gphoto2_camera.h"

#include "camera/camera_status.h"
#include "camera/gphoto2_names.h"
#include "camera/gphoto2_session.h"
#include "camera/setting_names.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tevra {

namespace {

class Gphoto2Camera final : public CameraSdk {
 public:
  Gphoto2Camera(std::string port, std::string model, const Gphoto2Options& options)
      : options_(options),
        session_(std::make_shared<Gphoto2Session>(std::move(port), std::move(model))),
        worker_([session = session_] { session->Poll(); },
                [session = session_] { session->Run([](Gphoto2Session& s) { return s.Terminate(); }); },
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
    return Call(options_.callDeadlineMs, [](Gphoto2Session& s) { return s.Initialize(); });
  }
  uint32_t TerminateSdk() override {
    session_->Silence();
    return Call(options_.callDeadlineMs, [](Gphoto2Session& s) { return s.Terminate(); });
  }

  uint32_t GetCameraList(CameraRef& list) override {
    return CallFor(options_.openDeadlineMs, list,
                   [](Gphoto2Session& s, CameraRef& out) { return s.CameraList(out); });
  }
  uint32_t GetChildCount(CameraRef list, int32_t& count) override {
    return CallFor(options_.callDeadlineMs, count,
                   [list](Gphoto2Session& s, int32_t& out) { return s.ChildCount(list, out); });
  }
  uint32_t GetChildAtIndex(CameraRef list, int32_t index, CameraRef& camera) override {
    camera = 0;
    return CallFor(options_.callDeadlineMs, camera,
                   [list, index](Gphoto2Session& s, CameraRef& out) { return s.ChildAt(list, index, out); });
  }
  uint32_t GetDeviceInfo(CameraRef camera, DeviceInfo& info) override {
    return CallFor(options_.callDeadlineMs, info,
                   [camera](Gphoto2Session& s, DeviceInfo& out) { return s.Info(camera, out); });
  }

  uint32_t SetPropertyEventHandler(CameraRef camera, uint32_t /*event*/, PropertyEventHandler handler,
                                   void* context) override {
    return Call(options_.callDeadlineMs,
                [=](Gphoto2Session& s) { return s.SetHandler(camera, handler, nullptr, nullptr, context); });
  }
  uint32_t SetObjectEventHandler(CameraRef camera, uint32_t /*event*/, ObjectEventHandler handler,
                                 void* context) override {
    return Call(options_.callDeadlineMs,
                [=](Gphoto2Session& s) { return s.SetHandler(camera, nullptr, handler, nullptr, context); });
  }
  uint32_t SetCameraStateEventHandler(CameraRef camera, uint32_t /*event*/, StateEventHandler handler,
                                      void* context) override {
    return Call(options_.callDeadlineMs,
                [=](Gphoto2Session& s) { return s.SetHandler(camera, nullptr, nullptr, handler, context); });
  }

  uint32_t OpenSession(CameraRef camera) override {
    return Call(options_.openDeadlineMs, [camera](Gphoto2Session& s) { return s.Open(camera); });
  }
  uint32_t CloseSession(CameraRef camera) override {
    return Call(options_.callDeadlineMs, [camera](Gphoto2Session& s) { return s.CloseCamera(camera); });
  }

  uint32_t GetPropertySize(CameraRef camera, uint32_t propertyId, int32_t /*parameter*/, uint32_t& dataType,
                           uint32_t& size) override {
    const uint32_t status =
        Call(options_.callDeadlineMs, [camera](Gphoto2Session& s) { return s.CheckOpen(camera); });
    if (status != CamOk) {
      return status;
    }
    if (Gphoto2ConfigName(propertyId) == nullptr) {
      return CamNotSupported;
    }
    if (IsGphoto2BodyState(propertyId)) {
      // Only some bodies tell these; a read shows whether this one does.
      uint32_t code = 0;
      if (const uint32_t read = CallFor(options_.callDeadlineMs, code,
                                        [camera, propertyId](Gphoto2Session& s, uint32_t& out) {
                                          return s.ReadCode(camera, propertyId, out);
                                        });
          read != CamOk) {
        return read;
      }
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
    const uint32_t status =
        CallFor(options_.callDeadlineMs, code, [camera, propertyId](Gphoto2Session& s, uint32_t& out) {
          return s.ReadCode(camera, propertyId, out);
        });
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
    return Call(options_.callDeadlineMs, [camera, propertyId, code](Gphoto2Session& s) {
      return s.WriteCode(camera, propertyId, code);
    });
  }
  uint32_t GetPropertyDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc) override {
    return CallFor(options_.callDeadlineMs, desc, [camera, propertyId](Gphoto2Session& s, PropertyDesc& out) {
      return s.ReadDesc(camera, propertyId, out);
    });
  }

  // The library locks and unlocks an EOS body's controls itself, and the capacity of the computer
  // matters only for pictures sent to it.
  uint32_t SendStatusCommand(CameraRef camera, uint32_t /*command*/, int32_t /*parameter*/) override {
    return Call(options_.callDeadlineMs, [camera](Gphoto2Session& s) { return s.CheckOpen(camera); });
  }
  uint32_t SetCapacity(CameraRef camera, const Capacity& /*capacity*/) override {
    return Call(options_.callDeadlineMs, [camera](Gphoto2Session& s) { return s.CheckOpen(camera); });
  }

  uint32_t SendCommand(CameraRef camera, uint32_t command, int32_t parameter) override {
    if (command == CommandPressShutterButton && parameter == ShutterButtonOff) {
      return Call(options_.callDeadlineMs, [camera](Gphoto2Session& s) { return s.LetGo(camera); });
    }
    if (command != CommandTakePicture) {
      return CamNotSupported;
    }
    const std::optional<double> seconds =
        ShutterSeconds(SettingNameByCode(KindShutter, session_->shutterCode.load()));
    const int64_t exposureMs = seconds ? static_cast<int64_t>(std::ceil(*seconds * 1000.0)) : 0;
    return Call(options_.releaseMarginMs + exposureMs,
                [camera](Gphoto2Session& s) { return s.Release(camera); });
  }

  uint32_t GetDirectoryItemInfo(CameraRef item, DirectoryItemInfo& info) override {
    return CallFor(options_.callDeadlineMs, info,
                   [item](Gphoto2Session& s, DirectoryItemInfo& out) { return s.ItemInfo(item, out); });
  }
  uint32_t CreateFileStream(const std::string& path, uint32_t disposition, uint32_t /*access*/,
                            CameraRef& stream) override {
    return CallFor(options_.callDeadlineMs, stream, [path, disposition](Gphoto2Session& s, CameraRef& out) {
      return s.CreateStream(path, disposition, out);
    });
  }
  uint32_t SetProgressCallback(CameraRef stream, ProgressHandler handler, uint32_t /*option*/,
                               void* context) override {
    return Call(options_.callDeadlineMs, [stream, handler, context](Gphoto2Session& s) {
      return s.SetProgress(stream, handler, context);
    });
  }
  uint32_t Download(CameraRef item, uint64_t size, CameraRef stream) override {
    return Call(options_.downloadStallMs,
                [item, size, stream](Gphoto2Session& s) { return s.Download(item, size, stream); });
  }
  uint32_t DownloadComplete(CameraRef item) override {
    return Call(options_.callDeadlineMs, [item](Gphoto2Session& s) { return s.CheckItem(item); });
  }
  // Cancelled well before the release it was fetched ahead of.
  uint32_t GetPreview(CameraRef item, std::vector<uint8_t>& bytes) override {
    bytes.clear();
    return CallFor(std::min(options_.callDeadlineMs, PreviewDeadlineMs), bytes,
                   [item](Gphoto2Session& s, std::vector<uint8_t>& out) { return s.Preview(item, out); });
  }
  uint32_t Release(CameraRef ref) override {
    return Call(options_.callDeadlineMs, [ref](Gphoto2Session& s) { return s.ReleaseRef(ref); });
  }

 private:
  // Runs a task on the camera thread. The task holds the session, never this object, so that a task
  // the library holds past its deadline does no harm when it comes back.
  uint32_t Call(int64_t deadlineMs, std::function<uint32_t(Gphoto2Session&)> task) {
    return worker_.Run([session = session_, task = std::move(task)] { return session->Run(task); },
                       deadlineMs, [this] { RunWaitHook(); });
  }

  // A task with a result: filled in a copy of its own, which the caller takes only on success (a
  // task given up on may still be writing to it).
  template <typename Result, typename Task>
  uint32_t CallFor(int64_t deadlineMs, Result& result, Task task) {
    auto out = std::make_shared<Result>(result);
    const uint32_t status = Call(deadlineMs, [out, task](Gphoto2Session& s) { return task(s, *out); });
    if (status == CamOk) {
      result = *out;
    }
    return status;
  }

  Gphoto2Options options_;
  std::shared_ptr<Gphoto2Session> session_;
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
