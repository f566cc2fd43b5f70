// SPDX-License-Identifier: GPL-3.0-or-later
// What the libgphoto2 backend translates: the library's labels of a Canon EOS body's settings to
// and from the Canon codes of the name tables, its property events to property ids, and its error
// numbers to the statuses of camera_status.h. Plain C++, without the library.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tevra {

// The library's configuration name of one of the five settings, the save target (0x0B) or the
// body's state: "imageformat", "autoexposuremode", "iso", "aperture", "shutterspeed",
// "capturetarget", "focusmode", "batterylevel", "availableshots", "datetime"; nullptr for any
// other id.
const char* Gphoto2ConfigName(uint32_t propertyId);

// True for the body's state that is read before the night, never written: the focus mode, the
// battery, the shots left and the clock.
bool IsGphoto2BodyState(uint32_t propertyId);

// The value of the body's state from what the driver shows: the focus mode from its label ("Manual"
// is FocusModeManual, "One Shot", "AI Servo", "AI Focus" the AF modes), the battery in percent from
// "75%" ("Low" is 10), the shots left from "1200", the clock (seconds since 1970 of the body's own
// local time) from the date widget's value, given in decimal, which the driver has turned from
// the body's local time into the computer's. nullopt for what says nothing ("Unknown value").
std::optional<uint32_t> Gphoto2BodyStateOf(uint32_t propertyId, std::string_view shown);

// The library's English label of a code of one of the five settings, as its Canon EOS driver shows
// it ("100", "5.6", "1/250", "30", "bulb", "RAW + Large Fine JPEG", "Manual"), or "Unknown value
// 00a3" for a code it has no label for; "" when the driver cannot carry the code at all.
std::string Gphoto2LabelOf(uint32_t propertyId, uint32_t code);

// The code of a label. Some labels stand for two codes (aperture "3.5" is 0x24 in half stops and
// 0x25 in third stops; "Small Fine JPEG" is Small or S1); choices, every label the body offers
// now, decides which. nullopt for a label that names no code.
std::optional<uint32_t> Gphoto2CodeOf(uint32_t propertyId, std::string_view label,
                                      std::span<const std::string> choices);

// True when choices are the driver's whole table of labels for the setting: what it offers for a
// body that sent no list of accepted values (most bodies for the AE mode, which the dial sets).
bool Gphoto2OffersWholeTable(uint32_t propertyId, std::span<const std::string> choices);

// The driver's 16-bit image format (size and compression of up to two files, with a RAW flag) of an
// image-quality code; nullopt for codes it cannot carry (HEIF, the old codes of the first bodies,
// RAW with a JPEG of no stated quality). And back.
std::optional<uint16_t> EosImageFormatOfCode(uint32_t code);
uint32_t CodeOfEosImageFormat(uint16_t format);

// The property id of one of the five settings that a library event text names ("PTP Property d103
// changed, ..."), 0 for anything else.
uint32_t PropertyOfGphoto2Event(std::string_view text);

// What a failed call was doing, which decides some statuses.
enum class Gphoto2Call { Other, Open, Write, Release };

// The status of a library result. errorLog holds the library's error messages of the call: they
// tell a body that closed the connection and the PTP response code behind a plain error.
uint32_t CameraStatusOfGphoto2(int result, Gphoto2Call call, std::string_view errorLog);

}  // namespace tevra
