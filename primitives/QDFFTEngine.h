//===- primitives/QDFFTEngine.h - The built-in fast Fourier transform -*- C++ -*-===//
///
/// \file
/// The transforms behind the FFT entries of the dispatch table, also called
/// directly by correlation and convolution. Sizes are powers of two, N = 2^Order.
///
/// A plan (`IppsFFTSpec_C_64fc`, `IppsFFTSpec_R_64f`) holds size, normalisation
/// and every twiddle factor, computed once by InitAlloc in one 32-byte aligned
/// block, and the kernels for the widest instruction set asked for and
/// supported (AVX2 with FMA, else SSE2; an AVX-512 host gets the AVX2 ones).
/// Running a plan only reads it, so one plan may serve several threads at once,
/// and needs no work memory. A plan of 2^16 points costs a little less than one
/// transform of that size.
///
/// Conventions, those of the IPP 5.1 entries:
/// - forward: X[k] = sum_n x[n] e^(-2 pi i k n / N); inverse with e^(+...).
/// - Flag: IPP_FFT_DIV_FWD_BY_N (forward scaled by 1/N), IPP_FFT_DIV_INV_BY_N
///   (inverse by 1/N), IPP_FFT_DIV_BY_SQRTN (both by 1/sqrt N), IPP_FFT_NODIV_BY_ANY.
/// - The real transform writes CCS: N/2 + 1 complex values X[0] .. X[N/2], real
///   part first, N + 2 doubles (2 for N = 1; the imaginary parts of X[0] and
///   X[N/2] are 0, and the inverse ignores them).
/// - Source and destination may be the same vector.
/// - Statuses: a null pointer ippStsNullPtrErr; Order outside 0 .. MaxOrder
///   ippStsFftOrderErr; another Flag ippStsFftFlagErr; no memory for the plan
///   ippStsMemAllocErr; a plan that is not one of ours (or already freed)
///   ippStsContextMatchErr. Pointers are tested first.
///
/// Usage:
/// \code
///   QDFFT::TComplexSpec Plan;
///   if (IppStatus S = QDFFT::InitAlloc(Plan, 10, IPP_FFT_DIV_INV_BY_N); S != ippStsNoErr)
///     return S;
///   QDFFT::FwdCToC(Src, Dst, Plan.get());
/// \endcode
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/IppDefs.h"
#include "primitives/LibCDispatcher.h"

#include <memory>

namespace QDFFT {

/// Largest order of either transform: the real one of 2^27 still has its
/// N + 2 doubles countable in an int.
inline constexpr int MaxOrder = 27;

/// Creates a complex plan of 2^AOrder points. AIsa limits the kernels (tests
/// run each set); the entries pass the host's widest. On failure *ASpec is
/// left alone.
IppStatus InitAllocC(IppsFFTSpec_C_64fc** ASpec, int AOrder, int AFlag,
                     LibC::TIsa AIsa = LibC::HostIsa()) noexcept;
/// A real plan of 2^AOrder points, as InitAllocC.
IppStatus InitAllocR(IppsFFTSpec_R_64f** ASpec, int AOrder, int AFlag,
                     LibC::TIsa AIsa = LibC::HostIsa()) noexcept;

/// Releases a plan of InitAllocC / InitAllocR.
IppStatus Free(IppsFFTSpec_C_64fc* ASpec) noexcept;
IppStatus Free(IppsFFTSpec_R_64f* ASpec) noexcept;

/// Complex transforms: N values from ASrc to ADst.
IppStatus FwdCToC(const Ipp64fc* ASrc, Ipp64fc* ADst, const IppsFFTSpec_C_64fc* ASpec) noexcept;
IppStatus InvCToC(const Ipp64fc* ASrc, Ipp64fc* ADst, const IppsFFTSpec_C_64fc* ASpec) noexcept;

/// Real transforms: N reals to N + 2 doubles of CCS, and back.
IppStatus FwdRToCCS(const Ipp64f* ASrc, Ipp64f* ADst, const IppsFFTSpec_R_64f* ASpec) noexcept;
IppStatus InvCCSToR(const Ipp64f* ASrc, Ipp64f* ADst, const IppsFFTSpec_R_64f* ASpec) noexcept;

/// Expands in place a CCS spectrum (the first ALenDst / 2 + 1 complex values
/// of ASrcDst) to the full conjugate-symmetric spectrum of ALenDst values:
/// X[k] = conj(X[ALenDst - k]) for k above ALenDst / 2. Any length above 0;
/// below 1 ippStsSizeErr.
IppStatus ConjCcs(Ipp64fc* ASrcDst, int ALenDst) noexcept;

/// Owners of plans, so that every return path frees them.
struct TSpecFree
{
  void operator()(IppsFFTSpec_C_64fc* ASpec) const noexcept { Free(ASpec); }
  void operator()(IppsFFTSpec_R_64f* ASpec) const noexcept { Free(ASpec); }
};
using TComplexSpec = std::unique_ptr<IppsFFTSpec_C_64fc, TSpecFree>;
using TRealSpec = std::unique_ptr<IppsFFTSpec_R_64f, TSpecFree>;

/// InitAllocC / InitAllocR into an owner; AOwner is reset only on success.
IppStatus InitAlloc(TComplexSpec& AOwner, int AOrder, int AFlag,
                    LibC::TIsa AIsa = LibC::HostIsa()) noexcept;
IppStatus InitAlloc(TRealSpec& AOwner, int AOrder, int AFlag,
                    LibC::TIsa AIsa = LibC::HostIsa()) noexcept;

/// The instruction set whose kernels a plan runs (for tests and benchmarks).
LibC::TIsa KernelIsa(const IppsFFTSpec_C_64fc* ASpec) noexcept;
LibC::TIsa KernelIsa(const IppsFFTSpec_R_64f* ASpec) noexcept;

} // namespace QDFFT
