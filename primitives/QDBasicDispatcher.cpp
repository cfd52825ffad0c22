#include "primitives/QDBasicDispatcher.h"

#include "platform/ModuleStart.h"
#include "primitives/KJIPPILoader.h"
#include "primitives/KJIPPSLoader.h"
#include "primitives/LibCDispatcher.h"

#include <cstring>

namespace {
constinit TModuleStart GStart;

void* Lookup(const char* AName) noexcept
{
  return std::strncmp(AName, "ippi", 4) == 0 ? LookupImageProc(AName) : LookupSignalProc(AName);
}
} // namespace

namespace QDBasic {
#define QD_DEFINE(N) constinit T##N N = QD_TRAMPOLINE(N, QDBasicDispatcherStart);
QD_BASIC_ENTRIES(QD_DEFINE)
#undef QD_DEFINE
} // namespace QDBasic

void QDBasicDispatcherStart()
{
  KJIPPSLoaderStart();
  KJIPPILoaderStart();
  GStart.Start([] {
#define QD_FILL(N) FillEntry(QDBasic::N, Lookup(#N), LibC::Best(&LibC::Basic::N));
    QD_BASIC_ENTRIES(QD_FILL)
#undef QD_FILL
  });
}

void QDBasicDispatcherStop()
{
  GStart.Stop([] {
#define QD_RESET(N) QDBasic::N = QD_TRAMPOLINE(QDBasic::N, QDBasicDispatcherStart);
    QD_BASIC_ENTRIES(QD_RESET)
#undef QD_RESET
  });
  KJIPPILoaderStop();
  KJIPPSLoaderStop();
}
