#include "messaging/history/HistoryHost.h"

namespace {

class NoHistoryHost : public IHistoryHost {
public:
    CString OwnCommId() const override { return CString(); }
    CString OwnName() const override { return CString(); }
    bool IsLoggedIn() const override { return false; }
    bool WebFunctionsAvailable() const override { return false; }
    bool HasLogin() const override { return false; }
    bool IsModal() const override { return false; }
    void SetModalState(bool) override {}
    bool RequestLockHeld() const override { return false; }
    bool DatabaseAvailable() const override { return false; }
    int FriendCount() const override { return 0; }
    bool GetFriend(int, ListUser*) const override { return false; }
    int UserCount() const override { return 0; }
    bool GetUser(int, ListUser*) const override { return false; }
    std::uint32_t GetStatusWord() const override { return m_status; }
    void SetStatusWord(std::uint32_t status) override { m_status = status; }
    void SendPresence() override {}
    void UpdateOwnStatus() override {}
    bool ListEnabled() const override { return false; }
    std::uint32_t PreferenceFlags() const override { return 0; }
    void QueueRequest(std::uint16_t) override {}
    void SetDeferredRequest(unsigned) override {}
    std::uintptr_t GetFocusList() const override { return m_focus; }
    void SetFocusList(std::uintptr_t list) override { m_focus = list; }
    std::uintptr_t IconImageList() const override { return 0; }
    std::uintptr_t MainWindow() const override { return 0; }
    bool CopyToClipboard(const CString&) override { return false; }
    void AddLogWindow(std::uintptr_t) override {}
    void RemoveLogWindow(std::uintptr_t) override {}

private:
    std::uint32_t m_status = 0;
    std::uintptr_t m_focus = 0;
};

NoHistoryHost g_none;
IHistoryHost* g_host = nullptr;

} // namespace

namespace messaging {
void SetHistoryHost(IHistoryHost* host) { g_host = host; }
IHistoryHost& HistoryHost() { return g_host ? *g_host : g_none; }
} // namespace messaging
