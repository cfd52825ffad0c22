//===- buffers/QDRealArrayOps.cpp - Matrix and list construction and arithmetic -===//
//
// The constructors, conversions, whole-array arithmetic and SetSize of
// TQDRealMatrixBuffer and TQDRealBufferList. A matrix runs each operation as
// one primitive call per row (or one over all values); a list runs the real
// buffer operation on each item.
//
//===----------------------------------------------------------------------===//
#include "buffers/QDSimpleDataBuffer.h"

#include "platform/Exceptions.h"
#include "primitives/QDScopeDispatcher.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr const char* SSizeOutOfRange = "Size out of range = %d";

enum class TElementOp { Add, Subtract, Multiply, Divide };

/// Element count to bytes, refusing what no block can hold.
Cardinal RealBytes(UInt64 ACount)
{
  const UInt64 Bytes = ACount * sizeof(Real);
  if (Bytes > QDMaxBlockSize)
    throw EOutOfMemory(SOutOfMemory);
  return static_cast<Cardinal>(Bytes);
}

void CheckSize(Integer ACount, Integer ASize)
{
  if (ACount < 0)
    throw ERangeError(Format(SSizeOutOfRange, ACount));
  if (ASize < 0)
    throw ERangeError(Format(SSizeOutOfRange, ASize));
}

template <class T>
T& NonEmpty(const TRef<T>& A)
{
  if (!A)
    throw EInvalidCast(SInvalidCast);
  return *A;
}

/// The divide-by-zero status leaves inf or NaN where a divisor was 0 (or NaN);
/// those places get fixed large values with the numerator's sign instead.
void ReplaceZeroQuotients(const Real* ADivisor, Real* AQuotient, Cardinal N)
{
  for (Cardinal I = 0; I < N; ++I)
    if (ADivisor[I] == 0.0 || std::isnan(ADivisor[I]))
      AQuotient[I] = AQuotient[I] > 0.0 ? 1.0E15 : -1.0E14;
}

/// SrcDst[i] op= Src[i] for N values through the primitive of AOp.
void ApplyElementOp(TElementOp AOp, const Real* Src, Real* SrcDst, Cardinal N)
{
  if (N == 0)
    return;
  const int Len = static_cast<int>(N);
  switch (AOp) {
  case TElementOp::Add:
    ippsAdd_64f_I(Src, SrcDst, Len);
    return;
  case TElementOp::Subtract:
    ippsSub_64f_I(Src, SrcDst, Len);
    return;
  case TElementOp::Multiply:
    ippsMul_64f_I(Src, SrcDst, Len);
    return;
  case TElementOp::Divide:
    if (ippsDiv_64f_I(Src, SrcDst, Len) == ippStsDivByZero)
      ReplaceZeroQuotients(Src, SrcDst, N);
    return;
  }
}

/// Copies min(item size, ACols) values of each of AOther's first ARows items
/// into the rows at ADst and fills the rest of each row with zeros.
void FillRows(Real* ADst, Cardinal ARows, Cardinal ACols, IQDRealBufferArray& AOther)
{
  for (Cardinal I = 0; I < ARows; ++I) {
    TRef<IQDRealBuffer> Item = AOther.GetItem(static_cast<Integer>(I));
    Real* Row = ADst + std::size_t(I) * ACols;
    const Cardinal N = std::min(NonEmpty(Item).GetSize(), ACols);
    if (N > 0)
      ippsCopy_64f(Item->Read(), Row, static_cast<int>(N));
    if (N < ACols)
      ippsZero_64f(Row + N, static_cast<int>(ACols - N));
  }
}

/// Raises EInvalidCast, before anything changes, when a list holds an empty item.
const std::vector<TRef<IQDRealBuffer>>& Filled(const std::vector<TRef<IQDRealBuffer>>& AItems)
{
  for (const TRef<IQDRealBuffer>& Item : AItems)
    NonEmpty(Item);
  return AItems;
}

/// Rows of AMatrix that lie whole inside its data: all of them unless a
/// byte-level Assign left fewer bytes than Rows x Cols.
Cardinal WholeRows(TQDRealMatrixBuffer& AMatrix)
{
  const Cardinal Cols = static_cast<Cardinal>(AMatrix.GetCols());
  const Cardinal Rows = static_cast<Cardinal>(AMatrix.GetRows());
  return Cols == 0 ? 0 : std::min(Rows, AMatrix.GetSize() / Cols);
}

void ApplyRows(TElementOp AOp, TQDRealMatrixBuffer& AMatrix, const TRef<IQDRealBufferArray>& AOther)
{
  IQDRealBufferArray& Other = NonEmpty(AOther);
  Real* Data = AMatrix.Modify();
  const Cardinal Cols = static_cast<Cardinal>(AMatrix.GetCols());
  const Cardinal Rows = std::min<Cardinal>(WholeRows(AMatrix), std::max(Other.GetCount(), 0));
  for (Cardinal I = 0; I < Rows; ++I) {
    TRef<IQDRealBuffer> Item = Other.GetItem(static_cast<Integer>(I));
    const Cardinal N = std::min(Cols, NonEmpty(Item).GetSize());
    ApplyElementOp(AOp, Item->Read(), Data + std::size_t(I) * Cols, N);
  }
}
} // namespace

// ---------------------------------------------------------------------------
// TQDRealMatrixBuffer: construction and conversion
// ---------------------------------------------------------------------------

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::CreateData(const Real* AData, Cardinal ARows,
                                                          Cardinal ACols)
{
  TRef<TQDRealMatrixBuffer> Result = CreateSize(ARows, ACols);
  const Cardinal N = Result->GetSize();
  if (AData && N > 0)
    ippsCopy_64f(AData, Result->Write(), static_cast<int>(N));
  return Result;
}

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::CreateValue(Real AValue, Cardinal ARows, Cardinal ACols)
{
  TRef<TQDRealMatrixBuffer> Result = CreateSize(ARows, ACols);
  Result->SetValue(AValue);
  return Result;
}

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::CreateCopy(const TRef<IQDRealMatrixBuffer>& Other)
{
  IQDRealMatrixBuffer& Source = NonEmpty(Other);
  auto* Instance = dynamic_cast<TQDGenericBuffer*>(Source.GetInstance());
  if (!Instance)
    throw EInvalidCast(SInvalidCast);
  TRef<TQDRealMatrixBuffer> Result = FirstRef(new TQDRealMatrixBuffer);
  Result->ShareFrom(*Instance);
  Result->FCols = Source.GetCols();
  Result->FRows = Source.GetRows();
  return Result;
}

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  NonEmpty(Other);
  if (TRef<IQDRealMatrixBuffer> Matrix = Query<IQDRealMatrixBuffer>(Other))
    return CreateCopy(Matrix);
  if (TRef<IQDRealBufferArray> Array = Query<IQDRealBufferArray>(Other)) {
    const Cardinal Rows = static_cast<Cardinal>(std::max(Array->GetCount(), 0));
    const Cardinal Cols = static_cast<Cardinal>(std::max(Array->GetMaxSize(), 0));
    TRef<TQDRealMatrixBuffer> Result = CreateSize(Rows, Cols);
    FillRows(Result->Write(), Rows, Cols, *Array);
    return Result;
  }
  TRef<IQDDataBuffer> Buffer = Cast<IQDDataBuffer>(Other);
  auto* Instance = dynamic_cast<TQDGenericBuffer*>(Buffer->GetInstance());
  if (!Instance)
    throw EInvalidCast(SInvalidCast);
  TRef<TQDRealMatrixBuffer> Result = FirstRef(new TQDRealMatrixBuffer);
  Result->ShareFrom(*Instance);
  Result->FRows = 1;
  Result->FCols = static_cast<Integer>(Instance->GetByteSize() / sizeof(Real));
  // Trailing bytes that make no whole double are not part of the row.
  Result->FCharSize = Cardinal(Result->FCols) * sizeof(Real);
  return Result;
}

void TQDRealMatrixBuffer::Assign(const TRef<IQDRealBufferArray>& Other)
{
  IQDRealBufferArray& Source = NonEmpty(Other);
  if (Source.GetInstance() == this)
    return; // every row already holds itself; Write below could lose them
  SetSize(Source.GetCount(), Source.GetMaxSize(), false);
  // All values are written (short rows end in zeros), so Write: a copy that
  // shared the block keeps its values, and a fresh block holds nothing stale.
  FillRows(Write(), WholeRows(*this), Cardinal(FCols), Source);
}

// ---------------------------------------------------------------------------
// TQDRealMatrixBuffer: arithmetic
// ---------------------------------------------------------------------------

void TQDRealMatrixBuffer::Add(const TRef<IQDRealBufferArray>& Other)
{
  ApplyRows(TElementOp::Add, *this, Other);
}

void TQDRealMatrixBuffer::Subtract(const TRef<IQDRealBufferArray>& Other)
{
  ApplyRows(TElementOp::Subtract, *this, Other);
}

void TQDRealMatrixBuffer::Multiply(const TRef<IQDRealBufferArray>& Other)
{
  ApplyRows(TElementOp::Multiply, *this, Other);
}

void TQDRealMatrixBuffer::Divide(const TRef<IQDRealBufferArray>& Other)
{
  ApplyRows(TElementOp::Divide, *this, Other);
}

void TQDRealMatrixBuffer::SetValue(Real AValue)
{
  const Cardinal N = GetSize();
  Real* Data = Write();
  if (N > 0)
    ippsSet_64f(AValue, Data, static_cast<int>(N));
}

void TQDRealMatrixBuffer::AddValue(Real AValue)
{
  if (AValue == 0.0)
    return;
  const Cardinal N = GetSize();
  Real* Data = Modify();
  if (N > 0)
    ippsAddC_64f_I(AValue, Data, static_cast<int>(N));
}

void TQDRealMatrixBuffer::SubtractValue(Real AValue)
{
  if (AValue == 0.0)
    return;
  const Cardinal N = GetSize();
  Real* Data = Modify();
  if (N > 0)
    ippsSubC_64f_I(AValue, Data, static_cast<int>(N));
}

void TQDRealMatrixBuffer::MultiplyValue(Real AValue)
{
  if (AValue == 1.0)
    return;
  const Cardinal N = GetSize();
  Real* Data = Modify();
  if (N > 0)
    ippsMulC_64f_I(AValue, Data, static_cast<int>(N));
}

void TQDRealMatrixBuffer::DivideValue(Real AValue)
{
  if (AValue == 0.0 || AValue == 1.0)
    return;
  const Cardinal N = GetSize();
  Real* Data = Modify();
  if (N > 0)
    ippsDivC_64f_I(AValue, Data, static_cast<int>(N));
}

void TQDRealMatrixBuffer::Zero()
{
  const Cardinal N = GetSize();
  Real* Data = Write();
  if (N > 0)
    ippsZero_64f(Data, static_cast<int>(N));
}

void TQDRealMatrixBuffer::SetSize(Integer ARows, Integer ACols, Boolean PreserveData)
{
  CheckSize(ARows, ACols);
  if (ARows == 0 || ACols == 0) {
    FCharSize = 0;
    FCols = ACols;
    FRows = ARows;
    UpdateDataPtr();
    return;
  }
  const UInt64 Count = UInt64(ARows) * UInt64(ACols);
  const Cardinal Bytes = RealBytes(Count); // refused before anything changes
  // The size is compared too: a byte-level Assign may have left the shape
  // without its data.
  if (ACols == FCols && ARows == FRows && GetSize() == Count)
    return;
  TQDSmartBuffer* OldBlock = pDataContainer;
  const bool InPlace =
      PreserveData && (GetSize() > Count || (OldBlock && OldBlock->SingleOwner() &&
                                             OldBlock->GetAllocatedSize() / sizeof(Real) >= Count));
  if (!InPlace) {
    TQDSmartMemoryBuffer* NewBlock = CreateStorage(static_cast<Cardinal>(Count));
    if (PreserveData && OldBlock)
      NewBlock->CopyFrom(*OldBlock);
    ReplaceBlock(NewBlock);
  }
  FCols = ACols;
  FRows = ARows;
  FCharSize = Bytes;
  UpdateDataPtr();
}

// ---------------------------------------------------------------------------
// TQDRealBufferList
// ---------------------------------------------------------------------------

TRef<TQDRealBufferList> TQDRealBufferList::CreateData(const std::vector<TRef<IQDRealBuffer>>& ABuffers)
{
  TRef<TQDRealBufferList> Result = Create();
  Result->FList.reserve(ABuffers.size());
  for (const TRef<IQDRealBuffer>& Buffer : ABuffers)
    Result->FList.push_back(TQDRealBuffer::CreateCopy(Buffer));
  return Result;
}

TRef<TQDRealBufferList> TQDRealBufferList::CreateCopy(const TRef<IQDRealBufferArray>& AOther)
{
  IQDRealBufferArray& Source = NonEmpty(AOther);
  TRef<TQDRealBufferList> Result = Create();
  const Integer Count = Source.GetCount();
  Result->FList.reserve(static_cast<std::size_t>(std::max(Count, 0)));
  for (Integer I = 0; I < Count; ++I)
    Result->FList.push_back(TQDRealBuffer::CreateCopy(Source.GetItem(I)));
  return Result;
}

void TQDRealBufferList::Assign(const TRef<IQDRealBufferArray>& Other)
{
  IQDRealBufferArray& Source = NonEmpty(Other);
  if (Source.GetInstance() == this)
    return;
  std::vector<TRef<IQDRealBuffer>> Items;
  const Integer Count = Source.GetCount();
  Items.reserve(static_cast<std::size_t>(std::max(Count, 0)));
  for (Integer I = 0; I < Count; ++I)
    Items.push_back(Source.GetItem(I));
  FList.swap(Items);
}

namespace {
/// Other's first ACount items, all fetched before any item changes, so that a
/// short Other fails without leaving half a result.
std::vector<TRef<IQDRealBuffer>> RightItems(Integer ACount, const TRef<IQDRealBufferArray>& AOther)
{
  IQDRealBufferArray& Other = NonEmpty(AOther);
  std::vector<TRef<IQDRealBuffer>> Result;
  Result.reserve(static_cast<std::size_t>(ACount));
  for (Integer I = 0; I < ACount; ++I) {
    Result.push_back(Other.GetItem(I));
    NonEmpty(Result.back());
  }
  return Result;
}
} // namespace

void TQDRealBufferList::Add(const TRef<IQDRealBufferArray>& Other)
{
  Filled(FList);
  std::vector<TRef<IQDRealBuffer>> Right = RightItems(GetCount(), Other);
  for (std::size_t I = 0; I < FList.size(); ++I)
    FList[I]->Add(Right[I]);
}

void TQDRealBufferList::Subtract(const TRef<IQDRealBufferArray>& Other)
{
  Filled(FList);
  std::vector<TRef<IQDRealBuffer>> Right = RightItems(GetCount(), Other);
  for (std::size_t I = 0; I < FList.size(); ++I)
    FList[I]->Subtract(Right[I]);
}

void TQDRealBufferList::Multiply(const TRef<IQDRealBufferArray>& Other)
{
  Filled(FList);
  std::vector<TRef<IQDRealBuffer>> Right = RightItems(GetCount(), Other);
  for (std::size_t I = 0; I < FList.size(); ++I)
    FList[I]->Multiply(Right[I]);
}

void TQDRealBufferList::Divide(const TRef<IQDRealBufferArray>& Other)
{
  Filled(FList);
  std::vector<TRef<IQDRealBuffer>> Right = RightItems(GetCount(), Other);
  for (std::size_t I = 0; I < FList.size(); ++I)
    FList[I]->Divide(Right[I]);
}

void TQDRealBufferList::SetValue(Real AValue)
{
  for (const TRef<IQDRealBuffer>& Item : Filled(FList))
    Item->SetValue(AValue);
}

void TQDRealBufferList::AddValue(Real AValue)
{
  for (const TRef<IQDRealBuffer>& Item : Filled(FList))
    Item->AddValue(AValue);
}

void TQDRealBufferList::SubtractValue(Real AValue)
{
  for (const TRef<IQDRealBuffer>& Item : Filled(FList))
    Item->SubtractValue(AValue);
}

void TQDRealBufferList::MultiplyValue(Real AValue)
{
  for (const TRef<IQDRealBuffer>& Item : Filled(FList))
    Item->MultiplyValue(AValue);
}

void TQDRealBufferList::DivideValue(Real AValue)
{
  for (const TRef<IQDRealBuffer>& Item : Filled(FList))
    Item->DivideValue(AValue);
}

void TQDRealBufferList::Zero()
{
  for (const TRef<IQDRealBuffer>& Item : Filled(FList))
    Item->Zero();
}

void TQDRealBufferList::SetSize(Integer ACount, Integer ASize, Boolean PreserveData)
{
  CheckSize(ACount, ASize);
  RealBytes(Cardinal(ASize)); // refused before any item goes
  const auto Count = static_cast<std::size_t>(ACount);
  for (std::size_t I = 0; I < std::min(Count, FList.size()); ++I)
    NonEmpty(FList[I]); // an empty item that stays fails before any item goes
  if (FList.size() > Count)
    FList.resize(Count);
  for (const TRef<IQDRealBuffer>& Item : FList)
    Item->Resize(Cardinal(ASize), PreserveData);
  while (FList.size() < Count)
    FList.push_back(TQDRealBuffer::CreateSize(Cardinal(ASize)));
}
