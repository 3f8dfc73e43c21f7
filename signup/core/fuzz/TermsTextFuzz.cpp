// Terms texts of any bytes cut at two places the first bytes pick: the same text as one piece,
// and no CR or LF outside a CR LF pair.
#include "signup/core/TermsText.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    std::size_t i = text.empty() ? 0 : data[0] % (text.size() + 1);
    std::size_t j = text.empty() ? 0 : data[1] % (text.size() + 1);
    if (i > j)
        std::swap(i, j);
    CTermsText whole, pieces;
    whole.AppendPiece(text.data(), text.size());
    pieces.AppendPiece(text.data(), i);
    pieces.AppendPiece(text.data() + i, j - i);
    pieces.AppendPiece(text.data() + j, text.size() - j);
    if (whole.Text() != pieces.Text())
        std::abort();
    const std::string& out = whole.Text();
    for (std::size_t k = 0; k < out.size(); ++k) {
        if (out[k] == '\r' && (k + 1 >= out.size() || out[k + 1] != '\n'))
            std::abort();
        if (out[k] == '\n' && (k == 0 || out[k - 1] != '\r'))
            std::abort();
    }
    return 0;
}
