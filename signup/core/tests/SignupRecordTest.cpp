#include "signup/core/SignupRecord.h"

#include "shell/common/scrambler/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

// A profile whose writes stop after a number of them, as when the program is ended mid-save.
class CutShortProfile : public CMemoryProfile {
public:
    explicit CutShortProfile(int writesLeft) : m_left(writesLeft) {}
    void WriteString(const char* section, const char* key, const char* value) override
    {
        if (m_left-- > 0)
            CMemoryProfile::WriteString(section, key, value);
    }
    void WriteInt(const char* section, const char* key, int value) override
    {
        if (m_left-- > 0)
            CMemoryProfile::WriteInt(section, key, value);
    }
    int m_left;
};

CString Stored(CMemoryProfile& p, const char* key) { return p.GetString(kNetInfoSection, key, ""); }

} // namespace

TEST(SignupRecordStore, AFreshProfileGivesTheDefaults)
{
    CMemoryProfile profile;
    CNetInfo net;
    SignupRecord record;
    LoadSignupRecord(profile, net, record);
    EXPECT_STREQ("2000", record.Age.GetString());
    EXPECT_STREQ("1", record.Age2.GetString());
    EXPECT_STREQ("1", record.Age3.GetString());
    EXPECT_STREQ("male", record.Sex.GetString());
    EXPECT_STREQ("", record.Kana.GetString());
    EXPECT_STREQ("T", net.LiveConnectSettings().dialMode.GetString());
    EXPECT_STREQ("Dialup", net.LiveConnectSettings().connectType.GetString());
    EXPECT_STREQ("80", net.LiveConnectSettings().proxyPort.GetString());
    EXPECT_STREQ("udp", net.LiveConnectSettings().protocol.GetString());
}

TEST(SignupRecordStore, EmptyBirthValuesTakeTheirDefaultsOtherEmptyValuesStayEmpty)
{
    CMemoryProfile profile;
    for (const char* key : {"Age", "Age2", "Age3", "Sex", "Kana"})
        profile.WriteString(kSignupSection, key, "");
    CNetInfo net;
    SignupRecord record;
    LoadSignupRecord(profile, net, record);
    EXPECT_STREQ("2000", record.Age.GetString());
    EXPECT_STREQ("1", record.Age2.GetString());
    EXPECT_STREQ("1", record.Age3.GetString());
    EXPECT_STREQ("", record.Sex.GetString()) << "only the birth values default when stored empty";
}

TEST(SignupRecordStore, TheTwentyUserValuesRoundTripInTableOrder)
{
    std::size_t count = 0;
    const SignupRecordField* fields = SignupRecordFields(&count);
    ASSERT_EQ(20u, count);
    SignupRecord written;
    std::string expectedLog;
    for (std::size_t i = 0; i < count; ++i) {
        written.*fields[i].member = CString("v") + fields[i].key + "\x93\xfa"; // a Japanese byte pair too
        expectedLog += std::string("Signup\\") + fields[i].key + ";";
    }
    CMemoryProfile profile;
    SaveUserSection(profile, written);
    EXPECT_EQ(expectedLog, profile.WriteLog());
    CNetInfo net;
    SignupRecord read;
    LoadSignupRecord(profile, net, read);
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(written.*fields[i].member, read.*fields[i].member) << fields[i].key;
}

TEST(SignupRecordStore, SavingNetInfoKeepsTheValuesOnlyTheMainProgramWrites)
{
    CMemoryProfile profile;
    profile.WriteInt(kNetInfoSection, "ProtocolVer", 47);
    profile.WriteString(kNetInfoSection, "FreeAP", "0120-99-9999");
    profile.WriteString(kNetInfoSection, "PhsFreeAP", "0120-88-8888");
    CNetInfo net;
    SignupRecord record;
    LoadSignupRecord(profile, net, record);
    net.m_LoginID = "abc12345";
    net.m_LoginPasswd = "p&ss=w+d%";
    profile.ClearWriteLog();
    SaveNetInfo(net);
    const std::string log = profile.WriteLog();
    for (const char* key : {"ProtocolVer", "FreeAP", "PhsFreeAP"})
        EXPECT_EQ(std::string::npos, log.find(std::string("\\") + key + ";")) << key;
    EXPECT_EQ(47u, profile.GetInt(kNetInfoSection, "ProtocolVer", 0));
    EXPECT_STREQ("0120-99-9999", Stored(profile, "FreeAP").GetString());
    EXPECT_STREQ(scrambler::Scramble("p&ss=w+d%").c_str(), Stored(profile, "LoginPasswd").GetString());
    EXPECT_EQ(29u, static_cast<std::size_t>(std::count(log.begin(), log.end(), ';')));
}

// Whatever write the save is cut short at, the stored NetInfo is the old account whole, the new
// account whole, or lacks the communication ID (which the main program treats as incomplete).
TEST(SignupRecordStore, ASaveCutShortAfterAnyWriteNeverLeavesAMixOfTwoAccounts)
{
    struct Account {
        const char *login, *password, *commId, *commData, *commName;
    };
    const Account oldAccount = {"olduser1", "oldpw", "C-OLD-1", "olddata", "oldname"};
    const struct {
        const char* name;
        Account next;
    } cases[] = {
        {"another account", {"newuser2", "newpw", "C-NEW-2", "newdata", "newname"}},
        {"same login, new communication ID", {"olduser1", "oldpw", "C-NEW-2", "newdata", "newname"}},
        {"new login, same communication ID", {"newuser2", "newpw", "C-OLD-1", "olddata", "oldname"}},
        {"same account", {"olduser1", "oldpw", "C-OLD-1", "olddata", "oldname"}},
    };
    auto matches = [](CMemoryProfile& p, const Account& a) {
        CNetInfo probe;
        probe.SetProfileStore(&p);
        return Stored(p, "LoginID") == a.login && Stored(p, "Comm_id") == a.commId &&
               probe.GetProfileSecret("LoginPasswd", kNetInfoSection) == a.password &&
               probe.GetProfileSecret("Comm_data", kNetInfoSection) == a.commData &&
               Stored(p, "Comm_name") == a.commName;
    };
    for (const auto& c : cases) {
        for (int k = 0; k <= 31; ++k) {
            CutShortProfile profile(1 << 30);
            {
                CNetInfo first;
                first.SetProfileStore(&profile);
                first.m_LoginID = oldAccount.login;
                first.m_LoginPasswd = oldAccount.password;
                first.m_Comm_id = oldAccount.commId;
                first.m_Comm_data = oldAccount.commData;
                first.m_Comm_name = oldAccount.commName;
                SaveNetInfo(first);
            }
            profile.m_left = k;
            CNetInfo net;
            SignupRecord record;
            LoadSignupRecord(profile, net, record);
            net.m_LoginID = c.next.login;
            net.m_LoginPasswd = c.next.password;
            net.m_Comm_id = c.next.commId;
            net.m_Comm_data = c.next.commData;
            net.m_Comm_name = c.next.commName;
            SaveNetInfo(net);
            const bool complete = !Stored(profile, "LoginID").IsEmpty() && !Stored(profile, "Comm_id").IsEmpty();
            if (complete)
                EXPECT_TRUE(matches(profile, oldAccount) || matches(profile, c.next))
                    << c.name << ": cut after " << k << " writes left " << Stored(profile, "LoginID").GetString()
                    << " with " << Stored(profile, "Comm_id").GetString();
            if (k >= 31)
                EXPECT_TRUE(matches(profile, c.next)) << c.name << ": a whole save stores the new account";
        }
    }
}
