// Lets the independent Python directory server check the library's wire format both ways:
//   qelo_wire_tool encode            prints one line "name hex" per message the library sends
//   qelo_wire_tool decode            reads "hex" lines (answers built by the peer) and prints
//                                    what the library reads from each, one line per datagram
#include "voip/core/SignalMessages.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

using namespace qelo;

namespace {

void Print(const char* name, const Datagram& bytes)
{
    std::printf("%s ", name);
    for (std::uint8_t b : bytes)
        std::printf("%02x", b);
    std::printf("\n");
}

Datagram FromHex(const std::string& text)
{
    Datagram bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "encode") == 0) {
        MessageId id = MakeMessageId(0x7F000001, 3, 4242);
        Print("TREGISTRATION", BuildRegistration(TREGISTRATION, id, "12345", 0x7F000001, 8481));
        Print("TALIVE", BuildRegistration(TALIVE, id, "12345", 0x7F000001, 8481));
        Print("TFIRST_TIMEREG", BuildFirstTimeRegistration(id, "81", "3", "Taro", 0x7F000001, 8481));
        Print("TLOGOFF", BuildLogoff(id, "12345"));
        Print("TLOGOFF_BARE", BuildLogoff(id, ""));
        Print("TCALLREQUEST", BuildCallRequest(id, 200, "0312345678"));
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "decode") == 0) {
        std::string line;
        while (std::getline(std::cin, line)) {
            Datagram bytes = FromHex(line);
            Header header;
            if (!DecodeHeader(bytes.data(), bytes.size(), header)) {
                std::printf("invalid\n");
                continue;
            }
            switch (header.type) {
            case TREGISTRATION_ACK:
                std::printf("%s result=%u\n", MessageTypeName(header.type),
                            DecodeRegistrationAck(bytes.data(), bytes.size()).result);
                break;
            case TFIRST_TIMEREG_ACK: {
                FirstTimeRegistrationAck ack = DecodeFirstTimeRegistrationAck(bytes.data(), bytes.size());
                std::printf("%s unit=%s result=%u user=%s password=%s\n", MessageTypeName(header.type),
                            ack.unitId.c_str(), ack.result, ack.accountUser.c_str(), ack.accountPassword.c_str());
                break;
            }
            case TCALLREQUEST_ACK: {
                CallRequestAck ack = DecodeCallRequestAck(bytes.data(), bytes.size());
                std::printf("%s kind=%d invite=%s media=%s\n", MessageTypeName(header.type), ack.kind,
                            DottedAddress(ack.inviteAddress).c_str(), DottedAddress(ack.mediaAddress).c_str());
                break;
            }
            case QLIP_INVITE_RSP_2XX: {
                Invite2xx ok = DecodeInvite2xx(bytes.data(), bytes.size());
                std::printf("%s voice=%s:%u credit=%d limit=%d present=%d alive=%d\n", MessageTypeName(header.type),
                            DottedAddress(ok.voiceAddress).c_str(), ok.voicePort, ok.credit, ok.timeLimit,
                            ok.hasCredit ? 1 : 0, PeerKeepAlivePeriod(ok.keepAliveBase));
                break;
            }
            default:
                std::printf("%s length=%u\n", MessageTypeName(header.type), header.totalLength);
                break;
            }
        }
        return 0;
    }
    std::fprintf(stderr, "usage: qelo_wire_tool encode|decode\n");
    return 2;
}
