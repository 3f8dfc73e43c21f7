// CFile and CStdioFile on real files: what each open mode does to an existing or missing file,
// positions, and the text mode's line ends.
#include "framework/core/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class Files : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   (std::string("nv_file_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // Joined as bytes: a code page 932 name must not pass through the path class's conversions.
    std::string PathOf(const char* name) const
    {
        return m_folder.string() + static_cast<char>(std::filesystem::path::preferred_separator) + name;
    }
    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Put(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::filesystem::path m_folder;
};

struct ModeCase {
    const char* name;
    UINT flags;
    bool fileExists;
    bool opens;
    const char* afterWritingX; // the file after writing "X" at the start (null: the write fails)
};

const ModeCase kModes[] = {
    {"read an existing file", CFile::modeRead, true, true, nullptr},
    {"read a missing file", CFile::modeRead, false, false, nullptr},
    {"write without create keeps the rest", CFile::modeWrite, true, true, "Xbc"},
    {"write without create needs the file", CFile::modeWrite, false, false, nullptr},
    {"create empties an existing file", CFile::modeCreate | CFile::modeWrite, true, true, "X"},
    {"create makes a missing file", CFile::modeCreate | CFile::modeWrite, false, true, "X"},
    {"create without truncation keeps the bytes", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite,
     true, true, "Xbc"},
    {"create without truncation makes a missing file", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite,
     false, true, "X"},
};

TEST_F(Files, EachOpenModeTreatsTheFileAsDocumented)
{
    for (const ModeCase& row : kModes) {
        SCOPED_TRACE(row.name);
        std::string path = PathOf("mode.bin");
        std::filesystem::remove(path);
        if (row.fileExists)
            Put(path, "abc");
        CFile file;
        ASSERT_EQ(row.opens, file.Open(path.c_str(), row.flags) != FALSE);
        if (!row.opens) {
            EXPECT_FALSE(file.IsOpen());
            EXPECT_FALSE(std::filesystem::exists(path)) << "a failed open creates nothing";
            continue;
        }
        EXPECT_EQ(row.afterWritingX != nullptr, file.Write("X", 1) != FALSE);
        file.Close();
        EXPECT_EQ(row.afterWritingX ? row.afterWritingX : "abc", Contents(path));
    }
}

TEST_F(Files, PositionsLengthAndReadingAfterWriting)
{
    std::string path = PathOf("log.csv");
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::shareDenyWrite));
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead)) << "one file per object";
    EXPECT_TRUE(file.Write("0123456789", 10));
    EXPECT_EQ(10u, file.GetPosition());
    EXPECT_EQ(10u, file.GetLength());
    EXPECT_EQ(4u, file.Seek(4, CFile::begin));
    char buffer[8] = {};
    EXPECT_EQ(3u, file.Read(buffer, 3));
    EXPECT_EQ("456", std::string(buffer, 3));
    EXPECT_EQ(5u, file.Seek(-2, CFile::current));
    EXPECT_TRUE(file.Write("ab", 2));
    EXPECT_EQ(2u, file.Read(buffer, 2)) << "a read right after a write";
    EXPECT_EQ("78", std::string(buffer, 2));
    EXPECT_EQ(10u, file.SeekToEnd());
    EXPECT_TRUE(file.Write("Z", 1));
    file.SeekToBegin();
    EXPECT_EQ(0u, file.GetPosition());
    EXPECT_EQ(0u, file.Read(buffer, 0));
    file.Close();
    EXPECT_EQ("01234ab789Z", Contents(path));
    EXPECT_EQ(0u, file.Read(buffer, 4)) << "a closed file reads nothing";
    EXPECT_FALSE(file.Write("x", 1));
}

TEST_F(Files, NamesFollowTheLastSeparatorButNotATrailByte)
{
    // 表.txt: the first character's trail byte is 0x5C.
    const char name[] = "\x95\x5C.txt";
    std::string path = PathOf(name);
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
    EXPECT_EQ(path, file.GetFilePath().str());
    EXPECT_EQ(name, file.GetFileName());
    file.Close();
    std::string renamed = PathOf("renamed.txt");
    EXPECT_TRUE(CFile::Rename(path.c_str(), renamed.c_str()));
    EXPECT_TRUE(CFile::Remove(renamed.c_str()));
    EXPECT_FALSE(CFile::Remove(renamed.c_str()));
}

TEST_F(Files, TextModeWritesCrLfOnceAndReadsLinesWithoutBreaks)
{
    struct Row { const char* name; UINT typeFlag; const char* written; const char* bytes; };
    const Row rows[] = {
        {"text mode", 0, "a\nb\r\nc\n", "a\r\nb\r\nc\r\n"},
        {"binary mode", CFile::typeBinary, "a\nb\r\nc\n", "a\nb\r\nc\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string path = PathOf("lines.txt");
        {
            CStdioFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite | row.typeFlag);
            ASSERT_TRUE(out.IsOpen());
            EXPECT_TRUE(out.WriteString(row.written));
        }
        EXPECT_EQ(row.bytes, Contents(path));
    }

    std::string path = PathOf("read.txt");
    Put(path, "one\r\n\r\n\x95\x5C\ntwo\nlast");
    CStdioFile in;
    ASSERT_TRUE(in.Open(path.c_str(), CFile::modeRead));
    std::vector<std::string> lines;
    CString line;
    while (in.ReadString(line))
        lines.push_back(line.str());
    EXPECT_EQ((std::vector<std::string>{"one", "", "\x95\x5C", "two", "last"}), lines);
    EXPECT_EQ("", line) << "the end leaves an empty line";
}

} // namespace
