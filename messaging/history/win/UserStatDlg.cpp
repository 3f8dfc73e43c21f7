#include "messaging/history/win/UserStatDlg.h"

#include "framework/win/DataExchange.h"
#include "framework/win/WinApp.h"
#include "messaging/history/HistoryRules.h"
#include "resources/StringIds.h"
#include "toolkit/win/SkinHost.h"

CUserStatDlg::CUserStatDlg(CWnd* parent, IHistoryHost& host) : CSkinFrameDialog(IDD_USER_STAT, parent), m_host(host)
{
    m_style = kModeFree;
    LoadSkin("general.bmp", TRUE);
}

CUserStatDlg::~CUserStatDlg() = default;

void CUserStatDlg::DoDataExchange(CDataExchange* dx)
{
    CSkinFrameDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_MOOD_OK, m_ok);
    DDX_Control(dx, IDC_MOOD_CANCEL, m_cancel);
    DDX_Control(dx, IDC_MOOD_CLOSE, m_close);
}

BOOL CUserStatDlg::OnInitDialog()
{
    CSkinFrameDialog::OnInitDialog();
    if (!HasSkin() || !LayoutControls()) {
        EndDialog(IDCANCEL);
        return FALSE;
    }
    PlaceFromSkin(IDD_USER_STAT);
    int mood = history::MoodOfStatus(m_host.GetStatusWord());
    ChooseMood(mood < 0 ? 0 : mood);
    PlaceWindow();
    return FALSE; // the chosen radio has the focus
}

bool CUserStatDlg::LayoutControls()
{
    if (!m_ok.SetBitmap("chat_login_ok.bmp", 4) || !m_cancel.SetBitmap("chat_login_cancel.bmp", 4) ||
        !m_close.SetBitmap("vyrntalk_log_cls.bmp", 4))
        return false;
    m_ok.PlaceFromSkin(IDC_MOOD_OK);
    m_cancel.PlaceFromSkin(IDC_MOOD_CANCEL);
    m_close.PlaceFromSkin(IDC_MOOD_CLOSE);
    RECT rect;
    const int anchor = toolkit::Skins().GetControlRect(IDC_MOOD_CLOSE, &rect);
    if (anchor >= 0)
        SetControlAnchor(IDC_MOOD_CLOSE, anchor);
    if (HWND heading = ::GetDlgItem(m_hWnd, IDC_MOOD_HEADING)) {
        toolkit::Skins().GetControlRect(IDC_MOOD_HEADING, &rect);
        if (!::IsRectEmpty(&rect))
            ::MoveWindow(heading, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    // The mood pictures at the menus' 16 x 16, so that two moods fit in a row.
    for (int i = 0; i < history::kMoodCount; ++i) {
        const history::Mood& mood = history::MoodAt(i);
        HWND picture = ::GetDlgItem(m_hWnd, static_cast<int>(mood.iconControl));
        HANDLE icon = ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(mood.icon), IMAGE_ICON, 16, 16, LR_SHARED);
        if (picture && icon) {
            ::SendMessageA(picture, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            ::SetWindowPos(picture, nullptr, 0, 0, 16, 16, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    // The grid starts at the skin's place of the first radio.
    toolkit::Skins().GetControlRect(IDC_MOOD_FIRST_RADIO, &rect);
    std::vector<history::GridSize> sizes;
    std::vector<HWND> controls;
    for (int i = 0; i < history::kMoodCount; ++i) {
        const history::Mood& mood = history::MoodAt(i);
        for (unsigned id : {mood.radio, mood.iconControl, mood.label}) {
            HWND control = ::GetDlgItem(m_hWnd, static_cast<int>(id));
            RECT client = {};
            if (control)
                ::GetClientRect(control, &client);
            controls.push_back(control);
            sizes.push_back({client.right, client.bottom});
        }
    }
    const std::vector<history::GridRect> places = history::LayoutMoodGrid(rect.left, rect.top, sizes);
    for (std::size_t i = 0; i < places.size() && i < controls.size(); ++i)
        if (controls[i])
            ::SetWindowPos(controls[i], nullptr, places[i].left, places[i].top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void CUserStatDlg::PlaceWindow()
{
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    int x = -1, y = -1;
    int width = window.right - window.left, height = window.bottom - window.top;
    if (CWinApp* app = AfxGetApp()) {
        x = static_cast<int>(app->GetProfileInt("Location", "SetUserStatX", -1));
        y = static_cast<int>(app->GetProfileInt("Location", "SetUserStatY", -1));
        width = static_cast<int>(app->GetProfileInt("Location", "SetUserStatWidth", width));
        height = static_cast<int>(app->GetProfileInt("Location", "SetUserStatHeight", height));
    }
    if (x == -1 && y == -1) {
        RECT work;
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        x = (work.right - work.left) / 2 - width / 2;
        y = (work.bottom - work.top) / 2 - height / 2;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int CUserStatDlg::CheckedMood() const
{
    for (int i = 0; i < history::kMoodCount; ++i)
        if (::IsDlgButtonChecked(m_hWnd, static_cast<int>(history::MoodAt(i).radio)) == BST_CHECKED)
            return i;
    return -1;
}

void CUserStatDlg::ChooseMood(int index)
{
    for (int i = 0; i < history::kMoodCount; ++i)
        ::CheckDlgButton(m_hWnd, static_cast<int>(history::MoodAt(i).radio), i == index ? BST_CHECKED : BST_UNCHECKED);
    if (HWND radio = ::GetDlgItem(m_hWnd, static_cast<int>(history::MoodAt(index).radio)))
        ::SetFocus(radio);
}

BOOL CUserStatDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    switch (id) {
    case IDC_MOOD_OK: {
        const int mood = CheckedMood();
        if (mood >= 0)
            m_host.SetStatusWord(history::MoodStatus(mood));
        EndDialog(IDOK);
        return TRUE;
    }
    case IDC_MOOD_CANCEL:
    case IDC_MOOD_CLOSE:
        EndDialog(IDCANCEL);
        return TRUE;
    default:
        break;
    }
    for (int i = 0; i < history::kMoodCount; ++i) {
        const history::Mood& mood = history::MoodAt(i);
        if ((id == mood.iconControl || id == mood.label) && code == STN_CLICKED) {
            ChooseMood(i);
            return TRUE;
        }
        if (id == mood.radio && (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
            ChooseMood(i);
            return TRUE;
        }
    }
    return CSkinFrameDialog::OnCommand(wParam, lParam);
}
