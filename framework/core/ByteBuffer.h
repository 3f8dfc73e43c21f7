// Bounded readers and writers for wire and file formats. The reader checks what is left before
// every read and keeps a sticky error: after the first underrun every read yields zero and the
// caller checks Ok() once at the end. Never overlay structs on received bytes.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CByteReader {
public:
    CByteReader(const void* data, std::size_t length)
        : m_data(static_cast<const std::uint8_t*>(data)), m_length(data ? length : 0) {}

    bool Ok() const { return !m_failed; }
    bool Failed() const { return m_failed; }
    std::size_t Position() const { return m_position; }
    std::size_t Remaining() const { return m_length - m_position; }
    const std::uint8_t* Current() const { return m_data + m_position; }

    std::uint8_t U8();
    std::uint16_t U16BE();
    std::uint32_t U32BE();
    std::uint16_t U16LE();
    std::uint32_t U32LE();
    // Copies count bytes to out; on underrun out is zero-filled and the reader fails.
    bool Bytes(void* out, std::size_t count);
    bool Skip(std::size_t count);
    std::vector<std::uint8_t> Take(std::size_t count);
    // A fixed field of width bytes holding a NUL-terminated or NUL-padded text; the text ends at
    // the first NUL or at the end of the field.
    CString FixedString(std::size_t width);
    // Marks the reader failed, for a check of content that the caller found wrong.
    void Fail() { m_failed = true; }

private:
    bool Need(std::size_t count);

    const std::uint8_t* m_data;
    std::size_t m_length;
    std::size_t m_position = 0;
    bool m_failed = false;
};

class CByteWriter {
public:
    void U8(std::uint8_t value) { m_bytes.push_back(value); }
    void U16BE(std::uint16_t value);
    void U32BE(std::uint32_t value);
    void U16LE(std::uint16_t value);
    void U32LE(std::uint32_t value);
    void Bytes(const void* data, std::size_t count);
    void Zeros(std::size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    // Writes text into a field of exactly width bytes: cut to fit (whole characters only, with
    // room for a NUL when nulTerminated) and padded with NULs.
    void FixedString(const char* text, std::size_t width, bool nulTerminated = true);
    // Overwrites bytes already written; out-of-range patches are ignored and return false.
    bool PatchU16BE(std::size_t offset, std::uint16_t value);
    bool PatchU32BE(std::size_t offset, std::uint32_t value);

    std::size_t Size() const { return m_bytes.size(); }
    const std::vector<std::uint8_t>& Data() const { return m_bytes; }
    std::vector<std::uint8_t> Release() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};
