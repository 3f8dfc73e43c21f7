// The JIS decoder on arbitrary bytes; its output encoded again must never put an 8-bit byte
// inside a JIS run.
#include "chat_web/engine/JisCodec.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string in(reinterpret_cast<const char*>(data), size);
    std::string sjis = chat::JisToSjis(in);
    std::string jis = chat::SjisToJis(sjis);
    bool inRun = false;
    for (std::size_t i = 0; i < jis.size(); ++i) {
        if (jis.compare(i, 3, "\x1B$B") == 0) {
            inRun = true;
            i += 2;
            continue;
        }
        if (jis.compare(i, 3, "\x1B(B") == 0) {
            inRun = false;
            i += 2;
            continue;
        }
        if (inRun && static_cast<unsigned char>(jis[i]) >= 0x80)
            std::abort();
    }
    return 0;
}
