#include "shell/common/utilities/WinUtil.h"

#include "shell/common/utilities/TextUtil.h"

#include <mmsystem.h>
#include <wininet.h>

#include "resources/StringIds.h"

namespace winutil {

namespace {

struct FileTypeRow {
    const char* extension;
    const char* className;
    const char* contentType;
    const char* description;
};

const FileTypeRow kFileTypes[2] = {
    {".cni", "cnifile", "application/x-qelo-vyrntalk-pc", "VyrnTalk"},
    {".csz", "cszfile", "application/x-qelo-vyrntalk-skin", "VyrnTalkSkin"},
};

SoundPlayer& Player()
{
    static SoundPlayer player;
    return player;
}

HKEY CreateVolatileKey(HKEY root, const char* path)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, &key,
                          &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

void SetString(HKEY key, const char* name, const CString& value)
{
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                     static_cast<DWORD>(value.GetLength() + 1));
}

// Creates path under root and writes a named value (when name is given) and then the default
// value (when defaultValue is given).
bool WriteKey(HKEY root, const CString& path, const char* defaultValue, const char* name = nullptr,
              const CString& value = CString())
{
    HKEY key = CreateVolatileKey(root, path);
    if (!key)
        return false;
    if (name)
        SetString(key, name, value);
    if (defaultValue)
        SetString(key, nullptr, defaultValue);
    ::RegCloseKey(key);
    return true;
}

} // namespace

CString GetModuleFolder()
{
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path - 1);
    return textutil::FolderOfPath(path);
}

CString GetAppPathFromRegistry(const char* exeName)
{
    CString keyPath("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");
    keyPath += exeName;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return CString();
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - 1, type = 0;
    CString result;
    if (::RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ))
        result = value;
    ::RegCloseKey(key);
    return result;
}

CString GetInstallFolder()
{
    CString folder = GetAppPathFromRegistry("NimboVandrell.exe");
    if (folder.IsEmpty())
        folder = GetAppPathFromRegistry("q2NimboVandrell.exe");
    return folder;
}

int RunProcessWait(const char* commandLine, const char* folder, bool wait)
{
    if (!commandLine || !*commandLine)
        return 0;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWDEFAULT;
    PROCESS_INFORMATION process = {};
    CString line(commandLine);
    if (!::CreateProcessA(nullptr, line.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder && *folder ? folder : nullptr, &startup, &process))
        return 0;
    if (wait) {
        ::WaitForInputIdle(process.hProcess, INFINITE);
        // Wait on the process itself: polling the exit code spins while the child idles and never
        // ends for a child whose exit code happens to be STILL_ACTIVE.
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return 1;
}

int RegisterFileTypes(const char* exeFileName, int row, HKEY root)
{
    if (row < 0 || row > 1)
        return 0;
    const FileTypeRow& type = kFileTypes[row];
    char module[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, module, sizeof module - 1);
    CString path(module);
    if (exeFileName && *exeFileName) {
        CString folder = textutil::FolderOfPath(path);
        path = folder.IsEmpty() ? CString(exeFileName) : folder + "\\" + exeFileName;
    }
    CString contentType(type.contentType);

    if (!WriteKey(root, type.extension, type.className, contentType.IsEmpty() ? nullptr : "Content Type", contentType))
        return 0;

    HKEY classKey = CreateVolatileKey(root, type.className);
    if (!classKey)
        return 0;
    DWORD editFlags = 0x00010000;
    // Systems before version 5 keep EditFlags as four raw bytes.
    DWORD major = LOBYTE(LOWORD(::GetVersion()));
    ::RegSetValueExA(classKey, "EditFlags", 0, major < 5 ? REG_BINARY : REG_DWORD,
                     reinterpret_cast<const BYTE*>(&editFlags), sizeof editFlags);
    SetString(classKey, nullptr, type.description);
    ::RegCloseKey(classKey);

    if (!WriteKey(root, CString(type.className) + "\\DefaultIcon", "\"" + path + "\",0"))
        return 0;
    if (!contentType.IsEmpty() &&
        !WriteKey(root, "MIME\\Database\\Content Type\\" + contentType, nullptr, "Extension", type.extension))
        return 0;
    if (!WriteKey(root, CString(type.className) + "\\Shell\\open\\command", "\"" + path + "\" \"%1\""))
        return 0;
    return 1;
}

BOOL ReadFileHead(const char* path, CString& text, DWORD maxBytes, bool* truncated)
{
    text.Empty();
    if (truncated)
        *truncated = false;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD size = ::GetFileSize(file, nullptr);
    DWORD wanted = size;
    if (maxBytes && size > maxBytes) {
        wanted = maxBytes;
        if (truncated)
            *truncated = true;
    }
    DWORD got = 0;
    char* buffer = text.GetBufferSetLength(static_cast<int>(wanted));
    BOOL ok = wanted == 0 || (::ReadFile(file, buffer, wanted, &got, nullptr) && got == wanted);
    ::CloseHandle(file);
    text.ReleaseBuffer(ok ? static_cast<int>(wanted) : 0);
    return TRUE;
}

BOOL ReadTextFile(const char* path, CString& text, DWORD limit)
{
    bool truncated = false;
    if (!ReadFileHead(path, text, limit, &truncated))
        return FALSE;
    if (truncated) {
        text.Empty();
        return FALSE;
    }
    return TRUE;
}

BOOL WriteTextFile(const char* path, const CString& text)
{
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, text.GetString(), static_cast<DWORD>(text.GetLength()), &written, nullptr) &&
              written == static_cast<DWORD>(text.GetLength());
    ::CloseHandle(file);
    return ok;
}

CString GetStringPart(UINT id, int part)
{
    CString text;
    text.LoadString(id);
    return textutil::StringPart(text, part);
}

CString BuildResUrl(UINT id)
{
    char module[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, module, sizeof module - 1);
    CString url;
    url.Format("res://%s/%u", module, id);
    return url;
}

void SetSoundPlayer(SoundPlayer player) { Player() = std::move(player); }

void PlaySoundFile(const CString& path)
{
    if (Player()) {
        Player()(path);
        return;
    }
    ::PlaySoundA(path, nullptr, SND_ASYNC | SND_FILENAME);
}

void PlayAppSound(UINT id)
{
    CString file = GetStringPart(id, 1);
    if (file.IsEmpty())
        return;
    CString path = GetInstallFolder() + "\\sound\\" + file;
    if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    PlaySoundFile(path);
}

void ForceForegroundWindow(HWND window)
{
    if (!window || !::IsWindow(window))
        return;
    HWND foreground = ::GetForegroundWindow();
    DWORD foreignThread = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    DWORD ownThread = ::GetWindowThreadProcessId(window, nullptr);
    bool attached = foreignThread && foreignThread != ownThread && ::AttachThreadInput(ownThread, foreignThread, TRUE);
    ::SetForegroundWindow(window);
    if (attached)
        ::AttachThreadInput(ownThread, foreignThread, FALSE);
}

DWORD GetDesktopCenter()
{
    HWND desktop = ::GetDesktopWindow();
    if (!desktop)
        return 0;
    RECT r;
    ::GetWindowRect(desktop, &r);
    return MAKELONG((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

HCURSOR LoadBusyCursor()
{
    static HCURSOR cursor = nullptr;
    if (cursor)
        return cursor;
    // Beside the executable: the current folder moves while skins are unpacked.
    CString path = GetModuleFolder() + "\\nvpc.ani";
    cursor = static_cast<HCURSOR>(::LoadImageA(nullptr, path, IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (!cursor)
        cursor = static_cast<HCURSOR>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(106), IMAGE_CURSOR, 0, 0,
                                                   LR_DEFAULTSIZE));
    if (!cursor)
        cursor = ::LoadCursor(nullptr, IDC_WAIT);
    return cursor;
}

void PumpMessagesFor(DWORD milliseconds)
{
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (milliseconds == 0)
            break;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= milliseconds)
            break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    } while (true);
}

BOOL CopyTextToClipboard(const CString& text, HWND owner)
{
    if (!::OpenClipboard(owner))
        return FALSE;
    ::EmptyClipboard();
    BOOL ok = TRUE;
    if (!text.IsEmpty()) {
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(text.GetLength()) + 4);
        ok = memory != nullptr;
        if (memory) {
            char* bytes = static_cast<char*>(::GlobalLock(memory));
            ::memset(bytes, 0, static_cast<size_t>(text.GetLength()) + 4);
            ::memcpy(bytes, text.GetString(), static_cast<size_t>(text.GetLength()));
            ::GlobalUnlock(memory);
            ok = ::SetClipboardData(CF_TEXT, memory) != nullptr;
            if (!ok)
                ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
    return ok;
}

namespace {

struct InternetHandle {
    HINTERNET handle = nullptr;
    ~InternetHandle()
    {
        if (handle)
            ::InternetCloseHandle(handle);
    }
};

} // namespace

bool HttpGetUrl(const CString& url, CString& text, const HttpChunkCallback& callback, const HttpGetOptions& options,
                long* lastError)
{
    text.Empty();
    long error = 0;
    auto finish = [&](bool success) {
        if (!success && error == 0)
            error = -1;
        if (lastError)
            *lastError = error;
        if (callback)
            callback(CString(), success ? 1 : -1);
        return success;
    };
    CString agent = options.agent;
    if (agent.IsEmpty())
        agent.LoadString(IDS_HTTP_AGENT);
    InternetHandle session, connection, request;
    // The access type is given at opening: Wine keeps no proxy set on an open session.
    session.handle = ::InternetOpenA(agent, options.accessType ? options.accessType : INTERNET_OPEN_TYPE_PRECONFIG,
                                     options.proxy.IsEmpty() ? nullptr : options.proxy.GetString(), nullptr, 0);
    if (!session.handle) {
        error = static_cast<long>(::GetLastError());
        return finish(false);
    }
    if (options.setupSession)
        options.setupSession(session.handle);

    char host[256] = {}, object[2048] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = object;
    parts.dwUrlPathLength = sizeof object;
    if (!::InternetCrackUrlA(url, 0, 0, &parts)) {
        error = static_cast<long>(::GetLastError());
        return finish(false);
    }
    DWORD flags = options.requestFlags;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    connection.handle = ::InternetConnectA(session.handle, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection.handle) {
        error = static_cast<long>(::GetLastError());
        return finish(false);
    }
    request.handle = ::HttpOpenRequestA(connection.handle, "GET", *object ? object : "/", nullptr, nullptr, nullptr,
                                        flags | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!request.handle) {
        error = static_cast<long>(::GetLastError());
        return finish(false);
    }
    if (!options.proxyUser.IsEmpty()) {
        ::InternetSetOptionA(request.handle, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(options.proxyUser.GetString()),
                             static_cast<DWORD>(options.proxyUser.GetLength()));
        ::InternetSetOptionA(request.handle, INTERNET_OPTION_PROXY_PASSWORD,
                             const_cast<char*>(options.proxyPassword.GetString()),
                             static_cast<DWORD>(options.proxyPassword.GetLength()));
    }
    if (!::HttpSendRequestA(request.handle, nullptr, 0, nullptr, 0)) {
        error = static_cast<long>(::GetLastError());
        return finish(false);
    }
    DWORD status = 0, size = sizeof status;
    if (!::HttpQueryInfoA(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status != 200)
        return finish(false);
    // Read to the end whatever the announced length: one read may return less than asked.
    std::string body;
    char chunk[2048];
    for (;;) {
        DWORD got = 0;
        if (!::InternetReadFile(request.handle, chunk, sizeof chunk, &got))
            return finish(false);
        if (got == 0)
            break;
        if (body.size() + got > options.maxBytes)
            return finish(false);
        body.append(chunk, got);
        if (callback)
            callback(CString(std::string(chunk, got)), 0);
    }
    text = CString(body);
    return finish(true);
}

HandoverResult HandOverToRunningCopy(const char* windowClass, const CString& commandLine, DWORD waitMs,
                                     DWORD sendTimeoutMs)
{
    const DWORD start = ::GetTickCount();
    HWND running = ::FindWindowA(windowClass, nullptr);
    while (!running && ::GetTickCount() - start < waitMs) {
        ::Sleep(50);
        running = ::FindWindowA(windowClass, nullptr);
    }
    if (!running)
        return HandoverResult::NoRunningCopy;
    ::PostMessageA(running, 0x40E, 0, 0);
    if (commandLine.IsEmpty())
        return HandoverResult::Delivered;
    if (commandLine.GetLength() > 255)
        return HandoverResult::TooLong;
    const ATOM atom = ::GlobalAddAtomA(commandLine);
    if (!atom)
        return HandoverResult::TooLong;
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutA(running, 0x40B, atom, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, sendTimeoutMs, &answer)) {
        ::GlobalDeleteAtom(atom);
        return HandoverResult::NotTaken;
    }
    return HandoverResult::Delivered;
}

} // namespace winutil
