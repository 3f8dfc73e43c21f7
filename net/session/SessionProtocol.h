// The service login's wire side, portable: the version word, the bodies of the log-in, log-out and
// room forms, the readers of the login and room replies, the two client records built from a login
// reply, and the walk that picks two free local ports.
//
// Replies come from outside: a field counts only as a whole name at the start of an item (the
// text's start or after "<", ">", "&" or a line end) followed by a colon; a value ends at "<", a
// line feed, a carriage return, a tab, a backspace or the end; blanks inside it are dropped and at
// most 256 characters are kept. Nothing reads past the given length.
#pragma once

#include "net/session/ChatRoomRecord.h"
#include "net/session/SessionRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace netsession {

// Result codes of the service login (string-table texts of the same numbers).
constexpr std::uint32_t kLoginReplyNoInfo = 13000;  // the login reply holds no "version"
constexpr std::uint32_t kLoginReplyBad = 13001;     // a required login field missing, id differs, bad value
constexpr std::uint32_t kRoomReplyNoInfo = 13002;   // the room reply holds no "version"
constexpr std::uint32_t kRoomReplyBad = 13003;      // a required room field missing, session or id differ

constexpr std::uint16_t kTypeLogout = 0x0003;
constexpr std::uint16_t kTypeRoomEnter = 0x0013;
constexpr std::uint16_t kTypeRoomLeave = 0x0015;

// The version word from the connection settings' protocol version and flags: 0x220 when the low
// byte of the protocol version is 47 ("/"), else 0x301; plus 0x10 for TCP (flag 0x0002).
std::uint16_t VersionWord(std::uint16_t protocolVersion, std::uint16_t connectFlags);
// The login type: 0x101 above 0x110, else 1.
inline std::uint16_t LoginTypeFor(std::uint16_t versionWord) { return versionWord > 0x110 ? 0x101 : 1; }
inline bool IsTcpVersion(std::uint16_t versionWord) { return versionWord == 0x311 || versionWord == 0x230; }

// "version=0x0301&type=0x0101&seq=0x00000001&id=ID" and the tails. Every value taken from the
// user or a reply is encoded value by value (letters and digits stay as they are); the room URL
// is encoded as the room servers expect it (":" and "/" escaped too).
std::string LoginBody(std::uint16_t version, std::uint16_t type, std::uint32_t seq, const std::string& id,
                      const std::string& password, const std::string& address, std::uint16_t udpPort,
                      std::uint16_t tcpPort);
std::string LogoutBody(std::uint16_t version, std::uint32_t seq, const std::string& id, const std::string& session,
                       const std::string& password);
std::string RoomEnterBody(std::uint16_t version, std::uint32_t seq, const std::string& id,
                          const std::string& session, const std::string& password, const std::string& roomUrl);
std::string RoomLeaveBody(std::uint16_t version, std::uint32_t seq, const std::string& id,
                          const std::string& session, const std::string& password, const std::string& roomId);

// The value of the field name in text[0, length): true when the field is there (its value may be
// empty). Searching starts at from.
bool GetReplyValue(const char* text, std::size_t length, const char* name, std::string* value,
                   std::size_t from = 0);
// Where the "version" field starts, or npos.
std::size_t FindReplyStart(const char* text, std::size_t length);

// The values of a login reply.
struct LoginReply {
    std::string version, type, seq, id, session, errnoText, iuser;
    std::string ufaddr, ufport, tfaddr, tfport, exaddr, export_;
};

// Reads a login reply for the version word and the login ID. Returns 0 on success, else the last
// error: 13000 without "version"; the server's errno when it is not 0; 13001 when a required
// field is missing (errno 0), the id is not the login ID (letter case aside), or a number, an
// address or a port is not well formed. *reply keeps the values read.
std::uint32_t ParseLoginReply(const char* text, std::size_t length, std::uint16_t versionWord,
                              const std::string& loginId, LoginReply* reply);

// Reads a room reply: 0 with *room filled (room ID, chat server, port, key, user number; the URL
// is left as it was), or the last error: 13002 without "version", the server's errno, or 13003
// (a required field missing, session or id not the login's, a bad number or port).
std::uint32_t ParseRoomReply(const char* text, std::size_t length, const std::string& loginId,
                             const std::string& loginSession, ChatRoomRecord* room);

// The two records of the message-server client from a reply that ParseLoginReply accepted.
// False (records untouched) when an address or number of the reply is not well formed.
bool FillClientRecords(std::uint16_t versionWord, std::uint16_t loginType, const std::string& loginId,
                       const LoginReply& reply, std::uint16_t udpPort, std::uint16_t tcpPort,
                       SessionLoginRecord* login, SessionAddressRecord* address);

// Strict readers of reply numbers: hexadecimal with an optional "0x", 1-8 digits; decimal port
// 0-65535.
bool ParseHexValue(const std::string& text, std::uint32_t* value);
bool ParsePortValue(const std::string& text, std::uint16_t* value);
// Equal without regard to the case of ASCII letters; the second byte of a double-byte (code page
// 932) character is compared as it is.
bool EqualIgnoringCase(const std::string& a, const std::string& b);

// What the port walk asks of the machine.
class IPortProbe {
public:
    virtual ~IPortProbe() = default;
    // The services database names a service on this port for the protocol ("udp" or "tcp").
    virtual bool HasService(std::uint16_t port, const char* protocol) = 0;
    // A socket of the protocol can be bound to the port on this machine now.
    virtual bool CanBind(std::uint16_t port, bool udp) = 0;
};

// From the stored port (33500 for UDP, 40000 for TCP when 0) up by 10 while below 65535: the
// first port with no registered service that can be bound is stored. False when either walk runs
// out (the UDP port found so far is kept).
bool PickFreePorts(IPortProbe& probe, std::uint16_t* udpPort, std::uint16_t* tcpPort);

} // namespace netsession
