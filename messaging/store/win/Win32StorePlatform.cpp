// The store's platform in the Windows program: the App Paths registry keys, the Windows user,
// ANSI (code page 932) file functions, and UTF-8 paths for SQLite. The application object
// registers its own platform at start-up for the database-available flag, the profile and its
// message boxes; until then these are kept here.
#include "messaging/store/StorePlatform.h"

#include "framework/win/WinApp.h"

#include <windows.h>

#include <vector>

namespace msgstore {

static_assert(box::kOk == MB_OK && box::kYesNo == MB_YESNO && box::kIconStop == MB_ICONSTOP &&
                  box::kIconQuestion == MB_ICONQUESTION,
              "the store's message-box flags are the system's");
static_assert(box::kAnswerOk == IDOK && box::kAnswerCancel == IDCANCEL && box::kAnswerYes == IDYES &&
                  box::kAnswerNo == IDNO,
              "the store's message-box answers are the system's");

namespace {

bool ToWide(UINT codePage, DWORD flags, const std::string& text, std::wstring& wide)
{
    wide.clear();
    if (text.empty())
        return true;
    int count = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (count <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(count));
    return MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0], count) == count;
}

bool FromWide(UINT codePage, const std::wstring& wide, std::string& text, bool* lossy)
{
    text.clear();
    if (wide.empty())
        return true;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultArg = codePage == CP_UTF8 ? nullptr : &usedDefault;
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int count = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, usedDefaultArg);
    if (count <= 0)
        return false;
    text.resize(static_cast<std::size_t>(count));
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), &text[0], count, nullptr,
                        usedDefaultArg);
    if (lossy)
        *lossy = usedDefault != FALSE;
    return true;
}

CString ReadAppPath(const char* subKey, bool& keyOpened)
{
    HKEY key = nullptr;
    keyOpened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
    if (!keyOpened)
        return CString();
    char buffer[513] = {0};
    DWORD size = 512;
    DWORD type = 0;
    CString folder;
    if (RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        buffer[size < 512 ? size : 512] = '\0';
        folder = buffer;
    }
    RegCloseKey(key);
    return folder;
}

class Win32StorePlatform : public IStorePlatform {
public:
    CString GetInstallFolder() override
    {
        const char appPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
        bool opened = false;
        CString folder = ReadAppPath(CString(appPaths) + "q2nimbovandrell.exe", opened);
        if (!opened)
            folder = ReadAppPath(CString(appPaths) + "NimboVandrell.exe", opened);
        if (opened) {
            // A trailing separator would give "\\Log" below.
            if (folder.GetLength() > 3 && folder[folder.GetLength() - 1] == '\\')
                folder = folder.Left(folder.GetLength() - 1);
            return folder;
        }
        // Neither key: the program's own folder.
        char module[MAX_PATH + 1] = {0};
        DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return CString();
        CString path(module);
        int cut = path.ReverseFind('\\');
        return cut > 0 ? path.Left(cut) : CString();
    }
    CString GetWindowsUserName() override
    {
        char name[513] = {0};
        DWORD length = 512;
        if (!GetUserNameA(name, &length) || length == 0 || name[0] == '\0')
            return CString("Any");
        return CString(name);
    }
    char PathSeparator() const override { return '\\'; }

    bool PathExists(const CString& path) override
    {
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            return true;
        DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    bool MakeDirectory(const CString& path) override
    {
        if (CreateDirectoryA(path, nullptr))
            return true;
        return GetLastError() == ERROR_ALREADY_EXISTS;
    }
    bool RemoveFile(const CString& path) override { return DeleteFileA(path) != FALSE; }
    bool CreateEmptyFile(const CString& path) override
    {
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        return true;
    }

    bool CopyFileBytes(const CString& destination, const CString& source, bool exclusive) override
    {
        HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (in == INVALID_HANDLE_VALUE)
            return false;
        HANDLE out = CreateFileA(destination, GENERIC_WRITE, 0, nullptr, exclusive ? CREATE_NEW : CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) {
            CloseHandle(in);
            return false;
        }
        std::vector<char> block(65536);
        bool ok = true;
        long long copied = 0;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(in, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            DWORD put = 0;
            if (!WriteFile(out, block.data(), got, &put, nullptr) || put != got) {
                ok = false;
                break;
            }
            copied += got;
        }
        LARGE_INTEGER size;
        ok = ok && GetFileSizeEx(in, &size) && size.QuadPart == copied && FlushFileBuffers(out);
        ok = CloseHandle(out) && ok;
        CloseHandle(in);
        if (!ok && exclusive)
            DeleteFileA(destination);
        return ok;
    }

    CString MakeUniqueFile(const CString& folder, const char* prefix) override
    {
        char name[MAX_PATH + 1] = {0};
        if (GetTempFileNameA(folder, prefix, 0, name) == 0)
            return CString();
        return CString(name);
    }

    std::string ToSqlitePath(const CString& path) override
    {
        std::wstring wide;
        std::string utf8;
        if (!ToWide(CP_ACP, 0, path.str(), wide) || !FromWide(CP_UTF8, wide, utf8, nullptr))
            return std::string();
        return utf8;
    }

    bool Cp932ToUtf8(const std::string& text, std::string& utf8) override
    {
        std::wstring wide;
        return ToWide(932, MB_ERR_INVALID_CHARS, text, wide) && FromWide(CP_UTF8, wide, utf8, nullptr);
    }
    bool Utf8ToCp932(const std::string& utf8, std::string& text) override
    {
        std::wstring wide;
        if (!ToWide(CP_UTF8, 0, utf8, wide))
            return false;
        bool lossy = false;
        return FromWide(932, wide, text, &lossy) && !lossy;
    }

    CStoreTime Now() override
    {
        SYSTEMTIME local;
        GetLocalTime(&local);
        CStoreTime t;
        t.year = local.wYear;
        t.month = local.wMonth;
        t.day = local.wDay;
        t.hour = local.wHour;
        t.minute = local.wMinute;
        t.second = local.wSecond;
        return t;
    }
    bool IsDatabaseAvailable() override { return m_available; }
    void SetDatabaseAvailable(bool available) override { m_available = available; }
    CString ReadProfileString(const char* section, const char* entry, const char* defaultValue) override
    {
        CWinApp* app = AfxGetApp();
        return app ? app->GetProfileString(section, entry, defaultValue) : CString(defaultValue);
    }
    int MessageBoxId(unsigned id, unsigned flags) override
    {
        CString text;
        text.LoadString(id);
        return ShowMessageBox(text, flags);
    }
    int ShowMessageBox(const char* text, unsigned flags) override
    {
        // A box asked for without an icon is a warning, as the application's own boxes are.
        return MessageBoxA(nullptr, text, "NimboVandrell", (flags ? flags : MB_ICONWARNING) | MB_TASKMODAL);
    }

private:
    bool m_available = false;
};

} // namespace

IStorePlatform& DefaultStorePlatform()
{
    static Win32StorePlatform platform;
    return platform;
}

} // namespace msgstore
