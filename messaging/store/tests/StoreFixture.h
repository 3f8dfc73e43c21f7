// One fresh install folder and test platform per test; the store uses them while the test runs.
#pragma once

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

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
        ASSERT_TRUE(platform->available);
    }
    std::string Query(const std::string& sql) { return storetest::QueryFile(dbPath, sql); }
    std::string SourceFile(const std::string& name, const std::string& bytes)
    {
        std::string path = storetest::Join(m_install, name);
        EXPECT_TRUE(storetest::WriteFile(path, bytes));
        return path;
    }

    std::unique_ptr<storetest::TestPlatform> platform;
    std::string m_install, logFolder, dbPath, attachFolder;
};
