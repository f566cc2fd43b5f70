// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures: announcing the files the body adds and downloading them in parts, with progress.
#include "camera/camera_status.h"
#include "camera/gphoto2_names.h"
#include "camera/gphoto2_session.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tevra {

namespace {

constexpr uint64_t ChunkBytes = uint64_t{1} << 20U;
constexpr size_t MaxFileNameLength = 256;

}  // namespace

uint32_t Gphoto2Session::ItemInfo(CameraRef item, DirectoryItemInfo& info) {
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

uint32_t Gphoto2Session::CreateStream(const std::string& path, uint32_t disposition, CameraRef& stream) {
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

uint32_t Gphoto2Session::SetProgress(CameraRef stream, ProgressHandler handler, void* context) {
  Ref* ref = Find(stream, Ref::Kind::Stream);
  if (ref == nullptr) {
    return CamInvalidHandle;
  }
  ref->progress = handler;
  ref->progressContext = context;
  return CamOk;
}

uint32_t Gphoto2Session::Download(CameraRef item, uint64_t size, CameraRef stream) {
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

uint32_t Gphoto2Session::CheckItem(CameraRef item) const {
  return Find(item, Ref::Kind::Item) != nullptr ? CamOk : CamInvalidHandle;
}

uint32_t Gphoto2Session::Preview(CameraRef item, std::vector<uint8_t>& bytes) {
  const Ref* ref = Find(item, Ref::Kind::Item);
  if (ref == nullptr) {
    return CamInvalidHandle;
  }
  if (const uint32_t status = CheckOpen(openRef_); status != CamOk) {
    return status;
  }
  const int result = GetWhole(*ref, GP_FILE_TYPE_PREVIEW, [&bytes](const char* data, unsigned long size) {
    bytes.assign(data, data + size);
  });
  return CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
}

void Gphoto2Session::Announce(const std::string& folder, const std::string& name) {
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
uint32_t Gphoto2Session::ReadInto(const Ref& item, std::ofstream& out) {
  if (transfer_.total == 0) {
    CameraFileInfo info{};
    const int result =
        gp_camera_file_get_info(camera_, item.folder.c_str(), item.name.c_str(), &info, context_);
    if (result < 0) {
      return CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
    }
    transfer_.total = info.file.size;
  }
  std::vector<char> buffer(static_cast<size_t>(std::min(ChunkBytes, std::max<uint64_t>(transfer_.total, 1))));
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

uint32_t Gphoto2Session::ReadWhole(const Ref& item, std::ofstream& out) {
  transfer_.part = transfer_.total;
  const int result = GetWhole(item, GP_FILE_TYPE_NORMAL, [&out](const char* data, unsigned long size) {
    out.write(data, static_cast<std::streamsize>(size));
  });
  return transfer_.cancel ? CamCancelled : CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
}

int Gphoto2Session::GetWhole(const Ref& item, CameraFileType type,
                             const std::function<void(const char*, unsigned long)>& take) {
  CameraFile* file = nullptr;
  gp_file_new(&file);
  int result = gp_camera_file_get(camera_, item.folder.c_str(), item.name.c_str(), type, file, context_);
  const char* data = nullptr;
  unsigned long size = 0;
  if (result >= 0) {
    result = gp_file_get_data_and_size(file, &data, &size);
  }
  if (result >= 0) {
    take(data, size);
  }
  gp_file_unref(file);
  return result;
}

void Gphoto2Session::Report(uint32_t percent) {
  link.Progress();
  if (transfer_.stream == nullptr || percent <= transfer_.lastPercent) {
    return;
  }
  transfer_.lastPercent = std::min(percent, 100U);
  if (transfer_.stream->progress != nullptr) {
    Notify([&] {
      transfer_.stream->progress(transfer_.lastPercent, transfer_.stream->progressContext, &transfer_.cancel);
    });
  }
}

// The library's own progress, within the part being read.
unsigned int Gphoto2Session::ProgressStart(GPContext* /*context*/, float target, const char* /*text*/,
                                           void* data) {
  static_cast<Gphoto2Session*>(data)->progressTarget_ = target;
  return 1;
}

void Gphoto2Session::ProgressUpdate(GPContext* /*context*/, unsigned int /*id*/, float current, void* data) {
  auto* session = static_cast<Gphoto2Session*>(data);
  Transfer& transfer = session->transfer_;
  if (transfer.stream == nullptr || transfer.total == 0 || session->progressTarget_ <= 0) {
    return;
  }
  const double fraction = std::clamp(static_cast<double>(current / session->progressTarget_), 0.0, 1.0);
  const double bytes = static_cast<double>(transfer.done) + fraction * static_cast<double>(transfer.part);
  // 100 only when the whole file is written.
  session->Report(std::min(99U, static_cast<uint32_t>(bytes * 100.0 / static_cast<double>(transfer.total))));
}

void Gphoto2Session::ProgressStop(GPContext* /*context*/, unsigned int /*id*/, void* data) {
  static_cast<Gphoto2Session*>(data)->progressTarget_ = 0;
}

}  // namespace tevra
