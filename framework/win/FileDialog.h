// CFileDialog: the system's open and save dialogs. The filter is given as "text|pattern|...||"
// (the bars may be trail bytes of double-byte characters: those stay). m_ofn may be adjusted
// (flags, a hook) before DoModal.
#pragma once

#include "framework/win/Wnd.h"

#include <commdlg.h>

#include <vector>

class CFileDialog {
public:
    explicit CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                         CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
    virtual ~CFileDialog() = default;

    // IDOK when a file was chosen, IDCANCEL when the dialog was cancelled or failed.
    virtual INT_PTR DoModal();

    // The chosen file: full path, name with extension, extension without the dot, name without it.
    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    // With OFN_ALLOWMULTISELECT: walk the chosen paths (null when none).
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& pos) const;

    OPENFILENAMEA m_ofn;

private:
    BOOL m_openFileDialog;
    CWnd* m_parent;
    std::vector<char> m_fileBuffer;
    std::vector<char> m_filter;
    CString m_defaultExtension;
};
