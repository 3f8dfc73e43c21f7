// Line-oriented front end of the wire code for the cross-check with the Python codec
// (tests/peers/test_pm_codec.py). Each input line is a command and key=value fields; integers are
// decimal, byte strings are "h:" and hex. One output line answers each input line.
//   frame scramble=0|1 seed=N payload=h:..     -> frame bytes=h:..
//   parse bytes=h:..                           -> parse offset=N seed=N payload=h:.. valid=.. (DescribeFrame)
//   encode type=N <record fields>              -> encoded bytes=h:..
//   decode bytes=h:..                          -> decoded type=N <record fields>  |  decoded error=1
//   package bytes=h:..                         -> package error=N names=N n0=h:.. d0=h:.. ...
#include "messaging/wire/AttachPack.h"
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmRecords.h"

#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::uint8_t> Bytes;
typedef std::map<std::string, std::string> Fields;

std::string Hex(const std::uint8_t* data, std::size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string out = "h:";
    for (std::size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::string Hex(const Bytes& data) { return Hex(data.data(), data.size()); }
template <std::size_t N> std::string Hex(const std::array<std::uint8_t, N>& data) { return Hex(data.data(), N); }
std::string Hex(const std::string& data) { return Hex(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()); }

Bytes Unhex(const std::string& text)
{
    Bytes out;
    for (std::size_t i = 2; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return out;
}

long long Int(const Fields& fields, const std::string& key)
{
    auto it = fields.find(key);
    return it == fields.end() ? 0 : std::stoll(it->second);
}

Bytes Raw(const Fields& fields, const std::string& key)
{
    auto it = fields.find(key);
    return it == fields.end() ? Bytes() : Unhex(it->second);
}

template <std::size_t N> std::array<std::uint8_t, N> Fixed(const Fields& fields, const std::string& key)
{
    std::array<std::uint8_t, N> out{};
    Bytes bytes = Raw(fields, key);
    for (std::size_t i = 0; i < N && i < bytes.size(); ++i)
        out[i] = bytes[i];
    return out;
}

std::string Text(const Fields& fields, const std::string& key)
{
    Bytes bytes = Raw(fields, key);
    return std::string(bytes.begin(), bytes.end());
}

PmHeader HeaderOf(const Fields& f)
{
    PmHeader h;
    h.version = static_cast<std::uint16_t>(Int(f, "version"));
    h.type = static_cast<std::uint16_t>(Int(f, "type"));
    h.sequence = static_cast<std::uint32_t>(Int(f, "seq"));
    h.commId = Fixed<16>(f, "comm_id");
    h.session = static_cast<std::uint32_t>(Int(f, "session"));
    return h;
}

std::string HeaderFields(const PmHeader& h)
{
    std::ostringstream out;
    out << "version=" << h.version << " type=" << h.type << " seq=" << h.sequence << " comm_id=" << Hex(h.commId)
        << " session=" << h.session;
    return out.str();
}

Bytes Encode(const Fields& f)
{
    const PmHeader header = HeaderOf(f);
    switch (header.type) {
    case PM_TYPE_LIST_REQUEST:
    case PM_TYPE_LIST_CLEAR:
    case PM_TYPE_SESSION_START:
        return EncodeHeaderOnly(header);
    case PM_TYPE_RESULT:
    case PM_TYPE_EXT_SEND_HEADER: {
        PmResult r;
        r.header = header;
        r.first = static_cast<std::uint32_t>(Int(f, "first"));
        r.second = static_cast<std::uint32_t>(Int(f, "second"));
        return EncodeResult(r);
    }
    case PM_TYPE_FETCH:
    case PM_TYPE_EXT_RECEIVE:
    case PM_TYPE_DELETE:
    case PM_TYPE_PRESENCE:
    case PM_TYPE_SESSION_ANSWER: {
        PmU32Record r;
        r.header = header;
        r.value = static_cast<std::uint32_t>(Int(f, "value"));
        return EncodeU32(r);
    }
    case PM_TYPE_LIST_QUERY: {
        PmListQuery q;
        q.header = header;
        q.kind = static_cast<std::uint32_t>(Int(f, "kind"));
        q.page = static_cast<std::uint16_t>(Int(f, "page"));
        q.reserved = static_cast<std::uint16_t>(Int(f, "reserved"));
        return EncodeListQuery(q);
    }
    case PM_TYPE_URL_TEXT: {
        PmUrlText u;
        u.header = header;
        u.text = Text(f, "text");
        return EncodeU16(u);
    }
    case PM_TYPE_MESSAGE: {
        PmMessage m;
        m.header = header;
        m.partnerId = Fixed<16>(f, "partner_id");
        m.partnerName = Fixed<16>(f, "partner_name");
        m.time = Int(f, "time");
        m.number = static_cast<std::uint32_t>(Int(f, "number"));
        m.attributes = static_cast<std::uint32_t>(Int(f, "attributes"));
        m.fileFlag = static_cast<std::uint32_t>(Int(f, "file_flag"));
        m.fileLength = static_cast<std::uint32_t>(Int(f, "file_length"));
        m.text = Text(f, "text");
        return EncodeMessage(m);
    }
    case PM_TYPE_MESSAGE_LIST: {
        PmMessageList l;
        l.header = header;
        for (long long i = 0; i < Int(f, "entries"); ++i) {
            const std::string p = "e" + std::to_string(i) + ".";
            PmListEntry e;
            e.senderId = Fixed<16>(f, p + "sender_id");
            e.senderName = Fixed<16>(f, p + "sender_name");
            e.number = static_cast<std::uint32_t>(Int(f, p + "number"));
            e.time = Int(f, p + "time");
            e.attributes = static_cast<std::uint32_t>(Int(f, p + "attributes"));
            l.entries.push_back(e);
        }
        return EncodeMessageList(l);
    }
    case PM_TYPE_LIST_PAGE: {
        PmListPage page;
        page.header = header;
        page.total = static_cast<std::uint32_t>(Int(f, "total"));
        page.reserved = static_cast<std::uint16_t>(Int(f, "reserved"));
        for (long long i = 0; i < Int(f, "entries"); ++i) {
            const std::string p = "e" + std::to_string(i) + ".";
            PmPageEntry e;
            e.data = Fixed<PM_LIST_PAGE_ENTRY_DATA>(f, p + "data");
            e.value = static_cast<std::uint32_t>(Int(f, p + "value"));
            page.entries.push_back(e);
        }
        return EncodeUserList(page);
    }
    default:
        return Bytes();
    }
}

std::string Decode(const Bytes& data)
{
    PmHeader header;
    if (!DecodeHeader(data.data(), data.size(), &header))
        return "decoded error=1";
    std::ostringstream out;
    out << "decoded ";
    switch (header.type) {
    case PM_TYPE_LIST_REQUEST:
    case PM_TYPE_LIST_CLEAR:
    case PM_TYPE_SESSION_START:
        if (!DecodeHeaderOnly(data.data(), data.size(), &header))
            return "decoded error=1";
        out << HeaderFields(header);
        break;
    case PM_TYPE_RESULT:
    case PM_TYPE_EXT_SEND_HEADER: {
        PmResult r;
        if (!DecodeResult(data.data(), data.size(), &r))
            return "decoded error=1";
        out << HeaderFields(r.header) << " first=" << r.first << " second=" << r.second;
        break;
    }
    case PM_TYPE_FETCH:
    case PM_TYPE_EXT_RECEIVE:
    case PM_TYPE_DELETE:
    case PM_TYPE_PRESENCE:
    case PM_TYPE_SESSION_ANSWER: {
        PmU32Record r;
        if (!DecodeU32(data.data(), data.size(), &r))
            return "decoded error=1";
        out << HeaderFields(r.header) << " value=" << r.value;
        break;
    }
    case PM_TYPE_LIST_QUERY: {
        PmListQuery q;
        if (!DecodeListQuery(data.data(), data.size(), &q))
            return "decoded error=1";
        out << HeaderFields(q.header) << " kind=" << q.kind << " page=" << q.page << " reserved=" << q.reserved;
        break;
    }
    case PM_TYPE_URL_TEXT: {
        PmUrlText u;
        if (!DecodeU16(data.data(), data.size(), &u))
            return "decoded error=1";
        out << HeaderFields(u.header) << " text=" << Hex(u.text);
        break;
    }
    case PM_TYPE_MESSAGE: {
        PmMessage m;
        if (!DecodeMessage(data.data(), data.size(), &m))
            return "decoded error=1";
        out << HeaderFields(m.header) << " partner_id=" << Hex(m.partnerId) << " partner_name=" << Hex(m.partnerName)
            << " time=" << m.time << " number=" << m.number << " attributes=" << m.attributes
            << " file_flag=" << m.fileFlag << " file_length=" << m.fileLength << " text=" << Hex(m.text);
        break;
    }
    case PM_TYPE_MESSAGE_LIST: {
        PmMessageList l;
        if (!DecodeMessageList(data.data(), data.size(), &l))
            return "decoded error=1";
        out << HeaderFields(l.header) << " entries=" << l.entries.size();
        for (std::size_t i = 0; i < l.entries.size(); ++i) {
            const PmListEntry& e = l.entries[i];
            out << " e" << i << ".sender_id=" << Hex(e.senderId) << " e" << i << ".sender_name=" << Hex(e.senderName)
                << " e" << i << ".number=" << e.number << " e" << i << ".time=" << e.time << " e" << i
                << ".attributes=" << e.attributes;
        }
        break;
    }
    case PM_TYPE_LIST_PAGE: {
        PmListPage page;
        if (!DecodeUserList(data.data(), data.size(), &page))
            return "decoded error=1";
        out << HeaderFields(page.header) << " total=" << page.total << " reserved=" << page.reserved
            << " entries=" << page.entries.size();
        for (std::size_t i = 0; i < page.entries.size(); ++i)
            out << " e" << i << ".data=" << Hex(page.entries[i].data) << " e" << i << ".value=" << page.entries[i].value;
        break;
    }
    default:
        return "decoded error=1";
    }
    return out.str();
}

std::string Package(const Bytes& data)
{
    AttachPackHeader header;
    std::vector<AttachPackEntry> entries;
    const int error = AttachParseIndex(data.data(), data.size(), data.size(), &header, &entries);
    std::ostringstream out;
    out << "package error=" << error << " names=" << entries.size();
    std::uint64_t offset = header.dataOffset;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out << " n" << i << "=" << Hex(entries[i].name.str()) << " d" << i << "="
            << Hex(data.data() + offset, static_cast<std::size_t>(entries[i].size));
        offset += entries[i].size;
    }
    return out.str();
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command, token;
        in >> command;
        Fields fields;
        while (in >> token) {
            const std::size_t eq = token.find('=');
            if (eq != std::string::npos)
                fields[token.substr(0, eq)] = token.substr(eq + 1);
        }
        if (command == "frame") {
            Bytes payload = Raw(fields, "payload");
            Bytes frame;
            BuildPacketWithSeed(Int(fields, "scramble") != 0, payload.data(), payload.size(), frame,
                                static_cast<std::uint32_t>(Int(fields, "seed")));
            std::cout << "frame bytes=" << Hex(frame) << "\n";
        } else if (command == "parse") {
            Bytes bytes = Raw(fields, "bytes");
            const PmFrameInfo info = DescribeFrame(bytes.data(), bytes.size());
            std::uint32_t seed = 0;
            const long offset = ParsePacket(bytes.size(), bytes.data(), &seed);
            std::cout << "parse offset=" << offset << " seed=" << seed << " payload="
                      << (offset < 0 ? std::string("h:") : Hex(bytes.data() + offset, bytes.size() - offset))
                      << " valid=" << info.valid << " header_length=" << info.headerLength
                      << " payload_length=" << info.payloadLength << " dseed=" << info.seed
                      << " scrambled=" << info.scrambled << "\n";
        } else if (command == "encode") {
            std::cout << "encoded bytes=" << Hex(Encode(fields)) << "\n";
        } else if (command == "decode") {
            std::cout << Decode(Raw(fields, "bytes")) << "\n";
        } else if (command == "package") {
            std::cout << Package(Raw(fields, "bytes")) << "\n";
        } else {
            std::cout << "unknown\n";
        }
    }
    return 0;
}
