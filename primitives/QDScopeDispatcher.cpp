#include "primitives/QDScopeDispatcher.h"

#include "platform/ModuleStart.h"
#include "primitives/KJIPPILoader.h"
#include "primitives/KJIPPSLoader.h"
#include "primitives/LibCDispatcher.h"

#include <cstring>

namespace {
constinit TModuleStart GStart;

// Entries filled without a built-in: only a library can supply them, and
// without one they stay null.
template <auto* AEntry>
constexpr bool HasBuiltIn = true;
#define QD_NO_BUILTIN(N) template <> constexpr bool HasBuiltIn<&::N> = false;
// No built-in at all, by design: nothing in the libraries calls it.
QD_NO_BUILTIN(ippsSVD_64f_D2L)
// Their built-ins come with the correlation and convolution and with the
// FFT; until then these entries are library-only.
QD_NO_BUILTIN(ippsAutoCorr_64f)
QD_NO_BUILTIN(ippsAutoCorr_NormA_64f)
QD_NO_BUILTIN(ippsAutoCorr_NormB_64f)
QD_NO_BUILTIN(ippsAutoCorr_64fc)
QD_NO_BUILTIN(ippsAutoCorr_NormA_64fc)
QD_NO_BUILTIN(ippsAutoCorr_NormB_64fc)
QD_NO_BUILTIN(ippsCrossCorr_64f)
QD_NO_BUILTIN(ippsCrossCorr_64fc)
QD_NO_BUILTIN(ippsConv_64f)
QD_NO_BUILTIN(ippsFFTInitAlloc_R_64f)
QD_NO_BUILTIN(ippsFFTInitAlloc_C_64fc)
QD_NO_BUILTIN(ippsFFTFwd_RToCCS_64f)
QD_NO_BUILTIN(ippsFFTInv_CCSToR_64f)
QD_NO_BUILTIN(ippsFFTFwd_CToC_64fc)
QD_NO_BUILTIN(ippsFFTInv_CToC_64fc)
QD_NO_BUILTIN(ippsFFTFree_R_64f)
QD_NO_BUILTIN(ippsFFTFree_C_64fc)
QD_NO_BUILTIN(ippsConjCcs_64fc_I)
#undef QD_NO_BUILTIN

// The image entries, and the matrix routine that lives beside them.
void* Lookup(const char* AName) noexcept
{
  if (std::strncmp(AName, "ippi", 4) == 0 || std::strcmp(AName, "ippsSVD_64f_D2L") == 0)
    return LookupImageProc(AName);
  return LookupSignalProc(AName);
}
} // namespace

#define QD_DEFINE(N) constinit T##N N = QD_TRAMPOLINE(N, QDScopeDispatcherStart);
QD_SCOPE_ENTRIES(QD_DEFINE)
#undef QD_DEFINE

void QDScopeDispatcherStart()
{
  KJIPPSLoaderStart();
  KJIPPILoaderStart();
  GStart.Start([] {
    // The discarded branch names no built-in, so a missing one is no link error.
#define QD_FILL(N)                                                                       \
  if constexpr (HasBuiltIn<&::N>)                                                        \
    FillEntry(::N, Lookup(#N), LibC::Best(&LibC::N));                                    \
  else                                                                                   \
    FillEntry(::N, Lookup(#N), nullptr);
    QD_SCOPE_ENTRIES(QD_FILL)
#undef QD_FILL
  });
}

void QDScopeDispatcherStop()
{
  GStart.Stop([] {
#define QD_RESET(N) ::N = QD_TRAMPOLINE(::N, QDScopeDispatcherStart);
    QD_SCOPE_ENTRIES(QD_RESET)
#undef QD_RESET
  });
  KJIPPILoaderStop();
  KJIPPSLoaderStop();
}
