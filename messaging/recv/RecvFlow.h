// CRecvFlow: the received-message window's data and flow, driven by the message client's
// results (0x40A), progress notices (0x43D), timer 4 and the user's selections, over the
// interfaces of RecvServices.h. The window (messaging/win) owns one and forwards its events.
//
// A message's way: listed → fetched (16) and shown → with an attachment, fetched again (17) and
// its body received (18) → fetched again (20) → written to the message database → deleted on
// the server (19) → marked deleted, read notice. A message is deleted only once it is stored;
// when it can't be stored it stays on the server and the failure is reported.
#pragma once

#include "messaging/recv/RecvServices.h"

#include <cstdint>

struct PmPostedRecord;
struct PmMessageList;

// Busy states of the window.
enum RecvBusyState : int {
    kBusyIdle = 0,
    kBusyList = 1,
    kBusyFetch = 2,
    kBusyBody = 3,
    kBusyDelete = 4,
    kBusyOffline = 240,
};

// Deferred work flags (timer 4).
enum : std::uint16_t {
    kDeferFetchFirst = 0x0001,
    kDeferList = 0x0004,
};

constexpr unsigned kDeferredTimerMs = 3000;

enum class RecvSelectSource { Click, Key, ContextMenu };

class CRecvFlow {
public:
    CRecvFlow(IRecvHost& host, IRecvStore& store, IRecvView& view);

    // The window that receives the progress notices of body transfers.
    void SetWindowHandle(std::uintptr_t window) { m_window = window; }

    // After the controls are set up: fill and show what is waiting, or ask for the list.
    void Initialise();
    // Refresh button and menu (banner flag TRUE) and the window's close (FALSE).
    void Refresh(bool bannerRefresh);
    // Esc: clear and ask for the list without looking at the busy state.
    void Cancel();
    void ClearAll();
    int RequestList();
    void FetchFirstUnread();
    // 1 when a request went out, 0 when nothing was done, -1 when the lock could not be had.
    int FetchMessage(int index, std::uint16_t holderKind);
    void ShowMessage(int index);
    int DeleteMessage(std::uint32_t number, std::uint16_t holderKind);

    // Message 0x40A: wParam and lParam as posted. Every record (all codes but 103 and 104,
    // which carry none) is freed here exactly once.
    void OnMessage(int wParam, std::intptr_t lParam);
    // Message 0x43D.
    void OnProgress(std::uintptr_t wParam, std::intptr_t lParam);
    // Timer 4.
    void OnTimer();
    // A row chosen by a click, an arrow key or the context menu (-1: none).
    void OnListSelect(int row, RecvSelectSource source);
    // Button 1390.
    void OnCancelTransfer();
    // The window goes: attachment files of all entries and the current one are removed.
    void OnDestroy();

    void SetBusyState(int state);
    int GetBusyState() const { return m_busyState; }
    // Not busy: no one holds the request lock and the window's own work is done.
    bool IsIdle() const;
    int GetCurrentIndex() const { return m_currentIndex; }
    std::uint16_t GetDeferredWork() const { return m_deferred; }
    bool IsDeferredTimerRunning() const { return m_timerRunning; }
    const CString& GetAttachmentFile() const { return m_attachmentFile; }
    int GetTransferPercent() const { return m_transferPercent; }
    bool GetBannerRefresh() const { return m_bannerRefresh; }
    void RefreshBanner(bool force);
    // The selection buttons for an entry (play and attachment).
    void ApplySelectionButtons(int index);

private:
    void MergeList(const PmMessageList& list);
    void FillList(bool append);
    void AnnounceArrivals();
    void PrepareAttachment(int index);
    void ReceiveAttachment(const CString& target);
    bool StoreBeforeDelete(int index);
    void FinishDelete(int index);
    void OnFetched(const PmPostedRecord* record);
    void OnFetchedForDelete(const PmPostedRecord* record);
    void OnBodyReceived(const PmPostedRecord* record);
    void OnFailed(std::uint16_t holderKind, bool bodyTransfer);
    void ReleaseOwnLock();
    void SetStatus(RecvStatus status, int number = 0);
    void DeferWork(std::uint16_t flag);
    void StopDeferredWork();
    void ResetTransfer();
    int FindEntry(std::uint32_t number) const;
    bool ValidIndex(int index) const;
    MessageEntry* EntryAt(int index);

    IRecvHost& m_host;
    IRecvStore& m_store;
    IRecvView& m_view;
    std::uintptr_t m_window = 0;
    int m_busyState = kBusyIdle;
    int m_currentIndex = 0;
    std::uint16_t m_deferred = 0;
    bool m_timerRunning = false;
    double m_transferTotal = 0.0;
    std::uint64_t m_transferReceived = 0;
    int m_transferPercent = 0;
    CString m_attachmentFile;
    RecvStatus m_status = RecvStatus::Empty;
    bool m_bannerRefresh = true;
    std::uint32_t m_fetchNumber = 0;  // the number of the fetch that is running
    std::uint32_t m_deleteNumber = 0; // the number of the delete that is running
    bool m_deletePending = false;
};
