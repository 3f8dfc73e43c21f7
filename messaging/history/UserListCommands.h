// The user list window's commands on its selected row, over the history host (the application's
// user list, log-in and list state) and the opener of other windows. The window passes its list's
// handle and the selected row (-1 for none). Portable.
#pragma once

#include "messaging/history/HistoryHost.h"
#include "messaging/history/HistoryRules.h"
#include "messaging/recv/MessageWindowHost.h"

#include <cstdint>

class CUserListCommands {
public:
    CUserListCommands(IHistoryHost& host, IMessageWindowOpener& opener, std::uintptr_t list)
        : m_host(host), m_opener(opener), m_list(list) {}

    history::UserMenuState MenuState(int row) const;
    void Send(int row);     // 32771 and a double click on another row than the own
    void Refresh();         // 32788
    void CopyId(int row);   // 32808
    void CopyName(int row); // 32809
    void Memo(int row);     // 32823
    void Call(int row);     // 32810
    void History(int row);  // 32802
    void Room(int row);     // 32772
    void Page(int row);     // 32805
    // The nine mood commands: the whole status word becomes the value, then it is announced.
    void SetMyStatus(std::uint32_t status);
    void OnListFocus() { m_host.SetFocusList(m_list); }

private:
    bool InFocus() const { return m_host.GetFocusList() == m_list; }
    bool Entry(int row, ListUser* user) const { return row >= 0 && m_host.GetUser(row, user); }

    IHistoryHost& m_host;
    IMessageWindowOpener& m_opener;
    std::uintptr_t m_list;
};
