// The form post that every account and service form of the programs goes through (WinINet).
#pragma once

#include "net/forms/ServiceForms.h"

#include <windows.h>
#include <wininet.h>

#include <cstdint>

// The program's WinINet policy: time-outs and proxy of a session, flags of a request and the proxy
// credentials. CNetInfo supplies its own (its settings and proxy); without one a form post uses
// CDirectInternetSettings.
class IInternetSettings {
public:
    virtual ~IInternetSettings() = default;
    virtual void SetupInternetHandle(HINTERNET session) = 0;
    virtual DWORD GetRequestFlags(const char* url) = 0;
    virtual void SetProxyCredentials(HINTERNET request) = 0;
    // How a session is opened: the access type for InternetOpen and, for a proxy, "host:port" in
    // *proxy. Wine keeps no proxy set on an open session, so the choice is made here as well.
    virtual DWORD GetOpenAccessType(CString* proxy)
    {
        proxy->Empty();
        return INTERNET_OPEN_TYPE_PRECONFIG;
    }
};

// LAN time-outs (connect 10 s, receive 30 s, send 15 s, 3 connect retries), no proxy, reload,
// and secure for https.
class CDirectInternetSettings : public IInternetSettings {
public:
    void SetupInternetHandle(HINTERNET session) override;
    DWORD GetRequestFlags(const char* url) override;
    void SetProxyCredentials(HINTERNET) override {}
};

// 0 for status 200; otherwise the status code (-1 when it cannot be read) with "code text" in
// *statusText.
int CheckHttpStatus(HINTERNET request, CString* statusText);

// What a form post may set beyond the defaults: the user agent (null: the account forms' one) and
// the user name and password given to the connection (null: none).
struct HttpPostOptions {
    const char* userAgent = nullptr;
    const char* user = nullptr;
    const char* password = nullptr;
};

// Posts body (already encoded) to url's host and port at path. True with the whole reply text in
// *reply; false with *lastError set (a WinINet error, or the HTTP status code).
bool HttpPostForm(const char* url, const char* path, const CString& body, CString* reply,
                  std::uint32_t* lastError, IInternetSettings* settings = nullptr,
                  const HttpPostOptions* options = nullptr);

// The system's platform id (VER_PLATFORM_...), with its major version in *majorVersion.
DWORD GetOsVersionString(DWORD* majorVersion);

class CWinInetFormPoster : public IFormPoster {
public:
    explicit CWinInetFormPoster(IInternetSettings* settings = nullptr) : m_settings(settings) {}
    bool PostForm(const char* url, const char* path, const CString& body, CString* reply,
                  std::uint32_t* error) override
    {
        return HttpPostForm(url, path, body, reply, error, m_settings);
    }

private:
    IInternetSettings* m_settings;
};
