// chat_input_tool: one hex-encoded typed line per input line, the converted line in hex per output
// line, so that Python's codecs can check the conversion.
#include "chat_web/window/ChatWindowCore.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main()
{
    std::string hex;
    while (std::getline(std::cin, hex)) {
        std::string in;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            in += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
        for (unsigned char c : chat::ConvertInput(in))
            std::printf("%02x", c);
        std::printf("\n");
    }
    return 0;
}
