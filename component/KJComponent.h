//===- component/KJComponent.h - Component base and its helpers -*- C++ -*-===//
///
/// \file
/// Helpers of the library's components. For now: `TKJObjectList`, the owning,
/// reference-counted list that result lists derive from.
///
/// \code
///   class TMyResult : public TKJObjectList
///   {
///   public:
///     static TRef<TMyResult> Create() { return TRef<TMyResult>(new TMyResult); }
///     void Add(Real A) { AddItem<TMyItem>(A); } // the list owns the new item
///   };
/// \endcode
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/Interfaces.h"
#include "platform/PlatformTypes.h"

#include <cstddef>
#include <memory_resource>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

/// A reference-counted list that owns its items: removing or clearing an item,
/// or destroying the list, destroys the item. It adds no interface of its own;
/// descendants add items with AddItem and give typed, indexed access.
///
/// Cost: lists are made and dropped once per prediction, so items live in an
/// arena inside the list object (its first few hundred bytes; beyond that the
/// arena takes blocks from the heap). A small list with its items is one heap
/// block. The memory of a removed item is reused only when the list goes.
///
/// Thread safety: the count is atomic, so the list may be released on any
/// thread; the items themselves are not guarded.
class TKJObjectList : public TInterfacedObject
{
public:
  /// Destroys every item.
  ~TKJObjectList() override;

  /// Number of items (property `Count`).
  virtual Integer GetCount() const;

protected:
  TKJObjectList() = default;

  /// Constructs a T at the end of the list and returns it (owned by the list,
  /// valid until it is removed or the list goes).
  template <class T, class... TArgs>
  T* AddItem(TArgs&&... AArgs)
  {
    static_assert(std::is_base_of_v<TObject, T>, "items are objects");
    FItems.reserve(FItems.size() + 1); // before the item exists: no leak if this throws
    void* Memory = FArena.allocate(sizeof(T), alignof(T));
    T* Item = ::new (Memory) T(std::forward<TArgs>(AArgs)...); // nothing to undo: the arena keeps Memory
    FItems.push_back(Item);
    return Item;
  }
  /// Room for ACount items without growing the index.
  void ReserveItems(Integer ACount) { FItems.reserve(static_cast<std::size_t>(ACount)); }
  /// Item AIndex; the caller has checked 0 <= AIndex < Count.
  TObject* ItemAt(Integer AIndex) const { return FItems[static_cast<std::size_t>(AIndex)]; }
  /// Destroys item AIndex and closes the gap; the caller has checked the index.
  void DeleteItem(Integer AIndex);
  /// Destroys every item.
  void ClearItems() noexcept;

private:
  static constexpr std::size_t InlineBytes = 256;

  alignas(std::max_align_t) std::byte FInline[InlineBytes]; // first block of FArena
  std::pmr::monotonic_buffer_resource FArena{FInline, sizeof FInline};
  std::pmr::vector<TObject*> FItems{&FArena}; // owned items (in FArena), insertion order
};
