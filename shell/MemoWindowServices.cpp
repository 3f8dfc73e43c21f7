#include "shell/MemoWindowServices.h"

#include "messaging/memo/MemoStore.h"
#include "messaging/memo/win/MemoDlg.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/common/services/PartnerRef.h"

namespace {

class CAppMemoHost : public IMemoHost {
public:
    void AddMemoWindow(std::uintptr_t window) override
    {
        if (CClientApp* app = GetClientApp())
            app->AddMemoWindow(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(window)));
    }
    void RemoveMemoWindow(std::uintptr_t window) override
    {
        if (CClientApp* app = GetClientApp())
            app->RemoveMemoWindow(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(window)));
    }
    void ShowNotice(unsigned stringId, std::uintptr_t owner) override
    {
        if (CClientApp* app = GetClientApp())
            app->MessageBoxId(stringId, MB_ICONWARNING, CWnd::FromHandlePermanent(reinterpret_cast<HWND>(owner)));
    }
};

CAppMemoHost g_memoHost;
CMsgStoreMemoStore g_memoStore;

} // namespace

bool OpenMemoWindow(const PartnerRef& partner)
{
    SetMemoHost(&g_memoHost);
    CClientApp* app = GetClientApp();
    auto* memo = new CMemoDlg(app ? app->GetMainDlg() : nullptr, g_memoStore);
    memo->SetPartner(partner.commId, partner.commName);
    if (!memo->Create()) {
        if (memo->GetSafeHwnd())
            memo->DestroyWindow(); // deletes it
        else
            delete memo;
        return false;
    }
    return true;
}
