// Benchmark run by hand under Wine (not by CTest): the settings dialog from DoModal to shown, on
// the base skin with its nine buttons, six pages and font list, beside a plain dialog holding the
// same six templates as child dialogs; and the format sample redrawn after a selection change.
// Prints the median of each.
//   NV_UNLHA32=... NV_BASESKIN=... WINEDLLOVERRIDES=rasapi32=n wine settings_dialog_bench.exe
#include "shell/settings/win/SettingsDlg.h"

#include "resources/StringIds.h"

#include "shell/notify/tests/BaseSkinScope.h"
#include "shell/settings/tests/win/RecordingSettingsHost.h"
#include "net/access/NetAccount.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class BenchToolkitHost : public IToolkitHost {
public:
    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool) override {}
};

double Now()
{
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Ends itself at its first idle moment after it is shown, noting when that was.
template <class Dialog> class Timed : public Dialog {
public:
    using Dialog::Dialog;
    BOOL OnInitDialog() override
    {
        BOOL result = Dialog::OnInitDialog();
        ::PostMessageA(this->m_hWnd, WM_APP + 77, 0, 0);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP + 77) {
            ::UpdateWindow(this->m_hWnd);
            shownAt = Now();
            this->EndDialog(IDCANCEL);
            return 0;
        }
        return Dialog::WindowProc(message, wParam, lParam);
    }
    double shownAt = 0;
};

class CPlainHolder : public CDialog {
public:
    CPlainHolder() : CDialog(IDD_SETTINGS, nullptr) {}
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        for (UINT id : {IDD_SET_GENERAL, IDD_SET_MESSAGE, IDD_SET_FORMAT, IDD_SET_CONNECT, IDD_SET_USERINFO, IDD_SET_CALL}) {
            m_pages.emplace_back(new CDialog(id, this));
            m_pages.back()->Create(id, this);
        }
        ::ShowWindow(m_pages.front()->GetSafeHwnd(), SW_SHOW);
        return TRUE;
    }
    ~CPlainHolder() override
    {
        for (auto& page : m_pages)
            page->DestroyWindow();
    }
    std::vector<std::unique_ptr<CDialog>> m_pages;
};

} // namespace

int main()
{
    BenchToolkitHost toolkitHost;
    CBaseSkinScope skin;
    if (!skin.Start("nv settings bench", &toolkitHost)) {
        std::printf("no base skin\n");
        return 1;
    }
    RecordingSettingsHost host;
    host.info.SetConnectionSettings(true, 0, false, "", "", "", "");
    std::vector<double> settings, plain, sample;
    for (int round = 0; round < 5; ++round) {
        Timed<CSettingsDlg> dialog(nullptr, 0, host);
        const double start = Now();
        dialog.DoModal();
        settings.push_back(dialog.shownAt - start);
        Timed<CPlainHolder> holder;
        const double plainStart = Now();
        holder.DoModal();
        plain.push_back(holder.shownAt - plainStart);
    }
    {
        struct SampleTimer : CSettingsDlg {
            using CSettingsDlg::CSettingsDlg;
            BOOL OnInitDialog() override
            {
                BOOL result = CSettingsDlg::OnInitDialog();
                auto* format = static_cast<CSetFormatPage*>(Page(settingsrules::kPageFormat));
                SelectPage(settingsrules::kPageFormat);
                HWND item = format->GetDlgItem(IDC_SET_ITEM);
                for (int i = 0; i < 50; ++i) {
                    const double start = Now();
                    ::SendMessageA(item, CB_SETCURSEL, static_cast<WPARAM>(i % 4), 0);
                    ::SendMessageA(format->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_SET_ITEM, CBN_SELCHANGE),
                                   reinterpret_cast<LPARAM>(item));
                    ::UpdateWindow(format->Sample().GetSafeHwnd());
                    times->push_back(Now() - start);
                }
                EndDialog(IDCANCEL);
                return result;
            }
            std::vector<double>* times = nullptr;
        } timer(nullptr, 2, host);
        timer.times = &sample;
        timer.DoModal();
    }
    std::printf("settings dialog shown: median %.1f ms of 5\n", Median(settings));
    std::printf("plain dialog with the six templates: median %.1f ms of 5\n", Median(plain));
    std::printf("format sample redrawn after a selection change: median %.2f ms of %zu\n", Median(sample), sample.size());
    skin.Stop();
    return 0;
}
