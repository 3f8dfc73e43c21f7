// Attachment package: one file that carries a small index of named entries followed by the
// entries' bytes ("Vy@n 1.0", little-endian, no padding). A message's attachment travels as such a
// package; the receiving side lists and extracts its entries. Names read from a package are
// reduced to plain file names, and a file is written under a temporary name and moved into place
// only when complete, so a failure leaves nothing half-written behind.
#pragma once

#include "framework/core/Arrays.h"
#include "framework/core/CString.h"
#include "framework/core/Types.h"

#include <cstdint>
#include <cstdio>
#include <vector>

constexpr std::uint32_t ATTACH_MAX_PACKAGE_SIZE = 0xFA000; // 1,024,000 bytes
constexpr std::size_t ATTACH_HEADER_SIZE = 16;
constexpr std::size_t ATTACH_NAME_MAX = 263;               // name buffer of 264 bytes
constexpr std::size_t ATTACH_ENTRY_FIXED_SIZE = 8;
constexpr std::uint16_t ATTACH_FORMAT = 1;
extern const char ATTACH_MAGIC[8];                         // "Vy@n 1.0", no terminator

enum AttachPackError : int {
    ATTACH_OK = 0,
    ATTACH_BAD_HEADER = -1,
    ATTACH_NO_ENTRY = -2,
    ATTACH_TOO_LARGE = -3,
    ATTACH_TOO_MANY = -4,
    ATTACH_OPEN_FAILED = -21,
    ATTACH_CREATE_FAILED = -22,
    ATTACH_SHORT = -23,
    ATTACH_WRITE_FAILED = -24,
    ATTACH_NO_PATH = -26,
    ATTACH_EMPTY_NAME = -27,
    ATTACH_NO_MEMORY = -101,
};

struct AttachPackHeader {
    char magic[8] = {};
    std::uint16_t dataOffset = 0;
    std::uint16_t format = 0;
    std::uint16_t reserved = 0;
    std::uint16_t count = 0;
};

struct AttachPackEntry {
    CString name;
    CString path; // only when packing
    std::uint64_t size = 0;
};

// The index of a package: its header and name table, read from the first bytes of the file.
// index holds at least the header and the name table (or the whole file when it is shorter);
// fileSize is the package's full length, against which the entries' data is checked.
// Returns ATTACH_OK, ATTACH_BAD_HEADER, ATTACH_SHORT or 0 entries for an empty package.
int AttachParseIndex(const std::uint8_t* index, std::size_t length, std::uint64_t fileSize,
                     AttachPackHeader* header, std::vector<AttachPackEntry>* entries);

// The last component of a path (after '\', '/' or ':', never inside a double-byte character; a
// lead byte pairs only with a valid trail byte, so '/' and ':' always separate); empty when
// nothing usable is left ("", ".", "..").
CString AttachPlainName(const char* path);

class CAttachPack : public CObject {
public:
    CAttachPack() = default;
    ~CAttachPack() override = default;

    // Each returns 0 or a negative code of AttachPackError, also kept for GetError.
    int Pack(const CStringArray& files, LPCTSTR packagePath);
    int List(CStringArray& names, LPCTSTR packagePath);
    int Extract(LPCTSTR packagePath, LPCTSTR entryName, LPCTSTR destinationPath);

    // Each returns TRUE or FALSE; the reason is in GetError.
    BOOL AddFile(LPCTSTR path);
    BOOL WritePackage(LPCTSTR path);

    int GetError() const { return m_error; }
    AttachPackHeader GetHeader() const { return m_header; }
    const std::vector<AttachPackEntry>& GetEntries() const { return m_entries; }

protected:
    void Clear();
    BOOL Fail(int error);
    BOOL Load();
    BOOL ExtractEntry(LPCTSTR name, LPCTSTR destinationPath);
    BOOL WriteHeader();
    BOOL ComputeSizes(std::uint64_t* dataOffset, std::uint64_t* totalSize) const;
    int WriteNameEntry(std::FILE* file, const CString& name, std::uint64_t size);
    int CopyFileInto(std::FILE* file, const CString& sourcePath, std::uint64_t size);

private:
    int m_error = 0;
    CString m_packagePath;
    std::vector<AttachPackEntry> m_entries;
    AttachPackHeader m_header;
};
