// Records: byte layouts, the 1990 time base, text limits, and decoders that never read past the
// record or accept a record whose length disagrees with its fields.
#include "messaging/wire/PmRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<std::uint8_t> Bytes;

PmHeader SampleHeader(std::uint16_t type)
{
    PmHeader h;
    h.version = 0x0301;
    h.type = type;
    h.sequence = 0x01020304;
    h.commId = PmField("user0001");
    h.session = 0xA0B0C0D0;
    return h;
}

std::uint32_t U32At(const Bytes& b, std::size_t at)
{
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

TEST(PmRecords, HeaderIsBigEndianWithTheIdBetweenSequenceAndSession)
{
    const Bytes bytes = EncodeHeaderOnly(SampleHeader(PM_TYPE_LIST_REQUEST));
    const Bytes expected = {0x03, 0x01, 0x00, 0x0C, 0x01, 0x02, 0x03, 0x04, 'u', 's', 'e', 'r', '0', '0', '0', '1',
                            0, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0xB0, 0xC0, 0xD0};
    EXPECT_EQ(expected, bytes);
    PmHeader back;
    ASSERT_TRUE(DecodeHeaderOnly(bytes.data(), bytes.size(), &back));
    EXPECT_EQ(0x0301, back.version);
    EXPECT_EQ(PM_TYPE_LIST_REQUEST, back.type);
    EXPECT_EQ(0x01020304u, back.sequence);
    EXPECT_EQ("user0001", PmFieldText(back.commId));
    EXPECT_EQ(0xA0B0C0D0u, back.session);
}

TEST(PmRecords, WireTimeCountsFrom1990)
{
    EXPECT_EQ(0u, PmToWireTime(631152000));
    EXPECT_EQ(631152000, PmFromWireTime(0));
    EXPECT_EQ(1u, PmToWireTime(631152001));
    const std::int64_t y2020 = 1577836800;
    EXPECT_EQ(y2020, PmFromWireTime(PmToWireTime(y2020)));
}

TEST(PmRecords, FieldsAreBoundedAndNulPaddedWithoutTerminatorWhenFull)
{
    struct Row { const char* name; std::string text; std::string stored; };
    const Row rows[] = {
        {"short", "abc", "abc"},
        {"exactly 16", "0123456789ABCDEF", "0123456789ABCDEF"},
        {"too long", "0123456789ABCDEFG", "0123456789ABCDEF"},
        // 15 ASCII bytes and a double-byte character: the character does not fit and is left out.
        {"no split character", "012345678901234\x95\x5C", "012345678901234"},
        {"empty", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PmField16 field = PmField(row.text);
        EXPECT_EQ(row.stored, PmFieldText(field));
        for (std::size_t i = row.stored.size(); i < field.size(); ++i)
            EXPECT_EQ(0, field[i]) << "padding at " << i;
    }
    PmField16 full;
    full.fill('x');
    EXPECT_EQ(std::string(16, 'x'), PmFieldText(full)) << "an unterminated field ends with the field";
}

TEST(PmRecords, MessageLayoutAndTextLimit)
{
    PmMessage m;
    m.header = SampleHeader(PM_TYPE_MESSAGE);
    m.partnerId = PmField("0123456789ABCDEF");
    m.partnerName = PmField("\x8E\x52\x93\x63");
    m.time = 631152000;
    m.number = 77;
    m.attributes = PmMessageAttributes(3);
    m.fileFlag = 0x08000000;
    m.fileLength = 1234;

    struct Row { std::size_t textLength; std::size_t recordLength; };
    const Row rows[] = {{0, 84}, {1, 85}, {900, 984}, {901, 984}, {5000, 984}};
    for (const Row& row : rows) {
        SCOPED_TRACE("text " + std::to_string(row.textLength));
        m.text.assign(row.textLength, 'a');
        const Bytes bytes = EncodeMessage(m);
        ASSERT_EQ(row.recordLength, bytes.size());
        EXPECT_EQ(row.recordLength - 84, U32At(bytes, 80));
        EXPECT_EQ(Bytes(m.partnerId.begin(), m.partnerId.end()), Bytes(bytes.begin() + 28, bytes.begin() + 44))
            << "a 16-character ID goes out without terminator";
        EXPECT_EQ(0u, U32At(bytes, 60)) << "1990-01-01 00:00 UTC is wire time 0";
        EXPECT_EQ(77u, U32At(bytes, 64));
        EXPECT_EQ(0x40000000u, U32At(bytes, 68)) << "kind 3 goes out as 0";
        EXPECT_EQ(0x08000000u, U32At(bytes, 72));
        EXPECT_EQ(1234u, U32At(bytes, 76));

        PmMessage back;
        ASSERT_TRUE(DecodeMessage(bytes.data(), bytes.size(), &back));
        EXPECT_EQ(m.text.substr(0, 900), back.text);
        EXPECT_EQ(631152000, back.time);
        EXPECT_EQ(m.partnerName, back.partnerName);
    }
    // A cut never splits a double-byte character: 899 ASCII bytes and one character.
    m.text = std::string(899, 'a') + "\x88\x9F";
    EXPECT_EQ(84u + 899u, EncodeMessage(m).size());
}

TEST(PmRecords, MessageKindsMapToAttributes)
{
    EXPECT_EQ(0x40000000u, PmMessageAttributes(0));
    EXPECT_EQ(0x40000001u, PmMessageAttributes(1));
    EXPECT_EQ(0x40000002u, PmMessageAttributes(2));
    EXPECT_EQ(0x40000000u, PmMessageAttributes(3));
    EXPECT_EQ(0x40000000u, PmMessageAttributes(-1));
}

TEST(PmRecords, UrlTextLimit)
{
    PmUrlText url;
    url.header = SampleHeader(PM_TYPE_URL_TEXT);
    for (std::size_t n : {std::size_t(0), std::size_t(512), std::size_t(513)}) {
        SCOPED_TRACE("url " + std::to_string(n));
        url.text.assign(n, 'u');
        const Bytes bytes = EncodeU16(url);
        const std::size_t kept = std::min<std::size_t>(n, 512);
        ASSERT_EQ(30 + kept, bytes.size());
        EXPECT_EQ(kept, std::size_t(bytes[28] << 8 | bytes[29]));
        PmUrlText back;
        ASSERT_TRUE(DecodeU16(bytes.data(), bytes.size(), &back));
        EXPECT_EQ(url.text.substr(0, 512), back.text);
    }
}

TEST(PmRecords, FixedSizeRecordsHaveTheirSizes)
{
    PmResult result;
    result.header = SampleHeader(PM_TYPE_RESULT);
    result.first = 5;
    result.second = 0xFFFFFFFF;
    PmU32Record fetch;
    fetch.header = SampleHeader(PM_TYPE_FETCH);
    fetch.value = 9;
    PmListQuery query;
    query.header = SampleHeader(PM_TYPE_LIST_QUERY);
    query.kind = PM_LIST_KIND_URLS;
    query.page = 1;
    const Bytes r = EncodeResult(result);
    const Bytes f = EncodeU32(fetch);
    const Bytes q = EncodeListQuery(query);
    EXPECT_EQ(36u, r.size());
    EXPECT_EQ(32u, f.size());
    EXPECT_EQ(36u, q.size());
    EXPECT_EQ((Bytes{0, 0, 0, 2, 0, 1, 0, 0}), Bytes(q.begin() + 28, q.end()));

    PmResult backResult;
    ASSERT_TRUE(DecodeResult(r.data(), r.size(), &backResult));
    EXPECT_EQ(5u, backResult.first);
    EXPECT_EQ(0xFFFFFFFFu, backResult.second);
    // A result that is not exactly 36 bytes is not decoded.
    EXPECT_FALSE(DecodeResult(r.data(), 35, &backResult));
    Bytes longer = r;
    longer.push_back(0);
    EXPECT_FALSE(DecodeResult(longer.data(), longer.size(), &backResult));
    PmU32Record backU32;
    EXPECT_FALSE(DecodeU32(r.data(), r.size(), &backU32));
}

Bytes MessageList(std::uint32_t count, std::size_t entriesPresent)
{
    PmMessageList list;
    list.header = SampleHeader(PM_TYPE_MESSAGE_LIST);
    for (std::size_t i = 0; i < std::min<std::size_t>(entriesPresent, 18); ++i) {
        PmListEntry e;
        e.senderId = PmField("sender" + std::to_string(i));
        e.number = static_cast<std::uint32_t>(100 + i);
        e.time = 631152000 + 60;
        e.attributes = 0x40000001 | 0x08000000;
        list.entries.push_back(e);
    }
    Bytes bytes = EncodeMessageList(list);
    for (std::size_t i = 18; i < entriesPresent; ++i)
        bytes.insert(bytes.end(), 44, 0);
    bytes[28] = std::uint8_t(count >> 24);
    bytes[29] = std::uint8_t(count >> 16);
    bytes[30] = std::uint8_t(count >> 8);
    bytes[31] = std::uint8_t(count);
    return bytes;
}

TEST(PmRecords, MessageListCountMustMatchTheRecord)
{
    struct Row { const char* name; std::uint32_t count; std::size_t present; bool ok; };
    const Row rows[] = {
        {"empty", 0, 0, true},
        {"one", 1, 1, true},
        {"eighteen: 824 bytes", 18, 18, true},
        {"nineteen is dropped whole", 19, 19, false},
        {"count larger than the record", 3, 2, false},
        {"count smaller than the record", 1, 2, false},
        {"count near 2^32", 0xFFFFFFFF, 2, false},
        {"count whose size wraps in 32 bits", 0x5D1745D2, 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes bytes = MessageList(row.count, row.present);
        PmMessageList list;
        ASSERT_EQ(row.ok, DecodeMessageList(bytes.data(), bytes.size(), &list));
        if (!row.ok)
            continue;
        ASSERT_EQ(row.count, list.entries.size());
        if (row.count == 18) {
            EXPECT_EQ(824u, bytes.size());
        }
        for (std::size_t i = 0; i < list.entries.size(); ++i) {
            EXPECT_EQ("sender" + std::to_string(i), PmFieldText(list.entries[i].senderId));
            EXPECT_EQ(100 + i, list.entries[i].number);
            EXPECT_EQ(631152060, list.entries[i].time);
            EXPECT_EQ(0x08000000u, list.entries[i].attributes & PM_ATTR_ATTACHMENT_MASK);
        }
    }
}

TEST(PmRecords, ListPageCountMustBePositiveSixteenBitAndMatchTheRecord)
{
    PmListPage page;
    page.header = SampleHeader(PM_TYPE_LIST_PAGE);
    page.total = 30;
    for (int i = 0; i < 3; ++i) {
        PmPageEntry e;
        e.data.fill(static_cast<std::uint8_t>('a' + i));
        e.value = 0x00000011u + i;
        page.entries.push_back(e);
    }
    const Bytes good = EncodeUserList(page);
    ASSERT_EQ(36u + 3 * 36u, good.size());
    PmListPage back;
    ASSERT_TRUE(DecodeUserList(good.data(), good.size(), &back));
    EXPECT_EQ(30u, back.total);
    ASSERT_EQ(3u, back.entries.size());
    EXPECT_EQ(page.entries[2].data, back.entries[2].data);
    EXPECT_EQ(0x13u, back.entries[2].value);

    struct Row { const char* name; std::uint16_t count; bool ok; };
    const Row rows[] = {{"fewer", 2, false}, {"more", 4, false}, {"negative", 0x8003, false}, {"max", 0xFFFF, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes bad = good;
        bad[32] = std::uint8_t(row.count >> 8);
        bad[33] = std::uint8_t(row.count);
        EXPECT_EQ(row.ok, DecodeUserList(bad.data(), bad.size(), &back));
    }
    page.entries.clear();
    const Bytes empty = EncodeUserList(page);
    ASSERT_TRUE(DecodeUserList(empty.data(), empty.size(), &back));
    EXPECT_TRUE(back.entries.empty());
}

TEST(PmRecords, TextLengthsLargerThanTheRecordAreRefused)
{
    PmMessage m;
    m.header = SampleHeader(PM_TYPE_MESSAGE);
    m.text = "hello";
    const Bytes message = EncodeMessage(m);
    PmUrlText u;
    u.header = SampleHeader(PM_TYPE_URL_TEXT);
    u.text = "http://x/";
    const Bytes url = EncodeU16(u);
    struct Row { const char* name; Bytes bytes; std::size_t at; std::uint32_t value; int width; };
    const Row rows[] = {
        {"message text longer than the record", message, 80, 6, 4},
        {"message text shorter than the record", message, 80, 4, 4},
        {"message text over 900", message, 80, 901, 4},
        {"message text near 2^32", message, 80, 0xFFFFFFFF, 4},
        {"url longer than the record", url, 28, 10, 2},
        {"url over 512", url, 28, 513, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes bytes = row.bytes;
        for (int i = 0; i < row.width; ++i)
            bytes[row.at + i] = std::uint8_t(row.value >> (8 * (row.width - 1 - i)));
        PmMessage mb;
        PmUrlText ub;
        const bool ok = row.at == 80 ? DecodeMessage(bytes.data(), bytes.size(), &mb)
                                     : DecodeU16(bytes.data(), bytes.size(), &ub);
        EXPECT_FALSE(ok);
    }
    // Every decoder refuses every prefix of a record shorter than its fixed part.
    for (std::size_t n = 0; n < 28; ++n) {
        PmHeader h;
        EXPECT_FALSE(DecodeHeader(message.data(), n, &h)) << n;
    }
    for (std::size_t n = 0; n < message.size(); ++n) {
        PmMessage mb;
        EXPECT_FALSE(DecodeMessage(message.data(), n, &mb)) << n;
    }
}

} // namespace
