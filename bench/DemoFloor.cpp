// The floor for one Run: the same 250,000 pixels classified from the same
// model arrays in a plain loop, written into the same kind of image, with no
// buffers, no result list and no event. Built with its own flags
// (bench/CMakeLists.txt).
#include "DemoBench.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <cmath>

void PaintRegionsFloor(const TDemoBenchModel& AModel, QImage& AImage)
{
  static constexpr QRgb Regions[3] = {0xff7f0000, 0xff007f00, 0xff00007f};
  const auto& Classes = *AModel.Classes;
  const auto& Avg = *AModel.Avg;
  const auto& Inv = *AModel.InvEigenValues;
  const auto& Rot = *AModel.Rot;
  const auto& Labels = *AModel.Labels;
  const std::size_t C = Classes.size();
  const int Width = AImage.width(), Height = AImage.height();
  for (int Y = 0; Y < Height; ++Y) {
    QRgb* Line = reinterpret_cast<QRgb*>(AImage.scanLine(Y));
    for (int X = 0; X < Width; ++X) {
      const double P[2] = {double(X), double(Y)};
      double Best = 1.7E308;
      std::size_t BestClass = 0;
      for (std::size_t Class = 0; Class < C; ++Class) {
        double Score = Classes[Class];
        const double D0 = Avg[Class][0] - P[0], D1 = Avg[Class][1] - P[1];
        for (std::size_t I = 0; I < 2; ++I) {
          const double T = D1 * Rot[Class][I][1] + (D0 * Rot[Class][I][0] + 0.0);
          Score = T * T * Inv[Class][I] + Score;
        }
        if (Score < Best) {
          Best = Score;
          BestClass = Class;
        }
      }
      const long Label = std::lround(Labels[BestClass]);
      if (Label >= 1 && Label <= 3)
        Line[X] = Regions[Label - 1];
    }
  }
}

namespace {

void BM_DemoRunFloor(benchmark::State& AState)
{
  const TDemoBenchInputs& In = DemoBenchInputs();
  if (!In.Error.empty()) {
    AState.SkipWithError(In.Error.c_str());
    return;
  }
  QImage Image(500, 500, QImage::Format_RGB32);
  for (auto _ : AState) {
    PaintRegionsFloor(In.Model, Image);
    benchmark::DoNotOptimize(Image.constBits());
    benchmark::ClobberMemory();
  }
  AState.SetItemsProcessed(AState.iterations() * 500 * 500);
}
BENCHMARK(BM_DemoRunFloor)->Unit(benchmark::kMillisecond);

} // namespace
