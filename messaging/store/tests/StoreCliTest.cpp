// The Debian sqlite3 tool as an independent reader of what the store wrote.
#include "messaging/store/tests/StoreFixture.h"

#include <cstdio>

namespace {

std::string RunCli(const std::string& dbPath, const std::string& sql)
{
    std::string command = "/usr/bin/sqlite3 -readonly '" + dbPath + "' \"" + sql + "\" 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "popen failed";
    std::string output;
    char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, pipe)) > 0)
        output.append(block, got);
    pclose(pipe);
    return output;
}

} // namespace

TEST_F(StoreTest, TheSqliteToolReadsTheSchemaAndAJapaneseRow)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    ASSERT_TRUE(store.PutUser("yamada", "\x8E\x52\x93\x63"));   // 山田 in code page 932
    platform->now = msgstore::CStoreTime{2027, 3, 15, 12, 34, 56};
    ASSERT_GT(store.AddMessage(1, "yamada", "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD", 0), 0);   // こんにちは

    std::string schema = RunCli(dbPath, ".schema");
    for (const char* table : {"CREATE TABLE vyrnuser", "CREATE TABLE vyrnmsg", "CREATE TABLE vyrnattach",
                              "AUTOINCREMENT", "vyrnmsg_CommID_Date"}) {
        SCOPED_TRACE(table);
        EXPECT_NE(std::string::npos, schema.find(table)) << schema;
    }
    EXPECT_EQ("yamada|\xE5\xB1\xB1\xE7\x94\xB0|1|2027-03-15 12:34:56|"
              "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF|0\n",
              RunCli(dbPath, "SELECT u.CommID, u.CommName, m.SndRcv, m.Date, m.Msg, m.AttachType "
                             "FROM vyrnmsg m JOIN vyrnuser u ON u.CommID = m.CommID"));
    EXPECT_EQ("ok\n", RunCli(dbPath, "PRAGMA integrity_check"));
}
