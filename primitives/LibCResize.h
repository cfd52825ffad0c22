//===- primitives/LibCResize.h - Test seam of the resize built-ins -*- C++ -*-===//
///
/// \file
/// The resize built-ins themselves are declared with the other built-ins
/// (LibCDispatcher.h), their wider variants are found through VariantOf. This
/// header only lets tests take their work memory away, to show that a call
/// that cannot get it leaves the destination alone.
///
//===----------------------------------------------------------------------===//
#pragma once

namespace LibC {


/// While AFails is true, every resize call on any thread finds no work memory
/// and returns ippStsMemAllocErr. For tests only.
void SetResizeWorkMemoryFails(bool AFails) noexcept;

} // namespace LibC
