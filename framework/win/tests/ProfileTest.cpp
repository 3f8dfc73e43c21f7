// Profile access in HKEY_CURRENT_USER\Software\<company>\<profile>.
#include "framework/win/WinApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[64];
        wsprintfA(name, "ProfileTest%lu", ::GetCurrentProcessId());
        app.SetProfileName(name);
        app.SetRegistryKey("NvFrameworkTests");
        path = std::string("Software\\NvFrameworkTests\\") + name;
    }
    void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }

    DWORD RawType(const char* section, const char* entry)
    {
        HKEY key;
        std::string sub = path + "\\" + section;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return REG_NONE;
        DWORD type = REG_NONE;
        ::RegQueryValueExA(key, entry, nullptr, &type, nullptr, nullptr);
        ::RegCloseKey(key);
        return type;
    }

    CWinApp app{"NvTestApp"};
    std::string path;
};

TEST_F(ProfileTest, ValuesRoundTripWithTheirRegistryTypes)
{
    EXPECT_TRUE(app.WriteProfileString("NetInfo", "LoginID", "\x83\x5C\x83\x74\x83\x67"));
    EXPECT_TRUE(app.WriteProfileInt("NetInfo", "Flags", -2));
    const BYTE blob[] = {0, 1, 2, 0xFF};
    EXPECT_TRUE(app.WriteProfileBinary("Location", "Main", blob, sizeof blob));

    EXPECT_EQ("\x83\x5C\x83\x74\x83\x67", app.GetProfileString("NetInfo", "LoginID"));
    EXPECT_EQ(static_cast<UINT>(-2), app.GetProfileInt("NetInfo", "Flags", 5));
    std::vector<BYTE> read;
    EXPECT_TRUE(app.GetProfileBinary("Location", "Main", read));
    EXPECT_EQ(std::vector<BYTE>(blob, blob + sizeof blob), read);

    EXPECT_EQ(static_cast<DWORD>(REG_SZ), RawType("NetInfo", "LoginID"));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), RawType("NetInfo", "Flags"));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), RawType("Location", "Main"));
}

TEST_F(ProfileTest, MissingOrMistypedValuesGiveTheDefault)
{
    EXPECT_EQ("dflt", app.GetProfileString("NetInfo", "Nothing", "dflt"));
    EXPECT_EQ("", app.GetProfileString("NetInfo", "Nothing"));
    EXPECT_EQ(9u, app.GetProfileInt("NetInfo", "Nothing", 9));
    app.WriteProfileString("NetInfo", "Text", "12");
    EXPECT_EQ(9u, app.GetProfileInt("NetInfo", "Text", 9)) << "a text is not read as a number";
    std::vector<BYTE> read{1};
    EXPECT_FALSE(app.GetProfileBinary("NetInfo", "Text", read));
    EXPECT_TRUE(read.empty());
}

TEST_F(ProfileTest, NullValueDeletesTheEntryAndNullEntryTheSection)
{
    app.WriteProfileString("Servers", "A", "1");
    app.WriteProfileString("Servers", "B", "2");
    EXPECT_TRUE(app.WriteProfileString("Servers", "A", nullptr));
    EXPECT_EQ("gone", app.GetProfileString("Servers", "A", "gone"));
    EXPECT_EQ("2", app.GetProfileString("Servers", "B"));
    EXPECT_TRUE(app.WriteProfileString("Servers", nullptr, nullptr));
    EXPECT_EQ("gone", app.GetProfileString("Servers", "B", "gone"));
}

TEST_F(ProfileTest, WithoutARegistryKeyNothingIsWritten)
{
    CWinApp bare("Bare");
    EXPECT_FALSE(bare.WriteProfileInt("S", "E", 1));
    EXPECT_EQ(3u, bare.GetProfileInt("S", "E", 3));
}

} // namespace
