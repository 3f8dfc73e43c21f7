// Any bytes as a ".rdl" file: at most 20 entries, each storable, none repeated, and what is
// saved loads back to the same list.
#include "phone_media/phone/PhoneRules.h"

#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    phone::CRedialList list;
    list.Load(reinterpret_cast<const char*>(data), size);
    if (list.Entries().size() > phone::CRedialList::kMaxEntries)
        std::abort();
    std::set<std::string> seen;
    for (const std::string& entry : list.Entries())
        if (!phone::IsStorableRedialEntry(entry) || !seen.insert(entry).second)
            std::abort();
    std::string saved = list.Serialise();
    phone::CRedialList again;
    again.Load(saved.data(), saved.size());
    if (again.Entries() != list.Entries())
        std::abort();
    std::string entry;
    if (size && (data[0] & 1) ? list.Up(&entry) : list.Down(&entry))
        if (!seen.count(entry))
            std::abort();
    return 0;
}
