#include "buffers/QDInternalStore.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>

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

} // namespace
