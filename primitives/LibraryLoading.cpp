#include "primitives/LibraryLoading.h"

#include <dlfcn.h>

void* LoadOptionalLibrary(const char* AFileName) noexcept
{
  void* Handle = dlopen(AFileName, RTLD_NOW | RTLD_LOCAL);
  if (!Handle)
    dlerror();
  return Handle;
}

void ReleaseOptionalLibrary(void*& AHandle) noexcept
{
  if (!AHandle)
    return;
  dlclose(AHandle);
  AHandle = nullptr;
}

void* LookupLibraryProc(void* AHandle, const char* AName) noexcept
{
  if (!AHandle || !AName)
    return nullptr;
  void* Proc = dlsym(AHandle, AName);
  if (!Proc)
    dlerror();
  return Proc;
}
