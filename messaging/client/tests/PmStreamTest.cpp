// Stream reassembly, the proxy's answer and the CONNECT request.
#include "messaging/client/PmStream.h"
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmRecords.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<std::uint8_t> Frame(std::size_t payload, std::uint32_t seed, bool scramble = true)
{
    std::vector<std::uint8_t> p(payload, 0x41), out;
    BuildPacketWithSeed(scramble, p.data(), p.size(), out, seed);
    return out;
}

std::vector<std::uint8_t> Bytes(const char* text)
{
    return std::vector<std::uint8_t>(text, text + std::strlen(text));
}

} // namespace

TEST(PmStream, CutsFramesOutOfAnyChunking)
{
    std::vector<std::uint8_t> stream;
    const std::vector<std::size_t> sizes = {36, 28, 0, 900};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::vector<std::uint8_t> f = Frame(sizes[i], static_cast<std::uint32_t>(i + 1), i % 2 == 0);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    for (std::size_t step : {std::size_t(1), std::size_t(5), std::size_t(13), stream.size()}) {
        CPmStreamAssembler assembler;
        std::vector<std::vector<std::uint8_t>> units;
        for (std::size_t at = 0; at < stream.size(); at += step) {
            assembler.Append(stream.data() + at, std::min(step, stream.size() - at));
            std::vector<std::uint8_t> unit;
            CPmStreamAssembler::Status s;
            while ((s = assembler.Next(&unit)) == CPmStreamAssembler::kUnit)
                units.push_back(unit);
            ASSERT_EQ(s, CPmStreamAssembler::kNeedMore);
        }
        ASSERT_EQ(units.size(), sizes.size()) << step;
        for (std::size_t i = 0; i < units.size(); ++i) {
            std::uint32_t seed = 0;
            EXPECT_GE(ParsePacket(units[i].size(), units[i].data(), &seed), 8) << step << " " << i;
        }
        EXPECT_EQ(assembler.Buffered(), 0u);
    }
}

TEST(PmStream, RefusesBrokenAndOversizedHeaders)
{
    CPmStreamAssembler assembler(true, 4096);
    std::vector<std::uint8_t> bad = Frame(10, 1);
    bad[1] ^= 1; // checksum
    assembler.Append(bad.data(), bad.size());
    std::vector<std::uint8_t> unit;
    EXPECT_EQ(assembler.Next(&unit), CPmStreamAssembler::kError);

    CPmStreamAssembler small(true, 100);
    std::vector<std::uint8_t> big = Frame(200, 1);
    small.Append(big.data(), 8);
    EXPECT_EQ(small.Next(&unit), CPmStreamAssembler::kError) << "known to be too large from its header";
}

TEST(PmStream, BareRecordsByTheirTypes)
{
    PmHeader h;
    h.type = PM_TYPE_RESULT;
    PmResult r;
    r.header = h;
    std::vector<std::uint8_t> result = EncodeResult(r);
    EXPECT_EQ(PmBareRecordLength(result.data(), 3), 0);
    EXPECT_EQ(PmBareRecordLength(result.data(), result.size()), 36);
    PmMessage m;
    m.header.type = PM_TYPE_MESSAGE;
    m.text = "abcdef";
    std::vector<std::uint8_t> message = EncodeMessage(m);
    EXPECT_EQ(PmBareRecordLength(message.data(), 83), 0);
    EXPECT_EQ(PmBareRecordLength(message.data(), message.size()), 90);
    message[82] = 0x10; // more than 900 bytes of text
    EXPECT_EQ(PmBareRecordLength(message.data(), message.size()), -1);
    h.type = 999;
    std::vector<std::uint8_t> unknown = EncodeHeaderOnly(h);
    EXPECT_EQ(PmBareRecordLength(unknown.data(), unknown.size()), -1);

    CPmStreamAssembler bare(false);
    std::vector<std::uint8_t> two = result;
    two.insert(two.end(), result.begin(), result.end());
    bare.Append(two.data(), 40);
    std::vector<std::uint8_t> unit;
    EXPECT_EQ(bare.Next(&unit), CPmStreamAssembler::kUnit);
    EXPECT_EQ(unit.size(), 36u);
    EXPECT_EQ(bare.Next(&unit), CPmStreamAssembler::kNeedMore);
    bare.Append(two.data() + 40, two.size() - 40);
    EXPECT_EQ(bare.Next(&unit), CPmStreamAssembler::kUnit);
}

TEST(PmProxy, AnswersAreReadFromWhatHasArrived)
{
    struct Case {
        const char* text;
        int verdict;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"HTTP/1.0 200 Connection established\r\n\r\n", ProxyReply::kAccepted, 39},
        {"  HTTP/1.1 200 OK\r\nProxy-agent: x\r\n\r\n~rest", ProxyReply::kAccepted, 37},
        {"HTTP/1.0 200 OK\n\n", ProxyReply::kAccepted, 17},
        {"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", ProxyReply::kRefused, 46},
        {"HTTP/1.0 2000 x\r\n\r\n", ProxyReply::kRefused, 19},
        {"HTTP/ 200 OK\r\n\r\n", ProxyReply::kRefused, 16}, // the version word is only "HTTP/"
        {"HTTP", ProxyReply::kIncomplete, 0},                // a good answer split after four letters
        {"HTTP/1.0", ProxyReply::kIncomplete, 0},
        {"HTTP/1.0 20", ProxyReply::kIncomplete, 0},
        {"HTTP/1.0 200 OK\r\n", ProxyReply::kIncomplete, 0}, // header lines may follow
        {"", ProxyReply::kIncomplete, 0},
        {"~\x01\x07\x11", ProxyReply::kNotProxy, 0},
        {"HTTX/1.0 200", ProxyReply::kNotProxy, 0},
        {"SSH-2.0", ProxyReply::kNotProxy, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> b = Bytes(c.text);
        ProxyReply r = ParseProxyReply(b.data(), b.size());
        EXPECT_EQ(r.verdict, c.verdict) << c.text;
        EXPECT_EQ(r.consumed, c.consumed) << c.text;
    }
    std::vector<std::uint8_t> endless = Bytes("HTTP/1.0 200 OK\r\n");
    endless.resize(9000, 'x');
    EXPECT_EQ(ParseProxyReply(endless.data(), endless.size()).verdict, ProxyReply::kRefused);
}

TEST(PmProxy, ConnectRequestCarriesCredentialsAlways)
{
    EXPECT_EQ(BuildConnectRequest("127.0.0.1", 4100, "Agent/1.0", "Og=="),
              "CONNECT 127.0.0.1:4100 HTTP/1.0\r\nUser-agent: Agent/1.0\r\nProxy-authorization: basic Og==\r\n\r\n");
}
