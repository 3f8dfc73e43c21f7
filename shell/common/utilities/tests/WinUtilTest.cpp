// System-facing utilities under Wine: processes, file types, App Paths and files.
#include <winsock2.h>
#include <wininet.h>

#include "shell/common/utilities/WinUtil.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

const char kTestRoot[] = "Software\\NimboVandrellTests\\FileTypes";

CString QueryString(HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<no key>";
    char value[512] = {};
    DWORD size = sizeof value - 1, type = 0;
    LONG rc = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS ? CString(value) : CString("<no value>");
}

} // namespace

TEST(RunProcessWait, WaitsForTheChildEvenWhenItsExitCodeIsStillActive)
{
    // 259 is STILL_ACTIVE: polling the exit code would take this child for a running one forever.
    EXPECT_EQ(1, winutil::RunProcessWait("cmd.exe /c exit 259", nullptr, true));
    EXPECT_EQ(0, winutil::RunProcessWait("", nullptr, true));
    EXPECT_EQ(0, winutil::RunProcessWait("Z:\\no\\such\\program.exe", nullptr, true));
}

TEST(RegisterFileTypes, WritesBothRowsAsVolatileKeys)
{
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
    HKEY root = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kTestRoot, 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &root, nullptr));
    ASSERT_EQ(1, winutil::RegisterFileTypes("NimboVandrell.exe", 0, root));
    ASSERT_EQ(1, winutil::RegisterFileTypes(nullptr, 1, root));
    CString folder = winutil::GetModuleFolder();
    CString self = folder + "\\NimboVandrell.exe";
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, sizeof module);

    const struct {
        const char* path;
        const char* name;
        CString expected;
    } rows[] = {
        {".cni", nullptr, "cnifile"},
        {".cni", "Content Type", "application/x-qelo-vyrntalk-pc"},
        {"cnifile", nullptr, "VyrnTalk"},
        {"cnifile\\DefaultIcon", nullptr, "\"" + self + "\",0"},
        {"cnifile\\Shell\\open\\command", nullptr, "\"" + self + "\" \"%1\""},
        {"MIME\\Database\\Content Type\\application/x-qelo-vyrntalk-pc", "Extension", ".cni"},
        {".csz", nullptr, "cszfile"},
        {"cszfile", nullptr, "VyrnTalkSkin"},
        {"cszfile\\Shell\\open\\command", nullptr, CString("\"") + module + "\" \"%1\""},
        {"MIME\\Database\\Content Type\\application/x-qelo-vyrntalk-skin", "Extension", ".csz"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_STREQ(row.expected.GetString(), QueryString(root, row.path, row.name).GetString());
    }
    HKEY classKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(root, "cnifile", 0, KEY_QUERY_VALUE, &classKey));
    DWORD type = 0, flags = 0, size = sizeof flags;
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(classKey, "EditFlags", nullptr, &type, reinterpret_cast<BYTE*>(&flags), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(0x00010000u, flags);
    ::RegCloseKey(classKey);
    ::RegCloseKey(root);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
}

TEST(RegisterFileTypes, FailsWhenAKeyCannotBeCreated)
{
    // A root whose key was deleted under the open handle refuses every new key.
    const char path[] = "Software\\NimboVandrellTests\\Deleted";
    HKEY root = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                               nullptr, &root, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyA(HKEY_CURRENT_USER, path));
    EXPECT_EQ(0, winutil::RegisterFileTypes(nullptr, 0, root));
    EXPECT_EQ(0, winutil::RegisterFileTypes(nullptr, 1, root));
    ::RegCloseKey(root);
    EXPECT_EQ(0, winutil::RegisterFileTypes(nullptr, 2, HKEY_CURRENT_USER)) << "no third row";
}

TEST(InstallFolder, FallsBackToTheSecondExecutableName)
{
    const char* first = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\NimboVandrell.exe";
    const char* second = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\q2NimboVandrell.exe";
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, first);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, second, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const char folder[] = "C:\\Program Files\\Qelo\\NimboVandrell";
    ::RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), sizeof folder);
    ::RegCloseKey(key);
    EXPECT_STREQ(folder, winutil::GetInstallFolder().GetString());
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, second);
    EXPECT_STREQ("", winutil::GetInstallFolder().GetString());
}

TEST(ReadFileHead, ReadsAtMostTheLimitAndReportsTheCut)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    CString path = CString(temp) + "nv_readhead.txt";
    ASSERT_TRUE(winutil::WriteTextFile(path, "0123456789"));
    CString text;
    bool truncated = false;
    EXPECT_TRUE(winutil::ReadFileHead(path, text, 4, &truncated));
    EXPECT_STREQ("0123", text.GetString());
    EXPECT_TRUE(truncated);
    EXPECT_FALSE(winutil::ReadTextFile(path, text, 4)) << "a whole-file read with a smaller limit fails";
    EXPECT_TRUE(winutil::ReadTextFile(path, text, 0));
    EXPECT_STREQ("0123456789", text.GetString());
    ::DeleteFileA(path);
    EXPECT_FALSE(winutil::ReadTextFile(path, text, 0));
}

namespace {

// A loopback HTTP server on a thread: one canned reply per connection, then the connection ends.
class CannedHttpServer {
public:
    explicit CannedHttpServer(std::vector<std::string> replies) : m_replies(std::move(replies))
    {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 4);
        int length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CannedHttpServer()
    {
        ::closesocket(m_listener);
        m_thread.join();
    }
    int Port() const { return m_port; }

private:
    void Serve()
    {
        for (const std::string& reply : m_replies) {
            SOCKET client = ::accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                int got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<size_t>(got));
            }
            // Sent in small pieces: a reader must not take one read for the whole body.
            for (size_t at = 0; at < reply.size(); at += 700)
                ::send(client, reply.data() + at, static_cast<int>(std::min<size_t>(700, reply.size() - at)), 0);
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
    }

    std::vector<std::string> m_replies;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::thread m_thread;
};

} // namespace

TEST(HttpGetUrl, ReadsWholeBodiesAndFailsOnOtherStatuses)
{
    std::string big(5000, 'x');
    big[0] = 'A';
    big[4999] = 'Z';
    CannedHttpServer server({
        "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + big,
        "HTTP/1.0 200 OK\r\n\r\nno length given",
        "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found",
    });
    ::SetEnvironmentVariableA("http_proxy", nullptr);
    CString base;
    base.Format("http://127.0.0.1:%d/", server.Port());
    winutil::HttpGetOptions options;
    options.setupSession = [](void* session) {
        INTERNET_PROXY_INFO direct = {INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr};
        ::InternetSetOptionA(static_cast<HINTERNET>(session), INTERNET_OPTION_PROXY, &direct, sizeof direct);
    };

    const struct {
        const char* name;
        bool ok;
        std::string body;
    } rows[] = {
        {"announced length, body in pieces", true, big},
        {"no length: read until the end", true, "no length given"},
        {"status 404 is a failure", false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string chunks;
        int endState = 0, ends = 0;
        long error = 0;
        CString text;
        bool ok = winutil::HttpGetUrl(base + "page", text, [&](const CString& chunk, int state) {
            if (state == 0)
                chunks += chunk.str();
            else {
                endState = state;
                ++ends;
            }
        }, options, &error);
        EXPECT_EQ(row.ok, ok);
        EXPECT_EQ(row.body, text.str());
        EXPECT_EQ(row.body, chunks);
        EXPECT_EQ(1, ends);
        EXPECT_EQ(row.ok ? 1 : -1, endState);
        EXPECT_EQ(row.ok ? 0 : -1, error);
    }
}
