// The entries that hold no built-in after start-up: the matrix routine has
// none by design; the correlation and convolution and the FFT get theirs
// later. Remove an entry from this list when its built-in arrives: the table
// tests then require it to be callable.
#pragma once

#define QD_TEST_ENTRIES_WITHOUT_BUILTIN(X)                                               \
  X(ippsSVD_64f_D2L)                                                                     \
  X(ippsAutoCorr_64f) X(ippsAutoCorr_NormA_64f) X(ippsAutoCorr_NormB_64f)                \
  X(ippsAutoCorr_64fc) X(ippsAutoCorr_NormA_64fc) X(ippsAutoCorr_NormB_64fc)             \
  X(ippsCrossCorr_64f) X(ippsCrossCorr_64fc) X(ippsConv_64f)                             \
  X(ippsFFTInitAlloc_R_64f) X(ippsFFTInitAlloc_C_64fc) X(ippsFFTFwd_RToCCS_64f)          \
  X(ippsFFTInv_CCSToR_64f) X(ippsFFTFwd_CToC_64fc) X(ippsFFTInv_CToC_64fc)               \
  X(ippsFFTFree_R_64f) X(ippsFFTFree_C_64fc) X(ippsConjCcs_64fc_I)

#include "primitives/QDResizeDispatcher.h"
#include "primitives/QDScopeDispatcher.h"

#include <string>
#include <unordered_set>

inline const std::unordered_set<std::string>& EntriesWithoutBuiltIn()
{
#define QD_NAME(N) #N,
  static const std::unordered_set<std::string> Names = {QD_TEST_ENTRIES_WITHOUT_BUILTIN(QD_NAME)};
#undef QD_NAME
  return Names;
}

/// True for entries that have a built-in, as a constant (so that code naming a
/// missing built-in can sit in a discarded branch).
template <auto* AEntry>
constexpr bool TestHasBuiltIn = true;
#define QD_NO_BUILTIN(N) template <> inline constexpr bool TestHasBuiltIn<&::N> = false;
QD_TEST_ENTRIES_WITHOUT_BUILTIN(QD_NO_BUILTIN)
#undef QD_NO_BUILTIN
