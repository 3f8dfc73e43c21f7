#include "net/socket/SocketApi.h"
#include "net/socket/SocketExceptions.h"

#include <atomic>
#include <mutex>

// Code page 932 bytes of the library's two texts.
const char kExcGeneralText[] = "\x97\xE1\x8A" "O\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
const char kExcResourceText[] = "Windows\x82\xCC\x83\x8A\x83\\\x81[\x83X\x95s\x91\xAB\x82\xAA\x94\xAD\x90\xB6"
                                "\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

namespace nvnet {
namespace {

std::atomic<ISocketApi*> g_api{nullptr};
std::atomic<std::uint32_t (*)()> g_tick{nullptr};
std::mutex g_ownersLock;

OwnerChannel& OwnersSlot()
{
    // Never destroyed: receive threads may still post while the program ends.
    static OwnerChannel* channel = new OwnerChannel(PlatformOwnerChannel());
    return *channel;
}

} // namespace

ISocketApi& SocketApi()
{
    ISocketApi* api = g_api.load();
    return api ? *api : PlatformSocketApi();
}

void SetSocketApi(ISocketApi* api)
{
    g_api = api;
}

OwnerChannel Owners()
{
    std::lock_guard<std::mutex> hold(g_ownersLock);
    return OwnersSlot();
}

void SetOwnerChannel(const OwnerChannel& channel)
{
    std::lock_guard<std::mutex> hold(g_ownersLock);
    OwnersSlot() = channel;
}

void ResetOwnerChannel()
{
    SetOwnerChannel(PlatformOwnerChannel());
}

std::uint32_t TickMs()
{
    auto source = g_tick.load();
    return source ? source() : PlatformTickMs();
}

void SetTickSource(std::uint32_t (*source)())
{
    g_tick = source;
}

std::string TemporaryFolder()
{
    return PlatformTemporaryFolder();
}

} // namespace nvnet
