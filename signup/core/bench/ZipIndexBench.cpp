// Zip-code index build against a bare CR LF scan of the same generated 120,580-line file, read
// in 131072-byte pieces as the program does. Run by hand; prints the best of 30 runs of each.
#include "signup/core/ZipCodeIndex.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string MakeFile(std::size_t lines)
{
    // "ＮＮＮＮＮＮＮ" rows shaped like the real file: code, prefecture, city, town, marker.
    const char* towns[] = {"\x90\xe7\x91\xe3\x93\x63", "\x8a\x67\x8b\x8f\x8a\x4f\x89\x91\x81\x69\x82\xbb\x82\xcc\x91\xbc\x81\x6a",
                           "\x91\xe5\x8e\xe8\x92\xac"};
    std::string text;
    text.reserve(lines * 64);
    char line[256];
    for (std::size_t i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "\"%07u\",\"\x93\x8c\x8b\x9e\x93\x73\",\"\x90\xe7\x91\xe3\x93\x63\x8b\xe6\",\"%s\",\"%d\"\r\n",
                      static_cast<unsigned>(1000000 + i * 37 % 8999999), towns[i % 3], static_cast<int>(i % 5 == 0));
        text += line;
    }
    return text;
}

template <typename F> double BestMs(F f)
{
    double best = 1e9;
    for (int run = 0; run < 30; ++run) {
        auto start = std::chrono::steady_clock::now();
        f();
        auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    }
    return best;
}

} // namespace

int main()
{
    const std::string text = MakeFile(CZipIndexBuilder::kExpectedLines);
    const std::size_t piece = 131072;
    std::size_t lineEnds = 0;
    const double scan = BestMs([&] {
        lineEnds = 0;
        for (std::size_t at = 0; at < text.size(); at += piece) {
            const char* p = text.data() + at;
            const char* end = p + std::min(piece, text.size() - at);
            while ((p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p))))) {
                if (p + 1 < end && p[1] == '\n')
                    ++lineEnds;
                ++p;
            }
        }
    });
    ZipCodeIndex index;
    const double build = BestMs([&] {
        CZipIndexBuilder builder(index);
        for (std::size_t at = 0; at < text.size(); at += piece)
            builder.Feed(text.data() + at, std::min(piece, text.size() - at));
        builder.Finish();
    });
    auto reader = [&text](std::uint32_t offset, std::string* line) { return ReadZipLineFromText(text, offset, line); };
    CString found;
    const double lookup = BestMs([&] { found = LookUpZipAddress(index, "1000037", reader); });
    std::printf("file %zu bytes, %zu lines (%zu indexed)\n", text.size(), lineEnds, index.codes.size());
    std::printf("bare CRLF scan %.3f ms, index build %.3f ms, ratio %.2f, one lookup %.3f ms (%d bytes)\n", scan, build,
                build / scan, lookup, found.GetLength());
    return 0;
}
