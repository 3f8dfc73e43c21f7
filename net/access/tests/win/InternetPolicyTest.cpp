// The WinINet policy on real WinINet handles, and the browser proxy read from registry values of
// any type and size.
#include "net/access/win/InternetPolicy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kKey[] = "Software\\NvTest\\InternetSettings";

class Info : public CNetInfo {
public:
    bool HasServiceSession() const override { return false; }
};

struct RegValue {
    const char* name;
    DWORD type;
    std::string data;
};

void WriteKey(const std::vector<RegValue>& values)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    for (const RegValue& v : values)
        RegSetValueExA(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                       static_cast<DWORD>(v.data.size()));
    RegCloseKey(key);
}

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

TEST(BrowserProxy, ValuesOfAnyTypeAndSizeAreReadOrIgnored)
{
    struct Row {
        const char* name;
        std::vector<RegValue> values;
        unsigned result;
        const char *host, *port;
    } rows[] = {
        {"enabled dword", {{"ProxyEnable", REG_DWORD, Dword(1)}, {"ProxyServer", REG_SZ, std::string("p.example:3128", 15)}},
         kBrowserProxyEnabled, "p.example", "3128"},
        {"binary enable", {{"ProxyEnable", REG_BINARY, Dword(3)}}, kBrowserProxyEnabled, "", ""},
        {"enable as text", {{"ProxyEnable", REG_SZ, std::string("1", 2)}}, 0, "", ""},
        {"enable of two bytes", {{"ProxyEnable", REG_BINARY, std::string("\1\0", 2)}}, 0, "", ""},
        {"separate entries", {{"ProxyServer", REG_SZ, std::string("http=h1:81;https=h2:82", 23)}}, 0, "h2", "82"},
        {"http entry only", {{"ProxyServer", REG_SZ, std::string("ftp=f:21;http=h1:81", 20)}}, 0, "h1", "81"},
        {"server too long", {{"ProxyServer", REG_SZ, std::string(300, 'h') + std::string(1, '\0')}}, 0, "", ""},
        {"server as dword", {{"ProxyServer", REG_DWORD, Dword(5)}}, 0, "", ""},
        {"server without NUL", {{"ProxyServer", REG_SZ, std::string("h3:83")}}, 0, "h3", "83"},
        {"auto config", {{"AutoConfigURL", REG_SZ, std::string("http://wpad/proxy.pac", 22)}}, kBrowserAutoConfig, "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WriteKey(r.values);
        CString host, port, url;
        EXPECT_EQ(r.result, CInternetPolicy::ReadProxySettings(&host, &port, &url, kKey));
        EXPECT_STREQ(r.host, host.GetString());
        EXPECT_STREQ(r.port, port.GetString());
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    CString host, port, url;
    EXPECT_EQ(0u, CInternetPolicy::ReadProxySettings(&host, &port, &url, kKey)) << "no key: direct";
}

// Records the options the policy sets, in order.
class RecordingPolicy : public CInternetPolicy {
public:
    using CInternetPolicy::CInternetPolicy;
    struct Option {
        DWORD option;
        DWORD value;
        std::string text;
    };
    std::vector<Option> options;

protected:
    BOOL SetOption(HINTERNET, DWORD option, void* value, DWORD size) override
    {
        Option o{option, 0, ""};
        if (option == INTERNET_OPTION_PROXY) {
            const auto* proxy = static_cast<const INTERNET_PROXY_INFO*>(value);
            o.value = proxy->dwAccessType;
            o.text = proxy->lpszProxy ? reinterpret_cast<const char*>(proxy->lpszProxy) : "";
        } else if (option == INTERNET_OPTION_PROXY_USERNAME || option == INTERNET_OPTION_PROXY_PASSWORD) {
            o.text.assign(static_cast<const char*>(value), size); // with its terminating zero
        } else if (size == sizeof(DWORD)) {
            o.value = *static_cast<const DWORD*>(value);
        }
        options.push_back(o);
        return TRUE;
    }
};

TEST(InternetPolicy, SessionsTakeTheTimeOutsInOrderAndTheProxyInUse)
{
    Info info;
    CMemoryProfile profile;
    info.SetProfileStore(&profile);
    info.SetConnectionSettings(true, 1, true, "127.0.0.1", "3128", "user", "pw");
    RecordingPolicy policy(info);

    policy.SetupInternetHandle(nullptr, -1, 4321);
    const std::vector<std::pair<DWORD, DWORD>> expected = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, 4321},      {INTERNET_OPTION_RECEIVE_TIMEOUT, 30000},
        {INTERNET_OPTION_SEND_TIMEOUT, 15000},        {INTERNET_OPTION_DATA_SEND_TIMEOUT, 15000},
        {INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, 30000}, {INTERNET_OPTION_CONNECT_RETRIES, 3},
        {INTERNET_OPTION_PROXY, INTERNET_OPEN_TYPE_PROXY},
    };
    ASSERT_EQ(expected.size(), policy.options.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, policy.options[i].option) << i;
        EXPECT_EQ(expected[i].second, policy.options[i].value) << i;
    }
    EXPECT_EQ("127.0.0.1:3128", policy.options.back().text);

    struct Row {
        const char* name;
        int forceDirect, accessType;
        DWORD expected;
    } rows[] = {
        {"force direct", 1, -1, INTERNET_OPEN_TYPE_DIRECT},
        {"given access type", 0, INTERNET_OPEN_TYPE_PRECONFIG, INTERNET_OPEN_TYPE_PRECONFIG},
    };
    for (const Row& r : rows) {
        policy.options.clear();
        info.m_forceDirect = r.forceDirect;
        policy.SetupInternetHandle(nullptr, r.accessType, 0);
        EXPECT_EQ(r.expected, policy.options.back().value) << r.name;
    }
    info.m_forceDirect = 0;
    info.SetConnectionSettings(true, 0, true, "127.0.0.1", "3128", "", "");
    policy.options.clear();
    policy.SetupInternetHandle(nullptr, -1, 0);
    EXPECT_EQ(static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT), policy.options.back().value) << "udp: no proxy";

    info.SetConnectionSettings(true, 1, true, "127.0.0.1", "3128", "user", "pw");
    policy.options.clear();
    policy.SetProxyCredentials(nullptr);
    ASSERT_EQ(2u, policy.options.size());
    EXPECT_EQ(std::string("user", 5), policy.options[0].text);
    EXPECT_EQ(std::string("pw", 3), policy.options[1].text);

    winutil::HttpGetOptions options = policy.HttpOptions("https://a/");
    EXPECT_EQ(static_cast<DWORD>(INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE), options.requestFlags);
    EXPECT_STREQ("user", options.proxyUser.GetString());
    EXPECT_TRUE(static_cast<bool>(options.setupSession));
}

TEST(InternetPolicy, AnUnresolvableProxyMeansDirectAccess)
{
    Info info;
    CMemoryProfile profile;
    info.SetProfileStore(&profile);
    info.SetConnectionSettings(true, 1, true, "no-such-host.invalid", "70000", "", "");
    CInternetPolicy policy(info);
    CString host, port;
    EXPECT_FALSE(policy.GetProxyAddress(&host, &port));
    EXPECT_STREQ("80", port.GetString());
}

TEST(InternetPolicy, TheBrowserProxyIsTakenOnlyWhenTheProtocolIsAutomatic)
{
    struct Row {
        const char* name;
        unsigned protocol;
        bool browserEnabled;
        uint16_t flagsAfter;
        const char* hostInUse;
    } rows[] = {
        {"automatic, browser proxy on", 0xFFFF, true, kProtocolAuto | kConnectLan | kProtocolTcp | kProxyInUse, "b.example"},
        {"automatic, browser proxy off", 0xFFFF, false, kProtocolAuto | kConnectLan | kProtocolTcp, ""},
        {"udp: left alone", 0, true, kConnectLan, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WriteKey({{"ProxyEnable", REG_DWORD, Dword(r.browserEnabled ? 1 : 0)},
                  {"ProxyServer", REG_SZ, std::string("http=b.example:8081", 20)}});
        Info info;
        CMemoryProfile profile;
        info.SetProfileStore(&profile);
        info.SetConnectionSettings(true, r.protocol, false, "", "", "", "");
        CInternetPolicy policy(info);
        policy.LoadBrowserProxy(kKey);
        EXPECT_EQ(r.flagsAfter, info.LiveConnectSettings().flags);
        EXPECT_STREQ(r.hostInUse, info.LiveConnectSettings().proxyHostInUse.GetString());
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}
