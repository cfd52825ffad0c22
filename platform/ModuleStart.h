//===- platform/ModuleStart.h - Start and stop of library modules -*- C++ -*-===//
///
/// \file
/// A library module (the primitive table, the storage pool, a registry) has
/// start-up work and shutdown work. `TModuleStart` runs them with a start
/// counter: the counter begins at 0, each `Start` decrements it and does the
/// work only when it was 0 before; each `Stop` increments it and does the work
/// only when it is back at 0. Nested starts are therefore cheap and only the
/// stop that balances every start shuts the module down.
///
/// Modules start each other explicitly: a module's start-up first starts the
/// modules it depends on, so the order never depends on how static
/// initialisers of different files happen to be ordered.
///
/// \code
///   static TModuleStart GStoreStart;
///   void QDInternalStoreStart() { GStoreStart.Start([] { PrimitivesStart(); CreatePool(); }); }
/// \endcode
///
/// Thread safety: Start and Stop may be called from any thread; the work runs
/// under the module's own lock, so a second caller waits until it is done.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <mutex>

class TModuleStart
{
public:
  template <class F>
  void Start(F&& AWork)
  {
    std::lock_guard<std::recursive_mutex> Guard(FLock);
    if (FCounter-- == 0)
      AWork();
  }

  template <class F>
  void Stop(F&& AWork)
  {
    std::lock_guard<std::recursive_mutex> Guard(FLock);
    if (++FCounter == 0)
      AWork();
  }

  /// True between the first start and the stop that balances it.
  bool Started()
  {
    std::lock_guard<std::recursive_mutex> Guard(FLock);
    return FCounter < 0;
  }

private:
  // Recursive: a module's work may start a module that depends back on it.
  std::recursive_mutex FLock;
  int FCounter = 0;
};
