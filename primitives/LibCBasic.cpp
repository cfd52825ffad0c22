// Built-ins of the nine-entry group. They are functions of their own, apart
// from the main group's built-ins of the same names, so that the two groups'
// entries stay distinguishable; where the names agree they compute the same.
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <cstring>

using namespace LibC;

IppStatus LibC::Basic::ippiSet_8u_C4R(const Ipp8u Value[4], Ipp8u* Dst, int DstStep,
                                      IppiSize RoiSize)
{
  return LibC::ippiSet_8u_C4R(Value, Dst, DstStep, RoiSize);
}

IppStatus LibC::Basic::ippsConvert_64f32f(const Ipp64f* Src, Ipp32f* Dst, int Len)
{
  return LibC::ippsConvert_64f32f(Src, Dst, Len);
}

IppStatus LibC::Basic::ippsConvert_64f32s_Sfs(const Ipp64f* Src, Ipp32s* Dst, int Len,
                                              IppRoundMode RndMode, int ScaleFactor)
{
  return LibC::ippsConvert_64f32s_Sfs(Src, Dst, Len, RndMode, ScaleFactor);
}

// The ranges may overlap.
IppStatus LibC::Basic::ippsMove_8u(const Ipp8u* Src, Ipp8u* Dst, int Len)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  std::memmove(Dst, Src, std::size_t(Len));
  return ippStsNoErr;
}

// SrcDst[i] = Val - SrcDst[i], scaled and saturated as every 32-bit result;
// the reverse subtraction through the out-of-place built-in in place.
IppStatus LibC::Basic::ippsSubCRev_32s_ISfs(Ipp32s Val, Ipp32s* SrcDst, int Len, int ScaleFactor)
{
  return LibC::ippsSubCRev_32s_Sfs(SrcDst, Val, SrcDst, Len, ScaleFactor);
}

IppStatus LibC::Basic::ippsSubCRev_64f_I(Ipp64f Val, Ipp64f* SrcDst, int Len)
{
  return LibC::ippsSubCRev_64f(SrcDst, Val, SrcDst, Len);
}

IppStatus LibC::Basic::ippsSubCRev_32f_I(Ipp32f Val, Ipp32f* SrcDst, int Len)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = Val - SrcDst[I];
  return ippStsNoErr;
}

IppStatus LibC::Basic::ippsThreshold_LT_32s_I(Ipp32s* SrcDst, int Len, Ipp32s Level)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    if (SrcDst[I] < Level)
      SrcDst[I] = Level;
  return ippStsNoErr;
}

IppStatus LibC::Basic::ippsThreshold_GT_32s_I(Ipp32s* SrcDst, int Len, Ipp32s Level)
{
  if (!SrcDst)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  for (int I = 0; I < Len; ++I)
    if (SrcDst[I] > Level)
      SrcDst[I] = Level;
  return ippStsNoErr;
}
