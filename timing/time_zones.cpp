// SPDX-License-Identifier: GPL-3.0-or-later
#include "time_zones.h"

#include <cmath>

namespace tevra {

double ZoneOffset = 0;
std::string ZoneLabel;

const std::array<tTZone_Ary, TimeZoneCount>& TimeZoneTable() {
  // Row 15 writes its zone as "UTC\u00B100" (plus-minus sign) in the description only.
  static const std::array<tTZone_Ary, TimeZoneCount> Table = {{
      {-12.0, "UTC-12   ", "UTC-12      BIT; IDLW"},
      {-11.0, "UTC-11   ", "UTC-11      NUT; SST"},
      {-10.0, "UTC-10   ", "UTC-10      CKT; HST; SDT; TAHT"},
      {-9.5, "UTC-09:30", "UTC-09:30   MART; MIT"},
      {-9.0, "UTC-09   ", "UTC-09      AKST; GAMT; GIT; HDT"},
      {-8.0, "UTC-08   ", "UTC-08      AKDT; CIST; PST"},
      {-7.0, "UTC-07   ", "UTC-07      MST; PDT"},
      {-6.0, "UTC-06   ", "UTC-06      CST; EAST; GALT; MDT"},
      {-5.0, "UTC-05   ", "UTC-05      ACT; CDT; COT; CST; EASST; ECT; EST; PET"},
      {-4.0, "UTC-04   ", "UTC-04      AMT; AST; BOT; CDT; CLT; COST; ECT; EDT; FKT; GYT; PYT; VET"},
      {-3.5, "UTC-03:30", "UTC-03:30   NST; NT"},
      {-3.0, "UTC-03:00", "UTC-03:00   BRT"},
      {-2.5, "UTC-02:30", "UTC-02:30   NDT"},
      {-2.0, "UTC-02   ", "UTC-02      BRST; FNT; GST; PMDT; UYST"},
      {-1.0, "UTC-01   ", "UTC-01      AZOT; CVT"},
      {0.0, "UTC      ", "UTC±00      AZOST; EGST; GMT; UTC; WET"},
      {1.0, "UTC+01   ", "UTC+01      CET; DFT; IST; MET; WAT; WEST"},
      {2.0, "UTC+02   ", "UTC+02      CAT; CEST; EET; HAEC; IST; KALT; MEST; SAST; WAST"},
      {3.0, "UTC+03   ", "UTC+03      AST; EAT; EEST; FET; IDT; IOT; MSK; SYOT; TRT"},
      {3.5, "UTC+03:30", "UTC+03:30   IRST"},
      {4.0, "UTC+04   ", "UTC+04      AMT; AZT; GET; GST; MUT; RET; SAMT; SCT; VOLT"},
      {4.5, "UTC+04:30", "UTC+04:30   AFT; IRDT"},
      {5.0, "UTC+05   ", "UTC+05      HMT; MAWT; MVT; ORAT; PKT; TFT; TJT; TMT; UZT; YEKT"},
      {5.5, "UTC+05:30", "UTC+05:30   IST; SLST"},
      {5.75, "UTC+05:45", "UTC+05:45   NPT"},
      {6.0, "UTC+06   ", "UTC+06      BIOT; BST; BTT; KGT; OMST; VOST"},
      {6.5, "UTC+06:30", "UTC+06:30   CCT; MMT"},
      {7.0, "UTC+07   ", "UTC+07      CXT; DAVT; HOVT; ICT; KRAT; THA; WIT"},
      {8.0, "UTC+08   ",
       "UTC+08      AWST; BDT; CHOT; CIT; CST; CT; HKT; HOVST; IRKT; MST; MYT; PHT; PST; SGT; SST; ULAT; "
       "WST"},
      {8.75, "UTC+08:45", "UTC+08:45   ACWST; CWST"},
      {9.0, "UTC+09   ", "UTC+09      CHOST; EIT; JST; KST; TLT; ULAST; YAKT"},
      {9.5, "UTC+09:30", "UTC+09:30   ACST"},
      {10.0, "UTC+10   ", "UTC+10      AEST; CHST; CHUT; DDUT; PGT; VLAT"},
      {10.5, "UTC+10:30", "UTC+10:30   ACDT; LHST"},
      {11.0, "UTC+11   ", "UTC+11      AEDT; BST; KOST; LHST; MIST; NCT; NFT; PONT; SAKT; SBT; SRET; VUT"},
      {12.0, "UTC+12   ", "UTC+12      FJT; GILT; MAGT; MHT; NZST; PETT; TVT; WAKT"},
      {12.75, "UTC+12:45", "UTC+12:45   CHAST"},
      {13.0, "UTC+13   ", "UTC+13      NZDT; PHOT; TKT; TOT"},
      {13.75, "UTC+13:45", "UTC+13:45   CHADT"},
      {14.0, "UTC+14   ", "UTC+14      LINT"},
  }};
  return Table;
}

std::string UnpaddedZoneName(const tTZone_Ary& zone) {
  const auto end = zone.Name.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : zone.Name.substr(0, end + 1);
}

std::optional<int> ZoneRowOfOffset(double hours) {
  const double minutes = std::round(hours * 60);
  for (int row = 0; row < TimeZoneCount; ++row) {
    if (std::round(TimeZoneTable()[static_cast<size_t>(row)].Offset * 60) == minutes) {
      return row;
    }
  }
  return std::nullopt;
}

void ApplyTimeZone(int row) {
  if (row < 0 || row >= TimeZoneCount) {
    row = DefaultTimeZoneIndex;
  }
  const tTZone_Ary& zone = TimeZoneTable()[static_cast<size_t>(row)];
  ZoneOffset = zone.Offset;
  ZoneLabel = "[" + UnpaddedZoneName(zone) + "]";
}

}  // namespace tevra
