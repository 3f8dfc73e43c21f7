// How long a library state event takes to reach the phone's status line, painted: a library
// thread calls the state handler, the window thread shows the text and the edit paints it. Beside
// it, the floor: a bare PostMessage to a plain window whose handler calls SetWindowText on a plain
// edit. Median and 90th percentile of 100 events each, in milliseconds.
//
// Run by hand: build/win64/nv-wine build/win64/bin/nv_phone_event_bench.exe <drawn base skin folder>
#include "phone_media/phone/tests/win/PhoneDoubles.h"

#include "phone_media/phone/win/PhoneDlg.h"
#include "resources/ids/phone_media.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace phonetest;

namespace {

struct Probe {
    WNDPROC old = nullptr;
    std::string wanted;
    bool painted = false;
    LARGE_INTEGER when = {};
};
Probe g_probe;

LRESULT CALLBACK PaintSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = ::CallWindowProcA(g_probe.old, window, message, wParam, lParam);
    if (message == WM_PAINT && !g_probe.painted) {
        char text[256] = {};
        ::GetWindowTextA(window, text, sizeof text);
        if (g_probe.wanted == text) {
            ::QueryPerformanceCounter(&g_probe.when);
            g_probe.painted = true;
        }
    }
    return result;
}

bool PumpUntilPainted(DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (!g_probe.painted && ::GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (!g_probe.painted)
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return g_probe.painted;
}

HWND g_plainEdit = nullptr;

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) {
        char* text = reinterpret_cast<char*>(lParam);
        ::SetWindowTextA(g_plainEdit, text);
        delete[] text;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

template <typename Fire>
std::vector<double> Measure(HWND edit, Fire fire)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    g_probe.old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintSpy)));
    std::vector<double> times;
    for (int i = 0; i < 100; ++i) {
        g_probe.wanted = "event " + std::to_string(i);
        g_probe.painted = false;
        LARGE_INTEGER start = {};
        std::string text = g_probe.wanted;
        std::thread([&] {
            ::QueryPerformanceCounter(&start);
            fire(text);
        }).join();
        if (!PumpUntilPainted(2000)) {
            std::printf("event %d never painted\n", i);
            continue;
        }
        times.push_back(1000.0 * static_cast<double>(g_probe.when.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    ::SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_probe.old));
    std::sort(times.begin(), times.end());
    return times;
}

void Report(const char* name, const std::vector<double>& times)
{
    if (times.empty()) {
        std::printf("%-40s no samples\n", name);
        return;
    }
    std::printf("%-40s median %.3f ms  p90 %.3f ms  (n=%zu)\n", name, times[times.size() / 2],
                times[times.size() * 9 / 10], times.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: nv_phone_event_bench SKINFOLDER\n");
        return 2;
    }
    CRecord record;
    CFolderSkin skins(argv[1], record);
    if (!skins.Loaded()) {
        std::printf("no skin at %s\n", argv[1]);
        return 2;
    }
    toolkit::SetSkinSource(&skins);
    toolkit::SetHost(&skins);
    CScriptedBoxes boxes(record);
    SetMessageBoxPresenter(&boxes);
    CRecordingHost host(record);
    phone::SetHost(&host);

    auto* phoneWindow = new CPhoneDlg(nullptr);
    if (!phoneWindow->Create()) {
        std::printf("the phone window could not be made\n");
        return 1;
    }
    phoneWindow->ShowWindow(SW_SHOW);
    HWND status = phoneWindow->GetDlgItem(IDC_PHONE_STATUS);
    std::vector<double> phoneTimes = Measure(status, [&](const std::string& text) {
        CPhoneDlg::OnStateEvent(phoneWindow, 5, text.c_str());
    });

    WNDCLASSA plainClass = {};
    plainClass.lpfnWndProc = &PlainProc;
    plainClass.hInstance = ::GetModuleHandleA(nullptr);
    plainClass.lpszClassName = "NvPhoneBenchPlain";
    ::RegisterClassA(&plainClass);
    HWND plain = ::CreateWindowExA(0, "NvPhoneBenchPlain", "plain", WS_POPUP | WS_VISIBLE, 400, 400, 220, 40, nullptr,
                                   nullptr, plainClass.hInstance, nullptr);
    g_plainEdit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_READONLY, 4, 4, 200, 20, plain, nullptr,
                                    plainClass.hInstance, nullptr);
    std::vector<double> plainTimes = Measure(g_plainEdit, [&](const std::string& text) {
        char* copy = new char[text.size() + 1];
        std::memcpy(copy, text.c_str(), text.size() + 1);
        if (!::PostMessageA(plain, WM_APP, 0, reinterpret_cast<LPARAM>(copy)))
            delete[] copy;
    });

    Report("state event to the phone's status line", phoneTimes);
    Report("PostMessage + SetWindowText, plain edit", plainTimes);
    phoneWindow->DestroyWindow();
    ::DestroyWindow(plain);
    phone::SetHost(nullptr);
    SetMessageBoxPresenter(nullptr);
    return 0;
}
