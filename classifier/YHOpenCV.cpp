#include "classifier/YHOpenCV.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {
constinit std::mutex GBridgeLock;
constinit void* GHandle = nullptr; // guarded by GBridgeLock

/// The file of the loaded object (program or library) that holds AAddress;
/// "" when there is none.
std::string ObjectFileOf(const void* AAddress)
{
  struct TSearch
  {
    std::uintptr_t Address;
    const char* File; // the loader's own string: nothing may throw inside the walk
  } Search{reinterpret_cast<std::uintptr_t>(AAddress), nullptr};
  dl_iterate_phdr(
      [](dl_phdr_info* AInfo, std::size_t, void* AData) {
        auto& S = *static_cast<TSearch*>(AData);
        for (int I = 0; I < AInfo->dlpi_phnum; ++I) {
          const ElfW(Phdr)& Segment = AInfo->dlpi_phdr[I];
          const std::uintptr_t Start = AInfo->dlpi_addr + Segment.p_vaddr;
          if (Segment.p_type == PT_LOAD && S.Address >= Start && S.Address - Start < Segment.p_memsz) {
            S.File = AInfo->dlpi_name ? AInfo->dlpi_name : "";
            return 1;
          }
        }
        return 0;
      },
      &Search);
  if (!Search.File)
    return {};
  if (*Search.File)
    return Search.File;
  char Buf[4096]; // the program itself has no name in the list
  const ssize_t N = readlink("/proc/self/exe", Buf, sizeof Buf - 1);
  return N > 0 ? std::string(Buf, static_cast<std::size_t>(N)) : std::string();
}

// Caller holds GBridgeLock.
void* LoadLocked() noexcept
{
  if (GHandle)
    return GHandle;
  GHandle = dlopen(YHOpenCV::SLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (GHandle)
    return GHandle;
  // The search applies the RUNPATH of the object that calls dlopen. A runtime
  // that wraps dlopen (the sanitizers do) becomes that caller and hides ours,
  // so the place our RUNPATH $ORIGIN names, the folder of the object holding
  // this code, is tried once more by path.
  try {
    const std::string Self = ObjectFileOf(reinterpret_cast<const void*>(&LoadLocked));
    const std::size_t Slash = Self.rfind('/');
    if (Slash != std::string::npos)
      GHandle = dlopen((Self.substr(0, Slash + 1) + YHOpenCV::SLibraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
  } catch (...) {
    // Out of memory for a path: not found.
  }
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
