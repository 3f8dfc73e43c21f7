#include "net/socket/tests/win/OwnerWindow.h"

namespace {
const char kClass[] = "NvSocketOwnerTest";
}

OwnerWindow::OwnerWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &OwnerWindow::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassA(&wc); // a second registration fails harmlessly
    m_hwnd = ::CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, this);
}

OwnerWindow::~OwnerWindow()
{
    Destroy();
}

void OwnerWindow::Destroy()
{
    if (m_hwnd) {
        ::SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }
}

LRESULT CALLBACK OwnerWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<OwnerWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && message == WM_SOCKET_RECEIVE) {
        self->OnSocketReceive(wParam, lParam);
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

void OwnerWindow::OnSocketReceive(WPARAM wParam, LPARAM lParam)
{
    int count = static_cast<int>(wParam);
    if (count > 0) {
        auto* record = reinterpret_cast<SocketDataRecord*>(lParam);
        if (keepData) {
            data.append(reinterpret_cast<const char*>(record->data), static_cast<std::size_t>(count));
            if (record->data[count] != 0)
                allTerminated = false;
            if (expectedPort && record->localPort != expectedPort)
                portsMatch = false;
            sequence.Add(WM_SOCKET_RECEIVE, wParam, static_cast<LPARAM>(record->kind));
        }
        bytes += static_cast<std::size_t>(count);
        ++chunks;
        FreeSocketBuffer(count, record);
    } else {
        ++endForms;
        sequence.Add(WM_SOCKET_RECEIVE, wParam, lParam);
    }
}
