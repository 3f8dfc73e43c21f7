// lhapack: the build's archiver on the host, made of the same codec as unlha32.dll.
//   lhapack c archive file...     create (level 2 headers, -lh5-), names without folders
//   lhapack x archive folder      extract every member into folder
// Archives are reproducible: every member gets the same fixed time stamp.
#include "platform/unlha32/codec/Lha.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& data)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    data.clear();
    std::uint8_t buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

std::string BaseName(const std::string& path)
{
    std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

constexpr std::uint32_t kFixedTime = 946684800;  // 2000-01-01 00:00 UTC

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "c") == 0) {
        lha::Writer writer;
        for (int i = 3; i < argc; ++i) {
            std::vector<std::uint8_t> data;
            if (!ReadFile(argv[i], data)) {
                std::fprintf(stderr, "lhapack: cannot read %s\n", argv[i]);
                return 1;
            }
            writer.Add(BaseName(argv[i]), data.data(), data.size(), kFixedTime);
        }
        std::string target = argv[2];
        std::string temporary = target + ".tmp";
        if (!WriteFile(temporary, writer.Finish()) || std::rename(temporary.c_str(), target.c_str()) != 0) {
            std::remove(temporary.c_str());
            std::fprintf(stderr, "lhapack: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "x") == 0) {
        std::vector<std::uint8_t> archive;
        if (!ReadFile(argv[2], archive)) {
            std::fprintf(stderr, "lhapack: cannot read %s\n", argv[2]);
            return 1;
        }
        std::vector<lha::UnpackedFile> files;
        lha::Status status = lha::UnpackAll(archive.data(), archive.size(), files);
        if (status != lha::Status::Ok) {
            std::fprintf(stderr, "lhapack: %s: %s\n", argv[2], lha::StatusText(status));
            return 2;
        }
        for (const lha::UnpackedFile& file : files)
            if (!WriteFile(std::string(argv[3]) + "/" + file.name, file.data)) {
                std::fprintf(stderr, "lhapack: cannot write %s\n", file.name.c_str());
                return 1;
            }
        return 0;
    }
    std::fprintf(stderr, "usage: lhapack c archive file... | lhapack x archive folder\n");
    return 64;
}
