// What the program registers with the layers below it at start-up: the toolkit's skin source
// (the skin manager) and host (the application: main window, modal state, tray list), the skin
// manager's host (messages in the program's own box) and the message-box presenter that runs the
// program's own box once the main window is ready.
#include "shell/AppSeams.h"

#include "shell/AppObjects.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/TrayIcon.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/skin/SkinSource.h"
#include "toolkit/win/MessageBoxDlg.h"

#include <memory>

namespace {

class CAppToolkitHost : public IToolkitHost {
public:
    HWND GetMainWindow() override
    {
        CClientApp* app = GetClientApp();
        CMainDlg* main = app ? app->GetMainDlg() : nullptr;
        return main ? main->GetSafeHwnd() : nullptr;
    }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool modal) override
    {
        if (CClientApp* app = GetClientApp())
            app->SetModalState(modal);
    }
    void AddTrayWindow(HWND window) override
    {
        if (CTrayIcon* tray = CTrayIcon::Instance())
            tray->AddWindow(window);
    }
    void RemoveTrayWindow(HWND window) override
    {
        if (CTrayIcon* tray = CTrayIcon::Instance())
            tray->RemoveWindow(window);
    }
};

class CAppSkinHost : public CDefaultSkinHost {
public:
    CAppSkinHost() : CDefaultSkinHost("Software\\Qelo\\NimboVandrell") {}
    int ShowMessage(HWND, const CString& text, UINT flags) override
    {
        CClientApp* app = GetClientApp();
        return app ? app->ShowMessageBox(text, flags) : PresentMessageBox(nullptr, text, flags);
    }
    void EndProgram(int exitCode) override { EndProgramNow(exitCode); }
};

// The system box until the main window is ready, the program's own box after.
class CAppPresenter : public IMessageBoxPresenter {
public:
    int Show(HWND owner, const char* text, UINT flags, bool styled) override
    {
        if (!styled)
            return ::MessageBoxA(owner, text, "NimboVandrell", flags);
        CMessageBoxDlg box(owner ? CWnd::FromHandlePermanent(owner) : nullptr);
        box.Setup("NimboVandrell", text, flags);
        return static_cast<int>(box.DoModal());
    }
};

CAppToolkitHost g_toolkitHost;
CAppSkinHost g_skinHost;
CAppPresenter g_presenter;
std::unique_ptr<CSkinManagerSource> g_skinSource;

} // namespace

void InstallProgramSeams()
{
    toolkit::SetHost(&g_toolkitHost);
    if (CSkinManager* skins = GetAppSkinManager()) {
        skins->SetHost(&g_skinHost);
        g_skinSource = std::make_unique<CSkinManagerSource>(*skins);
        toolkit::SetSkinSource(g_skinSource.get());
    }
    // A presenter registered before (a test's) stays.
    if (IMessageBoxPresenter* previous = SetMessageBoxPresenter(&g_presenter))
        SetMessageBoxPresenter(previous);
}

void RemoveProgramSeams()
{
    toolkit::SetSkinSource(nullptr);
    g_skinSource.reset();
    toolkit::SetHost(nullptr);
    if (GetMessageBoxPresenter() == &g_presenter)
        SetMessageBoxPresenter(nullptr);
}
