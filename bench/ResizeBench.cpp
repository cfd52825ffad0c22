// The C3 resize entry, called through the dispatch table, beside OpenCV's
// cv::resize on one thread: a 1920 x 1080 image to half and to double size.
// Linear and cubic are compared with INTER_LINEAR and INTER_CUBIC, the
// super-sampled half with INTER_AREA. The two compute slightly different
// pixels (other weights and rounding); only the time is compared. Inputs and
// outputs are prepared outside the timed loops.
#include "primitives/IppDefs.h"
#include "primitives/QDResizeDispatcher.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int SrcW = 1920, SrcH = 1080;

const cv::Mat& Source()
{
  static const cv::Mat Image = [] {
    cv::Mat M(SrcH, SrcW, CV_8UC3);
    std::mt19937 Gen(7);
    // A smooth picture with some noise, like a photograph.
    for (int Y = 0; Y < SrcH; ++Y)
      for (int X = 0; X < SrcW; ++X)
        for (int C = 0; C < 3; ++C)
          M.ptr<std::uint8_t>(Y)[3 * X + C] =
              static_cast<std::uint8_t>((X * (C + 1) / 8 + Y / 5 + Gen() % 16) & 0xFF);
    return M;
  }();
  return Image;
}

void SetSize(benchmark::State& AState, const cv::Mat& ADst)
{
  AState.SetBytesProcessed(std::int64_t(AState.iterations()) * ADst.total() * 3);
}

void BM_Ours(benchmark::State& AState, double AFactor, int AInterpolation)
{
  QDResizeDispatcherStart(); // fills the table before the first timed call
  const cv::Mat& Src = Source();
  cv::Mat Dst(int(SrcH * AFactor), int(SrcW * AFactor), CV_8UC3);
  for (auto _ : AState) {
    const IppStatus S = ippiResize_8u_C3R(Src.data, {SrcW, SrcH}, int(Src.step), {0, 0, SrcW, SrcH},
                                          Dst.data, int(Dst.step), {Dst.cols, Dst.rows}, AFactor,
                                          AFactor, AInterpolation);
    if (S != ippStsNoErr)
      AState.SkipWithError("resize failed");
    benchmark::ClobberMemory();
  }
  SetSize(AState, Dst);
}

void BM_OpenCV(benchmark::State& AState, double AFactor, int AInterpolation)
{
  cv::setNumThreads(1);
  const cv::Mat& Src = Source();
  cv::Mat Dst(int(SrcH * AFactor), int(SrcW * AFactor), CV_8UC3);
  for (auto _ : AState) {
    cv::resize(Src, Dst, Dst.size(), 0, 0, AInterpolation);
    benchmark::ClobberMemory();
  }
  SetSize(AState, Dst);
}

// The machine may be shared: with --benchmark_repetitions, the fastest
// repetition is the one least disturbed.
double Fastest(const std::vector<double>& ATimes)
{
  return *std::min_element(ATimes.begin(), ATimes.end());
}

#define QD_RESIZE_BENCH(NAME, FACTOR, METHOD, CVMETHOD)                       \
  BENCHMARK_CAPTURE(BM_Ours, NAME, FACTOR, METHOD)                                       \
      ->Unit(benchmark::kMillisecond)                                                    \
      ->ComputeStatistics("min", Fastest);                                               \
  BENCHMARK_CAPTURE(BM_OpenCV, NAME, FACTOR, CVMETHOD)                                   \
      ->Unit(benchmark::kMillisecond)                                                    \
      ->ComputeStatistics("min", Fastest);

QD_RESIZE_BENCH(LinearHalf, 0.5, IPPI_INTER_LINEAR, cv::INTER_LINEAR)
QD_RESIZE_BENCH(LinearDouble, 2.0, IPPI_INTER_LINEAR, cv::INTER_LINEAR)
QD_RESIZE_BENCH(CubicHalf, 0.5, IPPI_INTER_CUBIC, cv::INTER_CUBIC)
QD_RESIZE_BENCH(CubicDouble, 2.0, IPPI_INTER_CUBIC, cv::INTER_CUBIC)
QD_RESIZE_BENCH(SuperHalf, 0.5, IPPI_INTER_SUPER, cv::INTER_AREA)

} // namespace
