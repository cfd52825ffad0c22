// The floor for Predict: the same scores from the same model arrays in a
// plain loop, with no result list, no event and no buffers. Built with its
// own flags (bench/CMakeLists.txt).
#include "ClassifierBench.h"

#include <benchmark/benchmark.h>

namespace {

void BM_PredictFloor(benchmark::State& AState)
{
  const TBenchInputs& In = BenchInputs();
  if (!In.Error.empty()) {
    AState.SkipWithError(In.Error.c_str());
    return;
  }
  const auto& Classes = *In.Model.Classes;
  const auto& Avg = *In.Model.Avg;
  const auto& Inv = *In.Model.InvEigenValues;
  const auto& Rot = *In.Model.Rot;
  const auto& Labels = *In.Model.Labels;
  const std::size_t C = Classes.size();
  const std::size_t M = Avg.front().size();
  const std::size_t Mask = In.ProbeCount - 1;
  double Diff[8];
  double Scores[8];
  if (C > 8 || M > 8) {
    AState.SkipWithError("the floor handles up to 8 classes and features");
    return;
  }
  std::size_t K = 0;
  for (auto _ : AState) {
    const double* X = In.Probes.data() + (K++ & Mask) * M;
    benchmark::DoNotOptimize(X);
    double Best = 1.7E308;
    std::size_t BestClass = 0;
    for (std::size_t Class = 0; Class < C; ++Class) {
      double Score = Classes[Class];
      for (std::size_t I = 0; I < M; ++I)
        Diff[I] = Avg[Class][I] - X[I];
      for (std::size_t I = 0; I < M; ++I) {
        double T = 0.0;
        for (std::size_t J = 0; J < M; ++J)
          T = Diff[J] * Rot[Class][I][J] + T;
        Score = T * T * Inv[Class][I] + Score;
      }
      if (Score < Best) {
        Best = Score;
        BestClass = Class;
      }
      Scores[Class] = Score;
    }
    double Label = Labels[BestClass];
    benchmark::DoNotOptimize(Label);
    benchmark::DoNotOptimize(Scores);
  }
  AState.SetItemsProcessed(AState.iterations());
}
BENCHMARK(BM_PredictFloor);

} // namespace
