// Run by hand under Wine (build/win64/nv-wine ...): 
// 1. a command link navigated in the real control until the main window has the request, beside
//    a bare control whose sink only cancels: medians of 50 rounds;
// 2. the favourites menu of 1,000 shortcuts in 50 folders, beside a bare walk that reads each file.
#include "chat_web/browser/tests/win/BrowserTestHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct CancelOnly : CWebBrowserEvents {
    int asked = 0;
    void OnBeforeNavigate2(IDispatch*, const CString&, const CString&, VARIANT_BOOL* cancel) override
    {
        ++asked;
        *cancel = VARIANT_TRUE;
    }
};

class CBareHost : public CWnd {
public:
    bool Create()
    {
        const char* cls = RegisterWindowClass("NvBrowserBenchHost");
        if (!CreateEx(0, cls, "bare", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr))
            return false;
        ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 400, 300, m_hWnd, reinterpret_cast<HMENU>(1358), nullptr,
                          nullptr);
        return true;
    }
};

void NavigateBench()
{
    CFakeSkin skin;
    FillBrowserSkin(skin);
    CRecordingBrowserHost host;
    host.mainWindow.Create("main");
    CBrowserDlg::ServiceOrigin().AddServiceAddress("http://127.0.0.1/");
    CBrowserDlg* window = new CBrowserDlg(nullptr, 0);
    window->JoinRegistry(kWindowBrowser);
    if (!window->Create()) {
        std::printf("browser window could not be made\n");
        return;
    }
    window->Control().Navigate("http://127.0.0.1:9/");
    nvtest::PumpUntil([&] { return window->GetFirstNavigationMark() == 0; }, 10000);
    std::vector<double> full;
    for (int i = 0; i < 50; ++i) {
        host.mainWindow.posted.clear();
        auto t0 = Clock::now();
        window->Control().Navigate("x-vyrntalk:nv_show");
        nvtest::PumpUntil([&] { return !host.mainWindow.posted.empty(); }, 5000);
        full.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    window->DestroyWindow();
    delete window;

    CBareHost bare;
    bare.Create();
    CancelOnly events;
    CWebBrowserCtrl control;
    control.CreateFromPlaceholder(&bare, 1358, &events);
    std::vector<double> plain;
    for (int i = 0; i < 50; ++i) {
        int before = events.asked;
        auto t0 = Clock::now();
        control.Navigate("x-vyrntalk:nv_show");
        nvtest::PumpUntil([&] { return events.asked > before; }, 5000);
        plain.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    control.Close();
    bare.DestroyWindow();
    std::printf("command link to recorded call: median %.2f ms (bare cancelling site %.2f ms), 50 rounds\n",
                Median(full), Median(plain));
}

void FavoritesBench()
{
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "nv_fav_bench";
    nvtest::RemoveTree(root);
    ::CreateDirectoryA(root.c_str(), nullptr);
    for (int f = 0; f < 50; ++f) {
        std::string folder = root + "\\folder" + std::to_string(f);
        ::CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 0; i < 20; ++i) {
            std::string text = "[InternetShortcut]\r\nURL=http://site" + std::to_string(f * 20 + i) + ".example/\r\n";
            nvtest::WriteFileBytes(folder + "\\link" + std::to_string(i) + ".url",
                                   std::vector<std::uint8_t>(text.begin(), text.end()));
        }
    }
    CFakeSkin skin;
    FillBrowserSkin(skin);
    CRecordingBrowserHost host;
    host.mainWindow.Create("main");
    CBrowserDlg* window = new CBrowserDlg(nullptr, 0);
    window->Create();
    std::vector<double> menu, walk;
    for (int round = 0; round < 5; ++round) {
        auto t0 = Clock::now();
        HMENU built = window->BuildFavoritesMenu(root.c_str());
        menu.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        ::DestroyMenu(built);
        t0 = Clock::now();
        int read = 0;
        for (int f = 0; f < 50; ++f) {
            std::string folder = root + "\\folder" + std::to_string(f) + "\\";
            WIN32_FIND_DATAA found;
            HANDLE h = ::FindFirstFileA((folder + "*.*").c_str(), &found);
            if (h == INVALID_HANDLE_VALUE)
                continue;
            do {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    continue;
                char url[2048];
                ::GetPrivateProfileStringA("InternetShortcut", "URL", "", url, sizeof url, (folder + found.cFileName).c_str());
                read += url[0] ? 1 : 0;
            } while (::FindNextFileA(h, &found));
            ::FindClose(h);
        }
        walk.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (read != 1000 || window->GetFavoriteUrls().GetSize() != 1000)
            std::printf("unexpected counts: %d read, %d listed\n", read, window->GetFavoriteUrls().GetSize());
    }
    window->DestroyWindow();
    delete window;
    nvtest::RemoveTree(root);
    std::printf("favourites of 1000 shortcuts in 50 folders: menu %.1f ms, bare walk %.1f ms, ratio %.2f (median of 5)\n",
                Median(menu), Median(walk), Median(menu) / Median(walk));
}

} // namespace

int main()
{
    ::OleInitialize(nullptr);
    NavigateBench();
    FavoritesBench();
    return 0;
}
