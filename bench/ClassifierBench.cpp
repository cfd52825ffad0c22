// Predict of the demo's model (n = 2, C = 3) per call, with its result list and
// an OnResult handler that reads ResultClass, beside the plain floor loop
// (ClassifierFloor.cpp) and OpenCV's NormalBayesClassifier predicting one
// sample per call on the same training data.
//
// OpenCV's core library exports cvCreateMat, cvReleaseMat and cvSVD as well.
// The set-up therefore checks that training really went through our bridge:
// every loader entry must be bound into libJXOpenCV2.so beside this program,
// and the log-determinants must match the covariances computed here.
#include "ClassifierBench.h"

#include "classifier/YHOpenCV.h"
#include "classifier/ZRNaiveBayes.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <opencv2/core.hpp>
#include <opencv2/ml.hpp>
#include <unistd.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t ProbeCount = 1024;

class TBenchNaiveBayes : public TZRNaiveBayes
{
public:
  TBenchModelView View() const { return {&FClasses, &FAvg, &FInvEigenValues, &FCovRotateMats, &FLabelValues}; }
  void Capture()
  {
    FLabelValues.clear();
    for (Integer I = 0; I < FLabels.GetCount(); ++I)
      FLabelValues.push_back(FLabels.GetLabel(I));
  }

private:
  std::vector<double> FLabelValues;
};

/// The demo's three clusters (fixed seed), drawn per row x first, then y.
struct TDemoData
{
  std::vector<std::vector<double>> Rows;
  std::vector<double> Labels;
};

TDemoData DemoData()
{
  std::mt19937 Gen(20240611);
  auto Random = [&Gen](int R) { return double(std::uniform_int_distribution<int>(0, R - 1)(Gen)); };
  TDemoData D;
  const int Ranges[3][4] = {{250, 0, 200, 0}, {199, 300, 200, 100}, {300, 0, 199, 300}};
  for (int C = 0; C < 3; ++C)
    for (int K = 0; K < 50; ++K) {
      const double X = Random(Ranges[C][0]) + Ranges[C][1];
      D.Rows.push_back({X, Random(Ranges[C][2]) + Ranges[C][3]});
      D.Labels.push_back(C + 1.0);
    }
  return D;
}

std::string ProgramDirectory()
{
  char Buf[4096];
  const ssize_t N = readlink("/proc/self/exe", Buf, sizeof Buf - 1);
  const std::string Path(Buf, N > 0 ? std::size_t(N) : 0);
  return Path.substr(0, Path.rfind('/'));
}

template <class E>
std::string CheckBound(const E& AEntry)
{
  Dl_info Info{};
  if (!AEntry.IsBound())
    return std::string(AEntry.Name()) + " is not bound";
  if (!dladdr(reinterpret_cast<void*>(AEntry.Get()), &Info) || !Info.dli_fname)
    return std::string(AEntry.Name()) + " lies in no loaded file";
  const std::string Want = ProgramDirectory() + "/" + YHOpenCV::SLibraryName;
  if (Info.dli_fname != Want)
    return std::string(AEntry.Name()) + " is bound into " + Info.dli_fname + ", not " + Want;
  return {};
}

struct TBench
{
  TBenchNaiveBayes Model;
  TBenchInputs Inputs;
  std::vector<TRef<IQDRealBuffer>> ProbeBuffers;
  cv::Ptr<cv::ml::NormalBayesClassifier> OpenCV;
  std::vector<cv::Mat> OpenCVProbes;
  double OpenCVAgreement = 0.0;

  TBench()
  {
    const TDemoData D = DemoData();
    TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(150, 2);
    TRef<TQDRealBuffer> L = TQDRealBuffer::CreateSize(150);
    cv::Mat Samples(150, 2, CV_32F), Responses(150, 1, CV_32S);
    for (int R = 0; R < 150; ++R) {
      M->SetItem(R, 0, D.Rows[R][0]);
      M->SetItem(R, 1, D.Rows[R][1]);
      L->SetItem(R, D.Labels[R]);
      Samples.at<float>(R, 0) = float(D.Rows[R][0]);
      Samples.at<float>(R, 1) = float(D.Rows[R][1]);
      Responses.at<int>(R, 0) = int(D.Labels[R]);
    }
    Model.Train(M->GetMatArrayIntf(), L, false);
    Model.Capture();
    Inputs.Model = Model.View();
    Inputs.ProbeCount = ProbeCount;
    // OpenCV would hand parts of even a one-sample call to its thread pool,
    // whose work the CPU time of this thread does not count. On the calling
    // thread alone, as Predict runs, both CPU times measure all the work.
    cv::setNumThreads(0);
    OpenCV = cv::ml::NormalBayesClassifier::create();
    OpenCV->train(Samples, cv::ml::ROW_SAMPLE, Responses);

    std::mt19937 Gen(5);
    std::uniform_int_distribution<int> Pixel(0, 499);
    for (std::size_t K = 0; K < ProbeCount; ++K) {
      const double P[2] = {double(Pixel(Gen)), double(Pixel(Gen))};
      Inputs.Probes.insert(Inputs.Probes.end(), P, P + 2);
      ProbeBuffers.push_back(TQDRealBuffer::CreateData(P, 2));
      cv::Mat Row(1, 2, CV_32F);
      Row.at<float>(0, 0) = float(P[0]);
      Row.at<float>(0, 1) = float(P[1]);
      OpenCVProbes.push_back(Row);
    }
    Inputs.Error = Check(D);
  }

  // Our bridge did the training, and the reference classifies like us.
  std::string Check(const TDemoData& AData)
  {
    for (const std::string& E :
         {CheckBound(YHOpenCV::cvCreateMat), CheckBound(YHOpenCV::cvReleaseMat), CheckBound(YHOpenCV::cvSVD),
          CheckBound(YHOpenCV::cvSetMatItem), CheckBound(YHOpenCV::cvGetMatItem)})
      if (!E.empty())
        return E;
    for (int C = 0; C < 3; ++C) {
      double S[2] = {0, 0}, P[3] = {0, 0, 0};
      for (std::size_t R = 0; R < AData.Rows.size(); ++R) {
        if (AData.Labels[R] != C + 1.0)
          continue;
        const double X = AData.Rows[R][0], Y = AData.Rows[R][1];
        S[0] += X, S[1] += Y, P[0] += X * X, P[1] += X * Y, P[2] += Y * Y;
      }
      const double Sxx = (P[0] - S[0] * S[0] / 50) / 49, Sxy = (P[1] - S[0] * S[1] / 50) / 49,
                   Syy = (P[2] - S[1] * S[1] / 50) / 49;
      const double Want = std::log(Sxx * Syy - Sxy * Sxy);
      const double Got = (*Inputs.Model.Classes)[std::size_t(C)];
      if (!(std::fabs(Got - Want) <= 1e-9 * std::fabs(Want)))
        return "log-determinant of class " + std::to_string(C) + " is " + std::to_string(Got) + ", want " +
               std::to_string(Want);
    }
    int Agree = 0;
    double Got = 0.0;
    auto Handler = [&Got](TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult) {
      Got = AResult->GetResultClass();
    };
    Model.SetOnResult(TZRNaiveBayesResultEvent::Handler(Handler));
    for (std::size_t K = 0; K < ProbeCount; ++K) {
      Model.Predict(ProbeBuffers[K]);
      Agree += OpenCV->predict(OpenCVProbes[K]) == float(Got);
    }
    Model.SetOnResult({});
    OpenCVAgreement = double(Agree) / ProbeCount;
    if (OpenCVAgreement < 0.95) // OpenCV divides the covariance by N, we by N - 1
      return "OpenCV agrees on only " + std::to_string(OpenCVAgreement * 100) + "% of the probes";
    return {};
  }
};

TBench& Bench()
{
  static TBench B;
  return B;
}

// What a handler in the demo reads.
struct TResultReader
{
  double Sum = 0.0;
  void Result(TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult) { Sum += AResult->GetResultClass(); }
};

void BM_Predict(benchmark::State& AState)
{
  TBench& B = Bench();
  if (!B.Inputs.Error.empty()) {
    AState.SkipWithError(B.Inputs.Error.c_str());
    return;
  }
  TResultReader Reader;
  B.Model.SetOnResult(TZRNaiveBayesResultEvent::Method<&TResultReader::Result>(&Reader));
  std::size_t K = 0;
  for (auto _ : AState)
    B.Model.Predict(B.ProbeBuffers[K++ & (ProbeCount - 1)]);
  benchmark::DoNotOptimize(Reader.Sum);
  B.Model.SetOnResult({});
  AState.SetItemsProcessed(AState.iterations());
}
BENCHMARK(BM_Predict);

void BM_OpenCVNormalBayesPredictOne(benchmark::State& AState)
{
  TBench& B = Bench();
  if (!B.Inputs.Error.empty()) {
    AState.SkipWithError(B.Inputs.Error.c_str());
    return;
  }
  std::size_t K = 0;
  for (auto _ : AState) {
    const float Label = B.OpenCV->predict(B.OpenCVProbes[K++ & (ProbeCount - 1)]);
    benchmark::DoNotOptimize(Label);
  }
  AState.SetItemsProcessed(AState.iterations());
  AState.counters["agreement"] = B.OpenCVAgreement;
}
BENCHMARK(BM_OpenCVNormalBayesPredictOne);

} // namespace

const TBenchInputs& BenchInputs()
{
  return Bench().Inputs;
}
