// Registry access of the sign-up program: the profile sections under
// HKEY_CURRENT_USER\Software\Qelo\NimboVandrell, and terminated, type-checked reads of values
// that other programs wrote.
#pragma once

#include "shell/common/settings/ProfileStore.h"

#include <windows.h>

// IProfileStore over HKEY_CURRENT_USER\<root>\<section>; an empty section is the root itself.
// A value of another type than the one asked for reads as the default.
class CRegistryProfile : public IProfileStore {
public:
    explicit CRegistryProfile(const char* root = "Software\\Qelo\\NimboVandrell") : m_root(root) {}
    CString GetString(const char* section, const char* key, const char* defaultValue) override;
    unsigned GetInt(const char* section, const char* key, int defaultValue) override;
    void WriteString(const char* section, const char* key, const char* value) override;
    void WriteInt(const char* section, const char* key, int value) override;

private:
    CString KeyPath(const char* section) const;
    CString m_root;
};

// A REG_SZ value read into a 260-byte buffer that is always terminated; false (and *value
// empty) when the key or value is missing or of another type.
bool ReadRegistryText(HKEY root, const char* subKey, const char* name, CString* value);
