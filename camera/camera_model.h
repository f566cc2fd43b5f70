// SPDX-License-Identifier: GPL-3.0-or-later
// What the connected camera reported (TCamera) and the accepted codes of its five settings
// (CameraSettingLists). The camera session fills both; the windows only read them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace tevra {

// Camera property ids of the five settings.
constexpr uint32_t PropImageQuality = 0x100;
constexpr uint32_t PropAEMode = 0x400;
constexpr uint32_t PropIso = 0x402;
constexpr uint32_t PropAv = 0x405;
constexpr uint32_t PropTv = 0x406;

// Kind number (setting_names.h) of a property id, -1 for other ids; and back, 0 for other kinds.
int KindOfProperty(uint32_t propertyId);
uint32_t PropertyOfKind(int kind);

struct DeviceInfo {
  std::string PortName;
  std::string DeviceDescription;  // the model name
  uint32_t DeviceSubType = 0;
};

constexpr size_t PropertyDescCapacity = 128;

// Accepted values of one setting: the first Count codes of Codes, in the camera's order.
struct PropertyDesc {
  int32_t Form = 0;
  int32_t Access = 0;
  int32_t Count = 0;
  std::array<int32_t, PropertyDescCapacity> Codes{};
};

class TCamera {
 public:
  explicit TCamera(DeviceInfo info);

  [[nodiscard]] const DeviceInfo& Info() const { return info_; }
  [[nodiscard]] std::string GetModelName() const { return info_.DeviceDescription; }
  void SetModelName(std::string name) { info_.DeviceDescription = std::move(name); }

  // Current value of one of the five settings; other ids are ignored, and read as -1.
  void SetValue(uint32_t propertyId, int32_t value);
  [[nodiscard]] int32_t GetValue(uint32_t propertyId) const;

  // Description of one of the five settings; other ids are ignored when set, and read back with
  // form, access and count 0 (the codes of the output are left as they were).
  void SetDesc(uint32_t propertyId, const PropertyDesc& desc);
  void GetDesc(uint32_t propertyId, PropertyDesc& desc) const;

 private:
  DeviceInfo info_;
  std::array<int32_t, 5> values_{};      // by kind number
  std::array<PropertyDesc, 5> descs_{};  // by kind number
};

// The accepted codes of one setting, at most Capacity() of them (one less than the entries of the
// setting's name table).
class CameraSettingList {
 public:
  explicit CameraSettingList(size_t capacity) : capacity_(capacity) {}

  [[nodiscard]] size_t Capacity() const { return capacity_; }
  [[nodiscard]] size_t Count() const { return count_; }
  [[nodiscard]] std::span<const uint32_t> Codes() const { return std::span(codes_).first(count_); }

  // Replaces the list; codes beyond the capacity are dropped.
  void Assign(std::span<const uint32_t> codes);
  void Clear() { count_ = 0; }

 private:
  size_t capacity_;
  size_t count_ = 0;
  std::array<uint32_t, 164> codes_{};  // room for the largest list, image quality
};

// One list per setting, indexed by kind number (image quality, AE mode, ISO, Av, Tv).
class CameraSettingListSet {
 public:
  CameraSettingListSet();
  CameraSettingList& operator[](int kind) { return lists_.at(static_cast<size_t>(kind)); }
  const CameraSettingList& operator[](int kind) const { return lists_.at(static_cast<size_t>(kind)); }
  void Clear();

 private:
  std::array<CameraSettingList, 5> lists_;
};

// Copies the accepted codes of a description into a list; a count outside 0..capacity is
// clamped, so a misbehaving camera cannot overrun the list.
void FillSettingList(CameraSettingList& list, const PropertyDesc& desc);

// Filled from the camera at connection, or from the information log by the exposure window.
extern CameraSettingListSet CameraSettingLists;

}  // namespace tevra
