//===- primitives/KJMalloc.h - Aligned work memory of the primitives -*- C++ -*-===//
///
/// \file
/// Work vectors and state blocks of the built-ins: 32-byte aligned blocks from
/// the process heap, laid out as the storage blocks are (the heap address kept
/// in the pointer-sized slot just below the block). A built-in that cannot get
/// its memory returns ippStsMemAllocErr; these functions never raise.
///
/// Thread safety: any thread may allocate and release.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <cstddef>
#include <memory>

/// A 32-byte aligned block of ASize bytes, contents undefined; null when ASize
/// is 0 or the heap cannot supply it.
void* KJMalloc(std::size_t ASize) noexcept;
/// Releases a block of KJMalloc. Null is ignored.
void KJFree(void* ABlock) noexcept;

/// ACount elements of T as one block; null also when the size overflows.
template <class T>
T* KJMallocArray(std::size_t ACount) noexcept
{
  if (ACount > static_cast<std::size_t>(-1) / sizeof(T))
    return nullptr;
  return static_cast<T*>(KJMalloc(ACount * sizeof(T)));
}

/// Owner of a KJMalloc block, so that every return path releases it.
struct TKJFreeBlock
{
  void operator()(void* ABlock) const noexcept { KJFree(ABlock); }
};
template <class T>
using TKJWorkVector = std::unique_ptr<T[], TKJFreeBlock>;

/// Test hook, compiled into every build: once ASkip more blocks have been
/// handed out, the next ACount calls of KJMalloc return null as if the heap
/// were exhausted, so that tests can reach the ippStsMemAllocErr paths of the
/// built-ins. KJMallocFailNext(0) cancels it. Meant for single-threaded tests:
/// two threads that allocate meanwhile share the count.
void KJMallocFailNext(unsigned ACount, unsigned ASkip = 0) noexcept;
/// Test hook: the number of KJMalloc blocks not yet released, process-wide.
long KJMallocLiveBlocks() noexcept;
