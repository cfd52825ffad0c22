// What every prediction pays for its small buffers: creating and releasing a
// 2-value real buffer, beside the heap calls it is made of, from one thread and
// from two threads at once. A small buffer comes from the thread's parking lot
// and cache, so threads do not meet; the pool alone (one lock) is measured too.
// Times are wall-clock; with two threads Google Benchmark divides by the
// operations of both, so a two-thread time equal to the one-thread time means
// the second thread adds nothing, and half of it means perfect scaling.
#include "buffers/QDSimpleDataBuffer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

void BM_RealBufferCreateRelease(benchmark::State& AState)
{
  for (auto _ : AState) {
    TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(2);
    benchmark::DoNotOptimize(B.Get());
  }
}
BENCHMARK(BM_RealBufferCreateRelease)->UseRealTime()->Threads(1)->Threads(2);

// As a prediction uses it: made, written once through the copy-on-write
// accessor, released.
void BM_RealBufferCreateWriteRelease(benchmark::State& AState)
{
  for (auto _ : AState) {
    TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(2);
    Real* P = B->Write();
    P[0] = 1.0;
    P[1] = 2.0;
    benchmark::DoNotOptimize(P);
  }
}
BENCHMARK(BM_RealBufferCreateWriteRelease)->UseRealTime()->Threads(1)->Threads(2);

void BM_MallocFree16(benchmark::State& AState)
{
  for (auto _ : AState) {
    void* P = std::malloc(2 * sizeof(double));
    benchmark::DoNotOptimize(P);
    std::free(P);
  }
}
BENCHMARK(BM_MallocFree16)->UseRealTime()->Threads(1)->Threads(2);

void BM_MakeSharedVector2(benchmark::State& AState)
{
  for (auto _ : AState) {
    auto V = std::make_shared<std::vector<double>>(2);
    benchmark::DoNotOptimize(V->data());
  }
}
BENCHMARK(BM_MakeSharedVector2)->UseRealTime()->Threads(1)->Threads(2);

// The pool alone: one raw block of 16 bytes out and back, one lock each way.
void BM_PoolAllocateDeallocate16(benchmark::State& AState)
{
  TQDSmartBufferManager& Pool = SmartBufferManager();
  for (auto _ : AState) {
    void* P = Pool.Allocate(16);
    benchmark::DoNotOptimize(P);
    Pool.Deallocate(P, 16);
  }
}
BENCHMARK(BM_PoolAllocateDeallocate16)->UseRealTime()->Threads(1)->Threads(2);

} // namespace
