// Built-ins of the integer entries: 32-bit arithmetic with scaling and
// saturation, bit operations and shifts on 32-bit words, and the 8-bit
// arithmetic. The exact result of each element is formed first (sums,
// differences and products as 64-bit integers, the quotient at extended
// precision) and then scaled by 2^-ScaleFactor, rounded to nearest with ties
// to even, and saturated.
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <cmath>
#include <cstring>

using namespace LibC;

namespace {

constexpr Ipp64s Int32Min = -2147483647 - 1;
constexpr Ipp64s Int32Max = 2147483647;

inline Ipp64s Clamp(Ipp64s V, Ipp64s ALo, Ipp64s AHi) { return V < ALo ? ALo : (V > AHi ? AHi : V); }

// R (|R| <= 2^62) times 2^-ScaleFactor, ties to even, saturated to ALo..AHi.
// Every shortcut (a scale wider than the result gives 0, a large negative one
// saturates) falls out of the exact arithmetic.
Ipp64s Scale(Ipp64s R, int ScaleFactor, Ipp64s ALo, Ipp64s AHi)
{
  if (ScaleFactor == 0)
    return Clamp(R, ALo, AHi);
  if (ScaleFactor > 0) {
    if (ScaleFactor > 62)
      return 0; // |R| / 2^63 <= 1/2, which rounds to the even 0
    const Ipp64s Half = Ipp64s(1) << (ScaleFactor - 1);
    return Clamp((R + Half - 1 + ((R >> ScaleFactor) & 1)) >> ScaleFactor, ALo, AHi);
  }
  if (R == 0)
    return 0;
  if (ScaleFactor < -62)
    return R > 0 ? AHi : ALo;
  const __int128 V = static_cast<__int128>(R) * (static_cast<__int128>(1) << -ScaleFactor);
  return V < ALo ? ALo : (V > AHi ? AHi : static_cast<Ipp64s>(V));
}

inline Ipp32s Scale32(Ipp64s R, int ScaleFactor)
{
  return static_cast<Ipp32s>(Scale(R, ScaleFactor, Int32Min, Int32Max));
}

inline Ipp8u Scale8(Ipp64s R, int ScaleFactor)
{
  return static_cast<Ipp8u>(Scale(R, ScaleFactor, 0, 255));
}

// The quotient scaled, then rounded and saturated like the integer results.
Ipp32s ScaleQuotient(Ipp32s A, Ipp32s B, int ScaleFactor)
{
  if (A == 0 || ScaleFactor > 32)
    return 0; // |A / B| / 2^33 stays below 1/2
  const Extended Q = Extended(A) / B;
  if (ScaleFactor < -62)
    return Q > 0 ? Ipp32s(Int32Max) : Ipp32s(Int32Min);
  return ToInt32Saturated(std::ldexp(Q, -ScaleFactor), true);
}

template <class TOp>
IppStatus BinaryInPlace32(const Ipp32s* Src, Ipp32s* SrcDst, int Len, int ScaleFactor, TOp AOp)
{
  if (!Src || !SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = Scale32(AOp(Ipp64s(SrcDst[I]), Ipp64s(Src[I])), ScaleFactor);
  return ippStsNoErr;
}

template <class TOp>
IppStatus ConstInPlace32(Ipp32s* SrcDst, int Len, int ScaleFactor, TOp AOp)
{
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = Scale32(AOp(Ipp64s(SrcDst[I])), ScaleFactor);
  return ippStsNoErr;
}

template <class TOp>
IppStatus Const32(const Ipp32s* Src, Ipp32s* Dst, int Len, int ScaleFactor, TOp AOp)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = Scale32(AOp(Ipp64s(Src[I])), ScaleFactor);
  return ippStsNoErr;
}

template <class TOp>
IppStatus BinaryInPlace8(const Ipp8u* Src, Ipp8u* SrcDst, int Len, int ScaleFactor, TOp AOp)
{
  if (!Src || !SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = Scale8(AOp(Ipp64s(SrcDst[I]), Ipp64s(Src[I])), ScaleFactor);
  return ippStsNoErr;
}

template <class TOp>
IppStatus Bits(const Ipp32u* Src, Ipp32u* Dst, int Len, TOp AOp)
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
IppStatus BitsInPlace(const Ipp32u* Src, Ipp32u* SrcDst, int Len, TOp AOp)
{
  if (!Src || !SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = AOp(SrcDst[I], Src[I]);
  return ippStsNoErr;
}

// Shifts of more than 31 bits leave nothing (left) or the sign (right).
inline Ipp32s ShiftLeft(Ipp32s X, int Val)
{
  return Val > 31 ? 0 : static_cast<Ipp32s>(static_cast<Ipp32u>(X) << Val);
}
inline Ipp32s ShiftRight(Ipp32s X, int Val) { return X >> (Val > 31 ? 31 : Val); }

} // namespace

// --- 32-bit arithmetic ---------------------------------------------------------------

IppStatus LibC::ippsAdd_32s_ISfs(const Ipp32s* Src, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  return BinaryInPlace32(Src, SrcDst, Len, ScaleFactor, [](Ipp64s D, Ipp64s S) { return D + S; });
}

IppStatus LibC::ippsSub_32s_ISfs(const Ipp32s* Src, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  return BinaryInPlace32(Src, SrcDst, Len, ScaleFactor, [](Ipp64s D, Ipp64s S) { return D - S; });
}

IppStatus LibC::ippsMul_32s_ISfs(const Ipp32s* Src, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  return BinaryInPlace32(Src, SrcDst, Len, ScaleFactor, [](Ipp64s D, Ipp64s S) { return D * S; });
}

// A zero divisor gives 0, the largest or the smallest value by the dividend's
// sign, and the warning.
IppStatus LibC::ippsDiv_32s_ISfs(const Ipp32s* Src, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  if (!Src || !SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  IppStatus Status = ippStsNoErr;
  for (int I = 0; I < Len; ++I) {
    const Ipp32s D = SrcDst[I], S = Src[I];
    if (S == 0) {
      SrcDst[I] = D == 0 ? 0 : (D > 0 ? Ipp32s(Int32Max) : Ipp32s(Int32Min));
      Status = ippStsDivByZero;
    } else {
      SrcDst[I] = ScaleQuotient(D, S, ScaleFactor);
    }
  }
  return Status;
}

IppStatus LibC::ippsAddC_32s_ISfs(Ipp32s Val, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Val == 0 && ScaleFactor == 0)
    return ippStsNoErr;
  return ConstInPlace32(SrcDst, Len, ScaleFactor, [Val](Ipp64s D) { return D + Val; });
}

IppStatus LibC::ippsSubC_32s_ISfs(Ipp32s Val, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Val == 0 && ScaleFactor == 0)
    return ippStsNoErr;
  return ConstInPlace32(SrcDst, Len, ScaleFactor, [Val](Ipp64s D) { return D - Val; });
}

IppStatus LibC::ippsMulC_32s_ISfs(Ipp32s Val, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Val == 1 && ScaleFactor == 0)
    return ippStsNoErr;
  if (Val == 0) {
    std::memset(SrcDst, 0, std::size_t(Len) * sizeof(Ipp32s));
    return ippStsNoErr;
  }
  return ConstInPlace32(SrcDst, Len, ScaleFactor, [Val](Ipp64s D) { return D * Val; });
}

IppStatus LibC::ippsAddC_32s_Sfs(const Ipp32s* Src, Ipp32s Val, Ipp32s* Dst, int Len, int ScaleFactor)
{
  return Const32(Src, Dst, Len, ScaleFactor, [Val](Ipp64s S) { return S + Val; });
}

IppStatus LibC::ippsSubC_32s_Sfs(const Ipp32s* Src, Ipp32s Val, Ipp32s* Dst, int Len, int ScaleFactor)
{
  return Const32(Src, Dst, Len, ScaleFactor, [Val](Ipp64s S) { return S - Val; });
}

IppStatus LibC::ippsSubCRev_32s_Sfs(const Ipp32s* Src, Ipp32s Val, Ipp32s* Dst, int Len,
                                    int ScaleFactor)
{
  return Const32(Src, Dst, Len, ScaleFactor, [Val](Ipp64s S) { return Val - S; });
}

IppStatus LibC::ippsMulC_32s_Sfs(const Ipp32s* Src, Ipp32s Val, Ipp32s* Dst, int Len, int ScaleFactor)
{
  return Const32(Src, Dst, Len, ScaleFactor, [Val](Ipp64s S) { return S * Val; });
}

// --- Bit operations and shifts -------------------------------------------------------------

IppStatus LibC::ippsAnd_32u_I(const Ipp32u* Src, Ipp32u* SrcDst, int Len)
{
  return BitsInPlace(Src, SrcDst, Len, [](Ipp32u D, Ipp32u S) { return D & S; });
}

IppStatus LibC::ippsOr_32u_I(const Ipp32u* Src, Ipp32u* SrcDst, int Len)
{
  return BitsInPlace(Src, SrcDst, Len, [](Ipp32u D, Ipp32u S) { return D | S; });
}

IppStatus LibC::ippsXor_32u_I(const Ipp32u* Src, Ipp32u* SrcDst, int Len)
{
  return BitsInPlace(Src, SrcDst, Len, [](Ipp32u D, Ipp32u S) { return D ^ S; });
}

IppStatus LibC::ippsAndC_32u_I(Ipp32u Val, Ipp32u* SrcDst, int Len)
{
  return Bits(SrcDst, SrcDst, Len, [Val](Ipp32u D) { return D & Val; });
}

// A zero constant changes nothing, so the vector is not touched.
IppStatus LibC::ippsOrC_32u_I(Ipp32u Val, Ipp32u* SrcDst, int Len)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Val == 0)
    return ippStsNoErr;
  return Bits(SrcDst, SrcDst, Len, [Val](Ipp32u D) { return D | Val; });
}

IppStatus LibC::ippsXorC_32u_I(Ipp32u Val, Ipp32u* SrcDst, int Len)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Val == 0)
    return ippStsNoErr;
  return Bits(SrcDst, SrcDst, Len, [Val](Ipp32u D) { return D ^ Val; });
}

IppStatus LibC::ippsAndC_32u(const Ipp32u* Src, Ipp32u Val, Ipp32u* Dst, int Len)
{
  return Bits(Src, Dst, Len, [Val](Ipp32u S) { return S & Val; });
}

IppStatus LibC::ippsOrC_32u(const Ipp32u* Src, Ipp32u Val, Ipp32u* Dst, int Len)
{
  return Bits(Src, Dst, Len, [Val](Ipp32u S) { return S | Val; });
}

IppStatus LibC::ippsXorC_32u(const Ipp32u* Src, Ipp32u Val, Ipp32u* Dst, int Len)
{
  return Bits(Src, Dst, Len, [Val](Ipp32u S) { return S ^ Val; });
}

IppStatus LibC::ippsLShiftC_32s_I(int Val, Ipp32s* SrcDst, int Len)
{
  return ippsLShiftC_32s(SrcDst, Val, SrcDst, Len);
}

IppStatus LibC::ippsRShiftC_32s_I(int Val, Ipp32s* SrcDst, int Len)
{
  return ippsRShiftC_32s(SrcDst, Val, SrcDst, Len);
}

IppStatus LibC::ippsLShiftC_32s(const Ipp32s* Src, int Val, Ipp32s* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Val < 0)
    return ippStsShiftErr;
  if (Val == 0 && Src == Dst)
    return ippStsNoErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = ShiftLeft(Src[I], Val);
  return ippStsNoErr;
}

IppStatus LibC::ippsRShiftC_32s(const Ipp32s* Src, int Val, Ipp32s* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  if (Val < 0)
    return ippStsShiftErr;
  if (Val == 0 && Src == Dst)
    return ippStsNoErr;
  for (int I = 0; I < Len; ++I)
    Dst[I] = ShiftRight(Src[I], Val);
  return ippStsNoErr;
}

// --- 8-bit arithmetic ------------------------------------------------------------------------

IppStatus LibC::ippsAdd_8u_ISfs(const Ipp8u* Src, Ipp8u* SrcDst, int Len, int ScaleFactor)
{
  return BinaryInPlace8(Src, SrcDst, Len, ScaleFactor, [](Ipp64s D, Ipp64s S) { return D + S; });
}

// A negative difference counts as 0 before scaling.
IppStatus LibC::ippsSub_8u_ISfs(const Ipp8u* Src, Ipp8u* SrcDst, int Len, int ScaleFactor)
{
  return BinaryInPlace8(Src, SrcDst, Len, ScaleFactor,
                        [](Ipp64s D, Ipp64s S) { return D > S ? D - S : 0; });
}

IppStatus LibC::ippsMul_8u_ISfs(const Ipp8u* Src, Ipp8u* SrcDst, int Len, int ScaleFactor)
{
  return BinaryInPlace8(Src, SrcDst, Len, ScaleFactor, [](Ipp64s D, Ipp64s S) { return D * S; });
}
