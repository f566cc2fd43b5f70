// SPDX-License-Identifier: GPL-3.0-or-later
// The settings: reading and writing them through the driver's widgets, and telling the handlers
// what the body changed.
#include "camera/camera_status.h"
#include "camera/gphoto2_names.h"
#include "camera/gphoto2_session.h"

#include <array>
#include <cmath>
#include <optional>
#include <string>

namespace tevra {

namespace {

constexpr const char* CardLabel = "Memory card";
constexpr std::array<uint32_t, 5> Settings = {PropImageQuality, PropAEMode, PropIso, PropAv, PropTv};

// The value of a widget as text, whatever its type: dates and toggles are numbers, ranges too.
std::string ValueText(CameraWidget* widget) {
  CameraWidgetType type = GP_WIDGET_TEXT;
  gp_widget_get_type(widget, &type);
  switch (type) {
    case GP_WIDGET_DATE:
    case GP_WIDGET_TOGGLE: {
      int value = 0;
      return gp_widget_get_value(widget, &value) >= 0 ? std::to_string(value) : "";
    }
    case GP_WIDGET_RANGE: {
      float value = 0;
      return gp_widget_get_value(widget, &value) >= 0 ? std::to_string(std::lround(value)) : "";
    }
    case GP_WIDGET_TEXT:
    case GP_WIDGET_RADIO:
    case GP_WIDGET_MENU: {
      const char* value = nullptr;
      gp_widget_get_value(widget, static_cast<void*>(&value));
      return value != nullptr ? value : "";
    }
    default:
      return "";
  }
}

}  // namespace

uint32_t Gphoto2Session::ReadCode(CameraRef camera, uint32_t propertyId, uint32_t& code) {
  Shown shown;
  if (const uint32_t status = Read(camera, propertyId, shown); status != CamOk) {
    return status;
  }
  if (propertyId == PropSaveTo) {
    code = shown.value == CardLabel ? 1 : 2;
    return CamOk;
  }
  if (IsGphoto2BodyState(propertyId)) {
    const std::optional<uint32_t> state = Gphoto2BodyStateOf(propertyId, shown.value);
    if (!state) {
      return CamNotSupported;  // the body does not say
    }
    code = *state;
    return CamOk;
  }
  const std::optional<uint32_t> found = Gphoto2CodeOf(propertyId, shown.value, shown.choices);
  if (!found) {
    return CamInternalError;
  }
  code = *found;
  if (propertyId == PropTv) {
    shutterCode = code;
  }
  return CamOk;
}

uint32_t Gphoto2Session::ReadDesc(CameraRef camera, uint32_t propertyId, PropertyDesc& desc) {
  Shown shown;
  if (const uint32_t status = Read(camera, propertyId, shown); status != CamOk) {
    return status;
  }
  desc = PropertyDesc{};
  desc.Access = shown.readOnly ? 0 : 1;
  if (Gphoto2OffersWholeTable(propertyId, shown.choices)) {
    // The body did not say what it accepts; the driver then offers every label it knows.
    shown.choices = {shown.value};
  }
  for (const std::string& choice : shown.choices) {
    const std::optional<uint32_t> code = Gphoto2CodeOf(propertyId, choice, shown.choices);
    if (code && static_cast<size_t>(desc.Count) < PropertyDescCapacity) {
      desc.Codes[static_cast<size_t>(desc.Count++)] = static_cast<int32_t>(*code);
    }
  }
  return CamOk;
}

uint32_t Gphoto2Session::WriteCode(CameraRef camera, uint32_t propertyId, uint32_t code) {
  if (const uint32_t status = CheckOpen(camera); status != CamOk) {
    return status;
  }
  if (IsGphoto2BodyState(propertyId)) {
    return CamNotSupported;
  }
  std::string label;
  if (propertyId == PropSaveTo) {
    if (code != 1) {
      return CamNotSupported;  // pictures go to the card
    }
    label = CardLabel;
  } else {
    label = Gphoto2LabelOf(propertyId, code);
    if (label.empty()) {
      return Gphoto2ConfigName(propertyId) == nullptr ? CamNotSupported : CamRefused;
    }
  }
  CameraWidget* widget = nullptr;
  const char* name = nullptr;
  if (const uint32_t status = GetWidget(propertyId, widget, name); status != CamOk) {
    return status;
  }
  int result = gp_widget_set_value(widget, label.c_str());
  if (result >= 0) {
    result = gp_camera_set_single_config(camera_, name, widget, context_);
  }
  gp_widget_free(widget);
  if (result >= 0 && propertyId == PropTv) {
    shutterCode = code;
  }
  return CameraStatusOfGphoto2(result, Gphoto2Call::Write, *log_);
}

// The widget of a setting, to be freed by the caller; null unless the status is CamOk. AE mode is
// the mode dial's on bodies without the other.
uint32_t Gphoto2Session::GetWidget(uint32_t propertyId, CameraWidget*& widget, const char*& name) {
  widget = nullptr;
  name = Gphoto2ConfigName(propertyId);
  if (name == nullptr) {
    return CamNotSupported;
  }
  int result = gp_camera_get_single_config(camera_, name, &widget, context_);
  if (result == GP_ERROR_BAD_PARAMETERS && propertyId == PropAEMode) {
    name = "autoexposuremodedial";
    result = gp_camera_get_single_config(camera_, name, &widget, context_);
  }
  const uint32_t status = result == GP_ERROR_BAD_PARAMETERS
                              ? CamNotSupported
                              : CameraStatusOfGphoto2(result, Gphoto2Call::Other, *log_);
  if (status != CamOk && result >= 0) {
    gp_widget_free(widget);  // read from what the driver held, after the body was gone
    widget = nullptr;
  }
  return status;
}

uint32_t Gphoto2Session::Read(CameraRef camera, uint32_t propertyId, Shown& shown) {
  if (const uint32_t status = CheckOpen(camera); status != CamOk) {
    return status;
  }
  CameraWidget* widget = nullptr;
  const char* name = nullptr;
  if (const uint32_t status = GetWidget(propertyId, widget, name); status != CamOk) {
    return status;
  }
  shown.value = ValueText(widget);
  for (int i = 0; i < gp_widget_count_choices(widget); ++i) {
    const char* choice = nullptr;
    if (gp_widget_get_choice(widget, i, &choice) >= 0 && choice != nullptr) {
      shown.choices.emplace_back(choice);
    }
  }
  int readOnly = 0;
  gp_widget_get_readonly(widget, &readOnly);
  shown.readOnly = readOnly != 0;
  gp_widget_free(widget);
  if (propertyId != PropSaveTo) {
    shown_[propertyId] = shown;
  }
  return CamOk;
}

std::string Gphoto2Session::ReadText(const char* name) {
  CameraWidget* widget = nullptr;
  if (gp_camera_get_single_config(camera_, name, &widget, context_) < 0) {
    return "";
  }
  std::string text = ValueText(widget);
  gp_widget_free(widget);
  return text;
}

// After the body reported a setting changed: tells the handler which values and which lists of
// accepted values differ from what the driver showed before. Settings not seen before are only
// taken note of, so the flood of values at the start of a session is not passed on.
void Gphoto2Session::Refresh() {
  for (const uint32_t id : Settings) {
    const auto before = shown_.find(id);
    const std::optional<Shown> old = before != shown_.end() ? std::optional(before->second) : std::nullopt;
    Shown now;
    if (Read(openRef_, id, now) != CamOk || !old || propertyHandler_ == nullptr) {
      continue;
    }
    if (now.value != old->value) {
      if (id == PropTv) {
        if (const std::optional<uint32_t> code = Gphoto2CodeOf(id, now.value, now.choices)) {
          shutterCode = *code;
        }
      }
      Notify([&] { propertyHandler_(PropertyEventValueChanged, id, 0, propertyContext_); });
    }
    if (now.choices != old->choices) {
      Notify([&] { propertyHandler_(PropertyEventDescChanged, id, 0, propertyContext_); });
    }
  }
}

}  // namespace tevra
