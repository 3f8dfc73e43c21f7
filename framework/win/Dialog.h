// CDialog: a dialog from a template in the resources (or in memory), modal or modeless.
// The modal loop is the framework's own: every message goes through PreTranslateMessage of its
// window and that window's parents before it is dispatched, as for modeless dialogs.
#pragma once

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

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* msg) override;

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
