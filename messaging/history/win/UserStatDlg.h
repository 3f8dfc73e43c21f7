// CUserStatDlg: the modal mood window (template 833, "general.bmp"): nine radio buttons, each with
// its icon and label, laid out in rows from the skin's rectangle of the first radio. OK replaces the
// whole status word with the chosen mood's value; the caller announces it.
#pragma once

#include "messaging/history/HistoryHost.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

class CUserStatDlg : public CSkinFrameDialog {
public:
    explicit CUserStatDlg(CWnd* parent, IHistoryHost& host = messaging::HistoryHost());
    ~CUserStatDlg() override;

    // The mood whose radio is on, or -1.
    int CheckedMood() const;
    // Checks one mood's radio, unchecks the others and focuses it.
    void ChooseMood(int index);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // Enter and Escape alone do nothing.
    void OnOK() override {}
    void OnCancel() override {}

private:
    bool LayoutControls();
    void PlaceWindow();

    IHistoryHost& m_host;
    CSkinButton m_ok, m_cancel, m_close;
};
