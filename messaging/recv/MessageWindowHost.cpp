#include "messaging/recv/MessageWindowHost.h"

namespace {

class NoOpener : public IMessageWindowOpener {
public:
    void OpenSendWindow(const PartnerRef&, bool) override {}
    void RequestReadNotice(const CString&) override {}
    void OpenMessageLog(const PartnerRef&) override {}
    void OpenMemo(const PartnerRef&) override {}
    bool PhoneExists() const override { return false; }
    bool PhoneSessionActive() const override { return false; }
    void DialCommId(const CString&) override {}
    bool PlayVoiceClip(std::uintptr_t, const CString&) override { return false; }
    void OpenUrl(const CString&) override {}
    void RunMailCommand() override {}
    void OpenUserRoom(const CString&) override {}
    bool BrowserExists() const override { return false; }
    void OpenProfilePage(const CString&) override {}
    void OpenProfileSearch() override {}
    void OpenFileInBrowser(const CString&) override {}
    void ShowBalloonEvent(int) override {}
    void AddTrayWindow(std::uintptr_t) override {}
    void RemoveTrayWindow(std::uintptr_t) override {}
};

class NoFriendHost : public IFriendListHost {
public:
    bool GetFriend(int, FriendEntry*) const override { return false; }
    bool FriendListArrived() const override { return false; }
    std::uintptr_t GetFocusList() const override { return 0; }
    void SetFocusList(std::uintptr_t) override {}
    bool RequestLockHeld() const override { return false; }
    void SetRefreshPending(unsigned) override {}
    void QueueRequest(std::uint16_t) override {}
    bool IsLoggedIn() const override { return false; }
    CString OwnCommId() const override { return CString(); }
    bool DatabaseAvailable() const override { return false; }
    bool CopyToClipboard(const CString&) override { return false; }
};

NoOpener g_noOpener;
NoFriendHost g_noFriendHost;
IMessageWindowOpener* g_opener = nullptr;
IFriendListHost* g_friendHost = nullptr;

} // namespace

namespace messaging {

void SetWindowOpener(IMessageWindowOpener* opener) { g_opener = opener; }
IMessageWindowOpener& Opener() { return g_opener ? *g_opener : g_noOpener; }
void SetFriendListHost(IFriendListHost* host) { g_friendHost = host; }
IFriendListHost& FriendHost() { return g_friendHost ? *g_friendHost : g_noFriendHost; }

} // namespace messaging
