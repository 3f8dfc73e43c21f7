// LHA archives: headers of levels 0, 1 and 2, the methods -lh0-, -lh5-, -lh6- and -lh7- for
// reading and -lh0-/-lh5- for writing. Portable (no windows.h): the archiver DLL, the host packer
// that builds the base skin and the native tests all share it.
//
// Everything read here may come from a downloaded skin, so every size is checked against what is
// really there and a bad input is an error result, never a crash or a huge allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lha {

enum class Status {
    Ok = 0,
    Truncated,          // the archive ends inside a header or a member's data
    BadHeader,          // impossible sizes or fields in a header
    BadHeaderChecksum,  // level 0/1 checksum or level 2 header CRC does not match
    UnknownMethod,      // a method other than -lh0-, -lh5-, -lh6-, -lh7-, -lhd-
    BadData,            // the compressed stream is inconsistent (tables, codes, lengths)
    CrcMismatch,        // the unpacked data does not have the recorded CRC
    TooLarge,           // a member is larger than the caller allows
    BadName,            // a name with a folder part, "..", a drive or control characters
};

const char* StatusText(Status status);

// CRC-16 of LHA (polynomial 0x8005 reflected, 0xA001, initial value 0).
std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

enum class Method { Stored, Lh5, Lh6, Lh7, Directory };

struct Entry {
    std::string name;        // file name without its folder, code page 932 bytes as stored
    std::string folder;      // folder part, '\'-separated, empty when none
    Method method = Method::Stored;
    std::uint32_t packedSize = 0;    // bytes of member data after the headers
    std::uint32_t originalSize = 0;
    std::uint32_t timeStamp = 0;     // MS-DOS date/time (levels 0, 1) or Unix time (level 2)
    std::uint16_t crc = 0;
    std::uint8_t level = 0;
    std::size_t headerOffset = 0;    // where the member's header starts in the archive
    std::size_t dataOffset = 0;      // where the member's data starts in the archive
};

// Walks the members of an archive held in memory. Next() returns false at the end mark, at the
// end of the data or on an error; status() tells which.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Next(Entry& entry);
    Status status() const { return m_status; }

    // Unpacks one member found by Next; the data is checked against the member's CRC.
    // maxSize bounds originalSize (an archive must not make us allocate gigabytes).
    Status Extract(const Entry& entry, std::vector<std::uint8_t>& out,
                   std::size_t maxSize = 256u << 20) const;

private:
    bool Fail(Status status) { m_status = status; m_pos = m_size; return false; }
    bool ReadLevel01(Entry& entry, std::size_t base);
    bool ReadLevel2(Entry& entry, std::size_t base);
    bool ReadExtendedHeaders(Entry& entry, std::size_t pos, std::size_t end, std::size_t firstSize,
                             std::size_t& consumed, bool level2, std::size_t crcHeaderStart);

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    Status m_status = Status::Ok;
};

// Decodes a -lh5-/-lh6-/-lh7- stream (dictionaryBits 13, 15, 16) of exactly originalSize bytes.
Status DecodeLzh(int dictionaryBits, const std::uint8_t* in, std::size_t inSize,
                 std::size_t originalSize, std::vector<std::uint8_t>& out);

// Huffman code lengths of at most 16 bits for the frequencies (0 for unused symbols); the code
// is complete. Needs at least two used symbols. (The encoder's, open for tests.)
void MakeCodeLengths(const std::uint32_t* freq, int count, std::uint8_t* lengths);

// Encodes data as a -lh5- stream.
std::vector<std::uint8_t> EncodeLh5(const std::uint8_t* data, std::size_t size);

// Whether a stored name is a plain file name that may be written into a folder: not empty, no
// folder separators (a 0x5C trail byte of a double-byte character is not one), no drive, no "."
// or "..", no control characters.
bool IsPlainFileName(const std::string& name);

// Builds an archive of level 2 headers; members are -lh5- unless that would not be smaller, then
// -lh0-. unixTime is recorded as given so that the same input gives the same bytes.
class Writer {
public:
    void Add(const std::string& name, const std::uint8_t* data, std::size_t size,
             std::uint32_t unixTime);
    // The archive with its end mark.
    std::vector<std::uint8_t> Finish();

private:
    std::vector<std::uint8_t> m_out;
};

} // namespace lha

namespace lha {

struct UnpackedFile {
    std::string name;
    std::vector<std::uint8_t> data;
};

// Unpacks every member of an archive into memory, checking names and CRCs first, so that a caller
// writes nothing at all from a bad archive. Folder entries are skipped; a member with a folder
// part or an unsafe name is an error (archives here are flat). members counts the files.
Status UnpackAll(const std::uint8_t* data, std::size_t size, std::vector<UnpackedFile>& files,
                 std::size_t maxTotal = std::size_t(512) << 20);

} // namespace lha
