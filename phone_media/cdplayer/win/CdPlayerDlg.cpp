#include "phone_media/cdplayer/win/CdPlayerDlg.h"

#include "phone_media/cdplayer/win/CdAudioWnd.h"
#include "phone_media/mci/MciSeam.h"
#include "resources/ids/phone_media.h"
#include "shell/common/services/WindowKinds.h"
#include "toolkit/core/ControlLogic.h"

#include <commctrl.h>

const CCdPlayerDlg::Strip CCdPlayerDlg::kStrips[10] = {
    {IDC_CD_BACK, "cdplay_back.bmp", IDS_CD_TIP_BACK},
    {IDC_CD_PLAY, "cdplay_play.bmp", IDS_CD_TIP_PLAY},
    {IDC_CD_PAUSE, "cdplay_pause.bmp", IDS_CD_TIP_PAUSE},
    {IDC_CD_NEXT, "cdplay_forward.bmp", IDS_CD_TIP_NEXT},
    {IDC_CD_STOP, "cdplay_stop.bmp", IDS_CD_TIP_STOP},
    {IDC_CD_EJECT, "cdplay_eject.bmp", IDS_CD_TIP_EJECT},
    {IDC_CD_REPEAT, "cdplay_repeat.bmp", IDS_CD_TIP_REPEAT},
    {IDC_CD_ALLREPEAT, "cdplay_allrepeat.bmp", IDS_CD_TIP_ALLREPEAT},
    {IDC_CD_SHUFFLE, "cdplay_shuffle.bmp", IDS_CD_TIP_SHUFFLE},
    {IDC_CD_CLOSE, "cdplay_cls.bmp", 0},
};

BEGIN_MESSAGE_MAP(CCdPlayerDlg, CSkinFrameDialog)
    ON_WM_SHOWWINDOW()
    ON_WM_WINDOWPOSCHANGED()
    ON_WM_DESTROY()
    ON_WM_HSCROLL()
    ON_MESSAGE(CCdAudioWnd::kEngineMessage, OnEngineMessage)
END_MESSAGE_MAP()

CCdPlayerDlg::CCdPlayerDlg(CWnd* parent) : CSkinFrameDialog(IDD_CD_PLAYER, parent)
{
    m_style = kModePanel;
    JoinRegistry(kWindowCdPlayer);
}

CCdPlayerDlg::~CCdPlayerDlg()
{
    if (m_engine) {
        CCdAudioWnd* engine = m_engine;
        m_engine = nullptr;
        engine->Close();
        delete engine;
    }
}

void CCdPlayerDlg::PostNcDestroy()
{
    if (m_autoDelete)
        delete this;
}

BOOL CCdPlayerDlg::Create()
{
    if (!LoadSkin("cdplay.bmp", FALSE))
        return FALSE;
    return CSkinFrameDialog::Create(IDD_CD_PLAYER, m_parentWindow);
}

CSkinButton* CCdPlayerDlg::Button(UINT id)
{
    for (int i = 0; i < 10; ++i)
        if (kStrips[i].id == id)
            return &m_buttons[i];
    return nullptr;
}

bool CCdPlayerDlg::LayOut()
{
    for (int i = 0; i < 10; ++i) {
        CSkinButton& button = m_buttons[i];
        if (!button.GetSafeHwnd() && !button.SubclassDlgItem(kStrips[i].id, this))
            return false;
        if (!button.SetBitmap(kStrips[i].bitmap, 4))
            return false;
        button.PlaceFromSkin(kStrips[i].id);
    }
    if (!m_track.GetSafeHwnd() && !m_track.SubclassDlgItem(IDC_CD_TRACK, this))
        return false;
    if (!m_time.GetSafeHwnd() && !m_time.SubclassDlgItem(IDC_CD_TIME, this))
        return false;
    if (!m_track.SetDigitsBitmap("cdplay_digit.bmp", 2) || !m_time.SetDigitsBitmap("cdplay_digit.bmp", 5))
        return false;
    m_track.SetMode(1);
    m_time.SetMode(skin::kReadoutMinutesSeconds);
    m_track.PlaceFromSkin(IDC_CD_TRACK);
    m_time.PlaceFromSkin(IDC_CD_TIME);
    if (!m_volume.GetSafeHwnd() && !m_volume.SubclassDlgItem(IDC_CD_VOLUME, this))
        return false;
    if (!m_volume.SetBitmaps("cdplay_volume.bmp", "cdplay_volumebar.bmp"))
        return false;
    m_volume.PlaceFromSkin(IDC_CD_VOLUME);
    return true;
}

BOOL CCdPlayerDlg::OnInitDialog()
{
    CSkinFrameDialog::OnInitDialog();
    DockFromSkin(IDD_CD_PLAYER);
    if (!HasSkin() || !LayOut())
        return TRUE; // stops early: no dock group, no tool tips
    ::SendMessageA(m_volume.GetSafeHwnd(), TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    int volume = cd::GetAuxVolume(AuxDevices());
    ::SendMessageA(m_volume.GetSafeHwnd(), TBM_SETPOS, TRUE, volume < 0 ? 0 : volume);
    ShowTrack(0);
    ShowTime(0);
    if (CSkinFrameDialog* leader = Leader())
        leader->AddDockedWindow(this);
    AddToolTips();
    m_complete = TRUE;
    return TRUE;
}

void CCdPlayerDlg::AddToolTips()
{
    if (!m_tooltip)
        m_tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, nullptr, nullptr);
    if (!m_tooltip)
        return;
    for (int i = 0; i < 10; ++i) {
        if (!kStrips[i].tip)
            continue;
        CString tip;
        tip.LoadString(kStrips[i].tip);
        TOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = m_hWnd;
        info.uId = reinterpret_cast<UINT_PTR>(m_buttons[i].GetSafeHwnd());
        info.lpszText = const_cast<char*>(tip.GetString());
        ::SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    ::SendMessageA(m_tooltip, TTM_ACTIVATE, TRUE, 0);
}

BOOL CCdPlayerDlg::LayoutSkin()
{
    if (!ReloadSkin("cdplay.bmp"))
        return FALSE;
    if (!LayOut())
        return FALSE;
    DockFromSkin(IDD_CD_PLAYER);
    ShowTrack(m_trackValue);
    ShowTime(m_timeValue);
    return TRUE;
}

void CCdPlayerDlg::ShowTrack(int track)
{
    m_trackValue = track;
    if (m_track.GetSafeHwnd())
        m_track.SetValue(track, 1);
}

void CCdPlayerDlg::ShowTime(int seconds)
{
    m_timeValue = seconds;
    if (m_time.GetSafeHwnd())
        m_time.SetValue(seconds, 1);
}

void CCdPlayerDlg::SetPlayState(int state)
{
    m_latches = cd::ApplyPlayState(state, m_latches);
    const std::pair<UINT, bool> looks[] = {{IDC_CD_PLAY, m_latches.play},
                                           {IDC_CD_PAUSE, m_latches.pause},
                                           {IDC_CD_REPEAT, m_latches.repeatOne},
                                           {IDC_CD_ALLREPEAT, m_latches.repeatAll},
                                           {IDC_CD_SHUFFLE, m_latches.random}};
    for (const auto& [id, on] : looks)
        if (CSkinButton* button = Button(id); button && button->GetSafeHwnd())
            button->SetPushed(on ? TRUE : FALSE);
}

BOOL CCdPlayerDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    UINT id = LOWORD(wParam);
    if (id == IDC_CD_CLOSE) {
        DestroyEngine();
        SnapToDock();
        return TRUE;
    }
    CCdAudioWnd* engine = m_engine;
    switch (id) {
    case IDC_CD_PLAY:
        SetPlayState(engine && engine->Play() ? cd::kStatePlaying : cd::kStateOff);
        return TRUE;
    case IDC_CD_PAUSE:
        if (engine && engine->Pause())
            SetPlayState(cd::kStatePaused);
        return TRUE;
    case IDC_CD_STOP:
        SetPlayState(cd::kStateStopped);
        if (engine)
            engine->Stop();
        return TRUE;
    case IDC_CD_BACK:
        SetPlayState(cd::kStateBack);
        if (engine && engine->Prev())
            SetPlayState(cd::kStatePlaying);
        return TRUE;
    case IDC_CD_NEXT:
        SetPlayState(cd::kStateNext);
        if (engine && engine->Next())
            SetPlayState(cd::kStatePlaying);
        return TRUE;
    case IDC_CD_EJECT:
        SetPlayState(cd::kStateEjected);
        if (engine)
            engine->Eject();
        return TRUE;
    case IDC_CD_REPEAT:
        if (engine)
            SetPlayState(engine->ToggleRepeatOne() ? cd::kStateRepeatOneOn : cd::kStateRepeatOneOff);
        return TRUE;
    case IDC_CD_ALLREPEAT:
        if (engine)
            SetPlayState(engine->ToggleRepeatAll() ? cd::kStateRepeatAllOn : cd::kStateRepeatAllOff);
        return TRUE;
    case IDC_CD_SHUFFLE:
        if (engine)
            SetPlayState(engine->ToggleRandom() ? cd::kStateRandomOn : cd::kStateRandomOff);
        return TRUE;
    default:
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    }
}

void CCdPlayerDlg::OnHScroll(UINT, int, HWND scrollBar)
{
    if (scrollBar && scrollBar == m_volume.GetSafeHwnd()) {
        int position = static_cast<int>(::SendMessageA(scrollBar, TBM_GETPOS, 0, 0));
        cd::SetAuxVolume(AuxDevices(), position);
    }
}

LRESULT CCdPlayerDlg::OnEngineMessage(WPARAM wParam, LPARAM lParam)
{
    int value = static_cast<int>(lParam);
    switch (wParam) {
    case cd::kEventStopped:
        m_latches.play = false;
        if (CSkinButton* play = Button(IDC_CD_PLAY); play && play->GetSafeHwnd())
            play->SetPushed(FALSE);
        ShowTrack(value);
        ShowTime(0);
        break;
    case cd::kEventTrackStarted:
        ShowTrack(value);
        ShowTime(0);
        break;
    case cd::kEventEjected:
        ShowTrack(0);
        break;
    case cd::kEventSecond:
        ShowTime(value);
        break;
    default:
        break;
    }
    return 0;
}

void CCdPlayerDlg::CreateEngine()
{
    if (m_engine || !m_hWnd)
        return;
    auto* engine = new CCdAudioWnd();
    if (!engine->CreateHidden()) {
        delete engine;
        return;
    }
    m_engine = engine;
    engine->Open(m_hWnd);
    engine->Engine().SetRandom(m_savedRandom);
    engine->Engine().SetRepeatAll(m_savedRepeatAll);
    engine->Engine().SetRepeatOne(m_savedRepeatOne);
}

void CCdPlayerDlg::DestroyEngine()
{
    if (!m_engine)
        return;
    CCdAudioWnd* engine = m_engine;
    m_savedRandom = engine->Engine().Random();
    m_savedRepeatAll = engine->Engine().RepeatAll();
    m_savedRepeatOne = engine->Engine().RepeatOne();
    m_engine = nullptr;
    if (engine->Engine().IsOpen())
        engine->Stop();
    engine->Close();
    engine->DestroyWindow();
    delete engine;
}

void CCdPlayerDlg::OnShowWindow(BOOL show, UINT status)
{
    Default();
    (void)status;
    if (show)
        CreateEngine();
    else
        DestroyEngine();
}

void CCdPlayerDlg::OnWindowPosChanged(WINDOWPOS* position)
{
    if (position && (position->flags & SWP_SHOWWINDOW))
        CreateEngine();
    else if (position && (position->flags & SWP_HIDEWINDOW))
        DestroyEngine();
    CSkinFrameDialog::OnWindowPosChanged(position);
}

void CCdPlayerDlg::OnDestroy()
{
    if (m_engine) {
        CCdAudioWnd* engine = m_engine;
        m_engine = nullptr;
        if (engine->Engine().IsOpen())
            engine->Stop();
        engine->Close();
        engine->DestroyWindow();
        delete engine;
    }
    if (m_tooltip) {
        ::DestroyWindow(m_tooltip);
        m_tooltip = nullptr;
    }
    CSkinFrameDialog::OnDestroy();
}
