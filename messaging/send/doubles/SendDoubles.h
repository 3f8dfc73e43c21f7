// Recording doubles of the send window's services. They write to the message windows' shared
// event log (CRecvEventLog) beside the recording client and store, so tests compare whole
// sequences ("lock 33", "client.text ID 1", "store.add ID", "unlock" ...). Portable.
#pragma once

#include "messaging/recv/doubles/RecvDoubles.h"
#include "messaging/send/SendServices.h"

#include <map>
#include <string>
#include <vector>

class CFakeVoicePanel : public IVoiceClipPanel {
public:
    explicit CFakeVoicePanel(CRecvEventLog& log) : m_log(log) {}
    bool IsIdle() override { return idle; }
    bool IsRecording() override { return recording; }
    void Record() override;
    void Stop() override;
    CString GetClipPath() override { return clip; }
    int GetRecordResult() override { return recordResult; }
    void ShowBeside(std::uintptr_t) override { m_log.Add("panel.beside"); }
    void Hold(bool hold) override;

    bool idle = true;
    bool recording = false;
    bool startsRecording = true; // Record() starts a recording
    int recordResult = 0;
    CString clip;      // the clip the panel holds
    CString clipAfterStop; // becomes the clip when a recording stops
    bool held = false;

private:
    CRecvEventLog& m_log;
};

// The application: lock, session, settings, files (shared with the recording store's host) and
// notices, each recorded.
class CFakeSendHost : public ISendHost {
public:
    CFakeSendHost(CRecvEventLog& log, std::map<std::string, std::string>& files) : m_log(log), m_files(files) {}
    bool IsLoggedIn() const override { return loggedIn; }
    IMsgWindowClient* GetMsgClient() override { return client; }
    int& SequenceCounter() override { return counter; }
    bool LockPm(std::uint16_t kind, unsigned waitMs) override;
    void UnlockPm() override;
    std::uint16_t GetHolderKind() const override { return holder; }
    void SetHolderKind(std::uint16_t kind) override;
    int TextLimit() const override { return slash ? 128 : 900; }
    bool SlashMark() const override { return slash; }
    bool ReceiptOffByDefault() const override { return receiptOff; }
    CString ReplyMessage() const override { return reply; }
    bool DatabaseAvailable() const override { return database; }
    SendLocalTime LocalNow() override { return now; }
    SendFont MessageFont() const override { return font; }
    bool FileSize(const CString& path, std::uint64_t* size) override;
    int BuildPackage(const CString& source, const CString& package) override;
    CString MakeTempFile(const char* prefix) override;
    void RemoveFile(const CString& path) override;
    void ReportError(int code) override { m_log.Add("error " + std::to_string(code)); }
    void ShowNotice(SendNotice notice, int number, const CString& text) override;
    void ShowBalloonEvent(int event) override { m_log.Add("balloon " + std::to_string(event)); }
    void RemoveTrayWindow(std::uintptr_t) override { m_log.Add("tray remove"); }
    IVoiceClipPanel* VoicePanel() override { return panel; }

    bool loggedIn = true;
    IMsgWindowClient* client = nullptr;
    int counter = 0;
    std::uint16_t holder = 0;
    int lockDepth = 0;
    int unbalancedUnlocks = 0;
    bool lockTimesOut = false;
    bool slash = false;
    bool receiptOff = false;
    CString reply = "ReplyText";
    bool database = true;
    SendLocalTime now{2026, 12, 11, 3, 7};
    SendFont font{"MS UI Gothic", 10, 0x000080};
    int packageCode = 0;      // what BuildPackage answers (0: the package is written)
    bool noTempFolder = false;
    IVoiceClipPanel* panel = nullptr;
    struct Notice {
        SendNotice notice;
        int number;
        CString text;
    };
    std::vector<Notice> notices;

private:
    CRecvEventLog& m_log;
    std::map<std::string, std::string>& m_files;
    int m_tempCounter = 0;
};

// The window's controls as state.
class CRecordingSendView : public ISendView {
public:
    explicit CRecordingSendView(CRecvEventLog& log) : m_log(log) {}
    std::uintptr_t Handle() const override { return 0x1234; }
    void ApplyControls(const SendControls& c) override { controls = c; }
    void SetRecipientReadOnly(bool readOnly) override { recipientReadOnly = readOnly; }
    void ReadRecipient(CString* id, CString* name) override
    {
        *id = recipientId;
        *name = recipientName;
    }
    void WriteRecipient(const CString& id, const CString& name) override
    {
        recipientId = id;
        recipientName = name;
    }
    CString GetText() override { return text; }
    void ClearText() override { text.Empty(); }
    void FocusTextStart() override {}
    void SetStatus(SendStatus s, int number) override;
    void SetIndicator(bool enabled, bool latched) override
    {
        indicatorEnabled = enabled;
        indicatorLatched = latched;
    }
    void SetCaption(const CString& c) override { caption = c; }
    void SetReceiptButton(bool latched) override { receiptLatched = latched; }
    void EnableLogButton(bool enable) override { logEnabled = enable; }
    void EnableSendButton(bool enable) override { controls.send = enable; }
    void EnableCancelButton(bool enable) override { controls.cancel = enable; }
    void EnableAttachButton(bool enable) override { attachEnabled = enable; }
    bool IsShown() const override { return shown; }
    void Show(bool show) override;
    void KillLockTimer() override { m_log.Add("kill-timer 3"); }

    SendControls controls;
    bool recipientReadOnly = false;
    CString recipientId;
    CString recipientName;
    CString text;
    SendStatus status = SendStatus::Empty;
    int statusNumber = 0;
    std::vector<int> percentsShown;
    bool indicatorEnabled = false;
    bool indicatorLatched = false;
    CString caption;
    bool receiptLatched = false;
    bool logEnabled = false;
    bool attachEnabled = false;
    bool shown = true;

private:
    CRecvEventLog& m_log;
};
