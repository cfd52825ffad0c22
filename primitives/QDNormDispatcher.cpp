#include "primitives/QDNormDispatcher.h"

#include "platform/ModuleStart.h"
#include "primitives/KJIPPSLoader.h"
#include "primitives/LibCDispatcher.h"

namespace {
constinit TModuleStart GStart;
} // namespace

#define QD_DEFINE(N) constinit T##N N = QD_TRAMPOLINE(N, QDNormDispatcherStart);
QD_NORM_ENTRIES(QD_DEFINE)
#undef QD_DEFINE

void QDNormDispatcherStart()
{
  KJIPPSLoaderStart();
  GStart.Start([] {
#define QD_FILL(N) FillEntry(::N, LookupSignalProc(#N), LibC::Best(&LibC::N));
    QD_NORM_ENTRIES(QD_FILL)
#undef QD_FILL
  });
}

void QDNormDispatcherStop()
{
  GStart.Stop([] {
#define QD_RESET(N) ::N = QD_TRAMPOLINE(::N, QDNormDispatcherStart);
    QD_NORM_ENTRIES(QD_RESET)
#undef QD_RESET
  });
  KJIPPSLoaderStop();
}
