#include "messaging/client/MsgClientHost.h"

namespace {

class CDefaultHost : public IMsgClientHost {
public:
    void SetModalState(bool) override {}
    int& SequenceCounter() override { return m_counter; }

private:
    int m_counter = 0;
};

CDefaultHost g_defaultHost;
IMsgClientHost* g_host = nullptr;

} // namespace

namespace msgclient {

void SetHost(IMsgClientHost* host) { g_host = host; }

IMsgClientHost& Host() { return g_host ? *g_host : g_defaultHost; }

} // namespace msgclient
