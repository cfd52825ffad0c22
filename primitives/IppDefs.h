//===- primitives/IppDefs.h - Element types and codes of the primitives -*- C++ -*-===//
///
/// \file
/// The element types, status codes and option values that the prototypes of
/// the dispatch entries are written in. The layouts are those of the IPP 5.1
/// ABI, so that a loaded optimised library and the built-ins are called the
/// same way; every value here is written out from that ABI, not copied from
/// any vendor header.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <cstdint>

// Element types, by the suffix of an entry's name.
using Ipp8u = std::uint8_t;
using Ipp8s = std::int8_t;
using Ipp16u = std::uint16_t;
using Ipp16s = std::int16_t;
using Ipp32u = std::uint32_t;
using Ipp32s = std::int32_t;
using Ipp64s = std::int64_t;
using Ipp64u = std::uint64_t;
using Ipp32f = float;
using Ipp64f = double;

/// Complex numbers: real part first.
struct Ipp32fc
{
  Ipp32f re;
  Ipp32f im;
};
struct Ipp64fc
{
  Ipp64f re;
  Ipp64f im;
};
static_assert(sizeof(Ipp64fc) == 16, "two doubles, no padding");

/// Result of every entry: 0 success, negative an error, positive a warning.
using IppStatus = std::int32_t;

enum : IppStatus {
  ippStsNoErr = 0,
  ippStsSqrtNegArg = 3,         ///< square root of a negative number met
  ippStsDivByZero = 6,          ///< division by zero met
  ippStsLnZeroArg = 7,          ///< logarithm of zero met first
  ippStsLnNegArg = 8,           ///< logarithm of a negative number met first
  ippStsWrongIntersectROI = 29, ///< resize: the source rectangle starts outside the image
  ippStsSizeErr = -6,           ///< a length below its minimum
  ippStsBadArgErr = -7,         ///< an argument outside the values the entry knows
  ippStsNullPtrErr = -8,        ///< a required pointer is null
  ippStsMemAllocErr = -9,       ///< work memory cannot be obtained
  ippStsDivByZeroErr = -10,     ///< division by a zero constant refused
  ippStsStepErr = -14,          ///< a row step too small
  ippStsFftOrderErr = -15,      ///< FFT order out of range
  ippStsFftFlagErr = -16,       ///< unknown FFT normalisation flag
  ippStsContextMatchErr = -17,  ///< a plan structure of another kind
  ippStsThreshNegLevelErr = -19, ///< negative level in a complex threshold
  ippStsMirrorFlipErr = -21,    ///< unknown mirror axis
  ippStsInterpolationErr = -22, ///< unknown interpolation method
  ippStsResizeFactorErr = -23,  ///< a resize factor not above 0
  ippStsFIRLenErr = -26,        ///< a filter without taps
  ippStsShiftErr = -32,         ///< negative shift count
  ippStsJaehneErr = -38,        ///< negative magnitude
  ippStsHugeWinErr = -39,       ///< a Kaiser window whose Bessel terms overflow
  ippStsLUTNofLevelsErr = -106, ///< a lookup table with fewer than two levels
  ippStsResizeNoOperation = -201, ///< resize: the destination would be under one pixel
};

/// Comparison codes of the threshold entries.
enum IppCmpOp : std::int32_t {
  ippCmpLess = 0,
  ippCmpLessEq = 1,
  ippCmpEq = 2,
  ippCmpGreaterEq = 3,
  ippCmpGreater = 4,
};

/// Rounding codes of the converting entries.
enum IppRoundMode : std::int32_t {
  ippRndZero = 0,
  ippRndNear = 1,
};

/// Algorithm hint of the FFT plans.
enum IppHintAlgorithm : std::int32_t {
  ippAlgHintNone = 0,
  ippAlgHintFast = 1,
  ippAlgHintAccurate = 2,
};

/// Normalisation flags of the FFT plans.
enum : std::int32_t {
  IPP_FFT_DIV_FWD_BY_N = 1,
  IPP_FFT_DIV_INV_BY_N = 2,
  IPP_FFT_DIV_BY_SQRTN = 4,
  IPP_FFT_NODIV_BY_ANY = 8,
};

/// Interpolation methods of the resize entries.
enum : std::int32_t {
  IPPI_INTER_NN = 1,
  IPPI_INTER_LINEAR = 2,
  IPPI_INTER_CUBIC = 4,
  IPPI_INTER_SUPER = 8,
  IPPI_INTER_LANCZOS = 16,
};

/// Image geometry.
struct IppiSize
{
  std::int32_t width;
  std::int32_t height;
};
struct IppiRect
{
  std::int32_t x;
  std::int32_t y;
  std::int32_t width;
  std::int32_t height;
};
struct IppiPoint
{
  std::int32_t x;
  std::int32_t y;
};

/// Mirror axes and alpha composition kinds of the image entries.
enum IppiAxis : std::int32_t {
  ippAxsHorizontal = 0,
  ippAxsVertical = 1,
  ippAxsBoth = 2,
};
enum IppiAlphaType : std::int32_t {
  ippAlphaOver = 0,
  ippAlphaIn = 1,
  ippAlphaOut = 2,
  ippAlphaATop = 3,
  ippAlphaXor = 4,
  ippAlphaPlus = 5,
  ippAlphaOverPremul = 6, ///< the same six, with colours already multiplied by alpha
  ippAlphaInPremul = 7,
  ippAlphaOutPremul = 8,
  ippAlphaATopPremul = 9,
  ippAlphaXorPremul = 10,
  ippAlphaPlusPremul = 11,
};

/// Processor kinds reported by ippGetCpuType (0: unknown).
enum IppCpuType : std::int32_t {
  ippCpuUnknown = 0,
};

/// Opaque plan and state structures: whoever implements the InitAlloc
/// entry decides their contents.
struct IppsFFTSpec_R_64f;
struct IppsFFTSpec_C_64fc;
struct IppsFIRState_64f;
