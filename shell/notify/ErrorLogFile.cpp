#include "shell/notify/ErrorLogFile.h"

#include "shell/notify/TextLines.h"

#include <cstdio>
#include <string>

namespace errorlog {

const CString& Labels::For(int kind) const
{
    if (kind == kKindWarning)
        return warning;
    if (kind == kKindInformation)
        return information;
    return caution;
}

int KindForFlags(unsigned flags)
{
    switch (flags & 0xF0) {
    case 0x10:
        return kKindWarning;
    case 0x40:
    case 0x60:
        return kKindInformation;
    default:
        return kKindCaution;
    }
}

int KindForLabel(const CString& label, const Labels& labels)
{
    if (!label.IsEmpty() && label.str() == labels.warning.str())
        return kKindWarning;
    if (!label.IsEmpty() && label.str() == labels.information.str())
        return kKindInformation;
    return kKindCaution;
}

CString OneLine(const CString& text)
{
    const std::string& s = text.str();
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else if (s[i] == '\r' || s[i] == '\n') {
            out += ' ';
        } else {
            out += s[i];
        }
    }
    return CString(out);
}

CString FormatTime(std::time_t localTime)
{
    std::tm local{};
    const std::tm* converted = std::localtime(&localTime);
    if (converted)
        local = *converted;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d/%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return CString(buffer);
}

namespace {

bool Digits(const std::string& s, std::size_t at, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

} // namespace

bool ParseTime(const CString& text, std::time_t& out)
{
    const std::string& s = text.str();
    if (s.size() != static_cast<std::size_t>(kTimeLength))
        return false;
    if (s[4] != '/' || s[7] != '/' || s[10] != '/' || s[13] != ':' || s[16] != ':')
        return false;
    int year, month, day, hour, minute, second;
    if (!Digits(s, 0, 4, year) || !Digits(s, 5, 2, month) || !Digits(s, 8, 2, day) || !Digits(s, 11, 2, hour) ||
        !Digits(s, 14, 2, minute) || !Digits(s, 17, 2, second))
        return false;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1))
        return false;
    out = t;
    return true;
}

std::vector<Entry> Read(const char* data, std::size_t length, std::time_t now, long long keepDays,
                        const Labels& labels)
{
    std::vector<Entry> entries;
    if (!data)
        return entries;
    const std::string s(data, length);
    const long long keepSeconds = keepDays < 0 ? -1 : (keepDays > 1000000000LL ? -1 : keepDays * 86400LL);
    int lineNumber = 0;
    notify::ForEachLine(s, [&](std::size_t pos, std::size_t length) {
        if (length == 0)
            return;
        if (lineNumber++ == 0)
            return; // the version line, whatever it says
        const std::string line = s.substr(pos, length);
        const std::size_t firstComma = line.find(',');
        const std::size_t secondComma =
            firstComma == std::string::npos ? std::string::npos : line.find(',', firstComma + 1);
        Entry entry;
        CString label;
        if (firstComma == std::string::npos) {
            label = CString(line);
        } else {
            label = CString(line.substr(0, firstComma));
            if (secondComma == std::string::npos) {
                entry.time = CString(line.substr(firstComma + 1));
            } else {
                entry.time = CString(line.substr(firstComma + 1, secondComma - firstComma - 1));
                entry.message = OneLine(CString(line.substr(secondComma + 1)));
            }
        }
        std::time_t stamp;
        if (keepSeconds >= 0 && ParseTime(entry.time, stamp) &&
            static_cast<long long>(now) - static_cast<long long>(stamp) > keepSeconds)
            return;
        entry.kind = KindForLabel(label, labels);
        entry.label = labels.For(entry.kind);
        entries.push_back(std::move(entry));
    });
    return entries;
}

std::string Write(const std::vector<Entry>& entries)
{
    std::string out = kVersionLine;
    out += "\r\n";
    for (const Entry& e : entries) {
        out += e.label.str();
        out += ',';
        out += OneLine(e.time).str();
        out += ',';
        out += OneLine(e.message).str();
        out += "\r\n";
    }
    return out;
}

} // namespace errorlog
