// The memo save flow over a scripted store and over the real database, the memo window's
// placement and the transfer percentage.
#include "messaging/memo/MemoFlow.h"
#include "messaging/memo/MemoStore.h"
#include "messaging/store/tests/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

class CScriptedMemoStore : public IMemoStore {
public:
    CString GetUserMemo(const CString& commId) override { return memos[commId.str()].c_str(); }
    bool SetUserMemo(const CString& commId, const CString& memo) override
    {
        calls.push_back("set " + commId.str());
        if (setFails || !rows.count(commId.str()))
            return false;
        memos[commId.str()] = memo.str();
        return true;
    }
    bool PutUser(const CString& commId, const CString& name) override
    {
        calls.push_back("put " + commId.str());
        if (putFails)
            return false;
        rows[commId.str()] = name.str();
        return true;
    }
    std::map<std::string, std::string> rows;
    std::map<std::string, std::string> memos;
    bool setFails = false;
    bool putFails = false;
    std::vector<std::string> calls;
};

TEST(MemoFlowTest, SavingStoresTheMemoAndMakesThePartnerRowWhenMissing)
{
    struct Case {
        const char* name;
        const char* id;
        bool rowExists, putFails, setFails;
        MemoSaveResult result;
        std::vector<std::string> calls;
    } cases[] = {
        {"row exists", "P1", true, false, false, MemoSaveResult::Stored, {"set P1"}},
        {"no row yet", "P1", false, false, false, MemoSaveResult::Stored, {"set P1", "put P1", "set P1"}},
        {"row can't be made", "P1", false, true, false, MemoSaveResult::Failed, {"set P1", "put P1"}},
        {"memo can't be written", "P1", true, false, true, MemoSaveResult::Failed, {"set P1", "put P1", "set P1"}},
        {"no ID", "", false, false, false, MemoSaveResult::NothingToStore, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedMemoStore store;
        if (c.rowExists)
            store.rows[c.id] = "old";
        store.putFails = c.putFails;
        store.setFails = c.setFails;
        EXPECT_EQ(c.result, SaveMemo(store, c.id, "\x93\x63\x92\x86", "memo"));
        EXPECT_EQ(c.calls, store.calls);
        EXPECT_EQ(c.result == MemoSaveResult::Stored, store.memos.count(c.id) == 1);
    }
}

TEST(MemoFlowTest, WindowIsCentredWithoutACornerAndKeptInsideTheWorkArea)
{
    const MemoRect work{0, 0, 1024, 738};
    struct Case {
        int savedX, savedY, width, height, x, y;
    } cases[] = {
        {-1, -1, 320, 240, 352, 249},   // centred
        {100, 120, 320, 240, 100, 120}, // kept
        {900, 700, 320, 240, 704, 498}, // off the right and bottom: moved in
        {-500, -40, 320, 240, 0, 0},    // off the left and top
        {5000, 5000, 320, 240, 704, 498},
        {50, 50, 2000, 1000, 0, 0},     // larger than the work area: its corner at the area's
        {-1, 30, 320, 240, 0, 30},      // only one coordinate missing: not centred
    };
    for (const Case& c : cases) {
        int x = 0, y = 0;
        PlaceMemoWindow(c.savedX, c.savedY, work, c.width, c.height, &x, &y);
        EXPECT_EQ(c.x, x) << c.savedX << "," << c.savedY;
        EXPECT_EQ(c.y, y) << c.savedX << "," << c.savedY;
    }
}

TEST(MemoFlowTest, TransferPercentFollowsTheBytesDone)
{
    struct Case {
        std::int64_t done;
        double total;
        int end;
        int percent;
    } cases[] = {{0, 1000, 0, 0}, {1, 1000, 0, 0}, {10, 1000, 0, 1}, {500, 1000, 0, 50}, {999, 1000, 0, 99},
                 {1000, 1000, 0, 100}, {5000, 1000, 0, 100}, {10, 0, 0, 0}, {-5, 1000, 0, 0}, {10, 1000, -1, 100}};
    for (const Case& c : cases)
        EXPECT_EQ(c.percent, TransferPercent(c.done, c.total, c.end)) << c.done << "/" << c.total;
}

// Over the real database: a partner without a row gets one with the memo, and it reads back.
TEST(MemoFlowTest, MemoForANewPartnerIsStoredInTheDatabase)
{
    const std::string install = storetest::MakeTempFolder();
    auto platform = std::make_unique<storetest::TestPlatform>(install);
    msgstore::SetStorePlatform(platform.get());
    {
        CMsgStore store;
        ASSERT_EQ(1, store.Open());
    }
    CMsgStoreMemoStore store;
    const CString memo = "\x83\x81\x83\x82 line1\r\nline2"; // メモ
    EXPECT_EQ(MemoSaveResult::Stored, SaveMemo(store, "vy00000000000C3", "\x8d\xb2\x93\xa1", memo));
    EXPECT_EQ(memo.str(), store.GetUserMemo("vy00000000000C3").str());
    EXPECT_EQ(MemoSaveResult::Stored, SaveMemo(store, "vy00000000000C3", "\x8d\xb2\x93\xa1", "second"));
    EXPECT_EQ("second", store.GetUserMemo("vy00000000000C3").str());
    msgstore::SetStorePlatform(nullptr);
    storetest::RemoveTree(install);
}

} // namespace
