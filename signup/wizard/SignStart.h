// CSignStart: the sign-up wizard (a property sheet in wizard mode whose page area is 476 x 380
// pixels) and its seven pages: mode and connection, terms of use, user data, confirmation and
// the sign-up request, login data, account verification with the communication ID, and the
// resulting connection information. CSignupWizard runs it for the application object.
#pragma once

#include "framework/win/PropertySheet.h"
#include "framework/win/ToolTipCtrl.h"
#include "net/dialup/DialupDetailDlg.h"
#include "signup/app/SignupApp.h"
#include "signup/app/TermsDownload.h"
#include "signup/app/ZipCodeLoader.h"
#include "signup/core/SignupRequests.h"
#include "signup/wizard/SignWizardIds.h"
#include "signup/wizard/SystemBrowser.h"

#include <string>

class CSignStart;

// One row of a page's label table: a read-only rich-edit control, its text and its look. Height
// and offset are pixels at 96 dots per inch.
struct SignLabelRow {
    int controlId;
    UINT textId;
    COLORREF color;
    int height;
    int offset;
    DWORD effects;
    const char* face;
    COLORREF background;
};

class CSignPage : public CPropertyPage {
public:
    CSignPage(UINT templateId, CSignStart& sheet, CSignupApp& app) : CPropertyPage(templateId), m_wizard(sheet), m_app(app) {}
    // The page, its labels and buttons on the wizard's background colour.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // Moves the page to the sheet's page area.
    void PlaceInSheet();
    CSignStart& m_wizard;
    CSignupApp& m_app;
};

class CSignStep1Top : public CSignPage {
public:
    CSignStep1Top(CSignStart& sheet, CSignupApp& app);
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    CDialupDetailDlg& DialSettings() { return m_dial; }

private:
    bool CreateDialSettings();
    void ShowConnection(bool lan);
    void UpdateProxyControls();
    void ShowExplanation();
    bool LanChosen() const;
    bool ModemPossible() const;
    void ChooseLan();

    CDialupDetailDlg m_dial;
    CToolTipCtrl m_tips;
    bool m_firstShow = true;
};

class CSignStep2Agree : public CSignPage {
public:
    static constexpr UINT_PTR kLoadTimer = 51;
    CSignStep2Agree(CSignStart& sheet, CSignupApp& app) : CSignPage(IDD_SIGN_STEP2_AGREE, sheet, app) {}
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool TermsLoaded() const { return m_loaded; }

private:
    void LoadTerms();
    bool DownloadOnce();

    CTermsDownload m_download;
    bool m_loaded = false;
    int m_pieces = 0;
};

class CSignStep3User : public CSignPage {
public:
    CSignStep3User(CSignStart& sheet, CSignupApp& app);
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(CDataExchange* dx) override;

    // The fields from the stored record.
    void FillFromRecord(const SignupRecord& record);
    // The record the fields make, with the page's rules.
    SignupRecord RecordOfFields() const;
    CZipCodeLoader& ZipCodes() { return m_zip; }

    CString m_kana, m_kana2, m_name, m_name2, m_age, m_age2, m_age3, m_sex, m_zip1, m_zip2, m_address1, m_address2,
        m_tel, m_tel2, m_tel3, m_verk, m_verk2, m_verk3, m_entry, m_entry2;
    bool m_shownAgain = false;

private:
    void CheckComplete();
    void LookUpAddress();
    CZipCodeLoader m_zip;
};

class CSignStep4User : public CSignPage {
public:
    CSignStep4User(CSignStart& sheet, CSignupApp& app) : CSignPage(IDD_SIGN_STEP4_USER, sheet, app) {}
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
};

class CSignStep5Rest : public CSignPage {
public:
    CSignStep5Rest(CSignStart& sheet, CSignupApp& app) : CSignPage(IDD_SIGN_STEP5_REST, sheet, app) {}
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The fields from the account (when the sheet is built and on every display).
    void FillFromAccount();
    CString m_commName, m_loginId, m_password;
    bool m_shownAfterFailure = false;

private:
    void CheckComplete();
};

class CSignStep6Rest : public CSignPage {
public:
    CSignStep6Rest(CSignStart& sheet, CSignupApp& app) : CSignPage(IDD_SIGN_STEP6_REST, sheet, app) {}
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    // What the last verification gave (page 5 shows a failure).
    const CSignupRequests::Outcome& LastOutcome() const { return m_outcome; }
    // The text of a failed outcome: the page's message with the code, or the server's own text.
    CString FailureText(const CSignupRequests::Outcome& outcome) const;

private:
    CSignupRequests::Outcome m_outcome;
    bool m_firstAttempt = true;
};

class CSignStep7End : public CSignPage, public ISignupNewsWindow {
public:
    static constexpr UINT_PTR kCourseTimer = 52;
    CSignStep7End(CSignStart& sheet, CSignupApp& app) : CSignPage(IDD_SIGN_STEP7_END, sheet, app) {}
    ~CSignStep7End() override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The connection information from the account.
    void RefreshConnectionInfo();
    void OnConnectionInfoArrived() override { RefreshConnectionInfo(); }

private:
    void RunCourseChange();
    void Unregister();
};

class CSignStart : public CPropertySheet {
public:
    static constexpr int kPageWidth = 476;
    static constexpr int kPageHeight = 380;
    static constexpr COLORREF kBackground = 0xFF9F55;

    CSignStart(CSignupApp& app, ISystemBrowser* browser);
    ~CSignStart() override;

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The page area in the sheet's client co-ordinates.
    RECT PageArea() const;

    // Display operations of the pages (Back 12323, Next 12324, Cancel 2, Finish 12325).
    void SetAgreeLabels();
    void SetYesNoLabels();
    void SetBackNextLabels();
    void EnableButton(int id, bool enable);
    void ShowControl(int id, bool show);
    void EnableBackNext(bool enable);
    void SetLabelTable(CWnd& page, const SignLabelRow* rows, int count);
    void ShowText(HWND richEdit, const CString& text);
    void AppendProgress(HWND richEdit, UINT textId, long code);
    void SetItemText(CWnd& page, int id, UINT textId);
    // Ends the wizard as Cancel does, without asking.
    void EndWizard();

    CSignupApp& App() { return m_app; }
    ISystemBrowser* Browser() const { return m_browser; }
    HBRUSH Background() const { return m_background; }
    CSignStep1Top m_step1;
    CSignStep2Agree m_step2;
    CSignStep3User m_step3;
    CSignStep4User m_step4;
    CSignStep5Rest m_step5;
    CSignStep6Rest m_step6;
    CSignStep7End m_step7;

private:
    void Layout();
    void SetButtonText(int id, UINT textId);

    CSignupApp& m_app;
    ISystemBrowser* m_browser;
    HBRUSH m_background = nullptr;
    RECT m_pageArea{};
    bool m_laidOut = false;
};

// The wizard as the application runs it.
class CSignupWizard : public ISignupWizard {
public:
    // browser: how the course-change dialog reaches the system browser.
    explicit CSignupWizard(ISystemBrowser* browser) : m_browser(browser) {}
    INT_PTR Run(CSignupApp& app) override;
    HWND Window() const override { return m_sheet ? m_sheet->m_hWnd : nullptr; }
    void OnConnectionInfoArrived() override {}

private:
    ISystemBrowser* m_browser;
    CSignStart* m_sheet = nullptr;
};

CString SignText(UINT id);
