// Benchmark run by hand (not a test), over a database made by make_history_db.py:
//   build/win64/nv-wine build/win64/messaging/history/win/history_bench.exe <install folder> [runs]
// 1. "All messages": from the command (the log window's creation) to its newest rows shown, and
//    how long a message posted right after the command waits while the rest of the history loads.
// 2. 1,000 partners painted in the partner list (presence icons, memo pictures) against a plain
//    report list view with the same items and icons.
#include "messaging/history/win/MsgLogDlg.h"
#include "messaging/history/win/UserLogDlg.h"

#include "framework/win/WinApp.h"
#include "messaging/history/doubles/HistoryDoubles.h"
#include "messaging/store/MsgStore.h"
#include "messaging/store/tests/StoreTestSupport.h"
#include "resources/StringIds.h"
#include "toolkit/win/tests/FakeSkin.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

double g_probePosted = 0;
double g_probeWait = -1;
LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP + 1)
        g_probeWait = Now() - g_probePosted;
    return ::DefWindowProcA(window, message, wParam, lParam);
}

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

void AddSkins(CFakeSkin& skins)
{
    skins.AddBitmap("vyrntalk_log.bmp", CFakeSkin::MakeDib(400, 300, [](int, int) { return 0x506070u; }));
    skins.AddBitmap("general.bmp", CFakeSkin::MakeDib(320, 400, [](int, int) { return 0x506070u; }));
    for (const char* strip : {"vyrntalk_log_play.bmp", "vyrntalk_log_reply.bmp", "vyrntalk_log_delete.bmp",
                              "vyrntalk_log_reload.bmp", "vyrntalk_log_save.bmp", "vyrntalk_rcv_log.bmp",
                              "main_phone.bmp", "vyrntalk_log_memo.bmp"})
        skins.AddBitmap(strip, CFakeSkin::MakeDib(160, 20, [](int, int) { return 0x3060C0u; }));
    skins.AddBitmap("vyrntalk_log_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
    skins.controls[IDC_LOG_LIST] = {At(8, 44, 384, 110), -1};
    skins.controls[IDC_LOG_VIEW] = {At(8, 160, 384, 104), -1};
    skins.controls[IDC_PARTNER_LIST] = {At(8, 24, 304, 340), -1};
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        std::printf("usage: history_bench <install folder> [runs]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    CWinApp app("NimboVandrellHistoryBench");
    storetest::TestPlatform platform(argv[1]);
    msgstore::SetStorePlatform(&platform);
    CFakeSkin skins;
    AddSkins(skins);
    CRecvEventLog log;
    CFakeHistoryHost host(log);
    CRecordingOpener opener(log);
    messaging::SetHistoryHost(&host);
    messaging::SetWindowOpener(&opener);
    HWND probe = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrA(probe, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProbeProc));

    std::vector<double> shown, waits, whole, firstPage;
    for (int run = 0; run < runs; ++run) {
        history::CLogHistory alone;
        const double start = Now();
        alone.Start(CMsgStore().GetDbPath(), host.ownId, host.ownId, host.ownName);
        alone.ReadPage(100);
        firstPage.push_back(Now() - start);
    }
    std::sort(firstPage.begin(), firstPage.end());
    std::printf("first page of 100 rows read alone: %.1f ms (median)\n", firstPage[firstPage.size() / 2]);
    for (int run = 0; run < runs; ++run) {
        auto* window = new CMsgLogDlg(nullptr);
        window->SetPartner(host.ownId, "all");
        const double start = Now();
        window->Create();
        ::UpdateWindow(window->m_hWnd);
        shown.push_back(Now() - start);
        g_probePosted = Now();
        g_probeWait = -1;
        ::PostMessageA(probe, WM_APP + 1, 0, 0);
        while (!window->GetHistory().Done() || g_probeWait < 0)
            Pump();
        whole.push_back(Now() - start);
        waits.push_back(g_probeWait);
        if (run == 0)
            std::printf("rows: %d\n", window->GetHistory().Count());
        window->DestroyWindow();
        Pump();
    }
    std::sort(shown.begin(), shown.end());
    std::sort(waits.begin(), waits.end());
    std::sort(whole.begin(), whole.end());
    std::printf("all messages: newest rows shown %.1f ms after the command (median of %d; worst %.1f), posted probe "
                "waited %.1f ms (worst %.1f), whole history read in %.1f ms\n",
                shown[shown.size() / 2], runs, shown.back(), waits[waits.size() / 2], waits.back(),
                whole[whole.size() / 2]);

    // Partner list: the window's list against a plain list view with the same rows and icons.
    host.users.clear();
    for (int i = 0; i < 1000; ++i)
        host.users.push_back({"x", CString(), 0, 5 + i % 9});
    char id[32];
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(id, sizeof id, "P%015d", i);
        host.users[static_cast<std::size_t>(i)].commId = id;
    }
    CImageList mainImages;
    mainImages.Create(16, 16, ILC_COLOR32 | ILC_MASK, 40, 4);
    HBITMAP strip = CFakeSkin::MakeDib(16 * 37, 16, [](int x, int) { return (x / 16) % 2 ? 0x00B000u : 0x0000C0u; });
    mainImages.Add(strip, static_cast<HBITMAP>(nullptr));
    host.imageList = reinterpret_cast<std::uintptr_t>(mainImages.GetSafeHandle());
    auto* partners = new CUserLogDlg(nullptr);
    partners->LoadSkin("general.bmp", TRUE);
    partners->Create(IDD_USER_LOG);
    partners->ShowWindow(SW_SHOWNOACTIVATE);
    CListCtrl& list = partners->GetList();
    RECT rect;
    ::GetWindowRect(list.m_hWnd, &rect);
    HWND plain = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS,
                                   rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                   nullptr, nullptr, nullptr);
    ::SendMessageA(plain, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(partners->GetImages()));
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        column.cx = list.GetColumnWidth(c);
        ::SendMessageA(plain, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    for (int i = 0; i < list.GetItemCount(); ++i) {
        CString name = list.GetItemText(i, 0), commId = list.GetItemText(i, 1);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = const_cast<char*>(name.GetString());
        item.iImage = 5;
        ::SendMessageA(plain, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        LVITEMA sub = {};
        sub.iSubItem = 1;
        sub.pszText = const_cast<char*>(commId.GetString());
        ::SendMessageA(plain, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&sub));
    }
    Pump();
    auto paint = [](HWND window, int times) {
        const double start = Now();
        for (int i = 0; i < times; ++i)
            ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        return (Now() - start) / times;
    };
    paint(list.m_hWnd, 3);
    paint(plain, 3);
    const double windowMs = paint(list.m_hWnd, 50);
    const double plainMs = paint(plain, 50);
    std::printf("partner list with %d partners: %.2f ms a paint, plain report list %.2f ms: %.2fx (target at most 2x)\n",
                list.GetItemCount(), windowMs, plainMs, plainMs > 0 ? windowMs / plainMs : 0.0);
    ::DestroyWindow(plain);
    partners->DestroyWindow();
    ::DestroyWindow(probe);
    messaging::SetHistoryHost(nullptr);
    messaging::SetWindowOpener(nullptr);
    msgstore::SetStorePlatform(nullptr);
    return 0;
}
