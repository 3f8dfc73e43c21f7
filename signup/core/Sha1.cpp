#include "signup/core/Sha1.h"

#include <cstring>

namespace {

std::uint32_t Rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

} // namespace

CSha1::CSha1() { Reset(); }
CSha1::~CSha1() = default;

void CSha1::Reset()
{
    m_h[0] = 0x67452301u;
    m_h[1] = 0xEFCDAB89u;
    m_h[2] = 0x98BADCFEu;
    m_h[3] = 0x10325476u;
    m_h[4] = 0xC3D2E1F0u;
    m_bitsLow = 0;
    m_bitsHigh = 0;
    m_used = 0;
    std::memset(m_buffer, 0, sizeof m_buffer);
}

void CSha1::Block(const std::uint8_t* block)
{
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = (std::uint32_t(block[t * 4]) << 24) | (std::uint32_t(block[t * 4 + 1]) << 16) |
               (std::uint32_t(block[t * 4 + 2]) << 8) | std::uint32_t(block[t * 4 + 3]);
    for (int t = 16; t < 80; ++t)
        w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint32_t a = m_h[0], b = m_h[1], c = m_h[2], d = m_h[3], e = m_h[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        std::uint32_t temp = Rotl(a, 5) + f + e + w[t] + k;
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = temp;
    }
    m_h[0] += a;
    m_h[1] += b;
    m_h[2] += c;
    m_h[3] += d;
    m_h[4] += e;
}

void CSha1::Update(const void* data, std::size_t length)
{
    const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
    while (length > 0) {
        std::size_t take = 64 - m_used;
        if (take > length)
            take = length;
        std::memcpy(m_buffer + m_used, p, take);
        m_used += take;
        p += take;
        length -= take;
        // The bit count as two halves: carry into the high word when the low one wraps.
        std::uint32_t bits = static_cast<std::uint32_t>(take) * 8u;
        std::uint32_t before = m_bitsLow;
        m_bitsLow += bits;
        if (m_bitsLow < before)
            ++m_bitsHigh;
        if (m_used == 64) {
            Block(m_buffer);
            m_used = 0;
        }
    }
}

void CSha1::Final(std::uint8_t digest[20])
{
    const std::uint32_t low = m_bitsLow, high = m_bitsHigh;
    std::uint8_t pad = 0x80;
    Update(&pad, 1);
    const std::uint8_t zero = 0;
    while (m_used != 56)
        Update(&zero, 1);
    std::uint8_t length[8];
    for (int i = 0; i < 4; ++i) {
        length[i] = static_cast<std::uint8_t>(high >> (24 - 8 * i));
        length[4 + i] = static_cast<std::uint8_t>(low >> (24 - 8 * i));
    }
    Update(length, 8);
    for (int i = 0; i < 5; ++i) {
        digest[i * 4] = static_cast<std::uint8_t>(m_h[i] >> 24);
        digest[i * 4 + 1] = static_cast<std::uint8_t>(m_h[i] >> 16);
        digest[i * 4 + 2] = static_cast<std::uint8_t>(m_h[i] >> 8);
        digest[i * 4 + 3] = static_cast<std::uint8_t>(m_h[i]);
    }
    Reset();
}

CString Sha1Hex(const void* data, std::size_t length)
{
    CSha1 sha;
    sha.Update(data, length);
    std::uint8_t digest[20];
    sha.Final(digest);
    static const char kDigits[] = "0123456789abcdef";
    char text[41];
    for (int i = 0; i < 20; ++i) {
        text[i * 2] = kDigits[digest[i] >> 4];
        text[i * 2 + 1] = kDigits[digest[i] & 0x0F];
    }
    text[40] = '\0';
    return CString(text);
}

CString Sha1Hex(const CString& text) { return Sha1Hex(text.GetString(), static_cast<std::size_t>(text.GetLength())); }
