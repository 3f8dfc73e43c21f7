// CMessageBoxDlg: the program's own message box: a borderless, always-on-top box with yellow
// text on black, the system icon of the requested kind and push buttons whose captions come from
// the string table. It takes the system message box's style values and answers the same ids.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/Dialog.h"
#include "framework/win/Gdi.h"
#include "toolkit/core/ControlLogic.h"
#include "toolkit/win/SkinControls.h"

#include <functional>
#include <memory>
#include <vector>

class CMessageBoxDlg : public CDialog {
public:
    explicit CMessageBoxDlg(CWnd* parent);
    ~CMessageBoxDlg() override;

    // style: the button set in the low four bits, the icon in the next four (as the system's).
    void Setup(const char* caption, const char* text, UINT style);
    // caption string id -1 takes the command id as the string id.
    void AddButton(int id, BOOL isDefault, BOOL isCancel, int stringId);
    INT_PTR DoModal() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Answers HTCAPTION for the client area, so that a window is dragged by any point of it.
    static LRESULT DragByClientArea(LRESULT hit) { return hit == HTCLIENT ? HTCAPTION : hit; }

    // Called at the end of every box's initialisation. Tests answer boxes from here (a modal box
    // with nobody at the keyboard would wait for ever).
    using ShownHook = std::function<void(CMessageBoxDlg& box)>;
    static void SetShownHook(ShownHook hook);

    int GetDefaultId() const { return m_defaultId; }
    int GetCancelId() const { return m_cancelId; }
    const CString& GetText() const { return m_text; }
    HWND GetTextControl() const { return m_textControl.GetSafeHwnd(); }
    HWND GetButton(std::size_t index) const;
    std::size_t GetButtonCount() const { return m_buttons.size(); }
    SIZE GetTextSize() const { return m_textSize; }

    DECLARE_MESSAGE_MAP()

protected:
    BOOL OnCmdMsg(UINT id, int code) override;
    void OnRequestResize(NMHDR* header, LRESULT* result);
    void OnClose();
    LRESULT OnNcHitTest(POINT point);
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);

private:
    int ToPixelsX(int dialogUnits) const { return dialogUnits * m_unitsPer1000.cx / 1000; }
    int ToPixelsY(int dialogUnits) const { return dialogUnits * m_unitsPer1000.cy / 1000; }
    void Finish(int result);
    void MeasureText();
    void CreateButtons();
    void LayOut();

    BOOL m_isWindows2000 = FALSE;
    SIZE m_unitsPer1000 = {0, 0};
    SIZE m_textSize = {0, 0};
    SIZE m_buttonSize = {0, 0};
    SIZE m_iconSize = {0, 0};
    int m_defaultId = -1;
    int m_cancelId = -1;
    CBlinkLabel m_iconLabel;
    CRichEditCtrl m_textControl;
    struct Button {
        int id;
        CString caption;
        std::unique_ptr<CButton> window;
    };
    std::vector<Button> m_buttons;
    HICON m_icon = nullptr;
    CString m_text;
    CBrush m_backgroundBrush;
};
