// Decoder of the static-Huffman LZ methods -lh5-, -lh6- and -lh7- (they differ only in the
// dictionary size and the width of the position-table count).
//
// Codes are canonical (shorter codes first, then by symbol), so one table lookup of kTableBits
// bits answers most codes and longer ones are found by walking the code lengths; no tree is kept.
// Every count read from the stream is checked, reading past the end of the stream is an error,
// and a copy never reaches before the dictionary's start (that area reads as blanks, as the
// archivers that wrote these streams assume).
#include "platform/unlha32/codec/Lha.h"

#include <cstring>
#include <memory>

namespace lha {

namespace {

constexpr int kMaxCodeLength = 16;
constexpr int kTableBits = 10;
constexpr int kLiteralCount = 510;  // 256 literals + lengths 3..256
constexpr int kLengthCodeCount = 19;  // code lengths 0..16 plus three zero-run codes
constexpr int kMaxPositionCodes = 17;

class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) { Refill(); }

    std::uint32_t Peek(int count) const
    {
        return static_cast<std::uint32_t>(m_bits >> (64 - count));
    }
    void Skip(int count)
    {
        m_bits <<= count;
        m_count -= count;
        if (m_count < 32)
            Refill();
    }
    std::uint32_t Get(int count)
    {
        if (count == 0)
            return 0;
        std::uint32_t value = Peek(count);
        Skip(count);
        return value;
    }
    // True once more bits were taken than the stream holds.
    bool Overrun() const { return m_pos * 8 + m_padding * 8 - static_cast<std::size_t>(m_count) > m_size * 8; }

private:
    void Refill()
    {
        while (m_count <= 56) {
            std::uint64_t byte = 0;
            if (m_pos < m_size)
                byte = m_data[m_pos++];
            else
                ++m_padding;
            m_bits |= byte << (56 - m_count);
            m_count += 8;
        }
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::size_t m_padding = 0;  // zero bytes supplied after the end of the stream
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

class Huffman {
public:
    // Builds the decoding table from code lengths (0 = unused). Fails on an over-full code.
    bool Build(const std::uint8_t* lengths, int count)
    {
        m_constant = -1;
        int perLength[kMaxCodeLength + 1] = {};
        for (int i = 0; i < count; ++i)
            ++perLength[lengths[i]];
        perLength[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxCodeLength; ++len) {
            left = (left << 1) - perLength[len];
            if (left < 0)
                return false;
        }
        int offset = 0;
        std::uint32_t code = 0;
        for (int len = 1; len <= kMaxCodeLength; ++len) {
            m_first[len] = code;
            m_offset[len] = offset;
            m_count[len] = perLength[len];
            offset += perLength[len];
            code = (code + static_cast<std::uint32_t>(perLength[len])) << 1;
        }
        int next[kMaxCodeLength + 1];
        for (int len = 1; len <= kMaxCodeLength; ++len)
            next[len] = m_offset[len];
        for (int i = 0; i < count; ++i)
            if (lengths[i])
                m_sorted[next[lengths[i]]++] = static_cast<std::uint16_t>(i);

        std::memset(m_table, 0, sizeof(m_table));
        for (int len = 1; len <= kMaxCodeLength; ++len) {
            for (int k = 0; k < m_count[len]; ++k) {
                std::uint32_t c = m_first[len] + static_cast<std::uint32_t>(k);
                std::uint16_t symbol = m_sorted[m_offset[len] + k];
                if (len <= kTableBits) {
                    std::uint32_t start = c << (kTableBits - len);
                    std::uint32_t span = 1u << (kTableBits - len);
                    for (std::uint32_t j = 0; j < span; ++j)
                        m_table[start + j] = Slot{symbol, static_cast<std::uint8_t>(len)};
                } else {
                    m_table[c >> (len - kTableBits)] = Slot{0, 0xFF};
                }
            }
        }
        return true;
    }
    void BuildConstant(int symbol) { m_constant = symbol; }

    // Returns the next symbol, or -1 for a code that the table does not hold.
    int Decode(BitReader& bits) const
    {
        if (m_constant >= 0)
            return m_constant;
        const Slot& slot = m_table[bits.Peek(kTableBits)];
        if (slot.length != 0xFF) {
            if (slot.length == 0)
                return -1;
            bits.Skip(slot.length);
            return slot.symbol;
        }
        for (int len = kTableBits + 1; len <= kMaxCodeLength; ++len) {
            std::uint32_t c = bits.Peek(len);
            if (c - m_first[len] < static_cast<std::uint32_t>(m_count[len]) && c >= m_first[len]) {
                bits.Skip(len);
                return m_sorted[m_offset[len] + static_cast<int>(c - m_first[len])];
            }
        }
        return -1;
    }

private:
    struct Slot {
        std::uint16_t symbol;
        std::uint8_t length;  // 0 no code, 0xFF longer than the table
    };
    Slot m_table[1 << kTableBits];
    std::uint32_t m_first[kMaxCodeLength + 1] = {};
    int m_offset[kMaxCodeLength + 1] = {};
    int m_count[kMaxCodeLength + 1] = {};
    std::uint16_t m_sorted[kLiteralCount];
    int m_constant = -1;
};

class LzhDecoder {
public:
    LzhDecoder(int dictionaryBits, const std::uint8_t* in, std::size_t inSize)
        : m_bits(in, inSize), m_dictionaryBits(dictionaryBits),
          m_positionCodes(dictionaryBits + 1), m_positionCountBits(dictionaryBits == 13 ? 4 : 5) {}

    Status Run(std::uint8_t* out, std::size_t size)
    {
        const std::size_t dictionary = std::size_t(1) << m_dictionaryBits;
        std::size_t pos = 0;
        std::uint32_t blockLeft = 0;
        while (pos < size) {
            if (blockLeft == 0) {
                blockLeft = m_bits.Get(16);
                if (blockLeft == 0 || !ReadTables())
                    return Status::BadData;
                if (m_bits.Overrun())
                    return Status::BadData;
            }
            --blockLeft;
            int c = m_literals.Decode(m_bits);
            if (c < 0)
                return Status::BadData;
            if (c < 256) {
                out[pos++] = static_cast<std::uint8_t>(c);
                continue;
            }
            std::size_t length = static_cast<std::size_t>(c - 256 + 3);
            int p = m_positions.Decode(m_bits);
            if (p < 0)
                return Status::BadData;
            std::size_t distance = 1;
            if (p > 0)
                distance += (std::size_t(1) << (p - 1)) + m_bits.Get(p - 1);
            if (distance > dictionary || m_bits.Overrun())
                return Status::BadData;
            if (length > size - pos)
                length = size - pos;
            if (distance <= pos) {
                std::uint8_t* d = out + pos;
                const std::uint8_t* s = d - distance;
                if (distance >= length) {
                    std::memcpy(d, s, length);
                } else {
                    for (std::size_t i = 0; i < length; ++i)
                        d[i] = s[i];
                }
            } else {
                for (std::size_t i = 0; i < length; ++i) {
                    std::size_t from = pos + i;
                    out[from] = from >= distance ? out[from - distance] : 0x20;
                }
            }
            pos += length;
        }
        return m_bits.Overrun() ? Status::BadData : Status::Ok;
    }

private:
    // Lengths of the code-length code (i_special 3) or of the position code (no special).
    bool ReadSmallTable(Huffman& table, int symbols, int countBits, int special)
    {
        std::uint8_t lengths[kLengthCodeCount > kMaxPositionCodes ? kLengthCodeCount : kMaxPositionCodes] = {};
        int n = static_cast<int>(m_bits.Get(countBits));
        if (n == 0) {
            int c = static_cast<int>(m_bits.Get(countBits));
            if (c >= symbols)
                return false;
            table.BuildConstant(c);
            return true;
        }
        if (n > symbols)
            return false;
        int i = 0;
        while (i < n) {
            int c = static_cast<int>(m_bits.Peek(3));
            if (c == 7) {
                // Unary continuation: each further 1 bit adds one to the length.
                std::uint32_t mask = 1u << 12;
                std::uint32_t window = m_bits.Peek(16);
                while (mask && (window & mask)) {
                    mask >>= 1;
                    ++c;
                }
                if (c > kMaxCodeLength)
                    return false;
                m_bits.Skip(c - 3);
            } else {
                m_bits.Skip(3);
            }
            lengths[i++] = static_cast<std::uint8_t>(c);
            if (i == special) {
                int zeros = static_cast<int>(m_bits.Get(2));
                if (i + zeros > symbols)
                    return false;
                while (zeros-- > 0)
                    lengths[i++] = 0;
            }
        }
        return table.Build(lengths, symbols);
    }

    bool ReadLiteralTable()
    {
        std::uint8_t lengths[kLiteralCount] = {};
        int n = static_cast<int>(m_bits.Get(9));
        if (n == 0) {
            int c = static_cast<int>(m_bits.Get(9));
            if (c >= kLiteralCount)
                return false;
            m_literals.BuildConstant(c);
            return true;
        }
        if (n > kLiteralCount)
            return false;
        int i = 0;
        while (i < n) {
            int c = m_lengthCode.Decode(m_bits);
            if (c < 0)
                return false;
            if (c <= 2) {
                int zeros = c == 0 ? 1 : c == 1 ? static_cast<int>(m_bits.Get(4)) + 3
                                                : static_cast<int>(m_bits.Get(9)) + 20;
                if (i + zeros > kLiteralCount)
                    return false;
                while (zeros-- > 0)
                    lengths[i++] = 0;
            } else {
                lengths[i++] = static_cast<std::uint8_t>(c - 2);
            }
        }
        return m_literals.Build(lengths, kLiteralCount);
    }

    bool ReadTables()
    {
        return ReadSmallTable(m_lengthCode, kLengthCodeCount, 5, 3) && ReadLiteralTable() &&
               ReadSmallTable(m_positions, m_positionCodes, m_positionCountBits, -1);
    }

    BitReader m_bits;
    int m_dictionaryBits;
    int m_positionCodes;
    int m_positionCountBits;
    Huffman m_lengthCode;
    Huffman m_literals;
    Huffman m_positions;
};

} // namespace

Status DecodeLzh(int dictionaryBits, const std::uint8_t* in, std::size_t inSize,
                 std::size_t originalSize, std::vector<std::uint8_t>& out)
{
    out.clear();
    if (dictionaryBits < 13 || dictionaryBits > 16)
        return Status::BadData;
    out.resize(originalSize);
    if (originalSize == 0)
        return Status::Ok;
    // The tables are a few kilobytes: keep them off the (small, on Windows threads) stack.
    std::unique_ptr<LzhDecoder> decoder(new LzhDecoder(dictionaryBits, in, inSize));
    Status status = decoder->Run(out.data(), originalSize);
    if (status != Status::Ok)
        out.clear();
    return status;
}

} // namespace lha
