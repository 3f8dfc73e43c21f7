// Dialogs from resource templates, modal and modeless, and the modal loop's PreTranslateMessage.
#include "framework/win/Dialog.h"

#include "framework/win/tests/FrameworkTestIds.h"
#include "resources/StringIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

namespace {

const UINT WM_FINISH = WM_USER + 10;
const UINT WM_PROBE = WM_USER + 11;

class CTestDialog : public CDialog {
public:
    explicit CTestDialog(CWnd* parent = nullptr) : CDialog(IDD_FRAMEWORK_TEST, parent) {}

    bool initialised = false;
    bool parentDisabledDuringLoop = false;
    int probesPreTranslated = 0;
    int probesHandled = 0;
    int okPressed = 0;
    int cancelPressed = 0;
    bool endOnOk = true;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        initialised = true;
        CString caption, label;
        caption.LoadString(IDS_TEST_CAPTION);
        label.LoadString(IDS_TEST_LABEL);
        SetWindowText(caption);
        SetDlgItemText(IDC_TEST_STATIC, label);
        return TRUE;
    }
    void OnOK() override
    {
        ++okPressed;
        if (endOnOk)
            CDialog::OnOK();
    }
    void OnCancel() override
    {
        ++cancelPressed;
        CDialog::OnCancel();
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_PROBE)
            ++probesPreTranslated;
        return CDialog::PreTranslateMessage(msg);
    }
    LRESULT OnProbe(WPARAM, LPARAM)
    {
        ++probesHandled;
        return 0;
    }
    LRESULT OnFinish(WPARAM code, LPARAM)
    {
        if (m_parent)
            parentDisabledDuringLoop = !m_parent->IsWindowEnabled();
        EndDialog(static_cast<INT_PTR>(code));
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
    ON_MESSAGE(WM_FINISH, OnFinish)
    ON_MESSAGE(WM_PROBE, OnProbe)
END_MESSAGE_MAP()

// Posts messages to a dialog once it exists, from inside its own modal loop.
class CAutoDialog : public CTestDialog {
public:
    using CTestDialog::CTestDialog;
    BOOL OnInitDialog() override
    {
        CTestDialog::OnInitDialog();
        // Sent to a child control so that the walk from the control up to the dialog is tested.
        ::PostMessageA(GetDlgItem(IDC_TEST_EDIT), WM_PROBE, 0, 0);
        PostMessage(WM_PROBE);
        PostMessage(WM_FINISH, 42);
        return TRUE;
    }
};

class COwnerWnd : public CWnd {
public:
    BOOL Create()
    {
        return CreateEx(0, RegisterWindowClass("NvTestOwner"), "owner", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr);
    }
};

TEST(Dialog, ModalLoopRunsPreTranslateAndReturnsTheEndCode)
{
    COwnerWnd owner;
    ASSERT_TRUE(owner.Create());
    CAutoDialog dlg(&owner);
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_TRUE(dlg.initialised);
    EXPECT_EQ(2, dlg.probesPreTranslated) << "the control's message walks up to the dialog";
    EXPECT_EQ(1, dlg.probesHandled) << "only the dialog's own probe reaches its map";
    EXPECT_TRUE(dlg.parentDisabledDuringLoop);
    EXPECT_TRUE(owner.IsWindowEnabled()) << "the owner is enabled again afterwards";
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST(Dialog, MissingTemplateFailsWithMinusOne)
{
    CDialog dlg(4242);
    EXPECT_EQ(-1, dlg.DoModal());
}

TEST(Dialog, ModelessDialogRoutesOkAndCancelToItsHandlers)
{
    CTestDialog dlg;
    dlg.endOnOk = false;
    ASSERT_TRUE(dlg.Create(IDD_FRAMEWORK_TEST));
    EXPECT_TRUE(dlg.initialised);
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.GetDlgItem(IDOK)));
    EXPECT_EQ(1, dlg.okPressed);
    EXPECT_TRUE(dlg.IsWindow());
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(1, dlg.cancelPressed);
    EXPECT_FALSE(dlg.IsWindow()) << "a modeless dialog ended by Cancel is destroyed";
}

TEST(Dialog, JapaneseTextsFromTheStringTableShowInTheDialog)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_FRAMEWORK_TEST));
    // 設定ダイアログ and the label, as code page 932 bytes.
    EXPECT_EQ("\x90\xDD\x92\xE8\x83\x5F\x83\x43\x83\x41\x83\x8D\x83\x4F", dlg.GetWindowText());
    EXPECT_EQ("\x83\x5C\x83\x74\x83\x67\x95\x5C\x8E\xA6\x94\x5C\x97\xCD\x20\xB1\xB2\xB3\xB4\xB5\x20\x82\x50\x81\x60\x82\x51\x81\x5C\x82\x52",
              dlg.GetDlgItemText(IDC_TEST_STATIC));
    dlg.SetWindowPos(nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dlg.ShowWindow(SW_SHOW);
    dlg.UpdateWindow();
    ASSERT_TRUE(nvtest::PumpUntil([&] { return dlg.IsWindowVisible() != FALSE; }));
    nvtest::PumpPending();
    std::string shot = nvtest::SaveWindowScreenshot(dlg.m_hWnd, "framework_japanese_dialog");
    if (!nvtest::Env("DISPLAY").empty() && !nvtest::Env("NV_SCREENSHOT_DIR").empty()) {
        ASSERT_FALSE(shot.empty());
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(::GetFileAttributesExA(shot.c_str(), GetFileExInfoStandard, &data));
        EXPECT_GT(data.nFileSizeLow, 1000u);
    }
    dlg.DestroyWindow();
}

} // namespace
