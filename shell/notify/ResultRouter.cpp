#include "shell/notify/ResultRouter.h"

#include "messaging/wire/PmRecords.h"
#include "framework/win/WaitCursor.h"
#include "shell/common/utilities/WinUtil.h"

void CResultRouter::OnMessageResult(WPARAM wParam, LPARAM lParam)
{
    CWaitCursor busy(winutil::LoadBusyCursor());
    PmPostedRecord* record = PmRecordFromParam(lParam);
    const int result = static_cast<int>(wParam);
    notify::MessageResultState state;
    state.result = result;
    state.hasRecord = record != nullptr;
    state.negativeSequence = record && static_cast<std::int32_t>(record->Sequence()) < 0;
    state.hasClient = m_host.HasMessageClient();
    if (state.hasClient) {
        state.holderKind = m_host.GetHolderKind();
        state.hasSendWindow = ::IsWindow(m_host.GetSendWindow()) != FALSE;
        state.queueHeadIsMessageList = m_host.QueueHeadIsMessageList();
        state.hasReceiveWindow = ::IsWindow(m_host.GetReceiveWindow()) != FALSE;
        state.messaging = m_host.IsMessaging();
    }
    const notify::MessageResultActions a = notify::DecideMessageResult(state);

    if (a.reportError)
        m_host.ReportError(m_host.GetLastResult());
    if (a.postToSend) {
        LPARAM sendParam = 0;
        if (a.sendLParamIsSequence)
            sendParam = static_cast<LPARAM>(static_cast<std::int32_t>(record->Sequence()));
        else if (a.sendLParamIsLastResult)
            sendParam = m_host.GetLastResult();
        ::PostMessageA(m_host.GetSendWindow(), kForwardMessage, static_cast<WPARAM>(a.sendWParam), sendParam);
    }
    if (a.runNextForList) {
        m_host.RunNextRequest();
        m_host.UpdateReceiveButton();
    }
    if (a.forwardToReceive) {
        // The record now belongs to the received-message window; a window that can't take it
        // any more (it is going) leaves it to us.
        if (::PostMessageA(m_host.GetReceiveWindow(), kForwardMessage, wParam, lParam))
            return;
        PmFreePostedRecord(record);
        return;
    }
    if (a.unlock)
        m_host.UnlockPm();
    if (a.storeArrivalList)
        StoreArrivalList(record);
    if (a.commit != notify::kCommitNone)
        m_host.CommitReceivedFile(a.commit == notify::kCommitKeep);
    if (a.runNext)
        m_host.RunNextRequest();
    PmFreePostedRecord(record);
}

void CResultRouter::OnListResult(WPARAM wParam, LPARAM lParam)
{
    CWaitCursor busy(winutil::LoadBusyCursor());
    PmPostedRecord* record = PmRecordFromParam(lParam);
    notify::ListResultState state;
    state.result = static_cast<int>(wParam);
    state.hasRecord = record != nullptr;
    state.hasClient = m_host.HasMessageClient();
    state.messaging = state.hasClient && m_host.IsMessaging();
    state.sessionHasClient = state.messaging && m_host.SessionHasMessageClient();
    const notify::ListResultActions a = notify::DecideListResult(state);
    if (a.fillList) {
        m_host.SetListReceived();
        const int kind = notify::ListBlockKind(record);
        if (kind == PM_LIST_KIND_FRIENDS || kind == PM_LIST_KIND_URLS)
            FillUserList(kind, record);
    }
    if (a.reportError)
        m_host.ReportError(m_host.GetLastResult());
    if (a.unlock)
        m_host.UnlockPm();
    if (a.runNext)
        m_host.RunNextRequest();
    PmFreePostedRecord(record);
}

void CResultRouter::StoreArrivalList(const PmPostedRecord* record)
{
    const std::vector<notify::ArrivalEntry> entries = notify::ReadArrivalList(record);
    m_host.SetArrivals(entries);
    if (!entries.empty()) {
        m_host.BlinkReceiveButton();
        m_host.PlayArrivalSound();
    }
    m_host.SetMessageArrive(static_cast<int>(entries.size()));
    m_host.MergeMessageLists();
}

void CResultRouter::FillUserList(int listKind, const PmPostedRecord* record)
{
    const notify::OwnUser own = m_host.GetOwnUser();
    std::string ownNewName;
    const std::vector<notify::UserRow> rows =
        notify::BuildUserRows(listKind, own, m_host.GetFriendOwnRowName().str(), record, &ownNewName);
    m_host.SetUserRows(listKind, rows);
    if (!ownNewName.empty())
        m_host.UpdateOwnName(CString(own.id), CString(ownNewName), CString());
    m_host.ShowUserList(listKind);
}

void FillUserListView(HWND list, const std::vector<notify::UserRow>& rows, HIMAGELIST images, bool urlList)
{
    if (!::IsWindow(list))
        return;
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    ::SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    ::SendMessageA(list, LVM_DELETECOLUMN, 0, 0);
    RECT client;
    ::GetClientRect(list, &client);
    const int perPage = static_cast<int>(::SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int width = notify::ListColumnWidth(client.right - client.left, static_cast<int>(rows.size()), perPage,
                                              ::GetSystemMetrics(SM_CXVSCROLL));
    char heading[] = "ITEM_HEAD";
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = heading;
    column.cx = width;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    const COLORREF textColour = static_cast<COLORREF>(::SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0));
    int at = 0;
    for (const notify::UserRow& row : rows) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = at;
        item.pszText = const_cast<char*>(row.name.c_str());
        item.iImage = row.icon & 63;
        item.lParam = (urlList && at == 0) ? 0xFF0000 : textColour;
        if (::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) >= 0)
            ++at;
    }
}
