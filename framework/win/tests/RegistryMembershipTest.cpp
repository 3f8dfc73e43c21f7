// A window with a kind is a member of the window registry exactly while its window exists and
// its object is bound to it, whichever way it was made (own class, dialog, subclassed control)
// and whichever way it goes; the window's own classes need do nothing for it.
#include "framework/win/Dialog.h"
#include "framework/win/Wnd.h"

#include "framework/win/tests/FrameworkTestIds.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

namespace {

enum : WindowKind { kPlain = 0x300, kDialog, kControl };

class CPlainWnd : public CWnd {
public:
    BOOL Create()
    {
        return CreateEx(0, RegisterWindowClass("NvTestMemberWnd"), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
};

// Deletes itself after its window has gone, and looks at the registry when it does.
class CSelfDeletingMember : public CPlainWnd {
public:
    explicit CSelfDeletingMember(bool* memberAtPostNcDestroy) : m_memberAtPostNcDestroy(memberAtPostNcDestroy) {}
    void PostNcDestroy() override
    {
        *m_memberAtPostNcDestroy = Registry().Contains(this);
        delete this;
    }

private:
    bool* m_memberAtPostNcDestroy;
};

class CMemberDialog : public CDialog {
public:
    CMemberDialog() : CDialog(IDD_FRAMEWORK_TEST, nullptr) { JoinRegistry(kDialog, "dialog"); }
    bool memberDuringInit = false;
    BOOL OnInitDialog() override
    {
        memberDuringInit = Registry().Find(kDialog) == this;
        return CDialog::OnInitDialog();
    }
    void OnOK() override { DestroyWindow(); }
};

TEST(RegistryMembership, AWindowIsAMemberFromCreationToDestruction)
{
    CPlainWnd plain;
    plain.JoinRegistry(kPlain);
    EXPECT_FALSE(CWnd::Registry().Contains(&plain)) << "no window yet";
    ASSERT_TRUE(plain.Create());
    EXPECT_EQ(&plain, CWnd::Registry().Find(kPlain));
    plain.DestroyWindow();
    EXPECT_FALSE(CWnd::Registry().Contains(&plain));
    ASSERT_TRUE(plain.Create());
    EXPECT_EQ(&plain, CWnd::Registry().Find(kPlain)) << "a new window of the same object joins again";
    plain.LeaveRegistry();
    EXPECT_FALSE(CWnd::Registry().Contains(&plain)) << "left while its window still exists";
    plain.DestroyWindow();
    EXPECT_TRUE(CWnd::Registry().IsEmpty());
}

TEST(RegistryMembership, ASelfDeletingWindowHasLeftBeforeItsPostNcDestroy)
{
    bool memberAtPostNcDestroy = true;
    auto* window = new CSelfDeletingMember(&memberAtPostNcDestroy);
    window->JoinRegistry(kPlain);
    ASSERT_TRUE(window->Create());
    ASSERT_EQ(window, CWnd::Registry().Find(kPlain));
    window->PostMessage(WM_CLOSE); // the default procedure destroys it
    EXPECT_TRUE(nvtest::PumpUntil([] { return CWnd::Registry().IsEmpty(); }));
    EXPECT_FALSE(memberAtPostNcDestroy);
}

TEST(RegistryMembership, DialogsAndSubclassedControlsJoinWhenBoundAndLeaveWhenTheyGo)
{
    auto* dialog = new CMemberDialog;
    ASSERT_TRUE(dialog->Create(IDD_FRAMEWORK_TEST));
    EXPECT_TRUE(dialog->memberDuringInit) << "a dialog is a member from WM_INITDIALOG on";
    EXPECT_EQ(dialog, CWnd::Registry().FindByName("dialog"));

    CWnd edit;
    edit.JoinRegistry(kControl);
    ASSERT_TRUE(edit.SubclassDlgItem(IDC_TEST_EDIT, dialog));
    EXPECT_EQ(&edit, CWnd::Registry().Find(kControl));
    edit.UnsubclassWindow();
    EXPECT_FALSE(CWnd::Registry().Contains(&edit)) << "a window given back is no member";
    ASSERT_TRUE(edit.SubclassDlgItem(IDC_TEST_EDIT, dialog));

    dialog->SendMessage(WM_COMMAND, IDOK); // destroys the dialog and its edit control
    EXPECT_TRUE(CWnd::Registry().IsEmpty());
    delete dialog;
}

TEST(RegistryMembership, AnObjectDeletedBeforeItsWindowLeaves)
{
    HWND window;
    {
        CPlainWnd plain;
        plain.JoinRegistry(kPlain);
        ASSERT_TRUE(plain.Create());
        window = plain.GetSafeHwnd();
    }
    EXPECT_TRUE(CWnd::Registry().IsEmpty());
    EXPECT_FALSE(::IsWindow(window));
}

} // namespace
