// q2ap.lst lies in the install folder where anything may rewrite it.
#include "shell/common/utilities/AccessPointList.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto list = ParseAccessPointList(reinterpret_cast<const char*>(data), size);
    if (!list.empty())
        FindAccessPoint(list, list.front().number);
    return 0;
}
