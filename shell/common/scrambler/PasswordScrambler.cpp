#include "shell/common/scrambler/PasswordScrambler.h"

#include <cstring>

namespace scrambler {

namespace {

const unsigned char kKey[8] = {0x5a, 0x17, 0xc3, 0xe9, 0xb2, 0x0f, 0x6d, 0x48};

void ApplyKey(unsigned char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] ^= static_cast<unsigned char>((kKey[i % 8] + i) & 0xFF);
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

int HexToBytes(const char* text, unsigned char* out, std::size_t outSize)
{
    if (!text)
        return 0;
    std::size_t digits = std::strlen(text);
    if (digits % 2 != 0 || digits / 2 > outSize)
        return -1;
    for (std::size_t i = 0; i < digits; i += 2) {
        int high = DigitValue(text[i]);
        int low = DigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return -1;
        out[i / 2] = static_cast<unsigned char>(high * 16 + low);
    }
    return static_cast<int>(digits / 2);
}

int BytesToHex(const unsigned char* bytes, std::size_t count, char* out)
{
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    out[2 * count] = '\0';
    return static_cast<int>(2 * count);
}

bool ScrambleText(char* buffer, std::size_t bufferSize, std::size_t length, int mode)
{
    if (!buffer || length == 0)
        return length == 0;
    unsigned char bytes[kMaxPlainBytes];
    if (mode == kScramble) {
        if (length > kMaxPlainBytes || bufferSize < 2 * length + 1)
            return false;
        std::memcpy(bytes, buffer, length);
        ApplyKey(bytes, length);
        BytesToHex(bytes, length, buffer);
        return true;
    }
    // The text must end inside the buffer: never read past what the caller gave.
    const void* end = std::memchr(buffer, '\0', bufferSize);
    if (!end)
        return false;
    std::size_t digits = static_cast<const char*>(end) - buffer;
    if (digits > kMaxHexDigits)
        return false;
    int count = HexToBytes(buffer, bytes, sizeof bytes);
    if (count < 0)
        return false;
    ApplyKey(bytes, static_cast<std::size_t>(count));
    std::memcpy(buffer, bytes, static_cast<std::size_t>(count));
    buffer[count] = '\0';
    return true;
}

std::string Scramble(const std::string& plain)
{
    if (plain.empty() || plain.size() > kMaxPlainBytes)
        return plain.empty() ? std::string() : Scramble(plain.substr(0, kMaxPlainBytes));
    char buffer[kMaxHexDigits + 1] = {};
    std::memcpy(buffer, plain.data(), plain.size());
    ScrambleText(buffer, sizeof buffer, plain.size(), kScramble);
    return buffer;
}

bool Unscramble(const std::string& text, std::string& plain)
{
    plain.clear();
    if (text.empty())
        return true;
    // Registry strings hold no zero byte: text with one is not a stored value.
    if (text.size() > kMaxHexDigits || text.find('\0') != std::string::npos)
        return false;
    char buffer[kMaxHexDigits + 2] = {};
    std::memcpy(buffer, text.data(), text.size());
    if (!ScrambleText(buffer, sizeof buffer, text.size(), kUnscramble))
        return false;
    // A zero byte inside the value ends it, as the zero-terminated profile text always did.
    plain = buffer;
    return true;
}

} // namespace scrambler
