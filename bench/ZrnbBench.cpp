// zrnb predict end to end on 1,000,000 rows of 4 features (3 classes, 600
// training rows), beside its parts measured in this process:
//
// - BM_ZrnbPredict / BM_ZrnbPredictScores: the built program is started
//   (posix_spawn) and waited for, as a user runs it: start-up, loading the
//   bridge, training, parsing, classifying, writing --output and renaming it.
//   Wall time per run; the program's own CPU time per row is a counter;
// - BM_ZrnbParseOnly: the tool's reader over the same input, no classifier;
// - BM_PredictFourFeatures: Predict of the same trained model per row, as
//   bench_classifier's BM_Predict does it for the demo's model (one buffer per
//   probe, a handler that reads ResultClass).
//
// The files are written once, into a temporary folder, before any timing.
#include "buffers/QDSimpleDataBuffer.h"
#include "classifier/ZRNaiveBayes.h"
#include "tools/ZRCsvReader.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t InputRows = 1000000;
constexpr int Features = 4;
constexpr int Classes = 3;
constexpr int TrainPerClass = 200;
constexpr std::size_t ProbeCount = 1024; // a power of two

const double Centre[Classes][Features] = {{0, 0, 0, 0}, {3, 1, -2, 5}, {-4, 2, 1, -1}};

/// A value as a person's data file would hold it: four decimals.
void AppendValue(std::string& AOut, double AValue)
{
  char Buf[32];
  const std::to_chars_result R = std::to_chars(Buf, Buf + sizeof Buf, AValue, std::chars_format::fixed, 4);
  AOut.append(Buf, R.ptr);
}

struct TSetup
{
  fs::path Folder;
  std::string Train, Input, Output, Errors;
  std::size_t InputBytes = 0;
  std::string Error; // set when the set-up failed: the benchmarks skip

  TZRNaiveBayes Model;
  std::vector<TRef<IQDRealBuffer>> Probes;

  TSetup()
  {
    std::string Pattern = (fs::temp_directory_path() / "zrnbbench.XXXXXX").string();
    if (!mkdtemp(Pattern.data())) {
      Error = "cannot make a temporary folder";
      return;
    }
    Folder = Pattern;
    Train = (Folder / "train.csv").string();
    Input = (Folder / "input.csv").string();
    Output = (Folder / "out.txt").string();
    Errors = (Folder / "stderr.txt").string();

    std::mt19937 Gen(42);
    std::normal_distribution<double> Normal(0.0, 1.0);
    std::string Text = "a,b,c,d,class\n";
    std::vector<double> TrainValues, TrainLabels;
    for (int K = 0; K < TrainPerClass; ++K)
      for (int C = 0; C < Classes; ++C) {
        for (int F = 0; F < Features; ++F) {
          const double V = Centre[C][F] + (1.0 + 0.3 * F) * Normal(Gen);
          AppendValue(Text, V);
          Text += ',';
        }
        Text += std::to_string(C + 1) + "\n";
      }
    std::ofstream(Train, std::ios::binary) << Text;

    Text.clear();
    Text.reserve(InputRows * 40);
    for (std::size_t R = 0; R < InputRows; ++R) {
      for (int F = 0; F < Features; ++F) {
        if (F)
          Text += ',';
        AppendValue(Text, Centre[R % Classes][F] + 1.5 * Normal(Gen));
      }
      Text += '\n';
    }
    InputBytes = Text.size();
    std::ofstream(Input, std::ios::binary) << Text;

    // The in-process model, trained through the tool's reader on the same file.
    TZRCsvReader Reader(Train);
    std::vector<double> Rows, Labels;
    while (Reader.NextRow()) {
      Rows.insert(Rows.end(), Reader.Values(), Reader.Values() + Features);
      Labels.push_back(Reader.Values()[Features]);
    }
    TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(Cardinal(Labels.size()), Features);
    std::copy(Rows.begin(), Rows.end(), M->Write());
    Model.Train(M->GetMatArrayIntf(), TQDRealBuffer::CreateData(Labels.data(), Cardinal(Labels.size())), false);
    TZRCsvReader In(Input);
    while (Probes.size() < ProbeCount && In.NextRow())
      Probes.push_back(TQDRealBuffer::CreateData(In.Values(), Features));

    // One run outside the timing: the program works and writes every row.
    if (Error.empty())
      Error = Check();
  }

  ~TSetup()
  {
    std::error_code E;
    if (!Folder.empty())
      fs::remove_all(Folder, E);
  }

  /// Starts zrnb predict and waits; its status, and its CPU seconds in ACpu.
  int RunZrnb(bool AScores, double& ACpu) const
  {
    std::vector<std::string> Args{ZRNB_FILE, "predict", "--train", Train, "--output", Output};
    if (AScores)
      Args.push_back("--scores");
    Args.push_back(Input);
    std::vector<char*> Argv;
    for (std::string& A : Args)
      Argv.push_back(A.data());
    Argv.push_back(nullptr);
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&Actions, 2, Errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t Pid = 0;
    const int E = posix_spawn(&Pid, ZRNB_FILE, &Actions, nullptr, Argv.data(), environ);
    posix_spawn_file_actions_destroy(&Actions);
    if (E != 0)
      return -1;
    int Status = 0;
    rusage Usage{};
    while (wait4(Pid, &Status, 0, &Usage) < 0 && errno == EINTR) {
    }
    ACpu = double(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
           1e-6 * double(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }

  std::string ReadErrors() const
  {
    std::ifstream In(Errors, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }

  std::string Check()
  {
    double Cpu = 0;
    if (RunZrnb(false, Cpu) != 0)
      return "zrnb failed: " + ReadErrors();
    std::ifstream In(Output, std::ios::binary);
    const std::string Out((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    if (std::size_t(std::count(Out.begin(), Out.end(), '\n')) != InputRows)
      return "zrnb wrote " + std::to_string(std::count(Out.begin(), Out.end(), '\n')) + " lines, not " +
             std::to_string(InputRows);
    return {};
  }
};

TSetup& Setup()
{
  static TSetup S;
  return S;
}

void ZrnbPredict(benchmark::State& AState, bool AScores)
{
  TSetup& S = Setup();
  if (!S.Error.empty()) {
    AState.SkipWithError(S.Error.c_str());
    return;
  }
  double Cpu = 0.0;
  for (auto _ : AState) {
    double C = 0.0;
    if (S.RunZrnb(AScores, C) != 0) {
      AState.SkipWithError(("zrnb failed: " + S.ReadErrors()).c_str());
      return;
    }
    Cpu += C;
  }
  const double Rows = double(AState.iterations()) * double(InputRows);
  AState.SetBytesProcessed(AState.iterations() * int64_t(S.InputBytes));
  AState.SetItemsProcessed(AState.iterations() * int64_t(InputRows));
  AState.counters["cpu_ns_per_row"] = 1e9 * Cpu / Rows;
  // Counted like bytes_per_second (1024-based), but over the program's CPU time.
  AState.counters["cpu_bytes_per_second"] = benchmark::Counter(
      double(AState.iterations()) * double(S.InputBytes) / Cpu, benchmark::Counter::kDefaults,
      benchmark::Counter::kIs1024);
}

void BM_ZrnbPredict(benchmark::State& AState)
{
  ZrnbPredict(AState, false);
}
BENCHMARK(BM_ZrnbPredict)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZrnbPredictScores(benchmark::State& AState)
{
  ZrnbPredict(AState, true);
}
BENCHMARK(BM_ZrnbPredictScores)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZrnbParseOnly(benchmark::State& AState)
{
  TSetup& S = Setup();
  if (!S.Error.empty()) {
    AState.SkipWithError(S.Error.c_str());
    return;
  }
  double Sum = 0.0;
  for (auto _ : AState) {
    TZRCsvReader Reader(S.Input);
    Reader.ExpectColumns(Features, "");
    while (Reader.NextRow())
      Sum += Reader.Values()[0];
  }
  benchmark::DoNotOptimize(Sum);
  AState.SetBytesProcessed(AState.iterations() * int64_t(S.InputBytes));
  AState.SetItemsProcessed(AState.iterations() * int64_t(InputRows));
}
BENCHMARK(BM_ZrnbParseOnly)->Unit(benchmark::kMillisecond);

struct TResultReader
{
  double Sum = 0.0;
  void Result(TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult) { Sum += AResult->GetResultClass(); }
};

void BM_PredictFourFeatures(benchmark::State& AState)
{
  TSetup& S = Setup();
  if (!S.Error.empty()) {
    AState.SkipWithError(S.Error.c_str());
    return;
  }
  TResultReader Reader;
  S.Model.SetOnResult(TZRNaiveBayesResultEvent::Method<&TResultReader::Result>(&Reader));
  std::size_t K = 0;
  for (auto _ : AState)
    S.Model.Predict(S.Probes[K++ & (ProbeCount - 1)]);
  benchmark::DoNotOptimize(Reader.Sum);
  S.Model.SetOnResult({});
  AState.SetItemsProcessed(AState.iterations());
}
BENCHMARK(BM_PredictFourFeatures);

} // namespace
