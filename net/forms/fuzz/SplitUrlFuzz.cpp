// Server roots from the registry profile.
#include "net/forms/ServiceForms.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string url(reinterpret_cast<const char*>(data), size);
    CString host;
    std::uint16_t port = 1;
    if (SplitUrl(url.c_str(), &host, &port) && (host.IsEmpty() || port == 0))
        __builtin_trap(); // a success always names a host and a port
    UrlEncode(url.c_str(), static_cast<int>(size % 3));
    UrlEncodeFormValue(url.c_str());
    return 0;
}
