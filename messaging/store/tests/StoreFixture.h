// One fresh install folder and test platform per test; the store uses them while the test runs.
#pragma once

#include "messaging/store/tests/StoreTestSupport.h"
#include "messaging/store/Recordsets.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_install = storetest::MakeTempFolder();
        platform = std::make_unique<storetest::TestPlatform>(m_install);
        msgstore::SetStorePlatform(platform.get());
        logFolder = storetest::Join(storetest::Join(m_install, "Log"), "tester");
        dbPath = storetest::Join(logFolder, "vyrntalk.cdb");
        attachFolder = storetest::Join(logFolder, "Attach");
    }
    void TearDown() override
    {
        msgstore::SetStorePlatform(nullptr);
        msgstore::SetBusyTimeout(10000);
        storetest::RemoveTree(m_install);
    }
    // Open as the main window does at start-up; the flag must come out set.
    void OpenStore()
    {
        CMsgStore store;
        ASSERT_EQ(1, store.Open());
        ASSERT_TRUE(platform->available) << store.GetLastErrorText().str();
    }
    std::string Query(const std::string& sql) { return storetest::QueryFile(dbPath, sql); }
    // After a writer was killed: the next start opens the file as it is (nothing set aside), the
    // file is whole, and every message the writer saw committed (key -> text) is there.
    void ExpectEveryCommittedMessageAfterTheCrash(const std::map<long, std::string>& committed)
    {
        platform->available = false;
        ASSERT_NO_FATAL_FAILURE(OpenStore());
        EXPECT_EQ(std::vector<std::string>({"Attach", "vyrntalk.cdb"}), storetest::ListFolder(logFolder));
        EXPECT_EQ("ok", Query("PRAGMA integrity_check"));
        CPmLogMsgTSet messages;
        messages.SetSource(dbPath.c_str());
        ASSERT_TRUE(messages.OpenByCommID("crash"));
        std::map<long, std::string> found;
        for (; !messages.IsEOF(); messages.MoveNext())
            found[messages.m_SeqNo] = messages.m_Msg.str();
        for (const auto& [seqNo, text] : committed) {
            ASSERT_EQ(1u, found.count(seqNo)) << "lost message " << seqNo;
            EXPECT_EQ(text, found[seqNo]);
        }
    }
    std::string SourceFile(const std::string& name, const std::string& bytes)
    {
        std::string path = storetest::Join(m_install, name);
        EXPECT_TRUE(storetest::WriteFile(path, bytes));
        return path;
    }

    std::unique_ptr<storetest::TestPlatform> platform;
    std::string m_install, logFolder, dbPath, attachFolder;
};
