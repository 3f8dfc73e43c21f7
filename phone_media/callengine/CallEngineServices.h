// What the call engine needs of the application (profile, scrambled profile values, the
// program's folder, message boxes) without including the shell: the application registers an
// implementation at start-up. The base class does nothing and answers with the defaults, so the
// engine works (quietly) before one is registered; tests register a recording double.
#pragma once

#include "framework/core/CString.h"

class ICallEngineServices {
public:
    virtual ~ICallEngineServices() = default;
    virtual bool AppExists() { return false; }
    // A null or empty section means values directly under the application's profile key.
    virtual CString GetProfileString(const char* section, const char* key, const char* defaultValue)
    {
        (void)section;
        (void)key;
        return defaultValue ? defaultValue : "";
    }
    virtual int GetProfileInt(const char* section, const char* key, int defaultValue)
    {
        (void)section;
        (void)key;
        return defaultValue;
    }
    virtual bool WriteProfileString(const char* section, const char* key, const char* value)
    {
        (void)section;
        (void)key;
        (void)value;
        return false;
    }
    // Scrambled values; an unreadable one comes back empty.
    virtual CString GetProfileSecret(const char* section, const char* key)
    {
        (void)section;
        (void)key;
        return "";
    }
    virtual bool WriteProfileSecret(const char* section, const char* key, const char* value)
    {
        (void)section;
        (void)key;
        (void)value;
        return false;
    }
    // The program's folder, without a trailing backslash.
    virtual CString ProgramFolder() { return ""; }
    // A message box of the application's text id (text: the same text in code page 932).
    virtual void ShowMessage(int textId, const char* text, unsigned flags)
    {
        (void)textId;
        (void)text;
        (void)flags;
    }
};

// Never null: the do-nothing services until the application registers its own.
ICallEngineServices& CallEngineServices();
void SetCallEngineServices(ICallEngineServices* services);
