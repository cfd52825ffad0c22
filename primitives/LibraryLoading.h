//===- primitives/LibraryLoading.h - Silent dlopen, dlsym and dlclose -*- C++ -*-===//
///
/// \file
/// The three platform operations the loaders need. Failures give null and
/// leave nothing behind (the dlerror state is cleared), because a missing
/// optional library is not an error.
///
//===----------------------------------------------------------------------===//
#pragma once

/// dlopen(AFileName, RTLD_NOW | RTLD_LOCAL) with the normal search; null on failure.
void* LoadOptionalLibrary(const char* AFileName) noexcept;
/// Closes AHandle when it is not null and sets it to null.
void ReleaseOptionalLibrary(void*& AHandle) noexcept;
/// The export AName of AHandle; null when AHandle is null (without asking the
/// platform) or when the library lacks the name.
void* LookupLibraryProc(void* AHandle, const char* AName) noexcept;
