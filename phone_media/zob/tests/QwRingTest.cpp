#include "phone_media/zob/QwRing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Misuse {
    int count = 0;
    int lastCode = 0;
    static void Record(void* context, int code)
    {
        auto* self = static_cast<Misuse*>(context);
        ++self->count;
        self->lastCode = code;
    }
};

class QwRingTest : public ::testing::Test {
protected:
    void SetUp() override { QWRING_Init(); }
    void TearDown() override { QWRING_Finish(); }

    QwRing* Make(std::size_t size, std::size_t extra)
    {
        m_buffer.assign(size + extra, 0);
        QwRing* ring = QWRING_Create(m_buffer.data(), size, extra);
        if (ring)
            ring->operations->SetErrorHandler(ring, Misuse::Record, &m_misuse);
        return ring;
    }
    // Moves both positions to at by passing at bytes of data through the ring.
    void Advance(QwRing* ring, std::size_t at)
    {
        std::vector<std::uint8_t> filler(at);
        ASSERT_TRUE(QwWriteBytes(ring, filler.data(), at));
        ASSERT_TRUE(QwReadBytes(ring, filler.data(), at));
    }

    std::vector<std::uint8_t> m_buffer;
    Misuse m_misuse;
};

TEST_F(QwRingTest, OperationTableHasThreeEmptySlotsThenTheOperations)
{
    QwRing* ring = Make(64, 8);
    ASSERT_TRUE(ring);
    const QwOperations* ops = ring->operations;
    for (void* slot : ops->reserved)
        EXPECT_EQ(nullptr, slot);
    EXPECT_TRUE(ops->Destroy && ops->TypeIdentifier && ops->Reset && ops->TakeChunk && ops->UntakeChunk
        && ops->PutChunk && ops->CountBytes && ops->IsContiguous && ops->SetErrorHandler);
    EXPECT_EQ(64u, ops->CountBytes(ring, kQwFreeLane));
    EXPECT_EQ(0u, ops->CountBytes(ring, kQwDataLane));
    EXPECT_EQ(m_buffer.data(), QWRING_GetBuffer(ring));
    EXPECT_EQ(64u, QWRING_GetSize(ring));
    EXPECT_EQ(8u, QWRING_GetExtraSize(ring));
}

TEST_F(QwRingTest, ATakeMayRunIntoTheExtraBytesButNoFurther)
{
    QwRing* ring = Make(4608, 36);
    Advance(ring, 4600);
    QwChunk chunk;
    EXPECT_EQ(44u, ring->operations->TakeChunk(ring, kQwFreeLane, 100, &chunk)) << "4608 + 36 - 4600";
    EXPECT_EQ(m_buffer.data() + 4600, chunk.pointer);
    EXPECT_EQ(36u, ring->freePosition) << "the position wraps modulo the size";
    std::size_t available = 0;
    EXPECT_FALSE(ring->operations->IsContiguous(ring, kQwDataLane, 10, &available));
    EXPECT_EQ(0u, available);
}

TEST_F(QwRingTest, DataPutPastTheEndAppearsAtTheStartAndTheStartInTheMirror)
{
    QwRing* ring = Make(100, 20);
    Advance(ring, 90);
    const QwOperations* ops = ring->operations;
    QwChunk chunk;
    ASSERT_EQ(20u, ops->TakeChunk(ring, kQwFreeLane, 20, &chunk));
    for (int i = 0; i < 20; ++i)
        chunk.pointer[i] = static_cast<std::uint8_t>(0xA0 + i);
    ops->PutChunk(ring, kQwDataLane, &chunk);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(0xAA + i, m_buffer[static_cast<std::size_t>(i)]) << "byte " << i << " past the end belongs at the start";

    // Data written at the start is mirrored after the end, so a later take there is contiguous.
    ASSERT_EQ(5u, ops->TakeChunk(ring, kQwFreeLane, 5, &chunk));
    EXPECT_EQ(m_buffer.data() + 10, chunk.pointer);
    std::memset(chunk.pointer, 0x55, 5);
    ops->PutChunk(ring, kQwDataLane, &chunk);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(0x55, m_buffer[110 + static_cast<std::size_t>(i)]);
    std::uint8_t all[25];
    ASSERT_EQ(25u, ops->TakeChunk(ring, kQwDataLane, 25, &chunk)) << "one contiguous chunk across the end";
    std::memcpy(all, chunk.pointer, 25);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(0xA0 + i, all[i]);
    for (int i = 20; i < 25; ++i)
        EXPECT_EQ(0x55, all[i]);
}

TEST_F(QwRingTest, UntakeGivesBackOnlyTheLastChunkTaken)
{
    QwRing* ring = Make(64, 8);
    const QwOperations* ops = ring->operations;
    QwChunk first, second;
    ops->TakeChunk(ring, kQwFreeLane, 10, &first);
    ops->TakeChunk(ring, kQwFreeLane, 10, &second);
    ops->UntakeChunk(ring, kQwFreeLane, &first);
    EXPECT_EQ(1, m_misuse.count);
    EXPECT_EQ(kQwMisuse, m_misuse.lastCode);
    EXPECT_EQ(44u, ops->CountBytes(ring, kQwFreeLane)) << "a refused untake changes nothing";

    ops->UntakeChunk(ring, kQwFreeLane, &second);
    ops->UntakeChunk(ring, kQwFreeLane, &first);
    EXPECT_EQ(1, m_misuse.count);
    EXPECT_EQ(64u, ops->CountBytes(ring, kQwFreeLane));
    EXPECT_EQ(0u, ring->freePosition);

    QwChunk empty{};
    ops->UntakeChunk(ring, kQwFreeLane, &empty);
    ops->PutChunk(ring, kQwDataLane, &empty);
    EXPECT_EQ(1, m_misuse.count) << "empty chunks are ignored";
}

TEST_F(QwRingTest, ABadLaneReportsMisuseAndYieldsNothing)
{
    QwRing* ring = Make(64, 8);
    QwChunk chunk{m_buffer.data(), 3};
    EXPECT_EQ(0u, ring->operations->TakeChunk(ring, 2, 10, &chunk));
    EXPECT_EQ(nullptr, chunk.pointer);
    EXPECT_EQ(0u, chunk.length);
    EXPECT_EQ(0u, ring->operations->CountBytes(ring, -1));
    EXPECT_EQ(2, m_misuse.count);
}

TEST_F(QwRingTest, PuttingMoreThanWasTakenIsRefused)
{
    QwRing* ring = Make(64, 8);
    QwChunk chunk;
    ring->operations->TakeChunk(ring, kQwFreeLane, 10, &chunk);
    QwChunk tooLong{chunk.pointer, 20};
    ring->operations->PutChunk(ring, kQwDataLane, &tooLong);
    EXPECT_EQ(1, m_misuse.count);
    EXPECT_EQ(0u, ring->operations->CountBytes(ring, kQwDataLane));
}

TEST_F(QwRingTest, OnlyWhatALaneHasOutCanComeBackToIt)
{
    QwRing* ring = Make(64, 8);
    const QwOperations* ops = ring->operations;
    std::uint8_t bytes[16] = {};
    ASSERT_TRUE(QwWriteBytes(ring, bytes, 16));
    QwChunk data;
    ASSERT_EQ(10u, ops->TakeChunk(ring, kQwDataLane, 10, &data));
    // The free lane's position sits at 16; a chunk ending there was never taken from it.
    QwChunk forged{m_buffer.data() + 6, 10};
    ops->UntakeChunk(ring, kQwFreeLane, &forged);
    EXPECT_EQ(1, m_misuse.count);
    EXPECT_EQ(48u, ops->CountBytes(ring, kQwFreeLane));
    ops->PutChunk(ring, kQwDataLane, &data);
    EXPECT_EQ(2, m_misuse.count) << "data taken out can't be put back as data";
    ops->PutChunk(ring, kQwFreeLane, &data);
    EXPECT_EQ(2, m_misuse.count);
    EXPECT_EQ(58u, ops->CountBytes(ring, kQwFreeLane));
    EXPECT_EQ(6u, ops->CountBytes(ring, kQwDataLane));
}

TEST_F(QwRingTest, SplitChunkTable)
{
    std::uint8_t bytes[10];
    struct Row { std::size_t length, n, first, second; };
    const Row rows[] = {{10, 4, 4, 6}, {10, 10, 10, 0}, {10, 20, 10, 0}, {10, 0, 0, 10}, {0, 3, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.length << " split at " << row.n);
        QwChunk chunk{bytes, row.length}, first, second;
        QW_SplitChunk(&chunk, row.n, &first, &second);
        EXPECT_EQ(bytes, first.pointer);
        EXPECT_EQ(row.first, first.length);
        EXPECT_EQ(row.second, second.length);
        EXPECT_EQ(row.second ? bytes + row.first : nullptr, second.pointer);
    }
}

TEST_F(QwRingTest, SixtyFourRingsAtMost)
{
    std::vector<std::uint8_t> buffer(16);
    std::vector<QwRing*> rings;
    for (int i = 0; i < kQwRingSlots; ++i) {
        QwRing* ring = QWRING_Create(buffer.data(), 8, 8);
        ASSERT_TRUE(ring) << i;
        rings.push_back(ring);
    }
    EXPECT_EQ(nullptr, QWRING_Create(buffer.data(), 8, 8));
    rings[5]->operations->Destroy(rings[5]);
    EXPECT_EQ(rings[5], QWRING_Create(buffer.data(), 8, 8)) << "a destroyed slot is reused";
}

} // namespace
