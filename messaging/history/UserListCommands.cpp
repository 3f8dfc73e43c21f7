#include "messaging/history/UserListCommands.h"

namespace {
constexpr std::uint16_t kUserListRequest = 2;
PartnerRef Partner(const ListUser& user)
{
    PartnerRef partner;
    partner.commId = user.commId;
    partner.commName = user.name;
    return partner;
}
constexpr unsigned kUserListDeferredBit = 0;
} // namespace

history::UserMenuState CUserListCommands::MenuState(int row) const
{
    history::UserMenuInput input;
    ListUser user;
    const bool selected = Entry(row, &user);
    input.row = selected ? row : -1;
    input.ownRow = selected && user.commId == m_host.OwnCommId();
    input.phoneExists = m_opener.PhoneExists();
    input.phoneSessionActive = m_opener.PhoneSessionActive();
    input.listEnabled = m_host.ListEnabled();
    input.loggedIn = m_host.IsLoggedIn();
    input.refreshAllowed = (m_host.PreferenceFlags() & 1u) != 0;
    input.databaseAvailable = m_host.DatabaseAvailable();
    return history::UserMenuRules(input);
}

void CUserListCommands::Send(int row)
{
    ListUser user;
    if (!m_host.IsLoggedIn() || !m_host.ListEnabled() || !Entry(row, &user))
        return;
    m_opener.OpenSendWindow(Partner(user), true);
}

void CUserListCommands::Refresh()
{
    if ((m_host.PreferenceFlags() & 1u) == 0)
        return;
    if (m_host.RequestLockHeld())
        m_host.SetDeferredRequest(kUserListDeferredBit);
    else
        m_host.QueueRequest(kUserListRequest);
}

void CUserListCommands::CopyId(int row)
{
    ListUser user;
    if (Entry(row, &user))
        m_host.CopyToClipboard(user.commId);
}

void CUserListCommands::CopyName(int row)
{
    ListUser user;
    if (Entry(row, &user))
        m_host.CopyToClipboard(user.name);
}

void CUserListCommands::Memo(int row)
{
    ListUser user;
    if (!Entry(row, &user) || user.commId.IsEmpty() || user.name.IsEmpty())
        return;
    m_opener.OpenMemo(Partner(user));
}

void CUserListCommands::Call(int row)
{
    ListUser user;
    if (!m_opener.PhoneExists() || !m_opener.PhoneSessionActive() || !InFocus() || !Entry(row, &user))
        return;
    m_opener.DialCommId(user.commId);
}

void CUserListCommands::History(int row)
{
    ListUser user;
    if (!InFocus() || !Entry(row, &user) || user.commId.IsEmpty() || user.name.IsEmpty())
        return;
    m_opener.OpenMessageLog(Partner(user));
}

void CUserListCommands::Room(int row)
{
    ListUser user;
    if (Entry(row, &user))
        m_opener.OpenUserRoom(user.commId);
}

void CUserListCommands::Page(int row)
{
    ListUser user;
    if (InFocus() && m_opener.BrowserExists() && Entry(row, &user))
        m_opener.OpenProfilePage(user.commId);
}

void CUserListCommands::SetMyStatus(std::uint32_t status)
{
    m_host.SetStatusWord(status);
    m_host.SendPresence();
    m_host.UpdateOwnStatus();
}
