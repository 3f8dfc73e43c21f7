// CCallEngine: the main program's door to the VoIP library qelo. The phone window makes one per
// VoIP session, registers its six handlers, and drives sign-in, calls, answering, touch tones,
// hang-up and sign-out through it; the engine keeps the session's status word, forwards the
// library's callbacks to the handlers, turns the library's English messages into display texts
// and writes an optional per-day call log.
//
// The library calls back on its own threads. The engine never calls the library from inside a
// callback: stopping (state -10006) and signing in again (-10007) are posted to a message-only
// window that the engine makes on the thread that constructed it, and done there.
#pragma once

#include "framework/core/CString.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>

class CCallEngine {
public:
    using ErrorHandler = void (*)(void* context, const char* message);
    using StateHandler = void (*)(void* context, int code, const char* message);
    using StatusHandler = void (*)(void* context, int kind, int code, const char* message);
    using CreditHandler = void (*)(void* context, int credit);
    using VoiceStatHandler = void (*)(void* context, int rx, int tx);
    using OffHookHandler = void (*)(void* context, int off);

    // Becomes the process's current engine and takes the library's six callback variables.
    CCallEngine();
    virtual ~CCallEngine();

    // The most recently constructed engine still alive, or null.
    static CCallEngine* GetInstance();
    // The library's version text for start-up, read without making an engine (so the session's
    // engine keeps the session's events).
    static CString LibraryVersionText();

    void SetStateHandler(StateHandler handler, void* context);
    void SetStatusHandler(StatusHandler handler, void* context);
    void SetErrorHandler(ErrorHandler handler, void* context);
    void SetCreditHandler(CreditHandler handler, void* context);
    void SetVoiceStatHandler(VoiceStatHandler handler, void* context);
    void SetOffHookHandler(OffHookHandler handler, void* context);

    // Session.
    bool Start(HWND window, const char* country, const char* area, const char* nickname, const char* server,
               int useLan);
    bool Logout();
    uint32_t GetStatus() const { return m_status.load(); }
    void SetStatus(uint32_t value);

    // Calls.
    bool CallNimbo(const char* callId);
    bool CallPhone(const char* number, const char* userId, const char* password);
    bool OffHook();
    void OnHook();
    void SendDtmf(const char* text);
    // The library's version text ("1.18R6B2": version, "R", release, "B", build); kept too.
    CString GetVersionText();

    // Library settings.
    void SetLogLevel();
    void SetUseLan(int value);
    void SetWavePath(const char* folder);
    int StartLibrary(HWND window, const char* country, const char* area, const char* nickname, const char* server);
    bool Login();
    void Stop();
    void ApplySoundFolder();
    CString GetSoundFolder();

    // The call log (the debug switch "NIMBO_CALL_DEBUG").
    bool CallLogOn() const { return m_callLog; }
    CString CallLogPath() const { return m_callLogPath; }
    int LibraryLogLevel() const { return m_libraryLogLevel; }
    bool Started() const { return m_started; }
    void LogLine(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // The library's callbacks (installed in its QL_ variables).
    static void __cdecl OnQlError(const char* message);
    static void __cdecl OnQlStatus(int kind, int code, const char* message);
    static void __cdecl OnQlState(int code, const char* message);
    static void __cdecl OnQlCredit(int credit, int seconds);
    static void __cdecl OnQlVoiceStat(int rx, int tx);
    static void __cdecl OnQlOffHook(int off);

    // The engine's own thread (the one that constructed it), where stop and sign-in run.
    DWORD OwnThread() const { return m_thread; }

private:
    void OpenLog();
    void CloseLog();
    void HandleState(int code, const char* message);
    void RunOnOwnThread(int code, const char* message);
    static LRESULT CALLBACK WorkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CallStateHandler(int code, const char* message);
    void SetCurrentDirToExe();

    ErrorHandler m_onError = nullptr;
    StateHandler m_onState = nullptr;
    StatusHandler m_onStatus = nullptr;
    CreditHandler m_onCredit = nullptr;
    VoiceStatHandler m_onVoiceStat = nullptr;
    OffHookHandler m_onOffHook = nullptr;
    CString m_soundFolder;
    std::atomic<uint32_t> m_status{0};
    void* m_context = nullptr;
    bool m_callLog = false;
    HANDLE m_logFile = INVALID_HANDLE_VALUE;
    CString m_callLogPath;
    std::mutex m_logLock;
    int m_libraryLogLevel = 0;
    CString m_versionText;
    std::atomic<bool> m_started{false};
    HWND m_work = nullptr;
    DWORD m_thread = 0;
};

// Values the phone keeps for the library (registry) and in the application's profile.
bool EnsureVoipRegistryKey();
// The call id as the library's unit id ("unitid", REG_BINARY with its NUL). An id longer than
// the library's 20-byte field is refused (the library would register a cut id).
bool WriteUnitId(const char* callId);
bool SavePhoneNumber(const char* text);
void ReadVoipVendorSettings(const char* userId, const char* password);
bool LoadGatewayAccount(CString& userId, CString& password);
