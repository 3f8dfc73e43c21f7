// The clip information reader over any bytes: never reads past them, and a success has a
// positive duration.
#include "phone_media/voiceclip/ClipRules.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    clip::ClipInfo info;
    int result = clip::ReadWaveInfo(data, size, &info);
    if (result == 1 && info.durationMs < 1)
        std::abort();
    if (result != 1 && result != -12)
        std::abort();
    return 0;
}
