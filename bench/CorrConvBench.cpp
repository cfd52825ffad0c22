// Convolution and autocorrelation through the dispatch table, each beside the
// same computation written here with FFTW: overlap-save with the block size
// the built-in picks for the convolutions, one transform for the
// autocorrelation. FFTW's plans (FFTW_MEASURE) and buffers are made before
// the timed loop; the built-ins make theirs inside every call, as callers see
// them. Inputs are seeded random values.
#include "primitives/QDScopeDispatcher.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<double> Random(std::size_t ACount, unsigned ASeed)
{
  std::mt19937 Gen(ASeed);
  std::uniform_real_distribution<double> Dist(-1, 1);
  std::vector<double> V(ACount);
  for (double& X : V)
    X = Dist(Gen);
  return V;
}

// The smallest D >= 1 with 2^D >= AValue.
int OrderAtLeast(long AValue)
{
  int D = 1;
  while ((1L << D) < AValue)
    ++D;
  return D;
}

template <class T>
struct TFftwBuffer
{
  explicit TFftwBuffer(std::size_t ACount) : P(static_cast<T*>(fftw_malloc(ACount * sizeof(T)))) {}
  ~TFftwBuffer() { fftw_free(P); }
  TFftwBuffer(const TFftwBuffer&) = delete;
  TFftwBuffer& operator=(const TFftwBuffer&) = delete;
  T* P;
};

struct TPlan
{
  explicit TPlan(fftw_plan APlan) : P(APlan) {}
  ~TPlan() { fftw_destroy_plan(P); }
  TPlan(const TPlan&) = delete;
  TPlan& operator=(const TPlan&) = delete;
  fftw_plan P;
};

// y = long * short by overlap-save on blocks of 2^Order points, Order as the
// built-in chooses it for a shorter input of AS.
class TFftwConv
{
public:
  TFftwConv(int AL, int AS)
      : FL(AL), FS(AS), FM(1L << (OrderAtLeast(2L * AS) + 1)), FPad(FM), FSpec(FM / 2 + 1),
        FKernel(FM / 2 + 1), FFwd(fftw_plan_dft_r2c_1d(int(FM), FPad.P, FSpec.P, FFTW_MEASURE)),
        FInv(fftw_plan_dft_c2r_1d(int(FM), FSpec.P, FPad.P, FFTW_MEASURE))
  {
  }
  void Run(const double* ALong, const double* AShort, double* Dst)
  {
    std::memset(FPad.P, 0, FM * sizeof(double));
    std::memcpy(FPad.P, AShort, FS * sizeof(double));
    fftw_execute_dft_r2c(FFwd.P, FPad.P, FKernel.P);
    const long N = FL + FS - 1, Step = FM - FS + 1;
    const double Scale = 1.0 / double(FM);
    for (long Out = 0; Out < N; Out += Step) {
      const long First = Out - (FS - 1);
      for (long J = 0; J < FM; ++J) {
        const long I = First + J;
        FPad.P[J] = I >= 0 && I < FL ? ALong[I] : 0.0;
      }
      fftw_execute(FFwd.P);
      for (long K = 0; K < FM / 2 + 1; ++K) {
        const std::complex<double> A(FSpec.P[K][0], FSpec.P[K][1]),
            B(FKernel.P[K][0], FKernel.P[K][1]);
        const std::complex<double> C = A * B * Scale;
        FSpec.P[K][0] = C.real();
        FSpec.P[K][1] = C.imag();
      }
      fftw_execute(FInv.P);
      std::memcpy(Dst + Out, FPad.P + (FS - 1), std::min(Step, N - Out) * sizeof(double));
    }
  }

private:
  long FL, FS, FM;
  TFftwBuffer<double> FPad;
  TFftwBuffer<fftw_complex> FSpec, FKernel;
  TPlan FFwd, FInv;
};

void BM_ippsConv_64f(benchmark::State& AState)
{
  QDScopeDispatcherStart();
  const int L = int(AState.range(0)), S = int(AState.range(1));
  const std::vector<double> A = Random(L, 1), B = Random(S, 2);
  std::vector<double> Dst(L + S - 1);
  for (auto _ : AState) {
    ippsConv_64f(A.data(), L, B.data(), S, Dst.data());
    benchmark::ClobberMemory();
  }
  AState.SetItemsProcessed(std::int64_t(AState.iterations()) * (L + S - 1));
}

void BM_ippsConv_64f_Fftw(benchmark::State& AState)
{
  const int L = int(AState.range(0)), S = int(AState.range(1));
  const std::vector<double> A = Random(L, 1), B = Random(S, 2);
  std::vector<double> Dst(L + S - 1);
  TFftwConv Conv(L, S);
  for (auto _ : AState) {
    Conv.Run(A.data(), B.data(), Dst.data());
    benchmark::ClobberMemory();
  }
  AState.SetItemsProcessed(std::int64_t(AState.iterations()) * (L + S - 1));
}

#define QD_CONV_ARGS                                                                               \
  ->Args({1000, 100})->Args({100000, 1000})->Args({1000000, 10000})->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_ippsConv_64f) QD_CONV_ARGS;
BENCHMARK(BM_ippsConv_64f_Fftw) QD_CONV_ARGS;

// Every lag of ALen values: one real transform of 2^d >= 2 ALen points.
void BM_ippsAutoCorr_64f(benchmark::State& AState)
{
  QDScopeDispatcherStart();
  const int Len = int(AState.range(0));
  const std::vector<double> Src = Random(Len, 3);
  std::vector<double> Dst(Len);
  for (auto _ : AState) {
    ippsAutoCorr_64f(Src.data(), Len, Dst.data(), Len);
    benchmark::ClobberMemory();
  }
  AState.SetItemsProcessed(std::int64_t(AState.iterations()) * Len);
}

void BM_ippsAutoCorr_64f_Fftw(benchmark::State& AState)
{
  const int Len = int(AState.range(0));
  const std::vector<double> Src = Random(Len, 3);
  std::vector<double> Dst(Len);
  const long M = 1L << OrderAtLeast(2L * Len);
  TFftwBuffer<double> Pad(M);
  TFftwBuffer<fftw_complex> Spectrum(M / 2 + 1);
  TPlan Fwd(fftw_plan_dft_r2c_1d(int(M), Pad.P, Spectrum.P, FFTW_MEASURE));
  TPlan Inv(fftw_plan_dft_c2r_1d(int(M), Spectrum.P, Pad.P, FFTW_MEASURE));
  const double Scale = 1.0 / double(M);
  for (auto _ : AState) {
    std::memcpy(Pad.P, Src.data(), Len * sizeof(double));
    std::memset(Pad.P + Len, 0, (M - Len) * sizeof(double));
    fftw_execute(Fwd.P);
    for (long K = 0; K < M / 2 + 1; ++K) {
      Spectrum.P[K][0] = (Spectrum.P[K][0] * Spectrum.P[K][0] + Spectrum.P[K][1] * Spectrum.P[K][1]) * Scale;
      Spectrum.P[K][1] = 0;
    }
    fftw_execute(Inv.P);
    std::memcpy(Dst.data(), Pad.P, Len * sizeof(double));
    benchmark::ClobberMemory();
  }
  AState.SetItemsProcessed(std::int64_t(AState.iterations()) * Len);
}

BENCHMARK(BM_ippsAutoCorr_64f)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ippsAutoCorr_64f_Fftw)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace
