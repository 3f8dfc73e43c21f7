// Recording doubles of the received-message window's services: each records what it was asked
// in one shared event log ("client.fetch 7", "lock 16", "store.add 7" ...), so tests compare
// whole sequences, and each has switches for the faults tests need. Portable; shared with the
// other message windows' tests.
#pragma once

#include "messaging/recv/MessageWindowHost.h"
#include "messaging/recv/RecvServices.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class CRecvEventLog {
public:
    void Add(const std::string& event) { m_events.push_back(event); }
    const std::vector<std::string>& Events() const { return m_events; }
    // The events that begin with prefix, in order.
    std::vector<std::string> With(const std::string& prefix) const;
    void Clear() { m_events.clear(); }

private:
    std::vector<std::string> m_events;
};

class CRecordingMsgClient : public IMsgWindowClient {
public:
    explicit CRecordingMsgClient(CRecvEventLog& log) : m_log(log) {}
    int RequestList(int& counter) override;
    int RequestFetch(int& counter, std::uint32_t number) override;
    int RequestDelete(int& counter, std::uint32_t number) override;
    int RequestBody(int& counter, std::uint32_t number, const CString& destination,
                    std::uint32_t announcedLength) override;
    void SetProgressWindow(std::uintptr_t window) override;
    void ClearProgressWindow() override;
    int GetLastResult() const override { return lastResult; }
    void PostCancel(unsigned wParam) override;
    int SendText(int& counter, const CString& recipientId, const CString& recipientName, const CString& text,
                 int option) override;
    int SendFile(int& counter, const CString& recipientId, const CString& recipientName, const CString& text,
                 int option, const CString& path, std::uint32_t fileFlag) override;
    int SendWithBody(int& counter, const CString& recipientId, const CString& recipientName, const CString& text,
                     int option, const CString& path) override;

    // A code to refuse requests of a kind with ("list", "fetch", "delete", "body", "text", "file",
    // "with-body"); 0 accepts.
    std::map<std::string, int> refuse;
    int lastResult = 0;
    std::uintptr_t progressWindow = 0;
    CString bodyDestination;
    std::uint32_t bodyAnnounced = 0;
    int requests = 0;
    // Requests that went out and await their result, oldest first: kind and message number.
    struct Pending {
        std::string kind;
        std::uint32_t number = 0;
        CString destination;
        int sequence = 0;
        // Send requests: recipient, text and option as asked.
        CString recipientId;
        CString recipientName;
        CString text;
        int option = 0;
        std::uint32_t fileFlag = 0;
    };
    std::vector<Pending> pending;
    // Called with the number of each delete request before it is sent.
    std::function<void(std::uint32_t)> beforeDelete;

private:
    int Request(const std::string& kind, int& counter, const std::string& event);
    CRecvEventLog& m_log;
};

class CRecvFlow;

class CFakeRecvHost : public IRecvHost {
public:
    explicit CFakeRecvHost(CRecvEventLog& log) : m_log(log) {}
    bool IsLoggedIn() const override { return loggedIn; }
    IMsgWindowClient* GetMsgClient() override { return client; }
    int& SequenceCounter() override { return counter; }
    bool LockPm(std::uint16_t kind, unsigned waitMs) override;
    void UnlockPm() override;
    std::uint16_t GetHolderKind() const override { return holder; }
    void SetHolderKind(std::uint16_t kind) override;
    std::vector<MessageEntry>& Arrivals() override { return arrivals; }
    std::vector<MessageEntry>& SavedArrivals() override { return saved; }
    void MergeMessageLists() override;
    void SetMessageArrive(bool flag) override;
    void PlayArrivalSound() override { m_log.Add("sound"); }
    CString& PendingTempFile() override { return pendingTemp; }
    CString& PendingTargetFile() override { return pendingTarget; }
    bool CommitReceivedFile(bool keep) override;
    CString MakeTempFile(const char* prefix) override;
    bool FileExists(const CString& path) override { return files.count(path.str()) != 0; }
    void RemoveFile(const CString& path) override;
    void ReportError(int code) override { m_log.Add("error " + std::to_string(code)); }
    void ShowNotice(RecvNotice notice) override;
    // Recorded as "message <text>"; answers messageAnswer.
    int ShowMessage(const CString& text, unsigned flags, bool logged) override;
    void MessageFont(CString* face, int* points, std::uint32_t* colour) const override
    {
        *face = fontFace;
        *points = fontPoints;
        *colour = fontColour;
    }
    CString OwnCommId() const override { return ownId; }
    CString OwnCommName() const override { return ownName; }
    bool HistoryAvailable() const override { return history; }
    unsigned ProtocolVersionLowByte() const override { return protocolLowByte; }
    bool VoiceMessageOption() const override { return voiceOption; }
    void BlinkReceiveButton() override { m_log.Add("blink"); }
    void UpdateReceiveButton() override { m_log.Add("receive-button"); }

    bool loggedIn = true;
    IMsgWindowClient* client = nullptr;
    int counter = 0;
    std::uint16_t holder = 0;
    int lockDepth = 0;          // never above 1; a release without a hold is recorded as a fault
    int unbalancedUnlocks = 0;
    bool lockTimesOut = false;  // the next LockPm calls fail as a timed-out wait
    std::vector<MessageEntry> arrivals;
    std::vector<MessageEntry> saved;
    CString pendingTemp;
    CString pendingTarget;
    bool commitFails = false;
    bool noTempFolder = false;
    std::map<std::string, std::string> files; // path → contents
    int messageArrive = -1;                    // the value written to the profile
    bool history = true;
    unsigned protocolLowByte = 1;
    bool voiceOption = false;
    int messageAnswer = 1; // IDOK
    std::vector<unsigned> messageFlags;
    CString fontFace = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E"; // ＭＳ ゴシック
    int fontPoints = 10;
    std::uint32_t fontColour = 0;
    CString ownId = "me";
    CString ownName;

private:
    CRecvEventLog& m_log;
    int m_tempCounter = 0;
};

struct StoredRow {
    CString commId;
    CString text;
    long kind = 0;
    CString attachment; // the stored copy's path
    std::string attachmentBytes;
};

class CFakeRecvStore : public IRecvStore {
public:
    CFakeRecvStore(CRecvEventLog& log, CFakeRecvHost& host) : m_log(log), m_host(host) {}
    bool PutUser(const CString& commId, const CString& name) override;
    long AddMessage(const CString& commId, const CString& text, long kind) override;
    CString StoreAttachmentFile(long kind, const CString& source) override;
    bool AddAttachment(long record, const CString& storedPath) override;

    // The operation that fails ("PutUser", "AddMessage", "StoreAttachmentFile", "AddAttachment").
    std::set<std::string> failing;
    std::vector<StoredRow> rows;
    std::map<std::string, std::string> users;

private:
    CRecvEventLog& m_log;
    CFakeRecvHost& m_host;
};

class CRecordingRecvView : public IRecvView {
public:
    explicit CRecordingRecvView(CRecvEventLog& log) : m_log(log) {}
    bool IsShown() const override { return shown; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void DeleteAllRows() override;
    void AddRow(const MessageEntry& entry) override;
    void SetRowIcon(int row, int icon) override;
    void SetRowAttachmentIcon(int row, int icon) override;
    int SelectedRow() const override { return selected; }
    void SetListColumnWidth() override {}
    void ScrollToRow(int row) override;
    void ShowBody(const MessageEntry* entry) override;
    void SetStatus(RecvStatus status, int number) override;
    void ShowAttachmentStatus(const MessageEntry& entry) override;
    void EnableButton(int code) override;
    void EnableCancelButton(bool enable) override;
    void SetWaitCursor(bool) override {}
    void LoadBanner() override { m_log.Add("banner"); }
    void ApplyMessageFont() override { m_log.Add("font"); }
    void ShowBalloonEvent(int event) override { m_log.Add("balloon " + std::to_string(event)); }
    void RequestReadNotice(const CString& senderId) override { m_log.Add("read-notice " + senderId.str()); }
    void PlayVoiceClip(const CString& file) override { m_log.Add("voice-clip " + file.str()); }
    void StartDeferredTimer(unsigned ms) override;
    void KillDeferredTimer() override;

    struct Row {
        CString sender;
        int icon = 0;
        int attachmentIcon = -1;
    };
    bool shown = true;
    int selected = -1;
    std::vector<Row> rows;
    CString body;
    RecvStatus status = RecvStatus::Empty;
    int statusNumber = 0;
    std::map<int, bool> buttons; // button code's control → enabled (by the on/off pairs)
    bool cancelEnabled = false;
    bool timerRunning = false;
    std::vector<int> percentsShown;

private:
    CRecvEventLog& m_log;
};

// A message server for the flow: answers the recording client's pending requests with the
// records the real client posts (0x40A wParam and a posted record), with faults by request kind
// and occurrence. Before it performs a delete it checks that the message was written first.
struct ServerMessage {
    std::string senderId;
    std::string senderName;
    std::uint32_t number = 0;
    std::uint32_t attributes = 0x40000000;
    std::int64_t time = 946684800;
    std::string text;
    std::uint32_t fileFlag = 0;
    std::string body; // the attachment's bytes
};

class CFakeMsgServer {
public:
    CFakeMsgServer(CRecordingMsgClient& client, CFakeRecvHost& host, CRecvFlow& flow);

    // Answers the oldest pending request; false when none is pending.
    bool Step();
    // Answers until nothing is pending (at most limit answers).
    void Pump(int limit = 100);

    std::vector<ServerMessage> messages;
    // kind ("list", "fetch", "delete", "body", "body-code") → occurrence (1-based) → result code
    std::map<std::string, std::map<int, int>> faults;
    std::vector<std::uint32_t> deleted;
    // When set, results go here (a window's 0x40A) instead of straight to the flow.
    std::function<void(int wParam, std::intptr_t lParam)> deliver;
    // Delete requests for messages that the window had not written (with history on and no
    // "not stored" attribute), counted when the request is made: must stay 0.
    int deletesBeforeStore = 0;

private:
    int FaultFor(const std::string& kind);
    void Deliver(int wParam, const std::vector<std::uint8_t>& bytes);
    void Fail(int code, int sequence);
    const ServerMessage* Find(std::uint32_t number) const;

    CRecordingMsgClient& m_client;
    CFakeRecvHost& m_host;
    CRecvFlow& m_flow;
    std::map<std::string, int> m_counts;
};

// The opener of other windows: records each call ("send reply id", "log id", "dial id" ...).
class CRecordingOpener : public IMessageWindowOpener {
public:
    explicit CRecordingOpener(CRecvEventLog& log) : m_log(log) {}
    void OpenSendWindow(const PartnerRef& partner, bool reply) override
    {
        m_log.Add(std::string(reply ? "send reply " : "send new ") + partner.commId.str());
    }
    void RequestReadNotice(const CString& senderId) override { m_log.Add("read-notice " + senderId.str()); }
    void OpenMessageLog(const PartnerRef& partner) override { m_log.Add("log " + partner.commId.str()); }
    void OpenMemo(const PartnerRef& partner) override { m_log.Add("memo " + partner.commId.str()); }
    bool PhoneExists() const override { return phoneExists; }
    bool PhoneSessionActive() const override { return phoneActive; }
    void DialCommId(const CString& commId) override { m_log.Add("dial " + commId.str()); }
    bool PlayVoiceClip(std::uintptr_t, const CString& file) override
    {
        m_log.Add("voice-clip " + file.str());
        return voicePanel;
    }
    void OpenUrl(const CString& url) override { m_log.Add("url " + url.str()); }
    void RunMailCommand() override { m_log.Add("mail"); }
    void OpenUserRoom(const CString& commId) override { m_log.Add("room " + commId.str()); }
    bool BrowserExists() const override { return browserExists; }
    void OpenProfilePage(const CString& commId) override { m_log.Add("profile " + commId.str()); }
    void OpenProfileSearch() override { m_log.Add("profile-search"); }
    void OpenFileInBrowser(const CString& path) override { m_log.Add("browse " + path.str()); }
    void ShowBalloonEvent(int event) override { m_log.Add("balloon " + std::to_string(event)); }
    void AddTrayWindow(std::uintptr_t) override { m_log.Add("tray add"); }
    void RemoveTrayWindow(std::uintptr_t) override { m_log.Add("tray remove"); }

    bool phoneExists = false;
    bool phoneActive = false;
    bool voicePanel = true;
    bool browserExists = false;

private:
    CRecvEventLog& m_log;
};

// The main window's friend-list state, with what refresh and copy did recorded.
class CFakeFriendHost : public IFriendListHost {
public:
    explicit CFakeFriendHost(CRecvEventLog& log) : m_log(log) {}
    bool GetFriend(int index, FriendEntry* entry) const override
    {
        if (index < 0 || static_cast<std::size_t>(index) >= friends.size())
            return false;
        *entry = friends[static_cast<std::size_t>(index)];
        return true;
    }
    bool FriendListArrived() const override { return arrived; }
    std::uintptr_t GetFocusList() const override { return focusList; }
    void SetFocusList(std::uintptr_t list) override { focusList = list; }
    bool RequestLockHeld() const override { return lockHeld; }
    void SetRefreshPending(unsigned bit) override { m_log.Add("pending " + std::to_string(bit)); }
    void QueueRequest(std::uint16_t kind) override { m_log.Add("queue " + std::to_string(kind)); }
    bool IsLoggedIn() const override { return loggedIn; }
    CString OwnCommId() const override { return ownId; }
    bool DatabaseAvailable() const override { return database; }
    bool CopyToClipboard(const CString& text) override
    {
        m_log.Add("copy " + text.str());
        return true;
    }

    std::vector<FriendEntry> friends;
    bool arrived = true;
    std::uintptr_t focusList = 0;
    bool lockHeld = false;
    bool loggedIn = true;
    CString ownId;
    bool database = true;

private:
    CRecvEventLog& m_log;
};
