#include "shell/common/settings/NetInfo.h"

#include "shell/common/scrambler/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const char kSection[] = "NetInfo";

class TestNetInfo : public CNetInfo {
public:
    bool HasServiceSession() const override { return m_client; }
    bool m_client = false;
};

struct Fixture {
    CMemoryProfile profile;
    TestNetInfo info;
    Fixture()
    {
        info.SetProfileStore(&profile);
        NetInfoDefaults defaults;
        defaults.freeAccessPoint = "0120-00-0000";
        defaults.phsFreeAccessPoint = "0120-11-1111";
        info.SetNetInfoDefaults(defaults);
    }
};

} // namespace

TEST(NetInfo, AFreshProfileLoadsTheDefaults)
{
    Fixture f;
    f.info.Load("Signup", kSection);
    const NetConnectSettings& live = f.info.LiveConnectSettings();
    EXPECT_STREQ("T", live.dialMode.GetString());
    EXPECT_STREQ("Dialup", live.connectType.GetString());
    EXPECT_STREQ("udp", live.protocol.GetString());
    EXPECT_STREQ("80", live.proxyPort.GetString());
    EXPECT_STREQ("xx-xxxx-xxxx", live.prefixNumber.GetString());
    EXPECT_STREQ("0120-00-0000", f.info.m_FreeAP.GetString());
    EXPECT_STREQ("0120-11-1111", f.info.m_PhsFreeAP.GetString());
    EXPECT_EQ(0, live.flags);
    EXPECT_EQ(900, f.info.GetMessageTextLimit());
}

TEST(NetInfo, ConnectionFlagsFollowTypeProtocolAndProxy)
{
    const struct {
        const char* name;
        const char* type;
        const char* protocol;
        bool proxy;
        const char* host;
        const char* port;
        uint16_t flags;
        const char* portAfter;
        unsigned savedEnable;
    } rows[] = {
        {"lan udp", "Lan", "udp", false, "", "80", kConnectLan, "80", 0},
        {"tcp", "Dialup", "tcp", false, "", "8080", kProtocolTcp | kProtocolTcpChosen, "8080", 0},
        {"auto", "Dialup", "auto", false, "", "80", kProtocolAuto, "80", 0},
        {"proxy over udp does not take effect", "Lan", "udp", true, "proxy", "80", kConnectLan, "80", 0},
        {"proxy over tcp", "Lan", "tcp", true, "proxy", "3128",
         kConnectLan | kProtocolTcp | kProtocolTcpChosen | kProxyEnabled | kProxyInUse, "3128", 1},
        {"proxy without host", "Lan", "tcp", true, "", "3128", kConnectLan | kProtocolTcp | kProtocolTcpChosen, "3128", 0},
        {"port 0", "Lan", "udp", false, "", "0", kConnectLan, "80", 0},
        {"port 70000", "Lan", "udp", false, "", "70000", kConnectLan, "80", 0},
        {"negative port", "Lan", "udp", false, "", "-1", kConnectLan, "80", 0},
        {"case matters", "lan", "TCP", false, "", "80", 0, "80", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        f.profile.WriteString(kSection, "ConnectType", row.type);
        f.profile.WriteString(kSection, "Protocol", row.protocol);
        f.profile.WriteInt(kSection, "Proxy_enable", row.proxy ? 1 : 0);
        f.profile.WriteString(kSection, "Proxy_host", row.host);
        f.profile.WriteString(kSection, "Proxy_port", row.port);
        f.info.Load("Signup", kSection);
        EXPECT_EQ(row.flags, f.info.LiveConnectSettings().flags);
        EXPECT_STREQ(row.portAfter, f.info.LiveConnectSettings().proxyPort.GetString());
        if (row.flags & kProxyInUse) {
            EXPECT_STREQ(row.host, f.info.LiveConnectSettings().proxyHostInUse.GetString());
        }
        f.info.Save(kSection);
        EXPECT_EQ(row.savedEnable, f.profile.GetInt(kSection, "Proxy_enable", 99));
    }
}

TEST(NetInfo, ProtocolVariantSetsTheMessageLimit)
{
    const struct {
        unsigned version;
        int limit;
    } rows[] = {{47, 128}, {303, 128}, {0, 900}, {48, 900}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version);
        Fixture f;
        f.profile.WriteInt(kSection, "ProtocolVer", static_cast<int>(row.version));
        f.info.Load("Signup", kSection);
        EXPECT_EQ(row.limit, f.info.GetMessageTextLimit());
    }
}

TEST(NetInfo, SecretsAreStoredScrambledAndReadBack)
{
    Fixture f;
    f.info.m_LoginID = "user";
    f.info.m_LoginPasswd = "password";
    f.info.m_Comm_data = "";
    f.info.m_Pop_password = "\x94\xe9\x96\xa7";
    f.info.Save(kSection);
    EXPECT_STREQ("2A79B69FC17B012B", f.profile.GetString(kSection, "LoginPasswd", "?").GetString());
    EXPECT_STREQ("CEF1534B", f.profile.GetString(kSection, "Pop_password", "?").GetString());
    EXPECT_STREQ("", f.profile.GetString(kSection, "Comm_data", "?").GetString());
    TestNetInfo again;
    again.SetProfileStore(&f.profile);
    again.Load("Signup", kSection);
    EXPECT_STREQ("password", again.m_LoginPasswd.GetString());
    EXPECT_STREQ("\x94\xe9\x96\xa7", again.m_Pop_password.GetString());
    EXPECT_STREQ("", again.m_Comm_data.GetString());
    EXPECT_STREQ("user", again.m_LoginID.GetString());
}

TEST(NetInfo, AnUnreadableSecretReadsEmptyAndIsNotOverwritten)
{
    Fixture f;
    f.profile.WriteString(kSection, "Comm_data", "ABC"); // odd length: not a scrambled value
    f.profile.WriteString(kSection, "LoginPasswd", "ZZ");
    f.info.Load("Signup", kSection);
    EXPECT_STREQ("", f.info.m_Comm_data.GetString());
    EXPECT_STREQ("", f.info.m_LoginPasswd.GetString());
    f.info.m_LoginPasswd = "new";
    f.info.Save(kSection);
    EXPECT_STREQ("ABC", f.profile.GetString(kSection, "Comm_data", "").GetString()) << "left for a program that can read it";
    EXPECT_STREQ(scrambler::Scramble("new").c_str(), f.profile.GetString(kSection, "LoginPasswd", "").GetString())
        << "a new value replaces the unreadable one";
}

TEST(NetInfo, SaveWritesTheTwentyNineValuesInOrderAndNeverTheReadOnlyOnes)
{
    Fixture f;
    f.info.Load("Signup", kSection);
    f.profile.ClearWriteLog();
    f.info.Save(kSection);
    const char* expected =
        "NetInfo\\LoginID;NetInfo\\LoginPasswd;NetInfo\\PrimaryDNS;NetInfo\\SecondaryDNS;NetInfo\\PhoneNumber;"
        "NetInfo\\PhoneNumber2;NetInfo\\PhoneNumber3;NetInfo\\E_mail;NetInfo\\Pop_id;NetInfo\\Pop_host;"
        "NetInfo\\Pop_password;NetInfo\\Smtp_host;NetInfo\\Comm_data;NetInfo\\Comm_name;"
        "NetInfo\\Comm_data2;NetInfo\\Proxy_enable;NetInfo\\Proxy_host;NetInfo\\Proxy_port;NetInfo\\Protocol;"
        "NetInfo\\RasEntryName;NetInfo\\ModemName;NetInfo\\DialMode;NetInfo\\DeviceMode;NetInfo\\OutsideLine;"
        "NetInfo\\ConnectType;NetInfo\\PreFixNumber;NetInfo\\Proxy_Data1;NetInfo\\Proxy_Data2;NetInfo\\Comm_id;";
    EXPECT_EQ(expected, f.profile.WriteLog());
}

TEST(NetInfo, ChangesDuringASessionTakeEffectAfterLogOut)
{
    Fixture f;
    f.info.Load("Signup", kSection);
    f.info.m_state = 0x0100;
    f.info.m_client = true;
    f.info.SetConnectionSettings(true, 1, false, "", "80", "", "");
    EXPECT_TRUE(f.info.IsFrozen());
    EXPECT_STREQ("Dialup", f.info.LiveConnectSettings().connectType.GetString()) << "live settings unchanged in session";
    EXPECT_STREQ("Lan", f.info.GetActiveSettings().connectType.GetString()) << "readers in session see the change";
    // Log-out: thaw before anything is saved.
    f.info.m_state = 0;
    f.info.m_client = false;
    f.info.ThawConnectSettings();
    EXPECT_FALSE(f.info.IsFrozen());
    EXPECT_STREQ("Lan", f.info.LiveConnectSettings().connectType.GetString());
    f.info.Save(kSection);
    EXPECT_STREQ("Lan", f.profile.GetString(kSection, "ConnectType", "").GetString());
}

TEST(NetInfo, OemLinkNeedsAllThreeTexts)
{
    Fixture f;
    f.info.LoadOemLink();
    EXPECT_FALSE(f.info.m_hasOemLink);
    f.profile.WriteString("", "OemName", "Partner");
    f.profile.WriteString("Partner", "Url", "http://example.invalid/");
    f.info.LoadOemLink();
    EXPECT_FALSE(f.info.m_hasOemLink);
    f.profile.WriteString("Partner", "UrlTitle", "Title");
    f.info.LoadOemLink();
    EXPECT_TRUE(f.info.m_hasOemLink);
}

TEST(NetInfo, AccessPointsAreLookedUpInTheListOfTheDataFolder)
{
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / "nv_aplist_test";
    fs::create_directories(folder);
    {
        std::ofstream out(folder / "q2ap.lst", std::ios::binary);
        out << "/name,number,area,x\r\nTokyo,0990-12-3456,03,a\r\nOsaka,06-1111-2222,06,b\r\n";
    }
    Fixture f;
    f.info.SetDataFolder(folder.string().c_str());
    f.info.m_PhoneNumber = "0990-12-3456";
    f.info.m_PhoneNumber2 = "06-1111-2222";
    f.info.m_PhoneNumber3 = "unlisted";
    CString first, area, second, third = "unchanged";
    EXPECT_TRUE(f.info.LoadAccessPointList(" %s %s(area:%s)", &first, &area, &second, &third));
    EXPECT_STREQ(" Tokyo 0990-12-3456(area:03)", first.GetString());
    EXPECT_STREQ("03", area.GetString());
    EXPECT_STREQ(" Osaka 06-1111-2222(area:06)", second.GetString());
    EXPECT_STREQ("unchanged", third.GetString());
    f.info.m_PhoneNumber = "unlisted";
    EXPECT_FALSE(f.info.LoadAccessPointList(" %s %s(area:%s)", &first, &area, nullptr, nullptr));
    fs::remove_all(folder);
}
