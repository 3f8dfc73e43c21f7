#include "framework/core/ByteBuffer.h"

#include "framework/core/Cp932.h"

#include <cstring>

bool CByteReader::Need(std::size_t count)
{
    if (m_failed || count > Remaining()) {
        m_failed = true;
        return false;
    }
    return true;
}

std::uint8_t CByteReader::U8()
{
    if (!Need(1))
        return 0;
    return m_data[m_position++];
}

std::uint16_t CByteReader::U16BE()
{
    if (!Need(2))
        return 0;
    std::uint16_t v = static_cast<std::uint16_t>((m_data[m_position] << 8) | m_data[m_position + 1]);
    m_position += 2;
    return v;
}

std::uint32_t CByteReader::U32BE()
{
    if (!Need(4))
        return 0;
    const std::uint8_t* p = m_data + m_position;
    m_position += 4;
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint16_t CByteReader::U16LE()
{
    if (!Need(2))
        return 0;
    std::uint16_t v = static_cast<std::uint16_t>(m_data[m_position] | (m_data[m_position + 1] << 8));
    m_position += 2;
    return v;
}

std::uint32_t CByteReader::U32LE()
{
    if (!Need(4))
        return 0;
    const std::uint8_t* p = m_data + m_position;
    m_position += 4;
    return (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

bool CByteReader::Bytes(void* out, std::size_t count)
{
    if (!Need(count)) {
        if (out && count)
            std::memset(out, 0, count);
        return false;
    }
    if (count)
        std::memcpy(out, m_data + m_position, count);
    m_position += count;
    return true;
}

bool CByteReader::Skip(std::size_t count)
{
    if (!Need(count))
        return false;
    m_position += count;
    return true;
}

std::vector<std::uint8_t> CByteReader::Take(std::size_t count)
{
    if (!Need(count))
        return {};
    std::vector<std::uint8_t> out(m_data + m_position, m_data + m_position + count);
    m_position += count;
    return out;
}

CString CByteReader::FixedString(std::size_t width)
{
    if (!Need(width))
        return CString();
    const char* field = reinterpret_cast<const char*>(m_data + m_position);
    std::size_t length = 0;
    while (length < width && field[length] != '\0')
        ++length;
    m_position += width;
    return CString(field, static_cast<int>(length));
}

void CByteWriter::U16BE(std::uint16_t value)
{
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    m_bytes.push_back(static_cast<std::uint8_t>(value));
}

void CByteWriter::U32BE(std::uint32_t value)
{
    U16BE(static_cast<std::uint16_t>(value >> 16));
    U16BE(static_cast<std::uint16_t>(value));
}

void CByteWriter::U16LE(std::uint16_t value)
{
    m_bytes.push_back(static_cast<std::uint8_t>(value));
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void CByteWriter::U32LE(std::uint32_t value)
{
    U16LE(static_cast<std::uint16_t>(value));
    U16LE(static_cast<std::uint16_t>(value >> 16));
}

void CByteWriter::Bytes(const void* data, std::size_t count)
{
    if (!count)
        return;
    const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + count);
}

void CByteWriter::FixedString(const char* text, std::size_t width, bool nulTerminated)
{
    if (!width)
        return;
    std::size_t length = text ? std::strlen(text) : 0;
    std::size_t room = nulTerminated ? width - 1 : width;
    if (length > room)
        length = cp932::BoundaryAtOrBefore(text, length, room);
    Bytes(text, length);
    Zeros(width - length);
}

bool CByteWriter::PatchU16BE(std::size_t offset, std::uint16_t value)
{
    if (offset + 2 > m_bytes.size())
        return false;
    m_bytes[offset] = static_cast<std::uint8_t>(value >> 8);
    m_bytes[offset + 1] = static_cast<std::uint8_t>(value);
    return true;
}

bool CByteWriter::PatchU32BE(std::size_t offset, std::uint32_t value)
{
    if (offset + 4 > m_bytes.size())
        return false;
    PatchU16BE(offset, static_cast<std::uint16_t>(value >> 16));
    PatchU16BE(offset + 2, static_cast<std::uint16_t>(value));
    return true;
}
