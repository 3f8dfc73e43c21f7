// What the voice-clip panel needs of the program, which phone_media can't include: the sound
// card shared with the phone window, and the message send window (0x43C when a recording is
// saved, and the call when the panel is hidden). The program registers its implementation at
// start-up; tests register recording doubles. Without one, the lock is always granted and there
// is no send window.
#pragma once

#include <windows.h>

class IVoiceClipHost {
public:
    virtual ~IVoiceClipHost() = default;
    // The application's sound-device lock (shared with the phone window).
    virtual bool LockSoundDevice(void* owner, bool acquire) = 0;
    // The message send window, or null when there is none.
    virtual HWND GetSendWindow() = 0;
    // CMsgSendDlg::OnVoiceRecorderClosed on the send window, when there is one.
    virtual void OnVoiceRecorderClosed() = 0;
};

namespace voiceclip {
IVoiceClipHost* SetHost(IVoiceClipHost* host);
IVoiceClipHost& Host();
} // namespace voiceclip
