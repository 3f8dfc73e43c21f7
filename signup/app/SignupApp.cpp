#include "signup/app/SignupApp.h"

#include "resources/StringIds.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/utilities/TextUtil.h"
#include "shell/common/utilities/WinUtil.h"
#include "signup/core/SignupImport.h"
#include "signup/core/SignupRules.h"

#include <commctrl.h>
#include <winsock2.h>

#include <new>

namespace {

constexpr UINT kMsgImportPath = WM_APP + 0x40B; // posted to itself: the import runs after the send returned
constexpr DWORD kWaitForRunningCopyMs = 10000;
constexpr DWORD kHandoverSendTimeoutMs = 15000;
constexpr UINT kTopmostStop = MB_TOPMOST | MB_ICONHAND;

CSignupApp* g_app = nullptr;

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

CSignupApp::CSignupApp(ISignupWizard* wizard)
    : CWinApp("Signup"), m_wizard(wizard), m_account(*this, [this](const char* name) { return GetServerUrl(name); }),
      m_policy(*this), m_poster(&m_policy), m_forms(m_account, m_poster), m_requests(*this, m_forms)
{
    g_app = this;
    // Whether the dial-up library exists at all: loaded once and freed at once.
    if (HMODULE ras = ::LoadLibraryA("rasapi32.dll")) {
        m_state |= kDialupLibraryPresent;
        ::FreeLibrary(ras);
    }
}

CSignupApp::~CSignupApp()
{
    delete m_ras;
    if (g_app == this)
        g_app = nullptr;
}

int CSignupApp::ShowMessage(HWND owner, const CString& text, unsigned flags)
{
    return PresentMessageBox(owner, text, flags);
}

int CSignupApp::ShowMessageLogged(HWND owner, const CString& text, unsigned flags)
{
    return PresentMessageBox(owner, text, flags);
}

void CSignupApp::SelectProfile(const char* name)
{
    // The framework's root is HKCU\Software\<key>\<profile name>: the key "Qelo", the profile
    // "NimboVandrell" or "NimboVandrell\<name>".
    const CString path = signup::ProfileRootPath(name);
    SetRegistryKey("Qelo");
    SetProfileName(path.Mid(static_cast<int>(sizeof "Software\\Qelo\\") - 1));
}

void CSignupApp::LoadServerUrls()
{
    SelectProfile("Servers");
    m_signupPage = GetProfileString("", "SignupPage", LoadText(IDS_SU_SIGNUP_URL));
    m_profilePage = GetProfileString("", "ProfilePage", LoadText(IDS_SU_PROFILE_URL));
    m_searchPage = GetProfileString("", "SearchPage", LoadText(IDS_SU_SEARCH_URL));
    SelectProfile("");
}

CString CSignupApp::GetServerUrl(const char* name) const
{
    const CString which = name ? name : "";
    if (which == "SignupPage")
        return m_signupPage;
    if (which == "ProfilePage")
        return m_profilePage;
    if (which == "SearchPage")
        return m_searchPage;
    return CString();
}

bool CSignupApp::CreateHiddenWindow()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SignupWndProc;
    wc.hInstance = m_hInstance ? m_hInstance : ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kSignupWindowClass;
    if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    m_hidden = ::CreateWindowExA(WS_EX_TOOLWINDOW, kSignupWindowClass, nullptr, 0, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    return m_hidden != nullptr;
}

void CSignupApp::DestroyHiddenWindow()
{
    if (m_hidden) {
        HWND window = m_hidden;
        m_hidden = nullptr;
        ::DestroyWindow(window);
    }
}

LRESULT CALLBACK CSignupApp::SignupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case kMsgOpenFileAtom:
        if (g_app)
            g_app->OnOpenFileAtom(static_cast<ATOM>(wParam));
        return 0;
    case kMsgImportPath: {
        CString* path = reinterpret_cast<CString*>(lParam);
        if (g_app && path)
            g_app->ImportHandedOverFile(*path);
        delete path;
        return 0;
    }
    case kMsgComeToFront:
        if (g_app && g_app->m_wizard && g_app->m_wizard->Window())
            winutil::ForceForegroundWindow(g_app->m_wizard->Window());
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

void CSignupApp::OnOpenFileAtom(ATOM atom)
{
    char name[MAX_PATH + 1] = {};
    const UINT length = ::GlobalGetAtomNameA(atom, name, MAX_PATH);
    name[length < MAX_PATH ? length : MAX_PATH] = '\0';
    ::GlobalDeleteAtom(atom);
    CString path;
    if (!signup::ConnectionFileOfHandover(CString(name), &path))
        return;
    // The sender waits for this message to return: the import (and any box it shows) runs after.
    CString* copy = new (std::nothrow) CString(path);
    if (copy && !::PostMessageA(m_hidden, kMsgImportPath, 0, reinterpret_cast<LPARAM>(copy)))
        delete copy;
}

void CSignupApp::ImportHandedOverFile(const CString& path)
{
    SignupImportMessages messages;
    HWND owner = m_wizard ? m_wizard->Window() : nullptr;
    messages.showId = [owner](unsigned id, unsigned flags) { PresentMessageBoxId(owner, id, flags); };
    messages.showText = [owner](const CString& text, unsigned flags) { PresentMessageBox(owner, text, flags); };
    if (!ImportSignupConnectionFile(*this, m_forms, path, messages))
        return; // refused: nothing changes, nothing is saved
    m_courseChanged = true;
    if (owner)
        winutil::ForceForegroundWindow(owner);
    if (m_courseDialog)
        m_courseDialog->OnConnectionInfoArrived();
    if (m_resultPage)
        m_resultPage->OnConnectionInfoArrived();
    if (m_wizard)
        m_wizard->OnConnectionInfoArrived();
    SaveNetInfoNow();
}

void CSignupApp::ReadWindowsRegistration(CString* productId, CString* organisation, CString* owner)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = ::GetVersionExA(&version);
#pragma GCC diagnostic pop
    const CString key = LoadText(known && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? IDS_SU_KEY_WINDOWS
                                                                                              : IDS_SU_KEY_NT);
    ReadRegistryText(HKEY_LOCAL_MACHINE, key, "ProductID", productId);
    ReadRegistryText(HKEY_LOCAL_MACHINE, key, "RegisteredOwner", owner);
    ReadRegistryText(HKEY_LOCAL_MACHINE, key, "RegisteredOrganization", organisation);
}

CString CSignupApp::MakeMachineId()
{
    char user[65] = {};
    DWORD size = 64;
    if (!::GetUserNameA(user, &size))
        user[0] = '\0';
    user[64] = '\0';
    CString productId, organisation, owner;
    ReadWindowsRegistration(&productId, &organisation, &owner);
    return signup::MakeMachineId(productId, organisation, owner, user);
}

CDialupDlg* CSignupApp::CreateRasManager(bool report)
{
    delete m_ras;
    m_ras = nullptr;
    if (!(m_state & kDialupLibraryPresent)) {
        if (report)
            PresentMessageBoxId(nullptr, IDS_NO_DIALUP_LIBRARY, MB_ICONEXCLAMATION);
        return nullptr;
    }
    CDialupDlg* manager = new (std::nothrow) CDialupDlg(CDialupDlg::kModeTollFree, nullptr);
    if (!manager) {
        PresentMessageBoxId(nullptr, IDS_SU_NO_RESOURCES, MB_ICONHAND);
        return nullptr;
    }
    if (!manager->IsAvailable()) {
        delete manager;
        if (report)
            PresentMessageBoxId(nullptr, IDS_NO_DIALUP_LIBRARY, MB_ICONEXCLAMATION);
        return nullptr;
    }
    if (manager->CountModems() <= 0) { // none, or the devices cannot be read
        delete manager;
        if (report)
            PresentMessageBoxId(nullptr, IDS_NO_DIALUP_DEVICE, MB_ICONEXCLAMATION);
        return nullptr;
    }
    m_ras = manager;
    return m_ras;
}

bool CSignupApp::ConnectServer(CWnd* owner)
{
    // LAN mode never dials.
    if (!NeedsDialup())
        return true;
    if (!CreateRasManager(true))
        return false;
    m_entryName.Empty();
    if (m_ras->IsConnected(""))
        return true;
    return DialSignupServer(false, owner);
}

bool CSignupApp::DialSignupServer(bool ask, CWnd* owner)
{
    if (!m_ras)
        return false;
    if (ask && m_ras->IsConnected("")) {
        CString active;
        if (!m_ras->GetActiveEntryNames(&active) || active.IsEmpty())
            active = "\x83\x5f\x83\x43\x83\x84\x83\x8b\x83\x41\x83\x62\x83\x76\x90\xda\x91\xb1"; // ダイヤルアップ接続
        CString question;
        question.Format(LoadText(IDS_SU_DROP_CONNECTION), active.GetString(), LoadText(IDS_SU_SIGNUP_SERVER_NAME).GetString());
        if (PresentMessageBox(owner ? owner->m_hWnd : nullptr, question, MB_YESNO) != IDYES)
            return false;
        m_ras->HangUpAllAndWait();
    }
    const bool recovery = m_mode == 2;
    const CString user = LoadText(recovery ? IDS_SU_RECOVERY_USER : IDS_SU_SIGNUP_USER);
    const CString password = LoadText(recovery ? IDS_SU_RECOVERY_PASSWORD : IDS_SU_SIGNUP_PASSWORD);
    const CString number = GetPhoneNumberText(m_FreeAP);
    CString entry;
    const CString keptEntryName = m_RasEntryName; // the sign-up entry never becomes the user's own
    if (m_ras->UpdateEntry(&entry, number, user, password, LiveConnectSettings().modemName) != 0) {
        m_RasEntryName = keptEntryName;
        return false;
    }
    m_RasEntryName = keptEntryName;
    m_entryName = entry;
    HWND ownerWindow = owner ? owner->m_hWnd : nullptr;
    if (ownerWindow)
        ::EnableWindow(ownerWindow, FALSE);
    const bool connected = m_ras->DoDial(entry, false);
    if (ownerWindow)
        ::EnableWindow(ownerWindow, TRUE);
    m_ras->DeleteOwnEntry(entry);
    m_entryName.Empty();
    return connected;
}

bool CSignupApp::ApplyBrowserProxy()
{
    if (m_proxyRefreshPending) {
        m_policy.LoadBrowserProxy();
        // Nothing asks for a lookup before every request: the next one comes after the LAN
        // settings are stored again (page 1 sets the flag then).
        m_proxyRefreshPending = false;
    }
    return true;
}

void CSignupApp::HangUp()
{
    if (!NeedsDialup())
        return;
    if (m_ras)
        m_ras->HangUpAllAndWait();
}

BOOL CSignupApp::InitInstance()
{
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0)
        return FALSE;
    m_mutex = ::CreateMutexA(nullptr, FALSE, kSignupMutexName);
    if (m_mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        CString commandLine = m_commandLine;
        commandLine.Trim();
        winutil::HandOverToRunningCopy(kSignupWindowClass, commandLine, kWaitForRunningCopyMs, kHandoverSendTimeoutMs);
        return FALSE;
    }
    ::LoadLibraryA("RICHED32.DLL");
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    path[length < MAX_PATH ? length : MAX_PATH] = '\0';
    m_moduleFolder = textutil::FolderOfPath(path);

    SelectProfile("");
    NetInfoDefaults defaults;
    defaults.prefixNumber = LoadText(IDS_SU_PREFIX_PATTERN);
    defaults.freeAccessPoint = LoadText(IDS_SU_FREE_AP);
    defaults.phsFreeAccessPoint = LoadText(IDS_SU_PHS_FREE_AP);
    SetNetInfoDefaults(defaults);
    SetProfileStore(&m_registry);
    LoadOemLink();
    LoadSignupRecord(m_registry, *this, m_record);
    LoadServerUrls();
    netui::SetHost(this);

    // The hidden window exists before any message box, so that a second start during one of
    // them finds it and its file is not lost.
    if (!CreateHiddenWindow())
        return FALSE;

    if (!m_LoginID.IsEmpty() && !m_Comm_id.IsEmpty()) {
        if (HWND mainProgram = ::FindWindowA(kMainWindowClass, nullptr)) {
            PresentMessageBoxId(nullptr, IDS_SU_MAIN_RUNNING, kTopmostStop);
            ::PostMessageA(mainProgram, kMsgComeToFront, 0, 0);
            DestroyHiddenWindow();
            return FALSE;
        }
    }
    if (!winutil::RegisterFileTypes("", 0)) {
        PresentMessageBoxId(nullptr, IDS_INSTALL_BROKEN, kTopmostStop);
        DestroyHiddenWindow();
        return FALSE;
    }
    if (!CreateRasManager(false))
        PresentMessageBoxId(nullptr, IDS_SU_NO_DIALUP_AT_START, MB_ICONEXCLAMATION);

    m_pMainWnd = nullptr;
    if (m_wizard)
        m_wizard->Run(*this);

    const char* mainExe = winutil::GetAppPathFromRegistry("NimboVandrell.exe").IsEmpty() ? "q2NimboVandrell.exe"
                                                                                          : "NimboVandrell.exe";
    winutil::RegisterFileTypes(mainExe, 0);
    if (m_ras) {
        HangUp();
        m_ras->DeleteOwnEntry(LoadText(IDS_ENTRY_SIGNUP));
        delete m_ras;
        m_ras = nullptr;
    }
    DestroyHiddenWindow();
    netui::SetHost(nullptr);
    return FALSE;
}

int CSignupApp::ExitInstance()
{
    // The mutex was never owned: its handle is closed, not released.
    if (m_mutex) {
        ::CloseHandle(m_mutex);
        m_mutex = nullptr;
    }
    ::WSACleanup();
    return CWinApp::ExitInstance();
}
