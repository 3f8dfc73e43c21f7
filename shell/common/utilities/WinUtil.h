// Program-wide utilities that need the system: install folder, processes, file types, sounds,
// windows, the busy cursor and a timed message pump. The sign-up program links them too.
#pragma once

#include "framework/win/Afx.h"

#include <functional>

namespace winutil {

// The folder of this program's executable, without a trailing backslash.
CString GetModuleFolder();
// The value "Path" of App Paths\<exeName> under HKEY_LOCAL_MACHINE, or an empty text.
CString GetAppPathFromRegistry(const char* exeName);
// App Paths of "NimboVandrell.exe", else of "q2NimboVandrell.exe".
CString GetInstallFolder();

// Starts a command line (no handle inheritance, SW_SHOWDEFAULT). With wait, returns when the
// process has ended, waiting on its handle (an exit code of 259 does not keep it waiting).
// Returns 0 for an empty command line or a process that could not start, else non-zero.
int RunProcessWait(const char* commandLine, const char* folder, bool wait);

// Registers row 0 (".cni") or row 1 (".csz") of the file-type table to this program's module
// path, whose file part exeFileName replaces when given. Keys are created volatile under root
// (HKEY_CLASSES_ROOT unless a test gives another). Returns 1 when every key was written, else 0.
int RegisterFileTypes(const char* exeFileName, int row, HKEY root = HKEY_CLASSES_ROOT);

// Reads a whole file; with a limit, fails for a longer file. ReadFileHead reads at most
// maxBytes and reports whether the file held more.
BOOL ReadTextFile(const char* path, CString& text, DWORD limit);
BOOL ReadFileHead(const char* path, CString& text, DWORD maxBytes, bool* truncated = nullptr);
BOOL WriteTextFile(const char* path, const CString& text);

// String-table helpers.
CString GetStringPart(UINT id, int part);
CString BuildResUrl(UINT id);

// Sounds go through a player that tests replace; the default plays asynchronously from a file.
using SoundPlayer = std::function<void(const CString& path)>;
void SetSoundPlayer(SoundPlayer player);
void PlaySoundFile(const CString& path);
// Plays install folder + "\sound\" + the file named in the parentheses of string id, when the
// file exists.
void PlayAppSound(UINT id);

// Windows.
void ForceForegroundWindow(HWND window);
DWORD GetDesktopCenter();
// The busy cursor "nvpc.ani" beside the executable, else cursor resource 106; loaded once.
HCURSOR LoadBusyCursor();
// Dispatches this thread's messages until milliseconds have passed; 0 makes one pass.
void PumpMessagesFor(DWORD milliseconds);
BOOL CopyTextToClipboard(const CString& text, HWND owner);

// HTTP GET of a whole URL through WinINet. The callback gets every chunk with state 0, then an
// empty text with 1 after success or -1 after a failure (a status other than 200 is one).
struct HttpGetOptions {
    CString agent;                                  // string 166 when empty
    DWORD requestFlags = 0;                         // INTERNET_FLAG_* of the connection settings
    CString proxyUser, proxyPassword;
    std::function<void(void* session)> setupSession; // time-outs and proxy of the settings
    DWORD accessType = 0;                           // InternetOpen's access type; 0 lets the system choose
    CString proxy;                                  // "host:port" for a proxy access type
    DWORD maxBytes = 16 * 1024 * 1024;              // a larger body is a failure, never a cut one
};
using HttpChunkCallback = std::function<void(const CString& chunk, int state)>;
// Returns whether the whole body arrived; lastError gets the system's error or -1.
bool HttpGetUrl(const CString& url, CString& text, const HttpChunkCallback& callback, const HttpGetOptions& options,
                long* lastError = nullptr);

// Hands a command line to the running copy of a program whose hidden window has windowClass:
// waits up to waitMs for that window (the copy may still be starting), posts 0x40E (come to the
// front) and, for a non-empty command line, sends 0x40B with a global atom holding it, waiting at
// most sendTimeoutMs. The atom is deleted again when the send fails.
enum class HandoverResult { Delivered, NoRunningCopy, TooLong, NotTaken };
HandoverResult HandOverToRunningCopy(const char* windowClass, const CString& commandLine, DWORD waitMs,
                                     DWORD sendTimeoutMs);

} // namespace winutil
