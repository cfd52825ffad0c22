// Test helper, run as a child process by the loading tests: performs the
// actions named on its command line, in order, and prints what it sees.
//
//   start-<module> / stop-<module>   a module's start or stop: signal-loader,
//                                    image-loader, resize, basic, scope, norm
//   start-store                      the storage pool (starts every group)
//   call-add                         ippsAdd_64f_I on (1, 2) += (10, 20)
//   cpu                              ippGetCpuType()
//   loaded                           which optional libraries are loaded
//   report                           every entry of every group and what it holds:
//                                    trampoline, builtin, null, signal, core,
//                                    image, cc (the library it came from) or other
#include "EntriesWithoutBuiltIn.h"

#include "buffers/QDInternalStore.h"
#include "primitives/KJIPPILoader.h"
#include "primitives/KJIPPSLoader.h"
#include "primitives/LibCDispatcher.h"
#include "primitives/QDBasicDispatcher.h"
#include "primitives/QDNormDispatcher.h"
#include "primitives/QDResizeDispatcher.h"
#include "primitives/QDScopeDispatcher.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

namespace {

const char* const Libraries[][2] = {
    {"libipps.so", "signal"}, {"libippcore.so", "core"}, {"libippi.so", "image"}, {"libippcc.so", "cc"}};

// Which loaded library exports AName at AAddress, asking without loading anything.
const char* LibraryOf(void* AAddress, const char* AName)
{
  for (const auto& Lib : Libraries) {
    void* Handle = dlopen(Lib[0], RTLD_NOW | RTLD_NOLOAD);
    if (!Handle)
      continue;
    void* P = dlsym(Handle, AName);
    dlclose(Handle);
    if (P && P == AAddress)
      return Lib[1];
  }
  return nullptr;
}

template <class F>
void Report(const char* AGroup, const char* AName, F AEntry, F ATrampoline, F ABuiltIn)
{
  void* E = reinterpret_cast<void*>(AEntry);
  const char* Source = "other";
  if (!AEntry)
    Source = "null";
  else if (AEntry == ATrampoline)
    Source = "trampoline";
  else if (ABuiltIn && AEntry == ABuiltIn)
    Source = "builtin";
  else if (const char* Lib = LibraryOf(E, AName))
    Source = Lib;
  std::printf("entry %s %s %s\n", AGroup, AName, Source);
}

void ReportAll()
{
  std::printf("report\n");
  Report("core", "ippGetCpuType", ippGetCpuType, QD_TRAMPOLINE(ippGetCpuType, KJIPPSLoaderStart),
         LibC::Best(&LibC::ippGetCpuType));
#define QD_REPORT(GROUP, QUALIFIED, N, START)                                           \
  if constexpr (TestHasBuiltIn<&QUALIFIED>)                                              \
    Report(GROUP, #N, QUALIFIED, QD_TRAMPOLINE(QUALIFIED, START), LibC::Best(&LibC::N)); \
  else                                                                                   \
    Report(GROUP, #N, QUALIFIED, QD_TRAMPOLINE(QUALIFIED, START), decltype(QUALIFIED)(nullptr));
#define QD_RESIZE(N) QD_REPORT("resize", ::N, N, QDResizeDispatcherStart)
#define QD_SCOPE(N) QD_REPORT("scope", ::N, N, QDScopeDispatcherStart)
#define QD_NORM(N) QD_REPORT("norm", ::N, N, QDNormDispatcherStart)
  QD_RESIZE_ENTRIES(QD_RESIZE)
  QD_SCOPE_ENTRIES(QD_SCOPE)
  QD_NORM_ENTRIES(QD_NORM)
#define QD_BASIC(N)                                                                      \
  Report("basic", #N, QDBasic::N, QD_TRAMPOLINE(QDBasic::N, QDBasicDispatcherStart),     \
         LibC::Best(&LibC::Basic::N));
  QD_BASIC_ENTRIES(QD_BASIC)
}

const std::map<std::string, std::function<void()>>& Actions()
{
  static const std::map<std::string, std::function<void()>> A = {
      {"start-signal-loader", KJIPPSLoaderStart},
      {"stop-signal-loader", KJIPPSLoaderStop},
      {"start-image-loader", KJIPPILoaderStart},
      {"stop-image-loader", KJIPPILoaderStop},
      {"start-resize", QDResizeDispatcherStart},
      {"stop-resize", QDResizeDispatcherStop},
      {"start-basic", QDBasicDispatcherStart},
      {"stop-basic", QDBasicDispatcherStop},
      {"start-scope", QDScopeDispatcherStart},
      {"stop-scope", QDScopeDispatcherStop},
      {"start-norm", QDNormDispatcherStart},
      {"stop-norm", QDNormDispatcherStop},
      {"start-store", [] { SmartBufferManager(); }},
      {"call-add",
       [] {
         const double Src[2] = {10, 20};
         double SrcDst[2] = {1, 2};
         const int Status = ippsAdd_64f_I(Src, SrcDst, 2);
         std::printf("call ippsAdd_64f_I %d %g %g\n", Status, SrcDst[0], SrcDst[1]);
       }},
      {"cpu", [] { std::printf("cpu ippGetCpuType %d\n", static_cast<int>(ippGetCpuType())); }},
      {"loaded",
       [] {
         for (const auto& Lib : Libraries) {
           void* Handle = dlopen(Lib[0], RTLD_NOW | RTLD_NOLOAD);
           std::printf("loaded %s %d\n", Lib[1], Handle ? 1 : 0);
           if (Handle)
             dlclose(Handle);
         }
       }},
      {"report", ReportAll},
  };
  return A;
}

} // namespace

int main(int argc, char** argv)
{
  for (int I = 1; I < argc; ++I) {
    const auto It = Actions().find(argv[I]);
    if (It == Actions().end()) {
      std::fprintf(stderr, "unknown action %s\n", argv[I]);
      return 2;
    }
    It->second();
  }
  std::fflush(stdout);
  return 0;
}
