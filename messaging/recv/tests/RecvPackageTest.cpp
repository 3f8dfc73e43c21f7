// Packages as the received window lists and opens them, over real files: the first file opened
// under its plain name inside the temporary folder, a device name refused, broken and missing
// packages ending in their notices.
#include "messaging/recv/RecvPackage.h"
#include "messaging/store/tests/StoreTestSupport.h"
#include "messaging/wire/AttachPack.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RecvPackageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = storetest::MakeTempFolder();
        temp = storetest::MakeTempFolder(); // a folder of its own stands for the temporary folder
    }
    void TearDown() override
    {
        storetest::RemoveTree(folder);
        storetest::RemoveTree(temp);
    }
    std::string Package(const std::string& name, const std::string& bytes)
    {
        const std::string source = storetest::Join(folder, name);
        EXPECT_TRUE(storetest::WriteFile(source, bytes));
        CStringArray files;
        files.Add(source.c_str());
        const std::string package = storetest::Join(folder, "package.bin");
        CAttachPack pack;
        EXPECT_EQ(0, pack.Pack(files, package.c_str()));
        return package;
    }
    std::string folder;
    std::string temp;
};

TEST_F(RecvPackageTest, FirstFileOpensUnderItsJapaneseNameInTheTemporaryFolder)
{
    const std::string name = "\x8E\xCA\x90\x5E.txt"; // 写真.txt
    const std::string package = Package(name, "photo bytes");
    CString first;
    int format = 0;
    EXPECT_EQ(PackageNotice::None, ListFirstPackageFile(package.c_str(), &first, &format));
    EXPECT_EQ(name, first.str());
    EXPECT_EQ(1, format);
    CString target;
    // The folder as the system gives it, with its separator at the end.
    const std::string tempFolder = storetest::Join(temp, "");
    ASSERT_EQ(PackageNotice::None, ExtractFirstForOpening(package.c_str(), tempFolder.c_str(), &target));
    EXPECT_EQ(storetest::Join(temp, name), target.str());
    std::string bytes;
    ASSERT_TRUE(storetest::ReadFile(target.str(), bytes));
    EXPECT_EQ("photo bytes", bytes);
}

TEST_F(RecvPackageTest, DeviceNamesBrokenAndMissingPackagesEndInTheirNotices)
{
    CString target;
    // A file named com1.txt can't even be made on Windows (it is the port): the package's name
    // table is changed after packing.
    const std::string device = Package("comx.txt", "x");
    std::string bytes;
    ASSERT_TRUE(storetest::ReadFile(device, bytes));
    const std::size_t at = bytes.find("comx.txt");
    ASSERT_NE(std::string::npos, at);
    bytes.replace(at, 8, "com1.txt");
    ASSERT_TRUE(storetest::WriteFile(device, bytes));
    EXPECT_EQ(PackageNotice::NoFile, ExtractFirstForOpening(device.c_str(), temp.c_str(), &target));
    EXPECT_TRUE(target.IsEmpty());
    const std::string broken = storetest::Join(folder, "broken.bin");
    ASSERT_TRUE(storetest::WriteFile(broken, "not a package at all, just bytes"));
    EXPECT_EQ(PackageNotice::Unsupported, ExtractFirstForOpening(broken.c_str(), temp.c_str(), &target));
    EXPECT_EQ(PackageNotice::OpenError,
              ExtractFirstForOpening(storetest::Join(folder, "missing.bin").c_str(), temp.c_str(), &target));
    EXPECT_TRUE(target.IsEmpty());
}

} // namespace
