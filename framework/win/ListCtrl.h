// CListCtrl: the list-view control, mostly in report view. Owner-drawn lists
// (LVS_OWNERDRAWFIXED) get their WM_DRAWITEM, reflected by the parent, in DrawItem.
#pragma once

#include "framework/win/Wnd.h"

class CImageList;

class CListCtrl : public CWnd {
public:
    CListCtrl() = default;
    ~CListCtrl() override;

    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    virtual void DrawItem(LPDRAWITEMSTRUCT item) { (void)item; }

    // Columns. width -1 leaves the column at its default width; subItem -1 takes the column's index.
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
    int InsertColumn(int column, const LVCOLUMNA* info);
    BOOL DeleteColumn(int column) { return static_cast<BOOL>(SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(column))); }
    int GetColumnWidth(int column) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column))); }
    BOOL SetColumnWidth(int column, int width) { return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0))); }
    BOOL GetColumn(int column, LVCOLUMNA* info) const { return static_cast<BOOL>(SendMessage(LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(info))); }
    BOOL SetColumn(int column, const LVCOLUMNA* info) { return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(info))); }
    HWND GetHeaderCtrlHandle() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }

    // Items. Each insert returns the new item's index, or -1.
    int InsertItem(int item, const char* text);
    int InsertItem(int item, const char* text, int image);
    int InsertItem(const LVITEMA* info) { return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(info))); }
    int InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image, LPARAM data);
    BOOL DeleteItem(int item) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(item))); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL SetItemCount(int count) { return static_cast<BOOL>(SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count))); }

    BOOL GetItem(LVITEMA* info) const { return static_cast<BOOL>(SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(info))); }
    BOOL SetItem(const LVITEMA* info) { return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(info))); }
    BOOL SetItem(int item, int subItem, UINT mask, const char* text, int image, UINT state, UINT stateMask, LPARAM data);
    BOOL SetItemText(int item, int subItem, const char* text);
    // The text of any length; an item or column that does not exist gives "".
    CString GetItemText(int item, int subItem) const;
    // Copies at most bufferSize - 1 bytes and a NUL; returns the bytes copied.
    int GetItemText(int item, int subItem, char* buffer, int bufferSize) const;
    BOOL SetItemData(int item, DWORD_PTR data);
    // 0 for an item that does not exist.
    DWORD_PTR GetItemData(int item) const;
    BOOL SetItemState(int item, UINT state, UINT stateMask);
    UINT GetItemState(int item, UINT stateMask) const { return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), stateMask)); }
    // The image index of column 0 (or of a column with LVS_EX_SUBITEMIMAGES).
    BOOL SetItemImage(int item, int subItem, int image);

    // Selection and search. flags: LVNI_SELECTED, LVNI_FOCUSED, LVNI_ALL...; start -1 searches from the top.
    int GetNextItem(int start, int flags) const { return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0))); }
    UINT GetSelectedCount() const { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    int GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
    int SetSelectionMark(int item) { return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, item)); }
    // Walks the selected items: pos = GetFirstSelectedItemPosition(); while (pos) GetNextSelectedItem(pos).
    POSITION GetFirstSelectedItemPosition() const;
    int GetNextSelectedItem(POSITION& pos) const;
    int FindItem(LVFINDINFOA* info, int start = -1) const { return static_cast<int>(SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(info))); }
    int HitTest(LVHITTESTINFO* info) const { return static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(info))); }
    int HitTest(POINT point, UINT* flags = nullptr) const;
    int SubItemHitTest(LVHITTESTINFO* info) { return static_cast<int>(SendMessage(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(info))); }

    // Appearance.
    // which: LVSIL_SMALL, LVSIL_NORMAL or LVSIL_STATE. Returns the list that was in place
    // (an object only when one was set through this wrapper and still is that list).
    CImageList* SetImageList(CImageList* imageList, int which);
    HIMAGELIST GetImageList(int which) const { return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(which))); }
    DWORD SetExtendedStyle(DWORD style) { return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style)); }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    BOOL SetBkColor(COLORREF colour) { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, colour)); }
    COLORREF GetBkColor() const { return static_cast<COLORREF>(SendMessage(LVM_GETBKCOLOR)); }
    BOOL SetTextColor(COLORREF colour) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, colour)); }
    COLORREF GetTextColor() const { return static_cast<COLORREF>(SendMessage(LVM_GETTEXTCOLOR)); }
    BOOL SetTextBkColor(COLORREF colour) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTBKCOLOR, 0, colour)); }
    COLORREF GetTextBkColor() const { return static_cast<COLORREF>(SendMessage(LVM_GETTEXTBKCOLOR)); }

    // Scrolling and drawing.
    BOOL EnsureVisible(int item, BOOL partialOk) { return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk)); }
    BOOL Scroll(SIZE size) { return static_cast<BOOL>(SendMessage(LVM_SCROLL, static_cast<WPARAM>(size.cx), size.cy)); }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
    int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
    // code: LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL or LVIR_SELECTBOUNDS.
    BOOL GetItemRect(int item, RECT* rect, UINT code) const;
    BOOL GetSubItemRect(int item, int subItem, int code, RECT* rect) const;
    BOOL RedrawItems(int first, int last) { return static_cast<BOOL>(SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(first), last)); }
    BOOL Update(int item) { return static_cast<BOOL>(SendMessage(LVM_UPDATE, static_cast<WPARAM>(item))); }
    int GetStringWidth(const char* text) const { return static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text))); }
    BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR data) { return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare))); }

    DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnReflectedDrawItem(WPARAM, LPARAM lParam);

private:
    CImageList* m_imageLists[3] = {nullptr, nullptr, nullptr};
};
