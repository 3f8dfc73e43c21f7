#include "chat_web/browser/core/PrivateUrl.h"

#include "framework/core/Cp932.h"
#include "framework/core/UrlParse.h"

#include <cstring>

namespace browser {

const char* const kPageCommandKeywords[8] = {"pri_msg",   "url_chat", "nimbocall", "nv_login",
                                              "nv_logout", "nv_close", "nv_quit",   "nv_show"};

namespace {

// Plain byte search, as the commands look their parameters up: a keyword found anywhere counts.
int FindFrom(const char* text, int length, const char* needle, int start)
{
    if (start < 0)
        start = 0;
    if (start > length)
        return -1;
    const char* found = std::strstr(text + start, needle);
    return found ? static_cast<int>(found - text) : -1;
}

// A communication id: exactly 16 printable ASCII characters, none of the separators. A
// character outside the code page arrives as "?" and fails here.
bool TakeCommId(const char* url, int length, int idPos, CString* id)
{
    if (idPos < 0 || length - (idPos + 3) < kCommIdLength)
        return false;
    const char* p = url + idPos + 3;
    for (int i = 0; i < kCommIdLength; ++i) {
        auto c = static_cast<unsigned char>(p[i]);
        if (c <= 0x20 || c >= 0x7F || std::strchr("&=?/ :", c))
            return false;
    }
    *id = CString(p, kCommIdLength);
    return true;
}

bool HasControlBytes(const char* text, int length)
{
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20 || text[i] == 0x7F)
            return true;
    return false;
}

int CountCharacters(const char* text, int length)
{
    int count = 0;
    for (int i = 0; i < length;) {
        i += static_cast<int>(cp932::CharLength(text + i, static_cast<size_t>(length - i)));
        ++count;
    }
    return count;
}

UrlDecision Cancelled() { UrlDecision d; d.action = UrlAction::Cancel; return d; }

UrlDecision PrivateMessage(const char* url, int length)
{
    UrlDecision d = Cancelled();
    int idPos = FindFrom(url, length, "id=", 10);
    CString id;
    if (!TakeCommId(url, length, idPos, &id))
        return d;
    int namePos = FindFrom(url, length, "name=", idPos);
    const char* name = namePos < 0 ? url + length : url + namePos + 5;
    int nameLength = static_cast<int>(url + length - name);
    if (CountCharacters(name, nameLength) > kMaxNameCharacters || HasControlBytes(name, nameLength))
        return d;
    d.action = UrlAction::PrivateMessage;
    d.id = id;
    d.name = CString(name, nameLength);
    return d;
}

UrlDecision EnterRoom(const char* url, int length)
{
    UrlDecision d = Cancelled();
    int pos = FindFrom(url, length, "url=", 9);
    const char* locator = pos < 0 ? url + length : url + pos + 4;
    int locatorLength = static_cast<int>(url + length - locator);
    // A line break in the locator would reach the chat server as a command of its own.
    if (locatorLength > kMaxLocatorLength || HasControlBytes(locator, locatorLength))
        return d;
    d.action = UrlAction::EnterRoom;
    d.locator = CString(locator, locatorLength);
    return d;
}

UrlDecision PlaceCall(const char* url, int length)
{
    UrlDecision d = Cancelled();
    int typePos = FindFrom(url, length, "type=1", 10);
    bool byId = typePos >= 0;
    if (!byId)
        typePos = FindFrom(url, length, "type=2", 10);
    if (typePos < 0)
        return d;
    int idPos = FindFrom(url, length, "id=", typePos);
    if (idPos < 0)
        return d;
    if (byId) {
        if (!TakeCommId(url, length, idPos, &d.id))
            return d;
        d.action = UrlAction::CallById;
        return d;
    }
    const char* number = url + idPos + 3;
    int numberLength = static_cast<int>(url + length - number);
    if (numberLength < 1 || numberLength > kMaxNumberLength)
        return d;
    for (int i = 0; i < numberLength; ++i) {
        char c = number[i];
        if (!((c >= '0' && c <= '9') || c == '*' || c == '#' || c == '-'))
            return d;
    }
    d.action = UrlAction::CallByNumber;
    d.number = CString(number, numberLength);
    return d;
}

} // namespace

bool IsPrivateScheme(const char* url)
{
    return HasPrefixNoCase(url, "x-vyrntalk:") || HasPrefixNoCase(url, "x-tesselin:");
}

UrlDecision ClassifyUrl(const char* url, int firstNavigationMark, bool commandsAllowed)
{
    UrlDecision d;
    if (!url)
        return d;
    if (HasPrefixNoCase(url, "mailto:"))
        return d;
    if (firstNavigationMark == 1 && (HasPrefixNoCase(url, "res:") || HasPrefixNoCase(url, "file:")))
        return Cancelled();
    if (!IsPrivateScheme(url))
        return d;
    if (!commandsAllowed) {
        d = Cancelled();
        d.refusedOrigin = true;
        return d;
    }
    int length = static_cast<int>(std::strlen(url));
    for (int k = 0; k < 8; ++k) {
        if (FindFrom(url, length, kPageCommandKeywords[k], 0) < 0)
            continue;
        switch (k) {
        case 0: return PrivateMessage(url, length);
        case 1: return EnterRoom(url, length);
        case 2: return PlaceCall(url, length);
        default:
            d.action = UrlAction::MainRequest;
            d.request = k - 3;
            return d;
        }
    }
    return Cancelled();
}

namespace {

CString LowerAscii(CString text)
{
    text.MakeLower();
    return text;
}

// "file:///C:/dir/x.html", "file://C:\dir" or "C:\dir" as "c:\dir\x.html", or empty when the
// path climbs with "..".
CString LocalPath(const char* url)
{
    CString path(url);
    if (HasPrefixNoCase(path, "file:")) {
        path = path.Mid(5);
        while (path.GetLength() && (path[0] == '/' || path[0] == '\\'))
            path = path.Mid(1);
    }
    path.Replace('/', '\\');
    path.MakeLower();
    if (path.Find("..") >= 0 || path.Find('%') >= 0)
        return CString();
    return path;
}

} // namespace

void CServiceOrigin::AddServiceAddress(const char* url)
{
    std::uint32_t service;
    CString server, object;
    std::uint16_t port;
    if (!url || !AfxParseURL(url, service, server, object, port) || server.IsEmpty())
        return;
    if (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS)
        return;
    CString host = LowerAscii(server);
    for (const CString& h : m_hosts)
        if (h == host)
            return;
    m_hosts.push_back(host);
}

void CServiceOrigin::SetInstallFolder(const char* folder)
{
    m_installFolder = folder && *folder ? LocalPath(folder) : CString();
    if (!m_installFolder.IsEmpty() && m_installFolder[m_installFolder.GetLength() - 1] != '\\')
        m_installFolder += '\\';
}

void CServiceOrigin::Clear()
{
    m_hosts.clear();
    m_installFolder.Empty();
}

bool CServiceOrigin::AllowsCommandsFrom(const char* pageUrl) const
{
    if (!pageUrl || !*pageUrl)
        return true;
    if (HasPrefixNoCase(pageUrl, "file:")) {
        CString path = LocalPath(pageUrl);
        return !m_installFolder.IsEmpty() && !path.IsEmpty() &&
               path.Left(m_installFolder.GetLength()) == m_installFolder;
    }
    std::uint32_t service;
    CString server, object;
    std::uint16_t port;
    if (!AfxParseURL(pageUrl, service, server, object, port))
        return false;
    if (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS)
        return false;
    CString host = LowerAscii(server);
    for (const CString& h : m_hosts)
        if (h == host)
            return true;
    return false;
}

} // namespace browser
