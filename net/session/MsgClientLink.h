// How the service login reaches the message-server client, which lives in a higher folder: a
// factory that the program registers at start-up makes the client from the two session records and
// its owner window; the session then opens it, starts its channel, hands it to the request queue,
// and at log-out shuts it down and destroys it. Until a factory is registered none is made.
#pragma once

#include "net/session/SessionRecords.h"
#include "net/socket/SocketApi.h"
#include "shell/common/services/RequestQueue.h"

#include <cstdint>
#include <string>

class IMsgClientLink {
public:
    virtual ~IMsgClientLink() = default;
    // The transport from the connection flags, the proxy and the extra resend count; 0 or a code.
    virtual int Open(std::uint32_t flags, const std::string& proxyHost, std::uint16_t proxyPort,
                     const std::string& proxyUser, const std::string& proxyPassword, int resendCount) = 0;
    // The session start with the server; 0 or a code.
    virtual int ConnectChannel() = 0;
    virtual void Shutdown() = 0;
    // The client as the request queue uses it.
    virtual IRequestClient* GetRequestClient() = 0;
    // Shuts down, destroys the client's window and deletes the client and this link.
    virtual void Destroy() = 0;
};

class IMsgClientFactory {
public:
    virtual ~IMsgClientFactory() = default;
    // A new client reporting to owner, or null when it cannot be made.
    virtual IMsgClientLink* Create(const SessionLoginRecord& login, const SessionAddressRecord& address,
                                   nvnet::SocketOwner owner) = 0;
};

namespace netsession {

// The registered factory; never null (one that makes nothing answers while none is registered).
void SetMsgClientFactory(IMsgClientFactory* factory);
IMsgClientFactory& MsgClientFactory();

} // namespace netsession
