#include "shell/MainPage.h"

#include "shell/MainDlg.h"

bool CMainPage::Create(UINT id) { return m_control.CreateFromPlaceholder(&m_owner, id, this) != FALSE; }

void CMainPage::Move(const RECT& rect)
{
    if (m_control.GetSafeHwnd())
        m_control.MoveControl(rect);
}

void CMainPage::Navigate(const CString& address)
{
    if (m_control.GetSafeHwnd())
        m_control.Navigate(address);
}

IDispatch* CMainPage::GetApplication() { return m_control.GetSafeHwnd() ? m_control.GetApplication() : nullptr; }

void CMainPage::OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL* cancel)
{
    IDispatch* application = m_owner.OnNewWindow2(dispatch != nullptr && cancel != nullptr);
    if (dispatch)
        *dispatch = application;
    else if (application)
        application->Release();
}
