// Traffic log lines and files.
#include "net/socket/CommLog.h"
#include "net/socket/UdpEndpoint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::tm At(int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

std::string Bytes(const std::string& head, std::size_t length)
{
    std::string data = head;
    data.resize(length, '\0');
    return data;
}

TEST(TrafficLogLine, TextFieldTimeAndEndingFollowTheDirection)
{
    const struct {
        const char* name;
        bool sent;
        std::string data;
        const char* line;
    } rows[] = {
        {"sent 40 bytes", true, Bytes("abc", 40), "SEND,08:14:03:59,LOG abc,\r\n"},
        {"received 40 bytes", false, Bytes("abc", 40), "RECV,08:14:03:59,LOG abc\r\n"},
        {"33 bytes are too short", true, std::string(33, 'z'), "SEND,08:14:03:59,LOG  ,\r\n"},
        {"34 bytes give exactly 32", false, std::string(34, 'q'),
         "RECV,08:14:03:59,LOG qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq\r\n"},
        {"empty", false, "", "RECV,08:14:03:59,LOG  \r\n"},
        {"CR LF and commas cannot break the line", true, Bytes("a,b\r\nc", 40), "SEND,08:14:03:59,LOG a b  c,\r\n"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.line, FormatTrafficLogLine(r.sent, reinterpret_cast<const std::uint8_t*>(r.data.data()),
                                               r.data.size(), At(8, 14, 3, 59)));
    }
}

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/nvlogXXXXXX";
        m_path = ::mkdtemp(pattern);
        m_path += '/';
    }
    ~TempFolder() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    const std::string& Path() const { return m_path; }
    std::string Read(const char* name) const
    {
        std::ifstream in(m_path + name, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    std::string m_path;
};

TEST(CommLog, FilesAreAppendedNeverTruncatedAndOnlyTheSixNamesOpen)
{
    TempFolder folder;
    {
        std::ofstream(folder.Path() + "UDP_SEND_LOG.CSV") << "old\r\n";
    }
    CCommLog log;
    log.SetFolder(folder.Path());
    EXPECT_TRUE(log.WriteLine(COMMLOG_UDP_SEND, "new\r\n"));
    EXPECT_FALSE(log.OpenFile(8)) << "no such log";
    EXPECT_TRUE(log.OpenFile(COMMLOG_TCP_APP));
    EXPECT_EQ("old\r\nnew\r\n", folder.Read("UDP_SEND_LOG.CSV"));
    EXPECT_STREQ("TCP_RECV_LOG.CSV", CommLogFileName(COMMLOG_TCP_RECV));
    EXPECT_EQ(nullptr, CommLogFileName(3));

    CCommLog nowhere;
    nowhere.SetFolder("");
    EXPECT_FALSE(nowhere.WriteLine(COMMLOG_UDP_RECV, "x")) << "no folder, no log, no failure elsewhere";
}

TEST(CommLog, LongFolderPathsAreNotCut)
{
    TempFolder folder;
    std::string deep = folder.Path();
    while (deep.size() < 300) {
        deep += "folder-with-a-long-name/";
        ::mkdir(deep.c_str(), 0700);
    }
    CCommLog log;
    log.SetFolder(deep);
    ASSERT_TRUE(log.WriteLine(COMMLOG_UDP_RECV, "line\r\n"));
    std::ifstream in(deep + "UDP_RECV_LOG.CSV");
    EXPECT_TRUE(in.good());
}

TEST(CommLog, AMissingFileIsTriedAgainAtTheNextLine)
{
    TempFolder folder;
    CCommLog log;
    log.SetFolder(folder.Path() + "later/");
    EXPECT_FALSE(log.WriteLine(COMMLOG_UDP_SEND, "lost\r\n"));
    ::mkdir((folder.Path() + "later").c_str(), 0700);
    EXPECT_TRUE(log.WriteLine(COMMLOG_UDP_SEND, "kept\r\n"));
    EXPECT_EQ("kept\r\n", folder.Read("later/UDP_SEND_LOG.CSV"));
}

} // namespace
