// The WAV and AIFF chunk walkers on arbitrary files, then every frame of what they accept read
// through a stream: nothing may be read outside the bytes given.
#include "phone_media/audiofile/WaveStream.h"

#include <cstdlib>
#include <vector>

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
        std::int16_t left, right;
        for (std::uint32_t i = 0; i <= stream->FrameCount() && i < 100000; ++i)
            stream->ReadFrame(&left, &right);
    }
    return 0;
}
