#include "phone_media/voiceclip/win/VoiceClipDlg.h"

#include "phone_media/voiceclip/win/ClipFiles.h"
#include "phone_media/voiceclip/win/VoiceClipHost.h"
#include "phone_media/zob/ZobConv.h"
#include "resources/ids/phone_media.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/services/WindowKinds.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
constexpr UINT kBoxFlags = MB_OK | MB_ICONEXCLAMATION;

bool FileReadable(const char* path)
{
    if (!path || !*path)
        return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

void DeleteIfThere(const CString& path)
{
    if (!path.IsEmpty() && ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        ::DeleteFileA(path);
}
} // namespace

const CVoiceClipDlg::Strip CVoiceClipDlg::kStrips[6] = {
    {IDC_CLIP_BACK, "cast_back.bmp", 4},   {IDC_CLIP_STOP, "cast_stop.bmp", 4},
    {IDC_CLIP_RECORD, "cast_rec.bmp", 4},  {IDC_CLIP_PLAY, "cast_play.bmp", 4},
    {IDC_CLIP_CLOSE, "cast_cls.bmp", 4},   {IDC_CLIP_INDICATOR, "cast_indicate.bmp", 1},
};

BEGIN_MESSAGE_MAP(CVoiceClipDlg, CSkinFrameDialog)
    ON_WM_TIMER()
    ON_WM_SHOWWINDOW()
    ON_WM_DESTROY()
    ON_WM_ERASEBKGND()
    ON_MESSAGE(MM_MCINOTIFY, OnMciNotify)
END_MESSAGE_MAP()

CVoiceClipDlg::CVoiceClipDlg(CWnd* parent) : CSkinFrameDialog(IDD_VOICE_CLIP, parent)
{
    m_style = kModePanel;
    JoinRegistry(kWindowVoiceClip);
}

CVoiceClipDlg::~CVoiceClipDlg()
{
    m_mci.reset();
    DeleteIfThere(m_wavePath);
    DeleteIfThere(m_clipPath);
}

void CVoiceClipDlg::PostNcDestroy()
{
    if (m_autoDelete)
        delete this;
}

BOOL CVoiceClipDlg::Create()
{
    if (!LoadSkin("cast.bmp", FALSE))
        return FALSE;
    return CSkinFrameDialog::Create(IDD_VOICE_CLIP, m_parentWindow);
}

CSkinButton* CVoiceClipDlg::Button(UINT id)
{
    for (int i = 0; i < 6; ++i)
        if (kStrips[i].id == id)
            return &m_buttons[i];
    return nullptr;
}

bool CVoiceClipDlg::IsDisabled(UINT id)
{
    CSkinButton* button = Button(id);
    return !button || !button->GetSafeHwnd() || button->IsDisabled();
}

bool CVoiceClipDlg::LayOut()
{
    for (int i = 0; i < 6; ++i) {
        CSkinButton& button = m_buttons[i];
        if (!button.GetSafeHwnd() && !button.SubclassDlgItem(kStrips[i].id, this))
            return false;
        if (!button.SetBitmap(kStrips[i].bitmap, kStrips[i].frames))
            return false;
        button.PlaceFromSkin(kStrips[i].id);
    }
    RECT r{};
    toolkit::Skins().GetControlRect(IDC_CLIP_INDICATOR, &r);
    m_indicatorRect = r;
    m_fullWidth = r.right - r.left;
    m_progress.SetFullWidth(m_fullWidth);
    ShowBarWidth();
    return true;
}

BOOL CVoiceClipDlg::OnInitDialog()
{
    CSkinFrameDialog::OnInitDialog();
    DockFromSkin(IDD_VOICE_CLIP);
    if (!HasSkin() || !LayOut())
        return TRUE;
    Button(IDC_CLIP_INDICATOR)->EnableButton(FALSE);
    Button(IDC_CLIP_BACK)->EnableButton(FALSE);
    m_mci = std::make_unique<CMciDevice>(m_hWnd);
    ShowIdleLook();
    char temp[MAX_PATH] = {};
    if (MakeTempFileName(temp, m_hWnd)) {
        m_clipPath = clip::ReplaceTempExtension(temp, ".zob").c_str();
        ::DeleteFileA(temp);
    }
    if (CSkinFrameDialog* leader = Leader())
        leader->AddDockedWindow(this);
    m_tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, nullptr, nullptr);
    if (m_tooltip) {
        const std::pair<UINT, UINT> tips[] = {{IDC_CLIP_PLAY, IDS_CLIP_TIP_PLAY},
                                              {IDC_CLIP_STOP, IDS_CLIP_TIP_STOP},
                                              {IDC_CLIP_RECORD, IDS_CLIP_TIP_RECORD}};
        for (const auto& [id, textId] : tips) {
            CString tip;
            tip.LoadString(textId);
            TOOLINFOA info{};
            info.cbSize = TTTOOLINFOA_V1_SIZE;
            info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            info.hwnd = m_hWnd;
            info.uId = reinterpret_cast<UINT_PTR>(Button(id)->GetSafeHwnd());
            info.lpszText = const_cast<char*>(tip.GetString());
            ::SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
        }
        ::SendMessageA(m_tooltip, TTM_ACTIVATE, TRUE, 0);
    }
    m_complete = TRUE;
    return TRUE;
}

BOOL CVoiceClipDlg::LayoutSkin()
{
    if (!ReloadSkin("cast.bmp") || !LayOut())
        return FALSE;
    DockFromSkin(IDD_VOICE_CLIP);
    return TRUE;
}

BOOL CVoiceClipDlg::OnEraseBkgnd(HDC dc)
{
    CSkinDialog::OnEraseBkgnd(dc);
    return TRUE;
}

void CVoiceClipDlg::ShowIdleLook()
{
    for (UINT id : {IDC_CLIP_PLAY, IDC_CLIP_RECORD})
        if (CSkinButton* b = Button(id); b && b->GetSafeHwnd())
            b->EnableButton(TRUE);
    if (CSkinButton* b = Button(IDC_CLIP_STOP); b && b->GetSafeHwnd())
        b->EnableButton(FALSE);
}

void CVoiceClipDlg::ShowBusyLook()
{
    for (UINT id : {IDC_CLIP_PLAY, IDC_CLIP_RECORD})
        if (CSkinButton* b = Button(id); b && b->GetSafeHwnd())
            b->EnableButton(FALSE);
    if (CSkinButton* b = Button(IDC_CLIP_STOP); b && b->GetSafeHwnd())
        b->EnableButton(TRUE);
}

void CVoiceClipDlg::ShowBarWidth()
{
    CSkinButton* bar = Button(IDC_CLIP_INDICATOR);
    if (!bar || !bar->GetSafeHwnd())
        return;
    int height = m_indicatorRect.bottom - m_indicatorRect.top;
    ::MoveWindow(bar->GetSafeHwnd(), m_indicatorRect.left, m_indicatorRect.top, m_progress.Width(), height, TRUE);
}

void CVoiceClipDlg::ResetBar()
{
    m_progress.Reset();
    ShowBarWidth();
}

void CVoiceClipDlg::StartBar(std::int64_t totalMs)
{
    m_progress.Start(static_cast<int>(std::clamp<std::int64_t>(totalMs, 0, 0x7FFFFFFF)));
    ShowBarWidth();
}

bool CVoiceClipDlg::Lock() { return voiceclip::Host().LockSoundDevice(this, true); }

void CVoiceClipDlg::Unlock() { voiceclip::Host().LockSoundDevice(this, false); }

void CVoiceClipDlg::Message(UINT id) { PresentMessageBoxId(m_hWnd, id, kBoxFlags); }

void CVoiceClipDlg::DropWaveFile()
{
    DeleteIfThere(m_wavePath);
    m_wavePath.Empty();
}

BOOL CVoiceClipDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_CLIP_PLAY:
        PlayFile(m_clipPath);
        return TRUE;
    case IDC_CLIP_RECORD:
        RecordFile(m_clipPath);
        return TRUE;
    case IDC_CLIP_STOP:
        OnStop();
        return TRUE;
    case IDC_CLIP_CLOSE:
        ShowWindow(SW_HIDE);
        SnapToDock();
        return TRUE;
    case IDOK:
    case IDCANCEL:
        return TRUE;
    default:
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    }
}

int CVoiceClipDlg::RecordFile(const CString& target)
{
    // A disabled button leaves the lock as it was: a busy panel holds it already, and a panel
    // without a device must not take it from the phone for good.
    if (IsDisabled(IDC_CLIP_RECORD))
        return 0;
    if (!Lock())
        return 0;
    m_recordResult = 0;
    if (!m_mci) {
        Message(IDS_CLIP_NO_DEVICE);
        Button(IDC_CLIP_PLAY)->EnableButton(FALSE);
        Button(IDC_CLIP_RECORD)->EnableButton(FALSE);
        Button(IDC_CLIP_STOP)->EnableButton(TRUE);
        Unlock();
        return 0;
    }
    if (m_mode != kIdle) {
        Message(IDS_CLIP_DEVICE_BUSY);
        Unlock();
        return 0;
    }
    m_stopPending = 0;
    ResetBar();
    m_recordTarget = target;
    m_mode = kRecording;
    MCIDEVICEID device = 0;
    if (!m_mci->Open(1, m_hWnd, &device, nullptr)) {
        Message(IDS_CLIP_NO_DEVICE);
        m_mode = kIdle;
        Unlock();
        return 0;
    }
    m_device = device;
    if (!m_mci->Record(m_hWnd, m_device, kRecordLimitMs)) {
        Message(IDS_CLIP_CANNOT_RECORD);
        m_mci->Close(m_hWnd, m_device);
        m_device = 0;
        m_mode = kIdle;
        Unlock();
        return 0;
    }
    StartBar(kRecordLimitMs);
    SetTimer(kProgressTimer, 100);
    ShowBusyLook();
    return 1;
}

int CVoiceClipDlg::PlayFile(const CString& path)
{
    if (IsDisabled(IDC_CLIP_PLAY))
        return 0;
    if (!Lock())
        return 0;
    CString candidate;
    if (!m_mci) {
        Message(IDS_CLIP_NO_DEVICE);
        Button(IDC_CLIP_PLAY)->EnableButton(FALSE);
        Button(IDC_CLIP_RECORD)->EnableButton(FALSE);
        Button(IDC_CLIP_STOP)->EnableButton(TRUE);
        Unlock();
        return 0;
    }
    if (m_mode != kIdle) {
        Message(IDS_CLIP_DEVICE_BUSY);
        Unlock();
        return 0;
    }
    m_stopPending = 0;
    ResetBar();
    if (!FileReadable(path)) {
        Message(IDS_CLIP_NOT_SAVED);
        Unlock();
        return 0;
    }
    if (clip::GetMediaFileInfo(path, &m_info) == clip::kInfoWave)
        candidate = path;
    char temp[MAX_PATH] = {};
    if (!MakeTempFileName(temp, m_hWnd)) {
        Message(IDS_CLIP_NO_TEMP_NAME);
        Unlock();
        return 0;
    }
    m_wavePath = clip::ReplaceTempExtension(temp, ".wav").c_str();
    ::DeleteFileA(temp);
    auto fail = [this](UINT message) {
        if (message)
            Message(message);
        m_mode = kIdle;
        DropWaveFile();
        Unlock();
        return 0;
    };
    if (candidate.IsEmpty()) {
        candidate = m_wavePath;
        m_mode = kPlaying;
        if (m_wavePath.IsEmpty() || !DecodeZobFile(path, m_wavePath))
            return fail(IDS_CLIP_CANNOT_DECODE);
        int info = clip::GetMediaFileInfo(m_wavePath, &m_info);
        if (info == clip::kInfoCannotOpen)
            return fail(IDS_CLIP_NOT_SAVED);
        if (info != clip::kInfoWave)
            return fail(IDS_CLIP_UNSUPPORTED);
    }
    MCIDEVICEID device = 0;
    if (!m_mci->Open(1, m_hWnd, &device, candidate))
        return fail(IDS_CLIP_NO_DEVICE);
    m_device = device;
    if (m_mci->Play(m_hWnd, m_device, 0)) {
        StartBar(m_info.durationMs);
        SetTimer(kProgressTimer, 100);
        m_mode = kPlaying;
        ShowBusyLook();
        return 1;
    }
    CString format;
    format.LoadString(IDS_CLIP_DEVICE_ERROR);
    m_errorMessage.Format(format, m_mci->GetLastErrorText());
    PresentMessageBox(m_hWnd, m_errorMessage, kBoxFlags);
    m_mci->Close(m_hWnd, m_device);
    m_device = 0;
    return fail(0);
}

// What stopping and a play or record end have in common: the device stopped, a recording saved
// and encoded (and the send window told), the device closed, the temporary wave deleted.
void CVoiceClipDlg::EndDevice(bool byNotification)
{
    if (m_device) {
        m_mci->Stop(m_hWnd, m_device);
        if (m_mode == kRecording) {
            char temp[MAX_PATH] = {};
            if (!MakeTempFileName(temp, m_hWnd)) {
                Message(IDS_CLIP_NO_TEMP_NAME);
            } else {
                m_wavePath = clip::ReplaceTempExtension(temp, ".wav").c_str();
                ::DeleteFileA(temp);
                if (!m_mci->Save(m_hWnd, m_device, m_wavePath))
                    Message(IDS_CLIP_SAVE_FAILED);
                if (!EncodeZobFile(m_wavePath, m_recordTarget)) {
                    Message(IDS_CLIP_CANNOT_ENCODE);
                    DeleteIfThere(m_recordTarget);
                }
                if (HWND send = voiceclip::Host().GetSendWindow())
                    ::PostMessageA(send, kRecordingSaved, 0, 0);
            }
        }
        m_mci->Close(m_hWnd, m_device);
        if (byNotification)
            m_stopPending = 1;
        m_device = 0;
    }
    m_mode = kIdle;
    DropWaveFile();
}

void CVoiceClipDlg::OnStop()
{
    if (IsDisabled(IDC_CLIP_STOP))
        return;
    KillTimer(kProgressTimer);
    m_stopPending = 0;
    ResetBar();
    EndDevice(false);
    ShowIdleLook();
    Unlock();
}

LRESULT CVoiceClipDlg::OnMciNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam == MCI_NOTIFY_ABORTED)
        return 0;
    // A late notification of a device this panel no longer holds changes nothing.
    if (m_device == 0 || static_cast<MCIDEVICEID>(lParam) != m_device)
        return 0;
    ShowIdleLook();
    if (m_mode == kIdle)
        return 0;
    EndDevice(true);
    Unlock();
    return 0;
}

void CVoiceClipDlg::OnTimer(UINT_PTR id)
{
    if (id == kProgressTimer) {
        KillTimer(kProgressTimer);
        if (m_stopPending) {
            m_stopPending = 0;
            ResetBar();
        } else if (m_progress.Elapsed() < m_progress.Total()) {
            if (m_progress.Advance())
                ShowBarWidth();
            SetTimer(kProgressTimer, 100);
        } else {
            ResetBar();
        }
    }
    CSkinFrameDialog::OnTimer(id);
}

void CVoiceClipDlg::ResetPanel()
{
    KillTimer(kProgressTimer);
    m_stopPending = 0;
    ResetBar();
    voiceclip::Host().OnVoiceRecorderClosed();
    if (m_device && m_mci) {
        m_mci->Stop(m_hWnd, m_device);
        m_mci->Close(m_hWnd, m_device);
        m_device = 0;
    }
    m_mode = kIdle;
    DropWaveFile();
    Unlock();
    ShowIdleLook();
}

void CVoiceClipDlg::OnShowWindow(BOOL show, UINT status)
{
    Default();
    if (!show && status == 0)
        ResetPanel();
}

void CVoiceClipDlg::OnDestroy()
{
    KillTimer(kProgressTimer);
    if (m_device && m_mci) {
        if (m_mode != kIdle)
            m_mci->Stop(m_hWnd, m_device);
        m_mci->Close(m_hWnd, m_device);
        m_device = 0;
    }
    if (m_mode == kPlaying || m_mode == kRecording)
        Unlock();
    m_mode = kIdle;
    m_mci.reset();
    DropWaveFile();
    DeleteIfThere(m_clipPath);
    if (m_tooltip) {
        ::DestroyWindow(m_tooltip);
        m_tooltip = nullptr;
    }
    CSkinFrameDialog::OnDestroy();
}

int CVoiceClipDlg::GetClipPath(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    if (m_clipPath.GetLength() + 1 > size) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, m_clipPath.GetString(), static_cast<std::size_t>(m_clipPath.GetLength()) + 1);
    return FileReadable(m_clipPath) ? 1 : 0;
}

int CVoiceClipDlg::Record()
{
    if (IsDisabled(IDC_CLIP_RECORD))
        return 0;
    RecordFile(m_clipPath);
    return 1;
}

int CVoiceClipDlg::Stop()
{
    if (IsDisabled(IDC_CLIP_STOP))
        return 0;
    OnStop();
    return 1;
}

int CVoiceClipDlg::ShowBeside(HWND owner)
{
    if (!owner || !::IsWindow(owner))
        return 0;
    RECT panel, ownerRect, desktop;
    GetWindowRect(&panel);
    ::GetWindowRect(owner, &ownerRect);
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    clip::Spot at = clip::BesidePosition(clip::Box{panel.left, panel.top, panel.right, panel.bottom},
                                         clip::Box{ownerRect.left, ownerRect.top, ownerRect.right, ownerRect.bottom},
                                         desktop.right - desktop.left);
    SetWindowPos(nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!IsWindowVisible())
        ShowWindow(SW_SHOW);
    ::BringWindowToTop(m_hWnd);
    return 1;
}

int CVoiceClipDlg::Hold(int hold)
{
    if (hold) {
        if (m_mode != kIdle)
            return 0;
        m_mode = kHeld;
        return 1;
    }
    if (m_mode != kHeld)
        return 0;
    m_mode = kIdle;
    return 1;
}

int CVoiceClipDlg::LoadClip(const CString& path)
{
    if (IsDisabled(IDC_CLIP_PLAY))
        return 0;
    if (m_mode == kPlaying)
        OnStop();
    if (!clip::CopyClipFile(m_clipPath, path)) {
        DeleteIfThere(m_clipPath);
        return 0;
    }
    PlayFile(m_clipPath);
    return 1;
}
