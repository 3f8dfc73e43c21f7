// The registry profile of the framework's application object, as a profile store.
#pragma once

#include "framework/win/WinApp.h"
#include "shell/common/settings/ProfileStore.h"

class CWinAppProfile : public IProfileStore {
public:
    explicit CWinAppProfile(CWinApp& app) : m_app(app) {}
    CString GetString(const char* section, const char* key, const char* defaultValue) override
    {
        return m_app.GetProfileString(section ? section : "", key, defaultValue);
    }
    unsigned GetInt(const char* section, const char* key, int defaultValue) override
    {
        return m_app.GetProfileInt(section ? section : "", key, defaultValue);
    }
    void WriteString(const char* section, const char* key, const char* value) override
    {
        m_app.WriteProfileString(section ? section : "", key, value ? value : "");
    }
    void WriteInt(const char* section, const char* key, int value) override
    {
        m_app.WriteProfileInt(section ? section : "", key, value);
    }

private:
    CWinApp& m_app;
};
