#include "framework/win/WinApp.h"

#include "framework/win/Wnd.h"

namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_resourceHandle = nullptr;

} // namespace

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle()
{
    if (g_app && g_app->m_hInstance)
        return g_app->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return g_resourceHandle ? g_resourceHandle : AfxGetInstanceHandle(); }

void AfxSetResourceHandle(HINSTANCE instance) { g_resourceHandle = instance; }

CWinApp::CWinApp(const char* appName) : m_appName(appName)
{
    // One application object per program, as the framework has always had.
    g_app = this;
    m_profileName = m_appName;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::PumpMessage()
{
    MSG msg;
    BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        m_exitCode = got == 0 ? static_cast<int>(msg.wParam) : -1;
        return FALSE;
    }
    if (!CWnd::WalkPreTranslateTree(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return TRUE;
}

int CWinApp::Run()
{
    while (PumpMessage()) {
    }
    return ExitInstance();
}

void CWinApp::SetRegistryKey(const char* company) { m_registryKey = company ? company : ""; }

HKEY CWinApp::GetAppRegistryKey()
{
    if (m_registryKey.IsEmpty() || m_profileName.IsEmpty())
        return nullptr;
    CString path;
    path.Format("Software\\%s\\%s", m_registryKey.GetString(), m_profileName.GetString());
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                          nullptr, &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY CWinApp::GetSectionKey(const char* section)
{
    if (!section)
        return nullptr;
    HKEY app = GetAppRegistryKey();
    if (!app)
        return nullptr;
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG rc = ::RegCreateKeyExA(app, section, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                                &key, &disposition);
    ::RegCloseKey(app);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue)
{
    CString fallback(defaultValue);
    HKEY key = GetSectionKey(section);
    if (!key)
        return fallback;
    DWORD type = 0, bytes = 0;
    CString value = fallback;
    if (::RegQueryValueExA(key, entry, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        char* buffer = value.GetBufferSetLength(static_cast<int>(bytes) + 1);
        DWORD got = bytes;
        if (::RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got) == ERROR_SUCCESS) {
            buffer[got < bytes + 1 ? got : bytes] = '\0';
            value.ReleaseBuffer();
        } else {
            value = fallback;
        }
    }
    ::RegCloseKey(key);
    return value;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue)
{
    HKEY key = GetSectionKey(section);
    if (!key)
        return static_cast<UINT>(defaultValue);
    DWORD type = 0, value = 0, bytes = sizeof value;
    LONG rc = ::RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes);
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof value)
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value)
{
    if (!section)
        return FALSE;
    if (!entry) {
        HKEY app = GetAppRegistryKey();
        if (!app)
            return FALSE;
        LONG rc = ::RegDeleteKeyA(app, section);
        ::RegCloseKey(app);
        return rc == ERROR_SUCCESS;
    }
    HKEY key = GetSectionKey(section);
    if (!key)
        return FALSE;
    LONG rc;
    if (!value) {
        rc = ::RegDeleteValueA(key, entry);
    } else {
        rc = ::RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                              static_cast<DWORD>(lstrlenA(value) + 1));
    }
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value)
{
    HKEY key = GetSectionKey(section);
    if (!key || !entry) {
        if (key)
            ::RegCloseKey(key);
        return FALSE;
    }
    DWORD data = static_cast<DWORD>(value);
    LONG rc = ::RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(const char* section, const char* entry, std::vector<BYTE>& data)
{
    data.clear();
    HKEY key = GetSectionKey(section);
    if (!key)
        return FALSE;
    DWORD type = 0, bytes = 0;
    BOOL ok = FALSE;
    if (::RegQueryValueExA(key, entry, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_BINARY) {
        data.resize(bytes);
        ok = ::RegQueryValueExA(key, entry, nullptr, &type, data.data(), &bytes) == ERROR_SUCCESS;
        data.resize(ok ? bytes : 0);
    }
    ::RegCloseKey(key);
    return ok;
}

BOOL CWinApp::WriteProfileBinary(const char* section, const char* entry, const void* data, UINT bytes)
{
    HKEY key = GetSectionKey(section);
    if (!key || !entry) {
        if (key)
            ::RegCloseKey(key);
        return FALSE;
    }
    LONG rc = ::RegSetValueExA(key, entry, 0, REG_BINARY, static_cast<const BYTE*>(data), bytes);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
