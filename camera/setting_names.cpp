// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/setting_names.h"

#include "timing/text_util.h"
#include "timing/time_text.h"

#include <algorithm>
#include <array>

namespace tevra {
namespace {

constexpr std::array<SettingName, 165> IQTableEntries = {{
    {"JPGaLarNor", 0x120000},
    {"JPGaLarFin", 0x130000},
    {"RAWa", 0x240000},
    {"RAW+JPGaLarNor", 0x240012},
    {"RAW+JPGaLarFin", 0x240013},
    {"RAW+JPGaMidNor", 0x240112},
    {"RAW+JPGaMidFin", 0x240113},
    {"RAW+JPGaSmaNor", 0x240212},
    {"RAW+JPGaSmaFin", 0x240213},
    {"CRAW+JPGLar", 0x630010},
    {"CRAW+JPGLarNor", 0x630012},
    {"CRAW+JPGLarFin", 0x630013},
    {"CRAW+HEIFLar", 0x630080},
    {"CRAW+HEIFLarNor", 0x630082},
    {"CRAW+HEIFLarFin", 0x630083},
    {"CRAW+JPGMid", 0x630110},
    {"CRAW+JPGMidNor", 0x630112},
    {"CRAW+JPGMidFin", 0x630113},
    {"CRAW+HEIFMid", 0x630180},
    {"CRAW+HEIFMidNor", 0x630182},
    {"CRAW+HEIFMidFin", 0x630183},
    {"CRAW+JPGSma", 0x630210},
    {"CRAW+JPGSmaNor", 0x630212},
    {"CRAW+JPGSmaFin", 0x630213},
    {"CRAW+JPGMid1", 0x630510},
    {"CRAW+JPGMid1Nor", 0x630512},
    {"CRAW+JPGMid1Fin", 0x630513},
    {"CRAW+HEIFMid1", 0x630580},
    {"CRAW+JPGMid2", 0x630610},
    {"CRAW+JPGMid2Nor", 0x630612},
    {"CRAW+JPGMid2Fin", 0x630613},
    {"CRAW+HEIFMid2", 0x630680},
    {"CRAW+JPGSma3Fin", 0x631013},
    {"RAW+JPGLar", 0x640010},
    {"RAW+JPGLarNor", 0x640012},
    {"RAW+JPGLarFin", 0x640013},
    {"RAW+HEIFLar", 0x640080},
    {"RAW+HEIFLarNor", 0x640082},
    {"RAW+HEIFLarFin", 0x640083},
    {"RAW+JPGMid", 0x640110},
    {"RAW+JPGMidNor", 0x640112},
    {"RAW+JPGMidFin", 0x640113},
    {"RAW+HEIFMid", 0x640180},
    {"RAW+HEIFMidNor", 0x640182},
    {"RAW+HEIFMidFin", 0x640183},
    {"RAW+JPGSma", 0x640210},
    {"RAW+JPGSmaNor", 0x640212},
    {"RAW+JPGSmaFin", 0x640213},
    {"RAW+JPGMid1", 0x640510},
    {"RAW+JPGMid1Nor", 0x640512},
    {"RAW+JPGMid1Fin", 0x640513},
    {"RAW+HEIFMid1", 0x640580},
    {"RAW+JPGMid2", 0x640610},
    {"RAW+JPGMid2Nor", 0x640612},
    {"RAW+JPGMid2Fin", 0x640613},
    {"RAW+HEIFMid2", 0x640680},
    {"RAW+JPGSma3", 0x641013},
    {"JPGaMidNor", 0x1120000},
    {"JPGaMidFin", 0x1130000},
    {"MRAW+JPGLar", 0x1640010},
    {"MRAW+JPGLarNor", 0x1640012},
    {"MRAW+JPGLarFin", 0x1640013},
    {"MRAW+JPGMidNor", 0x1640112},
    {"MRAW+JPGMidFin", 0x1640113},
    {"MRAW+JPGSma", 0x1640210},
    {"MRAW+JPGSmaNor", 0x1640212},
    {"MRAW+JPGSmaFin", 0x1640213},
    {"MRAW+JPGMid1", 0x1640510},
    {"MRAW+JPGMid1Nor", 0x1640512},
    {"MRAW+JPGMid1Fin", 0x1640513},
    {"MRAW+JPGMid2", 0x1640610},
    {"MRAW+JPGMid2Nor", 0x1640612},
    {"MRAW+JPGMid2Fin", 0x1640613},
    {"MRAW+JPGSma3", 0x1641013},
    {"JPGaSmaNor", 0x2120000},
    {"JPGaSmaFin", 0x2130000},
    {"SRAW+JPGLar", 0x2640010},
    {"SRAW+JPGLarNor", 0x2640012},
    {"SRAW+JPGLarFin", 0x2640013},
    {"SRAW+JPGMidNor", 0x2640112},
    {"SRAW+JPGMidFin", 0x2640113},
    {"SRAW+JPGSma", 0x2640210},
    {"SRAW+JPGSmaNor", 0x2640212},
    {"SRAW+JPGSmaFin", 0x2640213},
    {"SRAW+JPGMid1", 0x2640510},
    {"SRAW+JPGMid1Nor", 0x2640512},
    {"SRAW+JPGMid1Fin", 0x2640513},
    {"SRAW+JPGMid2", 0x2640610},
    {"SRAW+JPGMid2Nor", 0x2640612},
    {"SRAW+JPGMid2Fin", 0x2640613},
    {"SRAW+JPGSma3", 0x2641013},
    {"CRAW+JPGSma1", 0x630E10},
    {"RAW+JPGSma1", 0x640E10},
    {"CRAW+JPGSma1Nor", 0x630E12},
    {"RAW+JPGSma1Nor", 0x640E12},
    {"MRAW+JPGSma1Nor", 0x1640E12},
    {"SRAW+JPGSma1Nor", 0x2640E12},
    {"CRAW+JPGSma1Fin", 0x630E13},
    {"RAW+JPGSma1Fin", 0x640E13},
    {"MRAW+JPGSma1Fin", 0x1640E13},
    {"SRAW+JPGSma1Fin", 0x2640E13},
    {"CRAW+HEIFSma1", 0x630E80},
    {"RAW+HEIFSma1", 0x640E80},
    {"CRAW+HEIFSma1Nor", 0x630E82},
    {"RAW+HEIFSma1Nor", 0x640E82},
    {"CRAW+HEIFSma1Fin", 0x630E83},
    {"RAW+HEIFSma1Fin", 0x640E83},
    {"JPGLar", 0x10FF0F},
    {"JPGLarNor", 0x12FF0F},
    {"JPGLarFin", 0x13FF0F},
    {"JPGaLar", 0x1F000F},
    {"RAWb", 0x2F000F},
    {"RAW+JPGaLar", 0x2F001F},
    {"RAW+JPGaSma", 0x2F021F},
    {"RAW+JPGaMid1", 0x2F051F},
    {"RAW+JPGaMid2", 0x2F061F},
    {"CRAW+JPGSma2", 0x630F10},
    {"CRAW+JPGSma2Fin", 0x630F13},
    {"CRAW+HEIFSma2", 0x630F80},
    {"CRAW+HEIFSma2Fin", 0x630F83},
    {"CRAW", 0x63FF0F},
    {"RAW+JPGSma2", 0x640F10},
    {"RAW+JPGSma2Fin", 0x640F13},
    {"RAW+HEIFSma2", 0x640F80},
    {"RAW+HEIFSma2Fin", 0x640F83},
    {"RAW", 0x64FF0F},
    {"HEIFLar", 0x80FF0F},
    {"HEIFLarNor", 0x82FF0F},
    {"HEIFLarFin", 0x83FF0F},
    {"JPGMid", 0x110FF0F},
    {"JPGMidNor", 0x112FF0F},
    {"JPGMidFin", 0x113FF0F},
    {"MRAW+JPGSma2", 0x1640F13},
    {"MRAW", 0x164FF0F},
    {"HEIFMid", 0x180FF0F},
    {"HEIFMidNor", 0x182FF0F},
    {"HEIFMidFin", 0x183FF0F},
    {"JPGSma", 0x210FF0F},
    {"JPGSmaNor", 0x212FF0F},
    {"JPGSmaFin", 0x213FF0F},
    {"JPGaSma", 0x21F000F},
    {"SRAW+JPGSma2", 0x2640F13},
    {"SRAW", 0x264FF0F},
    {"JPGMid1", 0x510FF0F},
    {"JPGMid1Nor", 0x512FF0F},
    {"JPGMid1Fin", 0x513FF0F},
    {"JPGaMid1", 0x51F000F},
    {"HEIFMid1", 0x580FF0F},
    {"JPGMid2", 0x610FF0F},
    {"JPGMid2Nor", 0x612FF0F},
    {"JPGMid2Fin", 0x613FF0F},
    {"JPGaMid2", 0x61F000F},
    {"HEIFMid2", 0x680FF0F},
    {"JPGSma1", 0xE10FF0F},
    {"JPGSma1Nor", 0xE12FF0F},
    {"JPGSma1Fin", 0xE13FF0F},
    {"HEIFSma1", 0xE80FF0F},
    {"HEIFSma1Nor", 0xE82FF0F},
    {"HEIFSma1Fin", 0xE83FF0F},
    {"JPGSma2", 0xF10FF0F},
    {"JPGSma2Fin", 0xF13FF0F},
    {"HEIFSma2", 0xF80FF0F},
    {"HEIFSma2Fin", 0xF83FF0F},
    {"JPGSma3", 0x1013FF0F},
    {"Unknown", UnknownCode},
}};

constexpr std::array<SettingName, 65> AEModeTableEntries = {{
    {"P", 0},
    {"TV", 1},
    {"AV", 2},
    {"M", 3},
    {"Bulb", 4},
    {"Auto D.-of-F. AE", 5},
    {"D.-of-F. AE", 6},
    {"C", 7},
    {"Lock", 8},
    {"Auto", 9},
    {"Night Scene Portr.", 10},
    {"Sports", 11},
    {"Portrait", 12},
    {"Landscape", 13},
    {"Close-Up", 14},
    {"Flash Off", 15},
    {"undef1", 16},
    {"undef2", 17},
    {"undef3", 18},
    {"Creative Auto", 19},
    {"Movies", 20},
    {"Photo In Movie", 21},
    {"Scene intell.Auto", 22},
    {"Night Scenes", 23},
    {"Backlit Scenes", 24},
    {"undef4", 25},
    {"Kids", 26},
    {"Food", 27},
    {"Candlelight", 28},
    {"undef5", 29},
    {"Grainy B/W", 30},
    {"Soft focus", 31},
    {"Toy camera effect", 32},
    {"Fish-eye effect", 33},
    {"Water painting effect", 34},
    {"Miniature effect", 35},
    {"HDR art standard", 36},
    {"HDR art vivid", 37},
    {"HDR art bold", 38},
    {"HDR art embossed", 39},
    {"Dream", 40},
    {"Old Movies", 41},
    {"Memory", 42},
    {"Dramatic B&W", 43},
    {"Miniature effect movie", 44},
    {"Panning", 45},
    {"Group Photo", 46},
    {"undef6", 47},
    {"undef7", 48},
    {"undef8", 49},
    {"Myself (Self Portrait)", 50},
    {"Plus Movie Auto", 51},
    {"SmoothSkin", 52},
    {"undef9", 53},
    {"Silent Mode", 54},
    {"Flexible-priority AE", 55},
    {"Oil painting", 56},
    {"Fireworks", 57},
    {"Star portrait", 58},
    {"Star nightscape", 59},
    {"Star trails", 60},
    {"Star time-lapse movie", 61},
    {"Background blur", 62},
    {"VideoBlog", 63},
    {"Unknown", UnknownCode},
}};

constexpr std::array<SettingName, 40> ISOTableEntries = {{
    {"AUTO", 0x0},    {"6", 0x28},      {"12", 0x30},     {"25", 0x38},     {"50", 0x40},
    {"100", 0x48},    {"125", 0x4B},    {"160", 0x4D},    {"200", 0x50},    {"250", 0x53},
    {"320", 0x55},    {"400", 0x58},    {"500", 0x5B},    {"640", 0x5D},    {"800", 0x60},
    {"1000", 0x63},   {"1250", 0x65},   {"1600", 0x68},   {"2000", 0x6B},   {"2500", 0x6D},
    {"3200", 0x70},   {"4000", 0x73},   {"5000", 0x75},   {"6400", 0x78},   {"8000", 0x7B},
    {"10000", 0x7D},  {"12800", 0x80},  {"16000", 0x83},  {"20000", 0x85},  {"25600", 0x88},
    {"32000", 0x8B},  {"40000", 0x8D},  {"51200", 0x90},  {"64000", 0x93},  {"80000", 0x95},
    {"102400", 0x98}, {"204800", 0xA0}, {"409600", 0xA8}, {"819200", 0xB0}, {"Unknown", UnknownCode},
}};

constexpr std::array<SettingName, 55> AvTableEntries = {{
    {"f/1.0", 0x8},  {"f/1.1", 0xB},       {"f/1.2", 0xC},           {"f/1.2 (1/3)", 0xD},
    {"f/1.4", 0x10}, {"f/1.6", 0x13},      {"f/1.8", 0x14},          {"f/1.8 (1/3)", 0x15},
    {"f/2.0", 0x18}, {"f/2.2", 0x1B},      {"f/2.5", 0x1C},          {"f/2.5 (1/3)", 0x1D},
    {"f/2.8", 0x20}, {"f/3.2", 0x23},      {"f/3.5", 0x24},          {"f/3.5 (1/3)", 0x25},
    {"f/4", 0x28},   {"f/4.5", 0x2B},      {"f/4.5 (1/3)", 0x2C},    {"f/5", 0x2D},
    {"f/5.6", 0x30}, {"f/6.3", 0x33},      {"f/6.7", 0x34},          {"f/7.1", 0x35},
    {"f/8", 0x38},   {"f/9", 0x3B},        {"f/9.5", 0x3C},          {"f/10", 0x3D},
    {"f/11", 0x40},  {"f/13 (1/3)", 0x43}, {"f/13", 0x44},           {"f/14", 0x45},
    {"f/16", 0x48},  {"f/18", 0x4B},       {"f/19", 0x4C},           {"f/20", 0x4D},
    {"f/22", 0x50},  {"f/25", 0x53},       {"f/27", 0x54},           {"f/29", 0x55},
    {"f/32", 0x58},  {"f/36", 0x5B},       {"f/38", 0x5C},           {"f/40", 0x5D},
    {"f/45", 0x60},  {"f/51", 0x63},       {"f/54", 0x64},           {"f/57", 0x65},
    {"f/64", 0x68},  {"f/72", 0x6B},       {"f/76", 0x6C},           {"f/80", 0x6D},
    {"f/91", 0x70},  {"f/3.4", 0x85},      {"Unknown", UnknownCode},
}};

constexpr std::array<SettingName, 78> TvTableEntries = {{
    {"Bulb", 0xC},     {"30\"", 0x10},    {"25\"", 0x13},
    {"20\"", 0x14},    {"20\"", 0x15},    {"15\"", 0x18},
    {"13\"", 0x1B},    {"10\"", 0x1C},    {"10\"", 0x1D},
    {"8\"", 0x20},     {"6\"", 0x23},     {"6\"", 0x24},
    {"5\"", 0x25},     {"4\"", 0x28},     {"3\"2", 0x2B},
    {"3\"", 0x2C},     {"2\"5", 0x2D},    {"2\"", 0x30},
    {"1\"6", 0x33},    {"1\"5", 0x34},    {"1\"3", 0x35},
    {"1\"", 0x38},     {"0\"8", 0x3B},    {"0\"7", 0x3C},
    {"0\"6", 0x3D},    {"0\"5", 0x40},    {"0\"4", 0x43},
    {"0\"3", 0x44},    {"0\"3", 0x45},    {"1/4", 0x48},
    {"1/5", 0x4B},     {"1/6", 0x4C},     {"1/6", 0x4D},
    {"1/8", 0x50},     {"1/10", 0x53},    {"1/10", 0x54},
    {"1/13", 0x55},    {"1/15", 0x58},    {"1/20", 0x5B},
    {"1/20", 0x5C},    {"1/25", 0x5D},    {"1/30", 0x60},
    {"1/40", 0x63},    {"1/45", 0x64},    {"1/50", 0x65},
    {"1/60", 0x68},    {"1/80", 0x6B},    {"1/90", 0x6C},
    {"1/100", 0x6D},   {"1/125", 0x70},   {"1/160", 0x73},
    {"1/180", 0x74},   {"1/200", 0x75},   {"1/250", 0x78},
    {"1/320", 0x7B},   {"1/350", 0x7C},   {"1/400", 0x7D},
    {"1/500", 0x80},   {"1/640", 0x83},   {"1/750", 0x84},
    {"1/800", 0x85},   {"1/1000", 0x88},  {"1/1250", 0x8B},
    {"1/1500", 0x8C},  {"1/1600", 0x8D},  {"1/2000", 0x90},
    {"1/2500", 0x93},  {"1/3000", 0x94},  {"1/3200", 0x95},
    {"1/4000", 0x98},  {"1/5000", 0x9B},  {"1/6000", 0x9C},
    {"1/6400", 0x9D},  {"1/8000", 0xA0},  {"1/10000", 0xA3},
    {"1/12800", 0xA5}, {"1/16000", 0xA8}, {"Unknown", UnknownCode},
}};

uint32_t CodeOf(std::span<const SettingName> table, std::string_view name) {
  for (const SettingName& entry : table) {
    if (SameIgnoringCase(entry.Name, name)) {
      return entry.Code;
    }
  }
  return 0;
}

}  // namespace

std::span<const SettingName> IQTable() { return IQTableEntries; }
std::span<const SettingName> AEModeTable() { return AEModeTableEntries; }
std::span<const SettingName> ISOTable() { return ISOTableEntries; }
std::span<const SettingName> AvTable() { return AvTableEntries; }
std::span<const SettingName> TvTable() { return TvTableEntries; }

std::span<const SettingName> SettingNameTable(int kind) {
  switch (kind) {
    case KindImageQuality:
      return IQTable();
    case KindAEMode:
      return AEModeTable();
    case KindIso:
      return ISOTable();
    case KindAperture:
      return AvTable();
    case KindShutter:
      return TvTable();
    default:
      return {};
  }
}

std::string SettingNameByCode(int kind, uint32_t code) {
  const std::span<const SettingName> table = SettingNameTable(kind);
  if (table.empty()) {
    return {};
  }
  for (const SettingName& entry : table.first(table.size() - 1)) {
    if (entry.Code == code) {
      return std::string(entry.Name);
    }
  }
  return {};
}

uint32_t ImageQualityCodeOf(std::string_view name) { return CodeOf(IQTable(), name); }
uint32_t IsoCodeOf(std::string_view name) { return CodeOf(ISOTable(), name); }
uint32_t ApertureCodeOf(std::string_view name) { return CodeOf(AvTable(), name); }
uint32_t ShutterCodeOf(std::string_view name) { return CodeOf(TvTable(), name); }

std::optional<double> ShutterSeconds(std::string_view name) {
  if (const size_t slash = name.find('/'); slash != std::string_view::npos) {
    const std::optional<double> numerator = ParseDecimal(name.substr(0, slash));
    const std::optional<double> denominator = ParseDecimal(name.substr(slash + 1));
    if (numerator && denominator && *denominator > 0) {
      return *numerator / *denominator;
    }
    return std::nullopt;
  }
  const size_t inch = name.find('"');
  if (inch == std::string_view::npos || inch == 0) {
    return std::nullopt;
  }
  // 3"2 is 3.2 seconds, 30" is 30 seconds.
  std::string decimal(name.substr(0, inch));
  if (inch + 1 < name.size()) {
    decimal += '.';
    decimal += name.substr(inch + 1);
  }
  return ParseDecimal(decimal);
}

std::optional<double> IsoSpeed(std::string_view name) {
  const std::optional<double> speed = ParseDecimal(name);
  return speed && *speed > 0 ? speed : std::nullopt;
}

std::optional<double> ApertureFNumber(std::string_view name) {
  if (!name.starts_with("f/")) {
    return std::nullopt;
  }
  name.remove_prefix(2);
  const std::optional<double> number = ParseDecimal(name.substr(0, name.find(' ')));
  return number && *number > 0 ? number : std::nullopt;
}

}  // namespace tevra
