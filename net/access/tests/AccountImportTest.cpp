// Connection-information import and the account change after it: what the user is told, what is
// saved, and that a file that can't be used changes nothing.
#include "net/access/tests/AccessFixture.h"

#include "shell/common/scrambler/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

const char kPcFile[] = "00:1.0\r\n01:OK\r\n02:PC_Client\r\n03:login01\r\n04:pass01\r\n05:10.0.0.1\r\n"
                       "06:10.0.0.2\r\n07:03-1234-5678\r\n17:comm01\r\n18:secret\r\n19:Name One\r\n";

// The file with the line of key replaced by key + value (added at the end when it has none).
std::string WithLine(std::string text, const std::string& key, const std::string& value)
{
    std::size_t at = text.compare(0, key.size(), key) == 0 ? 0 : text.find("\r\n" + key);
    if (at == std::string::npos)
        return text + key + value + "\r\n";
    if (at != 0)
        at += 2;
    std::size_t end = text.find("\r\n", at);
    text.replace(at, end - at, key + value);
    return text;
}

std::string Messages(const RecordingHost& host)
{
    std::string all;
    for (const std::string& call : host.calls)
        all += call + ";";
    return all;
}

} // namespace

TEST(AccountChange, CompareTellsIdentityFromNetworkValues)
{
    struct Row {
        AccountField field;
        int change;
    } rows[] = {
        {ACCOUNT_LoginID, 2},      {ACCOUNT_LoginPasswd, 2},  {ACCOUNT_Comm_name, 2}, {ACCOUNT_Comm_id, 2},
        {ACCOUNT_Comm_data, 2},    {ACCOUNT_PrimaryDNS, 1},   {ACCOUNT_SecondaryDNS, 1}, {ACCOUNT_PhoneNumber, 1},
        {ACCOUNT_PhoneNumber2, 1}, {ACCOUNT_PhoneNumber3, 1}, {ACCOUNT_E_mail, 1},    {ACCOUNT_Pop_id, 1},
        {ACCOUNT_Pop_host, 1},     {ACCOUNT_Pop_password, 1}, {ACCOUNT_Smtp_host, 1}, {ACCOUNT_Comm_data2, 1},
    };
    for (const Row& r : rows) {
        AccessFixture f;
        f.import.SnapshotAccount();
        EXPECT_EQ(0, f.import.CompareAccount());
        CNetInfoAccount::Field(f.info, r.field) = "changed";
        EXPECT_EQ(r.change, f.import.CompareAccount()) << "field " << r.field;
    }
}

TEST(AccountChange, MessagesAndSavingByLoginStateAndChange)
{
    struct Row {
        const char* name;
        bool loggedIn;
        AccountField field;
        bool changed;
        const char* calls;
        bool saved;
    } rows[] = {
        {"nothing", false, ACCOUNT_LoginID, false, "message 464;", false},
        {"nothing in session", true, ACCOUNT_LoginID, false, "message 464;", false},
        {"network value", false, ACCOUNT_PrimaryDNS, true, "message 280;", true},
        {"network value in session", true, ACCOUNT_PrimaryDNS, true, "message 280;", true},
        {"identity", false, ACCOUNT_Comm_id, true, "message 280;own changed  old;", true},
        {"identity in session", true, ACCOUNT_LoginPasswd, true, "message 258;logout;own old  old;", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AccessFixture f;
        f.info.m_Comm_id = "old";
        if (r.loggedIn)
            f.info.LogIn();
        f.import.SnapshotAccount();
        if (r.changed)
            CNetInfoAccount::Field(f.info, r.field) = "changed";
        f.import.ApplyAccountChange();
        EXPECT_EQ(r.calls, Messages(f.host));
        EXPECT_EQ(r.saved, !f.profile.WriteLog().empty());
    }
}

TEST(ConnectionImport, TheSameFileTwiceChangesNothingTheSecondTime)
{
    AccessFixture f;
    f.import.ImportBytes(kPcFile, sizeof kPcFile - 1);
    EXPECT_EQ("message 280;own comm01 Name One ;refresh;", Messages(f.host));
    EXPECT_STREQ("Name One", f.info.m_Comm_name.GetString()) << "inner blanks are kept";
    EXPECT_STREQ("03-1234-5678", f.profile.GetString("NetInfo", "PhoneNumber", "").GetString());
    f.host.calls.clear();
    f.profile.ClearWriteLog();
    f.import.ImportBytes(kPcFile, sizeof kPcFile - 1);
    EXPECT_EQ("message 464;refresh;", Messages(f.host));
    EXPECT_TRUE(f.profile.WriteLog().empty());
}

TEST(ConnectionImport, ChangesAreToldByWhatTheyTouch)
{
    struct Row {
        const char* name;
        bool loggedIn;
        std::string file;
        const char* calls;
    } rows[] = {
        {"DNS only", false, WithLine(kPcFile, "05:", "10.9.9.9"), "message 280;refresh;"},
        {"password while logged in", true, WithLine(kPcFile, "04:", "newpass"),
         "message 258;logout;own comm01 Name One comm01;refresh;"},
        {"call ID only", false, WithLine(kPcFile, "32:", "NC1"), "message 280;refresh;"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AccessFixture f;
        f.import.ImportBytes(kPcFile, sizeof kPcFile - 1);
        f.host.calls.clear();
        if (r.loggedIn)
            f.info.LogIn();
        f.import.ImportBytes(r.file.data(), r.file.size());
        EXPECT_EQ(r.calls, Messages(f.host));
    }
}

TEST(ConnectionImport, FilesThatCantBeUsedGetOneMessageAndChangeNothing)
{
    std::string nul(kPcFile);
    nul.insert(20, 1, '\0');
    struct Row {
        const char* name;
        std::string file;
    } rows[] = {
        {"version 1.1", WithLine(kPcFile, "00:", "1.1")},
        {"no version", std::string(kPcFile).substr(8)},
        {"unknown kind", WithLine(kPcFile, "02:", "Other")},
        {"status not OK without message", WithLine(kPcFile, "01:", "NG")},
        {"no login ID", WithLine(kPcFile, "03:", "")},
        {"NUL inside", nul},
        {"too long", std::string(kPcFile) + std::string(70000, 'x')},
        {"empty", ""},
        {"binary", std::string("\x89PNG\r\n\x1a\n", 8)},
        {"call file without account", "00:1.0\r\n01:OK\r\n02:Nimbocall-Client\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AccessFixture f;
        f.info.m_LoginID = "before";
        f.import.ImportBytes(r.file.data(), r.file.size());
        EXPECT_EQ("message 14630;", Messages(f.host));
        EXPECT_TRUE(f.profile.WriteLog().empty());
        EXPECT_STREQ("before", f.info.m_LoginID.GetString());
    }
}

TEST(ConnectionImport, AServiceMessageIsShownAndNothingApplied)
{
    AccessFixture f;
    std::string file = WithLine(kPcFile, "01:", "NG") + "98:\r\n<b>account stopped</b> (321)\r\n99:\r\n";
    f.import.ImportBytes(file.data(), file.size());
    EXPECT_EQ("text account stopped (321);", Messages(f.host));
    EXPECT_TRUE(f.info.m_LoginID.IsEmpty());
}

TEST(ConnectionImport, ACallClientFileStoresTheCallAccountScrambled)
{
    AccessFixture f;
    const char file[] = "00:1.0\r\n01:OK\r\n02:Nimbocall-Client\r\n30:NC123\r\n31:callpw\r\n";
    f.import.ImportBytes(file, sizeof file - 1);
    EXPECT_EQ("message 496;", Messages(f.host));
    EXPECT_STREQ("NC123", f.info.GetProfileSecret("UID", "NimboCall").GetString());
    EXPECT_STREQ("callpw", f.info.GetProfileSecret("UP", "NimboCall").GetString());
    EXPECT_STRNE("callpw", f.profile.GetString("NimboCall", "UP", "").GetString()) << "never stored in the clear";
    EXPECT_TRUE(f.info.m_LoginID.IsEmpty());
}

TEST(ConnectionImport, FilesAreReadWholeOrRefused)
{
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("nv_import_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(folder);
    AccessFixture f;
    EXPECT_EQ(-1, f.import.ImportConnectionInfo((folder / "missing.cni").string().c_str()));
    EXPECT_EQ("message 14630;", Messages(f.host));
    f.host.calls.clear();
    {
        std::ofstream out(folder / "ok.cni", std::ios::binary);
        out << kPcFile;
    }
    EXPECT_EQ(0, f.import.ImportConnectionInfo((folder / "ok.cni").string().c_str()));
    EXPECT_STREQ("login01", f.info.m_LoginID.GetString());
    fs::remove_all(folder);
}
