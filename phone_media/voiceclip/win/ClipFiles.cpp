#include "phone_media/voiceclip/win/ClipFiles.h"

#include "phone_media/voiceclip/win/VoiceClipHost.h"
#include "shell/common/services/MessageBoxSeam.h"

namespace {

class CDefaultHost : public IVoiceClipHost {
public:
    bool LockSoundDevice(void*, bool) override { return true; }
    HWND GetSendWindow() override { return nullptr; }
    void OnVoiceRecorderClosed() override {}
};
CDefaultHost g_defaultHost;
IVoiceClipHost* g_host = nullptr;

} // namespace

namespace voiceclip {
IVoiceClipHost* SetHost(IVoiceClipHost* host)
{
    IVoiceClipHost* previous = g_host;
    g_host = host;
    return previous;
}
IVoiceClipHost& Host() { return g_host ? *g_host : g_defaultHost; }
} // namespace voiceclip

bool MakeTempFileName(char* buffer, HWND owner)
{
    char folder[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathA(MAX_PATH, folder);
    folder[MAX_PATH] = '\0';
    bool ok = length != 0 && length < MAX_PATH;
    if (ok) {
        folder[length] = '\0';
        ok = ::GetTempFileNameA(folder, "MMP", 0, buffer) != 0;
    }
    if (!ok) {
        buffer[0] = '\0';
        PresentMessageBox(owner, "MCI SAVE FALSE", MB_OK | MB_ICONERROR);
    }
    return ok;
}
