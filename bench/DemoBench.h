// Shared by the demo benchmark's files: the model one Run trains, seen as the
// plain arrays the classifier keeps.
#pragma once

#include <string>
#include <vector>

struct TDemoBenchModel
{
  const std::vector<double>* Classes;                       // [C] log-determinants
  const std::vector<std::vector<double>>* Avg;              // [C][n]
  const std::vector<std::vector<double>>* InvEigenValues;   // [C][n]
  const std::vector<std::vector<std::vector<double>>>* Rot; // [C][n][n]
  const std::vector<double>* Labels;                        // [C]
};

struct TDemoBenchInputs
{
  TDemoBenchModel Model;
  std::string Error; // set when the set-up checks failed: the benchmarks skip
};

/// Prepared by main, outside every timed loop.
const TDemoBenchInputs& DemoBenchInputs();

class QImage;
/// The floor's work on its own: every pixel of AImage (500 x 500, RGB32) in
/// the region colour of its class. Defined in DemoFloor.cpp.
void PaintRegionsFloor(const TDemoBenchModel& AModel, QImage& AImage);
