// What the application object and the main window need of objects that later parts of the
// program provide: the service session (which owns the message-server client) and the main
// window's own operations. Each is registered on the application object by the part that owns
// it; tests register recording doubles.
#pragma once

#include "shell/common/services/RequestQueue.h"

#include "framework/core/CString.h"

class IServiceSession {
public:
    virtual ~IServiceSession() = default;
    virtual bool IsLoggedIn() const = 0;
    // The message-server client as the request queue uses it; null while there is none.
    virtual IRequestClient* GetRequestClient() = 0;

    // Log-in (mode 1 from the main window): 0 when the service answered; the application's
    // connection flags then tell online (0x0F00) and messaging (0x01, 0x02). Non-zero: failure,
    // GetErrorCode tells why.
    virtual int Login(int mode) { (void)mode; return -1; }
    // Ends the session (mode 1 log-out, -1 exit); the connection flags are cleared.
    virtual void Logout(int mode) { (void)mode; }
    virtual int GetErrorCode() const { return 0; }
    // The message client's start result: 0 a running client; a positive message-server code or
    // -1 (it could not start) a failure.
    virtual int GetMessageClientStartResult() const { return 0; }
    // The end of this session leaves the dial-up connection up (a fresh log-in follows).
    virtual void KeepConnectionAtEnd() {}
    // Sends a visited address to the message server (request 18); 0 or a result code.
    virtual int SendVisitedUrl(const CString& address) { (void)address; return 0; }
    // The message client's last result (a messaging code 12000-12255, 0 while there is no client):
    // what a failure it reported is shown as.
    virtual int GetMessageClientLastResult() { return 0; }
    // The dial-up entry the session connected through; empty on the LAN.
    virtual CString GetDialupEntryName() const { return CString(); }
};

// Makes and ends the service sessions of log-in.
class IServiceSessionFactory {
public:
    virtual ~IServiceSessionFactory() = default;
    // A new session, or null when none can be made.
    virtual IServiceSession* CreateSession() = 0;
    virtual void DeleteSession(IServiceSession* session) = 0;
};

// What happens to a file handed over by the shell or a second start.
class IHandoverTarget {
public:
    virtual ~IHandoverTarget() = default;
    virtual void ImportConnectionInfo(const CString& path) = 0;
    virtual void ApplySkinFile(const CString& path) = 0;
};
