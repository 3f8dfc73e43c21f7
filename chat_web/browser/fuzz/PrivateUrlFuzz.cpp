// The private URL filter and the URL cracker on any text: every decision is one of its set, and
// a command's parameters always pass the checks the window relies on.
#include "chat_web/browser/core/PrivateUrl.h"
#include "framework/core/UrlParse.h"

#include <cstdlib>
#include <cstring>
#include <string>

using browser::UrlAction;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsCommId(const CString& id)
{
    if (id.GetLength() != browser::kCommIdLength)
        return false;
    for (int i = 0; i < id.GetLength(); ++i) {
        auto c = static_cast<unsigned char>(id[i]);
        if (c <= 0x20 || c >= 0x7F || std::strchr("&=?/ :", c))
            return false;
    }
    return true;
}

bool NoControlBytes(const CString& s)
{
    for (int i = 0; i < s.GetLength(); ++i)
        if (static_cast<unsigned char>(s[i]) < 0x20)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    int mark = static_cast<int>(data[0] % 3) - 1;
    bool allowed = (data[0] & 4) != 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text = text.c_str(); // a link is a text: it ends at its first zero byte
    browser::UrlDecision d = browser::ClassifyUrl(text.c_str(), mark, allowed);
    bool priv = browser::IsPrivateScheme(text.c_str());
    switch (d.action) {
    case UrlAction::Follow: Check(!priv); break;
    case UrlAction::Cancel: break;
    case UrlAction::PrivateMessage:
        Check(priv && allowed && IsCommId(d.id) && NoControlBytes(d.name) && d.name.GetLength() <= 32);
        break;
    case UrlAction::EnterRoom:
        Check(priv && allowed && d.locator.GetLength() <= browser::kMaxLocatorLength && NoControlBytes(d.locator));
        break;
    case UrlAction::CallById: Check(priv && allowed && IsCommId(d.id)); break;
    case UrlAction::CallByNumber:
        Check(priv && allowed && d.number.GetLength() >= 1 && d.number.GetLength() <= browser::kMaxNumberLength &&
              d.number.SpanIncluding("0123456789*#-").GetLength() == d.number.GetLength());
        break;
    case UrlAction::MainRequest: Check(priv && allowed && d.request >= 0 && d.request <= 4); break;
    default: Check(false);
    }
    Check(!d.refusedOrigin || (priv && !allowed && d.action == UrlAction::Cancel));

    std::uint32_t service;
    CString server, object;
    std::uint16_t port;
    if (AfxParseURL(text.c_str(), service, server, object, port)) {
        for (int i = 0; i < server.GetLength(); ++i) {
            auto c = static_cast<unsigned char>(server[i]);
            Check(c > 0x20 && c < 0x7F);
        }
        Check(server.GetLength() + object.GetLength() <= static_cast<int>(text.size()) + 1);
    } else {
        Check(server.IsEmpty() && object.IsEmpty() && port == 0);
        Check(!IsValidUrl(text.c_str()));
    }
    return 0;
}
