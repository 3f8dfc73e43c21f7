#include "shell/common/skin/SkinHost.h"

namespace {

const char* const kAppPathKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\q2nimbovandrell.exe",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\NimboVandrell.exe",
};

} // namespace

ISkinHost::AppPathResult CDefaultSkinHost::ReadAppPath(CString& path)
{
    for (const char* name : kAppPathKeys) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        char buffer[512] = {};
        DWORD size = sizeof buffer - 1;
        DWORD type = 0;
        LONG result = RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return AppPathResult::Unreadable;
        buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
        path = buffer;
        return AppPathResult::Found;
    }
    return AppPathResult::NoKey;
}

CString CDefaultSkinHost::GetProgramFolder()
{
    char buffer[MAX_PATH * 2] = {};
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    CString path(buffer, static_cast<int>(length));
    int cut = path.ReverseFind('\\');
    return cut >= 0 ? path.Left(cut) : CString();
}

CString CDefaultSkinHost::GetTempFolder()
{
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length > MAX_PATH)
        return CString();
    CString path(buffer, static_cast<int>(length));
    if (path.ReverseFind('\\') != path.GetLength() - 1)
        path += '\\';
    return path;
}

CString CDefaultSkinHost::GetProfileValue(const char* entry, const char* defaultValue)
{
    CString value = defaultValue ? defaultValue : "";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, m_profileKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0, type = 0;
    if (RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
        size > 0 && size < 65536) {
        CString read;
        char* buffer = read.GetBuffer(static_cast<int>(size));
        if (RegQueryValueExA(key, entry, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS) {
            buffer[size] = '\0';
            read.ReleaseBuffer();
            value = read;
        }
    }
    RegCloseKey(key);
    return value;
}

void CDefaultSkinHost::WriteProfileValue(const char* entry, const char* value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_profileKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(lstrlenA(value) + 1));
    RegCloseKey(key);
}

int CDefaultSkinHost::ShowMessage(HWND owner, const CString& text, UINT flags)
{
    return MessageBoxA(owner, text, "NimboVandrell", flags);
}

void CDefaultSkinHost::EndProgram(int exitCode)
{
    ExitProcess(static_cast<UINT>(exitCode));
}
