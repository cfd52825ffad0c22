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
///     void Add(Real A) { FItems.push_back(std::make_unique<TMyItem>(A)); } // the list owns it
///   };
/// \endcode
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/Interfaces.h"
#include "platform/PlatformTypes.h"

#include <memory>
#include <vector>

/// A reference-counted list that owns its items: removing or clearing an item,
/// or destroying the list, frees the item. It adds no interface of its own;
/// descendants add items to `FItems` directly and give typed, indexed access.
///
/// Thread safety: the count is atomic, so the list may be released on any
/// thread; the items themselves are not guarded.
class TKJObjectList : public TInterfacedObject
{
public:
  /// Frees every item.
  ~TKJObjectList() override;

  /// Number of items (property `Count`).
  virtual Integer GetCount() const;

protected:
  TKJObjectList() = default;

  std::vector<std::unique_ptr<TObject>> FItems; // owned items, in insertion order
};
