#include "framework/win/FileDialog.h"

#include "framework/core/Cp932.h"

#include <cstring>

namespace {

// Big enough for a long path; a multiple selection gets room for many names.
const std::size_t kSingleFileRoom = 4096;
const std::size_t kMultipleFileRoom = 65536;

} // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_ofn(), m_openFileDialog(openFileDialog), m_parent(parent),
      m_defaultExtension(defaultExtension ? defaultExtension : "")
{
    m_fileBuffer.assign((flags & OFN_ALLOWMULTISELECT) ? kMultipleFileRoom : kSingleFileRoom, '\0');
    if (fileName)
        std::strncpy(m_fileBuffer.data(), fileName, m_fileBuffer.size() - 1);

    if (filter) {
        // "a|b|c|d||" becomes "a\0b\0c\0d\0\0"; a bar inside a double-byte character stays.
        std::size_t length = std::strlen(filter);
        m_filter.assign(filter, filter + length);
        for (std::size_t i = 0; i < length;) {
            std::size_t step = cp932::CharLength(filter + i, length - i);
            if (step == 1 && filter[i] == '|')
                m_filter[i] = '\0';
            i += step;
        }
        m_filter.push_back('\0');
        m_filter.push_back('\0');
    }

    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.data();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_fileBuffer.size());
    m_ofn.lpstrDefExt = m_defaultExtension.IsEmpty() ? nullptr : m_defaultExtension.GetString();
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal()
{
    if (!m_ofn.hwndOwner) {
        HWND owner = m_parent ? m_parent->m_hWnd : ::GetActiveWindow();
        m_ofn.hwndOwner = owner;
    }
    BOOL chosen = m_openFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const
{
    if (!m_ofn.lpstrFile)
        return CString();
    if (m_ofn.Flags & OFN_ALLOWMULTISELECT) {
        // Several names: the first element is the folder; the first path is folder\name.
        POSITION pos = GetStartPosition();
        return pos ? GetNextPathName(pos) : CString();
    }
    return CString(m_ofn.lpstrFile);
}

CString CFileDialog::GetFileName() const
{
    CString path = GetPathName();
    int slash = path.ReverseFind('\\');
    int colon = path.ReverseFind(':');
    int cut = slash > colon ? slash : colon;
    return cut >= 0 ? path.Mid(cut + 1) : path;
}

CString CFileDialog::GetFileExt() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Mid(dot + 1) : CString();
}

CString CFileDialog::GetFileTitle() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Left(dot) : name;
}

POSITION CFileDialog::GetStartPosition() const
{
    if (!m_ofn.lpstrFile || !m_ofn.lpstrFile[0])
        return nullptr;
    // A position is one past the offset of the next element in the buffer.
    return reinterpret_cast<POSITION>(static_cast<INT_PTR>(1));
}

CString CFileDialog::GetNextPathName(POSITION& pos) const
{
    const char* buffer = m_ofn.lpstrFile;
    std::size_t offset = static_cast<std::size_t>(reinterpret_cast<INT_PTR>(pos)) - 1;
    pos = nullptr;
    if (!buffer || offset >= m_ofn.nMaxFile)
        return CString();
    std::size_t firstLength = std::strlen(buffer);
    bool several = (m_ofn.Flags & OFN_ALLOWMULTISELECT) && buffer[firstLength + 1] != '\0';
    if (!several)
        return offset == 0 ? CString(buffer) : CString();
    // Folder\0name\0name\0\0: positions walk the names after the folder.
    if (offset == 0)
        offset = firstLength + 1;
    const char* name = buffer + offset;
    std::size_t nameLength = std::strlen(name);
    std::size_t next = offset + nameLength + 1;
    if (next < m_ofn.nMaxFile && buffer[next] != '\0')
        pos = reinterpret_cast<POSITION>(static_cast<INT_PTR>(next + 1));
    CString folder(buffer);
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '\\')
        folder += '\\';
    return folder + name;
}
