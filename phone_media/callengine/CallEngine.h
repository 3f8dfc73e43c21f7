// CCallEngine: the main program's door to the VoIP library qelo. This much of it serves
// start-up, which makes a short-lived engine to read the library's version text; the session,
// call and callback operations join it with the phone window.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>

class CCallEngine {
public:
    // Becomes the process's current engine.
    CCallEngine();
    virtual ~CCallEngine();

    // The most recently constructed engine still alive, or null.
    static CCallEngine* GetInstance();

    // The library's version text ("1.18R6B2": version, "R", release, "B", build); kept too.
    CString GetVersionText();
    uint32_t GetStatus() const { return m_status; }

private:
    CString m_versionText;
    uint32_t m_status = 0;
};
