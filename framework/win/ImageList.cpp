#include "framework/win/ImageList.h"

#include "framework/win/Gdi.h"

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    if (m_hImageList)
        return FALSE;
    m_hImageList = ::ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF maskColour)
{
    if (m_hImageList)
        return FALSE;
    m_hImageList = ::ImageList_LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(bitmapId), cx, grow, maskColour,
                                          IMAGE_BITMAP, LR_CREATEDIBSECTION);
    return m_hImageList != nullptr;
}

BOOL CImageList::Attach(HIMAGELIST imageList)
{
    if (m_hImageList || !imageList)
        return FALSE;
    m_hImageList = imageList;
    return TRUE;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST imageList = m_hImageList;
    m_hImageList = nullptr;
    return imageList;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList)
        return FALSE;
    BOOL done = ::ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return done;
}

int CImageList::Add(CBitmap* bitmap, CBitmap* mask)
{
    if (!m_hImageList || !bitmap)
        return -1;
    return ::ImageList_Add(m_hImageList, *bitmap, mask ? static_cast<HBITMAP>(*mask) : nullptr);
}

int CImageList::Add(CBitmap* bitmap, COLORREF maskColour)
{
    if (!m_hImageList || !bitmap)
        return -1;
    return ::ImageList_AddMasked(m_hImageList, *bitmap, maskColour);
}

BOOL CImageList::Replace(int index, CBitmap* bitmap, CBitmap* mask)
{
    if (!m_hImageList || !bitmap)
        return FALSE;
    return ::ImageList_Replace(m_hImageList, index, *bitmap, mask ? static_cast<HBITMAP>(*mask) : nullptr);
}

BOOL CImageList::DrawIndirect(IMAGELISTDRAWPARAMS* params) const
{
    if (!m_hImageList || !params)
        return FALSE;
    params->cbSize = sizeof *params;
    params->himl = m_hImageList;
    return ::ImageList_DrawIndirect(params);
}

BOOL CImageList::DrawIndirect(HDC dc, int index, POINT point, SIZE size, POINT origin, UINT style, DWORD rop,
                              COLORREF background, COLORREF foreground) const
{
    IMAGELISTDRAWPARAMS params = {};
    params.hdcDst = dc;
    params.i = index;
    params.x = point.x;
    params.y = point.y;
    params.cx = size.cx;
    params.cy = size.cy;
    params.xBitmap = origin.x;
    params.yBitmap = origin.y;
    params.rgbBk = background;
    params.rgbFg = foreground;
    params.fStyle = style;
    params.dwRop = rop;
    return DrawIndirect(&params);
}
