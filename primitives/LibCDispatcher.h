//===- primitives/LibCDispatcher.h - The built-in implementations -*- C++ -*-===//
///
/// \file
/// The built-in of every dispatch entry, in namespace `LibC` under the entry's
/// own name (`LibC::ippsAdd_64f_I`), declared here from the group lists so that
/// its prototype is the entry's. The nine-entry group's built-ins are separate
/// functions in `LibC::Basic`. Built-ins never raise and keep no state: they
/// check their pointers, then their lengths, then their other arguments, and
/// return the status without touching the data when a check fails.
///
/// Precision: where one IEEE double operation produces an element (add,
/// multiply, square, abs, square root, copy) the built-ins use vector double
/// arithmetic; where a result depends on a chain of operations (normalising, a
/// reciprocal, any sum, the complex products) intermediates are held in the
/// 80-bit extended format (`long double`) and rounded once when stored.
///
/// Some built-ins have variants for wider vector units. `Best` picks, once, the
/// widest variant that this processor runs; the groups fill their entries with
/// it, so no call tests the processor again.
///
/// A few entries have no built-in yet or none at all; the main group's fill
/// (QDScopeDispatcher.cpp) lists them.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/IppPrototypes.h"
#include "primitives/QDBasicDispatcher.h"
#include "primitives/QDNormDispatcher.h"
#include "primitives/QDResizeDispatcher.h"
#include "primitives/QDScopeDispatcher.h"

#include <type_traits>

namespace LibC {

#define QD_DECLARE_BUILTIN(N) std::remove_pointer_t<T##N> N;
QD_DECLARE_BUILTIN(ippGetCpuType)
QD_RESIZE_ENTRIES(QD_DECLARE_BUILTIN)
QD_SCOPE_ENTRIES(QD_DECLARE_BUILTIN)
QD_NORM_ENTRIES(QD_DECLARE_BUILTIN)
namespace Basic {
QD_BASIC_ENTRIES(QD_DECLARE_BUILTIN)
} // namespace Basic
#undef QD_DECLARE_BUILTIN

/// Instruction sets the variants are written for, narrowest first. Portable is
/// what every x86-64 processor runs.
enum class TIsa : int { Portable, Avx2, Avx512 };

/// The widest instruction set this processor and its operating system support
/// among TIsa's, decided at the first call.
TIsa HostIsa() noexcept;

/// The variant of the built-in APortable for AIsa: APortable itself for
/// Portable; null when there is no such variant or the processor cannot run it.
void (*VariantOf(void (*APortable)(), TIsa AIsa) noexcept)();

template <class F>
F Variant(F APortable, TIsa AIsa) noexcept
{
  return reinterpret_cast<F>(VariantOf(reinterpret_cast<void (*)()>(APortable), AIsa));
}

/// The widest variant of APortable that this processor runs (APortable when
/// there is none).
template <class F>
F Best(F APortable) noexcept
{
  for (int I = static_cast<int>(HostIsa()); I > 0; --I)
    if (F P = Variant(APortable, static_cast<TIsa>(I)))
      return P;
  return APortable;
}

} // namespace LibC

/// Integer division by a constant, called directly by the integer buffer (not
/// through the table): SrcDst[i] = SrcDst[i] / Val, truncating toward zero.
/// Tests nothing; the caller never passes 0 or 1. -2147483648 / -1 gives
/// 2147483647.
void DivCInt32_I(Ipp32s Val, Ipp32s* SrcDst, int Len) noexcept;
/// Dst[i] = Src[i] / Val, as DivCInt32_I.
void DivCInt32(const Ipp32s* Src, Ipp32s Val, Ipp32s* Dst, int Len) noexcept;
