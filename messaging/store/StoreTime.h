// Local wall-clock times as the message database keeps them: "YYYY-MM-DD HH:MM:SS" text, which
// sorts in time order and reads as it is in any SQLite tool.
#pragma once

#include <string>

namespace msgstore {

struct CStoreTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    std::string Format() const;                 // "2026-12-10 09:05:00"
    std::string FormatDate() const;             // "2026-12-10"
    // Accepts what Format writes (a date alone means midnight); false for anything else.
    static bool Parse(const std::string& text, CStoreTime& out);
    // Calendar arithmetic on the date; the time of day is kept. No time zone is involved, so a
    // daylight-saving change can never move the result by a day.
    CStoreTime AddDays(long days) const;
    bool operator==(const CStoreTime& o) const;
};

long DaysFromCivil(int year, int month, int day);
void CivilFromDays(long days, int& year, int& month, int& day);

} // namespace msgstore
