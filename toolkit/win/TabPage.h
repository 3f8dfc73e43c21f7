// CTabPage: one page of a tabbed dialog, an ordinary child dialog on a white background. The
// dialog that holds it tells it just before it is shown (OnPageActivate), so that it can bring
// its controls up to date.
#pragma once

#include "framework/win/Dialog.h"
#include "framework/win/Gdi.h"

class CTabPage : public CDialog {
public:
    CTabPage(UINT templateId, CWnd* parent);
    ~CTabPage() override;

    BOOL OnInitDialog() override;
    // Escape in a page closes the whole tabbed dialog.
    void OnCancel() override;
    // A page never ends itself: Enter in one of its fields leaves it open.
    void OnOK() override {}
    // Called just before the page is shown; TRUE by default.
    virtual BOOL OnPageActivate() { return TRUE; }

    DECLARE_MESSAGE_MAP()

protected:
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);

    CBrush m_whiteBrush;
};
