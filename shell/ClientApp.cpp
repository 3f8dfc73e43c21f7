#include "shell/ClientApp.h"

#include "shell/AppHostDlg.h"
#include "shell/AppSeams.h"
#include "shell/AppMessages.h"
#include "shell/InstanceWnd.h"
#include "shell/MainDlg.h"
#include "shell/SessionServices.h"
#include "shell/SignupLauncher.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/utilities/TextUtil.h"
#include "shell/common/utilities/WinUtil.h"

#include "phone_media/callengine/CallEngine.h"

#include "framework/core/Failure.h"
#include "framework/win/Controls.h"

#include "resources/StringIds.h"

#include <lmcons.h>
#include <ole2.h>
#include <shellapi.h>
#include <winsock.h>

#include <memory>

namespace {

const char kFailureLogName[] = "failure.log";

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

} // namespace

CClientApp* GetClientApp() { return static_cast<CClientApp*>(AfxGetApp()); }

CAppHostDlg* CClientApp::GetHostDlg() const { return static_cast<CAppHostDlg*>(GetAppWindow(kWindowHost)); }

CMainDlg* CClientApp::GetMainDlg() const { return static_cast<CMainDlg*>(GetAppWindow(kWindowMain)); }

CClientApp::CClientApp() : CWinApp("NimboVandrell"), m_profile(*this)
{
    // The dial-up library is only probed here; it is loaded again whenever it is used.
    if (HMODULE ras = ::LoadLibraryA("rasapi32.dll")) {
        m_state |= kDialupLibraryPresent;
        ::FreeLibrary(ras);
    }
    SetProfileStore(&m_profile);
    m_requestQueue.SetFailureReporter(&CClientApp::ReportRequestFailure, this);
}

CClientApp::~CClientApp()
{
    if (m_failuresRouted)
        RouteFailuresTo(nullptr);
    SetProfileStore(nullptr);
}

void CClientApp::SetupRegistry()
{
    SetRegistryKey("Qelo");
    SetProfileName("NimboVandrell");
    m_exeFolder = winutil::GetModuleFolder();
}

BOOL CClientApp::InitInstance()
{
    StartFailureLog(winutil::GetModuleFolder());

    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0)
        return FALSE;

    m_mutex = ::CreateMutexA(nullptr, FALSE, NV_INSTANCE_MUTEX);
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        NotifyRunningInstance(m_commandLine);
        return FALSE;
    }

    // ActiveX control hosting and the rich-edit control for the windows to come. Without OLE
    // the program still runs; only the windows that host controls will fail, and say so.
    HRESULT ole = ::OleInitialize(nullptr);
    m_oleInitialized = SUCCEEDED(ole);
    if (!m_oleInitialized) {
        CString code;
        code.Format("OleInitialize failed (0x%08lX)", static_cast<unsigned long>(ole));
        nv::ReportFailure("start-up", code);
    }
    CRichEditCtrl::EnsureLoaded();

    netui::SetHost(this);
    SetupRegistry();
    if (!LaunchSignup(m_exeFolder, *this))
        return FALSE;

    if (!winutil::RegisterFileTypes(nullptr, 0) || !winutil::RegisterFileTypes(nullptr, 1)) {
        PresentMessageBoxId(nullptr, IDS_INSTALL_BROKEN, MB_ICONSTOP | MB_TOPMOST);
        return FALSE;
    }

    ResetSessionState();
    LoadSettings();
    PlayStartSound();
    BuildVersionText();

    InstallProgramSeams();
    InstallSessionServices(*this);
    RunHostDialog();
    SaveSettings();
    RemoveSessionServices(*this);
    RemoveProgramSeams();
    return FALSE;
}

INT_PTR CClientApp::RunHostDialog()
{
    CAppHostDlg host; // joins the window registry as the host while its window exists
    m_pMainWnd = &host;
    INT_PTR result = host.DoModal();
    m_pMainWnd = nullptr;
    return result;
}

int CClientApp::ExitInstance()
{
    netui::SetHost(nullptr);
    if (m_mutex) {
        ::CloseHandle(m_mutex);
        m_mutex = nullptr;
    }
    if (m_oleInitialized) {
        ::OleUninitialize();
        m_oleInitialized = false;
    }
    int result = CWinApp::ExitInstance();
    if (m_failuresRouted) {
        RouteFailuresTo(nullptr);
        m_failuresRouted = false;
    }
    return result;
}

void CClientApp::StartFailureLog(const CString& folder)
{
    m_failureLog.SetPath(folder + "\\" + kFailureLogName);
    SetFailureTarget(nullptr);
}

void CClientApp::SetFailureTarget(IFailureTarget* target)
{
    RouteFailuresTo(target ? target : &m_failureLog);
    m_failuresRouted = true;
}

void CClientApp::WinHelp()
{
    // "ﾄﾋﾟｯｸの検索: Nimbo Vandrell Ver3.2  ｵﾝﾗｲﾝﾍﾙﾌﾟ" and "Nimbo Vandrell Ver3.2  ｵﾝﾗｲﾝﾍﾙﾌﾟ".
    static const char kTopicsTitle[] = "\xc4\xcb\xdf\xaf\xb8\x82\xcc\x8c\x9f\x8d\xf5: Nimbo Vandrell Ver3.2  "
                                       "\xb5\xdd\xd7\xb2\xdd\xcd\xd9\xcc\xdf";
    static const char kHelpTitle[] = "Nimbo Vandrell Ver3.2  \xb5\xdd\xd7\xb2\xdd\xcd\xd9\xcc\xdf";
    HWND help = ::FindWindowA(nullptr, kTopicsTitle);
    if (!help)
        help = ::FindWindowA(nullptr, kHelpTitle);
    if (help) {
        ::BringWindowToTop(help);
        return;
    }
    CString file = m_exeFolder + "\\NimboVandrell.hlp";
    ::ShellExecuteA(nullptr, "open", file, nullptr, nullptr, SW_SHOWNOACTIVATE);
    if (HWND opened = ::FindWindowA(nullptr, kTopicsTitle))
        ::SetWindowPos(opened, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CClientApp::BuildVersionText()
{
    // Read without an engine of its own: the phone session's engine keeps the session's events.
    m_versionText = textutil::BuildVersionText(CCallEngine::LibraryVersionText());
}

SettingsDefaults CClientApp::LoadSettingsDefaults() const
{
    SettingsDefaults d;
    d.replyMessage = LoadText(IDS_REPLY_MESSAGE_DEFAULT);
    d.defaultWave = LoadText(IDS_DEFAULT_WAVE);
    char logon[UNLEN + 1] = {};
    DWORD size = sizeof logon;
    if (::GetUserNameA(logon, &size))
        d.logonName = logon;
    d.urlChatLogin = LoadText(IDS_URL_CHAT_LOGIN);
    d.homePage = LoadText(IDS_URL_HOME_PAGE);
    d.topPage = LoadText(IDS_URL_TOP_PAGE);
    d.loginPage = LoadText(IDS_URL_LOGIN_PAGE);
    d.searchPage = LoadText(IDS_URL_SEARCH_PAGE);
    d.profilePage = LoadText(IDS_URL_PROFILE_PAGE);
    d.chargePage = LoadText(IDS_URL_CHARGE_PAGE);
    d.mailPage = LoadText(IDS_URL_MAIL_PAGE);
    return d;
}

void CClientApp::ResetSessionState()
{
    m_pSession = nullptr;
    m_pmHolderKind = 0;
    m_lastResult = 0;
    m_sessionFlags = 0;
    m_modalCount = 0;
    m_messageBoxOpen = false;
}

void CClientApp::LoadSettings()
{
    NetInfoDefaults netDefaults;
    netDefaults.prefixNumber = LoadText(IDS_PREFIX_NUMBER_PATTERN);
    netDefaults.freeAccessPoint = LoadText(IDS_FREE_ACCESS_POINT);
    netDefaults.phsFreeAccessPoint = LoadText(IDS_PHS_FREE_ACCESS_POINT);
    SetNetInfoDefaults(netDefaults);
    SetDataFolder(winutil::GetInstallFolder());

    LoadOemLink();
    Load("Signup", "NetInfo");

    SettingsDefaults defaults = LoadSettingsDefaults();
    m_ownUser.status = 0;
    m_settings.LoadUserName(m_profile, defaults);
    m_ownUser.id = m_Comm_id;
    m_ownUser.name = m_Comm_name;
    m_settings.LoadPreferences(m_profile, *this, defaults, [this](const CString&) {
        CString area;
        LoadAccessPointList(LoadText(IDS_ACCESS_POINT_ENTRY), nullptr, &area, nullptr, nullptr);
        return area;
    });
    if (!m_ownUser.id.IsEmpty())
        m_users.push_back({m_ownUser.name, m_ownUser.id, 2, 0});
    m_settings.LoadFonts(m_profile);
}

void CClientApp::PlayStartSound()
{
    if (m_settings.m_flags & kFlagNoGreetingSound)
        return;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    winutil::PlayAppSound(CProgramSettings::GreetingStringId(now.wMonth, now.wDay, now.wHour));
}

void CClientApp::SavePreferences(const UserRef* ownUser)
{
    if (ownUser)
        m_ownUser = *ownUser;
    m_ownUser.id = m_Comm_id;
    m_ownUser.name = m_Comm_name;
    Save("NetInfo");
    m_settings.SavePreferences(m_profile);
}

void CClientApp::SaveSettings()
{
    // The service session belongs to the part that registered it and has ended with log-out;
    // the application only forgets it, and closes the lock in case no session closed it.
    m_pSession = nullptr;
    ClosePmLock();
    SetMessageArrive(false);
    // Windows leave the registry as they are destroyed; nothing should be left by now.
    Windows().Clear();
    m_users.clear();
    m_settings.SaveFonts(m_profile);
    // A session that ended without logging out properly must not lose its connection changes.
    ThawConnectSettings();
    SavePreferences();
    SaveCommCache();
}

void CClientApp::OpenHandedOverFile(const CString& path)
{
    CString stripped = textutil::StripQuotes(path);
    textutil::HandoverKind kind = textutil::ClassifyHandoverPath(stripped);
    if (kind == textutil::HandoverKind::None)
        return;
    // A second start can come while the main window is still being made: its file is kept for
    // the window instead of being dropped.
    CMainDlg* main = GetMainDlg();
    if (!m_pHandoverTarget || !main || !main->IsReady()) {
        m_pendingHandover = stripped;
        return;
    }
    if (kind == textutil::HandoverKind::ConnectionInfo)
        m_pHandoverTarget->ImportConnectionInfo(stripped);
    else
        m_pHandoverTarget->ApplySkinFile(stripped);
}

void CClientApp::OpenPendingHandover()
{
    if (m_pendingHandover.IsEmpty())
        return;
    CString path = m_pendingHandover;
    m_pendingHandover.Empty();
    OpenHandedOverFile(path);
}

void CClientApp::OnHostLoopStarting() { m_exiting = false; }

bool CClientApp::BeginExit()
{
    if (m_exiting)
        return false;
    m_exiting = true;
    return true;
}
