// The memo window and the transfer progress dialog under Wine: the memo's store, placement and
// limit through the window, and the progress dialog driven as the message client drives it.
#include "messaging/memo/win/MemoDlg.h"
#include "messaging/memo/win/ProgressDlg.h"

#include "framework/win/WinApp.h"
#include "resources/StringIds.h"
#include "tests/support/WinTestSupport.h"
#include "toolkit/win/tests/FakeSkin.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

CWinApp g_app("NimboVandrellMemoTest");

const char kSato[] = "\x8d\xb2\x93\xa1";                    // 佐藤
const char kMemo[] = "\x83\x81\x83\x82\x82\xc5\x82\xb7\r\n2"; // メモです / 2

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

class CMapMemoStore : public IMemoStore {
public:
    CString GetUserMemo(const CString& commId) override { return memos[commId.str()].c_str(); }
    bool SetUserMemo(const CString& commId, const CString& memo) override
    {
        if (fails || !rows.count(commId.str()))
            return false;
        memos[commId.str()] = memo.str();
        return true;
    }
    bool PutUser(const CString& commId, const CString& name) override
    {
        if (fails)
            return false;
        rows[commId.str()] = name.str();
        return true;
    }
    std::map<std::string, std::string> rows, memos;
    bool fails = false;
};

class CRecordingMemoHost : public IMemoHost {
public:
    void AddMemoWindow(std::uintptr_t window) override { open.push_back(window); }
    void RemoveMemoWindow(std::uintptr_t window) override
    {
        for (auto it = open.begin(); it != open.end(); ++it)
            if (*it == window) {
                open.erase(it);
                return;
            }
    }
    void ShowNotice(unsigned stringId, std::uintptr_t) override { notices.push_back(stringId); }
    std::vector<std::uintptr_t> open;
    std::vector<unsigned> notices;
};

struct MemoWindow {
    CFakeSkin skins;
    CMapMemoStore store;
    CRecordingMemoHost host;
    CMemoDlg* dialog = nullptr;
    HWND hwnd = nullptr;

    explicit MemoWindow(const char* id, const char* name = kSato)
    {
        skins.AddBitmap("general.bmp", CFakeSkin::MakeDib(320, 240, [](int, int) { return 0x607080u; }));
        for (const char* strip : {"prepaid_ok.bmp", "prepaid_cancel.bmp"})
            skins.AddBitmap(strip, CFakeSkin::MakeDib(160, 20, [](int x, int) { return x < 40 ? 0x3060C0u : 0x808080u; }));
        skins.AddBitmap("vyrntalk_log_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
        skins.controls[IDC_MEMO_CLOSE] = {At(298, 3, 16, 16), 1};
        skins.controls[IDC_MEMO_NAME] = {At(8, 24, 304, 16), 4};
        skins.controls[IDC_MEMO_EDIT] = {At(8, 44, 304, 160), 12};
        skins.controls[IDC_MEMO_OK] = {At(8, 212, 40, 20), 2};
        skins.controls[IDC_MEMO_CANCEL] = {At(52, 212, 40, 20), 2};
        SetMemoHost(&host);
        dialog = new CMemoDlg(nullptr, store);
        dialog->SetPartner(id, name);
    }
    bool Open()
    {
        if (!dialog->Create())
            return false;
        hwnd = dialog->m_hWnd;
        nvtest::PumpPending();
        return true;
    }
    ~MemoWindow()
    {
        if (::IsWindow(hwnd))
            ::DestroyWindow(hwnd);
        SetMemoHost(nullptr);
    }
    void Click(UINT id)
    {
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, static_cast<int>(id))));
    }
    bool Gone() { return nvtest::PumpUntil([&] { return ::IsWindow(hwnd) == FALSE; }, 5000); }
};

TEST(MemoDlg, MemoForANewPartnerIsStoredAndTheWindowCentredThenRemembered)
{
    g_app.SetRegistryKey("Qelo");
    g_app.WriteProfileInt("Location", "MemoX", -1);
    g_app.WriteProfileInt("Location", "MemoY", -1);
    MemoWindow w("vy00000000000C3");
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(::IsWindowVisible(w.hwnd));
    char name[64] = {};
    ::GetDlgItemTextA(w.hwnd, IDC_MEMO_NAME, name, sizeof name);
    EXPECT_STREQ(kSato, name);
    ASSERT_EQ(1u, w.host.open.size());
    RECT work, window;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(w.hwnd, &window);
    EXPECT_EQ((work.right - work.left) / 2 - (window.right - window.left) / 2, window.left - work.left);
    EXPECT_EQ((work.bottom - work.top) / 2 - (window.bottom - window.top) / 2, window.top - work.top);

    ::SetWindowTextA(w.dialog->GetTextControl().m_hWnd, kMemo);
    ::RedrawWindow(w.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    nvtest::SaveWindowScreenshot(w.hwnd, "memo_window");
    w.Click(IDC_MEMO_OK);
    EXPECT_EQ(kSato, w.store.rows["vy00000000000C3"]);
    EXPECT_EQ(kMemo, w.store.memos["vy00000000000C3"]);
    EXPECT_TRUE(w.host.open.empty());
    ASSERT_TRUE(w.Gone());
    EXPECT_EQ(window.left, static_cast<int>(g_app.GetProfileInt("Location", "MemoX", -5)));
    EXPECT_EQ(window.top, static_cast<int>(g_app.GetProfileInt("Location", "MemoY", -5)));

    // The next memo window opens where the last one was, showing the stored memo.
    MemoWindow again("vy00000000000C3");
    again.store.memos["vy00000000000C3"] = kMemo;
    ASSERT_TRUE(again.Open());
    RECT placed;
    ::GetWindowRect(again.hwnd, &placed);
    EXPECT_EQ(window.left, placed.left);
    EXPECT_EQ(kMemo, again.dialog->GetText().str());
}

TEST(MemoDlg, AMemoThatCannotBeStoredKeepsItsWindowAndSaysSo)
{
    MemoWindow w("vy00000000000C3");
    w.store.fails = true;
    ASSERT_TRUE(w.Open());
    ::SetWindowTextA(w.dialog->GetTextControl().m_hWnd, kMemo);
    w.Click(IDC_MEMO_OK);
    nvtest::PumpPending();
    EXPECT_EQ(std::vector<unsigned>{IDS_MEMO_STORE_FAILED}, w.host.notices);
    EXPECT_TRUE(::IsWindow(w.hwnd));
    EXPECT_TRUE(::IsWindowVisible(w.hwnd));
    EXPECT_EQ(kMemo, w.dialog->GetText().str());
    EXPECT_EQ(1u, w.host.open.size());
}

TEST(MemoDlg, EmptyIdStoresNothingAndTheTextHasItsLimit)
{
    MemoWindow w("");
    ASSERT_TRUE(w.Open());
    EXPECT_EQ("", w.dialog->GetText().str());
    // The control holds at most 64,000 characters (filling it is too slow under Wine's rich edit).
    EXPECT_EQ(kMemoTextLimit, static_cast<long>(::SendMessageA(w.dialog->GetTextControl().m_hWnd, EM_GETLIMITTEXT, 0, 0)));
    ::SetWindowTextA(w.dialog->GetTextControl().m_hWnd, "typed");

    w.Click(IDC_MEMO_OK);
    EXPECT_TRUE(w.store.rows.empty());
    EXPECT_TRUE(w.store.memos.empty());
    EXPECT_TRUE(w.host.notices.empty());
    EXPECT_TRUE(w.Gone());
}

TEST(MemoDlg, CancelClosesWithoutStoring)
{
    MemoWindow w("vy00000000000C3");
    w.store.rows["vy00000000000C3"] = kSato;
    w.store.memos["vy00000000000C3"] = "old";
    ASSERT_TRUE(w.Open());
    ::SetWindowTextA(w.dialog->GetTextControl().m_hWnd, "new");
    w.Click(IDC_MEMO_CANCEL);
    EXPECT_FALSE(::IsWindowVisible(w.hwnd));
    EXPECT_EQ("old", w.store.memos["vy00000000000C3"]);
    EXPECT_TRUE(w.host.open.empty());
    EXPECT_TRUE(w.Gone());
}

// The progress dialog as the message client drives it: blocks counted from a worker thread,
// the end marker, and cancel posted to the owner.
TEST(ProgressDlg, FollowsTheBytesDoneAndCancelAsksTheOwner)
{
    HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    auto* dialog = new CProgressDlg;
    ASSERT_TRUE(dialog->Create(owner, nullptr));
    dialog->StartTimer(4000.0);
    EXPECT_TRUE(::IsWindowVisible(dialog->m_hWnd));
    EXPECT_EQ(0, dialog->GetShownPercent());
    auto percentText = [&] {
        char text[32] = {};
        ::GetDlgItemTextA(dialog->m_hWnd, IDC_PROGRESS_PERCENT, text, sizeof text);
        return std::string(text);
    };
    auto barPosition = [&] {
        return static_cast<int>(::SendDlgItemMessageA(dialog->m_hWnd, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
    };
    EXPECT_EQ("0%", percentText());
    char line[64] = {};
    ::GetDlgItemTextA(dialog->m_hWnd, IDC_PROGRESS_TEXT, line, sizeof line);
    CString voice;
    voice.LoadString(IDS_PROGRESS_VOICE);
    EXPECT_EQ(voice.str(), line);

    std::thread worker([dialog] {
        for (int i = 0; i < 10; ++i)
            dialog->AddBytesDone(100);
    });
    worker.join();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return dialog->GetShownPercent() == 25; }, 5000));
    EXPECT_EQ("25%", percentText());
    EXPECT_EQ(25, barPosition());
    ::RedrawWindow(dialog->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    nvtest::SaveWindowScreenshot(dialog->m_hWnd, "progress_dialog");
    dialog->MarkEnd();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return dialog->GetShownPercent() == 100; }, 5000));
    EXPECT_EQ("100%", percentText());

    ::SendMessageA(dialog->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageA(&msg, owner, 0x406, 0x406, PM_REMOVE));
    EXPECT_EQ(1000u, msg.wParam);
    EXPECT_FALSE(::IsWindowVisible(dialog->m_hWnd));
    ::DestroyWindow(dialog->m_hWnd);
    delete dialog;
    ::DestroyWindow(owner);
}

} // namespace
