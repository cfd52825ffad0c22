// Built-ins of the FFT entries: the engine of QDFFTEngine.cpp with the kernels
// of the widest instruction set this processor runs. The engine needs no work
// memory, so the Buffer argument is not used (null is fine).
#include "primitives/LibCDispatcher.h"
#include "primitives/QDFFTEngine.h"

IppStatus LibC::ippsFFTInitAlloc_R_64f(IppsFFTSpec_R_64f** FFTSpec, int Order, int Flag,
                                       IppHintAlgorithm)
{
  return QDFFT::InitAllocR(FFTSpec, Order, Flag);
}

IppStatus LibC::ippsFFTInitAlloc_C_64fc(IppsFFTSpec_C_64fc** FFTSpec, int Order, int Flag,
                                        IppHintAlgorithm)
{
  return QDFFT::InitAllocC(FFTSpec, Order, Flag);
}

IppStatus LibC::ippsFFTFree_R_64f(IppsFFTSpec_R_64f* FFTSpec)
{
  return QDFFT::Free(FFTSpec);
}

IppStatus LibC::ippsFFTFree_C_64fc(IppsFFTSpec_C_64fc* FFTSpec)
{
  return QDFFT::Free(FFTSpec);
}

IppStatus LibC::ippsFFTFwd_RToCCS_64f(const Ipp64f* Src, Ipp64f* Dst,
                                      const IppsFFTSpec_R_64f* FFTSpec, Ipp8u*)
{
  return QDFFT::FwdRToCCS(Src, Dst, FFTSpec);
}

IppStatus LibC::ippsFFTInv_CCSToR_64f(const Ipp64f* Src, Ipp64f* Dst,
                                      const IppsFFTSpec_R_64f* FFTSpec, Ipp8u*)
{
  return QDFFT::InvCCSToR(Src, Dst, FFTSpec);
}

IppStatus LibC::ippsFFTFwd_CToC_64fc(const Ipp64fc* Src, Ipp64fc* Dst,
                                     const IppsFFTSpec_C_64fc* FFTSpec, Ipp8u*)
{
  return QDFFT::FwdCToC(Src, Dst, FFTSpec);
}

IppStatus LibC::ippsFFTInv_CToC_64fc(const Ipp64fc* Src, Ipp64fc* Dst,
                                     const IppsFFTSpec_C_64fc* FFTSpec, Ipp8u*)
{
  return QDFFT::InvCToC(Src, Dst, FFTSpec);
}

// A CCS spectrum of LenDst / 2 + 1 values becomes the full one of LenDst.
IppStatus LibC::ippsConjCcs_64fc_I(Ipp64fc* SrcDst, int LenDst)
{
  return QDFFT::ConjCcs(SrcDst, LenDst);
}
