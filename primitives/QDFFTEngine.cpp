#include "primitives/QDFFTEngine.h"

#include "primitives/KJMalloc.h"

#include <immintrin.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

namespace {

using QDFFT::MaxOrder;

// The twiddle tables of one complex transform of 2^Log2N values: Tw[Lg] for
// every radix-4 level of size 2^Lg (null for the sizes it does not use).
struct TPlan
{
  int Log2N;
  const double* Tw[MaxOrder + 1];
};

// Blocks of up to 2^LeafLog complex values (128 KiB, within the second-level
// cache) run level after level; their levels' twiddles are kept split.
constexpr int LeafLog = 13;

// The kernels of one instruction set.
struct TKernels
{
  void (*Complex)(const double* ASrc, double* ADst, const TPlan& APlan, double AScale, bool AInv);
  void (*RealFwd)(const double* ASrc, double* ADst, const TPlan& AHalf, const double* ARootTw,
                  double AScale);
  void (*RealInv)(const double* ASrc, double* ADst, const TPlan& AHalf, const double* ARootTw,
                  double AScale);
  LibC::TIsa Isa;
};

// --- Portable: SSE2, one complex value per vector ------------------------------------
namespace Sse2 {
using V = __m128d;
constexpr std::size_t W = 1;
inline V Ld(const double* P) { return _mm_loadu_pd(P); }
inline void St(double* P, V A) { _mm_storeu_pd(P, A); }
inline V Add(V A, V B) { return _mm_add_pd(A, B); }
inline V Sub(V A, V B) { return _mm_sub_pd(A, B); }
inline V CMul(V A, V B)
{
  const V Br = _mm_unpacklo_pd(B, B), Bi = _mm_unpackhi_pd(B, B);
  const V As = _mm_shuffle_pd(A, A, 1);
  return _mm_add_pd(_mm_mul_pd(A, Br), _mm_xor_pd(_mm_mul_pd(As, Bi), _mm_set_pd(0.0, -0.0)));
}
inline V CMulConj(V A, V B)
{
  const V Br = _mm_unpacklo_pd(B, B), Bi = _mm_unpackhi_pd(B, B);
  const V As = _mm_shuffle_pd(A, A, 1);
  return _mm_add_pd(_mm_mul_pd(A, Br), _mm_xor_pd(_mm_mul_pd(As, Bi), _mm_set_pd(-0.0, 0.0)));
}
inline V NegJ(V A) { return _mm_xor_pd(_mm_shuffle_pd(A, A, 1), _mm_set_pd(-0.0, 0.0)); }
// a * w and a * conj w with w's parts given apart, each doubled.
inline V CMulS(V A, V Br, V Bi)
{
  const V As = _mm_shuffle_pd(A, A, 1);
  return _mm_add_pd(_mm_mul_pd(A, Br), _mm_xor_pd(_mm_mul_pd(As, Bi), _mm_set_pd(0.0, -0.0)));
}
inline V CMulConjS(V A, V Br, V Bi)
{
  const V As = _mm_shuffle_pd(A, A, 1);
  return _mm_add_pd(_mm_mul_pd(A, Br), _mm_xor_pd(_mm_mul_pd(As, Bi), _mm_set_pd(-0.0, 0.0)));
}
inline V Mul(V A, V B) { return _mm_mul_pd(A, B); }
inline V Splat(double A) { return _mm_set1_pd(A); }
inline V SplatC(double ARe, double AIm) { return _mm_set_pd(AIm, ARe); }
inline __m128d Lo(V A) { return A; }
inline __m128d Hi(V A) { return A; }
inline V Conj(V A) { return _mm_xor_pd(A, _mm_set_pd(-0.0, 0.0)); }
inline V Swap(V A) { return A; } // the order of the complex values reversed
#include "primitives/QDFFTKernels.inc"
} // namespace Sse2

// --- AVX2 with FMA: two complex values per vector ------------------------------------
#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace Avx2 {
using V = __m256d;
constexpr std::size_t W = 2;
inline V Ld(const double* P) { return _mm256_loadu_pd(P); }
inline void St(double* P, V A) { _mm256_storeu_pd(P, A); }
inline V Add(V A, V B) { return _mm256_add_pd(A, B); }
inline V Sub(V A, V B) { return _mm256_sub_pd(A, B); }
inline V CMul(V A, V B)
{
  const V As = _mm256_permute_pd(A, 0x5);
  return _mm256_fmaddsub_pd(A, _mm256_movedup_pd(B), _mm256_mul_pd(As, _mm256_permute_pd(B, 0xF)));
}
inline V CMulConj(V A, V B)
{
  const V As = _mm256_permute_pd(A, 0x5);
  return _mm256_fmsubadd_pd(A, _mm256_movedup_pd(B), _mm256_mul_pd(As, _mm256_permute_pd(B, 0xF)));
}
inline V NegJ(V A)
{
  return _mm256_xor_pd(_mm256_permute_pd(A, 0x5), _mm256_set_pd(-0.0, 0.0, -0.0, 0.0));
}
inline V CMulS(V A, V Br, V Bi)
{
  return _mm256_fmaddsub_pd(A, Br, _mm256_mul_pd(_mm256_permute_pd(A, 0x5), Bi));
}
inline V CMulConjS(V A, V Br, V Bi)
{
  return _mm256_fmsubadd_pd(A, Br, _mm256_mul_pd(_mm256_permute_pd(A, 0x5), Bi));
}
inline V Mul(V A, V B) { return _mm256_mul_pd(A, B); }
inline V Splat(double A) { return _mm256_set1_pd(A); }
inline V SplatC(double ARe, double AIm) { return _mm256_set_pd(AIm, ARe, AIm, ARe); }
inline __m128d Lo(V A) { return _mm256_castpd256_pd128(A); }
inline __m128d Hi(V A) { return _mm256_extractf128_pd(A, 1); }
inline V Conj(V A) { return _mm256_xor_pd(A, _mm256_set_pd(-0.0, 0.0, -0.0, 0.0)); }
inline V Swap(V A) { return _mm256_permute2f128_pd(A, A, 1); }
#include "primitives/QDFFTKernels.inc"
} // namespace Avx2
#pragma GCC pop_options

constexpr TKernels Sse2Kernels = {&Sse2::Complex, &Sse2::RealFwd, &Sse2::RealInv,
                                  LibC::TIsa::Portable};
constexpr TKernels Avx2Kernels = {&Avx2::Complex, &Avx2::RealFwd, &Avx2::RealInv,
                                  LibC::TIsa::Avx2};

const TKernels* PickKernels(LibC::TIsa AIsa) noexcept
{
  static const bool HasAvx2Fma = [] {
    __builtin_cpu_init();
    return LibC::HostIsa() >= LibC::TIsa::Avx2 && __builtin_cpu_supports("fma");
  }();
  if (AIsa >= LibC::TIsa::Avx2 && HasAvx2Fma)
    return &Avx2Kernels;
  return &Sse2Kernels;
}

// --- Twiddle factors --------------------------------------------------------------------

// e^(-2 pi i j / N) for a power of two N, from the first octant's cosines and
// sines (computed at extended precision) and the symmetries of the circle, so
// that every factor is as accurate as the octant's.
class TRoots
{
public:
  // False when the octant table cannot be allocated.
  bool Init(std::size_t AN) noexcept
  {
    FN = AN;
    if (AN < 8)
      return true;
    FQuarterLog = std::countr_zero(AN / 4);
    const std::size_t Count = AN / 8 + 1;
    // Angle r = a S + b: a fine table over b and one coarse root per a, at
    // extended precision, so that about 2 sqrt(N / 8) sines are computed
    // rather than N / 8 (plans are made per call of correlation and
    // convolution). Each product is rounded once.
    const int OctantLog = std::countr_zero(AN / 8);
    const std::size_t S = std::size_t(1) << ((OctantLog + 1) / 2);
    FTable.reset(KJMallocArray<double>(2 * Count));
    TKJWorkVector<long double> Fine(KJMallocArray<long double>(2 * S));
    if (!FTable || !Fine)
      return false;
    const long double Step = 2 * std::numbers::pi_v<long double> / static_cast<long double>(AN);
    for (std::size_t B = 0; B < S; ++B) {
      Fine[2 * B] = std::cos(Step * static_cast<long double>(B));
      Fine[2 * B + 1] = std::sin(Step * static_cast<long double>(B));
    }
    for (std::size_t A = 0; A * S < Count; ++A) {
      const long double Angle = Step * static_cast<long double>(A * S);
      const long double Ca = std::cos(Angle), Sa = std::sin(Angle);
      for (std::size_t B = 0; B < S && A * S + B < Count; ++B) {
        const std::size_t R = A * S + B;
        FTable[2 * R] = static_cast<double>(Ca * Fine[2 * B] - Sa * Fine[2 * B + 1]);
        FTable[2 * R + 1] = static_cast<double>(Sa * Fine[2 * B] + Ca * Fine[2 * B + 1]);
      }
    }
    return true;
  }

  void Get(std::size_t AJ, double* AOut) const noexcept
  {
    AJ &= FN - 1;
    if (FN < 8) {
      const long double A =
          2 * std::numbers::pi_v<long double> * static_cast<long double>(AJ) / FN;
      AOut[0] = static_cast<double>(std::cos(A));
      AOut[1] = static_cast<double>(-std::sin(A));
      return;
    }
    const std::size_t Quarter = FN / 4;
    const std::size_t Q = AJ >> FQuarterLog, R = AJ & (Quarter - 1);
    double C, S;
    if (R <= FN / 8) {
      C = FTable[2 * R];
      S = FTable[2 * R + 1];
    } else {
      C = FTable[2 * (Quarter - R) + 1];
      S = FTable[2 * (Quarter - R)];
    }
    // (C - i S) times (-i)^Q, Q quarter turns on
    switch (Q) {
    case 0:
      AOut[0] = C;
      AOut[1] = -S;
      break;
    case 1:
      AOut[0] = -S;
      AOut[1] = -C;
      break;
    case 2:
      AOut[0] = -C;
      AOut[1] = S;
      break;
    default:
      AOut[0] = S;
      AOut[1] = C;
      break;
    }
  }

private:
  std::size_t FN = 1;
  int FQuarterLog = 0;
  TKJWorkVector<double> FTable;
};

// Doubles of the level tables of a complex transform of 2^ALog values.
std::size_t TwiddleDoubles(int ALog) noexcept
{
  std::size_t Total = 0;
  for (int Lg = (ALog & 1) ? 3 : 4; Lg <= ALog; Lg += 2)
    Total += (Lg <= LeafLog ? 12 : 2) * (std::size_t(1) << (Lg - 2));
  return Total;
}

// Fills APlan's level tables from AData; the roots are those of AStride * 2^ALog.
void FillPlan(TPlan& APlan, int ALog, double* AData, const TRoots& ARoots,
              std::size_t AStride) noexcept
{
  APlan.Log2N = ALog;
  for (const double*& T : APlan.Tw)
    T = nullptr;
  for (int Lg = (ALog & 1) ? 3 : 4; Lg <= ALog; Lg += 2) {
    const std::size_t N = std::size_t(1) << Lg, Q = N / 4;
    const std::size_t Step = AStride << (ALog - Lg); // w_N = root^Step
    APlan.Tw[Lg] = AData;
    if (Lg > LeafLog) { // the layouts of Level in QDFFTKernels.inc
      for (std::size_t K = 0; K < Q; ++K)
        ARoots.Get(K * Step, AData + 2 * K);
      AData += 2 * Q;
      continue;
    }
    for (std::size_t K = 0; K < Q; K += 2) {
      double* G = AData + 24 * (K / 2);
      for (std::size_t D = 0; D < 2; ++D)
        for (std::size_t M = 1; M <= 3; ++M) {
          double Wk[2];
          ARoots.Get(M * (K + D) * Step, Wk);
          double* R = G + 8 * (M - 1) + 2 * D;
          R[0] = R[1] = Wk[0];
          R[4] = R[5] = Wk[1];
        }
    }
    AData += 12 * Q;
  }
}

bool ValidFlag(int AFlag) noexcept
{
  return AFlag == IPP_FFT_DIV_FWD_BY_N || AFlag == IPP_FFT_DIV_INV_BY_N ||
         AFlag == IPP_FFT_DIV_BY_SQRTN || AFlag == IPP_FFT_NODIV_BY_ANY;
}

void Scales(int AFlag, int AOrder, double& AFwd, double& AInv) noexcept
{
  const double N = std::ldexp(1.0, AOrder);
  AFwd = AFlag == IPP_FFT_DIV_FWD_BY_N ? 1 / N : AFlag == IPP_FFT_DIV_BY_SQRTN ? 1 / std::sqrt(N) : 1;
  AInv = AFlag == IPP_FFT_DIV_INV_BY_N ? 1 / N : AFlag == IPP_FFT_DIV_BY_SQRTN ? 1 / std::sqrt(N) : 1;
}

constexpr std::uint32_t ComplexMagic = 0x43544646u; // "FFTC"
constexpr std::uint32_t RealMagic = 0x52544646u;    // "FFTR"

constexpr std::size_t RoundUp32(std::size_t A) { return (A + 31) / 32 * 32; }

} // namespace

struct IppsFFTSpec_C_64fc
{
  std::uint32_t Magic;
  int Order;
  double FwdScale;
  double InvScale;
  const TKernels* Kernels;
  TPlan Plan;
};

struct IppsFFTSpec_R_64f
{
  std::uint32_t Magic;
  int Order;
  double FwdScale;
  double InvScale;
  const TKernels* Kernels;
  TPlan Half;           // the complex transform of N/2 pairs (order 1 and above)
  const double* RootTw; // e^(-2 pi i k / N), k = 0 .. N/4
};

namespace QDFFT {

IppStatus InitAllocC(IppsFFTSpec_C_64fc** ASpec, int AOrder, int AFlag, LibC::TIsa AIsa) noexcept
{
  if (!ASpec)
    return ippStsNullPtrErr;
  if (AOrder < 0 || AOrder > MaxOrder)
    return ippStsFftOrderErr;
  if (!ValidFlag(AFlag))
    return ippStsFftFlagErr;
  constexpr std::size_t Header = RoundUp32(sizeof(IppsFFTSpec_C_64fc));
  const std::size_t Doubles = TwiddleDoubles(AOrder);
  TRoots Roots;
  if (!Roots.Init(std::size_t(1) << AOrder))
    return ippStsMemAllocErr;
  void* Block = KJMalloc(Header + Doubles * sizeof(double));
  if (!Block)
    return ippStsMemAllocErr;
  auto* S = static_cast<IppsFFTSpec_C_64fc*>(Block);
  S->Magic = ComplexMagic;
  S->Order = AOrder;
  Scales(AFlag, AOrder, S->FwdScale, S->InvScale);
  S->Kernels = PickKernels(AIsa);
  FillPlan(S->Plan, AOrder, reinterpret_cast<double*>(static_cast<unsigned char*>(Block) + Header),
           Roots, 1);
  *ASpec = S;
  return ippStsNoErr;
}

IppStatus InitAllocR(IppsFFTSpec_R_64f** ASpec, int AOrder, int AFlag, LibC::TIsa AIsa) noexcept
{
  if (!ASpec)
    return ippStsNullPtrErr;
  if (AOrder < 0 || AOrder > MaxOrder)
    return ippStsFftOrderErr;
  if (!ValidFlag(AFlag))
    return ippStsFftFlagErr;
  constexpr std::size_t Header = RoundUp32(sizeof(IppsFFTSpec_R_64f));
  const int HalfLog = AOrder > 0 ? AOrder - 1 : 0;
  const std::size_t PlanDoubles = TwiddleDoubles(HalfLog);
  const std::size_t RootDoubles = RoundUp32(2 * ((std::size_t(1) << AOrder) / 4 + 1) * sizeof(double)) /
                                  sizeof(double);
  TRoots Roots;
  if (!Roots.Init(std::size_t(1) << AOrder))
    return ippStsMemAllocErr;
  void* Block = KJMalloc(Header + (PlanDoubles + RootDoubles) * sizeof(double));
  if (!Block)
    return ippStsMemAllocErr;
  auto* S = static_cast<IppsFFTSpec_R_64f*>(Block);
  auto* Data = reinterpret_cast<double*>(static_cast<unsigned char*>(Block) + Header);
  S->Magic = RealMagic;
  S->Order = AOrder;
  Scales(AFlag, AOrder, S->FwdScale, S->InvScale);
  S->Kernels = PickKernels(AIsa);
  FillPlan(S->Half, HalfLog, Data, Roots, 2);
  double* RootTw = Data + PlanDoubles;
  for (std::size_t K = 0; K <= (std::size_t(1) << AOrder) / 4; ++K)
    Roots.Get(K, RootTw + 2 * K);
  S->RootTw = RootTw;
  *ASpec = S;
  return ippStsNoErr;
}

IppStatus Free(IppsFFTSpec_C_64fc* ASpec) noexcept
{
  if (!ASpec)
    return ippStsNullPtrErr;
  if (ASpec->Magic != ComplexMagic)
    return ippStsContextMatchErr;
  ASpec->Magic = 0;
  KJFree(ASpec);
  return ippStsNoErr;
}

IppStatus Free(IppsFFTSpec_R_64f* ASpec) noexcept
{
  if (!ASpec)
    return ippStsNullPtrErr;
  if (ASpec->Magic != RealMagic)
    return ippStsContextMatchErr;
  ASpec->Magic = 0;
  KJFree(ASpec);
  return ippStsNoErr;
}

IppStatus FwdCToC(const Ipp64fc* ASrc, Ipp64fc* ADst, const IppsFFTSpec_C_64fc* ASpec) noexcept
{
  if (!ASrc || !ADst || !ASpec)
    return ippStsNullPtrErr;
  if (ASpec->Magic != ComplexMagic)
    return ippStsContextMatchErr;
  ASpec->Kernels->Complex(&ASrc->re, &ADst->re, ASpec->Plan, ASpec->FwdScale, false);
  return ippStsNoErr;
}

IppStatus InvCToC(const Ipp64fc* ASrc, Ipp64fc* ADst, const IppsFFTSpec_C_64fc* ASpec) noexcept
{
  if (!ASrc || !ADst || !ASpec)
    return ippStsNullPtrErr;
  if (ASpec->Magic != ComplexMagic)
    return ippStsContextMatchErr;
  ASpec->Kernels->Complex(&ASrc->re, &ADst->re, ASpec->Plan, ASpec->InvScale, true);
  return ippStsNoErr;
}

IppStatus FwdRToCCS(const Ipp64f* ASrc, Ipp64f* ADst, const IppsFFTSpec_R_64f* ASpec) noexcept
{
  if (!ASrc || !ADst || !ASpec)
    return ippStsNullPtrErr;
  if (ASpec->Magic != RealMagic)
    return ippStsContextMatchErr;
  if (ASpec->Order == 0) {
    ADst[0] = ASrc[0] * ASpec->FwdScale;
    ADst[1] = 0;
    return ippStsNoErr;
  }
  ASpec->Kernels->RealFwd(ASrc, ADst, ASpec->Half, ASpec->RootTw, ASpec->FwdScale);
  return ippStsNoErr;
}

IppStatus InvCCSToR(const Ipp64f* ASrc, Ipp64f* ADst, const IppsFFTSpec_R_64f* ASpec) noexcept
{
  if (!ASrc || !ADst || !ASpec)
    return ippStsNullPtrErr;
  if (ASpec->Magic != RealMagic)
    return ippStsContextMatchErr;
  if (ASpec->Order == 0) {
    ADst[0] = ASrc[0] * ASpec->InvScale;
    return ippStsNoErr;
  }
  ASpec->Kernels->RealInv(ASrc, ADst, ASpec->Half, ASpec->RootTw, ASpec->InvScale);
  return ippStsNoErr;
}

IppStatus ConjCcs(Ipp64fc* ASrcDst, int ALenDst) noexcept
{
  if (!ASrcDst)
    return ippStsNullPtrErr;
  if (ALenDst < 1)
    return ippStsSizeErr;
  // The upper half mirrors the lower one, which holds the CCS values and is
  // not written, so the expansion works in place.
  for (int K = ALenDst / 2 + 1; K < ALenDst; ++K)
    ASrcDst[K] = {ASrcDst[ALenDst - K].re, -ASrcDst[ALenDst - K].im};
  return ippStsNoErr;
}

IppStatus InitAlloc(TComplexSpec& AOwner, int AOrder, int AFlag, LibC::TIsa AIsa) noexcept
{
  IppsFFTSpec_C_64fc* S = nullptr;
  const IppStatus Status = InitAllocC(&S, AOrder, AFlag, AIsa);
  if (Status == ippStsNoErr)
    AOwner.reset(S);
  return Status;
}

IppStatus InitAlloc(TRealSpec& AOwner, int AOrder, int AFlag, LibC::TIsa AIsa) noexcept
{
  IppsFFTSpec_R_64f* S = nullptr;
  const IppStatus Status = InitAllocR(&S, AOrder, AFlag, AIsa);
  if (Status == ippStsNoErr)
    AOwner.reset(S);
  return Status;
}

LibC::TIsa KernelIsa(const IppsFFTSpec_C_64fc* ASpec) noexcept { return ASpec->Kernels->Isa; }
LibC::TIsa KernelIsa(const IppsFFTSpec_R_64f* ASpec) noexcept { return ASpec->Kernels->Isa; }

} // namespace QDFFT
