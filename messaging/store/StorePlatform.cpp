#include "messaging/store/StorePlatform.h"

#include <atomic>

namespace msgstore {
namespace {
std::atomic<IStorePlatform*> g_platform{nullptr};
}

IStorePlatform& StorePlatform()
{
    IStorePlatform* platform = g_platform.load();
    return platform ? *platform : DefaultStorePlatform();
}

void SetStorePlatform(IStorePlatform* platform) { g_platform.store(platform); }

} // namespace msgstore
