// Built-ins of the image entries other than resize: mirror, copies, fill,
// alpha composition and the linear lookup table. Images are rows of pixels a
// step of bytes apart; every entry checks its pointers, then the region size,
// then the steps, then its other arguments.
#include "primitives/LibCDispatcher.h"

#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

namespace {

IppStatus CheckImage(const void* Src, int SrcStep, const void* Dst, int DstStep, IppiSize RoiSize)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (RoiSize.width < 1 || RoiSize.height < 1)
    return ippStsSizeErr;
  if (SrcStep < 1 || DstStep < 1)
    return ippStsStepErr;
  return ippStsNoErr;
}

template <class T>
T* Row(T* AImage, int AStep, int ARow)
{
  using TByte = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
  return reinterpret_cast<T*>(reinterpret_cast<TByte*>(AImage) + std::ptrdiff_t(AStep) * ARow);
}

IppStatus CopyRows(const void* Src, int SrcStep, void* Dst, int DstStep, IppiSize RoiSize,
                   std::size_t APixelSize)
{
  if (IppStatus S = CheckImage(Src, SrcStep, Dst, DstStep, RoiSize))
    return S;
  const std::size_t Bytes = std::size_t(RoiSize.width) * APixelSize;
  for (int Y = 0; Y < RoiSize.height; ++Y)
    std::memcpy(Row(static_cast<unsigned char*>(Dst), DstStep, Y),
                Row(static_cast<const unsigned char*>(Src), SrcStep, Y), Bytes);
  return ippStsNoErr;
}

} // namespace

IppStatus LibC::ippiSet_8u_C4R(const Ipp8u Value[4], Ipp8u* Dst, int DstStep, IppiSize RoiSize)
{
  if (!Value || !Dst)
    return ippStsNullPtrErr;
  if (RoiSize.width < 1 || RoiSize.height < 1)
    return ippStsSizeErr;
  if (DstStep < 1)
    return ippStsStepErr;
  const Ipp8u Pixel[4] = {Value[0], Value[1], Value[2], Value[3]};
  for (int Y = 0; Y < RoiSize.height; ++Y) {
    Ipp8u* P = Row(Dst, DstStep, Y);
    for (int X = 0; X < RoiSize.width; ++X)
      std::memcpy(P + 4 * std::ptrdiff_t(X), Pixel, 4);
  }
  return ippStsNoErr;
}

IppStatus LibC::ippiCopy_8u_C4R(const Ipp8u* Src, int SrcStep, Ipp8u* Dst, int DstStep,
                                IppiSize RoiSize)
{
  return CopyRows(Src, SrcStep, Dst, DstStep, RoiSize, 4);
}

IppStatus LibC::ippiCopy_32s_C1R(const Ipp32s* Src, int SrcStep, Ipp32s* Dst, int DstStep,
                                 IppiSize RoiSize)
{
  return CopyRows(Src, SrcStep, Dst, DstStep, RoiSize, sizeof(Ipp32s));
}

// Horizontal axis: rows change places top to bottom; vertical axis: pixels
// change places left to right within each row; both: the two together.
IppStatus LibC::ippiMirror_8u_C3IR(Ipp8u* SrcDst, int SrcDstStep, IppiSize RoiSize, IppiAxis Flip)
{
  if (IppStatus S = CheckImage(SrcDst, SrcDstStep, SrcDst, SrcDstStep, RoiSize))
    return S;
  if (Flip != ippAxsHorizontal && Flip != ippAxsVertical && Flip != ippAxsBoth)
    return ippStsMirrorFlipErr;
  const int W = RoiSize.width, H = RoiSize.height;
  if (Flip != ippAxsVertical)
    for (int Y = 0; Y < H / 2; ++Y)
      std::swap_ranges(Row(SrcDst, SrcDstStep, Y), Row(SrcDst, SrcDstStep, Y) + 3 * std::ptrdiff_t(W),
                       Row(SrcDst, SrcDstStep, H - 1 - Y));
  if (Flip != ippAxsHorizontal)
    for (int Y = 0; Y < H; ++Y) {
      Ipp8u* P = Row(SrcDst, SrcDstStep, Y);
      for (int X = 0; X < W / 2; ++X)
        std::swap_ranges(P + 3 * std::ptrdiff_t(X), P + 3 * std::ptrdiff_t(X) + 3,
                         P + 3 * std::ptrdiff_t(W - 1 - X));
    }
  return ippStsNoErr;
}

// Porter-Duff composition of A over, in, out, atop, xor or plus B, with
// alpha in the fourth channel (0..255 standing for 0..1). Every colour and the
// alpha come out as F_A a' + F_B b', where a' and b' are the colours times
// their alpha (already so in the premultiplied kinds); rounded, at most 255.
IppStatus LibC::ippiAlphaComp_8u_AC4R(const Ipp8u* Src1, int Src1Step, const Ipp8u* Src2,
                                      int Src2Step, Ipp8u* Dst, int DstStep, IppiSize RoiSize,
                                      IppiAlphaType AlphaType)
{
  if (!Src1 || !Src2 || !Dst)
    return ippStsNullPtrErr;
  if (RoiSize.width < 1 || RoiSize.height < 1)
    return ippStsSizeErr;
  if (Src1Step < 1 || Src2Step < 1 || DstStep < 1)
    return ippStsStepErr;
  if (AlphaType < ippAlphaOver || AlphaType > ippAlphaPlusPremul)
    return ippStsBadArgErr;
  const bool Premultiplied = AlphaType >= ippAlphaOverPremul;
  const int Kind = Premultiplied ? AlphaType - ippAlphaOverPremul : AlphaType;
  for (int Y = 0; Y < RoiSize.height; ++Y) {
    const Ipp8u* A = Row(Src1, Src1Step, Y);
    const Ipp8u* B = Row(Src2, Src2Step, Y);
    Ipp8u* D = Row(Dst, DstStep, Y);
    for (int X = 0; X < RoiSize.width; ++X, A += 4, B += 4, D += 4) {
      const double AlphaA = A[3] / 255.0, AlphaB = B[3] / 255.0;
      double FA = 1, FB = 0;
      switch (Kind) {
      case ippAlphaOver: FB = 1 - AlphaA; break;
      case ippAlphaIn: FA = AlphaB; break;
      case ippAlphaOut: FA = 1 - AlphaB; break;
      case ippAlphaATop: FA = AlphaB; FB = 1 - AlphaA; break;
      case ippAlphaXor: FA = 1 - AlphaB; FB = 1 - AlphaA; break;
      default: FB = 1; break; // plus
      }
      const double WA = Premultiplied ? FA : FA * AlphaA, WB = Premultiplied ? FB : FB * AlphaB;
      for (int C = 0; C < 3; ++C) {
        const double V = std::nearbyint(WA * A[C] + WB * B[C]);
        D[C] = static_cast<Ipp8u>(V > 255 ? 255 : V);
      }
      const double Alpha = std::nearbyint(255 * (FA * AlphaA + FB * AlphaB));
      D[3] = static_cast<Ipp8u>(Alpha > 255 ? 255 : Alpha);
    }
  }
  return ippStsNoErr;
}

// Each channel c maps a value v with Levels[c][k] <= v < Levels[c][k + 1] to
// the straight line between Values[c][k] and Values[c][k + 1] (truncated
// toward zero, limited to 0..255); values outside the levels stay.
IppStatus LibC::ippiLUT_Linear_8u_C4R(const Ipp8u* Src, int SrcStep, Ipp8u* Dst, int DstStep,
                                      IppiSize RoiSize, const Ipp32s* Values[4],
                                      const Ipp32s* Levels[4], int NLevels[4])
{
  if (!Src || !Dst || !Values || !Levels || !NLevels)
    return ippStsNullPtrErr;
  for (int C = 0; C < 4; ++C)
    if (!Values[C] || !Levels[C])
      return ippStsNullPtrErr;
  if (IppStatus S = CheckImage(Src, SrcStep, Dst, DstStep, RoiSize))
    return S;
  for (int C = 0; C < 4; ++C)
    if (NLevels[C] < 2)
      return ippStsLUTNofLevelsErr;
  Ipp8u Table[4][256];
  for (int C = 0; C < 4; ++C)
    for (int V = 0; V < 256; ++V) {
      Table[C][V] = static_cast<Ipp8u>(V);
      for (int K = 0; K + 1 < NLevels[C]; ++K) {
        const long long L0 = Levels[C][K], L1 = Levels[C][K + 1];
        if (V >= L0 && V < L1) {
          const long long Out = Values[C][K] + (V - L0) * (Values[C][K + 1] - Values[C][K]) / (L1 - L0);
          Table[C][V] = static_cast<Ipp8u>(Out < 0 ? 0 : (Out > 255 ? 255 : Out));
          break;
        }
      }
    }
  for (int Y = 0; Y < RoiSize.height; ++Y) {
    const Ipp8u* S = Row(Src, SrcStep, Y);
    Ipp8u* D = Row(Dst, DstStep, Y);
    for (int X = 0; X < 4 * RoiSize.width; ++X)
      D[X] = Table[X % 4][S[X]];
  }
  return ippStsNoErr;
}
