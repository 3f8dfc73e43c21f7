// CRasApi against the stand-in dial-up service (tests/doubles/rasapi32), which sits beside this
// program and is loaded by name; each test scripts it through its control export and reads what
// it was called with from its JSON log.
#include "net/ras/win/RasApi.h"

#include "tests/doubles/rasapi32/StandInControl.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// The stand-in stays loaded for the whole run: a dial thread may still be finishing when a test's
// CRasApi frees its reference.
const HMODULE g_keepServiceLoaded = LoadLibraryA("rasapi32.dll");

class RasApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(api.IsAvailable()) << "the stand-in rasapi32.dll must be loaded (WINEDLLOVERRIDES=rasapi32=n)";
        ASSERT_TRUE(ras.Loaded()) << "the loaded rasapi32.dll is not the stand-in";
        ras.Reset();
        Script("step_ms|1");
    }
    void Script(const std::string& line) { ASSERT_EQ(0u, ras.Script(line)) << line; }
    std::vector<std::string> LogLines(const char* fn = nullptr) { return ras.Log(fn); }

    nvtest::StandInRas ras;
    CRasApi api;
};

std::atomic<int> g_notifications{0};
std::atomic<DWORD> g_lastState{0};
std::atomic<DWORD> g_firstError{0};

void WINAPI RecordingNotifier(ras::ConnectionHandle, UINT, DWORD state, DWORD error, DWORD)
{
    g_lastState = state;
    DWORD none = 0;
    if (error)
        g_firstError.compare_exchange_strong(none, error);
    ++g_notifications;
}

TEST_F(RasApiTest, DevicesAreFilteredToModemsAndIsdnInSystemOrder)
{
    EXPECT_EQ(0, api.CountModems()) << "no device at all";
    CStringArray none;
    EXPECT_TRUE(api.GetModemNames(none));
    EXPECT_EQ(0, none.GetSize());

    Script("device|vpn|WAN Miniport");
    Script("device|modem|Standard Modem");
    Script("device|ISDN|TA Adapter");
    EXPECT_EQ(2, api.CountModems());
    CStringArray names;
    ASSERT_TRUE(api.GetModemNames(names));
    ASSERT_EQ(2, names.GetSize());
    EXPECT_STREQ("Standard Modem", names[0].GetString());
    EXPECT_STREQ("TA Adapter", names[1].GetString());

    CString name, type;
    EXPECT_TRUE(api.FindDevice("ta adapter", &name, &type)) << "names compare without case";
    EXPECT_STREQ("TA Adapter", name.GetString());
    EXPECT_STREQ("ISDN", type.GetString());
    EXPECT_FALSE(api.FindDevice("WAN Miniport", &name, &type)) << "a VPN device does not dial";
    EXPECT_FALSE(api.EnumDevices(3, &name, &type));
    EXPECT_FALSE(api.EnumDevices(-1, &name, &type));

    Script("fail|RasEnumDevicesA|610");
    EXPECT_EQ(-1, api.CountModems()) << "an unreadable list is not 'no modem'";
}

TEST_F(RasApiTest, EntriesAreMadeReadChangedAndDeletedInTheSystemPhoneBook)
{
    EXPECT_EQ(ras::kErrorCannotFindEntry, [&] {
        ras::PhoneBookEntry entry;
        return api.GetEntryProperties("nothing", &entry, "");
    }());
    ASSERT_EQ(0u, api.CreateEntry("Service", "modem", "Standard Modem", ras::kNetProtocolIp, ras::kFramingPpp,
                                  "0,03-1234-5678", ""));
    EXPECT_EQ(ras::kErrorAlreadyExists, api.CreateEntry("Service", "modem", "Standard Modem", 4, 1, "1", ""));
    ASSERT_EQ(0u, api.SetEntryProperties("Service", 0x218, true, "03", 81, ""));
    ASSERT_EQ(0u, api.SetEntryProperties("Service", 0x8 | ras::kOptionUseCountryAndAreaCodes, true, "045", 81, ""));

    ras::PhoneBookEntry entry;
    ASSERT_EQ(0u, api.GetEntryProperties("Service", &entry, ""));
    EXPECT_STREQ("0,03-1234-5678", entry.localPhoneNumber);
    EXPECT_STREQ("045", entry.areaCode);
    EXPECT_EQ(81u, entry.countryCode);
    EXPECT_EQ(0x219u, entry.options);

    ASSERT_EQ(0u, api.SetDialParams("Service", "user01", "secret"));
    CString number, user, password;
    ASSERT_EQ(0u, api.GetDialParams("Service", &number, &user, &password));
    EXPECT_STREQ("user01", user.GetString());
    EXPECT_STREQ("secret", password.GetString());
    CString untouched = "kept";
    EXPECT_NE(0u, api.GetDialParams("Other", &untouched, &untouched, &untouched));
    EXPECT_STREQ("kept", untouched.GetString()) << "outs are set only on success";

    EXPECT_EQ(0u, api.DeleteEntry("Service", ""));
    EXPECT_NE(0u, api.DeleteEntry("Service", ""));

    // "" went to the service as the system phone book (null); the records had their own sizes.
    for (const std::string& line : LogLines("RasSetEntryPropertiesA"))
        EXPECT_NE(std::string::npos, line.find("\"phonebook\":null")) << line;
    EXPECT_TRUE(LogLines("RasSetEntryPropertiesA")[0].find("\"result\":0") != std::string::npos);
}

TEST_F(RasApiTest, TextsThatDoNotFitAFieldAreRefusedBeforeTheServiceSeesThem)
{
    const std::string longNumber(200, '1');
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              api.CreateEntry("Service", "modem", "Standard Modem", 4, 1, longNumber.c_str(), ""));
    EXPECT_TRUE(LogLines("RasSetEntryPropertiesA").empty());
    const std::string longUser(300, 'u');
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              api.Dial("Service", RecordingNotifier, "1", longUser.c_str(), "pw", "", ""));
    EXPECT_TRUE(LogLines("RasDialA").empty()) << "no dial with a cut user name";
}

TEST_F(RasApiTest, UniqueEntryNamesCountUpAndGiveUpAfterABound)
{
    CString name;
    EXPECT_EQ(0u, api.MakeUniqueEntryName("Base", &name, ""));
    EXPECT_STREQ("Base", name.GetString());
    ASSERT_EQ(0u, api.CreateEntry("Base", "modem", "M", 4, 1, "1", ""));
    ASSERT_EQ(0u, api.CreateEntry("Base1", "modem", "M", 4, 1, "1", ""));
    EXPECT_EQ(ras::kErrorAlreadyExists, api.MakeUniqueEntryName("Base", &name, ""));
    EXPECT_STREQ("Base2", name.GetString());

    // A service that calls every name taken: the walk ends.
    Script("fail|RasValidateEntryNameA|183");
    EXPECT_EQ(ras::kErrorAlreadyExists, api.MakeUniqueEntryName("Base", &name, ""));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_LE(LogLines("RasValidateEntryNameA").size(), 1100u);
}

TEST_F(RasApiTest, EnumerationsTakeTheCountTheServiceReports)
{
    CStringArray names;
    EXPECT_TRUE(api.EnumEntries("", names)) << "an empty phone book is read, not written into";
    EXPECT_EQ(0, names.GetSize());
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(0u, api.CreateEntry(("Entry" + std::to_string(i)).c_str(), "modem", "M", 4, 1, "1", ""));
    ASSERT_TRUE(api.EnumEntries("", names));
    ASSERT_EQ(12, names.GetSize());
    EXPECT_STREQ("Entry11", names[11].GetString());

    EXPECT_FALSE(api.AnyActive(false));
    for (int i = 0; i < 11; ++i)
        Script("connection|Other" + std::to_string(i) + "|modem|M");
    EXPECT_TRUE(api.AnyActive(false)) << "over ten connections are not 'none'";
    CString first;
    ASSERT_TRUE(api.GetActiveEntryNames(&first));
    EXPECT_STREQ("Other0", first.GetString());
    ras::ConnectionHandle handle = 0;
    EXPECT_TRUE(api.FindConnection("OTHER10", &handle));
    EXPECT_NE(0u, handle);
    EXPECT_TRUE(api.IsConnected(""));
    EXPECT_FALSE(api.IsConnected("Nobody"));

    EXPECT_TRUE(api.HangUpAllAndWait());
    EXPECT_FALSE(api.AnyActive(false));
    EXPECT_EQ(11u, LogLines("RasHangUpA").size());
}

TEST_F(RasApiTest, DialFollowsTheScriptedStatesToConnectedAndFindsTheIsdnAddress)
{
    Script("device|ISDN|TA Adapter");
    Script("address|10.1.2.3");
    Script("dial|0,2,5,0x2000");
    ASSERT_EQ(0u, api.CreateEntry("Service", "ISDN", "TA Adapter", 4, 1, "1", ""));
    g_notifications = 0;
    ASSERT_EQ(0u, api.Dial("Service", RecordingNotifier, "0,03-1234-5678", "user01", "pw", "", ""));
    EXPECT_NE(0u, api.GetConnectionHandle());
    ASSERT_TRUE(nvtest::PumpUntil([] { return g_notifications.load() == 4; }));

    CString text;
    bool connected = false;
    EXPECT_TRUE(api.GetStateText(&text, &connected));
    EXPECT_TRUE(connected);
    CString expected;
    expected.LoadString(14529);
    EXPECT_STREQ(expected.GetString(), text.GetString());

    CString address;
    EXPECT_TRUE(api.GetLocalAddress(&address)) << "an ISDN link has a local address too";
    EXPECT_STREQ("10.1.2.3", address.GetString());

    std::string dial = LogLines("RasDialA").at(0);
    EXPECT_NE(std::string::npos, dial.find("\"phone\":\"0,03-1234-5678\"")) << dial;
    EXPECT_NE(std::string::npos, dial.find("\"notifier_type\":1")) << dial;
    EXPECT_NE(std::string::npos, dial.find("\"size\":1052")) << dial;

    EXPECT_TRUE(api.HangUp("Service"));
    EXPECT_EQ(0u, api.GetConnectionHandle());
    EXPECT_FALSE(api.HangUp("Service")) << "nothing left to hang up";
    EXPECT_FALSE(api.GetLocalAddress(&address));
}

TEST_F(RasApiTest, AConnectionThatVanishesEndsAsDisconnected)
{
    Script("device|modem|M");
    Script("dial|0,vanish");
    g_notifications = 0;
    ASSERT_EQ(0u, api.Dial("Service", RecordingNotifier, "1", "u", "p", "", ""));
    CString text;
    bool connected = true;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return api.GetStateText(&text, &connected); }))
        << "a status that can no longer be read must end the dial";
    EXPECT_FALSE(connected);
    CString expected;
    expected.LoadString(14530);
    EXPECT_STREQ(expected.GetString(), text.GetString());
}

TEST_F(RasApiTest, WaitHangUpPollsUntilTheConnectionIsGoneOrThirtyTimes)
{
    Script("connection|Fast|modem|M");
    ASSERT_TRUE(api.HangUp("Fast"));
    EXPECT_EQ(1u, LogLines("RasGetConnectStatusA").size()) << "gone at the first poll";

    Script("hangup_ms|60000");
    Script("connection|Slow|modem|M");
    ras::ConnectionHandle slow = 0;
    ASSERT_TRUE(api.FindConnection("Slow", &slow));
    std::size_t before = LogLines("RasGetConnectStatusA").size();
    ASSERT_TRUE(api.HangUp("Slow"));
    EXPECT_EQ(static_cast<std::size_t>(CRasApi::kHangUpPolls), LogLines("RasGetConnectStatusA").size() - before);
}

TEST_F(RasApiTest, ErrorTextsComeFromTheServiceWithTheExtendedCode)
{
    Script("errortext|678|There is no answer.");
    CString text;
    EXPECT_EQ(0u, api.GetErrorText(678, 0, &text));
    EXPECT_STREQ("There is no answer.", text.GetString());
    EXPECT_EQ(0u, api.GetErrorText(678, 31, &text));
    EXPECT_STREQ("There is no answer. Extended Error Code: 31", text.GetString());
    EXPECT_EQ(ras::kErrorNoErrorText, api.GetErrorText(0, 0, &text));
    EXPECT_STREQ("Fail to get error string", text.GetString());
    Script("fail|RasGetErrorStringA|87");
    EXPECT_EQ(87u, api.GetErrorText(678, 0, &text));
    EXPECT_STREQ("Fail to get error string", text.GetString());
}

// A library without the entry points (here: kernel32, which has none of them) or with one missing:
// IsAvailable says so and every operation fails instead of calling through a null pointer.
TEST(RasApiWithoutService, MissingEntryPointsFailWithoutCalling)
{
    CRasApi api(GetModuleHandleA("kernel32.dll"));
    EXPECT_FALSE(api.IsAvailable());
    CString text, name, type;
    CStringArray names;
    ras::PhoneBookEntry entry;
    bool connected = true;
    EXPECT_EQ(-1, api.CountModems());
    EXPECT_FALSE(api.GetModemNames(names));
    EXPECT_FALSE(api.EnumDevices(0, &name, &type));
    EXPECT_FALSE(api.EnumEntries("", names));
    EXPECT_EQ(CRasApi::kNotLoaded, api.CreateEntry("e", "modem", "m", 4, 1, "1", ""));
    EXPECT_EQ(CRasApi::kNotLoaded, api.GetEntryProperties("e", &entry, ""));
    EXPECT_EQ(CRasApi::kNotLoaded, api.DeleteEntry("e", ""));
    EXPECT_EQ(CRasApi::kNotLoaded, api.MakeUniqueEntryName("e", &name, ""));
    EXPECT_EQ(CRasApi::kNotLoaded, api.Dial("e", RecordingNotifier, "1", "u", "p", "", ""));
    EXPECT_EQ(CRasApi::kNotLoaded, api.SetDialParams("e", "u", "p"));
    EXPECT_TRUE(api.GetStateText(&text, &connected));
    EXPECT_FALSE(connected);
    EXPECT_FALSE(api.HangUp("e"));
    EXPECT_FALSE(api.AnyActive(true));
    EXPECT_FALSE(api.GetLocalAddress(&text));
    EXPECT_EQ(CRasApi::kNotLoaded, api.GetErrorText(5, 0, &text));
}

TEST(RasApiWithoutService, AServiceWithoutOneExportIsNotAvailable)
{
    // A copy under another name, so the stand-in that the other tests load by name stays apart.
    std::string source = nvtest::UnixToWindowsPath(nvtest::Env("NV_RAS_NOPROJ"));
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string copy = std::string(temp) + "nv_rasnoproj_" + std::to_string(GetCurrentProcessId()) + ".dll";
    ASSERT_TRUE(CopyFileA(source.c_str(), copy.c_str(), FALSE)) << source;
    HMODULE module = LoadLibraryA(copy.c_str());
    ASSERT_NE(nullptr, module);
    {
        CRasApi api(module);
        EXPECT_FALSE(api.IsAvailable());
        EXPECT_EQ(0, api.CountModems()) << "the entry points that are there still work";
        CString address;
        EXPECT_FALSE(api.GetLocalAddress(&address));
    }
    FreeLibrary(module);
    DeleteFileA(copy.c_str());
}

} // namespace
