#include "framework/core/File.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int SeekFile(std::FILE* file, std::int64_t offset, int origin)
{
#ifdef _WIN32
    return _fseeki64(file, offset, origin);
#else
    return fseeko(file, static_cast<off_t>(offset), origin);
#endif
}

std::int64_t TellFile(std::FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<std::int64_t>(ftello(file));
#endif
}

} // namespace

BOOL CFile::Open(const char* path, UINT flags)
{
    if (m_file || !path || !*path)
        return FALSE;
    // The bytes are always the caller's: no C library text translation.
    UINT access = flags & 0x3;
    bool create = (flags & modeCreate) != 0;
    bool keep = (flags & modeNoTruncate) != 0;
    std::FILE* file = nullptr;
    if (!create)
        file = std::fopen(path, access == modeRead ? "rb" : "r+b");
    else if (keep)
        file = std::fopen(path, "r+b");
    if (!file && create)
        file = std::fopen(path, access == modeWrite ? "wb" : "w+b");
    if (!file)
        return FALSE;
    m_file = file;
    m_path = path;
    m_flags = flags;
    return TRUE;
}

void CFile::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_writing = false;
    m_path.Empty();
    m_flags = 0;
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (!m_file || !buffer || count == 0)
        return 0;
    StartReading();
    return static_cast<UINT>(std::fread(buffer, 1, count, m_file));
}

BOOL CFile::Write(const void* buffer, UINT count)
{
    if (!m_file || (m_flags & 0x3) == modeRead)
        return FALSE;
    if (count == 0)
        return TRUE;
    if (!buffer)
        return FALSE;
    if (!m_writing) {
        // The C library wants a positioning call between reading and writing.
        SeekFile(m_file, 0, SEEK_CUR);
        m_writing = true;
    }
    return std::fwrite(buffer, 1, count, m_file) == count;
}

void CFile::StartReading()
{
    if (m_writing) {
        SeekFile(m_file, 0, SEEK_CUR);
        m_writing = false;
    }
}

BOOL CFile::Flush() { return m_file && std::fflush(m_file) == 0; }

std::uint64_t CFile::Seek(std::int64_t offset, UINT from)
{
    if (!m_file)
        return 0;
    int origin = from == begin ? SEEK_SET : from == end ? SEEK_END : SEEK_CUR;
    SeekFile(m_file, offset, origin);
    m_writing = false;
    return GetPosition();
}

std::uint64_t CFile::GetPosition() const
{
    if (!m_file)
        return 0;
    std::int64_t position = TellFile(m_file);
    return position < 0 ? 0 : static_cast<std::uint64_t>(position);
}

std::uint64_t CFile::GetLength() const
{
    if (!m_file)
        return 0;
    std::int64_t here = TellFile(m_file);
    SeekFile(m_file, 0, SEEK_END);
    std::int64_t length = TellFile(m_file);
    SeekFile(m_file, here < 0 ? 0 : here, SEEK_SET);
    return length < 0 ? 0 : static_cast<std::uint64_t>(length);
}

CString CFile::GetFileName() const
{
    int slash = m_path.ReverseFind('\\');
    int forward = m_path.ReverseFind('/');
    int colon = m_path.ReverseFind(':');
    int cut = slash;
    if (forward > cut)
        cut = forward;
    if (colon > cut)
        cut = colon;
    return cut >= 0 ? m_path.Mid(cut + 1) : m_path;
}

BOOL CFile::Remove(const char* path) { return path && std::remove(path) == 0; }

BOOL CFile::Rename(const char* oldPath, const char* newPath)
{
    return oldPath && newPath && std::rename(oldPath, newPath) == 0;
}

BOOL CStdioFile::Open(const char* path, UINT flags)
{
    if (!(flags & typeBinary))
        flags |= typeText;
    return CFile::Open(path, flags);
}

BOOL CStdioFile::ReadString(CString& line)
{
    line.Empty();
    std::FILE* file = Stream();
    if (!file)
        return FALSE;
    StartReading();
    std::string text;
    bool any = false;
    for (int ch = std::getc(file); ch != EOF; ch = std::getc(file)) {
        any = true;
        if (ch == '\n')
            break;
        text += static_cast<char>(ch);
    }
    if (!any)
        return FALSE;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    line = CString(text);
    return TRUE;
}

BOOL CStdioFile::WriteString(const char* text)
{
    if (!text)
        return FALSE;
    if (!(m_flags & typeText))
        return Write(text, static_cast<UINT>(std::strlen(text)));
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n' && (p == text || p[-1] != '\r'))
            out += '\r';
        out += *p;
    }
    return Write(out.data(), static_cast<UINT>(out.size()));
}
