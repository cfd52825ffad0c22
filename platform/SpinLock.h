//===- platform/SpinLock.h - A lock for very short critical sections -*- C++ -*-===//
///
/// \file
/// `TRecursiveSpinLock` is a recursive lock for sections of a few dozen
/// instructions that are taken on every buffer creation and release, where a
/// `std::recursive_mutex` (two atomic operations per take and release, nested
/// takes included) costs more than the work it guards. Taking it is one atomic
/// compare-and-swap, a nested take by the owner costs no atomic operation, and
/// releasing it is a plain store.
///
/// A waiter spins briefly and then yields the processor until the lock is free,
/// so a holder that was preempted gets to run. The lock never parks threads in
/// the kernel, so waiters burn processor time: keep the sections short, and
/// keep whatever may take long (heap calls, I/O, other locks of unknown
/// duration) out of them where you can.
///
/// It meets the standard Lockable requirements, so `std::lock_guard` and
/// `std::unique_lock` work with it.
///
/// \code
///   TRecursiveSpinLock Lock;
///   {
///     std::lock_guard<TRecursiveSpinLock> Guard(Lock);
///     ...                                   // a few loads and stores
///   }
/// \endcode
///
/// Thread safety: every member may be called from any thread.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>

namespace SpinLockDetail {
/// Spins, then yields, until AOwner is null. Out of line: only waiters get here.
void WaitUntilFree(const std::atomic<const void*>& AOwner) noexcept;
} // namespace SpinLockDetail

/// A tag unique among the running threads (the address of a thread-local
/// byte); never null. Cheap enough to read on every lock.
inline const void* CurrentThreadTag() noexcept
{
  static thread_local char Tag __attribute__((tls_model("initial-exec")));
  return &Tag;
}

/// A recursive lock: the owner may take it again and must release it as often.
class TRecursiveSpinLock
{
public:
  TRecursiveSpinLock() = default;
  TRecursiveSpinLock(const TRecursiveSpinLock&) = delete;
  TRecursiveSpinLock& operator=(const TRecursiveSpinLock&) = delete;

  void lock() noexcept
  {
    const void* Me = CurrentThreadTag();
    // Only this thread ever stores its own tag, so a relaxed load that sees it
    // proves that this thread holds the lock.
    if (FOwner.load(std::memory_order_relaxed) == Me) {
      ++FDepth;
      return;
    }
    const void* Free = nullptr;
    while (!FOwner.compare_exchange_weak(Free, Me, std::memory_order_acquire,
                                         std::memory_order_relaxed)) {
      SpinLockDetail::WaitUntilFree(FOwner);
      Free = nullptr;
    }
    FDepth = 1;
  }
  bool try_lock() noexcept
  {
    const void* Me = CurrentThreadTag();
    if (FOwner.load(std::memory_order_relaxed) == Me) {
      ++FDepth;
      return true;
    }
    const void* Free = nullptr;
    if (!FOwner.compare_exchange_strong(Free, Me, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      return false;
    FDepth = 1;
    return true;
  }
  void unlock() noexcept
  {
    assert(HeldByThisThread() && "unlocking a lock this thread does not hold");
    if (--FDepth == 0)
      FOwner.store(nullptr, std::memory_order_release);
  }
  /// True when the calling thread holds the lock.
  bool HeldByThisThread() const noexcept
  {
    return FOwner.load(std::memory_order_relaxed) == CurrentThreadTag();
  }
  /// True while some thread holds the lock (a snapshot). When false, every
  /// section that ended before is visible to the caller.
  bool IsLocked() const noexcept { return FOwner.load(std::memory_order_acquire) != nullptr; }

private:
  std::atomic<const void*> FOwner{nullptr}; // tag of the holding thread, null when free
  std::uint32_t FDepth = 0;                 // touched only by the holder
};
