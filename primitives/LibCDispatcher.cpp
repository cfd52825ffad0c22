#include "primitives/LibCDispatcher.h"

#include <cassert>

// The processor kind is unknown without the core library.
IppCpuType LibC::ippGetCpuType()
{
  return ippCpuUnknown;
}

namespace {
// -2147483648 / -1 does not fit: it saturates instead of trapping.
inline Ipp32s DivTruncated(Ipp32s A, Ipp32s B) noexcept
{
  if (B == -1)
    return A == -2147483647 - 1 ? 2147483647 : -A;
  return A / B;
}
} // namespace

void DivCInt32_I(Ipp32s Val, Ipp32s* SrcDst, int Len) noexcept
{
  assert(Val != 0 && "the caller never divides by zero");
  for (int I = 0; I < Len; ++I)
    SrcDst[I] = DivTruncated(SrcDst[I], Val);
}

void DivCInt32(const Ipp32s* Src, Ipp32s Val, Ipp32s* Dst, int Len) noexcept
{
  assert(Val != 0 && "the caller never divides by zero");
  for (int I = 0; I < Len; ++I)
    Dst[I] = DivTruncated(Src[I], Val);
}
