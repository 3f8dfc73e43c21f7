#include "net/forms/win/HttpPostForm.h"

#include <string>

namespace {

const char kUserAgent[] = "Mozilla/4.0 (ZavudaZozida/1.1; QELO/Windows/Signup)";
// A reply larger than this is no account-service reply; reading stops there.
const DWORD kReplyLimit = 1 << 20;

void SetDword(HINTERNET handle, DWORD option, DWORD value)
{
    ::InternetSetOptionA(handle, option, &value, sizeof value);
}

class CInternetHandle {
public:
    explicit CInternetHandle(HINTERNET handle) : m_handle(handle) {}
    ~CInternetHandle()
    {
        if (m_handle)
            ::InternetCloseHandle(m_handle);
    }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    operator HINTERNET() const { return m_handle; }

private:
    HINTERNET m_handle;
};

} // namespace

void CDirectInternetSettings::SetupInternetHandle(HINTERNET session)
{
    SetDword(session, INTERNET_OPTION_CONNECT_TIMEOUT, 10000);
    SetDword(session, INTERNET_OPTION_RECEIVE_TIMEOUT, 30000);
    SetDword(session, INTERNET_OPTION_SEND_TIMEOUT, 15000);
    SetDword(session, INTERNET_OPTION_DATA_SEND_TIMEOUT, 15000);
    SetDword(session, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, 30000);
    SetDword(session, INTERNET_OPTION_CONNECT_RETRIES, 3);
    INTERNET_PROXY_INFO direct = {};
    direct.dwAccessType = INTERNET_OPEN_TYPE_DIRECT;
    ::InternetSetOptionA(session, INTERNET_OPTION_PROXY, &direct, sizeof direct);
}

DWORD CDirectInternetSettings::GetRequestFlags(const char* url)
{
    DWORD flags = INTERNET_FLAG_RELOAD;
    if (url && ::_strnicmp(url, "https", 5) == 0)
        flags |= INTERNET_FLAG_SECURE;
    return flags;
}

int CheckHttpStatus(HINTERNET request, CString* statusText)
{
    DWORD code = 0, size = sizeof code;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
        return -1;
    if (code == 200)
        return 0;
    char text[256] = {};
    DWORD textSize = sizeof text - 1;
    ::HttpQueryInfoA(request, HTTP_QUERY_STATUS_TEXT, text, &textSize, nullptr);
    if (statusText)
        statusText->Format("%lu %s", static_cast<unsigned long>(code), text);
    return static_cast<int>(code);
}

bool HttpPostForm(const char* url, const char* path, const CString& body, CString* reply,
                  std::uint32_t* lastError, IInternetSettings* settings, const HttpPostOptions* options)
{
    const HttpPostOptions none;
    if (!options)
        options = &none;
    CDirectInternetSettings direct;
    if (!settings)
        settings = &direct;
    *lastError = 0;
    CString host;
    std::uint16_t port = 0;
    if (!SplitUrl(url, &host, &port)) {
        *lastError = ERROR_INTERNET_INVALID_URL;
        return false;
    }
    CString proxy;
    const DWORD access = settings->GetOpenAccessType(&proxy);
    CInternetHandle session(
        ::InternetOpenA(options->userAgent ? options->userAgent : kUserAgent, access, proxy.IsEmpty() ? nullptr : proxy.GetString(), nullptr, 0));
    if (!session) {
        *lastError = ::GetLastError();
        return false;
    }
    settings->SetupInternetHandle(session);
    CInternetHandle connection(
        ::InternetConnectA(session, host, port, options->user, options->password, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        *lastError = ::GetLastError();
        return false;
    }
    CInternetHandle request(::HttpOpenRequestA(connection, "POST", path, nullptr, nullptr, nullptr,
                                               settings->GetRequestFlags(url), 0));
    if (!request) {
        *lastError = ::GetLastError();
        return false;
    }
    settings->SetProxyCredentials(request);
    CString headers;
    headers.Format("Content-Type: application/x-www-form-urlencoded\r\nContent-Length: %d\r\n", body.GetLength());
    ::HttpAddRequestHeadersA(request, headers, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    if (!::HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.GetString()),
                            static_cast<DWORD>(body.GetLength()))) {
        *lastError = ::GetLastError();
        return false;
    }
    int status = CheckHttpStatus(request, nullptr);
    if (status != 0) {
        *lastError = static_cast<std::uint32_t>(status);
        return false;
    }
    // Read to the end: a reply longer than one buffer must not be cut into a false "malformed".
    std::string text;
    char buffer[2048];
    for (;;) {
        DWORD got = 0;
        if (!::InternetReadFile(request, buffer, sizeof buffer, &got)) {
            *lastError = ::GetLastError();
            return false;
        }
        if (got == 0 || text.size() >= kReplyLimit)
            break;
        text.append(buffer, got);
    }
    // A connection that ends before the announced length is a reply cut short, not a shorter
    // reply: its first fields may still read "OK" while the rest of the account is missing.
    DWORD announced = 0, size = sizeof announced;
    if (::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size, nullptr) &&
        text.size() < announced && text.size() < kReplyLimit) {
        *lastError = ERROR_INTERNET_CONNECTION_RESET;
        return false;
    }
    *reply = CString(text);
    return true;
}

DWORD GetOsVersionString(DWORD* majorVersion)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info))
        return 0;
    if (majorVersion)
        *majorVersion = info.dwMajorVersion;
    return info.dwPlatformId;
}
