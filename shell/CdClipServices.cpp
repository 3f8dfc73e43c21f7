#include "shell/CdClipServices.h"

#include "phone_media/cdplayer/win/CdPlayerDlg.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "phone_media/voiceclip/win/VoiceClipHost.h"
#include "shell/ClientApp.h"
#include "shell/SendWindowServices.h"

#include <memory>

namespace {

class CVoiceClipServices : public IVoiceClipHost {
public:
    bool LockSoundDevice(void* owner, bool acquire) override
    {
        CClientApp* app = GetClientApp();
        return app && app->LockSoundDevice(owner, acquire) != FALSE;
    }
    HWND GetSendWindow() override
    {
        CWnd* send = CClientApp::GetAppWindow(kWindowSend);
        return send ? send->GetSafeHwnd() : nullptr;
    }
    void OnVoiceRecorderClosed() override { NotifySendWindowRecorderClosed(); }
};

CVoiceClipServices g_clipServices;

} // namespace

CCdPlayerDlg* CreateCdPlayerWindow(CWnd* hostDialog)
{
    auto player = std::make_unique<CCdPlayerDlg>(hostDialog);
    if (!player->Create())
        return nullptr;
    player->SetAutoDelete(true);
    player->ShowWindow(SW_HIDE);
    return player.release();
}

CVoiceClipDlg* CreateVoiceClipWindow(CWnd* hostDialog)
{
    if (&voiceclip::Host() != &g_clipServices)
        voiceclip::SetHost(&g_clipServices);
    auto panel = std::make_unique<CVoiceClipDlg>(hostDialog);
    if (!panel->Create())
        return nullptr;
    panel->SetAutoDelete(true);
    panel->ShowWindow(SW_HIDE);
    return panel.release();
}
