#include "voip/core/SettingsRules.h"

#include "framework/core/Cp932.h"
#include "voip/core/SignalMessages.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qelo {

std::uint32_t ParseDottedAddress(const std::string& text)
{
    std::uint32_t address = 0;
    std::size_t position = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != '.')
                return 0;
            ++position;
        }
        std::size_t start = position;
        unsigned value = 0;
        while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])) &&
               position - start < 3) {
            value = value * 10 + static_cast<unsigned>(text[position] - '0');
            ++position;
        }
        if (position == start || value > 255)
            return 0;
        address = address << 8 | value;
    }
    return position == text.size() ? address : 0;
}

bool IsDigitsAndDots(const std::string& text)
{
    if (text.empty())
        return false;
    for (char ch : text)
        if (ch != '.' && !std::isdigit(static_cast<unsigned char>(ch)))
            return false;
    return true;
}

namespace {
constexpr std::uint32_t kProxyMask = 0x5C3A91E7u;
}

std::string UnscrambleProxy(const std::string& value, bool* scrambled)
{
    if (scrambled)
        *scrambled = false;
    if (value.empty() || value.size() > 8)
        return value;
    for (char ch : value)
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            return value;
    std::uint32_t number = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 16)) ^ kProxyMask;
    // The socket functions hold the address with its first byte lowest.
    std::uint32_t address = (number & 0xFF) << 24 | ((number >> 8) & 0xFF) << 16 | ((number >> 16) & 0xFF) << 8 |
                            (number >> 24);
    if (scrambled)
        *scrambled = true;
    return DottedAddress(address);
}

std::string ScrambleProxy(std::uint32_t address)
{
    std::uint32_t number = (address & 0xFF) << 24 | ((address >> 8) & 0xFF) << 16 | ((address >> 16) & 0xFF) << 8 |
                           (address >> 24);
    char text[16];
    std::snprintf(text, sizeof text, "%X", number ^ kProxyMask);
    return text;
}

void SplitHostPort(const std::string& text, std::string& host, std::uint16_t& port, std::uint16_t defaultPort)
{
    port = defaultPort;
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        host = text;
        return;
    }
    host = text.substr(0, colon);
    std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return;
    unsigned long value = std::strtoul(digits.c_str(), nullptr, 10);
    if (value > 0 && value <= 65535)
        port = static_cast<std::uint16_t>(value);
}

std::string DialledDigits(const char* number)
{
    std::string digits;
    for (const char* p = number; p && *p && digits.size() < 31; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    return digits;
}

bool LoginMeansSignOut(const char* nickname, bool webFlag)
{
    if (!webFlag)
        return false;
    if (!nickname || !*nickname)
        return true;
    const char* never = "never mind";
    std::size_t length = std::strlen(nickname);
    if (length != std::strlen(never))
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(nickname[i])) != never[i])
            return false;
    return true;
}

std::string FitField(const char* text, std::size_t fieldSize)
{
    if (!text || fieldSize == 0)
        return std::string();
    std::size_t length = std::strlen(text);
    if (length > fieldSize - 1)
        length = cp932::BoundaryAtOrBefore(text, length, fieldSize - 1);
    return std::string(text, length);
}

} // namespace qelo

namespace qelo {

InterfaceChoice ChooseLocalInterface(const NetInterface* interfaces, int count)
{
    InterfaceChoice choice;
    for (int i = 0; interfaces && i < count; ++i) {
        const NetInterface& entry = interfaces[i];
        if (entry.loopback || entry.address == 0 || entry.address == 0x7F000001)
            continue;
        choice.address = entry.address;
        choice.pointToPoint = entry.pointToPoint;
        choice.index = i;
        if (entry.pointToPoint)
            break;
    }
    return choice;
}

std::string AccountLogText(const std::string& user, const std::string& password)
{
    return " orbelan account=" + user + "," + (password.empty() ? std::string() : std::string("********"));
}

} // namespace qelo
