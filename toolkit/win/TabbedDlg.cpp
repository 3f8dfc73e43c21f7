#include "toolkit/win/TabbedDlg.h"

#include "toolkit/win/CtlColorReflect.h"

BEGIN_MESSAGE_MAP(CTabbedDlg, CSkinDialog)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CTabbedDlg::CTabbedDlg(UINT templateId, CWnd* parent) : CSkinDialog(templateId, parent) {}

CTabbedDlg::~CTabbedDlg() = default;

BOOL CTabbedDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    m_whiteBrush.CreateSolidBrush(RGB(255, 255, 255));
    return TRUE;
}

BOOL CTabbedDlg::AddPage(CTabPage* page, UINT templateId, CWnd* parent)
{
    if (!page)
        return FALSE;
    m_pages.push_back(Page{page, templateId});
    return page->Create(LOWORD(templateId), parent);
}

void CTabbedDlg::ShowPage(int index, int x, int y, int cx, int cy)
{
    m_pagePosition = POINT{x, y};
    if (m_pages.empty())
        return;
    if (index < 0 || index >= GetPageCount())
        index = 0;
    for (int i = 0; i < GetPageCount(); ++i) {
        if (i != index)
            m_pages[static_cast<std::size_t>(i)].page->SetWindowPos(HWND_TOP, x, y, cx, cy, SWP_HIDEWINDOW);
    }
    CTabPage* chosen = m_pages[static_cast<std::size_t>(index)].page;
    chosen->OnPageActivate();
    chosen->SetWindowPos(HWND_TOP, x, y, cx, cy, SWP_SHOWWINDOW);
}

void CTabbedDlg::SelectPage(int index)
{
    for (int i = 0; i < GetPageCount(); ++i) {
        CTabPage* page = m_pages[static_cast<std::size_t>(i)].page;
        if (i == index) {
            page->OnPageActivate();
            page->SetWindowPos(HWND_TOP, m_pagePosition.x, m_pagePosition.y, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE);
        } else {
            page->SetWindowPos(HWND_TOP, m_pagePosition.x, m_pagePosition.y, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE);
        }
    }
}

CWnd* CTabbedDlg::GetPage(int index)
{
    if (index == -1)
        return this;
    if (index < 0 || index >= GetPageCount())
        return nullptr;
    return m_pages[static_cast<std::size_t>(index)].page;
}

HBRUSH CTabbedDlg::OnCtlColor(HDC dc, HWND control, UINT type)
{
    // A control that colours itself (a blinking label) keeps its own colours.
    HBRUSH brush = nullptr;
    if (ReflectCtlColorToChild(this, dc, control, type, &brush))
        return brush;
    if (type == WM_CTLCOLORDLG) {
        ::SetBkMode(dc, TRANSPARENT);
        return m_whiteBrush;
    }
    if (type == WM_CTLCOLORSTATIC) {
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkMode(dc, TRANSPARENT);
        return m_whiteBrush;
    }
    return CSkinDialog::OnCtlColor(dc, control, type);
}
