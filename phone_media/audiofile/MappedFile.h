// A file mapped into memory as one view, behind a small interface so the stream layer runs on
// Win32 mappings in the Windows build, on POSIX mappings natively, and on plain memory in tests
// and fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

enum class MappedAccess { Read, ReadWrite };

class CMappedFile {
public:
    virtual ~CMappedFile() = default; // unmaps and closes

    // Null while the mapped size is 0 (an empty file is never mapped).
    virtual std::uint8_t* View() = 0;
    virtual std::size_t Size() const = 0;
    virtual MappedAccess Access() const = 0;
    // Unmaps, cuts the file when it is longer than bytes, and maps exactly bytes again (growing
    // a read-write file). Size 0 leaves nothing mapped and succeeds. After a failure nothing is
    // mapped and Size() is 0.
    virtual bool Resize(std::size_t bytes) = 0;
};

// Opens an existing file for reading (a missing file is never created), or any file for reading
// and writing (created when missing), and maps all of it. Null on failure.
std::unique_ptr<CMappedFile> OpenMappedFile(const char* path, MappedAccess access);

// A mapping over bytes held in memory; Bytes() shows the "file" after writes and resizes.
class CMemoryMappedFile : public CMappedFile {
public:
    CMemoryMappedFile(std::vector<std::uint8_t> bytes, MappedAccess access)
        : m_bytes(std::move(bytes)), m_access(access) {}

    std::uint8_t* View() override { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    std::size_t Size() const override { return m_bytes.size(); }
    MappedAccess Access() const override { return m_access; }
    bool Resize(std::size_t bytes) override;

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    // Makes the next resizes fail, as a full disk would.
    void FailResizes(bool fail) { m_failResizes = fail; }

private:
    std::vector<std::uint8_t> m_bytes;
    MappedAccess m_access;
    bool m_failResizes = false;
};
