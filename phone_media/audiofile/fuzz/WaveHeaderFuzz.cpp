// The WAV and AIFF chunk walkers on arbitrary files, then every frame of what they accept read
// through a stream: nothing may be read outside the bytes given. What was read is written again
// as a new file of the same kind and must read back frame for frame; the input as a file name
// goes through the type rule.
#include "phone_media/audiofile/WaveStream.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kMaxFrames = 4000;

struct Frame {
    std::int16_t left, right;
    bool operator!=(const Frame& other) const { return left != other.left || right != other.right; }
};

// Writes the frames as a new file of the stream's kind, then reads that file back.
void RoundTrip(const CWaveStream& read, const std::vector<Frame>& frames)
{
    auto empty = std::make_unique<CMemoryMappedFile>(std::vector<std::uint8_t>(), MappedAccess::ReadWrite);
    // Sized for a few frames more than written (growing in the writer's own large steps would
    // cost megabytes per input); Finish cuts the rest off again.
    const std::uint32_t room = static_cast<std::uint32_t>(frames.size()) + 3;
    auto out = CWaveStream::Create(std::move(empty), read.Type(), read.Rate(), read.Channels(), read.Bits(), room);
    if (!out) {
        // The reader takes what the writer writes: a rate the writer can't store is the only way out.
        if (read.Type() == WaveFileType::Aiff && read.Rate() > 65535)
            return;
        std::abort();
    }
    if (out->Capacity() != room || out->FrameCount() != 0)
        std::abort();
    for (const Frame& f : frames)
        if (!out->WriteFrame(f.left, f.right))
            std::abort();
    std::unique_ptr<CMappedFile> file = out->Finish();
    if (!file)
        std::abort();
    auto back = CWaveStream::OpenRead(std::move(file), read.Type());
    if (!back || back->FrameCount() != frames.size() || back->Rate() != read.Rate() ||
        back->Channels() != read.Channels())
        std::abort();
    for (const Frame& f : frames) {
        Frame again;
        back->ReadFrame(&again.left, &again.right);
        if (again != f)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (WaveFileType type : {WaveFileType::Wav, WaveFileType::Aiff}) {
        WaveLayout layout;
        bool parsed = type == WaveFileType::Wav ? ParseWavHeader(data, size, &layout) : ParseAiffHeader(data, size, &layout);
        if (parsed) {
            std::size_t frameBytes = static_cast<std::size_t>(layout.channels * layout.bits / 8);
            if (layout.dataOffset > size || (size - layout.dataOffset) / frameBytes < layout.frames)
                std::abort();
        }
        // The memory mapping holds exactly the input, so ASan catches any read past it.
        auto file = std::make_unique<CMemoryMappedFile>(std::vector<std::uint8_t>(data, data + size), MappedAccess::Read);
        auto stream = CWaveStream::OpenRead(std::move(file), type);
        if (!stream)
            continue;
        std::vector<Frame> frames;
        for (std::uint32_t i = 0; i <= stream->FrameCount() && i < 100000; ++i) {
            Frame f;
            stream->ReadFrame(&f.left, &f.right);
            if (i < stream->FrameCount() && frames.size() < kMaxFrames)
                frames.push_back(f);
        }
        if (stream->WriteFrame(0, 0))
            std::abort(); // read-only
        RoundTrip(*stream, frames);
    }
    // The first bytes as a file name: the type follows the extension alone.
    std::string name(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
    WaveFileType type;
    WaveFileTypeFromPath(name.c_str(), &type);
    // A rate read from the first ten bytes writes back to the same bytes when it is one the
    // writer takes.
    if (size >= 10) {
        std::uint32_t rate = 0;
        std::uint8_t again[10];
        if (DecodeAiffRate(data, &rate) && rate <= 65535 && EncodeAiffRate(rate, again)) {
            std::uint32_t back = 0;
            if (!DecodeAiffRate(again, &back) || back != rate)
                std::abort();
        }
    }
    return 0;
}
