#include "buffers/QDInternalStore.h"

#include "platform/Exceptions.h"
#include "platform/ModuleStart.h"
#include "primitives/KJIPPILoader.h"
#include "primitives/KJIPPSLoader.h"
#include "primitives/QDBasicDispatcher.h"
#include "primitives/QDNormDispatcher.h"
#include "primitives/QDResizeDispatcher.h"
#include "primitives/QDScopeDispatcher.h"

#include <bit>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include <pthread.h>

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
  return std::bit_ceil(ASize < 4 ? Cardinal(4) : static_cast<Cardinal>(ASize));
}

const TQDRawHeap QDSystemHeap{&AllocateRawBlock, &ReleaseRawBlock};

// ---------------------------------------------------------------------------
// TQDSmartBuffer
// ---------------------------------------------------------------------------

// The counts change only under the lock, so a plain load and store suffice
// there. A decrease is stored with release: a reader that learns from it,
// without the lock, that it is alone (SingleOwner, the last RemoveReff) must
// also see everything the leaving user did with the block.

void TQDSmartBuffer::AddReff(Boolean OwnsData)
{
  std::lock_guard<TRecursiveSpinLock> Guard(FCriticalSection);
  if (OwnsData)
    FCountOwners.store(FCountOwners.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  FCountTransports.store(FCountTransports.load(std::memory_order_relaxed) + 1,
                         std::memory_order_relaxed);
}

void TQDSmartBuffer::AddFirstReff(Boolean OwnsData)
{
  if (FCountTransports.load(std::memory_order_relaxed) != 0) {
    AddReff(OwnsData);
    return;
  }
  // Whoever gets the block from the creator gets it through a synchronising
  // hand-over, which also carries these stores.
  FCountOwners.store(OwnsData ? 1 : 0, std::memory_order_relaxed);
  FCountTransports.store(1, std::memory_order_relaxed);
}

void TQDSmartBuffer::RemoveReff(Boolean OwnsData)
{
  // The last transport: its holder is the only one who can still reach the
  // block, so nobody can change the counts meanwhile and no lock is needed.
  if (LastTransportIsAlone()) {
    FCountOwners.store(0, std::memory_order_relaxed);
    FCountTransports.store(0, std::memory_order_relaxed);
    delete this;
    return;
  }
  Integer Before;
  {
    std::lock_guard<TRecursiveSpinLock> Guard(FCriticalSection);
    const Integer Owners = FCountOwners.load(std::memory_order_relaxed);
    if (OwnsData && Owners > 0)
      FCountOwners.store(Owners - 1, std::memory_order_release);
    Before = FCountTransports.load(std::memory_order_relaxed);
    if (Before <= 0)
      return;
    FCountTransports.store(Before - 1, std::memory_order_release);
  }
  // The lock is released before the block goes: nobody else can reach a block
  // whose last transport reference this was.
  if (Before == 1)
    delete this;
}

void TQDSmartBuffer::RemoveOwnerShip()
{
  std::lock_guard<TRecursiveSpinLock> Guard(FCriticalSection);
  const Integer Owners = FCountOwners.load(std::memory_order_relaxed);
  if (Owners > 0)
    FCountOwners.store(Owners - 1, std::memory_order_release);
}

Boolean TQDSmartBuffer::SingleOwner()
{
  // acquire: when another owner has just left, its last reads of the data
  // happen before the caller writes in place.
  return FCountOwners.load(std::memory_order_acquire) < 2;
}

TQDSmartBuffer* TQDSmartBuffer::Clone(Boolean /*Preserve*/)
{
  return new TQDSmartBuffer;
}

void* TQDSmartBuffer::operator new(std::size_t ASize)
{
  return TQDThreadBlockCache::Allocate(static_cast<Cardinal>(ASize));
}

void TQDSmartBuffer::operator delete(void* APtr, std::size_t ASize) noexcept
{
  TQDThreadBlockCache::Deallocate(APtr, static_cast<Cardinal>(ASize));
}

// ---------------------------------------------------------------------------
// TQDSmartMemoryBuffer
// ---------------------------------------------------------------------------

TQDSmartMemoryBuffer::TQDSmartMemoryBuffer(UInt64 ASize)
{
  FAllocatedSize = RoundBlockSize(ASize);
  FDataPtr = static_cast<Byte*>(TQDThreadBlockCache::Allocate(FAllocatedSize));
}

TQDSmartMemoryBuffer::~TQDSmartMemoryBuffer()
{
  TQDThreadBlockCache::Deallocate(FDataPtr, FAllocatedSize);
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
// TQDSmartBufferList
// ---------------------------------------------------------------------------

TQDSmartBufferList::TQDSmartBufferList(TQDSmartBufferList&& AOther) noexcept
    : FSize(AOther.FSize), FCountDown(AOther.FCountDown),
      BufferList(std::move(AOther.BufferList)), FHeap(AOther.FHeap)
{
  AOther.BufferList.clear();
}

TQDSmartBufferList& TQDSmartBufferList::operator=(TQDSmartBufferList&& AOther) noexcept
{
  if (this != &AOther) {
    ReleaseAll();
    FSize = AOther.FSize;
    FCountDown = AOther.FCountDown;
    BufferList = std::move(AOther.BufferList);
    AOther.BufferList.clear();
    FHeap = AOther.FHeap;
  }
  return *this;
}

TQDSmartBufferList::~TQDSmartBufferList()
{
  ReleaseAll();
}

void TQDSmartBufferList::ReleaseAll() noexcept
{
  while (!BufferList.empty()) {
    void* Block = BufferList.back();
    BufferList.pop_back();
    try {
      FHeap->Release(Block);
    } catch (...) {
      // Nothing to be done about a heap that refuses a block: it is dropped.
    }
  }
}

Boolean TQDSmartBufferList::DownSize()
{
  if (FCountDown > 0) {
    --FCountDown;
    while (BufferList.size() > FCountDown) {
      void* Block = BufferList.back();
      BufferList.pop_back(); // dropped first, so a failing Release is not repeated
      FHeap->Release(Block);
    }
  }
  return FCountDown == 0;
}

// ---------------------------------------------------------------------------
// TQDSmartBufferManager
// ---------------------------------------------------------------------------

TQDSmartBufferManager::TQDSmartBufferManager(const TQDRawHeap& AHeap) : FHeap(AHeap) {}

TQDSmartBufferManager::~TQDSmartBufferManager()
{
  Close();
}

TQDSmartBufferList& TQDSmartBufferManager::AddChain(Cardinal ASize)
{
  return ChainsList.emplace_back(ASize, FHeap);
}

// Fast paths: the pool is open, the chain exists (and has a free block, or
// room for one more). Everything else goes through the out-of-line helpers.

void* TQDSmartBufferManager::Allocate(Cardinal ASize)
{
  if (ASize == 0)
    return nullptr;
  {
    std::lock_guard<TRecursiveSpinLock> Guard(FLock);
    if (!FUnusual) [[likely]] {
      TQDSmartBufferList* Chain = Find(ASize);
      if (Chain) [[likely]] {
        if (void* Block = Chain->Allocate()) [[likely]]
          return Block;
      }
    }
  }
  return AllocateFromHeap(ASize);
}

void* TQDSmartBufferManager::AllocateFromHeap(Cardinal ASize)
{
  void* Block = nullptr;
  bool RestartTimer = false;
  {
    std::lock_guard<TRecursiveSpinLock> Guard(FLock);
    if (!FClosed) {
      RestartTimer = std::exchange(FTimerLost, false);
      FUnusual = false;
      try {
        // The chain may have been trimmed or filled since the fast path looked.
        Block = FindOrAdd(ASize).Allocate();
      } catch (const std::bad_alloc&) {
        FTimerLost = FUnusual = RestartTimer; // left for the next Allocate
        throw EOutOfMemory(SOutOfMemory);     // no room for a new chain
      }
    }
  }
  if (RestartTimer) [[unlikely]]
    RestartLostTimer();
  if (Block)
    return Block;
  // The chain has no free block: a fresh one from the heap, outside the lock.
  return FHeap.Reserve(ASize);
}

void TQDSmartBufferManager::Deallocate(void* DataPtr, Cardinal ASize) noexcept
{
  if (!DataPtr)
    return;
  if (ASize != 0) [[likely]] {
    std::lock_guard<TRecursiveSpinLock> Guard(FLock);
    if (!FClosed) [[likely]] {
      try {
        FindOrAdd(ASize).Deallocate(DataPtr);
        return;
      } catch (...) {
        // No room to keep it: the block goes back to the heap instead.
      }
    }
  }
  ReleaseToHeap(DataPtr);
}

void TQDSmartBufferManager::ReleaseToHeap(void* DataPtr) noexcept
{
  try {
    FHeap.Release(DataPtr);
  } catch (...) {
  }
}

void TQDSmartBufferManager::ReleaseMemory() noexcept
{
  if (this == QDInternalStoreDetail::GManager.load(std::memory_order_relaxed))
    TQDThreadBlockCache::FlushAll();
  std::vector<TQDSmartBufferList> Chains;
  {
    std::lock_guard<TRecursiveSpinLock> Guard(FLock);
    Chains.swap(ChainsList);
  }
  // The chains release their blocks here, outside the lock.
}

void TQDSmartBufferManager::Tick() noexcept
{
  std::lock_guard<TRecursiveSpinLock> Guard(FLock);
  try {
    for (std::size_t I = ChainsList.size(); I-- > 0;) {
      // Removing a chain cannot fail: its destructor drops the heap's errors.
      if (ChainsList[I].DownSize())
        ChainsList.erase(ChainsList.begin() + static_cast<std::ptrdiff_t>(I));
    }
  } catch (...) {
    // An error of DownSize ends this tick's walk; the next tick starts afresh.
  }
}

void TQDSmartBufferManager::StartTimer(std::chrono::milliseconds AInterval)
{
  {
    std::lock_guard<TRecursiveSpinLock> Guard(FLock);
    FTimerInterval = AInterval;
    FTimerLost = false;
    FUnusual = FClosed;
  }
  FTimer.Start(AInterval, [this] { Tick(); });
}

void TQDSmartBufferManager::StopTimer() noexcept
{
  FTimer.Stop();
  std::lock_guard<TRecursiveSpinLock> Guard(FLock);
  FTimerInterval = std::chrono::milliseconds(0);
  FTimerLost = false;
  FUnusual = FClosed;
}

void TQDSmartBufferManager::Close() noexcept
{
  StopTimer();
  if (this == QDInternalStoreDetail::GManager.load(std::memory_order_relaxed))
    TQDThreadBlockCache::CloseAll();
  {
    std::lock_guard<TRecursiveSpinLock> Guard(FLock);
    FClosed = true;
    FUnusual = true;
  }
  ReleaseMemory();
}

void TQDSmartBufferManager::RestartLostTimer() noexcept
{
  std::chrono::milliseconds Interval;
  {
    std::lock_guard<TRecursiveSpinLock> Guard(FLock);
    Interval = FTimerInterval;
  }
  if (Interval.count() <= 0)
    return;
  try {
    FTimer.Start(Interval, [this] { Tick(); });
  } catch (...) {
    // No thread to be had: the pool works on, it only keeps idle blocks longer.
  }
}

std::vector<TQDChainInfo> TQDSmartBufferManager::Chains()
{
  std::lock_guard<TRecursiveSpinLock> Guard(FLock);
  std::vector<TQDChainInfo> Result;
  Result.reserve(ChainsList.size());
  for (const TQDSmartBufferList& Chain : ChainsList)
    Result.push_back({Chain.GetSize(), Chain.FreeBlocks(), Chain.GetCountDown()});
  return Result;
}

std::optional<TQDChainInfo> TQDSmartBufferManager::FindChain(Cardinal ASize)
{
  std::lock_guard<TRecursiveSpinLock> Guard(FLock);
  if (const TQDSmartBufferList* Chain = Find(ASize))
    return TQDChainInfo{Chain->GetSize(), Chain->FreeBlocks(), Chain->GetCountDown()};
  return std::nullopt;
}

void TQDSmartBufferManager::BeforeFork() noexcept
{
  FLock.lock();
}

void TQDSmartBufferManager::AfterForkInParent() noexcept
{
  FLock.unlock();
}

void TQDSmartBufferManager::AfterForkInChild() noexcept
{
  if (FTimer.Running()) {
    FTimer.ForgetAfterFork();
    FTimerLost = true;
    FUnusual = true;
  }
  FLock.unlock();
  // The forking thread's cache and parked objects came along: the child's
  // first use gives them back, so that it reaches the pool and its timer.
  if (this == QDInternalStoreDetail::GManager.load(std::memory_order_relaxed))
    TQDThreadBlockCache::Invalidate();
}

// ---------------------------------------------------------------------------
// TQDThreadBlockCache
// ---------------------------------------------------------------------------

constinit thread_local TQDThreadBlockCache::TState TQDThreadBlockCache::GState
    __attribute__((tls_model("initial-exec"))){};
constinit std::atomic<Cardinal> TQDThreadBlockCache::GEpoch{0};
constinit std::atomic<void (*)() noexcept>
    TQDThreadBlockCache::GParkingLots[TQDThreadBlockCache::MaxParkingLots]{};

// Gives the thread's cache back when the thread ends. Only its destructor
// matters; the first use in a thread registers it.
struct TQDThreadBlockCacheExit
{
  Boolean Armed = false;
  ~TQDThreadBlockCacheExit()
  {
    if (Armed)
      TQDThreadBlockCache::EndThread();
  }
};

namespace {
thread_local TQDThreadBlockCacheExit GCacheExit;
} // namespace

void TQDThreadBlockCache::AddParkingLot(void (*ADestroy)() noexcept) noexcept
{
  for (std::atomic<void (*)() noexcept>& Lot : GParkingLots) {
    void (*Empty)() noexcept = nullptr;
    if (Lot.compare_exchange_strong(Empty, ADestroy, std::memory_order_release))
      return;
  }
  assert(false && "more parking lots than TQDThreadBlockCache::MaxParkingLots");
}

void TQDThreadBlockCache::Flush() noexcept
{
  // The parked objects first. The cache is off meanwhile, so their blocks go
  // straight to the pool and nothing they release comes back here.
  TState& S = GState;
  const Cardinal Epoch = std::exchange(S.Epoch, 1);
  for (const std::atomic<void (*)() noexcept>& Lot : GParkingLots)
    if (void (*Destroy)() noexcept = Lot.load(std::memory_order_acquire))
      Destroy();
  S.Epoch = Epoch;
  TQDSmartBufferManager& Pool = SmartBufferManager();
  for (TSlot& Slot : S.Slots) {
    while (Slot.Count > 0)
      Pool.Deallocate(Slot.Blocks[--Slot.Count], Slot.Size);
    Slot.Size = 0;
  }
}

Cardinal TQDThreadBlockCache::CachedBlocks() noexcept
{
  Cardinal N = 0;
  for (const TSlot& Slot : GState.Slots)
    N += Slot.Count;
  return N;
}

void TQDThreadBlockCache::FlushAll() noexcept
{
  Flush();
  Invalidate();
  Sync(GState);
}

void TQDThreadBlockCache::Invalidate() noexcept
{
  GEpoch.fetch_add(2, std::memory_order_relaxed);
}

void TQDThreadBlockCache::CloseAll() noexcept
{
  Flush();
  Cardinal Epoch = GEpoch.load(std::memory_order_relaxed);
  // Never 1, the epoch of an ended thread's cache, so no such cache matches.
  while (!GEpoch.compare_exchange_weak(Epoch, (Epoch + 2) | 1, std::memory_order_relaxed)) {
  }
  Sync(GState);
}

void TQDThreadBlockCache::EndThread() noexcept
{
  Flush();
  GState.Epoch = 1;
}

Boolean TQDThreadBlockCache::Sync(TState& S) noexcept
{
  const Cardinal Epoch = GEpoch.load(std::memory_order_relaxed);
  if (S.Epoch == Epoch)
    return true;
  if (S.Epoch & 1) // the thread has ended, or the pool closed: no cache any more
    return false;
  Flush();
  if (Epoch & 1) { // closed: from now on the pool serves every call
    S.Epoch = 1;
    return false;
  }
  S.Epoch = Epoch;
  return true;
}

Boolean TQDThreadBlockCache::ActivateSlow() noexcept
{
  TState& S = GState;
  if (!Sync(S))
    return false;
  if (!S.ExitHookSet) {
    GCacheExit.Armed = true; // the first use in this thread registers its destructor
    S.ExitHookSet = true;
  }
  return true;
}

void* TQDThreadBlockCache::AllocateSlow(Cardinal ASize)
{
  // A request the cache could serve but did not (empty slot, new epoch) goes
  // to the pool; blocks come into the cache only through Deallocate.
  if (ASize - 1 < MaxBlockSize)
    Sync(GState);
  return SmartBufferManager().Allocate(ASize);
}

void TQDThreadBlockCache::DeallocateSlow(void* ABlock, Cardinal ASize) noexcept
{
  TState& S = GState;
  if (ABlock && ASize - 1 < MaxBlockSize && Sync(S)) {
    TSlot* Free = nullptr;
    TSlot* Same = nullptr;
    for (TSlot& Slot : S.Slots) {
      if (Slot.Size == ASize)
        Same = &Slot;
      else if (!Free && Slot.Count == 0)
        Free = &Slot;
    }
    if (!Same && Free)
      ActivateSlow(); // the thread's first kept block: give it back at the end
    TSlot* Slot = Same ? Same : Free;
    if (Slot && Slot->Count < Depth) {
      Slot->Size = ASize;
      Slot->Blocks[Slot->Count++] = ABlock;
      return;
    }
  }
  SmartBufferManager().Deallocate(ABlock, ASize);
}

// ---------------------------------------------------------------------------
// Module start-up and shutdown
// ---------------------------------------------------------------------------

std::atomic<TQDSmartBufferManager*> QDInternalStoreDetail::GManager{nullptr};

namespace {
using QDInternalStoreDetail::GManager;

TModuleStart GInternalStoreStart;

void PoolBeforeFork() { GManager.load()->BeforeFork(); }
void PoolAfterForkInParent() { GManager.load()->AfterForkInParent(); }
void PoolAfterForkInChild() { GManager.load()->AfterForkInChild(); }

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
      // still return their blocks while the program shuts down, and then go
      // straight to the heap. It is published before anything else starts,
      // so that whatever runs from here on finds it.
      auto* Pool = new TQDSmartBufferManager;
      GManager.store(Pool, std::memory_order_release);
      pthread_atfork(&PoolBeforeFork, &PoolAfterForkInParent, &PoolAfterForkInChild);
      try {
        Pool->StartTimer(TQDSmartBufferManager::TrimInterval);
      } catch (...) {
        // No thread to be had: the pool works on, it only keeps idle blocks.
      }
      QDNormDispatcherStart();
    });
  }
  ~TInternalStoreUnit()
  {
    // The norm group, the pool (its timer first, then the free blocks), then
    // the primitive modules in reverse order of their start.
    GInternalStoreStart.Stop([] {
      QDNormDispatcherStop();
      GManager.load()->Close();
      QDScopeDispatcherStop();
      QDBasicDispatcherStop();
      QDResizeDispatcherStop();
      KJIPPILoaderStop();
      KJIPPSLoaderStop();
    });
  }
};
} // namespace

TQDSmartBufferManager& QDInternalStoreDetail::StartSmartBufferManager()
{
  static TInternalStoreUnit Unit;
  return *GManager.load(std::memory_order_acquire);
}
