// Small decisions of the library's settings and addressing that need no platform.
#pragma once

#include <cstdint>
#include <string>

namespace qelo {

// Strict dotted IPv4 ("a.b.c.d", each 0..255); 0 when the text is not one.
std::uint32_t ParseDottedAddress(const std::string& text);
// A text made only of digits and dots is an address written out, not a host name.
bool IsDigitsAndDots(const std::string& text);

// The ini "pserver" value: a dot-free value of 1 to 8 hexadecimal digits is a scrambled address
// (number XOR 0x5C3A91E7, read in socket byte order, low byte first) and becomes its dotted
// text; anything else is a host name and stays as it is. scrambled tells which it was.
std::string UnscrambleProxy(const std::string& value, bool* scrambled = nullptr);
// The opposite, for tests and tools: the text an operator writes for an address.
std::string ScrambleProxy(std::uint32_t address);

// "host" or "host:port"; the port stays defaultPort when none (or a bad one) is given.
void SplitHostPort(const std::string& text, std::string& host, std::uint16_t& port, std::uint16_t defaultPort);

// The digits '0' to '9' of a dialled number in order, at most 31.
std::string DialledDigits(const char* number);

// A login with an empty nickname or "Never Mind" (any letter case) signs out instead when the
// registry flag "web" is set.
bool LoginMeansSignOut(const char* nickname, bool webFlag);

// Cuts a text so that it fits a field of fieldSize bytes with its terminator.
std::string FitField(const char* text, std::size_t fieldSize);

} // namespace qelo

namespace qelo {

// One entry of the interface list.
struct NetInterface {
    std::uint32_t address = 0; // host order
    bool loopback = false;
    bool pointToPoint = false;
};
// The scan's choice: a point-to-point interface ends the scan; otherwise the last LAN one stands.
// Loopback interfaces and the addresses 0 and 127.0.0.1 never qualify.
struct InterfaceChoice {
    std::uint32_t address = 0;
    bool pointToPoint = false;
    int index = -1;
};
InterfaceChoice ChooseLocalInterface(const NetInterface* interfaces, int count);

// The gateway account as the log shows it: the password never in clear.
std::string AccountLogText(const std::string& user, const std::string& password);

} // namespace qelo
