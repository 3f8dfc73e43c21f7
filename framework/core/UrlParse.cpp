#include "framework/core/UrlParse.h"

#include <cstring>
#include <string>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAlpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

struct Scheme {
    const char* name;
    std::uint32_t service;
    std::uint16_t port;
};

const Scheme kSchemes[] = {
    {"ftp", AFX_INET_SERVICE_FTP, 21},         {"gopher", AFX_INET_SERVICE_GOPHER, 70},
    {"http", AFX_INET_SERVICE_HTTP, 80},       {"https", AFX_INET_SERVICE_HTTPS, 443},
    {"file", AFX_INET_SERVICE_FILE, 0},        {"mailto", AFX_INET_SERVICE_MAILTO, 0},
    {"mid", AFX_INET_SERVICE_MID, 0},          {"cid", AFX_INET_SERVICE_CID, 0},
    {"news", AFX_INET_SERVICE_NEWS, 119},      {"nntp", AFX_INET_SERVICE_NNTP, 119},
    {"prospero", AFX_INET_SERVICE_PROSPERO, 1525}, {"telnet", AFX_INET_SERVICE_TELNET, 23},
    {"wais", AFX_INET_SERVICE_WAIS, 210},      {"afs", AFX_INET_SERVICE_AFS, 0},
};

bool EqualNoCase(const std::string& a, const char* b)
{
    std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

void Clear(std::uint32_t& serviceType, CString& server, CString& object, std::uint16_t& port)
{
    serviceType = AFX_INET_SERVICE_UNK;
    server.Empty();
    object.Empty();
    port = 0;
}

} // namespace

bool HasPrefixNoCase(const char* text, const char* prefix)
{
    if (!text || !prefix)
        return false;
    for (; *prefix; ++text, ++prefix)
        if (!*text || Lower(*text) != Lower(*prefix))
            return false;
    return true;
}

bool AfxParseURL(const char* url, std::uint32_t& serviceType, CString& server, CString& object, std::uint16_t& port)
{
    Clear(serviceType, server, object, port);
    if (!url)
        return false;
    std::string text(url);
    // Blanks around an address typed or pasted by hand don't count.
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return false;
    std::size_t last = text.find_last_not_of(" \t\r\n");
    text = text.substr(first, last - first + 1);

    std::size_t colon = 0;
    while (colon < text.size() && text[colon] != ':')
        ++colon;
    if (colon == 0 || colon == text.size() || !IsAlpha(static_cast<unsigned char>(text[0])))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    std::string scheme = text.substr(0, colon);
    std::uint32_t service = AFX_INET_SERVICE_UNK;
    std::uint16_t usualPort = 0;
    for (const Scheme& s : kSchemes)
        if (EqualNoCase(scheme, s.name)) {
            service = s.service;
            usualPort = s.port;
        }

    std::string rest = text.substr(colon + 1);
    std::string host;
    std::uint16_t givenPort = 0;
    if (rest.compare(0, 2, "//") == 0) {
        std::size_t end = rest.find_first_of("/?#", 2);
        std::string authority = rest.substr(2, end == std::string::npos ? std::string::npos : end - 2);
        rest = end == std::string::npos ? std::string() : rest.substr(end);
        std::size_t at = authority.rfind('@');
        if (at != std::string::npos)
            authority.erase(0, at + 1);
        // "[...]" holds an IPv6 address with its colons; otherwise the first colon starts the port.
        std::string digits;
        bool hasPort = false;
        if (!authority.empty() && authority[0] == '[') {
            std::size_t close = authority.find(']');
            if (close == std::string::npos)
                return false;
            if (close + 1 < authority.size()) {
                if (authority[close + 1] != ':')
                    return false;
                hasPort = true;
                digits = authority.substr(close + 2);
            }
            authority.erase(close + 1);
        } else {
            std::size_t portColon = authority.find(':');
            if (portColon != std::string::npos) {
                hasPort = true;
                digits = authority.substr(portColon + 1);
                authority.erase(portColon);
            }
        }
        // "host:" keeps the scheme's usual port.
        if (hasPort && !digits.empty()) {
            unsigned long value = 0;
            for (char d : digits) {
                if (!IsDigit(static_cast<unsigned char>(d)) || value > 65535)
                    return false;
                value = value * 10 + static_cast<unsigned long>(d - '0');
            }
            if (value == 0 || value > 65535)
                return false;
            givenPort = static_cast<std::uint16_t>(value);
        }
        for (char c : authority) {
            auto u = static_cast<unsigned char>(c);
            if (u <= 0x20 || u >= 0x7F)
                return false;
        }
        host = authority;
        if (rest.empty())
            rest = "/";
    } else if (service == AFX_INET_SERVICE_MAILTO) {
        // A mail address is its own server: "mailto:user@host?subject=x".
        std::size_t query = rest.find('?');
        host = rest.substr(0, query);
        rest = query == std::string::npos ? std::string() : rest.substr(query);
        for (char c : host) {
            auto u = static_cast<unsigned char>(c);
            if (u <= 0x20 || u >= 0x7F)
                return false;
        }
    }
    serviceType = service;
    server = CString(host);
    object = CString(rest);
    port = givenPort ? givenPort : usualPort;
    return true;
}

bool IsValidUrl(const char* url)
{
    std::uint32_t service;
    CString server, object;
    std::uint16_t port;
    if (!AfxParseURL(url, service, server, object, port))
        return false;
    switch (service) {
    case AFX_INET_SERVICE_FTP:
    case AFX_INET_SERVICE_GOPHER:
    case AFX_INET_SERVICE_HTTP:
    case AFX_INET_SERVICE_HTTPS:
    case AFX_INET_SERVICE_MAILTO:
    case AFX_INET_SERVICE_MID:
    case AFX_INET_SERVICE_CID:
    case AFX_INET_SERVICE_NEWS:
    case AFX_INET_SERVICE_NNTP:
    case AFX_INET_SERVICE_PROSPERO:
    case AFX_INET_SERVICE_TELNET:
        return !server.IsEmpty();
    case AFX_INET_SERVICE_UNK: {
        const char* p = url;
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            ++p;
        return HasPrefixNoCase(p, "LDAP");
    }
    default:
        return false;
    }
}
