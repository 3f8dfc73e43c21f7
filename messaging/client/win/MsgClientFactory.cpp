#include "messaging/client/win/MsgClientFactory.h"

#include "messaging/client/win/MsgClientWnd.h"

#include <new>

namespace {

class CMsgClientLink : public IMsgClientLink {
public:
    explicit CMsgClientLink(CMsgClientWnd* client) : m_client(client) {}
    int Open(std::uint32_t flags, const std::string& proxyHost, std::uint16_t proxyPort, const std::string& proxyUser,
             const std::string& proxyPassword, int resendCount) override
    {
        return m_client->Open(flags, proxyHost, proxyPort, proxyUser, proxyPassword, resendCount);
    }
    int ConnectChannel() override { return m_client->ConnectChannel(); }
    void Shutdown() override { m_client->Shutdown(); }
    IRequestClient* GetRequestClient() override { return m_client; }
    void Destroy() override
    {
        m_client->Shutdown();
        m_client->DestroyWindow();
        delete m_client;
        delete this;
    }
    CMsgClientWnd* Client() const { return m_client; }

private:
    CMsgClientWnd* m_client;
};

} // namespace

IMsgClientLink* CMsgClientFactory::Create(const SessionLoginRecord& login, const SessionAddressRecord& address,
                                          nvnet::SocketOwner owner)
{
    auto* client = new (std::nothrow) CMsgClientWnd(login, address, static_cast<HWND>(owner));
    if (!client)
        return nullptr;
    if (!client->IsWindow()) {
        delete client;
        return nullptr;
    }
    auto* link = new (std::nothrow) CMsgClientLink(client);
    if (!link) {
        client->DestroyWindow();
        delete client;
    }
    return link;
}

CMsgClientWnd* CMsgClientFactory::ClientOf(IMsgClientLink* link)
{
    auto* ours = dynamic_cast<CMsgClientLink*>(link);
    return ours ? ours->Client() : nullptr;
}

CMsgClientFactory& MsgClientFactory()
{
    static CMsgClientFactory factory;
    return factory;
}
