#include "framework/win/EditCtrls.h"

#include "framework/win/Controls.h"

#include <algorithm>
#include <cstring>

namespace {

void InitCommonClass(DWORD classes)
{
    INITCOMMONCONTROLSEX init = {sizeof init, classes};
    ::InitCommonControlsEx(&init);
}

// Fills text from a length message and a text message of an item; a bad index gives "".
void ReadItemText(const CWnd& control, UINT lengthMessage, UINT textMessage, int index, CString& text)
{
    text.Empty();
    LRESULT length = control.SendMessage(lengthMessage, static_cast<WPARAM>(index));
    if (length <= 0)
        return;
    char* buffer = text.GetBufferSetLength(static_cast<int>(length) + 1);
    LRESULT copied = control.SendMessage(textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    text.ReleaseBuffer(copied < 0 ? 0 : static_cast<int>(std::min<LRESULT>(copied, length)));
}

} // namespace

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateControl(this, "EDIT", "", style, rect, parent, id);
}

CString CEdit::GetLine(int line) const
{
    CString text;
    int first = LineIndex(line);
    if (first < 0)
        return text;
    int length = LineLength(first);
    if (length <= 0)
        return text;
    // EM_GETLINE takes the buffer's size in its first word, and at least that much room.
    int room = std::max(length, static_cast<int>(sizeof(WORD)));
    char* buffer = text.GetBufferSetLength(room + 1);
    WORD size = static_cast<WORD>(std::min(room, 0xFFFF));
    std::memcpy(buffer, &size, sizeof size);
    LRESULT copied = SendMessage(EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer));
    text.ReleaseBuffer(copied < 0 ? 0 : static_cast<int>(std::min<LRESULT>(copied, room)));
    return text;
}

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateControl(this, "COMBOBOX", "", style, rect, parent, id);
}

void CComboBox::GetLBText(int index, CString& text) const
{
    ReadItemText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, index, text);
}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CreateControl(this, "LISTBOX", "", style, rect, parent, id);
}

void CListBox::GetText(int index, CString& text) const
{
    ReadItemText(*this, LB_GETTEXTLEN, LB_GETTEXT, index, text);
}

UINT CListBox::ItemFromPoint(POINT point, BOOL& outside) const
{
    DWORD result = static_cast<DWORD>(SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y)));
    outside = HIWORD(result) != 0;
    return LOWORD(result);
}

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    InitCommonClass(ICC_PROGRESS_CLASS);
    return CreateControl(this, PROGRESS_CLASSA, "", style, rect, parent, id);
}

BOOL CSpinButtonCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    InitCommonClass(ICC_UPDOWN_CLASS);
    return CreateControl(this, UPDOWN_CLASSA, "", style, rect, parent, id);
}
