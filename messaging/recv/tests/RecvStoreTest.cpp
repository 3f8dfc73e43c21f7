// The flow over the real message database (SQLite in a fresh folder): a received text is a row
// before the server is asked to delete it, with the Japanese text intact; a database that can't
// be written keeps the message on the server.
#include "messaging/recv/RecvFlow.h"
#include "messaging/recv/RecvStore.h"
#include "messaging/recv/doubles/RecvDoubles.h"
#include "messaging/store/Recordsets.h"
#include "messaging/store/tests/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class RecvStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_install = storetest::MakeTempFolder();
        platform = std::make_unique<storetest::TestPlatform>(m_install);
        msgstore::SetStorePlatform(platform.get());
        CMsgStore store;
        ASSERT_EQ(1, store.Open());
        ASSERT_TRUE(platform->available);
        dbPath = storetest::Join(storetest::Join(storetest::Join(m_install, "Log"), "tester"), "vyrntalk.cdb");
        host.client = &client;
        host.history = true;
    }
    void TearDown() override
    {
        msgstore::SetStorePlatform(nullptr);
        storetest::RemoveTree(m_install);
    }

    std::string m_install;
    std::unique_ptr<storetest::TestPlatform> platform;
    std::string dbPath;
    CRecvEventLog log;
    CRecordingMsgClient client{log};
    CFakeRecvHost host{log};
    CMsgStoreRecvStore store;
    CRecordingRecvView view{log};
    CRecvFlow flow{host, store, view};
    CFakeMsgServer server{client, host, flow};
};

TEST_F(RecvStoreTest, JapaneseTextIsARowBeforeTheDelete)
{
    ServerMessage message;
    message.senderId = "suzuki";
    message.senderName = "\x97\xE9\x96\xD8";                       // 鈴木
    message.number = 41;
    message.text = "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD http://a.jp/"; // こんにちは
    server.messages.push_back(message);
    int rowsWhenDeleted = -1;
    client.beforeDelete = [&](std::uint32_t) {
        CPmLogMsgTSet rows;
        rows.SetSource(dbPath.c_str());
        rowsWhenDeleted = rows.OpenByCommID("suzuki") ? static_cast<int>(rows.GetRecordCount()) : 0;
    };
    flow.Initialise();
    server.Pump();
    view.selected = 0;
    flow.OnListSelect(0, RecvSelectSource::Click);
    server.Pump();
    EXPECT_EQ(1, rowsWhenDeleted);
    EXPECT_EQ(std::vector<std::uint32_t>{41}, server.deleted);
    // The database keeps text as UTF-8.
    EXPECT_EQ("\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF http://a.jp/",
              storetest::QueryFile(dbPath, "SELECT Msg FROM vyrnmsg"));
    EXPECT_EQ("1", storetest::QueryFile(dbPath, "SELECT SndRcv FROM vyrnmsg"));
    EXPECT_EQ("\xE9\x88\xB4\xE6\x9C\xA8", storetest::QueryFile(dbPath, "SELECT CommName FROM vyrnuser"));
}

TEST_F(RecvStoreTest, AnUnwritableDatabaseKeepsTheMessageOnTheServer)
{
    ServerMessage message;
    message.senderId = "sato";
    message.senderName = "sato";
    message.number = 42;
    message.text = "x";
    server.messages.push_back(message);
    flow.Initialise();
    server.Pump();
    platform->available = false; // the database went away after start-up
    view.selected = 0;
    flow.OnListSelect(0, RecvSelectSource::Click);
    server.Pump();
    EXPECT_TRUE(server.deleted.empty());
    EXPECT_EQ(1u, log.With("notice store-failed").size());
    EXPECT_EQ(RecvStatus::StoreFailed, view.status);
    EXPECT_EQ(0, host.lockDepth);
}

} // namespace
