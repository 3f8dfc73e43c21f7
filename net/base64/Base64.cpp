#include "net/base64/Base64.h"

#include <string>

CString CBase64::Encode(const char* text, int length)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (!text || length <= 0)
        return CString();
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    std::string out;
    out.reserve(static_cast<std::size_t>((length + 2) / 3) * 4);
    int i = 0;
    for (; i + 3 <= length; i += 3) {
        unsigned group = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += kAlphabet[(group >> 6) & 63];
        out += kAlphabet[group & 63];
    }
    int left = length - i;
    if (left == 1) {
        unsigned group = in[i] << 16;
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += "==";
    } else if (left == 2) {
        unsigned group = (in[i] << 16) | (in[i + 1] << 8);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += kAlphabet[(group >> 6) & 63];
        out += '=';
    }
    return CString(out);
}
