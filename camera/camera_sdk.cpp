// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_sdk.h"

#include "camera/camera_status.h"

namespace tevra {

const char* CameraStatusText(uint32_t status) {
  switch (status) {
    case CamOk:
      return "OK";
    case CamInternalError:
      return "internal error";
    case CamNotSupported:
      return "not supported";
    case CamCancelled:
      return "cancelled";
    case CamInvalidParameter:
      return "invalid parameter";
    case CamInvalidHandle:
      return "invalid reference";
    case CamNotFound:
      return "camera not found";
    case CamBusy:
      return "camera busy";
    case CamSessionNotOpen:
      return "session not open";
    case CamDisconnected:
      return "camera disconnected";
    case CamTimeout:
      return "timeout";
    case CamCardFull:
      return "card full or write-protected";
    case CamRefused:
      return "value refused by the camera";
    case CamNoAccess:
      return "no permission to open the camera's USB device";
    case CamNoFocus:
      return "no focus (autofocus failed; set the lens to MF)";
    default:
      return "unknown status";
  }
}

std::array<uint8_t, 4> UInt32Bytes(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8U), static_cast<uint8_t>(value >> 16U),
          static_cast<uint8_t>(value >> 24U)};
}

uint32_t UInt32FromBytes(std::span<const uint8_t> data) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i) {
    value |= static_cast<uint32_t>(data[i]) << (8U * i);
  }
  return value;
}

}  // namespace tevra
