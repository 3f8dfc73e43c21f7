#include "shell/settings/win/SettingsDlg.h"

#include "resources/StringIds.h"

#include <richedit.h>

#include <cstring>
#include <ctime>

namespace {

const char* const kSizes[] = {"8", "10", "12", "14", "16", "18", "20", "24", "28", "32", "48"};
const UINT kItemTexts[4] = {IDS_SET_ITEM_NICK, IDS_SET_ITEM_MESSAGE, IDS_SET_ITEM_SYSTEM, IDS_SET_ITEM_MESSAGING};

int CALLBACK AddFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM combo)
{
    // One call per family; vertical faces ("@...") are of no use for a sample line.
    if (font->lfFaceName[0] != '@')
        ::SendMessageA(reinterpret_cast<HWND>(combo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
    return 1;
}

CString ComboText(HWND combo)
{
    const int index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index < 0)
        return CString();
    const int length = static_cast<int>(::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
    if (length <= 0)
        return CString();
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return CString(text.data());
}

void SelectExact(HWND combo, const char* text)
{
    const LRESULT found = ::SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    ::SendMessageA(combo, CB_SETCURSEL, found == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(found), 0);
}

} // namespace

BEGIN_MESSAGE_MAP(CSetFormatPage, CSettingsPage)
    ON_CBN_SELCHANGE(IDC_SET_ITEM, OnItemChosen)
    ON_CBN_SELCHANGE(IDC_SET_FONT, OnFontChosen)
    ON_CBN_SELCHANGE(IDC_SET_SIZE, OnSizeChosen)
    ON_BN_CLICKED(IDC_SET_COLOR, OnColor)
    ON_BN_CLICKED(IDC_SET_RESET, OnReset)
    ON_BN_CLICKED(IDC_SET_TIME_STAMPS, OnTimeStamps)
END_MESSAGE_MAP()

CSetFormatPage::CSetFormatPage(CSettingsDlg* dialog, ISettingsHost& host)
    : CSettingsPage(IDD_SET_FORMAT, dialog, host)
{
    std::memcpy(m_backup, m_host.Settings().m_fonts, sizeof m_backup);
    CRichEditCtrl::EnsureLoaded();
}

BOOL CSetFormatPage::OnInitDialog()
{
    if (!MakeButton(m_color, IDC_SET_COLOR, "set_color.bmp") || !MakeButton(m_reset, IDC_SET_RESET, "set_reset.bmp"))
        return FALSE;
    CSettingsPage::OnInitDialog();
    m_sample.SubclassDlgItem(IDC_SET_SAMPLE, this);
    for (UINT id : kItemTexts) {
        CString text;
        text.LoadString(id);
        ::SendDlgItemMessageA(m_hWnd, IDC_SET_ITEM, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
    }
    for (const char* size : kSizes)
        ::SendDlgItemMessageA(m_hWnd, IDC_SET_SIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size));
    FillFontList();
    ::SendDlgItemMessageA(m_hWnd, IDC_SET_ITEM, CB_SETCURSEL, 0, 0);
    m_slot = 0;
    SetChecked(IDC_SET_TIME_STAMPS, (m_host.Settings().m_flags & kFlagChatTimeStamps) != 0);
    ShowSlot();
    AddTip(IDC_SET_RESET, IDS_SET_TIP_RESET);
    const RECT sample = ControlRect(IDC_SET_SAMPLE);
    m_color.MoveFrameSized(sample.right + 20, sample.top);
    m_reset.MoveFrameSized(sample.right + 20, sample.top + 24);
    return TRUE;
}

void CSetFormatPage::FillFontList()
{
    HWND combo = GetDlgItem(IDC_SET_FONT);
    HDC dc = ::GetDC(nullptr);
    ::EnumFontFamiliesA(dc, nullptr, reinterpret_cast<FONTENUMPROCA>(AddFamily), reinterpret_cast<LPARAM>(combo));
    ::ReleaseDC(nullptr, dc);
}

void CSetFormatPage::ShowSlot()
{
    const FontSlot& slot = m_host.Settings().m_fonts[m_slot];
    CString size;
    size.Format("%d", slot.size);
    SelectExact(GetDlgItem(IDC_SET_SIZE), size);
    SelectExact(GetDlgItem(IDC_SET_FONT), slot.face);
    m_color.EnableButton(settingsrules::ColorButtonEnabled(m_slot));
    DrawSample();
}

void CSetFormatPage::DrawSample()
{
    if (!m_sample.GetSafeHwnd())
        return;
    const FontSlot* fonts = m_host.Settings().m_fonts;
    CString timeText;
    if (Checked(IDC_SET_TIME_STAMPS)) {
        const std::time_t now = std::time(nullptr);
        char text[16] = {};
        std::strftime(text, sizeof text, "%H:%M ", std::localtime(&now));
        timeText = text;
    }
    CString nick, message, system;
    nick.LoadString(IDS_SET_SAMPLE_NICK);
    message.LoadString(IDS_SET_SAMPLE_MESSAGE);
    system.LoadString(IDS_SET_SAMPLE_SYSTEM);
    m_sample.SendMessage(WM_SETREDRAW, FALSE);
    m_sample.SetWindowText("");
    for (const settingsrules::SampleRun& run : settingsrules::ComposeSample(m_slot, timeText, nick, message, system)) {
        const FontSlot& slot = fonts[run.slot];
        CHARFORMATA format = {};
        format.cbSize = sizeof format;
        format.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_CHARSET | CFM_BOLD | CFM_ITALIC;
        format.yHeight = settingsrules::SampleHeightTwips(slot);
        format.crTextColor = slot.color;
        format.bCharSet = SHIFTJIS_CHARSET;
        // A face read from the profile may hold 35 bytes; a character format holds 31 and the NUL.
        const CString face = settingsrules::FitBytes(slot.face, settingsrules::kFaceBytes);
        std::memcpy(format.szFaceName, face.GetString(), static_cast<std::size_t>(face.GetLength()));
        const long end = m_sample.GetTextLength();
        m_sample.SetSel(end, end);
        m_sample.InsertWithFormat(run.text, format);
    }
    m_sample.SendMessage(WM_SETREDRAW, TRUE);
    m_sample.Invalidate();
}

void CSetFormatPage::OnItemChosen()
{
    const int item = static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_SET_ITEM, CB_GETCURSEL, 0, 0));
    if (item < 0 || item > 3)
        return;
    m_slot = item;
    ShowSlot();
}

void CSetFormatPage::OnFontChosen()
{
    const CString face = ComboText(GetDlgItem(IDC_SET_FONT));
    if (face.IsEmpty())
        return;
    settingsrules::SetSlotFace(m_host.Settings().m_fonts[m_slot], face);
    DrawSample();
}

void CSetFormatPage::OnSizeChosen()
{
    if (settingsrules::SetSlotSize(m_host.Settings().m_fonts[m_slot], ComboText(GetDlgItem(IDC_SET_SIZE))))
        DrawSample();
}

void CSetFormatPage::OnColor()
{
    FontSlot& slot = m_host.Settings().m_fonts[m_slot];
    COLORREF colour = slot.color;
    if (!m_host.ChooseColor(m_hWnd, &colour))
        return;
    slot.color = colour;
    DrawSample();
}

void CSetFormatPage::OnReset()
{
    settingsrules::ResetFontsKeepingMessageColor(m_host.Settings().m_fonts);
    ::SendDlgItemMessageA(m_hWnd, IDC_SET_ITEM, CB_SETCURSEL, 0, 0);
    m_slot = 0;
    SetChecked(IDC_SET_TIME_STAMPS, (m_host.Settings().m_flags & kFlagChatTimeStamps) != 0);
    ShowSlot();
    m_color.EnableButton(TRUE);
}

void CSetFormatPage::Store(bool ok)
{
    CProgramSettings& settings = m_host.Settings();
    if (!ok) {
        std::memcpy(settings.m_fonts, m_backup, sizeof m_backup);
        return;
    }
    if (Checked(IDC_SET_TIME_STAMPS))
        settings.m_flags |= kFlagChatTimeStamps;
    else
        settings.m_flags &= ~static_cast<uint32_t>(kFlagChatTimeStamps);
}
