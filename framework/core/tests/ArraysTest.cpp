#include "framework/core/Arrays.h"

#include <gtest/gtest.h>

namespace {

TEST(CArrayGrowth, GrowsByAnEighthBetweenFourAnd1024)
{
    struct Row { int sizeBefore; int expectedAllocated; };
    // Adding one element to a full array of n elements allocates n + clamp(n / 8, 4, 1024).
    const Row rows[] = {{0, 4}, {4, 8}, {8, 12}, {40, 45}, {100, 112}, {16384, 16384 + 1024}, {20000, 21024}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sizeBefore);
        CWordArray a;
        if (row.sizeBefore) {
            a.SetSize(row.sizeBefore);
            a.FreeExtra();
        }
        ASSERT_EQ(row.sizeBefore, a.GetAllocatedSize());
        a.Add(7);
        EXPECT_EQ(row.expectedAllocated, a.GetAllocatedSize());
        EXPECT_EQ(7, a[row.sizeBefore]);
    }
}

TEST(CArrayGrowth, AnExplicitStepReplacesTheRule)
{
    CArray<int, int> a;
    a.SetSize(0, 100);
    a.Add(1);
    EXPECT_EQ(100, a.GetAllocatedSize());
}

TEST(CArrayEdit, InsertRemoveAndGrow)
{
    CArray<int, int> a;
    for (int i = 0; i < 5; ++i)
        a.Add(i);
    a.InsertAt(1, 9, 2);
    ASSERT_EQ(7, a.GetSize());
    const int expected[] = {0, 9, 9, 1, 2, 3, 4};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(expected[i], a[i]) << i;
    a.RemoveAt(0, 3);
    EXPECT_EQ(1, a[0]);
    EXPECT_EQ(3, a.GetUpperBound());
    a.RemoveAt(2, 99);
    EXPECT_EQ(2, a.GetSize());
    a.SetAtGrow(5, 8);
    EXPECT_EQ(6, a.GetSize());
    EXPECT_EQ(0, a[4]);
    a.InsertAt(10, 3);
    EXPECT_EQ(11, a.GetSize());
    a.RemoveAt(-1);
    a.RemoveAt(50);
    EXPECT_EQ(11, a.GetSize());
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(0, a.GetAllocatedSize());
}

TEST(CArrayEdit, OutOfRangeAccessThrowsInsteadOfReadingBeyond)
{
    CArray<int, int> a;
    a.Add(1);
    EXPECT_THROW(a.GetAt(1), std::out_of_range);
    EXPECT_THROW(a.GetAt(-1), std::out_of_range);
}

TEST(CStringArrayTest, HoldsCopies)
{
    CStringArray a;
    CString s("one");
    a.Add(s);
    a.Add("two");
    s = "changed";
    EXPECT_EQ("one", a[0]);
    CStringArray b;
    b.Copy(a);
    b.Append(a);
    EXPECT_EQ(4, b.GetSize());
    EXPECT_EQ("two", b[3]);
}

TEST(CObArrayTest, HoldsPointersWithoutOwningThem)
{
    struct Item : CObject { int value = 3; };
    Item item;
    CObArray a;
    a.Add(&item);
    a.RemoveAll();
    EXPECT_EQ(3, item.value);
}

} // namespace
