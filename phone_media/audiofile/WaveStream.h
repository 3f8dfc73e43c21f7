// The wave stream: a WAV or AIFF file read and written frame by frame as 16-bit samples, over a
// mapped file. Reading and writing a frame is a memory access; written files grow in large steps
// and are cut back to the frames written when the stream is finished.
#pragma once

#include "phone_media/audiofile/MappedFile.h"
#include "phone_media/audiofile/WaveHeader.h"

#include <cstdint>
#include <memory>

class CWaveStream {
public:
    // Frames added at once when a write runs past the end of the file.
    static constexpr std::uint32_t kGrowFrames = 0x80000;

    // Null unless the extension is known (.wav, .aif), the file exists, is not empty and has a
    // valid header of the type the extension names.
    static std::unique_ptr<CWaveStream> OpenRead(const char* path);
    // Creates (or takes over) the file and sizes it for frames frames behind a fresh header.
    static std::unique_ptr<CWaveStream> Create(const char* path, std::uint32_t rate, int channels, int bits,
        std::uint32_t frames);
    // The same over a mapping made by the caller.
    static std::unique_ptr<CWaveStream> OpenRead(std::unique_ptr<CMappedFile> file, WaveFileType type);
    static std::unique_ptr<CWaveStream> Create(std::unique_ptr<CMappedFile> file, WaveFileType type,
        std::uint32_t rate, int channels, int bits, std::uint32_t frames);

    CWaveStream(const CWaveStream&) = delete;
    CWaveStream& operator=(const CWaveStream&) = delete;
    ~CWaveStream();

    // Cuts a written file back to the frames it holds, rewrites its header and hands the mapping
    // back (null when the cut failed). The stream is unusable afterwards.
    std::unique_ptr<CMappedFile> Finish();

    // Sizes the file for exactly frames frames; the current frame is kept inside them.
    bool SetLength(std::uint32_t frames);

    // The frame at the current position as a (left, right) pair, right = left for mono. At or
    // past the end it gives silence (0, 0) and does not advance.
    void ReadFrame(std::int16_t* left, std::int16_t* right);
    // Writes at the current position (only left for mono) and advances, growing the file when
    // the end is reached. False when the stream is read-only or the file could not grow.
    bool WriteFrame(std::int16_t left, std::int16_t right);

    std::uint32_t Rate() const { return m_rate; }
    int Channels() const { return m_channels; }
    int Bits() const { return m_bits; }
    std::uint32_t FrameCount() const { return m_frameCount; }
    std::uint32_t Capacity() const { return m_capacity; }
    std::uint32_t CurrentFrame() const { return m_current; }
    WaveFileType Type() const { return m_type; }

    using ReadFrameFunction = void (*)(const std::uint8_t* at, int channels, std::int16_t* left, std::int16_t* right);
    using WriteFrameFunction = void (*)(std::uint8_t* at, int channels, std::int16_t left, std::int16_t right);

private:
    CWaveStream() = default;
    bool Bind(WaveFileType type, std::uint32_t rate, int channels, int bits);
    std::size_t HeaderSize() const;
    bool WriteHeader(std::uint32_t frames);
    bool Resize(std::uint32_t frames);

    std::uint32_t m_rate = 0;
    int m_channels = 0;
    int m_bits = 0;
    std::unique_ptr<CMappedFile> m_file;
    std::uint32_t m_capacity = 0;
    std::uint32_t m_frameCount = 0;
    int m_bytesPerFrame = 0;
    std::size_t m_dataOffset = 0;
    std::uint32_t m_current = 0;
    bool m_bigEndian = false;
    bool m_unsigned8 = false;
    WaveFileType m_type = WaveFileType::Wav;
    bool m_writable = false;
    bool m_written = false;
    ReadFrameFunction m_readFrame = nullptr;
    WriteFrameFunction m_writeFrame = nullptr;
};
