//===- platform/Timers.h - A periodic timer on a thread of its own -*- C++ -*-===//
///
/// \file
/// `TPeriodicTimer` calls a function every N milliseconds on a thread that the
/// timer starts and stops itself. It needs no message loop, so housekeeping
/// driven by it (the storage pool giving idle memory back) also runs in batch
/// tools, tests and servers.
///
/// \code
///   TPeriodicTimer Timer;
///   Timer.Start(std::chrono::milliseconds(200), [&] { Pool.Tick(); });
///   ...
///   Timer.Stop();            // waits for a running call; none starts afterwards
/// \endcode
///
/// Calls never overlap. A call that overruns delays the next one instead of
/// causing a burst of calls to catch up. An error that leaves the callback is
/// dropped, and the timer goes on.
///
/// Destroying a running timer stops it first, so a timer that is a static
/// object ends cleanly at program end. A process forked from a program with a
/// running timer has no timer thread; `ForgetAfterFork` (called in the child)
/// drops the parent's thread without waiting for it.
///
/// Thread safety: Start, Stop and Running may be called from any thread, but
/// not from the timer's own callback.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <chrono>
#include <functional>
#include <memory>

class TPeriodicTimer
{
public:
  using TCallback = std::function<void()>;

  TPeriodicTimer();
  TPeriodicTimer(const TPeriodicTimer&) = delete;
  TPeriodicTimer& operator=(const TPeriodicTimer&) = delete;
  /// Stops the timer (see Stop).
  ~TPeriodicTimer();

  /// Calls ACallback every AInterval (at least 1 ms), the first time one
  /// interval from now. A running timer is stopped first. Raises
  /// std::system_error when no thread can be started; the timer is then stopped.
  void Start(std::chrono::milliseconds AInterval, TCallback ACallback);
  /// Ends the calls: waits for a running call to return, and no call starts
  /// after Stop returns. Does nothing on a stopped timer.
  void Stop() noexcept;
  /// True between Start and Stop.
  bool Running() const noexcept;
  /// For the child of fork(): forgets the parent's timer thread (which does not
  /// exist in the child) without waiting for it. The timer is then stopped and
  /// may be started again.
  void ForgetAfterFork() noexcept;

private:
  struct TControl;
  // Owned; handed to the thread as a plain pointer, which the thread uses until
  // Stop has joined it. Leaked, not freed, by ForgetAfterFork.
  std::unique_ptr<TControl> FControl;
};
