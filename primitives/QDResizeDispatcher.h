//===- primitives/QDResizeDispatcher.h - The image resize entries -*- C++ -*-===//
///
/// \file
/// The resize group: three entries, looked up in the image libraries
/// (LookupImageProc). Filled after both loaders have started.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/DispatchEntry.h"
#include "primitives/IppPrototypes.h"

/// The resize group in lookup order.
#define QD_RESIZE_ENTRIES(X) X(ippiResize_8u_C3R) X(ippiResize_8u_C4R) X(ippiResize_8u_C1R)

QD_RESIZE_ENTRIES(QD_DECLARE_ENTRY)

/// Starts the image loader and fills the group; counted like every module start.
void QDResizeDispatcherStart();
/// Resets the entries to their trampolines and stops the image loader.
void QDResizeDispatcherStop();
