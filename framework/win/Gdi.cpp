#include "framework/win/Gdi.h"

#include <vector>

BOOL CGdiObject::Attach(HGDIOBJ object)
{
    DeleteObject();
    m_hObject = object;
    m_stock = false;
    return object != nullptr;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ object = m_hObject;
    m_hObject = nullptr;
    m_stock = false;
    return object;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    BOOL deleted = m_stock ? TRUE : ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    m_stock = false;
    return deleted;
}

BOOL CBitmap::LoadDibResource(UINT id)
{
    HANDLE image = ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    return Attach(image);
}

SIZE CBitmap::GetSize() const
{
    SIZE size = {0, 0};
    BITMAP info;
    if (m_hObject && ::GetObjectA(m_hObject, sizeof info, &info)) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return size;
}

bool CBitmap::GetPixels32(std::vector<DWORD>* pixels, int* width, int* height) const
{
    pixels->clear();
    SIZE size = GetSize();
    *width = size.cx;
    *height = size.cy;
    if (size.cx <= 0 || size.cy <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels->resize(static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
    HDC screen = ::GetDC(nullptr);
    int lines = ::GetDIBits(screen, static_cast<HBITMAP>(m_hObject), 0, static_cast<UINT>(size.cy), pixels->data(), &info,
                            DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (lines != size.cy) {
        pixels->clear();
        return false;
    }
    return true;
}

BOOL CPalette::CreateFromDibSection(HBITMAP dib)
{
    DeleteObject();
    if (!dib)
        return FALSE;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, dib);
    RGBQUAD table[256];
    UINT colours = ::GetDIBColorTable(dc, 0, 256, table);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    HPALETTE palette = nullptr;
    if (colours > 0 && colours <= 256) {
        std::vector<BYTE> buffer(sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
        auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<WORD>(colours);
        for (UINT i = 0; i < colours; ++i) {
            log->palPalEntry[i].peRed = table[i].rgbRed;
            log->palPalEntry[i].peGreen = table[i].rgbGreen;
            log->palPalEntry[i].peBlue = table[i].rgbBlue;
            log->palPalEntry[i].peFlags = 0;
        }
        palette = ::CreatePalette(log);
    } else {
        palette = ::CreateHalftonePalette(screen);
    }
    ::ReleaseDC(nullptr, screen);
    return Attach(palette);
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }

BOOL CBrush::CreateStockObject(int index)
{
    Attach(::GetStockObject(index));
    m_stock = true;
    return m_hObject != nullptr;
}

BOOL CFont::CreateFontIndirect(const LOGFONTA& logFont) { return Attach(::CreateFontIndirectA(&logFont)); }
