#include "shell/common/utilities/CommCache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Text(const CCommCache& cache) { return cache.Format().str(); }

} // namespace

TEST(CommCache, ParsesPairsDropsEmptyKeysAndWritesTheSameForm)
{
    const struct {
        const char* name;
        const char* file;
        const char* written;
    } rows[] = {
        {"two pairs", "A,1,B,2", "A,1,B,2"},
        {"empty key dropped", "A,1,,2,C,3", "A,1,C,3"},
        {"odd field count", "A,1,B", "A,1"},
        {"empty file", "", ""},
        {"empty value kept", "A,,B,2", "A,,B,2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CCommCache cache;
        std::string file(row.file);
        cache.Parse(file.data(), file.size());
        EXPECT_EQ(row.written, Text(cache));
    }
}

TEST(CommCache, UpdateMovesToTheFrontAndTheHundredAndFirstPairPushesTheOldestOut)
{
    CCommCache cache;
    for (int i = 0; i < 100; ++i) {
        CString key;
        key.Format("ID%03d", i);
        cache.Update(key, "V");
    }
    ASSERT_EQ(100u, cache.Pairs().size());
    EXPECT_STREQ("ID000", cache.Pairs().back().first.GetString());
    cache.Update("NEW", "X");
    ASSERT_EQ(100u, cache.Pairs().size());
    EXPECT_STREQ("NEW", cache.Pairs().front().first.GetString());
    EXPECT_STREQ("ID001", cache.Pairs().back().first.GetString());

    cache.Update("ID050", "moved");
    EXPECT_STREQ("ID050", cache.Pairs().front().first.GetString());
    EXPECT_EQ(100u, cache.Pairs().size());
    cache.Update("ID050", "");
    EXPECT_EQ(99u, cache.Pairs().size()) << "an empty value removes the pair";
}

TEST(CommCache, LookupByKeyAndByValue)
{
    CCommCache cache;
    std::string file("COMM1,CALL1,COMM2,CALL2");
    cache.Parse(file.data(), file.size());
    CString result("untouched");
    EXPECT_TRUE(cache.Lookup(false, "COMM2", result));
    EXPECT_STREQ("CALL2", result.GetString());
    EXPECT_TRUE(cache.Lookup(true, "CALL1", result));
    EXPECT_STREQ("COMM1", result.GetString());
    result = "untouched";
    EXPECT_FALSE(cache.Lookup(true, "COMM1", result));
    EXPECT_STREQ("untouched", result.GetString());
}

TEST(CommCache, AFileLongerThanTheLimitKeepsWhatFits)
{
    // 100 pairs of 16-byte IDs are about 3,400 bytes; longer values push the file past 3,800.
    std::string file;
    for (int i = 0; i < 100; ++i) {
        char pair[64];
        std::snprintf(pair, sizeof pair, "%s%016d,%024d", i ? "," : "", i, i);
        file += pair;
    }
    ASSERT_GT(file.size(), CCommCache::kMaxFileBytes);
    CCommCache cache;
    cache.Parse(file.data(), file.size());
    EXPECT_GT(cache.Pairs().size(), 80u);
    EXPECT_LT(cache.Pairs().size(), 100u);
    EXPECT_STREQ("0000000000000000", cache.Pairs().front().first.GetString());
    // The last pair read is whole, never a value cut at the byte limit.
    EXPECT_EQ(24, cache.Pairs().back().second.GetLength());
    // What is written back is read back whole.
    std::string written = Text(cache);
    EXPECT_LE(written.size(), CCommCache::kMaxFileBytes);
    CCommCache again;
    again.Parse(written.data(), written.size());
    EXPECT_EQ(cache.Pairs().size(), again.Pairs().size());
}
