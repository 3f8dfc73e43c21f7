// The LHA codec on its own: archives of another implementation, round trips through our writer,
// and damaged or hostile input.
#include "platform/unlha32/tests/LhaFixtures.h"
#include "platform/unlha32/codec/Lha.h"
#include "platform/unlha32/codec/UnlhaCommand.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const char* s) { return Bytes(s, s + std::strlen(s)); }

struct Member {
    lha::Entry entry;
    Bytes data;
    lha::Status status;
};

std::vector<Member> ReadAll(const Bytes& archive, lha::Status* end = nullptr)
{
    std::vector<Member> members;
    lha::Reader reader(archive.data(), archive.size());
    lha::Entry entry;
    while (reader.Next(entry)) {
        Member m;
        m.entry = entry;
        m.status = reader.Extract(entry, m.data);
        members.push_back(m);
    }
    if (end)
        *end = reader.status();
    return members;
}

Bytes Pack(const std::vector<std::pair<std::string, Bytes>>& files)
{
    lha::Writer writer;
    for (const auto& f : files)
        writer.Add(f.first, f.second.data(), f.second.size(), 946684800);
    return writer.Finish();
}

TEST(LhaCodec, ReadsArchivesOfAnotherArchiverAtEveryHeaderLevelAndMethod)
{
    const Bytes text = lhatest::FixtureText();
    const Bytes far = lhatest::FixtureFar();
    for (const lhatest::Fixture& f : lhatest::JlhaFixtures()) {
        SCOPED_TRACE(f.name);
        lha::Status end;
        std::vector<Member> members = ReadAll(Bytes(f.data, f.data + f.size), &end);
        EXPECT_EQ(end, lha::Status::Ok);
        ASSERT_GE(members.size(), 1u);
        EXPECT_EQ(members[0].entry.name, "text.txt");
        EXPECT_EQ(members[0].entry.level, f.level);
        EXPECT_EQ(members[0].status, lha::Status::Ok);
        EXPECT_EQ(members[0].data, text);
        if (members.size() > 1) {
            EXPECT_EQ(members[1].entry.name, "far.dat");
            EXPECT_EQ(members[1].status, lha::Status::Ok);
            EXPECT_EQ(members[1].data, far);
        }
    }
}

TEST(LhaCodec, CrcIsTheArcVariant)
{
    const Bytes check = Text("123456789");
    EXPECT_EQ(lha::Crc16(0, check.data(), check.size()), 0xBB3D);
}

Bytes Pattern(std::size_t size, int kind)
{
    lhatest::Lcg g(static_cast<std::uint32_t>(kind + 1));
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) {
        switch (kind) {
        case 0: b[i] = 'A'; break;                                            // one symbol
        case 1: b[i] = static_cast<std::uint8_t>(g.Next());                   // incompressible
            break;
        case 2: b[i] = static_cast<std::uint8_t>("ab\r\n"[g.Next() % 4]); break;  // few symbols
        case 3: b[i] = i >= 9000 ? b[i - 9000 + (i % 7 == 0)] : static_cast<std::uint8_t>(g.Next()); break;
        default: b[i] = static_cast<std::uint8_t>((i * i) >> 7); break;
        }
    }
    return b;
}

// Symbol counts along the Fibonacci series, shuffled: very skewed code lengths.
Bytes FibonacciFrequencies()
{
    Bytes b;
    std::uint32_t f0 = 1, f1 = 1;
    for (int symbol = 0; symbol < 24; ++symbol) {
        b.insert(b.end(), f0, static_cast<std::uint8_t>(symbol * 10));
        std::uint32_t next = f0 + f1;
        f0 = f1;
        f1 = next;
    }
    lhatest::Lcg g(99);
    for (std::size_t i = b.size() - 1; i > 0; --i)
        std::swap(b[i], b[(static_cast<std::size_t>(g.Next()) << 15 | g.Next()) % (i + 1)]);
    return b;
}

TEST(LhaCodec, OurArchivesReadBackByteForByte)
{
    struct Row {
        const char* name;
        Bytes data;
    } rows[] = {
        {"empty", Bytes()},
        {"one byte", Text("x")},
        {"one symbol 200 KiB (long matches, many blocks)", Pattern(200000, 0)},
        {"incompressible 70 KiB (stored)", Pattern(70000, 1)},
        {"four symbols", Pattern(50000, 2)},
        {"repeats past the 8 KiB dictionary", Pattern(60000, 3)},
        {"quadratic ramp", Pattern(100000, 4)},
        {"fixture text", lhatest::FixtureText()},
        {"Fibonacci symbol counts", FibonacciFrequencies()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes archive = Pack({{"member.bin", row.data}});
        lha::Status end;
        std::vector<Member> members = ReadAll(archive, &end);
        EXPECT_EQ(end, lha::Status::Ok);
        ASSERT_EQ(members.size(), 1u);
        EXPECT_EQ(members[0].status, lha::Status::Ok);
        EXPECT_EQ(members[0].data, row.data);
        EXPECT_EQ(members[0].entry.level, 2);
    }
}

TEST(LhaCodec, CodeLengthsAreCutToSixteenBitsAndStayComplete)
{
    // Fibonacci counts make a plain Huffman code as deep as there are symbols.
    std::uint32_t freq[30];
    freq[0] = freq[1] = 1;
    for (int i = 2; i < 30; ++i)
        freq[i] = freq[i - 1] + freq[i - 2];
    std::uint8_t lengths[30];
    lha::MakeCodeLengths(freq, 30, lengths);
    std::uint64_t kraft = 0;
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        ASSERT_GE(lengths[i], 1);
        ASSERT_LE(lengths[i], 16);
        kraft += std::uint64_t(1) << (16 - lengths[i]);
        if (i > 0) {
            EXPECT_LE(lengths[i], lengths[i - 1]);  // more frequent, never longer
        }
    }
    EXPECT_EQ(kraft, std::uint64_t(1) << 16);  // complete: the decoder accepts every code
}

TEST(LhaCodec, WriterKeepsCodePage932NamesWhoseSecondByteIsABackslash)
{
    // "表示.txt": 0x95 0x5C is one character, not a folder separator.
    const std::string name = "\x95\x5C\x8E\xA6.txt";
    EXPECT_TRUE(lha::IsPlainFileName(name));
    Bytes archive = Pack({{name, Text("data")}});
    std::vector<lha::UnpackedFile> files;
    ASSERT_EQ(lha::UnpackAll(archive.data(), archive.size(), files), lha::Status::Ok);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, name);
}

TEST(LhaCodec, PlainFileNames)
{
    struct Row {
        const char* name;
        bool plain;
    } rows[] = {
        {"main.bmp", true},      {"NVPCINFO.TXT", true}, {"", false},
        {".", false},            {"..", false},          {"a\\b", false},
        {"a/b", false},          {"C:x", false},         {"bad\x01name", false},
        {"trailing.", false},    {"lead\x95", false},    {"\x83\x5C\x83\x4C.bmp", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(lha::IsPlainFileName(row.name), row.plain);
    }
}

// A level 0 header by hand, for names and sizes that our writer never produces.
Bytes Level0(const std::string& name, const Bytes& data, std::uint32_t originalSize)
{
    Bytes h = {0, 0, '-', 'l', 'h', '0', '-'};
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put32(static_cast<std::uint32_t>(data.size()));
    put32(originalSize);
    put32(0);
    h.push_back(0x20);
    h.push_back(0);
    h.push_back(static_cast<std::uint8_t>(name.size()));
    h.insert(h.end(), name.begin(), name.end());
    std::uint16_t crc = lha::Crc16(0, data.data(), data.size());
    h.push_back(static_cast<std::uint8_t>(crc));
    h.push_back(static_cast<std::uint8_t>(crc >> 8));
    h[0] = static_cast<std::uint8_t>(h.size() - 2);
    std::uint8_t sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i)
        sum = static_cast<std::uint8_t>(sum + h[i]);
    h[1] = sum;
    h.insert(h.end(), data.begin(), data.end());
    h.push_back(0);
    return h;
}

TEST(LhaCodec, HostileArchivesAreRefusedAsAWhole)
{
    const Bytes good = Level0("ok.txt", Text("fine"), 4);
    struct Row {
        const char* name;
        Bytes archive;
        lha::Status expected;
    } rows[] = {
        {"parent folder", Level0("..\\evil.txt", Text("x"), 1), lha::Status::BadName},
        {"folder part", Level0("sub/evil.txt", Text("x"), 1), lha::Status::BadName},
        {"absolute", Level0("\\windows\\evil.txt", Text("x"), 1), lha::Status::BadName},
        {"drive", Level0("C:evil.txt", Text("x"), 1), lha::Status::BadName},
        {"dot dot alone", Level0("..", Text("x"), 1), lha::Status::BadName},
        {"stored sizes differ", Level0("a.txt", Text("x"), 2), lha::Status::BadHeader},
        {"huge original size", Level0("a.txt", Text("x"), 0xFFFFFFF0u), lha::Status::TooLarge},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // A good member first: nothing of the archive may come out.
        Bytes archive = good;
        archive.pop_back();
        archive.insert(archive.end(), row.archive.begin(), row.archive.end());
        std::vector<lha::UnpackedFile> files;
        EXPECT_EQ(lha::UnpackAll(archive.data(), archive.size(), files), row.expected);
        EXPECT_TRUE(files.empty());
    }
}

TEST(LhaCodec, DamageIsDetected)
{
    const Bytes data = Pattern(30000, 3);
    const Bytes archive = Pack({{"a.bin", data}, {"b.txt", lhatest::FixtureText()}});
    lha::Reader probe(archive.data(), archive.size());
    lha::Entry first;
    ASSERT_TRUE(probe.Next(first));
    ASSERT_EQ(first.method, lha::Method::Lh5);

    // Any cut leaves an archive that does not unpack completely.
    for (std::size_t cut = 0; cut + 1 < archive.size(); cut += 37) {
        std::vector<lha::UnpackedFile> files;
        lha::Status status = lha::UnpackAll(archive.data(), cut, files);
        bool complete = status == lha::Status::Ok && files.size() == 2;
        EXPECT_FALSE(complete) << "cut at " << cut;
    }

    struct Row {
        const char* name;
        std::size_t offset;
        lha::Status expected;
    } rows[] = {
        {"header CRC", first.headerOffset + 8, lha::Status::BadHeaderChecksum},
        {"stored CRC of the data", first.headerOffset + 21, lha::Status::BadHeaderChecksum},
        {"compressed data", first.dataOffset + first.packedSize - 40, lha::Status::CrcMismatch},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes damaged = archive;
        damaged[row.offset] ^= 0x10;
        std::vector<lha::UnpackedFile> files;
        lha::Status status = lha::UnpackAll(damaged.data(), damaged.size(), files);
        if (row.expected == lha::Status::CrcMismatch)
            EXPECT_TRUE(status == lha::Status::CrcMismatch || status == lha::Status::BadData);
        else
            EXPECT_EQ(status, row.expected);
        EXPECT_TRUE(files.empty());
    }
}

TEST(LhaCodec, BadStreamsAreErrors)
{
    struct Row {
        const char* name;
        Bytes stream;
    } rows[] = {
        {"empty stream", Bytes()},
        {"block of zero codes", Bytes{0, 0, 0, 0}},
        {"length table count past 19", Bytes{0x00, 0x10, 0xF8, 0x00, 0x00}},
        {"literal table count past 510", Bytes{0x00, 0x10, 0x00, 0x00, 0xFF, 0xC0, 0, 0}},
        {"constant literal past 510", Bytes{0x00, 0x10, 0x00, 0x00, 0x00, 0x3F, 0xF0, 0, 0}},
        {"over-full code lengths", Bytes{0x00, 0x10, 0x20, 0x24, 0x92, 0x49, 0x24, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes out;
        EXPECT_NE(lha::DecodeLzh(13, row.stream.data(), row.stream.size(), 100, out), lha::Status::Ok);
        EXPECT_TRUE(out.empty());
    }
}

TEST(LhaCodec, CommandLines)
{
    struct Row {
        const char* line;
        bool ok;
        char verb;
        const char* archive;
        const char* folder;
    } rows[] = {
        {"e -ycngm \"C:\\Program Files\\NV\\Skin\\baseskin.csz\" C:\\TEMP\\_dnvpcskin1\\", true, 'e',
         "C:\\Program Files\\NV\\Skin\\baseskin.csz", "C:\\TEMP\\_dnvpcskin1\\"},
        {"e -ycngm \"C:\\a b\\x.csz\" \"C:\\Temp Dir\\_nvpcskin1\\\"", true, 'e', "C:\\a b\\x.csz",
         "C:\\Temp Dir\\_nvpcskin1\\"},
        {"e -ycngm \"C:\\x.csz\" C:\\Documents and Settings\\u\\Temp\\_nvpcskin1\\", true, 'e',
         "C:\\x.csz", "C:\\Documents and Settings\\u\\Temp\\_nvpcskin1\\"},
        {"a -ycngm \"C:\\s\\my.csz\" C:\\t\\_nvpcskin2\\", true, 'a', "C:\\s\\my.csz", "C:\\t\\_nvpcskin2\\"},
        {"x \"C:\\x.csz\" C:\\out", true, 'e', "C:\\x.csz", "C:\\out\\"},
        {"e \"C:\\x.csz\" C:\\\x95\x5C", true, 'e', "C:\\x.csz", "C:\\\x95\x5C\\"},
        {"t \"C:\\x.csz\"", true, 't', "C:\\x.csz", ""},
        {"e -ycngm \"C:\\x.csz\"", false, 0, "", ""},
        {"q \"C:\\x.csz\" C:\\out\\", false, 0, "", ""},
        {"", false, 0, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        lha::Command command;
        ASSERT_EQ(lha::ParseCommand(row.line, command), row.ok);
        if (!row.ok)
            continue;
        EXPECT_EQ(command.verb, row.verb);
        EXPECT_EQ(command.archive, row.archive);
        EXPECT_EQ(command.folder, row.folder);
    }
}

} // namespace
