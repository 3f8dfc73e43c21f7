// The zip-code file's index and the address lookup. The file has "\r\n"-terminated lines
// "NNNNNNN","part 2","part 3","town part","0|1" in code page 932; the index keeps, for each line,
// the 7-digit code as a number and the byte offset of the line.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ZipCodeIndex {
    std::vector<std::uint32_t> codes;
    std::vector<std::uint32_t> offsets;
    void Clear()
    {
        codes.clear();
        offsets.clear();
    }
};

// Builds the index from the file read in pieces of any size. A line longer than kMaxLine bytes or
// shorter than 8 bytes ends the build as failed (the index is emptied); a last line without "\r\n"
// is indexed like the others.
class CZipIndexBuilder {
public:
    static constexpr std::size_t kMaxLine = 131072;
    static constexpr std::size_t kExpectedLines = 120580;

    explicit CZipIndexBuilder(ZipCodeIndex& index);
    // False once the build has failed.
    bool Feed(const char* data, std::size_t length);
    // True when the whole file was indexed.
    bool Finish();
    bool Failed() const { return m_failed; }

private:
    bool TakeLine(const char* line, std::size_t length, std::uint64_t offset);
    void Fail();

    ZipCodeIndex& m_index;
    std::string m_carry;          // the incomplete line at the end of the last piece
    std::uint64_t m_carryOffset = 0;
    std::uint64_t m_fed = 0;
    bool m_failed = false;
};

// Splits a line (without its line end) at commas; a column that begins with a quotation mark runs
// to the next quotation mark, without the marks, and whatever follows it up to the next comma is
// dropped.
void SplitZipLine(const char* line, std::size_t length, std::vector<std::string>& columns);

// The line at a byte offset of the file, without its line end; false when it cannot be read.
using ZipLineReader = std::function<bool(std::uint32_t offset, std::string* line)>;

// The address for a 7-digit code ("%03d%04d" of the two zip parts): empty for "0000000", a code
// that is not 7 digits, or no match.
CString LookUpZipAddress(const ZipCodeIndex& index, const CString& code, const ZipLineReader& readLine);

// The longest common beginning of the texts, at most 30 bytes, ending on a character boundary.
std::string CommonAddressPrefix(const std::vector<std::string>& texts);

// The line at offset in a text held in memory (up to "\r\n" or the end, at most kMaxLine bytes).
bool ReadZipLineFromText(const std::string& text, std::uint32_t offset, std::string* line);
