// Attachment packages on disk: layout, limits, error codes, the reader's checks, plain names and
// no partial files after a failure.
#include "messaging/wire/AttachPack.h"

#include "framework/core/ByteBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
typedef std::vector<std::uint8_t> Bytes;

class AttachPackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        m_dir = fs::temp_directory_path() / ("nvwire-" + std::to_string(random()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // Joined as bytes: a code page 932 name must reach fopen unchanged, which a conversion
    // through std::filesystem::path does not promise.
    std::string Path(const std::string& name) const { return m_dir.string() + "/" + name; }

    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        const std::string path = Path(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static Bytes Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static bool Exists(const std::string& path)
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f)
            std::fclose(f);
        return f != nullptr;
    }

    // Nothing but the named files is in the folder (no temporary leftovers).
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
};

Bytes Package(const std::vector<std::pair<std::string, Bytes>>& entries)
{
    CByteWriter table;
    for (const auto& e : entries) {
        table.U16LE(static_cast<std::uint16_t>(e.first.size() + 9));
        table.U16LE(0);
        table.U32LE(static_cast<std::uint32_t>(e.second.size()));
        table.Bytes(e.first.c_str(), e.first.size() + 1);
    }
    CByteWriter out;
    out.Bytes("Vy@n 1.0", 8);
    out.U16LE(static_cast<std::uint16_t>(16 + table.Size()));
    out.U16LE(1);
    out.U16LE(0);
    out.U16LE(static_cast<std::uint16_t>(entries.size()));
    out.Bytes(table.Data().data(), table.Size());
    for (const auto& e : entries)
        out.Bytes(e.second.data(), e.second.size());
    return out.Release();
}

TEST_F(AttachPackTest, OneFileOfTenBytesMakesTheFortyBytePackage)
{
    const Bytes data = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    CStringArray files;
    files.Add(Write("a.txt", data).c_str());
    CAttachPack pack;
    ASSERT_EQ(0, pack.Pack(files, Path("out.pak").c_str()));
    const Bytes expected = {'V', 'y', '@', 'n', ' ', '1', '.', '0', 30, 0, 1, 0, 0, 0, 1, 0,
                            14, 0, 0, 0, 10, 0, 0, 0, 'a', '.', 't', 'x', 't', 0,
                            '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(expected, Read(Path("out.pak")));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "out.pak"}), Files());

    CStringArray names;
    ASSERT_EQ(0, pack.List(names, Path("out.pak").c_str()));
    ASSERT_EQ(1, names.GetSize());
    EXPECT_STREQ("a.txt", names[0]);
    EXPECT_EQ(1, pack.GetHeader().format);
    ASSERT_EQ(0, pack.Extract(Path("out.pak").c_str(), "a.txt", Path("copy.txt").c_str()));
    EXPECT_EQ(data, Read(Path("copy.txt")));
}

TEST_F(AttachPackTest, SizeLimitIsOneMillionTwentyFourThousandBytes)
{
    // "big.bin": data offset 16 + 8 + 8 = 32.
    struct Row { std::size_t fileSize; int result; };
    const Row rows[] = {{1024000 - 32, 0}, {1024000 - 32 + 1, ATTACH_TOO_LARGE}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fileSize);
        CStringArray files;
        files.Add(Write("big.bin", Bytes(row.fileSize, 0x5A)).c_str());
        CAttachPack pack;
        EXPECT_EQ(row.result, pack.Pack(files, Path("big.pak").c_str()));
        EXPECT_EQ(row.result == 0, Exists(Path("big.pak")));
        if (row.result == 0) {
            EXPECT_EQ(1024000u, Read(Path("big.pak")).size());
        }
        std::remove(Path("big.pak").c_str());
    }
}

TEST_F(AttachPackTest, PackingRefusals)
{
    const std::string one = Write("one.txt", Bytes(5, 1));
    const std::string two = Write("two.txt", Bytes(5, 2));
    const std::string empty = Write("empty.txt", Bytes());
    struct Row { const char* name; std::vector<std::string> files; std::string package; int result; };
    const Row rows[] = {
        {"two files", {one, two}, Path("p.pak"), ATTACH_TOO_MANY},
        {"three files", {one, two, one}, Path("p.pak"), ATTACH_TOO_MANY},
        {"no files", {}, Path("p.pak"), ATTACH_NO_ENTRY},
        {"empty file", {empty}, Path("p.pak"), ATTACH_SHORT},
        {"missing file", {Path("missing.txt")}, Path("p.pak"), ATTACH_OPEN_FAILED},
        {"no package path", {one}, "", ATTACH_NO_PATH},
        {"package folder missing", {one}, Path("nowhere/p.pak"), ATTACH_CREATE_FAILED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CStringArray files;
        for (const std::string& f : row.files)
            files.Add(f.c_str());
        CAttachPack pack;
        EXPECT_EQ(row.result, pack.Pack(files, row.package.c_str()));
        EXPECT_EQ(row.result, pack.GetError());
        EXPECT_FALSE(Exists(Path("p.pak"))) << "nothing is written";
    }
    EXPECT_EQ((std::vector<std::string>{"empty.txt", "one.txt", "two.txt"}), Files());
}

// The source shrinks between adding it and writing the package: the copy comes up short, the
// write fails, and the package that was there before is left as it was.
TEST_F(AttachPackTest, FailedWriteLeavesNoPartialPackage)
{
    const std::string source = Write("src.bin", Bytes(3000, 7));
    const std::string packagePath = Write("old.pak", Bytes{1, 2, 3});
    CAttachPack pack;
    ASSERT_TRUE(pack.AddFile(source.c_str()));
    Write("src.bin", Bytes(100, 7));
    EXPECT_FALSE(pack.WritePackage(packagePath.c_str()));
    EXPECT_EQ(ATTACH_SHORT, pack.GetError());
    EXPECT_EQ((Bytes{1, 2, 3}), Read(packagePath));
    EXPECT_EQ((std::vector<std::string>{"old.pak", "src.bin"}), Files());
}

TEST_F(AttachPackTest, ExtractRefusals)
{
    const std::string good = Write("good.pak", Package({{"a.txt", Bytes(4, 'a')}}));
    Bytes reserved = Package({{"a.txt", Bytes(4, 'a')}});
    reserved[12] = 1;
    const std::string bad = Write("reserved.pak", reserved);
    const std::string empty = Write("empty.pak", Package({}));
    struct Row { const char* name; std::string package; std::string entry; std::string dest; int result; };
    const Row rows[] = {
        {"name not in the package", good, "b.txt", Path("out"), ATTACH_NO_ENTRY},
        {"names are case-sensitive", good, "A.TXT", Path("out"), ATTACH_NO_ENTRY},
        {"reserved field 1", bad, "a.txt", Path("out"), ATTACH_BAD_HEADER},
        {"empty package", empty, "a.txt", Path("out"), ATTACH_NO_ENTRY},
        {"no package", Path("none.pak"), "a.txt", Path("out"), ATTACH_OPEN_FAILED},
        {"empty package path", "", "a.txt", Path("out"), ATTACH_OPEN_FAILED},
        {"empty entry name", good, "", Path("out"), ATTACH_EMPTY_NAME},
        {"no destination", good, "a.txt", "", ATTACH_NO_PATH},
        {"destination folder missing", good, "a.txt", Path("nowhere/out"), ATTACH_CREATE_FAILED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CAttachPack pack;
        EXPECT_EQ(row.result, pack.Extract(row.package.c_str(), row.entry.c_str(), row.dest.c_str()));
        EXPECT_FALSE(Exists(Path("out"))) << "no file is created";
    }
    CAttachPack pack;
    CStringArray names;
    EXPECT_EQ(ATTACH_BAD_HEADER, pack.List(names, bad.c_str()));
    EXPECT_EQ(ATTACH_OPEN_FAILED, pack.List(names, ""));
    EXPECT_EQ(0, pack.List(names, empty.c_str()));
    EXPECT_EQ(0, names.GetSize());
    EXPECT_EQ((std::vector<std::string>{"empty.pak", "good.pak", "reserved.pak"}), Files());
}

TEST_F(AttachPackTest, DamagedNameTablesAreRefused)
{
    const Bytes good = Package({{"a.txt", Bytes(4, 'a')}, {"b.txt", Bytes(3, 'b')}});
    struct Row { const char* name; std::size_t at; std::vector<std::uint8_t> patch; std::size_t cut; int result; };
    const Row rows[] = {
        {"entry length below the fixed part", 16, {7, 0}, 0, ATTACH_SHORT},
        {"entry length without room for a name", 16, {9, 0}, 0, ATTACH_SHORT},
        {"entry length past the name buffer", 16, {0x20, 1}, 0, ATTACH_SHORT},
        {"entry length past the table", 16, {0xFF, 0}, 0, ATTACH_SHORT},
        {"name without terminator", 29, {'x'}, 0, ATTACH_SHORT},
        {"NUL inside the name", 25, {0}, 0, ATTACH_SHORT},
        {"count larger than the table", 14, {3, 0}, 0, ATTACH_SHORT},
        {"count smaller than the table", 14, {1, 0}, 0, ATTACH_BAD_HEADER},
        {"data offset inside the table", 8, {30, 0}, 0, ATTACH_BAD_HEADER},
        {"data offset past the table", 8, {50, 0}, 0, ATTACH_BAD_HEADER},
        {"size beyond the file", 20, {0xFF, 0xFF, 0xFF, 0xFF}, 0, ATTACH_SHORT},
        {"data cut short", 0, {}, 1, ATTACH_SHORT},
        {"header cut short", 0, {}, good.size() - 15, ATTACH_BAD_HEADER},
        {"magic", 4, {'_'}, 0, ATTACH_BAD_HEADER},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes bytes = good;
        std::copy(row.patch.begin(), row.patch.end(), bytes.begin() + row.at);
        bytes.resize(bytes.size() - row.cut);
        const std::string path = Write("bad.pak", bytes);
        CAttachPack pack;
        CStringArray names;
        EXPECT_EQ(row.result, pack.List(names, path.c_str()));
        EXPECT_EQ(0, names.GetSize());
        EXPECT_EQ(row.result, pack.Extract(path.c_str(), "b.txt", Path("out").c_str()));
        EXPECT_FALSE(Exists(Path("out")));
    }
    // The undamaged package for comparison: both entries come out whole.
    const std::string path = Write("good.pak", good);
    CAttachPack pack;
    ASSERT_EQ(0, pack.Extract(path.c_str(), "b.txt", Path("b.out").c_str()));
    EXPECT_EQ(Bytes(3, 'b'), Read(Path("b.out")));
}

TEST_F(AttachPackTest, NamesFromAPackageAreReducedToPlainFileNames)
{
    struct Row { const char* stored; const char* listed; };
    const Row rows[] = {
        {"..\\..\\evil.txt", "evil.txt"},
        {"/etc/passwd", "passwd"},
        {"C:evil.exe", "evil.exe"},
        {"dir/sub\\x.bin", "x.bin"},
        // 0x5C is the trail byte of this double-byte character, not a separator.
        {"\x95\x5C.txt", "\x95\x5C.txt"},
        {"\x83\x5C\x83\x74\x83\x67", "\x83\x5C\x83\x74\x83\x67"},
        // A lead byte before '/' or ':' is no character: the separator still counts.
        {"zer\x94/dat", "dat"},
        {"\x81:evil.exe", "evil.exe"},
        {"a\x94/..\x94/x", "x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.listed);
        const std::string path = Write("n.pak", Package({{row.stored, Bytes(2, 'z')}}));
        CAttachPack pack;
        CStringArray names;
        ASSERT_EQ(0, pack.List(names, path.c_str()));
        ASSERT_EQ(1, names.GetSize());
        EXPECT_STREQ(row.listed, names[0]);
        EXPECT_EQ(0, pack.Extract(path.c_str(), row.listed, Path("z.out").c_str()));
        EXPECT_EQ(Bytes(2, 'z'), Read(Path("z.out")));
    }
    for (const char* unusable : {"..", "dir/..", "x/", "."}) {
        SCOPED_TRACE(unusable);
        const std::string path = Write("n.pak", Package({{unusable, Bytes(2, 'z')}}));
        CAttachPack pack;
        CStringArray names;
        EXPECT_EQ(ATTACH_SHORT, pack.List(names, path.c_str()));
    }
}

// Packages the fuzzer made (fuzz_attach_pack), replayed: every listed name is a plain file name
// whatever its bytes pair into, and each entry extracts into the folder and packs again.
TEST_F(AttachPackTest, FuzzedPackagesListPlainNamesThatExtractAndPackAgain)
{
    const std::string inputs[] = {
        // Two entries, the first named "zer\x94/dat": the lead byte hid the '/' from the reducer.
        std::string("Vy@n 1.01\0\1\0\0\0\2\0\x11\0\0\0\0\0\0\0zer\x94/dat\0\x10\0\0\0\1\0\0\0on\x96\xd1\x9b\x9et\0" "1",
                    50),
    };
    for (const std::string& input : inputs) {
        const std::string path = Write("fuzzed.pak", Bytes(input.begin(), input.end()));
        CAttachPack pack;
        CStringArray names;
        ASSERT_EQ(0, pack.List(names, path.c_str()));
        for (int i = 0; i < names.GetSize(); ++i) {
            const std::string name(names[i].GetString());
            SCOPED_TRACE(name);
            EXPECT_EQ(std::string::npos, name.find_first_of("/:"));
            ASSERT_EQ(0, pack.Extract(path.c_str(), names[i], Path(name).c_str()));
            CStringArray one;
            one.Add(Path(name).c_str());
            CAttachPack packer;
            const int packed = packer.Pack(one, Path("again.pak").c_str());
            if (Read(Path(name)).empty()) {
                EXPECT_EQ(ATTACH_SHORT, packed);
                continue;
            }
            ASSERT_EQ(0, packed);
            CStringArray again;
            ASSERT_EQ(0, pack.List(again, Path("again.pak").c_str()));
            ASSERT_EQ(1, again.GetSize());
            EXPECT_EQ(names[i], again[0]);
        }
    }
}

TEST_F(AttachPackTest, PackedNameIsTheFileNameWithoutFolderEvenWithDoubleByteCharacters)
{
    const std::string name = "\x95\x5C.txt";
    CStringArray files;
    files.Add(Write(name, Bytes(3, 'q')).c_str());
    CAttachPack pack;
    ASSERT_EQ(0, pack.Pack(files, Path("q.pak").c_str()));
    const Bytes bytes = Read(Path("q.pak"));
    EXPECT_EQ(name, std::string(bytes.begin() + 24, bytes.begin() + 24 + name.size()));
    EXPECT_EQ(0, bytes[24 + name.size()]);
}

} // namespace
