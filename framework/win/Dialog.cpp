#include "framework/win/Dialog.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, OnInitDialogMessage)
END_MESSAGE_MAP()

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE; // the dialog manager's default processing
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || dialog->m_hWnd)
        return TRUE;
    // From here on the framework's window procedure runs first and hands everything it does not
    // handle to the dialog manager's procedure, which calls back here and gets FALSE.
    dialog->SubclassWindow(hWnd);
    return dialog->DispatchSafely(WM_INITDIALOG, 0, 0);
}

LRESULT CDialog::OnInitDialogMessage(WPARAM, LPARAM) { return OnInitDialog(); }

HWND CDialog::CreateFromTemplate(HWND parent)
{
    LPARAM self = reinterpret_cast<LPARAM>(this);
    if (m_memoryTemplate) {
        return ::CreateDialogIndirectParamA(AfxGetResourceHandle(),
                                            static_cast<const DLGTEMPLATE*>(m_memoryTemplate), parent,
                                            &CDialog::DialogProc, self);
    }
    return ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_templateId), parent, &CDialog::DialogProc,
                                self);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    if (m_hWnd)
        return FALSE;
    m_templateId = templateId;
    m_memoryTemplate = nullptr;
    if (parent)
        m_parent = parent;
    return CreateFromTemplate(m_parent ? m_parent->m_hWnd : nullptr) != nullptr;
}

BOOL CDialog::CreateIndirect(const void* dialogTemplate, CWnd* parent)
{
    if (m_hWnd || !dialogTemplate)
        return FALSE;
    m_memoryTemplate = dialogTemplate;
    if (parent)
        m_parent = parent;
    return CreateFromTemplate(m_parent ? m_parent->m_hWnd : nullptr) != nullptr;
}

void CDialog::InitModalIndirect(const void* dialogTemplate, CWnd* parent)
{
    m_memoryTemplate = dialogTemplate;
    if (parent)
        m_parent = parent;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    HWND parent = m_parent ? m_parent->m_hWnd : nullptr;
    bool parentWasEnabled = parent && ::IsWindowEnabled(parent);
    if (parentWasEnabled)
        ::EnableWindow(parent, FALSE);

    m_modalResult = -1;
    m_inModalLoop = true;
    HWND hWnd = CreateFromTemplate(parent);
    INT_PTR result = -1;
    if (hWnd) {
        result = RunModalLoop();
        // Enable the parent before the dialog goes so that activation returns to it.
        if (parentWasEnabled)
            ::EnableWindow(parent, TRUE);
        if (parent && ::GetActiveWindow() == m_hWnd)
            ::SetActiveWindow(parent);
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    } else if (parentWasEnabled) {
        ::EnableWindow(parent, TRUE);
    }
    m_inModalLoop = false;
    return result;
}

INT_PTR CDialog::RunModalLoop()
{
    // A dialog whose initialisation ended it never enters the loop.
    bool showWhenIdle = m_hWnd && !(GetStyle() & WS_VISIBLE);
    MSG msg;
    while (m_inModalLoop && m_hWnd) {
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            // Nothing is waiting: the framework shows a hidden modal dialog at its first idle moment.
            if (showWhenIdle) {
                showWhenIdle = false;
                ShowWindow(SW_SHOWNORMAL);
                UpdateWindow();
                continue;
            }
        }
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            // Hand the quit on to the loop outside this dialog.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!WalkPreTranslateTree(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return m_modalResult;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_modalResult = result;
    if (m_inModalLoop) {
        m_inModalLoop = false;
        // Wake the loop in case it is waiting.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    if (!m_hWnd)
        return FALSE;
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCmdMsg(UINT id, int code)
{
    if (CWnd::OnCmdMsg(id, code))
        return TRUE;
    if (code != 0)
        return FALSE;
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    // Keyboard navigation (Tab, arrows, Enter, Escape) for the dialog and its controls.
    if (m_hWnd && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
        (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)))
        return ::IsDialogMessageA(m_hWnd, msg);
    return FALSE;
}
