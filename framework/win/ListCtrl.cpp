#include "framework/win/ListCtrl.h"

#include "framework/win/Controls.h"
#include "framework/win/ImageList.h"

#include <cstring>

BEGIN_MESSAGE_MAP(CListCtrl, CWnd)
    ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, OnReflectedDrawItem)
END_MESSAGE_MAP()

CListCtrl::~CListCtrl() = default;

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    return CreateControl(this, WC_LISTVIEWA, "", style, rect, parent, id);
}

LRESULT CListCtrl::OnReflectedDrawItem(WPARAM, LPARAM lParam)
{
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    return TRUE;
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem)
{
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT | LVCF_FMT;
    info.fmt = format;
    info.pszText = const_cast<char*>(heading ? heading : "");
    if (width != -1) {
        info.mask |= LVCF_WIDTH;
        info.cx = width;
    }
    info.mask |= LVCF_SUBITEM;
    info.iSubItem = subItem == -1 ? column : subItem;
    return InsertColumn(column, &info);
}

int CListCtrl::InsertColumn(int column, const LVCOLUMNA* info)
{
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(info)));
}

int CListCtrl::InsertItem(int item, const char* text)
{
    return InsertItem(LVIF_TEXT, item, text, 0, 0, 0, 0);
}

int CListCtrl::InsertItem(int item, const char* text, int image)
{
    return InsertItem(LVIF_TEXT | LVIF_IMAGE, item, text, 0, 0, image, 0);
}

int CListCtrl::InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image, LPARAM data)
{
    LVITEMA info = {};
    info.mask = mask;
    info.iItem = item;
    info.pszText = const_cast<char*>(text ? text : "");
    info.state = state;
    info.stateMask = stateMask;
    info.iImage = image;
    info.lParam = data;
    return InsertItem(&info);
}

BOOL CListCtrl::SetItem(int item, int subItem, UINT mask, const char* text, int image, UINT state, UINT stateMask,
                        LPARAM data)
{
    LVITEMA info = {};
    info.mask = mask;
    info.iItem = item;
    info.iSubItem = subItem;
    info.pszText = const_cast<char*>(text ? text : "");
    info.iImage = image;
    info.state = state;
    info.stateMask = stateMask;
    info.lParam = data;
    return SetItem(&info);
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text)
{
    LVITEMA info = {};
    info.iSubItem = subItem;
    info.pszText = const_cast<char*>(text ? text : "");
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    // The control cuts the text to the buffer: grow until it fits with room to spare.
    CString text;
    for (int size = 256; size <= (1 << 24); size *= 4) {
        char* buffer = text.GetBufferSetLength(size);
        buffer[0] = '\0';
        LVITEMA info = {};
        info.iSubItem = subItem;
        info.pszText = buffer;
        info.cchTextMax = size;
        LRESULT copied = SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
        // A cut text may come without its NUL.
        buffer[size - 1] = '\0';
        if (copied < size - 2) {
            text.ReleaseBuffer(-1);
            return text;
        }
    }
    text.ReleaseBuffer(-1);
    return text;
}

int CListCtrl::GetItemText(int item, int subItem, char* buffer, int bufferSize) const
{
    if (!buffer || bufferSize <= 0)
        return 0;
    buffer[0] = '\0';
    LVITEMA info = {};
    info.iSubItem = subItem;
    info.pszText = buffer;
    info.cchTextMax = bufferSize;
    SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
    // A cut text may come without its NUL.
    buffer[bufferSize - 1] = '\0';
    return static_cast<int>(std::strlen(buffer));
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data)
{
    LVITEMA info = {};
    info.mask = LVIF_PARAM;
    info.iItem = item;
    info.lParam = static_cast<LPARAM>(data);
    return SetItem(&info);
}

DWORD_PTR CListCtrl::GetItemData(int item) const
{
    LVITEMA info = {};
    info.mask = LVIF_PARAM;
    info.iItem = item;
    if (!GetItem(&info))
        return 0;
    return static_cast<DWORD_PTR>(info.lParam);
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT stateMask)
{
    LVITEMA info = {};
    info.state = state;
    info.stateMask = stateMask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info)));
}

BOOL CListCtrl::SetItemImage(int item, int subItem, int image)
{
    LVITEMA info = {};
    info.mask = LVIF_IMAGE;
    info.iItem = item;
    info.iSubItem = subItem;
    info.iImage = image;
    return SetItem(&info);
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const
{
    // A position is the item's index plus one, so that null ends the walk.
    int first = GetNextItem(-1, LVNI_SELECTED);
    return reinterpret_cast<POSITION>(static_cast<INT_PTR>(first + 1));
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const
{
    int item = static_cast<int>(reinterpret_cast<INT_PTR>(pos)) - 1;
    int next = GetNextItem(item, LVNI_SELECTED);
    pos = reinterpret_cast<POSITION>(static_cast<INT_PTR>(next + 1));
    return item;
}

int CListCtrl::HitTest(POINT point, UINT* flags) const
{
    LVHITTESTINFO info = {};
    info.pt = point;
    int item = HitTest(&info);
    if (flags)
        *flags = info.flags;
    return item;
}

CImageList* CListCtrl::SetImageList(CImageList* imageList, int which)
{
    HIMAGELIST handle = imageList ? imageList->m_hImageList : nullptr;
    // The object owns its list: the control must not destroy it as well when it goes.
    if (imageList && !(GetStyle() & LVS_SHAREIMAGELISTS))
        ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | LVS_SHAREIMAGELISTS));
    HIMAGELIST previous = reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(handle)));
    CImageList* previousObject = nullptr;
    if (which >= 0 && which < 3) {
        if (m_imageLists[which] && previous && m_imageLists[which]->m_hImageList == previous)
            previousObject = m_imageLists[which];
        m_imageLists[which] = imageList;
    }
    return previousObject;
}

BOOL CListCtrl::GetItemRect(int item, RECT* rect, UINT code) const
{
    if (!rect)
        return FALSE;
    rect->left = static_cast<LONG>(code);
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(rect)));
}

BOOL CListCtrl::GetSubItemRect(int item, int subItem, int code, RECT* rect) const
{
    if (!rect)
        return FALSE;
    rect->top = subItem;
    rect->left = code;
    return static_cast<BOOL>(SendMessage(LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(rect)));
}
