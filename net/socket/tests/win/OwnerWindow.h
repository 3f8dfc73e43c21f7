// A hidden owner window for the socket library under Windows: handles WM_SOCKET_RECEIVE as the
// library's owners do (read the record, free it with FreeSocketBuffer) and records what came.
// Data messages are recorded as (WM_SOCKET_RECEIVE, count, record kind), end forms as they came.
#pragma once

#include "net/socket/SocketTypes.h"

#include "tests/support/WinTestSupport.h"

#include <windows.h>

#include <string>

class OwnerWindow {
public:
    OwnerWindow();
    ~OwnerWindow();
    HWND Handle() const { return m_hwnd; }
    void Destroy();

    nvtest::MessageSequence sequence;
    std::string data;           // every data byte in arrival order
    int endForms = 0;
    std::size_t bytes = 0;
    int chunks = 0;
    bool allTerminated = true;  // the spare byte after each chunk was 0
    bool portsMatch = true;     // each record's port equalled expectedPort (when set)
    std::uint32_t expectedPort = 0;
    bool keepData = true;       // benchmarks only count bytes

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnSocketReceive(WPARAM wParam, LPARAM lParam);
    HWND m_hwnd = nullptr;
};
