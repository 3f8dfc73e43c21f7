// The records of the Remote Access Service in their ANSI form, as the program and the dial-up
// service exchange them. They are our own definitions in the sizes of the oldest layout the
// service accepts (the platform header's sizes move with WINVER, and a record of the wrong size
// is refused with 632). Only the connection record carries a handle, so it alone widens in the
// 64-bit build. Portable: the stand-in service of the tests reads the same header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ras {

using ConnectionHandle = std::uintptr_t; // HRASCONN

constexpr std::size_t kMaxEntryName = 256;
constexpr std::size_t kMaxDeviceType = 16;
constexpr std::size_t kMaxDeviceName = 128;
constexpr std::size_t kMaxPhoneNumber = 128;
constexpr std::size_t kMaxCallbackNumber = 128;
constexpr std::size_t kMaxUserName = 256;
constexpr std::size_t kMaxPassword = 256;
constexpr std::size_t kMaxDomain = 15;
constexpr std::size_t kMaxAreaCode = 10;
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kMaxIpAddress = 15;

// Result codes of the service that the program looks at.
enum : std::uint32_t {
    kSuccess = 0,
    kErrorInvalidHandle = 6,
    kErrorAlreadyExists = 183,
    kErrorBufferTooSmall = 603,
    kErrorCannotFindPhonebookEntry = 623,
    kErrorInvalidSize = 632,
    kErrorNotConnected = 668,
    kErrorUserCancelled = 631,
    kErrorCannotFindEntry = 755, // the program's own "entry does not exist"
    kErrorNoErrorText = 756,     // GetErrorText for code 0
};

// Connection states (RASCONNSTATE).
enum : std::uint32_t {
    kStateOpenPort = 0,
    kStatePaused = 0x1000,
    kStateConnected = 0x2000,
    kStateDisconnected = 0x2001,
};

// Phone-book entry options and protocols used when entries are made.
enum : std::uint32_t {
    kOptionUseCountryAndAreaCodes = 0x00000001,
    kOptionIpHeaderCompression = 0x00000008,
    kOptionRemoteDefaultGateway = 0x00000010,
    kOptionSoftwareCompression = 0x00000200,
    kNetProtocolIp = 0x00000004,
    kFramingPpp = 0x00000001,
    kProjectionPppIp = 0x8021,
    kNotifierType1 = 1,
};

struct DeviceInfo {                         // RASDEVINFOA
    std::uint32_t size;
    char deviceType[kMaxDeviceType + 1];
    char deviceName[kMaxDeviceName + 1];
};

struct Connection {                         // RASCONNA
    std::uint32_t size;
    ConnectionHandle handle;
    char entryName[kMaxEntryName + 1];
    char deviceType[kMaxDeviceType + 1];
    char deviceName[kMaxDeviceName + 1];
};

struct ConnectionStatus {                   // RASCONNSTATUSA
    std::uint32_t size;
    std::uint32_t state;
    std::uint32_t error;
    char deviceType[kMaxDeviceType + 1];
    char deviceName[kMaxDeviceName + 1];
};

struct IpAddress {
    std::uint8_t a, b, c, d;
};

struct PhoneBookEntry {                     // RASENTRYA
    std::uint32_t size;
    std::uint32_t options;
    std::uint32_t countryId;
    std::uint32_t countryCode;
    char areaCode[kMaxAreaCode + 1];
    char localPhoneNumber[kMaxPhoneNumber + 1];
    std::uint32_t alternateOffset;
    IpAddress ipAddress, dnsAddress, dnsAltAddress, winsAddress, winsAltAddress;
    std::uint32_t frameSize;
    std::uint32_t netProtocols;
    std::uint32_t framingProtocol;
    char script[kMaxPath];
    char autodialDll[kMaxPath];
    char autodialFunction[kMaxPath];
    char deviceType[kMaxDeviceType + 1];
    char deviceName[kMaxDeviceName + 1];
    char x25PadType[33];
    char x25Address[201];
    char x25Facilities[201];
    char x25UserData[201];
    std::uint32_t channels;
    std::uint32_t reserved1;
    std::uint32_t reserved2;
};

struct DialParams {                         // RASDIALPARAMSA
    std::uint32_t size;
    char entryName[kMaxEntryName + 1];
    char phoneNumber[kMaxPhoneNumber + 1];
    char callbackNumber[kMaxCallbackNumber + 1];
    char userName[kMaxUserName + 1];
    char password[kMaxPassword + 1];
    char domain[kMaxDomain + 1];
};

struct PppIpProjection {                    // RASPPPIPA
    std::uint32_t size;
    std::uint32_t error;
    char ipAddress[kMaxIpAddress + 1];
    char serverIpAddress[kMaxIpAddress + 1];
};

struct EntryName {                          // RASENTRYNAMEA
    std::uint32_t size;
    char entryName[kMaxEntryName + 1];
};

static_assert(sizeof(DeviceInfo) == 152, "device information record");
static_assert(sizeof(ConnectionStatus) == 160, "connection status record");
static_assert(sizeof(PhoneBookEntry) == 1768, "phone-book entry record");
static_assert(sizeof(DialParams) == 1052, "dial parameter record");
static_assert(sizeof(PppIpProjection) == 40, "PPP IP projection record");
static_assert(sizeof(EntryName) == 264, "entry name record");
static_assert(sizeof(Connection) == (sizeof(void*) == 4 ? 412 : 424), "connection record");

} // namespace ras
