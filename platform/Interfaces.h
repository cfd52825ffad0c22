//===- platform/Interfaces.h - Reference-counted interfaces ---*- C++ -*-===//
///
/// \file
/// The object model every data object of the libraries is built on:
///
/// - `TObject`, the root class (virtual destructor, so an owner may free any
///   object through it);
/// - `IInterface`, slots 0..2 of every interface: query by GUID, add a
///   reference, release one. Interfaces derive from it *virtually*, so an object
///   that implements several interfaces of one family has a single count and a
///   single implementation of each method;
/// - `TInterfacedObject`, the counting base: the count starts at 0 and the
///   object frees itself when the last reference goes;
/// - `TRef<I>`, the one intrusive smart pointer, for interfaces and for the
///   classes that implement them;
/// - `Query<I>` (empty when not supported) and `Cast<I>` (raises EInvalidCast).
///
/// Every interface names its GUID and its parent interface, which is what
/// `QueryInterface` answers for:
/// \code
///   struct IQDData : virtual IInterface
///   {
///     static constexpr TGUID IID = MakeGUID("{B9246BCA-4961-415C-945F-257B3EA0ECFC}");
///     using TParent = IInterface;
///     ...
///   };
///   class TQDBasicBuffer : public TInterfacedObject, public virtual IQDData
///   {
///     int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override
///     {
///       if (QueryInterfaceOf<IQDData>(this, AIID, AObj))
///         return S_OK;
///       return TInterfacedObject::QueryInterface(AIID, AObj);
///     }
///   };
/// \endcode
///
/// Thread safety: reference counts change atomically; an object may be shared
/// and released by several threads at once. A single `TRef` variable is not
/// itself synchronised.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/Guid.h"

#include <atomic>
#include <cassert>
#include <cstddef>
#include <type_traits>
#include <utility>

/// Results of QueryInterface.
inline constexpr std::int32_t S_OK = 0;
inline constexpr std::int32_t E_NOINTERFACE = static_cast<std::int32_t>(0x80004002u);

/// Root of the class tree.
class TObject
{
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

/// Slots 0..2 of every interface.
struct IInterface
{
  static constexpr TGUID IID = MakeGUID("{00000000-0000-0000-C000-000000000046}");
  using TParent = void;

  /// Stores a new reference to interface AIID in *AObj and returns S_OK, or
  /// stores null and returns E_NOINTERFACE.
  virtual std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept = 0;
  virtual std::int32_t AddRef() noexcept = 0;
  /// Frees the object when the count reaches 0. Returns the new count.
  virtual std::int32_t Release() noexcept = 0;

protected:
  ~IInterface() = default; // never delete through an interface
};

/// Counting base. Copying an object does not copy its count.
class TInterfacedObject : public TObject, public virtual IInterface
{
public:
  TInterfacedObject() = default;
  ~TInterfacedObject() override
  {
    assert(FRefCount.load(std::memory_order_relaxed) == 0 &&
           "object destroyed while references remain");
  }

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  std::int32_t AddRef() noexcept override
  {
    // relaxed: taking a reference publishes nothing; the holder already sees the object.
    return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1;
  }
  std::int32_t Release() noexcept override
  {
    // The only reference: nobody else can take one meanwhile, so the object
    // goes without an atomic read-modify-write. acquire: the frees below see
    // every write of the owners that left before.
    if (FRefCount.load(std::memory_order_acquire) == 1) {
      FRefCount.store(0, std::memory_order_relaxed);
      LastReleased();
      return 0;
    }
    // acq_rel: the thread that frees must see every write the other owners made.
    const std::int32_t N = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    assert(N >= 0 && "released more often than referenced");
    if (N == 0)
      LastReleased();
    return N;
  }
  std::int32_t RefCount() const noexcept { return FRefCount.load(std::memory_order_relaxed); }

  /// AddRef for the creator of an object that nobody else can reach yet: the
  /// first reference is a plain store. An object that already has references
  /// (its constructor handed itself out) gets an ordinary AddRef.
  void AddFirstRef() noexcept
  {
    if (FRefCount.load(std::memory_order_relaxed) == 0)
      FRefCount.store(1, std::memory_order_relaxed);
    else
      AddRef();
  }

protected:
  /// What the last Release does: destroys the object. A class that keeps its
  /// objects for reuse overrides it; the count is 0 again when it runs.
  virtual void LastReleased() noexcept { delete this; }

private:
  std::atomic<std::int32_t> FRefCount{0};
};

/// Answers AIID when it is I or one of I's parents (I -> I::TParent -> ... ->
/// IInterface): stores the reference and returns true. A class's own
/// QueryInterface asks this for the interfaces it adds and otherwise calls its
/// base class's QueryInterface by qualified name.
template <class I, class TSelf>
bool QueryInterfaceOf(TSelf* ASelf, const TGUID& AIID, void** AObj) noexcept
{
  if (AIID == I::IID) {
    I* P = ASelf;
    P->AddRef();
    *AObj = P;
    return true;
  }
  if constexpr (!std::is_void_v<typename I::TParent>)
    return QueryInterfaceOf<typename I::TParent>(ASelf, AIID, AObj);
  else
    return false;
}

/// The one intrusive smart pointer. `I` is an interface or a class with
/// AddRef/Release. Building from a raw pointer shares (adds a reference);
/// `Adopt` takes over a reference the callee already added.
template <class I>
class TRef
{
public:
  using element_type = I;

  constexpr TRef() noexcept = default;
  constexpr TRef(std::nullptr_t) noexcept {}
  TRef(I* AObj) noexcept : FObj(AObj)
  {
    if (FObj)
      FObj->AddRef();
  }
  TRef(const TRef& AOther) noexcept : TRef(AOther.FObj) {}
  TRef(TRef&& AOther) noexcept : FObj(std::exchange(AOther.FObj, nullptr)) {}
  /// Upcasts: a TRef of a derived interface or class converts to its base.
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, I*>>>
  TRef(const TRef<U>& AOther) noexcept : TRef(static_cast<I*>(AOther.Get())) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, I*>>>
  TRef(TRef<U>&& AOther) noexcept : FObj(static_cast<I*>(AOther.Detach())) {}
  ~TRef() { Reset(); }

  TRef& operator=(TRef AOther) noexcept
  {
    std::swap(FObj, AOther.FObj);
    return *this;
  }

  static TRef Adopt(I* AObj) noexcept
  {
    TRef R;
    R.FObj = AObj;
    return R;
  }

  I* Get() const noexcept { return FObj; }
  I* operator->() const noexcept
  {
    assert(FObj && "dereferencing an empty TRef");
    return FObj;
  }
  I& operator*() const noexcept { return *operator->(); }
  explicit operator bool() const noexcept { return FObj != nullptr; }

  /// Drops the reference (if any).
  void Reset() noexcept
  {
    if (I* P = std::exchange(FObj, nullptr))
      P->Release();
  }
  /// Hands the reference to the caller, who must release it.
  [[nodiscard]] I* Detach() noexcept { return std::exchange(FObj, nullptr); }

  template <class U>
  bool operator==(const TRef<U>& AOther) const noexcept { return FObj == AOther.Get(); }
  bool operator==(std::nullptr_t) const noexcept { return FObj == nullptr; }

private:
  I* FObj = nullptr;
};

/// The first reference to AObj, an object just made that nobody else can reach
/// yet (`TRef<T>(new T)` without the atomic add). Hand it to other threads only
/// through something that synchronises, as any new object.
template <class T>
TRef<T> FirstRef(T* AObj) noexcept
{
  AObj->AddFirstRef();
  return TRef<T>::Adopt(AObj);
}

/// Interface To of AObj, or an empty TRef when the object does not support it.
template <class To, class From>
TRef<To> Query(From* AObj) noexcept
{
  if (!AObj)
    return nullptr;
  void* P = nullptr;
  if (static_cast<IInterface*>(AObj)->QueryInterface(To::IID, &P) != S_OK)
    return nullptr;
  return TRef<To>::Adopt(static_cast<To*>(P));
}
template <class To, class From>
TRef<To> Query(const TRef<From>& AObj) noexcept
{
  return Query<To>(AObj.Get());
}

/// Interface To of AObj; raises EInvalidCast when it is not supported.
/// A null source gives a null result, as a cast of nil does.
template <class To, class From>
TRef<To> Cast(From* AObj);
template <class To, class From>
TRef<To> Cast(const TRef<From>& AObj)
{
  return Cast<To>(AObj.Get());
}

[[noreturn]] void RaiseIntfCastError();

template <class To, class From>
TRef<To> Cast(From* AObj)
{
  if (!AObj)
    return nullptr;
  TRef<To> R = Query<To>(AObj);
  if (!R)
    RaiseIntfCastError();
  return R;
}
