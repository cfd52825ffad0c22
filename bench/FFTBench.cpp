// The built-in FFT entries, called through the dispatch table, beside FFTW's
// plans for the same transforms (out of place, FFTW_MEASURE planned once
// before timing, execution only). Arguments are orders (N = 2^order). The
// counter "MFlops" is FFTW's convention: 5 N log2 N for a complex transform,
// half that for a real one.
#include "primitives/QDScopeDispatcher.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

namespace {

struct TFftwFree
{
  void operator()(void* P) const { fftw_free(P); }
};
template <class T>
using TFftwArray = std::unique_ptr<T[], TFftwFree>;

template <class T>
TFftwArray<T> Alloc(std::size_t ACount)
{
  return TFftwArray<T>(static_cast<T*>(fftw_malloc(ACount * sizeof(T))));
}

void Fill(double* AData, std::size_t ACount)
{
  std::mt19937 Gen(1);
  std::uniform_real_distribution<double> Dist(-1, 1);
  for (std::size_t I = 0; I < ACount; ++I)
    AData[I] = Dist(Gen);
}

void Counters(benchmark::State& AState, int AOrder, double AFlopsFactor)
{
  const double N = std::ldexp(1.0, AOrder);
  AState.counters["MFlops"] = benchmark::Counter(AFlopsFactor * 5 * N * AOrder * 1e-6 *
                                                     double(AState.iterations()),
                                                 benchmark::Counter::kIsRate);
}

void BM_ComplexFwd_Ours(benchmark::State& AState)
{
  QDScopeDispatcherStart();
  const int Order = int(AState.range(0));
  const std::size_t N = std::size_t(1) << Order;
  auto In = Alloc<Ipp64fc>(N), Out = Alloc<Ipp64fc>(N);
  Fill(&In[0].re, 2 * N);
  IppsFFTSpec_C_64fc* Plan = nullptr;
  if (ippsFFTInitAlloc_C_64fc(&Plan, Order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone) != ippStsNoErr) {
    AState.SkipWithError("no plan");
    return;
  }
  for (auto _ : AState) {
    ippsFFTFwd_CToC_64fc(In.get(), Out.get(), Plan, nullptr);
    benchmark::ClobberMemory();
  }
  ippsFFTFree_C_64fc(Plan);
  Counters(AState, Order, 1);
}

void BM_ComplexFwd_Fftw(benchmark::State& AState)
{
  const int Order = int(AState.range(0));
  const std::size_t N = std::size_t(1) << Order;
  auto In = Alloc<fftw_complex>(N), Out = Alloc<fftw_complex>(N);
  fftw_plan Plan = fftw_plan_dft_1d(int(N), In.get(), Out.get(), FFTW_FORWARD, FFTW_MEASURE);
  Fill(&In[0][0], 2 * N); // planning overwrote the arrays
  for (auto _ : AState) {
    fftw_execute(Plan);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(Plan);
  Counters(AState, Order, 1);
}

void BM_RealFwd_Ours(benchmark::State& AState)
{
  QDScopeDispatcherStart();
  const int Order = int(AState.range(0));
  const std::size_t N = std::size_t(1) << Order;
  auto In = Alloc<double>(N), Out = Alloc<double>(N + 2);
  Fill(In.get(), N);
  IppsFFTSpec_R_64f* Plan = nullptr;
  if (ippsFFTInitAlloc_R_64f(&Plan, Order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone) != ippStsNoErr) {
    AState.SkipWithError("no plan");
    return;
  }
  for (auto _ : AState) {
    ippsFFTFwd_RToCCS_64f(In.get(), Out.get(), Plan, nullptr);
    benchmark::ClobberMemory();
  }
  ippsFFTFree_R_64f(Plan);
  Counters(AState, Order, 0.5);
}

void BM_RealFwd_Fftw(benchmark::State& AState)
{
  const int Order = int(AState.range(0));
  const std::size_t N = std::size_t(1) << Order;
  auto In = Alloc<double>(N);
  auto Out = Alloc<fftw_complex>(N / 2 + 1);
  fftw_plan Plan = fftw_plan_dft_r2c_1d(int(N), In.get(), Out.get(), FFTW_MEASURE);
  Fill(In.get(), N);
  for (auto _ : AState) {
    fftw_execute(Plan);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(Plan);
  Counters(AState, Order, 0.5);
}

// Correlation and convolution make a plan per call: what one costs.
void BM_RealPlan_Ours(benchmark::State& AState)
{
  QDScopeDispatcherStart();
  const int Order = int(AState.range(0));
  for (auto _ : AState) {
    IppsFFTSpec_R_64f* Plan = nullptr;
    ippsFFTInitAlloc_R_64f(&Plan, Order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
    benchmark::DoNotOptimize(Plan);
    ippsFFTFree_R_64f(Plan);
  }
}

} // namespace

BENCHMARK(BM_RealPlan_Ours)->Arg(10)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComplexFwd_Ours)->Arg(10)->Arg(16)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComplexFwd_Fftw)->Arg(10)->Arg(16)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealFwd_Ours)->Arg(16)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealFwd_Fftw)->Arg(16)->Arg(20)->Unit(benchmark::kMicrosecond);
