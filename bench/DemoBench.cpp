// One whole Run of the demo's form (clusters, training, 250,000 Predict calls
// whose result handler writes the pixels into the 500 x 500 image, markers)
// beside the floor (DemoFloor.cpp): the same pixels classified from the same
// model arrays in a plain loop. Qt's off-screen platform: no display needed.
//
// The set-up checks that the floor does the Run's work: the floor's regions
// with the Run's markers drawn on top must be the Run's picture, pixel for
// pixel.
#include "DemoBench.h"

#include "app/DemoApplication.h"
#include "app/DemoRandom.h"
#include "app/Unit1.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QtGlobal>

#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr std::uint64_t Seed = 20240611;

class TBenchNaiveBayes : public TZRNaiveBayes
{
public:
  TDemoBenchModel View() const { return {&FClasses, &FAvg, &FInvEigenValues, &FCovRotateMats, &FLabelValues}; }
  void Capture()
  {
    FLabelValues.clear();
    for (Integer I = 0; I < FLabels.GetCount(); ++I)
      FLabelValues.push_back(FLabels.GetLabel(I));
  }

private:
  std::vector<double> FLabelValues;
};

struct TDemoBench
{
  TForm1 Form;
  TBenchNaiveBayes Model;
  TDemoBenchInputs Inputs;

  TDemoBench()
  {
    try {
      Prepare();
    } catch (const std::exception& E) {
      Inputs.Error = std::string("set-up failed: ") + E.what();
    }
  }

  void Prepare()
  {
    // The Run's clusters, drawn as the form draws them (per row x, then y).
    SetRandSeed(Seed);
    const int R[3][4] = {{250, 0, 200, 0}, {199, 300, 200, 100}, {300, 0, 199, 300}};
    TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(150, 2);
    TRef<TQDRealBuffer> L = TQDRealBuffer::CreateSize(150);
    for (int Row = 0; Row < 150; ++Row) {
      const int* C = R[Row / 50];
      L->SetItem(Row, Row / 50 + 1.0);
      M->SetItem(Row, 0, Random(C[0]) + C[1]);
      M->SetItem(Row, 1, Random(C[2]) + C[3]);
    }
    Model.Train(M->GetMatArrayIntf(), L, false);
    Model.Capture();
    Inputs.Model = Model.View();

    SetRandSeed(Seed);
    Form.Button1Click(&Form);
    QImage Floor(500, 500, QImage::Format_RGB32);
    Floor.fill(0);
    PaintRegionsFloor(Inputs.Model, Floor);
    TCanvas Canvas(&Floor);
    for (int K = 0; K < 50; ++K)
      for (int Class = 0; Class < 3; ++Class) {
        const int Row = K + 50 * Class;
        const int X = int(std::lround(M->GetItem(Row, 0))), Y = int(std::lround(M->GetItem(Row, 1)));
        Canvas.SetPenColor(TForm1::MarkerColors[Class]);
        Canvas.SetBrushColor(TForm1::MarkerColors[Class]);
        Canvas.Ellipse(X - 2, Y - 2, X + 2, Y + 2);
      }
    if (Floor != Form.Image1->Bitmap())
      Inputs.Error = "the floor's picture differs from the Run's";
  }
};

TDemoBench* GBench = nullptr; // owned by main

void BM_DemoRun(benchmark::State& AState)
{
  if (!GBench->Inputs.Error.empty()) {
    AState.SkipWithError(GBench->Inputs.Error.c_str());
    return;
  }
  TForm1& Form = GBench->Form;
  for (auto _ : AState) {
    SetRandSeed(Seed); // a few hundred nanoseconds: the same Run every time
    Form.Button1Click(&Form);
    benchmark::DoNotOptimize(Form.Image1->Bitmap().constBits());
  }
  AState.SetItemsProcessed(AState.iterations() * 500 * 500);
}
BENCHMARK(BM_DemoRun)->Unit(benchmark::kMillisecond);

} // namespace

const TDemoBenchInputs& DemoBenchInputs()
{
  return GBench->Inputs;
}

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  int QtArgc = 1;
  char* QtArgv[] = {argv[0], nullptr};
  TDemoApplication Application(QtArgc, QtArgv);
  // Widgets must go before the application does.
  const auto Bench = std::make_unique<TDemoBench>();
  GBench = Bench.get();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  GBench = nullptr;
  return 0;
}
