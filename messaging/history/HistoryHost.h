// What the history windows (message log, partner list, user list, mood window) need of the
// application and the main window beyond the message windows' opener and friend-list host
// (messaging/recv/MessageWindowHost.h): the user list records, the status word and its
// announcement, log-in and lock state, the main window's list flags and image list, the
// application's list of log windows. The application implements it and registers it at start-up;
// tests register doubles/HistoryDoubles.h. Portable: windows travel as opaque handles.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>

// One row of the application's friend or user list (the user list's first row is the user's own).
struct ListUser {
    CString name;
    CString commId;
    std::int32_t status = 0;
    std::int32_t image = 0; // icon index in the main window's image list
};

class IHistoryHost {
public:
    virtual ~IHistoryHost() = default;

    // Identity and state.
    virtual CString OwnCommId() const = 0;
    virtual CString OwnName() const = 0;
    // Both log-in bits with a message client.
    virtual bool IsLoggedIn() const = 0;
    // The service's web functions (state bits 0x0F00 with a message client).
    virtual bool WebFunctionsAvailable() const = 0;
    // A service login object exists.
    virtual bool HasLogin() const = 0;
    virtual bool IsModal() const = 0;
    virtual void SetModalState(bool enter) = 0;
    // A request holds "PmWaitObject" (holder kind not 0).
    virtual bool RequestLockHeld() const = 0;
    virtual bool DatabaseAvailable() const = 0;

    // The application's lists.
    virtual int FriendCount() const = 0;
    virtual bool GetFriend(int index, ListUser* user) const = 0;
    virtual int UserCount() const = 0;
    virtual bool GetUser(int index, ListUser* user) const = 0;

    // The status word (bits 4 to 7 the mood) and its announcement by the main window.
    virtual std::uint32_t GetStatusWord() const = 0;
    virtual void SetStatusWord(std::uint32_t status) = 0;
    virtual void SendPresence() = 0;
    virtual void UpdateOwnStatus() = 0;

    // The main window's list state and requests.
    virtual bool ListEnabled() const = 0;
    virtual std::uint32_t PreferenceFlags() const = 0;
    virtual void QueueRequest(std::uint16_t kind) = 0;
    // Deferred-request bits of the main window (bit 0: user list refresh).
    virtual void SetDeferredRequest(unsigned bit) = 0;
    virtual std::uintptr_t GetFocusList() const = 0;
    virtual void SetFocusList(std::uintptr_t list) = 0;
    // The main window's 16 x 16 icon image list (an HIMAGELIST), or 0.
    virtual std::uintptr_t IconImageList() const = 0;
    // The main window (the owner of the windows the lists open), or 0.
    virtual std::uintptr_t MainWindow() const = 0;

    virtual bool CopyToClipboard(const CString& text) = 0;
    // The application's list of open log windows.
    virtual void AddLogWindow(std::uintptr_t window) = 0;
    virtual void RemoveLogWindow(std::uintptr_t window) = 0;
};

namespace messaging {
// Registered host; never null (answers of a logged-out program without lists stand in).
void SetHistoryHost(IHistoryHost* host);
IHistoryHost& HistoryHost();
} // namespace messaging
