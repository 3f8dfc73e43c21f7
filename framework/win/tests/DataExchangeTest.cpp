// Dialog data exchange on a real dialog from the test template: members to controls and back,
// number and text checks, the prompt and the focus when a check fails, OK that stays open.
#include "framework/win/Controls.h"
#include "framework/win/DataExchange.h"
#include "framework/win/Dialog.h"

#include "framework/win/tests/FrameworkTestIds.h"
#include "resources/StringIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_prompts;
void RecordPrompt(HWND, const CString& text) { g_prompts.push_back(text.str()); }

const UINT WM_AFTER_FAILED_OK = WM_USER + 20;

class CExchangeDialog : public CDialog {
public:
    CExchangeDialog() : CDialog(IDD_DDX_TEST) {}

    CString name;
    int number = 0;
    UINT unsignedNumber = 0;
    DWORD dwordNumber = 0;
    int check = BST_UNCHECKED;
    int radio = -1;
    CString comboEdit;
    CString comboList;
    int comboListIndex = -1;
    int listIndex = -1;
    CListCtrl listView;
    std::vector<const char*> comboItems = {"Dial-up", "dial-up", "LAN", "\x90\xDA\x91\xB1\x90\xE6\x82\x60"};

    // For the modal test: what the dialog looked like after the first OK failed.
    bool postFailingOk = false;
    bool stillOpenAfterFailedOk = false;
    int focusIdAfterFailedOk = 0;

    BOOL OnInitDialog() override
    {
        for (const char* item : comboItems) {
            ::SendDlgItemMessageA(m_hWnd, IDC_DDX_COMBO_EDIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            ::SendDlgItemMessageA(m_hWnd, IDC_DDX_COMBO_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        for (const char* item : {"one", "two", "three"})
            ::SendDlgItemMessageA(m_hWnd, IDC_DDX_LISTBOX, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        CDialog::OnInitDialog();
        // The modal loop shows the dialog when it is first idle, and timers come only then.
        if (postFailingOk)
            SetTimer(kPressOkTimer, 1);
        return TRUE;
    }

    static const UINT_PTR kPressOkTimer = 1;
    void OnTimer(UINT_PTR id)
    {
        if (id != kPressOkTimer || !IsWindowVisible())
            return;
        KillTimer(id);
        PostMessage(WM_COMMAND, IDOK);
        PostMessage(WM_AFTER_FAILED_OK);
    }

    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDC_DDX_LISTVIEW, listView);
        DDX_Text(dx, IDC_DDX_NAME, name);
        DDV_MaxChars(dx, name, 16);
        DDX_Text(dx, IDC_DDX_INT, number);
        DDV_MinMaxInt(dx, number, -100, 100);
        DDX_Text(dx, IDC_DDX_UINT, unsignedNumber);
        DDV_MinMaxUInt(dx, unsignedNumber, 0, 1000);
        DDX_Text(dx, IDC_DDX_DWORD, dwordNumber);
        DDX_Check(dx, IDC_DDX_CHECK, check);
        DDX_Radio(dx, IDC_DDX_RADIO1, radio);
        DDX_CBString(dx, IDC_DDX_COMBO_EDIT, comboEdit);
        DDX_CBString(dx, IDC_DDX_COMBO_LIST, comboList);
        DDX_CBIndex(dx, IDC_DDX_COMBO_LIST, comboListIndex);
        DDX_LBIndex(dx, IDC_DDX_LISTBOX, listIndex);
    }

    LRESULT OnAfterFailedOk(WPARAM, LPARAM)
    {
        stillOpenAfterFailedOk = IsWindow() != FALSE;
        HWND focus = ::GetFocus();
        focusIdAfterFailedOk = ::IsChild(m_hWnd, focus) ? ::GetDlgCtrlID(focus) : -1;
        SetDlgItemText(IDC_DDX_INT, "5");
        PostMessage(WM_COMMAND, IDOK);
        return 0;
    }

    int Checked(int id) const { return static_cast<int>(::SendMessageA(GetDlgItem(id), BM_GETCHECK, 0, 0)); }
    int ComboSelection(int id) const { return static_cast<int>(::SendMessageA(GetDlgItem(id), CB_GETCURSEL, 0, 0)); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CExchangeDialog, CDialog)
    ON_MESSAGE(WM_AFTER_FAILED_OK, OnAfterFailedOk)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CString Loaded(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

class DataExchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_prompts.clear();
        m_previous = AfxSetDataExchangePrompt(&RecordPrompt);
    }
    void TearDown() override { AfxSetDataExchangePrompt(m_previous); }

    // A shown modeless dialog with valid values in every field.
    void Open(CExchangeDialog& dlg)
    {
        ASSERT_TRUE(dlg.Create(IDD_DDX_TEST));
        dlg.ShowWindow(SW_SHOW);
        dlg.SetForegroundWindow();
        ASSERT_TRUE(nvtest::PumpUntil([&] { return ::GetActiveWindow() == dlg.m_hWnd; }));
    }

private:
    DataExchangePrompt m_previous = nullptr;
};

TEST_F(DataExchange, MembersGoToTheControlsAndComeBack)
{
    CExchangeDialog dlg;
    dlg.name = "\x8E\x52\x93\x63\x91\xBE\x98\x59"; // 山田太郎
    dlg.number = -42;
    dlg.unsignedNumber = 1000;
    dlg.dwordNumber = 4294967295u;
    dlg.check = BST_CHECKED;
    dlg.radio = 1;
    dlg.comboEdit = "typed by hand";
    dlg.comboList = "\x90\xDA\x91\xB1\x90\xE6\x82\x60"; // 接続先Ａ
    dlg.comboListIndex = 3;
    dlg.listIndex = 2;
    Open(dlg);

    EXPECT_EQ(dlg.listView.m_hWnd, dlg.GetDlgItem(IDC_DDX_LISTVIEW)) << "DDX_Control binds the object";
    EXPECT_EQ(&dlg.listView, CWnd::FromHandlePermanent(dlg.GetDlgItem(IDC_DDX_LISTVIEW)));
    EXPECT_EQ("\x8E\x52\x93\x63\x91\xBE\x98\x59", dlg.GetDlgItemText(IDC_DDX_NAME));
    EXPECT_EQ("-42", dlg.GetDlgItemText(IDC_DDX_INT));
    EXPECT_EQ("1000", dlg.GetDlgItemText(IDC_DDX_UINT));
    EXPECT_EQ("4294967295", dlg.GetDlgItemText(IDC_DDX_DWORD));
    EXPECT_EQ(BST_CHECKED, dlg.Checked(IDC_DDX_CHECK));
    EXPECT_EQ(BST_UNCHECKED, dlg.Checked(IDC_DDX_RADIO1));
    EXPECT_EQ(BST_CHECKED, dlg.Checked(IDC_DDX_RADIO2));
    EXPECT_EQ(BST_UNCHECKED, dlg.Checked(IDC_DDX_RADIO3));
    EXPECT_EQ("typed by hand", dlg.GetDlgItemText(IDC_DDX_COMBO_EDIT));
    EXPECT_EQ(3, dlg.ComboSelection(IDC_DDX_COMBO_LIST));
    EXPECT_EQ(2, static_cast<int>(::SendDlgItemMessageA(dlg.m_hWnd, IDC_DDX_LISTBOX, LB_GETCURSEL, 0, 0)));
    EXPECT_EQ(16, static_cast<int>(::SendDlgItemMessageA(dlg.m_hWnd, IDC_DDX_NAME, EM_GETLIMITTEXT, 0, 0)))
        << "DDV_MaxChars limits the edit when filling";

    // The user changes every control.
    dlg.SetDlgItemText(IDC_DDX_NAME, "\xB1\xB2\xB3\x95\x5C\x8E\xA6"); // ｱｲｳ表示: a trail byte 0x5C
    dlg.SetDlgItemText(IDC_DDX_INT, " 17 ");
    dlg.SetDlgItemText(IDC_DDX_UINT, "+0");
    dlg.SetDlgItemText(IDC_DDX_DWORD, "123456");
    ::CheckDlgButton(dlg.m_hWnd, IDC_DDX_CHECK, BST_UNCHECKED);
    ::CheckRadioButton(dlg.m_hWnd, IDC_DDX_RADIO1, IDC_DDX_RADIO3, IDC_DDX_RADIO3);
    dlg.SetDlgItemText(IDC_DDX_COMBO_EDIT, "LAN");
    ::SendDlgItemMessageA(dlg.m_hWnd, IDC_DDX_COMBO_LIST, CB_SETCURSEL, 2, 0);
    ::SendDlgItemMessageA(dlg.m_hWnd, IDC_DDX_LISTBOX, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_TRUE(g_prompts.empty());
    EXPECT_EQ("\xB1\xB2\xB3\x95\x5C\x8E\xA6", dlg.name);
    EXPECT_EQ(17, dlg.number);
    EXPECT_EQ(0u, dlg.unsignedNumber);
    EXPECT_EQ(123456u, dlg.dwordNumber);
    EXPECT_EQ(BST_UNCHECKED, dlg.check);
    EXPECT_EQ(2, dlg.radio);
    EXPECT_EQ("LAN", dlg.comboEdit);
    EXPECT_EQ("LAN", dlg.comboList);
    EXPECT_EQ(2, dlg.comboListIndex);
    EXPECT_EQ(-1, dlg.listIndex);

    // No radio button of the group checked reads as -1; the next group is not counted.
    ::CheckRadioButton(dlg.m_hWnd, IDC_DDX_RADIO1, IDC_DDX_RADIO3, 0);
    ::CheckDlgButton(dlg.m_hWnd, IDC_DDX_AFTER_GROUP, BST_CHECKED);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(-1, dlg.radio);
    dlg.radio = 0;
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(BST_CHECKED, dlg.Checked(IDC_DDX_RADIO1));
    EXPECT_EQ(BST_CHECKED, dlg.Checked(IDC_DDX_AFTER_GROUP)) << "the button after the group is left alone";
    dlg.DestroyWindow();
}

// Each row puts one text into one field of an otherwise valid dialog and reads it back.
struct FieldCase {
    const char* name;
    int control;
    const char* text;
    bool accepted;
    long long value;  // the member's value when accepted
    UINT promptId;    // the prompt's text when refused; 0 when it carries numbers (below)
    const char* promptFormatNumbers; // which numbers the range prompt carries ("" when none)
};

const FieldCase kFieldCases[] = {
    {"int with blanks and sign", IDC_DDX_INT, "  -7\t", true, -7, 0, ""},
    {"int plus sign", IDC_DDX_INT, "+100", true, 100, 0, ""},
    {"int lowest allowed", IDC_DDX_INT, "-100", true, -100, 0, ""},
    {"int empty", IDC_DDX_INT, "", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int letters", IDC_DDX_INT, "abc", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int trailing letters", IDC_DDX_INT, "12a", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int sign alone", IDC_DDX_INT, "-", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int inner blank", IDC_DDX_INT, "1 2", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int full-width digits", IDC_DDX_INT, "\x82\x54", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int beyond the type", IDC_DDX_INT, "2147483648", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int below the type", IDC_DDX_INT, "-2147483649", false, 0, IDS_DDX_PARSE_INT, ""},
    {"int above the range", IDC_DDX_INT, "101", false, 0, IDS_DDX_RANGE_INT, "-100..100"},
    {"int below the range", IDC_DDX_INT, "-2147483648", false, 0, IDS_DDX_RANGE_INT, "-100..100"},
    {"uint top of the range", IDC_DDX_UINT, "1000", true, 1000, 0, ""},
    {"uint minus", IDC_DDX_UINT, "-1", false, 0, IDS_DDX_PARSE_UINT, ""},
    {"uint minus zero", IDC_DDX_UINT, "-0", false, 0, IDS_DDX_PARSE_UINT, ""},
    {"uint above the range", IDC_DDX_UINT, "4294967295", false, 0, IDS_DDX_RANGE_UINT, "0..1000"},
    {"uint beyond the type", IDC_DDX_UINT, "4294967296", false, 0, IDS_DDX_PARSE_UINT, ""},
    {"dword largest", IDC_DDX_DWORD, "4294967295", true, 4294967295LL, 0, ""},
    {"dword hexadecimal", IDC_DDX_DWORD, "0x10", false, 0, IDS_DDX_PARSE_UINT, ""},
    {"name of 16 bytes in 8 double-byte characters", IDC_DDX_NAME,
     "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD", true, 0, 0, ""},
    {"name of 18 bytes", IDC_DDX_NAME,
     "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD\x82\xAF", false, 0, IDS_DDX_MAX_CHARS, "16"},
    {"name of 17 single bytes", IDC_DDX_NAME, "abcdefghijklmnopq", false, 0, IDS_DDX_MAX_CHARS, "16"},
};

CString ExpectedPrompt(const FieldCase& row)
{
    CString format = Loaded(row.promptId);
    CString text;
    if (row.promptId == IDS_DDX_RANGE_INT)
        text.Format(format, -100, 100);
    else if (row.promptId == IDS_DDX_RANGE_UINT)
        text.Format(format, 0u, 1000u);
    else if (row.promptId == IDS_DDX_MAX_CHARS)
        text.Format(format, 16);
    else
        text = format;
    return text;
}

TEST_F(DataExchange, EachFieldTakesGoodTextsAndRefusesBadOnes)
{
    CExchangeDialog dlg;
    Open(dlg);
    for (const FieldCase& row : kFieldCases) {
        SCOPED_TRACE(row.name);
        g_prompts.clear();
        // Valid values everywhere, a known member value, then the row's text.
        dlg.name = "before";
        dlg.number = 1;
        dlg.unsignedNumber = 2;
        dlg.dwordNumber = 3;
        ASSERT_TRUE(dlg.UpdateData(FALSE));
        dlg.number = dlg.unsignedNumber = dlg.dwordNumber = 99;
        ::SetFocus(dlg.GetDlgItem(IDC_DDX_CHECK));
        dlg.SetDlgItemText(row.control, row.text);

        BOOL accepted = dlg.UpdateData(TRUE);
        EXPECT_EQ(row.accepted, accepted != FALSE);
        if (row.accepted) {
            EXPECT_TRUE(g_prompts.empty());
            if (row.control == IDC_DDX_INT) {
                EXPECT_EQ(row.value, dlg.number);
            } else if (row.control == IDC_DDX_UINT) {
                EXPECT_EQ(row.value, static_cast<long long>(dlg.unsignedNumber));
            } else if (row.control == IDC_DDX_DWORD) {
                EXPECT_EQ(row.value, static_cast<long long>(dlg.dwordNumber));
            } else {
                EXPECT_EQ(row.text, dlg.name);
            }
            continue;
        }
        ASSERT_EQ(1u, g_prompts.size());
        EXPECT_FALSE(ExpectedPrompt(row).IsEmpty());
        EXPECT_EQ(ExpectedPrompt(row).str(), g_prompts[0]);
        EXPECT_EQ(dlg.GetDlgItem(row.control), ::GetFocus()) << "the failed control has the focus";
        DWORD start = 0, end = 0;
        ::SendMessageA(dlg.GetDlgItem(row.control), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start);
        // Wine counts the selection in characters, Windows in bytes.
        HWND control = dlg.GetDlgItem(row.control);
        EXPECT_TRUE(end == static_cast<DWORD>(::GetWindowTextLengthA(control)) ||
                    end == static_cast<DWORD>(::GetWindowTextLengthW(control)))
            << "its whole text is selected, not up to " << end;
        if (row.control == IDC_DDX_UINT || row.control == IDC_DDX_DWORD) {
            EXPECT_EQ(1, dlg.number) << "fields before the failed one were read";
        }
    }
    dlg.DestroyWindow();
}

TEST(DataExchangePrompts, TheFrameworkTextsAreInTheStringTable)
{
    CString text;
    for (UINT id : {IDS_DDX_PARSE_INT, IDS_DDX_PARSE_UINT, IDS_DDX_RANGE_INT, IDS_DDX_RANGE_UINT, IDS_DDX_MAX_CHARS}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(text.LoadString(id));
        EXPECT_GT(text.GetLength(), 4);
    }
}

TEST_F(DataExchange, OkStaysOpenOnTheFailedControlUntilTheValueIsGood)
{
    CExchangeDialog dlg;
    dlg.number = 500; // outside -100..100
    dlg.postFailingOk = true;
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(dlg.stillOpenAfterFailedOk);
    ASSERT_EQ(1u, g_prompts.size());
    CString expected;
    expected.Format(Loaded(IDS_DDX_RANGE_INT), -100, 100);
    EXPECT_EQ(expected.str(), g_prompts[0]);
    EXPECT_EQ(IDC_DDX_INT, dlg.focusIdAfterFailedOk);
    EXPECT_EQ(5, dlg.number) << "the second OK read the corrected value";
}

class CCancelledDialog : public CExchangeDialog {
public:
    BOOL OnInitDialog() override
    {
        CExchangeDialog::OnInitDialog();
        PostMessage(WM_COMMAND, IDCANCEL);
        return TRUE;
    }
};

TEST_F(DataExchange, CancelNeitherChecksNorReads)
{
    CCancelledDialog dlg;
    dlg.number = 500;
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(g_prompts.empty());
    EXPECT_EQ(500, dlg.number);
}

// DDX_CBString fills a combo box by whole item, never by prefix.
struct ComboCase {
    const char* name;
    int control;
    const char* value;
    int selection; // expected selection after filling
    const char* readBack;
};

const ComboCase kComboCases[] = {
    {"exact item", IDC_DDX_COMBO_LIST, "LAN", 2, "LAN"},
    {"byte-equal item before a case-folded one", IDC_DDX_COMBO_LIST, "dial-up", 1, "dial-up"},
    {"case-folded item when none is equal", IDC_DDX_COMBO_LIST, "lan", 2, "LAN"},
    {"Japanese item", IDC_DDX_COMBO_LIST, "\x90\xDA\x91\xB1\x90\xE6\x82\x60", 3, "\x90\xDA\x91\xB1\x90\xE6\x82\x60"},
    {"prefix only: drop-down list selects nothing", IDC_DDX_COMBO_LIST, "Dial", -1, ""},
    {"unknown: drop-down list selects nothing", IDC_DDX_COMBO_LIST, "ISDN", -1, ""},
    {"prefix only: editable combo keeps the text", IDC_DDX_COMBO_EDIT, "Dial", -1, "Dial"},
    {"empty value on an editable combo", IDC_DDX_COMBO_EDIT, "", -1, ""},
};

TEST_F(DataExchange, ComboStringsSelectWholeItems)
{
    CExchangeDialog dlg;
    Open(dlg);
    for (const ComboCase& row : kComboCases) {
        SCOPED_TRACE(row.name);
        // A selection left over from the previous row must not survive.
        ::SendDlgItemMessageA(dlg.m_hWnd, row.control, CB_SETCURSEL, 0, 0);
        CString value = row.value;
        CDataExchange fill(&dlg, FALSE);
        DDX_CBString(&fill, row.control, value);
        EXPECT_EQ(row.selection, dlg.ComboSelection(row.control));
        CString readBack = "not read";
        CDataExchange save(&dlg, TRUE);
        DDX_CBString(&save, row.control, readBack);
        EXPECT_EQ(row.readBack, readBack);
    }
    dlg.DestroyWindow();
}

} // namespace
