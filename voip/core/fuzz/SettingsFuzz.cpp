// Ini and host texts through the settings decisions: proxy unscrambling, host and port,
// dotted addresses, dialled digits and field cuts.
#include "voip/core/SettingsRules.h"
#include "voip/core/SignalMessages.h"

#include <cstdlib>
#include <string>

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
    return 0;
}
