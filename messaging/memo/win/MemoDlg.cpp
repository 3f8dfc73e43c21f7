#include "messaging/memo/win/MemoDlg.h"

#include "framework/win/WinApp.h"
#include "messaging/recv/MessageWindowHost.h"
#include "resources/StringIds.h"
#include "toolkit/win/SkinHost.h"

#include <richedit.h>

#include <vector>

namespace {

IMemoHost* g_memoHost = nullptr;

struct ButtonSpec {
    UINT id;
    const char* strip;
};
constexpr ButtonSpec kButtons[] = {
    {IDC_MEMO_CLOSE, "vyrntalk_log_cls.bmp"},
    {IDC_MEMO_OK, "prepaid_ok.bmp"},
    {IDC_MEMO_CANCEL, "prepaid_cancel.bmp"},
};

std::uintptr_t Handle(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

} // namespace

void SetMemoHost(IMemoHost* host) { g_memoHost = host; }

BEGIN_MESSAGE_MAP(CMemoDlg, CSkinFrameDialog)
    ON_BN_CLICKED(IDC_MEMO_OK, OnOkButton)
    ON_BN_CLICKED(IDC_MEMO_CANCEL, OnCloseButton)
    ON_BN_CLICKED(IDC_MEMO_CLOSE, OnCloseButton)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CMemoDlg::CMemoDlg(CWnd* parent, IMemoStore& store) : CSkinFrameDialog(IDD_MEMO, parent), m_store(store), m_parent(parent)
{
    m_style = kModeFree | kResizeHeight | kResizeWidth;
}

void CMemoDlg::SetPartner(const CString& commId, const CString& name)
{
    m_commId = commId;
    m_name = name;
}

BOOL CMemoDlg::Create()
{
    if (!LoadSkin("general.bmp", TRUE))
        return FALSE;
    return CSkinFrameDialog::Create(IDD_MEMO, m_parent);
}

void CMemoDlg::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    delete this;
}

BOOL CMemoDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->AddFloatingWindow(this);
    CSkinFrameDialog::OnInitDialog();
    for (const ButtonSpec& spec : kButtons) {
        CSkinButton* button = spec.id == IDC_MEMO_OK ? &m_ok : spec.id == IDC_MEMO_CANCEL ? &m_cancel : &m_close;
        button->SubclassDlgItem(spec.id, this);
    }
    if (!HasSkin() || !SetupControls(true))
        return FALSE;
    PlaceFromSkin(IDD_MEMO);
    // The saved corner, kept inside the work area; centred when there is none.
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int savedX = -1, savedY = -1;
    if (CWinApp* app = AfxGetApp()) {
        savedX = static_cast<int>(app->GetProfileInt("Location", "MemoX", -1));
        savedY = static_cast<int>(app->GetProfileInt("Location", "MemoY", -1));
    }
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    int x = 0, y = 0;
    PlaceMemoWindow(savedX, savedY, MemoRect{work.left, work.top, work.right, work.bottom}, window.right - window.left,
                    window.bottom - window.top, &x, &y);
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    messaging::Opener().AddTrayWindow(Handle(m_hWnd));
    if (g_memoHost)
        g_memoHost->AddMemoWindow(Handle(m_hWnd));
    ::SetWindowTextA(m_text.m_hWnd, m_commId.IsEmpty() ? "" : m_store.GetUserMemo(m_commId).GetString());
    ShowWindow(SW_SHOWNA);
    ::SetDlgItemTextA(m_hWnd, IDC_MEMO_NAME, m_name);
    return TRUE;
}

BOOL CMemoDlg::SetupControls(bool initial)
{
    for (const ButtonSpec& spec : kButtons) {
        CSkinButton* button = spec.id == IDC_MEMO_OK ? &m_ok : spec.id == IDC_MEMO_CANCEL ? &m_cancel : &m_close;
        if (!button->SetBitmap(spec.strip, 4))
            return FALSE;
    }
    if (initial) {
        RECT none = {0, 0, 0, 0};
        if (!m_text.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                           none, this, IDC_MEMO_EDIT))
            return FALSE;
        m_text.SendMessage(EM_EXLIMITTEXT, 0, kMemoTextLimit);
    }
    for (UINT id : {IDC_MEMO_CLOSE, IDC_MEMO_OK, IDC_MEMO_CANCEL, IDC_MEMO_NAME, IDC_MEMO_EDIT}) {
        RECT rect;
        const int anchor = toolkit::Skins().GetControlRect(id, &rect);
        HWND control = GetDlgItem(static_cast<int>(id));
        if (!control)
            return FALSE;
        if (!::IsRectEmpty(&rect))
            ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        SetControlAnchor(id, anchor);
    }
    return TRUE;
}

BOOL CMemoDlg::ApplySkin()
{
    if (!ReloadSkin("general.bmp"))
        return FALSE;
    if (!SetupControls(false))
        return FALSE;
    PlaceFromSkin(IDD_MEMO);
    return TRUE;
}

CString CMemoDlg::GetText()
{
    GETTEXTLENGTHEX lengthQuery = {GTL_USECRLF | GTL_PRECISE | GTL_NUMBYTES, 932};
    const LRESULT length = m_text.SendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
    if (length <= 0)
        return CString();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 2, '\0');
    GETTEXTEX query = {};
    query.cb = static_cast<DWORD>(buffer.size());
    query.flags = GT_USECRLF;
    query.codepage = 932;
    m_text.SendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(buffer.data()));
    return CString(buffer.data());
}

void CMemoDlg::OnOkButton()
{
    if (SaveMemo(m_store, m_commId, m_name, GetText()) == MemoSaveResult::Failed) {
        // The text stays in the open window.
        if (g_memoHost)
            g_memoHost->ShowNotice(IDS_MEMO_STORE_FAILED, Handle(m_hWnd));
        else {
            CString text;
            text.LoadString(IDS_MEMO_STORE_FAILED);
            ::MessageBoxA(m_hWnd, text, "", MB_ICONWARNING);
        }
        return;
    }
    OnCloseButton();
}

void CMemoDlg::Leave()
{
    if (m_left)
        return;
    m_left = true;
    if (CSkinFrameDialog* leader = Leader())
        leader->RemoveFloatingWindow(this);
    messaging::Opener().RemoveTrayWindow(Handle(m_hWnd));
    if (g_memoHost)
        g_memoHost->RemoveMemoWindow(Handle(m_hWnd));
}

void CMemoDlg::OnCloseButton()
{
    Leave();
    CloseLater();
}

void CMemoDlg::OnDestroy()
{
    RECT window;
    if (::GetWindowRect(m_hWnd, &window)) {
        if (CWinApp* app = AfxGetApp()) {
            app->WriteProfileInt("Location", "MemoX", window.left);
            app->WriteProfileInt("Location", "MemoY", window.top);
        }
    }
    Leave();
    CSkinFrameDialog::OnDestroy();
}
