// CPropertySheet and CPropertyPage on the system's property sheet: the wizard's buttons as pages
// set them, notifications in order, staying on a page, jumping to a page by index, finishing,
// a child dialog inside a page, and cancelling a plain sheet. Each run is driven by a timer that
// moves on only when the sheet has reached the state the step waits for.
#include "framework/win/DialogTemplate.h"
#include "framework/win/PropertySheet.h"

#include "tests/support/CallbackProc.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::string g_log;

CDialogTemplateEx PageTemplate(const char* label)
{
    CDialogTemplateEx t(WS_CHILD | DS_CONTROL | DS_SETFONT, 0, 200, 100, "MS Shell Dlg", 9, DEFAULT_CHARSET, label);
    t.AddItem("STATIC", label, WS_CHILD | WS_VISIBLE, 10, 10, 100, 10, 1001);
    return t;
}

class CStepPage : public CPropertyPage {
public:
    CStepPage(int index, const void* pageTemplate) : CPropertyPage(pageTemplate), m_index(index) {}
    BOOL OnSetActive() override
    {
        ++m_activations;
        g_log += std::to_string(m_index) + "+ ";
        if (m_onSetActive)
            m_onSetActive(*this);
        return TRUE;
    }
    LRESULT OnWizardNext() override
    {
        g_log += std::to_string(m_index) + "> ";
        return m_next ? m_next(*this) : 0;
    }
    LRESULT OnWizardBack() override
    {
        g_log += std::to_string(m_index) + "< ";
        return 0;
    }
    BOOL OnWizardFinish() override
    {
        g_log += std::to_string(m_index) + "! ";
        return TRUE;
    }
    BOOL OnQueryCancel() override
    {
        g_log += std::to_string(m_index) + "? ";
        return ++m_cancelQueries > 1; // the first Cancel is refused
    }
    int m_index;
    int m_activations = 0;
    int m_cancelQueries = 0;
    std::function<void(CStepPage&)> m_onSetActive;
    std::function<LRESULT(CStepPage&)> m_next;
};

// A script of steps: each waits for its condition, then acts. The timer ends the sheet when the
// deadline passes, so a broken run fails instead of hanging.
struct Script {
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    std::vector<Step> steps;
    std::size_t next = 0;
    DWORD deadline = 0;
    HWND sheet = nullptr;
    std::string failure;
};

Script* g_script = nullptr;

void RunScript(CPropertySheet& sheet, Script& script, INT_PTR* result)
{
    g_script = &script;
    script.deadline = ::GetTickCount() + 20000;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 30, nvtest::AsTimerProc([](HWND, UINT, UINT_PTR, DWORD) {
        Script& s = *g_script;
        if (s.next >= s.steps.size())
            return;
        if (::GetTickCount() > s.deadline) {
            s.failure = "step " + std::to_string(s.next) + " never became ready; log: " + g_log;
            s.next = s.steps.size();
            HWND window = ::FindWindowA(nullptr, "sheet under test");
            if (window)
                ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        if (s.steps[s.next].ready()) {
            auto act = s.steps[s.next].act;
            ++s.next;
            act();
        }
    }));
    *result = sheet.DoModal();
    ::KillTimer(nullptr, timer);
    g_script = nullptr;
}

bool Enabled(CPropertySheet& sheet, int id)
{
    HWND button = ::GetDlgItem(sheet.m_hWnd, id);
    return button && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
}

} // namespace

TEST(PropertySheetWizard, WizardButtonsJumpsStaysAndFinish)
{
    g_log.clear();
    CDialogTemplateEx t0 = PageTemplate("first"), t1 = PageTemplate("second"), t2 = PageTemplate("third");
    CDialogTemplateEx child(WS_CHILD | WS_VISIBLE | DS_CONTROL | DS_SETFONT, 0, 80, 30, "MS Shell Dlg", 9, DEFAULT_CHARSET);
    child.AddItem("EDIT", "inside", WS_CHILD | WS_VISIBLE | WS_BORDER, 2, 2, 60, 12, 2001);
    CStepPage p0(0, t0.Data()), p1(1, t1.Data()), p2(2, t2.Data());
    CDialog childDialog;
    CPropertySheet sheet("sheet under test");
    sheet.AddPage(&p0);
    sheet.AddPage(&p1);
    sheet.AddPage(&p2);
    sheet.SetWizardMode();
    p0.m_onSetActive = [&](CStepPage&) { sheet.SetWizardButtons(PSWIZB_NEXT); };
    p0.m_next = [](CStepPage& page) { return page.JumpTo(2); };
    int p1Nexts = 0;
    p1.m_onSetActive = [&](CStepPage& page) {
        sheet.SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
        if (!childDialog.m_hWnd)
            childDialog.CreateIndirect(child.Data(), &page);
    };
    p1.m_next = [&](CStepPage&) { return ++p1Nexts == 1 ? LRESULT(-1) : LRESULT(0); };
    p2.m_onSetActive = [&](CStepPage& page) {
        sheet.SetWizardButtons(PSWIZB_BACK | (page.m_activations == 1 ? PSWIZB_DISABLEDFINISH : PSWIZB_FINISH));
    };
    Script script;
    script.steps = {
        {[&] { return sheet.m_hWnd && sheet.GetActiveIndex() == 0 && Enabled(sheet, CPropertySheet::kNextButton) &&
                      !Enabled(sheet, CPropertySheet::kBackButton); },
         [&] { sheet.PressButton(PSBTN_NEXT); }},
        // The first page jumped over the second.
        {[&] { return sheet.GetActiveIndex() == 2 && !Enabled(sheet, CPropertySheet::kFinishButton) &&
                      Enabled(sheet, CPropertySheet::kBackButton); },
         [&] { sheet.PressButton(PSBTN_BACK); }},
        {[&] { return sheet.GetActiveIndex() == 1 && childDialog.m_hWnd != nullptr; },
         [&] { sheet.PressButton(PSBTN_NEXT); }},
        // Next refused once: the page stays.
        {[&] { return p1Nexts == 1 && sheet.GetActiveIndex() == 1; }, [&] { sheet.PressButton(PSBTN_NEXT); }},
        {[&] { return sheet.GetActiveIndex() == 2 && Enabled(sheet, CPropertySheet::kFinishButton); },
         [&] { sheet.PressButton(PSBTN_FINISH); }},
    };
    INT_PTR result = -1;
    RunScript(sheet, script, &result);
    EXPECT_EQ("", script.failure);
    EXPECT_EQ(script.steps.size(), script.next);
    EXPECT_NE(0, result) << "finished, not cancelled";
    EXPECT_EQ("0+ 0> 2+ 2< 1+ 1> 1> 2+ 2! ", g_log);
    EXPECT_EQ(nullptr, sheet.m_hWnd) << "the sheet's window is released when it ends";
}

TEST(PropertySheetWizard, APlainSheetAsksItsPageBeforeCancelling)
{
    g_log.clear();
    CDialogTemplateEx t0 = PageTemplate("only");
    CStepPage page(0, t0.Data());
    CPropertySheet sheet("sheet under test");
    sheet.AddPage(&page);
    Script script;
    script.steps = {
        {[&] { return sheet.m_hWnd && sheet.GetActiveIndex() == 0; }, [&] { sheet.PressButton(PSBTN_CANCEL); }},
        {[&] { return page.m_cancelQueries == 1 && ::IsWindow(sheet.m_hWnd); }, [&] { sheet.PressButton(PSBTN_CANCEL); }},
    };
    INT_PTR result = -1;
    RunScript(sheet, script, &result);
    EXPECT_EQ("", script.failure);
    EXPECT_EQ(0, result);
    EXPECT_EQ(2, page.m_cancelQueries);
    EXPECT_EQ("0+ 0? 0? ", g_log);
}

TEST(PropertySheetWizard, ASheetWithoutPagesIsNotShown)
{
    CPropertySheet sheet("empty");
    EXPECT_EQ(-1, sheet.DoModal());
}
