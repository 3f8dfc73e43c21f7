// What the application object needs of objects that later parts of the program provide: the
// service session (which owns the message-server client), the steps of shut-down that belong to
// the phone and the message service, and the main window's own operations. Each is registered on
// the application object by the part that owns it; tests register recording doubles.
#pragma once

#include "shell/common/services/RequestQueue.h"

#include "framework/core/CString.h"

class IServiceSession {
public:
    virtual ~IServiceSession() = default;
    virtual bool IsLoggedIn() const = 0;
    // The message-server client as the request queue uses it; null while there is none.
    virtual IRequestClient* GetRequestClient() = 0;
};

class IShutdownSteps {
public:
    virtual ~IShutdownSteps() = default;
    // Ends a call in progress and the VoIP session.
    virtual void EndPhoneSession() = 0;
    // Logs the user out of the message service (the message client and the socket time-out
    // thread shut down with it).
    virtual void LogoutMessageService() = 0;
};

// What happens to a file handed over by the shell or a second start.
class IHandoverTarget {
public:
    virtual ~IHandoverTarget() = default;
    virtual void ImportConnectionInfo(const CString& path) = 0;
    virtual void ApplySkinFile(const CString& path) = 0;
};
