//===- classifier/YHOpenCV.h - Loader of the decomposition bridge -*- C++ -*-===//
///
/// \file
/// The classifiers reach the eigen-decomposition through five C functions of
/// the bridge library libJXOpenCV2.so, loaded at run time:
///
/// - at program start-up the library is loaded once with the normal search
///   (`dlopen`, RTLD_NOW | RTLD_LOCAL: its names never join the global scope,
///   so they cannot clash with another library's functions of the same names),
///   then, if that finds nothing, by path from the folder of the program or
///   library that holds this loader (what its RUNPATH $ORIGIN names; a
///   runtime that wraps dlopen, as the sanitizers do, hides that RUNPATH from
///   the search). A failure there is silent;
/// - each function is reached through an entry of namespace `YHOpenCV` that
///   starts at a binding stub. The first call loads the library if it is not
///   loaded yet, looks the export up, stores it and forwards the call; later
///   calls go straight to the library. When loading or the look-up fails the
///   stub raises `EQDDLLLoadError` and stays in place, so the next call tries
///   again;
/// - at program end the entries go back to their stubs and the library is
///   released.
///
/// The library is found like any other: a program or library that loads it
/// carries RUNPATH $ORIGIN, and the bridge sits next to it.
///
/// \code
///   TYHMatrix A(N, N);                        // cvCreateMat(N, N, CV_64FC1)
///   YHOpenCV::cvSetMatItem(A.Get(), 0, 0, 4.0);
///   ...
///   A.Release();
/// \endcode
///
/// Thread safety: entries may be called from any thread; binding, loading and
/// release take one process-wide lock. A matrix must not be used by two
/// threads at once.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "classifier/QDFilterTypes.h"
#include "platform/PlatformTypes.h"

#include <atomic>
#include <mutex>

/// A matrix of the bridge; opaque to its callers.
struct JXMat;

namespace YHOpenCV {

/// The file the loader looks for.
inline constexpr const char* SLibraryName = "libJXOpenCV2.so";
/// Type code of a single-channel matrix of doubles (the only one used).
inline constexpr Integer CV_64FC1 = 6;
/// cvSVD flag: U receives U transposed (row i is the left singular vector of w[i]).
inline constexpr Integer CV_SVD_U_T = 2;

// Prototypes of the five exports, C calling convention. The integer results
// are the bridge's status (0 for success); the classifiers' call sites do not
// depend on them.
using TcvCreateMat = JXMat* (*)(Integer ARows, Integer ACols, Integer AType);
using TcvReleaseMat = void (*)(JXMat** AMat);
using TcvSVD = Integer (*)(JXMat* A, JXMat* W, JXMat* U, JXMat* V, Integer AFlags);
using TcvSetMatItem = Integer (*)(JXMat* AMat, Integer ARow, Integer ACol, Real AValue);
using TcvGetMatItem = Real (*)(JXMat* AMat, Integer ARow, Integer ACol);

namespace Detail {
/// Guards the library handle and every entry's binding.
std::mutex& BridgeLock() noexcept;
/// The address of export AName. Caller holds BridgeLock(). Loads the library
/// when no handle is held; raises EQDDLLLoadError "Can't load libJXOpenCV2.so"
/// when that fails, and "Can't get " + AName when the export is missing.
void* ResolveLocked(const char* AName);
} // namespace Detail

template <class F>
class TYHBridgeEntry;

/// One bridge function: called like the function itself. Constant-initialised
/// (it holds its stub from the first instruction of the program on), so its
/// use from another file's start-up code is safe.
template <class R, class... A>
class TYHBridgeEntry<R (*)(A...)>
{
public:
  using TProc = R (*)(A...);

  constexpr TYHBridgeEntry(const char* AName, TProc AStub) noexcept
      : FName(AName), FStub(AStub), FProc(AStub)
  {
  }
  TYHBridgeEntry(const TYHBridgeEntry&) = delete;
  TYHBridgeEntry& operator=(const TYHBridgeEntry&) = delete;

  /// Calls the export (binding it first on the first call).
  R operator()(A... AArgs) const
  {
    // acquire pairs with the release in Bind: a bound address is seen whole.
    return FProc.load(std::memory_order_acquire)(AArgs...);
  }

  /// The export name.
  const char* Name() const noexcept { return FName; }
  /// Where calls go now: the stub until a call has bound the export.
  TProc Get() const noexcept { return FProc.load(std::memory_order_acquire); }
  Boolean IsBound() const noexcept { return Get() != FStub; }

  /// Resolves the export, stores it and returns it. Raises EQDDLLLoadError and
  /// leaves the stub in place when the library or the export is missing.
  TProc Bind()
  {
    std::lock_guard<std::mutex> Guard(Detail::BridgeLock());
    const TProc P = reinterpret_cast<TProc>(Detail::ResolveLocked(FName));
    FProc.store(P, std::memory_order_release);
    return P;
  }
  /// Back to the stub. Caller holds BridgeLock() (the library is going away).
  void UnbindLocked() noexcept { FProc.store(FStub, std::memory_order_release); }

  /// The binding stub of AEntry: binds, then forwards the call.
  template <TYHBridgeEntry& AEntry>
  static R Stub(A... AArgs)
  {
    return AEntry.Bind()(AArgs...);
  }

private:
  const char* FName;        // not owned: a string literal
  TProc FStub;              // the binding stub
  std::atomic<TProc> FProc; // the stub or the bound export
};

/// rows x cols matrix of the given type; null when the bridge cannot make one.
extern TYHBridgeEntry<TcvCreateMat> cvCreateMat;
/// Frees *AMat and sets it to null.
extern TYHBridgeEntry<TcvReleaseMat> cvReleaseMat;
/// A = U * diag(W) * transpose(V); W (1 x n) receives the singular values in
/// descending order; with CV_SVD_U_T, U receives U transposed. V may be null.
extern TYHBridgeEntry<TcvSVD> cvSVD;
extern TYHBridgeEntry<TcvSetMatItem> cvSetMatItem;
extern TYHBridgeEntry<TcvGetMatItem> cvGetMatItem;

} // namespace YHOpenCV

/// A bridge matrix of doubles owned by this object.
class TYHMatrix
{
public:
  /// ARows x ACols, type CV_64FC1. Raises EQDDLLLoadError when the bridge is
  /// missing, EOutOfMemory when the bridge gives no matrix.
  TYHMatrix(Integer ARows, Integer ACols);
  /// Releases a matrix still held. That happens only when an error left the
  /// scope early; a failure to release is then ignored, so the first error
  /// is the one that propagates.
  ~TYHMatrix();
  TYHMatrix(const TYHMatrix&) = delete;
  TYHMatrix& operator=(const TYHMatrix&) = delete;

  JXMat* Get() const noexcept { return FMat; }
  /// Releases the matrix now (cvReleaseMat); raises what the entry raises.
  void Release();

private:
  JXMat* FMat = nullptr; // owned; null once released
};
