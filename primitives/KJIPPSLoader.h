//===- primitives/KJIPPSLoader.h - The optional signal and core libraries -*- C++ -*-===//
///
/// \file
/// Loads the optional optimised signal library (`libipps.so`) and core
/// library (`libippcore.so`) through the normal library search, and holds the
/// core group: the one entry `ippGetCpuType`. A library that is missing leaves
/// its handle null; nothing is shown, logged or raised.
///
/// Start-up loads the signal library, then the core library, then fills
/// `ippGetCpuType` from the core library or with its built-in (which returns
/// 0). Shutdown resets the entry and releases the core library, then the signal
/// library. Start and stop are counted (TModuleStart): only the first start and
/// the stop that balances all starts do work.
///
/// Thread safety: start and stop may be called from any thread. The lookups
/// read handles that only start and stop write.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/IppPrototypes.h"

void KJIPPSLoaderStart();
void KJIPPSLoaderStop();

/// The signal library's export AName (plain ASCII), or null when the library is
/// not loaded (the platform is not asked then) or lacks the name.
void* LookupSignalProc(const char* AName) noexcept;
/// The same on the core library.
void* LookupCoreProc(const char* AName) noexcept;

/// Core group. Looked up, never called by the libraries.
extern TippGetCpuType ippGetCpuType;
