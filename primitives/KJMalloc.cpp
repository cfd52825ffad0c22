#include "primitives/KJMalloc.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
constexpr std::size_t Alignment = 32;
constexpr std::size_t SlotSize = sizeof(void*);

// Test hook state. Relaxed: tests that use it allocate from one thread.
std::atomic<unsigned> GFailCount{0};
std::atomic<unsigned> GFailSkip{0};
std::atomic<long> GLiveBlocks{0};

// True when the test hook makes this allocation fail.
bool InjectedFailure() noexcept
{
  if (GFailCount.load(std::memory_order_relaxed) == 0)
    return false;
  if (GFailSkip.load(std::memory_order_relaxed) > 0) {
    GFailSkip.fetch_sub(1, std::memory_order_relaxed);
    return false;
  }
  GFailCount.fetch_sub(1, std::memory_order_relaxed);
  return true;
}
} // namespace

void* KJMalloc(std::size_t ASize) noexcept
{
  if (ASize == 0 || ASize > static_cast<std::size_t>(-1) - Alignment - SlotSize)
    return nullptr;
  if (InjectedFailure())
    return nullptr;
  void* Heap = std::malloc(ASize + Alignment + SlotSize);
  if (!Heap)
    return nullptr;
  const auto HeapAddr = reinterpret_cast<std::uintptr_t>(Heap);
  const std::uintptr_t BlockAddr =
      (HeapAddr + SlotSize + Alignment - 1) & ~std::uintptr_t(Alignment - 1);
  void* Block = reinterpret_cast<void*>(BlockAddr);
  std::memcpy(static_cast<unsigned char*>(Block) - SlotSize, &Heap, SlotSize);
  GLiveBlocks.fetch_add(1, std::memory_order_relaxed);
  return Block;
}

void KJFree(void* ABlock) noexcept
{
  if (!ABlock)
    return;
  void* Heap;
  std::memcpy(&Heap, static_cast<unsigned char*>(ABlock) - SlotSize, SlotSize);
  std::free(Heap);
  GLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

void KJMallocFailNext(unsigned ACount, unsigned ASkip) noexcept
{
  GFailCount.store(0, std::memory_order_relaxed);
  GFailSkip.store(ASkip, std::memory_order_relaxed);
  GFailCount.store(ACount, std::memory_order_relaxed);
}

long KJMallocLiveBlocks() noexcept
{
  return GLiveBlocks.load(std::memory_order_relaxed);
}
