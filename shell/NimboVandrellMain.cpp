// The main program's static objects, constructed in this order: the skin manager, the tray icon
// and the application object; the framework's WinMain runs the application.
#include "shell/AppObjects.h"
#include "shell/ClientApp.h"
#include "shell/TrayIcon.h"
#include "shell/common/skin/SkinManager.h"

namespace {

class CProgramSkinManager : public CSkinManager {
public:
    CProgramSkinManager() { SetAppSkinManager(this); }
    ~CProgramSkinManager() override { SetAppSkinManager(nullptr); }
};

CProgramSkinManager g_skinManager;

} // namespace

CTrayIcon g_trayIcon;
CClientApp theApp;
