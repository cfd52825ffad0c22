#include "buffers/QDInternalStore.h"

#include "buffers/QDSimpleDataBuffer.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <optional>
#include <string>
#include <thread>
#include <typeinfo>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(RawBlock, Is32ByteAlignedAndFullyUsable)
{
  for (std::size_t Size = 1; Size <= 1100; Size += (Size < 70 ? 1 : 37)) {
    void* Block = AllocateRawBlock(Size);
    ASSERT_NE(Block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(Block) % 32, 0u) << "size " << Size;
    std::memset(Block, 0xA5, Size); // a memory checker sees any overrun
    ReleaseRawBlock(Block);
  }
  EXPECT_EQ(AllocateRawBlock(0), nullptr);
  ReleaseRawBlock(nullptr);
}

TEST(RawBlock, RequestAboveTheStorageLimitIsOutOfMemory)
{
  try {
    AllocateRawBlock(std::size_t(QDMaxBlockSize) + 1);
    FAIL() << "no error";
  } catch (const EOutOfMemory& E) {
    EXPECT_EQ(E.Message(), "Out of memory");
  }
}

struct TRoundCase
{
  UInt64 Request;
  Cardinal Reserved;
  friend void PrintTo(const TRoundCase& C, std::ostream* O) { *O << C.Request << " bytes"; }
};

class BlockSizeRounding : public ::testing::TestWithParam<TRoundCase> {};

TEST_P(BlockSizeRounding, SmallestPowerOfTwoFromFour)
{
  EXPECT_EQ(RoundBlockSize(GetParam().Request), GetParam().Reserved);
}

INSTANTIATE_TEST_SUITE_P(Storage, BlockSizeRounding,
                         ::testing::Values(TRoundCase{0, 4}, TRoundCase{1, 4}, TRoundCase{4, 4},
                                           TRoundCase{5, 8}, TRoundCase{16, 16},
                                           TRoundCase{1200, 2048}, TRoundCase{2048, 2048},
                                           TRoundCase{(1u << 29) + 1, 1u << 30},
                                           TRoundCase{1u << 30, 1u << 30}));

TEST(BlockSizeRounding, AboveTwoToTheThirtyIsOutOfMemory)
{
  EXPECT_THROW(RoundBlockSize(UInt64(QDMaxBlockSize) + 1), EOutOfMemory);
  EXPECT_THROW(RoundBlockSize(UInt64(1) << 40), EOutOfMemory) << "no 32-bit wrap-around";
  EXPECT_THROW(TQDSmartMemoryBuffer::Create(UInt64(QDMaxBlockSize) + 1), EOutOfMemory);
}

// A block that reports its own destruction.
class TWatchedBlock : public TQDSmartBuffer
{
public:
  explicit TWatchedBlock(bool* ADestroyed) : FDestroyed(ADestroyed) {}
  ~TWatchedBlock() override { *FDestroyed = true; }

private:
  bool* FDestroyed;
};

TEST(TQDSmartBuffer, OwnersDecideCopyingTransportsDecideLifetime)
{
  bool Destroyed = false;
  auto* Block = new TWatchedBlock(&Destroyed);
  EXPECT_EQ(Block->CountOwners(), 0);
  EXPECT_EQ(Block->CountTransports(), 0);

  Block->AddReff(true);
  Block->AddReff(true);
  Block->AddReff(false);
  EXPECT_EQ(Block->CountOwners(), 2);
  EXPECT_EQ(Block->CountTransports(), 3);
  EXPECT_FALSE(Block->SingleOwner());

  Block->RemoveOwnerShip();
  EXPECT_TRUE(Block->SingleOwner());
  EXPECT_EQ(Block->CountTransports(), 3) << "giving up ownership keeps the transport";

  Block->RemoveReff(false);
  Block->RemoveReff(true);
  EXPECT_EQ(Block->CountOwners(), 0);
  EXPECT_FALSE(Destroyed);
  Block->RemoveReff(true); // owners never go below 0
  EXPECT_TRUE(Destroyed) << "the last transport destroys the block";
}

TEST(TQDSmartBuffer, RemoveReffWithoutTransportsDoesNothing)
{
  bool Destroyed = false;
  auto* Block = new TWatchedBlock(&Destroyed);
  Block->RemoveReff(true);
  EXPECT_FALSE(Destroyed);
  EXPECT_EQ(Block->CountTransports(), 0);
  Block->AddReff(true);
  Block->RemoveReff(true);
  EXPECT_TRUE(Destroyed);
}

TEST(TQDSmartBuffer, FirstReferencesOfANewBlockAndOfAUsedOne)
{
  bool Destroyed = false;
  auto* Block = new TWatchedBlock(&Destroyed);
  Block->AddFirstReff(false);
  EXPECT_EQ(Block->CountOwners(), 0);
  EXPECT_EQ(Block->CountTransports(), 1);
  Block->AddFirstReff(true); // not the first any more: an ordinary AddReff
  EXPECT_EQ(Block->CountOwners(), 1);
  EXPECT_EQ(Block->CountTransports(), 2);
  Block->RemoveReff(true);
  EXPECT_EQ(Block->CountOwners(), 0);
  EXPECT_FALSE(Destroyed);
  Block->RemoveReff(false);
  EXPECT_TRUE(Destroyed);
}

TEST(TQDSmartBuffer, TheLastTransportIsAloneOnlyOutsideEveryonesLock)
{
  bool Destroyed = false;
  auto* Block = new TWatchedBlock(&Destroyed);
  Block->AddReff(true);
  Block->AddReff(true);
  EXPECT_FALSE(Block->LastTransportIsAlone()) << "two transports";
  Block->RemoveReff(true);
  EXPECT_TRUE(Block->LastTransportIsAlone()) << "the lock was released on the way out";
  Block->EnterWrite();
  EXPECT_FALSE(Block->LastTransportIsAlone()) << "someone is inside the lock";
  Block->LeaveWrite();
  EXPECT_TRUE(Block->LastTransportIsAlone());
  Block->RemoveReff(true);
  EXPECT_TRUE(Destroyed);
}

TEST(TQDSmartBuffer, LockIsRecursive)
{
  std::unique_ptr<TQDSmartBuffer> Block(new TQDSmartBuffer);
  Block->EnterRead();
  Block->EnterWrite(); // same lock, same thread: must not deadlock
  EXPECT_TRUE(Block->SingleOwner());
  Block->LeaveWrite();
  Block->LeaveRead();
}

TEST(TQDSmartMemoryBuffer, ReservesAPowerOfTwoAndCopiesOnRequest)
{
  const Real Values[3] = {1.5, -2.0, 3.25};
  std::unique_ptr<TQDSmartMemoryBuffer> A(TQDSmartMemoryBuffer::CreateData(Values, sizeof Values));
  EXPECT_EQ(A->GetAllocatedSize(), 32u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(A->GetRawData()) % 32, 0u);
  EXPECT_EQ(std::memcmp(A->GetRawData(), Values, sizeof Values), 0);
  A->SetBufferNumberAvailable(true);
  A->SetBufferNumber(42);

  std::unique_ptr<TQDSmartBuffer> Kept(A->Clone(true));
  auto* KeptMem = static_cast<TQDSmartMemoryBuffer*>(Kept.get());
  EXPECT_EQ(KeptMem->GetAllocatedSize(), 32u);
  EXPECT_NE(KeptMem->GetRawData(), A->GetRawData());
  EXPECT_EQ(std::memcmp(KeptMem->GetRawData(), Values, sizeof Values), 0);
  EXPECT_FALSE(Kept->GetBufferNumberAvailable()) << "no clone carries the sequence number";
  EXPECT_EQ(Kept->GetBufferNumber(), 0);

  std::unique_ptr<TQDSmartMemoryBuffer> Small(TQDSmartMemoryBuffer::Create(8));
  Small->CopyFrom(*A); // copies min(8, 32) bytes
  EXPECT_EQ(reinterpret_cast<Real*>(Small->GetRawData())[0], 1.5);
  std::unique_ptr<TQDSmartMemoryBuffer> Large(TQDSmartMemoryBuffer::Create(2000));
  EXPECT_EQ(Large->GetAllocatedSize(), 2048u);
  Large->CopyFrom(*A); // copies min(2048, 32) bytes
  EXPECT_EQ(reinterpret_cast<Real*>(Large->GetRawData())[2], 3.25);
}

TEST(TQDSmartBufferManager, AllocateZeroGivesNull)
{
  EXPECT_EQ(SmartBufferManager().Allocate(0), nullptr);
  SmartBufferManager().Deallocate(nullptr, 16);
  void* P = SmartBufferManager().Allocate(24);
  ASSERT_NE(P, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(P) % 32, 0u);
  std::memset(P, 0, 24);
  SmartBufferManager().Deallocate(P, 24);
}

// ---------------------------------------------------------------------------
// The pool, on pools of the tests' own (no timer: the tests deliver the ticks)
// ---------------------------------------------------------------------------

// A heap that counts what the pool reserves and releases, and fails on demand.
struct TTestHeap
{
  static inline int Reserved = 0;
  static inline int Released = 0;
  static inline std::size_t FailReserveOf = 0; // a size the heap refuses; 0: none
  static inline bool FailRelease = false;      // Release frees, then raises

  static void Reset()
  {
    Reserved = Released = 0;
    FailReserveOf = 0;
    FailRelease = false;
  }
  static void* Reserve(std::size_t ASize)
  {
    if (ASize == FailReserveOf)
      throw EOutOfMemory(SOutOfMemory);
    void* Block = AllocateRawBlock(ASize); // raises above the storage limit
    ++Reserved;
    return Block;
  }
  static void Release(void* ABlock)
  {
    ReleaseRawBlock(ABlock);
    ++Released;
    if (FailRelease)
      throw EReadError("the heap refused the block");
  }
};

class PoolTest : public ::testing::Test
{
protected:
  static constexpr TQDRawHeap Heap{&TTestHeap::Reserve, &TTestHeap::Release};

  PoolTest() { TTestHeap::Reset(); }
  void TearDown() override { EXPECT_FALSE(Pool.Busy()) << "the pool's lock was left held"; }

  /// Free blocks of the chain of ASize, or -1 when there is no such chain.
  int FreeOf(Cardinal ASize)
  {
    const std::optional<TQDChainInfo> Chain = Pool.FindChain(ASize);
    return Chain ? static_cast<int>(Chain->FreeBlocks) : -1;
  }

  TQDSmartBufferManager Pool{Heap};
};

TEST_F(PoolTest, FreedBlocksComeBackLastInFirstOut)
{
  void* A = Pool.Allocate(64);
  void* B = Pool.Allocate(64);
  ASSERT_NE(A, B);
  std::memset(A, 1, 64);
  Pool.Deallocate(A, 64);
  Pool.Deallocate(B, 64);
  EXPECT_EQ(FreeOf(64), 2);
  EXPECT_EQ(Pool.Allocate(64), B) << "the most recently freed block first";
  EXPECT_EQ(Pool.Allocate(64), A);
  EXPECT_EQ(TTestHeap::Reserved, 2) << "reuse does not reach the heap";
  Pool.Deallocate(A, 64);
  Pool.Deallocate(B, 64);
}

TEST_F(PoolTest, ChainsMatchTheExactSize)
{
  void* A = Pool.Allocate(64);
  Pool.Deallocate(A, 64);
  void* Smaller = Pool.Allocate(32);
  void* Larger = Pool.Allocate(65);
  EXPECT_NE(Smaller, A);
  EXPECT_NE(Larger, A);
  EXPECT_EQ(FreeOf(64), 1) << "no other size takes the 64-byte block";
  EXPECT_EQ(Pool.Chains().size(), 3u);
  Pool.Deallocate(Smaller, 32);
  Pool.Deallocate(Larger, 65);
}

TEST_F(PoolTest, AllocateZeroGivesNullAndTouchesNoChain)
{
  EXPECT_EQ(Pool.Allocate(0), nullptr);
  Pool.Deallocate(nullptr, 16);
  EXPECT_TRUE(Pool.Chains().empty());
  EXPECT_EQ(TTestHeap::Reserved, 0);
}

// A chain's life without traffic, tick by tick.
struct TChainLifeCase
{
  const char* Name;
  int Allocs;   // blocks allocated first
  int Frees;    // of them, freed again
  int Reallocs; // then allocated again
  std::vector<int> FreeAfterTick; // free blocks after tick 1, 2, ...; -1: chain gone
  friend void PrintTo(const TChainLifeCase& C, std::ostream* O) { *O << C.Name; }
};

class ChainLife : public PoolTest, public ::testing::WithParamInterface<TChainLifeCase> {};

TEST_P(ChainLife, KeepsItsBlocksEightTicksThenGivesOneBackPerTick)
{
  const TChainLifeCase& C = GetParam();
  constexpr Cardinal Size = 48;
  std::vector<void*> Blocks;
  for (int I = 0; I < C.Allocs; ++I)
    Blocks.push_back(Pool.Allocate(Size));
  for (int I = 0; I < C.Frees; ++I)
    Pool.Deallocate(Blocks[static_cast<std::size_t>(I)], Size);
  std::vector<void*> InUse(Blocks.begin() + C.Frees, Blocks.end());
  for (int I = 0; I < C.Reallocs; ++I)
    InUse.push_back(Pool.Allocate(Size));

  for (std::size_t Tick = 0; Tick < C.FreeAfterTick.size(); ++Tick) {
    Pool.Tick();
    EXPECT_EQ(FreeOf(Size), C.FreeAfterTick[Tick]) << "after tick " << Tick + 1;
  }
  EXPECT_EQ(TTestHeap::Released, C.Frees - C.Reallocs) << "every trimmed block went to the heap";
  for (void* Block : InUse)
    Pool.Deallocate(Block, Size);
}

INSTANTIATE_TEST_SUITE_P(
    Pool, ChainLife,
    ::testing::Values(
        TChainLifeCase{"OneFreedBlock", 1, 1, 0, {1, 1, 1, 1, 1, 1, 1, 1, -1}},
        TChainLifeCase{"ThreeFreedBlocks", 3, 3, 0, {3, 3, 3, 3, 3, 3, 3, 3, 2, 1, -1}},
        TChainLifeCase{"EmptyAfterItsOnlyAllocate", 1, 0, 0, {0, 0, 0, 0, 0, 0, 0, -1}},
        // The count was taken while the block was still in the chain.
        TChainLifeCase{"LastAllocateStartsOneHigher", 2, 2, 1, {1, 1, 1, 1, 1, 1, 1, 1, 1, -1}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(PoolTest, TrafficRestartsTheCount)
{
  void* A = Pool.Allocate(64);
  Pool.Deallocate(A, 64);
  for (int I = 0; I < 7; ++I)
    Pool.Tick();
  EXPECT_EQ(Pool.FindChain(64)->CountDown, 2u);
  Pool.Deallocate(Pool.Allocate(64), 64);
  EXPECT_EQ(Pool.FindChain(64)->CountDown, 9u);
  for (int I = 0; I < 8; ++I)
    Pool.Tick();
  EXPECT_EQ(FreeOf(64), 1) << "16 ticks after the first free, 8 after the last";
  Pool.Tick();
  EXPECT_EQ(FreeOf(64), -1);
}

TEST_F(PoolTest, RemovingAChainDoesNotDisturbTheWalkOverTheOthers)
{
  // List order 32, 64, 128; the middle chain goes first, the outer ones after.
  Pool.Deallocate(Pool.Allocate(32), 32);                 // 1 free: gone at tick 9
  void* InUse = Pool.Allocate(64);                        // 0 free: gone at tick 8
  void* A = Pool.Allocate(128);
  void* B = Pool.Allocate(128);
  Pool.Deallocate(A, 128);
  Pool.Deallocate(B, 128);                                // 2 free: gone at tick 10
  for (int I = 0; I < 8; ++I)
    Pool.Tick();
  EXPECT_EQ(FreeOf(32), 1);
  EXPECT_EQ(FreeOf(64), -1);
  EXPECT_EQ(FreeOf(128), 2);
  Pool.Tick();
  EXPECT_EQ(FreeOf(32), -1);
  EXPECT_EQ(FreeOf(128), 1);
  Pool.Tick();
  EXPECT_TRUE(Pool.Chains().empty());
  EXPECT_EQ(TTestHeap::Released, 3);
  Pool.Deallocate(InUse, 64);
}

TEST_F(PoolTest, ReleaseMemoryEmptiesThePoolButLeavesBlocksInUseAlone)
{
  void* A = Pool.Allocate(64);
  void* B = Pool.Allocate(64);
  void* C = Pool.Allocate(128);
  Pool.Deallocate(A, 64);
  Pool.Deallocate(C, 128);
  Pool.ReleaseMemory();
  EXPECT_TRUE(Pool.Chains().empty());
  EXPECT_EQ(TTestHeap::Released, 2);
  std::memset(B, 0x5A, 64); // still ours
  Pool.Deallocate(B, 64);
  ASSERT_EQ(Pool.Chains().size(), 1u) << "the block returns to a new chain";
  EXPECT_EQ(FreeOf(64), 1);
  EXPECT_EQ(Pool.FindChain(64)->CountDown, 9u);
  EXPECT_EQ(Pool.Allocate(64), B);
  Pool.Deallocate(B, 64);
}

TEST_F(PoolTest, OutOfMemoryLeavesTheChainsBlocksAndReleasesTheLock)
{
  void* Kept = Pool.Allocate(64);
  void* Spare = Pool.Allocate(64);
  Pool.Deallocate(Spare, 64);
  TTestHeap::FailReserveOf = 64;
  EXPECT_EQ(Pool.Allocate(64), Spare) << "a free block needs no heap";
  try {
    Pool.Allocate(64);
    FAIL() << "no error";
  } catch (const EOutOfMemory& E) {
    EXPECT_EQ(E.Message(), "Out of memory");
  }
  EXPECT_FALSE(Pool.Busy());
  EXPECT_EQ(FreeOf(64), 0) << "the chain stays, with what it had";
  TTestHeap::FailReserveOf = 0;
  Pool.Deallocate(Spare, 64);
  Pool.Deallocate(Kept, 64);
  EXPECT_EQ(FreeOf(64), 2);
}

TEST_F(PoolTest, RequestAboveTheStorageLimitIsOutOfMemory)
{
  EXPECT_THROW(Pool.Allocate(QDMaxBlockSize + 1), EOutOfMemory);
  EXPECT_FALSE(Pool.Busy());
  EXPECT_EQ(FreeOf(QDMaxBlockSize + 1), 0);
  Pool.Tick(); // the empty chain lives and goes like any other
  EXPECT_EQ(Pool.Chains().size(), 1u);
}

TEST_F(PoolTest, AHeapErrorWhileTrimmingEndsTheTickAndNothingElse)
{
  Pool.Deallocate(Pool.Allocate(32), 32); // first in the list
  Pool.Deallocate(Pool.Allocate(64), 64); // last: walked first
  for (int I = 0; I < 8; ++I)
    Pool.Tick();
  TTestHeap::FailRelease = true;
  Pool.Tick(); // the 64 chain gives its block back, and the heap raises
  EXPECT_FALSE(Pool.Busy());
  EXPECT_EQ(FreeOf(64), 0) << "the block the heap failed on is not kept";
  EXPECT_EQ(Pool.FindChain(32)->CountDown, 1u) << "the walk ended before the 32 chain";
  EXPECT_EQ(FreeOf(32), 1);
  TTestHeap::FailRelease = false;
  Pool.Tick();
  EXPECT_TRUE(Pool.Chains().empty()) << "the next tick goes on where the pool stands";
  EXPECT_EQ(TTestHeap::Released, 2);
}

TEST_F(PoolTest, AfterCloseEveryBlockGoesStraightToTheHeap)
{
  void* A = Pool.Allocate(64);
  Pool.Deallocate(Pool.Allocate(32), 32);
  Pool.Close();
  EXPECT_TRUE(Pool.Chains().empty());
  EXPECT_EQ(TTestHeap::Released, 1);
  Pool.Deallocate(A, 64); // a late release
  EXPECT_EQ(TTestHeap::Released, 2);
  void* B = Pool.Allocate(16);
  ASSERT_NE(B, nullptr);
  Pool.Deallocate(B, 16);
  EXPECT_EQ(TTestHeap::Released, 3);
  EXPECT_TRUE(Pool.Chains().empty());
}

// ---------------------------------------------------------------------------
// The calling thread's cache in front of the process pool
// ---------------------------------------------------------------------------

// Starts from an empty pool and an empty cache on this thread.
class ThreadCacheTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Pool.ReleaseMemory();
    ASSERT_EQ(TQDThreadBlockCache::CachedBlocks(), 0u);
  }
  void TearDown() override
  {
    for (auto& [Size, Block] : Live)
      TQDThreadBlockCache::Deallocate(Block, Size);
    Pool.ReleaseMemory();
  }
  void* Take(Cardinal ASize)
  {
    void* Block = TQDThreadBlockCache::Allocate(ASize);
    Live.emplace_back(ASize, Block);
    return Block;
  }
  // Gives back every block taken so far, the last one last.
  void GiveAllBack()
  {
    for (auto& [Size, Block] : Live)
      TQDThreadBlockCache::Deallocate(Block, Size);
    Live.clear();
  }
  Cardinal InChain(Cardinal ASize)
  {
    std::optional<TQDChainInfo> Chain = Pool.FindChain(ASize);
    return Chain ? Chain->FreeBlocks : 0;
  }

  TQDSmartBufferManager& Pool = SmartBufferManager();
  std::vector<std::pair<Cardinal, void*>> Live;
};

TEST_F(ThreadCacheTest, KeepsAFewBlocksOfAFewSmallSizesAndPassesTheRestOn)
{
  constexpr Cardinal Depth = TQDThreadBlockCache::Depth;
  for (int I = 0; I < 20; ++I)
    Take(48);
  Take(TQDThreadBlockCache::MaxBlockSize + 1); // too large for the cache
  GiveAllBack();
  EXPECT_EQ(TQDThreadBlockCache::CachedBlocks(), Depth);
  EXPECT_EQ(InChain(48), 20 - Depth) << "the first ones back found the cache full";
  EXPECT_EQ(InChain(TQDThreadBlockCache::MaxBlockSize + 1), 1u);

  // One size per slot: a size beyond the slots goes to the pool.
  Pool.ReleaseMemory();
  for (Cardinal Size = 8; Size < 8 * (TQDThreadBlockCache::Sizes + 2); Size += 8)
    Take(Size);
  GiveAllBack();
  EXPECT_EQ(TQDThreadBlockCache::CachedBlocks(), TQDThreadBlockCache::Sizes);
  EXPECT_EQ(InChain(8 * (TQDThreadBlockCache::Sizes + 1)), 1u);
  EXPECT_EQ(InChain(8), 0u);
}

TEST_F(ThreadCacheTest, HandsTheLastBlockBackFirstAndZeroGivesNull)
{
  void* A = Take(40);
  void* B = Take(40);
  GiveAllBack();
  EXPECT_EQ(Take(40), B);
  EXPECT_EQ(Take(40), A);
  const std::size_t Chains = Pool.Chains().size();
  EXPECT_EQ(TQDThreadBlockCache::Allocate(0), nullptr);
  TQDThreadBlockCache::Deallocate(nullptr, 40);
  EXPECT_EQ(TQDThreadBlockCache::CachedBlocks(), 0u) << "a null block is not kept";
  EXPECT_EQ(Pool.Chains().size(), Chains);
  EXPECT_EQ(InChain(40), 0u);
}

TEST_F(ThreadCacheTest, ReleaseMemoryOnAnotherThreadEmptiesThisCacheAtItsNextUse)
{
  void* Kept = Take(24);
  GiveAllBack();
  ASSERT_EQ(TQDThreadBlockCache::CachedBlocks(), 1u);
  std::thread([this] { Pool.ReleaseMemory(); }).join();
  EXPECT_EQ(TQDThreadBlockCache::CachedBlocks(), 1u) << "nobody touches this thread's cache";
  void* Next = TQDThreadBlockCache::Allocate(56); // any use
  EXPECT_EQ(TQDThreadBlockCache::CachedBlocks(), 0u);
  EXPECT_EQ(InChain(24), 1u) << "given to the pool, which keeps it until a tick or ReleaseMemory";
  EXPECT_EQ(Take(24), Kept);
  TQDThreadBlockCache::Deallocate(Next, 56);
}

// ---------------------------------------------------------------------------
// The process pool under buffers
// ---------------------------------------------------------------------------

TEST(ProcessPool, AReleasedBufferIsMadeAgainFromTheSameBlocks)
{
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(2);
  const void* Object = A.Get();
  const TQDSmartBuffer* Block = A->GetDataContainer();
  const Real* Data = A->Read();
  A.Reset();
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(2);
  EXPECT_EQ(B.Get(), Object);
  EXPECT_EQ(B->GetDataContainer(), Block);
  EXPECT_EQ(B->Read(), Data);
  EXPECT_FALSE(SmartBufferManager().Busy());
}

TEST(ProcessPool, AReleasedRealBufferComesBackAsANewOne)
{
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(3);
  A->SetItem(2, 4.0);
  A->GetSequenceStamp()->SetBufferNumber(7);
  A->GetSequenceStamp()->SetAvailable(true);
  const TQDRealBuffer* Object = A.Get();
  A.Reset();
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(4); // the same block size, 32 bytes
  ASSERT_EQ(B.Get(), Object);
  EXPECT_EQ(B->GetSize(), 4u);
  EXPECT_EQ(B->RefCount(), 1);
  EXPECT_TRUE(B->OwnsData());
  EXPECT_FALSE(B->GetSequenceStamp()->GetAvailable());
  EXPECT_EQ(B->GetSequenceStamp()->GetBufferNumber(), 0);
  EXPECT_EQ(B->GetDataContainer()->CountOwners(), 1);
  EXPECT_EQ(B->GetDataContainer()->CountTransports(), 1);
}

// A buffer whose block someone else still holds, or does not own, must not be
// handed out again with that block.
struct TNotParkedCase
{
  const char* Name;
  // Makes the buffer to release: of 2 values, on Keep's block or not.
  TRef<TQDRealBuffer> (*Make)(TRef<TQDRealBuffer>& Keep);
};

class NotParked : public ::testing::TestWithParam<TNotParkedCase> {};

TEST_P(NotParked, ANewBufferGetsABlockOfItsOwn)
{
  TRef<TQDRealBuffer> Keep = TQDRealBuffer::CreateValue(5.0, 2);
  TRef<TQDRealBuffer> Released = GetParam().Make(Keep);
  const TQDSmartBuffer* KeptBlock = Keep->GetDataContainer();
  Released.Reset();
  TRef<TQDRealBuffer> Fresh = TQDRealBuffer::CreateSize(2);
  EXPECT_NE(Fresh->GetDataContainer(), KeptBlock);
  EXPECT_TRUE(Fresh->OwnsData());
  EXPECT_EQ(Fresh->GetDataContainer()->CountOwners(), 1);
  EXPECT_EQ(Fresh->GetDataContainer()->CountTransports(), 1);
  Fresh->SetItem(0, -1.0);
  EXPECT_EQ(Keep->GetItem(0), 5.0);
  EXPECT_EQ(KeptBlock->CountTransports(), 1);
}

class TTaggedRealBuffer : public TQDRealBuffer
{
public:
  static TRef<TQDRealBuffer> Make()
  {
    TRef<TTaggedRealBuffer> Result = FirstRef(new TTaggedRealBuffer);
    Result->AttachNewStorage(2);
    return Result;
  }
};

INSTANTIATE_TEST_SUITE_P(
    ProcessPool, NotParked,
    ::testing::Values(
        TNotParkedCase{"SharedBlock", [](TRef<TQDRealBuffer>& Keep) { return TQDRealBuffer::CreateCopy(Keep); }},
        TNotParkedCase{"OwnershipGivenUp",
                       [](TRef<TQDRealBuffer>&) {
                         TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(2);
                         B->RemoveOwnerShip();
                         return B;
                       }},
        TNotParkedCase{"SharedWithANonOwner",
                       [](TRef<TQDRealBuffer>& Keep) {
                         TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(Keep);
                         Keep->RemoveOwnerShip(); // B is the only owner, not the only holder
                         return B;
                       }},
        TNotParkedCase{"AssignedBlock",
                       [](TRef<TQDRealBuffer>& Keep) {
                         TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(2);
                         B->Assign(Keep);
                         return B;
                       }}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(ProcessPool, ADerivedBufferIsNotKeptForRealBuffers)
{
  TTaggedRealBuffer::Make(); // released at once
  TRef<TQDRealBuffer> Fresh = TQDRealBuffer::CreateSize(2);
  const TQDRealBuffer& Object = *Fresh;
  EXPECT_EQ(typeid(Object), typeid(TQDRealBuffer));
}

TEST(ProcessPool, CopyOnWriteLeavesBothBlocksAloneAndUnlocked)
{
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(4);
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  EXPECT_FALSE(A->GetDataContainer()->LastTransportIsAlone());
  B->SetItem(0, 1.0);
  ASSERT_NE(A->GetDataContainer(), B->GetDataContainer());
  EXPECT_TRUE(A->GetDataContainer()->LastTransportIsAlone());
  EXPECT_TRUE(B->GetDataContainer()->LastTransportIsAlone());
  EXPECT_FALSE(SmartBufferManager().Busy());
}

TEST(ProcessPool, ReleaseMemoryWhileBuffersLiveKeepsThemAndTakesTheirBlocksBackLater)
{
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(2);
  A->SetItem(0, 1.5);
  A->SetItem(1, -2.5);
  const Real* Data = A->Read();
  TQDSmartBufferManager& Pool = SmartBufferManager();
  Pool.ReleaseMemory();
  EXPECT_TRUE(Pool.Chains().empty());
  EXPECT_EQ(TQDThreadBlockCache::CachedBlocks(), 0u) << "this thread's cache went too";
  EXPECT_EQ(A->GetItem(0), 1.5);
  EXPECT_EQ(A->GetItem(1), -2.5);

  A.Reset();
  // The thread keeps them first; given back, the data, the block object and
  // the buffer object each come to a new chain.
  EXPECT_TRUE(Pool.Chains().empty());
  TQDThreadBlockCache::Flush();
  EXPECT_EQ(TQDThreadBlockCache::CachedBlocks(), 0u);
  EXPECT_EQ(Pool.Chains().size(), 3u);
  ASSERT_TRUE(Pool.FindChain(2 * sizeof(Real)));
  EXPECT_EQ(Pool.FindChain(2 * sizeof(Real))->FreeBlocks, 1u);
  ASSERT_TRUE(Pool.FindChain(sizeof(TQDSmartMemoryBuffer)));
  EXPECT_EQ(Pool.FindChain(sizeof(TQDSmartMemoryBuffer))->FreeBlocks, 1u);
  EXPECT_EQ(TQDRealBuffer::CreateSize(2)->Read(), Data);
}

/// Runs ABody in a forked child that then ends through exit() (static
/// destructors included) with ABody's result; returns the child's exit status,
/// or -1 when it did not exit normally. The deadline only turns a hang into a
/// failure.
int RunInChild(int (*ABody)())
{
  std::fflush(nullptr);
  const pid_t Child = fork();
  if (Child == -1)
    return -1;
  if (Child == 0)
    std::exit(ABody());
  int Status = 0;
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (waitpid(Child, &Status, WNOHANG) != Child) {
    if (std::chrono::steady_clock::now() > Deadline) {
      kill(Child, SIGKILL);
      waitpid(Child, &Status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

/// Waits until the process pool's timer has ticked once, so that its thread is
/// past its start-up. A sanitizer's allocator is not safe across fork(): a
/// thread caught inside it (as a starting thread may be) leaves its lock held
/// in the child, whose next allocation then waits for ever.
void WaitForAPoolTick()
{
  TQDSmartBufferManager& Pool = SmartBufferManager();
  constexpr Cardinal Probe = 1000; // a size no buffer uses
  Pool.Deallocate(Pool.Allocate(Probe), Probe);
  const Cardinal Before = Pool.FindChain(Probe)->CountDown;
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Pool.FindChain(Probe) && Pool.FindChain(Probe)->CountDown == Before &&
         std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  // Back to the heap here, so that no later tick frees it while a test forks.
  ReleaseRawBlock(Pool.Allocate(Probe));
}

TEST(ProcessPool, AForkedChildHasAWorkingPoolAndEndsCleanly)
{
  // Two released buffers: one is taken again below, the other stays parked
  // in this thread, and the child inherits it.
  {
    TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(2), B = TQDRealBuffer::CreateSize(2);
  }
  TRef<TQDRealBuffer> Warm = TQDRealBuffer::CreateSize(2);
  ASSERT_TRUE(SmartBufferManager().TimerRunning());
  WaitForAPoolTick();
  // The child's exit status is its report; at exit the pool shuts down and
  // must not wait for the parent's timer thread, which the child lacks.
  EXPECT_EQ(RunInChild([] {
              if (SmartBufferManager().TimerRunning())
                return 1;
              TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(2);
              B->SetItem(1, 3.0);
              if (B->GetItem(1) != 3.0)
                return 2;
              // The first allocation starts a timer of the child's own, even
              // one that a parked buffer could have served.
              return SmartBufferManager().TimerRunning() ? 0 : 3;
            }),
            0);
}

TEST(ProcessPool, AfterCloseNoThreadKeepsBlocksOrBuffers)
{
  EXPECT_EQ(RunInChild([] {
              TQDRealBuffer::CreateSize(2); // a parked buffer and cached blocks
              if (TQDThreadBlockCache::CachedBlocks() == 0 && !TQDThreadBlockCache::Active())
                return 1;
              TQDSmartBufferManager& Pool = SmartBufferManager();
              Pool.Close();
              if (TQDThreadBlockCache::CachedBlocks() != 0 || TQDThreadBlockCache::Active())
                return 2;
              for (int I = 0; I < 3; ++I) {
                TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(2);
                B->SetItem(1, 2.0);
              }
              if (TQDThreadBlockCache::CachedBlocks() != 0 || !Pool.Chains().empty())
                return 3;
              return 0;
            }),
            0);
}

// Constant-initialised, so it is destroyed after the pool's shutdown at exit.
TRef<TQDRealBuffer> GReleasedAfterShutdown;

TEST(ProcessPool, ABufferReleasedAfterShutdownGoesStraightToTheHeap)
{
  // A release into a pool that went away would be a use after free: it fails
  // the child, for certain under AddressSanitizer.
  EXPECT_EQ(RunInChild([] {
              GReleasedAfterShutdown = TQDRealBuffer::CreateSize(300);
              GReleasedAfterShutdown->SetItem(299, 1.0);
              return 0;
            }),
            0);
}

} // namespace
