#include "voip/core/SignalMessages.h"

#include "framework/core/ByteBuffer.h"

#include <cstdio>
#include <cstring>

namespace qelo {

namespace {

struct TypeName {
    int type;
    const char* name;
};

const TypeName kTypeNames[] = {
    {QLIP_INVITE, "QLIP_INVITE"},
    {QLIP_INVITE_RSP_1XX, "QLIP_INVITE_RSP_1XX"},
    {QLIP_INVITE_RSP_2XX, "QLIP_INVITE_RSP_2XX"},
    {QLIP_INVITE_RSP_4XX, "QLIP_INVITE_RSP_4XX"},
    {QLIP_ACK, "QLIP_ACK"},
    {QLIP_ACK_FAIL, "QLIP_ACK_FAIL"},
    {QLIP_INFO_ALIVE, "QLIP_INFO_ALIVE"},
    {QLIP_INFO_OFFHOOK, "QLIP_INFO_OFFHOOK"},
    {QLIP_INFO_RSP_OFFHOOK, "QLIP_INFO_RSP_OFFHOOK"},
    {QLIP_INFO_DTMF, "QLIP_INFO_DTMF"},
    {QLIP_INFO_RSP_DTMF, "QLIP_INFO_RSP_DTMF"},
    {QLIP_BYE, "QLIP_BYE"},
    {QLIP_BYE_RSP, "QLIP_BYE_RSP"},
    {TREGISTRATION, "TREGISTRATION"},
    {TREGISTRATION_ACK, "TREGISTRATION_ACK"},
    {TCALLREQUEST, "TCALLREQUEST"},
    {TCALLREQUEST_ACK, "TCALLREQUEST_ACK"},
    {TALIVE, "TALIVE"},
    {TSAVEPHONENUM, "TSAVEPHONENUM"},
    {TSAVEPHONENUM_ACK, "TSAVEPHONENUM_ACK"},
    {TRETRIVEPHONENUM, "TRETRIVEPHONENUM"},
    {TRETRIVEPHONENUM_ACK, "TRETRIVEPHONENUM_ACK"},
    {TUPDATEPHONENUM, "TUPDATEPHONENUM"},
    {TUPDATEPHONENUM_ACK, "TUPDATEPHONENUM_ACK"},
    {TFIRST_TIMEREG, "TFIRST_TIMEREG"},
    {TFIRST_TIMEREG_ACK, "TFIRST_TIMEREG_ACK"},
    {TLOGOFF, "TLOGOFF"},
    {TLOGOFF_ACK, "TLOGOFF_ACK"},
};

// Reads fixed offsets of a received datagram as if it were followed by zeros, never past it.
class PaddedView {
public:
    PaddedView(const std::uint8_t* data, std::size_t length)
        : m_data(data), m_length(data ? (length < kDatagramCapacity ? length : kDatagramCapacity) : 0) {}

    std::uint8_t Byte(std::size_t offset) const { return offset < m_length ? m_data[offset] : 0; }
    std::uint16_t U16(std::size_t offset) const
    {
        return static_cast<std::uint16_t>(Byte(offset) << 8 | Byte(offset + 1));
    }
    std::uint32_t U32(std::size_t offset) const
    {
        return static_cast<std::uint32_t>(Byte(offset)) << 24 | static_cast<std::uint32_t>(Byte(offset + 1)) << 16 |
               static_cast<std::uint32_t>(Byte(offset + 2)) << 8 | Byte(offset + 3);
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    // A text field of width bytes: ends at the first NUL, the field's end or the datagram's end.
    std::string Text(std::size_t offset, std::size_t width) const
    {
        std::string text;
        for (std::size_t i = 0; i < width && offset + i < m_length; ++i) {
            char ch = static_cast<char>(m_data[offset + i]);
            if (ch == '\0')
                break;
            text += ch;
        }
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_length;
};

void WriteHeader(CByteWriter& w, int type, const MessageId& id)
{
    w.U32BE(kMagic);
    w.U16BE(0); // total length, patched when the body is complete
    w.U16BE(kHeaderLength);
    w.U16BE(kProtocolVersion);
    w.U16BE(1);
    w.U16BE(static_cast<std::uint16_t>(type));
    w.U16BE(0);
    w.Bytes(id.bytes, sizeof id.bytes);
}

Datagram Finish(CByteWriter& w, std::size_t size)
{
    if (w.Size() < size)
        w.Zeros(size - w.Size());
    w.PatchU16BE(4, static_cast<std::uint16_t>(w.Size()));
    return w.Release();
}

void PadTo(CByteWriter& w, std::size_t offset)
{
    if (w.Size() < offset)
        w.Zeros(offset - w.Size());
}

const char* OrEmpty(const char* text) { return text ? text : ""; }

void WriteVoiceOptions(CByteWriter& w, bool silence)
{
    const std::uint16_t options[6] = {12, 2, 3, 0, static_cast<std::uint16_t>(silence ? 1 : 0), 0};
    for (std::uint16_t value : options)
        w.U16BE(value);
}

} // namespace

const char* MessageTypeName(int type)
{
    for (const TypeName& entry : kTypeNames)
        if (entry.type == type)
            return entry.name;
    return "Unknown type";
}

bool MessageId::operator==(const MessageId& other) const
{
    return std::memcmp(bytes, other.bytes, sizeof bytes) == 0;
}

MessageId MakeMessageId(std::uint32_t localAddress, std::uint32_t callCounter, std::uint32_t processId)
{
    CByteWriter w;
    w.U32BE(localAddress);
    w.U32LE(callCounter);
    w.U32BE(0xFFFFFFFFu);
    w.U32LE(processId);
    MessageId id;
    std::memcpy(id.bytes, w.Data().data(), sizeof id.bytes);
    return id;
}

bool DecodeHeader(const std::uint8_t* data, std::size_t length, Header& out)
{
    if (!data || length < 4)
        return false;
    PaddedView view(data, length);
    if (view.U32(0) != kMagic)
        return false;
    out.totalLength = view.U16(4);
    out.headerLength = view.U16(6);
    out.version = view.U16(8);
    out.type = view.U16(12);
    for (std::size_t i = 0; i < sizeof out.id.bytes; ++i)
        out.id.bytes[i] = view.Byte(16 + i);
    return true;
}

Datagram BuildRegistration(int type, const MessageId& id, const char* unitId, std::uint32_t localAddress,
                           std::uint16_t signalPort)
{
    CByteWriter w;
    WriteHeader(w, type, id);
    w.FixedString(OrEmpty(unitId), kIdField, false);
    w.U32BE(localAddress);
    w.U16BE(signalPort);
    return Finish(w, 60);
}

Datagram BuildFirstTimeRegistration(const MessageId& id, const char* country, const char* area,
                                    const char* nickname, std::uint32_t localAddress, std::uint16_t signalPort)
{
    CByteWriter w;
    WriteHeader(w, TFIRST_TIMEREG, id);
    w.FixedString("~~~~", kIdField);
    w.FixedString(OrEmpty(country), 6, false);
    w.FixedString(OrEmpty(area), 5, false);
    w.FixedString(OrEmpty(nickname), 20, false);
    PadTo(w, 84);
    w.U32BE(localAddress);
    w.U16BE(signalPort);
    return Finish(w, 92);
}

Datagram BuildLogoff(const MessageId& id, const char* unitId)
{
    CByteWriter w;
    WriteHeader(w, TLOGOFF, id);
    if (!unitId || !*unitId)
        return Finish(w, kHeaderLength);
    w.FixedString(unitId, kIdField, false);
    return Finish(w, 52);
}

Datagram BuildCallRequest(const MessageId& id, std::int32_t kind, const char* digits)
{
    CByteWriter w;
    WriteHeader(w, TCALLREQUEST, id);
    w.U32BE(static_cast<std::uint32_t>(kind));
    w.FixedString(OrEmpty(digits), kIdField, false);
    return Finish(w, 76);
}

Datagram BuildHeaderOnly(int type, const MessageId& id)
{
    CByteWriter w;
    WriteHeader(w, type, id);
    return Finish(w, kHeaderLength);
}

Datagram BuildInvite(const MessageId& id, const InviteFields& fields)
{
    CByteWriter w;
    WriteHeader(w, QLIP_INVITE, id);
    w.U16BE(8);
    w.U32BE(fields.voiceAddress);
    w.U16BE(fields.voicePort);
    w.U16BE(100);
    w.FixedString(fields.caller.c_str(), 48);
    w.FixedString(fields.second.c_str(), 48);
    PadTo(w, 140);
    w.U16BE(40);
    w.FixedString(fields.destination.c_str(), 32);
    PadTo(w, 180);
    w.U16BE(1);
    PadTo(w, 184);
    WriteVoiceOptions(w, fields.silence);
    return Finish(w, 196);
}

std::string MediaAddressDigits(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%03u%03u%03u%03u", (address >> 24) & 0xFF, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
    return text;
}

Datagram BuildInvite2xx(const MessageId& id, std::uint32_t voiceAddress, bool silence, std::uint16_t voicePort)
{
    CByteWriter w;
    WriteHeader(w, QLIP_INVITE_RSP_2XX, id);
    w.U16BE(8);
    w.U32BE(voiceAddress);
    w.U16BE(voicePort);
    w.U16BE(12);
    w.U16BE(2);
    w.U32BE(0xFFFFFFFFu);
    w.U32BE(0xFFFFFFFFu);
    w.U16BE(8);
    w.U16BE(60);
    PadTo(w, 60);
    WriteVoiceOptions(w, silence);
    return Finish(w, 72);
}

Datagram BuildInvite4xx(const MessageId& id, const char* reason)
{
    std::string text = OrEmpty(reason);
    // The length field is 16 bits and the datagram must fit one receive buffer.
    const std::size_t limit = kDatagramCapacity - kHeaderLength - 8;
    if (text.size() > limit)
        text.resize(limit);
    CByteWriter w;
    WriteHeader(w, QLIP_INVITE_RSP_4XX, id);
    w.U16BE(1);
    w.U16BE(static_cast<std::uint16_t>(text.size() + 1));
    w.Bytes(text.c_str(), text.size() + 1);
    w.U32BE(0);
    return Finish(w, w.Size());
}

Datagram BuildDtmf(const MessageId& id, std::uint16_t sequence, char digit)
{
    CByteWriter w;
    WriteHeader(w, QLIP_INFO_DTMF, id);
    w.U16BE(20);
    w.U16BE(1);
    w.U16BE(sequence);
    PadTo(w, 40);
    w.U32BE(static_cast<std::uint32_t>(static_cast<std::int32_t>(digit)));
    return Finish(w, 56);
}

Datagram BuildBye(int type, const MessageId& id)
{
    CByteWriter w;
    WriteHeader(w, type, id);
    w.U16BE(12);
    w.U16BE(2);
    w.U32BE(0xFFFFFFFFu);
    w.U32BE(0xFFFFFFFFu);
    return Finish(w, 52);
}

RegistrationAck DecodeRegistrationAck(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    RegistrationAck ack;
    ack.result = view.U16(52);
    return ack;
}

FirstTimeRegistrationAck DecodeFirstTimeRegistrationAck(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    FirstTimeRegistrationAck ack;
    ack.unitId = view.Text(32, kIdField);
    ack.result = view.U16(52);
    if (ack.result == kResultWithAccount) {
        ack.accountUser = view.Text(56, kIdField);
        ack.accountPassword = view.Text(76, kIdField);
    }
    return ack;
}

CallRequestAck DecodeCallRequestAck(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    CallRequestAck ack;
    ack.kind = view.I32(32);
    ack.inviteAddress = view.U32(36);
    ack.mediaAddress = view.U32(40);
    return ack;
}

Invite DecodeInvite(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    Invite invite;
    invite.voiceAddress = view.U32(34);
    invite.voicePort = view.U16(38);
    invite.callerId = view.Text(42, kIdField);
    return invite;
}

Invite2xx DecodeInvite2xx(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    Invite2xx answer;
    answer.voiceAddress = view.U32(34);
    answer.voicePort = view.U16(38);
    answer.hasCredit = view.U16(42) != 2;
    if (answer.hasCredit) {
        answer.credit = view.I32(44);
        answer.timeLimit = view.I32(48);
    }
    answer.keepAliveBase = view.U16(54);
    return answer;
}

int PeerKeepAlivePeriod(std::uint16_t keepAliveBase)
{
    int period = keepAliveBase / 3;
    if (period < 10)
        return 10;
    if (period > 120)
        return 120;
    return period;
}

Invite4xx DecodeInvite4xx(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    Invite4xx refusal;
    std::size_t declared = view.U16(34);
    refusal.reason = view.Text(36, declared);
    refusal.errorCode = view.I32(36 + declared);
    return refusal;
}

std::string FormatRefusal(const Invite4xx& refusal)
{
    char code[16];
    std::snprintf(code, sizeof code, "%3d: ", static_cast<int>(static_cast<std::uint32_t>(refusal.errorCode) + 300u));
    return code + refusal.reason;
}

Dtmf DecodeDtmf(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    Dtmf dtmf;
    dtmf.flag = view.U16(34);
    dtmf.sequence = view.U16(36);
    dtmf.digit = view.I32(40);
    return dtmf;
}

Bye DecodeBye(const std::uint8_t* data, std::size_t length)
{
    PaddedView view(data, length);
    Bye bye;
    bye.hasCredit = view.U16(34) != 2;
    if (bye.hasCredit) {
        bye.credit = view.I32(36);
        bye.timeLimit = view.I32(40);
    }
    bye.reason = view.Text(48, kDatagramCapacity);
    return bye;
}

std::string DottedAddress(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (address >> 24) & 0xFF, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
    return text;
}

} // namespace qelo
