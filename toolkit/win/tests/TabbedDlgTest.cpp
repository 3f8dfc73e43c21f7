// Tabbed dialogs under Wine: a modal dialog with three pages, driven from inside its own modal
// loop by a posted message, as the settings dialog is used.
#include "toolkit/win/TabbedDlg.h"
#include "toolkit/win/WinRect.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const UINT WM_RUN_SCRIPT = WM_APP + 1;

struct Activation {
    int page;
    bool visibleAlready;
    bool operator==(const Activation& o) const { return page == o.page && visibleAlready == o.visibleAlready; }
};

class CTestPage : public CTabPage {
public:
    CTestPage(int index, std::vector<Activation>* log) : CTabPage(IDD_TAB_PAGE_TEST, nullptr), m_index(index), m_log(log) {}
    BOOL OnPageActivate() override
    {
        m_log->push_back({m_index, IsWindowVisible() != FALSE});
        return TRUE;
    }

private:
    int m_index;
    std::vector<Activation>* m_log;
};

class CTestTabbed : public CTabbedDlg {
public:
    explicit CTestTabbed(int pageCount) : CTabbedDlg(IDD_TABBED_TEST, nullptr)
    {
        for (int i = 0; i < pageCount; ++i)
            pages.emplace_back(new CTestPage(i, &activations));
    }
    ~CTestTabbed() override
    {
        for (CTestPage* page : pages)
            delete page;
    }
    BOOL OnInitDialog() override
    {
        CTabbedDlg::OnInitDialog();
        for (CTestPage* page : pages)
            created += AddPage(page, IDD_TAB_PAGE_TEST, this) ? 1 : 0;
        PostMessage(WM_RUN_SCRIPT);
        return TRUE;
    }
    bool Visible(int page) const { return pages[static_cast<std::size_t>(page)]->IsWindowVisible() != FALSE; }
    std::vector<bool> Visibility() const
    {
        std::vector<bool> v;
        for (std::size_t i = 0; i < pages.size(); ++i)
            v.push_back(Visible(static_cast<int>(i)));
        return v;
    }
    RECT PageRect(int page) const { return ChildRect(pages[static_cast<std::size_t>(page)]->GetSafeHwnd()); }

    std::vector<CTestPage*> pages;
    std::vector<Activation> activations;
    std::function<void(CTestTabbed&)> script;
    int created = 0;
    int closes = 0;

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnRunScript(WPARAM, LPARAM)
    {
        if (script)
            script(*this);
        return 0;
    }
    void OnClose()
    {
        ++closes;
        Default();
    }
};

BEGIN_MESSAGE_MAP(CTestTabbed, CTabbedDlg)
    ON_MESSAGE(WM_RUN_SCRIPT, OnRunScript)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

// Posts a key to a window as the keyboard would (the modal loop hands it to the dialogs' keyboard
// handling on its way).
void PostKey(HWND window, UINT key)
{
    ::PostMessageA(window, WM_KEYDOWN, key, 1);
    ::PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

class TabbedDlgTest : public ::testing::Test {
protected:
    CFakeSkin skins;
    void SetUp() override { skins.AddBitmap("tabbed.bmp", CFakeSkin::MakeDib(240, 160, [](int, int) { return 0x604020u; })); }
};

TEST_F(TabbedDlgTest, PagesShownSelectedAndHiddenByIndexAndEscapeInAPageClosesTheDialog)
{
    CTestTabbed dialog(3);
    ASSERT_TRUE(dialog.LoadSkin("tabbed.bmp", FALSE));
    bool ran = false;
    dialog.script = [&ran](CTestTabbed& d) {
        ran = true;
        EXPECT_EQ(d.created, 3);
        d.activations.clear();

        d.ShowPage(7, 10, 30, 200, 110);
        EXPECT_EQ(d.Visibility(), (std::vector<bool>{true, false, false})) << "an index beyond the count shows page 0";
        EXPECT_EQ(d.activations, (std::vector<Activation>{{0, false}})) << "told before it is shown";
        for (int i = 0; i < 3; ++i) {
            RECT r = d.PageRect(i);
            EXPECT_EQ(r.left, 10);
            EXPECT_EQ(r.top, 30);
            EXPECT_EQ(r.right - r.left, 200);
            EXPECT_EQ(r.bottom - r.top, 110);
        }

        d.SelectPage(2);
        EXPECT_EQ(d.Visibility(), (std::vector<bool>{false, false, true}));
        d.activations.clear();
        d.ShowPage(-1, 12, 32, 200, 110);
        EXPECT_EQ(d.Visibility(), (std::vector<bool>{true, false, false})) << "a negative index shows page 0";
        EXPECT_EQ(d.activations, (std::vector<Activation>{{0, false}}));

        d.activations.clear();
        d.SelectPage(1);
        EXPECT_EQ(d.Visibility(), (std::vector<bool>{false, true, false}));
        EXPECT_EQ(d.activations, (std::vector<Activation>{{1, false}}));
        RECT r = d.PageRect(1);
        EXPECT_EQ(r.left, 12) << "at the place of the last ShowPage";
        EXPECT_EQ(r.right - r.left, 200) << "its size kept";

        d.activations.clear();
        d.SelectPage(7);
        EXPECT_EQ(d.Visibility(), (std::vector<bool>{false, false, false})) << "beyond the count hides every page";
        d.SelectPage(1);
        d.SelectPage(-1);
        EXPECT_EQ(d.Visibility(), (std::vector<bool>{false, false, false})) << "a negative index hides them too";
        EXPECT_EQ(d.activations, (std::vector<Activation>{{1, false}})) << "only a shown page is told";

        EXPECT_EQ(d.GetPage(-1), &d);
        EXPECT_EQ(d.GetPage(0), d.pages[0]);
        EXPECT_EQ(d.GetPage(3), nullptr);
        EXPECT_EQ(d.GetPage(-2), nullptr);

        d.SelectPage(1);
        PostKey(d.pages[1]->GetDlgItem(IDC_PAGE_EDIT), VK_ESCAPE);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(ran);
    EXPECT_EQ(dialog.closes, 1) << "the page asked its dialog to close";
}

TEST_F(TabbedDlgTest, EscapeInTheDialogItselfCancelsIt)
{
    CTestTabbed dialog(3);
    ASSERT_TRUE(dialog.LoadSkin("tabbed.bmp", FALSE));
    dialog.script = [](CTestTabbed& d) {
        d.ShowPage(0, 10, 30, 200, 110);
        PostKey(d.GetDlgItem(IDC_SKIN_BUTTON), VK_ESCAPE);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.closes, 0);
}

TEST_F(TabbedDlgTest, WithoutPagesShowingAndSelectingDoNothing)
{
    CTestTabbed dialog(0);
    ASSERT_TRUE(dialog.LoadSkin("tabbed.bmp", FALSE));
    dialog.script = [](CTestTabbed& d) {
        d.ShowPage(0, 10, 30, 200, 110);
        d.ShowPage(-1, 10, 30, 200, 110);
        d.SelectPage(0);
        EXPECT_EQ(d.GetPage(0), nullptr);
        EXPECT_EQ(d.GetPage(-1), &d);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST_F(TabbedDlgTest, PagesAreWhiteWithBlackText)
{
    CTestTabbed dialog(3);
    ASSERT_TRUE(dialog.LoadSkin("tabbed.bmp", FALSE));
    dialog.script = [](CTestTabbed& d) {
        d.ShowPage(1, 10, 30, 200, 110);
        HWND page = d.pages[1]->GetSafeHwnd();
        ::RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        HDC dc = ::GetDC(page);
        EXPECT_EQ(::GetPixel(dc, 190, 100), RGB(255, 255, 255)) << "the page's own background";
        RECT label;
        ::GetWindowRect(d.pages[1]->GetDlgItem(IDC_PAGE_LABEL), &label);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&label), 2);
        int white = 0, black = 0, other = 0;
        for (int y = label.top; y < label.bottom; ++y)
            for (int x = label.left; x < label.right; ++x) {
                COLORREF c = ::GetPixel(dc, x, y);
                if (c == RGB(255, 255, 255))
                    ++white;
                else if (c == RGB(0, 0, 0))
                    ++black;
                else
                    ++other;
            }
        ::ReleaseDC(page, dc);
        EXPECT_GT(white, black) << "the label's background is white";
        EXPECT_GT(black, 10) << "and its text black";
        HDC dialogDc = ::GetDC(d);
        EXPECT_EQ(::GetPixel(dialogDc, 5, 150), RGB(0x60, 0x40, 0x20)) << "the dialog keeps its skin";
        ::ReleaseDC(d, dialogDc);
        nvtest::SaveWindowScreenshot(d, "toolkit_tabbed_dialog");
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

} // namespace
