// Built-ins of the reductions: mean, standard deviation, the extremes with and
// without their index, the dot products and the difference norms.
//
// Sums are x87 extended-precision chains in a fixed order, rounded once: the
// order decides the last bits, so it is never changed for speed. What speed
// there is comes from keeping independent chains apart (two for the mean,
// four for the standard deviation, two for the complex dot product), so that
// the adder pipelines them. The extremes and the largest difference compare
// without rounding anything and run on vectors, compiled three times like the
// element-wise built-ins (LibCVector.cpp).
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <immintrin.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace LibC;

namespace {

constexpr double ExponentBits = std::bit_cast<double>(std::uint64_t(0x7FF0000000000000u));

// The rule of the extremes: a later element is taken only when strictly
// larger (smaller). A NaN never compares so: a NaN after Src[0] is skipped, a
// NaN in Src[0] is the result.
template <bool AMax>
inline bool Better(double X, double ACurrent)
{
  return AMax ? X > ACurrent : X < ACurrent;
}

// Called only when the extreme compares equal to zero, so a zero exists.
inline std::ptrdiff_t FirstZero(const double* Src)
{
  std::ptrdiff_t I = 0;
  while (Src[I] != 0)
    ++I;
  return I;
}

// The largest |Src1[i] - Src2[i]| of N elements and ABest, differences held at
// extended precision; NaN differences are skipped like the extremes' NaNs.
inline Extended LargestDifference(const double* Src1, const double* Src2, std::ptrdiff_t N,
                                  Extended ABest)
{
  for (std::ptrdiff_t I = 0; I < N; ++I) {
    const Extended D = std::fabs(Extended(Src1[I]) - Src2[I]);
    if (D > ABest)
      ABest = D;
  }
  return ABest;
}

// --- Portable: SSE2 ------------------------------------------------------------
namespace Sse2 {
using VD = __m128d;
using VM = __m128d;
constexpr int W = 2;
inline VD Load(const double* P) { return _mm_loadu_pd(P); }
inline void Store(double* P, VD V) { _mm_storeu_pd(P, V); }
inline VD Splat(double X) { return _mm_set1_pd(X); }
inline VD Iota() { return _mm_set_pd(1, 0); }
inline VD Add(VD A, VD B) { return _mm_add_pd(A, B); }
inline VD Sub(VD A, VD B) { return _mm_sub_pd(A, B); }
inline VD Mul(VD A, VD B) { return _mm_mul_pd(A, B); }
inline VD Abs(VD A) { return _mm_andnot_pd(_mm_set1_pd(-0.0), A); }
inline VD And(VD A, VD B) { return _mm_and_pd(A, B); }
// maxpd and minpd return their second operand unless the first compares
// strictly beyond it: the rule of the extremes, NaNs included.
inline VD MaxTaken(VD X, VD C) { return _mm_max_pd(X, C); }
inline VD MinTaken(VD X, VD C) { return _mm_min_pd(X, C); }
inline VM Gt(VD A, VD B) { return _mm_cmpgt_pd(A, B); }
inline VM Lt(VD A, VD B) { return _mm_cmplt_pd(A, B); }
inline VM Unordered(VD A, VD B) { return _mm_cmpunord_pd(A, B); }
inline VD Select(VM M, VD T, VD F) { return _mm_or_pd(_mm_and_pd(M, T), _mm_andnot_pd(M, F)); }
inline VM Or(VM A, VM B) { return _mm_or_pd(A, B); }
inline VM AndMask(VM A, VM B) { return _mm_and_pd(A, B); }
inline bool Any(VM M) { return _mm_movemask_pd(M) != 0; }
#include "primitives/LibCReduceBody.inc"
} // namespace Sse2

// --- AVX2 -------------------------------------------------------------------
#pragma GCC push_options
#pragma GCC target("avx2")
namespace Avx2 {
using VD = __m256d;
using VM = __m256d;
constexpr int W = 4;
inline VD Load(const double* P) { return _mm256_loadu_pd(P); }
inline void Store(double* P, VD V) { _mm256_storeu_pd(P, V); }
inline VD Splat(double X) { return _mm256_set1_pd(X); }
inline VD Iota() { return _mm256_set_pd(3, 2, 1, 0); }
inline VD Add(VD A, VD B) { return _mm256_add_pd(A, B); }
inline VD Sub(VD A, VD B) { return _mm256_sub_pd(A, B); }
inline VD Mul(VD A, VD B) { return _mm256_mul_pd(A, B); }
inline VD Abs(VD A) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), A); }
inline VD And(VD A, VD B) { return _mm256_and_pd(A, B); }
inline VD MaxTaken(VD X, VD C) { return _mm256_max_pd(X, C); }
inline VD MinTaken(VD X, VD C) { return _mm256_min_pd(X, C); }
inline VM Gt(VD A, VD B) { return _mm256_cmp_pd(A, B, _CMP_GT_OQ); }
inline VM Lt(VD A, VD B) { return _mm256_cmp_pd(A, B, _CMP_LT_OQ); }
inline VM Unordered(VD A, VD B) { return _mm256_cmp_pd(A, B, _CMP_UNORD_Q); }
inline VD Select(VM M, VD T, VD F) { return _mm256_blendv_pd(F, T, M); }
inline VM Or(VM A, VM B) { return _mm256_or_pd(A, B); }
inline VM AndMask(VM A, VM B) { return _mm256_and_pd(A, B); }
inline bool Any(VM M) { return _mm256_movemask_pd(M) != 0; }
#include "primitives/LibCReduceBody.inc"
} // namespace Avx2
#pragma GCC pop_options

// --- AVX-512 ------------------------------------------------------------------
#pragma GCC push_options
#pragma GCC target("avx512f")
// GCC 12's own AVX-512 intrinsics start some results from an undefined vector
// and then warn about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
namespace Avx512 {
using VD = __m512d;
using VM = __mmask8;
constexpr int W = 8;
inline VD Load(const double* P) { return _mm512_loadu_pd(P); }
inline void Store(double* P, VD V) { _mm512_storeu_pd(P, V); }
inline VD Splat(double X) { return _mm512_set1_pd(X); }
inline VD Iota() { return _mm512_set_pd(7, 6, 5, 4, 3, 2, 1, 0); }
inline VD Add(VD A, VD B) { return _mm512_add_pd(A, B); }
inline VD Sub(VD A, VD B) { return _mm512_sub_pd(A, B); }
inline VD Mul(VD A, VD B) { return _mm512_mul_pd(A, B); }
inline VD Abs(VD A) { return _mm512_abs_pd(A); }
inline VD And(VD A, VD B)
{
  return _mm512_castsi512_pd(_mm512_and_epi64(_mm512_castpd_si512(A), _mm512_castpd_si512(B)));
}
inline VD MaxTaken(VD X, VD C) { return _mm512_max_pd(X, C); }
inline VD MinTaken(VD X, VD C) { return _mm512_min_pd(X, C); }
inline VM Gt(VD A, VD B) { return _mm512_cmp_pd_mask(A, B, _CMP_GT_OQ); }
inline VM Lt(VD A, VD B) { return _mm512_cmp_pd_mask(A, B, _CMP_LT_OQ); }
inline VM Unordered(VD A, VD B) { return _mm512_cmp_pd_mask(A, B, _CMP_UNORD_Q); }
inline VD Select(VM M, VD T, VD F) { return _mm512_mask_blend_pd(M, F, T); }
inline VM Or(VM A, VM B) { return static_cast<VM>(A | B); }
inline VM AndMask(VM A, VM B) { return static_cast<VM>(A & B); }
inline bool Any(VM M) { return M != 0; }
#include "primitives/LibCReduceBody.inc"
} // namespace Avx512
#pragma GCC diagnostic pop
#pragma GCC pop_options

#define QD_REDUCE_VECTOR_ENTRIES(X)                                                      \
  X(ippsMax_64f) X(ippsMin_64f) X(ippsMaxIndx_64f) X(ippsMinIndx_64f) X(ippsNormDiff_Inf_64f)

// --- Sums -------------------------------------------------------------------------

// The two partial sums of the mean: one over the elements 4k and 4k + 2 and
// the trailing ones, the other over 4k + 1 and 4k + 3, each in index order
// from 0.
inline Extended PairedSum(const double* Src, int Len)
{
  Extended Even = 0, Odd = 0;
  std::ptrdiff_t I = 0; // I + 4 must not overflow near the largest Len
  for (; I + 4 <= Len; I += 4) {
    Even += Src[I];
    Odd += Src[I + 1];
    Even += Src[I + 2];
    Odd += Src[I + 3];
  }
  for (; I < Len; ++I)
    Even += Src[I];
  return Even + Odd;
}

} // namespace

const TVariantRow* LibC::FindReduceRow(TAnyProc APortable) noexcept
{
  static const TVariantRow Rows[] = {
#define QD_ROW(N) MakeRow<T##N>(&LibC::N, &Avx2::N, &Avx512::N),
      QD_REDUCE_VECTOR_ENTRIES(QD_ROW)
#undef QD_ROW
  };
  for (const TVariantRow& Row : Rows)
    if (Row.Portable == APortable)
      return &Row;
  return nullptr;
}

// --- Mean and standard deviation ------------------------------------------------

IppStatus LibC::ippsMean_64f(const Ipp64f* Src, int Len, Ipp64f* Mean)
{
  if (!Src || !Mean)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  const Extended Sum = PairedSum(Src, Len);
  *Mean = static_cast<double>(Sum / Len);
  return ippStsNoErr;
}

IppStatus LibC::ippsStdDev_64f(const Ipp64f* Src, int Len, Ipp64f* StdDev)
{
  if (!Src || !StdDev)
    return ippStsNullPtrErr;
  if (Len < 2)
    return ippStsSizeErr;
  // The sums of x and x^2 split as the mean's, the four chains in one pass
  // so that they overlap.
  Extended Even1 = 0, Odd1 = 0, Even2 = 0, Odd2 = 0;
  std::ptrdiff_t I = 0;
  for (; I + 4 <= Len; I += 4) {
    const Extended X0 = Src[I], X1 = Src[I + 1], X2 = Src[I + 2], X3 = Src[I + 3];
    Even1 += X0;
    Even2 += X0 * X0;
    Odd1 += X1;
    Odd2 += X1 * X1;
    Even1 += X2;
    Even2 += X2 * X2;
    Odd1 += X3;
    Odd2 += X3 * X3;
  }
  for (; I < Len; ++I) {
    const Extended X = Src[I];
    Even1 += X;
    Even2 += X * X;
  }
  const Extended S1 = Even1 + Odd1, S2 = Even2 + Odd2;
  const Extended N = Len;
  const Extended F = N * S2 - S1 * S1;
  if (F > 0)
    *StdDev = static_cast<double>(std::sqrt(F / (N * (N - 1))));
  else if (F != F)
    *StdDev = QNaN; // an infinity or NaN in the data: no spread can be told
  else
    *StdDev = 0; // cancellation left nothing (or less) of the spread
  return ippStsNoErr;
}

// --- Extremes -------------------------------------------------------------------
// The SSE2 instance is the built-in every processor runs.

IppStatus LibC::ippsMax_64f(const Ipp64f* Src, int Len, Ipp64f* Max)
{
  return Sse2::ippsMax_64f(Src, Len, Max);
}
IppStatus LibC::ippsMin_64f(const Ipp64f* Src, int Len, Ipp64f* Min)
{
  return Sse2::ippsMin_64f(Src, Len, Min);
}
IppStatus LibC::ippsMaxIndx_64f(const Ipp64f* Src, int Len, Ipp64f* Max, int* Index)
{
  return Sse2::ippsMaxIndx_64f(Src, Len, Max, Index);
}
IppStatus LibC::ippsMinIndx_64f(const Ipp64f* Src, int Len, Ipp64f* Min, int* Index)
{
  return Sse2::ippsMinIndx_64f(Src, Len, Min, Index);
}

// --- Dot products -------------------------------------------------------------------

IppStatus LibC::ippsDotProd_64f(const Ipp64f* Src1, const Ipp64f* Src2, int Len, Ipp64f* DotProd)
{
  if (!Src1 || !Src2 || !DotProd)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  // One chain in index order; the products stay off it.
  Extended Sum = 0;
  std::ptrdiff_t I = 0;
  for (; I + 4 <= Len; I += 4) {
    Sum += Extended(Src1[I]) * Src2[I];
    Sum += Extended(Src1[I + 1]) * Src2[I + 1];
    Sum += Extended(Src1[I + 2]) * Src2[I + 2];
    Sum += Extended(Src1[I + 3]) * Src2[I + 3];
  }
  for (; I < Len; ++I)
    Sum += Extended(Src1[I]) * Src2[I];
  *DotProd = static_cast<double>(Sum);
  return ippStsNoErr;
}

IppStatus LibC::ippsDotProd_64fc(const Ipp64fc* Src1, const Ipp64fc* Src2, int Len, Ipp64fc* DotProd)
{
  if (!Src1 || !Src2 || !DotProd)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  // Each complex product is formed at extended precision, then added to the
  // real and the imaginary chain.
  Extended Re = 0, Im = 0;
  for (int I = 0; I < Len; ++I) {
    const Extended ARe = Src1[I].re, AIm = Src1[I].im;
    const double BRe = Src2[I].re, BIm = Src2[I].im;
    Re += ARe * BRe - AIm * BIm;
    Im += ARe * BIm + AIm * BRe;
  }
  DotProd->re = static_cast<double>(Re);
  DotProd->im = static_cast<double>(Im);
  return ippStsNoErr;
}

IppStatus LibC::ippsDotProd_32s_Sfs(const Ipp32s* Src1, const Ipp32s* Src2, int Len, Ipp32s* DotProd,
                                    int ScaleFactor)
{
  if (!Src1 || !Src2 || !DotProd)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  // While the running sum fits 64-bit integers, every extended-precision step
  // would be exact as well (64-bit mantissa), so integers give the same sum;
  // from the first step that would overflow on, the sum goes on in extended.
  std::int64_t Exact = 0;
  int I = 0;
  for (; I < Len; ++I) {
    std::int64_t Next;
    if (__builtin_add_overflow(Exact, std::int64_t(Src1[I]) * Src2[I], &Next))
      break;
    Exact = Next;
  }
  Extended Sum = static_cast<Extended>(Exact);
  for (; I < Len; ++I)
    Sum += static_cast<Extended>(std::int64_t(Src1[I]) * Src2[I]);
  const int Scale = ScaleFactor < -31 ? -31 : (ScaleFactor > 93 ? 93 : ScaleFactor);
  *DotProd = ToInt32Saturated(std::ldexp(Sum, -Scale), true);
  return ippStsNoErr;
}

// --- Difference norms -------------------------------------------------------------
// In index order, differences held at extended precision.

IppStatus LibC::ippsNormDiff_L1_64f(const Ipp64f* Src1, const Ipp64f* Src2, int Len, Ipp64f* Norm)
{
  if (!Src1 || !Src2 || !Norm)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  Extended Sum = 0;
  for (int I = 0; I < Len; ++I)
    Sum += std::fabs(Extended(Src1[I]) - Src2[I]);
  *Norm = static_cast<double>(Sum);
  return ippStsNoErr;
}

IppStatus LibC::ippsNormDiff_L2_64f(const Ipp64f* Src1, const Ipp64f* Src2, int Len, Ipp64f* Norm)
{
  if (!Src1 || !Src2 || !Norm)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  Extended Sum = 0;
  for (int I = 0; I < Len; ++I) {
    const Extended D = Extended(Src1[I]) - Src2[I];
    Sum += D * D;
  }
  *Norm = static_cast<double>(std::sqrt(Sum));
  return ippStsNoErr;
}

IppStatus LibC::ippsNormDiff_Inf_64f(const Ipp64f* Src1, const Ipp64f* Src2, int Len, Ipp64f* Norm)
{
  return Sse2::ippsNormDiff_Inf_64f(Src1, Src2, Len, Norm);
}
