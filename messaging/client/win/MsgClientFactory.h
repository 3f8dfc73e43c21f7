// The message-server client as the service session makes it (net/session/MsgClientLink.h). The
// program registers the factory at start-up: netsession::SetMsgClientFactory(&MsgClientFactory()).
#pragma once

#include "net/session/MsgClientLink.h"

class CMsgClientWnd;

class CMsgClientFactory : public IMsgClientFactory {
public:
    IMsgClientLink* Create(const SessionLoginRecord& login, const SessionAddressRecord& address,
                           nvnet::SocketOwner owner) override;
    // The client behind a link that this factory made.
    static CMsgClientWnd* ClientOf(IMsgClientLink* link);
};

CMsgClientFactory& MsgClientFactory();
