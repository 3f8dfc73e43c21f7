// The service login's forms, reply readers, client records and port walk.
#include "net/session/SessionProtocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace netsession;

namespace {

std::uint32_t Login(const std::string& text, std::uint16_t version, const std::string& id, LoginReply* reply)
{
    return ParseLoginReply(text.data(), text.size(), version, id, reply);
}

const char kUdpReply[] = "version:0x0301<br>type:0x0102<br>seq:0x00000001<br>id:user01<br>session:0x1A2B3C4D<br>"
                         "errno:0<br>iuser:0x00000042<br>ufaddr:127.0.0.1<br>ufport:33333<br>"
                         "exaddr:127.0.0.2<br>export:44444<br>";

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    std::size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST(SessionForms, BodiesHaveThePartsShapeWithValuesEncodedOneByOne)
{
    EXPECT_EQ(LoginBody(0x301, 0x101, 1, "user01", "pw42", "10.0.0.5", 33500, 40000),
              "version=0x0301&type=0x0101&seq=0x00000001&id=user01&session=0x00000000&password=pw42"
              "&game_id=VERK_01234&game_vr=V1.000&addr=10.0.0.5&udp_port=33500&tcp_port=40000");
    EXPECT_EQ(LogoutBody(0x311, 2, "user01", "0x1A2B3C4D", "pw42"),
              "version=0x0311&type=0x0003&seq=0x00000002&id=user01&session=0x1A2B3C4D&password=pw42"
              "&game_id=VERK_01234&game_vr=V1.000");
    EXPECT_EQ(RoomEnterBody(0x220, 3, "u", "0xAB", "p", "http://host/room/1?a=b&c=d+e"),
              "version=0x0220&type=0x0013&seq=0x00000003&id=u&session=0xAB&password=p"
              "&url=http%3A%2F%2Fhost%2Froom%2F1?a%3Db%26c%3Dd%2Be");
    EXPECT_EQ(RoomLeaveBody(0x230, 0x1234ABCD, "u", "0xAB", "p", "R 1"),
              "version=0x0230&type=0x0015&seq=0x1234abcd&id=u&session=0xAB&password=p&RoomID=R%201");
    // A password that would end its field or add one arrives as typed; the id too.
    const std::string body = LoginBody(0x301, 0x101, 1, "a&id=x", "p&addr=1.2.3.4+%", "1.2.3.4", 1, 2);
    EXPECT_EQ(body.find("&addr=1.2.3.4+"), std::string::npos);
    EXPECT_NE(body.find("id=a%26id%3Dx&"), std::string::npos) << body;
    EXPECT_NE(body.find("password=p%26addr%3D1.2.3.4%2B%25&"), std::string::npos) << body;
}

TEST(SessionForms, VersionWordFromProtocolVersionAndTransport)
{
    struct Case {
        std::uint16_t protocolVersion, flags, word;
    } cases[] = {
        {0, 0, 0x301}, {0, 0x0002, 0x311}, {47, 0, 0x220}, {47, 0x0002, 0x230},
        {0x1000 | 47, 0x1002, 0x230}, {0x2F00, 0, 0x301}, {48, 0x0001, 0x301},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VersionWord(c.protocolVersion, c.flags), c.word) << c.protocolVersion << " " << c.flags;
        EXPECT_EQ(LoginTypeFor(c.word), 0x101);
    }
    EXPECT_EQ(LoginTypeFor(0x110), 1);
}

TEST(SessionReply, ValuesAreWholeNamesAtItemStarts)
{
    struct Case {
        const char* text;
        const char* name;
        bool found;
        const char* value;
    } cases[] = {
        {"version:1<br>room_id:R9<br>id:me<br>", "id", true, "me"},        // not inside room_id
        {"version:1<br>note:say id:x<br>id:me<br>", "id", true, "me"},     // not inside a value
        {"version:1<br>session: 0x12 34<br>", "session", true, "0x1234"},  // blanks dropped
        {"version:1\nid :me\r\n", "id", true, "me"},                       // blank before the colon
        {"version:1<br>idx:me<br>", "id", false, ""},                      // not a whole name
        {"version:1<br>id<br>", "id", false, ""},                          // no colon
        {"version:1<br>id:<br>", "id", true, ""},                          // empty value
        {"version:1&id:a:b\tc", "id", true, "a:b"},                        // tab stops, later colons kept
        {"version:1<br>id:a\bb", "id", true, "a"},
        {"version:1<br>id:first<br>id:second", "id", true, "first"},
    };
    for (const Case& c : cases) {
        std::string value = "junk";
        EXPECT_EQ(GetReplyValue(c.text, std::strlen(c.text), c.name, &value), c.found) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    const std::string longValue = "version:1<br>id:" + std::string(300, 'x');
    std::string value;
    ASSERT_TRUE(GetReplyValue(longValue.data(), longValue.size(), "id", &value));
    EXPECT_EQ(value.size(), 256u);
    // The length bounds the search: a name past it is not there.
    const char cut[] = "version:1<br>id:me";
    EXPECT_FALSE(GetReplyValue(cut, 14, "id", &value));
}

TEST(SessionReply, LoginDecisionTable)
{
    const std::string udp = kUdpReply;
    const std::string tcp = Replace(Replace(udp, "ufaddr:", "tfaddr:"), "ufport:", "tfport:");
    struct Case {
        const char* what;
        std::string text;
        std::uint16_t version;
        std::uint32_t result;
    } cases[] = {
        {"udp", udp, 0x301, 0},
        {"udp 0x220", udp, 0x220, 0},
        {"id in other case", Replace(udp, "id:user01", "id:USER01"), 0x301, 0},
        {"another id", Replace(udp, "id:user01", "id:user02"), 0x301, kLoginReplyBad},
        {"no version", Replace(udp, "version:", "vers:"), 0x301, kLoginReplyNoInfo},
        {"empty", "", 0x301, kLoginReplyNoInfo},
        {"refused", Replace(udp, "errno:0", "errno:0x2712"), 0x301, 0x2712},
        {"refused, later field missing", Replace(Replace(udp, "errno:0", "errno:2711"), "iuser:", "x:"), 0x301, 0x2711},
        {"session missing", Replace(udp, "session:", "sess:"), 0x301, kLoginReplyBad},
        {"errno missing", Replace(udp, "errno:0", "err:0"), 0x301, kLoginReplyBad},
        {"udp reply for tcp", udp, 0x311, kLoginReplyBad},
        {"tcp", tcp, 0x311, 0},
        {"tcp 0x230", tcp, 0x230, 0},
        {"tcp reply for udp", tcp, 0x301, kLoginReplyBad},
        {"extended data missing", Replace(udp, "export:", "xport:"), 0x301, kLoginReplyBad},
        {"address over 255", Replace(udp, "ufaddr:127.0.0.1", "ufaddr:300.1.2.3"), 0x301, kLoginReplyBad},
        {"port over 65535", Replace(udp, "ufport:33333", "ufport:70000"), 0x301, kLoginReplyBad},
        {"port not a number", Replace(udp, "export:44444", "export:44a"), 0x301, kLoginReplyBad},
        {"session not hex", Replace(udp, "session:0x1A2B3C4D", "session:0xZZ"), 0x301, kLoginReplyBad},
        {"session with blanks", Replace(udp, "session:0x1A2B3C4D", "session: 0x1A2B 3C4D"), 0x301, 0},
        {"name inside a value", Replace(udp, "<br>type:", "<br>note:seq:9 id:x<br>type:"), 0x301, 0},
        {"room_id before id", Replace(udp, "<br>id:user01", "<br>room_id:zz<br>id:user01"), 0x301, 0},
        {"markup before version", "<html><body>" + udp + "</body>", 0x301, 0},
        {"version only inside text", "xxversion:1<br>" + udp.substr(15), 0x301, kLoginReplyNoInfo},
    };
    for (const Case& c : cases) {
        LoginReply reply;
        EXPECT_EQ(Login(c.text, c.version, "user01", &reply), c.result) << c.what;
        if (c.result == kLoginReplyNoInfo)
            EXPECT_TRUE(reply.version.empty() && reply.id.empty() && reply.session.empty()) << c.what;
    }
    LoginReply reply;
    ASSERT_EQ(Login(Replace(udp, "session:0x1A2B3C4D", "session: 0x1A2B 3C4D"), 0x301, "user01", &reply), 0u);
    EXPECT_EQ(reply.session, "0x1A2B3C4D");
    EXPECT_EQ(reply.iuser, "0x00000042");
    EXPECT_EQ(reply.ufport, "33333");
}

TEST(SessionReply, RoomDecisionTable)
{
    const std::string good = "version:0x0301<br>type:0x0014<br>seq:0x00000002<br>id:user01<br>session:0x1A2B3C4D<br>"
                             "errno:0<br>room_id:R42<br>caddr:chat.example<br>cport:6667<br>iuser:0x0000002A<br>"
                             "room_key:K 9<br>";
    struct Case {
        const char* what;
        std::string text;
        std::uint32_t result;
    } cases[] = {
        {"good", good, 0},
        {"no key", Replace(good, "room_key:K 9<br>", ""), 0},
        {"no version", Replace(good, "version:", "v:"), kRoomReplyNoInfo},
        {"id other case", Replace(good, "id:user01", "id:User01"), 0},
        {"id long, cut to 16", Replace(good, "id:user01", "id:USER01" + std::string(10, 'q')), kRoomReplyBad},
        {"other session", Replace(good, "session:0x1A2B3C4D", "session:0x1A2B3C4E"), kRoomReplyBad},
        {"session other case", Replace(good, "session:0x1A2B3C4D", "session:0x1a2b3c4d"), 0},
        {"refused", Replace(good, "errno:0", "errno:0x3001"), 0x3001},
        {"missing caddr", Replace(good, "caddr:", "c:"), kRoomReplyBad},
        {"missing iuser, refused", Replace(Replace(good, "errno:0", "errno:9"), "iuser:", "u:"), 9},
        {"port over 65535", Replace(good, "cport:6667", "cport:70000"), kRoomReplyBad},
        {"id only inside room_id", Replace(good, "<br>id:user01", ""), kRoomReplyBad},
    };
    for (const Case& c : cases) {
        ChatRoomRecord room;
        room.roomUrl = "http://keep";
        EXPECT_EQ(ParseRoomReply(c.text.data(), c.text.size(), "user01", "0x1A2B3C4D", &room), c.result) << c.what;
        EXPECT_EQ(room.roomUrl, "http://keep");
        if (c.result != 0)
            EXPECT_TRUE(room.roomId.empty()) << c.what;
    }
    ChatRoomRecord room;
    ASSERT_EQ(ParseRoomReply(good.data(), good.size(), "USER01", "0x1A2B3C4D", &room), 0u);
    EXPECT_EQ(room.roomId, "R42");
    EXPECT_EQ(room.chatServer, "chat.example");
    EXPECT_EQ(room.chatPort, 6667);
    EXPECT_EQ(room.roomKey, "K9");
    EXPECT_EQ(room.chatUserNumber, 0x2Au);
}

namespace {

std::string Hex(const void* data, std::size_t size)
{
    std::string out;
    char pair[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<const unsigned char*>(data)[i]);
        out += pair;
    }
    return out;
}

std::string Python(const std::string& script)
{
    const std::string command = "python3 -c '" + script + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buf[512];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
        out.append(buf, n);
    ::pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

} // namespace

TEST(SessionRecordsFromReply, BytesMatchPythonStruct)
{
    struct Case {
        std::uint16_t version;
        const char* id;
        const char* python; // session, errno, server, port, eport, user, udp front, tcp front, data
    } cases[] = {
        {0x301, "user01", "0x1A2B3C4D,0x7,0x7F000001,33333,0,0x42,0x7F000001,33333,0,0,0x7F000002,44444"},
        {0x311, "ABCDEFGHIJKLMNOPQR", "0x1A2B3C4D,0x7,0,0,0,0x42,0,0,0x0A000001,5555,0x7F000002,44444"},
    };
    for (const Case& c : cases) {
        const bool tcp = IsTcpVersion(c.version);
        LoginReply reply;
        reply.session = "0x1A2B3C4D";
        reply.errnoText = "7";
        reply.iuser = "0x42";
        reply.ufaddr = "127.0.0.1";
        reply.ufport = "33333";
        reply.tfaddr = tcp ? "10.0.0.1" : "";
        reply.tfport = tcp ? "5555" : "";
        reply.exaddr = "127.0.0.2";
        reply.export_ = "44444";
        SessionLoginRecord login;
        SessionAddressRecord address;
        ASSERT_TRUE(FillClientRecords(c.version, 0x101, c.id, reply, 33510, 40020, &login, &address));
        const std::string id = std::string(c.id).substr(0, 16);
        const std::string loginPy = "import struct; print(struct.pack(\"<HHI16sI8s10s6sIHH\", " +
                                    std::to_string(c.version) + ", 0x101, 1, b\"" + id +
                                    "\", 0x1A2B3C4D, b\"dorvanek\", b\"VERK_01234\", b\"V1.000\", 0, 33510, 40020).hex())";
        EXPECT_EQ(Hex(&login, sizeof login), Python(loginPy)) << c.id;
        const std::string addressPy = "import struct; print(struct.pack(\"<HHI16sIIIHH12xIIHxxIHxxIH34x\", " +
                                      std::to_string(c.version) + ", 0x102, 1, b\"" + id + "\", " + c.python +
                                      ").hex())";
        EXPECT_EQ(Hex(&address, sizeof address), Python(addressPy)) << c.id;
    }
    // A reply whose address is not four numbers 0-255 makes no records.
    LoginReply bad;
    bad.session = "1";
    bad.iuser = "2";
    bad.ufaddr = "300.1.2.3";
    bad.ufport = "1";
    bad.exaddr = "1.2.3.4";
    bad.export_ = "1";
    SessionLoginRecord login;
    login.udpPort = 77;
    SessionAddressRecord address;
    EXPECT_FALSE(FillClientRecords(0x301, 0x101, "u", bad, 1, 2, &login, &address));
    EXPECT_EQ(login.udpPort, 77);
}

TEST(SessionReply, CaseFoldingLeavesDoubleByteCharactersAlone)
{
    EXPECT_TRUE(EqualIgnoringCase("AbC", "aBc"));
    EXPECT_FALSE(EqualIgnoringCase("abc", "abcd"));
    // 0x83 0x41 and 0x83 0x61 are two different katakana: the trail byte is not a letter.
    EXPECT_FALSE(EqualIgnoringCase("\x83\x41", "\x83\x61"));
    EXPECT_TRUE(EqualIgnoringCase("x\x83\x41Y", "X\x83\x41y"));
}

namespace {

class ScriptedProbe : public IPortProbe {
public:
    std::set<std::pair<std::uint16_t, std::string>> services;
    std::set<std::pair<std::uint16_t, bool>> bound;
    std::vector<std::string> asked;
    bool HasService(std::uint16_t port, const char* protocol) override
    {
        asked.push_back(std::string(protocol) + ":" + std::to_string(port));
        return services.count({port, protocol}) != 0;
    }
    bool CanBind(std::uint16_t port, bool udp) override { return bound.count({port, udp}) == 0; }
};

} // namespace

TEST(SessionPorts, WalkSkipsServicesAndBoundPortsByTens)
{
    struct Case {
        const char* what;
        std::set<std::pair<std::uint16_t, std::string>> services;
        std::set<std::pair<std::uint16_t, bool>> bound;
        std::uint16_t udpStart, tcpStart;
        bool ok;
        std::uint16_t udp, tcp;
    } cases[] = {
        {"defaults", {}, {}, 0, 0, true, 33500, 40000},
        {"udp service", {{33500, "udp"}}, {}, 0, 0, true, 33510, 40000},
        {"tcp search independent", {{33500, "udp"}, {40000, "tcp"}, {40010, "tcp"}}, {}, 0, 0, true, 33510, 40020},
        {"tcp service on 33500 is no udp service", {{33500, "tcp"}}, {}, 0, 0, true, 33500, 40000},
        {"bound udp", {}, {{33500, true}, {33510, true}}, 0, 0, true, 33520, 40000},
        {"bound tcp", {}, {{40000, false}}, 0, 0, true, 33500, 40010},
        {"stored ports first", {}, {}, 33600, 41000, true, 33600, 41000},
        {"udp runs out", {{65525, "udp"}}, {}, 65525, 0, false, 65525, 0},
        {"tcp runs out", {}, {{65530, false}}, 0, 65530, false, 33500, 65530},
        {"last candidate below 65535", {}, {{65515, true}}, 65515, 0, true, 65525, 40000},
    };
    for (const Case& c : cases) {
        ScriptedProbe probe;
        probe.services = c.services;
        probe.bound = c.bound;
        std::uint16_t udp = c.udpStart, tcp = c.tcpStart;
        EXPECT_EQ(PickFreePorts(probe, &udp, &tcp), c.ok) << c.what;
        EXPECT_EQ(udp, c.udp) << c.what;
        EXPECT_EQ(tcp, c.tcp) << c.what;
    }
    ScriptedProbe probe;
    probe.services = {{33500, "udp"}};
    std::uint16_t udp = 0, tcp = 0;
    ASSERT_TRUE(PickFreePorts(probe, &udp, &tcp));
    EXPECT_EQ(probe.asked, (std::vector<std::string>{"udp:33500", "udp:33510", "tcp:40000"}));
}
