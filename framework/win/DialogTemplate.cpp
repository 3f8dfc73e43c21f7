#include "framework/win/DialogTemplate.h"

void CDialogTemplateEx::Align()
{
    while (m_bytes.size() % 4)
        m_bytes.push_back(0);
}

void CDialogTemplateEx::Word(WORD value)
{
    m_bytes.push_back(static_cast<BYTE>(value & 0xFF));
    m_bytes.push_back(static_cast<BYTE>(value >> 8));
}

void CDialogTemplateEx::Dword(DWORD value)
{
    Word(static_cast<WORD>(value & 0xFFFF));
    Word(static_cast<WORD>(value >> 16));
}

void CDialogTemplateEx::Text(const char* text)
{
    // Template strings are UTF-16; ours come in the program's code page.
    int length = ::MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, wide.data(), length);
    for (wchar_t ch : wide)
        Word(static_cast<WORD>(ch));
}

CDialogTemplateEx::CDialogTemplateEx(DWORD style, DWORD exStyle, short cx, short cy, const char* fontFace,
                                     WORD pointSize, BYTE charset, const char* title)
{
    Word(1);      // dlgVer
    Word(0xFFFF); // signature
    Dword(0);     // helpID
    Dword(exStyle);
    Dword(style | (fontFace ? DS_SETFONT : 0));
    m_countOffset = m_bytes.size();
    Word(0);      // cDlgItems
    Word(0);      // x
    Word(0);      // y
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(0);      // no menu
    Word(0);      // the standard dialog class
    Text(title);
    if (fontFace) {
        Word(pointSize);
        Word(FW_NORMAL);
        m_bytes.push_back(0); // italic
        m_bytes.push_back(charset);
        Text(fontFace);
    }
}

void CDialogTemplateEx::AddItem(const char* className, const char* text, DWORD style, short x, short y, short cx,
                                short cy, DWORD id)
{
    Align();
    Dword(0); // helpID
    Dword(0); // exStyle
    Dword(style);
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Dword(id);
    Text(className);
    Text(text);
    Word(0); // no creation data
    WORD count = static_cast<WORD>(m_bytes[m_countOffset] | (m_bytes[m_countOffset + 1] << 8));
    ++count;
    m_bytes[m_countOffset] = static_cast<BYTE>(count & 0xFF);
    m_bytes[m_countOffset + 1] = static_cast<BYTE>(count >> 8);
}
