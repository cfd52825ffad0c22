// Built-ins of the real (64f and 32f) entries that are not vectorised:
// clearing, copying and filling, the exponential and logarithm, thresholds,
// normalisation, the test vector, sums and the converting entries.
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>

using namespace LibC;

namespace {

template <class T>
IppStatus ClearBytes(T* Dst, int Len, std::size_t AElementSize = sizeof(T))
{
  if (!Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  std::memset(Dst, 0, std::size_t(Len) * AElementSize);
  return ippStsNoErr;
}

template <class T>
IppStatus CopyElements(const T* Src, T* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  std::memcpy(Dst, Src, std::size_t(Len) * sizeof(T));
  return ippStsNoErr;
}

template <class T>
IppStatus FillElements(T Val, T* Dst, int Len)
{
  if (!Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = Val;
  return ippStsNoErr;
}

template <class T, class TOp>
IppStatus InPlace(const T* Src, T* SrcDst, int Len, TOp AOp)
{
  if (!Src || !SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = AOp(SrcDst[I], Src[I]);
  return ippStsNoErr;
}

} // namespace

// --- Clearing, copying, filling ---------------------------------------------------

IppStatus LibC::ippsZero_64f(Ipp64f* Dst, int Len) { return ClearBytes(Dst, Len); }
IppStatus LibC::ippsZero_32f(Ipp32f* Dst, int Len) { return ClearBytes(Dst, Len); }
IppStatus LibC::ippsZero_32s(Ipp32s* Dst, int Len) { return ClearBytes(Dst, Len); }
IppStatus LibC::ippsZero_16s(Ipp16s* Dst, int Len) { return ClearBytes(Dst, Len); }
IppStatus LibC::ippsZero_8u(Ipp8u* Dst, int Len) { return ClearBytes(Dst, Len); }
IppStatus LibC::ippsZero_64fc(Ipp64fc* Dst, int Len) { return ClearBytes(Dst, Len); }

IppStatus LibC::ippsCopy_32f(const Ipp32f* Src, Ipp32f* Dst, int Len)
{
  return CopyElements(Src, Dst, Len);
}
IppStatus LibC::ippsCopy_8u(const Ipp8u* Src, Ipp8u* Dst, int Len)
{
  return CopyElements(Src, Dst, Len);
}

// Move, unlike Copy, allows the ranges to overlap.
IppStatus LibC::ippsMove_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  std::memmove(Dst, Src, std::size_t(Len) * sizeof(Ipp64f));
  return ippStsNoErr;
}

IppStatus LibC::ippsSet_32f(Ipp32f Val, Ipp32f* Dst, int Len) { return FillElements(Val, Dst, Len); }
IppStatus LibC::ippsSet_32s(Ipp32s Val, Ipp32s* Dst, int Len) { return FillElements(Val, Dst, Len); }

IppStatus LibC::ippsSet_8u(Ipp8u Val, Ipp8u* Dst, int Len)
{
  if (!Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  std::memset(Dst, Val, std::size_t(Len));
  return ippStsNoErr;
}

// --- Single-precision arithmetic ---------------------------------------------------

IppStatus LibC::ippsSub_32f_I(const Ipp32f* Src, Ipp32f* SrcDst, int Len)
{
  return InPlace(Src, SrcDst, Len, [](float D, float S) { return D - S; });
}

IppStatus LibC::ippsMul_32f_I(const Ipp32f* Src, Ipp32f* SrcDst, int Len)
{
  return InPlace(Src, SrcDst, Len, [](float D, float S) { return D * S; });
}

IppStatus LibC::ippsMulC_32f_I(Ipp32f Val, Ipp32f* SrcDst, int Len)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] *= Val;
  return ippStsNoErr;
}

IppStatus LibC::ippsMul_32f(const Ipp32f* Src1, const Ipp32f* Src2, Ipp32f* Dst, int Len)
{
  if (!Src1 || !Src2 || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = Src1[I] * Src2[I];
  return ippStsNoErr;
}

// --- Exponential -------------------------------------------------------------------

namespace {

std::uint32_t HighWord(double X)
{
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(X) >> 32);
}

// Classification bounds, compared on the upper 32 bits of the double.
const std::uint32_t SmallMagnitude = HighWord(708.3964185322641); // ln of the smallest normal
const std::uint32_t LargePositive = HighWord(709.782712893383);   // ln of the largest double

enum class TExpClass { Computed, NaN, Overflow, Underflow };

TExpClass ClassifyExp(double X)
{
  const std::uint64_t Bits = std::bit_cast<std::uint64_t>(X);
  const std::uint32_t Hx = static_cast<std::uint32_t>(Bits >> 32);
  const std::uint32_t AbsHx = Hx & 0x7fffffffu;
  if (std::isnan(X))
    return TExpClass::NaN;
  if (AbsHx < SmallMagnitude)
    return TExpClass::Computed;
  const bool Negative = (Hx >> 31) != 0;
  if (!Negative && AbsHx < LargePositive)
    return TExpClass::Computed;
  return Negative ? TExpClass::Underflow : TExpClass::Overflow;
}

// The fdlibm reduction: X = K ln2 + R with |R| <= ln2 / 2, and the rational
// approximation of e^R written as 1 - ((Lo - R C / (2 - C)) - Hi).
struct TExpReduced
{
  int K = 0;
  Extended Hi = 0, Lo = 0, R = 0, C = 0;
};

TExpReduced ReduceExp(double X)
{
  constexpr double InvLn2 = 1.4426950408889634;
  constexpr double Ln2Hi = 0.6931471803691238;
  constexpr double Ln2Lo = 1.9082149292705877e-10;
  constexpr double Shifter = 6755399441055744.0; // 2^52 x 1.5: rounds to an integer
  constexpr Extended P1 = 0.16666666666666602, P2 = -0.0027777777777015593,
                     P3 = 6.613756321437934e-05, P4 = -1.6533902205465252e-06,
                     P5 = 4.1381367970572385e-08;
  TExpReduced E;
  // Rounded in the double format, where adding the shifter drops the fraction.
  const double Shifted = X * InvLn2 + Shifter;
  const double K = Shifted - Shifter;
  E.K = static_cast<int>(K);
  E.Hi = Extended(X) - Extended(K) * Ln2Hi;
  E.Lo = Extended(K) * Ln2Lo;
  E.R = E.Hi - E.Lo;
  const Extended R2 = E.R * E.R;
  E.C = E.R - R2 * (P1 + R2 * (P2 + R2 * (P3 + R2 * (P4 + R2 * P5))));
  return E;
}

double ExpOf(const TExpReduced& E, Extended AInvDenominator)
{
  const Extended ER = 1 - ((E.Lo - E.R * E.C * AInvDenominator) - E.Hi);
  return static_cast<double>(std::ldexp(ER, E.K));
}

double ExpSpecial(TExpClass AClass)
{
  switch (AClass) {
  case TExpClass::NaN:
    return QNaN;
  case TExpClass::Overflow:
    return Inf;
  default:
    return 0.0;
  }
}

// Four elements at a time from the back; the one to three left at the front,
// and vectors shorter than four, use the platform's exponential.
void ExpVector(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  const int Front = Len < 4 ? Len : Len % 4;
  for (int G = Len - 4; G >= Front; G -= 4) {
    TExpReduced E[4];
    TExpClass Class[4];
    Extended D[4];
    for (int J = 0; J < 4; ++J) {
      Class[J] = ClassifyExp(Src[G + J]);
      if (Class[J] == TExpClass::Computed)
        E[J] = ReduceExp(Src[G + J]);
      D[J] = 2 - E[J].C; // 2 for the elements not computed
    }
    // One division serves the group: 1 / D_j = (product of the others) / (product of all).
    const Extended InvAll = 1 / (D[0] * D[1] * D[2] * D[3]);
    const Extended Inv[4] = {InvAll * D[1] * D[2] * D[3], InvAll * D[0] * D[2] * D[3],
                             InvAll * D[0] * D[1] * D[3], InvAll * D[0] * D[1] * D[2]};
    for (int J = 0; J < 4; ++J)
      Dst[G + J] = Class[J] == TExpClass::Computed ? ExpOf(E[J], Inv[J]) : ExpSpecial(Class[J]);
  }
  for (int I = 0; I < Front; ++I)
    Dst[I] = std::exp(Src[I]);
}

} // namespace

IppStatus LibC::ippsExp_64f_I(Ipp64f* SrcDst, int Len)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  ExpVector(SrcDst, SrcDst, Len);
  return ippStsNoErr;
}

IppStatus LibC::ippsExp_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  ExpVector(Src, Dst, Len);
  return ippStsNoErr;
}

// --- Natural logarithm -------------------------------------------------------------

namespace {

// The first element that meets a zero or negative argument decides the warning.
IppStatus LnVector(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  IppStatus Status = ippStsNoErr;
  for (int I = 0; I < Len; ++I) {
    const double X = Src[I];
    if (std::signbit(X)) {
      Dst[I] = QNaN;
      if (Status == ippStsNoErr)
        Status = ippStsLnNegArg;
    } else if (std::isnan(X)) {
      // A quiet NaN stays as it is; the logarithm quiets a signalling one.
      const bool Quiet = (std::bit_cast<std::uint64_t>(X) & 0x0008000000000000u) != 0;
      Dst[I] = Quiet ? X : std::log(X);
    } else if (X == 0.0) {
      Dst[I] = -Inf;
      if (Status == ippStsNoErr)
        Status = ippStsLnZeroArg;
    } else {
      Dst[I] = std::log(X);
    }
  }
  return Status;
}

} // namespace

IppStatus LibC::ippsLn_64f_I(Ipp64f* SrcDst, int Len)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  return LnVector(SrcDst, SrcDst, Len);
}

IppStatus LibC::ippsLn_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  return LnVector(Src, Dst, Len);
}

// --- Thresholds ----------------------------------------------------------------------
// In place, "greater" also replaces a NaN (it is not at most Level) and "less"
// keeps it; out of place it is the other way round.

IppStatus LibC::ippsThreshold_64f_I(Ipp64f* SrcDst, int Len, Ipp64f Level, IppCmpOp RelOp)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (RelOp == ippCmpGreater) {
    for (int I = 0; I < Len; ++I)
      if (!(SrcDst[I] <= Level))
        SrcDst[I] = Level;
  } else {
    for (int I = 0; I < Len; ++I)
      if (SrcDst[I] < Level)
        SrcDst[I] = Level;
  }
  return ippStsNoErr;
}

IppStatus LibC::ippsThreshold_64f(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp64f Level,
                                  IppCmpOp RelOp)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (RelOp == ippCmpGreater) {
    for (int I = 0; I < Len; ++I)
      Dst[I] = Src[I] > Level ? Level : Src[I];
  } else {
    for (int I = 0; I < Len; ++I)
      Dst[I] = !(Src[I] >= Level) ? Level : Src[I];
  }
  return ippStsNoErr;
}

IppStatus LibC::ippsThreshold_32f_I(Ipp32f* SrcDst, int Len, Ipp32f Level, IppCmpOp RelOp)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (RelOp == ippCmpGreater) {
    for (int I = 0; I < Len; ++I)
      if (!(SrcDst[I] <= Level))
        SrcDst[I] = Level;
  } else {
    for (int I = 0; I < Len; ++I)
      if (SrcDst[I] < Level)
        SrcDst[I] = Level;
  }
  return ippStsNoErr;
}

// --- Normalisation and the test vector ----------------------------------------------------
// A divisor below the smallest normal (or NaN) is refused: its reciprocal would
// overflow.

IppStatus LibC::ippsNormalize_64f(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp64f VSub,
                                  Ipp64f VDiv)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (!(std::fabs(VDiv) >= DBL_MIN))
    return ippStsDivByZeroErr;
  const Extended Recip = 1 / Extended(VDiv);
  for (int I = 0; I < Len; ++I)
    Dst[I] = static_cast<double>((Extended(Src[I]) - VSub) * Recip);
  return ippStsNoErr;
}

IppStatus LibC::ippsNormalize_32f(const Ipp32f* Src, Ipp32f* Dst, int Len, Ipp32f VSub,
                                  Ipp32f VDiv)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (!(std::fabs(VDiv) >= FLT_MIN))
    return ippStsDivByZeroErr;
  const Extended Recip = 1 / Extended(VDiv);
  for (int I = 0; I < Len; ++I)
    Dst[I] = static_cast<float>((Extended(Src[I]) - VSub) * Recip);
  return ippStsNoErr;
}

IppStatus LibC::ippsVectorJaehne_64f(Ipp64f* Dst, int Len, Ipp64f Magn)
{
  if (!Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Magn < 0)
    return ippStsJaehneErr;
  if (Len == 1) {
    Dst[0] = 0.0;
    return ippStsNoErr;
  }
  const double Step = static_cast<double>(std::numbers::pi_v<Extended> / 2 / Len);
  for (int N = 0; N < Len; ++N)
    Dst[N] = static_cast<double>(Magn * std::sin(Extended(N) * (Extended(N) * Step)));
  return ippStsNoErr;
}

// --- Sums -----------------------------------------------------------------------------

IppStatus LibC::ippsSum_64f(const Ipp64f* Src, int Len, Ipp64f* Sum)
{
  if (!Src || !Sum)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  Extended S = 0;
  for (int I = 0; I < Len; ++I)
    S += Src[I];
  *Sum = static_cast<double>(S);
  return ippStsNoErr;
}

// The hint chooses between speed and accuracy; the built-in is always accurate.
IppStatus LibC::ippsMean_32f(const Ipp32f* Src, int Len, Ipp32f* Mean, IppHintAlgorithm)
{
  if (!Src || !Mean)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  Extended S = 0;
  for (int I = 0; I < Len; ++I)
    S += Src[I];
  *Mean = static_cast<float>(S / Len);
  return ippStsNoErr;
}

// --- Conversions ------------------------------------------------------------------------

IppStatus LibC::ippsConvert_16s64f_Sfs(const Ipp16s* Src, Ipp64f* Dst, int Len, int ScaleFactor)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  // Within these limits 2^-ScaleFactor and every product are exact doubles.
  const int Scale = ScaleFactor < -1008 ? -1008 : (ScaleFactor > 1022 ? 1022 : ScaleFactor);
  const double Factor = std::ldexp(1.0, -Scale);
  for (int I = 0; I < Len; ++I)
    Dst[I] = Src[I] * Factor;
  return ippStsNoErr;
}

IppStatus LibC::ippsConvert_32s32f(const Ipp32s* Src, Ipp32f* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = static_cast<float>(Src[I]);
  return ippStsNoErr;
}

namespace {
template <class T>
IppStatus ToInt32Scaled(const T* Src, Ipp32s* Dst, int Len, IppRoundMode RndMode, int ScaleFactor)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  const bool Nearest = RndMode == ippRndNear;
  for (int I = 0; I < Len; ++I)
    Dst[I] = ToInt32Saturated(std::ldexp(Extended(Src[I]), -ScaleFactor), Nearest);
  return ippStsNoErr;
}
} // namespace

IppStatus LibC::ippsConvert_64f32s_Sfs(const Ipp64f* Src, Ipp32s* Dst, int Len,
                                       IppRoundMode RndMode, int ScaleFactor)
{
  return ToInt32Scaled(Src, Dst, Len, RndMode, ScaleFactor);
}

IppStatus LibC::ippsConvert_32f32s_Sfs(const Ipp32f* Src, Ipp32s* Dst, int Len,
                                       IppRoundMode RndMode, int ScaleFactor)
{
  return ToInt32Scaled(Src, Dst, Len, RndMode, ScaleFactor);
}

// --- Byte order -----------------------------------------------------------------------------

IppStatus LibC::ippsSwapBytes_16u(const Ipp16u* Src, Ipp16u* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = __builtin_bswap16(Src[I]);
  return ippStsNoErr;
}

// Len counts 3-byte elements; the middle byte stays.
IppStatus LibC::ippsSwapBytes_24u(const Ipp8u* Src, Ipp8u* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (std::size_t I = 0; I < 3 * std::size_t(Len); I += 3) {
    const Ipp8u First = Src[I], Middle = Src[I + 1], Last = Src[I + 2];
    Dst[I] = Last;
    Dst[I + 1] = Middle;
    Dst[I + 2] = First;
  }
  return ippStsNoErr;
}

IppStatus LibC::ippsSwapBytes_32u(const Ipp32u* Src, Ipp32u* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = __builtin_bswap32(Src[I]);
  return ippStsNoErr;
}

IppStatus LibC::ippsSwapBytes_32u_I(Ipp32u* SrcDst, int Len)
{
  return ippsSwapBytes_32u(SrcDst, SrcDst, Len);
}
