// A recording double of the history windows' host: what the windows asked (status set, presence
// sent, requests queued, copies, log windows registered) goes to the shared event log of the
// message windows' doubles, and every answer is a public field that tests set. Portable.
#pragma once

#include "messaging/history/HistoryHost.h"
#include "messaging/recv/doubles/RecvDoubles.h"

#include <string>
#include <vector>

class CFakeHistoryHost : public IHistoryHost {
public:
    explicit CFakeHistoryHost(CRecvEventLog& log) : m_log(log) {}

    CString OwnCommId() const override { return ownId; }
    CString OwnName() const override { return ownName; }
    bool IsLoggedIn() const override { return loggedIn; }
    bool WebFunctionsAvailable() const override { return web; }
    bool HasLogin() const override { return login; }
    bool IsModal() const override { return modal > 0; }
    void SetModalState(bool enter) override
    {
        modal += enter ? 1 : -1;
        m_log.Add(enter ? "modal on" : "modal off");
    }
    bool RequestLockHeld() const override { return lockHeld; }
    bool DatabaseAvailable() const override { return database; }
    int FriendCount() const override { return static_cast<int>(friends.size()); }
    bool GetFriend(int index, ListUser* user) const override { return Get(friends, index, user); }
    int UserCount() const override { return static_cast<int>(users.size()); }
    bool GetUser(int index, ListUser* user) const override { return Get(users, index, user); }
    std::uint32_t GetStatusWord() const override { return status; }
    void SetStatusWord(std::uint32_t value) override
    {
        status = value;
        m_log.Add("status " + std::to_string(value));
    }
    void SendPresence() override { m_log.Add("presence"); }
    void UpdateOwnStatus() override { m_log.Add("own-status"); }
    bool ListEnabled() const override { return listEnabled; }
    std::uint32_t PreferenceFlags() const override { return preferences; }
    void QueueRequest(std::uint16_t kind) override { m_log.Add("queue " + std::to_string(kind)); }
    void SetDeferredRequest(unsigned bit) override { m_log.Add("deferred " + std::to_string(bit)); }
    std::uintptr_t GetFocusList() const override { return focusList; }
    void SetFocusList(std::uintptr_t list) override { focusList = list; }
    std::uintptr_t IconImageList() const override { return imageList; }
    std::uintptr_t MainWindow() const override { return mainWindow; }
    bool CopyToClipboard(const CString& text) override
    {
        m_log.Add("copy " + text.str());
        return true;
    }
    void AddLogWindow(std::uintptr_t) override { m_log.Add("log-window add"); }
    void RemoveLogWindow(std::uintptr_t) override { m_log.Add("log-window remove"); }

    CString ownId = "OWN0000000000001";
    CString ownName = "own";
    bool loggedIn = true;
    bool web = true;
    bool login = true;
    int modal = 0;
    bool lockHeld = false;
    bool database = true;
    std::vector<ListUser> friends;
    std::vector<ListUser> users;
    std::uint32_t status = 0;
    bool listEnabled = true;
    std::uint32_t preferences = 1;
    std::uintptr_t focusList = 0;
    std::uintptr_t imageList = 0;
    std::uintptr_t mainWindow = 0;

private:
    static bool Get(const std::vector<ListUser>& list, int index, ListUser* user)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= list.size())
            return false;
        *user = list[static_cast<std::size_t>(index)];
        return true;
    }
    CRecvEventLog& m_log;
};
