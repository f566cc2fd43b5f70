// SPDX-License-Identifier: GPL-3.0-or-later
// Announcement rows for the contacts of an eclipse: "U2 IN ONE MINUTE", a minute before each.
#pragma once

#include "exposure/exposure_generator.h"
#include "exposure/exposure_table.h"

namespace tevra {

constexpr double AnnouncementLeadSeconds = 60;

// The announcement row of one contact: "WAV" in the kind column, "<contact> IN ONE MINUTE" as its
// label and the instant a minute before the contact as its time.
ExposureRow ContactAnnouncementRow(const char* contact, double contactJD);

// Adds the announcement of every contact the eclipse has (instant not 0), each after the rows
// whose time is not later than its own, so that no row of the same instant waits for a banner.
void AddContactAnnouncements(ExposureRows& rows, const ContactTimes& contacts);

}  // namespace tevra
