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
    // The control counts the line in characters (Wine) or bytes (Windows): room for two bytes
    // per character, never less than EM_GETLINE's size word.
    int length = LineLength(first);
    if (length <= 0)
        return text;
    int room = std::min(2 * length + 2, 0xFFFF);
    char* buffer = text.GetBufferSetLength(room);
    std::memset(buffer, 0, static_cast<std::size_t>(room) + 1);
    WORD size = static_cast<WORD>(room);
    std::memcpy(buffer, &size, sizeof size);
    LRESULT copied = SendMessage(EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer));
    if (copied <= 0) {
        text.ReleaseBuffer(0);
        return text;
    }
    // The line holds no NUL, and what follows it is still zero (a one-character line leaves the
    // size word's high byte, zero for a room this small).
    text.ReleaseBuffer(static_cast<int>(strnlen(buffer, static_cast<std::size_t>(room))));
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
