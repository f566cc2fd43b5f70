// SPDX-License-Identifier: GPL-3.0-or-later
#include "exposure/contact_announcements.h"

#include "timing/astrolib.h"
#include "timing/text_util.h"
#include "timing/time_text.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tevra {

ExposureRow ContactAnnouncementRow(const char* contact, double contactJD) {
  ExposureRow row;
  row[ColumnKind] = "WAV";
  row[ColumnLabel] = std::string(contact) + " IN ONE MINUTE";
  const CalendarTime t = JDCal(contactJD - AnnouncementLeadSeconds / 86400);
  row[ColumnDateTime] = DateTimeStr(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, 1);
  return row;
}

void AddContactAnnouncements(ExposureRows& rows, const ContactTimes& contacts) {
  const std::array<std::pair<const char*, double>, 7> named = {{{"P1", contacts.P1},
                                                                {"U1", contacts.U1},
                                                                {"U2", contacts.U2},
                                                                {"Mx", contacts.Mx},
                                                                {"U3", contacts.U3},
                                                                {"U4", contacts.U4},
                                                                {"P4", contacts.P4}}};
  for (const auto& [contact, jd] : named) {
    if (jd == 0) {
      continue;
    }
    ExposureRow announcement = ContactAnnouncementRow(contact, jd);
    const double at = *TryDateStrJD(announcement[ColumnDateTime]).jd;
    const auto later = std::find_if(rows.begin(), rows.end(), [at](const ExposureRow& row) {
      const std::optional<double> time = TryDateStrJD(Trim(row[ColumnDateTime])).jd;
      return time && *time > at;
    });
    rows.insert(later, std::move(announcement));
  }
}

}  // namespace tevra
