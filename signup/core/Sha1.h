// SHA-1 message digest (FIPS 180-1) and its lower-case hexadecimal form.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <cstdint>

class CSha1 {
public:
    CSha1();
    virtual ~CSha1();

    void Reset();
    void Update(const void* data, std::size_t length);
    // Pads the message, writes the 20-byte digest and leaves the object reset.
    void Final(std::uint8_t digest[20]);

private:
    void Block(const std::uint8_t* block);

    std::uint32_t m_h[5];
    std::uint32_t m_bitsLow;  // bit count, low 32 bits
    std::uint32_t m_bitsHigh; // bit count, high 32 bits
    std::uint8_t m_buffer[64];
    std::size_t m_used;
};

// 40 lower-case hexadecimal digits of the SHA-1 digest of the bytes (no terminator).
CString Sha1Hex(const void* data, std::size_t length);
CString Sha1Hex(const CString& text);
