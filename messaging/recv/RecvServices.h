// What the received-message window needs of the message client, the application, the message
// database, its own controls and its timer, as small interfaces. The application (shell/)
// implements IRecvHost and registers it; tests register the recording doubles of
// messaging/recv/doubles. Portable: nothing here includes windows.h.
#pragma once

#include "framework/core/CString.h"
#include "messaging/recv/MessageEntry.h"

#include <cstdint>
#include <vector>

// The message client as the message windows use it (each request steps the application's
// sequence counter and returns 0 when it went out, else a code that is also the last result).
// The send, log and memo windows extend this interface with their own requests.
class IMsgWindowClient {
public:
    virtual ~IMsgWindowClient() = default;
    virtual int RequestList(int& counter) = 0;
    virtual int RequestFetch(int& counter, std::uint32_t number) = 0;
    virtual int RequestDelete(int& counter, std::uint32_t number) = 0;
    // announcedLength: the fetched message's file length; the body may not be longer.
    virtual int RequestBody(int& counter, std::uint32_t number, const CString& destination,
                            std::uint32_t announcedLength) = 0;
    // Progress notices (0x43D) of body transfers go to the window registered here.
    virtual void SetProgressWindow(std::uintptr_t window) = 0;
    virtual void ClearProgressWindow() = 0;
    virtual int GetLastResult() const = 0;
    // Posts 0x406 to the client's window: 0 ends a transfer that is complete, 1000 cancels it.
    virtual void PostCancel(unsigned wParam) = 0;

    // The send window's requests. option: 0 plain, 1 read receipt asked for, 2 a read receipt.
    virtual int SendText(int& counter, const CString& recipientId, const CString& recipientName,
                         const CString& text, int option) = 0;
    // The announcement of a message with an attachment; fileFlag 0x1000000 voice clip, 0x8000000
    // package.
    virtual int SendFile(int& counter, const CString& recipientId, const CString& recipientName,
                         const CString& text, int option, const CString& path, std::uint32_t fileFlag) = 0;
    // The attachment's body over the data connection.
    virtual int SendWithBody(int& counter, const CString& recipientId, const CString& recipientName,
                             const CString& text, int option, const CString& path) = 0;
};

// Holder kinds of the request lock "PmWaitObject" that the received-message window takes.
enum RecvHolderKind : std::uint16_t {
    kHoldFetchShow = 16,
    kHoldFetchAttachment = 17,
    kHoldBody = 18,
    kHoldDelete = 19,
    kHoldFetchDelete = 20,
    kHoldList = 32,
};
bool IsRecvHolderKind(std::uint16_t kind);

// Message boxes the flow shows (string-table ids and the box flags are the window's).
enum class RecvNotice {
    LoggedOut,      // 174, not logged
    NoClient,       // 147, error icon, logged
    NoFile,         // 559, warning, logged
    StoreFailed,    // the message could not be written to the database, logged
    BannerSkin,     // 509, warning, logged: the skin hides or crosses the banner; the host
                    // switches to the base skin, or ends the program when that is the base skin
};

// The application's part: session, lock, arrival lists, files, settings, sounds, the main window.
class IRecvHost {
public:
    virtual ~IRecvHost() = default;
    virtual bool IsLoggedIn() const = 0;
    // The message client; null while there is none.
    virtual IMsgWindowClient* GetMsgClient() = 0;
    virtual int& SequenceCounter() = 0;

    // The request lock. LockPm takes it for kind and returns true; it returns false (and takes
    // nothing) when it could not be had within waitMs. Callers take it only when no one holds it,
    // so the user-interface thread never waits for a holder that only it could release.
    virtual bool LockPm(std::uint16_t kind, unsigned waitMs) = 0;
    virtual void UnlockPm() = 0;
    virtual std::uint16_t GetHolderKind() const = 0;
    // Changes the holder kind of a lock that is held (the body reception takes over the fetch's).
    virtual void SetHolderKind(std::uint16_t kind) = 0;

    // The arrival list and the saved copy that MergeMessageLists restores entries from.
    virtual std::vector<MessageEntry>& Arrivals() = 0;
    virtual std::vector<MessageEntry>& SavedArrivals() = 0;
    // Replaces every arrival that matches a saved entry (sender ID, number, time) by the saved
    // one, then empties the saved list.
    virtual void MergeMessageLists() = 0;
    // false: empties the arrival list and writes MessageArrive 0; true: writes its entry count.
    virtual void SetMessageArrive(bool flag) = 0;
    virtual void PlayArrivalSound() = 0;

    // Received files: the pending temporary and target names; commit copies the temporary file
    // to the target (keep) or drops it, and reports a failure itself. Returns false on failure.
    virtual CString& PendingTempFile() = 0;
    virtual CString& PendingTargetFile() = 0;
    virtual bool CommitReceivedFile(bool keep) = 0;
    // A new empty file in the temporary folder with this prefix; empty when there is none.
    virtual CString MakeTempFile(const char* prefix) = 0;
    virtual bool FileExists(const CString& path) = 0;
    virtual void RemoveFile(const CString& path) = 0;

    virtual void ReportError(int code) = 0;
    virtual void ShowNotice(RecvNotice notice) = 0;
    // A message box with the window's own text (flags: the system box's MB_ bits); logged: the
    // text also goes to the error log. The button chosen, 0 when no box was shown.
    virtual int ShowMessage(const CString& text, unsigned flags, bool logged)
    {
        (void)text, (void)flags, (void)logged;
        return 0;
    }

    // Settings.
    virtual bool HistoryAvailable() const = 0;         // the message database is open
    virtual unsigned ProtocolVersionLowByte() const = 0; // ProtocolVer & 0xFF
    virtual bool VoiceMessageOption() const = 0;        // Flags bit 0x20
    // The font setting with the prefix "Are" (message texts): face, size in points, colour; left
    // as they are (the defaults) when there is no setting.
    virtual void MessageFont(CString* face, int* points, std::uint32_t* colour) const
    {
        (void)face, (void)points, (void)colour;
    }
    // The user's own communication ID and name (the history of no selected row is his own).
    virtual CString OwnCommId() const { return CString(); }
    virtual CString OwnCommName() const { return CString(); }

    // The main window's receive button.
    virtual void BlinkReceiveButton() = 0;
    virtual void UpdateReceiveButton() = 0;
};

// The message database as the window writes to it (CMsgStore's operations).
class IRecvStore {
public:
    virtual ~IRecvStore() = default;
    virtual bool PutUser(const CString& commId, const CString& name) = 0;
    // The new record's number, 0 on failure.
    virtual long AddMessage(const CString& commId, const CString& text, long kind) = 0;
    // The stored copy's path, empty on failure.
    virtual CString StoreAttachmentFile(long kind, const CString& source) = 0;
    virtual bool AddAttachment(long record, const CString& storedPath) = 0;
};

// The status line's texts (the window takes them from its string table).
enum class RecvStatus {
    Empty,
    UnreadCount,  // "%d件の 未読の vy@ntalkがあります."
    Receiving,    // "vy@ntalk 受信中.."
    Progress,     // "添付ﾃﾞｰﾀ受信中 (%d%%)"
    Cancelled,    // "ｷｬﾝｾﾙされました."
    ReceiveError, // "受信中にｴﾗｰが発生しました."
    StoreFailed,  // the message stays on the server: it could not be stored
};

// Button enabling codes 1-12 of the window.
enum RecvButtonCode : int {
    kPlayOn = 1, kPlayOff = 2, kReplyOn = 5, kReplyOff = 6, kRefreshOn = 7, kRefreshOff = 8,
    kHistoryByFlag = 9, kHistoryOff = 10, kAttachmentOn = 11, kAttachmentOff = 12,
};

// The window's controls and the windows it reaches.
class IRecvView {
public:
    virtual ~IRecvView() = default;
    virtual bool IsShown() const = 0;
    // The list: rows follow the arrival list.
    virtual int RowCount() const = 0;
    virtual void DeleteAllRows() = 0;
    virtual void AddRow(const MessageEntry& entry) = 0;
    virtual void SetRowIcon(int row, int icon) = 0;
    virtual void SetRowAttachmentIcon(int row, int icon) = 0;
    virtual int SelectedRow() const = 0; // the selection, else the selection mark, else -1
    virtual void SetListColumnWidth() = 0;
    virtual void ScrollToRow(int row) = 0;
    // The body view: the text as typed, addresses underlined; cleared for null.
    virtual void ShowBody(const MessageEntry* entry) = 0;
    virtual void SetStatus(RecvStatus status, int number) = 0;
    // " 添付: <first file name or ボイスメッセージ>", or empty when the package lists nothing.
    virtual void ShowAttachmentStatus(const MessageEntry& entry) = 0;
    virtual void EnableButton(int code) = 0;
    virtual void EnableCancelButton(bool enable) = 0;
    virtual void SetWaitCursor(bool wait) = 0;
    // Navigates the banner to its page when online, else to "about:blank".
    virtual void LoadBanner() = 0;
    // The body view's character format from the "Are" font setting.
    virtual void ApplyMessageFont() = 0;
    // The "Normal" balloon's event (31: a message that is not stored was deleted).
    virtual void ShowBalloonEvent(int event) = 0;
    // Posts 0x40A 105 with the sender ID to the send window (created hidden when there is none).
    virtual void RequestReadNotice(const CString& senderId) = 0;
    // The voice-clip panel beside this window, in front, loading the file.
    virtual void PlayVoiceClip(const CString& file) = 0;
    // Timer 4 of the deferred work.
    virtual void StartDeferredTimer(unsigned ms) = 0;
    virtual void KillDeferredTimer() = 0;
};
