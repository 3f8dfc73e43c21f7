// Benchmark (run by hand): a fetched 900-byte Japanese text with 20 addresses shown underlined
// in the rich edit control, beside the same text set plainly in that control.
// build/win64/nv-wine build/win64/messaging/recv/win/recv_body_bench.exe [runs]
#include "messaging/recv/win/RecvBodyView.h"

#include "framework/win/Controls.h"
#include "framework/win/Wnd.h"

#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

CString BenchText()
{
    CString text;
    const char* filler = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x96\x7B\x95\xB6"; // 日本語の本文 (12 bytes)
    for (int i = 0; i < 20; ++i) {
        CString address;
        address.Format("http://w%02d.example.jp/ ", i); // 23 bytes
        text += address;
        text += filler;
    }
    while (text.GetLength() + 2 <= 900)
        text += "\x82\xA0"; // あ
    return text;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void SetPlain(HWND edit, const CString& text) { ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.GetString())); }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    const char* cls = CWnd::RegisterWindowClass("NvBodyBench");
    CWnd parent;
    parent.CreateEx(0, cls, "bench", WS_POPUP | WS_VISIBLE, 0, 0, 420, 240, nullptr, nullptr);
    CRichEditCtrl body;
    RECT rect = {0, 0, 400, 220};
    body.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, rect, &parent, 1025);
    const CString text = BenchText();
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> underlined, plain;
    std::size_t addresses = 0;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER a, b, c;
        ::QueryPerformanceCounter(&a);
        addresses = ShowMessageText(body.m_hWnd, text).size();
        ::UpdateWindow(body.m_hWnd);
        ::QueryPerformanceCounter(&b);
        SetPlain(body.m_hWnd, text);
        ::UpdateWindow(body.m_hWnd);
        ::QueryPerformanceCounter(&c);
        underlined.push_back(Milliseconds(a, b, frequency));
        plain.push_back(Milliseconds(b, c, frequency));
    }
    std::printf("text %d bytes, %u addresses underlined, %d runs\n", text.GetLength(), static_cast<unsigned>(addresses), runs);
    std::printf("underlined: median %.2f ms, worst %.2f ms (target 30 ms)\n", Median(underlined),
                *std::max_element(underlined.begin(), underlined.end()));
    std::printf("plain:      median %.2f ms, worst %.2f ms\n", Median(plain), *std::max_element(plain.begin(), plain.end()));
    parent.DestroyWindow();
    return addresses == 20 ? 0 : 1;
}
