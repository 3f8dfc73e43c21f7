#include "framework/win/PropertySheet.h"

namespace {

// The sheet being created on this thread: the creation callback knows no pointer of its own.
thread_local CPropertySheet* t_creating = nullptr;

} // namespace

CPropertyPage::CPropertyPage(UINT templateId) : CDialog(templateId) {}

CPropertyPage::CPropertyPage(const void* dialogTemplate) : m_pageTemplate(dialogTemplate) {}

void CPropertyPage::FillPage(PROPSHEETPAGEA& page)
{
    page = PROPSHEETPAGEA();
    page.dwSize = sizeof page;
    page.hInstance = AfxGetResourceHandle();
    if (m_pageTemplate) {
        page.dwFlags = PSP_DLGINDIRECT;
        page.pResource = static_cast<LPCDLGTEMPLATEA>(m_pageTemplate);
    } else {
        page.dwFlags = PSP_DEFAULT;
        page.pszTemplate = MAKEINTRESOURCEA(m_templateId);
    }
    page.pfnDlgProc = &CPropertyPage::PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND window, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    // lParam is the system's copy of the page description; its lParam is the page object.
    const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto* page = description ? reinterpret_cast<CPropertyPage*>(description->lParam) : nullptr;
    if (!page || page->m_hWnd)
        return TRUE;
    page->SubclassWindow(window);
    return page->CallWndProc(WM_INITDIALOG, 0, 0);
}

LRESULT CPropertyPage::JumpTo(int index)
{
    if (m_sheet && index >= 0 && index < m_sheet->GetPageCount())
        ::PostMessageA(GetSheetWindow(), PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return -1;
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->hwndFrom != GetSheetWindow())
        return CDialog::OnNotify(wParam, lParam, result);
    LRESULT answer = 0;
    switch (header->code) {
    case PSN_SETACTIVE:
        answer = OnSetActive() ? 0 : -1;
        break;
    case PSN_KILLACTIVE:
        answer = OnKillActive() ? FALSE : TRUE;
        break;
    case PSN_WIZNEXT:
        answer = OnWizardNext();
        break;
    case PSN_WIZBACK:
        answer = OnWizardBack();
        break;
    case PSN_WIZFINISH:
        answer = OnWizardFinish() ? FALSE : TRUE;
        break;
    case PSN_QUERYCANCEL:
        answer = OnQueryCancel() ? FALSE : TRUE;
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, result);
    }
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, answer);
    *result = answer;
    return TRUE;
}

CPropertySheet::CPropertySheet(const char* caption, CWnd* parent) : m_caption(caption ? caption : ""), m_parentWnd(parent)
{
}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (!page)
        return;
    page->m_sheet = this;
    m_pages.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<std::size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const
{
    for (int i = 0; i < GetPageCount(); ++i) {
        if (m_pages[static_cast<std::size_t>(i)] == page)
            return i;
    }
    return -1;
}

int CALLBACK CPropertySheet::SheetCallback(HWND window, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED && t_creating && !t_creating->m_hWnd) {
        CPropertySheet* sheet = t_creating;
        sheet->SubclassWindow(window);
        sheet->OnInitDialog();
    }
    return 0;
}

INT_PTR CPropertySheet::DoModal()
{
    if (m_hWnd || m_pages.empty())
        return -1;
    std::vector<PROPSHEETPAGEA> descriptions(m_pages.size());
    std::vector<HPROPSHEETPAGE> handles;
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        m_pages[i]->FillPage(descriptions[i]);
        HPROPSHEETPAGE handle = ::CreatePropertySheetPageA(&descriptions[i]);
        if (!handle) {
            for (HPROPSHEETPAGE made : handles)
                ::DestroyPropertySheetPage(made);
            return -1;
        }
        handles.push_back(handle);
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_USECALLBACK | (m_wizard ? PSH_WIZARD : 0);
    header.hwndParent = m_parentWnd ? m_parentWnd->m_hWnd : nullptr;
    header.hInstance = AfxGetResourceHandle();
    header.pszCaption = m_caption.GetString();
    header.nPages = static_cast<UINT>(handles.size());
    header.phpage = handles.data();
    header.pfnCallback = &CPropertySheet::SheetCallback;
    CPropertySheet* outer = t_creating;
    t_creating = this;
    const INT_PTR result = ::PropertySheetA(&header);
    t_creating = outer;
    if (m_hWnd)
        UnsubclassWindow();
    for (CPropertyPage* page : m_pages) {
        if (page->m_hWnd)
            page->UnsubclassWindow();
    }
    return result;
}

void CPropertySheet::SetWizardButtons(DWORD flags)
{
    if (m_hWnd)
        ::PostMessageA(m_hWnd, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

BOOL CPropertySheet::SetActivePage(int index)
{
    if (!m_hWnd || index < 0 || index >= GetPageCount())
        return FALSE;
    return static_cast<BOOL>(::SendMessageA(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int CPropertySheet::GetActiveIndex() const
{
    if (!m_hWnd)
        return -1;
    HWND page = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    for (int i = 0; i < GetPageCount(); ++i) {
        if (m_pages[static_cast<std::size_t>(i)]->m_hWnd == page)
            return i;
    }
    return -1;
}

void CPropertySheet::PressButton(int button)
{
    if (m_hWnd)
        ::PostMessageA(m_hWnd, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}
