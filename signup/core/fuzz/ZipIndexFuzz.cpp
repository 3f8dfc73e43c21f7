// Zip-code files of any bytes, fed in pieces whose size the first byte picks: the build ends,
// gives the same index as one whole piece, and lookups of the indexed codes stay in bounds.
#include "signup/core/ZipCodeIndex.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    ZipCodeIndex whole, pieces;
    CZipIndexBuilder a(whole);
    a.Feed(text.data(), text.size());
    const bool okWhole = a.Finish();
    CZipIndexBuilder b(pieces);
    for (std::size_t at = 0; at < text.size(); at += piece)
        b.Feed(text.data() + at, text.size() - at < piece ? text.size() - at : piece);
    const bool okPieces = b.Finish();
    if (okWhole != okPieces || whole.codes != pieces.codes || whole.offsets != pieces.offsets)
        std::abort();
    auto reader = [&text](std::uint32_t offset, std::string* line) { return ReadZipLineFromText(text, offset, line); };
    for (std::size_t i = 0; i < whole.codes.size() && i < 8; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%07u", static_cast<unsigned>(whole.codes[i] % 10000000u));
        CString address = LookUpZipAddress(whole, code, reader);
        if (address.GetLength() > static_cast<int>(text.size()))
            std::abort();
    }
    return 0;
}
