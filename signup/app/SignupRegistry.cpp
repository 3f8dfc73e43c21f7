#include "signup/app/SignupRegistry.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kTextBytes = 260;

// A string value of any length, terminated; false unless it is REG_SZ or REG_EXPAND_SZ.
bool QueryText(HKEY key, const char* name, CString* value)
{
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > (1u << 20))
        return false;
    std::vector<char> data(size + 1, '\0');
    DWORD got = size;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    data[got < size ? got : size] = '\0';
    *value = CString(data.data());
    return true;
}

} // namespace

bool ReadRegistryText(HKEY root, const char* subKey, const char* name, CString* value)
{
    value->Empty();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char buffer[kTextBytes + 1] = {};
    DWORD type = 0, size = kTextBytes;
    const LONG status = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return false;
    buffer[size < kTextBytes ? size : kTextBytes] = '\0'; // a value stored without its terminator
    *value = CString(buffer);
    return true;
}

CString CRegistryProfile::KeyPath(const char* section) const
{
    return section && *section ? m_root + "\\" + section : m_root;
}

CString CRegistryProfile::GetString(const char* section, const char* key, const char* defaultValue)
{
    HKEY handle = nullptr;
    CString value = defaultValue ? defaultValue : "";
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(section), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return value;
    CString stored;
    if (QueryText(handle, key, &stored))
        value = stored;
    ::RegCloseKey(handle);
    return value;
}

unsigned CRegistryProfile::GetInt(const char* section, const char* key, int defaultValue)
{
    HKEY handle = nullptr;
    unsigned value = static_cast<unsigned>(defaultValue);
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(section), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return value;
    DWORD type = 0, data = 0, size = sizeof data;
    if (::RegQueryValueExA(handle, key, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof data)
        value = data;
    ::RegCloseKey(handle);
    return value;
}

void CRegistryProfile::WriteString(const char* section, const char* key, const char* value)
{
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(section), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS)
        return;
    const char* text = value ? value : "";
    ::RegSetValueExA(handle, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
    ::RegCloseKey(handle);
}

void CRegistryProfile::WriteInt(const char* section, const char* key, int value)
{
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(section), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS)
        return;
    const DWORD data = static_cast<DWORD>(value);
    ::RegSetValueExA(handle, key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    ::RegCloseKey(handle);
}
