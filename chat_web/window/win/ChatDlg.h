// CChatDlg: the skinned, resizable chat-room window (template 248, "chat.bmp", style 0x806). The
// behaviour of a visit lives in chat::ChatRoom; this class is its view: the log (rich edit 1018),
// the input combo 1010 with the history, the member list 1002, the banner 1360 and the skin
// buttons. The engine reports with WM_CHAT_EVENT; a page's room parameter comes with wParam 1.
#pragma once

#include "chat_web/window/ChatRoom.h"
#include "chat_web/window/win/ChatWindowHost.h"
#include "framework/win/Controls.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

class CChatEngine;

class CChatDlg : public CSkinFrameDialog, public chat::IChatRoomView {
public:
    static const int kButtonCount = 19;
    static const int kColorCount = 6;
    static const int kPhraseCount = 8;

    explicit CChatDlg(CWnd* parent);
    ~CChatDlg() override;

    // Creates the window modeless from template 248 with the parent given; FALSE without a
    // registered host or skin.
    BOOL Create();
    void LoadBanner(BOOL show);
    void SelectSavedColor();
    void SetControlState(int code) { m_room->SetControlState(code); }
    void CloseRoom() { m_room->CloseRoom(); }
    bool LayoutSkin();
    BOOL IsShowAtLogin();
    void EnterRoomByUrl(const CString& param) { m_room->EnterRoomByUrl(param.str()); }
    int GetState() const { return m_room->State(); }
    chat::ChatRoom& Room() { return *m_room; }
    CRichEditCtrl& LogView() { return m_log; }
    // A banner page asked for a new window: the program's browser window of kind 3 (raised, or
    // opened empty) takes it; its automation object (AddRef'd), or null.
    IDispatch* OnBannerNewWindow2() { return m_host ? m_host->OpenBannerTarget() : nullptr; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override {}
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;

    DECLARE_MESSAGE_MAP()

protected:
    void OnSize(UINT type, int cx, int cy);
    void OnDestroy();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnRButtonUp(UINT flags, POINT point);
    void OnColorButton(UINT id);
    void OnPhraseButton(UINT id);
    void OnEnterButton();
    void OnLeaveButton();
    void OnCloseButton() { CloseRoom(); }
    void OnButton1412() {}
    void OnMemberDblClk(NMHDR* header, LRESULT* result);
    void OnMemberRDblClk(NMHDR* header, LRESULT* result);
    void OnClearLog();
    void OnCopyLog();
    void OnRoomMenu(UINT id);
    LRESULT OnEngineEvent(WPARAM wParam, LPARAM lParam);

private:
    // chat::IChatRoomView
    void ApplyLook(int state, const chat::StateLook& look) override;
    void ApplyControlSwitches(const chat::ControlSwitches& switches) override;
    void WriteChatLine(const std::string& nickname, const std::string& text) override;
    void WriteSystemLine(const std::string& line, bool withTime) override;
    void ShowMembers(const std::vector<std::string>& members) override;
    void ShowHistory(const std::vector<std::string>& history) override;
    void ClearInput() override;
    std::string Text(int id) override;
    void ShowMessage(int id) override;
    void ShowWarning(int id, int code) override;
    bool RunLoginDialog(std::string* nickname, const std::string& room, const std::string& key) override;
    void CancelModalDialog() override;
    chat::IChatEngineLink* CreateEngine() override;
    void DestroyEngine(chat::IChatEngineLink* engine) override;
    void ShowWaitCursor() override;
    void HideWindow() override { ShowWindow(SW_HIDE); }
    void LoadBanner(bool show) override { LoadBanner(show ? TRUE : FALSE); }
    void RemoveFromTray() override;

    // Log writing: mode 0 prefix (font record 0), 1 message text with links (record 1), 2 system
    // line (record 2).
    void WriteLog(const std::string& text, int mode, bool newLine);
    void InsertText(const std::string& text, int fontSlot, bool underline);
    std::string TimeStamp() const;
    bool TimeStampsOn();
    bool RunSkinLayout();
    bool CheckBanner();
    void InsertIntoInput(const CString& text);
    void SelectColorButton(int id);
    void SaveSettings();
    void RestorePosition();
    CString SelectedMember();
    HWND InputEdit() const;

    IChatWindowHost* m_host;
    CRichEditCtrl m_log;
    HWND m_members = nullptr;
    HWND m_input = nullptr;
    std::unique_ptr<IChatBanner> m_banner;
    CSkinButton m_buttons[kButtonCount];
    HWND m_toolTip = nullptr;
    std::vector<CString> m_roomMenu;
    HCURSOR m_waitCursor = nullptr;
    int linkClickBusy = 0;
    int doubleClickSeen = 0;
    COLORREF m_colors[kColorCount] = {};
    COLORREF m_currentColor = 0;
    CSkinButton* m_pressedColor = nullptr;
    HIMAGELIST m_images = nullptr;
    CString m_phrases[kPhraseCount];
    CString m_phraseTips[kPhraseCount];
    std::unique_ptr<chat::ChatRoom> m_room;
    // The engine object behind the room's engine link, and the link.
    CChatEngine* m_engine = nullptr;
    std::unique_ptr<chat::IChatEngineLink> m_engineLink;
    // True while the window is being destroyed: a running login dialog ends as a refusal.
    bool m_closing = false;
};
