#include "messaging/lists/FriendCommands.h"

namespace {
constexpr std::uint16_t kFriendListRequest = 3;
constexpr unsigned kFriendRefreshPendingBit = 2;
}

FriendMenuState CFriendCommands::MenuState(int row) const
{
    FriendMenuInput input;
    FriendEntry entry;
    input.focusIsThisList = InFocus();
    input.rowSelected = Entry(row, &entry);
    input.entryState = input.rowSelected ? entry.state : 0;
    input.databaseAvailable = m_host.DatabaseAvailable();
    input.phoneExists = m_opener.PhoneExists();
    input.phoneSessionActive = m_opener.PhoneSessionActive();
    input.friendListArrived = m_host.FriendListArrived();
    input.loggedIn = m_host.IsLoggedIn();
    return FriendMenuRules(input);
}

void CFriendCommands::Send(int row)
{
    FriendEntry entry;
    if (!InFocus() || !Entry(row, &entry))
        return;
    if (entry.state == 3) {
        m_opener.RunMailCommand();
        return;
    }
    if (m_host.IsLoggedIn() && m_host.FriendListArrived())
        m_opener.OpenSendWindow(PartnerRef{entry.commId, entry.name}, true);
}

void CFriendCommands::Refresh()
{
    if (m_host.RequestLockHeld())
        m_host.SetRefreshPending(kFriendRefreshPendingBit);
    else
        m_host.QueueRequest(kFriendListRequest);
}

void CFriendCommands::CopyId(int row)
{
    FriendEntry entry;
    if (Entry(row, &entry))
        m_host.CopyToClipboard(entry.commId);
}

void CFriendCommands::CopyName(int row)
{
    FriendEntry entry;
    if (Entry(row, &entry))
        m_host.CopyToClipboard(entry.name);
}

void CFriendCommands::Memo(int row)
{
    FriendEntry entry;
    if (!InFocus() || !Entry(row, &entry) || entry.commId.IsEmpty() || entry.name.IsEmpty())
        return;
    m_opener.OpenMemo(PartnerRef{entry.commId, entry.name});
}

void CFriendCommands::Call(int row)
{
    FriendEntry entry;
    if (!m_opener.PhoneExists() || !InFocus() || !Entry(row, &entry) || entry.state == 3)
        return;
    if (!m_host.IsLoggedIn() || !m_host.FriendListArrived() || entry.commId.IsEmpty() || entry.name.IsEmpty() ||
        entry.commId == m_host.OwnCommId())
        return;
    m_opener.DialCommId(entry.commId);
}

void CFriendCommands::History(int row)
{
    FriendEntry entry;
    if (!InFocus() || !Entry(row, &entry) || entry.commId.IsEmpty() || entry.name.IsEmpty() ||
        entry.commId == m_host.OwnCommId())
        return;
    m_opener.OpenMessageLog(PartnerRef{entry.commId, entry.name});
}

void CFriendCommands::Room(int row)
{
    FriendEntry entry;
    if (Entry(row, &entry))
        m_opener.OpenUserRoom(entry.commId);
}

void CFriendCommands::DeletePage()
{
    if (m_opener.BrowserExists())
        m_opener.OpenProfileSearch();
}
