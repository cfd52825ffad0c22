#include "buffers/QDSimpleDataBuffer.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  TRef<TQDGenericBuffer> Result = FirstRef(new TQDGenericBuffer);
  Result->AttachBlock(ADataContainer, ASize);
  return Result;
}

TRef<TQDGenericBuffer> TQDGenericBuffer::CreateEx(TQDGenericBuffer* Other)
{
  TRef<TQDGenericBuffer> Result = FirstRef(new TQDGenericBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<TQDGenericBuffer> TQDGenericBuffer::CreateCopy(const TRef<IQDGenericBuffer>& Other)
{
  TRef<TQDGenericBuffer> Result = FirstRef(new TQDGenericBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TRef<TQDGenericBuffer> TQDGenericBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  TRef<TQDGenericBuffer> Result = FirstRef(new TQDGenericBuffer);
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
  return TQDThreadBlockCache::Allocate(static_cast<Cardinal>(ASize));
}

void TQDGenericBuffer::operator delete(void* APtr, std::size_t ASize) noexcept
{
  TQDThreadBlockCache::Deallocate(APtr, static_cast<Cardinal>(ASize));
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
  TRef<TQDMemoryBuffer> Result = FirstRef(new TQDMemoryBuffer);
  Result->AttachNewStorage(ASize);
  return Result;
}

TRef<TQDMemoryBuffer> TQDMemoryBuffer::Create(TQDSmartMemoryBuffer* ADataContainer, Cardinal ASize)
{
  TRef<TQDMemoryBuffer> Result = FirstRef(new TQDMemoryBuffer);
  Result->AttachBlock(ADataContainer, ASize);
  return Result;
}

TRef<TQDMemoryBuffer> TQDMemoryBuffer::CreateEx(TQDMemoryBuffer* Other)
{
  TRef<TQDMemoryBuffer> Result = FirstRef(new TQDMemoryBuffer);
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

namespace {
// Released real buffers of this thread, each with its block and data, by block
// size: class K holds buffers whose block reserves 2^(K + 2) bytes (4 .. 256).
struct TQDRealBufferParking
{
  static constexpr Cardinal MaxBlockSize = 256;
  static constexpr Cardinal Classes = 7;
  static constexpr Cardinal Depth = 4;

  Cardinal Count[Classes];
  TQDRealBuffer* Items[Classes][Depth];

  static Cardinal ClassOf(Cardinal ABlockSize)
  {
    return static_cast<Cardinal>(std::countr_zero(ABlockSize)) - 2;
  }
};

constinit thread_local TQDRealBufferParking GParking
    __attribute__((tls_model("initial-exec"))){};
} // namespace

// Inline: it is CreateSize's fast path.
inline TQDRealBuffer* TQDRealBuffer::TakeParked(Cardinal ASize) noexcept
{
  if (ASize > TQDRealBufferParking::MaxBlockSize / sizeof(Real) || !TQDThreadBlockCache::Active())
    return nullptr;
  const Cardinal Bytes = ASize * sizeof(Real);
  const Cardinal K = TQDRealBufferParking::ClassOf(Bytes < 4 ? 4 : std::bit_ceil(Bytes));
  TQDRealBufferParking& Lot = GParking;
  if (Lot.Count[K] == 0)
    return nullptr;
  TQDRealBuffer* Buffer = Lot.Items[K][--Lot.Count[K]];
  // As CreateSize leaves a new buffer: a block of its own, no sequence number.
  Buffer->FCharSize = Bytes;
  Buffer->pDataContainer->SetBufferNumberAvailable(false);
  Buffer->pDataContainer->SetBufferNumber(0);
  Buffer->AddFirstRef();
  return Buffer;
}

void TQDRealBuffer::LastReleased() noexcept
{
  // Only a buffer that is exactly a real buffer, on a block that it alone owns
  // and reaches: nobody else can see either of them any more. Any block with
  // data serves a new buffer as it served this one.
  TQDSmartBuffer* Block = pDataContainer;
  if (Block && FOwnsData && typeid(*this) == typeid(TQDRealBuffer) && TQDThreadBlockCache::Activate()) {
    const Cardinal Size = Block->GetAllocatedSize();
    if (Size - 4 <= TQDRealBufferParking::MaxBlockSize - 4 && Block->CountOwners() == 1 &&
        Block->LastTransportIsAlone()) {
      static const bool Registered = (TQDThreadBlockCache::AddParkingLot(&DestroyParked), true);
      (void)Registered;
      TQDRealBufferParking& Lot = GParking;
      const Cardinal K = TQDRealBufferParking::ClassOf(Size);
      if (Lot.Count[K] < TQDRealBufferParking::Depth) {
        Lot.Items[K][Lot.Count[K]++] = this;
        return;
      }
    }
  }
  delete this;
}

void TQDRealBuffer::DestroyParked() noexcept
{
  TQDRealBufferParking& Lot = GParking;
  for (Cardinal K = 0; K < TQDRealBufferParking::Classes; ++K)
    while (Lot.Count[K] > 0)
      delete Lot.Items[K][--Lot.Count[K]];
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateSize(Cardinal ASize)
{
  if (TQDRealBuffer* Parked = TakeParked(ASize)) [[likely]]
    return TRef<TQDRealBuffer>::Adopt(Parked);
  TRef<TQDRealBuffer> Result = FirstRef(new TQDRealBuffer);
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
  TRef<TQDRealBuffer> Result = FirstRef(new TQDRealBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateCopy(const TRef<IQDRealBuffer>& Other)
{
  TRef<TQDRealBuffer> Result = FirstRef(new TQDRealBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  TRef<TQDRealBuffer> Result = FirstRef(new TQDRealBuffer);
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
  TRef<TQDRealMatrixBuffer> Result = FirstRef(new TQDRealMatrixBuffer);
  Result->AttachNewStorage(ARows * ACols);
  Result->FRows = static_cast<Integer>(ARows);
  Result->FCols = static_cast<Integer>(ACols);
  return Result;
}

TRef<TQDRealMatrixBuffer> TQDRealMatrixBuffer::CreateEx(TQDRealMatrixBuffer* Other)
{
  TRef<TQDRealMatrixBuffer> Result = FirstRef(new TQDRealMatrixBuffer);
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

// ---------------------------------------------------------------------------
// TQDGenericBuffer: files
// ---------------------------------------------------------------------------

namespace {
constexpr const char* SFCreateError = "Cannot create file \"%s\". %s";
constexpr const char* SFOpenError = "Cannot open file \"%s\". %s";
constexpr const char* SReadError = "Stream read error";
constexpr const char* SWriteError = "Stream write error";

/// An open file descriptor, closed when it goes.
class TFileHandle
{
public:
  explicit TFileHandle(int AFd = -1) noexcept : FFd(AFd) {}
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  ~TFileHandle()
  {
    if (FFd >= 0)
      ::close(FFd);
  }
  int Get() const noexcept { return FFd; }
  /// Takes over AFd; the handle must be closed.
  void Adopt(int AFd) noexcept { FFd = AFd; }
  explicit operator bool() const noexcept { return FFd >= 0; }
  /// Closes now and reports whether the close succeeded (a failed close may be
  /// the first sign that written data did not reach the disk).
  bool Close() noexcept
  {
    const int Fd = std::exchange(FFd, -1);
    return Fd < 0 || ::close(Fd) == 0;
  }

private:
  int FFd;
};

[[noreturn]] void RaiseCreateError(const std::string& AFileName, int AErrno)
{
  throw EFCreateError(Format(SFCreateError, AFileName.c_str(), std::strerror(AErrno)));
}

/// Writes all ASize bytes; false on any failure (errno tells which).
bool WriteAll(int AFd, const Byte* AData, std::size_t ASize) noexcept
{
  while (ASize > 0) {
    const ssize_t N = ::write(AFd, AData, ASize);
    if (N < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    if (N == 0) {
      errno = EIO;
      return false;
    }
    AData += N;
    ASize -= static_cast<std::size_t>(N);
  }
  return true;
}

/// Reads exactly ASize bytes; false when the file ends first or a read fails.
bool ReadAll(int AFd, Byte* AData, std::size_t ASize) noexcept
{
  while (ASize > 0) {
    const ssize_t N = ::read(AFd, AData, ASize);
    if (N < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    if (N == 0)
      return false;
    AData += N;
    ASize -= static_cast<std::size_t>(N);
  }
  return true;
}

/// A file made next to the target under a name nobody else uses, removed again
/// unless Commit renames it over the target.
class TTemporaryFile
{
public:
  /// Creates the file in ATarget's folder; false with errno when it cannot.
  bool Open(const std::string& ATarget) noexcept
  {
    static std::atomic<unsigned> GCounter{0};
    const std::size_t Slash = ATarget.find_last_of('/');
    const std::string Folder = Slash == std::string::npos ? std::string() : ATarget.substr(0, Slash + 1);
    // Shortened, so that the suffix still fits the longest name a folder allows.
    const std::string Base = (Slash == std::string::npos ? ATarget : ATarget.substr(Slash + 1)).substr(0, 200);
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
      const unsigned Id = GCounter.fetch_add(1, std::memory_order_relaxed);
      FPath = Folder + "." + Base + Format(".%d.%u.tmp", int(::getpid()), Id);
      // 0666 less the umask: the permissions a file created directly would get.
      const int Fd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (Fd >= 0) {
        FFile.Adopt(Fd);
        return true;
      }
      if (errno != EEXIST)
        break;
    }
    FPath.clear();
    return false;
  }
  ~TTemporaryFile()
  {
    if (FPath.empty())
      return;
    FFile.Close();
    ::unlink(FPath.c_str());
  }
  int Fd() const noexcept { return FFile.Get(); }
  /// Flushes the file to disk and closes it; false with errno on failure.
  bool Flush() noexcept
  {
    const int Fd = FFile.Get();
    if (::fsync(Fd) != 0 && errno != EINVAL) // EINVAL: a file system without fsync
      return false;
    return FFile.Close();
  }
  /// Renames the file over ATarget; false with errno on failure.
  bool Commit(const std::string& ATarget) noexcept
  {
    if (::rename(FPath.c_str(), ATarget.c_str()) != 0)
      return false;
    FPath.clear();
    return true;
  }

private:
  TFileHandle FFile;
  std::string FPath; // empty once committed
};

/// The file a save replaces: a symbolic link is followed, so that the link
/// stays and the file it names is replaced.
std::string SaveTarget(const std::string& AFileName)
{
  struct stat Link;
  if (::lstat(AFileName.c_str(), &Link) != 0 || !S_ISLNK(Link.st_mode))
    return AFileName;
  char* Resolved = ::realpath(AFileName.c_str(), nullptr);
  if (!Resolved)
    return AFileName; // a dangling link
  std::string Result(Resolved);
  std::free(Resolved);
  return Result;
}

/// Makes the renamed file durable: the folder entry is flushed too. Failing
/// this loses nothing that the caller could still repair, so it is not raised.
void FlushFolder(const std::string& ATarget) noexcept
{
  const std::size_t Slash = ATarget.find_last_of('/');
  const std::string Folder = Slash == std::string::npos ? "." : (Slash == 0 ? "/" : ATarget.substr(0, Slash));
  TFileHandle Dir(::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (Dir)
    ::fsync(Dir.Get());
}
} // namespace

void TQDGenericBuffer::SaveToFile(const std::string& AFileName)
{
  const Byte* Data = ByteRead();
  const std::size_t Size = GetByteSize();
  const std::string Target = SaveTarget(AFileName);

  // A device, a pipe, a folder or a dangling symbolic link is not renamed over
  // but opened and written as it is (a folder then fails to open, and the
  // link's open creates the file it names).
  struct stat Existing, Link;
  const bool Exists = ::stat(Target.c_str(), &Existing) == 0;
  const bool Dangling = !Exists && ::lstat(Target.c_str(), &Link) == 0 && S_ISLNK(Link.st_mode);
  if (Target.empty() || Target.back() == '/' || Dangling || (Exists && !S_ISREG(Existing.st_mode))) {
    TFileHandle File(::open(Target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!File)
      RaiseCreateError(AFileName, errno);
    if (!WriteAll(File.Get(), Data, Size) || !File.Close())
      throw EWriteError(SWriteError);
    return;
  }

  // A regular file is replaced only when every byte of the new one is on disk:
  // until the rename the old file stays as it was. One that could not be
  // opened for writing is not replaced either.
  if (Exists && ::access(Target.c_str(), W_OK) != 0)
    RaiseCreateError(AFileName, errno);
  TTemporaryFile Temp;
  if (!Temp.Open(Target))
    RaiseCreateError(AFileName, errno);
  if (Exists) {
    // The replacement keeps the old file's permissions and, where allowed, owner.
    ::fchmod(Temp.Fd(), Existing.st_mode & 07777);
    if (::fchown(Temp.Fd(), Existing.st_uid, Existing.st_gid) != 0) {
      // Not permitted for others' files: the new file is then the caller's.
    }
  }
  if (!WriteAll(Temp.Fd(), Data, Size) || !Temp.Flush())
    throw EWriteError(SWriteError);
  if (!Temp.Commit(Target))
    RaiseCreateError(AFileName, errno);
  FlushFolder(Target);
}

void TQDGenericBuffer::LoadFromFile(const std::string& AFileName)
{
  TFileHandle File(::open(AFileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (!File)
    throw EFOpenError(Format(SFOpenError, AFileName.c_str(), std::strerror(errno)));
  struct stat Info;
  if (::fstat(File.Get(), &Info) == 0 && S_ISDIR(Info.st_mode))
    throw EFOpenError(Format(SFOpenError, AFileName.c_str(), std::strerror(EISDIR)));
  const Cardinal Size = GetByteSize();
  if (Size == 0)
    return;
  // Read into storage of its own first: a file that ends early, or a read that
  // fails, leaves this buffer exactly as it was.
  TRef<TQDMemoryBuffer> Staging = TQDMemoryBuffer::CreateSize(Size);
  if (!ReadAll(File.Get(), Staging->ByteWrite(), Size))
    throw EReadError(SReadError);
  std::memcpy(ByteWrite(), Staging->ByteRead(), Size);
}
