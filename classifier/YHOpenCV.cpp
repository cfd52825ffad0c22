#include "classifier/YHOpenCV.h"

#include <dlfcn.h>

#include <string>

namespace {
constinit std::mutex GBridgeLock;
constinit void* GHandle = nullptr; // guarded by GBridgeLock

// Caller holds GBridgeLock.
void* LoadLocked() noexcept
{
  if (!GHandle)
    GHandle = dlopen(YHOpenCV::SLibraryName, RTLD_NOW | RTLD_LOCAL);
  return GHandle;
}
} // namespace

namespace YHOpenCV {

// Name and symbol come from one token, so an entry cannot look up another's export.
#define YH_BRIDGE_ENTRY(N) constinit decltype(N) N{#N, &decltype(N)::Stub<N>}
YH_BRIDGE_ENTRY(cvCreateMat);
YH_BRIDGE_ENTRY(cvReleaseMat);
YH_BRIDGE_ENTRY(cvSVD);
YH_BRIDGE_ENTRY(cvSetMatItem);
YH_BRIDGE_ENTRY(cvGetMatItem);
#undef YH_BRIDGE_ENTRY

std::mutex& Detail::BridgeLock() noexcept
{
  return GBridgeLock;
}

void* Detail::ResolveLocked(const char* AName)
{
  void* Handle = LoadLocked();
  if (!Handle)
    throw EQDDLLLoadError(std::string("Can't load ") + SLibraryName);
  void* P = dlsym(Handle, AName);
  if (!P)
    throw EQDDLLLoadError(std::string("Can't get ") + AName);
  return P;
}

} // namespace YHOpenCV

namespace {
/// Loads the bridge once at start-up and releases it at program end. Always
/// linked with the entries above, which live in this file.
class TYHOpenCVModule
{
public:
  TYHOpenCVModule()
  {
    std::lock_guard<std::mutex> Guard(GBridgeLock);
    if (!LoadLocked())
      dlerror(); // silent: the first call reports it
  }
  ~TYHOpenCVModule()
  {
    using namespace YHOpenCV;
    std::lock_guard<std::mutex> Guard(GBridgeLock);
    // Entries first: nothing may call into the library once it is gone.
    cvCreateMat.UnbindLocked();
    cvReleaseMat.UnbindLocked();
    cvSVD.UnbindLocked();
    cvSetMatItem.UnbindLocked();
    cvGetMatItem.UnbindLocked();
    if (GHandle)
      dlclose(GHandle);
    GHandle = nullptr;
  }
};
TYHOpenCVModule GYHOpenCVModule;
} // namespace

TYHMatrix::TYHMatrix(Integer ARows, Integer ACols)
    : FMat(YHOpenCV::cvCreateMat(ARows, ACols, YHOpenCV::CV_64FC1))
{
  if (!FMat)
    throw EOutOfMemory(SOutOfMemory);
}

TYHMatrix::~TYHMatrix()
{
  if (!FMat)
    return;
  try {
    YHOpenCV::cvReleaseMat(&FMat);
  } catch (...) {
    // An error is already on its way out of this scope; it wins.
  }
}

void TYHMatrix::Release()
{
  if (!FMat)
    return;
  YHOpenCV::cvReleaseMat(&FMat);
  FMat = nullptr;
}
