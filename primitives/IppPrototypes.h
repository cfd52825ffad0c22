//===- primitives/IppPrototypes.h - Prototypes of the dispatch entries -*- C++ -*-===//
///
/// \file
/// One function pointer type per dispatch entry, `T<name>`, with the IPP 5.1
/// prototype of the function it is named after: IPP's parameter order, `int`
/// lengths and steps, results as IppStatus. A loaded library's export and the
/// built-in are both called through these types, so a built-in whose
/// parameters differ does not compile where its group is filled.
///
/// Parameter names follow the roles of the primitives: Src/Src1/Src2 are read,
/// Dst is written, SrcDst is read and written, Len counts elements, Val is a
/// constant, ScaleFactor scales an integer result by 2^-ScaleFactor.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "primitives/IppDefs.h"

// --- Core ------------------------------------------------------------------
using TippGetCpuType = IppCpuType (*)();

// --- Image resize and fill -------------------------------------------------
using TippiResize_8u_C1R = IppStatus (*)(const Ipp8u* Src, IppiSize SrcSize, int SrcStep,
                                         IppiRect SrcRoi, Ipp8u* Dst, int DstStep,
                                         IppiSize DstRoiSize, double XFactor, double YFactor,
                                         int Interpolation);
using TippiResize_8u_C3R = TippiResize_8u_C1R;
using TippiResize_8u_C4R = TippiResize_8u_C1R;
using TippiSet_8u_C4R = IppStatus (*)(const Ipp8u Value[4], Ipp8u* Dst, int DstStep,
                                      IppiSize RoiSize);

// --- Other image entries ---------------------------------------------------
using TippiMirror_8u_C3IR = IppStatus (*)(Ipp8u* SrcDst, int SrcDstStep, IppiSize RoiSize,
                                          IppiAxis Flip);
using TippiCopy_32s_C1R = IppStatus (*)(const Ipp32s* Src, int SrcStep, Ipp32s* Dst,
                                        int DstStep, IppiSize RoiSize);
using TippiCopy_8u_C4R = IppStatus (*)(const Ipp8u* Src, int SrcStep, Ipp8u* Dst, int DstStep,
                                       IppiSize RoiSize);
using TippiAlphaComp_8u_AC4R = IppStatus (*)(const Ipp8u* Src1, int Src1Step, const Ipp8u* Src2,
                                             int Src2Step, Ipp8u* Dst, int DstStep,
                                             IppiSize RoiSize, IppiAlphaType AlphaType);
using TippiLUT_Linear_8u_C4R = IppStatus (*)(const Ipp8u* Src, int SrcStep, Ipp8u* Dst,
                                             int DstStep, IppiSize RoiSize,
                                             const Ipp32s* Values[4], const Ipp32s* Levels[4],
                                             int NLevels[4]);

// --- Real arithmetic (64f, 32f) ----------------------------------------------
using TippsAdd_64f_I = IppStatus (*)(const Ipp64f* Src, Ipp64f* SrcDst, int Len);
using TippsSub_64f_I = TippsAdd_64f_I;
using TippsMul_64f_I = TippsAdd_64f_I;
using TippsDiv_64f_I = TippsAdd_64f_I;
using TippsAdd_64f = IppStatus (*)(const Ipp64f* Src1, const Ipp64f* Src2, Ipp64f* Dst, int Len);
using TippsMul_64f = TippsAdd_64f;
using TippsSub_32f_I = IppStatus (*)(const Ipp32f* Src, Ipp32f* SrcDst, int Len);
using TippsMul_32f_I = TippsSub_32f_I;
using TippsMul_32f = IppStatus (*)(const Ipp32f* Src1, const Ipp32f* Src2, Ipp32f* Dst, int Len);

// --- Real constant operations -----------------------------------------------
using TippsAddC_64f_I = IppStatus (*)(Ipp64f Val, Ipp64f* SrcDst, int Len);
using TippsSubC_64f_I = TippsAddC_64f_I;
using TippsMulC_64f_I = TippsAddC_64f_I;
using TippsDivC_64f_I = TippsAddC_64f_I;
using TippsSubCRev_64f_I = TippsAddC_64f_I;
using TippsAddC_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f Val, Ipp64f* Dst, int Len);
using TippsSubC_64f = TippsAddC_64f;
using TippsMulC_64f = TippsAddC_64f;
using TippsDivC_64f = TippsAddC_64f;
using TippsSubCRev_64f = TippsAddC_64f;
using TippsMulC_32f_I = IppStatus (*)(Ipp32f Val, Ipp32f* SrcDst, int Len);
using TippsSubCRev_32f_I = TippsMulC_32f_I;
using TippsSet_64f = IppStatus (*)(Ipp64f Val, Ipp64f* Dst, int Len);
using TippsSet_32f = IppStatus (*)(Ipp32f Val, Ipp32f* Dst, int Len);
using TippsSet_32s = IppStatus (*)(Ipp32s Val, Ipp32s* Dst, int Len);
using TippsSet_8u = IppStatus (*)(Ipp8u Val, Ipp8u* Dst, int Len);
using TippsSet_64fc = IppStatus (*)(Ipp64fc Val, Ipp64fc* Dst, int Len);
using TippsZero_64f = IppStatus (*)(Ipp64f* Dst, int Len);
using TippsZero_32f = IppStatus (*)(Ipp32f* Dst, int Len);
using TippsZero_32s = IppStatus (*)(Ipp32s* Dst, int Len);
using TippsZero_16s = IppStatus (*)(Ipp16s* Dst, int Len);
using TippsZero_8u = IppStatus (*)(Ipp8u* Dst, int Len);
using TippsZero_64fc = IppStatus (*)(Ipp64fc* Dst, int Len);

// --- Real element functions, thresholds, normalisation ------------------------
using TippsAbs_64f_I = IppStatus (*)(Ipp64f* SrcDst, int Len);
using TippsSqr_64f_I = TippsAbs_64f_I;
using TippsSqrt_64f_I = TippsAbs_64f_I;
using TippsExp_64f_I = TippsAbs_64f_I;
using TippsLn_64f_I = TippsAbs_64f_I;
using TippsAbs_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int Len);
using TippsSqr_64f = TippsAbs_64f;
using TippsSqrt_64f = TippsAbs_64f;
using TippsExp_64f = TippsAbs_64f;
using TippsLn_64f = TippsAbs_64f;
using TippsThreshold_64f_I = IppStatus (*)(Ipp64f* SrcDst, int Len, Ipp64f Level, IppCmpOp RelOp);
using TippsThreshold_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp64f Level,
                                         IppCmpOp RelOp);
using TippsThreshold_32f_I = IppStatus (*)(Ipp32f* SrcDst, int Len, Ipp32f Level, IppCmpOp RelOp);
using TippsThreshold_LT_32s_I = IppStatus (*)(Ipp32s* SrcDst, int Len, Ipp32s Level);
using TippsThreshold_GT_32s_I = TippsThreshold_LT_32s_I;
using TippsNormalize_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp64f VSub,
                                         Ipp64f VDiv);
using TippsNormalize_32f = IppStatus (*)(const Ipp32f* Src, Ipp32f* Dst, int Len, Ipp32f VSub,
                                         Ipp32f VDiv);
using TippsVectorJaehne_64f = IppStatus (*)(Ipp64f* Dst, int Len, Ipp64f Magn);

// --- Windows -----------------------------------------------------------------
using TippsWinBartlett_64f_I = IppStatus (*)(Ipp64f* SrcDst, int Len);
using TippsWinHamming_64f_I = TippsWinBartlett_64f_I;
using TippsWinHann_64f_I = TippsWinBartlett_64f_I;
using TippsWinBartlett_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int Len);
using TippsWinHamming_64f = TippsWinBartlett_64f;
using TippsWinHann_64f = TippsWinBartlett_64f;
using TippsWinBlackman_64f_I = IppStatus (*)(Ipp64f* SrcDst, int Len, Ipp64f Alpha);
using TippsWinBlackman_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp64f Alpha);
using TippsWinKaiser_64f_I = IppStatus (*)(Ipp64f* SrcDst, int Len, Ipp32f Alpha);
using TippsWinKaiser_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp32f Alpha);
using TippsWinBartlett_64fc_I = IppStatus (*)(Ipp64fc* SrcDst, int Len);
using TippsWinHamming_64fc_I = TippsWinBartlett_64fc_I;
using TippsWinHann_64fc_I = TippsWinBartlett_64fc_I;
using TippsWinBlackman_64fc_I = IppStatus (*)(Ipp64fc* SrcDst, int Len, Ipp64f Alpha);
using TippsWinKaiser_64fc_I = IppStatus (*)(Ipp64fc* SrcDst, int Len, Ipp32f Alpha);

// --- Complex (64fc) ------------------------------------------------------------
using TippsAdd_64fc_I = IppStatus (*)(const Ipp64fc* Src, Ipp64fc* SrcDst, int Len);
using TippsSub_64fc_I = TippsAdd_64fc_I;
using TippsMul_64fc_I = TippsAdd_64fc_I;
using TippsDiv_64fc_I = TippsAdd_64fc_I;
using TippsAdd_64fc = IppStatus (*)(const Ipp64fc* Src1, const Ipp64fc* Src2, Ipp64fc* Dst,
                                    int Len);
using TippsAddC_64fc_I = IppStatus (*)(Ipp64fc Val, Ipp64fc* SrcDst, int Len);
using TippsSubC_64fc_I = TippsAddC_64fc_I;
using TippsMulC_64fc_I = TippsAddC_64fc_I;
using TippsDivC_64fc_I = TippsAddC_64fc_I;
using TippsAddC_64fc = IppStatus (*)(const Ipp64fc* Src, Ipp64fc Val, Ipp64fc* Dst, int Len);
using TippsSubC_64fc = TippsAddC_64fc;
using TippsSubCRev_64fc = TippsAddC_64fc;
using TippsMulC_64fc = TippsAddC_64fc;
using TippsDivC_64fc = TippsAddC_64fc;
using TippsSqr_64fc_I = IppStatus (*)(Ipp64fc* SrcDst, int Len);
using TippsSqrt_64fc_I = TippsSqr_64fc_I;
using TippsSqr_64fc = IppStatus (*)(const Ipp64fc* Src, Ipp64fc* Dst, int Len);
using TippsSqrt_64fc = TippsSqr_64fc;
using TippsMagnitude_64fc = IppStatus (*)(const Ipp64fc* Src, Ipp64f* Dst, int Len);
using TippsPhase_64fc = TippsMagnitude_64fc;
using TippsPowerSpectr_64fc = TippsMagnitude_64fc;
using TippsReal_64fc = TippsMagnitude_64fc;
using TippsImag_64fc = TippsMagnitude_64fc;
using TippsRealToCplx_64f = IppStatus (*)(const Ipp64f* SrcRe, const Ipp64f* SrcIm, Ipp64fc* Dst,
                                          int Len);
using TippsRealToCplx_32f = IppStatus (*)(const Ipp32f* SrcRe, const Ipp32f* SrcIm, Ipp32fc* Dst,
                                          int Len);
using TippsThreshold_64fc_I = IppStatus (*)(Ipp64fc* SrcDst, int Len, Ipp64f Level,
                                            IppCmpOp RelOp);
using TippsThreshold_64fc = IppStatus (*)(const Ipp64fc* Src, Ipp64fc* Dst, int Len, Ipp64f Level,
                                          IppCmpOp RelOp);
using TippsNormalize_64fc = IppStatus (*)(const Ipp64fc* Src, Ipp64fc* Dst, int Len, Ipp64fc VSub,
                                          Ipp64f VDiv);

// --- 32-bit integers and bit patterns -------------------------------------------
using TippsAdd_32s_ISfs = IppStatus (*)(const Ipp32s* Src, Ipp32s* SrcDst, int Len,
                                        int ScaleFactor);
using TippsSub_32s_ISfs = TippsAdd_32s_ISfs;
using TippsMul_32s_ISfs = TippsAdd_32s_ISfs;
using TippsDiv_32s_ISfs = TippsAdd_32s_ISfs;
using TippsAddC_32s_ISfs = IppStatus (*)(Ipp32s Val, Ipp32s* SrcDst, int Len, int ScaleFactor);
using TippsSubC_32s_ISfs = TippsAddC_32s_ISfs;
using TippsMulC_32s_ISfs = TippsAddC_32s_ISfs;
using TippsSubCRev_32s_ISfs = TippsAddC_32s_ISfs;
using TippsAddC_32s_Sfs = IppStatus (*)(const Ipp32s* Src, Ipp32s Val, Ipp32s* Dst, int Len,
                                        int ScaleFactor);
using TippsSubC_32s_Sfs = TippsAddC_32s_Sfs;
using TippsSubCRev_32s_Sfs = TippsAddC_32s_Sfs;
using TippsMulC_32s_Sfs = TippsAddC_32s_Sfs;
using TippsAnd_32u_I = IppStatus (*)(const Ipp32u* Src, Ipp32u* SrcDst, int Len);
using TippsOr_32u_I = TippsAnd_32u_I;
using TippsXor_32u_I = TippsAnd_32u_I;
using TippsAndC_32u_I = IppStatus (*)(Ipp32u Val, Ipp32u* SrcDst, int Len);
using TippsOrC_32u_I = TippsAndC_32u_I;
using TippsXorC_32u_I = TippsAndC_32u_I;
using TippsAndC_32u = IppStatus (*)(const Ipp32u* Src, Ipp32u Val, Ipp32u* Dst, int Len);
using TippsOrC_32u = TippsAndC_32u;
using TippsXorC_32u = TippsAndC_32u;
using TippsLShiftC_32s_I = IppStatus (*)(int Val, Ipp32s* SrcDst, int Len);
using TippsRShiftC_32s_I = TippsLShiftC_32s_I;
using TippsLShiftC_32s = IppStatus (*)(const Ipp32s* Src, int Val, Ipp32s* Dst, int Len);
using TippsRShiftC_32s = TippsLShiftC_32s;

// --- 8-bit ---------------------------------------------------------------------
using TippsAdd_8u_ISfs = IppStatus (*)(const Ipp8u* Src, Ipp8u* SrcDst, int Len, int ScaleFactor);
using TippsSub_8u_ISfs = TippsAdd_8u_ISfs;
using TippsMul_8u_ISfs = TippsAdd_8u_ISfs;

// --- Copies, conversions, byte order ---------------------------------------------
using TippsCopy_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int Len);
using TippsMove_64f = TippsCopy_64f;
using TippsCopy_32f = IppStatus (*)(const Ipp32f* Src, Ipp32f* Dst, int Len);
using TippsCopy_8u = IppStatus (*)(const Ipp8u* Src, Ipp8u* Dst, int Len);
using TippsMove_8u = TippsCopy_8u;
using TippsConvert_32s64f = IppStatus (*)(const Ipp32s* Src, Ipp64f* Dst, int Len);
using TippsConvert_32f64f = IppStatus (*)(const Ipp32f* Src, Ipp64f* Dst, int Len);
using TippsConvert_64f32f = IppStatus (*)(const Ipp64f* Src, Ipp32f* Dst, int Len);
using TippsConvert_32s32f = IppStatus (*)(const Ipp32s* Src, Ipp32f* Dst, int Len);
using TippsConvert_16s64f_Sfs = IppStatus (*)(const Ipp16s* Src, Ipp64f* Dst, int Len,
                                              int ScaleFactor);
using TippsConvert_64f32s_Sfs = IppStatus (*)(const Ipp64f* Src, Ipp32s* Dst, int Len,
                                              IppRoundMode RndMode, int ScaleFactor);
using TippsConvert_32f32s_Sfs = IppStatus (*)(const Ipp32f* Src, Ipp32s* Dst, int Len,
                                              IppRoundMode RndMode, int ScaleFactor);
using TippsSwapBytes_16u = IppStatus (*)(const Ipp16u* Src, Ipp16u* Dst, int Len);
using TippsSwapBytes_24u = IppStatus (*)(const Ipp8u* Src, Ipp8u* Dst, int Len);
using TippsSwapBytes_32u = IppStatus (*)(const Ipp32u* Src, Ipp32u* Dst, int Len);
using TippsSwapBytes_32u_I = IppStatus (*)(Ipp32u* SrcDst, int Len);

// --- Reductions ------------------------------------------------------------------
using TippsSum_64f = IppStatus (*)(const Ipp64f* Src, int Len, Ipp64f* Sum);
using TippsMean_64f = IppStatus (*)(const Ipp64f* Src, int Len, Ipp64f* Mean);
using TippsMean_32f = IppStatus (*)(const Ipp32f* Src, int Len, Ipp32f* Mean,
                                    IppHintAlgorithm Hint);
using TippsStdDev_64f = IppStatus (*)(const Ipp64f* Src, int Len, Ipp64f* StdDev);
using TippsMax_64f = IppStatus (*)(const Ipp64f* Src, int Len, Ipp64f* Max);
using TippsMin_64f = IppStatus (*)(const Ipp64f* Src, int Len, Ipp64f* Min);
using TippsMaxIndx_64f = IppStatus (*)(const Ipp64f* Src, int Len, Ipp64f* Max, int* Index);
using TippsMinIndx_64f = IppStatus (*)(const Ipp64f* Src, int Len, Ipp64f* Min, int* Index);
using TippsDotProd_64f = IppStatus (*)(const Ipp64f* Src1, const Ipp64f* Src2, int Len,
                                       Ipp64f* DotProd);
using TippsDotProd_64fc = IppStatus (*)(const Ipp64fc* Src1, const Ipp64fc* Src2, int Len,
                                        Ipp64fc* DotProd);
using TippsDotProd_32s_Sfs = IppStatus (*)(const Ipp32s* Src1, const Ipp32s* Src2, int Len,
                                           Ipp32s* DotProd, int ScaleFactor);
using TippsNormDiff_L1_64f = IppStatus (*)(const Ipp64f* Src1, const Ipp64f* Src2, int Len,
                                           Ipp64f* Norm);
using TippsNormDiff_L2_64f = TippsNormDiff_L1_64f;
using TippsNormDiff_Inf_64f = TippsNormDiff_L1_64f;
using TippsNorm_L2_64fc64f = IppStatus (*)(const Ipp64fc* Src, int Len, Ipp64f* Norm);

// --- Correlation and convolution ----------------------------------------------------
using TippsAutoCorr_64f = IppStatus (*)(const Ipp64f* Src, int SrcLen, Ipp64f* Dst, int DstLen);
using TippsAutoCorr_NormA_64f = TippsAutoCorr_64f;
using TippsAutoCorr_NormB_64f = TippsAutoCorr_64f;
using TippsAutoCorr_64fc = IppStatus (*)(const Ipp64fc* Src, int SrcLen, Ipp64fc* Dst,
                                         int DstLen);
using TippsAutoCorr_NormA_64fc = TippsAutoCorr_64fc;
using TippsAutoCorr_NormB_64fc = TippsAutoCorr_64fc;
using TippsCrossCorr_64f = IppStatus (*)(const Ipp64f* Src1, int Src1Len, const Ipp64f* Src2,
                                         int Src2Len, Ipp64f* Dst, int DstLen, int LowLag);
using TippsCrossCorr_64fc = IppStatus (*)(const Ipp64fc* Src1, int Src1Len, const Ipp64fc* Src2,
                                          int Src2Len, Ipp64fc* Dst, int DstLen, int LowLag);
using TippsConv_64f = IppStatus (*)(const Ipp64f* Src1, int Src1Len, const Ipp64f* Src2,
                                    int Src2Len, Ipp64f* Dst);

// --- Fourier transforms ---------------------------------------------------------------
using TippsFFTInitAlloc_R_64f = IppStatus (*)(IppsFFTSpec_R_64f** FFTSpec, int Order, int Flag,
                                              IppHintAlgorithm Hint);
using TippsFFTInitAlloc_C_64fc = IppStatus (*)(IppsFFTSpec_C_64fc** FFTSpec, int Order, int Flag,
                                               IppHintAlgorithm Hint);
using TippsFFTFree_R_64f = IppStatus (*)(IppsFFTSpec_R_64f* FFTSpec);
using TippsFFTFree_C_64fc = IppStatus (*)(IppsFFTSpec_C_64fc* FFTSpec);
using TippsFFTFwd_RToCCS_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst,
                                             const IppsFFTSpec_R_64f* FFTSpec, Ipp8u* Buffer);
using TippsFFTInv_CCSToR_64f = TippsFFTFwd_RToCCS_64f;
using TippsFFTFwd_CToC_64fc = IppStatus (*)(const Ipp64fc* Src, Ipp64fc* Dst,
                                            const IppsFFTSpec_C_64fc* FFTSpec, Ipp8u* Buffer);
using TippsFFTInv_CToC_64fc = TippsFFTFwd_CToC_64fc;
using TippsConjCcs_64fc_I = IppStatus (*)(Ipp64fc* SrcDst, int LenDst);

// --- Filters, test vectors, random numbers, matrices ------------------------------------
using TippsFIRInitAlloc_64f = IppStatus (*)(IppsFIRState_64f** State, const Ipp64f* Taps,
                                            int TapsLen, const Ipp64f* DlyLine);
using TippsFIR_64f = IppStatus (*)(const Ipp64f* Src, Ipp64f* Dst, int NumIters,
                                   IppsFIRState_64f* State);
using TippsFIRFree_64f = IppStatus (*)(IppsFIRState_64f* State);
using TippsRandUniform_Direct_64f = IppStatus (*)(Ipp64f* Dst, int Len, Ipp64f Low, Ipp64f High,
                                                  unsigned int* Seed);
using TippsSVD_64f_D2L = IppStatus (*)(const Ipp64f** Src, Ipp64f** DstU, int Height,
                                       Ipp64f* DstW, Ipp64f** DstV, int Width, int Step,
                                       int NIter);
