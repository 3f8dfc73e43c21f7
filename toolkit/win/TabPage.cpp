#include "toolkit/win/TabPage.h"

BEGIN_MESSAGE_MAP(CTabPage, CDialog)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CTabPage::CTabPage(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

CTabPage::~CTabPage() = default;

BOOL CTabPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_whiteBrush.CreateSolidBrush(RGB(255, 255, 255));
    return TRUE;
}

void CTabPage::OnCancel()
{
    HWND parent = GetParent();
    if (parent)
        ::PostMessageA(parent, WM_CLOSE, 0, 0);
}

HBRUSH CTabPage::OnCtlColor(HDC dc, HWND, UINT type)
{
    switch (type) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        return m_whiteBrush;
    case WM_CTLCOLORDLG:
        ::SetBkMode(dc, TRANSPARENT);
        return m_whiteBrush;
    default:
        // Buttons, scroll bars and message boxes keep the system's colours.
        return reinterpret_cast<HBRUSH>(Default());
    }
}
