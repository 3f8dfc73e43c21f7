// The busy cursor for the length of a scope: shown when the object is made, the cursor that was
// there before put back when it goes.
#pragma once

#include "framework/win/Afx.h"

class CWaitCursor {
public:
    // The system's hourglass unless the program names a cursor of its own.
    explicit CWaitCursor(HCURSOR cursor = ::LoadCursor(nullptr, IDC_WAIT)) : m_previous(::SetCursor(cursor)) {}
    ~CWaitCursor() { ::SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
