// Any bytes as a library message (code page 932 or not, a lead byte last): the translation is
// a row's text, a tail of the message, or the message itself, and never reads past its end.
#include "phone_media/callengine/CallEngineRules.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string message(reinterpret_cast<const char*>(data), size);
    message = message.c_str(); // as the library hands it over: up to the first NUL
    std::string text = callengine::TranslateLibraryMessage(message.c_str());
    bool fromTable = false;
    for (const callengine::LibraryMessage* row = callengine::LibraryMessageTable(); row->key[0]; ++row)
        fromTable = fromTable || text == row->text;
    bool tail = text.size() <= message.size() && message.compare(message.size() - text.size(), text.size(), text) == 0;
    if (!fromTable && !tail)
        std::abort();
    callengine::OnState(size ? data[0] * 0x101u : 0, size > 1 ? -10000 - data[1] : 0, message.c_str());
    return 0;
}
