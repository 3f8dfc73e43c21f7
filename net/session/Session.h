// CSession: the user's session with the service. It makes sure the machine is online (dialling up
// when the account asks for it), picks the local address and two free local ports, logs in to the
// login server with a form post, keeps the reply, makes the message-server client from it on
// demand, enters and leaves chat rooms, and at log-out posts the log-out form and hangs up the
// connection it dialled.
//
// Portable: the application, the network (form posts, local address, ports, the dial-up object)
// and the dial-up object itself are reached through the interfaces below, which the program
// implements over CClientApp, WinINet and CDialupDlg and tests implement with doubles.
#pragma once

#include "net/session/ChatRoomRecord.h"
#include "net/session/MsgClientLink.h"
#include "net/session/SessionProtocol.h"
#include "shell/common/settings/NetInfo.h"

#include "framework/core/CString.h"

#include <cstdint>
#include <string>

// What the session needs of the application.
class ISessionHost {
public:
    virtual ~ISessionHost() = default;
    // The account, the state word (m_state), the connection settings and the entry names.
    virtual CNetInfo& NetInfo() = 0;
    // The login server's and the room login server's roots (LoginPage, URLChatLogin).
    virtual std::string LoginPage() = 0;
    virtual std::string ChatLoginUrl() = 0;
    // The application's chat-room fields.
    virtual ChatRoomRecord& Room() = 0;
    // The application's message-server client (null while there is none).
    virtual IMsgClientLink*& ClientSlot() = 0;
    // The lock "PmWaitObject": true when it was taken within timeoutMs.
    virtual bool CreateLock() = 0;
    virtual void CloseLock() = 0;
    virtual bool Lock(std::uint16_t holderKind, unsigned timeoutMs) = 0;
    virtual void Unlock() = 0;
    // The main window: owner of the client; a log-out request (0x40C 1) is posted to it.
    virtual nvnet::SocketOwner MainWindow() = 0;
    virtual void PostLogoutRequest() = 0;
    // A string-table text, and the program's message box (logged: also written to the error log);
    // returns the button pressed.
    virtual CString Text(unsigned id) = 0;
    virtual int ShowMessage(const CString& text, unsigned flags, bool logged) = 0;
    // The state word changed.
    virtual void StateChanged() {}
};

// The dial-up object of a session: the connect dialog with its RAS part.
class IDialupLink {
public:
    virtual ~IDialupLink() = default;
    // Builds the phone-book entry into *entryName: 0, -1 when details are needed, else a failure.
    virtual int BuildEntry(CString* entryName) = 0;
    // The details dialog; true when the user confirmed.
    virtual bool RunDetails() = 0;
    // The login dialog in the modal state; true on OK with the chosen entry in *entryName.
    virtual bool ConfirmLogin(CString* entryName) = 0;
    virtual bool IsConnected(const CString& entryName) = 0;
    // Whether other RAS connections are up; their names.
    virtual bool AnyActive() = 0;
    virtual bool GetActiveEntryNames(CString* names) = 0;
    // Hangs up every RAS connection and waits for each.
    virtual void HangUpAllAndWait() = 0;
    // Dials the entry with the connect dialog; true when connected.
    virtual bool Dial(const CString& entryName) = 0;
    // Hangs up the connection of the entry that this program dialled, and waits for it.
    virtual void HangUpOwn(const CString& entryName) = 0;
    // The address of the active dial-up connection.
    virtual bool GetLocalAddress(CString* address) = 0;
};

// What the session needs of the machine.
class ISessionNetwork {
public:
    virtual ~ISessionNetwork() = default;
    // Posts body to path on url's server with the connection's user name and password. True with
    // the whole reply; false with *lastError (a system or WinINet error, or the HTTP status).
    virtual bool Post(const std::string& url, const char* path, const std::string& body, const std::string& user,
                      const std::string& password, std::string* reply, std::uint32_t* lastError) = 0;
    // The browser's proxy, when the settings say so, for requests to url.
    virtual void PrepareProxy(const std::string& url) { (void)url; }
    // The host's address (dotted quad; empty when unknown).
    virtual std::string HostAddress() = 0;
    virtual netsession::IPortProbe& Ports() = 0;
    // A dial-up object for the mode (1 the system's dialer, 2 a stored entry), or null after the
    // user was told why; DeleteDialup takes it back.
    virtual IDialupLink* CreateDialup(std::uint16_t mode) = 0;
    virtual void DeleteDialup(IDialupLink* dialup) = 0;
    // Windows Me (platform 1, version 4.90) dials with mode 2.
    virtual bool IsWindowsMe() = 0;
};

class CSession : public IChatRoomSession {
public:
    // State word bits.
    static constexpr std::uint16_t kStateLoggedIn = 0x0001;
    static constexpr std::uint16_t kStateClient = 0x0002;
    static constexpr std::uint16_t kStateDialled = 0x0100;
    static constexpr std::uint16_t kStateLan = 0x0200;
    static constexpr std::uint16_t kStateAdopted = 0x0800;
    static constexpr std::uint16_t kStateKept = 0x8000;
    // The lock's holder kind for client creation, and how long creation waits for it.
    static constexpr std::uint16_t kLockHolder = 0x8000;
    static constexpr unsigned kLockWaitMs = 10000;
    // The client error when the lock stayed taken for the whole wait.
    static constexpr int kClientLockTimeout = -2;

    CSession(ISessionHost& host, ISessionNetwork& network);
    ~CSession() override;
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // 0: dial-up or the local address failed; 1: the login form was posted, and IsLoggedIn tells
    // whether the service took it.
    int Login(bool confirm);
    // Posts the log-out form when online and logged in, then End; clears the state but 0x8000.
    void Logout();
    // Hangs up the connection this program dialled (unless kept), drops the dial-up object and
    // leaves the frozen connection settings.
    void End();
    bool EnsureConnected(bool confirm);
    bool PickLocalEndpoint();
    bool CheckDialup();
    bool IsOnline();

    // The client of the slot (the application's when null), made when there is none. extra is
    // the resend count given to the client. Null on failure, with the client error set.
    IMsgClientLink* GetMsgClient(IMsgClientLink** slot = nullptr, int extra = 0);
    void ReleaseMsgClient(IMsgClientLink** slot = nullptr);

    // IChatRoomSession.
    int EnterRoom(const std::string& roomUrl) override;
    int LeaveRoom() override;
    int LastResult() const override { return static_cast<int>(m_lastError); }

    // The end of this session leaves the dial-up connection up.
    void KeepConnectionAtEnd() { m_keepConnection = true; }

    bool IsLoggedIn() const { return m_loggedIn; }
    std::uint32_t GetLastError() const { return m_lastError; }
    int GetClientError() const { return m_clientError; }
    std::uint16_t GetVersionWord() const { return m_version; }
    std::uint16_t GetLoginType() const { return m_loginType; }
    std::uint32_t GetSequence() const { return m_sequence; }
    const netsession::LoginReply& Reply() const { return m_reply; }
    const std::string& LocalAddress() const { return m_localAddress; }
    std::uint16_t UdpPort() const { return m_udpPort; }
    std::uint16_t TcpPort() const { return m_tcpPort; }
    bool IsInRoom() const { return m_inRoom; }
    IDialupLink* Dialup() const { return m_dialup; }
    CString GetDialupEntryName() const;

private:
    bool PostLogin(std::uint16_t type);
    int PostRoom(std::uint16_t type, const std::string& url);
    bool Post(const std::string& url, const char* path, const std::string& body, std::string* reply);
    void ClearState();
    void SetState(std::uint16_t bits);
    void DeleteDialup();
    std::string LoginId();
    std::string LoginPassword();

    ISessionHost& m_host;
    ISessionNetwork& m_network;
    int m_clientError = 0;
    std::uint32_t m_lastError = 0;
    bool m_inRoom = false;
    std::uint16_t m_version = 0x110;
    std::uint16_t m_loginType = 1;
    netsession::LoginReply m_reply;
    IDialupLink* m_dialup = nullptr;
    std::uint32_t m_sequence = 1;
    bool m_loggedIn = false;
    std::string m_localAddress;
    std::uint16_t m_udpPort = 0;
    std::uint16_t m_tcpPort = 0;
    bool m_keepConnection = false;
};
