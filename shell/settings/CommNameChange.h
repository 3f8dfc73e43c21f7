// The communication-name change of the messaging settings page: the registered call ID is
// withdrawn first (the phone's call session ended before), then the account service is asked for
// the new name. A step the service refuses stops the change with one message; the user is asked
// to log in again only when the account changed or the call session was ended.
#pragma once

#include "net/forms/ServiceForms.h"
#include "shell/common/settings/NetInfo.h"

// What the change needs of the program.
class INameChangeHost {
public:
    static constexpr int kNoNumber = -0x7FFFFFFF;
    virtual ~INameChangeHost() = default;
    virtual bool IsLoggedIn() = 0;
    // The phone window ends its call session (hangs up first).
    virtual void EndPhoneSession() = 0;
    // NetInfo saved.
    virtual void SaveAccount() = 0;
    // The main window and the home page follow a new communication ID and name.
    virtual void UpdateOwnName(const CString& newCommId, const CString& newName, const CString& newData,
                               const CString& oldCommId) = 0;
    // The user-information page shows the account again.
    virtual void RefreshNetworkInfo() = 0;
    // A string-table message, with a number appended unless kNoNumber.
    virtual void ShowMessage(unsigned textId, int number, unsigned flags) = 0;
    // The service's own text.
    virtual void ShowServiceText(const CString& text, unsigned flags) = 0;
    virtual void LogOut() = 0;
};

struct NameChangeResult {
    bool changed = false;          // the account holds the service's new values
    bool phoneSessionEnded = false;
    int result = 0;                // 0, the form's result, or the withdrawal's
    bool loggedOut = false;
};

class CCommNameChange {
public:
    static constexpr unsigned kFailedText = 14102;
    static constexpr unsigned kReloginText = 258;
    static constexpr unsigned kStopIcon = 0x10;
    static constexpr unsigned kWarningIcon = 0x30;

    CCommNameChange(CNetInfo& info, CServiceForms& forms, INameChangeHost& host)
        : m_info(info), m_forms(forms), m_host(host)
    {
    }
    NameChangeResult Run(const CString& newName);

private:
    // A failed post: -1 (no reply) stands for the form's own error.
    int Number(int result) const;

    CNetInfo& m_info;
    CServiceForms& m_forms;
    INameChangeHost& m_host;
};
