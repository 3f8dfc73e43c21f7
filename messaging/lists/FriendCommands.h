// The friend list window's commands on its selected row, over the main window's friend-list
// state and the opener of other windows (messaging/recv/MessageWindowHost.h). The window passes
// its list's handle and the selected row (-1 for none). Portable.
#pragma once

#include "messaging/lists/ListRules.h"
#include "messaging/recv/MessageWindowHost.h"

#include <cstdint>

class CFriendCommands {
public:
    CFriendCommands(IFriendListHost& host, IMessageWindowOpener& opener, std::uintptr_t list)
        : m_host(host), m_opener(opener), m_list(list) {}

    // The context menu's state for the row (see FriendMenuRules).
    FriendMenuState MenuState(int row) const;
    void Send(int row);     // 32771 and a double click: a message, or a mail for state 3
    void Refresh();         // 32788
    void CopyId(int row);   // 32808
    void CopyName(int row); // 32809
    void Memo(int row);     // 32823
    void Call(int row);     // 32810
    void History(int row);  // 32802
    void Room(int row);     // 32772
    void DeletePage();      // 32805
    // NM_SETFOCUS of the list: it becomes the main window's focus list.
    void OnListFocus() { m_host.SetFocusList(m_list); }

private:
    bool InFocus() const { return m_host.GetFocusList() == m_list; }
    bool Entry(int row, FriendEntry* entry) const { return row >= 0 && m_host.GetFriend(row, entry); }

    IFriendListHost& m_host;
    IMessageWindowOpener& m_opener;
    std::uintptr_t m_list;
};
