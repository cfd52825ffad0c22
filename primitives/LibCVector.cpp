// The vectorised element-wise built-ins, compiled three times: for the
// portable x86-64 baseline (SSE2) and, under target pragmas, for AVX2 and
// AVX-512. The libraries are built for any x86-64; HostIsa decides once which
// of them this processor runs, and the groups fill their entries with that
// variant, so no call tests the processor.
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <immintrin.h>

#include <bit>
#include <cfloat>
#include <cstddef>
#include <cstdint>

namespace {

constexpr double Inf = __builtin_inf();
// The NaN the built-ins store: quiet, sign bit set (what x86 produces itself).
constexpr double QNaN = std::bit_cast<double>(std::uint64_t(0xFFF8000000000000u));
constexpr double SingleMax = FLT_MAX;

// Equality as the constant tests see it: a NaN equals every value.
inline bool QuirkEquals(double A, double B)
{
  return !(A < B) && !(A > B);
}

inline float ClampToSingle(double X)
{
  if (!(X > -SingleMax))
    return -FLT_MAX;
  if (X >= SingleMax)
    return FLT_MAX;
  return static_cast<float>(X);
}

// --- Portable: SSE2, which every x86-64 processor has ------------------------
namespace Sse2 {
using VD = __m128d;
using VM = __m128d;
constexpr std::ptrdiff_t W = 2;
inline VD Load(const double* P) { return _mm_loadu_pd(P); }
inline void Store(double* P, VD V) { _mm_storeu_pd(P, V); }
inline VD Splat(double X) { return _mm_set1_pd(X); }
inline VD SplatPair(double A, double B) { return _mm_set_pd(B, A); }
inline VD Add(VD A, VD B) { return _mm_add_pd(A, B); }
inline VD Sub(VD A, VD B) { return _mm_sub_pd(A, B); }
inline VD Mul(VD A, VD B) { return _mm_mul_pd(A, B); }
inline VD Div(VD A, VD B) { return _mm_div_pd(A, B); }
inline VD Sqrt(VD A) { return _mm_sqrt_pd(A); }
inline VD Abs(VD A) { return _mm_andnot_pd(_mm_set1_pd(-0.0), A); }
inline VM IsNeg(VD A) { return _mm_cmplt_pd(A, _mm_setzero_pd()); }
inline VM IsPos(VD A) { return _mm_cmpgt_pd(A, _mm_setzero_pd()); }
inline VM NotNonNeg(VD A) { return _mm_cmpnge_pd(A, _mm_setzero_pd()); }
inline VM ZeroOrNaN(VD A) { return _mm_or_pd(_mm_cmpeq_pd(A, _mm_setzero_pd()), _mm_cmpunord_pd(A, A)); }
inline VD Select(VM M, VD T, VD F) { return _mm_or_pd(_mm_and_pd(M, T), _mm_andnot_pd(M, F)); }
inline VM NoLanes() { return _mm_setzero_pd(); }
inline VM Or(VM A, VM B) { return _mm_or_pd(A, B); }
inline bool Any(VM M) { return _mm_movemask_pd(M) != 0; }
inline __m128 ClampSingles(__m128 F)
{
  return _mm_min_ps(_mm_max_ps(F, _mm_set1_ps(-FLT_MAX)), _mm_set1_ps(FLT_MAX));
}
inline void StoreFloatsClamped(float* P, VD V)
{
  _mm_storel_epi64(reinterpret_cast<__m128i*>(P), _mm_castps_si128(ClampSingles(_mm_cvtpd_ps(V))));
}
inline void StoreFloatPairClamped(float* P, VD A, VD B)
{
  _mm_storeu_ps(P, ClampSingles(_mm_movelh_ps(_mm_cvtpd_ps(A), _mm_cvtpd_ps(B))));
}
inline VD LoadFloats(const float* P)
{
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(P))));
}
inline VD LoadInts(const std::int32_t* P)
{
  return _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(P)));
}
#include "primitives/LibCVectorBody.inc"
} // namespace Sse2

// --- AVX2 -------------------------------------------------------------------
#pragma GCC push_options
#pragma GCC target("avx2")
namespace Avx2 {
using VD = __m256d;
using VM = __m256d;
constexpr std::ptrdiff_t W = 4;
inline VD Load(const double* P) { return _mm256_loadu_pd(P); }
inline void Store(double* P, VD V) { _mm256_storeu_pd(P, V); }
inline VD Splat(double X) { return _mm256_set1_pd(X); }
inline VD SplatPair(double A, double B) { return _mm256_set_pd(B, A, B, A); }
inline VD Add(VD A, VD B) { return _mm256_add_pd(A, B); }
inline VD Sub(VD A, VD B) { return _mm256_sub_pd(A, B); }
inline VD Mul(VD A, VD B) { return _mm256_mul_pd(A, B); }
inline VD Div(VD A, VD B) { return _mm256_div_pd(A, B); }
inline VD Sqrt(VD A) { return _mm256_sqrt_pd(A); }
inline VD Abs(VD A) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), A); }
inline VM IsNeg(VD A) { return _mm256_cmp_pd(A, _mm256_setzero_pd(), _CMP_LT_OQ); }
inline VM IsPos(VD A) { return _mm256_cmp_pd(A, _mm256_setzero_pd(), _CMP_GT_OQ); }
inline VM NotNonNeg(VD A) { return _mm256_cmp_pd(A, _mm256_setzero_pd(), _CMP_NGE_UQ); }
inline VM ZeroOrNaN(VD A) { return _mm256_cmp_pd(A, _mm256_setzero_pd(), _CMP_EQ_UQ); }
inline VD Select(VM M, VD T, VD F) { return _mm256_blendv_pd(F, T, M); }
inline VM NoLanes() { return _mm256_setzero_pd(); }
inline VM Or(VM A, VM B) { return _mm256_or_pd(A, B); }
inline bool Any(VM M) { return _mm256_movemask_pd(M) != 0; }
inline __m256 ClampSingles(__m256 F)
{
  return _mm256_min_ps(_mm256_max_ps(F, _mm256_set1_ps(-FLT_MAX)), _mm256_set1_ps(FLT_MAX));
}
inline void StoreFloatsClamped(float* P, VD V)
{
  const __m128 F = _mm256_cvtpd_ps(V);
  _mm_storeu_ps(P, _mm_min_ps(_mm_max_ps(F, _mm_set1_ps(-FLT_MAX)), _mm_set1_ps(FLT_MAX)));
}
inline void StoreFloatPairClamped(float* P, VD A, VD B)
{
  const __m256 F = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(A)), _mm256_cvtpd_ps(B), 1);
  _mm256_storeu_ps(P, ClampSingles(F));
}
inline VD LoadFloats(const float* P) { return _mm256_cvtps_pd(_mm_loadu_ps(P)); }
inline VD LoadInts(const std::int32_t* P)
{
  return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(P)));
}
#include "primitives/LibCVectorBody.inc"
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
constexpr std::ptrdiff_t W = 8;
inline VD Load(const double* P) { return _mm512_loadu_pd(P); }
inline void Store(double* P, VD V) { _mm512_storeu_pd(P, V); }
inline VD Splat(double X) { return _mm512_set1_pd(X); }
inline VD SplatPair(double A, double B) { return _mm512_set_pd(B, A, B, A, B, A, B, A); }
inline VD Add(VD A, VD B) { return _mm512_add_pd(A, B); }
inline VD Sub(VD A, VD B) { return _mm512_sub_pd(A, B); }
inline VD Mul(VD A, VD B) { return _mm512_mul_pd(A, B); }
inline VD Div(VD A, VD B) { return _mm512_div_pd(A, B); }
inline VD Sqrt(VD A) { return _mm512_sqrt_pd(A); }
inline VD Abs(VD A) { return _mm512_abs_pd(A); }
inline VM IsNeg(VD A) { return _mm512_cmp_pd_mask(A, _mm512_setzero_pd(), _CMP_LT_OQ); }
inline VM IsPos(VD A) { return _mm512_cmp_pd_mask(A, _mm512_setzero_pd(), _CMP_GT_OQ); }
inline VM NotNonNeg(VD A) { return _mm512_cmp_pd_mask(A, _mm512_setzero_pd(), _CMP_NGE_UQ); }
inline VM ZeroOrNaN(VD A) { return _mm512_cmp_pd_mask(A, _mm512_setzero_pd(), _CMP_EQ_UQ); }
inline VD Select(VM M, VD T, VD F) { return _mm512_mask_blend_pd(M, F, T); }
inline VM NoLanes() { return 0; }
inline VM Or(VM A, VM B) { return static_cast<VM>(A | B); }
inline bool Any(VM M) { return M != 0; }
// One fix-up instruction does the limiting: NaN and -inf become the negative
// largest single, +inf the positive one, everything else stays. The table
// holds one answer per class (QNaN, SNaN, 0, 1, -inf, +inf, negative,
// positive): 15 is -FLT_MAX, 14 +FLT_MAX, 0 the value itself.
inline __m512 ClampSingles(__m512 F)
{
  return _mm512_fixupimm_ps(F, F, _mm512_set1_epi32(0x00EF00FF), 0);
}
inline void StoreFloatsClamped(float* P, VD V)
{
  _mm256_storeu_ps(P, _mm512_castps512_ps256(ClampSingles(_mm512_castps256_ps512(_mm512_cvtpd_ps(V)))));
}
inline void StoreFloatPairClamped(float* P, VD A, VD B)
{
  const __m512d Joined = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(_mm512_cvtpd_ps(A))),
                                            _mm256_castps_pd(_mm512_cvtpd_ps(B)), 1);
  _mm512_storeu_ps(P, ClampSingles(_mm512_castpd_ps(Joined)));
}
inline VD LoadFloats(const float* P) { return _mm512_cvtps_pd(_mm256_loadu_ps(P)); }
inline VD LoadInts(const std::int32_t* P)
{
  return _mm512_cvtepi32_pd(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(P)));
}
#include "primitives/LibCVectorBody.inc"
} // namespace Avx512
#pragma GCC diagnostic pop
#pragma GCC pop_options

// Entries with wider variants; each row holds the three forms of one entry.
#define QD_VECTOR_ENTRIES(X)                                                             \
  X(ippsAdd_64f_I) X(ippsSub_64f_I) X(ippsMul_64f_I) X(ippsDiv_64f_I) X(ippsAdd_64f)    \
  X(ippsMul_64f) X(ippsAdd_64fc_I) X(ippsSub_64fc_I) X(ippsAddC_64f_I) X(ippsSubC_64f_I) \
  X(ippsMulC_64f_I) X(ippsDivC_64f_I) X(ippsAddC_64f) X(ippsSubC_64f) X(ippsSubCRev_64f) \
  X(ippsMulC_64f) X(ippsDivC_64f) X(ippsSet_64f) X(ippsSet_64fc) X(ippsAbs_64f_I)       \
  X(ippsAbs_64f) X(ippsSqr_64f_I) X(ippsSqr_64f) X(ippsSqrt_64f_I) X(ippsSqrt_64f)      \
  X(ippsConvert_64f32f) X(ippsConvert_32f64f) X(ippsConvert_32s64f) X(ippsCopy_64f)

using LibC::TAnyProc;
using LibC::TVariantRow;
using LibC::MakeRow;

const TVariantRow* FindRow(TAnyProc APortable) noexcept
{
  // Built on first use: a trampoline may fill a group during another file's
  // static initialisation.
  static const TVariantRow Rows[] = {
#define QD_ROW(N) MakeRow<T##N>(&LibC::N, &Avx2::N, &Avx512::N),
      QD_VECTOR_ENTRIES(QD_ROW)
#undef QD_ROW
  };
  for (const TVariantRow& Row : Rows)
    if (Row.Portable == APortable)
      return &Row;
  if (const TVariantRow* Row = LibC::FindReduceRow(APortable))
    return Row;
  return LibC::FindResizeRow(APortable);
}

LibC::TIsa DetectIsa() noexcept
{
  // libgcc's checks include the operating system's support for the wider
  // register state.
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f"))
    return LibC::TIsa::Avx512;
  if (__builtin_cpu_supports("avx2"))
    return LibC::TIsa::Avx2;
  return LibC::TIsa::Portable;
}
} // namespace

LibC::TIsa LibC::HostIsa() noexcept
{
  static const TIsa Isa = DetectIsa();
  return Isa;
}

TAnyProc LibC::VariantOf(TAnyProc APortable, TIsa AIsa) noexcept
{
  if (AIsa == TIsa::Portable)
    return APortable;
  if (static_cast<int>(AIsa) > static_cast<int>(HostIsa()))
    return nullptr;
  const TVariantRow* Row = FindRow(APortable);
  if (!Row)
    return nullptr;
  return AIsa == TIsa::Avx2 ? Row->Avx2 : Row->Avx512;
}

// --- The portable built-ins ------------------------------------------------------
// The SSE2 instance is the built-in every processor runs.

IppStatus LibC::ippsAdd_64f_I(const Ipp64f* Src, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsAdd_64f_I(Src, SrcDst, Len);
}
IppStatus LibC::ippsSub_64f_I(const Ipp64f* Src, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsSub_64f_I(Src, SrcDst, Len);
}
IppStatus LibC::ippsMul_64f_I(const Ipp64f* Src, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsMul_64f_I(Src, SrcDst, Len);
}
IppStatus LibC::ippsDiv_64f_I(const Ipp64f* Src, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsDiv_64f_I(Src, SrcDst, Len);
}
IppStatus LibC::ippsAdd_64f(const Ipp64f* Src1, const Ipp64f* Src2, Ipp64f* Dst, int Len)
{
  return Sse2::ippsAdd_64f(Src1, Src2, Dst, Len);
}
IppStatus LibC::ippsMul_64f(const Ipp64f* Src1, const Ipp64f* Src2, Ipp64f* Dst, int Len)
{
  return Sse2::ippsMul_64f(Src1, Src2, Dst, Len);
}
IppStatus LibC::ippsAdd_64fc_I(const Ipp64fc* Src, Ipp64fc* SrcDst, int Len)
{
  return Sse2::ippsAdd_64fc_I(Src, SrcDst, Len);
}
IppStatus LibC::ippsSub_64fc_I(const Ipp64fc* Src, Ipp64fc* SrcDst, int Len)
{
  return Sse2::ippsSub_64fc_I(Src, SrcDst, Len);
}
IppStatus LibC::ippsAddC_64f_I(Ipp64f Val, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsAddC_64f_I(Val, SrcDst, Len);
}
IppStatus LibC::ippsSubC_64f_I(Ipp64f Val, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsSubC_64f_I(Val, SrcDst, Len);
}
IppStatus LibC::ippsMulC_64f_I(Ipp64f Val, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsMulC_64f_I(Val, SrcDst, Len);
}
IppStatus LibC::ippsDivC_64f_I(Ipp64f Val, Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsDivC_64f_I(Val, SrcDst, Len);
}
IppStatus LibC::ippsAddC_64f(const Ipp64f* Src, Ipp64f Val, Ipp64f* Dst, int Len)
{
  return Sse2::ippsAddC_64f(Src, Val, Dst, Len);
}
IppStatus LibC::ippsSubC_64f(const Ipp64f* Src, Ipp64f Val, Ipp64f* Dst, int Len)
{
  return Sse2::ippsSubC_64f(Src, Val, Dst, Len);
}
IppStatus LibC::ippsSubCRev_64f(const Ipp64f* Src, Ipp64f Val, Ipp64f* Dst, int Len)
{
  return Sse2::ippsSubCRev_64f(Src, Val, Dst, Len);
}
IppStatus LibC::ippsMulC_64f(const Ipp64f* Src, Ipp64f Val, Ipp64f* Dst, int Len)
{
  return Sse2::ippsMulC_64f(Src, Val, Dst, Len);
}
IppStatus LibC::ippsDivC_64f(const Ipp64f* Src, Ipp64f Val, Ipp64f* Dst, int Len)
{
  return Sse2::ippsDivC_64f(Src, Val, Dst, Len);
}
IppStatus LibC::ippsSet_64f(Ipp64f Val, Ipp64f* Dst, int Len)
{
  return Sse2::ippsSet_64f(Val, Dst, Len);
}
IppStatus LibC::ippsSet_64fc(Ipp64fc Val, Ipp64fc* Dst, int Len)
{
  return Sse2::ippsSet_64fc(Val, Dst, Len);
}
IppStatus LibC::ippsAbs_64f_I(Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsAbs_64f_I(SrcDst, Len);
}
IppStatus LibC::ippsAbs_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  return Sse2::ippsAbs_64f(Src, Dst, Len);
}
IppStatus LibC::ippsSqr_64f_I(Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsSqr_64f_I(SrcDst, Len);
}
IppStatus LibC::ippsSqr_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  return Sse2::ippsSqr_64f(Src, Dst, Len);
}
IppStatus LibC::ippsSqrt_64f_I(Ipp64f* SrcDst, int Len)
{
  return Sse2::ippsSqrt_64f_I(SrcDst, Len);
}
IppStatus LibC::ippsSqrt_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  return Sse2::ippsSqrt_64f(Src, Dst, Len);
}
IppStatus LibC::ippsConvert_64f32f(const Ipp64f* Src, Ipp32f* Dst, int Len)
{
  return Sse2::ippsConvert_64f32f(Src, Dst, Len);
}
IppStatus LibC::ippsConvert_32f64f(const Ipp32f* Src, Ipp64f* Dst, int Len)
{
  return Sse2::ippsConvert_32f64f(Src, Dst, Len);
}
IppStatus LibC::ippsCopy_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  return Sse2::ippsCopy_64f(Src, Dst, Len);
}
IppStatus LibC::ippsConvert_32s64f(const Ipp32s* Src, Ipp64f* Dst, int Len)
{
  return Sse2::ippsConvert_32s64f(Src, Dst, Len);
}
