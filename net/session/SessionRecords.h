// The two records that the service login builds from its reply and that the message-server client
// copies when it is created: the login record (60 bytes) and the address record (112 bytes). Both
// begin with the 28-byte shape of a message-server record header; multi-byte fields are in host
// order and every byte not named is 0. The layouts are fixed so that both builds agree.
//
// Also here: the dotted-quad conversions for 32-bit addresses (most significant byte first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct SessionLoginRecord {
    std::uint16_t version = 0;      // the protocol version word (framing from 512 on)
    std::uint16_t type = 0;         // the login type (0x101)
    std::uint32_t sequence = 0;     // 1
    char loginId[16] = {};          // the login ID, NUL-padded, no terminator when full
    std::uint32_t session = 0;
    char credential[8] = {};        // "dorvanek", no NUL
    char gameId[10] = {};           // "VERK_01234", no NUL
    char gameVersion[6] = {};       // "V1.000", no NUL
    std::uint32_t reserved = 0;
    std::uint16_t udpPort = 0;      // local UDP port to bind
    std::uint16_t tcpPort = 0;      // local TCP port
};

struct SessionAddressRecord {
    std::uint16_t version = 0;      // the header version of every record the client sends
    std::uint16_t type = 0;         // login type + 1
    std::uint32_t sequence = 0;
    char loginId[16] = {};          // the ID every record header carries
    std::uint32_t session = 0;
    std::uint32_t errorCode = 0;
    std::uint32_t serverAddress = 0; // message server, UDP versions
    std::uint16_t serverPort = 0;
    std::uint16_t eport = 0;
    std::uint8_t reserved40[12] = {}; // the second UDP port (+46) and address (+48) live here
    std::uint32_t userNumber = 0;
    std::uint32_t udpFrontAddress = 0;
    std::uint16_t udpFrontPort = 0;
    std::uint16_t reserved62 = 0;
    std::uint32_t tcpAddress = 0;   // TCP front (also the proxy's CONNECT target)
    std::uint16_t tcpPort = 0;
    std::uint16_t reserved70 = 0;
    std::uint32_t dataAddress = 0;  // extended-data server
    std::uint16_t dataPort = 0;
    std::uint8_t reserved78[34] = {};
};

static_assert(sizeof(SessionLoginRecord) == 60, "login record layout");
static_assert(offsetof(SessionLoginRecord, session) == 24, "login record layout");
static_assert(offsetof(SessionLoginRecord, credential) == 28, "login record layout");
static_assert(offsetof(SessionLoginRecord, gameId) == 36, "login record layout");
static_assert(offsetof(SessionLoginRecord, gameVersion) == 46, "login record layout");
static_assert(offsetof(SessionLoginRecord, udpPort) == 56, "login record layout");
static_assert(offsetof(SessionLoginRecord, tcpPort) == 58, "login record layout");
static_assert(sizeof(SessionAddressRecord) == 112, "address record layout");
static_assert(offsetof(SessionAddressRecord, errorCode) == 28, "address record layout");
static_assert(offsetof(SessionAddressRecord, serverAddress) == 32, "address record layout");
static_assert(offsetof(SessionAddressRecord, serverPort) == 36, "address record layout");
static_assert(offsetof(SessionAddressRecord, userNumber) == 52, "address record layout");
static_assert(offsetof(SessionAddressRecord, udpFrontAddress) == 56, "address record layout");
static_assert(offsetof(SessionAddressRecord, tcpAddress) == 64, "address record layout");
static_assert(offsetof(SessionAddressRecord, tcpPort) == 68, "address record layout");
static_assert(offsetof(SessionAddressRecord, dataAddress) == 72, "address record layout");
static_assert(offsetof(SessionAddressRecord, dataPort) == 76, "address record layout");

// The second UDP destination kept in the reserved bytes (port at +46, address at +48).
std::uint16_t SecondUdpPort(const SessionAddressRecord& record);
std::uint32_t SecondUdpAddress(const SessionAddressRecord& record);

// "a.b.c.d" with a the most significant byte.
std::string FormatDottedQuad(std::uint32_t address);

// Exactly four decimal numbers 0-255 separated by single dots, nothing else (no blanks, signs or
// empty parts; at most three digits each). False for anything else, which leaves *address as it
// was: an address from a server's reply is never wrapped into another host.
bool ParseDottedQuad(const char* text, std::size_t length, std::uint32_t* address);
inline bool ParseDottedQuad(const std::string& text, std::uint32_t* address)
{
    return ParseDottedQuad(text.data(), text.size(), address);
}

// "0.0.0.0" and "255.255.255.255" name no server.
inline bool IsUsableAddress(std::uint32_t address)
{
    return address != 0 && address != 0xFFFFFFFFu;
}
