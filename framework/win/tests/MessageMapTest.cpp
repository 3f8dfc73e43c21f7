// Message routing through message maps: typed handlers, base and derived maps, reflection,
// commands, and no exception escaping a window procedure.
#include "framework/win/Wnd.h"
#include "framework/core/Failure.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const UINT WM_OPEN_FILE = 0x40B;
const UINT WM_COME_TO_FRONT = 0x40E;
const UINT WM_THROWS = WM_USER + 77;

class CBaseWnd : public CWnd {
public:
    nvtest::MessageSequence seen;

    BOOL Create()
    {
        const char* cls = RegisterWindowClass("NvTestBaseWnd");
        return CreateEx(0, cls, "base", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    LRESULT OnComeToFront(WPARAM w, LPARAM l) { seen.Add(WM_COME_TO_FRONT, w, l); return 7; }
    LRESULT OnOpenFile(WPARAM w, LPARAM l) { seen.Add(WM_OPEN_FILE, w, l); return 1; }
    void OnTimer(UINT_PTR id) { seen.Add(WM_TIMER, id); KillTimer(id); }
    void OnCommandA() { seen.Add(WM_COMMAND, 100); }
    LRESULT OnThrows(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_MESSAGE(WM_COME_TO_FRONT, OnComeToFront)
    ON_MESSAGE(WM_OPEN_FILE, OnOpenFile)
    ON_MESSAGE(WM_THROWS, OnThrows)
    ON_WM_TIMER()
    ON_COMMAND(100, OnCommandA)
END_MESSAGE_MAP()

// Overrides one entry of its base; the others must still reach the base's handlers.
class CDerivedWnd : public CBaseWnd {
public:
    LRESULT OnOpenFileDerived(WPARAM w, LPARAM l) { seen.Add(WM_OPEN_FILE, w + 1000, l); return 2; }
    void OnRange(UINT id) { seen.Add(WM_COMMAND, id); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_MESSAGE(WM_OPEN_FILE, OnOpenFileDerived)
    ON_COMMAND_RANGE(200, 210, OnRange)
END_MESSAGE_MAP()

TEST(MessageMap, PostedMessagesReachTypedHandlersInOrder)
{
    CBaseWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));
    wnd.PostMessage(WM_COME_TO_FRONT);
    wnd.PostMessage(WM_OPEN_FILE, 0xC123);
    wnd.SetTimer(5, 1);
    wnd.PostMessage(WM_COMMAND, 100);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return wnd.seen.Items().size() >= 4; }));
    std::string diff = wnd.seen.Compare({{WM_COME_TO_FRONT, 0, 0}, {WM_OPEN_FILE, 0xC123, 0}, {WM_COMMAND, 100, 0}, {WM_TIMER, 5, 0}});
    EXPECT_TRUE(diff.empty()) << diff;
    EXPECT_EQ(7, wnd.SendMessage(WM_COME_TO_FRONT, 1, 2)) << "the handler's result is the message's result";
}

TEST(MessageMap, DerivedEntriesOverrideAndBaseEntriesStillApply)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(2, wnd.SendMessage(WM_OPEN_FILE, 1));
    EXPECT_EQ(7, wnd.SendMessage(WM_COME_TO_FRONT));
    wnd.SendMessage(WM_COMMAND, 205);
    wnd.SendMessage(WM_COMMAND, 211); // outside the range: nobody
    std::string diff = wnd.seen.Compare({{WM_OPEN_FILE, 1001, 0}, {WM_COME_TO_FRONT, 0, 0}, {WM_COMMAND, 205, 0}});
    EXPECT_TRUE(diff.empty()) << diff;
}

TEST(MessageMap, AnExceptionNeverLeavesTheWindowProcedure)
{
    static std::vector<std::string> reports;
    reports.clear();
    nv::FailureHook old = nv::SetFailureHook([](const char* where, const char* what) {
        reports.push_back(std::string(where) + ": " + what);
    });
    CBaseWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(0, wnd.SendMessage(WM_THROWS));
    EXPECT_EQ(7, wnd.SendMessage(WM_COME_TO_FRONT)) << "the window still works";
    nv::SetFailureHook(old);
    EXPECT_EQ(std::vector<std::string>{"window procedure: handler failed"}, reports)
        << "the exception reaches the failure hook once";
}

TEST(MessageMap, UnhandledMessagesGetTheDefaultProcedure)
{
    CBaseWnd wnd;
    ASSERT_TRUE(wnd.Create());
    wnd.SetWindowText("\x83\x5C\x83\x74\x83\x67"); // ソフト
    EXPECT_EQ("\x83\x5C\x83\x74\x83\x67", wnd.GetWindowText());
}

class CSelfDeletingWnd : public CWnd {
public:
    explicit CSelfDeletingWnd(bool* deleted) : m_deleted(deleted) {}
    ~CSelfDeletingWnd() override { *m_deleted = true; }
    void PostNcDestroy() override { delete this; }

private:
    bool* m_deleted;
};

TEST(WindowLifetime, PostNcDestroyRunsAfterTheWindowIsGoneAndMayDeleteTheObject)
{
    bool deleted = false;
    auto* wnd = new CSelfDeletingWnd(&deleted);
    const char* cls = CWnd::RegisterWindowClass("NvTestSelfDeleting");
    ASSERT_TRUE(wnd->CreateEx(0, cls, "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
    HWND hWnd = wnd->m_hWnd;
    ::DestroyWindow(hWnd);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST(WindowLifetime, AnObjectDestroyedFirstTakesItsWindowWithIt)
{
    HWND hWnd;
    {
        CBaseWnd wnd;
        ASSERT_TRUE(wnd.Create());
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

// A control that handles its own notifications (reflected by its parent).
class CReflectingButton : public CWnd {
public:
    int customDraws = 0;
    int clicks = 0;
    void OnCustomDraw(NMHDR*, LRESULT* result) { ++customDraws; *result = CDRF_SKIPDEFAULT; }
    void OnReflectedClick(NMHDR*, LRESULT*) {}
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CWnd)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
END_MESSAGE_MAP()

class CParentWnd : public CBaseWnd {
public:
    int parentNotices = 0;
    void OnChildClick(NMHDR* header, LRESULT* result) { ++parentNotices; *result = static_cast<LRESULT>(header->idFrom); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CBaseWnd)
    ON_NOTIFY(NM_CLICK, 300, OnChildClick)
END_MESSAGE_MAP()

TEST(MessageMap, NotificationsAreReflectedToTheControlThatHandlesThem)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.Create());
    CReflectingButton button;
    ASSERT_TRUE(button.CreateEx(0, "BUTTON", "x", WS_CHILD, 0, 0, 5, 5, parent.m_hWnd,
                                reinterpret_cast<HMENU>(300)));

    NMHDR draw = {button.m_hWnd, 300, static_cast<UINT>(NM_CUSTOMDRAW)};
    EXPECT_EQ(CDRF_SKIPDEFAULT, parent.SendMessage(WM_NOTIFY, 300, reinterpret_cast<LPARAM>(&draw)));
    EXPECT_EQ(1, button.customDraws);

    NMHDR click = {button.m_hWnd, 300, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(300, parent.SendMessage(WM_NOTIFY, 300, reinterpret_cast<LPARAM>(&click)))
        << "a notice the control does not take goes to the parent's map";
    EXPECT_EQ(1, parent.parentNotices);
}

} // namespace
