// The attachment package reader on arbitrary packages: the index parser on the bytes, then the
// same package through a file with List and Extract of every listed entry, and the first entry
// packed again by the writer.
#include "messaging/wire/AttachPack.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string Slurp(const std::string& path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        std::size_t got;
        while ((got = std::fread(block, 1, sizeof block, f)) > 0)
            bytes.append(block, got);
        std::fclose(f);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> input(data, data + size);
    AttachPackHeader header;
    std::vector<AttachPackEntry> entries;
    const int result = AttachParseIndex(input.data(), input.size(), input.size(), &header, &entries);
    std::uint64_t end = header.dataOffset;
    for (const AttachPackEntry& entry : entries) {
        // Whatever pairs the bytes make, no byte of a plain name may be one a file system splits at.
        if (entry.name.IsEmpty() || entry.name.str().find_first_of("/:") != std::string::npos)
            std::abort();
        end += entry.size;
    }
    if (result < 0 ? !entries.empty() : (!entries.empty() && end > size))
        std::abort();

    static const std::string dir = "/tmp/fuzz_attach_pack." + std::to_string(getpid());
    static const bool made = (std::system(("mkdir -p " + dir + "/x").c_str()), true);
    static struct RemoveAtExit {
        ~RemoveAtExit() { std::system(("rm -rf " + dir).c_str()); }
    } removeAtExit;
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
    if (names.GetSize() == 0)
        return 0;

    // The first entry, extracted under its own name and packed again, lists and extracts the same.
    const std::string first = dir + "/x/" + std::string(names[0].GetString());
    const std::string again = dir + "/again.pak";
    if (pack.Extract(package.c_str(), names[0], first.c_str()) != 0)
        std::abort();
    CStringArray files;
    files.Add(first.c_str());
    CAttachPack packer;
    const int packed = packer.Pack(files, again.c_str());
    if (entries.front().size == 0 ? packed != ATTACH_SHORT : packed != 0)
        std::abort();
    if (packed == 0) {
        CStringArray listed;
        if (pack.List(listed, again.c_str()) != 0 || listed.GetSize() != 1 || listed[0] != names[0])
            std::abort();
        if (pack.Extract(again.c_str(), names[0], out.c_str()) != 0 || Slurp(out) != Slurp(first))
            std::abort();
        std::remove(out.c_str());
    }
    std::remove(first.c_str());
    std::remove(again.c_str());
    return 0;
}
