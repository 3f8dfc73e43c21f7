// The pieces under the store: dates as the database keeps them, and how texts are stored.
#include "messaging/store/tests/StoreFixture.h"

#include "messaging/store/StoreText.h"
#include "messaging/store/StoreTime.h"

using msgstore::CStoreTime;

TEST(StoreTime, CalendarArithmeticAndText)
{
    struct Case {
        CStoreTime from;
        long days;
        const char* expected;
    } cases[] = {
        {{2027, 3, 15, 10, 0, 0}, -30, "2027-02-13 10:00:00"},
        {{2028, 3, 15, 0, 0, 0}, -30, "2028-02-14 00:00:00"},
        {{2027, 1, 5, 23, 59, 59}, -10, "2026-12-26 23:59:59"},
        {{2027, 12, 31, 0, 0, 0}, 1, "2028-01-01 00:00:00"},
        {{2000, 2, 29, 12, 0, 0}, -99, "1999-11-22 12:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.expected, c.from.AddDays(c.days).Format());
        CStoreTime parsed;
        ASSERT_TRUE(CStoreTime::Parse(c.expected, parsed));
        EXPECT_TRUE(parsed == c.from.AddDays(c.days));
    }
    CStoreTime t;
    EXPECT_FALSE(CStoreTime::Parse("2027-13-01 00:00:00", t));
    EXPECT_FALSE(CStoreTime::Parse("yesterday", t));
    EXPECT_TRUE(CStoreTime::Parse("2027-02-13", t));
    EXPECT_EQ("2027-02-13 00:00:00", t.Format());
}

TEST_F(StoreTest, PlainJapaneseIsStoredAsUtf8TextOthersAsRawBytes)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    long japanese = store.AddMessage(1, "a", "\x93\xFA\x96\x7B\x8C\xEA", 0);   // 日本語
    long broken = store.AddMessage(1, "a", std::string("\x93\xFA\x93", 3).c_str(), 0);
    EXPECT_EQ("text|\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
              Query("SELECT typeof(Msg) FROM vyrnmsg WHERE SeqNo = " + std::to_string(japanese) +
                    " UNION ALL SELECT Msg FROM vyrnmsg WHERE SeqNo = " + std::to_string(japanese)));
    EXPECT_EQ("blob", Query("SELECT typeof(Msg) FROM vyrnmsg WHERE SeqNo = " + std::to_string(broken)));
}

TEST_F(StoreTest, SetAsideNameUsesTheLocalDate)
{
    CMsgStore store;
    store.EnsureFolders();
    platform->now = CStoreTime{2027, 1, 2, 3, 4, 5};
    EXPECT_EQ(storetest::Join(logFolder, "vyrntalk20270102.cdb"), store.MakeSetAsideName().str());
    ASSERT_TRUE(storetest::WriteFile(storetest::Join(logFolder, "vyrntalk20270102.cdb-journal"), "j"));
    EXPECT_EQ(storetest::Join(logFolder, "vyrntalk20270102(1).cdb"), store.MakeSetAsideName().str())
        << "a leftover journal makes a name taken too";
}
