// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/gphoto2_names.h"

#include "camera/camera_model.h"
#include "camera/camera_sdk.h"
#include "camera/camera_status.h"
#include "camera/setting_names.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <vector>

namespace tevra {

namespace {

struct Label {
  std::string_view text;
  uint16_t value;  // the body's value; for the image format the driver's 16-bit form
};

// The labels of libgphoto2's Canon EOS driver (camlibs/ptp2/config.c of 2.5.30), in its order: for a
// value the driver shows the first label that carries it.
constexpr Label IsoLabels[] = {
    {"Factory Default", 0xffff},
    {"6", 0x28},
    {"12", 0x30},
    {"25", 0x38},
    {"50", 0x40},
    {"64", 0x43},
    {"80", 0x45},
    {"100", 0x48},
    {"125", 0x4b},
    {"160", 0x4d},
    {"200", 0x50},
    {"250", 0x53},
    {"320", 0x55},
    {"400", 0x58},
    {"500", 0x5b},
    {"640", 0x5d},
    {"800", 0x60},
    {"1000", 0x63},
    {"1250", 0x65},
    {"1600", 0x68},
    {"2000", 0x6b},
    {"2500", 0x6d},
    {"3200", 0x70},
    {"4000", 0x73},
    {"5000", 0x75},
    {"6400", 0x78},
    {"8000", 0x7b},
    {"10000", 0x7d},
    {"12800", 0x80},
    {"16000", 0x83},
    {"20000", 0x85},
    {"25600", 0x88},
    {"32000", 0x8b},
    {"40000", 0x8d},
    {"51200", 0x90},
    {"64000", 0x93},
    {"80000", 0x95},
    {"102400", 0x98},
    {"204800", 0xa0},
    {"409600", 0xa8},
    {"819200", 0xb0},
    {"Auto", 0x00},
};

constexpr Label ApertureLabels[] = {
    {"implicit auto", 0x0}, {"auto", 0xffff}, {"1", 0x08},   {"1.1", 0x0b},
    {"1.2", 0x0c},          {"1.2", 0x0d},    {"1.4", 0x10}, {"1.6", 0x13},
    {"1.8", 0x14},          {"1.8", 0x15},    {"2", 0x18},   {"2.2", 0x1b},
    {"2.5", 0x1c},          {"2.5", 0x1d},    {"2.8", 0x20}, {"3.2", 0x23},
    {"3.5", 0x24},          {"3.5", 0x25},    {"4", 0x28},   {"4.5", 0x2c},
    {"4.5", 0x2b},          {"5", 0x2d},      {"5.6", 0x30}, {"6.3", 0x33},
    {"6.7", 0x34},          {"7.1", 0x35},    {"8", 0x38},   {"9", 0x3b},
    {"9.5", 0x3c},          {"10", 0x3d},     {"11", 0x40},  {"13", 0x43},
    {"13", 0x44},           {"14", 0x45},     {"16", 0x48},  {"18", 0x4b},
    {"19", 0x4c},           {"20", 0x4d},     {"22", 0x50},  {"25", 0x53},
    {"27", 0x54},           {"29", 0x55},     {"32", 0x58},  {"36", 0x5b},
    {"38", 0x5c},           {"40", 0x5d},     {"45", 0x60},  {"51", 0x63},
    {"54", 0x64},           {"57", 0x65},     {"64", 0x68},  {"72", 0x6b},
    {"76", 0x6c},           {"81", 0x6d},     {"91", 0x70},
};

constexpr Label ShutterLabels[] = {
    {"auto", 0x00},   {"bulb", 0x04},   {"bulb", 0x0c},   {"30", 0x10},     {"25", 0x13},
    {"20.3", 0x14},   {"20", 0x15},     {"15", 0x18},     {"13", 0x1b},     {"10", 0x1c},
    {"10.3", 0x1d},   {"8", 0x20},      {"6.3", 0x23},    {"6", 0x24},      {"5", 0x25},
    {"4", 0x28},      {"3.2", 0x2b},    {"3", 0x2c},      {"2.5", 0x2d},    {"2", 0x30},
    {"1.6", 0x33},    {"1.5", 0x34},    {"1.3", 0x35},    {"1", 0x38},      {"0.8", 0x3b},
    {"0.7", 0x3c},    {"0.6", 0x3d},    {"0.5", 0x40},    {"0.4", 0x43},    {"0.3", 0x44},
    {"0.3", 0x45},    {"1/4", 0x48},    {"1/5", 0x4b},    {"1/6", 0x4c},    {"1/6", 0x4d},
    {"1/8", 0x50},    {"1/10", 0x53},   {"1/10", 0x54},   {"1/13", 0x55},   {"1/15", 0x58},
    {"1/20", 0x5b},   {"1/20", 0x5c},   {"1/25", 0x5d},   {"1/30", 0x60},   {"1/40", 0x63},
    {"1/45", 0x64},   {"1/50", 0x65},   {"1/60", 0x68},   {"1/80", 0x6b},   {"1/90", 0x6c},
    {"1/100", 0x6d},  {"1/125", 0x70},  {"1/160", 0x73},  {"1/180", 0x74},  {"1/200", 0x75},
    {"1/250", 0x78},  {"1/320", 0x7b},  {"1/350", 0x7c},  {"1/400", 0x7d},  {"1/500", 0x80},
    {"1/640", 0x83},  {"1/750", 0x84},  {"1/800", 0x85},  {"1/1000", 0x88}, {"1/1250", 0x8b},
    {"1/1500", 0x8c}, {"1/1600", 0x8d}, {"1/2000", 0x90}, {"1/2500", 0x93}, {"1/3000", 0x94},
    {"1/3200", 0x95}, {"1/4000", 0x98}, {"1/5000", 0x9b}, {"1/6000", 0x9c}, {"1/6400", 0x9d},
    {"1/8000", 0xa0},
};

constexpr Label AEModeLabels[] = {
    {"P", 0x00},
    {"TV", 0x01},
    {"AV", 0x02},
    {"Manual", 0x03},
    {"Bulb", 0x04},
    {"A_DEP", 0x05},
    {"DEP", 0x06},
    {"Custom", 0x07},
    {"Lock", 0x08},
    {"Green", 0x09},
    {"Night Portrait", 0x0a},
    {"Sports", 0x0b},
    {"Portrait", 0x0c},
    {"Landscape", 0x0d},
    {"Closeup", 0x0e},
    {"Flash Off", 0x0f},
    {"C2", 0x10},
    {"C3", 0x11},
    {"Creative Auto", 0x13},
    {"Movie", 0x14},
    {"Auto", 0x16},
    {"Handheld Night Scene", 0x17},
    {"HDR Backlight Control", 0x18},
    {"SCN", 0x19},
    {"Food", 0x1b},
    {"Grainy B/W", 0x1e},
    {"Soft focus", 0x1f},
    {"Toy camera effect", 0x20},
    {"Fish-eye effect", 0x21},
    {"Water painting effect", 0x22},
    {"Miniature effect", 0x23},
    {"HDR art standard", 0x24},
    {"HDR art vivid", 0x25},
    {"HDR art bold", 0x26},
    {"HDR art embossed", 0x27},
    {"Panning", 0x2d},
    {"HDR", 0x31},
    {"Self Portrait", 0x32},
    {"Hybrid Auto", 0x33},
    {"Smooth skin", 0x34},
    {"Fv", 0x37},
};

constexpr Label ImageFormatLabels[] = {
    {"RAW", 0x0c00},
    {"mRAW", 0x1c00},
    {"sRAW", 0x2c00},
    {"cRAW", 0x0b00},
    {"Large Fine JPEG", 0x0300},
    {"Large Normal JPEG", 0x0200},
    {"Medium Fine JPEG", 0x1300},
    {"Medium Normal JPEG", 0x1200},
    {"Small Fine JPEG", 0x2300},
    {"Small Normal JPEG", 0x2200},
    {"Small Fine JPEG", 0xd300},
    {"Small Normal JPEG", 0xd200},
    {"Smaller JPEG", 0xe300},
    {"Tiny JPEG", 0xf300},
    {"RAW + Large Fine JPEG", 0x0c03},
    {"mRAW + Large Fine JPEG", 0x1c03},
    {"sRAW + Large Fine JPEG", 0x2c03},
    {"cRAW + Large Fine JPEG", 0x0b03},
    {"RAW + Medium Fine JPEG", 0x0c13},
    {"mRAW + Medium Fine JPEG", 0x1c13},
    {"sRAW + Medium Fine JPEG", 0x2c13},
    {"cRAW + Medium Fine JPEG", 0x0b13},
    {"RAW + Small Fine JPEG", 0x0c23},
    {"RAW + Small Fine JPEG", 0x0cd3},
    {"mRAW + Small Fine JPEG", 0x1c23},
    {"mRAW + Small Fine JPEG", 0x1cd3},
    {"sRAW + Small Fine JPEG", 0x2c23},
    {"sRAW + Small Fine JPEG", 0x2cd3},
    {"cRAW + Small Fine JPEG", 0x0bd3},
    {"RAW + Large Normal JPEG", 0x0c02},
    {"mRAW + Large Normal JPEG", 0x1c02},
    {"sRAW + Large Normal JPEG", 0x2c02},
    {"cRAW + Large Normal JPEG", 0x0b02},
    {"RAW + Medium Normal JPEG", 0x0c12},
    {"mRAW + Medium Normal JPEG", 0x1c12},
    {"sRAW + Medium Normal JPEG", 0x2c12},
    {"cRAW + Medium Normal JPEG", 0x0b12},
    {"RAW + Small Normal JPEG", 0x0c22},
    {"RAW + Small Normal JPEG", 0x0cd2},
    {"mRAW + Small Normal JPEG", 0x1c22},
    {"mRAW + Small Normal JPEG", 0x1cd2},
    {"sRAW + Small Normal JPEG", 0x2c22},
    {"sRAW + Small Normal JPEG", 0x2cd2},
    {"cRAW + Small Normal JPEG", 0x0bd2},
    {"RAW + Smaller JPEG", 0x0ce3},
    {"mRAW + Smaller JPEG", 0x1ce3},
    {"sRAW + Smaller JPEG", 0x2ce3},
    {"cRAW + Smaller JPEG", 0x0be3},
    {"RAW + Tiny JPEG", 0x0cf3},
    {"mRAW + Tiny JPEG", 0x1cf3},
    {"sRAW + Tiny JPEG", 0x2cf3},
};

constexpr Label FocusModeLabels[] = {
    {"One Shot", 0},
    {"AI Servo", 1},
    {"AI Focus", 2},
    {"Manual", 3},
};

constexpr std::string_view UnknownPrefix = "Unknown value ";

// What the driver shows as "Low": under a quarter.
constexpr uint32_t LowBatteryPercent = 10;

std::span<const Label> LabelsOf(uint32_t propertyId) {
  switch (propertyId) {
    case PropImageQuality:
      return ImageFormatLabels;
    case PropAEMode:
      return AEModeLabels;
    case PropIso:
      return IsoLabels;
    case PropAv:
      return ApertureLabels;
    case PropTv:
      return ShutterLabels;
    case PropFocusMode:
      return FocusModeLabels;
    default:
      return {};
  }
}

// The body's value of a code and back: the same number, but for the image format.
std::optional<uint16_t> ValueOfCode(uint32_t propertyId, uint32_t code) {
  if (propertyId == PropImageQuality) {
    return EosImageFormatOfCode(code);
  }
  if (code > 0xffff) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(code);
}

uint32_t CodeOfValue(uint32_t propertyId, uint16_t value) {
  return propertyId == PropImageQuality ? CodeOfEosImageFormat(value) : value;
}

// The codes a label stands for; an "Unknown value" label for the one code it carries.
std::vector<uint32_t> CandidatesOf(uint32_t propertyId, std::string_view label) {
  std::vector<uint32_t> codes;
  if (label.substr(0, UnknownPrefix.size()) == UnknownPrefix) {
    const std::string_view digits = label.substr(UnknownPrefix.size());
    uint16_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty()) {
      codes.push_back(CodeOfValue(propertyId, value));
    }
    return codes;
  }
  for (const Label& entry : LabelsOf(propertyId)) {
    if (entry.text == label) {
      codes.push_back(CodeOfValue(propertyId, entry.value));
    }
  }
  return codes;
}

// Aperture and shutter codes step by eighths of a stop: third stops at 3 and 5 past a whole stop,
// half stops at 4.
bool IsThirdStop(uint32_t code) { return code % 8 == 3 || code % 8 == 5; }
bool IsHalfStop(uint32_t code) { return code % 8 == 4; }

// Small sizes of the bodies with S1, S2 and S3 JPEGs (driver sizes 0xd to 0xf, of either file).
bool HasLaterSmallSizes(uint32_t code) {
  const std::optional<uint16_t> format = EosImageFormatOfCode(code);
  return format && ((*format >> 12U) >= 0xd || (((*format >> 4U) & 0xfU) >= 0xd && (*format & 0xffU) != 0));
}

// Picks among the codes of a shared label by what the other labels on offer say about the body.
uint32_t Resolve(uint32_t propertyId, const std::vector<uint32_t>& candidates,
                 std::span<const std::string> choices) {
  std::vector<uint32_t> evidence;
  for (const std::string& choice : choices) {
    const std::vector<uint32_t> codes = CandidatesOf(propertyId, choice);
    if (codes.size() == 1) {
      evidence.push_back(codes.front());
    }
  }
  if (candidates.size() == 2 && (propertyId == PropAv || propertyId == PropTv)) {
    const bool firstHalf = IsHalfStop(candidates[0]);
    if (firstHalf != IsHalfStop(candidates[1])) {
      // A body set in third stops offers third-stop codes; one in half stops only whole and half
      // stops. Canon bodies step in thirds unless told otherwise.
      const bool half =
          std::none_of(evidence.begin(), evidence.end(), IsThirdStop) &&
          std::any_of(evidence.begin(), evidence.end(), [](uint32_t c) { return c > 0x0c && IsHalfStop(c); });
      return half == firstHalf ? candidates[0] : candidates[1];
    }
  }
  if (candidates.size() == 2 && propertyId == PropImageQuality &&
      HasLaterSmallSizes(candidates[0]) != HasLaterSmallSizes(candidates[1])) {
    const bool later = std::any_of(evidence.begin(), evidence.end(), HasLaterSmallSizes);
    return later == HasLaterSmallSizes(candidates[0]) ? candidates[0] : candidates[1];
  }
  // Otherwise the code the name table lists first.
  for (const SettingName& entry : SettingNameTable(KindOfProperty(propertyId))) {
    if (std::find(candidates.begin(), candidates.end(), entry.Code) != candidates.end()) {
      return entry.Code;
    }
  }
  return candidates.front();
}

bool IsIoError(int result) {
  switch (result) {
    case -7:   // GP_ERROR_IO
    case -20:  // GP_ERROR_IO_SUPPORTED_SERIAL
    case -21:  // GP_ERROR_IO_SUPPORTED_USB
    case -31:  // GP_ERROR_IO_INIT
    case -34:  // GP_ERROR_IO_READ
    case -35:  // GP_ERROR_IO_WRITE
    case -37:  // GP_ERROR_IO_UPDATE
    case -41:  // GP_ERROR_IO_SERIAL_SPEED
    case -51:  // GP_ERROR_IO_USB_CLEAR_HALT
    case -52:  // GP_ERROR_IO_USB_FIND: the body is gone from the bus
    case -53:  // GP_ERROR_IO_USB_CLAIM
    case -60:  // GP_ERROR_IO_LOCK
      return true;
    default:
      return false;
  }
}

// The last PTP response code the driver logged as "(0x201c: ..." or "(0x2019)", 0 when none.
uint32_t LastPtpResponse(std::string_view log) {
  uint32_t last = 0;
  for (size_t at = log.find("(0x"); at != std::string_view::npos; at = log.find("(0x", at + 1)) {
    const std::string_view digits = log.substr(at + 3, 4);
    uint32_t code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, 16);
    const size_t after = at + 7;
    if (error == std::errc() && end == digits.data() + 4 && after < log.size() &&
        (log[after] == ':' || log[after] == ')')) {
      last = code;
    }
  }
  return last;
}

}  // namespace

const char* Gphoto2ConfigName(uint32_t propertyId) {
  switch (propertyId) {
    case PropImageQuality:
      return "imageformat";
    case PropAEMode:
      return "autoexposuremode";
    case PropIso:
      return "iso";
    case PropAv:
      return "aperture";
    case PropTv:
      return "shutterspeed";
    case PropSaveTo:
      return "capturetarget";
    case PropFocusMode:
      return "focusmode";
    case PropBatteryLevel:
      return "batterylevel";
    case PropAvailableShots:
      return "availableshots";
    case PropDateTime:
      return "datetime";
    default:
      return nullptr;
  }
}

bool IsGphoto2BodyState(uint32_t propertyId) {
  return propertyId == PropFocusMode || propertyId == PropBatteryLevel || propertyId == PropAvailableShots ||
         propertyId == PropDateTime;
}

std::optional<uint32_t> Gphoto2BodyStateOf(uint32_t propertyId, std::string_view shown) {
  const auto number = [](std::string_view digits) -> std::optional<int64_t> {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
      return std::nullopt;
    }
    return value;
  };
  switch (propertyId) {
    case PropFocusMode:
      return Gphoto2CodeOf(propertyId, shown, {});
    case PropBatteryLevel: {
      if (shown == "Low") {
        return LowBatteryPercent;
      }
      const std::optional<int64_t> percent =
          !shown.empty() && shown.back() == '%' ? number(shown.substr(0, shown.size() - 1)) : std::nullopt;
      return percent && *percent >= 0 && *percent <= 100 ? std::optional(static_cast<uint32_t>(*percent))
                                                         : std::nullopt;
    }
    case PropAvailableShots: {
      const std::optional<int64_t> shots = number(shown);
      return shots && *shots >= 0 && *shots <= 0xFFFFFFFF ? std::optional(static_cast<uint32_t>(*shots))
                                                          : std::nullopt;
    }
    case PropDateTime: {
      // The driver read the body's local time as if it were UTC and made the computer's time of
      // those calendar fields; the fields in the computer's zone are the body's again.
      const std::optional<int64_t> seconds = number(shown);
      if (!seconds) {
        return std::nullopt;
      }
      const auto computer = static_cast<std::time_t>(*seconds);
      std::tm fields{};
      if (localtime_r(&computer, &fields) == nullptr) {
        return std::nullopt;
      }
      const int64_t body = timegm(&fields);
      return body >= 0 && body <= 0xFFFFFFFF ? std::optional(static_cast<uint32_t>(body)) : std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::string Gphoto2LabelOf(uint32_t propertyId, uint32_t code) {
  const std::optional<uint16_t> value = ValueOfCode(propertyId, code);
  if (!value || LabelsOf(propertyId).empty()) {
    return {};
  }
  for (const Label& entry : LabelsOf(propertyId)) {
    if (entry.value == *value) {
      return std::string(entry.text);
    }
  }
  // As the driver writes it: four lower-case hexadecimal digits at least.
  char digits[8] = {};
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, *value, 16);
  std::string hex(digits, end);
  hex.insert(0, hex.size() < 4 ? 4 - hex.size() : 0, '0');
  return std::string(UnknownPrefix) + hex;
}

std::optional<uint32_t> Gphoto2CodeOf(uint32_t propertyId, std::string_view label,
                                      std::span<const std::string> choices) {
  const std::vector<uint32_t> candidates = CandidatesOf(propertyId, label);
  if (candidates.empty()) {
    return std::nullopt;
  }
  if (candidates.size() == 1) {
    return candidates.front();
  }
  return Resolve(propertyId, candidates, choices);
}

bool Gphoto2OffersWholeTable(uint32_t propertyId, std::span<const std::string> choices) {
  const std::span<const Label> labels = LabelsOf(propertyId);
  return !labels.empty() && choices.size() >= labels.size() &&
         std::equal(labels.begin(), labels.end(), choices.begin(),
                    [](const Label& label, const std::string& choice) { return label.text == choice; });
}

std::optional<uint16_t> EosImageFormatOfCode(uint32_t code) {
  // Size, type and compression of the first file in the upper half of the code, of the second in
  // the lower half; 0xFF0F there is no second file. Types: 1 JPEG, 6 RAW.
  const auto pack = [](uint32_t size, uint32_t type, uint32_t compression) -> std::optional<uint32_t> {
    if ((type != 1 && type != 6) || compression > 7 || size > 0x10 || size == 0xd) {
      return std::nullopt;
    }
    // The driver folds the sizes S1 to S3 (0xe to 0x10) into 0xd to 0xf.
    return ((size >= 0xe ? size - 1 : size) << 4U) | compression | (type == 6 ? 8U : 0U);
  };
  const std::optional<uint32_t> first = pack(code >> 24U, (code >> 20U) & 0xfU, (code >> 16U) & 0xfU);
  if (!first) {
    return std::nullopt;
  }
  uint32_t second = 0;
  if ((code & 0xffffU) != 0xff0fU) {
    const std::optional<uint32_t> packed = pack((code >> 8U) & 0xffU, (code >> 4U) & 0xfU, code & 0xfU);
    if (!packed) {
      return std::nullopt;
    }
    second = *packed;
  }
  const auto format = static_cast<uint16_t>((*first << 8U) | second);
  // A second file the driver cannot tell from none (a JPEG of no stated quality, Large size).
  if (CodeOfEosImageFormat(format) != code) {
    return std::nullopt;
  }
  return format;
}

uint32_t CodeOfEosImageFormat(uint16_t format) {
  const auto unpack = [](uint32_t packed) {
    const uint32_t size = packed >> 4U;
    const uint32_t compression = packed & 0xfU;
    return ((size >= 0xd ? size + 1 : size) << 8U) | ((compression & 8U) != 0 ? 0x60U : 0x10U) |
           (compression & 7U);
  };
  const uint32_t first = unpack(static_cast<uint32_t>(format) >> 8U);
  const uint32_t second = (format & 0xffU) != 0 ? unpack(format & 0xffU) : 0xff0fU;
  return (first << 16U) | second;
}

uint32_t PropertyOfGphoto2Event(std::string_view text) {
  constexpr std::string_view Prefix = "PTP Property ";
  if (text.substr(0, Prefix.size()) != Prefix) {
    return 0;
  }
  const std::string_view digits = text.substr(Prefix.size(), 4);
  uint32_t property = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), property, 16);
  if (error != std::errc() || end != digits.data() + digits.size()) {
    return 0;
  }
  switch (property) {
    case 0xd101:
      return PropAv;
    case 0xd102:
      return PropTv;
    case 0xd103:
      return PropIso;
    case 0xd105:  // AE mode
    case 0xd138:  // the mode dial of the later bodies
      return PropAEMode;
    case 0xd120:
      return PropImageQuality;
    default:
      return 0;
  }
}

uint32_t CameraStatusOfGphoto2(int result, Gphoto2Call call, std::string_view errorLog) {
  // A body that closed the connection (PTP/IP reports it as a plain error) or dropped off the bus.
  // The driver answers some reads from what it holds even then: those must not pass for fresh.
  const bool gone = errorLog.find("End of stream") != std::string_view::npos ||
                    errorLog.find("read PTPIP data") != std::string_view::npos ||
                    errorLog.find("(0x02ff") != std::string_view::npos ||  // PTP I/O error
                    errorLog.find("(0x02f9") != std::string_view::npos;    // no device
  if (result >= 0) {
    return gone ? CamDisconnected : CamOk;
  }
  // The driver's words when a release found nothing to focus on (the EOS M's too).
  if (call == Gphoto2Call::Release && !gone && errorLog.find("Perhaps no focus?") != std::string_view::npos) {
    return CamNoFocus;
  }
  if (call == Gphoto2Call::Open && IsIoError(result)) {
    // Held by another program (a desktop's photo importer), or not there at all.
    return result == -53 || result == -60 ? CamBusy : CamNotFound;
  }
  if (gone || IsIoError(result)) {
    return CamDisconnected;
  }
  const uint32_t response = LastPtpResponse(errorLog);
  switch (result) {
    case -110:  // GP_ERROR_CAMERA_BUSY
      return CamBusy;
    case -10:   // GP_ERROR_TIMEOUT
    case -112:  // GP_ERROR_CANCEL: only our deadline cancels
      return CamTimeout;
    case -6:  // GP_ERROR_NOT_SUPPORTED
      return CamNotSupported;
    case -115:  // GP_ERROR_NO_SPACE
      return CamCardFull;
    case -3:  // GP_ERROR_NO_MEMORY: the driver's "no more memory on card" and "card read-only"
      return call == Gphoto2Call::Release ? CamCardFull : CamInternalError;
    case -5:    // GP_ERROR_UNKNOWN_PORT
    case -105:  // GP_ERROR_MODEL_NOT_FOUND
      return CamNotFound;
    case -2:  // GP_ERROR_BAD_PARAMETERS
      return call == Gphoto2Call::Write ? CamRefused : CamInvalidParameter;
    default:
      break;
  }
  if (response == 0x2019) {  // Device Busy
    return CamBusy;
  }
  if (response == 0x200c || response == 0x200e) {  // Store Full, Store Read-Only
    return CamCardFull;
  }
  return call == Gphoto2Call::Write ? CamRefused : CamInternalError;
}

}  // namespace tevra
