#include "messaging/store/StoreTime.h"

#include <cstdio>

namespace msgstore {

// Howard Hinnant's days-from-civil: proleptic Gregorian, day 0 = 1970-01-01.
long DaysFromCivil(int year, int month, int day)
{
    long y = year - (month <= 2 ? 1 : 0);
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long days, int& year, int& month, int& day)
{
    days += 719468;
    long era = (days >= 0 ? days : days - 146096) / 146097;
    long doe = days - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::string CStoreTime::Format() const
{
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return text;
}

std::string CStoreTime::FormatDate() const
{
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

bool CStoreTime::Parse(const std::string& text, CStoreTime& out)
{
    CStoreTime t;
    char tail = 0;
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                        &t.minute, &t.second, &tail);
    if (n != 6 && n != 3)
        return false;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 || t.hour > 23 ||
        t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 60)
        return false;
    out = t;
    return true;
}

CStoreTime CStoreTime::AddDays(long days) const
{
    CStoreTime t = *this;
    CivilFromDays(DaysFromCivil(year, month, day) + days, t.year, t.month, t.day);
    return t;
}

bool CStoreTime::operator==(const CStoreTime& o) const
{
    return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute &&
           second == o.second;
}

} // namespace msgstore
