// What the message send window needs of the application, the voice-clip panel and its own
// controls, as small interfaces. The message client is the message windows' one client
// interface (IMsgWindowClient, messaging/recv/RecvServices.h); the sent messages go to the
// database through IRecvStore, whose send-side implementation writes them as sent.
// Portable: nothing here includes windows.h.
#pragma once

#include "framework/core/CString.h"
#include "messaging/recv/RecvServices.h"

#include <cstdint>

// Holder kinds of the request lock "PmWaitObject" that the send window takes.
enum SendHolderKind : std::uint16_t {
    kHoldSendText = 33,     // a text message or a read receipt
    kHoldSendAnnounce = 35, // the announcement of a message with an attachment
    kHoldSendBody = 36,     // the attachment's body
    kHoldSendList = 37,     // handled when a list arrives; taken by no operation of this window
};

enum SendState : int {
    kSendIdle = 0,
    kSendSending = 1,
    kSendBodyTransfer = 2,
    kSendReceipt = 4,
    kSendOffline = 255,
};

// wParam values of message 0x40A to the send window.
enum SendEvent : int {
    kSendEventFailed = -1,     // lParam: the result code (already reported)
    kSendEventList = 10,
    kSendEventAccepted = 11,   // lParam: the result record's sequence number
    kSendEventDelivered = 14,  // lParam: the result record's sequence number
    kSendEventOpen = 100,      // lParam: const PartnerRef* owned by the sender (sent, not posted)
    kSendEventLogin = 103,     // lParam: 1 logged in, 0 logged out
    kSendEventSettings = 104,
    kSendEventReceipt = 105,   // lParam: a CString* made with new holding the sender's ID; freed here
};

// Attachment kinds as the client sends them and as the database stores them.
constexpr std::uint32_t kSendVoiceClipFlag = 0x1000000;
constexpr std::uint32_t kSendPackageFlag = 0x8000000;
constexpr long kStoredVoiceClip = 1;
constexpr long kStoredPackage = 4;
constexpr std::uint64_t kVoiceClipLimit = 45208;
constexpr std::uint64_t kPackageLimit = 1024000;
constexpr unsigned kSendLockWaitMs = 3000;
constexpr unsigned kReceiptTimerMs = 5000;
// The client's result codes the window looks at.
constexpr int kSendCodeCancelled = 12000;
constexpr int kSendCodeBusy = 12106;

// The message boxes of the window; the host shows each with its string-table text and flags.
enum class SendNotice {
    SendBusy,         // 525, plain
    ReceiptBusy,      // 526, plain
    NoRecipient,      // 173, plain
    LoggedOut,        // 174, plain
    TextTooLong,      // 580 with the limit (number), warning
    NoClient,         // 148, error icon, logged
    NoFile,           // 169, warning
    FileTooLarge,     // 187 with the limit (number), warning
    EmptyText,        // 257, warning
    DeviceBusy,       // 209, warning, logged
    NoVoice,          // 214, warning, logged
    Unsupported,      // 210, warning, not logged
    FileMissing,      // 559, warning, logged
    TooManyFiles,     // 566 with 1 (number), warning, logged
    CannotOpen,       // 560 with a name (text; empty: "添付ﾌｧｲﾙ"), warning, logged
    ReadError,        // 561 with a name (text), warning, logged
    WriteError,       // 562 with "添付ﾌｧｲﾙ", warning, logged
    PackageFailed,    // "添付ﾌｧｲﾙ作成失敗" and "\r\n", flags 0
};

// The status line's texts.
enum class SendStatus {
    Empty,
    Sending,        // 513 "vy@ntalk 送信中.."
    Progress,       // 514 "添付ﾃﾞｰﾀ送信中 (%d%%)"
    SendError,      // 517 "送信中にｴﾗｰが発生しました."
    Cancelled,      // 519 "ｷｬﾝｾﾙされました."
    ReceiptSending, // 526 "開封通知送信中です"
};

struct SendLocalTime {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// The application's message font.
struct SendFont {
    CString face;
    int points = 9;
    std::uint32_t colour = 0; // COLORREF
};

// The voice-clip panel as the send window uses it.
class IVoiceClipPanel {
public:
    virtual ~IVoiceClipPanel() = default;
    virtual bool IsIdle() = 0;
    virtual bool IsRecording() = 0;
    // Starts recording; the record result (GetRecordResult) tells whether it started.
    virtual void Record() = 0;
    virtual void Stop() = 0;
    // The clip file the panel holds; empty when none.
    virtual CString GetClipPath() = 0;
    virtual int GetRecordResult() = 0;
    // Beside window, in front.
    virtual void ShowBeside(std::uintptr_t window) = 0;
    virtual void Hold(bool hold) = 0;
};

// The application's part.
class ISendHost {
public:
    virtual ~ISendHost() = default;
    virtual bool IsLoggedIn() const = 0;
    // The message client; null while there is none.
    virtual IMsgWindowClient* GetMsgClient() = 0;
    virtual int& SequenceCounter() = 0;

    // The request lock: true when it was taken for kind within waitMs; false (nothing taken)
    // when the wait timed out.
    virtual bool LockPm(std::uint16_t kind, unsigned waitMs) = 0;
    virtual void UnlockPm() = 0;
    virtual std::uint16_t GetHolderKind() const = 0;
    virtual void SetHolderKind(std::uint16_t kind) = 0;

    // Settings.
    virtual int TextLimit() const = 0;          // 900, or 128 with the '/' mark
    virtual bool SlashMark() const = 0;         // the network record's mark byte is '/'
    virtual bool ReceiptOffByDefault() const = 0; // preference flag 0x200
    virtual CString ReplyMessage() const = 0;
    virtual bool DatabaseAvailable() const = 0;
    virtual SendLocalTime LocalNow() = 0;
    virtual SendFont MessageFont() const = 0;

    // Files: the size of a file (false when it does not open); a package of one source file
    // (0 or a negative code of AttachPackError); temporary files.
    virtual bool FileSize(const CString& path, std::uint64_t* size) = 0;
    virtual int BuildPackage(const CString& source, const CString& package) = 0;
    virtual CString MakeTempFile(const char* prefix) = 0;
    virtual void RemoveFile(const CString& path) = 0;

    virtual void ReportError(int code) = 0;
    virtual void ShowNotice(SendNotice notice, int number, const CString& text) = 0;
    // The character balloon's event (30: a message was sent).
    virtual void ShowBalloonEvent(int event) = 0;
    virtual void RemoveTrayWindow(std::uintptr_t window) = 0;
    // The voice-clip panel; null when there is none.
    virtual IVoiceClipPanel* VoicePanel() = 0;
};

// What each send state allows.
struct SendControls {
    bool send = false;
    bool recordAttach = false; // record 1037 and attach 1395
    bool reset = false;
    bool cancel = false;
    bool textEditable = false;
};
SendControls ControlsForState(int state);

// The window's controls.
class ISendView {
public:
    virtual ~ISendView() = default;
    virtual std::uintptr_t Handle() const = 0;
    virtual void ApplyControls(const SendControls& controls) = 0;
    virtual void SetRecipientReadOnly(bool readOnly) = 0;
    // Recipient ID (edit 1033) and name (edit 1246).
    virtual void ReadRecipient(CString* id, CString* name) = 0;
    virtual void WriteRecipient(const CString& id, const CString& name) = 0;
    // The message text (rich edit 1035).
    virtual CString GetText() = 0;
    virtual void ClearText() = 0;
    virtual void FocusTextStart() = 0;
    virtual void SetStatus(SendStatus status, int number) = 0;
    // Indicator 1038: enabled and latched.
    virtual void SetIndicator(bool enabled, bool latched) = 0;
    // The caption edit 1408, scrolled to its end.
    virtual void SetCaption(const CString& caption) = 0;
    virtual void SetReceiptButton(bool latched) = 0;
    virtual void EnableLogButton(bool enable) = 0;
    virtual void EnableSendButton(bool enable) = 0;
    virtual void EnableCancelButton(bool enable) = 0;
    virtual void EnableAttachButton(bool enable) = 0;
    virtual bool IsShown() const = 0;
    virtual void Show(bool show) = 0;
    virtual void KillLockTimer() = 0; // timer 3
};
