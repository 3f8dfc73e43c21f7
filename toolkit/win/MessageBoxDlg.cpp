#include "toolkit/win/MessageBoxDlg.h"

#include "framework/win/DialogTemplate.h"
#include "ids/toolkit.h"
#include "toolkit/win/CtlColorReflect.h"
#include "toolkit/win/WinRect.h"

#include <algorithm>

namespace {

const UINT kTextControlId = 0xFFFF;

CMessageBoxDlg::ShownHook& Hook()
{
    static CMessageBoxDlg::ShownHook hook;
    return hook;
}

} // namespace

BEGIN_MESSAGE_MAP(CMessageBoxDlg, CDialog)
    ON_NOTIFY(EN_REQUESTRESIZE, kTextControlId, OnRequestResize)
    ON_WM_CLOSE()
    ON_WM_NCHITTEST()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

void CMessageBoxDlg::SetShownHook(ShownHook hook) { Hook() = std::move(hook); }

CMessageBoxDlg::CMessageBoxDlg(CWnd* parent) : CDialog(0, parent)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (::GetVersionExA(&version))
        m_isWindows2000 = version.dwMajorVersion >= 5;
}

CMessageBoxDlg::~CMessageBoxDlg() = default;

void CMessageBoxDlg::Setup(const char*, const char* text, UINT style)
{
    // The box has no title bar: the caption is not shown.
    m_text = text ? text : "";
    skin::MessageBoxButtonSet set = skin::ButtonSetForStyle(style);
    for (const skin::MessageBoxButton& b : set.buttons)
        AddButton(b.id, b.id == set.defaultId, TRUE, b.stringId);
    LPCSTR iconName = IDI_EXCLAMATION;
    switch (skin::IconForStyle(style)) {
    case skin::MessageBoxIcon::Hand:
        iconName = IDI_HAND;
        break;
    case skin::MessageBoxIcon::Question:
        iconName = IDI_QUESTION;
        break;
    case skin::MessageBoxIcon::Asterisk:
        iconName = IDI_ASTERISK;
        break;
    case skin::MessageBoxIcon::Exclamation:
        break;
    }
    m_icon = ::LoadIconA(nullptr, iconName);
    m_iconSize = SIZE{0, 0};
    ICONINFO info;
    if (m_icon && ::GetIconInfo(m_icon, &info)) {
        BITMAP bitmap;
        if (info.hbmColor && ::GetObjectA(info.hbmColor, sizeof bitmap, &bitmap)) {
            m_iconSize = SIZE{bitmap.bmWidth, bitmap.bmHeight};
        } else if (info.hbmMask && ::GetObjectA(info.hbmMask, sizeof bitmap, &bitmap)) {
            m_iconSize = SIZE{bitmap.bmWidth, bitmap.bmHeight / 2};
        }
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        if (info.hbmMask)
            ::DeleteObject(info.hbmMask);
    }
}

void CMessageBoxDlg::AddButton(int id, BOOL isDefault, BOOL isCancel, int stringId)
{
    Button button;
    button.id = id;
    button.caption.LoadString(static_cast<UINT>(stringId == -1 ? id : stringId));
    m_buttons.push_back(std::move(button));
    if (isDefault)
        m_defaultId = id;
    if (isCancel)
        m_cancelId = id;
}

HWND CMessageBoxDlg::GetButton(std::size_t index) const
{
    return index < m_buttons.size() && m_buttons[index].window ? m_buttons[index].window->GetSafeHwnd() : nullptr;
}

INT_PTR CMessageBoxDlg::DoModal()
{
    // A box whose caller added no button can still be closed.
    if (m_buttons.empty())
        AddButton(IDOK, TRUE, TRUE, IDS_MSGBOX_OK);
    CDialogTemplateEx dialogTemplate(WS_POPUP | WS_BORDER | DS_MODALFRAME, 0, 185, 92, "MS Sans Serif", 8, 1);
    InitModalIndirect(dialogTemplate.Data(), m_parent);
    return CDialog::DoModal();
}

BOOL CMessageBoxDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_backgroundBrush.CreateSolidBrush(RGB(0, 0, 0));
    RECT units = {0, 0, 1000, 1000};
    ::MapDialogRect(m_hWnd, &units);
    m_unitsPer1000 = SIZE{units.right, units.bottom};

    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    RECT none = {0, 0, 1, 1};
    if (m_textControl.Create(WS_CHILD | WS_VISIBLE | ES_READONLY | ES_MULTILINE, none, this, kTextControlId)) {
        m_textControl.SetBackgroundColor(FALSE, RGB(0, 0, 0));
        m_textControl.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        CHARFORMATA format = {};
        format.dwMask = CFM_COLOR;
        format.dwEffects = 0; // no automatic colour
        format.crTextColor = RGB(0xFF, 0xFF, 0x00);
        m_textControl.SetDefaultCharFormat(format);
        m_textControl.SetWindowText(m_text);
        m_textControl.SetAllCharFormat(format);
        m_textControl.SetReadOnly(TRUE);
        m_textControl.SetEventMask(ENM_REQUESTRESIZE);
        MeasureText();
    }
    if (m_icon) {
        RECT iconRect = {0, 0, m_iconSize.cx, m_iconSize.cy};
        m_iconLabel.SetBackColor(RGB(0, 0, 0));
        if (m_iconLabel.Create("", WS_CHILD | WS_VISIBLE | WS_DISABLED | SS_ICON, iconRect, this, 0xFFFF))
            m_iconLabel.SetIcon(m_icon);
    }
    CreateButtons();

    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_BORDER));
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(GetExStyle() | WS_EX_CLIENTEDGE));
    LayOut();
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    BOOL result = TRUE;
    HWND defaultButton = nullptr;
    for (const Button& b : m_buttons)
        if (b.id == m_defaultId && b.window)
            defaultButton = b.window->GetSafeHwnd();
    if (defaultButton) {
        ::SetFocus(defaultButton);
        SendMessage(DM_SETDEFID, static_cast<WPARAM>(m_defaultId));
        result = FALSE;
    } else {
        ::BringWindowToTop(m_hWnd);
    }
    if (Hook())
        Hook()(*this);
    return result;
}

void CMessageBoxDlg::MeasureText()
{
    int maxWidth = ::GetSystemMetrics(SM_CXFULLSCREEN);
    skin::Size size = skin::BisectTextSize(maxWidth, [this](int width) {
        m_textControl.MoveWindow(0, 0, width, 1, FALSE);
        RECT format = {0, 0, width, 1};
        m_textControl.SetRect(format);
        m_textSize = SIZE{0, 0};
        m_textControl.RequestResize();
        return skin::Size{m_textSize.cx, m_textSize.cy};
    });
    m_textSize = SIZE{size.cx, size.cy};
}

void CMessageBoxDlg::OnRequestResize(NMHDR* header, LRESULT* result)
{
    const auto* request = reinterpret_cast<const REQRESIZE*>(header);
    m_textSize = SIZE{request->rc.right - request->rc.left, request->rc.bottom - request->rc.top};
    *result = 0;
}

void CMessageBoxDlg::CreateButtons()
{
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    m_buttonSize = SIZE{ToPixelsX(40), 0};
    HDC dc = ::GetDC(m_hWnd);
    {
        CSelectObject select(dc, font);
        for (const Button& b : m_buttons) {
            SIZE extent = {0, 0};
            ::GetTextExtentPoint32A(dc, b.caption, b.caption.GetLength(), &extent);
            m_buttonSize.cx = std::max(m_buttonSize.cx, extent.cx);
            m_buttonSize.cy = std::max(m_buttonSize.cy, extent.cy);
        }
    }
    ::ReleaseDC(m_hWnd, dc);
    for (Button& b : m_buttons) {
        b.window = std::make_unique<CButton>();
        RECT r = {0, 0, m_buttonSize.cx, m_buttonSize.cy};
        if (b.window->Create(b.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP, r, this, static_cast<UINT>(b.id)))
            b.window->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    m_buttonSize.cx += ToPixelsX(2 * 7);
    m_buttonSize.cy += ToPixelsY(2 * 4);
}

void CMessageBoxDlg::LayOut()
{
    skin::MessageBoxMetrics m{ToPixelsX(10), ToPixelsX(10), ToPixelsY(10), ToPixelsY(7),
                              ToPixelsX(10), ToPixelsY(7),  ToPixelsX(7)};
    DWORD style = GetStyle();
    DWORD exStyle = GetExStyle();
    // The box never grows taller than the work area: its buttons stay on the screen.
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT frame = {0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int maxClientHeight = (work.bottom - work.top) - (frame.bottom - frame.top);
    skin::MessageBoxLayout layout =
        skin::LayOutMessageBox(m, {static_cast<int>(m_textSize.cx), static_cast<int>(m_textSize.cy)},
                               {m_icon ? static_cast<int>(m_iconSize.cx) : 0, m_icon ? static_cast<int>(m_iconSize.cy) : 0},
                               {static_cast<int>(m_buttonSize.cx), static_cast<int>(m_buttonSize.cy)},
                               static_cast<int>(m_buttons.size()), maxClientHeight);
    RECT window = {0, 0, layout.client.cx, layout.client.cy};
    ::AdjustWindowRectEx(&window, style, FALSE, exStyle);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    RECT around = work;
    HWND parent = GetParent();
    if (parent && ::IsWindowVisible(parent))
        ::GetWindowRect(parent, &around);
    int x = around.left + ((around.right - around.left) - width) / 2;
    int y = around.top + ((around.bottom - around.top) - height) / 2;
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    if (m_iconLabel.IsWindow())
        m_iconLabel.MoveWindow(ToRect(layout.icon), FALSE);
    if (m_textControl.IsWindow()) {
        m_textControl.MoveWindow(ToRect(layout.text), FALSE);
        RECT format = {0, 0, layout.text.Width(), layout.text.Height()};
        m_textControl.SetRect(format);
        if (!m_isWindows2000)
            m_textControl.EnableWindow(FALSE);
    }
    for (std::size_t i = 0; i < m_buttons.size() && i < layout.buttons.size(); ++i)
        if (m_buttons[i].window)
            m_buttons[i].window->MoveWindow(ToRect(layout.buttons[i]), FALSE);
}

void CMessageBoxDlg::Finish(int result)
{
    if (result > 0)
        EndDialog(result);
}

BOOL CMessageBoxDlg::OnCmdMsg(UINT id, int)
{
    // A button click (the text control's notices carry 0xFFFF).
    if (id != kTextControlId)
        Finish(static_cast<int>(id));
    return TRUE;
}

BOOL CMessageBoxDlg::PreTranslateMessage(MSG* msg)
{
    if (m_hWnd && msg->message == WM_KEYDOWN && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        skin::BoxKey key;
        bool handled = true;
        switch (msg->wParam) {
        case VK_RETURN:
            key = skin::BoxKey::Enter;
            break;
        case VK_ESCAPE:
            key = skin::BoxKey::Escape;
            break;
        case VK_CANCEL:
            key = skin::BoxKey::Cancel;
            break;
        default:
            handled = false;
            key = skin::BoxKey::Enter;
            break;
        }
        if (handled) {
            int focused = 0;
            HWND focus = ::GetFocus();
            for (const Button& b : m_buttons)
                if (b.window && b.window->GetSafeHwnd() == focus)
                    focused = b.id;
            if (key == skin::BoxKey::Enter && focused)
                SendMessage(DM_SETDEFID, static_cast<WPARAM>(focused));
            Finish(skin::MessageBoxKeyResult(key, focused, m_defaultId, m_cancelId));
            return TRUE;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CMessageBoxDlg::OnClose()
{
    Finish(skin::MessageBoxKeyResult(skin::BoxKey::Close, 0, m_defaultId, m_cancelId));
}

LRESULT CMessageBoxDlg::OnNcHitTest(POINT) { return DragByClientArea(Default()); }

HBRUSH CMessageBoxDlg::OnCtlColor(HDC dc, HWND control, UINT type)
{
    HBRUSH childBrush = nullptr;
    if (ReflectCtlColorToChild(this, dc, control, type, &childBrush))
        return childBrush;
    if (type == WM_CTLCOLORDLG) {
        ::SetBkMode(dc, TRANSPARENT);
        return m_backgroundBrush;
    }
    return reinterpret_cast<HBRUSH>(Default());
}
