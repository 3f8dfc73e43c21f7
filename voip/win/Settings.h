// The library's persistent values: the registry key Software\Pelorwave\NimboCall (binary values)
// and the ini file <working folder>\nimbocall.ini, section [nimbocall].
#pragma once

#include <cstddef>
#include <string>

namespace qelo {

constexpr const char kRegistryKeyPath[] = "Software\\Pelorwave\\NimboCall";

// PW_start and PW_set_option ask for the per-user root; it counts only before the first access.
void UsePerUserRoot();
bool RegistryRead(const char* name, void* buffer, std::size_t size);
bool RegistryReadZeroed(const char* name, void* buffer, std::size_t size);
// 0 when written, else the registry error code.
long RegistryWrite(const char* name, const void* bytes, std::size_t size);
// A 4-byte value; 0 when missing.
int RegistryFlag(const char* name);
std::string RegistryText(const char* name, std::size_t size);

std::string IniPath();
std::string IniString(const char* key, const char* defaultText);

// Forgets the open key (tests that remove it between cases).
void CloseRegistryKey();

} // namespace qelo
