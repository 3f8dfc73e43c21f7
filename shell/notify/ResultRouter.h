// CResultRouter: what the main window does with the message client's results, 0x403 (message
// operations) and 0x404 (lists and presence), and the arrival and user lists they fill. The main
// window owns one and passes its two handlers on; the application and the windows it reaches are
// behind IResultRouterHost, so tests post recorded results to a host of their own.
#pragma once

#include "shell/notify/ResultRouting.h"

#include "framework/win/Afx.h"
#include "framework/core/CString.h"

#include <commctrl.h>
#include <vector>

class IResultRouterHost {
public:
    virtual ~IResultRouterHost() = default;
    // The application's state.
    virtual bool HasMessageClient() = 0;
    virtual bool IsMessaging() = 0;
    virtual bool SessionHasMessageClient() = 0;
    virtual int GetHolderKind() = 0;
    virtual bool QueueHeadIsMessageList() = 0;
    virtual int GetLastResult() = 0;
    virtual HWND GetSendWindow() = 0;
    virtual HWND GetReceiveWindow() = 0;
    // The lock, the queue, received files and failures.
    virtual void UnlockPm() = 0;
    virtual void RunNextRequest() = 0; // CClientApp::QueueRequest(1)
    virtual void UpdateReceiveButton() = 0;
    virtual void ReportError(int code) = 0;
    virtual void CommitReceivedFile(bool keep) = 0;
    // Arrivals: the application's arrival list replaced, blink, sound, MessageArrive, merge.
    virtual void SetArrivals(const std::vector<notify::ArrivalEntry>& entries) = 0;
    virtual void BlinkReceiveButton() = 0;
    virtual void PlayArrivalSound() = 0;
    virtual void SetMessageArrive(int count) = 0;
    virtual void MergeMessageLists() = 0;
    // The friend list (kind 1) and the URL list (kind 2).
    virtual void SetListReceived() = 0;
    virtual notify::OwnUser GetOwnUser() = 0;
    virtual CString GetFriendOwnRowName() = 0; // string 303
    virtual void SetUserRows(int listKind, const std::vector<notify::UserRow>& rows) = 0;
    virtual void UpdateOwnName(const CString& id, const CString& name, const CString& secondName) = 0;
    virtual void ShowUserList(int listKind) = 0;
};

class CResultRouter {
public:
    static constexpr UINT kForwardMessage = 0x40A;

    explicit CResultRouter(IResultRouterHost& host) : m_host(host) {}

    // The handlers: lParam is the record (or 0); it is freed unless passed on.
    void OnMessageResult(WPARAM wParam, LPARAM lParam);
    void OnListResult(WPARAM wParam, LPARAM lParam);
    void StoreArrivalList(const PmPostedRecord* record);
    // Also called with no record at start-up and log-out to reset a list to the own row.
    void FillUserList(int listKind, const PmPostedRecord* record);

private:
    IResultRouterHost& m_host;
};

// ShowUserList's filling of a list view: the rows with their icons (AND 63) and, as item data,
// the text colour (0xFF0000 for the own row of the URL list); one column "ITEM_HEAD" as wide as
// the client, less a scroll bar when the rows overflow.
void FillUserListView(HWND list, const std::vector<notify::UserRow>& rows, HIMAGELIST images, bool urlList);
