// GDI object wrappers: each owns one handle and deletes it when replaced or destroyed.
#pragma once

#include "framework/win/Afx.h"

#include <vector>

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    // Takes ownership of a handle (the previous one is deleted).
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();

private:
    // Stock objects are shared by the system and never deleted.
    bool m_stock = false;
    friend class CBrush;
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    // A DIB section from a bitmap resource of the resource module.
    BOOL LoadDibResource(UINT id);
    // Width and height, (0, 0) without a bitmap.
    SIZE GetSize() const;
    // The bitmap's pixels as top-down 32-bit 0x00RRGGBB rows (stride = width), empty on failure.
    bool GetPixels32(std::vector<DWORD>* pixels, int* width, int* height) const;
};

class CPalette : public CGdiObject {
public:
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
    // A palette from a DIB section's colour table (at most 256 colours), else a halftone palette.
    BOOL CreateFromDibSection(HBITMAP dib);
};

class CBrush : public CGdiObject {
public:
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    BOOL CreateSolidBrush(COLORREF color);
    BOOL CreateStockObject(int index);
};

class CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    BOOL CreateFontIndirect(const LOGFONTA& logFont);
};

// Selects an object into a device context for the lifetime of this object.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject()
    {
        if (m_old)
            ::SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A memory device context compatible with another, deleted with this object.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC compatibleWith) : m_dc(::CreateCompatibleDC(compatibleWith)) {}
    ~CMemoryDC()
    {
        if (m_dc)
            ::DeleteDC(m_dc);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};
