// A stand-in for the optional optimised libraries, built four times (signal,
// core, image, colour conversion) under the file names the loaders probe.
// Each build exports a few functions with IPP names; each returns a status
// that tells which build answered.
#include <cstdint>

#define ZR_EXPORT extern "C" __attribute__((visibility("default")))

#if defined(ZR_FAKE_SIGNAL)
ZR_EXPORT int ippsAdd_64f_I(const double*, double* SrcDst, int)
{
  SrcDst[0] = -1;
  return 1001;
}
ZR_EXPORT int ippsMulC_64f_I(double, double*, int) { return 1001; }
// A name of both the main and the nine-entry group.
ZR_EXPORT int ippsConvert_64f32f(const double*, float*, int) { return 1001; }
ZR_EXPORT int ippsNorm_L2_64fc64f(const void*, int, double*) { return 1001; }
// Names the signal library must not serve: an image entry and the core entry.
ZR_EXPORT int ippiCopy_8u_C4R(const std::uint8_t*, int, std::uint8_t*, int, std::int64_t) { return 1001; }
ZR_EXPORT int ippGetCpuType() { return 0x99; }
#elif defined(ZR_FAKE_CORE)
ZR_EXPORT int ippGetCpuType() { return 0x42; }
#elif defined(ZR_FAKE_IMAGE)
ZR_EXPORT int ippiCopy_8u_C4R(const std::uint8_t*, int, std::uint8_t*, int, std::int64_t) { return 1002; }
ZR_EXPORT int ippiResize_8u_C1R() { return 1002; }
#elif defined(ZR_FAKE_COLOUR)
ZR_EXPORT int ippiCopy_8u_C4R(const std::uint8_t*, int, std::uint8_t*, int, std::int64_t) { return 1003; }
ZR_EXPORT int ippiSet_8u_C4R(const std::uint8_t*, std::uint8_t*, int, std::int64_t) { return 1003; }
// A signal name: only the signal library may serve it.
ZR_EXPORT int ippsAdd_64f_I(const double*, double*, int) { return 1003; }
#endif
