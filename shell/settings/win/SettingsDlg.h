// CSettingsDlg: the program's settings window — a skinned modal dialog with six tab buttons, each
// showing one page, and OK, Cancel and close buttons. OK asks what may keep it open (charge
// information, a running connection check) before any page stores, then every page stores in a
// fixed order; Cancel has every page undo what it changed.
#pragma once

#include "shell/settings/win/SettingsPages.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/TabbedDlg.h"

class CSettingsDlg : public CTabbedDlg {
public:
    static constexpr int kTabCount = settingsrules::kPageCount;
    // Where the dialog places its pages and buttons.
    static constexpr int kPageX = 12, kPageY = 56, kPageWidth = 419, kPageHeight = 208;
    static constexpr int kButtonsY = 268, kTabsX = 16, kTabsY = 34, kExtraWidth = 80;

    CSettingsDlg(CWnd* parent, int initialPage, ISettingsHost& host);
    ~CSettingsDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Shows the page (0..5) with exactly its tab pressed; another index shows none.
    void SelectPage(int index);
    // All six tabs enabled or not; an index below 6 is shown pressed.
    void EnableTabs(bool enable, int index);
    // The user-information page shows the account again.
    void RefreshNetworkInfo();
    // The connection check has unwound: an end asked for during it runs now.
    void OnCheckFinished();
    bool IsEnding() const { return m_pendingEnd != 0; }

    int GetSelectedPage() const { return m_selected; }
    CSkinButton& TabButton(int index) { return m_tabs[index]; }
    CSettingsPage* Page(int index) const { return m_pages[index]; }
    ISettingsHost& Host() { return m_host; }

    // The messaging page's results for the caller: play a sound, and which.
    bool m_resultPlaySound = false;
    CString m_resultWaveFile;

    DECLARE_MESSAGE_MAP()

protected:
    LRESULT OnAccountChanged(WPARAM, LPARAM);
    LRESULT OnNcHitTest(POINT point);
    void Finish(bool ok);
    void Layout();

private:
    int m_initialPage;
    ISettingsHost& m_host;
    CSettingsPage* m_pages[kTabCount] = {};
    CSkinButton m_close, m_ok, m_cancel;
    CSkinButton m_tabs[kTabCount];
    int m_selected = -1;
    INT_PTR m_pendingEnd = 0;
};
