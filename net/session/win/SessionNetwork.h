// The session's machine side on Windows: form posts through WinINet with the program's policy,
// the host's address, the port probe (services database and a bind), and the dial-up object over
// the connect dialog with its RAS part and the login dialog.
#pragma once

#include "net/forms/win/HttpPostForm.h"
#include "net/session/Session.h"

#include <memory>

class CWnd;

class CSessionNetwork : public ISessionNetwork, private netsession::IPortProbe {
public:
    // settings: the WinINet policy of every post (CNetInfo's in the program; tests give short
    // time-outs). parent: the owner of the dial-up dialogs (may be null).
    CSessionNetwork(CNetInfo& info, IInternetSettings& settings, CWnd* parent = nullptr);
    ~CSessionNetwork() override;

    bool Post(const std::string& url, const char* path, const std::string& body, const std::string& user,
              const std::string& password, std::string* reply, std::uint32_t* lastError) override;
    void PrepareProxy(const std::string& url) override;
    std::string HostAddress() override;
    netsession::IPortProbe& Ports() override { return *this; }
    IDialupLink* CreateDialup(std::uint16_t mode) override;
    void DeleteDialup(IDialupLink* dialup) override;
    bool IsWindowsMe() override;

    // The Windows version the Me rule reads (platform id, major and minor); tests replace it.
    using VersionSource = bool (*)(DWORD* platform, DWORD* major, DWORD* minor);
    void SetVersionSource(VersionSource source) { m_version = source; }
    void SetParent(CWnd* parent) { m_parent = parent; }

    static const char kUserAgent[];

private:
    bool HasService(std::uint16_t port, const char* protocol) override;
    bool CanBind(std::uint16_t port, bool udp) override;

    CNetInfo& m_info;
    IInternetSettings& m_settings;
    CWnd* m_parent;
    VersionSource m_version = nullptr;
    bool m_winsock = false;
};

// The system's version with its minor number (GetVersionExA).
bool GetOsVersionNumbers(DWORD* platform, DWORD* major, DWORD* minor);
