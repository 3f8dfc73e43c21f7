// CMsgClientWnd: the message-server client on a hidden window "QELOULIST". It lives from the
// service login to log-out; the main window (its owner) receives every result as 0x403 or 0x404
// with a posted record (messaging/client/PostedRecord.h) and frees it. The logic is
// CMsgClientCore's; this class gives it the window's timers, posted messages, the modal wait, the
// profile values and the traffic logs, and answers the request queue.
//
// Life: construct (at log-in) with the two session records and the owner; Open; ConnectChannel;
// requests...; Shutdown; DestroyWindow; delete.
#pragma once

#include "framework/win/Wnd.h"
#include "messaging/client/MsgClientCore.h"
#include "shell/common/services/RequestQueue.h"

class CMsgClientWnd : public CWnd, public CMsgClientCore, public IRequestClient {
public:
    CMsgClientWnd(const SessionLoginRecord& login, const SessionAddressRecord& address, HWND owner);
    ~CMsgClientWnd() override;

    HWND GetOwnerWindow() const { return m_owner; }
    // The window that receives progress notices (0x43D) of transfers; null for none.
    void SetProgressWindow(HWND window) { m_progress.store(window); }
    void ClearProgressWindow() { m_progress.store(nullptr); }

    // The request queue's entry kinds (URL list, friend list, presence, message list), with the
    // application's counter.
    int StartRequest(const RequestEntry& entry) override;

    using CMsgClientCore::Shutdown;

protected:
    void ArmTimer(int id, unsigned ms) override;
    void StopTimer(int id) override;
    void PostToOwner(unsigned message, int wParam, PmPostedRecord* record) override;
    void PostToSelf(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void PostProgress(std::uint32_t bytes) override;
    bool WaitUntil(const std::function<bool()>& done, unsigned timeoutMs) override;
    void DropQueuedSocketMessages() override;
    nvnet::SocketOwner SocketOwner() override { return m_hWnd; }
    std::string TemporaryFilePath() override;
    std::string UserAgent() override;

    void OnTimer(UINT_PTR id);
    void OnDestroy();
    LRESULT OnSocketMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCancelMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseFilesMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnWorkerGoneMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnWorkerEndMessage(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    HWND m_owner;
    std::atomic<HWND> m_progress{nullptr};
};
