#include "shell/common/settings/ProfileStore.h"

std::string CMemoryProfile::Name(const char* section, const char* key)
{
    return std::string(section ? section : "") + "\\" + (key ? key : "");
}

CString CMemoryProfile::GetString(const char* section, const char* key, const char* defaultValue)
{
    auto found = m_strings.find(Name(section, key));
    return found != m_strings.end() ? CString(found->second) : CString(defaultValue);
}

unsigned CMemoryProfile::GetInt(const char* section, const char* key, int defaultValue)
{
    auto found = m_ints.find(Name(section, key));
    return found != m_ints.end() ? found->second : static_cast<unsigned>(defaultValue);
}

void CMemoryProfile::WriteString(const char* section, const char* key, const char* value)
{
    m_strings[Name(section, key)] = value ? value : "";
    m_writeLog += Name(section, key) + ";";
}

void CMemoryProfile::WriteInt(const char* section, const char* key, int value)
{
    m_ints[Name(section, key)] = static_cast<unsigned>(value);
    m_writeLog += Name(section, key) + ";";
}

bool CMemoryProfile::Has(const char* section, const char* key) const
{
    std::string name = Name(section, key);
    return m_strings.count(name) || m_ints.count(name);
}
