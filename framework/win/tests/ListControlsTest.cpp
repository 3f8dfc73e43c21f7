// List view, image list, tooltip and the list-type control wrappers on real controls.
#include "framework/win/Controls.h"
#include "framework/win/Dialog.h"
#include "framework/win/DialogTemplate.h"
#include "framework/win/Gdi.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// A plain dialog that hosts controls made in the tests.
class Host : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_template = std::make_unique<CDialogTemplateEx>(WS_POPUP | WS_CAPTION, 0, 260, 200, "MS UI Gothic", 9,
                                                         SHIFTJIS_CHARSET);
        ASSERT_TRUE(dialog.CreateIndirect(m_template->Data()));
        dialog.SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void TearDown() override { dialog.DestroyWindow(); }

    CDialog dialog;

private:
    std::unique_ptr<CDialogTemplateEx> m_template;
};

const RECT kListRect = {0, 0, 300, 200};

// 山田太郎 and a text longer than any first guess of a buffer.
const char kJapaneseName[] = "\x8E\x52\x93\x63\x91\xBE\x98\x59";

TEST_F(Host, ListViewItemsColumnsDataAndSelection)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, kListRect, &dialog, 500));
    EXPECT_EQ(0, list.InsertColumn(0, "\x96\xBC\x91\x4F", LVCFMT_LEFT, 120)); // 名前
    EXPECT_EQ(1, list.InsertColumn(1, "size", LVCFMT_RIGHT, 60));
    EXPECT_EQ(120, list.GetColumnWidth(0));

    std::string longText(700, 'x');
    longText += kJapaneseName;
    const char* names[] = {"first", kJapaneseName, "third", "fourth"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(i, list.InsertItem(i, names[i]));
        EXPECT_TRUE(list.SetItemData(i, 1000 + i));
        EXPECT_TRUE(list.SetItemText(i, 1, i == 2 ? longText.c_str() : "\x82\x50\x82\x4F"));
    }
    EXPECT_EQ(4, list.GetItemCount());
    EXPECT_EQ(kJapaneseName, list.GetItemText(1, 0));
    EXPECT_EQ(longText, list.GetItemText(2, 1).str()) << "a long text comes back whole";
    char small[6];
    list.GetItemText(2, 1, small, sizeof small);
    EXPECT_EQ("xxxxx", std::string(small)) << "the buffer form cuts to its size";
    EXPECT_EQ("", list.GetItemText(9, 0));
    EXPECT_EQ(1001u, list.GetItemData(1));
    EXPECT_EQ(0u, list.GetItemData(9));

    // Nothing selected, then two items (the list allows several).
    EXPECT_EQ(-1, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(nullptr, list.GetFirstSelectedItemPosition());
    EXPECT_TRUE(list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_TRUE(list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(2u, list.GetSelectedCount());
    EXPECT_EQ(1, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(3, list.GetNextItem(1, LVNI_SELECTED));
    EXPECT_EQ(1, list.GetNextItem(-1, LVNI_FOCUSED));
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), list.GetItemState(3, LVIS_SELECTED | LVIS_FOCUSED));
    std::vector<int> walked;
    for (POSITION pos = list.GetFirstSelectedItemPosition(); pos;)
        walked.push_back(list.GetNextSelectedItem(pos));
    EXPECT_EQ((std::vector<int>{1, 3}), walked);

    // Deleting shifts the items below, data and selection with them.
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_EQ(kJapaneseName, list.GetItemText(0, 0));
    EXPECT_EQ(1001u, list.GetItemData(0));
    EXPECT_EQ(0, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_FALSE(list.DeleteItem(7));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

TEST_F(Host, ListViewExtendedStylesAndScrolling)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, kListRect, &dialog, 501));
    list.InsertColumn(0, "name", LVCFMT_LEFT, 100);
    DWORD before = list.GetExtendedStyle();
    // As the windows do: add their styles to the current ones.
    list.SetExtendedStyle(before | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    EXPECT_EQ(before | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB, list.GetExtendedStyle());

    for (int i = 0; i < 100; ++i) {
        CString text;
        text.Format("row %d", i);
        list.InsertItem(i, text);
    }
    dialog.ShowWindow(SW_SHOWNOACTIVATE);
    EXPECT_EQ(0, list.GetTopIndex());
    int perPage = list.GetCountPerPage();
    ASSERT_GT(perPage, 0);
    ASSERT_LT(perPage, 100);
    EXPECT_TRUE(list.EnsureVisible(80, FALSE));
    EXPECT_LE(list.GetTopIndex(), 80);
    EXPECT_GT(list.GetTopIndex() + perPage, 80) << "row 80 is on the page now";
    RECT row = {};
    EXPECT_TRUE(list.GetItemRect(80, &row, LVIR_BOUNDS));
    EXPECT_GT(row.bottom, row.top);
    POINT inside = {row.left + 5, (row.top + row.bottom) / 2};
    UINT flags = 0;
    EXPECT_EQ(80, list.HitTest(inside, &flags));
    EXPECT_NE(0u, flags & LVHT_ONITEM);
}

// Pixels of a 16 x 16 image in colour c with a magenta column 0 (the mask colour).
HBITMAP MakeStrip(const std::vector<COLORREF>& colours)
{
    const int width = 16 * static_cast<int>(colours.size());
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, 16);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        int left = 16 * static_cast<int>(i);
        RECT all = {left, 0, left + 16, 16};
        HBRUSH brush = ::CreateSolidBrush(colours[i]);
        ::FillRect(dc, &all, brush);
        ::DeleteObject(brush);
        RECT column = {left, 0, left + 1, 16};
        HBRUSH magenta = ::CreateSolidBrush(RGB(255, 0, 255));
        ::FillRect(dc, &column, magenta);
        ::DeleteObject(magenta);
    }
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

// Draws one image on white and returns the pixels at (0, 5) and (8, 5).
std::pair<COLORREF, COLORREF> DrawnPixels(const CImageList& images, int index)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP target = ::CreateCompatibleBitmap(screen, 16, 16);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, target);
    RECT all = {0, 0, 16, 16};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    images.Draw(dc, index, POINT{0, 0}, ILD_TRANSPARENT);
    std::pair<COLORREF, COLORREF> pixels(::GetPixel(dc, 0, 5), ::GetPixel(dc, 8, 5));
    ::SelectObject(dc, old);
    ::DeleteObject(target);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

TEST(ImageList, MaskedStripDrawsAndReplaces)
{
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 4));
    EXPECT_FALSE(images.Create(16, 16, ILC_COLOR24, 0, 4)) << "one list per object";
    CBitmap strip;
    ASSERT_TRUE(strip.Attach(MakeStrip({RGB(255, 0, 0), RGB(0, 128, 0), RGB(0, 0, 255)})));
    EXPECT_EQ(0, images.Add(&strip, RGB(255, 0, 255)));
    EXPECT_EQ(3, images.GetImageCount());
    int cx = 0, cy = 0;
    EXPECT_TRUE(images.GetIconSize(&cx, &cy));
    EXPECT_EQ(16, cx);

    struct Row { int index; COLORREF colour; };
    for (Row row : {Row{0, RGB(255, 0, 0)}, Row{1, RGB(0, 128, 0)}, Row{2, RGB(0, 0, 255)}}) {
        SCOPED_TRACE(row.index);
        auto pixels = DrawnPixels(images, row.index);
        EXPECT_EQ(RGB(255, 255, 255), pixels.first) << "the mask colour lets the background through";
        EXPECT_EQ(row.colour, pixels.second);
    }

    CBitmap replacement;
    ASSERT_TRUE(replacement.Attach(MakeStrip({RGB(255, 255, 0)})));
    EXPECT_TRUE(images.Replace(1, &replacement, nullptr));
    EXPECT_EQ(RGB(255, 255, 0), DrawnPixels(images, 1).second);
    EXPECT_EQ(3, images.GetImageCount());

    // Detach hands the list over; Attach takes one; DeleteImageList ends it.
    HIMAGELIST handle = images.Detach();
    EXPECT_EQ(nullptr, images.m_hImageList);
    EXPECT_EQ(0, images.GetImageCount());
    CImageList other;
    EXPECT_TRUE(other.Attach(handle));
    EXPECT_EQ(3, other.GetImageCount());
    EXPECT_TRUE(other.DeleteImageList());
    EXPECT_FALSE(other.DeleteImageList());
    EXPECT_EQ(nullptr, other.GetSafeHandle());
}

TEST_F(Host, ListViewLeavesTheImageListToItsObject)
{
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 4));
    CBitmap strip;
    ASSERT_TRUE(strip.Attach(MakeStrip({RGB(255, 0, 0), RGB(0, 0, 255)})));
    images.Add(&strip, RGB(255, 0, 255));
    {
        CListCtrl list;
        ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, kListRect, &dialog, 502));
        EXPECT_EQ(nullptr, list.SetImageList(&images, LVSIL_SMALL));
        EXPECT_EQ(images.m_hImageList, list.GetImageList(LVSIL_SMALL));
        EXPECT_EQ(&images, list.SetImageList(&images, LVSIL_SMALL)) << "the object that was in place";
        list.InsertColumn(0, "name", LVCFMT_LEFT, 100);
        EXPECT_EQ(0, list.InsertItem(0, "red", 0));
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = 0;
        ASSERT_TRUE(list.GetItem(&item));
        EXPECT_EQ(0, item.iImage);
        EXPECT_TRUE(list.SetItemImage(0, 0, 1));
        ASSERT_TRUE(list.GetItem(&item));
        EXPECT_EQ(1, item.iImage);
    } // the list view is destroyed here
    EXPECT_EQ(2, images.GetImageCount()) << "the image list outlives the list view";
    EXPECT_EQ(RGB(0, 0, 255), DrawnPixels(images, 1).second);
}

class COwnerDrawnList : public CListCtrl {
public:
    std::vector<int> drawnItems;
    void DrawItem(LPDRAWITEMSTRUCT item) override
    {
        drawnItems.push_back(static_cast<int>(item->itemID));
        ::FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
};

TEST_F(Host, OwnerDrawnListViewDrawsItsRows)
{
    COwnerDrawnList list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED, kListRect, &dialog, 503));
    list.InsertColumn(0, "name", LVCFMT_LEFT, 100);
    for (int i = 0; i < 3; ++i)
        list.InsertItem(i, "row");
    dialog.ShowWindow(SW_SHOWNOACTIVATE);
    list.UpdateWindow();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return list.drawnItems.size() >= 3; }, 3000));
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(list.drawnItems.end(), std::find(list.drawnItems.begin(), list.drawnItems.end(), i)) << i;
}

TEST_F(Host, ToolTipsHoldTheirToolsAndTexts)
{
    CButton button;
    RECT r = {10, 10, 90, 40};
    ASSERT_TRUE(button.Create("button", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r, &dialog, 510));
    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&dialog, TTS_ALWAYSTIP));
    const char* tipText = "\x90\xDA\x91\xB1\x82\xB7\x82\xE9"; // 接続する
    EXPECT_TRUE(tips.AddTool(&button, tipText));
    RECT area = {100, 100, 140, 140};
    EXPECT_TRUE(tips.AddTool(&dialog, "area", &area, 7));
    EXPECT_EQ(2, tips.GetToolCount());

    CString text;
    tips.GetText(text, &button);
    EXPECT_EQ(tipText, text);
    tips.GetText(text, &dialog, 7);
    EXPECT_EQ("area", text);
    tips.UpdateTipText("\x90\xD8\x92\x66", &button); // 切断
    tips.GetText(text, &button);
    EXPECT_EQ("\x90\xD8\x92\x66", text);
    tips.GetText(text, &dialog, 99);
    EXPECT_EQ("", text) << "an unknown tool";

    tips.DelTool(&dialog, 7);
    EXPECT_EQ(1, tips.GetToolCount());
    tips.SetDelayTime(TTDT_INITIAL, 50);
    EXPECT_EQ(50, tips.GetDelayTime(TTDT_INITIAL));
}

TEST_F(Host, ToolTipShowsForARelayedMouseMoveAndHidesWhenDeactivated)
{
    CButton button;
    RECT r = {10, 10, 90, 40};
    ASSERT_TRUE(button.Create("button", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, r, &dialog, 511));
    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&dialog, TTS_ALWAYSTIP));
    ASSERT_TRUE(tips.AddTool(&button, "tip"));
    tips.SetDelayTime(TTDT_INITIAL, 1);
    tips.Activate(TRUE);
    dialog.ShowWindow(SW_SHOW);
    dialog.UpdateWindow();

    // The cursor over the button, and its mouse move handed to the tooltip as the owner would.
    POINT centre = {50, 25};
    POINT screen = centre;
    ::ClientToScreen(dialog.m_hWnd, &screen);
    ::SetCursorPos(screen.x, screen.y);
    POINT inButton = centre;
    ::MapWindowPoints(dialog.m_hWnd, button.m_hWnd, &inButton, 1);
    MSG msg = {};
    msg.hwnd = button.m_hWnd;
    msg.message = WM_MOUSEMOVE;
    msg.lParam = MAKELPARAM(inButton.x, inButton.y);
    msg.time = ::GetTickCount();
    msg.pt = screen;
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        tips.RelayEvent(&msg);
        return tips.IsWindowVisible() != FALSE;
    }, 3000)) << "the tip shows after its delay";
    tips.Activate(FALSE);
    EXPECT_FALSE(tips.IsWindowVisible());
}

TEST_F(Host, EditComboAndListTextsOfAnyLength)
{
    CEdit edit;
    RECT r = {0, 0, 200, 80};
    ASSERT_TRUE(edit.Create(WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL, r, &dialog, 520));
    edit.SetWindowText("one\r\n\x8E\x52\x93\x63\x91\xBE\x98\x59\r\nx");
    EXPECT_EQ(3, edit.GetLineCount());
    EXPECT_EQ("one", edit.GetLine(0));
    EXPECT_EQ(kJapaneseName, edit.GetLine(1));
    EXPECT_EQ("x", edit.GetLine(2)) << "a line shorter than the size word";
    EXPECT_EQ("", edit.GetLine(5));
    edit.LimitText(10);
    EXPECT_EQ(10u, edit.GetLimitText());

    CComboBox combo;
    RECT c = {0, 90, 200, 200};
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, c, &dialog, 521));
    std::string longText(600, 'y');
    EXPECT_EQ(0, combo.AddString(kJapaneseName));
    EXPECT_EQ(1, combo.AddString(longText.c_str()));
    combo.SetItemData(1, 77);
    CString text;
    combo.GetLBText(1, text);
    EXPECT_EQ(longText, text.str());
    combo.GetLBText(0, text);
    EXPECT_EQ(kJapaneseName, text);
    combo.GetLBText(5, text);
    EXPECT_EQ("", text);
    EXPECT_EQ(77u, combo.GetItemData(1));
    EXPECT_EQ(0, combo.FindStringExact(-1, kJapaneseName));

    CListBox listBox;
    RECT l = {0, 0, 100, 100};
    ASSERT_TRUE(listBox.Create(WS_CHILD | LBS_NOTIFY, l, &dialog, 522));
    listBox.AddString("a");
    listBox.AddString(kJapaneseName);
    listBox.GetText(1, text);
    EXPECT_EQ(kJapaneseName, text);
    listBox.GetText(-1, text);
    EXPECT_EQ("", text);
    EXPECT_EQ(1, listBox.SetCurSel(1));
    EXPECT_EQ(1, listBox.GetCurSel());

    CProgressCtrl progress;
    RECT p = {0, 0, 100, 10};
    ASSERT_TRUE(progress.Create(WS_CHILD, p, &dialog, 523));
    progress.SetRange32(0, 1000);
    int low = -1, high = -1;
    progress.GetRange(low, high);
    EXPECT_EQ(0, low);
    EXPECT_EQ(1000, high);
    progress.SetPos(400);
    progress.SetStep(50);
    progress.StepIt();
    EXPECT_EQ(450, progress.GetPos());

    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_CHILD | UDS_SETBUDDYINT, p, &dialog, 524));
    spin.SetRange32(-5, 5);
    spin.SetPos(9);
    EXPECT_EQ(5, spin.GetPos()) << "held to its range";
}

} // namespace
