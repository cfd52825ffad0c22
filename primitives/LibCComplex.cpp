// Built-ins of the complex (64fc) entries that are not vectorised. Products,
// quotients, magnitudes and roots are formed at extended precision and each
// part is rounded once when stored.
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <cfloat>
#include <cmath>

using namespace LibC;

namespace {

struct TCx
{
  Extended Re, Im;
};

inline TCx Ext(const Ipp64fc& A) { return {A.re, A.im}; }
inline Ipp64fc Round(const TCx& A) { return {static_cast<double>(A.Re), static_cast<double>(A.Im)}; }

// (d.re s.re - d.im s.im, s.re d.im + d.re s.im)
inline TCx Mul(const TCx& D, const TCx& S)
{
  return {D.Re * S.Re - D.Im * S.Im, S.Re * D.Im + D.Re * S.Im};
}

inline Extended Norm2(const TCx& A) { return A.Re * A.Re + A.Im * A.Im; }

// ((s.im d.im + s.re d.re) / q, (s.re d.im - s.im d.re) / q) with q = |s|^2.
// A zero q gives NaN in both parts and reports it.
inline Ipp64fc Div(const Ipp64fc& AD, const Ipp64fc& AS, bool& AZero)
{
  const TCx D = Ext(AD), S = Ext(AS);
  const Extended Q = Norm2(S);
  if (Q == 0) {
    AZero = true;
    return {QNaN, QNaN};
  }
  const Extended R = 1 / Q;
  return Round({(S.Im * D.Im + S.Re * D.Re) * R, (S.Re * D.Im - S.Im * D.Re) * R});
}

// The constant a division by Val multiplies with, rounded to two doubles as
// MulC takes it; false when |Val| is 0.
inline bool ReciprocalOf(const Ipp64fc& Val, Ipp64fc& AReciprocal)
{
  const TCx V = Ext(Val);
  const Extended Q = Norm2(V);
  if (Q == 0)
    return false;
  AReciprocal = Round({V.Re / Q, -V.Im / Q});
  return true;
}

inline Ipp64fc Square(const Ipp64fc& A)
{
  const TCx Z = Ext(A);
  return Round({(Z.Re - Z.Im) * (Z.Re + Z.Im), 2 * Z.Re * Z.Im});
}

// The principal root from h = re / 2, g = im / 2 and t = |z| / 2.
inline Ipp64fc Root(const Ipp64fc& A)
{
  const Extended H = Extended(A.re) / 2, G = Extended(A.im) / 2;
  const Extended T = std::sqrt(H * H + G * G);
  if (A.re > 0) {
    const Extended Re = std::sqrt(H + T);
    return Round({Re, G / Re});
  }
  if (A.re < 0) {
    Extended U = std::sqrt(T - H);
    if (A.im < 0)
      U = -U;
    return Round({G / U, U});
  }
  if (A.im >= 0) {
    const Extended R = std::sqrt(G);
    return Round({R, R});
  }
  const Extended R = std::sqrt(-G);
  return Round({R, -R});
}

template <class TOp>
IppStatus EachInPlace(Ipp64fc* SrcDst, int Len, TOp AOp)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = AOp(SrcDst[I]);
  return ippStsNoErr;
}

template <class TOp>
IppStatus Each(const Ipp64fc* Src, Ipp64fc* Dst, int Len, TOp AOp)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = AOp(Src[I]);
  return ippStsNoErr;
}

template <class TOp>
IppStatus EachToReal(const Ipp64fc* Src, Ipp64f* Dst, int Len, TOp AOp)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = AOp(Src[I]);
  return ippStsNoErr;
}

} // namespace

// --- Vector by vector -------------------------------------------------------------

IppStatus LibC::ippsMul_64fc_I(const Ipp64fc* Src, Ipp64fc* SrcDst, int Len)
{
  if (!Src || !SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = Round(Mul(Ext(SrcDst[I]), Ext(Src[I])));
  return ippStsNoErr;
}

IppStatus LibC::ippsDiv_64fc_I(const Ipp64fc* Src, Ipp64fc* SrcDst, int Len)
{
  if (!Src || !SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  bool Zero = false;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = Div(SrcDst[I], Src[I], Zero);
  return Zero ? ippStsDivByZero : ippStsNoErr;
}

IppStatus LibC::ippsAdd_64fc(const Ipp64fc* Src1, const Ipp64fc* Src2, Ipp64fc* Dst, int Len)
{
  if (!Src1 || !Src2 || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = {Src1[I].re + Src2[I].re, Src1[I].im + Src2[I].im};
  return ippStsNoErr;
}

// --- Vector and constant ------------------------------------------------------------

IppStatus LibC::ippsAddC_64fc_I(Ipp64fc Val, Ipp64fc* SrcDst, int Len)
{
  return EachInPlace(SrcDst, Len, [Val](const Ipp64fc& D) {
    return Ipp64fc{D.re + Val.re, D.im + Val.im};
  });
}

IppStatus LibC::ippsSubC_64fc_I(Ipp64fc Val, Ipp64fc* SrcDst, int Len)
{
  return EachInPlace(SrcDst, Len, [Val](const Ipp64fc& D) {
    return Ipp64fc{D.re - Val.re, D.im - Val.im};
  });
}

// (Val.re d.re - Val.im d.im, Val.im d.re + Val.re d.im)
IppStatus LibC::ippsMulC_64fc_I(Ipp64fc Val, Ipp64fc* SrcDst, int Len)
{
  const TCx V = Ext(Val);
  return EachInPlace(SrcDst, Len, [V](const Ipp64fc& D) { return Round(Mul(V, Ext(D))); });
}

IppStatus LibC::ippsDivC_64fc_I(Ipp64fc Val, Ipp64fc* SrcDst, int Len)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  Ipp64fc Reciprocal;
  if (!ReciprocalOf(Val, Reciprocal))
    return ippStsDivByZeroErr;
  return ippsMulC_64fc_I(Reciprocal, SrcDst, Len);
}

IppStatus LibC::ippsAddC_64fc(const Ipp64fc* Src, Ipp64fc Val, Ipp64fc* Dst, int Len)
{
  return Each(Src, Dst, Len, [Val](const Ipp64fc& S) {
    return Ipp64fc{S.re + Val.re, S.im + Val.im};
  });
}

IppStatus LibC::ippsSubC_64fc(const Ipp64fc* Src, Ipp64fc Val, Ipp64fc* Dst, int Len)
{
  return Each(Src, Dst, Len, [Val](const Ipp64fc& S) {
    return Ipp64fc{S.re - Val.re, S.im - Val.im};
  });
}

IppStatus LibC::ippsSubCRev_64fc(const Ipp64fc* Src, Ipp64fc Val, Ipp64fc* Dst, int Len)
{
  return Each(Src, Dst, Len, [Val](const Ipp64fc& S) {
    return Ipp64fc{Val.re - S.re, Val.im - S.im};
  });
}

IppStatus LibC::ippsMulC_64fc(const Ipp64fc* Src, Ipp64fc Val, Ipp64fc* Dst, int Len)
{
  const TCx V = Ext(Val);
  return Each(Src, Dst, Len, [V](const Ipp64fc& S) { return Round(Mul(V, Ext(S))); });
}

IppStatus LibC::ippsDivC_64fc(const Ipp64fc* Src, Ipp64fc Val, Ipp64fc* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  Ipp64fc Reciprocal;
  if (!ReciprocalOf(Val, Reciprocal))
    return ippStsDivByZeroErr;
  return ippsMulC_64fc(Src, Reciprocal, Dst, Len);
}

// --- Element functions ------------------------------------------------------------------

IppStatus LibC::ippsSqr_64fc_I(Ipp64fc* SrcDst, int Len) { return EachInPlace(SrcDst, Len, Square); }
IppStatus LibC::ippsSqr_64fc(const Ipp64fc* Src, Ipp64fc* Dst, int Len)
{
  return Each(Src, Dst, Len, Square);
}
IppStatus LibC::ippsSqrt_64fc_I(Ipp64fc* SrcDst, int Len) { return EachInPlace(SrcDst, Len, Root); }
IppStatus LibC::ippsSqrt_64fc(const Ipp64fc* Src, Ipp64fc* Dst, int Len)
{
  return Each(Src, Dst, Len, Root);
}

IppStatus LibC::ippsMagnitude_64fc(const Ipp64fc* Src, Ipp64f* Dst, int Len)
{
  return EachToReal(Src, Dst, Len, [](const Ipp64fc& S) {
    return static_cast<double>(std::sqrt(Norm2(Ext(S))));
  });
}

IppStatus LibC::ippsPhase_64fc(const Ipp64fc* Src, Ipp64f* Dst, int Len)
{
  return EachToReal(Src, Dst, Len, [](const Ipp64fc& S) { return std::atan2(S.im, S.re); });
}

IppStatus LibC::ippsPowerSpectr_64fc(const Ipp64fc* Src, Ipp64f* Dst, int Len)
{
  return EachToReal(Src, Dst, Len, [](const Ipp64fc& S) {
    return static_cast<double>(Norm2(Ext(S)));
  });
}

IppStatus LibC::ippsReal_64fc(const Ipp64fc* Src, Ipp64f* DstRe, int Len)
{
  return EachToReal(Src, DstRe, Len, [](const Ipp64fc& S) { return S.re; });
}

IppStatus LibC::ippsImag_64fc(const Ipp64fc* Src, Ipp64f* DstIm, int Len)
{
  return EachToReal(Src, DstIm, Len, [](const Ipp64fc& S) { return S.im; });
}

// --- Building complex vectors ---------------------------------------------------------------
// Either source may be null, and its part is then 0; not both.

IppStatus LibC::ippsRealToCplx_64f(const Ipp64f* SrcRe, const Ipp64f* SrcIm, Ipp64fc* Dst, int Len)
{
  if ((!SrcRe && !SrcIm) || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = {SrcRe ? SrcRe[I] : 0.0, SrcIm ? SrcIm[I] : 0.0};
  return ippStsNoErr;
}

IppStatus LibC::ippsRealToCplx_32f(const Ipp32f* SrcRe, const Ipp32f* SrcIm, Ipp32fc* Dst, int Len)
{
  if ((!SrcRe && !SrcIm) || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = {SrcRe ? SrcRe[I] : 0.0f, SrcIm ? SrcIm[I] : 0.0f};
  return ippStsNoErr;
}

// --- Thresholds and normalisation ------------------------------------------------------------

namespace {

// The magnitude is limited by scaling the element: its phase stays. Squares
// are compared at extended precision. AZeroKeepsIm: a zero element under
// "less" keeps its imaginary part (in place) or gets 0 (out of place).
IppStatus ThresholdCx(const Ipp64fc* Src, Ipp64fc* Dst, int Len, Ipp64f Level, IppCmpOp RelOp,
                      bool AZeroKeepsIm)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Level < 0)
    return ippStsThreshNegLevelErr;
  const Extended Level2 = Extended(Level) * Level;
  for (int I = 0; I < Len; ++I) {
    const TCx Z = Ext(Src[I]);
    const Extended M2 = Norm2(Z);
    const bool Limit = RelOp == ippCmpGreater ? M2 > Level2 : (M2 > 0 && M2 < Level2);
    if (Limit) {
      const Extended F = std::sqrt(Level2 / M2);
      Dst[I] = Round({Z.Re * F, Z.Im * F});
    } else if (RelOp != ippCmpGreater && M2 == 0) {
      Dst[I] = {Level, AZeroKeepsIm ? Src[I].im : 0.0};
    } else {
      Dst[I] = Src[I];
    }
  }
  return ippStsNoErr;
}

} // namespace

IppStatus LibC::ippsThreshold_64fc_I(Ipp64fc* SrcDst, int Len, Ipp64f Level, IppCmpOp RelOp)
{
  return ThresholdCx(SrcDst, SrcDst, Len, Level, RelOp, true);
}

IppStatus LibC::ippsThreshold_64fc(const Ipp64fc* Src, Ipp64fc* Dst, int Len, Ipp64f Level,
                                   IppCmpOp RelOp)
{
  return ThresholdCx(Src, Dst, Len, Level, RelOp, false);
}

IppStatus LibC::ippsNormalize_64fc(const Ipp64fc* Src, Ipp64fc* Dst, int Len, Ipp64fc VSub,
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
    Dst[I] = Round({(Extended(Src[I].re) - VSub.re) * Recip, (Extended(Src[I].im) - VSub.im) * Recip});
  return ippStsNoErr;
}

// --- Norm ---------------------------------------------------------------------------------------

IppStatus LibC::ippsNorm_L2_64fc64f(const Ipp64fc* Src, int Len, Ipp64f* Norm)
{
  if (!Src || !Norm)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  Extended S = 0;
  for (int I = 0; I < Len; ++I)
    S += Norm2(Ext(Src[I]));
  *Norm = static_cast<double>(std::sqrt(S));
  return ippStsNoErr;
}
