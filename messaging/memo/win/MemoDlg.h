// CMemoDlg: the memo window (template 790, "general.bmp", free and resizable): a free text that
// the user keeps about one partner, stored in the partner's row of the message database. Several
// may be open at once. A memo that can't be stored keeps its window open and says so.
#pragma once

#include "framework/win/Controls.h"
#include "messaging/memo/MemoFlow.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <cstdint>

constexpr long kMemoTextLimit = 64000;

// What the memo window needs of the application: its list of open memo windows and its message
// box. The program registers one; none registered: the lists are kept by nobody and the message
// box is the system's.
class IMemoHost {
public:
    virtual ~IMemoHost() = default;
    virtual void AddMemoWindow(std::uintptr_t window) = 0;
    virtual void RemoveMemoWindow(std::uintptr_t window) = 0;
    // A message box with a string-table text (warning).
    virtual void ShowNotice(unsigned stringId, std::uintptr_t owner) = 0;
};
void SetMemoHost(IMemoHost* host);

class CMemoDlg : public CSkinFrameDialog {
public:
    CMemoDlg(CWnd* parent, IMemoStore& store);
    void SetPartner(const CString& commId, const CString& name);
    // Loads the skin and creates the modeless window; FALSE on failure.
    BOOL Create();
    BOOL ApplySkin();
    CRichEditCtrl& GetTextControl() { return m_text; }
    CString GetText();

protected:
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    void OnOK() override { OnOkButton(); }
    void OnOkButton();
    void OnCloseButton();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    BOOL SetupControls(bool initial);
    void Leave();

    IMemoStore& m_store;
    CWnd* m_parent;
    CString m_commId;
    CString m_name;
    CRichEditCtrl m_text;
    CSkinButton m_ok, m_cancel, m_close;
    bool m_left = false;
};
