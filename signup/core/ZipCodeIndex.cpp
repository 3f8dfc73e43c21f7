#include "signup/core/ZipCodeIndex.h"

#include "framework/core/Cp932.h"

#include <cstdlib>
#include <cstring>

namespace {

// "以下に掲載がない場合", "（" and "～" in code page 932.
const char kNotListed[] = "\x88\xc8\x89\xba\x82\xc9\x8c\x66\x8d\xda\x82\xaa\x82\xc8\x82\xa2\x8f\xea\x8d\x87";
const char kOpenParen[] = "\x81\x69";
const char kTilde[] = "\x81\x60";
constexpr std::size_t kPrefixLimit = 30;

// The first place where needle starts on a character boundary of text, or npos.
std::size_t FindCharacter(const std::string& text, const char* needle)
{
    const std::size_t n = std::strlen(needle);
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, n, needle) == 0)
            return at;
        at += cp932::CharLength(text.c_str() + at, text.size() - at);
    }
    return std::string::npos;
}

bool SevenDigits(const char* text, std::size_t length)
{
    if (length != 7)
        return false;
    for (std::size_t i = 0; i < 7; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

} // namespace

CZipIndexBuilder::CZipIndexBuilder(ZipCodeIndex& index) : m_index(index)
{
    m_index.Clear();
    m_index.codes.reserve(kExpectedLines);
    m_index.offsets.reserve(kExpectedLines);
}

void CZipIndexBuilder::Fail()
{
    m_failed = true;
    m_index.Clear();
    m_carry.clear();
}

bool CZipIndexBuilder::TakeLine(const char* line, std::size_t length, std::uint64_t offset)
{
    if (length > kMaxLine || length < 8 || offset > 0xFFFFFFFFu) {
        Fail();
        return false;
    }
    // The first character is the quotation mark; the next seven are the code.
    if (SevenDigits(line + 1, 7)) {
        std::uint32_t code = 0;
        for (int i = 1; i <= 7; ++i)
            code = code * 10 + static_cast<std::uint32_t>(line[i] - '0');
        m_index.codes.push_back(code);
        m_index.offsets.push_back(static_cast<std::uint32_t>(offset));
    }
    return true;
}

bool CZipIndexBuilder::Feed(const char* data, std::size_t length)
{
    if (m_failed)
        return false;
    std::size_t at = 0;
    const std::uint64_t base = m_fed;
    m_fed += length;
    // A line that began in an earlier piece: complete it first. A CR at the end of the carried
    // text may pair with an LF at the start of this piece.
    if (!m_carry.empty()) {
        std::size_t end = std::string::npos;
        if (m_carry.back() == '\r' && length > 0 && data[0] == '\n') {
            m_carry.pop_back();
            if (!TakeLine(m_carry.data(), m_carry.size(), m_carryOffset))
                return false;
            m_carry.clear();
            at = 1;
        } else {
            for (std::size_t i = 0; i + 1 < length; ++i) {
                if (data[i] == '\r' && data[i + 1] == '\n') {
                    end = i;
                    break;
                }
            }
            if (end == std::string::npos) {
                if (m_carry.size() + length > kMaxLine + 1) {
                    Fail();
                    return false;
                }
                m_carry.append(data, length);
                return true;
            }
            m_carry.append(data, end);
            if (!TakeLine(m_carry.data(), m_carry.size(), m_carryOffset))
                return false;
            m_carry.clear();
            at = end + 2;
        }
    }
    while (at < length) {
        const char* start = data + at;
        const std::size_t left = length - at;
        const char* cr = static_cast<const char*>(std::memchr(start, '\r', left));
        while (cr && cr + 1 < data + length && cr[1] != '\n')
            cr = static_cast<const char*>(std::memchr(cr + 1, '\r', static_cast<std::size_t>(data + length - cr - 1)));
        if (!cr || cr + 1 >= data + length) {
            if (left > kMaxLine + 1) {
                Fail();
                return false;
            }
            m_carry.assign(start, left);
            m_carryOffset = base + at;
            return true;
        }
        const std::size_t lineLength = static_cast<std::size_t>(cr - start);
        if (!TakeLine(start, lineLength, base + at))
            return false;
        at += lineLength + 2;
    }
    return true;
}

bool CZipIndexBuilder::Finish()
{
    if (m_failed)
        return false;
    if (!m_carry.empty()) {
        if (!TakeLine(m_carry.data(), m_carry.size(), m_carryOffset))
            return false;
        m_carry.clear();
    }
    return true;
}

void SplitZipLine(const char* line, std::size_t length, std::vector<std::string>& columns)
{
    columns.clear();
    std::size_t at = 0;
    for (;;) {
        std::string column;
        if (at < length && line[at] == '"') {
            const char* close = static_cast<const char*>(std::memchr(line + at + 1, '"', length - at - 1));
            const std::size_t end = close ? static_cast<std::size_t>(close - line) : length;
            column.assign(line + at + 1, end - at - 1);
            at = end;
            const char* comma = at < length ? static_cast<const char*>(std::memchr(line + at, ',', length - at)) : nullptr;
            columns.push_back(column);
            if (!comma)
                return;
            at = static_cast<std::size_t>(comma - line) + 1;
        } else {
            const char* comma = at < length ? static_cast<const char*>(std::memchr(line + at, ',', length - at)) : nullptr;
            const std::size_t end = comma ? static_cast<std::size_t>(comma - line) : length;
            column.assign(line + at, end - at);
            columns.push_back(column);
            if (!comma)
                return;
            at = end + 1;
        }
    }
}

std::string CommonAddressPrefix(const std::vector<std::string>& texts)
{
    if (texts.empty())
        return std::string();
    std::size_t common = texts[0].size() < kPrefixLimit ? texts[0].size() : kPrefixLimit;
    for (const std::string& text : texts) {
        std::size_t i = 0;
        while (i < common && i < text.size() && text[i] == texts[0][i])
            ++i;
        common = i;
    }
    const std::string& first = texts[0];
    return first.substr(0, cp932::BoundaryAtOrBefore(first.c_str(), first.size(), common));
}

CString LookUpZipAddress(const ZipCodeIndex& index, const CString& code, const ZipLineReader& readLine)
{
    if (!SevenDigits(code.GetString(), static_cast<std::size_t>(code.GetLength())) || code.Compare("0000000") == 0)
        return CString();
    const std::uint32_t number = static_cast<std::uint32_t>(std::strtoul(code.GetString(), nullptr, 10));
    std::vector<std::string> candidates;
    std::vector<std::string> columns;
    std::string line;
    std::string result;
    const std::size_t count = index.codes.size() < index.offsets.size() ? index.codes.size() : index.offsets.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (index.codes[i] != number)
            continue;
        if (!readLine(index.offsets[i], &line))
            continue;
        SplitZipLine(line.data(), line.size(), columns);
        if (columns.size() != 5 || columns[0] != code.str())
            continue;
        const std::string& marker = columns[4];
        if (marker == "1") {
            candidates.push_back(columns[1] + columns[2]);
            continue;
        }
        if (marker == "0") {
            std::string town = columns[3];
            if (town != kNotListed) {
                const std::size_t paren = FindCharacter(town, kOpenParen);
                if (paren != std::string::npos)
                    town.erase(paren);
            }
            if (town == kNotListed || FindCharacter(town, kTilde) != std::string::npos)
                result = columns[1] + columns[2];
            else
                result = columns[1] + columns[2] + town;
        }
        break;
    }
    if (!candidates.empty())
        return CString(CommonAddressPrefix(candidates));
    return CString(result);
}

bool ReadZipLineFromText(const std::string& text, std::uint32_t offset, std::string* line)
{
    if (offset >= text.size())
        return false;
    std::size_t end = text.find("\r\n", offset);
    if (end == std::string::npos)
        end = text.size();
    if (end - offset > CZipIndexBuilder::kMaxLine)
        return false;
    line->assign(text, offset, end - offset);
    return true;
}
