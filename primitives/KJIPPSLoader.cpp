#include "primitives/KJIPPSLoader.h"

#include "platform/ModuleStart.h"
#include "primitives/DispatchEntry.h"
#include "primitives/LibCDispatcher.h"
#include "primitives/LibraryLoading.h"

namespace {
constinit TModuleStart GStart;
// Owned library handles: written only by start and stop.
constinit void* GSignalLibrary = nullptr;
constinit void* GCoreLibrary = nullptr;
} // namespace

constinit TippGetCpuType ippGetCpuType = QD_TRAMPOLINE(ippGetCpuType, KJIPPSLoaderStart);

void KJIPPSLoaderStart()
{
  GStart.Start([] {
    GSignalLibrary = LoadOptionalLibrary("libipps.so");
    GCoreLibrary = LoadOptionalLibrary("libippcore.so");
    FillEntry(ippGetCpuType, LookupCoreProc("ippGetCpuType"), &LibC::ippGetCpuType);
  });
}

void KJIPPSLoaderStop()
{
  GStart.Stop([] {
    ippGetCpuType = QD_TRAMPOLINE(ippGetCpuType, KJIPPSLoaderStart);
    ReleaseOptionalLibrary(GCoreLibrary);
    ReleaseOptionalLibrary(GSignalLibrary);
  });
}

void* LookupSignalProc(const char* AName) noexcept
{
  return LookupLibraryProc(GSignalLibrary, AName);
}

void* LookupCoreProc(const char* AName) noexcept
{
  return LookupLibraryProc(GCoreLibrary, AName);
}
