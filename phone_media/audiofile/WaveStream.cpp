#include "phone_media/audiofile/WaveStream.h"

namespace {

std::int16_t LoadLe16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
std::int16_t LoadBe16(const std::uint8_t* p) { return static_cast<std::int16_t>((p[0] << 8) | p[1]); }
void StoreLe16(std::uint8_t* p, std::int16_t v)
{
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
void StoreBe16(std::uint8_t* p, std::int16_t v)
{
    p[0] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    p[1] = static_cast<std::uint8_t>(v & 0xFF);
}

template <std::int16_t (*Load)(const std::uint8_t*)>
void Read16(const std::uint8_t* at, int channels, std::int16_t* left, std::int16_t* right)
{
    *left = Load(at);
    *right = channels == 2 ? Load(at + 2) : *left;
}

template <void (*Store)(std::uint8_t*, std::int16_t)>
void Write16(std::uint8_t* at, int channels, std::int16_t left, std::int16_t right)
{
    Store(at, left);
    if (channels == 2)
        Store(at + 2, right);
}

std::int16_t FromUnsigned8(std::uint8_t b) { return static_cast<std::int16_t>((b - 128) * 256); }
std::int16_t FromSigned8(std::uint8_t b) { return static_cast<std::int16_t>(static_cast<std::int8_t>(b) * 256); }
std::uint8_t ToUnsigned8(std::int16_t v) { return static_cast<std::uint8_t>((v >> 8) + 128); }
std::uint8_t ToSigned8(std::int16_t v) { return static_cast<std::uint8_t>(static_cast<std::int8_t>(v >> 8)); }

template <std::int16_t (*From)(std::uint8_t)>
void Read8(const std::uint8_t* at, int channels, std::int16_t* left, std::int16_t* right)
{
    *left = From(at[0]);
    *right = channels == 2 ? From(at[1]) : *left;
}

template <std::uint8_t (*To)(std::int16_t)>
void Write8(std::uint8_t* at, int channels, std::int16_t left, std::int16_t right)
{
    at[0] = To(left);
    if (channels == 2)
        at[1] = To(right);
}

} // namespace

std::unique_ptr<CWaveStream> CWaveStream::OpenRead(const char* path)
{
    WaveFileType type;
    if (!WaveFileTypeFromPath(path, &type))
        return nullptr;
    return OpenRead(OpenMappedFile(path, MappedAccess::Read), type);
}

std::unique_ptr<CWaveStream> CWaveStream::Create(const char* path, std::uint32_t rate, int channels, int bits,
    std::uint32_t frames)
{
    WaveFileType type;
    if (!WaveFileTypeFromPath(path, &type))
        return nullptr;
    return Create(OpenMappedFile(path, MappedAccess::ReadWrite), type, rate, channels, bits, frames);
}

std::unique_ptr<CWaveStream> CWaveStream::OpenRead(std::unique_ptr<CMappedFile> file, WaveFileType type)
{
    if (!file || file->Size() == 0 || !file->View())
        return nullptr;
    WaveLayout layout;
    bool parsed = type == WaveFileType::Wav ? ParseWavHeader(file->View(), file->Size(), &layout)
                                            : ParseAiffHeader(file->View(), file->Size(), &layout);
    if (!parsed)
        return nullptr;
    std::unique_ptr<CWaveStream> stream(new CWaveStream);
    if (!stream->Bind(type, layout.rate, layout.channels, layout.bits))
        return nullptr;
    stream->m_file = std::move(file);
    stream->m_dataOffset = layout.dataOffset;
    stream->m_capacity = stream->m_frameCount = layout.frames;
    stream->m_writable = false;
    return stream;
}

std::unique_ptr<CWaveStream> CWaveStream::Create(std::unique_ptr<CMappedFile> file, WaveFileType type,
    std::uint32_t rate, int channels, int bits, std::uint32_t frames)
{
    if (!file || file->Access() != MappedAccess::ReadWrite)
        return nullptr;
    std::unique_ptr<CWaveStream> stream(new CWaveStream);
    if (!stream->Bind(type, rate, channels, bits))
        return nullptr;
    // Check the header can be written before touching the file.
    std::uint8_t probe[kAiffHeaderSize];
    bool valid = type == WaveFileType::Wav ? WriteWavHeader(probe, rate, channels, bits, frames)
                                           : WriteAiffHeader(probe, rate, channels, bits, frames);
    if (!valid)
        return nullptr;
    stream->m_file = std::move(file);
    stream->m_dataOffset = stream->HeaderSize();
    stream->m_writable = true;
    stream->m_written = true; // a created file always ends with its real length
    if (!stream->Resize(frames))
        return nullptr;
    stream->m_frameCount = 0;
    return stream;
}

bool CWaveStream::Bind(WaveFileType type, std::uint32_t rate, int channels, int bits)
{
    if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate < 1)
        return false;
    m_type = type;
    m_rate = rate;
    m_channels = channels;
    m_bits = bits;
    m_bytesPerFrame = bits * channels / 8;
    m_bigEndian = type == WaveFileType::Aiff;
    m_unsigned8 = type == WaveFileType::Wav && bits == 8;
    if (bits == 16) {
        m_readFrame = m_bigEndian ? Read16<LoadBe16> : Read16<LoadLe16>;
        m_writeFrame = m_bigEndian ? Write16<StoreBe16> : Write16<StoreLe16>;
    } else {
        m_readFrame = m_unsigned8 ? Read8<FromUnsigned8> : Read8<FromSigned8>;
        m_writeFrame = m_unsigned8 ? Write8<ToUnsigned8> : Write8<ToSigned8>;
    }
    return true;
}

CWaveStream::~CWaveStream()
{
    Finish();
}

std::size_t CWaveStream::HeaderSize() const
{
    return m_type == WaveFileType::Wav ? kWavHeaderSize : kAiffHeaderSize;
}

bool CWaveStream::WriteHeader(std::uint32_t frames)
{
    if (!m_file || !m_file->View() || m_file->Size() < HeaderSize())
        return false;
    return m_type == WaveFileType::Wav ? WriteWavHeader(m_file->View(), m_rate, m_channels, m_bits, frames)
                                       : WriteAiffHeader(m_file->View(), m_rate, m_channels, m_bits, frames);
}

bool CWaveStream::Resize(std::uint32_t frames)
{
    if (!m_file || !m_writable || frames > MaxWaveFrames(m_channels, m_bits))
        return false;
    std::uint64_t bytes = HeaderSize() + static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(m_bytesPerFrame);
    if (bytes > SIZE_MAX || !m_file->Resize(static_cast<std::size_t>(bytes))) {
        // The old view is gone: nothing more can be read or written.
        m_capacity = m_frameCount = m_current = 0;
        m_writable = false;
        return false;
    }
    m_capacity = frames;
    return WriteHeader(frames);
}

bool CWaveStream::SetLength(std::uint32_t frames)
{
    if (!Resize(frames))
        return false;
    m_frameCount = frames;
    if (m_current > frames)
        m_current = frames;
    return true;
}

std::unique_ptr<CMappedFile> CWaveStream::Finish()
{
    if (m_file && m_written && m_writable && m_frameCount != m_capacity) {
        if (!Resize(m_frameCount))
            m_file.reset();
    }
    m_writable = false;
    m_capacity = m_frameCount = m_current = 0;
    return std::move(m_file);
}

void CWaveStream::ReadFrame(std::int16_t* left, std::int16_t* right)
{
    // Past the end is silence in the 16-bit domain for every format, so padding read from there
    // adds no offset to what follows.
    if (!m_file || m_current >= m_frameCount) {
        *left = *right = 0;
        return;
    }
    const std::uint8_t* at = m_file->View() + m_dataOffset + static_cast<std::size_t>(m_current) * m_bytesPerFrame;
    m_readFrame(at, m_channels, left, right);
    ++m_current;
}

bool CWaveStream::WriteFrame(std::int16_t left, std::int16_t right)
{
    if (!m_file || !m_writable)
        return false;
    if (m_current >= m_frameCount && m_frameCount >= m_capacity) {
        std::uint32_t limit = MaxWaveFrames(m_channels, m_bits);
        if (m_capacity >= limit)
            return false;
        std::uint32_t grown = limit - m_capacity < kGrowFrames ? limit : m_capacity + kGrowFrames;
        std::uint32_t count = m_frameCount, current = m_current;
        if (!Resize(grown))
            return false;
        m_frameCount = count;
        m_current = current;
    }
    std::uint8_t* at = m_file->View() + m_dataOffset + static_cast<std::size_t>(m_current) * m_bytesPerFrame;
    m_writeFrame(at, m_channels, left, right);
    if (m_current + 1 > m_frameCount)
        m_frameCount = m_current + 1;
    ++m_current;
    return true;
}
