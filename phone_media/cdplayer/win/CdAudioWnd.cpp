#include "phone_media/cdplayer/win/CdAudioWnd.h"

BEGIN_MESSAGE_MAP(CCdAudioWnd, CWnd)
    ON_MESSAGE(MM_MCINOTIFY, OnMciNotify)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CCdAudioWnd::CCdAudioWnd() : m_engine(m_drive, *this) {}

CCdAudioWnd::~CCdAudioWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CCdAudioWnd::CreateHidden()
{
    const char* className = RegisterWindowClass("NvCdAudioWnd", CS_DBLCLKS);
    if (!CreateEx(0, className, "QELOCDPLAY", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr))
        return FALSE;
    m_drive.SetNotifyWindow(m_hWnd);
    return TRUE;
}

int CCdAudioWnd::Open(HWND owner)
{
    m_owner = owner;
    return m_engine.Open();
}

void CCdAudioWnd::Close() { m_engine.Close(); }

LRESULT CCdAudioWnd::OnMciNotify(WPARAM wParam, LPARAM lParam)
{
    // Only our device's notifications; a superseded or aborted play is no track end.
    if (static_cast<MCIDEVICEID>(lParam) == m_drive.DeviceId())
        m_engine.OnPlayEnded(wParam == MCI_NOTIFY_SUCCESSFUL);
    return 0;
}

void CCdAudioWnd::OnTimer(UINT_PTR id)
{
    if (id == kSecondTimer)
        m_engine.OnSecond();
}

void CCdAudioWnd::OnEngineEvent(int event, long value)
{
    if (m_owner && ::IsWindow(m_owner))
        ::SendMessageA(m_owner, kEngineMessage, static_cast<WPARAM>(event), static_cast<LPARAM>(value));
}

void CCdAudioWnd::StartSecondTimer()
{
    if (m_hWnd)
        ::SetTimer(m_hWnd, kSecondTimer, 1000, nullptr);
}

void CCdAudioWnd::StopSecondTimer()
{
    if (m_hWnd)
        ::KillTimer(m_hWnd, kSecondTimer);
}
