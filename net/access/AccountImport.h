// The connection-information import (.cni files) and the account change that follows it or an
// account form: the file is read and checked whole before anything is applied, the changes are
// compared with the account as it was, the user is told and NetInfo saved. The reading and
// checking is shared with the sign-up program, which applies the values without the rest.
#pragma once

#include "net/forms/ServiceForms.h"
#include "shell/common/settings/NetInfo.h"

#include <cstddef>

// What the account change needs of the program's windows: the message boxes (over the owner the
// caller names, or none), the log-out, the user's own name, the settings page.
class IAccountChangeHost {
public:
    virtual ~IAccountChangeHost() = default;
    // A string-table text; returns the button chosen.
    virtual int ShowMessage(unsigned textId, unsigned flags) = 0;
    // A text of the service, shown and logged.
    virtual void ShowLoggedText(const CString& text, unsigned flags) = 0;
    // The main window logs out (posted: it runs after the caller returns).
    virtual void LogOut() = 0;
    // The main window's own-user entries, the own-user record and the home page follow a new
    // communication ID and name.
    virtual void UpdateOwnName(const CString& newCommId, const CString& newName, const CString& newData,
                               const CString& oldCommId) = 0;
    // The settings dialog, when open, shows the account again.
    virtual void RefreshSettingsPage() = 0;
};

// The kinds of connection-information files.
enum class ConnectionFileKind { Unusable, PcClient, CallClient };

class CAccountImport {
public:
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;
    static constexpr unsigned kWarningFlags = 0x30;

    CAccountImport(CNetInfo& info, CServiceForms& forms, IAccountChangeHost* host)
        : m_info(info), m_forms(forms), m_host(host)
    {
    }

    // Reads the file and imports it. -1 when the file can't be read; 0 otherwise. A file that is
    // too long, not text, of another version or kind, or without an account gets message 14630
    // and changes nothing.
    int ImportConnectionInfo(const char* path);
    // The same for the file's bytes.
    void ImportBytes(const char* data, std::size_t size);

    // Checks a file's bytes and reads its fields into the forms' pending values; nothing is
    // applied. For a call-client file *callId and *callPassword receive the account; a file of
    // the service with a message of its own gives its result above 0 (the text in the forms).
    struct Staged {
        ConnectionFileKind kind = ConnectionFileKind::Unusable;
        int serviceResult = 0;
        CString callId, callPassword;
    };
    Staged Stage(const char* data, std::size_t size);

    // The account as it was, for CompareAccount.
    void SnapshotAccount();
    // 0 no change, 1 a network value (or the call ID) changed, 2 an identity value changed.
    int CompareAccount() const;
    // Compares, informs, updates and saves.
    void ApplyAccountChange();

private:
    CNetInfo& m_info;
    CServiceForms& m_forms;
    IAccountChangeHost* m_host;
    CString m_before[ACCOUNT_FIELD_COUNT];
};
