// POSIX mapping for the native build.
#ifndef _WIN32

#include "phone_media/audiofile/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CPosixMappedFile : public CMappedFile {
public:
    CPosixMappedFile(int fd, MappedAccess access) : m_fd(fd), m_access(access) {}
    ~CPosixMappedFile() override
    {
        Unmap();
        ::close(m_fd);
    }

    std::uint8_t* View() override { return m_view; }
    std::size_t Size() const override { return m_size; }
    MappedAccess Access() const override { return m_access; }

    bool Resize(std::size_t bytes) override
    {
        Unmap();
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return false;
        std::size_t current = static_cast<std::size_t>(st.st_size);
        if (current > bytes && ::ftruncate(m_fd, static_cast<off_t>(bytes)) != 0)
            return false;
        if (bytes < 1)
            return true;
        if (current < bytes) {
            // A Win32 read-write mapping longer than the file grows it; a read-only one fails.
            if (m_access != MappedAccess::ReadWrite || ::ftruncate(m_fd, static_cast<off_t>(bytes)) != 0)
                return false;
        }
        return Map(bytes);
    }

    bool Map(std::size_t bytes)
    {
        if (bytes == 0)
            return true;
        int protection = m_access == MappedAccess::ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
        void* view = ::mmap(nullptr, bytes, protection, MAP_SHARED, m_fd, 0);
        if (view == MAP_FAILED)
            return false;
        m_view = static_cast<std::uint8_t*>(view);
        m_size = bytes;
        return true;
    }

private:
    void Unmap()
    {
        if (m_view)
            ::munmap(m_view, m_size);
        m_view = nullptr;
        m_size = 0;
    }

    int m_fd;
    MappedAccess m_access;
    std::uint8_t* m_view = nullptr;
    std::size_t m_size = 0;
};

} // namespace

std::unique_ptr<CMappedFile> OpenMappedFile(const char* path, MappedAccess access)
{
    if (!path)
        return nullptr;
    int flags = access == MappedAccess::ReadWrite ? O_RDWR | O_CREAT : O_RDONLY;
    int fd = ::open(path, flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<CPosixMappedFile>(fd, access);
    if (!file->Map(static_cast<std::size_t>(st.st_size)))
        return nullptr;
    return file;
}

#endif
