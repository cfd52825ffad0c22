//===- primitives/QDScopeDispatcher.h - The main group of dispatch entries -*- C++ -*-===//
///
/// \file
/// The main group: 174 entries, the ones the buffers call among them,
/// each a global function pointer named after its IPP 5.1 function. The six
/// `ippi` entries and `ippsSVD_64f_D2L` are looked up in the image libraries,
/// all others in the signal library; an entry the libraries do not have gets
/// its built-in (LibCDispatcher.h), chosen once for this processor.
///
/// Start-up fills the group after the resize and nine-entry groups and before
/// any buffer exists (the storage pool starts it). Until then every entry holds
/// a trampoline that runs this start-up first (DispatchEntry.h), so a program
/// may call an entry before it creates any buffer.
///
/// `ippsSVD_64f_D2L` has no built-in: without an image library exporting it,
/// it is null after start-up. Nothing in the libraries calls it. The entries
/// of the correlation, convolution and FFT are filled the same way until their
/// built-ins exist (the list in QDScopeDispatcher.cpp).
///
/// Thread safety: the entries are written only by start-up and shutdown; any
/// thread may call through them in between.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/DispatchEntry.h"
#include "primitives/IppPrototypes.h"

/// The main group in lookup order.
#define QD_SCOPE_ENTRIES(X) \
  X(ippsSub_32f_I) X(ippsMulC_32f_I) X(ippsMul_32f_I) X(ippsConjCcs_64fc_I)                 \
  X(ippsFFTFree_C_64fc) X(ippsFFTFree_R_64f) X(ippsFFTFwd_RToCCS_64f)                       \
  X(ippsFFTInitAlloc_C_64fc) X(ippsFFTInitAlloc_R_64f) X(ippsFFTInv_CCSToR_64f)             \
  X(ippsFFTInv_CToC_64fc) X(ippsFFTFwd_CToC_64fc) X(ippsWinBartlett_64fc_I)                 \
  X(ippsWinBlackman_64fc_I) X(ippsWinHamming_64fc_I) X(ippsWinHann_64fc_I)                  \
  X(ippsWinKaiser_64fc_I) X(ippsConv_64f) X(ippsNormDiff_L1_64f) X(ippsNormDiff_L2_64f)     \
  X(ippsNormDiff_Inf_64f) X(ippsMean_64f) X(ippsMean_32f) X(ippsStdDev_64f)                 \
  X(ippsMinIndx_64f) X(ippsMaxIndx_64f) X(ippsAutoCorr_NormA_64f) X(ippsAutoCorr_NormB_64f) \
  X(ippsCrossCorr_64f) X(ippsNormalize_32f) X(ippsNormalize_64f) X(ippsDotProd_64f)         \
  X(ippsThreshold_32f_I) X(ippsThreshold_64f_I) X(ippsThreshold_64f) X(ippsAbs_64f_I)       \
  X(ippsAbs_64f) X(ippsSqr_64f_I) X(ippsSqr_64f) X(ippsSqrt_64f_I) X(ippsSqrt_64f)          \
  X(ippsExp_64f_I) X(ippsExp_64f) X(ippsLn_64f_I) X(ippsLn_64f) X(ippsConvert_16s64f_Sfs)   \
  X(ippsAndC_32u_I) X(ippsOrC_32u_I) X(ippsOr_32u_I) X(ippsXorC_32u_I) X(ippsXor_32u_I)     \
  X(ippsAnd_32u_I) X(ippsDotProd_32s_Sfs) X(ippsPowerSpectr_64fc) X(ippsPhase_64fc)         \
  X(ippsMagnitude_64fc) X(ippsSqr_64fc) X(ippsSqrt_64fc_I) X(ippsSqrt_64fc)                 \
  X(ippsSqr_64fc_I) X(ippsAutoCorr_64fc) X(ippsAutoCorr_NormA_64fc)                         \
  X(ippsAutoCorr_NormB_64fc) X(ippsCrossCorr_64fc) X(ippsThreshold_64fc)                    \
  X(ippsThreshold_64fc_I) X(ippsDotProd_64fc) X(ippsNormalize_64fc) X(ippsDivC_64fc_I)      \
  X(ippsMulC_64fc_I) X(ippsSubC_64fc_I) X(ippsAddC_64fc_I) X(ippsRealToCplx_64f)            \
  X(ippsRealToCplx_32f) X(ippsSubC_32s_ISfs) X(ippsAddC_32s_ISfs) X(ippsAddC_32s_Sfs)       \
  X(ippsAddC_64f) X(ippsSubC_64f) X(ippsSubC_64f_I) X(ippsMulC_64f) X(ippsDivC_64f)         \
  X(ippsAddC_64f_I) X(ippsAddC_64fc) X(ippsAndC_32u) X(ippsAdd_32s_ISfs)                    \
  X(ippsMulC_32s_ISfs) X(ippsAdd_64f) X(ippsAdd_64f_I) X(ippsAdd_64fc) X(ippsAdd_64fc_I)    \
  X(ippsAdd_8u_ISfs) X(ippsConvert_32f64f) X(ippsCopy_32f) X(ippsCopy_64f) X(ippsMove_64f)  \
  X(ippsCopy_8u) X(ippsDiv_32s_ISfs) X(ippsDiv_64f_I) X(ippsDiv_64fc_I) X(ippsDivC_64f_I)   \
  X(ippsMax_64f) X(ippsMin_64f) X(ippsMul_32s_ISfs) X(ippsMul_64f_I) X(ippsMul_64f)         \
  X(ippsMul_32f) X(ippsMul_64fc_I) X(ippsMul_8u_ISfs) X(ippsMulC_64f_I) X(ippsSet_32s)      \
  X(ippsSet_64f) X(ippsSet_32f) X(ippsSet_64fc) X(ippsSet_8u) X(ippsSub_32s_ISfs)           \
  X(ippsSub_64f_I) X(ippsSub_64fc_I) X(ippsSub_8u_ISfs) X(ippsSum_64f)                      \
  X(ippsVectorJaehne_64f) X(ippsWinBartlett_64f_I) X(ippsWinBartlett_64f)                   \
  X(ippsWinBlackman_64f_I) X(ippsWinBlackman_64f) X(ippsWinHamming_64f_I)                   \
  X(ippsWinHamming_64f) X(ippsWinHann_64f_I) X(ippsWinHann_64f) X(ippsWinKaiser_64f_I)      \
  X(ippsWinKaiser_64f) X(ippsZero_16s) X(ippsZero_32s) X(ippsZero_64f) X(ippsZero_32f)      \
  X(ippsZero_64fc) X(ippsZero_8u) X(ippsSubC_32s_Sfs) X(ippsSubC_64fc)                      \
  X(ippsSubCRev_32s_Sfs) X(ippsSubCRev_64f) X(ippsSubCRev_64fc) X(ippsDivC_64fc)            \
  X(ippsMulC_64fc) X(ippsMulC_32s_Sfs) X(ippsOrC_32u) X(ippsXorC_32u) X(ippsLShiftC_32s)    \
  X(ippsRShiftC_32s) X(ippsLShiftC_32s_I) X(ippsRShiftC_32s_I) X(ippsConvert_64f32f)        \
  X(ippsConvert_64f32s_Sfs) X(ippsConvert_32s64f) X(ippiMirror_8u_C3IR) X(ippsReal_64fc)    \
  X(ippsImag_64fc) X(ippsConvert_32f32s_Sfs) X(ippsConvert_32s32f) X(ippsSwapBytes_16u)     \
  X(ippsSwapBytes_24u) X(ippsSwapBytes_32u) X(ippsSwapBytes_32u_I) X(ippsAutoCorr_64f)      \
  X(ippiCopy_32s_C1R) X(ippsFIR_64f) X(ippsFIRFree_64f) X(ippsFIRInitAlloc_64f)             \
  X(ippiAlphaComp_8u_AC4R) X(ippiCopy_8u_C4R) X(ippiSet_8u_C4R) X(ippiLUT_Linear_8u_C4R)    \
  X(ippsRandUniform_Direct_64f) X(ippsSVD_64f_D2L)                                         

QD_SCOPE_ENTRIES(QD_DECLARE_ENTRY)

/// Starts both loaders and fills the group; counted like every module start.
void QDScopeDispatcherStart();
/// Resets the entries to their trampolines and stops the loaders.
void QDScopeDispatcherStop();
