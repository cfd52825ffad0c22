//===- primitives/KJIPPILoader.h - The optional image libraries -*- C++ -*-===//
///
/// \file
/// Loads the optional optimised image library (`libippi.so`) and
/// colour-conversion library (`libippcc.so`) through the normal library
/// search. Image entries are looked up in the image library first and in the
/// colour-conversion library when the image library does not have them. A
/// missing library leaves its handle null, silently.
///
/// Shutdown releases the colour-conversion library, then the image library.
/// Start and stop are counted like every primitive module's (TModuleStart).
///
//===----------------------------------------------------------------------===//
#pragma once

void KJIPPILoaderStart();
void KJIPPILoaderStop();

/// The image library's export AName when that library is loaded and has it;
/// otherwise the colour-conversion library's export when that one is loaded;
/// otherwise null.
void* LookupImageProc(const char* AName) noexcept;
