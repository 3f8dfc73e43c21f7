// Stored scrambled values come from the registry, which any program may write.
#include "shell/common/scrambler/PasswordScrambler.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string plain;
    if (scrambler::Unscramble(text, plain) && plain.size() == text.size() / 2 && plain.find('\0') == std::string::npos) {
        if (scrambler::Scramble(plain).size() != text.size())
            __builtin_trap();
    }
    // The raw buffer form, unterminated on purpose.
    std::vector<char> buffer(data, data + size);
    if (!buffer.empty())
        scrambler::ScrambleText(buffer.data(), buffer.size(), buffer.size(), scrambler::kUnscramble);
    return 0;
}
