//===- buffers/QDInternalStore.h - Storage blocks and the pool --*- C++ -*-===//
///
/// \file
/// Storage blocks are what buffers share. A block counts two kinds of users:
///
/// - *owners* decide copy-on-write: a buffer about to write a block with two or
///   more owners first takes a copy (`TQDSmartBuffer::SingleOwner`);
/// - *transports* decide lifetime: the block destroys itself when the last
///   transport reference goes.
///
/// A `TQDSmartMemoryBuffer` holds its data in one raw block of a power-of-two
/// size (4 .. 2^30 bytes), 32-byte aligned so that vector primitives run on it
/// at full speed. Every raw block, the data as well as the block object's own
/// memory (and the memory of the buffer objects), comes from the process-wide
/// pool `SmartBufferManager()` and goes back to it, the small ones through the
/// calling thread's cache.
///
/// The pool keeps freed raw blocks in chains by exact byte size and hands the
/// most recently freed block of a size out first, so a steady stream of
/// buffers of one size reaches the heap only once. A trim tick every 200 ms
/// gives idle blocks back: a chain that sees no traffic keeps its free blocks
/// for eight ticks, then returns one per tick, and goes when it is empty and
/// its count has run out (c free blocks: gone at tick c + 8).
///
/// Small raw blocks of the process pool pass through a per-thread cache
/// (`TQDThreadBlockCache`): a thread keeps a few free blocks of each of a few
/// small sizes for itself and reuses them last-in first-out without any atomic
/// operation. What does not fit goes to the pool's chains; a thread's cache
/// goes back to them when the thread ends, and at its next use after
/// `ReleaseMemory`. Objects built from such blocks may be kept for reuse in
/// the cache's parking lots (small real buffers are), and go back with it:
/// creating and releasing a small buffer then costs no more than a heap call.
///
/// Thread safety: a block's counts are guarded by its own recursive lock, so
/// buffers sharing one block may be copied and released on several threads at
/// once. The data itself is not locked. The pool has one recursive lock for
/// all of its chains; a thread's cache is touched by that thread only.
///
/// Lock order: a block's lock before the pool's (a clone allocates while its
/// block is locked). A new block gets its first references without its lock
/// (AddFirstReff), and the last reference goes without it (RemoveReff).
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/PlatformTypes.h"
#include "platform/SpinLock.h"
#include "platform/Timers.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

/// Largest raw block the storage model supports (2^30 bytes).
inline constexpr Cardinal QDMaxBlockSize = Cardinal(1) << 30;

/// A raw block of ASize bytes from the heap, 32-byte aligned. The heap address
/// is kept in the pointer-sized slot just below the block. ASize 0 gives null.
/// Raises EOutOfMemory ("Out of memory") when the heap cannot supply it.
void* AllocateRawBlock(std::size_t ASize);
/// Gives a block of AllocateRawBlock back to the heap. Null is ignored.
void ReleaseRawBlock(void* ABlock) noexcept;

/// Smallest power of two 2^k with 2 <= k <= 30 and 2^k >= ASize. Raises
/// EOutOfMemory for a size above 2^30 instead of wrapping around.
Cardinal RoundBlockSize(UInt64 ASize);

/// Storage block: counts, lock and sequence number, no data of its own.
class TQDSmartBuffer
{
public:
  TQDSmartBuffer() = default;
  TQDSmartBuffer(const TQDSmartBuffer&) = delete;
  TQDSmartBuffer& operator=(const TQDSmartBuffer&) = delete;
  virtual ~TQDSmartBuffer() = default;

  /// One more transport, and one more owner when OwnsData.
  virtual void AddReff(Boolean OwnsData);
  /// AddReff for the creator of a block that nobody else can reach yet: the
  /// first references need no lock. A block that already has references gets
  /// an ordinary AddReff.
  void AddFirstReff(Boolean OwnsData);
  /// One transport less (and one owner less when OwnsData); destroys the block
  /// when the last transport goes. The caller must not touch it afterwards.
  /// The last transport goes without the lock (nobody else can reach the
  /// block).
  virtual void RemoveReff(Boolean OwnsData);
  /// One owner less; the transport stays.
  virtual void RemoveOwnerShip();
  /// True while fewer than two owners remain: a writer may write in place.
  /// Takes no lock: the count is read as one atomic value.
  virtual Boolean SingleOwner();
  /// A new block with counts 0; the caller adds its references. The base block
  /// has no data, so nothing of this block is carried over.
  virtual TQDSmartBuffer* Clone(Boolean Preserve);
  /// The data, or null for a block without data memory.
  virtual Byte* GetRawData() const { return nullptr; }
  /// Bytes reserved for the data (0 without data memory).
  virtual Cardinal GetAllocatedSize() const { return 0; }
  /// Copies min(own, Other's) reserved bytes from Other's data.
  virtual void CopyFrom(const TQDSmartBuffer& /*Other*/) {}

  // One lock serves both: there is no reader/writer distinction.
  void EnterRead() { FCriticalSection.lock(); }
  void LeaveRead() { FCriticalSection.unlock(); }
  void EnterWrite() { FCriticalSection.lock(); }
  void LeaveWrite() { FCriticalSection.unlock(); }

  // Sequence number of the data in the block: plain fields, not locked.
  Boolean GetBufferNumberAvailable() const { return FBufferNumberAvailable; }
  void SetBufferNumberAvailable(Boolean AValue) { FBufferNumberAvailable = AValue; }
  Int64 GetBufferNumber() const { return FBufferNumber; }
  void SetBufferNumber(Int64 AValue) { FBufferNumber = AValue; }

  /// Counts as they are now, for diagnostics and tests.
  Integer CountOwners() const { return FCountOwners.load(std::memory_order_acquire); }
  Integer CountTransports() const { return FCountTransports.load(std::memory_order_acquire); }
  /// True when the caller holds the only transport and no other thread is
  /// still inside the block's lock (the one that dropped the last-but-one
  /// transport may not have left it yet). Nobody else can then reach the block,
  /// so its last RemoveReff needs no lock; once true, it stays true.
  Boolean LastTransportIsAlone() const
  {
    return FCountTransports.load(std::memory_order_acquire) == 1 && !FCriticalSection.IsLocked();
  }

  /// The block object itself lives in a raw block of the pool.
  static void* operator new(std::size_t ASize);
  static void operator delete(void* APtr, std::size_t ASize) noexcept;

protected:
  // Changed only under FCriticalSection. Atomic so that two questions need no
  // lock: SingleOwner, and whether a RemoveReff drops the very last transport
  // (whose holder is then the only one who can still reach the block).
  std::atomic<Integer> FCountOwners{0};
  std::atomic<Integer> FCountTransports{0};
  TRecursiveSpinLock FCriticalSection;
  // Not locked: written by whoever stamps the data.
  Boolean FBufferNumberAvailable = false;
  Int64 FBufferNumber = 0;
};

/// Storage block with data memory.
class TQDSmartMemoryBuffer : public TQDSmartBuffer
{
public:
  /// A block reserving RoundBlockSize(ASize) bytes, contents undefined (pooled
  /// memory is not cleared). Raises EOutOfMemory above 2^30 bytes.
  static TQDSmartMemoryBuffer* Create(UInt64 ASize);
  /// As Create, then copies ASize bytes from Data when Data is not null.
  static TQDSmartMemoryBuffer* CreateData(const void* Data, UInt64 ASize);
  /// A block of Other's reserved size; copies all of Other's bytes when Preserve.
  static TQDSmartMemoryBuffer* CreateEx(const TQDSmartMemoryBuffer& Other, Boolean Preserve);
  ~TQDSmartMemoryBuffer() override;

  TQDSmartBuffer* Clone(Boolean Preserve) override;

  /// The 32-byte aligned data.
  Byte* GetRawData() const override { return FDataPtr; }
  /// A power of two between 4 and 2^30.
  Cardinal GetAllocatedSize() const override { return FAllocatedSize; }
  void CopyFrom(const TQDSmartBuffer& Other) override;

  /// Empties the pool: every free raw block goes back to the heap.
  static void ReleaseMemory();

private:
  explicit TQDSmartMemoryBuffer(UInt64 ASize);

  Byte* FDataPtr = nullptr;    // owned raw block of FAllocatedSize bytes
  Cardinal FAllocatedSize = 0;
};

/// Where the pool takes raw blocks from and gives them back to. The process
/// pool uses the system heap; a test may pass a heap that fails on demand.
struct TQDRawHeap
{
  /// A raw block of ASize bytes; raises EOutOfMemory when there is none.
  void* (*Reserve)(std::size_t ASize);
  /// Gives a block of Reserve back. The pool drops errors it raises.
  void (*Release)(void* ABlock);
};

/// The system heap: AllocateRawBlock and ReleaseRawBlock.
extern const TQDRawHeap QDSystemHeap;

/// A chain of free raw blocks of one byte size. Used only by its pool, under
/// the pool's lock.
class TQDSmartBufferList
{
public:
  /// Idle ticks a chain keeps all of its free blocks.
  static constexpr Cardinal IdleTicks = 8;

  TQDSmartBufferList(Cardinal ASize, const TQDRawHeap& AHeap) : FSize(ASize), FHeap(&AHeap) {}
  TQDSmartBufferList(TQDSmartBufferList&& AOther) noexcept;
  TQDSmartBufferList& operator=(TQDSmartBufferList&& AOther) noexcept;
  /// Releases every free block to the heap (errors dropped).
  ~TQDSmartBufferList();

  /// Restarts the count (free blocks + 8) and hands out the most recently
  /// returned block; null when the chain has none, and the pool reserves a
  /// fresh one.
  void* Allocate()
  {
    // The count includes the block about to leave, so it starts one higher
    // than after a Deallocate that leaves the same number of free blocks.
    FCountDown = static_cast<Cardinal>(BufferList.size()) + IdleTicks;
    if (BufferList.empty())
      return nullptr;
    void* Block = BufferList.back();
    BufferList.pop_back();
    return Block;
  }
  /// Appends the block (the most recent one now) and restarts the count. Raises
  /// std::bad_alloc when the list cannot grow; the chain is then unchanged.
  void Deallocate(void* DataPtr)
  {
    BufferList.push_back(DataPtr);
    FCountDown = static_cast<Cardinal>(BufferList.size()) + IdleTicks;
  }
  /// One idle tick: counts down, then gives free blocks back from the end of
  /// the list until at most the count remain. True when the count is 0, that
  /// is when the chain is empty and may go. An error of the heap's Release
  /// leaves here; the block it failed on is dropped from the chain.
  Boolean DownSize();

  Cardinal GetSize() const { return FSize; }
  Cardinal GetCountDown() const { return FCountDown; }
  Cardinal FreeBlocks() const { return static_cast<Cardinal>(BufferList.size()); }

private:
  void ReleaseAll() noexcept;

  Cardinal FSize;                 // byte size of every block of the chain
  Cardinal FCountDown = 0;        // idle ticks left before the chain is trimmed
  std::vector<void*> BufferList;  // owned free blocks; the last one was returned last
  const TQDRawHeap* FHeap;        // not owned: the pool's heap
};

/// A snapshot of one chain, for diagnostics and tests.
struct TQDChainInfo
{
  Cardinal Size;
  Cardinal FreeBlocks;
  Cardinal CountDown;
};

/// The pool of raw blocks. Every storage block obtains its raw blocks through
/// Allocate and returns them through Deallocate; `SmartBufferManager()` is the
/// process-wide one, and a pool of one's own (a test's) behaves the same.
///
/// Free blocks wait in chains, one per byte size, found by a linear search
/// (block sizes are powers of two and object sizes few, so chains are few).
/// `Tick` trims them; a pool's own timer calls it every `TrimInterval` once
/// `StartTimer` was called. After `Close`, nothing is kept any more: every
/// block comes from and goes straight to the heap, so blocks that are released
/// late during program end stay safe.
///
/// Thread safety: every operation may be called from any thread. One lock (the
/// lock of ChainsList) guards every chain; a fresh block is reserved from the
/// heap after releasing it. StartTimer, StopTimer and Close belong to the
/// pool's owner: call them from one thread at a time.
///
/// The process pool also drives the threads' caches: its ReleaseMemory and
/// Close first give the calling thread's cache back and tell every other
/// thread to give its cache back at its next use (and, after Close, to keep
/// nothing any more).
class TQDSmartBufferManager
{
public:
  static constexpr std::chrono::milliseconds TrimInterval{200};

  explicit TQDSmartBufferManager(const TQDRawHeap& AHeap = QDSystemHeap);
  TQDSmartBufferManager(const TQDSmartBufferManager&) = delete;
  TQDSmartBufferManager& operator=(const TQDSmartBufferManager&) = delete;
  /// Stops the timer and releases every free block. A pool must outlive every
  /// block it handed out; the process pool is therefore never destroyed.
  ~TQDSmartBufferManager();

  /// A raw block of exactly ASize bytes: the chain's most recently freed one,
  /// else a fresh one from the heap. Null for 0, which touches no chain.
  /// Raises EOutOfMemory ("Out of memory") when the heap has none; the chain's
  /// free blocks stay as they were.
  void* Allocate(Cardinal ASize);
  /// Returns a block that Allocate gave for the same ASize. Null is ignored.
  void Deallocate(void* DataPtr, Cardinal ASize) noexcept;
  /// Releases every free block to the heap and removes every chain. Blocks in
  /// use are not affected: each returns to a new chain of its size later.
  void ReleaseMemory() noexcept;
  /// One trim tick: walks the chains from the last to the first, calls each
  /// one's DownSize and removes a chain whose DownSize says it may go. An error
  /// while a chain is removed is dropped and the walk goes on; any other error
  /// ends the walk. Nothing leaves a tick.
  void Tick() noexcept;

  /// Starts calling Tick every AInterval on a timer thread.
  void StartTimer(std::chrono::milliseconds AInterval = TrimInterval);
  /// Stops the timer; waits for a running tick.
  void StopTimer() noexcept;
  /// True while the timer thread runs.
  Boolean TimerRunning() const noexcept { return FTimer.Running(); }
  /// Stops the timer, releases every free block and keeps none from now on.
  void Close() noexcept;

  /// The chains as they are now, in list order.
  std::vector<TQDChainInfo> Chains();
  /// The chain of ASize bytes, if there is one.
  std::optional<TQDChainInfo> FindChain(Cardinal ASize);
  /// True while some thread holds the pool's lock (a snapshot).
  Boolean Busy() const noexcept { return FLock.IsLocked(); }

  /// fork() support for the process pool: the prepare step takes the lock so
  /// that no other thread holds it when the process is copied; the parent and
  /// the child release it, and the child, which has no timer thread, starts a
  /// new one at its next Allocate.
  void BeforeFork() noexcept;
  void AfterForkInParent() noexcept;
  void AfterForkInChild() noexcept;

private:
  // Caller holds FLock.
  TQDSmartBufferList* Find(Cardinal ASize) noexcept
  {
    for (TQDSmartBufferList& Chain : ChainsList)
      if (Chain.GetSize() == ASize)
        return &Chain;
    return nullptr;
  }
  TQDSmartBufferList& FindOrAdd(Cardinal ASize)
  {
    if (TQDSmartBufferList* Chain = Find(ASize)) [[likely]]
      return *Chain;
    return AddChain(ASize);
  }
  TQDSmartBufferList& AddChain(Cardinal ASize);
  void* AllocateFromHeap(Cardinal ASize);
  void ReleaseToHeap(void* DataPtr) noexcept;
  void RestartLostTimer() noexcept;

  const TQDRawHeap& FHeap;
  mutable TRecursiveSpinLock FLock;            // the lock of ChainsList
  // Guarded by FLock.
  std::vector<TQDSmartBufferList> ChainsList;  // one chain per size, unordered
  Boolean FClosed = false;                     // true after Close: nothing is kept
  Boolean FTimerLost = false;                  // forked child: the timer thread is gone
  Boolean FUnusual = false;                    // FClosed or FTimerLost: leave the fast path
  // Started and stopped by the owner of the pool (not under FLock).
  TPeriodicTimer FTimer;
  std::chrono::milliseconds FTimerInterval{0}; // 0: no timer was started
};

/// The one pool. The first call starts the storage module (and the modules it
/// depends on); the pool then lives until the program ends.
TQDSmartBufferManager& SmartBufferManager();

namespace QDInternalStoreDetail {
// Set once by the module start, never cleared (the pool is immortal).
extern std::atomic<TQDSmartBufferManager*> GManager;
TQDSmartBufferManager& StartSmartBufferManager();
} // namespace QDInternalStoreDetail

inline TQDSmartBufferManager& SmartBufferManager()
{
  // acquire: a thread that finds the pool sees it fully built.
  if (TQDSmartBufferManager* Pool =
          QDInternalStoreDetail::GManager.load(std::memory_order_acquire)) [[likely]]
    return *Pool;
  return QDInternalStoreDetail::StartSmartBufferManager();
}

/// The calling thread's cache of free small raw blocks in front of the process
/// pool. Storage blocks and buffer objects take their raw blocks through it.
///
/// A thread keeps up to `Depth` free blocks of each of up to `Sizes` byte sizes
/// of at most `MaxBlockSize` bytes, and hands the most recently freed one out
/// first. Everything else goes to and comes from the pool. A thread therefore
/// holds at most Sizes x Depth x MaxBlockSize bytes (16 KiB) out of the pool's
/// reach, and gives them back when it ends, or at its first cache use after the
/// process pool's ReleaseMemory or Close (after Close it keeps none).
///
/// Thread safety: each thread has its own cache, which no other thread
/// touches; the calls need no lock and no atomic read-modify-write.
class TQDThreadBlockCache
{
public:
  static constexpr Cardinal MaxBlockSize = 256;
  static constexpr Cardinal Sizes = 8;
  static constexpr Cardinal Depth = 8;

  /// A raw block of exactly ASize bytes from this thread's cache, else from
  /// the process pool. Null for 0; raises EOutOfMemory as the pool does.
  static void* Allocate(Cardinal ASize)
  {
    TState& S = GState;
    if (ASize - 1 < MaxBlockSize && S.Epoch == GEpoch.load(std::memory_order_relaxed)) [[likely]] {
      for (TSlot& Slot : S.Slots)
        if (Slot.Size == ASize) {
          if (Slot.Count > 0) [[likely]]
            return Slot.Blocks[--Slot.Count];
          break;
        }
    }
    return AllocateSlow(ASize);
  }
  /// Keeps a block of Allocate(ASize) for this thread's next request of that
  /// size, or gives it to the process pool. Null is ignored.
  static void Deallocate(void* ABlock, Cardinal ASize) noexcept
  {
    TState& S = GState;
    if (ABlock && ASize - 1 < MaxBlockSize &&
        S.Epoch == GEpoch.load(std::memory_order_relaxed)) [[likely]] {
      for (TSlot& Slot : S.Slots)
        if (Slot.Size == ASize) {
          if (Slot.Count < Depth) [[likely]] {
            Slot.Blocks[Slot.Count++] = ABlock;
            return;
          }
          break;
        }
    }
    DeallocateSlow(ABlock, ASize);
  }
  /// True while this thread's cache keeps blocks (and gives them back when
  /// the thread ends): a parking lot may keep objects then.
  static Boolean Active() noexcept
  {
    const TState& S = GState;
    return S.ExitHookSet && S.Epoch == GEpoch.load(std::memory_order_relaxed);
  }
  /// Active, or makes the cache active when it may be (sets up the hook that
  /// gives it back when the thread ends); false when it may not.
  static Boolean Activate() noexcept { return Active() || ActivateSlow(); }
  /// Destroys this thread's parked objects (every parking lot's), then gives
  /// every block of this thread's cache to the process pool.
  static void Flush() noexcept;
  /// Adds a parking lot: objects a thread keeps built for reuse, which hold
  /// raw blocks of the cache. ADestroy destroys the calling thread's parked
  /// objects; every Flush runs it first, so that their blocks go back too.
  /// Call it during start-up; at most four lots.
  static void AddParkingLot(void (*ADestroy)() noexcept) noexcept;
  /// Free blocks this thread's cache holds now, for diagnostics and tests.
  static Cardinal CachedBlocks() noexcept;

  /// Every thread gives its cache back at its next use; this one at once.
  /// Called by the process pool's ReleaseMemory.
  static void FlushAll() noexcept;
  /// Every thread, this one included, gives its cache back at its next use.
  /// Called in a forked child, whose first use then reaches the pool (which
  /// starts the child's own trim timer there).
  static void Invalidate() noexcept;
  /// As FlushAll, and no thread keeps blocks any more. Called by the process
  /// pool's Close.
  static void CloseAll() noexcept;

private:
  struct TSlot
  {
    Cardinal Size;  // 0: free slot
    Cardinal Count; // free blocks in Blocks[0 .. Count)
    void* Blocks[Depth];
  };
  struct TState
  {
    // Equal to GEpoch while the cache may be used; 1 once the thread keeps
    // no blocks any more (it ended, or the pool closed), which GEpoch never is.
    Cardinal Epoch;
    Boolean ExitHookSet; // the thread gives its cache back when it ends
    TSlot Slots[Sizes];
  };

  static Boolean ActivateSlow() noexcept;
  static void* AllocateSlow(Cardinal ASize);
  static void DeallocateSlow(void* ABlock, Cardinal ASize) noexcept;
  // Brings the calling thread's cache up to GEpoch; false when it must keep none.
  static Boolean Sync(TState& S) noexcept;
  static void EndThread() noexcept;
  friend struct TQDThreadBlockCacheExit;

  // Trivially destructible, so it stays usable while the thread's other
  // thread-local objects are destroyed, and costs no guard on access.
  static constinit thread_local TState GState __attribute__((tls_model("initial-exec")));
  // Steps by 2 on FlushAll; odd (and at least 3) after CloseAll.
  static constinit std::atomic<Cardinal> GEpoch;
  static constexpr int MaxParkingLots = 4;
  static constinit std::atomic<void (*)() noexcept> GParkingLots[MaxParkingLots];
};
