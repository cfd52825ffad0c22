#include "primitives/QDResizeDispatcher.h"

#include "platform/ModuleStart.h"
#include "primitives/KJIPPILoader.h"
#include "primitives/LibCDispatcher.h"

namespace {
constinit TModuleStart GStart;
} // namespace

#define QD_DEFINE(N) constinit T##N N = QD_TRAMPOLINE(N, QDResizeDispatcherStart);
QD_RESIZE_ENTRIES(QD_DEFINE)
#undef QD_DEFINE

void QDResizeDispatcherStart()
{
  KJIPPILoaderStart();
  GStart.Start([] {
#define QD_FILL(N) FillEntry(N, LookupImageProc(#N), LibC::Best(&LibC::N));
    QD_RESIZE_ENTRIES(QD_FILL)
#undef QD_FILL
  });
}

void QDResizeDispatcherStop()
{
  GStart.Stop([] {
#define QD_RESET(N) ::N = QD_TRAMPOLINE(::N, QDResizeDispatcherStart);
    QD_RESIZE_ENTRIES(QD_RESET)
#undef QD_RESET
  });
  KJIPPILoaderStop();
}
