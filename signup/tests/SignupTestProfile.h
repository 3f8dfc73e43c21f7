// What the sign-up program's tests under Wine share: the program's profile in the registry, its
// string table, and texts compared without their line breaks.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

namespace signuptest {

inline const char kProfile[] = "Software\\Qelo\\NimboVandrell";

inline std::string LoadText(UINT id)
{
    char text[1024] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

// A string value of the profile (section "" is the profile's own key).
inline void SetString(const char* section, const char* name, const std::string& value)
{
    std::string path = std::string(kProfile) + (*section ? "\\" : "") + section;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                               &key, nullptr));
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}

// A string value of a section of the profile, "<none>" when it is missing.
inline std::string GetString(const char* section, const char* name)
{
    std::string path = std::string(kProfile) + "\\" + section;
    char value[512] = {};
    DWORD size = sizeof value - 1;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<none>";
    LONG status = ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : "<none>";
}

inline std::string Unbroken(std::string text)
{
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }), text.end());
    return text;
}

} // namespace signuptest
