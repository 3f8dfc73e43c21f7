// Archives from outside (downloaded skins): headers of every level and each member's method.
#include "platform/unlha32/codec/Lha.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    lha::Reader reader(data, size);
    lha::Entry entry;
    std::vector<std::uint8_t> out;
    while (reader.Next(entry))
        (void)reader.Extract(entry, out, 1u << 20);
    std::vector<lha::UnpackedFile> files;
    (void)lha::UnpackAll(data, size, files, 1u << 20);
    return 0;
}
