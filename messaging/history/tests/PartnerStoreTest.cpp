// The partner list's database operations over a real store in a fresh folder.
#include "messaging/history/PartnerStore.h"

#include "messaging/store/MsgStore.h"
#include "messaging/store/tests/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class PartnerStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_install = storetest::MakeTempFolder();
        platform = std::make_unique<storetest::TestPlatform>(m_install);
        msgstore::SetStorePlatform(platform.get());
        CMsgStore store;
        ASSERT_EQ(1, store.Open());
        dbPath = store.GetDbPath();
        // Partners stored one minute apart: the last stored is the most recent contact.
        const char* partners[][2] = {{"AAAA000000000001", "\x97\xE9\x96\xD8"}, // 鈴木
                                     {"BBBB000000000002", "\x8D\xB2\x93\xA1"}, // 佐藤
                                     {"CCCC000000000003", "tanaka"}};
        for (auto& partner : partners) {
            platform->now.minute += 1;
            ASSERT_TRUE(store.PutUser(partner[0], partner[1]));
            ASSERT_GT(store.AddMessage(1, partner[0], "hello", 0), 0);
            ASSERT_GT(store.AddMessage(0, partner[0], "reply", 0), 0);
        }
        ASSERT_TRUE(CMsgStore::SetUserMemo("BBBB000000000002", "memo"));
    }
    void TearDown() override
    {
        msgstore::SetStorePlatform(nullptr);
        storetest::RemoveTree(m_install);
    }
    int Messages(const char* commId)
    {
        CPmLogMsgTSet messages;
        messages.SetSource(dbPath);
        return messages.OpenByCommID(commId) ? messages.GetRecordCount() : -1;
    }

    std::string m_install;
    std::unique_ptr<storetest::TestPlatform> platform;
    CString dbPath;
};

TEST_F(PartnerStoreTest, PartnersComeNewestFirstWithMemoAndPresence)
{
    history::PresenceCache presence;
    presence.Add("AAAA000000000001", 7);
    const std::vector<history::PartnerRow> rows = history::LoadPartners(dbPath, presence);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("CCCC000000000003", rows[0].commId.str());
    EXPECT_EQ("BBBB000000000002", rows[1].commId.str());
    EXPECT_EQ("\x8D\xB2\x93\xA1", rows[1].name.str());
    EXPECT_EQ("AAAA000000000001", rows[2].commId.str());
    EXPECT_TRUE(rows[1].hasMemo);
    EXPECT_FALSE(rows[0].hasMemo);
    EXPECT_EQ(7, rows[2].presence);
    EXPECT_EQ(1, rows[0].presence);
    EXPECT_TRUE(history::LoadPartners("", presence).empty());
    EXPECT_TRUE(history::LoadPartners(dbPath + ".missing", presence).empty());
}

TEST_F(PartnerStoreTest, DeleteTakesMessagesThenThePartnerAndOnlyThatPartner)
{
    EXPECT_TRUE(history::DeletePartner("BBBB000000000002"));
    EXPECT_EQ(0, Messages("BBBB000000000002"));
    EXPECT_EQ(2, Messages("AAAA000000000001"));
    EXPECT_EQ(2u, history::LoadPartners(dbPath, history::PresenceCache()).size());
    // No partner row: the answer is a failure, so the list keeps whatever row it shows.
    EXPECT_FALSE(history::DeletePartner("BBBB000000000002"));
    EXPECT_FALSE(history::DeletePartner(""));
    // Without the database nothing is deleted and the row stays.
    platform->available = false;
    EXPECT_FALSE(history::DeletePartner("AAAA000000000001"));
    platform->available = true;
    EXPECT_EQ(2, Messages("AAAA000000000001"));
}

TEST_F(PartnerStoreTest, RenameWritesOnlyAcceptedNames)
{
    const struct {
        const char* name;
        const char* newName;
        bool written;
        const char* stored;
    } rows[] = {
        {"unchanged", "tanaka", false, "tanaka"},
        {"seventeen characters", "abcdefghijklmnopq", false, "tanaka"},
        {"sixteen double-byte characters",
         "\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88\xa4\x88"
         "\xa4\x88\xa4\x88\xa4",
         true, nullptr},
        {"empty", "", false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<history::PartnerRow> before = history::LoadPartners(dbPath, history::PresenceCache());
        const CString old = before[0].name;
        EXPECT_EQ(row.written, history::RenamePartner("CCCC000000000003", old, row.newName));
        std::vector<history::PartnerRow> after = history::LoadPartners(dbPath, history::PresenceCache());
        EXPECT_EQ(row.written ? std::string(row.newName) : old.str(), after[0].name.str());
    }
    EXPECT_FALSE(history::RenamePartner("", "a", "b"));
}

} // namespace
