// The error log's file errorlog.dat: a version line, then one "label,time,message" line per
// entry, newest first, code page 932 with CR LF line ends. Reading drops entries older than the
// ErrorLogDate setting. Portable: the clock and the three kind labels come from the caller.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <vector>

namespace errorlog {

constexpr const char* kVersionLine = "ERROR_LOG_VERSION:1.0";
constexpr int kTimeLength = 19; // "%Y/%m/%d/%H:%M:%S"

// Kinds, in the order of the list's images.
enum Kind : int { kKindWarning = 0, kKindInformation = 1, kKindCaution = 2 };

// The labels of the three kinds (strings 529, 530 and 531).
struct Labels {
    CString warning;
    CString information;
    CString caution;
    const CString& For(int kind) const;
};

struct Entry {
    int kind = kKindCaution;
    CString label;
    CString time;    // as shown and stored
    CString message; // one line
};

// Kind of a reported failure by its icon flags: 0x10 a warning, 0x40 and 0x60 information, any
// other a caution.
int KindForFlags(unsigned flags);
// Kind of a stored label; an unknown label is a caution.
int KindForLabel(const CString& label, const Labels& labels);

// The message as one line: every CR LF pair and every other CR or LF becomes one blank.
CString OneLine(const CString& text);
CString FormatTime(std::time_t localTime);
// A stored time of exactly 19 characters in the form above, as a time; false for anything else
// (other lengths, non-digits, a month 13...).
bool ParseTime(const CString& text, std::time_t& out);

// Reads the file's text. now and keepDays decide the age cut: an entry whose time lies more than
// keepDays x 86400 seconds before now is dropped; a negative keepDays keeps everything, and so
// does an unreadable time. A stored label is kept as it is; an unknown one becomes the caution
// label.
std::vector<Entry> Read(const char* data, std::size_t length, std::time_t now, long long keepDays,
                        const Labels& labels);
// The file's text for the entries, in list order.
std::string Write(const std::vector<Entry>& entries);

} // namespace errorlog
