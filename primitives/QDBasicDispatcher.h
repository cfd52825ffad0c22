//===- primitives/QDBasicDispatcher.h - The nine-entry group -*- C++ -*-===//
///
/// \file
/// Nine entries filled after the resize group. Three of their names
/// (`ippiSet_8u_C4R`, `ippsConvert_64f32f`, `ippsConvert_64f32s_Sfs`) are also
/// main-group entries (QDScopeDispatcher.h); this group's entries live in
/// namespace `QDBasic`, have built-ins of their own and are looked up
/// separately, so filling one group never fills the other. The libraries call
/// only the main group's.
///
/// `ippiSet_8u_C4R` is looked up in the image libraries, the other eight in the
/// signal library.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/DispatchEntry.h"
#include "primitives/IppPrototypes.h"

/// The nine-entry group in lookup order.
#define QD_BASIC_ENTRIES(X)                                                              \
  X(ippiSet_8u_C4R) X(ippsConvert_64f32f) X(ippsConvert_64f32s_Sfs) X(ippsMove_8u)       \
  X(ippsSubCRev_32s_ISfs) X(ippsSubCRev_64f_I) X(ippsSubCRev_32f_I)                    \
  X(ippsThreshold_LT_32s_I) X(ippsThreshold_GT_32s_I)

namespace QDBasic {
QD_BASIC_ENTRIES(QD_DECLARE_ENTRY)
} // namespace QDBasic

/// Starts both loaders and fills the group; counted like every module start.
void QDBasicDispatcherStart();
/// Resets the entries to their trampolines and stops the loaders.
void QDBasicDispatcherStop();
