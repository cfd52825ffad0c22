#include "primitives/KJMalloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(KJMalloc, BlocksAre32ByteAlignedAndFullyUsable)
{
  for (std::size_t Size = 1; Size <= 1100; Size += (Size < 70 ? 1 : 37)) {
    void* Block = KJMalloc(Size);
    ASSERT_NE(Block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(Block) % 32, 0u) << "size " << Size;
    std::memset(Block, 0x5A, Size); // a memory checker sees any overrun
    KJFree(Block);
  }
}

TEST(KJMalloc, ZeroAndImpossibleSizesGiveNull)
{
  EXPECT_EQ(KJMalloc(0), nullptr);
  EXPECT_EQ(KJMalloc(static_cast<std::size_t>(-1)), nullptr);
  EXPECT_EQ(KJMallocArray<double>(static_cast<std::size_t>(-1) / 4), nullptr) << "the size overflows";
  KJFree(nullptr);
}

TEST(KJMalloc, WorkVectorReleasesItsBlock)
{
  TKJWorkVector<double> V(KJMallocArray<double>(100));
  ASSERT_NE(V, nullptr);
  for (int I = 0; I < 100; ++I)
    V[I] = I;
  EXPECT_EQ(V[99], 99);
  // The leak checker of the sanitizer build fails the test if the block stays.
}

} // namespace

namespace {

TEST(KJMallocTestHook, FailsTheRequestedAllocationsAfterTheSkippedOnes)
{
  const long Live = KJMallocLiveBlocks();
  KJMallocFailNext(2, 1);
  TKJWorkVector<char> First(KJMallocArray<char>(8));
  TKJWorkVector<char> Second(KJMallocArray<char>(8));
  TKJWorkVector<char> Third(KJMallocArray<char>(8));
  TKJWorkVector<char> Fourth(KJMallocArray<char>(8));
  EXPECT_NE(First, nullptr);
  EXPECT_EQ(Second, nullptr);
  EXPECT_EQ(Third, nullptr);
  EXPECT_NE(Fourth, nullptr) << "the hook is spent";
  EXPECT_EQ(KJMallocLiveBlocks(), Live + 2);
  First.reset();
  Fourth.reset();
  EXPECT_EQ(KJMallocLiveBlocks(), Live);
}

TEST(KJMallocTestHook, CancelledByZero)
{
  KJMallocFailNext(1, 0);
  KJMallocFailNext(0);
  TKJWorkVector<char> Block(KJMallocArray<char>(8));
  EXPECT_NE(Block, nullptr);
}

} // namespace
