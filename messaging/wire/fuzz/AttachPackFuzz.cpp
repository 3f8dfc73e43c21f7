// The attachment package reader on arbitrary packages: the index parser on the bytes, then the
// same package through a file with List and Extract of every listed entry.
#include "messaging/wire/AttachPack.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> input(data, data + size);
    AttachPackHeader header;
    std::vector<AttachPackEntry> entries;
    const int result = AttachParseIndex(input.data(), input.size(), input.size(), &header, &entries);
    std::uint64_t end = header.dataOffset;
    for (const AttachPackEntry& entry : entries) {
        if (entry.name.IsEmpty() || entry.name.Find('/') >= 0)
            std::abort();
        end += entry.size;
    }
    if (result < 0 ? !entries.empty() : (!entries.empty() && end > size))
        std::abort();

    static const std::string dir = "/tmp/fuzz_attach_pack." + std::to_string(getpid());
    static const bool made = (std::system(("mkdir -p " + dir).c_str()), true);
    (void)made;
    const std::string package = dir + "/in.pak";
    const std::string out = dir + "/out.bin";
    std::FILE* f = std::fopen(package.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(input.data(), 1, input.size(), f);
    std::fclose(f);
    CAttachPack pack;
    CStringArray names;
    if (pack.List(names, package.c_str()) != result)
        std::abort();
    for (int i = 0; i < names.GetSize(); ++i) {
        if (pack.Extract(package.c_str(), names[i], out.c_str()) != 0)
            std::abort();
        std::remove(out.c_str());
    }
    return 0;
}
