#include "primitives/KJMalloc.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
constexpr std::size_t Alignment = 32;
constexpr std::size_t SlotSize = sizeof(void*);
} // namespace

void* KJMalloc(std::size_t ASize) noexcept
{
  if (ASize == 0 || ASize > static_cast<std::size_t>(-1) - Alignment - SlotSize)
    return nullptr;
  void* Heap = std::malloc(ASize + Alignment + SlotSize);
  if (!Heap)
    return nullptr;
  const auto HeapAddr = reinterpret_cast<std::uintptr_t>(Heap);
  const std::uintptr_t BlockAddr =
      (HeapAddr + SlotSize + Alignment - 1) & ~std::uintptr_t(Alignment - 1);
  void* Block = reinterpret_cast<void*>(BlockAddr);
  std::memcpy(static_cast<unsigned char*>(Block) - SlotSize, &Heap, SlotSize);
  return Block;
}

void KJFree(void* ABlock) noexcept
{
  if (!ABlock)
    return;
  void* Heap;
  std::memcpy(&Heap, static_cast<unsigned char*>(ABlock) - SlotSize, SlotSize);
  std::free(Heap);
}
