// GDI wrappers, control classes and in-memory dialog templates.
#include "framework/win/Controls.h"
#include "framework/win/Dialog.h"
#include "framework/win/DialogTemplate.h"
#include "framework/win/Gdi.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

HBITMAP MakeDib(int width, int height, int bits, const RGBQUAD* table, int tableSize, BYTE fill)
{
    std::vector<BYTE> buffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(buffer.data());
    info->bmiHeader.biSize = sizeof info->bmiHeader;
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bits);
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biClrUsed = static_cast<DWORD>(tableSize);
    for (int i = 0; i < tableSize; ++i)
        info->bmiColors[i] = table[i];
    void* pixels = nullptr;
    HBITMAP dib = ::CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (dib) {
        int stride = ((width * bits + 31) / 32) * 4;
        std::memset(pixels, fill, static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    }
    return dib;
}

TEST(Gdi, BitmapPixelsComeTopDownAsRgb)
{
    RGBQUAD table[2] = {{0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0x00, 0}}; // red, blue
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.Attach(MakeDib(8, 4, 8, table, 2, 1)));
    std::vector<DWORD> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(bitmap.GetPixels32(&pixels, &width, &height));
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 4);
    ASSERT_EQ(pixels.size(), 32u);
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0x0000FFu) << "blue as 0x00RRGGBB";
}

TEST(Gdi, PaletteFromTheColourTableOrHalftone)
{
    RGBQUAD table[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
    HBITMAP indexed = MakeDib(4, 4, 8, table, 3, 0);
    CPalette palette;
    ASSERT_TRUE(palette.CreateFromDibSection(indexed));
    PALETTEENTRY entries[8];
    UINT count = ::GetPaletteEntries(palette, 0, 8, entries);
    EXPECT_GE(count, 3u);
    EXPECT_EQ(entries[2].peRed, 9);
    EXPECT_EQ(entries[2].peBlue, 7);
    ::DeleteObject(indexed);

    HBITMAP trueColour = MakeDib(4, 4, 32, nullptr, 0, 0);
    CPalette halftone;
    EXPECT_TRUE(halftone.CreateFromDibSection(trueColour));
    EXPECT_GT(::GetPaletteEntries(halftone, 0, 0, nullptr), 3u);
    ::DeleteObject(trueColour);
}

TEST(Gdi, StockObjectsAreNotDeleted)
{
    {
        CBrush brush;
        ASSERT_TRUE(brush.CreateStockObject(NULL_BRUSH));
    }
    LOGBRUSH info;
    EXPECT_EQ(::GetObjectA(::GetStockObject(NULL_BRUSH), sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_NULL));
}

class COwnerButton : public CBitmapButton {
public:
    int drawn = 0;
    void DrawItem(LPDRAWITEMSTRUCT item) override
    {
        ++drawn;
        ::FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
};

class CTemplateDialog : public CDialog {
public:
    COwnerButton button;
    std::string face;
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        button.SubclassDlgItem(300, this);
        LOGFONTA font = {};
        ::GetObjectA(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)), sizeof font, &font);
        face = font.lfFaceName;
        SetTimer(1, 10);
        return TRUE;
    }
    // Ends once the dialog has been shown and painted.
    void OnTimer(UINT_PTR)
    {
        KillTimer(1);
        ::UpdateWindow(button);
        EndDialog(IDOK);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTemplateDialog, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(DialogTemplate, ModalDialogFromMemoryWithItsFontAndControls)
{
    CDialogTemplateEx dialogTemplate(WS_POPUP | WS_VISIBLE | DS_MODALFRAME, 0, 120, 60, "MS UI Gothic", 9,
                                     SHIFTJIS_CHARSET);
    dialogTemplate.AddItem("BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, 40, 14, 300);
    CTemplateDialog dialog;
    dialog.InitModalIndirect(dialogTemplate.Data());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.face, "MS UI Gothic");
    EXPECT_GE(dialog.button.drawn, 1) << "WM_DRAWITEM was reflected to the owner-drawn button";
}

class CCustomDrawSlider : public CSliderCtrl {
public:
    int stages = 0;
    void OnCustomDraw(NMHDR* header, LRESULT* result)
    {
        ++stages;
        *result = reinterpret_cast<NMCUSTOMDRAW*>(header)->dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW
                                                                                           : CDRF_DODEFAULT;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCustomDrawSlider, CSliderCtrl)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, OnCustomDraw)
END_MESSAGE_MAP()

TEST(Controls, TrackbarCustomDrawIsReflectedToTheSlider)
{
    CDialogTemplateEx dialogTemplate(WS_POPUP, 0, 120, 60, "MS UI Gothic", 9, SHIFTJIS_CHARSET);
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(dialogTemplate.Data()));
    CCustomDrawSlider slider;
    RECT r = {0, 0, 100, 24};
    ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE | TBS_HORZ, r, &dialog, 301));
    dialog.ShowWindow(SW_SHOWNOACTIVATE);
    slider.UpdateWindow();
    EXPECT_TRUE(nvtest::PumpUntil([&] { return slider.stages >= 2; }, 3000));
    dialog.DestroyWindow();
}

TEST(Controls, RichEditAsksForItsSize)
{
    EXPECT_NE(CRichEditCtrl::EnsureLoaded(), nullptr);
}

} // namespace
