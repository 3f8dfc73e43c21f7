// The error log window on the base skin: rows added, written soon after, read back by a new
// window, aged by the setting, deleted through the message-box presenter, reached through the
// error sink; the list read back from the real list view.
#include "shell/notify/ErrorLogDlg.h"

#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/settings/ProfileStore.h"
#include "shell/notify/tests/BaseSkinScope.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

class TestToolkitHost : public IToolkitHost {
public:
    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool) override {}
    void AddTrayWindow(HWND window) override { tray.push_back(window); }
    void RemoveTrayWindow(HWND window) override
    {
        for (auto it = tray.begin(); it != tray.end();)
            it = *it == window ? tray.erase(it) : it + 1;
    }
    std::vector<HWND> tray;
};

class TestErrorLogHost : public IErrorLogHost {
public:
    CWnd* GetParentWindow() override { return nullptr; }
    IProfileStore& GetProfile() override { return profile; }
    long long GetKeepDays() override { return keepDays; }
    CString GetLogFolder() override { return folder; }
    std::time_t Now() override { return now; }
    void OnErrorLogReady(CWnd* window) override { ready = window; }

    CMemoryProfile profile;
    long long keepDays = 30;
    CString folder;
    std::time_t now = 0;
    CWnd* ready = nullptr;
};

class AnsweringPresenter : public IMessageBoxPresenter {
public:
    int Show(HWND, const char* text, UINT flags, bool) override
    {
        asked.push_back(text);
        lastFlags = flags;
        return answer;
    }
    int answer = IDNO;
    UINT lastFlags = 0;
    std::vector<std::string> asked;
};

class RecordingBalloon : public IErrorTextTarget {
public:
    void ShowErrorText(const CString& text) override { texts.push_back(text.str()); }
    std::vector<std::string> texts;
};

std::string Load(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

std::string ItemText(HWND list, int item, int column)
{
    char buffer[1024] = {};
    LVITEMA lv{};
    lv.iSubItem = column;
    lv.pszText = buffer;
    lv.cchTextMax = sizeof buffer;
    ::SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv));
    return buffer;
}

int ItemImage(HWND list, int item)
{
    LVITEMA lv{};
    lv.mask = LVIF_IMAGE;
    lv.iItem = item;
    ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
    return lv.iImage;
}

std::string FileText(const CString& path)
{
    auto bytes = nvtest::ReadFileBytes(path.GetString());
    return std::string(bytes.begin(), bytes.end());
}

class ErrorLogWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::InitCommonControls();
        ASSERT_TRUE(m_skin.Start("nv error log", &m_toolkitHost));
        m_root = m_skin.Root();
        CreateDirectoryA(m_root + "\\Log", nullptr);
        m_previousPresenter = SetMessageBoxPresenter(&m_presenter);
        m_host.folder = m_root + "\\Log";
        m_host.now = 1781524800; // mid-June 2026
    }
    void TearDown() override
    {
        SetMessageBoxPresenter(m_previousPresenter);
        m_skin.Stop();
    }
    CErrorLogDlg* Open()
    {
        auto* log = new CErrorLogDlg(nullptr, m_host);
        if (!log->Create())
            return nullptr;
        nvtest::PumpPending();
        return log;
    }
    CString LogPath() const { return m_root + "\\Log\\errorlog.dat"; }

    CBaseSkinScope m_skin;
    CString m_root;
    TestToolkitHost m_toolkitHost;
    TestErrorLogHost m_host;
    AnsweringPresenter m_presenter;
    IMessageBoxPresenter* m_previousPresenter = nullptr;
};

TEST_F(ErrorLogWindowTest, EntriesAreWrittenSoonAndReadBackByANewWindow)
{
    CErrorLogDlg* log = Open();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(m_host.ready, log);
    EXPECT_FALSE(::IsWindowVisible(*log)) << "created hidden";
    HWND list = log->GetList();
    ASSERT_EQ(0, log->GetEntryCount());
    // Japanese text with a line break, a text with commas, and one of each kind.
    const std::string japanese = "\x83\x54\x81\x5b\x83\x6f\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\r\n(#13005)";
    ASSERT_TRUE(log->AddEntry(0x30, japanese.c_str()));
    m_host.now += 5;
    ASSERT_TRUE(log->AddEntry(0x40, "information, with, commas"));
    m_host.now += 5;
    ASSERT_TRUE(log->AddEntry(0x10, "stop\nsign"));
    ASSERT_EQ(3, log->GetEntryCount());

    struct Row {
        std::string label;
        int image;
        std::string message;
    } rows[] = {
        {Load(IDS_ERROR_LOG_WARNING), 0, "stop sign"},
        {Load(IDS_ERROR_LOG_INFORMATION), 1, "information, with, commas"},
        {Load(IDS_ERROR_LOG_CAUTION), 2, japanese.substr(0, japanese.size() - 10) + " (#13005)"},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].label, ItemText(list, i, 0));
        EXPECT_EQ(rows[i].image, ItemImage(list, i));
        EXPECT_EQ(rows[i].message, ItemText(list, i, 2));
        EXPECT_EQ(19u, ItemText(list, i, 1).size());
    }
    EXPECT_EQ(errorlog::FormatTime(m_host.now).str(), ItemText(list, 0, 1));
    RECT client;
    ::GetClientRect(list, &client);
    EXPECT_EQ(50, ::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(120, ::SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));
    EXPECT_EQ(client.right - 170, ::SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0));

    // Written soon after the entries, while the window still lives.
    ASSERT_TRUE(nvtest::PumpUntil([&] { return FileText(LogPath()).find("stop sign") != std::string::npos; }, 10000));
    const std::string file = FileText(LogPath());
    EXPECT_EQ(0u, file.find("ERROR_LOG_VERSION:1.0\r\n"));
    EXPECT_NE(std::string::npos, file.find(Load(IDS_ERROR_LOG_WARNING) + "," + errorlog::FormatTime(m_host.now).str() + ",stop sign\r\n"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(LogPath() + ".tmp")) << "no temporary file is left";

    log->Show(true);
    nvtest::PumpPending();
    ASSERT_EQ(1u, m_toolkitHost.tray.size());
    nvtest::SaveWindowScreenshot(*log, "notify_error_log");
    log->Show(false);
    EXPECT_TRUE(m_toolkitHost.tray.empty());
    log->SetWindowPos(nullptr, 30, 40, 400, 260, SWP_NOZORDER | SWP_NOACTIVATE);
    ::DestroyWindow(*log);
    nvtest::PumpPending();
    EXPECT_EQ(30u, m_host.profile.GetInt("Location", "ErrorLogX", -1));
    EXPECT_EQ(400u, m_host.profile.GetInt("Location", "ErrorLogWidth", -1));

    CErrorLogDlg* again = Open();
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(3, again->GetEntryCount());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].message, ItemText(again->GetList(), i, 2)) << i;
        EXPECT_EQ(rows[i].image, ItemImage(again->GetList(), i)) << i;
    }
    RECT placed;
    again->GetWindowRect(&placed);
    EXPECT_EQ(30, placed.left);
    EXPECT_EQ(40, placed.top);
    EXPECT_EQ(400, placed.right - placed.left);
    ::DestroyWindow(*again);
}

TEST_F(ErrorLogWindowTest, FileIsAgedByTheSettingAndCentredWithoutAPlace)
{
    const std::time_t now = m_host.now;
    m_host.keepDays = 3;
    std::string file = "something else\r\n";
    file += Load(IDS_ERROR_LOG_WARNING) + "," + errorlog::FormatTime(now - 3 * 86400).str() + ",kept exactly\r\n";
    file += Load(IDS_ERROR_LOG_INFORMATION) + "," + errorlog::FormatTime(now - 3 * 86400 - 1).str() + ",dropped\r\n";
    file += "odd label,2001/13/01/00:00:00,bad date kept\r\n";
    ASSERT_TRUE(nvtest::WriteFileBytes(LogPath().GetString(), std::vector<std::uint8_t>(file.begin(), file.end())));
    CErrorLogDlg* log = Open();
    ASSERT_NE(log, nullptr);
    ASSERT_EQ(2, log->GetEntryCount());
    EXPECT_EQ("kept exactly", ItemText(log->GetList(), 0, 2));
    EXPECT_EQ(0, ItemImage(log->GetList(), 0));
    EXPECT_EQ("bad date kept", ItemText(log->GetList(), 1, 2));
    EXPECT_EQ(Load(IDS_ERROR_LOG_CAUTION), ItemText(log->GetList(), 1, 0));
    EXPECT_EQ(2, ItemImage(log->GetList(), 1));
    RECT r, work;
    log->GetWindowRect(&r);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - (work.left + work.right) / 2), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - (work.top + work.bottom) / 2), 1);
    ::DestroyWindow(*log);
}

TEST_F(ErrorLogWindowTest, DeleteAllAsksAndOnlyYesEmptiesListAndFile)
{
    CErrorLogDlg* log = Open();
    ASSERT_NE(log, nullptr);
    EXPECT_FALSE(log->DeleteAll()) << "an empty list asks nothing";
    EXPECT_TRUE(m_presenter.asked.empty());
    log->AddEntry(0x10, "one");
    log->AddEntry(0x10, "two");
    m_presenter.answer = IDNO;
    ::SendMessageA(*log, WM_COMMAND, MAKEWPARAM(IDC_ERROR_LOG_DELETE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(log->GetDlgItem(IDC_ERROR_LOG_DELETE)));
    ASSERT_EQ(1u, m_presenter.asked.size());
    EXPECT_EQ(Load(IDS_ERROR_LOG_DELETE_ASK), m_presenter.asked[0]);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), m_presenter.lastFlags & MB_TYPEMASK);
    EXPECT_EQ(2, log->GetEntryCount());
    m_presenter.answer = IDYES;
    EXPECT_TRUE(log->DeleteAll());
    EXPECT_EQ(0, log->GetEntryCount());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return FileText(LogPath()) == "ERROR_LOG_VERSION:1.0\r\n"; }, 10000));
    ::DestroyWindow(*log);
}

TEST_F(ErrorLogWindowTest, ErrorSinkReachesTheLogAndTheBalloonAndOutlivesTheWindow)
{
    CErrorLogDlg* log = Open();
    ASSERT_NE(log, nullptr);
    RecordingBalloon balloon;
    CNotifyErrorSink sink(*log, &balloon);
    sink.LogError(0x30, "logged");
    sink.ShowErrorBalloon("shown", 0x30);
    EXPECT_EQ(1, log->GetEntryCount());
    EXPECT_EQ("logged", ItemText(log->GetList(), 0, 2));
    EXPECT_EQ(std::vector<std::string>{"shown"}, balloon.texts);
    ::DestroyWindow(*log);
    nvtest::PumpPending();
    sink.LogError(0x30, "after the window went"); // nothing to reach, nothing touched
    sink.SetBalloon(nullptr);
    sink.ShowErrorBalloon("no balloon", 0);
    EXPECT_EQ(1u, balloon.texts.size());
}

} // namespace

namespace {

// Benchmark, run by hand (--gtest_also_run_disabled_tests): a 10,000-entry errorlog.dat read into
// the window at creation, against a plain list view filled with the same rows in the same run.
TEST_F(ErrorLogWindowTest, DISABLED_BenchmarkTenThousandEntries)
{
    const int rows = 10000;
    std::string file = "ERROR_LOG_VERSION:1.0\r\n";
    std::vector<errorlog::Entry> entries;
    for (int i = 0; i < rows; ++i) {
        errorlog::Entry e{i % 3, i % 3 == 0 ? Load(IDS_ERROR_LOG_WARNING).c_str() : Load(IDS_ERROR_LOG_CAUTION).c_str(),
                          errorlog::FormatTime(m_host.now - i), ""};
        e.message.Format("\x83\x54\x81\x5b\x83\x6f\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1 (#%d)", 13000 + i % 100);
        entries.push_back(e);
    }
    file = errorlog::Write(entries);
    ASSERT_TRUE(nvtest::WriteFileBytes(LogPath().GetString(), std::vector<std::uint8_t>(file.begin(), file.end())));
    LARGE_INTEGER frequency, t0, t1, t2, t3;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&t0);
    CErrorLogDlg* log = Open();
    ::QueryPerformanceCounter(&t1);
    ASSERT_NE(log, nullptr);
    ASSERT_EQ(rows, log->GetEntryCount());

    HWND plain = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 320, 200, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    ::QueryPerformanceCounter(&t2);
    for (int c = 0; c < 3; ++c) {
        char name[] = "c";
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = name;
        column.cx = 100;
        ::SendMessageA(plain, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    for (int i = 0; i < rows; ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(entries[i].label.GetString());
        const int at = static_cast<int>(::SendMessageA(plain, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<char*>(entries[i].time.GetString());
        ::SendMessageA(plain, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
        sub.iSubItem = 2;
        sub.pszText = const_cast<char*>(entries[i].message.GetString());
        ::SendMessageA(plain, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
    }
    ::QueryPerformanceCounter(&t3);
    const double window = 1000.0 * (t1.QuadPart - t0.QuadPart) / frequency.QuadPart;
    const double list = 1000.0 * (t3.QuadPart - t2.QuadPart) / frequency.QuadPart;
    std::printf("error log of %d entries: window created and filled in %.1f ms; plain list view filled in %.1f ms\n",
                rows, window, list);
    ::DestroyWindow(plain);
    ::DestroyWindow(*log);
}

} // namespace
