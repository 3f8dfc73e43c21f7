// CDialog: a dialog from a template in the resources (or in memory), modal or modeless.
// The modal loop is the framework's own: every message goes through PreTranslateMessage of its
// window and that window's parents before it is dispatched, as for modeless dialogs.
#pragma once

#include "framework/win/DataExchange.h"
#include "framework/win/Wnd.h"

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

    // Modal: runs until EndDialog and returns its result, or -1 when the dialog can't be created.
    virtual INT_PTR DoModal();
    // Modeless.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    BOOL CreateIndirect(const void* dialogTemplate, CWnd* parent = nullptr);
    // Uses an in-memory template (DLGTEMPLATE or DLGTEMPLATEEX) instead of a resource.
    void InitModalIndirect(const void* dialogTemplate, CWnd* parent = nullptr);
    void EndDialog(INT_PTR result);

    // The base fills the controls from the members (UpdateData(FALSE)).
    virtual BOOL OnInitDialog();
    // The base reads the controls back (UpdateData(TRUE)) and ends the dialog with IDOK only
    // when that succeeds; otherwise the dialog stays, the focus on the control that failed.
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* msg) override;

    // TRUE: controls to members, checked; FALSE: members to controls. Returns FALSE when a
    // check failed (the user was told and the control has the focus).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // Lists the dialog's exchanges (DDX_ and DDV_ calls); the base has none.
    virtual void DoDataExchange(CDataExchange* dx) { (void)dx; }

    UINT GetTemplateId() const { return m_templateId; }
    CWnd* GetParentWnd() const { return m_parent; }
    bool IsModalLoopRunning() const { return m_inModalLoop; }

    DECLARE_MESSAGE_MAP()

protected:
    BOOL OnCmdMsg(UINT id, int code) override;
    LRESULT OnInitDialogMessage(WPARAM, LPARAM);

    UINT m_templateId = 0;
    CWnd* m_parent = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND parent);
    INT_PTR RunModalLoop();

    const void* m_memoryTemplate = nullptr;
    bool m_inModalLoop = false;
    INT_PTR m_modalResult = -1;
};
