#include "framework/win/DataExchange.h"

#include "framework/core/Failure.h"
#include "framework/win/WinApp.h"
#include "resources/StringIds.h"

#include <climits>
#include <cstring>

namespace {

void DefaultPrompt(HWND owner, const CString& text)
{
    CWinApp* app = AfxGetApp();
    const char* caption = app && !app->m_appName.IsEmpty() ? app->m_appName.GetString() : nullptr;
    ::MessageBoxA(owner, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

DataExchangePrompt g_prompt = &DefaultPrompt;

// A prompt text from the string table (the fallback for programs without the framework's texts).
CString PromptText(UINT id, const char* fallback)
{
    CString text;
    if (!text.LoadString(id) || text.IsEmpty())
        text = fallback;
    return text;
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

// Reads [blanks][sign]digits[blanks] into a magnitude; false for anything else or a magnitude
// beyond limit.
bool ParseMagnitude(const char* text, bool allowMinus, bool* negative, unsigned long long limit,
                    unsigned long long* magnitude)
{
    if (!text)
        return false;
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    *negative = false;
    if (*p == '+' || *p == '-') {
        *negative = *p == '-';
        if (*negative && !allowMinus)
            return false;
        ++p;
    }
    if (*p < '0' || *p > '9')
        return false;
    unsigned long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > limit)
            return false;
    }
    while (IsBlank(*p))
        ++p;
    if (*p != '\0')
        return false;
    *magnitude = value;
    return true;
}

HWND DialogItem(CDataExchange* dx, int id)
{
    return dx->m_pDlgWnd ? ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id) : nullptr;
}

bool HasClass(HWND hWnd, const char* className)
{
    char name[32] = "";
    ::GetClassNameA(hWnd, name, sizeof name);
    return ::lstrcmpiA(name, className) == 0;
}

CString WindowText(HWND hWnd)
{
    CString text;
    int length = ::GetWindowTextLengthA(hWnd);
    char* buffer = text.GetBufferSetLength(length + 1);
    buffer[0] = '\0';
    ::GetWindowTextA(hWnd, buffer, length + 1);
    text.ReleaseBuffer(-1);
    return text;
}

CString ComboItemText(HWND combo, int index)
{
    CString text;
    LRESULT length = ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0)
        return text;
    char* buffer = text.GetBufferSetLength(static_cast<int>(length) + 1);
    buffer[0] = '\0';
    ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    text.ReleaseBuffer(-1);
    return text;
}

template <class Unsigned>
void ExchangeUnsigned(CDataExchange* dx, int id, Unsigned& value)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate) {
        UINT number = 0;
        if (!AfxParseUInt(WindowText(control), &number))
            AfxFailDataExchange(dx, PromptText(IDS_DDX_PARSE_UINT, "Enter a whole number of 0 or more."));
        value = number;
    } else {
        CString text;
        text.Format("%u", static_cast<unsigned>(value));
        ::SetWindowTextA(control, text);
    }
}

void CheckUnsignedRange(CDataExchange* dx, unsigned long long value, unsigned long long minValue,
                        unsigned long long maxValue)
{
    if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue))
        return;
    CString text;
    text.Format(PromptText(IDS_DDX_RANGE_UINT, "Enter a whole number from %u to %u."), static_cast<unsigned>(minValue),
                static_cast<unsigned>(maxValue));
    AfxFailDataExchange(dx, text);
}

} // namespace

DataExchangePrompt AfxSetDataExchangePrompt(DataExchangePrompt prompt)
{
    DataExchangePrompt previous = g_prompt;
    g_prompt = prompt ? prompt : &DefaultPrompt;
    return previous;
}

void AfxFailDataExchange(CDataExchange* dx, const CString& text)
{
    g_prompt(dx->m_pDlgWnd ? dx->m_pDlgWnd->m_hWnd : nullptr, text);
    dx->Fail();
}

HWND CDataExchange::PrepareCtrl(int id)
{
    HWND control = DialogItem(this, id);
    if (!control) {
        CString what;
        what.Format("the dialog has no control %d", id);
        nv::ReportFailure("data exchange", what);
        return nullptr;
    }
    m_idLastControl = id;
    m_bEditLastControl = FALSE;
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    HWND control = PrepareCtrl(id);
    if (control)
        m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_idLastControl != 0) {
        HWND control = DialogItem(this, m_idLastControl);
        if (control) {
            // WM_NEXTDLGCTL moves the focus as the dialog manager does (default button included).
            HWND dialog = m_pDlgWnd->m_hWnd;
            if (::GetWindowLongPtrA(dialog, DWLP_DLGPROC))
                ::SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
            else
                ::SetFocus(control);
            if (m_bEditLastControl)
                ::SendMessageA(control, EM_SETSEL, 0, -1);
        }
    }
    throw CUserException();
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.m_hWnd)
        return;
    HWND hWnd = dx->PrepareCtrl(id);
    if (hWnd && !control.SubclassWindow(hWnd)) {
        CString what;
        what.Format("control %d is bound to another object", id);
        nv::ReportFailure("data exchange", what);
    }
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = WindowText(control);
    else
        ::SetWindowTextA(control, value);
}

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareEditCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate) {
        int number = 0;
        if (!AfxParseInt(WindowText(control), &number))
            AfxFailDataExchange(dx, PromptText(IDS_DDX_PARSE_INT, "Enter a whole number."));
        value = number;
    } else {
        CString text;
        text.Format("%d", value);
        ::SetWindowTextA(control, text);
    }
}

void DDX_Text(CDataExchange* dx, int id, UINT& value) { ExchangeUnsigned(dx, id, value); }
void DDX_Text(CDataExchange* dx, int id, DWORD& value) { ExchangeUnsigned(dx, id, value); }

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    HWND hWnd = control;
    do {
        if (::SendMessageA(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (dx->m_bSaveAndValidate) {
                if (value == -1 && ::SendMessageA(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
                    value = index;
            } else {
                ::SendMessageA(hWnd, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hWnd = ::GetWindow(hWnd, GW_HWNDNEXT);
    } while (hWnd && !(::GetWindowLongA(hWnd, GWL_STYLE) & WS_GROUP));
}

void DDX_CBString(CDataExchange* dx, int id, CString& value)
{
    HWND combo = dx->PrepareEditCtrl(id);
    if (!combo)
        return;
    bool dropList = (::GetWindowLongA(combo, GWL_STYLE) & 0x3) == CBS_DROPDOWNLIST;
    if (dx->m_bSaveAndValidate) {
        if (dropList) {
            int selected = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
            value = selected == CB_ERR ? CString() : ComboItemText(combo, selected);
        } else {
            value = WindowText(combo);
        }
        return;
    }
    // The control's exact search ignores case: prefer the item equal byte for byte.
    int found = CB_ERR;
    int first = static_cast<int>(::SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(value.GetString())));
    for (int at = first; at != CB_ERR;) {
        if (ComboItemText(combo, at) == value) {
            found = at;
            break;
        }
        int next = static_cast<int>(::SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(at),
                                                   reinterpret_cast<LPARAM>(value.GetString())));
        if (next <= at)
            break; // the search wrapped round
        at = next;
    }
    if (found == CB_ERR)
        found = first;
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    if (found == CB_ERR && !dropList)
        ::SetWindowTextA(combo, value);
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index)
{
    HWND combo = dx->PrepareCtrl(id);
    if (!combo)
        return;
    if (dx->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_LBIndex(CDataExchange* dx, int id, int& index)
{
    HWND list = dx->PrepareCtrl(id);
    if (!list)
        return;
    if (dx->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(list, LB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars)
{
    if (dx->m_bSaveAndValidate) {
        if (value.GetLength() > maxChars) {
            CString text;
            text.Format(PromptText(IDS_DDX_MAX_CHARS, "Enter at most %d characters."), maxChars);
            AfxFailDataExchange(dx, text);
        }
        return;
    }
    HWND control = dx->m_idLastControl ? DialogItem(dx, dx->m_idLastControl) : nullptr;
    if (!control)
        return;
    if (HasClass(control, "ComboBox"))
        ::SendMessageA(control, CB_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    else if (dx->m_bEditLastControl)
        ::SendMessageA(control, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue)
{
    if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue))
        return;
    CString text;
    text.Format(PromptText(IDS_DDX_RANGE_INT, "Enter a whole number from %d to %d."), minValue, maxValue);
    AfxFailDataExchange(dx, text);
}

void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue)
{
    CheckUnsignedRange(dx, value, minValue, maxValue);
}

void DDV_MinMaxDWord(CDataExchange* dx, DWORD value, DWORD minValue, DWORD maxValue)
{
    CheckUnsignedRange(dx, value, minValue, maxValue);
}

bool AfxParseInt(const char* text, int* value)
{
    unsigned long long magnitude = 0;
    bool negative = false;
    if (!ParseMagnitude(text, true, &negative, static_cast<unsigned long long>(INT_MAX) + 1, &magnitude))
        return false;
    if (!negative && magnitude > static_cast<unsigned long long>(INT_MAX))
        return false;
    *value = negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

bool AfxParseUInt(const char* text, UINT* value)
{
    unsigned long long magnitude = 0;
    bool negative = false;
    if (!ParseMagnitude(text, false, &negative, UINT_MAX, &magnitude))
        return false;
    *value = static_cast<UINT>(magnitude);
    return true;
}
