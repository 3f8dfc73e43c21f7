// Access to the registry profile through an interface, so that the settings code is the same in
// both programs and can be tested without a registry. A null or empty section means the
// application key itself.
#pragma once

#include "framework/core/CString.h"

#include <map>
#include <string>

class IProfileStore {
public:
    virtual ~IProfileStore() = default;
    virtual CString GetString(const char* section, const char* key, const char* defaultValue) = 0;
    virtual unsigned GetInt(const char* section, const char* key, int defaultValue) = 0;
    virtual void WriteString(const char* section, const char* key, const char* value) = 0;
    virtual void WriteInt(const char* section, const char* key, int value) = 0;
};

// A profile in memory: for tests, and for a program that runs without a registry.
class CMemoryProfile : public IProfileStore {
public:
    CString GetString(const char* section, const char* key, const char* defaultValue) override;
    unsigned GetInt(const char* section, const char* key, int defaultValue) override;
    void WriteString(const char* section, const char* key, const char* value) override;
    void WriteInt(const char* section, const char* key, int value) override;

    bool Has(const char* section, const char* key) const;
    // The values in the order they were last written, "section\key" each.
    const std::map<std::string, std::string>& Strings() const { return m_strings; }
    const std::map<std::string, unsigned>& Ints() const { return m_ints; }
    std::string WriteLog() const { return m_writeLog; }
    void ClearWriteLog() { m_writeLog.clear(); }

private:
    static std::string Name(const char* section, const char* key);
    std::map<std::string, std::string> m_strings;
    std::map<std::string, unsigned> m_ints;
    std::string m_writeLog;
};
