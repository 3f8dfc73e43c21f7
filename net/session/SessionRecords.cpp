#include "net/session/SessionRecords.h"

#include <cstdio>
#include <cstring>

std::uint16_t SecondUdpPort(const SessionAddressRecord& record)
{
    std::uint16_t port = 0;
    std::memcpy(&port, record.reserved40 + (46 - 40), sizeof port);
    return port;
}

std::uint32_t SecondUdpAddress(const SessionAddressRecord& record)
{
    std::uint32_t address = 0;
    std::memcpy(&address, record.reserved40 + (48 - 40), sizeof address);
    return address;
}

std::string FormatDottedQuad(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (address >> 24) & 0xFF, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
    return text;
}

bool ParseDottedQuad(const char* text, std::size_t length, std::uint32_t* address)
{
    if (!text)
        return false;
    std::uint32_t value = 0;
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= length || text[i] != '.')
                return false;
            ++i;
        }
        unsigned number = 0;
        std::size_t digits = 0;
        while (i < length && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            number = number * 10 + static_cast<unsigned>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || number > 255)
            return false;
        value = (value << 8) | number;
    }
    if (i != length)
        return false;
    *address = value;
    return true;
}
