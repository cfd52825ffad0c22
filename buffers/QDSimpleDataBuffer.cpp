#include "buffers/QDSimpleDataBuffer.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr const char* SIndexOutOfRange = "Index out of range = %u";
constexpr const char* SRowOutOfRange = "Row out of range = %u";
constexpr const char* SColumnOutOfRange = "Column out of range = %u";
constexpr const char* SCopyRangeError = "CopyTo range out of bounds";

/// The generic buffer behind an interface, or EInvalidCast.
TQDGenericBuffer& GenericInstance(IQDData* AData)
{
  auto* Instance = AData ? dynamic_cast<TQDGenericBuffer*>(AData->GetInstance()) : nullptr;
  if (!Instance)
    throw EInvalidCast(SInvalidCast);
  return *Instance;
}

/// Element count to bytes, refusing what no block can hold.
Cardinal ByteCount(UInt64 ACount, UInt64 AElementSize)
{
  const UInt64 Bytes = ACount * AElementSize;
  if (Bytes > QDMaxBlockSize)
    throw EOutOfMemory(SOutOfMemory);
  return static_cast<Cardinal>(Bytes);
}
} // namespace

// ---------------------------------------------------------------------------
// TQDSequenceStamp
// ---------------------------------------------------------------------------

Boolean TQDSequenceStamp::GetAvailable() const
{
  return FIntBuffer->pDataContainer && FIntBuffer->pDataContainer->GetBufferNumberAvailable();
}

void TQDSequenceStamp::SetAvailable(Boolean AValue)
{
  if (FIntBuffer->pDataContainer)
    FIntBuffer->pDataContainer->SetBufferNumberAvailable(AValue);
}

Int64 TQDSequenceStamp::GetBufferNumber() const
{
  return FIntBuffer->pDataContainer ? FIntBuffer->pDataContainer->GetBufferNumber() : 0;
}

void TQDSequenceStamp::SetBufferNumber(Int64 AValue)
{
  if (FIntBuffer->pDataContainer)
    FIntBuffer->pDataContainer->SetBufferNumber(AValue);
}

// ---------------------------------------------------------------------------
// TQDBasicBuffer
// ---------------------------------------------------------------------------

std::int32_t TQDBasicBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDData>(this, AIID, AObj))
    return S_OK;
  return TInterfacedObject::QueryInterface(AIID, AObj);
}

// ---------------------------------------------------------------------------
// TQDGenericBuffer
// ---------------------------------------------------------------------------

TRef<TQDGenericBuffer> TQDGenericBuffer::Create(TQDSmartBuffer* ADataContainer, Cardinal ASize)
{
  TRef<TQDGenericBuffer> Result(new TQDGenericBuffer);
  Result->AttachBlock(ADataContainer, ASize);
  return Result;
}

TRef<TQDGenericBuffer> TQDGenericBuffer::CreateEx(TQDGenericBuffer* Other)
{
  TRef<TQDGenericBuffer> Result(new TQDGenericBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<TQDGenericBuffer> TQDGenericBuffer::CreateCopy(const TRef<IQDGenericBuffer>& Other)
{
  TRef<TQDGenericBuffer> Result(new TQDGenericBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TRef<TQDGenericBuffer> TQDGenericBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  TRef<TQDGenericBuffer> Result(new TQDGenericBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TQDGenericBuffer::~TQDGenericBuffer()
{
  if (TQDSmartBuffer* Block = std::exchange(pDataContainer, nullptr))
    Block->RemoveReff(FOwnsData);
}

void* TQDGenericBuffer::operator new(std::size_t ASize)
{
  return SmartBufferManager().Allocate(static_cast<Cardinal>(ASize));
}

void TQDGenericBuffer::operator delete(void* APtr, std::size_t ASize) noexcept
{
  SmartBufferManager().Deallocate(APtr, static_cast<Cardinal>(ASize));
}

void TQDGenericBuffer::operator delete(TQDGenericBuffer* ASelf, std::destroying_delete_t,
                                       std::size_t ASize) noexcept
{
  void* Memory = dynamic_cast<void*>(ASelf); // what operator new returned
  TQDSmartBufferManager& Pool = SmartBufferManager();
  // The last reference to a block is dropped without the block's lock, so the
  // hold takes no block lock inside the pool's (the order is block, then pool).
  const TQDSmartBuffer* Block = ASelf->pDataContainer;
  if (!Block || Block->LastTransportIsAlone()) {
    TQDSmartBufferManager::THold Hold(Pool);
    ASelf->~TQDGenericBuffer();
    Pool.Deallocate(Memory, static_cast<Cardinal>(ASize));
    return;
  }
  ASelf->~TQDGenericBuffer();
  Pool.Deallocate(Memory, static_cast<Cardinal>(ASize));
}

std::int32_t TQDGenericBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDGenericBuffer>(this, AIID, AObj))
    return S_OK;
  return TQDBasicBuffer::QueryInterface(AIID, AObj);
}

TRef<IQDData> TQDGenericBuffer::MakeCopy()
{
  return CreateEx(this);
}

void TQDGenericBuffer::AttachBlock(TQDSmartBuffer* ABlock, Cardinal ACharSize)
{
  if (ABlock)
    ABlock->AddReff(FOwnsData);
  pDataContainer = ABlock;
  SetDataContainer(ABlock);
  FCharSize = ACharSize;
  UpdateDataPtr();
}

void TQDGenericBuffer::ReplaceBlock(TQDSmartBuffer* ABlock)
{
  if (ABlock == pDataContainer)
    return;
  if (ABlock)
    ABlock->AddReff(FOwnsData);
  TQDSmartBuffer* Old = pDataContainer;
  pDataContainer = ABlock;
  SetDataContainer(ABlock);
  if (Old)
    Old->RemoveReff(FOwnsData);
  UpdateDataPtr();
}

void TQDGenericBuffer::ShareFrom(TQDGenericBuffer& Other)
{
  if (&Other != this && Other.pDataContainer != pDataContainer)
    ReplaceBlock(Other.pDataContainer);
  FCharSize = Other.FCharSize;
  FDataPtr = Other.FDataPtr;
}

void TQDGenericBuffer::Assign(const TRef<IQDDataBuffer>& OtherBuffer)
{
  // A buffer that is not a generic buffer raises the invalid-cast error.
  TRef<IQDGenericBuffer> Generic = Cast<IQDGenericBuffer>(OtherBuffer);
  ShareFrom(GenericInstance(Generic.Get()));
}

Boolean TQDGenericBuffer::IsEqual(const TRef<IQDDataBuffer>& Other)
{
  if (!Other)
    return false;
  const Cardinal Size = GetByteSize();
  if (Other->GetByteSize() != Size)
    return false;
  return Size == 0 || std::memcmp(ByteRead(), Other->ByteRead(), Size) == 0;
}

Byte* TQDGenericBuffer::ByteWrite()
{
  Unique(false);
  return FDataPtr;
}

Byte* TQDGenericBuffer::ByteModify()
{
  Unique(true);
  return FDataPtr;
}

void TQDGenericBuffer::CheckRange(UInt64 AOffset, UInt64 ACount, UInt64 ASize)
{
  if (AOffset > ASize || ACount > ASize - AOffset)
    throw ERangeError(SCopyRangeError);
}

void TQDGenericBuffer::CopyTo(Cardinal SrcOffset, const TRef<IQDDataBuffer>& Dest,
                              Cardinal DestOffset, Cardinal Count)
{
  if (!Dest)
    throw EInvalidCast(SInvalidCast);
  // Both ranges are checked before Dest is touched: a bad range loses nothing.
  CheckRange(SrcOffset, Count, GetByteSize());
  CheckRange(DestOffset, Count, Dest->GetByteSize());
  if (Count == 0)
    return;
  Byte* Target = Dest->ByteModify();
  std::memmove(Target + DestOffset, ByteRead() + SrcOffset, Count);
}

Boolean TQDGenericBuffer::MakeUnique(Boolean PreserveData)
{
  // The common case, a block with one owner, needs no lock: SingleOwner reads
  // one atomic count, and taking the lock first would not make the answer any
  // more lasting (an owner may join as soon as the lock is released).
  TQDSmartBuffer* OldBlock = pDataContainer;
  if (!OldBlock || OldBlock->SingleOwner())
    return false;
  return CopyShared(PreserveData);
}

Boolean TQDGenericBuffer::CopyShared(Boolean PreserveData)
{
  TQDSmartBuffer* OldBlock = pDataContainer;
  TQDSmartBuffer* NewBlock;
  OldBlock->EnterRead();
  try {
    if (OldBlock->SingleOwner()) {
      OldBlock->LeaveRead();
      return false;
    }
    // Cloned under the old block's lock, so no other owner can leave it halfway.
    NewBlock = OldBlock->Clone(PreserveData);
  } catch (...) {
    OldBlock->LeaveRead();
    throw;
  }
  OldBlock->LeaveRead();
  pDataContainer = NewBlock;
  NewBlock->AddReff(FOwnsData);
  SetDataContainer(NewBlock);
  OldBlock->RemoveReff(FOwnsData);
  UpdateDataPtr();
  return true;
}

void TQDGenericBuffer::RemoveOwnerShip()
{
  if (!FOwnsData)
    return;
  if (pDataContainer)
    pDataContainer->RemoveOwnerShip();
  FOwnsData = false;
}

// ---------------------------------------------------------------------------
// TQDMemoryBuffer
// ---------------------------------------------------------------------------

TRef<TQDMemoryBuffer> TQDMemoryBuffer::CreateSize(Cardinal ASize)
{
  TQDSmartBufferManager::THold Hold(SmartBufferManager()); // three raw blocks in one go
  TRef<TQDMemoryBuffer> Result(new TQDMemoryBuffer);
  Result->AttachNewStorage(ASize);
  return Result;
}

TRef<TQDMemoryBuffer> TQDMemoryBuffer::Create(TQDSmartMemoryBuffer* ADataContainer, Cardinal ASize)
{
  TRef<TQDMemoryBuffer> Result(new TQDMemoryBuffer);
  Result->AttachBlock(ADataContainer, ASize);
  return Result;
}

TRef<TQDMemoryBuffer> TQDMemoryBuffer::CreateEx(TQDMemoryBuffer* Other)
{
  TRef<TQDMemoryBuffer> Result(new TQDMemoryBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<IQDData> TQDMemoryBuffer::MakeCopy()
{
  return CreateEx(this);
}

void TQDMemoryBuffer::UpdateDataPtr()
{
  FDataPtr = pDataContainer ? pDataContainer->GetRawData() : nullptr;
}

TQDSmartMemoryBuffer* TQDMemoryBuffer::CreateStorage(Cardinal N)
{
  return TQDSmartMemoryBuffer::Create(UInt64(N) * GetElementSize());
}

void TQDMemoryBuffer::AttachNewStorage(Cardinal ACount)
{
  const Cardinal Bytes = ByteCount(ACount, GetElementSize());
  TQDSmartMemoryBuffer* Block = CreateStorage(ACount);
  Block->AddFirstReff(FOwnsData); // a block just made: nobody else can reach it
  pDataContainer = Block;
  SetDataContainer(Block);
  FCharSize = Bytes;
  UpdateDataPtr();
}

// ---------------------------------------------------------------------------
// TQDLinearMemoryBuffer
// ---------------------------------------------------------------------------

std::int32_t TQDLinearMemoryBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDLinearDataBuffer>(this, AIID, AObj))
    return S_OK;
  return TQDMemoryBuffer::QueryInterface(AIID, AObj);
}

void TQDLinearMemoryBuffer::Resize(Cardinal Size, Boolean PreserveData)
{
  const Cardinal E = GetElementSize();
  if (Size == 0) {
    FCharSize = 0;
    UpdateDataPtr();
    return;
  }
  if (Size == GetSize())
    return;
  const Cardinal Bytes = ByteCount(Size, E);
  if (PreserveData && Size < GetSize()) {
    FCharSize = Bytes; // shrinks in place, even in a shared block
    UpdateDataPtr();
    return;
  }
  TQDSmartBuffer* OldBlock = pDataContainer;
  if (PreserveData && OldBlock && OldBlock->SingleOwner() && Size <= OldBlock->GetAllocatedSize() / E) {
    FCharSize = Bytes; // grows within the reserved memory
    UpdateDataPtr();
    return;
  }
  TQDSmartMemoryBuffer* NewBlock = CreateStorage(Size);
  if (PreserveData && OldBlock)
    NewBlock->CopyFrom(*OldBlock);
  NewBlock->AddReff(FOwnsData);
  pDataContainer = NewBlock;
  SetDataContainer(NewBlock);
  if (OldBlock)
    OldBlock->RemoveReff(FOwnsData);
  FCharSize = Bytes;
  UpdateDataPtr();
}

// ---------------------------------------------------------------------------
// TQDRealBuffer
// ---------------------------------------------------------------------------

TRef<TQDRealBuffer> TQDRealBuffer::Create()
{
  return CreateSize(0);
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateSize(Cardinal ASize)
{
  TQDSmartBufferManager::THold Hold(SmartBufferManager()); // three raw blocks in one go
  TRef<TQDRealBuffer> Result(new TQDRealBuffer);
  Result->AttachNewStorage(ASize);
  return Result;
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateData(const Real* AData, Cardinal ASize)
{
  TRef<TQDRealBuffer> Result = CreateSize(ASize);
  if (AData && ASize > 0)
    std::memcpy(Result->FDataPtr, AData, std::size_t(ASize) * sizeof(Real));
  return Result;
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateEx(TQDRealBuffer* Other)
{
  TRef<TQDRealBuffer> Result(new TQDRealBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateCopy(const TRef<IQDRealBuffer>& Other)
{
  TRef<TQDRealBuffer> Result(new TQDRealBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  TRef<TQDRealBuffer> Result(new TQDRealBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

std::int32_t TQDRealBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDRealBuffer>(this, AIID, AObj))
    return S_OK;
  return TQDLinearMemoryBuffer::QueryInterface(AIID, AObj);
}

TRef<IQDData> TQDRealBuffer::MakeCopy()
{
  return CreateEx(this);
}

Boolean TQDRealBuffer::IsEqual(const TRef<IQDDataBuffer>& Other)
{
  if (!Other || !dynamic_cast<TQDRealBuffer*>(Other->GetInstance()))
    return false;
  return TQDGenericBuffer::IsEqual(Other);
}

void TQDRealBuffer::CopyTo(Cardinal SrcOffset, const TRef<IQDDataBuffer>& Dest,
                           Cardinal DestOffset, Cardinal Count)
{
  auto* RealDest = Dest ? dynamic_cast<TQDRealBuffer*>(Dest->GetInstance()) : nullptr;
  if (!RealDest) {
    TQDGenericBuffer::CopyTo(SrcOffset, Dest, DestOffset, Count);
    return;
  }
  CheckRange(SrcOffset, Count, GetSize());
  CheckRange(DestOffset, Count, RealDest->GetSize());
  if (Count == 0)
    return;
  Real* Target = RealDest->Modify();
  std::memmove(Target + DestOffset, Read() + SrcOffset, std::size_t(Count) * sizeof(Real));
}

Real* TQDRealBuffer::Write()
{
  Unique(false);
  return reinterpret_cast<Real*>(FDataPtr);
}

Real* TQDRealBuffer::Modify()
{
  Unique(true);
  return reinterpret_cast<Real*>(FDataPtr);
}

Real TQDRealBuffer::GetItem(Integer Index)
{
  // Negative indexes wrap to large unsigned values and fail the same test.
  if (static_cast<Cardinal>(Index) >= FCharSize / sizeof(Real))
    throw ERangeError(Format(SIndexOutOfRange, static_cast<Cardinal>(Index)));
  return reinterpret_cast<const Real*>(FDataPtr)[Index];
}

void TQDRealBuffer::SetItem(Integer Index, Real Value)
{
  Unique(true);
  if (static_cast<Cardinal>(Index) >= FCharSize / sizeof(Real))
    throw ERangeError(Format(SIndexOutOfRange, static_cast<Cardinal>(Index)));
  reinterpret_cast<Real*>(FDataPtr)[Index] = Value;
}

// ---------------------------------------------------------------------------
// TQDRealMatrixBuffer
// ---------------------------------------------------------------------------

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::Create()
{
  return CreateSize(0, 0);
}

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::CreateSize(Cardinal ARows, Cardinal ACols)
{
  // Shapes whose element count a block cannot hold are refused before anything is made.
  ByteCount(UInt64(ARows) * ACols, sizeof(Real));
  TQDSmartBufferManager::THold Hold(SmartBufferManager()); // three raw blocks in one go
  TRef<TQDRealMatrixBuffer> Result(new TQDRealMatrixBuffer);
  Result->AttachNewStorage(ARows * ACols);
  Result->FRows = static_cast<Integer>(ARows);
  Result->FCols = static_cast<Integer>(ACols);
  return Result;
}

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::CreateEx(TQDRealMatrixBuffer* Other)
{
  TRef<TQDRealMatrixBuffer> Result(new TQDRealMatrixBuffer);
  Result->ShareFrom(GenericInstance(Other));
  Result->FRows = Other->FRows;
  Result->FCols = Other->FCols;
  return Result;
}

std::int32_t TQDRealMatrixBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDRealMatrixBuffer>(this, AIID, AObj))
    return S_OK;
  return TQDMemoryBuffer::QueryInterface(AIID, AObj);
}

TRef<IQDData> TQDRealMatrixBuffer::MakeCopy()
{
  return CreateEx(this);
}

Boolean TQDRealMatrixBuffer::IsEqual(const TRef<IQDDataBuffer>& Other)
{
  if (!Other || !dynamic_cast<TQDRealMatrixBuffer*>(Other->GetInstance()))
    return false;
  return TQDGenericBuffer::IsEqual(Other);
}

void TQDRealMatrixBuffer::CheckRow(Integer Row)
{
  // The whole row must lie inside the data (see CheckedIndex).
  if (static_cast<Cardinal>(Row) >= static_cast<Cardinal>(FRows) ||
      UInt64(Row + 1) * Cardinal(FCols) > GetSize())
    throw ERangeError(Format(SRowOutOfRange, static_cast<Cardinal>(Row)));
}

Cardinal TQDRealMatrixBuffer::CheckedIndex(Integer Row, Integer Col)
{
  if (static_cast<Cardinal>(Col) >= static_cast<Cardinal>(FCols))
    throw ERangeError(Format(SColumnOutOfRange, static_cast<Cardinal>(Col)));
  const UInt64 Index = static_cast<Cardinal>(Col) + UInt64(static_cast<Cardinal>(Row)) * Cardinal(FCols);
  // The element must also lie inside the data: Assign may have left fewer
  // bytes than Rows x Cols.
  if (static_cast<Cardinal>(Row) >= static_cast<Cardinal>(FRows) || Index >= GetSize())
    throw ERangeError(Format(SRowOutOfRange, static_cast<Cardinal>(Row)));
  return static_cast<Cardinal>(Index);
}

TRef<IQDRealBuffer> TQDRealMatrixBuffer::GetItem(Integer Index)
{
  CheckRow(Index);
  return TQDRealBuffer::CreateData(Read() + std::size_t(Index) * Cardinal(FCols), Cardinal(FCols));
}

void TQDRealMatrixBuffer::SetItem(Integer Index, const TRef<IQDRealBuffer>& Buffer)
{
  if (!Buffer)
    throw EInvalidCast(SInvalidCast);
  CheckRow(Index);
  const Cardinal N = std::min<Cardinal>(Buffer->GetSize(), Cardinal(FCols));
  if (N == 0)
    return;
  // In place: every buffer sharing the block sees the new row.
  Real* Row = reinterpret_cast<Real*>(FDataPtr) + std::size_t(Index) * Cardinal(FCols);
  std::memmove(Row, Buffer->Read(), std::size_t(N) * sizeof(Real));
}

Real* TQDRealMatrixBuffer::Write()
{
  Unique(false);
  return reinterpret_cast<Real*>(FDataPtr);
}

Real* TQDRealMatrixBuffer::Modify()
{
  Unique(true);
  return reinterpret_cast<Real*>(FDataPtr);
}

Real TQDRealMatrixBuffer::GetItem(Integer Row, Integer Col)
{
  return Read()[CheckedIndex(Row, Col)];
}

void TQDRealMatrixBuffer::SetItem(Integer Row, Integer Col, Real Value)
{
  Unique(true);
  reinterpret_cast<Real*>(FDataPtr)[CheckedIndex(Row, Col)] = Value;
}

// ---------------------------------------------------------------------------
// TQDRealBufferList
// ---------------------------------------------------------------------------

TRef<TQDRealBufferList> TQDRealBufferList::Create()
{
  return TRef<TQDRealBufferList>(new TQDRealBufferList);
}

std::int32_t TQDRealBufferList::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDRealBufferDynamicArray>(this, AIID, AObj))
    return S_OK;
  return TInterfacedObject::QueryInterface(AIID, AObj);
}

TRef<IQDData> TQDRealBufferList::MakeCopy()
{
  TRef<TQDRealBufferList> Result = Create();
  Result->FList.reserve(FList.size());
  for (const TRef<IQDRealBuffer>& Item : FList)
    Result->FList.push_back(TQDRealBuffer::CreateCopy(Item));
  return Result;
}

const TRef<IQDRealBuffer>& TQDRealBufferList::CheckedItem(Integer Index) const
{
  if (Index < 0 || static_cast<std::size_t>(Index) >= FList.size())
    throw EListError(Format(SListIndexError, Index));
  return FList[static_cast<std::size_t>(Index)];
}

Integer TQDRealBufferList::GetMaxSize()
{
  Cardinal Max = 0;
  for (const TRef<IQDRealBuffer>& Item : FList)
    Max = std::max(Max, Item->GetSize());
  return static_cast<Integer>(Max);
}

Integer TQDRealBufferList::GetItemSize(Integer Index)
{
  return static_cast<Integer>(CheckedItem(Index)->GetSize());
}

TRef<IQDRealBuffer> TQDRealBufferList::GetItem(Integer Index)
{
  return CheckedItem(Index);
}

void TQDRealBufferList::SetItem(Integer Index, const TRef<IQDRealBuffer>& Buffer)
{
  CheckedItem(Index);
  FList[static_cast<std::size_t>(Index)] = Buffer;
}

Real TQDRealBufferList::GetElement(Integer Index, Integer ItemIndex)
{
  return CheckedItem(Index)->GetItem(ItemIndex);
}

void TQDRealBufferList::SetElement(Integer Index, Integer ItemIndex, Real Value)
{
  CheckedItem(Index)->SetItem(ItemIndex, Value);
}

void TQDRealBufferList::Append(const TRef<IQDRealBuffer>& AValue)
{
  FList.push_back(AValue);
}
