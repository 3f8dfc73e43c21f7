#include "net/session/SessionProtocol.h"

#include "net/forms/ServiceForms.h"

#include <cstdio>
#include <cstring>

namespace netsession {

namespace {

constexpr std::size_t kValueLimit = 256;

std::string Encoded(const std::string& value) { return UrlEncodeFormValue(value.c_str()).GetString(); }

std::string Head(std::uint16_t version, std::uint16_t type, std::uint32_t seq, const std::string& id)
{
    char head[64];
    std::snprintf(head, sizeof head, "version=%#.4x&type=%#.4x&seq=%#.8x&id=", static_cast<unsigned>(version),
                  static_cast<unsigned>(type), static_cast<unsigned>(seq));
    return head + Encoded(id);
}

// The room URL as the room servers read it (":" and "/" escaped as well), with "&", "=" and "+"
// escaped too, so that a URL with a query can neither end its field nor add one.
std::string RoomUrlValue(const std::string& url)
{
    std::string out;
    for (char c : std::string(UrlEncode(url.c_str(), 1).GetString())) {
        if (c == '&')
            out += "%26";
        else if (c == '=')
            out += "%3D";
        else if (c == '+')
            out += "%2B";
        else
            out += c;
    }
    return out;
}

bool IsStop(char c) { return c == '<' || c == '\n' || c == '\r' || c == '\t' || c == '\b' || c == '\0'; }
bool IsItemStart(const char* text, std::size_t at, std::size_t from)
{
    if (at == from)
        return true;
    const char before = text[at - 1];
    return before == '<' || before == '>' || before == '&' || before == '\n' || before == '\r';
}
bool IsBlank(char c) { return c == ' '; }

// Where a whole field name begins at an item start from from on, followed (after blanks) by a
// colon; *valueAt is the first character after that colon.
std::size_t FindField(const char* text, std::size_t length, const char* name, std::size_t from, std::size_t* valueAt)
{
    const std::size_t n = std::strlen(name);
    if (n == 0 || !text)
        return std::string::npos;
    for (std::size_t at = from; at + n <= length; ++at) {
        if (std::memcmp(text + at, name, n) != 0 || !IsItemStart(text, at, from))
            continue;
        std::size_t i = at + n;
        while (i < length && IsBlank(text[i]))
            ++i;
        if (i < length && text[i] == ':') {
            *valueAt = i + 1;
            return at;
        }
    }
    return std::string::npos;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The reply's address and port, both required to be well formed.
bool ReadEndpoint(const std::string& address, const std::string& port, std::uint32_t* a, std::uint16_t* p)
{
    return ParseDottedQuad(address, a) && ParsePortValue(port, p);
}

void CopyId(char (&target)[16], const std::string& id)
{
    std::memset(target, 0, sizeof target);
    std::memcpy(target, id.data(), id.size() < sizeof target ? id.size() : sizeof target);
}

} // namespace

std::uint16_t VersionWord(std::uint16_t protocolVersion, std::uint16_t connectFlags)
{
    std::uint16_t word = (protocolVersion & 0xFF) == 47 ? 0x220 : 0x301;
    if (connectFlags & 0x0002)
        word = static_cast<std::uint16_t>(word + 0x10);
    return word;
}

std::string LoginBody(std::uint16_t version, std::uint16_t type, std::uint32_t seq, const std::string& id,
                      const std::string& password, const std::string& address, std::uint16_t udpPort,
                      std::uint16_t tcpPort)
{
    char ports[48];
    std::snprintf(ports, sizeof ports, "&udp_port=%d&tcp_port=%d", static_cast<int>(udpPort), static_cast<int>(tcpPort));
    return Head(version, type, seq, id) + "&session=0x00000000&password=" + Encoded(password) +
           "&game_id=VERK_01234&game_vr=V1.000&addr=" + Encoded(address) + ports;
}

std::string LogoutBody(std::uint16_t version, std::uint32_t seq, const std::string& id, const std::string& session,
                       const std::string& password)
{
    return Head(version, kTypeLogout, seq, id) + "&session=" + Encoded(session) + "&password=" + Encoded(password) +
           "&game_id=VERK_01234&game_vr=V1.000";
}

std::string RoomEnterBody(std::uint16_t version, std::uint32_t seq, const std::string& id,
                          const std::string& session, const std::string& password, const std::string& roomUrl)
{
    return Head(version, kTypeRoomEnter, seq, id) + "&session=" + Encoded(session) + "&password=" +
           Encoded(password) + "&url=" + RoomUrlValue(roomUrl);
}

std::string RoomLeaveBody(std::uint16_t version, std::uint32_t seq, const std::string& id,
                          const std::string& session, const std::string& password, const std::string& roomId)
{
    return Head(version, kTypeRoomLeave, seq, id) + "&session=" + Encoded(session) + "&password=" +
           Encoded(password) + "&RoomID=" + Encoded(roomId);
}

std::size_t FindReplyStart(const char* text, std::size_t length)
{
    std::size_t valueAt = 0;
    return FindField(text, length, "version", 0, &valueAt);
}

bool GetReplyValue(const char* text, std::size_t length, const char* name, std::string* value, std::size_t from)
{
    value->clear();
    std::size_t i = 0;
    if (from > length || FindField(text, length, name, from, &i) == std::string::npos)
        return false;
    for (; i < length && !IsStop(text[i]) && value->size() < kValueLimit; ++i)
        if (!IsBlank(text[i]))
            value->push_back(text[i]);
    return true;
}

bool ParseHexValue(const std::string& text, std::uint32_t* value)
{
    std::size_t i = 0;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        i = 2;
    const std::size_t digits = text.size() - i;
    if (digits == 0 || digits > 8)
        return false;
    std::uint32_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (!IsHexDigit(c))
            return false;
        const unsigned d = c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
        v = (v << 4) | d;
    }
    *value = v;
    return true;
}

bool ParsePortValue(const std::string& text, std::uint16_t* value)
{
    if (text.empty() || text.size() > 5)
        return false;
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 65535)
        return false;
    *value = static_cast<std::uint16_t>(v);
    return true;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

std::uint32_t ParseLoginReply(const char* text, std::size_t length, std::uint16_t versionWord,
                              const std::string& loginId, LoginReply* reply)
{
    *reply = LoginReply();
    const std::size_t start = FindReplyStart(text, length);
    if (start == std::string::npos)
        return kLoginReplyNoInfo;
    const bool tcp = IsTcpVersion(versionWord);
    const struct {
        const char* name;
        std::string* target;
        bool required;
    } fields[] = {
        {"version", &reply->version, true}, {"type", &reply->type, true},       {"seq", &reply->seq, true},
        {"id", &reply->id, true},           {"session", &reply->session, true}, {"errno", &reply->errnoText, true},
        {"iuser", &reply->iuser, true},     {"ufaddr", &reply->ufaddr, !tcp},   {"ufport", &reply->ufport, !tcp},
        {"tfaddr", &reply->tfaddr, tcp},    {"tfport", &reply->tfport, tcp},
        {"exaddr", &reply->exaddr, versionWord > 0x110}, {"export", &reply->export_, versionWord > 0x110},
    };
    bool complete = true;
    for (const auto& field : fields) {
        std::string value;
        GetReplyValue(text, length, field.name, &value, start);
        if (!value.empty())
            *field.target = value;
        else if (field.required) {
            complete = false;
            break;
        }
    }
    std::uint32_t error = 0;
    if (!reply->errnoText.empty() && !ParseHexValue(reply->errnoText, &error))
        return kLoginReplyBad;
    if (error != 0)
        return error;
    if (!complete || !EqualIgnoringCase(reply->id, loginId))
        return kLoginReplyBad;
    // The numbers and server addresses the client is made from must be well formed: a bad one is
    // a bad reply, never another host.
    SessionLoginRecord login;
    SessionAddressRecord address;
    if (!FillClientRecords(versionWord, LoginTypeFor(versionWord), loginId, *reply, 0, 0, &login, &address))
        return kLoginReplyBad;
    return 0;
}

std::uint32_t ParseRoomReply(const char* text, std::size_t length, const std::string& loginId,
                             const std::string& loginSession, ChatRoomRecord* room)
{
    const std::size_t start = FindReplyStart(text, length);
    if (start == std::string::npos)
        return kRoomReplyNoInfo;
    static const char* const kRequired[] = {"type", "seq", "id", "session", "errno", "room_id", "caddr", "cport", "iuser"};
    std::string values[9];
    bool complete = true;
    for (int i = 0; i < 9; ++i) {
        GetReplyValue(text, length, kRequired[i], &values[i], start);
        if (values[i].empty()) {
            complete = false;
            break;
        }
    }
    std::uint32_t error = 0;
    if (!values[4].empty() && !ParseHexValue(values[4], &error))
        return kRoomReplyBad;
    if (error != 0)
        return error;
    if (!complete)
        return kRoomReplyBad;
    std::string id = values[2].substr(0, 16);
    std::uint32_t user = 0;
    std::uint16_t port = 0;
    if (!ParseHexValue(values[8], &user) || !ParsePortValue(values[7], &port) || port == 0)
        return kRoomReplyBad;
    if (!EqualIgnoringCase(values[3], loginSession) || !EqualIgnoringCase(id, loginId))
        return kRoomReplyBad;
    std::string key;
    GetReplyValue(text, length, "room_key", &key, start);
    room->roomId = values[5];
    room->chatServer = values[6];
    room->chatPort = port;
    room->roomKey = key;
    room->chatUserNumber = user;
    return 0;
}

bool FillClientRecords(std::uint16_t versionWord, std::uint16_t loginType, const std::string& loginId,
                       const LoginReply& reply, std::uint16_t udpPort, std::uint16_t tcpPort,
                       SessionLoginRecord* login, SessionAddressRecord* address)
{
    std::uint32_t session = 0, error = 0, user = 0;
    if (!ParseHexValue(reply.session, &session) || !ParseHexValue(reply.iuser, &user))
        return false;
    if (!reply.errnoText.empty() && !ParseHexValue(reply.errnoText, &error))
        return false;
    const bool tcp = IsTcpVersion(versionWord);
    std::uint32_t ufaddr = 0, tfaddr = 0, exaddr = 0;
    std::uint16_t ufport = 0, tfport = 0, exPort = 0;
    if (!tcp && !ReadEndpoint(reply.ufaddr, reply.ufport, &ufaddr, &ufport))
        return false;
    if (tcp && !ReadEndpoint(reply.tfaddr, reply.tfport, &tfaddr, &tfport))
        return false;
    if (versionWord > 0x110 && !ReadEndpoint(reply.exaddr, reply.export_, &exaddr, &exPort))
        return false;

    SessionLoginRecord l;
    l.version = versionWord;
    l.type = loginType;
    l.sequence = 1;
    CopyId(l.loginId, loginId);
    l.session = session;
    std::memcpy(l.credential, "dorvanek", 8);
    std::memcpy(l.gameId, "VERK_01234", 10);
    std::memcpy(l.gameVersion, "V1.000", 6);
    l.udpPort = udpPort;
    l.tcpPort = tcpPort;

    SessionAddressRecord a;
    a.version = versionWord;
    a.type = static_cast<std::uint16_t>(loginType + 1);
    a.sequence = 1;
    CopyId(a.loginId, loginId);
    a.session = session;
    a.errorCode = error;
    if (!tcp) {
        a.serverAddress = ufaddr;
        a.serverPort = ufport;
        a.udpFrontAddress = ufaddr;
        a.udpFrontPort = ufport;
    } else {
        a.tcpAddress = tfaddr;
        a.tcpPort = tfport;
    }
    a.userNumber = user;
    if (versionWord > 0x110) {
        a.dataAddress = exaddr;
        a.dataPort = exPort;
    } else {
        a.dataAddress = a.serverAddress;
        a.dataPort = a.eport;
    }
    *login = l;
    *address = a;
    return true;
}

bool PickFreePorts(IPortProbe& probe, std::uint16_t* udpPort, std::uint16_t* tcpPort)
{
    struct Walk {
        std::uint16_t* port;
        std::uint16_t start;
        const char* protocol;
        bool udp;
    } walks[] = {{udpPort, 33500, "udp", true}, {tcpPort, 40000, "tcp", false}};
    for (const Walk& walk : walks) {
        unsigned candidate = *walk.port ? *walk.port : walk.start;
        for (;; candidate += 10) {
            if (candidate >= 65535)
                return false;
            const auto port = static_cast<std::uint16_t>(candidate);
            if (!probe.HasService(port, walk.protocol) && probe.CanBind(port, walk.udp)) {
                *walk.port = port;
                break;
            }
        }
    }
    return true;
}

} // namespace netsession
