// The program's side of the received-message window and the friend list: the application's
// session, request lock, arrival lists, received files, settings and the main window's receive
// button (IRecvHost); the windows and pages the message windows open (IMessageWindowOpener);
// the main window's friend-list state (IFriendListHost). Registered once with messaging/ when
// the first of those windows is made; the main window creates them through the functions below.
#pragma once

#include "messaging/recv/MessageWindowHost.h"
#include "messaging/recv/RecvServices.h"
#include "messaging/recv/RecvStore.h"

#include <memory>

class CClientApp;
class CMsgRecvDlg;
class CFriendListDlg;
class CMsgWindowClientLink;
class CWnd;

class CRecvWindowServices : public IRecvHost, public IMessageWindowOpener, public IFriendListHost {
public:
    explicit CRecvWindowServices(CClientApp& app);
    ~CRecvWindowServices() override;

    // IRecvHost
    bool IsLoggedIn() const override;
    IMsgWindowClient* GetMsgClient() override;
    int& SequenceCounter() override;
    bool LockPm(std::uint16_t kind, unsigned waitMs) override;
    void UnlockPm() override;
    std::uint16_t GetHolderKind() const override;
    void SetHolderKind(std::uint16_t kind) override;
    std::vector<MessageEntry>& Arrivals() override;
    std::vector<MessageEntry>& SavedArrivals() override;
    void MergeMessageLists() override;
    void SetMessageArrive(bool flag) override;
    void PlayArrivalSound() override;
    CString& PendingTempFile() override;
    CString& PendingTargetFile() override;
    bool CommitReceivedFile(bool keep) override;
    CString MakeTempFile(const char* prefix) override;
    bool FileExists(const CString& path) override;
    void RemoveFile(const CString& path) override;
    void ReportError(int code) override;
    void ShowNotice(RecvNotice notice) override;
    int ShowMessage(const CString& text, unsigned flags, bool logged) override;
    bool HistoryAvailable() const override;
    unsigned ProtocolVersionLowByte() const override;
    bool VoiceMessageOption() const override;
    void MessageFont(CString* face, int* points, std::uint32_t* colour) const override;
    CString OwnCommName() const override;
    void BlinkReceiveButton() override;
    void UpdateReceiveButton() override;

    // IMessageWindowOpener
    void OpenSendWindow(const PartnerRef& partner, bool reply) override;
    void RequestReadNotice(const CString& senderId) override;
    void OpenMessageLog(const PartnerRef& partner) override;
    void OpenMemo(const PartnerRef& partner) override;
    bool PhoneExists() const override;
    bool PhoneSessionActive() const override;
    void DialCommId(const CString& commId) override;
    bool PlayVoiceClip(std::uintptr_t beside, const CString& file) override;
    void OpenUrl(const CString& url) override;
    void RunMailCommand() override;
    void OpenUserRoom(const CString& commId) override;
    bool BrowserExists() const override;
    void OpenProfilePage(const CString& commId) override;
    void OpenProfileSearch() override;
    void OpenFileInBrowser(const CString& path) override;
    void* OpenBannerTarget() override;
    void ShowBalloonEvent(int event) override;
    void CloseOpenMenus() override;
    void AddTrayWindow(std::uintptr_t window) override;
    void RemoveTrayWindow(std::uintptr_t window) override;

    // IFriendListHost
    bool GetFriend(int index, FriendEntry* entry) const override;
    bool FriendListArrived() const override;
    // One focus list for the main window's list windows (the user list records its own there).
    std::uintptr_t GetFocusList() const override;
    void SetFocusList(std::uintptr_t list) override;
    bool RequestLockHeld() const override;
    void SetRefreshPending(unsigned bit) override;
    void QueueRequest(std::uint16_t kind) override;
    CString OwnCommId() const override;
    bool DatabaseAvailable() const override;
    bool CopyToClipboard(const CString& text) override;

    IRecvStore& Store() { return m_store; }

private:

    CClientApp& m_app;
    CMsgStoreRecvStore m_store;
    std::unique_ptr<CMsgWindowClientLink> m_link;
};

// Registers the services (once) and creates the received-message window hidden with parent as
// its parent (the main window's host dialog); null when it could not be made.
CMsgRecvDlg* CreateReceiveWindow(CWnd* parent);
// Registers the services (once) and creates the friend list window hidden; null on failure.
CFriendListDlg* CreateFriendListWindow(CWnd* parent);
// Shows the received-message window without activating it and puts it on the tray's window list.
void ShowReceiveWindow(CWnd* window);
// The registered services; null before the first window was made.
CRecvWindowServices* GetRecvWindowServices();
