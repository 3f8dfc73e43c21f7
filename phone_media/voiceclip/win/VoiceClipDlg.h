// CVoiceClipDlg: the voice-clip panel ("cast.bmp", template 250, docked to the main window). It
// records clips of at most 10 seconds (8 kHz, 8-bit, mono) through the MCI "waveaudio" device
// and encodes them to ZOB, and plays clips, .wav directly and ZOB through a decoded temporary
// "MMP" .wav. The progress strip grows in eighths on a timer re-armed by hand. The send window
// gets 0x43C when a recording is saved. Every box goes through the message-box presenter.
#pragma once

#include "phone_media/voiceclip/ClipRules.h"
#include "phone_media/voiceclip/win/MciDevice.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <memory>

class CVoiceClipDlg : public CSkinFrameDialog {
public:
    static constexpr UINT kRecordingSaved = WM_USER + 60; // 0x43C
    static constexpr UINT_PTR kProgressTimer = 1;
    static constexpr DWORD kRecordLimitMs = 10000;
    enum Mode { kIdle = 0, kPlaying = 1, kRecording = 2, kHeld = 8 };

    explicit CVoiceClipDlg(CWnd* parent);
    ~CVoiceClipDlg() override;

    // Loads "cast.bmp" and creates the (hidden) panel.
    BOOL Create();

    // Copies the clip's path with its terminating zero into buffer (size characters); non-zero
    // when that file opens for reading. 0 when the buffer is too small.
    int GetClipPath(char* buffer, int size);
    int Record();
    int Stop();
    BOOL IsIdle() const { return m_mode == kIdle; }
    BOOL IsRecording() const { return m_mode == kRecording; }
    int GetRecordResult() const { return m_recordResult; }
    int ShowBeside(HWND owner);
    int Hold(int hold);
    int LoadClip(const CString& path);
    BOOL LayoutSkin();

    int GetMode() const { return m_mode; }
    const CString& GetClipPathText() const { return m_clipPath; }
    const CString& GetWavePath() const { return m_wavePath; }
    const clip::ProgressStrip& Progress() const { return m_progress; }
    CSkinButton* Button(UINT id);
    HWND GetToolTip() const { return m_tooltip; }
    BOOL IsComplete() const { return m_complete; }
    // The program's panel deletes its object with its window; tests keep theirs.
    void SetAutoDelete(bool on) { m_autoDelete = on; }

    DECLARE_MESSAGE_MAP()

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    void OnTimer(UINT_PTR id);
    void OnShowWindow(BOOL show, UINT status);
    void OnDestroy();
    BOOL OnEraseBkgnd(HDC dc);
    LRESULT OnMciNotify(WPARAM wParam, LPARAM lParam);

private:
    bool LayOut();
    int RecordFile(const CString& target);
    int PlayFile(const CString& path);
    void OnStop();
    void EndDevice(bool byNotification);
    void ResetPanel();
    void ShowIdleLook();
    void ShowBusyLook();
    void ResetBar();
    void StartBar(std::int64_t totalMs);
    void ShowBarWidth();
    void DropWaveFile();
    bool Lock();
    void Unlock();
    void Message(UINT id);
    bool IsDisabled(UINT id);

    struct Strip {
        UINT id;
        const char* bitmap;
        int frames;
    };
    static const Strip kStrips[6];
    CSkinButton m_buttons[6];
    HWND m_tooltip = nullptr;
    CString m_errorMessage;
    int m_fullWidth = 0;
    RECT m_indicatorRect = {0, 0, 0, 0};
    std::unique_ptr<CMciDevice> m_mci;
    MCIDEVICEID m_device = 0;
    int m_mode = kIdle;
    CString m_wavePath;
    CString m_clipPath;
    CString m_recordTarget;
    clip::ClipInfo m_info;
    int m_recordResult = 0;
    clip::ProgressStrip m_progress;
    int m_stopPending = 0;
    BOOL m_complete = FALSE;
    bool m_autoDelete = false;
};
