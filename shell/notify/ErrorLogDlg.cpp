#include "shell/notify/ErrorLogDlg.h"

#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/settings/ProfileStore.h"

#include "resources/StringIds.h"

#include <commctrl.h>

namespace {

constexpr COLORREF kListBackground = RGB(212, 208, 200);
constexpr int kKindWidth = 50;
constexpr int kTimeWidth = 120;
constexpr int kFixedWidths = kKindWidth + kTimeWidth;
// Anything larger is no error log of ours: it is not read (and the entries of this run still go
// to a new file).
constexpr DWORD kMaxFileBytes = 64 * 1024 * 1024;

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

bool ReadWholeFile(const CString& path, std::string& out)
{
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file, &high);
    bool ok = high == 0 && size != INVALID_FILE_SIZE && size <= kMaxFileBytes;
    if (ok) {
        out.resize(size);
        DWORD read = 0;
        ok = size == 0 || (::ReadFile(file, &out[0], size, &read, nullptr) && read == size);
    }
    ::CloseHandle(file);
    return ok;
}

// The new file is complete before it takes the old one's place.
bool ReplaceFile(const CString& path, const std::string& bytes)
{
    const CString temporary = path + ".tmp";
    HANDLE file = ::CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (!ok || !::MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temporary);
        return false;
    }
    return true;
}

CString ListText(HWND list, int item, int column)
{
    char buffer[4096];
    LVITEMA lv{};
    lv.iSubItem = column;
    lv.pszText = buffer;
    lv.cchTextMax = sizeof buffer;
    buffer[0] = 0;
    const int length = static_cast<int>(::SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv)));
    return CString(buffer, length < 0 ? 0 : length);
}

} // namespace

BEGIN_MESSAGE_MAP(CErrorLogDlg, CSkinFrameDialog)
ON_WM_SIZE()
ON_WM_TIMER()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_ERROR_LOG_CLOSE, OnCloseButton)
ON_BN_CLICKED(IDC_ERROR_LOG_DELETE, OnDeleteButton)
END_MESSAGE_MAP()

CErrorLogDlg::CErrorLogDlg(CWnd* parent, IErrorLogHost& host)
    : CSkinFrameDialog(IDD_ERROR_LOG, parent), m_host(host), m_parent(parent)
{
    m_style = kResizeWidth | kResizeHeight | kModeFree;
}

CErrorLogDlg::~CErrorLogDlg()
{
    if (m_images)
        ::ImageList_Destroy(m_images);
}

BOOL CErrorLogDlg::Create()
{
    if (!LoadSkin("general.bmp", TRUE))
        return FALSE;
    return CSkinFrameDialog::Create(IDD_ERROR_LOG, m_host.GetParentWindow());
}

errorlog::Labels CErrorLogDlg::Labels() const
{
    return errorlog::Labels{LoadText(IDS_ERROR_LOG_WARNING), LoadText(IDS_ERROR_LOG_INFORMATION),
                            LoadText(IDS_ERROR_LOG_CAUTION)};
}

bool CErrorLogDlg::LayOut()
{
    if (!m_closeButton.GetSafeHwnd() && !m_closeButton.SubclassDlgItem(IDC_ERROR_LOG_CLOSE, this))
        return false;
    if (!m_deleteButton.GetSafeHwnd() && !m_deleteButton.SubclassDlgItem(IDC_ERROR_LOG_DELETE, this))
        return false;
    if (!m_closeButton.SetBitmap("vyrntalk_log_cls.bmp", 4) || !m_deleteButton.SetBitmap("vyrntalk_log_delete.bmp", 4))
        return false;
    m_closeButton.PlaceFromSkin(IDC_ERROR_LOG_CLOSE);
    m_deleteButton.PlaceFromSkin(IDC_ERROR_LOG_DELETE);
    RECT r{};
    SetControlAnchor(IDC_ERROR_LOG_CLOSE, toolkit::Skins().GetControlRect(IDC_ERROR_LOG_CLOSE, &r));
    SetControlAnchor(IDC_ERROR_LOG_DELETE, toolkit::Skins().GetControlRect(IDC_ERROR_LOG_DELETE, &r));
    r = RECT{};
    const int anchor = toolkit::Skins().GetControlRect(IDC_ERROR_LOG_LIST, &r);
    if (r.right > r.left && r.bottom > r.top)
        ::MoveWindow(m_list, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    SetControlAnchor(IDC_ERROR_LOG_LIST, anchor);
    return true;
}

BOOL CErrorLogDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->AddFloatingWindow(this);
    CSkinFrameDialog::OnInitDialog();
    m_list = GetDlgItem(IDC_ERROR_LOG_LIST);
    if (!m_list || !HasSkin() || !LayOut()) {
        DestroyWindow();
        return FALSE;
    }
    ::SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_FLATSB,
                   LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    SetListCtrlColors(kListBackground, IDC_ERROR_LOG_LIST);

    m_tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetSafeHwnd(), nullptr, nullptr, nullptr);
    if (m_tooltip) {
        CString tip = LoadText(IDS_ERROR_LOG_DELETE_TIP);
        TOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = GetSafeHwnd();
        info.uId = reinterpret_cast<UINT_PTR>(m_deleteButton.GetSafeHwnd());
        info.lpszText = const_cast<char*>(tip.GetString());
        ::SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    DockFromSkin(IDD_ERROR_LOG);

    m_images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
    const UINT icons[] = {IDI_ERROR_LOG_WARNING, IDI_ERROR_LOG_INFORMATION, IDI_ERROR_LOG_CAUTION};
    for (UINT id : icons) {
        HICON icon = static_cast<HICON>(
            ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        ::ImageList_AddIcon(m_images, icon);
        if (icon)
            ::DestroyIcon(icon);
    }
    ::SendMessageA(m_list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_images));
    const UINT headings[] = {IDS_ERROR_LOG_KIND, IDS_ERROR_LOG_TIME, IDS_ERROR_LOG_MESSAGE};
    for (int i = 0; i < 3; ++i) {
        CString heading = LoadText(headings[i]);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(heading.GetString());
        column.cx = i == 0 ? kKindWidth : kTimeWidth;
        column.iSubItem = i;
        ::SendMessageA(m_list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    SetColumnWidths();

    m_logPath = m_host.GetLogFolder();
    if (!m_logPath.IsEmpty() && m_logPath[m_logPath.GetLength() - 1] != '\\')
        m_logPath += '\\';
    m_logPath += "errorlog.dat";
    LoadFile();
    m_deleteButton.EnableButton(TRUE);
    RestorePosition();
    m_host.OnErrorLogReady(this);
    return TRUE;
}

void CErrorLogDlg::SetColumnWidths()
{
    if (!m_list)
        return;
    RECT client;
    ::GetClientRect(m_list, &client);
    ::SendMessageA(m_list, LVM_SETCOLUMNWIDTH, 0, kKindWidth);
    ::SendMessageA(m_list, LVM_SETCOLUMNWIDTH, 1, kTimeWidth);
    ::SendMessageA(m_list, LVM_SETCOLUMNWIDTH, 2, client.right - client.left - kFixedWidths);
}

void CErrorLogDlg::LoadFile()
{
    std::string bytes;
    if (!ReadWholeFile(m_logPath, bytes))
        return;
    const auto entries = errorlog::Read(bytes.data(), bytes.size(), m_host.Now(), m_host.GetKeepDays(), Labels());
    ::SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(m_list, LVM_SETITEMCOUNT, entries.size(), LVSICF_NOINVALIDATEALL);
    int at = 0;
    for (const errorlog::Entry& entry : entries) {
        if (InsertRow(at, entry))
            ++at;
    }
    ::SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
}

bool CErrorLogDlg::InsertRow(int at, const errorlog::Entry& entry)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = at;
    item.pszText = const_cast<char*>(entry.label.GetString());
    item.iImage = entry.kind;
    item.lParam = entry.kind;
    const int index = static_cast<int>(::SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0)
        return false;
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>(entry.time.GetString());
    ::SendMessageA(m_list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
    sub.iSubItem = 2;
    sub.pszText = const_cast<char*>(entry.message.GetString());
    ::SendMessageA(m_list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
    return true;
}

BOOL CErrorLogDlg::AddEntry(unsigned flags, const CString& text)
{
    if (!m_list)
        return FALSE;
    errorlog::Entry entry;
    entry.kind = errorlog::KindForFlags(flags);
    entry.label = Labels().For(entry.kind);
    entry.time = errorlog::FormatTime(m_host.Now());
    entry.message = errorlog::OneLine(text);
    if (!InsertRow(0, entry))
        return FALSE;
    // Written soon, so a crash later in the run loses nothing of it.
    m_saveDue = true;
    SetTimer(kSaveTimer, kSaveDelayMs);
    return TRUE;
}

int CErrorLogDlg::GetEntryCount() const
{
    return m_list ? static_cast<int>(::SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::vector<errorlog::Entry> CErrorLogDlg::CollectRows() const
{
    std::vector<errorlog::Entry> rows;
    const int count = GetEntryCount();
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        errorlog::Entry e;
        e.label = ListText(m_list, i, 0);
        e.time = ListText(m_list, i, 1);
        e.message = ListText(m_list, i, 2);
        rows.push_back(std::move(e));
    }
    return rows;
}

BOOL CErrorLogDlg::SaveNow()
{
    m_saveDue = false;
    if (m_logPath.IsEmpty() || !m_list)
        return FALSE;
    return ReplaceFile(m_logPath, errorlog::Write(CollectRows())) ? TRUE : FALSE;
}

void CErrorLogDlg::OnTimer(UINT_PTR id)
{
    if (id != kSaveTimer) {
        CSkinFrameDialog::OnTimer(id);
        return;
    }
    KillTimer(kSaveTimer);
    if (m_saveDue)
        SaveNow();
}

void CErrorLogDlg::Show(bool show)
{
    if (show) {
        toolkit::Host().AddTrayWindow(GetSafeHwnd());
        ShowWindow(SW_SHOW);
        ::SetWindowPos(GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetForegroundWindow(GetSafeHwnd());
    } else {
        toolkit::Host().RemoveTrayWindow(GetSafeHwnd());
        ShowWindow(SW_HIDE);
    }
}

void CErrorLogDlg::ApplySkin()
{
    ReloadSkin("general.bmp");
    LayOut();
    DockFromSkin(IDD_ERROR_LOG);
    SetColumnWidths();
    ::InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
}

BOOL CErrorLogDlg::DeleteAll()
{
    if (m_deleteButton.IsDisabled() || GetEntryCount() == 0)
        return FALSE;
    if (PresentMessageBoxId(GetSafeHwnd(), IDS_ERROR_LOG_DELETE_ASK, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return FALSE;
    ::SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
    m_saveDue = true;
    SetTimer(kSaveTimer, kSaveDelayMs);
    return TRUE;
}

void CErrorLogDlg::OnCloseButton()
{
    Show(false);
}

void CErrorLogDlg::OnDeleteButton()
{
    DeleteAll();
}

void CErrorLogDlg::OnSize(UINT type, int cx, int cy)
{
    CSkinFrameDialog::OnSize(type, cx, cy);
    if (m_list)
        ::SendMessageA(m_list, LVM_SETCOLUMNWIDTH, 2, [&] {
            RECT client;
            ::GetClientRect(m_list, &client);
            return client.right - client.left - kFixedWidths;
        }());
}

BOOL CErrorLogDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tooltip && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
        ::SendMessageA(m_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CSkinFrameDialog::PreTranslateMessage(msg);
}

void CErrorLogDlg::RestorePosition()
{
    RECT r;
    GetWindowRect(&r);
    IProfileStore& profile = m_host.GetProfile();
    const int width = static_cast<int>(profile.GetInt("Location", "ErrorLogWidth", r.right - r.left));
    const int height = static_cast<int>(profile.GetInt("Location", "ErrorLogHeight", r.bottom - r.top));
    int x = static_cast<int>(profile.GetInt("Location", "ErrorLogX", -1));
    int y = static_cast<int>(profile.GetInt("Location", "ErrorLogY", -1));
    if (x == -1 && y == -1) {
        RECT work;
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        x = work.left + ((work.right - work.left) - width) / 2;
        y = work.top + ((work.bottom - work.top) - height) / 2;
    }
    SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CErrorLogDlg::SavePosition()
{
    RECT r;
    GetWindowRect(&r);
    IProfileStore& profile = m_host.GetProfile();
    profile.WriteInt("Location", "ErrorLogWidth", r.right - r.left);
    profile.WriteInt("Location", "ErrorLogHeight", r.bottom - r.top);
    profile.WriteInt("Location", "ErrorLogX", r.left);
    profile.WriteInt("Location", "ErrorLogY", r.top);
}

void CErrorLogDlg::OnDestroy()
{
    KillTimer(kSaveTimer);
    if (m_list) {
        SavePosition();
        SaveNow();
    }
    toolkit::Host().RemoveTrayWindow(GetSafeHwnd());
    if (m_tooltip) {
        ::DestroyWindow(m_tooltip);
        m_tooltip = nullptr;
    }
    CSkinFrameDialog::OnDestroy();
    m_list = nullptr;
}

void CNotifyErrorSink::LogError(unsigned flags, const CString& text)
{
    if (auto* log = dynamic_cast<CErrorLogDlg*>(CSkinFrameDialog::FromHandle(m_errorLog)))
        log->AddEntry(flags, text);
}

void CNotifyErrorSink::ShowErrorBalloon(const CString& text, unsigned flags)
{
    (void)flags;
    if (m_balloon)
        m_balloon->ShowErrorText(text);
}
