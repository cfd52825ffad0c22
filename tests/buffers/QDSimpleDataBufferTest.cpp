#include "buffers/QDSimpleDataBuffer.h"
#include "BufferFixtures.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

TRef<TQDRealBuffer> Filled(std::initializer_list<Real> AValues)
{
  std::vector<Real> V(AValues);
  return TQDRealBuffer::CreateData(V.data(), static_cast<Cardinal>(V.size()));
}

std::vector<Real> Values(const TRef<IQDRealBuffer>& ABuffer)
{
  return std::vector<Real>(ABuffer->Read(), ABuffer->Read() + ABuffer->GetSize());
}

// ---------------------------------------------------------------------------
// Creation, sizes, alignment
// ---------------------------------------------------------------------------

TEST(TQDRealBuffer, CreateSizeReservesAPowerOfTwoAlignedBlock)
{
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(150);
  EXPECT_EQ(A->GetSize(), 150u);
  EXPECT_EQ(A->GetByteSize(), 1200u);
  EXPECT_EQ(A->pBuffer()->GetAllocatedSize(), 2048u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(A->Read()) % 32, 0u);
  EXPECT_EQ(A->GetDataContainer()->CountOwners(), 1);
  EXPECT_EQ(A->GetDataContainer()->CountTransports(), 1);
  EXPECT_TRUE(A->OwnsData());

  TRef<TQDRealBuffer> Empty = TQDRealBuffer::Create();
  EXPECT_EQ(Empty->GetSize(), 0u);
  EXPECT_EQ(Empty->pBuffer()->GetAllocatedSize(), 4u) << "the minimum block";
}

TEST(TQDRealBuffer, SizesNoBlockCanHoldAreOutOfMemory)
{
  EXPECT_THROW(TQDRealBuffer::CreateSize((1u << 27) + 1), EOutOfMemory);
  EXPECT_THROW(TQDRealBuffer::CreateSize(0xFFFFFFFFu), EOutOfMemory) << "no 32-bit wrap-around";
  EXPECT_THROW(TQDRealMatrixBuffer::CreateSize(1u << 16, 1u << 16), EOutOfMemory);
}

TEST(TQDRealBuffer, CreateDataCopiesTheValues)
{
  Real Source[3] = {1.0, -2.5, 4.0};
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateData(Source, 3);
  Source[0] = 99.0;
  EXPECT_EQ(Values(A), (std::vector<Real>{1.0, -2.5, 4.0}));
}

// ---------------------------------------------------------------------------
// Element access errors
// ---------------------------------------------------------------------------

struct TRangeCase
{
  const char* Name;
  friend void PrintTo(const TRangeCase& C, std::ostream* O) { *O << C.Name; }
  std::function<void()> Action;
  const char* Message;
};

class ElementRange : public ::testing::TestWithParam<TRangeCase> {};

TEST_P(ElementRange, RaisesRangeErrorWithTheIndex)
{
  ExpectError<ERangeError>(GetParam().Action, GetParam().Message);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, ElementRange,
    ::testing::Values(
        TRangeCase{"GetItemAtSize", [] { TQDRealBuffer::CreateSize(150)->GetItem(150); },
                   "Index out of range = 150"},
        TRangeCase{"GetItemOfEmpty", [] { TQDRealBuffer::Create()->GetItem(0); },
                   "Index out of range = 0"},
        TRangeCase{"SetItemAtSize", [] { TQDRealBuffer::CreateSize(3)->SetItem(3, 1.0); },
                   "Index out of range = 3"},
        TRangeCase{"NegativeIndex", [] { TQDRealBuffer::CreateSize(3)->GetItem(-1); },
                   "Index out of range = 4294967295"},
        TRangeCase{"MatrixRow", [] { TQDRealMatrixBuffer::CreateSize(150, 2)->GetItem(150, 0); },
                   "Row out of range = 150"},
        TRangeCase{"MatrixColumnFirst",
                   [] { TQDRealMatrixBuffer::CreateSize(150, 2)->GetItem(150, 5); },
                   "Column out of range = 5"},
        TRangeCase{"MatrixSetItem",
                   [] { TQDRealMatrixBuffer::CreateSize(2, 2)->SetItem(0, 2, 1.0); },
                   "Column out of range = 2"},
        TRangeCase{"MatrixRowBuffer", [] { TQDRealMatrixBuffer::CreateSize(2, 2)->GetItem(2); },
                   "Row out of range = 2"},
        TRangeCase{"MatrixSetRow",
                   [] { TQDRealMatrixBuffer::CreateSize(2, 2)->SetRow(-1, TQDRealBuffer::CreateSize(2)); },
                   "Row out of range = 4294967295"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDRealBuffer, FailedSetItemChangesNothingButTheCopy)
{
  TRef<TQDRealBuffer> A = Filled({1, 2, 3});
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  EXPECT_THROW(B->SetItem(3, 9.0), ERangeError);
  EXPECT_NE(BlockOf(B), BlockOf(A)) << "the write copied the shared block before the check";
  EXPECT_EQ(Values(A), Values(B));
}

// ---------------------------------------------------------------------------
// Copy-on-write
// ---------------------------------------------------------------------------

TEST(TQDRealBufferCow, FirstWriteCopiesOnceAndLeavesTheOtherOwnerAlone)
{
  TRef<TQDRealBuffer> A = Filled({1, 2, 3});
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  ASSERT_EQ(B->Read(), A->Read());
  TQDSmartBuffer* Shared = BlockOf(A);
  EXPECT_EQ(Shared->CountOwners(), 2);

  B->SetItem(0, 7.0);
  EXPECT_NE(B->Read(), A->Read());
  EXPECT_EQ(Values(B), (std::vector<Real>{7, 2, 3}));
  EXPECT_EQ(Values(A), (std::vector<Real>{1, 2, 3}));
  EXPECT_EQ(Shared->CountOwners(), 1) << "A's block is back to one owner";
  EXPECT_EQ(Shared->CountTransports(), 1);

  Real* P = B->Modify();
  EXPECT_EQ(B->Modify(), P) << "a second write does not copy again";
}

TEST(TQDRealBufferCow, WriteTakesAFreshBlockWithoutKeepingValues)
{
  TRef<TQDRealBuffer> A = Filled({1, 2, 3});
  TRef<IQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  Real* P = B->Write();
  EXPECT_NE(P, A->Read());
  EXPECT_EQ(B->GetSize(), 3u);
  EXPECT_EQ(Values(A), (std::vector<Real>{1, 2, 3}));
}

TEST(TQDRealBufferCow, SingleOwnerWritesInPlace)
{
  TRef<TQDRealBuffer> A = Filled({1, 2});
  const Real* Before = A->Read();
  A->SetItem(1, 5.0);
  EXPECT_EQ(A->Read(), Before);
  EXPECT_EQ(A->Write(), Before);
}

TEST(TQDRealBufferCow, BufferWithoutOwnershipWritesIntoTheSharedData)
{
  TRef<TQDRealBuffer> Owner = Filled({1, 2, 3});
  TRef<TQDRealBuffer> Viewer = TQDRealBuffer::CreateCopy(Owner);
  Viewer->RemoveOwnerShip();
  EXPECT_FALSE(Viewer->OwnsData());
  EXPECT_EQ(BlockOf(Owner)->CountOwners(), 1);
  EXPECT_EQ(BlockOf(Owner)->CountTransports(), 2);

  Viewer->SetItem(0, 10.0);
  EXPECT_EQ(Viewer->Read(), Owner->Read()) << "no copy while at most one owner remains";
  EXPECT_EQ(Owner->GetItem(0), 10.0) << "the owner sees the write";
  Owner->SetItem(1, 20.0);
  EXPECT_EQ(Viewer->GetItem(1), 20.0) << "nor does the owner copy because of the viewer";

  Owner.Reset();
  EXPECT_EQ(Viewer->GetItem(2), 3.0) << "the transport keeps the block alive";
}

TEST(TQDRealBufferCow, SequenceStampBelongsToTheData)
{
  TRef<TQDRealBuffer> A = Filled({1, 2});
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  A->GetSequenceStamp()->SetAvailable(true);
  A->GetSequenceStamp()->SetBufferNumber(17);
  EXPECT_TRUE(B->GetSequenceStamp()->GetAvailable()) << "sharers see the same stamp";
  EXPECT_EQ(B->GetSequenceStamp()->GetBufferNumber(), 17);

  B->SetItem(0, 3.0);
  EXPECT_FALSE(B->GetSequenceStamp()->GetAvailable()) << "a fresh block starts unstamped";
  EXPECT_TRUE(A->GetSequenceStamp()->GetAvailable());
}

TEST(TQDRealBufferCow, MakeCopySharesAndUniqueSeparates)
{
  TRef<TQDRealBuffer> A = Filled({4, 5});
  TRef<IQDRealBuffer> C = Cast<IQDRealBuffer>(A->MakeCopy());
  EXPECT_EQ(C->Read(), A->Read());
  C->Unique(true);
  EXPECT_NE(C->Read(), A->Read());
  EXPECT_EQ(Values(C), Values(A));
}

// ---------------------------------------------------------------------------
// Assign, IsEqual, CopyTo
// ---------------------------------------------------------------------------

TEST(TQDRealBuffer, AssignSharesTheOtherBlockAndReleasesTheOld)
{
  TRef<TQDRealBuffer> A = Filled({1, 2, 3, 4});
  TRef<TQDRealBuffer> B = Filled({9});
  TQDSmartBuffer* OldOfB = BlockOf(B);
  TRef<TQDRealBuffer> KeepsOld = TQDRealBuffer::CreateCopy(B);
  B->Assign(A);
  EXPECT_EQ(B->Read(), A->Read());
  EXPECT_EQ(B->GetSize(), 4u);
  EXPECT_EQ(BlockOf(A)->CountOwners(), 2);
  EXPECT_EQ(OldOfB->CountOwners(), 1);
  B->Assign(B); // self-assignment changes nothing
  EXPECT_EQ(BlockOf(A)->CountOwners(), 2);
}

TEST(TQDRealBuffer, AssignOfSomethingThatIsNoGenericBufferIsAnInvalidCast)
{
  // A data buffer interface from an object that is no generic buffer.
  struct TForeign : public TInterfacedObject, public virtual IQDDataBuffer
  {
    std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override
    {
      if (QueryInterfaceOf<IQDDataBuffer>(this, AIID, AObj))
        return S_OK;
      return TInterfacedObject::QueryInterface(AIID, AObj);
    }
    TObject* GetInstance() override { return this; }
    TRef<IQDData> MakeCopy() override { return nullptr; }
    void Assign(const TRef<IQDDataBuffer>&) override {}
    Boolean IsEqual(const TRef<IQDDataBuffer>&) override { return false; }
    const Byte* ByteRead() override { return nullptr; }
    Byte* ByteWrite() override { return nullptr; }
    Byte* ByteModify() override { return nullptr; }
    Cardinal GetByteSize() override { return 0; }
    Cardinal GetSize() override { return 0; }
    TQDSequenceStamp* GetSequenceStamp() override { return nullptr; }
    void CopyTo(Cardinal, const TRef<IQDDataBuffer>&, Cardinal, Cardinal) override {}
    void Unique(Boolean) override {}
    void SaveToFile(const std::string&) override {}
    void LoadFromFile(const std::string&) override {}
  };
  TRef<TQDRealBuffer> A = Filled({1});
  TRef<IQDDataBuffer> Foreign(new TForeign);
  EXPECT_THROW(A->Assign(Foreign), EInvalidCast);
  EXPECT_EQ(A->GetItem(0), 1.0);
}

TEST(TQDRealBuffer, IsEqualComparesBytesOfTheSameClass)
{
  TRef<TQDRealBuffer> A = Filled({1, 2});
  EXPECT_TRUE(A->IsEqual(Filled({1, 2})));
  EXPECT_FALSE(A->IsEqual(Filled({1, 3})));
  EXPECT_FALSE(A->IsEqual(Filled({1})));
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(1, 2);
  M->SetItem(0, 0, 1.0);
  M->SetItem(0, 1, 2.0);
  EXPECT_FALSE(A->IsEqual(M)) << "same bytes, other class";
  EXPECT_FALSE(M->IsEqual(A));
  TRef<TQDMemoryBuffer> Bytes = TQDMemoryBuffer::CreateSize(16);
  A->CopyTo(0, Bytes, 0, 16);
  EXPECT_TRUE(Bytes->IsEqual(A)) << "a plain memory buffer compares bytes only";
}

TEST(TQDRealBuffer, CopyToCountsElementsBetweenRealBuffersAndBytesOtherwise)
{
  TRef<TQDRealBuffer> Src = Filled({1, 2, 3, 4});
  TRef<TQDRealBuffer> Dest = Filled({0, 0, 0, 0, 0});
  TRef<TQDRealBuffer> SharesDest = TQDRealBuffer::CreateCopy(Dest);
  Src->CopyTo(1, Dest, 2, 3);
  EXPECT_EQ(Values(Dest), (std::vector<Real>{0, 0, 2, 3, 4}));
  EXPECT_EQ(Values(SharesDest), (std::vector<Real>{0, 0, 0, 0, 0})) << "Dest copied before writing";

  TRef<TQDMemoryBuffer> Bytes = TQDMemoryBuffer::CreateSize(8);
  Src->CopyTo(8, Bytes, 0, 8); // byte offsets: the second double
  EXPECT_EQ(*reinterpret_cast<const Real*>(Bytes->ByteRead()), 2.0);
}

TEST(TQDRealBuffer, CopyToOutsideEitherBufferRaisesAndWritesNothing)
{
  TRef<TQDRealBuffer> Src = Filled({1, 2, 3});
  TRef<TQDRealBuffer> Dest = Filled({7, 7});
  EXPECT_THROW(Src->CopyTo(0, Dest, 0, 3), ERangeError);
  EXPECT_THROW(Src->CopyTo(2, Dest, 0, 2), ERangeError);
  EXPECT_THROW(Src->CopyTo(0, Dest, 0xFFFFFFFFu, 2), ERangeError) << "no offset wrap-around";
  EXPECT_EQ(Values(Dest), (std::vector<Real>{7, 7}));
}

// ---------------------------------------------------------------------------
// Resize
// ---------------------------------------------------------------------------

TEST(TQDRealBuffer, ResizeToZeroAndBackKeepsTheBlockAndTheValues)
{
  std::vector<Real> Ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateData(Ten.data(), 10);
  TQDSmartBuffer* Block = BlockOf(A);
  A->Resize(0, true);
  EXPECT_EQ(A->GetSize(), 0u);
  A->Resize(3, true);
  EXPECT_EQ(BlockOf(A), Block) << "no new block";
  EXPECT_EQ(Values(A), (std::vector<Real>{0, 1, 2}));
}

struct TResizeCase
{
  const char* Name;
  friend void PrintTo(const TResizeCase& C, std::ostream* O) { *O << C.Name; }
  Cardinal From;
  bool Shared;
  Cardinal To;
  bool Preserve;
  bool NewBlock;
};

class RealResize : public ::testing::TestWithParam<TResizeCase> {};

TEST_P(RealResize, TakesANewBlockOnlyWhenItMust)
{
  const TResizeCase C = GetParam();
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(C.From);
  for (Cardinal I = 0; I < C.From; ++I)
    A->SetItem(static_cast<Integer>(I), I + 1.0);
  TRef<TQDRealBuffer> Other = C.Shared ? TQDRealBuffer::CreateCopy(A) : nullptr;
  TQDSmartBuffer* Block = BlockOf(A);
  A->Resize(C.To, C.Preserve);
  EXPECT_EQ(A->GetSize(), C.To);
  EXPECT_EQ(BlockOf(A) != Block, C.NewBlock);
  if (C.Preserve) {
    for (Cardinal I = 0; I < std::min(C.From, C.To); ++I)
      EXPECT_EQ(A->GetItem(static_cast<Integer>(I)), I + 1.0) << "element " << I;
  }
  if (Other) {
    EXPECT_EQ(Other->GetSize(), C.From) << "a sharer keeps its own size";
    EXPECT_EQ(Other->GetItem(0), 1.0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, RealResize,
    ::testing::Values(TResizeCase{"SameSize", 4, false, 4, false, false},
                      TResizeCase{"ShrinkKeepInPlace", 4, false, 2, true, false},
                      TResizeCase{"ShrinkSharedKeepInPlace", 4, true, 2, true, false},
                      TResizeCase{"GrowWithinReserve", 3, false, 4, true, false},
                      TResizeCase{"GrowSharedTakesNewBlock", 3, true, 4, true, true},
                      TResizeCase{"GrowBeyondReserve", 4, false, 5, true, true},
                      TResizeCase{"ShrinkWithoutKeepTakesNewBlock", 4, false, 2, false, true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------
// Interfaces and CreateUniversal
// ---------------------------------------------------------------------------

TEST(TQDRealBuffer, AnswersEveryInterfaceOfItsClass)
{
  TRef<IQDData> A = TQDRealBuffer::CreateSize(1);
  EXPECT_TRUE(Query<IQDDataBuffer>(A));
  EXPECT_TRUE(Query<IQDGenericBuffer>(A));
  EXPECT_TRUE(Query<IQDLinearDataBuffer>(A));
  EXPECT_TRUE(Query<IQDRealBuffer>(A));
  EXPECT_FALSE(Query<IQDRealBufferArray>(A));
  EXPECT_THROW(Cast<IQDRealMatrixBuffer>(A), EInvalidCast);

  TRef<IQDData> M = TQDRealMatrixBuffer::CreateSize(1, 1);
  EXPECT_TRUE(Query<IQDRealMatrixBuffer>(M));
  EXPECT_TRUE(Query<IQDRealBufferArray>(M));
  EXPECT_TRUE(Query<IQDGenericBuffer>(M));
  EXPECT_FALSE(Query<IQDLinearDataBuffer>(M)) << "a matrix is not linear";
  EXPECT_FALSE(Query<IQDRealBufferDynamicArray>(M));

  TRef<IQDData> L = TQDRealBufferList::Create();
  EXPECT_TRUE(Query<IQDRealBufferDynamicArray>(L));
  EXPECT_TRUE(Query<IQDRealBufferArray>(L));
  EXPECT_FALSE(Query<IQDDataBuffer>(L));
}

struct TUniversalCase
{
  const char* Name;
  friend void PrintTo(const TUniversalCase& C, std::ostream* O) { *O << C.Name; }
  Cardinal Bytes;
  Cardinal Doubles;
};

class RealUniversal : public ::testing::TestWithParam<TUniversalCase> {};

TEST_P(RealUniversal, ReinterpretsTheBytesOfAnyBuffer)
{
  const TUniversalCase C = GetParam();
  TRef<TQDMemoryBuffer> Bytes = TQDMemoryBuffer::CreateSize(C.Bytes);
  for (Cardinal I = 0; I < C.Bytes; ++I)
    Bytes->ByteWrite()[I] = static_cast<Byte>(I);
  TRef<TQDRealBuffer> R = TQDRealBuffer::CreateUniversal(Bytes);
  EXPECT_EQ(R->GetSize(), C.Doubles);
  EXPECT_EQ(R->GetByteSize(), C.Bytes) << "the byte size is taken as it is";
  EXPECT_EQ(static_cast<const void*>(R->Read()), static_cast<const void*>(Bytes->ByteRead()));
  EXPECT_EQ(BlockOf(R)->CountOwners(), 2);
}

INSTANTIATE_TEST_SUITE_P(Buffers, RealUniversal,
                         ::testing::Values(TUniversalCase{"Empty", 0, 0},
                                           TUniversalCase{"FourByteElementsTimesThree", 12, 1},
                                           TUniversalCase{"FourByteElementsTimesFour", 16, 2},
                                           TUniversalCase{"Bytes", 7, 0},
                                           TUniversalCase{"Doubles", 24, 3}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDRealBuffer, CreateUniversalOfAMatrixViewsAllItsValues)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(2, 3);
  for (Integer Row = 0; Row < 2; ++Row)
    for (Integer Col = 0; Col < 3; ++Col)
      M->SetItem(Row, Col, Row * 10 + Col);
  TRef<TQDRealBuffer> R = TQDRealBuffer::CreateUniversal(M);
  EXPECT_EQ(Values(R), (std::vector<Real>{0, 1, 2, 10, 11, 12}));
  R->SetItem(0, -1.0);
  EXPECT_EQ(M->GetItem(0, 0), 0.0) << "copy-on-write protects the matrix";
}

TEST(TQDRealBuffer, CreateFromSomethingThatIsNoBufferIsAnInvalidCast)
{
  EXPECT_THROW(TQDRealBuffer::CreateUniversal(TQDRealBufferList::Create()), EInvalidCast);
  EXPECT_THROW(TQDRealBuffer::CreateCopy(nullptr), EInvalidCast);
}

// ---------------------------------------------------------------------------
// Matrix
// ---------------------------------------------------------------------------

TEST(TQDRealMatrixBuffer, RowMajorLayoutAndArrayView)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(150, 2);
  EXPECT_EQ(M->GetRows(), 150);
  EXPECT_EQ(M->GetCols(), 2);
  EXPECT_EQ(M->GetCount(), 150);
  EXPECT_EQ(M->GetMaxSize(), 2);
  EXPECT_EQ(M->GetItemSize(7), 2);
  EXPECT_EQ(M->GetSize(), 300u);
  M->SetItem(149, 1, 7.5);
  M->SetItem(3, 0, -1.0);
  EXPECT_EQ(M->GetItem(149, 1), 7.5);
  EXPECT_EQ(M->Read()[1 + 149 * 2], 7.5) << "element (Row, Col) at Col + Row x Cols";
  EXPECT_EQ(M->Read()[6], -1.0);
  TRef<IQDRealBuffer> Row = M->GetItem(149);
  ASSERT_EQ(Row->GetSize(), 2u);
  EXPECT_EQ(Row->GetItem(1), 7.5);
  EXPECT_EQ(M->GetElement(3, 0), -1.0);
  M->SetElement(3, 1, 4.0);
  EXPECT_EQ(M->GetItem(3, 1), 4.0);
}

TEST(TQDRealMatrixBuffer, RowCopiesAreIndependentButRowWritesAreInPlace)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(2, 3);
  for (Integer I = 0; I < 6; ++I)
    M->Write()[I] = I;
  TRef<IQDRealBuffer> Row = M->GetRow(1);
  Row->SetItem(0, 100.0);
  EXPECT_EQ(M->GetItem(1, 0), 3.0) << "a row from GetItem is a copy";

  TRef<TQDRealMatrixBuffer> Sharer = TQDRealMatrixBuffer::CreateEx(M.Get());
  M->SetRow(0, Filled({-1, -2, -3, -4}));
  EXPECT_EQ(M->GetItem(0, 2), -3.0) << "min(size, Cols) values";
  EXPECT_EQ(Sharer->GetItem(0, 0), -1.0) << "row writers skip copy-on-write";
  M->SetItem(1, Filled({9}));
  EXPECT_EQ(M->GetItem(1, 0), 9.0);
  EXPECT_EQ(M->GetItem(1, 1), 4.0) << "the rest of the row stays";
}

TEST(TQDRealMatrixBuffer, ElementWriteToASharedMatrixCopies)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(2, 2);
  M->Write()[0] = 1.0;
  TRef<IQDRealMatrixBuffer> C = Cast<IQDRealMatrixBuffer>(M->MakeCopy());
  EXPECT_EQ(C->GetRows(), 2);
  EXPECT_EQ(C->Read(), M->Read());
  C->SetItem(0, 0, 5.0);
  EXPECT_EQ(M->GetItem(0, 0), 1.0);
  EXPECT_EQ(C->GetItem(0, 0), 5.0);
}

TEST(TQDRealMatrixBuffer, AssignedFewerBytesThanTheShapeNeedsIsARangeErrorNotAnOverrun)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(4, 4);
  M->Assign(Filled({1, 2, 3})); // the shape is not part of Assign
  EXPECT_EQ(M->GetRows(), 4);
  EXPECT_EQ(M->GetItem(0, 2), 3.0);
  EXPECT_THROW(M->GetItem(1, 0), ERangeError);
  EXPECT_THROW(M->GetRow(0), ERangeError);
}

// ---------------------------------------------------------------------------
// Buffer list
// ---------------------------------------------------------------------------

TEST(TQDRealBufferList, HoldsReferencesNotCopies)
{
  TRef<TQDRealBufferList> L = TQDRealBufferList::Create();
  EXPECT_EQ(L->GetCount(), 0);
  EXPECT_EQ(L->GetMaxSize(), 0);
  TRef<TQDRealBuffer> A = Filled({1, 2, 3});
  L->Append(A);
  L->Append(Filled({4}));
  EXPECT_EQ(L->GetCount(), 2);
  EXPECT_EQ(L->GetMaxSize(), 3);
  EXPECT_EQ(L->GetItemSize(1), 1);

  L->GetItem(0)->SetItem(0, 10.0);
  EXPECT_EQ(A->GetItem(0), 10.0) << "the item is the stored object";
  L->SetElement(0, 1, 20.0);
  EXPECT_EQ(A->GetItem(1), 20.0);
  EXPECT_EQ(L->GetElement(1, 0), 4.0);
  TRef<TQDRealBuffer> B = Filled({5, 6});
  L->SetItem(1, B);
  EXPECT_EQ(L->GetItem(1).Get(), static_cast<IQDRealBuffer*>(B.Get()));
}

TEST(TQDRealBufferList, IndexOutsideTheListIsAListError)
{
  TRef<TQDRealBufferList> L = TQDRealBufferList::Create();
  L->Append(Filled({1}));
  ExpectError<EListError>([&] { L->GetItem(1); }, "List index out of bounds (1)");
  ExpectError<EListError>([&] { L->GetItem(-1); }, "List index out of bounds (-1)");
  ExpectError<EListError>([&] { L->SetItem(2, Filled({1})); }, "List index out of bounds (2)");
  ExpectError<EListError>([&] { L->GetItemSize(5); }, "List index out of bounds (5)");
  ExpectError<ERangeError>([&] { L->GetElement(0, 1); }, "Index out of range = 1");
}

TEST(TQDRealBufferList, MakeCopySharesBlocksButKeepsWritesApart)
{
  TRef<TQDRealBufferList> L = TQDRealBufferList::Create();
  TRef<TQDRealBuffer> A = Filled({1, 2});
  L->Append(A);
  TRef<IQDRealBufferArray> Copy = Cast<IQDRealBufferArray>(L->MakeCopy());
  ASSERT_EQ(Copy->GetCount(), 1);
  EXPECT_EQ(Copy->GetItem(0)->Read(), A->Read());
  Copy->SetElement(0, 0, 9.0);
  EXPECT_EQ(A->GetItem(0), 1.0);
}

// ---------------------------------------------------------------------------
// Threads
// ---------------------------------------------------------------------------

TEST(TQDRealBufferThreads, CopiesAndReleasesOfOneBlockFromTwoThreads)
{
  TRef<TQDRealBuffer> Origin = Filled({1, 2, 3, 4});
  TQDSmartBuffer* Block = BlockOf(Origin);
  auto Worker = [&](Real AValue) {
    for (int I = 0; I < 20000; ++I) {
      TRef<TQDRealBuffer> Copy = TQDRealBuffer::CreateCopy(Origin);
      TRef<IQDData> Second = Copy->MakeCopy();
      if (I % 16 == 0) {
        Copy->SetItem(0, AValue); // copy-on-write while the other thread shares too
        ASSERT_EQ(Copy->GetItem(0), AValue);
        ASSERT_EQ(Copy->GetItem(3), 4.0);
      }
    }
  };
  std::thread T1(Worker, 10.0), T2(Worker, 20.0);
  T1.join();
  T2.join();
  EXPECT_EQ(Block->CountOwners(), 1);
  EXPECT_EQ(Block->CountTransports(), 1);
  EXPECT_EQ(Values(Origin), (std::vector<Real>{1, 2, 3, 4}));
}

} // namespace
