// errorlog.dat as read at start-up: what is read is written back and read again unchanged.
#include "shell/notify/ErrorLogFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const errorlog::Labels labels{"W", "I", "C"};
    const std::time_t now = 1780000000;
    const auto entries = errorlog::Read(reinterpret_cast<const char*>(data), size, now, 30, labels);
    const std::string text = errorlog::Write(entries);
    const auto again = errorlog::Read(text.data(), text.size(), now, 30, labels);
    if (again.size() != entries.size())
        std::abort();
    for (std::size_t i = 0; i < again.size(); ++i) {
        if (again[i].message.str() != entries[i].message.str() || again[i].kind != entries[i].kind)
            std::abort();
    }
    return 0;
}
