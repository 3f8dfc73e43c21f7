#include "saver/SaverSettingsDlg.h"

#include "saver/SaverIds.h"
#include "saver/SpriteSaverWnd.h"

#include <shellapi.h>

BEGIN_MESSAGE_MAP(CSaverSettingsDlg, CScreenSaverDlg)
    ON_COMMAND(IDC_HOMEPAGE, OnHomepageButton)
END_MESSAGE_MAP()

CSaverSettingsDlg::CSaverSettingsDlg(CSpriteSaverWnd& saver)
    : CScreenSaverDlg(IDD_SAVER_SETTINGS), m_saver(saver),
      m_openUrl([](const std::string& url, int show) {
          ShellExecuteA(nullptr, nullptr, url.c_str(), nullptr, nullptr, show);
      })
{
}

BOOL CSaverSettingsDlg::OnInitDialog()
{
    CScreenSaverDlg::OnInitDialog();
    DoDataExchange(false);
    return TRUE;
}

void CSaverSettingsDlg::OnOK()
{
    DoDataExchange(true);
    CScreenSaverDlg::OnOK();
}

void CSaverSettingsDlg::DoDataExchange(bool saving)
{
    HWND count = GetDlgItem(IDC_COUNT_SLIDER);
    HWND speed = GetDlgItem(IDC_SPEED_SLIDER);
    if (saving) {
        m_saver.SetCount(static_cast<int>(::SendMessageA(count, TBM_GETPOS, 0, 0)));
        m_saver.SetSpeed(static_cast<int>(::SendMessageA(speed, TBM_GETPOS, 0, 0)));
        m_saver.WriteSettings();
        return;
    }
    m_saver.ReadSettings();
    ::SendMessageA(count, TBM_SETRANGE, TRUE, MAKELPARAM(1, saver::kMaxCount));
    ::SendMessageA(count, TBM_SETPOS, TRUE, m_saver.GetCount());
    ::SendMessageA(speed, TBM_SETRANGE, TRUE, MAKELPARAM(1, saver::kMaxSpeed));
    ::SendMessageA(speed, TBM_SETPOS, TRUE, m_saver.GetSpeed());
}

void CSaverSettingsDlg::OnHomepageButton()
{
    // Shown normally: a browser opened hidden would look as if the button did nothing.
    CString address = GetDlgItemText(IDC_HOMEPAGE);
    if (!address.IsEmpty() && m_openUrl)
        m_openUrl(address.str(), SW_SHOWNORMAL);
}
