// Real buffer operations beside the bare dispatch entry they call, on the same
// buffers in the same run: what the buffer layer adds (a virtual call, the
// common-prefix count, the copy-on-write check) over one pass of the entry.
//
// Run with interleaved repetitions so both sides see the same machine load:
//   bench_realops --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
//                 --benchmark_report_aggregates_only=true
#include "buffers/QDSimpleDataBuffer.h"
#include "primitives/QDScopeDispatcher.h"

#include <benchmark/benchmark.h>

namespace {

constexpr Cardinal Len = 1000000;

// One pair of buffers for every case, so ours and the entry touch the same
// memory. Values near 1: repeated in-place runs neither overflow nor reach
// subnormal values.
struct TData
{
  TData() : Self(TQDRealBuffer::CreateValue(1.0, Len)), Right(TQDRealBuffer::CreateValue(1e-12, Len)) {}
  TRef<TQDRealBuffer> Self, Right;
};

TData& Data()
{
  static TData D;
  return D;
}

void Finish(benchmark::State& AState, std::int64_t ABytesPerElement)
{
  AState.SetBytesProcessed(std::int64_t(AState.iterations()) * Len * ABytesPerElement);
}

void BM_Add(benchmark::State& AState)
{
  TData& D = Data();
  TRef<IQDRealBuffer> Right = D.Right;
  for (auto _ : AState) {
    D.Self->Add(Right);
    benchmark::ClobberMemory();
  }
  Finish(AState, 24);
}

void BM_Add_Entry(benchmark::State& AState)
{
  TData& D = Data();
  const Real* Src = D.Right->Read();
  Real* Dst = D.Self->Modify();
  for (auto _ : AState) {
    ippsAdd_64f_I(Src, Dst, static_cast<int>(Len));
    benchmark::ClobberMemory();
  }
  Finish(AState, 24);
}

void BM_MultiplyValue(benchmark::State& AState)
{
  TData& D = Data();
  for (auto _ : AState) {
    D.Self->MultiplyValue(1.0000000001);
    benchmark::ClobberMemory();
  }
  Finish(AState, 16);
}

void BM_MultiplyValue_Entry(benchmark::State& AState)
{
  TData& D = Data();
  Real* Dst = D.Self->Modify();
  for (auto _ : AState) {
    ippsMulC_64f_I(1.0000000001, Dst, static_cast<int>(Len));
    benchmark::ClobberMemory();
  }
  Finish(AState, 16);
}

BENCHMARK(BM_Add);
BENCHMARK(BM_Add_Entry);
BENCHMARK(BM_MultiplyValue);
BENCHMARK(BM_MultiplyValue_Entry);

} // namespace
