// The typed-line conversion and the member split on arbitrary bytes: the line that would be sent
// is well-formed code page 932 of at most 256 bytes whose ISO-2022-JP form takes at most 320
// bytes; converting it again changes nothing; member names are never empty and hold no space.
#include "chat_web/window/ChatWindowCore.h"

#include "framework/core/Cp932.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string in(reinterpret_cast<const char*>(data), size);
    std::string out = chat::ConvertInput(in);
    if (out.size() > chat::kInputByteLimit || chat::JisLength(out) > chat::kInputJisLimit)
        std::abort();
    for (std::size_t i = 0; i < out.size();) {
        auto c = static_cast<unsigned char>(out[i]);
        if (cp932::IsLeadByte(c)) {
            if (i + 1 >= out.size() || !cp932::IsTrailByte(static_cast<unsigned char>(out[i + 1])))
                std::abort();
            i += 2;
            continue;
        }
        // Half-width kana never survive, nor bytes that begin no character.
        if (c >= 0x80)
            std::abort();
        ++i;
    }
    if (!in.empty() && out.empty() && chat::ConvertInput(in.substr(0, 1)).size() == 1)
        std::abort(); // a first character that converts alone is always taken
    if (chat::ConvertInput(out) != out)
        std::abort();

    for (const std::string& name : chat::SplitMembers(in)) {
        if (name.empty() || name.find(' ') != std::string::npos)
            std::abort();
    }
    for (const chat::LogSegment& segment : chat::SplitLinks(in))
        if (segment.text.empty())
            std::abort();
    return 0;
}
