#include "phone_media/callengine/CallEngine.h"

#include "phone_media/callengine/CallEngineRules.h"
#include "phone_media/callengine/CallEngineServices.h"
#include "phone_media/callengine/QeloApi.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace callengine;

namespace {

// The current engine. Adapters hold the lock shared while they use the engine, so an engine
// being destroyed waits until no adapter is inside it; a handler must therefore not delete
// the engine that called it (the phone posts to itself instead).
SRWLOCK g_currentLock = SRWLOCK_INIT;
CCallEngine* g_current = nullptr;

template <class Fn>
void WithCurrent(Fn fn)
{
    AcquireSRWLockShared(&g_currentLock);
    if (CCallEngine* engine = g_current)
        fn(*engine);
    ReleaseSRWLockShared(&g_currentLock);
}

const char* Text(const char* text) { return text ? text : ""; }

constexpr char kWorkClass[] = "NimboCallEngineWork";
constexpr UINT kWorkMessage = WM_APP + 0x30;

// A state event that has to be acted on by the engine's own thread.
struct PostedState {
    int code;
    std::string message;
};

// The default directory server when the phone passes none: the library's first name.
constexpr char kDefaultServer[] = QELO_DEFAULT_SERVER;

} // namespace

// -- life ------------------------------------------------------------------------------------------

CCallEngine::CCallEngine()
{
    AcquireSRWLockExclusive(&g_currentLock);
    g_current = this;
    ReleaseSRWLockExclusive(&g_currentLock);
    ICallEngineServices& services = CallEngineServices();
    m_callLog = CallLogSwitch(services.GetProfileString("", "NIMBO_CALL_DEBUG", "FALSE"));
    m_libraryLogLevel = callengine::LibraryLogLevel(services.GetProfileInt("", "QELO_DLL_DEBUG", 0));
    if (m_callLog)
        OpenLog();
    m_status = kStatusNone;

    // The engine's own thread: where stopping and signing in again run, never in a callback.
    m_thread = GetCurrentThreadId();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WorkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kWorkClass;
    RegisterClassA(&wc); // already registered by an earlier engine: fine
    m_work = CreateWindowExA(0, kWorkClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (m_work)
        SetWindowLongPtrA(m_work, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    const QeloApi& api = Qelo();
    *api.state = OnQlState;
    *api.status = OnQlStatus;
    *api.error = OnQlError;
    *api.offhook = OnQlOffHook;
    *api.voiceStat = OnQlVoiceStat;
    *api.credit = OnQlCredit;
}

CCallEngine::~CCallEngine()
{
    AcquireSRWLockExclusive(&g_currentLock);
    if (g_current == this)
        g_current = nullptr;
    ReleaseSRWLockExclusive(&g_currentLock);
    if (m_work) {
        // Work still queued for this engine is dropped with it.
        MSG message;
        while (PeekMessageA(&message, m_work, kWorkMessage, kWorkMessage, PM_REMOVE))
            delete reinterpret_cast<PostedState*>(message.lParam);
        SetWindowLongPtrA(m_work, GWLP_USERDATA, 0);
        DestroyWindow(m_work);
    }
    CloseLog();
}

CCallEngine* CCallEngine::GetInstance()
{
    AcquireSRWLockShared(&g_currentLock);
    CCallEngine* engine = g_current;
    ReleaseSRWLockShared(&g_currentLock);
    return engine;
}

CString CCallEngine::LibraryVersionText()
{
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    Qelo().getVersion(buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

void CCallEngine::SetStateHandler(StateHandler handler, void* context)
{
    m_onState = handler;
    if (context)
        m_context = context;
}
void CCallEngine::SetStatusHandler(StatusHandler handler, void* context)
{
    m_onStatus = handler;
    if (context)
        m_context = context;
}
void CCallEngine::SetErrorHandler(ErrorHandler handler, void* context)
{
    m_onError = handler;
    if (context)
        m_context = context;
}
void CCallEngine::SetCreditHandler(CreditHandler handler, void* context)
{
    m_onCredit = handler;
    if (context)
        m_context = context;
}
void CCallEngine::SetVoiceStatHandler(VoiceStatHandler handler, void* context)
{
    m_onVoiceStat = handler;
    if (context)
        m_context = context;
}
void CCallEngine::SetOffHookHandler(OffHookHandler handler, void* context)
{
    m_onOffHook = handler;
    if (context)
        m_context = context;
}

// -- the call log -----------------------------------------------------------------------------

void CCallEngine::OpenLog()
{
    char folder[261] = "";
    DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        folder[0] = '\0';
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string name = CallLogName(folder, now.wYear, now.wMonth, now.wDay, [](const std::string& path) {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    if (name.empty()) {
        // No temporary folder, or every name of the day taken: no call log, nothing overwritten.
        m_callLog = false;
        return;
    }
    m_logFile = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_logFile == INVALID_HANDLE_VALUE) {
        m_callLog = false;
        return;
    }
    m_callLogPath = name.c_str();
    LogLine("PW_get_version(%s)", GetVersionText().GetString());
}

void CCallEngine::CloseLog()
{
    std::lock_guard<std::mutex> guard(m_logLock);
    if (m_logFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_logFile);
    m_logFile = INVALID_HANDLE_VALUE;
}

void CCallEngine::LogLine(const char* format, ...)
{
    if (!m_callLog)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[2048];
    int head = std::snprintf(line, sizeof line, "%02d:%02d:%02d > ", now.wHour, now.wMinute, now.wSecond);
    va_list args;
    va_start(args, format);
    int body = std::vsnprintf(line + head, sizeof line - head - 2, format, args);
    va_end(args);
    std::size_t used = static_cast<std::size_t>(head) + (body < 0 ? 0 : static_cast<std::size_t>(body));
    if (used > sizeof line - 3)
        used = sizeof line - 3;
    line[used++] = '\r';
    line[used++] = '\n';
    // One write of the whole line under the lock: lines of the library's threads and of the
    // window's thread never mix.
    std::lock_guard<std::mutex> guard(m_logLock);
    if (m_logFile == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(m_logFile, line, static_cast<DWORD>(used), &written, nullptr);
}

// -- session ---------------------------------------------------------------------------------

void CCallEngine::SetStatus(uint32_t value)
{
    m_status = value;
    LogLine("SetStatus(nStatus=%x)", value);
}

void CCallEngine::SetLogLevel()
{
    Qelo().setLogLevel(m_libraryLogLevel);
    LogLine("PW_set_loglevel(%d)", m_libraryLogLevel);
}

void CCallEngine::SetUseLan(int value)
{
    Qelo().setOption(PWO_USELAN, value);
    LogLine("PW_set_option(PWO_USELAN = %d)", value);
}

void CCallEngine::SetWavePath(const char* folder)
{
    Qelo().wavePath(folder);
    LogLine("PW_wave_path(pPath = %s)", Text(folder));
}

int CCallEngine::StartLibrary(HWND window, const char* country, const char* area, const char* nickname,
                              const char* server)
{
    const char* chosen = server && *server ? server : kDefaultServer;
    int result = Qelo().start(window, country, area, nickname, chosen);
    LogLine("PW_start(hWnd = %llx, pCountry = %s, pArea = %s, pNickName = %s, lpServer = %s, nRet = %d",
            static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), Text(country), Text(area),
            Text(nickname), chosen, result);
    if (result >= 0) {
        m_status = kStatusStarted;
        m_started = true;
    }
    return result;
}

bool CCallEngine::Login()
{
    bool ok = Qelo().login() == 0;
    LogLine("PW_login() Return  = %d", ok ? 1 : 0);
    return ok;
}

void CCallEngine::Stop()
{
    if (!m_started.exchange(false))
        return;
    Qelo().stop();
    LogLine("PW_stop()");
}

bool CCallEngine::Start(HWND window, const char* country, const char* area, const char* nickname, const char* server,
                        int useLan)
{
    if (m_libraryLogLevel > 0)
        SetLogLevel();
    SetUseLan(useLan);
    ApplySoundFolder();
    if (StartLibrary(window, country, area, nickname, server) < 0) {
        // PW_start ran: whatever it started (the call thread, its windows) is stopped again.
        Qelo().stop();
        LogLine("PW_stop()");
        return false;
    }
    if (Login())
        return true;
    Stop();
    return false;
}

bool CCallEngine::Logout()
{
    uint32_t word = m_status;
    if (word & kStatusInCall)
        OnHook();
    bool ok = false;
    if ((word & kStatusSignedIn) || (word == kStatusSigningInAgain && m_started)) {
        // Signed in, or signing in again: signed out first, so no logged-out user stays
        // reachable, then stopped.
        ok = Qelo().logout() == 0;
        LogLine("PW_logout() Return  = %d", ok ? 1 : 0);
        Stop();
    } else if (m_started) {
        Stop();
    }
    return ok;
}

// -- calls -----------------------------------------------------------------------------------

void CCallEngine::SetCurrentDirToExe()
{
    CString folder = CallEngineServices().ProgramFolder();
    if (!folder.IsEmpty())
        SetCurrentDirectoryA(folder);
}

bool CCallEngine::CallNimbo(const char* callId)
{
    if (!callId || !*callId)
        return false;
    SetCurrentDirToExe();
    int result = Qelo().callNimbo(callId);
    LogLine("PW_call_nimbo(pNimboCallID = %s)", callId);
    return result == 0;
}

bool CCallEngine::CallPhone(const char* number, const char* userId, const char* password)
{
    if (!number || !*number || !userId || !*userId || !password || !*password)
        return false;
    SetCurrentDirToExe();
    int result = Qelo().callPhone(number, userId, password);
    // The gateway password never stands in the log in clear.
    LogLine("PW_call_phone(pCallNo = %s, pUserID = %s, pPasswd = %s)", number, userId, MaskedSecret(password).c_str());
    return result == 0;
}

bool CCallEngine::OffHook()
{
    Qelo().offHook();
    LogLine("PW_off_hook()");
    return true;
}

void CCallEngine::OnHook()
{
    LogLine("PW_on_hook()");
    Qelo().onHook();
}

void CCallEngine::SendDtmf(const char* text)
{
    char digit = text ? text[0] : '\0';
    Qelo().sendDtmf(digit);
    LogLine("PW_send_DTMF(ch = %x)", static_cast<int>(static_cast<signed char>(digit)));
}

CString CCallEngine::GetVersionText()
{
    m_versionText = LibraryVersionText();
    return m_versionText;
}

// -- the sound folder ------------------------------------------------------------------------

CString CCallEngine::GetSoundFolder()
{
    if (!m_soundFolder.IsEmpty())
        return m_soundFolder;
    static const char* const kKeys[] = {
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\q2nimbovandrell.exe",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\NimboVandrell.exe",
    };
    for (const char* path : kKeys) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        char value[513] = "";
        DWORD size = 512;
        DWORD type = 0;
        LONG read = RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(key);
        if (read == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            value[size < 512 ? size : 512] = '\0';
            m_soundFolder = CString(value) + "\\Sound";
        }
        return m_soundFolder;
    }
    m_soundFolder = CallEngineServices().ProgramFolder() + "\\Sound";
    return m_soundFolder;
}

void CCallEngine::ApplySoundFolder()
{
    CString folder = GetSoundFolder();
    if (!folder.IsEmpty())
        SetWavePath(folder);
}

// -- callbacks -------------------------------------------------------------------------------

void CCallEngine::OnQlError(const char* message)
{
    WithCurrent([&](CCallEngine& engine) {
        if (engine.m_onError)
            engine.m_onError(engine.m_context, message);
        engine.LogLine("QL_error(pMsg=%s)", Text(message));
    });
}

void CCallEngine::OnQlStatus(int kind, int code, const char* message)
{
    if (code == -1)
        return;
    WithCurrent([&](CCallEngine& engine) {
        if (engine.m_onStatus)
            engine.m_onStatus(engine.m_context, kind, code, message);
        switch (kind) {
        case -1: engine.LogLine("QL_status(Error nStatusCode = %d, pMsg =  %s)", code, Text(message)); break;
        case 0: engine.LogLine("QL_status(Notify nStatusCode = %d, pMsg =  %s)", code, Text(message)); break;
        case 1: engine.LogLine("QL_status(OK nStatusCode = %d, pMsg =  %s)", code, Text(message)); break;
        case 2: engine.LogLine("QL_status(Wait nStatusCode = %d, pMsg =  %s)", code, Text(message)); break;
        case 3: engine.LogLine("QL_status(Info nStatusCode = %d, pMsg =  %s)", code, Text(message)); break;
        default: engine.LogLine("QL_status(??? nStatusCode = %d, pMsg= %s)", code, Text(message)); break;
        }
    });
}

void CCallEngine::OnQlState(int code, const char* message)
{
    WithCurrent([&](CCallEngine& engine) { engine.HandleState(code, message); });
}

void CCallEngine::OnQlCredit(int credit, int)
{
    WithCurrent([&](CCallEngine& engine) {
        if (engine.m_onCredit)
            engine.m_onCredit(engine.m_context, credit);
        engine.LogLine("QL_credit(nCredit =  %d)", credit);
    });
}

void CCallEngine::OnQlVoiceStat(int rx, int tx)
{
    WithCurrent([&](CCallEngine& engine) {
        if (engine.m_onVoiceStat)
            engine.m_onVoiceStat(engine.m_context, rx, tx);
        engine.LogLine("QL_voice_stat(rx = %d, tx = %d)", rx, tx);
    });
}

void CCallEngine::OnQlOffHook(int off)
{
    WithCurrent([&](CCallEngine& engine) {
        if (engine.m_onOffHook)
            engine.m_onOffHook(engine.m_context, off);
        engine.LogLine("QL_offhook(off = %d)", off);
    });
}

void CCallEngine::CallStateHandler(int code, const char* message)
{
    if (m_onState)
        m_onState(m_context, code, message);
}

void CCallEngine::HandleState(int code, const char* message)
{
    if (!m_onState)
        return;
    LogLine("QL_state(nCode = %d, pMsg = %s)", code, Text(message));
    uint32_t word = m_status.load();
    StateAction action;
    for (;;) {
        action = OnState(word, code, message);
        if (action.drop || !action.changeWord || action.wordAfterHandler ||
            action.before == StateAction::StopLibrary || action.before == StateAction::LoginAgain)
            break;
        if (m_status.compare_exchange_weak(word, action.word))
            break;
    }
    if (action.drop)
        return;
    switch (action.before) {
    case StateAction::CurrentDirToExe:
        SetCurrentDirToExe();
        break;
    case StateAction::StopLibrary:
    case StateAction::LoginAgain:
        RunOnOwnThread(code, message);
        return;
    default:
        break;
    }
    if (action.callHandler) {
        std::string translated;
        const char* text = message;
        if (action.text == StateAction::Translated) {
            translated = TranslateLibraryMessage(message);
            text = translated.c_str();
        } else if (action.text == StateAction::Empty) {
            text = "";
        }
        CallStateHandler(action.handlerCode, text);
    }
    if (action.wordAfterHandler)
        m_status = action.word;
}

void CCallEngine::RunOnOwnThread(int code, const char* message)
{
    auto* posted = new PostedState{code, Text(message)};
    if (!m_work || !PostMessageA(m_work, kWorkMessage, 0, reinterpret_cast<LPARAM>(posted))) {
        delete posted;
        LogLine("QL_state(nCode = %d) not handled: no engine thread", code);
    }
}

LRESULT CALLBACK CCallEngine::WorkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kWorkMessage)
        return DefWindowProcA(window, message, wParam, lParam);
    std::unique_ptr<PostedState> posted(reinterpret_cast<PostedState*>(lParam));
    auto* engine = reinterpret_cast<CCallEngine*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!engine)
        return 0;
    if (posted->code == -10006) {
        engine->Stop();
        engine->CallStateHandler(-10006, posted->message.c_str());
    } else if (posted->code == -10007) {
        if (engine->Login())
            engine->m_status = kStatusSigningInAgain;
        else
            engine->CallStateHandler(-10006, "");
    }
    return 0;
}

// -- stored values ---------------------------------------------------------------------------

bool EnsureVoipRegistryKey()
{
    HKEY software = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SoftWare", 0, KEY_READ, &software) != ERROR_SUCCESS)
        return false;
    HKEY vendor = nullptr;
    DWORD disposition = 0;
    bool ok = RegCreateKeyExA(software, "Pelorwave", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &vendor, &disposition) == ERROR_SUCCESS &&
              (disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY);
    RegCloseKey(software);
    if (!ok)
        return false;
    HKEY phone = nullptr;
    disposition = 0;
    ok = RegCreateKeyExA(vendor, "NimboCall", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &phone,
                         &disposition) == ERROR_SUCCESS &&
         (disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY);
    RegCloseKey(vendor);
    if (ok)
        RegCloseKey(phone);
    return ok;
}

bool WriteUnitId(const char* callId)
{
    if (!callId)
        return false;
    std::size_t length = std::strlen(callId);
    if (length > 20)
        return false;
    if (!EnsureVoipRegistryKey())
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SoftWare\\Pelorwave\\NimboCall", 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(key, "unitid", 0, REG_BINARY, reinterpret_cast<const BYTE*>(callId),
                             static_cast<DWORD>(length + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool SavePhoneNumber(const char* text)
{
    return CallEngineServices().WriteProfileString("NimboCall", "PhoneNo", Text(text));
}

void ReadVoipVendorSettings(const char* userId, const char* password)
{
    ICallEngineServices& services = CallEngineServices();
    if (!userId || !*userId || !password || !*password || !services.AppExists())
        return;
    services.WriteProfileSecret("NimboCall", "UID", userId);
    services.WriteProfileSecret("NimboCall", "UP", password);
    // 496: "ﾆﾝﾎﾞｺｰﾙｶｰﾄﾞ購入/情報復旧完了"
    services.ShowMessage(496,
                         "\xC6\xDD\xCE\xDE\xBA\xB0\xD9\xB6\xB0\xC4\xDE\x8Dw\x93\xFC/\x8F\xEE\x95\xF1\x95\x9C\x8B\x8C"
                         "\x8A\xAE\x97\xB9",
                         MB_OK | MB_ICONEXCLAMATION);
}

bool LoadGatewayAccount(CString& userId, CString& password)
{
    userId = "";
    password = "";
    ICallEngineServices& services = CallEngineServices();
    userId = services.GetProfileSecret("NimboCall", "UID");
    password = services.GetProfileSecret("NimboCall", "UP");
    return !userId.IsEmpty() && !password.IsEmpty();
}
