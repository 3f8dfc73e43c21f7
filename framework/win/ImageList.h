// CImageList: owns one image list (destroyed with the object unless detached).
// A list view destroys the image lists given to it when it goes, unless it has
// LVS_SHAREIMAGELISTS: an image list that an object also owns needs that style.
#pragma once

#include "framework/win/Afx.h"

class CBitmap;

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;
    operator HIMAGELIST() const { return m_hImageList; }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }

    // flags: ILC_COLOR... | ILC_MASK; fails when the object already holds a list.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // From a bitmap resource of the resource module, cut into images cx pixels wide;
    // maskColour CLR_NONE for no mask.
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF maskColour);
    BOOL Attach(HIMAGELIST imageList);
    HIMAGELIST Detach();
    BOOL DeleteImageList();

    // Each returns the index of the first image added, or -1. The bitmaps are copied.
    int Add(CBitmap* bitmap, CBitmap* mask);
    int Add(CBitmap* bitmap, COLORREF maskColour);
    int Add(HBITMAP bitmap, HBITMAP mask) { return ::ImageList_Add(m_hImageList, bitmap, mask); }
    int Add(HICON icon) { return ::ImageList_AddIcon(m_hImageList, icon); }
    BOOL Replace(int index, CBitmap* bitmap, CBitmap* mask);
    BOOL Replace(int index, HBITMAP bitmap, HBITMAP mask) { return ::ImageList_Replace(m_hImageList, index, bitmap, mask); }
    int Replace(int index, HICON icon) { return ::ImageList_ReplaceIcon(m_hImageList, index, icon); }
    BOOL Remove(int index) { return ::ImageList_Remove(m_hImageList, index); }

    int GetImageCount() const { return m_hImageList ? ::ImageList_GetImageCount(m_hImageList) : 0; }
    BOOL SetImageCount(UINT count) { return ::ImageList_SetImageCount(m_hImageList, count); }
    BOOL GetImageInfo(int index, IMAGEINFO* info) const { return ::ImageList_GetImageInfo(m_hImageList, index, info); }
    BOOL GetIconSize(int* cx, int* cy) const { return ::ImageList_GetIconSize(m_hImageList, cx, cy); }
    COLORREF SetBkColor(COLORREF colour) { return ::ImageList_SetBkColor(m_hImageList, colour); }
    COLORREF GetBkColor() const { return ::ImageList_GetBkColor(m_hImageList); }
    // An icon made from one image; the caller destroys it.
    HICON ExtractIcon(int index) const { return ::ImageList_GetIcon(m_hImageList, index, ILD_NORMAL); }

    // style: ILD_NORMAL, ILD_TRANSPARENT, ILD_SELECTED...
    BOOL Draw(HDC dc, int index, POINT point, UINT style) const { return ::ImageList_Draw(m_hImageList, index, dc, point.x, point.y, style); }
    // Fills in cbSize and the list's handle.
    BOOL DrawIndirect(IMAGELISTDRAWPARAMS* params) const;
    BOOL DrawIndirect(HDC dc, int index, POINT point, SIZE size, POINT origin, UINT style = ILD_NORMAL,
                      DWORD rop = SRCCOPY, COLORREF background = CLR_DEFAULT, COLORREF foreground = CLR_DEFAULT) const;
};
