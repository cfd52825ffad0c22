//===- primitives/LibCResize.h - Test seam of the resize built-ins -*- C++ -*-===//
///
/// \file
/// The resize built-ins themselves are declared with the other built-ins
/// (LibCDispatcher.h). This header names their wider variants, for VariantOf,
/// and lets tests take their work memory away, to show that a call that
/// cannot get it leaves the destination alone.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/LibCDispatcher.h"

namespace LibC {

/// The variant of the resize built-in APortable for AIsa, or null when there
/// is none. Does not test the processor (VariantOf does).
void (*ResizeVariantOf(void (*APortable)(), TIsa AIsa) noexcept)();

/// While AFails is true, every resize call on any thread finds no work memory
/// and returns ippStsMemAllocErr. For tests only.
void SetResizeWorkMemoryFails(bool AFails) noexcept;

} // namespace LibC
