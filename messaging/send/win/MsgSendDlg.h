// CMsgSendDlg: the message send window (template 138, "vyrntalk_snd.bmp", free frame). The user
// writes a text to a partner, optionally with a voice clip or a file packed into the "VYS"
// package, and sends it; read receipts go out from a queue on timer 4. The window shows the
// controls and forwards commands, the client's results (0x40A), progress (0x43D), the voice-clip
// panel's notice (0x43C), drops and timers to its CSendFlow.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/Gdi.h"
#include "framework/win/ToolTipCtrl.h"
#include "messaging/send/SendFlow.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <memory>
#include <shellapi.h>

constexpr UINT kMsgSendEvent = 0x40A;
constexpr UINT kMsgSendVoiceSaved = 0x43C;
constexpr UINT kMsgSendProgress = 0x43D;
constexpr UINT_PTR kSendLockTimer = 3;
constexpr UINT_PTR kSendReceiptTimer = 4;

// The file dialog of the attach button, replaceable by tests.
class ISendFileChooser {
public:
    virtual ~ISendFileChooser() = default;
    // The chosen file's path; false (and path untouched) when the dialog was cancelled.
    virtual bool ChooseFile(HWND owner, const CString& initial, CString* path) = 0;
};
// Registers a chooser (null: the system's open dialog).
void SetSendFileChooser(ISendFileChooser* chooser);

class CMsgSendDlg : public CSkinFrameDialog, public ISendView {
public:
    CMsgSendDlg(CWnd* parent, bool visible, ISendHost& host, IRecvStore& store);
    ~CMsgSendDlg() override;

    // Loads the skin and creates the modeless window; FALSE on failure (the object is deleted
    // with its window only once the window existed).
    BOOL Create();
    BOOL ApplySkin();
    void OnVoiceRecorderClosed() { m_flow->OnVoiceRecorderClosed(); }
    CSendFlow& GetFlow() { return *m_flow; }
    CRichEditCtrl& GetTextControl() { return m_text; }
    const CString& GetStatusText() const { return m_statusText; }
    bool IsButtonEnabled(UINT id) { return !Button(id)->IsDisabled(); }
    int GetButtonState(UINT id) { return Button(id)->GetState(); }
    bool IsTextReadOnly() const;
    bool IsRecipientReadOnly() const;

    // ISendView.
    std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(m_hWnd); }
    void ApplyControls(const SendControls& controls) override;
    void SetRecipientReadOnly(bool readOnly) override;
    void ReadRecipient(CString* id, CString* name) override;
    void WriteRecipient(const CString& id, const CString& name) override;
    CString GetText() override;
    void ClearText() override;
    void FocusTextStart() override;
    void SetStatus(SendStatus status, int number) override;
    void SetIndicator(bool enabled, bool latched) override;
    void SetCaption(const CString& caption) override;
    void SetReceiptButton(bool latched) override;
    void EnableLogButton(bool enable) override;
    void EnableSendButton(bool enable) override;
    void EnableCancelButton(bool enable) override;
    void EnableAttachButton(bool enable) override;
    bool IsShown() const override;
    void Show(bool show) override;
    void KillLockTimer() override;

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;
    void OnOK() override {}

    LRESULT OnClientEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnVoiceSaved(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgressNotice(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnDropFiles(HDROP drop);
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);
    void OnTextFilter(NMHDR* header, LRESULT* result);
    void OnSendButton() { m_flow->OnSend(); }
    void OnRecordButton() { m_flow->OnRecordVoice(); }
    void OnLogButton();
    void OnResetButton();
    void OnAttachButton();
    void OnCancelButton() { m_flow->OnCancelTransfer(); }
    void OnReceiptButton() { m_flow->OnToggleReceipt(); }
    void OnCloseButton() { m_flow->OnClose(); }
    DECLARE_MESSAGE_MAP()

private:
    BOOL SetupControls(bool initial);
    void ApplyTextSettings();
    CSkinButton* Button(UINT id);

    std::unique_ptr<CSendFlow> m_flow;
    ISendHost& m_host;
    CWnd* m_parent;
    bool m_visible;
    CBrush m_brush;
    CToolTipCtrl m_tip;
    CRichEditCtrl m_text;
    CSkinButton m_send, m_record, m_log, m_indicator, m_reset, m_cancel, m_receipt, m_attach, m_close;
    CString m_statusText;
};
