// CSendFlow: the message send window's data and flow, over the interfaces of SendServices.h.
// The window (messaging/send/win) owns one and forwards the user's commands, the client's
// results (0x40A), progress notices (0x43D), drops and its timers to it.
//
// A text goes as one request (kind 33) and is stored as sent when the server accepts it (11);
// a message with an attachment goes as an announcement (35), then its body (36), and is stored
// with its attachment when the body was delivered (14). Read receipts wait in a queue and go out
// one per tick of timer 4 while the window is idle; an entry leaves the queue only when the
// server accepted it.
#pragma once

#include "messaging/send/SendServices.h"

#include <cstdint>
#include <deque>

struct ReceiptEntry {
    CString commId;
    CString timeText;
};

// " %d年%d月%d日%d時%d分 " in code page 932, filled with the time.
CString FormatReceiptTime(const SendLocalTime& time);
// The text limit check: true when the text (bytes) fits.
bool TextFitsLimit(const CString& text, int limit);

class CSendFlow {
public:
    CSendFlow(ISendHost& host, IRecvStore& store, ISendView& view);

    // At construction of the window: the package file in the temporary folder.
    void MakePackagePath();
    // OnInitDialog, after the controls exist.
    void Initialise(bool visible);
    void OnDestroy();

    void OnSend();
    // 0x40A with a result or a state change (10, 11, 14, -1, 103, 104); 100 and 105 come
    // through OpenForPartner and QueueReadReceipt.
    void OnClientEvent(int wParam, std::intptr_t lParam);
    void OpenForPartner(const CString& id, const CString& name, bool clearText);
    void QueueReadReceipt(const CString& id);
    void SendNextReadReceipt();
    void OnLockTimer(); // timer 3
    void OnProgress(std::uintptr_t wParam, std::intptr_t lParam);
    void OnCancelTransfer();
    void OnToggleReceipt();
    void OnReset(bool ctrlDown);
    void OnClose();

    // A dropped file: taken only while the window is idle or a receipt is in flight; false when
    // the drop was refused.
    bool OnDropFile(const CString& path);
    // The file dialog's choice (empty: cancelled).
    void OnFileChosen(const CString& path);
    // Whether the file dialog may open (the package path exists or could be made).
    bool PrepareFileDialog();

    void OnRecordVoice();
    void OnRecordingSaved();
    void OnVoiceRecorderClosed();

    void SetSendState(int state);
    void ResetReceiptRequest();

    int GetState() const { return m_state; }
    bool GetReceiptRequest() const { return m_receiptRequest; }
    const CString& GetAttachmentPath() const { return m_attachmentPath; }
    const CString& GetPackagePath() const { return m_packagePath; }
    const CString& GetCaption() const { return m_caption; }
    const CString& GetRecipientId() const { return m_id; }
    const CString& GetRecipientName() const { return m_name; }
    bool GetVoiceFlag() const { return m_voiceFlag; }
    bool HoldsLock() const { return m_lockHeld; }
    unsigned GetLastPercent() const { return m_lastPercent; }
    const std::deque<ReceiptEntry>& Receipts() const { return m_receipts; }
    bool ReceiptInFlight() const { return m_receiptInFlight; }

private:
    bool TakeLock(std::uint16_t kind);
    void ReleaseSendLock();
    void SendBody();
    void StoreSent(long type);
    void FinishSent();
    void OnAccepted();
    void OnDelivered();
    void OnFailed(int code);
    void ClearAttachment(bool clearCaption);
    void BuildPackageOf(const CString& source);
    void TakeVoiceClip();
    void ResetTransfer();
    void ReleasePanel();
    void SetStatus(SendStatus status, int number = 0);
    bool IsPackage(const CString& path) const { return !path.IsEmpty() && path == m_packagePath; }

    ISendHost& m_host;
    IRecvStore& m_store;
    ISendView& m_view;

    CString m_id;
    CString m_name;
    CString m_caption;
    CString m_attachmentPath;
    CString m_sendingPath;
    CString m_packagePath;
    // The message as it went out: stored when the server accepts it.
    CString m_sentId;
    CString m_sentName;
    CString m_sentText;
    bool m_voiceFlag = false;
    int m_state = kSendIdle;
    bool m_receiptRequest = true;
    double m_attachmentSize = 0.0;
    std::uint64_t m_bytesSent = 0;
    unsigned m_lastPercent = 0;
    bool m_lockHeld = false;
    std::uint16_t m_request = 0; // the holder kind of the request that runs
    std::deque<ReceiptEntry> m_receipts;
    bool m_receiptInFlight = false; // the head of the queue was sent and awaits its answer
};
