#include "saver/ScreenSaverWnd.h"

#include "saver/ScreenSaverLibrary.h"

namespace {

CScreenSaverWnd* g_saverWnd = nullptr;
CScreenSaverDlg* g_saverDlg = nullptr;

} // namespace

BEGIN_MESSAGE_MAP(CScreenSaverWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
    ON_MESSAGE(WM_QUERYNEWPALETTE, OnQueryNewPalette)
    ON_MESSAGE(WM_PALETTECHANGED, OnPaletteChanged)
END_MESSAGE_MAP()

CScreenSaverWnd::CScreenSaverWnd() { g_saverWnd = this; }

CScreenSaverWnd::~CScreenSaverWnd()
{
    if (g_saverWnd == this)
        g_saverWnd = nullptr;
}

CScreenSaverWnd* CScreenSaverWnd::Instance() { return g_saverWnd; }

void CScreenSaverWnd::DrawFrame(HDC) {}

LRESULT CScreenSaverWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefScreenSaverProc(m_hWnd, message, wParam, lParam);
}

HPALETTE CScreenSaverWnd::SetPalette(HPALETTE palette)
{
    HPALETTE old = m_palette;
    m_palette = palette;
    if (m_hWnd) {
        HDC dc = ::GetDC(m_hWnd);
        RealizePalette(dc);
        ::ReleaseDC(m_hWnd, dc);
    }
    return old;
}

void CScreenSaverWnd::RealizePalette(HDC dc)
{
    if (m_palette) {
        ::SelectPalette(dc, m_palette, FALSE);
        ::RealizePalette(dc);
    }
}

int CScreenSaverWnd::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1)
        return -1;
    ReadSettings();
    StartAnimation();
    return 0;
}

BOOL CScreenSaverWnd::OnEraseBkgnd(HDC dc)
{
    if (m_autoBlack) {
        RECT r;
        GetClientRect(&r);
        ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    return TRUE;
}

void CScreenSaverWnd::OnPaint()
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    RealizePalette(dc);
    DrawFrame(dc);
    ::EndPaint(m_hWnd, &ps);
}

LRESULT CScreenSaverWnd::OnQueryNewPalette(WPARAM, LPARAM)
{
    if (!m_palette)
        return 0;
    HDC dc = ::GetDC(m_hWnd);
    RealizePalette(dc);
    ::ReleaseDC(m_hWnd, dc);
    Invalidate(FALSE);
    return 1;
}

LRESULT CScreenSaverWnd::OnPaletteChanged(WPARAM changer, LPARAM)
{
    if (reinterpret_cast<HWND>(changer) != m_hWnd)
        OnQueryNewPalette(0, 0);
    return 0;
}

CScreenSaverDlg::CScreenSaverDlg(UINT templateId) : CDialog(templateId) { g_saverDlg = this; }

CScreenSaverDlg::~CScreenSaverDlg()
{
    if (g_saverDlg == this)
        g_saverDlg = nullptr;
}

CScreenSaverDlg* CScreenSaverDlg::Instance() { return g_saverDlg; }

BOOL CScreenSaverDlg::OnInitDialog()
{
    if (CScreenSaverWnd* saver = CScreenSaverWnd::Instance())
        saver->ReadSettings();
    return CDialog::OnInitDialog();
}

void CScreenSaverDlg::OnOK() { ::EndDialog(m_hWnd, IDOK); }
void CScreenSaverDlg::OnCancel() { ::EndDialog(m_hWnd, IDCANCEL); }

// The library's hooks. Each routes to the single object of its kind; without one they answer 0.

extern "C" LRESULT WINAPI ScreenSaverProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CScreenSaverWnd* saver = CScreenSaverWnd::Instance();
    if (!saver)
        return 0;
    if (!saver->m_hWnd)
        saver->Attach(hWnd);
    if (saver->m_hWnd != hWnd)
        return DefScreenSaverProc(hWnd, message, wParam, lParam);
    LRESULT result = saver->CallWndProc(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        saver->Detach();
    return result;
}

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    CScreenSaverDlg* dialog = CScreenSaverDlg::Instance();
    if (!dialog)
        return FALSE;
    if (message != WM_INITDIALOG || dialog->m_hWnd)
        return FALSE; // the framework's procedure has it, or the dialog manager's default
    // From here the framework's window procedure runs first and hands what it leaves to the
    // dialog manager, which calls back here and gets FALSE.
    dialog->SubclassWindow(hDlg);
    return static_cast<BOOL>(dialog->CallWndProc(WM_INITDIALOG, wParam, lParam));
}

extern "C" BOOL WINAPI RegisterDialogClasses(HANDLE) { return TRUE; }
