// Shared by the classifier benchmark's files: the demo's trained model, seen
// as the plain arrays the classifier keeps, and the probe points.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct TBenchModelView
{
  const std::vector<double>* Classes;                       // [C] log-determinants
  const std::vector<std::vector<double>>* Avg;              // [C][n]
  const std::vector<std::vector<double>>* InvEigenValues;   // [C][n]
  const std::vector<std::vector<std::vector<double>>>* Rot; // [C][n][n]
  const std::vector<double>* Labels;                        // [C]
};

struct TBenchInputs
{
  TBenchModelView Model;
  std::vector<double> Probes; // ProbeCount points of n values each, on the demo plane
  std::size_t ProbeCount;     // a power of two
  std::string Error;          // set when the set-up checks failed: the benchmarks skip
};

/// Built on first use, outside every timed loop.
const TBenchInputs& BenchInputs();
