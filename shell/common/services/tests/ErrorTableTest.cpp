#include "shell/common/services/ErrorTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace errortable;

namespace {

// Codes with a text of their own in this test's string table.
bool HasString(unsigned id)
{
    static const std::set<unsigned> ids = {12001, 12213, 12250, 10001};
    return ids.count(id) != 0;
}

} // namespace

TEST(ErrorTable, HasThirtyFiveRowsWithDetailIdsInSequence)
{
    int count = 0;
    const ServerErrorRow* rows = ServerErrors(&count);
    ASSERT_EQ(35, count);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(rows[i].serverCode);
        EXPECT_EQ(13100u + static_cast<unsigned>(i), rows[i].detailId);
        EXPECT_GE(rows[i].groupId, 13004u);
        EXPECT_LE(rows[i].groupId, 13010u);
    }
}

TEST(ErrorTable, ResolvesEachKindOfCode)
{
    const struct {
        const char* name;
        int code;
        unsigned flags;
        bool show;
        unsigned textId;
        int number;
        unsigned flagsOut;
        bool clearQueue;
    } rows[] = {
        {"success shows nothing", 12000, 0, false, 0, 0, 0, false},
        {"server 5401: group 13009, warning", 5401, 0x10, true, 13009, 13108, 0x30, false},
        {"server 2102: group 13004, error", 2102, 0x30, true, 13004, 13101, 0x10, false},
        {"server 9906: last row", 9906, 0, true, 13008, 13134, 0x10, false},
        {"own string keeps caller flags", 12001, 0x10, true, 12001, 0, 0x10, false},
        {"own string, flags 0 become warning", 10001, 0, true, 10001, 0, 0x30, false},
        {"12150: network busy with the code", 12150, 0x10, true, 177, 12150, 0x30, true},
        {"12100: first of the busy range", 12100, 0, true, 177, 12100, 0x30, true},
        {"12213: own string with the code", 12213, 0x10, true, 12213, 12213, 0x30, true},
        {"12299 without a string is still reported", 12299, 0, true, kUnknownErrorText, 12299, 0x30, true},
        {"unknown code is still reported", 4242, 0x10, true, kUnknownErrorText, 4242, 0x10, false},
        {"negative code is still reported", -5, 0, true, kUnknownErrorText, -5, 0x30, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ErrorReport r = Resolve(row.code, row.flags, HasString);
        EXPECT_EQ(row.show, r.show);
        if (!row.show)
            continue;
        EXPECT_EQ(row.textId, r.textId);
        EXPECT_EQ(row.number, r.number);
        EXPECT_EQ(row.flagsOut, r.flags);
        EXPECT_EQ(row.clearQueue, r.clearQueue);
    }
}
