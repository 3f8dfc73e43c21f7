// Archives from outside (downloaded skins): headers of every level and each member's method. What
// unpacks is packed again by our writer and must unpack to the same names and bytes.
#include "platform/unlha32/codec/Lha.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    lha::Reader reader(data, size);
    lha::Entry entry;
    std::vector<std::uint8_t> out;
    while (reader.Next(entry))
        (void)reader.Extract(entry, out, 1u << 20);
    (void)lha::StatusText(reader.status());
    std::vector<lha::UnpackedFile> files;
    if (lha::UnpackAll(data, size, files, 1u << 20) != lha::Status::Ok)
        return 0;

    lha::Writer writer;
    for (const lha::UnpackedFile& file : files) {
        // UnpackAll hands out plain names only: whatever pairs the bytes make, none is one a file
        // system splits at.
        if (!lha::IsPlainFileName(file.name) || file.name.find_first_of("/:") != std::string::npos)
            std::abort();
        writer.Add(file.name, file.data.data(), file.data.size(), 0x5F000000u);
    }
    std::vector<std::uint8_t> archive = writer.Finish();
    std::vector<lha::UnpackedFile> again;
    if (lha::UnpackAll(archive.data(), archive.size(), again) != lha::Status::Ok || again.size() != files.size())
        std::abort();
    for (std::size_t i = 0; i < files.size(); ++i)
        if (again[i].name != files[i].name || again[i].data != files[i].data)
            std::abort();
    return 0;
}
