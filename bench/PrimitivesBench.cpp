// The element-wise 64f entries, called through the dispatch table, each
// beside its floor (PrimitivesFloor.cpp: the same plain loop built for this
// machine). Arguments are element counts; inputs are prepared outside the
// timed loops and chosen so that repeated in-place runs neither overflow nor
// reach subnormal values.
#include "PrimitivesFloor.h"

#include "primitives/QDScopeDispatcher.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

struct TFree
{
  void operator()(void* P) const { std::free(P); }
};

template <class T>
std::unique_ptr<T[], TFree> Aligned(std::size_t ACount)
{
  const std::size_t Bytes = (ACount * sizeof(T) + 63) / 64 * 64;
  return std::unique_ptr<T[], TFree>(static_cast<T*>(std::aligned_alloc(64, Bytes)));
}

// Two inputs near 1 (products stay in range) and an output.
struct TData
{
  explicit TData(int ALen) : Len(ALen), A(Aligned<double>(ALen)), B(Aligned<double>(ALen)),
                             Out(Aligned<double>(ALen)), Single(Aligned<float>(ALen))
  {
    QDScopeDispatcherStart(); // fills the table before the first timed call
    for (int I = 0; I < Len; ++I) {
      A[I] = 1.0 + (I % 17) * 1e-9;
      B[I] = 1.0 - (I % 13) * 1e-9;
      Out[I] = 0;
      Single[I] = 0;
    }
  }
  int Len;
  std::unique_ptr<double[], TFree> A, B, Out;
  std::unique_ptr<float[], TFree> Single;
};

template <class F>
void Run(benchmark::State& AState, std::size_t ABytesPerElement, F ACall)
{
  TData D(static_cast<int>(AState.range(0)));
  for (auto _ : AState) {
    ACall(D);
    benchmark::ClobberMemory();
  }
  AState.SetBytesProcessed(std::int64_t(AState.iterations()) * D.Len * std::int64_t(ABytesPerElement));
}

#define QD_BENCH_PAIR(NAME, BYTES, OURS, FLOOR)                                          \
  void BM_##NAME(benchmark::State& S) { Run(S, BYTES, [](TData& D) { OURS; }); }          \
  void BM_##NAME##_Floor(benchmark::State& S) { Run(S, BYTES, [](TData& D) { FLOOR; }); } \
  BENCHMARK(BM_##NAME)->Arg(1000)->Arg(1000000);                                         \
  BENCHMARK(BM_##NAME##_Floor)->Arg(1000)->Arg(1000000);

// Bytes per element: read plus written.
QD_BENCH_PAIR(ippsAdd_64f_I, 24, ippsAdd_64f_I(D.A.get(), D.Out.get(), D.Len),
              FloorAdd_I(D.A.get(), D.Out.get(), D.Len))
QD_BENCH_PAIR(ippsMul_64f_I, 24, ippsMul_64f_I(D.B.get(), D.A.get(), D.Len),
              FloorMul_I(D.B.get(), D.A.get(), D.Len))
QD_BENCH_PAIR(ippsMulC_64f_I, 16, ippsMulC_64f_I(1.0000000001, D.A.get(), D.Len),
              FloorMulC_I(1.0000000001, D.A.get(), D.Len))
QD_BENCH_PAIR(ippsAddC_64f_I, 16, ippsAddC_64f_I(0.5, D.Out.get(), D.Len),
              FloorAddC_I(0.5, D.Out.get(), D.Len))
QD_BENCH_PAIR(ippsSet_64f, 8, ippsSet_64f(2.5, D.Out.get(), D.Len), FloorSet(2.5, D.Out.get(), D.Len))
QD_BENCH_PAIR(ippsZero_64f, 8, ippsZero_64f(D.Out.get(), D.Len), FloorZero(D.Out.get(), D.Len))
QD_BENCH_PAIR(ippsCopy_64f, 16, ippsCopy_64f(D.A.get(), D.Out.get(), D.Len),
              FloorCopy(D.A.get(), D.Out.get(), D.Len))
QD_BENCH_PAIR(ippsConvert_64f32f, 12, ippsConvert_64f32f(D.A.get(), D.Single.get(), D.Len),
              FloorConvert64f32f(D.A.get(), D.Single.get(), D.Len))
QD_BENCH_PAIR(ippsAbs_64f, 16, ippsAbs_64f(D.A.get(), D.Out.get(), D.Len),
              FloorAbs(D.A.get(), D.Out.get(), D.Len))
QD_BENCH_PAIR(ippsSqr_64f, 16, ippsSqr_64f(D.A.get(), D.Out.get(), D.Len),
              FloorSqr(D.A.get(), D.Out.get(), D.Len))
QD_BENCH_PAIR(ippsSqrt_64f, 16, ippsSqrt_64f(D.A.get(), D.Out.get(), D.Len),
              FloorSqrt(D.A.get(), D.Out.get(), D.Len))

} // namespace
