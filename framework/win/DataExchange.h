// Dialog data exchange: a dialog's DoDataExchange lists its controls and the members they show,
// one DDX_ call each (DDV_ calls after a DDX_ check the value just read). UpdateData(FALSE) fills
// the controls from the members; UpdateData(TRUE) reads them back and checks them, and a failed
// check tells the user (the prompt below), puts the focus on the control and makes UpdateData
// return FALSE.
#pragma once

#include "framework/win/Wnd.h"

#include <exception>

// What Fail throws; UpdateData catches it.
class CUserException : public std::exception {
public:
    const char* what() const noexcept override { return "data exchange failed"; }
};

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    BOOL m_bSaveAndValidate; // TRUE: controls to members, checked; FALSE: members to controls
    CWnd* m_pDlgWnd;

    // The dialog's control id (null when the dialog has none, which is reported as a failure),
    // remembered as the control that Fail puts the focus on.
    HWND PrepareCtrl(int id);
    // The same for an edit control: Fail also selects its text.
    HWND PrepareEditCtrl(int id);
    // Ends the exchange: focus to the last prepared control, then CUserException.
    [[noreturn]] void Fail();

    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
};

// How a failed check tells the user. The default shows a message box (OK, exclamation) owned by
// the dialog; tests and skinned programs may put their own in place.
using DataExchangePrompt = void (*)(HWND owner, const CString& text);
// Returns the prompt it replaces; null restores the default.
DataExchangePrompt AfxSetDataExchangePrompt(DataExchangePrompt prompt);
// Shows text through the prompt, then fails the exchange.
[[noreturn]] void AfxFailDataExchange(CDataExchange* dx, const CString& text);

// Binds the control object to the dialog's control (once; later calls leave it bound).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

// Window texts. Numbers are whole decimal numbers with an optional sign and surrounding blanks;
// anything else, or a number out of the type's range, fails with a prompt.
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Text(CDataExchange* dx, int id, DWORD& value);

// Check box state (BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE).
void DDX_Check(CDataExchange* dx, int id, int& value);
// The index of the checked radio button of the group that starts at id (up to the next control
// with WS_GROUP), -1 for none.
void DDX_Radio(CDataExchange* dx, int id, int& value);
// A combo box's text. Filling selects the item equal to the value (case-insensitive when no
// item matches byte for byte); without one, an editable combo box shows the value and a drop-down
// list selects nothing.
void DDX_CBString(CDataExchange* dx, int id, CString& value);
// The selected item's index, -1 for none.
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);

// Checks after the matching DDX_ call. DDV_MaxChars counts bytes (a double-byte character
// counts two), and when filling limits what the edit or combo box takes.
void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue);
void DDV_MinMaxDWord(CDataExchange* dx, DWORD value, DWORD minValue, DWORD maxValue);

// The number readers of DDX_Text, for other code that takes numbers the same way.
bool AfxParseInt(const char* text, int* value);
bool AfxParseUInt(const char* text, UINT* value);
