// SPDX-License-Identifier: GPL-3.0-or-later
// Statuses of camera calls: 0 is success, anything else an error that callers retry, show in
// decimal or pass on. Every camera backend maps its own errors onto these, so the rest of the
// program knows a busy camera from an unplugged one whatever library drives it.
#pragma once

#include <cstdint>

namespace tevra {

constexpr uint32_t CamOk = 0;
constexpr uint32_t CamInternalError = 0x02;
constexpr uint32_t CamNotSupported = 0x07;
constexpr uint32_t CamCancelled = 0x20;
constexpr uint32_t CamInvalidParameter = 0x60;
constexpr uint32_t CamInvalidHandle = 0x61;
constexpr uint32_t CamNotFound = 0x80;
constexpr uint32_t CamBusy = 0x81;
constexpr uint32_t CamSessionNotOpen = 0x2003;
constexpr uint32_t CamDisconnected = 0xC0;
constexpr uint32_t CamTimeout = 0xC1;
constexpr uint32_t CamCardFull = 0xC2;   // card full or write-protected
constexpr uint32_t CamRefused = 0xC3;    // the camera does not accept this value now
constexpr uint32_t CamNoAccess = 0xC4;   // the camera is there, but this user may not open its device
constexpr uint32_t CamNoFocus = 0x8D01;  // the release failed: autofocus found nothing to focus on

// A short English meaning of a status, "unknown status" for a number not listed above.
const char* CameraStatusText(uint32_t status);

// True for the statuses after which the camera must be opened again.
constexpr bool IsDisconnected(uint32_t status) { return status == CamDisconnected; }

}  // namespace tevra
