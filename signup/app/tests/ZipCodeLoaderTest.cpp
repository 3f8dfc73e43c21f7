// The zip-code loader under Wine with our unlha32.dll: the fixture packed with lhapack at build
// time is extracted into a temporary folder and indexed in the background; lookups give the
// addresses the fixture's table expects; the extracted file goes with the loader.
#include "signup/app/ZipCodeLoader.h"

#include "shell/common/skin/UnlhaArchiver.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string FixtureDir() { return nvtest::UnixToWindowsPath(nvtest::Env("NV_ZIP_FIXTURE_DIR")); }

CString TempFolder(const char* name)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    CString folder = CString(temp) + name + "\\";
    ::CreateDirectoryA(folder, nullptr);
    return folder;
}

bool Exists(const CString& path) { return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

struct UseOurArchiver {
    UseOurArchiver() { CUnlhaArchiver::SetLibraryPath(nvtest::UnixToWindowsPath(nvtest::Env("NV_UNLHA32")).c_str()); }
    ~UseOurArchiver() { CUnlhaArchiver::SetLibraryPath(nullptr); }
};

} // namespace

TEST(ZipCodeLoader, ExtractsIndexesAndLooksUpInTheBackground)
{
    UseOurArchiver archiver;
    const CString folder = TempFolder("nv_zip_loader");
    {
        CZipCodeLoader loader;
        ASSERT_TRUE(loader.Start(CString((FixtureDir() + "\\zipcode.ful").c_str()), folder));
        ASSERT_TRUE(nvtest::PumpUntil([&] { return !loader.IsLoading(); }, 10000));
        ASSERT_TRUE(loader.IsLoaded());
        EXPECT_EQ(17u, loader.EntryCount());
        std::ifstream in(FixtureDir() + "\\cases.tsv", std::ios::binary);
        int checked = 0;
        for (std::string row; std::getline(in, row);) {
            const std::size_t tab = row.find('\t');
            EXPECT_EQ(row.substr(tab + 1), loader.LookUp(CString(row.substr(0, tab).c_str())).str()) << row;
            ++checked;
        }
        EXPECT_EQ(15, checked);
        EXPECT_TRUE(Exists(folder + "zipcode.csv"));
    }
    EXPECT_FALSE(Exists(folder + "zipcode.csv")) << "the extracted file goes with the loader";
}

TEST(ZipCodeLoader, AMissingArchiveLeavesNoIndex)
{
    UseOurArchiver archiver;
    CZipCodeLoader loader;
    ASSERT_TRUE(loader.Start("C:\\no such folder\\zipcode.ful", TempFolder("nv_zip_missing")));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !loader.IsLoading(); }, 10000));
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_EQ(0u, loader.EntryCount());
    EXPECT_STREQ("", loader.LookUp("1000001").GetString());
}

TEST(ZipCodeLoader, ALoaderGoneAtOnceWaitsForItsThread)
{
    UseOurArchiver archiver;
    const CString folder = TempFolder("nv_zip_gone");
    for (int i = 0; i < 5; ++i) {
        CZipCodeLoader loader;
        ASSERT_TRUE(loader.Start(CString((FixtureDir() + "\\zipcode.ful").c_str()), folder));
        EXPECT_STREQ("", loader.LookUp("1000001").GetString()) << "nothing is read while loading";
    }
    EXPECT_FALSE(Exists(folder + "zipcode.csv"));
}

TEST(ZipCodeLoader, CodeOfTheTwoParts)
{
    const struct {
        const char *first, *second, *code;
    } rows[] = {
        {"100", "0001", "1000001"}, {"1", "1", "0010001"}, {"060", "0002", "0600002"}, {"", "0001", ""},
        {"100", "", ""},            {"1a0", "0001", ""},   {"100", "00-1", ""},       {"1000", "0001", ""},
        {"100", "00011", ""},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(row.code, CZipCodeLoader::CodeOf(row.first, row.second).GetString()) << row.first << " " << row.second;
}
