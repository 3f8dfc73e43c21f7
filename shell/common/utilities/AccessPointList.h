// The access-point list q2ap.lst: CR LF lines, "/" starts a comment, other lines hold
// name, access-point number, area code and a fourth field, comma-separated.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <vector>

struct AccessPoint {
    CString name;
    CString number;
    CString areaCode;
    CString extra;
};

// Lines with fewer than four fields are skipped; the fourth field ends at the CR.
std::vector<AccessPoint> ParseAccessPointList(const char* data, std::size_t size);
// The entry whose number equals number, or null.
const AccessPoint* FindAccessPoint(const std::vector<AccessPoint>& list, const CString& number);
