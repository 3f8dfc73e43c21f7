// The main window's placement value comes from a skin archive anyone can make.
#include "shell/common/services/MainWindowLogic.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    long w = -1, h = -1;
    if (mainwnd::ParseDockExtent(text.c_str(), &w, &h)) {
        // An accepted extent is a real size, never more than the reader allows.
        if (w <= 0 || h <= 0 || w > 1000009 || h > 1000009)
            __builtin_trap();
    } else if (w != -1 || h != -1) {
        __builtin_trap(); // a refused value leaves the outputs alone
    }
    return 0;
}
