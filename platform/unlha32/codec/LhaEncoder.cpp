// -lh5- encoder: LZ77 over an 8 KiB dictionary with hash chains and one step of lazy matching,
// then static Huffman codes per block, written the way the decoder reads them.
#include "platform/unlha32/codec/Lha.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace lha {

namespace {

constexpr int kDictionaryBits = 13;
constexpr std::size_t kDictionary = std::size_t(1) << kDictionaryBits;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 256;
constexpr int kLiteralCount = 510;
constexpr int kLengthCodeCount = 19;
constexpr int kPositionCodes = kDictionaryBits + 1;
constexpr int kMaxCodeLength = 16;
constexpr std::size_t kBlockTokens = 32768;
constexpr int kHashBits = 15;
constexpr int kMaxChain = 96;

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}
    void Put(int count, std::uint32_t value)
    {
        if (count == 0)
            return;
        m_bits = (m_bits << count) | (value & ((1u << count) - 1));
        m_count += count;
        while (m_count >= 8) {
            m_count -= 8;
            m_out.push_back(static_cast<std::uint8_t>(m_bits >> m_count));
        }
    }
    void Flush()
    {
        if (m_count > 0)
            m_out.push_back(static_cast<std::uint8_t>(m_bits << (8 - m_count)));
        m_count = 0;
    }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

} // namespace

void MakeCodeLengths(const std::uint32_t* freq, int count, std::uint8_t* lengths)
{
    struct Node {
        std::uint64_t weight;
        int left, right;
    };
    std::vector<Node> nodes;
    std::vector<int> heap;
    nodes.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        lengths[i] = 0;
        if (freq[i]) {
            nodes.push_back(Node{freq[i], -1, i});
            heap.push_back(static_cast<int>(nodes.size() - 1));
        }
    }
    auto greater = [&](int a, int b) {
        return nodes[a].weight != nodes[b].weight ? nodes[a].weight > nodes[b].weight : a > b;
    };
    std::make_heap(heap.begin(), heap.end(), greater);
    while (heap.size() > 1) {
        std::pop_heap(heap.begin(), heap.end(), greater);
        int a = heap.back();
        heap.pop_back();
        std::pop_heap(heap.begin(), heap.end(), greater);
        int b = heap.back();
        heap.pop_back();
        nodes.push_back(Node{nodes[a].weight + nodes[b].weight, a, b});
        heap.push_back(static_cast<int>(nodes.size() - 1));
        std::push_heap(heap.begin(), heap.end(), greater);
    }
    // Depth of every leaf, counted per length with over-long codes clamped.
    int perLength[kMaxCodeLength + 1] = {};
    std::vector<std::pair<int, int>> stack{{heap[0], 0}};
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        if (nodes[node].left < 0) {
            ++perLength[std::min(depth, kMaxCodeLength)];
        } else {
            stack.push_back({nodes[node].left, depth + 1});
            stack.push_back({nodes[node].right, depth + 1});
        }
    }
    // Clamping made the code over-full: move leaves down until the Kraft sum is exactly one.
    std::uint32_t kraft = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len)
        kraft += static_cast<std::uint32_t>(perLength[len]) << (kMaxCodeLength - len);
    while (kraft > (1u << kMaxCodeLength)) {
        --perLength[kMaxCodeLength];
        for (int len = kMaxCodeLength - 1; len > 0; --len) {
            if (perLength[len]) {
                --perLength[len];
                perLength[len + 1] += 2;
                break;
            }
        }
        --kraft;
    }
    // Shortest codes to the most frequent symbols.
    std::vector<int> order;
    for (int i = 0; i < count; ++i)
        if (freq[i])
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return freq[a] > freq[b]; });
    std::size_t k = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len)
        for (int n = 0; n < perLength[len]; ++n)
            lengths[order[k++]] = static_cast<std::uint8_t>(len);
}

namespace {

// Canonical codes for the lengths, as the decoder assigns them.
void MakeCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes)
{
    int perLength[kMaxCodeLength + 1] = {};
    for (int i = 0; i < count; ++i)
        ++perLength[lengths[i]];
    perLength[0] = 0;
    std::uint32_t next[kMaxCodeLength + 1] = {};
    std::uint32_t code = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        next[len] = code;
        code = (code + static_cast<std::uint32_t>(perLength[len])) << 1;
    }
    for (int i = 0; i < count; ++i)
        codes[i] = lengths[i] ? static_cast<std::uint16_t>(next[lengths[i]]++) : 0;
}

struct Code {
    int used = 0;        // symbols of non-zero frequency
    int single = 0;      // the symbol when only one is used
    std::uint8_t lengths[kLiteralCount] = {};
    std::uint16_t codes[kLiteralCount] = {};

    void Build(const std::uint32_t* freq, int count)
    {
        used = 0;
        for (int i = 0; i < count; ++i)
            if (freq[i]) {
                ++used;
                single = i;
            }
        std::memset(lengths, 0, sizeof(lengths));
        if (used >= 2) {
            MakeCodeLengths(freq, count, lengths);
            MakeCodes(lengths, count, codes);
        }
    }
    void Write(BitWriter& out, int symbol) const
    {
        if (used >= 2)
            out.Put(lengths[symbol], codes[symbol]);
    }
};

int PositionCode(std::uint32_t d)
{
    int bits = 0;
    while (d) {
        ++bits;
        d >>= 1;
    }
    return bits;
}

class Lh5Encoder {
public:
    explicit Lh5Encoder(std::vector<std::uint8_t>& out) : m_writer(out) {}

    void Encode(const std::uint8_t* data, std::size_t size)
    {
        std::vector<std::int32_t> head(std::size_t(1) << kHashBits, -1);
        std::vector<std::int32_t> prev(kDictionary, -1);
        auto hash = [&](std::size_t i) {
            return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & ((1u << kHashBits) - 1);
        };
        auto insert = [&](std::size_t i) {
            if (i + kMinMatch > size)
                return;
            std::uint32_t h = hash(i);
            prev[i & (kDictionary - 1)] = head[h];
            head[h] = static_cast<std::int32_t>(i);
        };
        auto longest = [&](std::size_t i, std::size_t& bestDistance) {
            std::size_t best = 0;
            if (i + kMinMatch > size)
                return best;
            std::size_t limit = std::min(kMaxMatch, size - i);
            std::int32_t candidate = head[hash(i)];
            int chain = kMaxChain;
            while (candidate >= 0 && chain-- > 0) {
                std::size_t c = static_cast<std::size_t>(candidate);
                if (i - c > kDictionary - 1 || c >= i)
                    break;
                if (data[c + best] == data[i + best] && data[c] == data[i]) {
                    std::size_t len = 0;
                    while (len < limit && data[c + len] == data[i + len])
                        ++len;
                    if (len > best) {
                        best = len;
                        bestDistance = i - c;
                        if (len == limit)
                            break;
                    }
                }
                std::int32_t next = prev[c & (kDictionary - 1)];
                if (next >= candidate)
                    break;
                candidate = next;
            }
            return best >= kMinMatch ? best : 0;
        };

        std::size_t i = 0;
        while (i < size) {
            std::size_t distance = 0;
            std::size_t length = longest(i, distance);
            if (length && length < kMaxMatch && i + 1 < size) {
                // Lazy step: a longer match one byte later is worth a literal now.
                insert(i);
                std::size_t nextDistance = 0;
                std::size_t next = longest(i + 1, nextDistance);
                if (next > length) {
                    AddLiteral(data[i]);
                    ++i;
                    length = next;
                    distance = nextDistance;
                } else {
                    AddMatch(length, distance);
                    for (std::size_t k = 1; k < length; ++k)
                        insert(i + k);
                    i += length;
                    continue;
                }
            }
            if (length) {
                AddMatch(length, distance);
                for (std::size_t k = 0; k < length; ++k)
                    insert(i + k);
                i += length;
            } else {
                AddLiteral(data[i]);
                insert(i);
                ++i;
            }
        }
        FlushBlock();
        m_writer.Flush();
    }

private:
    void AddLiteral(std::uint8_t c)
    {
        m_tokens.push_back(Token{c, 0});
        ++m_literalFreq[c];
        if (m_tokens.size() == kBlockTokens)
            FlushBlock();
    }
    void AddMatch(std::size_t length, std::size_t distance)
    {
        std::uint16_t code = static_cast<std::uint16_t>(length - kMinMatch + 256);
        std::uint16_t d = static_cast<std::uint16_t>(distance - 1);
        m_tokens.push_back(Token{code, d});
        ++m_literalFreq[code];
        ++m_positionFreq[PositionCode(d)];
        if (m_tokens.size() == kBlockTokens)
            FlushBlock();
    }

    // Code-length lists of the position and length codes: 3 bits, or a unary tail past 6.
    void WriteSmallLengths(const Code& code, int symbols, int countBits, int special)
    {
        int n = symbols;
        while (n > 0 && code.lengths[n - 1] == 0)
            --n;
        m_writer.Put(countBits, static_cast<std::uint32_t>(n));
        int i = 0;
        while (i < n) {
            int k = code.lengths[i++];
            if (k <= 6)
                m_writer.Put(3, static_cast<std::uint32_t>(k));
            else
                m_writer.Put(k - 3, (1u << (k - 3)) - 2);
            if (i == special) {
                while (i < 6 && code.lengths[i] == 0)
                    ++i;
                m_writer.Put(2, static_cast<std::uint32_t>(i - 3));
            }
        }
    }

    template <class Visit>
    static void WalkLiteralLengths(const Code& literals, int n, Visit visit)
    {
        int i = 0;
        while (i < n) {
            int k = literals.lengths[i++];
            if (k == 0) {
                int zeros = 1;
                while (i < n && literals.lengths[i] == 0) {
                    ++i;
                    ++zeros;
                }
                if (zeros <= 2) {
                    for (int z = 0; z < zeros; ++z)
                        visit(0, 0, 0);
                } else if (zeros <= 18) {
                    visit(1, 4, zeros - 3);
                } else if (zeros == 19) {
                    visit(0, 0, 0);
                    visit(1, 4, 15);
                } else {
                    visit(2, 9, zeros - 20);
                }
            } else {
                visit(k + 2, 0, 0);
            }
        }
    }

    void FlushBlock()
    {
        if (m_tokens.empty())
            return;
        Code literals;
        literals.Build(m_literalFreq, kLiteralCount);
        Code positions;
        positions.Build(m_positionFreq, kPositionCodes);

        m_writer.Put(16, static_cast<std::uint32_t>(m_tokens.size()));
        if (literals.used >= 2) {
            int n = kLiteralCount;
            while (n > 0 && literals.lengths[n - 1] == 0)
                --n;
            std::uint32_t lengthFreq[kLengthCodeCount] = {};
            WalkLiteralLengths(literals, n, [&](int symbol, int, int) { ++lengthFreq[symbol]; });
            Code lengthCode;
            lengthCode.Build(lengthFreq, kLengthCodeCount);
            if (lengthCode.used >= 2) {
                WriteSmallLengths(lengthCode, kLengthCodeCount, 5, 3);
            } else {
                m_writer.Put(5, 0);
                m_writer.Put(5, static_cast<std::uint32_t>(lengthCode.single));
            }
            m_writer.Put(9, static_cast<std::uint32_t>(n));
            WalkLiteralLengths(literals, n, [&](int symbol, int extraBits, int extra) {
                lengthCode.Write(m_writer, symbol);
                m_writer.Put(extraBits, static_cast<std::uint32_t>(extra));
            });
        } else {
            m_writer.Put(5, 0);
            m_writer.Put(5, 0);
            m_writer.Put(9, 0);
            m_writer.Put(9, static_cast<std::uint32_t>(literals.single));
        }
        if (positions.used >= 2) {
            WriteSmallLengths(positions, kPositionCodes, 4, -1);
        } else {
            m_writer.Put(4, 0);
            m_writer.Put(4, static_cast<std::uint32_t>(positions.used ? positions.single : 0));
        }
        for (const Token& t : m_tokens) {
            literals.Write(m_writer, t.code);
            if (t.code >= 256) {
                int p = PositionCode(t.distance);
                positions.Write(m_writer, p);
                if (p > 1)
                    m_writer.Put(p - 1, t.distance & ((1u << (p - 1)) - 1));
            }
        }
        m_tokens.clear();
        std::memset(m_literalFreq, 0, sizeof(m_literalFreq));
        std::memset(m_positionFreq, 0, sizeof(m_positionFreq));
    }

    struct Token {
        std::uint16_t code;
        std::uint16_t distance;
    };
    BitWriter m_writer;
    std::vector<Token> m_tokens;
    std::uint32_t m_literalFreq[kLiteralCount] = {};
    std::uint32_t m_positionFreq[kPositionCodes] = {};
};

} // namespace

std::vector<std::uint8_t> EncodeLh5(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> out;
    if (size == 0)
        return out;
    out.reserve(size / 2 + 64);
    std::unique_ptr<Lh5Encoder> encoder(new Lh5Encoder(out));
    encoder->Encode(data, size);
    return out;
}

} // namespace lha
