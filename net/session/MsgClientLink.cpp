#include "net/session/MsgClientLink.h"

namespace {

class CNoClientFactory : public IMsgClientFactory {
public:
    IMsgClientLink* Create(const SessionLoginRecord&, const SessionAddressRecord&, nvnet::SocketOwner) override
    {
        return nullptr;
    }
};

CNoClientFactory g_none;
IMsgClientFactory* g_factory = nullptr;

} // namespace

namespace netsession {

void SetMsgClientFactory(IMsgClientFactory* factory) { g_factory = factory; }

IMsgClientFactory& MsgClientFactory() { return g_factory ? *g_factory : g_none; }

} // namespace netsession
