// In-memory dialog templates (the extended layout, DLGTEMPLATEEX) for dialogs that have no
// resource of their own. Controls are usually added at initialisation instead.
#pragma once

#include "framework/win/Afx.h"

#include <vector>

class CDialogTemplateEx {
public:
    // Size in dialog units; the font is given by face, point size and character set.
    CDialogTemplateEx(DWORD style, DWORD exStyle, short cx, short cy, const char* fontFace, WORD pointSize,
                      BYTE charset, const char* title = "");
    // Appends one control of a system class ("BUTTON", "STATIC", ...).
    void AddItem(const char* className, const char* text, DWORD style, short x, short y, short cx, short cy, DWORD id);
    // The template, valid until the next AddItem or the end of this object.
    const void* Data() const { return m_bytes.data(); }

private:
    void Align();
    void Word(WORD value);
    void Dword(DWORD value);
    void Text(const char* text);
    std::vector<BYTE> m_bytes;
    std::size_t m_countOffset = 0;
};
