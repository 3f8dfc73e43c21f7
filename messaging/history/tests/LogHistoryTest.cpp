// The log window's rows over a real store: pages newest first with no row lost or repeated at a
// page's edge (equal times included), one partner or all, sender names, removal.
#include "messaging/history/LogHistory.h"

#include "messaging/store/MsgStore.h"
#include "messaging/store/tests/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

class LogHistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_install = storetest::MakeTempFolder();
        platform = std::make_unique<storetest::TestPlatform>(m_install);
        msgstore::SetStorePlatform(platform.get());
        CMsgStore store;
        ASSERT_EQ(1, store.Open());
        dbPath = store.GetDbPath();
        ASSERT_TRUE(store.PutUser("SUZUKI0000000001", "\x97\xE9\x96\xD8"));
        ASSERT_TRUE(store.PutUser("SATO000000000002", "\x8D\xB2\x93\xA1"));
        // 25 messages; every fifth minute holds several, so page edges fall inside equal times.
        for (int i = 0; i < 25; ++i) {
            if (i % 5 == 0)
                platform->now.minute += 1;
            const char* partner = i % 3 == 0 ? "SATO000000000002" : "SUZUKI0000000001";
            const long seqNo = store.AddMessage(i % 2, partner, "text", i == 24 ? 4 : 0);
            ASSERT_GT(seqNo, 0);
            stored.push_back(seqNo);
            partnerOf[seqNo] = partner;
        }
    }
    void TearDown() override
    {
        msgstore::SetStorePlatform(nullptr);
        storetest::RemoveTree(m_install);
    }
    std::string m_install;
    std::unique_ptr<storetest::TestPlatform> platform;
    CString dbPath;
    std::vector<long> stored;
    std::map<long, std::string> partnerOf;
};

TEST_F(LogHistoryTest, PagesGiveEveryMessageOnceNewestFirst)
{
    for (int pageSize : {1, 3, 5, 7, 25, 100}) {
        SCOPED_TRACE(pageSize);
        history::CLogHistory log;
        log.Start(dbPath, "own0000000000001", "OWN0000000000001", "own");
        EXPECT_TRUE(log.ListsAll());
        int pages = 0;
        while (!log.Done() && pages < 100) {
            log.ReadPage(pageSize);
            ++pages;
        }
        ASSERT_EQ(25, log.Count());
        EXPECT_EQ(25 / pageSize + 1, pages) << "full pages and a last short one";
        // Newest first: the later insert of equal times first.
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(stored[static_cast<std::size_t>(24 - i)], log.Row(i)->seqNo) << i;
    }
}

TEST_F(LogHistoryTest, OnePartnerWithSenderNames)
{
    history::CLogHistory log;
    log.Start(dbPath, "SATO000000000002", "OWN0000000000001", "own");
    EXPECT_FALSE(log.ListsAll());
    while (!log.Done())
        log.ReadPage(2);
    ASSERT_EQ(9, log.Count());
    for (int i = 0; i < log.Count(); ++i) {
        const history::LogRow* row = log.Row(i);
        EXPECT_EQ("SATO000000000002", partnerOf[static_cast<long>(row->seqNo)]);
        EXPECT_EQ(row->received ? std::string("\x8D\xB2\x93\xA1") : std::string("own"), row->sender.str());
    }
    EXPECT_EQ(nullptr, log.Row(9));
    EXPECT_EQ(nullptr, log.Row(-1));
}

TEST_F(LogHistoryTest, RemovalAndUnreadableDatabase)
{
    history::CLogHistory log;
    log.Start(dbPath, "OWN0000000000001", "OWN0000000000001", "own");
    log.ReadPage(0);
    ASSERT_TRUE(log.Done());
    ASSERT_EQ(25, log.Count());
    const std::int64_t third = log.Row(3)->seqNo;
    log.Remove({0, 2, 2, 1, 99, -1});
    ASSERT_EQ(22, log.Count());
    EXPECT_EQ(third, log.Row(0)->seqNo);
    for (int i = 0; i < log.Count(); ++i)
        EXPECT_NE(stored.back(), log.Row(i)->seqNo) << "the newest row was removed";
    log.Start(dbPath + ".missing", "X", "Y", "own");
    EXPECT_FALSE(log.Done());
    EXPECT_EQ(0, log.ReadPage(10));
    EXPECT_TRUE(log.Done());
    log.Start("", "X", "Y", "own");
    EXPECT_TRUE(log.Done());
}

} // namespace
