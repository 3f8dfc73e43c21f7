// The signalling datagrams of the VoIP library: a 32-byte header and one fixed body per type.
// Portable (no windows.h): built into the library and natively for tests and fuzzing.
// Addresses are IPv4 numbers in host order (127.0.0.1 is 0x7F000001); on the wire they go out
// as 4 bytes in network order. Integers on the wire are big-endian; texts are NUL-padded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qelo {

// The library's version text; the main program splits it at "R" and "B".
constexpr const char kVersionText[] = "1.18R6B2";

constexpr std::uint32_t kMagic = 0x69547058;
constexpr std::size_t kHeaderLength = 32;
constexpr std::uint16_t kProtocolVersion = 0x91;
constexpr std::uint16_t kSignalPort = 8481;
constexpr std::uint16_t kDirectoryPort = 10101;
constexpr std::uint16_t kProxyPort = 1588;
constexpr std::uint16_t kVoicePort = 8995;
// A received datagram is read from a zeroed buffer of this size: missing bytes read as zero.
constexpr std::size_t kDatagramCapacity = 2048;
// Unit and account ids travel in 20-byte fields; kept with room for their terminator.
constexpr std::size_t kIdField = 20;

enum MessageType : int {
    QLIP_INVITE = 1,
    QLIP_INVITE_RSP_1XX = 2,
    QLIP_INVITE_RSP_2XX = 3,
    QLIP_INVITE_RSP_4XX = 4,
    QLIP_ACK = 5,
    QLIP_ACK_FAIL = 6,
    QLIP_INFO_ALIVE = 7,
    QLIP_INFO_OFFHOOK = 8,
    QLIP_INFO_RSP_OFFHOOK = 9,
    QLIP_INFO_DTMF = 10,
    QLIP_INFO_RSP_DTMF = 11,
    QLIP_BYE = 12,
    QLIP_BYE_RSP = 13,
    TREGISTRATION = 40,
    TREGISTRATION_ACK = 41,
    TCALLREQUEST = 42,
    TCALLREQUEST_ACK = 43,
    TALIVE = 44,
    TSAVEPHONENUM = 45,
    TSAVEPHONENUM_ACK = 46,
    TRETRIVEPHONENUM = 47,
    TRETRIVEPHONENUM_ACK = 48,
    TUPDATEPHONENUM = 49,
    TUPDATEPHONENUM_ACK = 50,
    TFIRST_TIMEREG = 51,
    TFIRST_TIMEREG_ACK = 52,
    TLOGOFF = 55,
    TLOGOFF_ACK = 56,
};

// The name the log shows for a type; "Unknown type" for any other number.
const char* MessageTypeName(int type);

// The 16-byte identifier of one signalling exchange (what the wire calls the call id).
struct MessageId {
    std::uint8_t bytes[16] = {};
    bool operator==(const MessageId& other) const;
    bool operator!=(const MessageId& other) const { return !(*this == other); }
};

// A fresh id: local address (as on the wire), call counter and process id (little-endian),
// with four 0xFF bytes between them.
MessageId MakeMessageId(std::uint32_t localAddress, std::uint32_t callCounter, std::uint32_t processId);

struct Header {
    std::uint16_t totalLength = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t version = 0;
    int type = 0;
    MessageId id;
};

// Reads the header; false when the datagram is shorter than the magic or lacks it.
bool DecodeHeader(const std::uint8_t* data, std::size_t length, Header& out);

using Datagram = std::vector<std::uint8_t>;

// -- bodies this library sends ---------------------------------------------------------------
// TREGISTRATION (40) and TALIVE (44) share one 60-byte body.
Datagram BuildRegistration(int type, const MessageId& id, const char* unitId, std::uint32_t localAddress,
                           std::uint16_t signalPort);
Datagram BuildFirstTimeRegistration(const MessageId& id, const char* country, const char* area,
                                    const char* nickname, std::uint32_t localAddress, std::uint16_t signalPort);
// 52 bytes with the unit id, or the bare header when no unit id is known.
Datagram BuildLogoff(const MessageId& id, const char* unitId);
Datagram BuildCallRequest(const MessageId& id, std::int32_t kind, const char* digits);
// Types whose datagram is the header alone (1XX, ACK, ACK_FAIL, INFO_ALIVE, INFO_OFFHOOK, ...).
Datagram BuildHeaderOnly(int type, const MessageId& id);

struct InviteFields {
    std::uint32_t voiceAddress = 0;
    std::uint16_t voicePort = kVoicePort;
    std::string caller;      // up to 47 bytes are kept in the 48-byte field
    std::string second;      // the gateway password for telephone calls, else empty
    std::string destination; // digits, or the far media address as twelve digits
    bool silence = false;
};
Datagram BuildInvite(const MessageId& id, const InviteFields& fields);
// The far media address as the INVITE's destination text: "%03d%03d%03d%03d", first byte first.
std::string MediaAddressDigits(std::uint32_t address);
// The voice port is the one really bound (8995 unless a test set-up moved it).
Datagram BuildInvite2xx(const MessageId& id, std::uint32_t voiceAddress, bool silence,
                        std::uint16_t voicePort = kVoicePort);
Datagram BuildInvite4xx(const MessageId& id, const char* reason);
Datagram BuildDtmf(const MessageId& id, std::uint16_t sequence, char digit);
// BYE (12) and BYE_RSP (13): no credit fields.
Datagram BuildBye(int type, const MessageId& id);

// -- bodies this library reads --------------------------------------------------------------
// Each decoder reads the datagram as if it were followed by zeros (a short datagram is not an
// error); texts are bounded by their field and by the datagram.
struct RegistrationAck {
    std::uint16_t result = 0;
};
RegistrationAck DecodeRegistrationAck(const std::uint8_t* data, std::size_t length);

constexpr std::uint16_t kResultWithAccount = 0x5A5A;
struct FirstTimeRegistrationAck {
    std::string unitId;
    std::uint16_t result = 0;
    std::string accountUser;     // only with kResultWithAccount
    std::string accountPassword; // only with kResultWithAccount
};
FirstTimeRegistrationAck DecodeFirstTimeRegistrationAck(const std::uint8_t* data, std::size_t length);

constexpr std::int32_t kCallKindTelephone = 100;
constexpr std::int32_t kCallKindPc = 200;
constexpr std::int32_t kCallKindOldPeer = 300;
constexpr std::int32_t kCallKindTargetIsPc = 600;
constexpr std::int32_t kCallKindRefused = -1;
struct CallRequestAck {
    std::int32_t kind = 0;
    std::uint32_t inviteAddress = 0;
    std::uint32_t mediaAddress = 0;
};
CallRequestAck DecodeCallRequestAck(const std::uint8_t* data, std::size_t length);

struct Invite {
    std::uint32_t voiceAddress = 0;
    std::uint16_t voicePort = 0;
    std::string callerId; // first 20 bytes of the caller field
};
Invite DecodeInvite(const std::uint8_t* data, std::size_t length);

struct Invite2xx {
    std::uint32_t voiceAddress = 0;
    std::uint16_t voicePort = 0;
    bool hasCredit = false;
    std::int32_t credit = 0;
    std::int32_t timeLimit = 0;
    std::uint16_t keepAliveBase = 0;
};
Invite2xx DecodeInvite2xx(const std::uint8_t* data, std::size_t length);
// Seconds between the caller's INFO_ALIVE messages: base / 3, at least 10 and at most 120.
int PeerKeepAlivePeriod(std::uint16_t keepAliveBase);

struct Invite4xx {
    std::string reason;      // at most the bytes the datagram holds, up to the first NUL
    std::int32_t errorCode = 0;
};
Invite4xx DecodeInvite4xx(const std::uint8_t* data, std::size_t length);
// What the user is shown: "%3d: %s" with error code + 300.
std::string FormatRefusal(const Invite4xx& refusal);

struct Dtmf {
    std::uint16_t flag = 0; // 1: a digit follows
    std::uint16_t sequence = 0;
    std::int32_t digit = 0;
};
Dtmf DecodeDtmf(const std::uint8_t* data, std::size_t length);

struct Bye {
    bool hasCredit = false;
    std::int32_t credit = 0;
    std::int32_t timeLimit = 0;
    std::string reason; // optional text from offset 48, bounded by the datagram
};
Bye DecodeBye(const std::uint8_t* data, std::size_t length);

// Dotted text of an address ("127.0.0.1").
std::string DottedAddress(std::uint32_t address);

} // namespace qelo
