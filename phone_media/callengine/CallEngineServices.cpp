#include "phone_media/callengine/CallEngineServices.h"

#include <atomic>

namespace {

std::atomic<ICallEngineServices*> g_services{nullptr};

} // namespace

ICallEngineServices& CallEngineServices()
{
    static ICallEngineServices quiet;
    ICallEngineServices* services = g_services.load();
    return services ? *services : quiet;
}

void SetCallEngineServices(ICallEngineServices* services) { g_services = services; }
