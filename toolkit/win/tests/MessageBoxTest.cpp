// The program's message box under Wine, answered by posted keys from the shown hook (a modal
// box with nobody at the keyboard would wait for ever).
#include "toolkit/win/MessageBoxDlg.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const UINT_PTR kSafetyTimer = 77;
const UINT_PTR kActTimer = 78;

// Ends a box that ignored what the test posted, so that a fault fails the test instead of
// hanging it.
void CALLBACK EndStuckBox(HWND hwnd, UINT, UINT_PTR, DWORD)
{
    ::KillTimer(hwnd, kSafetyTimer);
    if (auto* box = static_cast<CMessageBoxDlg*>(CWnd::FromHandlePermanent(hwnd)))
        box->EndDialog(-2);
}

struct Shown {
    std::vector<std::string> captions;
    int defaultId = 0;
    RECT window = {0, 0, 0, 0};
    RECT text = {0, 0, 0, 0};
};

// What the running test does once the box is up (the box's initialisation has ended by then).
std::function<void(CMessageBoxDlg&)> g_whenUp;

void CALLBACK ActOnBox(HWND hwnd, UINT, UINT_PTR, DWORD)
{
    ::KillTimer(hwnd, kActTimer);
    auto* box = static_cast<CMessageBoxDlg*>(CWnd::FromHandlePermanent(hwnd));
    if (box && g_whenUp)
        g_whenUp(*box);
}

// Runs a box of that style; act posts what the user would do.
INT_PTR RunBox(const char* text, UINT style, const std::function<void(CMessageBoxDlg&)>& act, Shown* shown = nullptr,
               const char* screenshot = nullptr)
{
    g_whenUp = [&](CMessageBoxDlg& box) {
        if (shown) {
            for (std::size_t i = 0; i < box.GetButtonCount(); ++i) {
                char caption[64] = "";
                ::GetWindowTextA(box.GetButton(i), caption, sizeof caption);
                shown->captions.push_back(caption);
            }
            shown->defaultId = static_cast<int>(LOWORD(box.SendMessage(DM_GETDEFID)));
            ::GetWindowRect(box, &shown->window);
            ::GetWindowRect(box.GetTextControl(), &shown->text);
        }
        if (screenshot) {
            ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            nvtest::PumpPending(); // lets the display driver show what was drawn
            nvtest::SaveWindowScreenshot(box, screenshot);
        }
        act(box);
    };
    CMessageBoxDlg::SetShownHook([](CMessageBoxDlg& box) {
        ::SetTimer(box, kSafetyTimer, 10000, &EndStuckBox);
        ::SetTimer(box, kActTimer, 10, &ActOnBox);
    });
    CMessageBoxDlg box(nullptr);
    box.Setup("caption", text, style);
    INT_PTR result = box.DoModal();
    CMessageBoxDlg::SetShownHook(nullptr);
    g_whenUp = nullptr;
    return result;
}

void PostKey(CMessageBoxDlg& box, WPARAM key)
{
    HWND target = ::GetFocus();
    if (!target || (target != box.GetSafeHwnd() && !::IsChild(box, target)))
        target = box;
    ::PostMessageA(target, WM_KEYDOWN, key, 0);
}

TEST(MessageBoxDialog, EachButtonSetAnswersItsKeys)
{
    struct Case {
        const char* name;
        UINT style;
        WPARAM key;
        int focusButton; // index of a button to focus first, or -1
        INT_PTR expected;
    } cases[] = {
        {"OK: Enter", MB_OK, VK_RETURN, -1, IDOK},
        {"OK: Escape", MB_OK, VK_ESCAPE, -1, IDOK},
        {"OK/Cancel: Enter", MB_OKCANCEL, VK_RETURN, -1, IDOK},
        {"OK/Cancel: Escape", MB_OKCANCEL, VK_ESCAPE, -1, IDCANCEL},
        {"Abort/Retry/Ignore: Enter on Retry", MB_ABORTRETRYIGNORE, VK_RETURN, 1, IDRETRY},
        {"Abort/Retry/Ignore: Escape", MB_ABORTRETRYIGNORE, VK_ESCAPE, -1, IDIGNORE},
        {"Yes/No/Cancel: Enter", MB_YESNOCANCEL, VK_RETURN, -1, IDYES},
        {"Yes/No/Cancel: Escape", MB_YESNOCANCEL, VK_ESCAPE, -1, IDCANCEL},
        {"Yes/No: Escape answers No", MB_YESNO | MB_ICONQUESTION, VK_ESCAPE, -1, IDNO},
        {"Yes/No: Enter on No", MB_YESNO, VK_RETURN, 1, IDNO},
        {"Retry/Cancel: Ctrl+Break", MB_RETRYCANCEL, VK_CANCEL, -1, IDCANCEL},
        {"no buttons of its own: OK", 6, VK_ESCAPE, -1, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        INT_PTR result = RunBox("text", c.style, [&](CMessageBoxDlg& box) {
            if (c.focusButton >= 0)
                ::SetFocus(box.GetButton(static_cast<std::size_t>(c.focusButton)));
            PostKey(box, c.key);
        });
        EXPECT_EQ(result, c.expected);
    }
}

TEST(MessageBoxDialog, ClickAndCloseAnswer)
{
    INT_PTR clicked = RunBox("text", MB_YESNOCANCEL, [](CMessageBoxDlg& box) {
        ::PostMessageA(box.GetButton(1), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(clicked, IDNO);
    INT_PTR closed = RunBox("text", MB_OKCANCEL, [](CMessageBoxDlg& box) { box.PostMessage(WM_CLOSE); });
    EXPECT_EQ(closed, IDCANCEL);
}

TEST(MessageBoxDialog, CaptionsDefaultAndLayout)
{
    Shown shown;
    // "はい(&Y)" and "いいえ(&N)" in the program's code page.
    RunBox("\x82\xb1\x82\xea\x82\xcd\x83\x65\x83\x58\x83\x67\x82\xc5\x82\xb7\x81\x42", MB_YESNO | MB_ICONQUESTION,
           [](CMessageBoxDlg& box) { PostKey(box, VK_ESCAPE); }, &shown, "toolkit_message_box");
    ASSERT_EQ(shown.captions.size(), 2u);
    EXPECT_EQ(shown.captions[0], "\x82\xcd\x82\xa2(&Y)");
    EXPECT_EQ(shown.captions[1], "\x82\xa2\x82\xa2\x82\xa6(&N)");
    EXPECT_EQ(shown.defaultId, IDYES);
    EXPECT_LT(shown.text.right - shown.text.left, ::GetSystemMetrics(SM_CXFULLSCREEN) / 2 + 4)
        << "a short text never takes more than half the screen";
    EXPECT_GT(shown.text.right - shown.text.left, 2);
}

TEST(MessageBoxDialog, LongTextStaysWithinTheWorkArea)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "line of a long message\r\n";
    Shown shown;
    INT_PTR result = RunBox(text.c_str(), MB_OKCANCEL, [](CMessageBoxDlg& box) { PostKey(box, VK_RETURN); }, &shown);
    EXPECT_EQ(result, IDOK);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(shown.window.bottom - shown.window.top, work.bottom - work.top);
    EXPECT_GE(shown.window.top, work.top);
    EXPECT_LE(shown.window.bottom, work.bottom);
}

TEST(MessageBoxDialog, DragByTheClientArea)
{
    EXPECT_EQ(CMessageBoxDlg::DragByClientArea(HTCLIENT), HTCAPTION);
    EXPECT_EQ(CMessageBoxDlg::DragByClientArea(HTBORDER), HTBORDER);
}

} // namespace
