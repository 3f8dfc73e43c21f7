// jis_tool enc|dec HEX: converts Shift_JIS to JIS (enc) or JIS to Shift_JIS (dec) and prints hex,
// so that an independent codec (Python's) can check the engine's conversions.
#include "chat_web/engine/JisCodec.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    std::string in;
    for (const char* p = argv[2]; p[0] && p[1]; p += 2)
        in += static_cast<char>(std::strtol(std::string(p, 2).c_str(), nullptr, 16));
    std::string out = std::string(argv[1]) == "enc" ? chat::SjisToJis(in) : chat::JisToSjis(in);
    for (unsigned char c : out)
        std::printf("%02x", c);
    std::printf("\n");
    return 0;
}
