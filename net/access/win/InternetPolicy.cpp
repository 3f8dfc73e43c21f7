// Winsock's headers must come before windows.h, which the policy's header brings.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "net/access/win/InternetPolicy.h"

#include <cstdio>
#include <cstdlib>
#include <string>

static_assert(CNetInfo::kFlagReload == INTERNET_FLAG_RELOAD, "request flag values");
static_assert(CNetInfo::kFlagSecure == INTERNET_FLAG_SECURE, "request flag values");
static_assert(CNetInfo::kFlagIgnoreCertCnInvalid == INTERNET_FLAG_IGNORE_CERT_CN_INVALID, "request flag values");
static_assert(CNetInfo::kFlagIgnoreCertDateInvalid == INTERNET_FLAG_IGNORE_CERT_DATE_INVALID, "request flag values");

namespace {

constexpr DWORD kLanConnectTimeout = 10000;
constexpr DWORD kModemConnectTimeout = 20000;

bool IsValidPortText(const CString& port)
{
    if (port.IsEmpty() || port.GetLength() > 5)
        return false;
    for (int i = 0; i < port.GetLength(); ++i)
        if (port[i] < '0' || port[i] > '9')
            return false;
    const long value = std::strtol(port, nullptr, 10);
    return value >= 1 && value <= 65535;
}

// A registry text of at most limit bytes; values of another type or larger are not read.
bool ReadRegistryText(HKEY key, const char* name, DWORD limit, CString* text)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > limit)
        return false;
    std::string buffer(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &got) != ERROR_SUCCESS)
        return false;
    buffer.resize(got < buffer.size() ? got : buffer.size());
    *text = CString(buffer.c_str()); // up to the first NUL
    return true;
}

} // namespace

void CInternetPolicy::SetupTimeouts(HINTERNET session, DWORD connectTimeout)
{
    DWORD state = 0;
    DWORD timeout = kModemConnectTimeout;
    if (InternetGetConnectedState(&state, 0) && (state & INTERNET_CONNECTION_LAN))
        timeout = kLanConnectTimeout;
    if (connectTimeout)
        timeout = connectTimeout;
    SetDword(session, INTERNET_OPTION_CONNECT_TIMEOUT, timeout);
    SetDword(session, INTERNET_OPTION_RECEIVE_TIMEOUT, 30000);
    SetDword(session, INTERNET_OPTION_SEND_TIMEOUT, 15000);
    SetDword(session, INTERNET_OPTION_DATA_SEND_TIMEOUT, 15000);
    SetDword(session, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, 30000);
    SetDword(session, INTERNET_OPTION_CONNECT_RETRIES, 3);
}

bool CInternetPolicy::IsGlobalOffline()
{
    INTERNET_CONNECTED_INFO info{};
    DWORD size = sizeof info;
    if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &info, &size))
        return false;
    return (info.dwConnectedState & INTERNET_STATE_DISCONNECTED_BY_USER) != 0;
}

void CInternetPolicy::SetupInternetHandle(HINTERNET session, int accessType, DWORD connectTimeout)
{
    SetupTimeouts(session, connectTimeout);
    if (IsGlobalOffline()) {
        INTERNET_CONNECTED_INFO info{INTERNET_STATE_CONNECTED, 0};
        SetOption(session, INTERNET_OPTION_CONNECTED_STATE, &info, sizeof info);
    }
    INTERNET_PROXY_INFO proxy{};
    CString address;
    proxy.dwAccessType = ProxyChoice(accessType, &address);
    if (proxy.dwAccessType == INTERNET_OPEN_TYPE_PROXY)
        proxy.lpszProxy = address.GetString();
    SetOption(session, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
}

DWORD CInternetPolicy::ProxyChoice(int accessType, CString* address)
{
    address->Empty();
    if (m_info.m_forceDirect == 1)
        return INTERNET_OPEN_TYPE_DIRECT;
    if (accessType != -1)
        return static_cast<DWORD>(accessType);
    const NetConnectSettings& settings = m_info.GetActiveSettings();
    if ((settings.flags & (kProtocolTcp | kProxyInUse)) != (kProtocolTcp | kProxyInUse) ||
        settings.proxyHostInUse.IsEmpty())
        return INTERNET_OPEN_TYPE_DIRECT;
    CString host, port;
    if (!GetProxyAddress(&host, &port))
        return INTERNET_OPEN_TYPE_DIRECT;
    *address = host + ":" + port;
    return INTERNET_OPEN_TYPE_PROXY;
}

bool CInternetPolicy::GetProxyAddress(CString* host, CString* port)
{
    const NetConnectSettings& settings = m_info.GetActiveSettings();
    *port = IsValidPortText(settings.proxyPortInUse) ? settings.proxyPortInUse : CString("80");
    *host = settings.proxyHostInUse;
    if (host->IsEmpty())
        return false;
    if (inet_addr(*host) != INADDR_NONE)
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(*host, nullptr, &hints, &found) != 0)
        return false;
    freeaddrinfo(found);
    return true;
}

void CInternetPolicy::SetProxyCredentials(HINTERNET request)
{
    const NetConnectSettings& live = m_info.LiveConnectSettings();
    SetOption(request, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(live.proxyData1.GetString()),
                       static_cast<DWORD>(live.proxyData1.GetLength() + 1));
    SetOption(request, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(live.proxyData2.GetString()),
                       static_cast<DWORD>(live.proxyData2.GetLength() + 1));
}

unsigned CInternetPolicy::ReadProxySettings(CString* host, CString* port, CString* configUrl, const char* keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    unsigned result = 0;
    DWORD type = 0, enable = 0, size = sizeof enable;
    if (RegQueryValueExA(key, "ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&enable), &size) ==
            ERROR_SUCCESS &&
        (type == REG_DWORD || type == REG_BINARY) && size == sizeof enable && (enable & 1))
        result |= kBrowserProxyEnabled;
    CString server;
    if (ReadRegistryText(key, "ProxyServer", 260, &server)) {
        if (!CNetInfo::ParseProxyServer(server, "https=", host, port) &&
            !CNetInfo::ParseProxyServer(server, "http=", host, port) &&
            !CNetInfo::ParseProxyServer(server, nullptr, host, port)) {
            host->Empty();
            port->Empty();
        }
    }
    if (ReadRegistryText(key, "AutoConfigURL", 2048, configUrl))
        result |= kBrowserAutoConfig;
    RegCloseKey(key);
    return result;
}

void CInternetPolicy::LoadBrowserProxy(const char* keyPath)
{
    NetConnectSettings& settings = m_info.GetActiveSettings();
    if (!(settings.flags & kProtocolAuto))
        return;
    CString host, port, configUrl;
    const unsigned result = ReadProxySettings(&host, &port, &configUrl, keyPath);
    if ((result & kBrowserProxyEnabled) && !host.IsEmpty()) {
        settings.flags |= kProtocolTcp | kProxyInUse;
        settings.proxyHostInUse = host;
        settings.proxyPortInUse = port;
    } else {
        settings.flags &= static_cast<uint16_t>(~kProxyInUse);
        settings.flags |= kProtocolTcp;
    }
}

winutil::HttpGetOptions CInternetPolicy::HttpOptions(const char* url)
{
    winutil::HttpGetOptions options;
    options.requestFlags = GetRequestFlags(url);
    options.proxyUser = m_info.LiveConnectSettings().proxyData1;
    options.proxyPassword = m_info.LiveConnectSettings().proxyData2;
    options.setupSession = [this](void* session) { SetupInternetHandle(static_cast<HINTERNET>(session)); };
    options.accessType = GetOpenAccessType(&options.proxy);
    return options;
}

CString GetLocalIpAddress()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return CString();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found)
        return CString();
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address->sin_addr);
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    freeaddrinfo(found);
    return CString(text);
}
