// What the message windows (received, send, log, memo, friend list) need of the application and
// of the windows of other folders, which messaging/ can't include: the main window, the send,
// log and memo windows, the phone and voice-clip panels, the browser, balloons and the tray. The
// application implements these and registers them at start-up (as toolkit/win/SkinHost.h's
// sources are registered); tests register the recording doubles of doubles/RecvDoubles.h.
// Portable: windows travel as opaque handles.
#pragma once

#include "shell/common/services/PartnerRef.h"
#include "framework/core/CString.h"

#include <cstdint>


// Opening the other windows and pages.
class IMessageWindowOpener {
public:
    virtual ~IMessageWindowOpener() = default;
    // The send window for a reply (recipient fixed) or a new message (empty partner, recipient
    // editable): an existing one gets 0x40A 100 with the partner, sent (not posted), comes to
    // the front and is moved to 170 pixels left of and above the desktop centre; otherwise one
    // is created with the main window as parent. Either way it joins the tray's window list.
    virtual void OpenSendWindow(const PartnerRef& partner, bool reply) = 0;
    // The send window (created hidden when there is none) is posted 0x40A 105 with the ID.
    virtual void RequestReadNotice(const CString& senderId) = 0;
    virtual void OpenMessageLog(const PartnerRef& partner) = 0;
    // A memo window for the partner, then the normal balloon's memo event.
    virtual void OpenMemo(const PartnerRef& partner) = 0;
    // The phone window: whether it exists, whether its session is active, dialling an ID.
    virtual bool PhoneExists() const = 0;
    virtual bool PhoneSessionActive() const = 0;
    virtual void DialCommId(const CString& commId) = 0;
    // The voice-clip panel beside window, in front, loading file; false when there is none.
    virtual bool PlayVoiceClip(std::uintptr_t beside, const CString& file) = 0;
    // The main window's operations.
    virtual void OpenUrl(const CString& url) = 0;
    virtual void RunMailCommand() = 0;
    virtual void OpenUserRoom(const CString& commId) = 0;
    // The program's browser window: whether it exists, and what it is asked to open.
    virtual bool BrowserExists() const = 0;
    virtual void OpenProfilePage(const CString& commId) = 0;
    virtual void OpenProfileSearch() = 0;
    virtual void OpenFileInBrowser(const CString& path) = 0;
    // A page asked for a new window: the program's browser window for new windows comes to the
    // front (or is opened) and its WebBrowser application object (an IDispatch*, one reference
    // for the caller) is returned; null when there is none.
    virtual void* OpenBannerTarget() { return nullptr; }
    // Balloon events of the "Normal" balloon window (31: a message that is not stored was deleted).
    virtual void ShowBalloonEvent(int event) = 0;
    // Open menus of the program's windows close (a window that comes up closes them).
    virtual void CloseOpenMenus() {}
    // The tray icon's list of windows.
    virtual void AddTrayWindow(std::uintptr_t window) = 0;
    virtual void RemoveTrayWindow(std::uintptr_t window) = 0;
};

// One row of the friend list as the main window filled it.
struct FriendEntry {
    CString name;
    CString commId;
    int state = 0; // 1: offline; 3: mail only
};

// The main window's friend-list state.
class IFriendListHost {
public:
    virtual ~IFriendListHost() = default;
    virtual bool GetFriend(int index, FriendEntry* entry) const = 0;
    virtual bool FriendListArrived() const = 0;
    // The list window that had the focus last (NM_SETFOCUS records it).
    virtual std::uintptr_t GetFocusList() const = 0;
    virtual void SetFocusList(std::uintptr_t list) = 0;
    // Refresh: while the request lock is held the pending bit 2 is set (the main window queues
    // the request later); otherwise the friend-list request (kind 3) is queued now.
    virtual bool RequestLockHeld() const = 0;
    virtual void SetRefreshPending(unsigned bit) = 0;
    virtual void QueueRequest(std::uint16_t kind) = 0;
    virtual bool IsLoggedIn() const = 0;
    virtual CString OwnCommId() const = 0;
    virtual bool DatabaseAvailable() const = 0;
    virtual bool CopyToClipboard(const CString& text) = 0;
};

namespace messaging {

// Registered services; never null (answers that do nothing stand in while none is registered).
void SetWindowOpener(IMessageWindowOpener* opener);
IMessageWindowOpener& Opener();
void SetFriendListHost(IFriendListHost* host);
IFriendListHost& FriendHost();

} // namespace messaging
