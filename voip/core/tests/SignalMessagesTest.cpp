// Every body against bytes written out by hand from the wire layout.
#include "voip/core/SignalMessages.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using namespace qelo;

namespace {

// Hex text to bytes; spaces are for reading only.
Datagram Hex(const std::string& text)
{
    Datagram bytes;
    std::string digits;
    for (char ch : text)
        if (std::isxdigit(static_cast<unsigned char>(ch)))
            digits += ch;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string Zeros(int count) { return std::string(static_cast<std::size_t>(count) * 2, '0'); }

const MessageId kId = MakeMessageId(0x7F000001, 5, 0x1234);
const char* kIdHex = "7F000001 05000000 FFFFFFFF 34120000";

std::string HeaderHex(int total, int type)
{
    char text[64];
    std::snprintf(text, sizeof text, "69547058 %04X 0020 0091 0001 %04X 0000 ", total, type);
    return text + std::string(kIdHex);
}

struct Row {
    const char* name;
    Datagram built;
    std::string expected;
};

} // namespace

TEST(SignalMessages, EveryBodyIsByteExact)
{
    InviteFields invite;
    invite.voiceAddress = 0xC0A80005;
    invite.caller = "12345";
    invite.second = "";
    invite.destination = MediaAddressDigits(0x0A000102);
    invite.silence = true;
    InviteFields phone = invite;
    phone.caller = "gwuser";
    phone.second = "secret";
    phone.destination = "0312345678";
    phone.silence = false;

    const Row rows[] = {
        {"TREGISTRATION", BuildRegistration(TREGISTRATION, kId, "12345", 0x7F000001, 8481),
         HeaderHex(60, 40) + "3132333435" + Zeros(15) + "7F000001 2121 0000"},
        {"TALIVE", BuildRegistration(TALIVE, kId, "12345678901234567890", 0x7F000001, 8481),
         HeaderHex(60, 44) + "3132333435363738393031323334353637383930 7F000001 2121 0000"},
        {"TFIRST_TIMEREG", BuildFirstTimeRegistration(kId, "81", "3", "Taro", 0x0A000001, 8481),
         HeaderHex(92, 51) + "7E7E7E7E" + Zeros(16) + "3831" + Zeros(4) + "33" + Zeros(4) + "5461726F" + Zeros(16) +
             "00 0A000001 2121 0000"},
        {"TFIRST_TIMEREG cuts each field", BuildFirstTimeRegistration(kId, "0081234", "034567", "ABCDEFGHIJKLMNOPQRSTUV", 1, 8481),
         HeaderHex(92, 51) + "7E7E7E7E" + Zeros(16) + "303038313233" + "3033343536" +
             "4142434445464748494A4B4C4D4E4F5051525354" + "00 00000001 2121 0000"},
        {"TLOGOFF", BuildLogoff(kId, "77"), HeaderHex(52, 55) + "3737" + Zeros(18)},
        {"TLOGOFF without unit id", BuildLogoff(kId, ""), HeaderHex(32, 55)},
        {"TCALLREQUEST", BuildCallRequest(kId, 200, "0312345678"),
         HeaderHex(76, 42) + "000000C8 30333132333435363738" + Zeros(10) + Zeros(20)},
        {"QLIP_INVITE to a PC", BuildInvite(kId, invite),
         HeaderHex(196, 1) + "0008 C0A80005 2323 0064" + "3132333435" + Zeros(43) + Zeros(48) + Zeros(2) + "0028" +
             "303130303030303031303032" + Zeros(20) + Zeros(6) + "0001" + Zeros(2) + "000C 0002 0003 0000 0001 0000"},
        {"QLIP_INVITE by telephone", BuildInvite(kId, phone),
         HeaderHex(196, 1) + "0008 C0A80005 2323 0064" + "677775736572" + Zeros(42) + "736563726574" + Zeros(42) + Zeros(2) +
             "0028" + "30333132333435363738" + Zeros(22) + Zeros(6) + "0001" + Zeros(2) +
             "000C 0002 0003 0000 0000 0000"},
        {"QLIP_INVITE_RSP_2XX", BuildInvite2xx(kId, 0xC0A80005, true),
         HeaderHex(72, 3) + "0008 C0A80005 2323 000C 0002 FFFFFFFF FFFFFFFF 0008 003C" + Zeros(4) +
             "000C 0002 0003 0000 0001 0000"},
        {"QLIP_INVITE_RSP_4XX", BuildInvite4xx(kId, "Busy"),
         HeaderHex(45, 4) + "0001 0005 4275737900 00000000"},
        {"QLIP_INFO_DTMF", BuildDtmf(kId, 3, '5'), HeaderHex(56, 10) + "0014 0001 0003 0000 00000035" + Zeros(12)},
        {"QLIP_BYE", BuildBye(QLIP_BYE, kId), HeaderHex(52, 12) + "000C 0002 FFFFFFFF FFFFFFFF" + Zeros(8)},
        {"QLIP_BYE_RSP", BuildBye(QLIP_BYE_RSP, kId), HeaderHex(52, 13) + "000C 0002 FFFFFFFF FFFFFFFF" + Zeros(8)},
        {"QLIP_ACK", BuildHeaderOnly(QLIP_ACK, kId), HeaderHex(32, 5)},
        {"QLIP_INFO_OFFHOOK", BuildHeaderOnly(QLIP_INFO_OFFHOOK, kId), HeaderHex(32, 8)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Hex(row.expected), row.built);
    }
}

TEST(SignalMessages, ReadBodiesFromHandWrittenBytes)
{
    Datagram regAck = Hex(HeaderHex(54, 41) + Zeros(20) + "0007");
    EXPECT_EQ(7, DecodeRegistrationAck(regAck.data(), regAck.size()).result);

    Datagram first = Hex(HeaderHex(96, 52) + "3132333435363738393031323334353637383930" + "5A5A 0000" +
                         "7573657231" + Zeros(15) + "7061737331" + Zeros(15));
    FirstTimeRegistrationAck ack = DecodeFirstTimeRegistrationAck(first.data(), first.size());
    EXPECT_EQ("12345678901234567890", ack.unitId);
    EXPECT_EQ(0x5A5A, ack.result);
    EXPECT_EQ("user1", ack.accountUser);
    EXPECT_EQ("pass1", ack.accountPassword);

    Datagram call = Hex(HeaderHex(44, 43) + "00000258 7F000002 7F000003");
    CallRequestAck callAck = DecodeCallRequestAck(call.data(), call.size());
    EXPECT_EQ(600, callAck.kind);
    EXPECT_EQ(0x7F000002u, callAck.inviteAddress);
    EXPECT_EQ(0x7F000003u, callAck.mediaAddress);

    Datagram refused = Hex(HeaderHex(36, 43) + "FFFFFFFF");
    EXPECT_EQ(-1, DecodeCallRequestAck(refused.data(), refused.size()).kind);

    Datagram invite = BuildInvite(kId, InviteFields{0xC0A80005, 8995, "123456789012345678901234", "", "1", false});
    Invite in = DecodeInvite(invite.data(), invite.size());
    EXPECT_EQ(0xC0A80005u, in.voiceAddress);
    EXPECT_EQ(8995, in.voicePort);
    EXPECT_EQ("12345678901234567890", in.callerId) << "only the first 20 bytes name the caller";

    Datagram credit = Hex(HeaderHex(72, 3) + "0008 C0A80005 2323 000C 0003 00000064 00000E10 0008 0258" + Zeros(16));
    Invite2xx ok = DecodeInvite2xx(credit.data(), credit.size());
    EXPECT_TRUE(ok.hasCredit);
    EXPECT_EQ(100, ok.credit);
    EXPECT_EQ(3600, ok.timeLimit);
    EXPECT_EQ(120, PeerKeepAlivePeriod(ok.keepAliveBase));
    EXPECT_EQ(10, PeerKeepAlivePeriod(15));
    EXPECT_EQ(20, PeerKeepAlivePeriod(60));

    Datagram bye = Hex(HeaderHex(60, 12) + "000C 0003 00000032 0000003C" + Zeros(4) + "42796521");
    Bye b = DecodeBye(bye.data(), bye.size());
    EXPECT_TRUE(b.hasCredit);
    EXPECT_EQ(50, b.credit);
    EXPECT_EQ(60, b.timeLimit);
    EXPECT_EQ("Bye!", b.reason) << "a reason without its terminator ends with the datagram";
}

TEST(SignalMessages, ReceivedLengthsAreBoundedByTheDatagram)
{
    // The 4XX claims 0xFFFF bytes of text but the datagram ends after four.
    Datagram lying = Hex(HeaderHex(40, 4) + "0001 FFFF 42757379");
    Invite4xx refusal = DecodeInvite4xx(lying.data(), lying.size());
    EXPECT_EQ("Busy", refusal.reason);
    EXPECT_EQ(0, refusal.errorCode);

    Datagram sent = BuildInvite4xx(kId, "Called Number Busy");
    Invite4xx back = DecodeInvite4xx(sent.data(), sent.size());
    EXPECT_EQ("Called Number Busy", back.reason);
    EXPECT_EQ("300: Called Number Busy", FormatRefusal(back));

    Datagram withCode = Hex(HeaderHex(45, 4) + "0001 0005 4275737900 00000086");
    EXPECT_EQ("434: Busy", FormatRefusal(DecodeInvite4xx(withCode.data(), withCode.size())));

    // A short datagram reads as if the missing bytes were zero.
    Datagram shortAck = Hex(HeaderHex(32, 52) + "3132");
    FirstTimeRegistrationAck ack = DecodeFirstTimeRegistrationAck(shortAck.data(), shortAck.size());
    EXPECT_EQ("12", ack.unitId);
    EXPECT_EQ(0, ack.result);
}

TEST(SignalMessages, HeaderNeedsTheMagic)
{
    Header header;
    Datagram good = BuildHeaderOnly(QLIP_ACK, kId);
    ASSERT_TRUE(DecodeHeader(good.data(), good.size(), header));
    EXPECT_EQ(QLIP_ACK, header.type);
    EXPECT_EQ(0x91, header.version);
    EXPECT_TRUE(header.id == kId);
    good[0] ^= 1;
    EXPECT_FALSE(DecodeHeader(good.data(), good.size(), header));
    EXPECT_FALSE(DecodeHeader(good.data(), 3, header));
}

TEST(SignalMessages, TypeNamesAndAddressTexts)
{
    EXPECT_STREQ("TFIRST_TIMEREG_ACK", MessageTypeName(52));
    EXPECT_STREQ("QLIP_INFO_RSP_DTMF", MessageTypeName(11));
    EXPECT_STREQ("Unknown type", MessageTypeName(53));
    EXPECT_STREQ("Unknown type", MessageTypeName(0));
    EXPECT_EQ("010000001002", MediaAddressDigits(0x0A000102));
    EXPECT_EQ("192.168.0.5", DottedAddress(0xC0A80005));
}
