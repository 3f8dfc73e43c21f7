// Our archives against Debian's independent LHA tools: lhasa's "lha" must test and extract what we
// write, byte for byte, and we must read what jlha-utils writes. Native build only (the tools run
// on the host).
#include "platform/unlha32/tests/LhaFixtures.h"
#include "platform/unlha32/codec/Lha.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/lhaoracleXXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempFolder() { (void)std::system(("rm -rf '" + m_path + "'").c_str()); }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

void WriteFile(const std::string& path, const Bytes& data)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                static_cast<std::streamsize>(data.size()));
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

Bytes Mixed(std::size_t size, std::uint32_t seed)
{
    lhatest::Lcg g(seed);
    Bytes b;
    const Bytes text = lhatest::FixtureText();
    while (b.size() < size) {
        std::size_t from = g.Next() % text.size();
        std::size_t n = g.Next() % 300;
        for (std::size_t i = 0; i < n && b.size() < size; ++i)
            b.push_back(i % 17 == 5 ? static_cast<std::uint8_t>(g.Next()) : text[(from + i) % text.size()]);
    }
    return b;
}

TEST(LhaOracle, LhasaTestsAndExtractsOurArchivesByteForByte)
{
    struct Row {
        const char* name;
        Bytes data;
    } rows[] = {
        {"text.txt", lhatest::FixtureText()},
        {"far.dat", lhatest::FixtureFar()},
        {"mixed.bin", Mixed(400000, 3)},
        {"empty.txt", Bytes()},
    };
    lha::Writer writer;
    for (const Row& row : rows)
        writer.Add(row.name, row.data.data(), row.data.size(), 946684800);
    TempFolder dir;
    WriteFile(dir / "ours.lzh", writer.Finish());
    ASSERT_EQ(Shell("lha t '" + (dir / "ours.lzh") + "'"), 0);
    ASSERT_EQ(Shell("cd '" + dir.path() + "' && mkdir out && cd out && lha xq ../ours.lzh"), 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReadFile(dir / (std::string("out/") + row.name)), row.data);
    }
    // jlha reads them too.
    EXPECT_EQ(Shell("cd '" + dir.path() + "' && jlha tq ours.lzh"), 0);
}

TEST(LhaOracle, WeReadWhatJlhaWritesWithEachMethodAndLevel)
{
    TempFolder dir;
    const Bytes data = Mixed(300000, 9);
    WriteFile(dir / "mixed.bin", data);
    const char* const options[] = {"0o5", "1o5", "2o5", "2o6", "1o7"};
    for (const char* option : options) {
        SCOPED_TRACE(option);
        std::string archive = std::string("j") + option + ".lzh";
        ASSERT_EQ(Shell("cd '" + dir.path() + "' && jlha c" + option + "q " + archive + " mixed.bin"), 0);
        Bytes bytes = ReadFile(dir / archive);
        std::vector<lha::UnpackedFile> files;
        ASSERT_EQ(lha::UnpackAll(bytes.data(), bytes.size(), files), lha::Status::Ok);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].name, "mixed.bin");
        EXPECT_EQ(files[0].data, data);
    }
}

TEST(LhaOracle, HostPackerArchivesAreReproducible)
{
    const char* lhapack = std::getenv("NV_LHAPACK");
    ASSERT_NE(lhapack, nullptr);
    TempFolder dir;
    WriteFile(dir / "a.txt", lhatest::FixtureText());
    WriteFile(dir / "b.dat", lhatest::FixtureFar());
    std::string pack = std::string(lhapack) + " c '" + (dir / "%s") + "' '" + (dir / "a.txt") + "' '" +
                       (dir / "b.dat") + "'";
    char command[1024];
    std::snprintf(command, sizeof command, pack.c_str(), "one.csz");
    ASSERT_EQ(Shell(command), 0);
    std::snprintf(command, sizeof command, pack.c_str(), "two.csz");
    ASSERT_EQ(Shell(command), 0);
    EXPECT_EQ(ReadFile(dir / "one.csz"), ReadFile(dir / "two.csz"));
    ASSERT_EQ(Shell("cd '" + dir.path() + "' && mkdir out && cd out && lha xq ../one.csz"), 0);
    EXPECT_EQ(ReadFile(dir / "out/b.dat"), lhatest::FixtureFar());
}

} // namespace
