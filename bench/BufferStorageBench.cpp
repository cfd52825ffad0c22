// What every prediction pays for its small buffers: creating and releasing a
// 2-value real buffer, beside the heap calls it is made of.
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
    benchmark::DoNotOptimize(B->Write());
  }
}
BENCHMARK(BM_RealBufferCreateRelease);

void BM_MallocFree16(benchmark::State& AState)
{
  for (auto _ : AState) {
    void* P = std::malloc(2 * sizeof(double));
    benchmark::DoNotOptimize(P);
    std::free(P);
  }
}
BENCHMARK(BM_MallocFree16);

void BM_MakeSharedVector2(benchmark::State& AState)
{
  for (auto _ : AState) {
    auto V = std::make_shared<std::vector<double>>(2);
    benchmark::DoNotOptimize(V->data());
  }
}
BENCHMARK(BM_MakeSharedVector2);

} // namespace
