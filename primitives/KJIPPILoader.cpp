#include "primitives/KJIPPILoader.h"

#include "platform/ModuleStart.h"
#include "primitives/LibraryLoading.h"

namespace {
constinit TModuleStart GStart;
// Owned library handles: written only by start and stop.
constinit void* GImageLibrary = nullptr;
constinit void* GColourLibrary = nullptr;
} // namespace

void KJIPPILoaderStart()
{
  GStart.Start([] {
    GImageLibrary = LoadOptionalLibrary("libippi.so");
    GColourLibrary = LoadOptionalLibrary("libippcc.so");
  });
}

void KJIPPILoaderStop()
{
  GStart.Stop([] {
    ReleaseOptionalLibrary(GColourLibrary);
    ReleaseOptionalLibrary(GImageLibrary);
  });
}

void* LookupImageProc(const char* AName) noexcept
{
  if (void* Proc = LookupLibraryProc(GImageLibrary, AName))
    return Proc;
  return LookupLibraryProc(GColourLibrary, AName);
}
