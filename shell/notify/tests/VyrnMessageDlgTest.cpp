// The character balloons on the base skin: event data fetched from a local peer at log-in event
// 12, the greeting shown in a balloon with the downloaded colours, its POST link sent to the peer
// without account secrets (the peer is no https service host), held, dragged and released by
// posted mouse messages, counters written by SaveCounters, and the error window's own colours.
#include "shell/notify/VyrnMessageDlg.h"

#include "shell/common/settings/ProfileStore.h"
#include "shell/notify/tests/BaseSkinScope.h"
#include "shell/common/utilities/WinUtil.h"
#include "tests/e2e/HttpProbe.h"
#include "tests/support/WinTestSupport.h"

#include "resources/StringIds.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadUnixFile(const std::string& unixPath)
{
    std::ifstream in(nvtest::UnixToWindowsPath(unixPath), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

class TestToolkitHost : public IToolkitHost {
public:
    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool) override {}
};

class TestBalloonHost : public IBalloonHost {
public:
    CWnd* GetParentWindow() override { return nullptr; }
    IProfileStore& GetProfile() override { return profile; }
    bool FeatureTextsOff() override { return featureTextsOff; }
    bool IsLoggedIn() override { return loggedIn; }
    balloon::AccountValues GetAccount() override { return {"login01", "SECRET-PW", "comm01", "COMM-SECRET"}; }
    std::vector<CString> GetServiceHosts() override { return {"127.0.0.1"}; }
    void OpenUrl(const CString& url) override { opened.push_back(url.str()); }
    void NavigatePost(const CString& url, const CString& form) override
    {
        posts.push_back(url.str() + " " + form.str());
        // What the browser window would do: post the form to the address.
        const std::string u = url.str();
        const std::size_t hostStart = u.find("://") + 3;
        const std::size_t pathStart = u.find('/', hostStart);
        const std::string authority = u.substr(hostStart, pathStart - hostStart);
        const std::size_t colon = authority.find(':');
        postReply = nvtest::HttpPost(authority.substr(0, colon), std::atoi(authority.substr(colon + 1).c_str()),
                                     u.substr(pathStart), form.str());
    }
    bool HttpGet(const CString& url, CString& text) override
    {
        winutil::HttpGetOptions options;
        options.maxBytes = CEventData::kMaxDownloadBytes;
        return winutil::HttpGetUrl(url, text, nullptr, options);
    }
    int GetFriendEntryCount() override { return 3; }
    std::time_t Now() override { return now; }
    CVyrnMessageDlg* GetErrorBalloon() override { return errorBalloon; }
    void OnSkinMissing(const CString& text) override { skinMissing.push_back(text.str()); }

    CMemoryProfile profile;
    bool featureTextsOff = false;
    bool loggedIn = true;
    std::time_t now = 1781524800;
    CVyrnMessageDlg* errorBalloon = nullptr;
    std::vector<std::string> opened, posts, skinMissing;
    nvtest::HttpReply postReply;
};

// A skin that has nothing.
class EmptySkin : public ISkinSource {
public:
    HBITMAP LoadSkinBitmap(const char*) override { return nullptr; }
    CString GetKeyColorText() override { return CString(); }
    bool GetRegionInfo(const char*, CString*, bool) override { return false; }
    CString GetRegionCacheKey(const char*) override { return CString(); }
    void SetInfoValue(const char*) override {}
    bool GetResizeInfo(const char*, CString*) override { return false; }
    bool GetTitleInfo(UINT, CString*) override { return false; }
    int GetControlRect(UINT, RECT*) override { return -1; }
    bool GetDockInfo(UINT, CString*) override { return false; }
};

class BalloonWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_skin.Start("nv balloons", &m_toolkitHost));
        m_peerFolder = nvtest::Env("NV_PEER_DIR");
        m_port = std::atoi(ReadUnixFile(m_peerFolder + "/event_data.port").c_str());
        CString url;
        url.Format("http://127.0.0.1:%d/event/eventdata.txt", m_port);
        m_host.profile.WriteString("Event", "EVENT_URL", url);
    }
    void TearDown() override { m_skin.Stop(); }

    CBaseSkinScope m_skin;
    TestToolkitHost m_toolkitHost;
    TestBalloonHost m_host;
    std::string m_peerFolder;
    int m_port = 0;
};

TEST_F(BalloonWindowTest, LoginGreetingFromThePeerShowsHoldsDragsAndPostsWithoutSecrets)
{
    ASSERT_GT(m_port, 0);
    auto* error = new CVyrnMessageDlg(nullptr, CVyrnMessageDlg::kError, m_host);
    ASSERT_TRUE(error->Create());
    m_host.errorBalloon = error;
    m_host.profile.WriteInt("Event", "START_COUNT", 6);
    m_host.profile.WriteString("", "VYRN_MESSAGE_DEBUG", "TRUE");
    ::DeleteFileA("C:\\vyrnmessage.dat");
    auto* normal = new CVyrnMessageDlg(nullptr, 0, m_host);
    ASSERT_TRUE(normal->Create());
    EXPECT_TRUE(m_host.skinMissing.empty());
    EXPECT_EQ(7, normal->GetStartCount());
    EXPECT_FALSE(::IsWindowVisible(*normal));
    EXPECT_EQ(RGB(249, 254, 188), normal->GetFillColor()) << "built-in colours before the download";

    normal->ShowLoginEvent(12);
    EXPECT_EQ(RGB(255, 255, 255), normal->GetFillColor()) << "the downloaded fill";
    EXPECT_EQ(RGB(10, 20, 30), error->GetTextColor()) << "the downloaded error text colour";
    EXPECT_EQ(RGB(0, 0, 255), error->GetFrameColor());
    const std::string log = ReadUnixFile(m_peerFolder + "/event_data.log");
    EXPECT_NE(std::string::npos, log.find("/event/eventdata.txt"));

    // It slides in and speaks.
    ASSERT_TRUE(nvtest::PumpUntil([&] { return normal->GetBalloonWindow() && ::IsWindowVisible(normal->GetBalloonWindow()); }, 30000));
    EXPECT_TRUE(::IsWindowVisible(*normal));
    EXPECT_TRUE(normal->IsHolding());
    nvtest::SaveWindowScreenshot(normal->GetBalloonWindow(), "notify_balloon_text");
    nvtest::SaveWindowScreenshot(*normal, "notify_balloon_character");

    // A click on the speaking character follows its link: a POST to the peer, no secret in it.
    RECT before;
    normal->GetWindowRect(&before);
    RECT balloonBefore;
    ::GetWindowRect(normal->GetBalloonWindow(), &balloonBefore);
    ::SendMessageA(*normal, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_EQ(1u, m_host.posts.size());
    CString expectedUrl;
    expectedUrl.Format("http://127.0.0.1:%d/form/post.cgi id=&pw=", m_port);
    EXPECT_EQ(expectedUrl.str(), m_host.posts[0]);
    EXPECT_EQ(200, m_host.postReply.status) << m_host.postReply.error;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return ReadUnixFile(m_peerFolder + "/event_data.log").find("/form/post.cgi") != std::string::npos; }, 10000));
    const std::string peerLog = ReadUnixFile(m_peerFolder + "/event_data.log");
    EXPECT_EQ(std::string::npos, peerLog.find("SECRET")) << "no account secret reached the foreign host";
    EXPECT_EQ(std::string::npos, peerLog.find("login01"));

    // Dragged by the cursor's movement while held; the balloon follows.
    ::SendMessageA(*normal, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(35, 28));
    RECT after;
    normal->GetWindowRect(&after);
    EXPECT_EQ(before.left + 15, after.left);
    EXPECT_EQ(before.top + 8, after.top);
    RECT balloonAfter;
    ::GetWindowRect(normal->GetBalloonWindow(), &balloonAfter);
    EXPECT_EQ(balloonBefore.left + 15, balloonAfter.left);
    EXPECT_EQ(balloonBefore.top + 8, balloonAfter.top);

    // Released: the balloon closes and the character slides out of the work area and hides.
    ::SendMessageA(*normal, WM_LBUTTONUP, 0, MAKELPARAM(35, 28));
    EXPECT_FALSE(normal->IsHolding());
    EXPECT_EQ(nullptr, normal->GetBalloonWindow());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !::IsWindowVisible(*normal); }, 60000));
    EXPECT_FALSE(normal->Queue().ShowPosted());

    // Feature counters: the first message sent looks up key 1 of VYRN_SEND.
    normal->ShowMessageEvent(30);
    EXPECT_EQ(1u, normal->Queue().Size());
    normal->ShowMessageEvent(30);
    EXPECT_EQ(2u, normal->Queue().Size()) << "the second sends VYRN_SEND_R key 2";
    normal->SaveCounters();
    {
        // Read while the window still has it open for writing.
        std::string text(4096, '\0');
        HANDLE file = ::CreateFileA("C:\\vyrnmessage.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD read = 0;
        ::ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
        ::CloseHandle(file);
        text.resize(read);
        EXPECT_NE(std::string::npos, text.find(" > 12\x81\x46LoginTime:")) << text;
        EXPECT_NE(std::string::npos, text.find(" > 30\r\n")) << text;
    }
    EXPECT_EQ(2u, m_host.profile.GetInt("Event", "VYRN_SEND", 0));
    EXPECT_EQ(0u, m_host.profile.GetInt("Event", "VYRN_RECV", 99));
    EXPECT_EQ(7u, m_host.profile.GetInt("Event", "START_COUNT", 0));
    EXPECT_EQ(static_cast<unsigned>(m_host.now), m_host.profile.GetInt("Event", "LOGIN_WEEK", 0));

    // The error window speaks with the error colours, also while feature texts are off.
    m_host.featureTextsOff = true;
    normal->ShowMessageEvent(31);
    error->ShowErrorText("\x83\x54\x81\x5b\x83\x6f\x82\xc6\x92\xca\x90\x4d\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1(#13005)");
    ASSERT_TRUE(nvtest::PumpUntil([&] { return error->GetBalloonWindow() && ::IsWindowVisible(error->GetBalloonWindow()); }, 30000));
    nvtest::SaveWindowScreenshot(error->GetBalloonWindow(), "notify_error_balloon");
    ::DestroyWindow(*normal);
    ::DestroyWindow(*error);
    nvtest::PumpPending();
    ::DeleteFileA("C:\\vyrnmessage.dat");
}

TEST_F(BalloonWindowTest, MissingSkinIsReportedWithItsText)
{
    EmptySkin empty;
    toolkit::SetSkinSource(&empty);
    auto* normal = new CVyrnMessageDlg(nullptr, 0, m_host);
    normal->Create();
    ASSERT_EQ(1u, m_host.skinMissing.size());
    CString base;
    base.LoadString(IDS_BASESKIN_MISSING);
    EXPECT_EQ(base.str() + "\n< Default Skin VyrnChar Msg Bitmap Nothing >", m_host.skinMissing[0]);
    if (::IsWindow(*normal))
        ::DestroyWindow(*normal);
    toolkit::SetSkinSource(&m_skin.Source());
}

} // namespace
