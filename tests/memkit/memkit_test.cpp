#include <gtest/gtest.h>

#include "memkit40.h"

namespace {

TEST(MemkitCounters, CountLiveBlocksAndBytes)
{
    const uint32_t blocks = KemLiveBlocks();
    const uint64_t bytes = KemLiveBytes();
    void* a = KemAllocSMem(100);
    void* b = KemAllocSMem(28);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(KemLiveBlocks(), blocks + 2);
    EXPECT_EQ(KemLiveBytes(), bytes + 128);
    EXPECT_EQ(KemFreeSMem(a), 0);
    EXPECT_EQ(KemLiveBlocks(), blocks + 1);
    EXPECT_EQ(KemLiveBytes(), bytes + 28);
    KemFreeSMem(b);
    EXPECT_EQ(KemLiveBlocks(), blocks);
    EXPECT_EQ(KemLiveBytes(), bytes);
}

TEST(MemkitCounters, BlocksAreWritableOverTheirWholeSize)
{
    auto* block = static_cast<unsigned char*>(KemAllocSMem(70000));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 70000; ++i) {
        block[i] = static_cast<unsigned char>(i);
    }
    EXPECT_EQ(block[69999], static_cast<unsigned char>(69999));
    KemFreeSMem(block);
}

TEST(MemkitCounters, ZeroSizedBlockIsDistinctAndFreeable)
{
    void* a = KemAllocSMem(0);
    void* b = KemAllocSMem(0);
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b);
    KemFreeSMem(a);
    KemFreeSMem(b);
}

TEST(MemkitFailureInjection, FailsExactlyTheNthCall)
{
    const uint64_t calls = KemAllocationCalls();
    KemFailNthAllocation(3);
    void* first = KemAllocSMem(8);
    void* second = KemAllocSMem(8);
    void* third = KemAllocSMem(8);
    void* fourth = KemAllocSMem(8);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr);
    EXPECT_EQ(KemAllocationCalls(), calls + 4);
    KemFreeSMem(first);
    KemFreeSMem(second);
    KemFreeSMem(fourth);
}

TEST(MemkitFailureInjection, FailedCallLeavesCountersUnchanged)
{
    const uint32_t blocks = KemLiveBlocks();
    const uint64_t bytes = KemLiveBytes();
    KemFailNthAllocation(1);
    EXPECT_EQ(KemAllocSMem(64), nullptr);
    EXPECT_EQ(KemLiveBlocks(), blocks);
    EXPECT_EQ(KemLiveBytes(), bytes);
}

TEST(MemkitFailureInjection, StopFailingCancelsAPendingFailure)
{
    KemFailNthAllocation(2);
    void* first = KemAllocSMem(8);
    KemStopFailing();
    void* second = KemAllocSMem(8);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    KemFreeSMem(first);
    KemFreeSMem(second);
}

using MemkitMisuseDeathTest = ::testing::Test;

TEST_F(MemkitMisuseDeathTest, FreeingAForeignPointerAborts)
{
    static int notFromTheHeap = 0;
    EXPECT_DEATH(KemFreeSMem(&notFromTheHeap), "not a live block");
}

TEST_F(MemkitMisuseDeathTest, FreeingTwiceAborts)
{
    EXPECT_DEATH(
        {
            void* block = KemAllocSMem(16);
            KemFreeSMem(block);
            KemFreeSMem(block);
        },
        "not a live block");
}

}  // namespace
