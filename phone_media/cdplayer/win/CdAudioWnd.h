// CCdAudioWnd: the hidden window ("QELOCDPLAY") that holds the MCI CD audio device for the CD
// player. It runs the engine (phone_media/cdplayer/CdEngine.h), receives the device's play
// notifications and its one-second timer, and reports to its owner with 0x446.
#pragma once

#include "framework/win/Wnd.h"
#include "phone_media/cdplayer/CdEngine.h"
#include "phone_media/cdplayer/win/MciCdDrive.h"

class CCdAudioWnd : public CWnd, private cd::ICdEngineOwner {
public:
    static constexpr UINT kEngineMessage = WM_USER + 70; // 0x446
    static constexpr UINT_PTR kSecondTimer = 100;

    CCdAudioWnd();
    ~CCdAudioWnd() override;

    // The hidden window, without a parent.
    BOOL CreateHidden();
    // 0, -1 (the device did not open) or -2 (no TMSF time format).
    int Open(HWND owner);
    void Close();
    BOOL Play() { return m_engine.Play(); }
    BOOL Stop() { return m_engine.Stop(); }
    BOOL Pause() { return m_engine.Pause(); }
    BOOL Next() { return m_engine.Next(); }
    BOOL Prev() { return m_engine.Prev(); }
    BOOL Eject() { return m_engine.Eject(); }
    BOOL ToggleRepeatOne() { return m_engine.ToggleRepeatOne(); }
    BOOL ToggleRepeatAll() { return m_engine.ToggleRepeatAll(); }
    BOOL ToggleRandom() { return m_engine.ToggleRandom(); }
    int GetTrackCount() { return m_engine.GetTrackCount(); }
    BOOL IsPlaying(BOOL pauseCounts) { return m_engine.IsPlaying(pauseCounts != FALSE); }
    BOOL IsMediaPresent() { return m_engine.IsMediaPresent(); }
    cd::CCdEngine& Engine() { return m_engine; }

    DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnMciNotify(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);

private:
    void OnEngineEvent(int event, long value) override;
    void StartSecondTimer() override;
    void StopSecondTimer() override;

    HWND m_owner = nullptr;
    CMciCdDrive m_drive;
    cd::CCdEngine m_engine;
};
