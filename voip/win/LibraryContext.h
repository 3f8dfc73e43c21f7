// The library's process-wide records that several of its parts share (Windows side).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace qelo {

struct LibraryContext {
    HWND hostWindow = nullptr;
    // Identity and account fields live in the signalling client (Identity); these are the
    // host's settings that outlive a restart of the call thread.
    std::string workingFolder;   // taken at PW_start
    bool perUserRoot = false;    // registry root: HKEY_CURRENT_USER once set before the first access
    std::uint16_t protocolVersion = 0x91;
    // Host order; 0 when none. The host thread (PW_set_ip) and the call thread both use it.
    std::atomic<std::uint32_t> localAddress{0};
};

LibraryContext& Context();

} // namespace qelo
