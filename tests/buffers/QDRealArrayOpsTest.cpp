#include "buffers/QDSimpleDataBuffer.h"
#include "BufferFixtures.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using TRows = std::vector<std::vector<Real>>;

TRef<TQDRealBuffer> Vec(const std::vector<Real>& AValues)
{
  return TQDRealBuffer::CreateData(AValues.data(), static_cast<Cardinal>(AValues.size()));
}

std::vector<Real> Values(IQDRealBuffer& ABuffer)
{
  return std::vector<Real>(ABuffer.Read(), ABuffer.Read() + ABuffer.GetSize());
}
std::vector<Real> Values(const TRef<IQDRealBuffer>& ABuffer) { return Values(*ABuffer); }

/// The items of any array, row by row.
TRows Rows(IQDRealBufferArray& AArray)
{
  TRows Result;
  for (Integer I = 0; I < AArray.GetCount(); ++I)
    Result.push_back(Values(AArray.GetItem(I)));
  return Result;
}
TRows Rows(const TRef<IQDRealBufferArray>& AArray) { return Rows(*AArray); }

/// A matrix of equally long rows.
TRef<TQDRealMatrixBuffer> Matrix(const TRows& ARows)
{
  const Cardinal Cols = ARows.empty() ? 0 : static_cast<Cardinal>(ARows[0].size());
  std::vector<Real> Data;
  for (const auto& Row : ARows)
    Data.insert(Data.end(), Row.begin(), Row.end());
  return TQDRealMatrixBuffer::CreateData(Data.data(), static_cast<Cardinal>(ARows.size()), Cols);
}

TRef<TQDRealBufferList> List(const TRows& AItems)
{
  TRef<TQDRealBufferList> Result = TQDRealBufferList::Create();
  for (const auto& Item : AItems)
    Result->Append(Vec(Item));
  return Result;
}

/// Leaves pooled blocks for ACount doubles holding 99s, so that a buffer that
/// takes one and fails to write it shows stale values instead of zeros.
void DirtyPool(Cardinal ACount)
{
  std::vector<TRef<TQDRealBuffer>> Blocks;
  for (int I = 0; I < 16; ++I) {
    Blocks.push_back(TQDRealBuffer::CreateSize(ACount));
    std::fill_n(Blocks.back()->Write(), ACount, 99.0);
  }
}

/// IQDData and nothing else.
class TPlainData : public TInterfacedObject, public virtual IQDData
{
public:
  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override
  {
    if (QueryInterfaceOf<IQDData>(this, AIID, AObj))
      return S_OK;
    return TInterfacedObject::QueryInterface(AIID, AObj);
  }
  TObject* GetInstance() override { return this; }
  TRef<IQDData> MakeCopy() override { return TRef<IQDData>(new TPlainData); }
};

constexpr Real Big = 1.0E15;
constexpr Real NegBig = -1.0E14;

// ---------------------------------------------------------------------------
// Matrix construction
// ---------------------------------------------------------------------------

TEST(TQDRealMatrixBuffer, CreateValueFillsEveryValue)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateValue(2.5, 3, 4);
  EXPECT_EQ(M->GetRows(), 3);
  EXPECT_EQ(M->GetCols(), 4);
  ASSERT_EQ(M->GetSize(), 12u);
  EXPECT_EQ(std::vector<Real>(M->Read(), M->Read() + 12), std::vector<Real>(12, 2.5));
}

TEST(TQDRealMatrixBuffer, CreateDataCopiesRowMajor)
{
  Real Source[6] = {1, 2, 3, 4, 5, 6};
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateData(Source, 2, 3);
  Source[0] = 99;
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(M->GetItem(1, 0), 4.0);
}

TEST(TQDRealMatrixBuffer, CreateCopySharesUntilWritten)
{
  TRef<TQDRealMatrixBuffer> A = Matrix({{1, 2}, {3, 4}, {5, 6}});
  TRef<TQDRealMatrixBuffer> B = TQDRealMatrixBuffer::CreateCopy(A);
  EXPECT_EQ(B->Read(), A->Read());
  EXPECT_EQ(B->GetRows(), 3);
  EXPECT_EQ(B->GetCols(), 2);
  EXPECT_EQ(BlockOf(A)->CountOwners(), 2);

  B->SetItem(0, 0, 9.0);
  EXPECT_NE(B->Read(), A->Read());
  EXPECT_EQ(Rows(A->GetMatArrayIntf()), (TRows{{1, 2}, {3, 4}, {5, 6}}));
  EXPECT_EQ(Rows(B->GetMatArrayIntf()), (TRows{{9, 2}, {3, 4}, {5, 6}}));
  EXPECT_THROW(TQDRealMatrixBuffer::CreateCopy(nullptr), EInvalidCast);
}

// ---------------------------------------------------------------------------
// CreateUniversal: matrix, then array, then data buffer
// ---------------------------------------------------------------------------

TEST(TQDRealMatrixUniversal, SharesAMatrix)
{
  TRef<TQDRealMatrixBuffer> A = Matrix({{1, 2, 3}, {4, 5, 6}});
  TRef<TQDRealMatrixBuffer> B = TQDRealMatrixBuffer::CreateUniversal(A->GetDataIntf());
  EXPECT_EQ(BlockOf(B), BlockOf(A));
  EXPECT_EQ(B->GetRows(), 2);
  EXPECT_EQ(B->GetCols(), 3);
}

TEST(TQDRealMatrixUniversal, CopiesAListFillingShortRowsWithZeros)
{
  TRef<TQDRealBufferList> L = List({{1, 2, 3}, {4}});
  DirtyPool(6);
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateUniversal(TRef<IQDData>(L.Get()));
  EXPECT_EQ(M->GetRows(), 2);
  EXPECT_EQ(M->GetCols(), 3);
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{1, 2, 3}, {4, 0, 0}}));

  M->SetItem(0, 0, 7.0);
  EXPECT_EQ(Values(L->GetItem(0)), (std::vector<Real>{1, 2, 3})) << "the rows are copies";
}

TEST(TQDRealMatrixUniversal, EmptyListGivesAnEmptyMatrix)
{
  TRef<TQDRealMatrixBuffer> M =
      TQDRealMatrixBuffer::CreateUniversal(TRef<IQDData>(TQDRealBufferList::Create().Get()));
  EXPECT_EQ(M->GetRows(), 0);
  EXPECT_EQ(M->GetCols(), 0);
  EXPECT_EQ(M->GetSize(), 0u);
}

TEST(TQDRealMatrixUniversal, SharesARealBufferAsOneRowUntilWritten)
{
  TRef<TQDRealBuffer> V = Vec({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateUniversal(V->GetDataIntf());
  EXPECT_EQ(M->GetRows(), 1);
  EXPECT_EQ(M->GetCols(), 10);
  EXPECT_EQ(M->Read(), V->Read());

  M->SetItem(0, 0, 42.0);
  EXPECT_EQ(M->GetItem(0, 0), 42.0);
  EXPECT_EQ(M->GetItem(0, 9), 9.0);
  EXPECT_EQ(V->GetItem(0), 0.0) << "the matrix copied the block before writing";
}

TEST(TQDRealMatrixUniversal, ReadsTheBytesOfAnyDataBufferAsDoubles)
{
  TRef<TQDMemoryBuffer> Bytes = TQDMemoryBuffer::CreateSize(20); // two doubles and four bytes
  Real Two[2] = {1.5, -2.5};
  std::memcpy(Bytes->ByteWrite(), Two, sizeof(Two));
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateUniversal(Bytes->GetDataIntf());
  EXPECT_EQ(M->GetRows(), 1);
  EXPECT_EQ(M->GetCols(), 2);
  EXPECT_EQ(M->GetSize(), 2u) << "the trailing four bytes are no value";
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{1.5, -2.5}}));
}

TEST(TQDRealMatrixUniversal, RaisesInvalidCastForOtherObjects)
{
  EXPECT_THROW(TQDRealMatrixBuffer::CreateUniversal(TRef<IQDData>(new TPlainData)), EInvalidCast);
  EXPECT_THROW(TQDRealMatrixBuffer::CreateUniversal(nullptr), EInvalidCast);
}

// ---------------------------------------------------------------------------
// Matrix Assign
// ---------------------------------------------------------------------------

TEST(TQDRealMatrixAssign, ReshapesToCountAndLongestItem)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateValue(5.0, 4, 4);
  TRef<TQDRealBufferList> L = List({{1, 2}, {3, 4, 5}});
  DirtyPool(6);
  M->Assign(TRef<IQDRealBufferArray>(L.Get()));
  EXPECT_EQ(M->GetRows(), 2);
  EXPECT_EQ(M->GetCols(), 3);
  EXPECT_EQ(M->GetSize(), 6u);
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{1, 2, 0}, {3, 4, 5}}));
}

TEST(TQDRealMatrixAssign, LeavesACopyThatSharedTheBlockAlone)
{
  TRef<TQDRealMatrixBuffer> A = Matrix({{1, 2}, {3, 4}});
  TRef<TQDRealMatrixBuffer> B = TQDRealMatrixBuffer::CreateCopy(A);
  B->Assign(TRef<IQDRealBufferArray>(List({{7, 8}, {9}}).Get())); // same shape as before
  EXPECT_EQ(Rows(B->GetMatArrayIntf()), (TRows{{7, 8}, {9, 0}}));
  EXPECT_EQ(Rows(A->GetMatArrayIntf()), (TRows{{1, 2}, {3, 4}}));
}

TEST(TQDRealMatrixAssign, FromAMatrixAndFromItself)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(1, 1);
  M->Assign(Matrix({{1, 2, 3}, {4, 5, 6}})->GetMatArrayIntf());
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{1, 2, 3}, {4, 5, 6}}));

  TRef<TQDRealMatrixBuffer> Shared = TQDRealMatrixBuffer::CreateCopy(M);
  M->Assign(M->GetMatArrayIntf());
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{1, 2, 3}, {4, 5, 6}})) << "shared and assigned to itself";
  EXPECT_THROW(M->Assign(TRef<IQDRealBufferArray>()), EInvalidCast);
}

// ---------------------------------------------------------------------------
// Matrix arithmetic with another array
// ---------------------------------------------------------------------------

using TArrayOp = void (IQDRealBufferArray::*)(const TRef<IQDRealBufferArray>&);

struct TMatrixOpCase
{
  const char* Name;
  friend void PrintTo(const TMatrixOpCase& C, std::ostream* O) { *O << C.Name; }
  TArrayOp Op;
  TRows Self;
  TRows Other;
  bool OtherIsMatrix;
  TRows Want;
};

class MatrixArrayOp : public ::testing::TestWithParam<TMatrixOpCase> {};

TEST_P(MatrixArrayOp, RowsUpToBothCountsOverTheCommonPrefix)
{
  const TMatrixOpCase& C = GetParam();
  TRef<TQDRealMatrixBuffer> M = Matrix(C.Self);
  TRef<TQDRealMatrixBuffer> Before = TQDRealMatrixBuffer::CreateCopy(M);
  TRef<IQDRealBufferArray> Other = C.OtherIsMatrix ? Matrix(C.Other)->GetMatArrayIntf()
                                                   : TRef<IQDRealBufferArray>(List(C.Other).Get());
  (M.Get()->*C.Op)(Other);
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), C.Want);
  EXPECT_EQ(Rows(Before->GetMatArrayIntf()), C.Self) << "a copy sharing the block keeps its values";
  EXPECT_EQ(Rows(Other), C.Other) << "Other is only read";
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, MatrixArrayOp,
    ::testing::Values(
        TMatrixOpCase{"AddMoreAndLongerItems", &IQDRealBufferArray::Add, {{1, 2}, {3, 4}},
                      {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}, false, {{11, 22}, {43, 54}}},
        TMatrixOpCase{"SubtractFewerAndShorterItems", &IQDRealBufferArray::Subtract,
                      {{5, 5, 5}, {6, 6, 6}, {7, 7, 7}}, {{1}, {2, 3}}, false,
                      {{4, 5, 5}, {4, 3, 6}, {7, 7, 7}}},
        TMatrixOpCase{"MultiplyByAMatrix", &IQDRealBufferArray::Multiply, {{1, 2}, {3, 4}},
                      {{2, 3}, {-1, 0.5}}, true, {{2, 6}, {-3, 2}}},
        TMatrixOpCase{"DivideWithZeroDivisors", &IQDRealBufferArray::Divide,
                      {{4, -2, 0, 8}, {5, 1, 1, 1}}, {{2, 0, 0, 4}, {0}}, false,
                      {{2, NegBig, NegBig, 2}, {Big, 1, 1, 1}}},
        TMatrixOpCase{"DivideWithoutZeros", &IQDRealBufferArray::Divide, {{9, 6}},
                      {{3, -2}}, false, {{3, -3}}},
        TMatrixOpCase{"AddAnEmptyArray", &IQDRealBufferArray::Add, {{1, 2}}, {}, false, {{1, 2}}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDRealMatrixArithmetic, AddItselfDoubles)
{
  TRef<TQDRealMatrixBuffer> M = Matrix({{1, 2}, {3, 4}});
  M->Add(M->GetMatArrayIntf());
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{2, 4}, {6, 8}}));
  EXPECT_THROW(M->Add(TRef<IQDRealBufferArray>()), EInvalidCast);
}

TEST(TQDRealMatrixArithmetic, RowsBeyondTheDataAreLeftAlone)
{
  // A byte-level Assign can leave fewer bytes than Rows x Cols.
  TRef<TQDRealMatrixBuffer> M = Matrix({{1, 2}, {3, 4}});
  M->TQDGenericBuffer::Assign(Vec({1, 2, 3})->GetDataBufferIntf());
  ASSERT_EQ(M->GetSize(), 3u);
  M->Add(TRef<IQDRealBufferArray>(List({{1, 1}, {1, 1}}).Get()));
  EXPECT_EQ(std::vector<Real>(M->Read(), M->Read() + 3), (std::vector<Real>{2, 3, 3}));
}

// ---------------------------------------------------------------------------
// Value operations, matrix and list alike
// ---------------------------------------------------------------------------

struct TValueOpCase
{
  const char* Name;
  friend void PrintTo(const TValueOpCase& C, std::ostream* O) { *O << C.Name; }
  std::function<void(IQDRealBufferArray&)> Op;
  std::vector<Real> Want; // from 1, 2, 3, 4; empty: nothing happens
};

class ArrayValueOp : public ::testing::TestWithParam<TValueOpCase> {};

TEST_P(ArrayValueOp, Matrix)
{
  const TValueOpCase& C = GetParam();
  TRef<TQDRealMatrixBuffer> M = Matrix({{1, 2}, {3, 4}});
  TRef<TQDRealMatrixBuffer> Shared = TQDRealMatrixBuffer::CreateCopy(M);
  C.Op(*M);
  EXPECT_EQ(Rows(Shared->GetMatArrayIntf()), (TRows{{1, 2}, {3, 4}}));
  if (C.Want.empty()) {
    EXPECT_EQ(M->Read(), Shared->Read()) << "a neutral value keeps the block shared";
    return;
  }
  EXPECT_EQ(std::vector<Real>(M->Read(), M->Read() + 4), C.Want);
}

TEST_P(ArrayValueOp, List)
{
  const TValueOpCase& C = GetParam();
  TRef<TQDRealBufferList> L = List({{1, 2, 3}, {4}});
  TRef<IQDRealBuffer> Item0 = L->GetItem(0);
  TRef<TQDRealBuffer> Copy0 = TQDRealBuffer::CreateCopy(Item0);
  C.Op(*L);
  EXPECT_EQ(L->GetItem(0), Item0) << "the items themselves change";
  EXPECT_EQ(Values(Copy0), (std::vector<Real>{1, 2, 3}));
  if (C.Want.empty()) {
    EXPECT_EQ(Item0->Read(), Copy0->Read()) << "a neutral value keeps the block shared";
    return;
  }
  EXPECT_EQ(Values(L->GetItem(0)), (std::vector<Real>{C.Want[0], C.Want[1], C.Want[2]}));
  EXPECT_EQ(Values(L->GetItem(1)), (std::vector<Real>{C.Want[3]}));
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, ArrayValueOp,
    ::testing::Values(
        TValueOpCase{"SetValue", [](IQDRealBufferArray& A) { A.SetValue(-1.5); }, {-1.5, -1.5, -1.5, -1.5}},
        TValueOpCase{"AddValue", [](IQDRealBufferArray& A) { A.AddValue(10); }, {11, 12, 13, 14}},
        TValueOpCase{"SubtractValue", [](IQDRealBufferArray& A) { A.SubtractValue(1); }, {0, 1, 2, 3}},
        TValueOpCase{"MultiplyValue", [](IQDRealBufferArray& A) { A.MultiplyValue(-2); }, {-2, -4, -6, -8}},
        TValueOpCase{"DivideValue", [](IQDRealBufferArray& A) { A.DivideValue(4); }, {0.25, 0.5, 0.75, 1}},
        TValueOpCase{"Zero", [](IQDRealBufferArray& A) { A.Zero(); }, {0, 0, 0, 0}},
        TValueOpCase{"AddZero", [](IQDRealBufferArray& A) { A.AddValue(0); }, {}},
        TValueOpCase{"SubtractZero", [](IQDRealBufferArray& A) { A.SubtractValue(0); }, {}},
        TValueOpCase{"MultiplyByOne", [](IQDRealBufferArray& A) { A.MultiplyValue(1); }, {}},
        TValueOpCase{"DivideByOne", [](IQDRealBufferArray& A) { A.DivideValue(1); }, {}},
        TValueOpCase{"DivideByZero", [](IQDRealBufferArray& A) { A.DivideValue(0); }, {}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------
// Matrix SetSize
// ---------------------------------------------------------------------------

struct TMatrixSizeCase
{
  const char* Name;
  friend void PrintTo(const TMatrixSizeCase& C, std::ostream* O) { *O << C.Name; }
  Integer Rows, Cols;
  bool Preserve;
  bool Shared;      // another matrix shares the block
  bool SameBlock;   // the block stays
  std::vector<Real> WantPrefix; // values kept in storage order
};

class MatrixSetSize : public ::testing::TestWithParam<TMatrixSizeCase> {};

TEST_P(MatrixSetSize, NewShapeAndTheBlockItNeeds)
{
  const TMatrixSizeCase& C = GetParam();
  TRef<TQDRealMatrixBuffer> M = Matrix({{1, 2}, {3, 4}, {5, 6}}); // 64-byte block: room for 8
  TRef<TQDRealMatrixBuffer> Other = C.Shared ? TQDRealMatrixBuffer::CreateCopy(M) : nullptr;
  TQDSmartBuffer* Before = BlockOf(M);
  M->SetSize(C.Rows, C.Cols, C.Preserve);
  EXPECT_EQ(M->GetRows(), C.Rows);
  EXPECT_EQ(M->GetCols(), C.Cols);
  EXPECT_EQ(M->GetSize(), Cardinal(C.Rows * C.Cols));
  EXPECT_EQ(BlockOf(M) == Before, C.SameBlock);
  ASSERT_LE(C.WantPrefix.size(), M->GetSize());
  EXPECT_EQ(std::vector<Real>(M->Read(), M->Read() + C.WantPrefix.size()), C.WantPrefix);
  if (Other) {
    EXPECT_EQ(Other->GetRows(), 3);
    EXPECT_EQ(Rows(Other->GetMatArrayIntf()), (TRows{{1, 2}, {3, 4}, {5, 6}}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, MatrixSetSize,
    ::testing::Values(
        TMatrixSizeCase{"SameCountOtherShape", 2, 3, true, false, true, {1, 2, 3, 4, 5, 6}},
        TMatrixSizeCase{"ShrinkInPlace", 2, 2, true, false, true, {1, 2, 3, 4}},
        TMatrixSizeCase{"ShrinkSharedInPlace", 1, 2, true, true, true, {1, 2}},
        TMatrixSizeCase{"GrowWithinReservedMemory", 2, 4, true, false, true, {1, 2, 3, 4, 5, 6}},
        TMatrixSizeCase{"GrowBeyondReservedMemory", 4, 4, true, false, false, {1, 2, 3, 4, 5, 6}},
        TMatrixSizeCase{"GrowSharedTakesANewBlock", 2, 4, true, true, false, {1, 2, 3, 4, 5, 6}},
        TMatrixSizeCase{"WithoutPreserveEvenShrinkingTakesANewBlock", 2, 2, false, false, false, {}},
        TMatrixSizeCase{"SameShapeDoesNothing", 3, 2, false, true, true, {1, 2, 3, 4, 5, 6}},
        TMatrixSizeCase{"NoRowsKeepsTheBlock", 0, 5, false, false, true, {}},
        TMatrixSizeCase{"NoColumnsKeepsTheBlock", 4, 0, true, false, true, {}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDRealMatrixSetSize, RefusedSizesChangeNothing)
{
  TRef<TQDRealMatrixBuffer> M = Matrix({{1, 2}, {3, 4}});
  ExpectError<ERangeError>([&] { M->SetSize(-1, 2, true); }, "Size out of range = -1");
  ExpectError<ERangeError>([&] { M->SetSize(2, -3, false); }, "Size out of range = -3");
  EXPECT_THROW(M->SetSize(1 << 16, 1 << 16, false), EOutOfMemory);
  EXPECT_EQ(M->GetRows(), 2);
  EXPECT_EQ(M->GetCols(), 2);
  EXPECT_EQ(Rows(M->GetMatArrayIntf()), (TRows{{1, 2}, {3, 4}}));
}

TEST(TQDRealMatrixSetSize, SameShapeRestoresDataThatAByteAssignCut)
{
  TRef<TQDRealMatrixBuffer> M = Matrix({{1, 2}, {3, 4}});
  M->TQDGenericBuffer::Assign(Vec({1, 2, 3})->GetDataBufferIntf());
  M->SetSize(2, 2, true);
  EXPECT_EQ(M->GetSize(), 4u);
  EXPECT_EQ(M->GetItem(1, 0), 3.0);
}

// ---------------------------------------------------------------------------
// List construction and Assign
// ---------------------------------------------------------------------------

TEST(TQDRealBufferList, CreateDataSharesBlocksButNotWrites)
{
  TRef<TQDRealBuffer> A = Vec({1, 2});
  TRef<TQDRealBuffer> B = Vec({3});
  TRef<TQDRealBufferList> L = TQDRealBufferList::CreateData({A, B});
  ASSERT_EQ(L->GetCount(), 2);
  EXPECT_NE(L->GetItem(0), TRef<IQDRealBuffer>(A)) << "a new buffer object";
  EXPECT_EQ(L->GetItem(0)->Read(), A->Read()) << "over A's block";

  L->GetItem(0)->SetItem(0, 9.0);
  EXPECT_EQ(Values(L->GetItem(0)), (std::vector<Real>{9, 2}));
  EXPECT_EQ(Values(*A), (std::vector<Real>{1, 2}));
  A->SetItem(1, 7.0);
  EXPECT_EQ(Values(L->GetItem(0)), (std::vector<Real>{9, 2}));
  EXPECT_THROW(TQDRealBufferList::CreateData({A, nullptr}), EInvalidCast);
}

TEST(TQDRealBufferList, CreateCopyCarriesTheItemsOver)
{
  TRef<TQDRealBufferList> L = List({{1, 2}, {3}});
  TRef<TQDRealBufferList> C = TQDRealBufferList::CreateCopy(TRef<IQDRealBufferArray>(L.Get()));
  EXPECT_EQ(Rows(*C), (TRows{{1, 2}, {3}}));
  EXPECT_EQ(C->GetItem(1)->Read(), L->GetItem(1)->Read()) << "items share their blocks";
  C->SetElement(1, 0, 8.0);
  EXPECT_EQ(L->GetElement(1, 0), 3.0);

  TRef<TQDRealBufferList> FromMatrix = TQDRealBufferList::CreateCopy(Matrix({{1, 2}, {3, 4}})->GetMatArrayIntf());
  EXPECT_EQ(Rows(*FromMatrix), (TRows{{1, 2}, {3, 4}}));
  EXPECT_THROW(TQDRealBufferList::CreateCopy(nullptr), EInvalidCast);
}

TEST(TQDRealBufferList, AssignTakesReferencesFromAListAndCopiesFromAMatrix)
{
  TRef<TQDRealBufferList> Source = List({{1}, {2, 3}});
  TRef<TQDRealBufferList> L = List({{9, 9, 9}});
  L->Assign(TRef<IQDRealBufferArray>(Source.Get()));
  ASSERT_EQ(L->GetCount(), 2);
  EXPECT_EQ(L->GetItem(1), Source->GetItem(1)) << "the same buffer objects";

  TRef<TQDRealMatrixBuffer> M = Matrix({{4, 5}, {6, 7}, {8, 9}});
  L->Assign(M->GetMatArrayIntf());
  EXPECT_EQ(Rows(*L), (TRows{{4, 5}, {6, 7}, {8, 9}}));
  L->SetElement(0, 0, 0.0);
  EXPECT_EQ(M->GetItem(0, 0), 4.0) << "rows of a matrix arrive as copies";

  L->Assign(TRef<IQDRealBufferArray>(L.Get()));
  EXPECT_EQ(L->GetCount(), 3) << "assigning a list to itself keeps it";
  EXPECT_THROW(L->Assign(nullptr), EInvalidCast);
}

// ---------------------------------------------------------------------------
// List arithmetic with another array
// ---------------------------------------------------------------------------

struct TListOpCase
{
  const char* Name;
  friend void PrintTo(const TListOpCase& C, std::ostream* O) { *O << C.Name; }
  TArrayOp Op;
  TRows Self;
  TRows Other;
  bool OtherIsMatrix;
  TRows Want;
};

class ListArrayOp : public ::testing::TestWithParam<TListOpCase> {};

TEST_P(ListArrayOp, EachItemOverTheCommonPrefix)
{
  const TListOpCase& C = GetParam();
  TRef<TQDRealBufferList> L = List(C.Self);
  TRef<TQDRealBufferList> Sharing = TQDRealBufferList::CreateCopy(TRef<IQDRealBufferArray>(L.Get()));
  TRef<IQDRealBufferArray> Other = C.OtherIsMatrix ? Matrix(C.Other)->GetMatArrayIntf()
                                                   : TRef<IQDRealBufferArray>(List(C.Other).Get());
  (L.Get()->*C.Op)(Other);
  EXPECT_EQ(Rows(*L), C.Want);
  EXPECT_EQ(Rows(*Sharing), C.Self) << "items that only shared a block keep their values";
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, ListArrayOp,
    ::testing::Values(
        TListOpCase{"AddLongerAndShorter", &IQDRealBufferArray::Add, {{1, 2, 3}, {4, 5}},
                    {{10}, {10, 20, 30}}, false, {{11, 2, 3}, {14, 25}}},
        TListOpCase{"SubtractMoreItems", &IQDRealBufferArray::Subtract, {{5, 5}},
                    {{1, 2}, {9, 9}}, false, {{4, 3}}},
        TListOpCase{"MultiplyByAMatrix", &IQDRealBufferArray::Multiply, {{1, 2, 3}, {4}},
                    {{2, 2}, {3, 3}}, true, {{2, 4, 3}, {12}}},
        TListOpCase{"DivideWithZeroDivisors", &IQDRealBufferArray::Divide, {{4, -2, 0, 8}, {5}},
                    {{2, 0, 0, 4}, {0}}, false, {{2, NegBig, NegBig, 2}, {Big}}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TQDRealBufferListArithmetic, ShortOtherFailsBeforeAnyItemChanges)
{
  TRef<TQDRealBufferList> L = List({{1}, {2}, {3}});
  ExpectError<EListError>([&] { L->Add(TRef<IQDRealBufferArray>(List({{1}}).Get())); },
                          "List index out of bounds (1)");
  ExpectError<ERangeError>([&] { L->Multiply(Matrix({{5}, {5}})->GetMatArrayIntf()); },
                           "Row out of range = 2");
  EXPECT_EQ(Rows(*L), (TRows{{1}, {2}, {3}}));
}

TEST(TQDRealBufferListArithmetic, ChangesTheItemObjectsEveryHolderSees)
{
  TRef<TQDRealBuffer> Item = Vec({1, 2});
  TRef<TQDRealBufferList> L = TQDRealBufferList::Create();
  L->Append(Item);
  L->Add(TRef<IQDRealBufferArray>(L.Get()));
  EXPECT_EQ(Values(*Item), (std::vector<Real>{2, 4})) << "the list holds Item itself";
}

TEST(TQDRealBufferListArithmetic, EmptyItemsFailBeforeAnythingChanges)
{
  TRef<TQDRealBufferList> L = List({{1, 2}});
  L->Append(nullptr);
  EXPECT_THROW(L->AddValue(1), EInvalidCast);
  EXPECT_THROW(L->Add(TRef<IQDRealBufferArray>(List({{1}, {1}}).Get())), EInvalidCast);
  EXPECT_THROW(L->SetSize(2, 4, true), EInvalidCast);
  EXPECT_EQ(Values(L->GetItem(0)), (std::vector<Real>{1, 2}));
  TRef<TQDRealBufferList> Holes = TQDRealBufferList::Create();
  Holes->Append(nullptr);
  EXPECT_THROW(List({{1}})->Add(TRef<IQDRealBufferArray>(Holes.Get())), EInvalidCast)
      << "an empty item on the other side";
  EXPECT_THROW(TQDRealMatrixBuffer::CreateSize(1, 1)->Add(TRef<IQDRealBufferArray>(Holes.Get())),
               EInvalidCast);
}

// ---------------------------------------------------------------------------
// List SetSize
// ---------------------------------------------------------------------------

TEST(TQDRealBufferListSetSize, GrowsAnEmptyListWithNewBuffers)
{
  TRef<TQDRealBufferList> L = TQDRealBufferList::Create();
  L->SetSize(3, 5, false);
  ASSERT_EQ(L->GetCount(), 3);
  for (Integer I = 0; I < 3; ++I)
    EXPECT_EQ(L->GetItemSize(I), 5);
  EXPECT_NE(L->GetItem(0), L->GetItem(1));
}

TEST(TQDRealBufferListSetSize, DropsFromTheEndAndResizesTheRest)
{
  TRef<TQDRealBufferList> L = List({{1, 2}, {3}, {4, 5, 6, 7, 8, 9}, {10}});
  TRef<IQDRealBuffer> First = L->GetItem(0);
  TRef<IQDRealBuffer> Last = L->GetItem(3);
  L->SetSize(3, 4, true);
  ASSERT_EQ(L->GetCount(), 3);
  EXPECT_EQ(L->GetItem(0), First) << "remaining items are resized, not replaced";
  EXPECT_EQ(Values(L->GetItem(2)), (std::vector<Real>{4, 5, 6, 7}));
  for (Integer I = 0; I < 3; ++I)
    EXPECT_EQ(L->GetItemSize(I), 4);
  EXPECT_EQ(Values(First)[0], 1.0);
  EXPECT_EQ(Values(Last), (std::vector<Real>{10})) << "a dropped item is only released";

  L->SetSize(0, 0, false);
  EXPECT_EQ(L->GetCount(), 0);
}

TEST(TQDRealBufferListSetSize, WithoutPreserveResizesEveryRemainingItem)
{
  TRef<TQDRealBufferList> L = List({{1}, {2, 3}, {4, 5, 6}, {7}});
  L->SetSize(3, 5, false);
  ASSERT_EQ(L->GetCount(), 3);
  for (Integer I = 0; I < 3; ++I)
    EXPECT_EQ(L->GetItemSize(I), 5);
  EXPECT_EQ(L->GetMaxSize(), 5);
}

TEST(TQDRealBufferListSetSize, RefusedSizesChangeNothing)
{
  TRef<TQDRealBufferList> L = List({{1}, {2}});
  ExpectError<ERangeError>([&] { L->SetSize(-1, 3, false); }, "Size out of range = -1");
  ExpectError<ERangeError>([&] { L->SetSize(1, -2, false); }, "Size out of range = -2");
  EXPECT_THROW(L->SetSize(1, 1 << 28, false), EOutOfMemory);
  EXPECT_EQ(Rows(*L), (TRows{{1}, {2}}));
}

} // namespace
