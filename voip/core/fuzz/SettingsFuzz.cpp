// Ini and host texts through the settings decisions: proxy unscrambling, host and port,
// dotted addresses, dialled digits and field cuts; the input's bytes as a list of interfaces.
#include "voip/core/SettingsRules.h"
#include "voip/core/SignalMessages.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    bool scrambled = false;
    std::string proxy = qelo::UnscrambleProxy(text, &scrambled);
    if (scrambled && qelo::ParseDottedAddress(proxy) == 0 && proxy != "0.0.0.0")
        std::abort();
    std::string host;
    std::uint16_t port = 0;
    qelo::SplitHostPort(text, host, port, 10101);
    if (port == 0)
        std::abort();
    std::uint32_t address = qelo::ParseDottedAddress(text);
    if (address != 0 && qelo::ParseDottedAddress(qelo::DottedAddress(address)) != address)
        std::abort();
    std::string terminated = text.substr(0, text.find('\0'));
    if (qelo::DialledDigits(terminated.c_str()).size() > 31)
        std::abort();
    if (qelo::FitField(terminated.c_str(), 10).size() > 9)
        std::abort();
    qelo::LoginMeansSignOut(terminated.c_str(), true);

    // A stored proxy address unscrambles to the address it was scrambled from.
    if (address != 0) {
        bool again = false;
        if (qelo::UnscrambleProxy(qelo::ScrambleProxy(address), &again) != qelo::DottedAddress(address) || !again)
            std::abort();
    }
    // The log shows the account user, never anything of the password but whether there is one.
    if (!terminated.empty() && qelo::AccountLogText("user", terminated) != qelo::AccountLogText("user", "x"))
        std::abort();

    // Five bytes an interface: address, then flags (bit 0 loopback, bit 1 point-to-point).
    std::vector<qelo::NetInterface> interfaces;
    for (std::size_t at = 0; at + 5 <= size && interfaces.size() < 16; at += 5) {
        qelo::NetInterface entry;
        entry.address = std::uint32_t(data[at]) << 24 | std::uint32_t(data[at + 1]) << 16 |
                        std::uint32_t(data[at + 2]) << 8 | data[at + 3];
        entry.loopback = (data[at + 4] & 1) != 0;
        entry.pointToPoint = (data[at + 4] & 2) != 0;
        interfaces.push_back(entry);
    }
    qelo::InterfaceChoice choice = qelo::ChooseLocalInterface(interfaces.data(), static_cast<int>(interfaces.size()));
    if (choice.index >= 0) {
        const qelo::NetInterface& chosen = interfaces[static_cast<std::size_t>(choice.index)];
        if (chosen.loopback || chosen.address == 0 || chosen.address == 0x7F000001 || chosen.address != choice.address)
            std::abort();
    } else if (choice.address != 0) {
        std::abort();
    }
    return 0;
}
