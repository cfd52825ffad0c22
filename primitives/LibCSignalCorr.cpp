// Built-ins of the correlation and convolution entries. Short outputs are
// direct sums at extended precision; longer ones go through the built-in FFTs
// (real or complex, radix-2 sizes), whose plans and work vectors are
// made inside the call and released on every return path. Every work block is
// obtained before the destination is first written, so a failure to get one
// leaves the destination as it was.
#include "primitives/KJMalloc.h"
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"
#include "primitives/QDFFTEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

using namespace LibC;

namespace {

// Output counts from which the autocorrelations use a transform.
constexpr int AutoCorrTransformFrom64f = 600;
constexpr int AutoCorrTransformFrom64fc = 96;
// Cross-correlation uses a transform when R x min(len) / max(len), rounded
// down, is above this.
constexpr double CrossCorrTransformAbove = 511;
// Convolution is direct for fewer outputs than this, or a shorter input below
// ConvDirectShortBelow.
constexpr std::int64_t ConvDirectOutputsBelow = 150;
constexpr int ConvDirectShortBelow = 32;

// The smallest D >= 1 with 2^D >= AValue.
int OrderAtLeast(std::int64_t AValue)
{
  int D = 1;
  while ((std::int64_t(1) << D) < AValue)
    ++D;
  return D;
}

template <class T>
void ZeroElements(T* Dst, std::int64_t ACount)
{
  if (ACount > 0)
    std::memset(static_cast<void*>(Dst), 0, std::size_t(ACount) * sizeof(T));
}

// APad[j] = ASrc[AFirst + j] for j < ACount where that index lies inside the
// source, 0 elsewhere up to AM.
template <class T>
void FillWindow(const T* ASrc, std::int64_t ASrcLen, std::int64_t AFirst, std::int64_t ACount,
                T* APad, std::int64_t AM)
{
  const std::int64_t Lo = std::clamp<std::int64_t>(-AFirst, 0, ACount);
  const std::int64_t Hi = std::clamp<std::int64_t>(ASrcLen - AFirst, Lo, ACount);
  ZeroElements(APad, Lo);
  if (Hi > Lo)
    std::memcpy(static_cast<void*>(APad + Lo), ASrc + AFirst + Lo,
                std::size_t(Hi - Lo) * sizeof(T));
  ZeroElements(APad + Hi, AM - Hi);
}

// --- Extended-precision accumulators -------------------------------------------------

// Sum of products A x B.
struct TRealSum
{
  Extended V = 0;
  void Add(double A, double B) { V += Extended(A) * B; }
  double Get() const { return static_cast<double>(V); }
};

// Sum of products conj(A) x B.
struct TConjSum
{
  Extended Re = 0, Im = 0;
  void Add(const Ipp64fc& A, const Ipp64fc& B)
  {
    Re += Extended(A.re) * B.re + Extended(A.im) * B.im;
    Im += Extended(A.re) * B.im - Extended(A.im) * B.re;
  }
  Ipp64fc Get() const { return {static_cast<double>(Re), static_cast<double>(Im)}; }
};

template <class T>
struct TSumOf;
template <>
struct TSumOf<double>
{
  using Type = TRealSum;
};
template <>
struct TSumOf<Ipp64fc>
{
  using Type = TConjSum;
};

// --- Direct sums ---------------------------------------------------------------------

// Dst[n] = sum over k of conj(Src[k]) Src[k + n] for n < AM <= ALen, ALanes
// lags at a time so that each source element is loaded once per group.
template <int ALanes, class T>
void AutoCorrDirect(const T* Src, int ALen, T* Dst, int AM)
{
  using TSum = typename TSumOf<T>::Type;
  int N = 0;
  for (; N + ALanes <= AM; N += ALanes) {
    TSum Sum[ALanes];
    // Every lag of the group reaches k < Common; lag N + j reaches k < ALen - N - j.
    const int Common = ALen - N - (ALanes - 1);
    for (int K = 0; K < Common; ++K)
      for (int J = 0; J < ALanes; ++J)
        Sum[J].Add(Src[K], Src[K + N + J]);
    for (int K = Common; K < ALen - N; ++K)
      for (int J = 0; K < ALen - N - J; ++J)
        Sum[J].Add(Src[K], Src[K + N + J]);
    for (int J = 0; J < ALanes; ++J)
      Dst[N + J] = Sum[J].Get();
  }
  for (; N < AM; ++N) {
    TSum Sum;
    for (int K = 0; K < ALen - N; ++K)
      Sum.Add(Src[K], Src[K + N]);
    Dst[N] = Sum.Get();
  }
}

// The k for which Src1[k] and Src2[k + ALag] both exist: [Lo, Hi).
struct TTermRange
{
  std::int64_t Lo, Hi;
};
TTermRange TermsOfLag(std::int64_t ALag, int ALen1, int ALen2)
{
  return {std::max<std::int64_t>(0, -ALag), std::min<std::int64_t>(ALen1, ALen2 - ALag)};
}

template <class T, class TSum>
void AddTerms(TSum& ASum, const T* Src1, const T* Src2, std::int64_t ALag, std::int64_t ALo,
              std::int64_t AHi)
{
  for (std::int64_t K = ALo; K < AHi; ++K)
    ASum.Add(Src1[K], Src2[K + ALag]);
}

// Dst[n] for ALead <= n < AEnd, where every lag n + ALowLag has at least one
// term; two lags at a time over the k both reach, the rest of each lag alone.
template <class T>
void CrossCorrDirect(const T* Src1, int ALen1, const T* Src2, int ALen2, T* Dst, std::int64_t ALead,
                     std::int64_t AEnd, int ALowLag)
{
  using TSum = typename TSumOf<T>::Type;
  std::int64_t N = ALead;
  for (; N + 2 <= AEnd; N += 2) {
    const std::int64_t Lag0 = N + ALowLag, Lag1 = Lag0 + 1;
    const TTermRange R0 = TermsOfLag(Lag0, ALen1, ALen2), R1 = TermsOfLag(Lag1, ALen1, ALen2);
    const std::int64_t Lo = std::max(R0.Lo, R1.Lo), Hi = std::min(R0.Hi, R1.Hi);
    TSum S0, S1;
    if (Lo >= Hi) {
      AddTerms(S0, Src1, Src2, Lag0, R0.Lo, R0.Hi);
      AddTerms(S1, Src1, Src2, Lag1, R1.Lo, R1.Hi);
    } else {
      AddTerms(S0, Src1, Src2, Lag0, R0.Lo, Lo);
      AddTerms(S1, Src1, Src2, Lag1, R1.Lo, Lo);
      for (std::int64_t K = Lo; K < Hi; ++K) {
        S0.Add(Src1[K], Src2[K + Lag0]);
        S1.Add(Src1[K], Src2[K + Lag1]);
      }
      AddTerms(S0, Src1, Src2, Lag0, Hi, R0.Hi);
      AddTerms(S1, Src1, Src2, Lag1, Hi, R1.Hi);
    }
    Dst[N] = S0.Get();
    Dst[N + 1] = S1.Get();
  }
  if (N < AEnd) {
    const std::int64_t Lag = N + ALowLag;
    const TTermRange R = TermsOfLag(Lag, ALen1, ALen2);
    TSum S;
    AddTerms(S, Src1, Src2, Lag, R.Lo, R.Hi);
    Dst[N] = S.Get();
  }
}

// Dst[n] = sum over k of AShort[k] ALong[n - k], one extended sum per output.
void ConvDirect(const double* ALong, int AL, const double* AShort, int AS, double* Dst)
{
  const std::int64_t N = std::int64_t(AL) + AS - 1;
  for (std::int64_t I = 0; I < N; ++I) {
    const std::int64_t KLo = std::max<std::int64_t>(0, I - AL + 1);
    const std::int64_t KHi = std::min<std::int64_t>(I, AS - 1);
    TRealSum Sum;
    for (std::int64_t K = KLo; K <= KHi; ++K)
      Sum.Add(AShort[K], ALong[I - K]);
    Dst[I] = Sum.Get();
  }
}

// --- Transforms ----------------------------------------------------------------------

// A real FFT of 2^Order points: spectra in CCS order, Order/2 + 1 bins of
// (re, im), so Size + 2 doubles. Neither direction scales; the callers fold
// the 1/Size into the bin products, which is exact for a power of two.
class TRealFft
{
public:
  using TElement = double;
  static std::size_t Bins(std::size_t ASize) { return ASize / 2 + 1; }

  IppStatus Init(int AOrder)
  {
    IppsFFTSpec_R_64f* Plan = nullptr;
    const IppStatus Status =
        LibC::ippsFFTInitAlloc_R_64f(&Plan, AOrder, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
    if (Status < 0)
      return Status;
    FPlan.reset(Plan);
    return FPlan ? ippStsNoErr : ippStsMemAllocErr;
  }
  // In place: Size reals become Size + 2 doubles of spectrum, and back.
  IppStatus Forward(double* ASrcDst) const
  {
    return LibC::ippsFFTFwd_RToCCS_64f(ASrcDst, ASrcDst, FPlan.get(), nullptr);
  }
  IppStatus Inverse(double* ASrcDst) const
  {
    return LibC::ippsFFTInv_CCSToR_64f(ASrcDst, ASrcDst, FPlan.get(), nullptr);
  }

private:
  QDFFT::TRealSpec FPlan;
};

// A complex FFT of 2^Order points, Size bins; unscaled as TRealFft.
class TComplexFft
{
public:
  using TElement = Ipp64fc;
  static std::size_t Bins(std::size_t ASize) { return ASize; }

  IppStatus Init(int AOrder)
  {
    IppsFFTSpec_C_64fc* Plan = nullptr;
    const IppStatus Status =
        LibC::ippsFFTInitAlloc_C_64fc(&Plan, AOrder, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
    if (Status < 0)
      return Status;
    FPlan.reset(Plan);
    return FPlan ? ippStsNoErr : ippStsMemAllocErr;
  }
  // In place, on Size complex values held as 2 Size doubles.
  IppStatus Forward(double* ASrcDst) const
  {
    Ipp64fc* const P = reinterpret_cast<Ipp64fc*>(ASrcDst);
    return LibC::ippsFFTFwd_CToC_64fc(P, P, FPlan.get(), nullptr);
  }
  IppStatus Inverse(double* ASrcDst) const
  {
    Ipp64fc* const P = reinterpret_cast<Ipp64fc*>(ASrcDst);
    return LibC::ippsFFTInv_CToC_64fc(P, P, FPlan.get(), nullptr);
  }

private:
  QDFFT::TComplexSpec FPlan;
};

enum class TBinOp {
  Product,     // B = A x B x Scale
  ConjProduct, // B = conj(A) x B x Scale
  Power,       // B = |A|^2 x Scale (B may be A)
};

// Spectra as (re, im) pairs of doubles, ABins of them.
void CombineBins(TBinOp AOp, double* A, double* B, std::size_t ABins, double AScale)
{
  switch (AOp) {
  case TBinOp::Product:
    for (std::size_t K = 0; K < 2 * ABins; K += 2) {
      const double Re = A[K] * B[K] - A[K + 1] * B[K + 1];
      const double Im = A[K] * B[K + 1] + A[K + 1] * B[K];
      B[K] = Re * AScale;
      B[K + 1] = Im * AScale;
    }
    break;
  case TBinOp::ConjProduct:
    for (std::size_t K = 0; K < 2 * ABins; K += 2) {
      const double Re = A[K] * B[K] + A[K + 1] * B[K + 1];
      const double Im = A[K] * B[K + 1] - A[K + 1] * B[K];
      B[K] = Re * AScale;
      B[K + 1] = Im * AScale;
    }
    break;
  case TBinOp::Power:
    for (std::size_t K = 0; K < 2 * ABins; K += 2) {
      B[K] = (A[K] * A[K] + A[K + 1] * A[K + 1]) * AScale;
      B[K + 1] = 0;
    }
    break;
  }
}

// One circular product of 2^AOrder points: AFillA (and, unless the operation
// is Power, AFillB) write the zero-padded inputs into the pad they are given;
// AEmit receives the scaled inverse transform, and runs only when everything
// else succeeded. The transforms run in place, in one work block that holds
// a spectrum per input.
template <class TFft, class TFillA, class TFillB, class TEmit>
IppStatus SpectralProduct(int AOrder, TBinOp AOp, TFillA AFillA, TFillB AFillB, TEmit AEmit)
{
  using T = typename TFft::TElement;
  const std::size_t M = std::size_t(1) << AOrder;
  const std::size_t Bins = TFft::Bins(M);
  const std::size_t Spectra = AOp == TBinOp::Power ? 1 : 2;
  TFft Fft;
  if (const IppStatus Status = Fft.Init(AOrder); Status != ippStsNoErr)
    return Status;
  TKJWorkVector<double> Work(KJMallocArray<double>(Spectra * 2 * Bins));
  if (!Work)
    return ippStsMemAllocErr;
  // The pads hold M elements and become spectra of 2 Bins doubles.
  double* const A = Work.get();
  double* const B = Spectra == 2 ? A + 2 * Bins : A;
  AFillA(reinterpret_cast<T*>(A));
  if (const IppStatus Status = Fft.Forward(A); Status != ippStsNoErr)
    return Status;
  if (AOp != TBinOp::Power) {
    AFillB(reinterpret_cast<T*>(B));
    if (const IppStatus Status = Fft.Forward(B); Status != ippStsNoErr)
      return Status;
  }
  CombineBins(AOp, A, B, Bins, 1.0 / static_cast<double>(M));
  if (const IppStatus Status = Fft.Inverse(B); Status != ippStsNoErr)
    return Status;
  AEmit(reinterpret_cast<const T*>(B));
  return ippStsNoErr;
}

// Convolution by overlap-save: the shorter input's spectrum is made once and
// each block of the longer input, overlapping the previous one by AS - 1
// elements, gives its 2^Order - AS + 1 valid outputs (fewer at the end).
IppStatus ConvOverlapSave(const double* ALong, int AL, const double* AShort, int AS, double* Dst)
{
  const int Order = OrderAtLeast(2 * std::int64_t(AS)) + 1;
  const std::int64_t M = std::int64_t(1) << Order;
  const std::size_t Bins = TRealFft::Bins(std::size_t(M));
  TRealFft Fft;
  if (const IppStatus Status = Fft.Init(Order); Status != ippStsNoErr)
    return Status;
  TKJWorkVector<double> Work(KJMallocArray<double>(2 * 2 * Bins));
  if (!Work)
    return ippStsMemAllocErr;
  double* const Kernel = Work.get();
  double* const Block = Kernel + 2 * Bins;

  FillWindow(AShort, AS, 0, AS, Kernel, M);
  if (const IppStatus Status = Fft.Forward(Kernel); Status != ippStsNoErr)
    return Status;
  const double Scale = 1.0 / static_cast<double>(M);
  for (std::size_t K = 0; K < 2 * Bins; ++K)
    Kernel[K] *= Scale;

  const std::int64_t N = std::int64_t(AL) + AS - 1;
  const std::int64_t Step = M - AS + 1;
  for (std::int64_t Out = 0; Out < N; Out += Step) {
    FillWindow(ALong, AL, Out - (AS - 1), M, Block, M);
    if (const IppStatus Status = Fft.Forward(Block); Status != ippStsNoErr)
      return Status;
    CombineBins(TBinOp::Product, Kernel, Block, Bins, 1.0);
    if (const IppStatus Status = Fft.Inverse(Block); Status != ippStsNoErr)
      return Status;
    const std::int64_t Count = std::min(Step, N - Out);
    std::memcpy(Dst + Out, Block + (AS - 1), std::size_t(Count) * sizeof(double));
  }
  return ippStsNoErr;
}

// --- Entries -------------------------------------------------------------------------

// ACall(First, Count) over ALen doubles in pieces that an int counts: the two
// parts of a long complex vector may not fit one.
template <class TCall>
IppStatus InPieces(std::int64_t ALen, TCall ACall)
{
  constexpr std::int64_t Piece = std::int64_t(1) << 30;
  for (std::int64_t First = 0; First < ALen; First += Piece)
    if (const IppStatus Status = ACall(First, static_cast<int>(std::min(Piece, ALen - First)));
        Status != ippStsNoErr)
      return Status;
  return ippStsNoErr;
}

template <class TFft>
constexpr int AutoCorrTransformFrom =
    std::is_same_v<TFft, TRealFft> ? AutoCorrTransformFrom64f : AutoCorrTransformFrom64fc;

// The plain autocorrelation: the first min(SrcLen, DstLen) lags, zeros after.
template <class TFft, class T = typename TFft::TElement>
IppStatus AutoCorr(const T* Src, int SrcLen, T* Dst, int DstLen)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (SrcLen < 1 || DstLen < 1)
    return ippStsSizeErr;
  const int M = std::min(SrcLen, DstLen);
  if (M < AutoCorrTransformFrom<TFft>) {
    AutoCorrDirect<std::is_same_v<T, double> ? 4 : 2>(Src, SrcLen, Dst, M);
  } else {
    const int Order = OrderAtLeast(2 * std::int64_t(SrcLen));
    const std::int64_t Size = std::int64_t(1) << Order;
    const IppStatus Status = SpectralProduct<TFft>(
        Order, TBinOp::Power, [&](T* APad) { FillWindow(Src, SrcLen, 0, SrcLen, APad, Size); },
        [](T*) {},
        [&](const T* AResult) { std::memcpy(Dst, AResult, std::size_t(M) * sizeof(T)); });
    if (Status != ippStsNoErr)
      return Status;
  }
  ZeroElements(Dst + M, DstLen - M);
  return ippStsNoErr;
}

// The autocorrelation's first m lags times 1/SrcLen, both parts of a complex one.
template <class TFft, class T = typename TFft::TElement>
IppStatus AutoCorrNormA(const T* Src, int SrcLen, T* Dst, int DstLen)
{
  if (const IppStatus Status = AutoCorr<TFft>(Src, SrcLen, Dst, DstLen); Status != ippStsNoErr)
    return Status;
  constexpr int Parts = sizeof(T) / sizeof(double);
  static const TippsMulC_64f_I MulC = Best(&LibC::ippsMulC_64f_I);
  double* const Values = reinterpret_cast<double*>(Dst);
  const double Factor = 1.0 / SrcLen;
  return InPieces(
      std::int64_t(Parts) * std::min(SrcLen, DstLen),
      [&](std::int64_t AFirst, int ACount) { return MulC(Factor, Values + AFirst, ACount); });
}

// The autocorrelation's lag n divided by SrcLen - n. When the divisors cannot
// be stored, the plain autocorrelation stays in Dst.
template <class TFft, class T = typename TFft::TElement>
IppStatus AutoCorrNormB(const T* Src, int SrcLen, T* Dst, int DstLen)
{
  if (const IppStatus Status = AutoCorr<TFft>(Src, SrcLen, Dst, DstLen); Status != ippStsNoErr)
    return Status;
  constexpr int Parts = sizeof(T) / sizeof(double);
  const int M = std::min(SrcLen, DstLen);
  TKJWorkVector<double> Divisors(KJMallocArray<double>(std::size_t(Parts) * M));
  if (!Divisors)
    return ippStsMemAllocErr;
  for (int N = 0; N < M; ++N)
    for (int P = 0; P < Parts; ++P)
      Divisors[std::size_t(Parts) * N + P] = SrcLen - N;
  static const TippsDiv_64f_I Div = Best(&LibC::ippsDiv_64f_I);
  double* const Values = reinterpret_cast<double*>(Dst);
  return InPieces(std::int64_t(Parts) * M, [&](std::int64_t AFirst, int ACount) {
    return Div(Divisors.get() + AFirst, Values + AFirst, ACount);
  });
}

template <class TFft, class T = typename TFft::TElement>
IppStatus CrossCorr(const T* Src1, int Src1Len, const T* Src2, int Src2Len, T* Dst, int DstLen,
                    int LowLag)
{
  if (!Src1 || !Src2 || !Dst)
    return ippStsNullPtrErr;
  if (Src1Len < 1 || Src2Len < 1 || DstLen < 1)
    return ippStsSizeErr;
  // No term reaches the outputs before Lead (lag at most -Src1Len) nor those
  // from End on (lag Src2Len or more).
  const std::int64_t Lead = std::clamp<std::int64_t>(std::int64_t(1) - Src1Len - LowLag, 0, DstLen);
  const std::int64_t End = std::clamp<std::int64_t>(std::int64_t(Src2Len) - LowLag, Lead, DstLen);
  const std::int64_t R = End - Lead;
  const double Measure =
      std::floor(static_cast<double>(R) * std::min(Src1Len, Src2Len) / std::max(Src1Len, Src2Len));
  if (Measure > CrossCorrTransformAbove) {
    // Src2's window from the first lag on covers every term of the R outputs,
    // and a transform at least that long lets none of them wrap around.
    const std::int64_t First = Lead + LowLag;
    const std::int64_t Window = R + Src1Len - 1;
    const int Order = OrderAtLeast(Window);
    const std::int64_t Size = std::int64_t(1) << Order;
    const IppStatus Status = SpectralProduct<TFft>(
        Order, TBinOp::ConjProduct,
        [&](T* APad) { FillWindow(Src1, Src1Len, 0, Src1Len, APad, Size); },
        [&](T* APad) { FillWindow(Src2, Src2Len, First, Window, APad, Size); },
        [&](const T* AResult) { std::memcpy(Dst + Lead, AResult, std::size_t(R) * sizeof(T)); });
    if (Status != ippStsNoErr)
      return Status;
  } else {
    CrossCorrDirect(Src1, Src1Len, Src2, Src2Len, Dst, Lead, End, LowLag);
  }
  ZeroElements(Dst, Lead);
  ZeroElements(Dst + End, DstLen - End);
  return ippStsNoErr;
}

} // namespace

IppStatus LibC::ippsAutoCorr_64f(const Ipp64f* Src, int SrcLen, Ipp64f* Dst, int DstLen)
{
  return AutoCorr<TRealFft>(Src, SrcLen, Dst, DstLen);
}
IppStatus LibC::ippsAutoCorr_NormA_64f(const Ipp64f* Src, int SrcLen, Ipp64f* Dst, int DstLen)
{
  return AutoCorrNormA<TRealFft>(Src, SrcLen, Dst, DstLen);
}
IppStatus LibC::ippsAutoCorr_NormB_64f(const Ipp64f* Src, int SrcLen, Ipp64f* Dst, int DstLen)
{
  return AutoCorrNormB<TRealFft>(Src, SrcLen, Dst, DstLen);
}
IppStatus LibC::ippsAutoCorr_64fc(const Ipp64fc* Src, int SrcLen, Ipp64fc* Dst, int DstLen)
{
  return AutoCorr<TComplexFft>(Src, SrcLen, Dst, DstLen);
}
IppStatus LibC::ippsAutoCorr_NormA_64fc(const Ipp64fc* Src, int SrcLen, Ipp64fc* Dst, int DstLen)
{
  return AutoCorrNormA<TComplexFft>(Src, SrcLen, Dst, DstLen);
}
IppStatus LibC::ippsAutoCorr_NormB_64fc(const Ipp64fc* Src, int SrcLen, Ipp64fc* Dst, int DstLen)
{
  return AutoCorrNormB<TComplexFft>(Src, SrcLen, Dst, DstLen);
}

IppStatus LibC::ippsCrossCorr_64f(const Ipp64f* Src1, int Src1Len, const Ipp64f* Src2, int Src2Len,
                                  Ipp64f* Dst, int DstLen, int LowLag)
{
  return CrossCorr<TRealFft>(Src1, Src1Len, Src2, Src2Len, Dst, DstLen, LowLag);
}
IppStatus LibC::ippsCrossCorr_64fc(const Ipp64fc* Src1, int Src1Len, const Ipp64fc* Src2,
                                   int Src2Len, Ipp64fc* Dst, int DstLen, int LowLag)
{
  return CrossCorr<TComplexFft>(Src1, Src1Len, Src2, Src2Len, Dst, DstLen, LowLag);
}

IppStatus LibC::ippsConv_64f(const Ipp64f* Src1, int Src1Len, const Ipp64f* Src2, int Src2Len,
                             Ipp64f* Dst)
{
  if (!Src1 || !Src2 || !Dst)
    return ippStsNullPtrErr;
  if (Src1Len < 1 || Src2Len < 1)
    return ippStsSizeErr;
  // The longer input is the first operand.
  const bool FirstIsLonger = Src1Len >= Src2Len;
  const double* Long = FirstIsLonger ? Src1 : Src2;
  const double* Short = FirstIsLonger ? Src2 : Src1;
  const int L = FirstIsLonger ? Src1Len : Src2Len;
  const int S = FirstIsLonger ? Src2Len : Src1Len;
  const std::int64_t N = std::int64_t(L) + S - 1;
  if (N < ConvDirectOutputsBelow || S < ConvDirectShortBelow) {
    ConvDirect(Long, L, Short, S, Dst);
    return ippStsNoErr;
  }
  if (L < 3 * std::int64_t(S)) {
    const int Order = std::max(2, OrderAtLeast(N));
    const std::int64_t Size = std::int64_t(1) << Order;
    return SpectralProduct<TRealFft>(
        Order, TBinOp::Product, [&](double* APad) { FillWindow(Long, L, 0, L, APad, Size); },
        [&](double* APad) { FillWindow(Short, S, 0, S, APad, Size); },
        [&](const double* AResult) { std::memcpy(Dst, AResult, std::size_t(N) * sizeof(double)); });
  }
  return ConvOverlapSave(Long, L, Short, S, Dst);
}
