// The server connection and name entry dialogs under Wine, driven by posted clicks and texts;
// their message boxes and the data exchange's refusals are answered and recorded.
#include "shell/NameEntryDlg.h"
#include "shell/ServerConnectDlg.h"

#include "net/dialup/NetDialogHost.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.GetString();
}

// Every message box and refusal, answered at once.
struct Answers : IMessageBoxPresenter, INetDialogHost {
    int Show(HWND owner, const char* text, UINT, bool) override { return Answer(owner, text); }
    CNetInfo* GetNetInfo() override { return nullptr; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND owner, const CString& text, unsigned) override { return Answer(owner, text); }
    int ShowMessageLogged(HWND owner, const CString& text, unsigned) override { return Answer(owner, text); }
    void SetModalState(bool) override {}
    int Answer(HWND owner, const char* text)
    {
        boxes.push_back(text);
        int answer = answers.empty() ? IDOK : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        if (after)
            after(owner);
        return answer;
    }
    std::vector<std::string> boxes;
    std::vector<int> answers;
    std::function<void(HWND)> after;
};

Answers* g_answers = nullptr;

// "新しい名前" in code page 932, as the user would type it.
const char kNewName[] = "\x90\x56\x82\xb5\x82\xa2\x96\xbc\x91\x4f";

void RecordRefusal(HWND owner, const CString& text)
{
    g_answers->Answer(owner, text);
}

void Post(HWND window, int id)
{
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_answers = &answers;
        previousPresenter = SetMessageBoxPresenter(&answers);
        netui::SetHost(&answers);
        previousPrompt = AfxSetDataExchangePrompt(RecordRefusal);
    }
    void TearDown() override
    {
        SetMessageBoxPresenter(previousPresenter);
        netui::SetHost(nullptr);
        AfxSetDataExchangePrompt(previousPrompt);
        g_answers = nullptr;
    }
    Answers answers;
    IMessageBoxPresenter* previousPresenter = nullptr;
    DataExchangePrompt previousPrompt = nullptr;
};

template <class Base> class Probe : public Base {
public:
    using Base::Base;
    BOOL OnInitDialog() override
    {
        BOOL result = Base::OnInitDialog();
        if (onInit)
            onInit(this->m_hWnd);
        return result;
    }
    std::function<void(HWND)> onInit;
};

} // namespace

TEST_F(DialogTest, ServerConnectionChecksTheLengthsOfIdAndPassword)
{
    struct Row {
        const char *name, *id, *password;
        INT_PTR result;
        UINT message;
    } rows[] = {
        {"empty ID", "", "pw", IDCANCEL, IDS_COMM_ID_LENGTH},
        {"16 and 8", "0123456789ABCDEF", "abcdefgh", IDOK, 0},
        {"17 characters", "0123456789ABCDEFG", "pw", IDCANCEL, IDS_COMM_ID_LENGTH},
        {"preset password of 9", "id", "abcdefghi", IDCANCEL, IDS_PASSWORD_LENGTH},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        answers.boxes.clear();
        answers.after = [](HWND owner) { Post(owner, IDCANCEL); };
        Probe<CServerConnectDlg> dialog(nullptr);
        dialog.m_commId = r.id;
        dialog.m_password = r.password;
        bool nicknameHidden = false;
        UINT idLimit = 0, passwordLimit = 0;
        dialog.onInit = [&](HWND window) {
            nicknameHidden = !(GetWindowLongA(::GetDlgItem(window, IDC_CONNECT_NICKNAME), GWL_STYLE) & WS_VISIBLE) &&
                             !(GetWindowLongA(::GetDlgItem(window, IDC_CONNECT_NICKNAME_LABEL), GWL_STYLE) & WS_VISIBLE);
            idLimit = static_cast<UINT>(::SendDlgItemMessageA(window, IDC_CONNECT_COMM_ID, EM_GETLIMITTEXT, 0, 0));
            passwordLimit = static_cast<UINT>(::SendDlgItemMessageA(window, IDC_CONNECT_PASSWORD, EM_GETLIMITTEXT, 0, 0));
            Post(window, IDOK);
        };
        EXPECT_EQ(r.result, dialog.DoModal());
        EXPECT_TRUE(nicknameHidden);
        EXPECT_EQ(16u, idLimit);
        EXPECT_EQ(8u, passwordLimit);
        if (r.message) {
            ASSERT_EQ(1u, answers.boxes.size());
            EXPECT_EQ(Text(r.message), answers.boxes[0]);
        } else {
            EXPECT_TRUE(answers.boxes.empty());
            EXPECT_STREQ(r.id, dialog.m_commId.GetString());
            EXPECT_STREQ(r.password, dialog.m_password.GetString());
        }
    }
}

// Timer procedures (a lambda can't be one in the 32-bit build: they are stdcall): once the
// dialog is on the screen, its picture is taken and it is answered.
static void CALLBACK NameEntryShown(HWND w, UINT, UINT_PTR t, DWORD)
{
    if (!IsWindowVisible(w))
        return;
    KillTimer(w, t);
    nvtest::SaveWindowScreenshot(w, "name_entry");
    Post(w, IDOK);
}

static void CALLBACK ServerConnectShown(HWND w, UINT, UINT_PTR t, DWORD)
{
    if (!IsWindowVisible(w))
        return;
    KillTimer(w, t);
    nvtest::SaveWindowScreenshot(w, "server_connect");
    Post(w, IDCANCEL);
}

TEST_F(DialogTest, NameEntryFollowsTheFieldAndAsksBeforeItCloses)
{
    Probe<CNameEntryDlg> dialog(nullptr);
    std::vector<bool> okEnabled;
    dialog.onInit = [&](HWND window) {
        HWND ok = ::GetDlgItem(window, IDOK);
        HWND edit = ::GetDlgItem(window, IDC_NAME_ENTRY_NAME);
        okEnabled.push_back(IsWindowEnabled(ok) != FALSE); // empty preset
        SetWindowTextA(edit, "a");
        okEnabled.push_back(IsWindowEnabled(ok) != FALSE);
        SetWindowTextA(edit, "");
        okEnabled.push_back(IsWindowEnabled(ok) != FALSE);
        SetWindowTextA(edit, "12345678901234567"); // 17: refused by the data exchange
        SetWindowTextA(edit, kNewName);
        answers.answers = {IDNO, IDYES};
        answers.after = [&, window](HWND) {
            // After No the dialog is still there with the name kept: ask again.
            if (answers.boxes.size() == 2)
                Post(window, IDOK);
        };
        // OK once the dialog is on the screen (and its picture taken).
        SetTimer(window, 1, 20, NameEntryShown);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ((std::vector<bool>{false, true, false}), okEnabled);
    ASSERT_EQ(3u, answers.boxes.size());
    EXPECT_NE(std::string::npos, answers.boxes[0].find("16")) << "the framework's refusal names the limit";
    EXPECT_EQ(Text(IDS_CONFIRM_NAME_CHANGE), answers.boxes[1]);
    EXPECT_EQ(Text(IDS_CONFIRM_NAME_CHANGE), answers.boxes[2]);
    EXPECT_STREQ(kNewName, dialog.m_name.GetString());
}

TEST_F(DialogTest, ServerConnectionScreenshot)
{
    Probe<CServerConnectDlg> dialog(nullptr);
    dialog.m_commId = "0123456789ABCDEF";
    dialog.onInit = [&](HWND window) {
        SetTimer(window, 1, 20, ServerConnectShown);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
}
