#include "framework/core/UrlFinder.h"

#include "framework/core/Cp932.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {

struct SchemeInfo {
    const char* name;
    DWORD type;
    INTERNET_PORT defaultPort;
};

const SchemeInfo kSchemes[] = {
    {"ftp", AFX_INET_SERVICE_FTP, 21},         {"gopher", AFX_INET_SERVICE_GOPHER, 70},
    {"http", AFX_INET_SERVICE_HTTP, 80},       {"https", AFX_INET_SERVICE_HTTPS, 443},
    {"file", AFX_INET_SERVICE_FILE, 0},        {"mailto", AFX_INET_SERVICE_MAILTO, 0},
    {"mid", AFX_INET_SERVICE_MID, 0},          {"cid", AFX_INET_SERVICE_CID, 0},
    {"news", AFX_INET_SERVICE_NEWS, 119},      {"nntp", AFX_INET_SERVICE_NNTP, 119},
    {"prospero", AFX_INET_SERVICE_PROSPERO, 1525}, {"telnet", AFX_INET_SERVICE_TELNET, 23},
    {"wais", AFX_INET_SERVICE_WAIS, 210},      {"afs", AFX_INET_SERVICE_AFS, 0},
};

bool EqualsNoCase(const std::string& a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsSchemeChar(unsigned char c, bool first)
{
    if (std::isalpha(c))
        return true;
    return !first && (std::isdigit(c) || c == '+' || c == '-' || c == '.');
}

bool ParsePort(const std::string& text, INTERNET_PORT* port)
{
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    *port = static_cast<INTERNET_PORT>(value);
    return true;
}

bool IsUrlEnd(unsigned char c)
{
    return cp932::IsLeadByte(c) || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' ||
           c == '\0';
}

bool HttpAt(const char* text, std::size_t length, std::size_t pos)
{
    return pos + 4 <= length && std::memcmp(text + pos, "http", 4) == 0;
}

std::size_t CandidateEnd(const char* text, std::size_t length, std::size_t start)
{
    std::size_t end = start;
    while (end < length && !IsUrlEnd(static_cast<unsigned char>(text[end])))
        ++end;
    return end;
}

} // namespace

BOOL AfxParseURL(const char* url, DWORD& serviceType, CString& server, CString& object, INTERNET_PORT& port)
{
    serviceType = 0;
    server.Empty();
    object.Empty();
    port = 0;
    if (!url)
        return FALSE;
    const std::string text(url);
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0)
        return FALSE;
    for (std::size_t i = 0; i < colon; ++i) {
        if (!IsSchemeChar(static_cast<unsigned char>(text[i]), i == 0))
            return FALSE;
    }
    const std::string scheme = text.substr(0, colon);
    DWORD type = AFX_INET_SERVICE_UNK;
    INTERNET_PORT defaultPort = 0;
    for (const SchemeInfo& info : kSchemes) {
        if (EqualsNoCase(scheme, info.name)) {
            type = info.type;
            defaultPort = info.defaultPort;
            break;
        }
    }

    std::string rest = text.substr(colon + 1);
    std::string host;
    INTERNET_PORT parsedPort = defaultPort;
    if (rest.compare(0, 2, "//") == 0) {
        rest.erase(0, 2);
        const std::size_t authorityEnd = rest.find_first_of("/?#");
        std::string authority = rest.substr(0, authorityEnd);
        rest = authorityEnd == std::string::npos ? std::string() : rest.substr(authorityEnd);
        const std::size_t at = authority.rfind('@');
        if (at != std::string::npos)
            authority.erase(0, at + 1);
        std::string portText;
        bool hasPort = false;
        if (!authority.empty() && authority[0] == '[') {
            const std::size_t close = authority.find(']');
            if (close == std::string::npos)
                return FALSE;
            host = authority.substr(0, close + 1);
            const std::string after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after[0] != ':')
                    return FALSE;
                hasPort = true;
                portText = after.substr(1);
            }
        } else {
            const std::size_t portColon = authority.find(':');
            host = authority.substr(0, portColon);
            if (portColon != std::string::npos) {
                hasPort = true;
                portText = authority.substr(portColon + 1);
            }
        }
        // "host:" keeps the default port, as a browser would.
        if (hasPort && !portText.empty() && !ParsePort(portText, &parsedPort))
            return FALSE;
        if (rest.empty())
            rest = "/";
    }
    serviceType = type;
    server = CString(host);
    object = CString(rest);
    port = parsedPort;
    return TRUE;
}

bool IsValidMessageUrl(const char* candidate, std::size_t length)
{
    if (!candidate || length == 0)
        return false;
    const std::string text(candidate, length);
    if (text.find('\0') != std::string::npos)
        return false;
    DWORD type = 0;
    CString server;
    CString object;
    INTERNET_PORT port = 0;
    if (!AfxParseURL(text.c_str(), type, server, object, port) || type == 0)
        return false;
    switch (type) {
    case AFX_INET_SERVICE_FTP:
    case AFX_INET_SERVICE_GOPHER:
    case AFX_INET_SERVICE_HTTP:
    case AFX_INET_SERVICE_MAILTO:
    case AFX_INET_SERVICE_MID:
    case AFX_INET_SERVICE_CID:
    case AFX_INET_SERVICE_NEWS:
    case AFX_INET_SERVICE_NNTP:
    case AFX_INET_SERVICE_PROSPERO:
    case AFX_INET_SERVICE_TELNET:
    case AFX_INET_SERVICE_HTTPS:
        break;
    case AFX_INET_SERVICE_UNK:
        if (length < 4 || !EqualsNoCase(text.substr(0, 4), "LDAP"))
            return false;
        break;
    default:
        return false;
    }
    if (server.IsEmpty() && type != AFX_INET_SERVICE_UNK)
        return false;
    for (char c : text) {
        if (cp932::IsLeadByte(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool FindUrl(const char* text, std::size_t length, std::size_t from, UrlFindMode mode, UrlSpan* found)
{
    if (!text || from >= length)
        return false;
    if (mode == UrlFindMode::Click) {
        // The nearest "http" that starts at or before the position on a character boundary.
        std::size_t pos = from + 1;
        while (pos-- > 0) {
            if (HttpAt(text, length, pos) && cp932::IsBoundary(text, length, pos)) {
                const std::size_t end = CandidateEnd(text, length, pos);
                if (!IsValidMessageUrl(text + pos, end - pos))
                    return false;
                if (found)
                    *found = UrlSpan{pos, end};
                return true;
            }
        }
        return false;
    }
    std::size_t pos = cp932::BoundaryAtOrAfter(text, length, from);
    while (pos < length) {
        if (HttpAt(text, length, pos)) {
            const std::size_t end = CandidateEnd(text, length, pos);
            if (IsValidMessageUrl(text + pos, end - pos)) {
                if (found)
                    *found = UrlSpan{pos, end};
                return true;
            }
            // The candidate ends before a lead byte or a blank (or the end), so going on from its
            // end always moves forward and stays on a character boundary.
            pos = end > pos ? end : pos + 1;
            continue;
        }
        pos += cp932::CharLength(text + pos, length - pos);
    }
    return false;
}

std::vector<UrlSpan> FindUrlSegments(const char* text, std::size_t length)
{
    std::vector<UrlSpan> segments;
    std::size_t pos = 0;
    UrlSpan span;
    while (pos < length && FindUrl(text, length, pos, UrlFindMode::Forward, &span)) {
        segments.push_back(span);
        pos = span.end;
    }
    return segments;
}

std::size_t TextPositionOfByte(const char* text, std::size_t length, std::size_t byteOffset, TextPositionRules rules)
{
    std::size_t position = 0;
    std::size_t pos = 0;
    while (pos < length && pos < byteOffset) {
        std::size_t step = cp932::CharLength(text + pos, length - pos);
        if (rules.crlfIsOne && text[pos] == '\r' && pos + 1 < length && text[pos + 1] == '\n')
            step = 2;
        if (pos + step > byteOffset)
            break; // the offset lies inside this character
        pos += step;
        ++position;
    }
    return position;
}

std::size_t ByteOfTextPosition(const char* text, std::size_t length, std::size_t position, TextPositionRules rules)
{
    std::size_t pos = 0;
    for (std::size_t counted = 0; counted < position && pos < length; ++counted) {
        std::size_t step = cp932::CharLength(text + pos, length - pos);
        if (rules.crlfIsOne && text[pos] == '\r' && pos + 1 < length && text[pos + 1] == '\n')
            step = 2;
        pos += step;
    }
    return pos < length ? pos : length;
}

std::vector<UrlSpan> FindUrlPositions(const char* text, std::size_t length, TextPositionRules rules)
{
    std::vector<UrlSpan> spans = FindUrlSegments(text, length);
    for (UrlSpan& span : spans) {
        span.start = TextPositionOfByte(text, length, span.start, rules);
        span.end = TextPositionOfByte(text, length, span.end, rules);
    }
    return spans;
}
