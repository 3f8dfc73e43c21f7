// Archive headers, CRC-16 and the archive writer.
#include "platform/unlha32/codec/Lha.h"

#include <cstring>

namespace lha {

namespace {

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct CrcTable {
    std::uint16_t value[256];
    CrcTable()
    {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned crc = i;
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
            value[i] = static_cast<std::uint16_t>(crc);
        }
    }
};
const CrcTable g_crcTable;

// Code page 932 lead bytes; a separator byte right after one is the second half of a character.
bool IsLead(std::uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Splits a stored path at its separators ('\', '/' and 0xFF, which levels 0 to 2 all use) into
// the folder part ('\'-joined) and the file name.
void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    std::string normal;
    normal.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(path[i]);
        if (IsLead(c) && i + 1 < path.size()) {
            normal += path[i];
            normal += path[++i];
        } else if (c == '\\' || c == '/' || c == 0xFF) {
            normal += '\\';
        } else {
            normal += path[i];
        }
    }
    // The last separator outside a double-byte character.
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < normal.size(); ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(normal[i]);
        if (IsLead(c) && i + 1 < normal.size())
            ++i;
        else if (c == '\\')
            cut = i;
    }
    if (cut == std::string::npos) {
        folder.clear();
        name = normal;
    } else {
        folder = normal.substr(0, cut);
        name = normal.substr(cut + 1);
    }
}

bool ParseMethod(const std::uint8_t* p, Method& method)
{
    if (p[0] != '-' || p[1] != 'l' || p[2] != 'h' || p[4] != '-')
        return false;
    switch (p[3]) {
    case '0': method = Method::Stored; return true;
    case '5': method = Method::Lh5; return true;
    case '6': method = Method::Lh6; return true;
    case '7': method = Method::Lh7; return true;
    case 'd': method = Method::Directory; return true;
    default: return false;
    }
}

} // namespace

const char* StatusText(Status status)
{
    switch (status) {
    case Status::Ok: return "ok";
    case Status::Truncated: return "archive is truncated";
    case Status::BadHeader: return "bad header";
    case Status::BadHeaderChecksum: return "header checksum error";
    case Status::UnknownMethod: return "unknown method";
    case Status::BadData: return "bad compressed data";
    case Status::CrcMismatch: return "CRC error";
    case Status::TooLarge: return "member too large";
    case Status::BadName: return "unsafe file name";
    }
    return "?";
}

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        crc = static_cast<std::uint16_t>(g_crcTable.value[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

bool IsPlainFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(name[i]);
        if (IsLead(c)) {
            if (i + 1 >= name.size() || name[i + 1] == '\0')
                return false;  // a lone lead byte at the end: not a valid name
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':' || c == 0xFF || c == '*' ||
            c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
            return false;
    }
    // Windows drops trailing dots and blanks: "..." or ". " would name the folder itself.
    char last = name.back();
    return last != '.' && last != ' ';
}

bool Reader::Next(Entry& entry)
{
    if (m_status != Status::Ok || m_pos >= m_size)
        return false;
    std::size_t base = m_pos;
    if (m_data[base] == 0)
        return false;  // end mark
    if (m_size - base < 22)
        return Fail(Status::Truncated);
    entry = Entry();
    entry.headerOffset = base;
    std::uint8_t level = m_data[base + 20];
    bool ok = false;
    if (level == 0 || level == 1)
        ok = ReadLevel01(entry, base);
    else if (level == 2)
        ok = ReadLevel2(entry, base);
    else
        return Fail(Status::BadHeader);
    if (!ok)
        return false;
    if (entry.dataOffset > m_size || m_size - entry.dataOffset < entry.packedSize)
        return Fail(Status::Truncated);
    m_pos = entry.dataOffset + entry.packedSize;
    return true;
}

bool Reader::ReadLevel01(Entry& entry, std::size_t base)
{
    const std::uint8_t* h = m_data + base;
    std::size_t total = static_cast<std::size_t>(h[0]) + 2;
    if (m_size - base < total)
        return Fail(Status::Truncated);
    std::uint8_t sum = 0;
    for (std::size_t i = 2; i < total; ++i)
        sum = static_cast<std::uint8_t>(sum + h[i]);
    if (sum != h[1])
        return Fail(Status::BadHeaderChecksum);
    if (!ParseMethod(h + 2, entry.method))
        return Fail(Status::UnknownMethod);
    entry.packedSize = Le32(h + 7);
    entry.originalSize = Le32(h + 11);
    entry.timeStamp = Le32(h + 15);
    entry.level = h[20];
    std::size_t nameLength = h[21];
    std::size_t fixed = entry.level == 0 ? 24 : 27;  // + CRC; level 1 adds OS id and next size
    if (total < fixed + nameLength)
        return Fail(Status::BadHeader);
    std::string path(reinterpret_cast<const char*>(h + 22), nameLength);
    entry.crc = Le16(h + 22 + nameLength);
    std::size_t extended = 0;
    if (entry.level == 1) {
        std::size_t firstSize = Le16(h + total - 2);
        if (!ReadExtendedHeaders(entry, base + total, m_size, firstSize, extended, false, 0))
            return false;
        if (extended > entry.packedSize)
            return Fail(Status::BadHeader);
        entry.packedSize -= static_cast<std::uint32_t>(extended);
        // A file-name extended header replaces the base header's name.
        if (!entry.name.empty() || !entry.folder.empty())
            path.clear();
    }
    if (!path.empty())
        SplitPath(path, entry.folder, entry.name);
    entry.dataOffset = base + total + extended;
    return true;
}

bool Reader::ReadLevel2(Entry& entry, std::size_t base)
{
    const std::uint8_t* h = m_data + base;
    if (m_size - base < 26)
        return Fail(Status::Truncated);
    std::size_t total = Le16(h);
    if (total < 26)
        return Fail(Status::BadHeader);
    if (m_size - base < total)
        return Fail(Status::Truncated);
    if (!ParseMethod(h + 2, entry.method))
        return Fail(Status::UnknownMethod);
    entry.packedSize = Le32(h + 7);
    entry.originalSize = Le32(h + 11);
    entry.timeStamp = Le32(h + 15);
    entry.level = 2;
    entry.crc = Le16(h + 21);
    std::size_t extended = 0;
    if (!ReadExtendedHeaders(entry, base + 26, base + total, Le16(h + 24), extended, true, base))
        return false;
    entry.dataOffset = base + total;
    return true;
}

bool Reader::ReadExtendedHeaders(Entry& entry, std::size_t pos, std::size_t end,
                                 std::size_t size, std::size_t& consumed, bool level2,
                                 std::size_t headerStart)
{
    std::string name, folder;
    bool haveName = false, haveFolder = false;
    std::size_t crcAt = 0;
    bool haveCrc = false;
    while (size != 0) {
        if (size < 3)
            return Fail(Status::BadHeader);
        if (pos > end || end - pos < size)
            return Fail(level2 ? Status::BadHeader : Status::Truncated);
        const std::uint8_t* x = m_data + pos;
        std::size_t payload = size - 3;
        switch (x[0]) {
        case 0x00:
            if (payload >= 2) {
                crcAt = pos + 1;
                haveCrc = true;
            }
            break;
        case 0x01:
            name.assign(reinterpret_cast<const char*>(x + 1), payload);
            haveName = true;
            break;
        case 0x02:
            folder.assign(reinterpret_cast<const char*>(x + 1), payload);
            haveFolder = true;
            break;
        default:
            break;
        }
        consumed += size;
        pos += size;
        size = Le16(x + size - 2);
    }
    if (level2 && haveCrc) {
        std::size_t total = end - headerStart;
        std::uint16_t stored = Le16(m_data + crcAt);
        std::uint16_t crc = Crc16(0, m_data + headerStart, crcAt - headerStart);
        const std::uint8_t zero[2] = {0, 0};
        crc = Crc16(crc, zero, 2);
        crc = Crc16(crc, m_data + crcAt + 2, total - (crcAt + 2 - headerStart));
        if (crc != stored)
            return Fail(Status::BadHeaderChecksum);
    }
    if (haveName || haveFolder) {
        std::string path = folder;
        if (!path.empty() && !name.empty())
            path += '\\';
        path += name;
        SplitPath(path, entry.folder, entry.name);
    }
    return true;
}

Status Reader::Extract(const Entry& entry, std::vector<std::uint8_t>& out, std::size_t maxSize) const
{
    out.clear();
    if (entry.method == Method::Directory)
        return Status::Ok;
    if (entry.originalSize > maxSize)
        return Status::TooLarge;
    if (entry.dataOffset > m_size || m_size - entry.dataOffset < entry.packedSize)
        return Status::Truncated;
    const std::uint8_t* in = m_data + entry.dataOffset;
    Status status = Status::Ok;
    switch (entry.method) {
    case Method::Stored:
        if (entry.packedSize != entry.originalSize)
            return Status::BadHeader;
        out.assign(in, in + entry.packedSize);
        break;
    case Method::Lh5: status = DecodeLzh(13, in, entry.packedSize, entry.originalSize, out); break;
    case Method::Lh6: status = DecodeLzh(15, in, entry.packedSize, entry.originalSize, out); break;
    case Method::Lh7: status = DecodeLzh(16, in, entry.packedSize, entry.originalSize, out); break;
    case Method::Directory: break;
    }
    if (status != Status::Ok) {
        out.clear();
        return status;
    }
    if (Crc16(0, out.data(), out.size()) != entry.crc) {
        out.clear();
        return Status::CrcMismatch;
    }
    return Status::Ok;
}

void Writer::Add(const std::string& name, const std::uint8_t* data, std::size_t size,
                 std::uint32_t unixTime)
{
    std::vector<std::uint8_t> packed = EncodeLh5(data, size);
    bool stored = packed.size() >= size;
    const std::uint8_t* body = stored ? data : packed.data();
    std::size_t bodySize = stored ? size : packed.size();

    std::vector<std::uint8_t> h;
    Put16(h, 0);  // total size, set below
    const char* method = stored ? "-lh0-" : "-lh5-";
    h.insert(h.end(), method, method + 5);
    Put32(h, static_cast<std::uint32_t>(bodySize));
    Put32(h, static_cast<std::uint32_t>(size));
    Put32(h, unixTime);
    h.push_back(0x20);
    h.push_back(2);
    Put16(h, Crc16(0, data, size));
    h.push_back('M');
    Put16(h, 5);  // header CRC extended header
    h.push_back(0x00);
    std::size_t crcAt = h.size();
    Put16(h, 0);
    Put16(h, static_cast<std::uint32_t>(name.size() + 3));
    h.push_back(0x01);
    h.insert(h.end(), name.begin(), name.end());
    Put16(h, 0);
    // A size whose low byte is 0 would read as the end mark to readers that look at one byte.
    if ((h.size() & 0xFF) == 0)
        h.push_back(0);
    h[0] = static_cast<std::uint8_t>(h.size());
    h[1] = static_cast<std::uint8_t>(h.size() >> 8);
    std::uint16_t crc = Crc16(0, h.data(), h.size());
    h[crcAt] = static_cast<std::uint8_t>(crc);
    h[crcAt + 1] = static_cast<std::uint8_t>(crc >> 8);
    m_out.insert(m_out.end(), h.begin(), h.end());
    m_out.insert(m_out.end(), body, body + bodySize);
}

std::vector<std::uint8_t> Writer::Finish()
{
    std::vector<std::uint8_t> out;
    out.swap(m_out);
    out.push_back(0);
    return out;
}

} // namespace lha

namespace lha {

Status UnpackAll(const std::uint8_t* data, std::size_t size, std::vector<UnpackedFile>& files,
                 std::size_t maxTotal)
{
    files.clear();
    Reader reader(data, size);
    Entry entry;
    std::size_t total = 0;
    while (reader.Next(entry)) {
        if (entry.method == Method::Directory)
            continue;
        if (!entry.folder.empty() || !IsPlainFileName(entry.name)) {
            files.clear();
            return Status::BadName;
        }
        UnpackedFile file;
        file.name = entry.name;
        Status status = reader.Extract(entry, file.data, maxTotal - total);
        if (status != Status::Ok) {
            files.clear();
            return status;
        }
        total += file.data.size();
        files.push_back(std::move(file));
    }
    if (reader.status() != Status::Ok)
        files.clear();
    return reader.status();
}

} // namespace lha
