#include "messaging/wire/AttachPack.h"

#include "framework/core/ByteBuffer.h"
#include "framework/core/Cp932.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

const char ATTACH_MAGIC[8] = {'V', 'y', '@', 'n', ' ', '1', '.', '0'};

namespace {

constexpr std::size_t kCopyBlock = 1024;

bool SeekTo(std::FILE* file, std::uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// The file's length, leaving the position at the start; -1 when it cannot be told.
std::int64_t FileLength(std::FILE* file)
{
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0)
        return -1;
    const std::int64_t length = _ftelli64(file);
#else
    if (fseeko(file, 0, SEEK_END) != 0)
        return -1;
    const std::int64_t length = ftello(file);
#endif
    if (length < 0 || !SeekTo(file, 0))
        return -1;
    return length;
}

// A file written under a temporary name beside its destination and moved into place by Commit;
// without Commit it is removed, so no half-written file is ever left under the real name.
class CPendingFile {
public:
    explicit CPendingFile(const char* path) : m_path(path), m_temporary(std::string(path) + ".nvpart") {}
    ~CPendingFile() { Discard(); }
    CPendingFile(const CPendingFile&) = delete;
    CPendingFile& operator=(const CPendingFile&) = delete;

    std::FILE* Open()
    {
        m_file = std::fopen(m_temporary.c_str(), "wb");
        return m_file;
    }

    // Flushes and closes; false when a write failed on the way.
    bool Close()
    {
        if (!m_file)
            return false;
        const bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        return ok && closed;
    }

    bool Commit()
    {
        if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
            // Windows does not replace an existing file by renaming onto it.
            std::remove(m_path.c_str());
            if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0)
                return false;
        }
        m_committed = true;
        return true;
    }

    void Discard()
    {
        if (m_file) {
            std::fclose(m_file);
            m_file = nullptr;
        }
        if (!m_committed)
            std::remove(m_temporary.c_str());
    }

private:
    std::string m_path;
    std::string m_temporary;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
};

struct FileCloser {
    std::FILE* file;
    ~FileCloser()
    {
        if (file)
            std::fclose(file);
    }
};

} // namespace

CString AttachPlainName(const char* path)
{
    if (!path)
        return CString();
    const std::size_t length = std::strlen(path);
    std::size_t start = 0;
    for (std::size_t i = 0; i < length;) {
        // A lead byte pairs only with a real trail byte: '/' and ':' never are one, so a broken
        // pair can't hide a separator that the file system would still see.
        std::size_t step = cp932::CharLength(path + i, length - i);
        if (step == 2 && !cp932::IsTrailByte(static_cast<unsigned char>(path[i + 1])))
            step = 1;
        if (step == 1 && (path[i] == '\\' || path[i] == '/' || path[i] == ':'))
            start = i + 1;
        i += step;
    }
    CString name(path + start, static_cast<int>(length - start));
    if (name == "." || name == "..")
        return CString();
    return name;
}

int AttachParseIndex(const std::uint8_t* index, std::size_t length, std::uint64_t fileSize,
                     AttachPackHeader* header, std::vector<AttachPackEntry>* entries)
{
    entries->clear();
    auto fail = [entries](int error) {
        entries->clear();
        return error;
    };
    CByteReader reader(index, length);
    reader.Bytes(header->magic, sizeof header->magic);
    header->dataOffset = reader.U16LE();
    header->format = reader.U16LE();
    header->reserved = reader.U16LE();
    header->count = reader.U16LE();
    if (!reader.Ok() || std::memcmp(header->magic, ATTACH_MAGIC, sizeof ATTACH_MAGIC) != 0 ||
        header->reserved != 0)
        return fail(ATTACH_BAD_HEADER);
    if (header->count == 0)
        return 0;

    std::uint64_t dataSize = 0;
    for (unsigned i = 0; i < header->count; ++i) {
        const std::uint16_t entryLength = reader.U16LE();
        reader.U16LE();
        const std::uint32_t size = reader.U32LE();
        if (!reader.Ok() || entryLength < ATTACH_ENTRY_FIXED_SIZE + 2 ||
            entryLength > ATTACH_ENTRY_FIXED_SIZE + ATTACH_NAME_MAX + 1 ||
            reader.Remaining() < std::size_t(entryLength - ATTACH_ENTRY_FIXED_SIZE))
            return fail(ATTACH_SHORT);
        const std::size_t nameLength = entryLength - ATTACH_ENTRY_FIXED_SIZE - 1;
        const char* name = reinterpret_cast<const char*>(reader.Current());
        // Exactly one NUL, at the end of the entry: an inner NUL would hide the rest of the name.
        if (name[nameLength] != '\0' || std::memchr(name, 0, nameLength))
            return fail(ATTACH_SHORT);
        AttachPackEntry entry;
        entry.name = AttachPlainName(CString(name, static_cast<int>(nameLength)));
        entry.size = size;
        if (entry.name.IsEmpty())
            return fail(ATTACH_SHORT);
        reader.Skip(entryLength - ATTACH_ENTRY_FIXED_SIZE);
        dataSize += size;
        entries->push_back(entry);
    }
    // The data must begin where the name table ends and lie wholly inside the file.
    if (reader.Position() != header->dataOffset)
        return fail(ATTACH_BAD_HEADER);
    if (header->dataOffset + dataSize > fileSize)
        return fail(ATTACH_SHORT);
    return ATTACH_OK;
}

void CAttachPack::Clear()
{
    m_error = 0;
    m_packagePath.Empty();
    m_entries.clear();
    m_header = AttachPackHeader();
}

BOOL CAttachPack::Fail(int error)
{
    m_error = error;
    return FALSE;
}

int CAttachPack::Pack(const CStringArray& files, LPCTSTR packagePath)
{
    Clear();
    if (!packagePath || !*packagePath)
        return m_error = ATTACH_NO_PATH;
    for (int i = 0; i < files.GetSize(); ++i) {
        if (!AddFile(files[i]))
            return m_error;
    }
    WritePackage(packagePath);
    return m_error;
}

int CAttachPack::List(CStringArray& names, LPCTSTR packagePath)
{
    Clear();
    m_packagePath = packagePath;
    if (!Load())
        return m_error;
    for (const AttachPackEntry& entry : m_entries)
        names.Add(entry.name);
    return 0;
}

int CAttachPack::Extract(LPCTSTR packagePath, LPCTSTR entryName, LPCTSTR destinationPath)
{
    Clear();
    m_packagePath = packagePath;
    if (!Load()) {
        // An empty package holds no entry: that is "not found", never success.
        return m_error ? m_error : (m_error = ATTACH_NO_ENTRY);
    }
    ExtractEntry(entryName, destinationPath);
    return m_error;
}

BOOL CAttachPack::AddFile(LPCTSTR path)
{
    if (m_entries.size() >= 2)
        return Fail(ATTACH_TOO_MANY);
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return Fail(ATTACH_OPEN_FAILED);
    FileCloser closer{file};
    const std::int64_t length = FileLength(file);
    AttachPackEntry entry;
    entry.path = path;
    entry.name = AttachPlainName(path);
    if (length <= 0 || entry.name.IsEmpty() || entry.path.IsEmpty())
        return Fail(ATTACH_SHORT);
    entry.size = static_cast<std::uint64_t>(length);
    m_entries.push_back(entry);
    return TRUE;
}

BOOL CAttachPack::ComputeSizes(std::uint64_t* dataOffset, std::uint64_t* totalSize) const
{
    std::uint64_t offset = ATTACH_HEADER_SIZE + m_entries.size() * ATTACH_ENTRY_FIXED_SIZE;
    std::uint64_t total = 0;
    for (const AttachPackEntry& entry : m_entries) {
        offset += static_cast<std::uint64_t>(entry.name.GetLength()) + 1;
        total += entry.size;
    }
    total += offset;
    *dataOffset = offset;
    *totalSize = total;
    return total <= ATTACH_MAX_PACKAGE_SIZE && offset <= 0xFFFF;
}

BOOL CAttachPack::WriteHeader()
{
    if (m_entries.empty())
        return Fail(ATTACH_NO_ENTRY);
    std::uint64_t dataOffset = 0;
    std::uint64_t totalSize = 0;
    if (!ComputeSizes(&dataOffset, &totalSize))
        return Fail(ATTACH_TOO_LARGE);
    std::memcpy(m_header.magic, ATTACH_MAGIC, sizeof ATTACH_MAGIC);
    m_header.dataOffset = static_cast<std::uint16_t>(dataOffset);
    m_header.format = ATTACH_FORMAT;
    m_header.reserved = 0;
    m_header.count = static_cast<std::uint16_t>(m_entries.size());
    return TRUE;
}

int CAttachPack::WriteNameEntry(std::FILE* file, const CString& name, std::uint64_t size)
{
    if (name.IsEmpty())
        return ATTACH_EMPTY_NAME;
    try {
        CByteWriter writer;
        writer.U16LE(static_cast<std::uint16_t>(name.GetLength() + 9));
        writer.U16LE(0);
        writer.U32LE(static_cast<std::uint32_t>(size));
        writer.Bytes(name.GetString(), static_cast<std::size_t>(name.GetLength()) + 1);
        const std::vector<std::uint8_t>& bytes = writer.Data();
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
            return ATTACH_CREATE_FAILED;
    } catch (const std::bad_alloc&) {
        return ATTACH_NO_MEMORY;
    }
    return 0;
}

int CAttachPack::CopyFileInto(std::FILE* file, const CString& sourcePath, std::uint64_t size)
{
    std::FILE* source = std::fopen(sourcePath, "rb");
    if (!source)
        return ATTACH_OPEN_FAILED;
    FileCloser closer{source};
    std::uint8_t block[kCopyBlock];
    std::uint64_t copied = 0;
    while (copied < size) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, size - copied));
        const std::size_t got = std::fread(block, 1, want, source);
        if (got == 0)
            break;
        if (std::fwrite(block, 1, got, file) != got)
            return ATTACH_CREATE_FAILED;
        copied += got;
    }
    return copied == size ? 0 : ATTACH_SHORT;
}

BOOL CAttachPack::WritePackage(LPCTSTR path)
{
    if (m_entries.empty())
        return Fail(ATTACH_NO_ENTRY);
    if (m_entries.size() > 1)
        return Fail(ATTACH_TOO_MANY);
    if (!path || !*path)
        return Fail(ATTACH_NO_PATH);
    m_packagePath = path;
    if (!WriteHeader())
        return FALSE;

    CPendingFile pending(path);
    std::FILE* file = pending.Open();
    if (!file)
        return Fail(ATTACH_CREATE_FAILED);
    CByteWriter header;
    header.Bytes(m_header.magic, sizeof m_header.magic);
    header.U16LE(m_header.dataOffset);
    header.U16LE(m_header.format);
    header.U16LE(m_header.reserved);
    header.U16LE(m_header.count);
    if (std::fwrite(header.Data().data(), 1, header.Size(), file) != header.Size())
        return Fail(ATTACH_CREATE_FAILED);
    for (const AttachPackEntry& entry : m_entries) {
        if (int error = WriteNameEntry(file, entry.name, entry.size))
            return Fail(error);
    }
    std::uint64_t written = header.Size();
    for (const AttachPackEntry& entry : m_entries) {
        if (int error = CopyFileInto(file, entry.path, entry.size))
            return Fail(error);
        written += entry.size;
    }
    written += m_header.dataOffset - header.Size();
    if (!pending.Close())
        return Fail(ATTACH_CREATE_FAILED);
    if (written > ATTACH_MAX_PACKAGE_SIZE)
        return Fail(ATTACH_TOO_LARGE);
    if (!pending.Commit())
        return Fail(ATTACH_CREATE_FAILED);
    return TRUE;
}

BOOL CAttachPack::Load()
{
    m_entries.clear();
    std::FILE* file = m_packagePath.IsEmpty() ? nullptr : std::fopen(m_packagePath, "rb");
    if (!file)
        return Fail(ATTACH_OPEN_FAILED);
    FileCloser closer{file};
    const std::int64_t length = FileLength(file);
    if (length < 0)
        return Fail(ATTACH_OPEN_FAILED);
    // The data offset is a 16-bit field, so the index never reaches past the first 64 KiB.
    const std::size_t indexLength = static_cast<std::size_t>(std::min<std::int64_t>(length, 0x10000));
    std::vector<std::uint8_t> index(indexLength);
    if (indexLength && std::fread(index.data(), 1, indexLength, file) != indexLength)
        return Fail(ATTACH_SHORT);
    const int result = AttachParseIndex(index.data(), index.size(), static_cast<std::uint64_t>(length),
                                        &m_header, &m_entries);
    if (result < 0 || m_entries.empty()) {
        m_entries.clear();
        return Fail(result);
    }
    return TRUE;
}

BOOL CAttachPack::ExtractEntry(LPCTSTR name, LPCTSTR destinationPath)
{
    if (!name || !*name)
        return Fail(ATTACH_EMPTY_NAME);
    if (!destinationPath || !*destinationPath)
        return Fail(ATTACH_NO_PATH);
    std::uint64_t offset = m_header.dataOffset;
    const AttachPackEntry* found = nullptr;
    for (const AttachPackEntry& entry : m_entries) {
        if (entry.name == name) {
            found = &entry;
            break;
        }
        offset += entry.size;
    }
    if (!found)
        return Fail(ATTACH_NO_ENTRY);

    std::FILE* package = std::fopen(m_packagePath, "rb");
    if (!package)
        return Fail(ATTACH_OPEN_FAILED);
    FileCloser closer{package};
    CPendingFile pending(destinationPath);
    std::FILE* out = pending.Open();
    if (!out)
        return Fail(ATTACH_CREATE_FAILED);
    if (!SeekTo(package, offset))
        return Fail(ATTACH_SHORT);
    std::uint8_t block[kCopyBlock];
    std::uint64_t copied = 0;
    while (copied < found->size) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, found->size - copied));
        const std::size_t got = std::fread(block, 1, want, package);
        if (got != want)
            return Fail(ATTACH_SHORT);
        if (std::fwrite(block, 1, got, out) != got)
            return Fail(ATTACH_WRITE_FAILED);
        copied += got;
    }
    if (!pending.Close())
        return Fail(ATTACH_WRITE_FAILED);
    if (!pending.Commit())
        return Fail(ATTACH_CREATE_FAILED);
    return TRUE;
}
