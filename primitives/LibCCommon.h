//===- primitives/LibCCommon.h - Shared pieces of the built-ins -*- C++ -*-===//
///
/// \file
/// Constants and small rules that several families of built-ins share. Only
/// the built-ins' own sources include this header.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/PlatformTypes.h"
#include "primitives/IppDefs.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace LibC {

inline constexpr double Inf = std::numeric_limits<double>::infinity();
/// The NaN the built-ins store: quiet, sign bit set.
inline constexpr double QNaN = std::bit_cast<double>(std::uint64_t(0xFFF8000000000000u));

/// X rounded to the nearest integer, ties to even, at extended precision and
/// independent of the rounding mode: X + 0.5 (X - 0.5 below 0) truncated, and
/// an odd result that came from an exact half moved one step toward zero.
inline Extended RoundHalfEven(Extended X)
{
  const Extended T = std::trunc(X + (X < 0 ? -0.5L : 0.5L));
  if (std::fabs(X - std::trunc(X)) == 0.5L && std::fmod(T, 2.0L) != 0)
    return X < 0 ? T + 1 : T - 1;
  return T;
}

/// V (already scaled) as a 32-bit integer: saturated, NaN to the lowest value,
/// rounded to nearest-even when ANearest, else toward zero.
inline Ipp32s ToInt32Saturated(Extended V, bool ANearest)
{
  if (V >= 2147483647.0L)
    return 2147483647;
  if (!(V > -2147483648.0L))
    return -2147483647 - 1;
  const Extended R = ANearest ? RoundHalfEven(V) : std::trunc(V);
  if (R >= 2147483647.0L)
    return 2147483647;
  if (R <= -2147483648.0L)
    return -2147483647 - 1;
  return static_cast<Ipp32s>(R);
}

/// The three forms of one built-in that has wider variants (see VariantOf).
using TAnyProc = void (*)();
struct TVariantRow
{
  TAnyProc Portable;
  TAnyProc Avx2;
  TAnyProc Avx512;
};

template <class F>
TVariantRow MakeRow(F APortable, F AAvx2, F AAvx512)
{
  return {reinterpret_cast<TAnyProc>(APortable), reinterpret_cast<TAnyProc>(AAvx2),
          reinterpret_cast<TAnyProc>(AAvx512)};
}

/// The row of a reduction built-in (LibCReduce.cpp); null for any other.
const TVariantRow* FindReduceRow(TAnyProc APortable) noexcept;
/// The row of a resize built-in (LibCResize.cpp); null for any other.
const TVariantRow* FindResizeRow(TAnyProc APortable) noexcept;

} // namespace LibC
