#include "buffers/QDInternalStore.h"

#include "platform/Exceptions.h"
#include "platform/ModuleStart.h"
#include "primitives/KJIPPILoader.h"
#include "primitives/KJIPPSLoader.h"
#include "primitives/QDBasicDispatcher.h"
#include "primitives/QDNormDispatcher.h"
#include "primitives/QDResizeDispatcher.h"
#include "primitives/QDScopeDispatcher.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------
// Raw blocks
// ---------------------------------------------------------------------------

namespace {
constexpr std::size_t BlockAlignment = 32;
// The heap address is kept in the slot just below the block.
constexpr std::size_t SlotSize = sizeof(void*);
} // namespace

void* AllocateRawBlock(std::size_t ASize)
{
  if (ASize == 0)
    return nullptr;
  if (ASize > QDMaxBlockSize)
    throw EOutOfMemory(SOutOfMemory);
  // Reserve enough that the smallest multiple of 32 at least one slot above the
  // heap address still has ASize bytes behind it.
  void* Heap = std::malloc(ASize + BlockAlignment + SlotSize);
  if (!Heap)
    throw EOutOfMemory(SOutOfMemory);
  const auto HeapAddr = reinterpret_cast<std::uintptr_t>(Heap);
  const std::uintptr_t BlockAddr =
      (HeapAddr + SlotSize + BlockAlignment - 1) & ~std::uintptr_t(BlockAlignment - 1);
  void* Block = reinterpret_cast<void*>(BlockAddr);
  std::memcpy(static_cast<Byte*>(Block) - SlotSize, &Heap, SlotSize);
  return Block;
}

void ReleaseRawBlock(void* ABlock) noexcept
{
  if (!ABlock)
    return;
  void* Heap;
  std::memcpy(&Heap, static_cast<Byte*>(ABlock) - SlotSize, SlotSize);
  std::free(Heap);
}

Cardinal RoundBlockSize(UInt64 ASize)
{
  if (ASize > QDMaxBlockSize)
    throw EOutOfMemory(SOutOfMemory);
  Cardinal Size = 4;
  while (Size < ASize)
    Size <<= 1;
  return Size;
}

// ---------------------------------------------------------------------------
// TQDSmartBuffer
// ---------------------------------------------------------------------------

void TQDSmartBuffer::AddReff(Boolean OwnsData)
{
  std::lock_guard<std::recursive_mutex> Guard(FCriticalSection);
  if (OwnsData)
    ++FCountOwners;
  ++FCountTransports;
}

void TQDSmartBuffer::RemoveReff(Boolean OwnsData)
{
  Integer Before;
  {
    std::lock_guard<std::recursive_mutex> Guard(FCriticalSection);
    if (OwnsData && FCountOwners > 0)
      --FCountOwners;
    if (FCountTransports <= 0)
      return;
    Before = FCountTransports--;
  }
  // The lock is released before the block goes: nobody else can reach a block
  // whose last transport reference this was.
  if (Before == 1)
    delete this;
}

void TQDSmartBuffer::RemoveOwnerShip()
{
  std::lock_guard<std::recursive_mutex> Guard(FCriticalSection);
  if (FCountOwners > 0)
    --FCountOwners;
}

Boolean TQDSmartBuffer::SingleOwner()
{
  std::lock_guard<std::recursive_mutex> Guard(FCriticalSection);
  return FCountOwners < 2;
}

TQDSmartBuffer* TQDSmartBuffer::Clone(Boolean /*Preserve*/)
{
  return new TQDSmartBuffer;
}

Integer TQDSmartBuffer::CountOwners()
{
  std::lock_guard<std::recursive_mutex> Guard(FCriticalSection);
  return FCountOwners;
}

Integer TQDSmartBuffer::CountTransports()
{
  std::lock_guard<std::recursive_mutex> Guard(FCriticalSection);
  return FCountTransports;
}

void* TQDSmartBuffer::operator new(std::size_t ASize)
{
  return SmartBufferManager().Allocate(static_cast<Cardinal>(ASize));
}

void TQDSmartBuffer::operator delete(void* APtr, std::size_t ASize) noexcept
{
  SmartBufferManager().Deallocate(APtr, static_cast<Cardinal>(ASize));
}

// ---------------------------------------------------------------------------
// TQDSmartMemoryBuffer
// ---------------------------------------------------------------------------

TQDSmartMemoryBuffer::TQDSmartMemoryBuffer(UInt64 ASize)
{
  FAllocatedSize = RoundBlockSize(ASize);
  FDataPtr = static_cast<Byte*>(SmartBufferManager().Allocate(FAllocatedSize));
}

TQDSmartMemoryBuffer::~TQDSmartMemoryBuffer()
{
  SmartBufferManager().Deallocate(FDataPtr, FAllocatedSize);
}

TQDSmartMemoryBuffer* TQDSmartMemoryBuffer::Create(UInt64 ASize)
{
  return new TQDSmartMemoryBuffer(ASize);
}

TQDSmartMemoryBuffer* TQDSmartMemoryBuffer::CreateData(const void* Data, UInt64 ASize)
{
  TQDSmartMemoryBuffer* Block = new TQDSmartMemoryBuffer(ASize);
  if (Data && ASize > 0)
    std::memcpy(Block->FDataPtr, Data, ASize);
  return Block;
}

TQDSmartMemoryBuffer* TQDSmartMemoryBuffer::CreateEx(const TQDSmartMemoryBuffer& Other,
                                                     Boolean Preserve)
{
  TQDSmartMemoryBuffer* Block = new TQDSmartMemoryBuffer(Other.FAllocatedSize);
  if (Preserve)
    std::memcpy(Block->FDataPtr, Other.FDataPtr, Other.FAllocatedSize);
  return Block;
}

TQDSmartBuffer* TQDSmartMemoryBuffer::Clone(Boolean Preserve)
{
  return CreateEx(*this, Preserve);
}

void TQDSmartMemoryBuffer::CopyFrom(const TQDSmartBuffer& Other)
{
  const Cardinal OtherSize = Other.GetAllocatedSize();
  const Cardinal N = FAllocatedSize < OtherSize ? FAllocatedSize : OtherSize;
  if (N > 0)
    std::memmove(FDataPtr, Other.GetRawData(), N);
}

void TQDSmartMemoryBuffer::ReleaseMemory()
{
  SmartBufferManager().ReleaseMemory();
}

// ---------------------------------------------------------------------------
// TQDSmartBufferManager
// ---------------------------------------------------------------------------

void* TQDSmartBufferManager::Allocate(Cardinal ASize)
{
  if (ASize == 0)
    return nullptr;
  return AllocateRawBlock(ASize);
}

void TQDSmartBufferManager::Deallocate(void* DataPtr, Cardinal /*ASize*/) noexcept
{
  ReleaseRawBlock(DataPtr);
}

void TQDSmartBufferManager::ReleaseMemory() {}

// ---------------------------------------------------------------------------
// Module start-up and shutdown
// ---------------------------------------------------------------------------

namespace {
TModuleStart GInternalStoreStart;
TQDSmartBufferManager* GManager = nullptr;

// Started by the first use of the pool; stopped when the program ends.
struct TInternalStoreUnit
{
  TInternalStoreUnit()
  {
    GInternalStoreStart.Start([] {
      // The dispatch table is filled before the first buffer exists.
      KJIPPSLoaderStart();
      KJIPPILoaderStart();
      QDResizeDispatcherStart();
      QDBasicDispatcherStart();
      QDScopeDispatcherStart();
      // The pool is never destroyed: buffers held by other static objects may
      // still return their blocks while the program shuts down.
      GManager = new TQDSmartBufferManager;
      QDNormDispatcherStart();
    });
  }
  ~TInternalStoreUnit()
  {
    GInternalStoreStart.Stop([] {
      QDNormDispatcherStop();
      GManager->ReleaseMemory();
      QDScopeDispatcherStop();
      QDBasicDispatcherStop();
      QDResizeDispatcherStop();
      KJIPPILoaderStop();
      KJIPPSLoaderStop();
    });
  }
};
} // namespace

TQDSmartBufferManager& SmartBufferManager()
{
  static TInternalStoreUnit Unit;
  return *GManager;
}
