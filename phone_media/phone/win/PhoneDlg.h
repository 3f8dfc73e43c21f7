// CPhoneDlg: the program's telephone, a docked skinned panel (template 628, "phone.bmp") with a
// keypad, the number display 1359, the status line 1357, send and receive level indicators, the
// redial list and a banner. It owns one CCallEngine per telephone session.
//
// The engine calls the six handlers on the library's threads. They only copy what they were
// given and post it to the window (a library event record); everything they lead to (status
// line, indicators, sound device, call-ID look-ups, balloons) runs on the window's thread, so a
// hang-up from the window, which waits for the library's voice thread, can never wait on a
// handler that waits for the window.
#pragma once

#include "phone_media/phone/PhoneRules.h"
#include "phone_media/phone/win/PhoneHost.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <atomic>
#include <memory>
#include <string>

class CCallEngine;
class CPrepaidDlg;

class CPhoneDlg : public CSkinFrameDialog {
public:
    static constexpr int kButtonCount = 25;
    // The pending error's balloon (wParam: its icon flags).
    static constexpr UINT kPostedErrorMessage = WM_USER + 222;
    // A library event copied by a handler (lParam: the record, freed by the window).
    static constexpr UINT kLibraryEventMessage = WM_USER + 223;
    static constexpr int kBannerWidth = 164;
    static constexpr int kBannerHeight = 154;

    explicit CPhoneDlg(CWnd* parent);
    ~CPhoneDlg() override;

    // Creates the window modeless and hidden; FALSE without a registered host, without the
    // skin, or with a skin whose layout was refused (the window may then exist: destroy it).
    // The object deletes itself with its window.
    BOOL Create();

    bool StartSession();
    void EndSession();
    // The session-started flag (the engine was started).
    bool GetCallEngine() const { return m_sessionStarted; }
    bool IsSessionActive() const { return m_signedIn; }
    // In a call: the engine's word has the in-call bit.
    bool InCall() const;
    void DialCommId(const char* commId);
    void DialNumber(const char* digits);
    void ShowPanel();
    void HidePanel();
    void BringUp();
    bool LayoutSkin();

    void EnterDigits(const CString& text);
    void DeleteLastDigit();
    void ClearDialText();
    void LoadBanner(const char* url);
    void PostError(const CString& text, unsigned flags);

    CCallEngine* Engine() const { return m_engine; }
    const phone::CRedialList& Redial() const { return m_redial; }
    CString RedialPath();
    bool IsRinging() const { return m_ringing; }
    bool HoldsSoundDevice() const { return m_soundHeld; }
    const CString& TemporaryUserId() const { return m_tempUserId; }

    // The handlers registered with the engine (library threads; context: the window object).
    static void OnStateEvent(void* context, int code, const char* message);
    static void OnStatusEvent(void* context, int kind, int code, const char* message);
    static void OnErrorEvent(void* context, const char* message);
    static void OnCreditEvent(void* context, int credit);
    static void OnVoiceStatEvent(void* context, int rx, int tx);
    static void OnOffHookEvent(void* context, int off);

    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;

    DECLARE_MESSAGE_MAP()

protected:
    void OnDestroy();
    void OnKeypad(UINT id);
    void OnDial();
    void OnHangUp();
    void OnClose();
    void OnRedialUp();
    void OnRedialDown();
    void OnPrepaid();
    void OnCreditPage();
    void OnFriendPage();
    void OnUserRoom();
    LRESULT OnRightButtonDown(WPARAM, LPARAM);
    LRESULT OnPostedError(WPARAM flags, LPARAM);
    LRESULT OnLibraryEvent(WPARAM, LPARAM record);

private:
    struct LibraryEvent;
    void Post(LibraryEvent* event);
    void HandleState(int code, const CString& text);
    void HandleStatus(int code, const CString& text);
    void HandleCredit(int credit);
    void OnSignedIn();
    void EnableKeys(bool on);
    void ShowVoiceLevels(int rx, int tx);
    void SetStatusText(const CString& text);
    CString DisplayText() const;
    void SetDisplayText(const CString& text);
    bool AcquireSoundDevice();
    void ReleaseSoundDevice();
    void StopRinging();
    int GetConnectMode() const;
    bool LoadSessionSettings();
    CString GetOwnCallId();
    void AddRedial(const CString& text);
    void LoadRedialList();
    void SaveRedialList();
    bool RunSkinLayout();
    bool CheckBanner();
    bool ButtonEnabled(UINT id) const;
    CString LookUpCommId(const CString& callId);

    IPhoneHost* m_host;
    CSkinButton m_buttons[kButtonCount];
    HWND m_toolTip = nullptr;
    std::unique_ptr<IPhoneBanner> m_banner;
    CCallEngine* m_engine = nullptr;
    CPrepaidDlg* m_prepaid = nullptr;
    CString m_tempUserId;
    CString m_tempPassword;
    bool m_sessionStarted = false;
    bool m_signedIn = false;
    CString m_commId;
    CString m_secondId;
    CString m_country;
    CString m_area;
    bool m_soundHeld = false;
    bool m_ringing = false;
    bool m_errorPending = false;
    CString m_errorText;
    // The caller of the ringing call (found at state 9) and whether status 55 already showed
    // the incoming line before the look-up answered.
    CString m_caller;
    bool m_incomingShown = false;
    phone::CRedialList m_redial;
    CString m_redialPath;
    bool m_redialPathKnown = false;
    int m_sendWidth = 0;
    int m_receiveWidth = 0;
    // Where the handlers post; null once the window is going.
    std::atomic<HWND> m_eventTarget{nullptr};
    bool m_laidOut = false;
};
