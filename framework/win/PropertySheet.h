// CPropertySheet and CPropertyPage: the system's property sheet (comctl32), modal, optionally in
// wizard mode, with pages that are framework dialogs. A page learns of the sheet's notifications
// through virtual handlers; a wizard page moves on by default, stays with -1, or jumps to any page
// by index (JumpTo). The sheet's own window is subclassed once it exists (OnInitDialog).
#pragma once

#include "framework/win/Dialog.h"

#include <commctrl.h>
#include <prsht.h>

#include <vector>

class CPropertySheet;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId);
    // A page from an in-memory template (DLGTEMPLATE or DLGTEMPLATEEX).
    explicit CPropertyPage(const void* dialogTemplate);

    CPropertySheet* GetSheet() const { return m_sheet; }
    HWND GetSheetWindow() const { return m_hWnd ? ::GetParent(m_hWnd) : nullptr; }

    // Notifications. OnSetActive: FALSE refuses the page. OnWizardNext and OnWizardBack: 0 goes
    // on to the neighbouring page, -1 stays, JumpTo(index) goes to that page. OnWizardFinish:
    // FALSE keeps the wizard open. OnQueryCancel: FALSE keeps the sheet open.
    virtual BOOL OnSetActive() { return TRUE; }
    virtual BOOL OnKillActive() { return TRUE; }
    virtual LRESULT OnWizardNext() { return 0; }
    virtual LRESULT OnWizardBack() { return 0; }
    virtual BOOL OnWizardFinish() { return TRUE; }
    virtual BOOL OnQueryCancel() { return TRUE; }

    // The result of a step handler that moves the wizard to the page at index.
    LRESULT JumpTo(int index);

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void FillPage(PROPSHEETPAGEA& page);

    const void* m_pageTemplate = nullptr;
    CPropertySheet* m_sheet = nullptr;
};

class CPropertySheet : public CWnd {
public:
    explicit CPropertySheet(const char* caption, CWnd* parent = nullptr);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyPage* page) const;
    void SetWizardMode() { m_wizard = true; }
    bool IsWizardMode() const { return m_wizard; }

    // Runs the sheet; the system's result (in wizard mode: non-zero after Finish, 0 after Cancel),
    // -1 when it could not be shown.
    INT_PTR DoModal();
    // Called once the sheet's window exists, before the first page is shown.
    virtual BOOL OnInitDialog() { return TRUE; }

    // The wizard buttons (PSWIZB_BACK, PSWIZB_NEXT, PSWIZB_FINISH, PSWIZB_DISABLEDFINISH), posted
    // as the system asks.
    void SetWizardButtons(DWORD flags);
    BOOL SetActivePage(int index);
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const { return GetPage(GetActiveIndex()); }
    void PressButton(int button);

    // The wizard's standard buttons.
    static constexpr int kBackButton = 0x3023;   // 12323
    static constexpr int kNextButton = 0x3024;   // 12324
    static constexpr int kFinishButton = 0x3025; // 12325

private:
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);

    CString m_caption;
    CWnd* m_parentWnd;
    std::vector<CPropertyPage*> m_pages;
    bool m_wizard = false;
};
