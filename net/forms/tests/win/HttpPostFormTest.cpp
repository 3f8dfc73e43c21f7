// HttpPostForm and the account operations over WinINet against the account_forms peer, which
// CTest starts; what the server saw is read from the peer's request log.
#include <winsock2.h> // before windows.h, which the form header brings

#include "net/forms/win/HttpPostForm.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ReadPeerFile(const char* suffix)
{
    std::ifstream in(nvtest::UnixToWindowsPath(nvtest::Env("NV_PEER_DIR") + "/account_forms" + suffix),
                     std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string ServerUrl()
{
    return "http://127.0.0.1:" + std::to_string(std::atoi(ReadPeerFile(".port").c_str()));
}

// The log line of the request whose raw body is exactly body (hexadecimal in the log).
std::string LoggedRequest(const std::string& body)
{
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : body) {
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    std::istringstream lines(ReadPeerFile(".log"));
    std::string line;
    while (std::getline(lines, line))
        if (line.find("\"body_hex\": \"" + hex + "\"") != std::string::npos)
            return line;
    return {};
}

bool Has(const std::string& line, const std::string& part)
{
    return line.find(part) != std::string::npos;
}

TEST(HttpPostForm, SendsTheBodyByteForByteWithTheFormHeaders)
{
    const std::string body = "marker=1&name=%83%5C&raw=\x83\x5C";
    CString reply;
    std::uint32_t error = 99;
    ASSERT_TRUE(HttpPostForm(ServerUrl().c_str(), "/cmtool/menu/PC_IDGetEIA.cgi", CString(body), &reply, &error))
        << error;
    EXPECT_EQ(0u, error);
    EXPECT_STREQ("00:1.0\r\n01:OK\r\n17:ID\r\n18:PW\r\n19:NAME\r\n", reply);
    std::string logged = LoggedRequest(body);
    ASSERT_FALSE(logged.empty()) << ReadPeerFile(".log");
    EXPECT_TRUE(Has(logged, "\"method\": \"POST\"")) << logged;
    EXPECT_TRUE(Has(logged, "\"path\": \"/cmtool/menu/PC_IDGetEIA.cgi\"")) << logged;
    EXPECT_TRUE(Has(logged, "\"User-Agent\": \"Mozilla/4.0 (ZavudaZozida/1.1; QELO/Windows/Signup)\"")) << logged;
    EXPECT_TRUE(Has(logged, "\"Content-Type\": \"application/x-www-form-urlencoded\"")) << logged;
    EXPECT_TRUE(Has(logged, "\"Content-Length\": \"" + std::to_string(body.size()) + "\"")) << logged;
}

TEST(HttpPostForm, LongRepliesAreReadToTheEnd)
{
    CString reply;
    std::uint32_t error = 0;
    ASSERT_TRUE(HttpPostForm(ServerUrl().c_str(), "/long.cgi", CString("long=1"), &reply, &error)) << error;
    EXPECT_GT(reply.GetLength(), 5000);
    CString id;
    EXPECT_TRUE(GetTaggedValue(reply, "17:", &id));
    EXPECT_STREQ("LONGID", id);
}

TEST(HttpPostForm, FailuresReportTheStatusOrTheConnectionError)
{
    CString reply;
    std::uint32_t error = 0;
    EXPECT_FALSE(HttpPostForm(ServerUrl().c_str(), "/missing.cgi", CString("x=1"), &reply, &error));
    EXPECT_EQ(404u, error);
    EXPECT_FALSE(HttpPostForm("ftp://127.0.0.1", "/x", CString("x=1"), &reply, &error));
    EXPECT_NE(0u, error);
}

TEST(OsVersion, PlatformIdAndMajorVersionComeFromTheSystem)
{
    DWORD major = 0;
    EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), GetOsVersionString(&major));
    EXPECT_GE(major, 5u);
}

class Account : public IServiceAccount {
public:
    CString GetAccountField(AccountField f) const override
    {
        auto it = values.find(f);
        return it == values.end() ? CString() : it->second;
    }
    void SetAccountField(AccountField f, const CString& v) override { values[f] = v; }
    CString GetServerUrl(const char*) const override { return CString(ServerUrl()); }
    std::map<AccountField, CString> values;
};

TEST(AccountForms, PasswordWithFormCharactersArrivesIntactAndTheReplyIsApplied)
{
    Account account;
    CWinInetFormPoster poster;
    CServiceForms forms(account, poster);
    EXPECT_EQ(0, forms.PostAccountChange("cid", "p&a=s+s%w", "login1", "lp", "\x83\x5C", true));
    EXPECT_STREQ("ID", account.values[ACCOUNT_Comm_id]);
    EXPECT_STREQ("NAME", account.values[ACCOUNT_Comm_name]);
    std::string logged = LoggedRequest(
        "s_id=login1&comm_id=cid&comm_password=p%26a%3Ds%2Bs%25w&login_id=login1&login_password=lp&n_name=%83%5C");
    EXPECT_TRUE(Has(logged, "\"path\": \"/cmtool/menu/PC_IDChgEIA.cgi\"")) << ReadPeerFile(".log");

    EXPECT_EQ(1234, forms.PostAccountChange("refused", "x", "login1", "lp", "n", false));
    EXPECT_STREQ("message text (1234)\r\n", forms.GetServiceMessage());
}

TEST(AccountForms, CallIdRegistrationRoundTrip)
{
    Account account;
    account.values[ACCOUNT_Comm_id] = "cid2";
    account.values[ACCOUNT_Comm_data] = "pw";
    account.values[ACCOUNT_Comm_data2] = "7700";
    CWinInetFormPoster poster;
    CServiceForms forms(account, poster);
    CString callId;
    EXPECT_EQ(0, forms.PostCallRegistration(1, "03", &callId));
    EXPECT_STREQ("81012345", callId);
    EXPECT_STREQ("81012345", account.values[ACCOUNT_Comm_data2]);
    EXPECT_FALSE(LoggedRequest("version=0x0220&type=0x0203&seq=0x00000001&id=cid2&session=0x00000001&password=pw"
                               "&nc_id=7700").empty());
    EXPECT_FALSE(LoggedRequest("version=0x0220&type=0x0201&seq=0x00000001&id=cid2&session=0x00000001&password=pw"
                               "&c_code=81&a_code=03").empty());
}

} // namespace

namespace {

// A one-shot loopback server of the test's own: answers one request with the given bytes and
// closes the connection.
class OneReplyServer {
public:
    explicit OneReplyServer(std::string reply) : m_reply(std::move(reply))
    {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 1);
        int size = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            SOCKET client = ::accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::string request;
            char buffer[4096];
            // The whole request: the head, then as many body bytes as it announces.
            for (;;) {
                const std::size_t end = request.find("\r\n\r\n");
                if (end != std::string::npos) {
                    const std::size_t at = request.find("Content-Length: ");
                    const std::size_t body = at == std::string::npos ? 0 : std::strtoul(request.c_str() + at + 16, nullptr, 10);
                    if (request.size() >= end + 4 + body)
                        break;
                }
                const int got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            ::send(client, m_reply.data(), static_cast<int>(m_reply.size()), 0);
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        });
    }
    ~OneReplyServer()
    {
        ::closesocket(m_listener);
        m_thread.join();
        ::WSACleanup();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    std::string m_reply;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::thread m_thread;
};

TEST(HttpPostForm, AReplyThatEndsBeforeItsAnnouncedLengthIsAFailure)
{
    const std::string fields = "00:1.0\r\n01:OK\r\n03:half\r\n";
    const struct {
        const char* what;
        std::string reply;
        bool whole;
    } cases[] = {
        {"whole", "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(fields.size()) + "\r\n\r\n" + fields, true},
        {"no length given", "HTTP/1.0 200 OK\r\n\r\n" + fields, true},
        {"cut short", "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(fields.size() + 200) + "\r\n\r\n" + fields, false},
    };
    for (const auto& c : cases) {
        OneReplyServer server(c.reply);
        CString reply;
        std::uint32_t error = 0;
        const bool ok = HttpPostForm(server.Url().c_str(), "/signup_pc/signup_pc.cgi", CString("a=1"), &reply, &error);
        EXPECT_EQ(c.whole, ok) << c.what << " error " << error;
        if (c.whole) {
            EXPECT_STREQ(fields.c_str(), reply.GetString()) << c.what;
        } else {
            EXPECT_NE(0u, error) << c.what;
            EXPECT_TRUE(reply.IsEmpty()) << c.what << ": no part of a cut reply is handed on";
        }
    }
}

} // namespace
