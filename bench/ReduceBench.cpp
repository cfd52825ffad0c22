// The reductions, called through the dispatch table, each beside its floor
// (ReduceFloor.cpp: a plain long double loop with the same summation order,
// hence the same result). Arguments are element counts; inputs are prepared
// outside the timed loops.
#include "ReduceFloor.h"

#include "primitives/QDScopeDispatcher.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

struct TData
{
  explicit TData(int ALen) : Len(ALen), A(ALen), B(ALen)
  {
    QDScopeDispatcherStart(); // fills the table before the first timed call
    std::mt19937 Gen(42);
    std::uniform_real_distribution<double> Dist(-1000, 1000);
    for (int I = 0; I < Len; ++I) {
      A[I] = Dist(Gen);
      B[I] = Dist(Gen);
    }
  }
  int Len;
  std::vector<double> A, B;
};

template <class F>
void Run(benchmark::State& AState, int ASources, F ACall)
{
  TData D(static_cast<int>(AState.range(0)));
  for (auto _ : AState)
    benchmark::DoNotOptimize(ACall(D));
  AState.SetBytesProcessed(std::int64_t(AState.iterations()) * D.Len * 8 * ASources);
}

#define QD_BENCH_PAIR(NAME, SOURCES, OURS, FLOOR)                                        \
  void BM_##NAME(benchmark::State& S) { Run(S, SOURCES, [](TData& D) { OURS; }); }        \
  void BM_##NAME##_Floor(benchmark::State& S) { Run(S, SOURCES, [](TData& D) { FLOOR; }); } \
  BENCHMARK(BM_##NAME)->Arg(1000)->Arg(1000000);                                         \
  BENCHMARK(BM_##NAME##_Floor)->Arg(1000)->Arg(1000000);

QD_BENCH_PAIR(ippsMean_64f, 1, double R; ippsMean_64f(D.A.data(), D.Len, &R); return R,
              return FloorMean(D.A.data(), D.Len))
QD_BENCH_PAIR(ippsStdDev_64f, 1, double R; ippsStdDev_64f(D.A.data(), D.Len, &R); return R,
              return FloorStdDev(D.A.data(), D.Len))
QD_BENCH_PAIR(ippsDotProd_64f, 2, double R; ippsDotProd_64f(D.A.data(), D.B.data(), D.Len, &R); return R,
              return FloorDotProd(D.A.data(), D.B.data(), D.Len))
QD_BENCH_PAIR(ippsMaxIndx_64f, 1, double R; int At; ippsMaxIndx_64f(D.A.data(), D.Len, &R, &At);
              return R + At, int At; double R = FloorMaxIndx(D.A.data(), D.Len, &At); return R + At)
QD_BENCH_PAIR(ippsNormDiff_Inf_64f, 2, double R; ippsNormDiff_Inf_64f(D.A.data(), D.B.data(), D.Len, &R);
              return R, return FloorNormDiffInf(D.A.data(), D.B.data(), D.Len))

} // namespace
