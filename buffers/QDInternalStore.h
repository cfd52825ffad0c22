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
/// memory, comes from the process-wide pool `SmartBufferManager()` and goes back
/// to it.
///
/// Thread safety: a block's counts are guarded by its own recursive lock, so
/// buffers sharing one block may be copied and released on several threads at
/// once. The data itself is not locked.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/PlatformTypes.h"

#include <cstddef>
#include <mutex>

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
  /// One transport less (and one owner less when OwnsData); destroys the block
  /// when the last transport goes. The caller must not touch it afterwards.
  virtual void RemoveReff(Boolean OwnsData);
  /// One owner less; the transport stays.
  virtual void RemoveOwnerShip();
  /// True while fewer than two owners remain: a writer may write in place.
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

  /// Counts as they are now (under the lock), for diagnostics and tests.
  Integer CountOwners();
  Integer CountTransports();

  /// The block object itself lives in a raw block of the pool.
  static void* operator new(std::size_t ASize);
  static void operator delete(void* APtr, std::size_t ASize) noexcept;

protected:
  // Guarded by FCriticalSection.
  Integer FCountOwners = 0;
  Integer FCountTransports = 0;
  std::recursive_mutex FCriticalSection;
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

/// The process-wide pool of raw blocks. Every storage block obtains its raw
/// blocks through Allocate and returns them through Deallocate.
///
/// This pool keeps no free block: each Allocate reserves a fresh raw block and
/// each Deallocate gives it straight back to the heap.
///
/// Thread safety: every operation may be called from any thread.
class TQDSmartBufferManager
{
public:
  TQDSmartBufferManager() = default;
  TQDSmartBufferManager(const TQDSmartBufferManager&) = delete;
  TQDSmartBufferManager& operator=(const TQDSmartBufferManager&) = delete;

  /// A raw block of exactly ASize bytes; null for 0. Raises EOutOfMemory.
  void* Allocate(Cardinal ASize);
  /// Returns a block that Allocate gave for the same ASize. Null is ignored.
  void Deallocate(void* DataPtr, Cardinal ASize) noexcept;
  /// Releases every free block to the heap. Blocks in use are not affected.
  void ReleaseMemory();
};

/// The one pool. The first call starts the storage module (and the modules it
/// depends on); the pool then lives until the program ends.
TQDSmartBufferManager& SmartBufferManager();
