// CVyrnMessageDlg: the character window. A small skinned character slides in from the edge of the
// screen, says a text in a speech balloon, waits and slides out again. The normal one comments on
// what the user does with texts of the event data and counts how often each feature was used; the
// error one shows failures. Texts wait in a queue and are shown one at a time; a text may carry a
// link that a click on the character or its balloon opens.
#pragma once

#include "shell/notify/BalloonMachine.h"
#include "shell/notify/ErrorLogDlg.h"
#include "shell/notify/EventData.h"
#include "toolkit/core/WndCascade.h"
#include "toolkit/win/SkinDialog.h"

#include <ctime>
#include <memory>
#include <vector>

class IProfileStore;
class CVyrnMessageDlg;

// What the character window needs of the program.
class IBalloonHost {
public:
    virtual ~IBalloonHost() = default;
    virtual CWnd* GetParentWindow() = 0; // the application's host dialog
    virtual IProfileStore& GetProfile() = 0;
    // Bit 0x400 of the Flags setting: feature texts are not shown.
    virtual bool FeatureTextsOff() = 0;
    // The user is logged in (the message client exists).
    virtual bool IsLoggedIn() = 0;
    virtual balloon::AccountValues GetAccount() = 0;
    // The hosts of the Servers section: the only ones account values are posted to.
    virtual std::vector<CString> GetServiceHosts() = 0;
    virtual void OpenUrl(const CString& url) = 0;
    virtual void NavigatePost(const CString& url, const CString& form) = 0;
    virtual bool HttpGet(const CString& url, CString& text) = 0;
    // Entries of the application's friend list.
    virtual int GetFriendEntryCount() = 0;
    virtual std::time_t Now() = 0;
    // The error character window, which takes the error colours; null while there is none.
    virtual CVyrnMessageDlg* GetErrorBalloon() = 0;
    // The skin bitmap is missing: the program tells the user and ends (exit code -1).
    virtual void OnSkinMissing(const CString& text) = 0;
};

class CVyrnMessageDlg : public CSkinDialog, private balloon::IBalloonView, public IErrorTextTarget {
public:
    enum Kind { kNormal = 0, kError = 1 };
    static constexpr UINT kNormalTextWaiting = 0x52C;
    static constexpr UINT kErrorTextWaiting = 0x52D;
    static constexpr UINT kBalloonClicked = 0x52E;

    // Make it with new: the window deletes its object when it is destroyed. kind 1 is the error
    // window, any other value the normal one.
    CVyrnMessageDlg(CWnd* parent, int kind, IBalloonHost& host);

    BOOL Create();

    void QueueText(const CString& text, const CString& link);
    void ShowErrorText(const CString& text) override;
    void ShowLoginEvent(int kind);
    void ShowFriendCountEvent(int kind, int count);
    void ShowMessageEvent(int kind); // 30 sent, 31 received
    void ShowChatEvent();
    void ShowSkinEvent();
    void ShowCdEvent();
    void ShowCastEvent();
    void ShowWebMailEvent();
    void ShowFriendMailEvent();
    void ShowMyRoomEvent();
    void ShowUserListEvent();
    void ShowMemoEvent();
    void SaveCounters();
    void ApplyColors();
    void SetColors(COLORREF fill, COLORREF text, COLORREF frame);

    bool IsErrorKind() const { return m_errorKind; }
    HWND GetBalloonWindow() const { return m_balloon; }
    const balloon::CTextQueue& Queue() const { return m_queue; }
    CEventData* GetEventData() { return m_events.get(); }
    COLORREF GetFillColor() const { return m_fill; }
    COLORREF GetTextColor() const { return m_text; }
    COLORREF GetFrameColor() const { return m_frame; }
    int GetStartCount() const { return m_startCount; }
    bool IsHolding() const { return m_cycle.Holding(); }

    DECLARE_MESSAGE_MAP()

protected:
    ~CVyrnMessageDlg() override;
    BOOL OnInitDialog() override;
    void OnCancel() override {}
    void PostNcDestroy() override { delete this; }
    LRESULT OnTextWaiting(WPARAM, LPARAM);
    LRESULT OnBalloonClickedMessage(WPARAM, LPARAM);
    void OnTimer(UINT_PTR id);
    void OnLButtonDown(UINT flags, POINT point);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnMove(int x, int y);
    void OnDestroy();

private:
    // The features whose use is counted, in the order of their stored counters.
    enum Feature { kMemo, kMyRoom, kSent, kReceived, kChat, kCast, kSkin, kCd, kWebMail, kAddress, kFriendMail, kUserList, kFeatureCount };
    void ShowFeatureEvent(Feature feature);
    void ShowHint();
    void DebugLine(const CString& text);

    // balloon::IBalloonView
    void ShowAt(const balloon::Point& p) override;
    void MoveTo(const balloon::Point& p) override;
    void Hide() override;
    balloon::Point Position() override;
    void StartTimer(int id, unsigned milliseconds) override;
    void ShowBalloon(const CString& text) override;
    void CloseBalloon() override;
    bool BalloonShown() override;
    void PostShowRequest() override;
    void OpenLink(const CString& link) override;
    void CaptureMouse(bool capture) override;

    class CCascadeMover;

    IBalloonHost& m_host;
    bool m_errorKind;
    std::unique_ptr<CEventData> m_events;
    std::unique_ptr<IEventDataHost> m_eventHost;
    std::unique_ptr<CWndCascade> m_cascade;
    std::unique_ptr<CCascadeMover> m_mover;
    balloon::CTextQueue m_queue;
    balloon::CBalloonCycle m_cycle;
    HWND m_balloon = nullptr;
    POINT m_balloonOffset = {0, 0};
    int m_runCounters[kFeatureCount] = {};
    int m_storedCounters[kFeatureCount] = {};
    int m_startCount = 0;
    COLORREF m_fill = RGB(249, 254, 188);
    COLORREF m_text = RGB(0, 0, 0);
    COLORREF m_frame = RGB(0, 0, 255);
    HANDLE m_debugLog = nullptr;
};
