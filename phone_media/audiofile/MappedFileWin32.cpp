// Win32 file mapping for the Windows build.
#ifdef _WIN32

#include "phone_media/audiofile/MappedFile.h"

#include <windows.h>

namespace {

class CWin32MappedFile : public CMappedFile {
public:
    CWin32MappedFile(HANDLE file, MappedAccess access) : m_file(file), m_access(access) {}
    ~CWin32MappedFile() override
    {
        Unmap();
        CloseHandle(m_file);
    }

    std::uint8_t* View() override { return m_view; }
    std::size_t Size() const override { return m_size; }
    MappedAccess Access() const override { return m_access; }

    bool Resize(std::size_t bytes) override
    {
        Unmap();
        // Files of 4 GiB or more are never opened, so none is made either: both builds keep to
        // the same limit, and the sizes below fit the system's 32-bit halves.
        if (static_cast<unsigned long long>(bytes) > kMaxBytes)
            return false;
        DWORD high = 0;
        DWORD low = GetFileSize(m_file, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
            return false;
        unsigned long long current = (static_cast<unsigned long long>(high) << 32) | low;
        if (current > bytes) {
            LARGE_INTEGER end;
            end.QuadPart = static_cast<LONGLONG>(bytes);
            if (!SetFilePointerEx(m_file, end, nullptr, FILE_BEGIN))
                return false;
            if (!SetEndOfFile(m_file))
                return false;
        }
        if (bytes < 1)
            return true;
        return Map(bytes);
    }

    bool Map(std::size_t bytes)
    {
        if (bytes == 0)
            return true;
        if (static_cast<unsigned long long>(bytes) > kMaxBytes)
            return false;
        bool writable = m_access == MappedAccess::ReadWrite;
        m_mapping = CreateFileMappingA(m_file, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0,
            static_cast<DWORD>(bytes), nullptr);
        if (!m_mapping)
            return false;
        m_view = static_cast<std::uint8_t*>(MapViewOfFile(m_mapping, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, bytes));
        if (!m_view) {
            CloseHandle(m_mapping);
            m_mapping = nullptr;
            return false;
        }
        m_size = bytes;
        return true;
    }

private:
    void Unmap()
    {
        if (m_view)
            UnmapViewOfFile(m_view);
        if (m_mapping)
            CloseHandle(m_mapping);
        m_view = nullptr;
        m_mapping = nullptr;
        m_size = 0;
    }

    static constexpr unsigned long long kMaxBytes = 0xFFFFFFFFull;

    HANDLE m_file;
    MappedAccess m_access;
    HANDLE m_mapping = nullptr;
    std::uint8_t* m_view = nullptr;
    std::size_t m_size = 0;
};

} // namespace

std::unique_ptr<CMappedFile> OpenMappedFile(const char* path, MappedAccess access)
{
    if (!path)
        return nullptr;
    bool writable = access == MappedAccess::ReadWrite;
    // Reading must never leave an empty file behind where none was, so only writers create.
    HANDLE file = CreateFileA(path, writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
        nullptr, writable ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0) {
        CloseHandle(file);
        return nullptr;
    }
    auto mapped = std::make_unique<CWin32MappedFile>(file, access);
    if (!mapped->Map(low))
        return nullptr;
    return mapped;
}

#endif
