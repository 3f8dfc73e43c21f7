// CCdPlayerDlg: the CD player, a small skinned panel docked to the main window ("cdplay.bmp",
// template 247). Its buttons drive the hidden engine window, their latches follow the player's
// state, two digit readouts show the track and the minutes and seconds, and the slider sets the
// volume of the auxiliary audio devices. The engine exists while the player is shown; hiding the
// player stops the disc and keeps the repeat and random modes.
#pragma once

#include "phone_media/cdplayer/CdEngine.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinControls.h"
#include "toolkit/win/SkinFrameDialog.h"

class CCdAudioWnd;

class CCdPlayerDlg : public CSkinFrameDialog {
public:
    explicit CCdPlayerDlg(CWnd* parent);
    ~CCdPlayerDlg() override;

    // Loads "cdplay.bmp" and creates the (hidden) window; FALSE when either fails.
    BOOL Create();
    // After a skin change: everything again from "cdplay.bmp"; FALSE when a bitmap is missing.
    BOOL LayoutSkin();
    void SetPlayState(int state);

    void CreateEngine();
    void DestroyEngine();
    CCdAudioWnd* GetEngine() const { return m_engine; }
    const cd::Latches& GetLatches() const { return m_latches; }
    CTimeReadout& TrackReadout() { return m_track; }
    CTimeReadout& TimeReadout() { return m_time; }
    int GetTrackValue() const { return m_trackValue; }
    int GetTimeValue() const { return m_timeValue; }
    CSkinButton* Button(UINT id);
    CSkinSlider& Volume() { return m_volume; }
    // Whether the start-up went through (skin, controls, dock group, tool tips).
    BOOL IsComplete() const { return m_complete; }
    HWND GetToolTip() const { return m_tooltip; }
    // The program's player deletes its object with its window; tests keep theirs.
    void SetAutoDelete(bool on) { m_autoDelete = on; }

    DECLARE_MESSAGE_MAP()

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    void OnShowWindow(BOOL show, UINT status);
    void OnWindowPosChanged(WINDOWPOS* position);
    void OnDestroy();
    void OnHScroll(UINT code, int position, HWND scrollBar);
    LRESULT OnEngineMessage(WPARAM wParam, LPARAM lParam);

private:
    bool LayOut();
    void AddToolTips();
    void ShowTrack(int track);
    void ShowTime(int seconds);

    struct Strip {
        UINT id;
        const char* bitmap;
        UINT tip;
    };
    static const Strip kStrips[10];
    CSkinButton m_buttons[10];
    CTimeReadout m_track;
    CTimeReadout m_time;
    CSkinSlider m_volume;
    HWND m_tooltip = nullptr;
    CCdAudioWnd* m_engine = nullptr;
    bool m_savedRandom = false;
    bool m_savedRepeatOne = false;
    bool m_savedRepeatAll = false;
    cd::Latches m_latches;
    int m_trackValue = 0;
    int m_timeValue = 0;
    BOOL m_complete = FALSE;
    bool m_autoDelete = false;
};
