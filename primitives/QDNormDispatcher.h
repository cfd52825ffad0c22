//===- primitives/QDNormDispatcher.h - The norm group -*- C++ -*-===//
///
/// \file
/// One entry, `ippsNorm_L2_64fc64f`, looked up in the signal library. It is
/// filled later than the other groups: the storage pool starts it after the
/// buffer module itself.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/DispatchEntry.h"
#include "primitives/IppPrototypes.h"

#define QD_NORM_ENTRIES(X) X(ippsNorm_L2_64fc64f)

QD_NORM_ENTRIES(QD_DECLARE_ENTRY)

/// Starts the signal loader and fills the group; counted like every module start.
void QDNormDispatcherStart();
/// Resets the entry to its trampoline and stops the signal loader.
void QDNormDispatcherStop();
