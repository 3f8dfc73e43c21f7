// commcash.dat lies in the install folder where anything may rewrite it.
#include "shell/common/utilities/CommCache.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CCommCache cache;
    cache.Parse(reinterpret_cast<const char*>(data), size);
    if (cache.Pairs().size() > CCommCache::kMaxPairs)
        __builtin_trap();
    std::string text = cache.Format().str();
    if (text.size() > CCommCache::kMaxFileBytes)
        __builtin_trap();
    cache.Update("key", "value");
    CString out;
    cache.Lookup(true, "value", out);
    return 0;
}
