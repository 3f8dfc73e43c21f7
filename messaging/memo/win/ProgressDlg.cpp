#include "messaging/memo/win/ProgressDlg.h"

#include "messaging/memo/MemoFlow.h"
#include "resources/StringIds.h"

#include <commctrl.h>
#include <richedit.h>

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_WM_TIMER()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg() = default;

BOOL CProgressDlg::Create(HWND ownerHandle, CWnd* owner)
{
    m_ownerHandle = ownerHandle;
    return CDialog::Create(IDD_TRANSFER_PROGRESS, owner);
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The two rich edits below the bar, in dialog units of the template.
    RECT percent = {7, 20, 40, 32};
    RECT line = {44, 20, 144, 32};
    ::MapDialogRect(m_hWnd, &percent);
    ::MapDialogRect(m_hWnd, &line);
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_READONLY;
    if (!m_percent.Create(style, percent, this, IDC_PROGRESS_PERCENT) || !m_line.Create(style, line, this, IDC_PROGRESS_TEXT))
        return FALSE;
    return TRUE;
}

void CProgressDlg::SetGreenOnBlack(CRichEditCtrl& edit)
{
    edit.SetBackgroundColor(FALSE, RGB(0, 0, 0));
    CHARFORMATA format = {};
    format.dwMask = CFM_COLOR;
    format.crTextColor = RGB(0, 255, 0);
    edit.SetDefaultCharFormat(format);
    edit.SetAllCharFormat(format);
}

void CProgressDlg::StartTimer(double total)
{
    m_total = total;
    m_bytesDone.store(0);
    m_endMarker.store(0);
    m_shownPercent = -1;
    ::SendDlgItemMessageA(m_hWnd, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SetGreenOnBlack(m_percent);
    SetGreenOnBlack(m_line);
    CString text;
    text.LoadString(IDS_PROGRESS_VOICE);
    ::SetWindowTextA(m_line.m_hWnd, text);
    SetGreenOnBlack(m_line);
    Refresh();
    ShowWindow(SW_SHOWNA);
    SetTimer(kProgressTimer, kProgressTimerMs);
}

void CProgressDlg::Refresh()
{
    const int percent = TransferPercent(m_bytesDone.load(), m_total, m_endMarker.load());
    if (percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    ::SendDlgItemMessageA(m_hWnd, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    m_percentText.Format("%d%%", percent);
    ::SetWindowTextA(m_percent.m_hWnd, m_percentText);
    SetGreenOnBlack(m_percent);
}

void CProgressDlg::OnTimer(UINT_PTR id)
{
    if (id == kProgressTimer)
        Refresh();
}

void CProgressDlg::OnOK() { ShowWindow(SW_HIDE); }

void CProgressDlg::OnCancel()
{
    // The transfer stops: the owner's client ends it as cancelled.
    if (m_ownerHandle && ::IsWindow(m_ownerHandle))
        ::PostMessageA(m_ownerHandle, 0x406, 1000, 0);
    ShowWindow(SW_HIDE);
}

void CProgressDlg::OnDestroy()
{
    KillTimer(kProgressTimer);
    Default();
}
