// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_model.h"

#include "camera/setting_names.h"

#include <algorithm>
#include <utility>

namespace tevra {

CameraSettingListSet CameraSettingLists;

int KindOfProperty(uint32_t propertyId) {
  switch (propertyId) {
    case PropImageQuality:
      return KindImageQuality;
    case PropAEMode:
      return KindAEMode;
    case PropIso:
      return KindIso;
    case PropAv:
      return KindAperture;
    case PropTv:
      return KindShutter;
    default:
      return -1;
  }
}

uint32_t PropertyOfKind(int kind) {
  static constexpr std::array<uint32_t, SettingKindCount> Ids = {PropImageQuality, PropAEMode, PropIso,
                                                                 PropAv, PropTv};
  return kind >= 0 && kind < SettingKindCount ? Ids[static_cast<size_t>(kind)] : 0;
}

TCamera::TCamera(DeviceInfo info) : info_(std::move(info)) {}

void TCamera::SetValue(uint32_t propertyId, int32_t value) {
  const int kind = KindOfProperty(propertyId);
  if (kind >= 0) {
    values_[static_cast<size_t>(kind)] = value;
  }
}

int32_t TCamera::GetValue(uint32_t propertyId) const {
  const int kind = KindOfProperty(propertyId);
  return kind >= 0 ? values_[static_cast<size_t>(kind)] : -1;
}

void TCamera::SetDesc(uint32_t propertyId, const PropertyDesc& desc) {
  const int kind = KindOfProperty(propertyId);
  if (kind >= 0) {
    descs_[static_cast<size_t>(kind)] = desc;
  }
}

void TCamera::GetDesc(uint32_t propertyId, PropertyDesc& desc) const {
  const int kind = KindOfProperty(propertyId);
  if (kind >= 0) {
    desc = descs_[static_cast<size_t>(kind)];
  } else {
    desc.Form = 0;
    desc.Access = 0;
    desc.Count = 0;
  }
}

void CameraSettingList::Assign(std::span<const uint32_t> codes) {
  count_ = std::min({codes.size(), capacity_, codes_.size()});
  std::copy_n(codes.begin(), count_, codes_.begin());
}

CameraSettingListSet::CameraSettingListSet()
    : lists_{CameraSettingList(IQTable().size() - 1), CameraSettingList(AEModeTable().size() - 1),
             CameraSettingList(ISOTable().size() - 1), CameraSettingList(AvTable().size() - 1),
             CameraSettingList(TvTable().size() - 1)} {}

void CameraSettingListSet::Clear() {
  for (CameraSettingList& list : lists_) {
    list.Clear();
  }
}

void FillSettingList(CameraSettingList& list, const PropertyDesc& desc) {
  const auto count =
      static_cast<size_t>(std::clamp<int32_t>(desc.Count, 0, static_cast<int32_t>(PropertyDescCapacity)));
  std::array<uint32_t, PropertyDescCapacity> codes{};
  std::transform(desc.Codes.begin(), desc.Codes.begin() + static_cast<std::ptrdiff_t>(count), codes.begin(),
                 [](int32_t code) { return static_cast<uint32_t>(code); });
  list.Assign(std::span(codes).first(count));
}

}  // namespace tevra
