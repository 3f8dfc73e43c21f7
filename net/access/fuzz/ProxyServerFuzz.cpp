// Browser proxy values of any bytes: an accepted entry has a host, and neither host nor port holds
// the separators that end an entry.
#include "shell/common/settings/NetInfo.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // First byte picks the prefix; the rest (up to a NUL, as the registry text would end) is the value.
    static const char* const kPrefixes[] = {nullptr, "http=", "https=", ""};
    if (size == 0)
        return 0;
    const char* prefix = kPrefixes[data[0] % 4];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    CString host = "untouched", port = "untouched";
    if (CNetInfo::ParseProxyServer(text.c_str(), prefix, &host, &port)) {
        if (host.IsEmpty())
            std::abort();
        for (const CString* part : {&host, &port})
            if (std::strpbrk(part->GetString(), "; \t"))
                std::abort();
        if (host.Find(':') >= 0)
            std::abort();
    }
    return 0;
}
