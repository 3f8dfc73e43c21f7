#include "framework/core/UrlFinder.h"

#include "framework/core/Cp932.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

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

bool IsValidMessageUrl(const char* candidate, std::size_t length)
{
    if (!candidate || length == 0)
        return false;
    const std::string text(candidate, length);
    if (text.find('\0') != std::string::npos)
        return false;
    std::uint32_t type = 0;
    CString server;
    CString object;
    std::uint16_t port = 0;
    if (!AfxParseURL(text.c_str(), type, server, object, port))
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
        if (!HasPrefixNoCase(text.c_str(), "LDAP"))
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
