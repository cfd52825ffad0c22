// zrnb end to end: the built program runs on files in a temporary folder, and
// its output is checked against a Gaussian model computed here directly
// (sample means, covariances with divisor N - 1, explicit inverses and
// determinants), not against anything the program printed before.
#include "ToolFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace ToolFixtures;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

const std::string ZrnbFile = ZRNB_FILE;

/// Eigenvalues of a covariance are raised to this before use.
constexpr double EigenFloor = 1.192092896E-07;

// ---------------------------------------------------------------------------
// The reference model
// ---------------------------------------------------------------------------

/// A labelled sample as the files hold it: features as written, the label as
/// written and as zrnb must print it.
struct TSample
{
  std::vector<std::string> Features;
  std::string Label;
};

/// One class: mean, covariance inverse and log-determinant, computed from the
/// values the texts read as.
struct TRefClass
{
  double Label = 0.0;
  std::vector<double> Mean;
  std::vector<std::vector<double>> Inverse;
  double LogDet = 0.0;
};

double Value(const std::string& AText)
{
  return std::strtod(AText.c_str(), nullptr);
}

/// Classes in order of first appearance. One or two features: the 1 x 1 and
/// 2 x 2 inverses and determinants in closed form.
std::vector<TRefClass> ReferenceModel(const std::vector<TSample>& ATrain)
{
  std::vector<TRefClass> Classes;
  std::vector<std::vector<std::vector<double>>> Members;
  for (const TSample& S : ATrain) {
    const double L = Value(S.Label);
    std::size_t C = 0;
    while (C < Classes.size() && Classes[C].Label != L)
      ++C;
    if (C == Classes.size()) {
      Classes.push_back({L, {}, {}, 0.0});
      Members.emplace_back();
    }
    std::vector<double> X;
    for (const std::string& F : S.Features)
      X.push_back(Value(F));
    Members[C].push_back(X);
  }
  const std::size_t N = ATrain.front().Features.size();
  for (std::size_t C = 0; C < Classes.size(); ++C) {
    const auto& M = Members[C];
    const double Count = static_cast<double>(M.size());
    std::vector<double> Mean(N, 0.0);
    for (const auto& X : M)
      for (std::size_t I = 0; I < N; ++I)
        Mean[I] += X[I] / Count;
    std::vector<std::vector<double>> Cov(N, std::vector<double>(N, 0.0));
    if (M.size() > 1)
      for (const auto& X : M)
        for (std::size_t I = 0; I < N; ++I)
          for (std::size_t J = 0; J < N; ++J)
            Cov[I][J] += (X[I] - Mean[I]) * (X[J] - Mean[J]) / (Count - 1);
    TRefClass& R = Classes[C];
    R.Mean = Mean;
    if (N == 1) {
      const double V = std::max(Cov[0][0], EigenFloor);
      R.Inverse = {{1.0 / V}};
      R.LogDet = std::log(V);
    } else {
      const double A = Cov[0][0], B = Cov[0][1], D = Cov[1][1];
      const double Det = A * D - B * B; // the data sets here are never degenerate
      R.Inverse = {{D / Det, -B / Det}, {-B / Det, A / Det}};
      R.LogDet = std::log(Det);
    }
  }
  return Classes;
}

/// ln det(Sigma) + (mu - x)' Sigma^-1 (mu - x).
double Score(const TRefClass& AClass, const std::vector<double>& AX)
{
  double Q = 0.0;
  for (std::size_t I = 0; I < AX.size(); ++I)
    for (std::size_t J = 0; J < AX.size(); ++J)
      Q += (AClass.Mean[I] - AX[I]) * AClass.Inverse[I][J] * (AClass.Mean[J] - AX[J]);
  return AClass.LogDet + Q;
}

std::vector<double> Scores(const std::vector<TRefClass>& AModel, const std::vector<std::string>& AFeatures)
{
  std::vector<double> X, S;
  for (const std::string& F : AFeatures)
    X.push_back(Value(F));
  for (const TRefClass& C : AModel)
    S.push_back(Score(C, X));
  return S;
}

std::size_t Best(const std::vector<double>& AScores)
{
  std::size_t B = 0;
  for (std::size_t I = 1; I < AScores.size(); ++I)
    if (AScores[I] < AScores[B])
      B = I;
  return B;
}

/// The printed label of each class, in class order.
std::vector<std::string> PrintedLabels(const std::vector<TSample>& ATrain, const std::map<std::string, std::string>& APrint)
{
  std::vector<std::string> Out;
  std::vector<double> Seen;
  for (const TSample& S : ATrain) {
    const double L = Value(S.Label);
    if (std::find(Seen.begin(), Seen.end(), L) == Seen.end()) {
      Seen.push_back(L);
      Out.push_back(APrint.at(S.Label));
    }
  }
  return Out;
}

// ---------------------------------------------------------------------------
// Data sets
// ---------------------------------------------------------------------------

struct TDataSet
{
  std::vector<TSample> Train;
  std::vector<std::vector<std::string>> Probes;
  std::map<std::string, std::string> Print; // label as written -> as printed
};

/// One feature, three classes met in the order 2.5, 1, -10; the last has a
/// single sample (a zero variance, raised to the floor).
TDataSet OneFeature()
{
  TDataSet D;
  D.Train = {{{"10"}, "2.50"}, {{"1"}, "1.0"}, {{"2"}, "1.0"}, {{"5"}, "-1e1"}, {{"12"}, "2.50"},
             {{"3"}, "1.0"},   {{"4"}, "1.0"}, {{"14"}, "2.50"}};
  D.Probes = {{"0"}, {"2.5"}, {"5"}, {"6"}, {"9"}, {"13"}, {"20"}, {"-3.75"}, {"5.01"}};
  D.Print = {{"2.50", "2.5"}, {"1.0", "1"}, {"-1e1", "-10"}};
  return D;
}

std::string Fixed(double AValue)
{
  char Buf[32];
  std::snprintf(Buf, sizeof Buf, "%.4f", AValue);
  return Buf;
}

/// Two features, three overlapping classes with full covariances; probes
/// near a decision boundary (where rounding could decide) are left out.
TDataSet TwoFeatures(unsigned ASeed)
{
  std::mt19937 Gen(ASeed);
  std::normal_distribution<double> Normal(0.0, 1.0);
  const char* Labels[3] = {"7", "-0.250", "1e3"};
  const double Centre[3][2] = {{0, 0}, {3, 1}, {1, 3}};
  const double Mix[3][2][2] = {{{1.0, 0.3}, {0.0, 0.8}}, {{0.7, -0.4}, {0.2, 1.2}}, {{1.5, 0.0}, {0.5, 0.6}}};
  TDataSet D;
  D.Print = {{"7", "7"}, {"-0.250", "-0.25"}, {"1e3", "1000"}};
  for (int K = 0; K < 40; ++K)
    for (int C = 0; C < 3; ++C) {
      const double Z0 = Normal(Gen), Z1 = Normal(Gen);
      D.Train.push_back({{Fixed(Centre[C][0] + Mix[C][0][0] * Z0 + Mix[C][0][1] * Z1),
                          Fixed(Centre[C][1] + Mix[C][1][0] * Z0 + Mix[C][1][1] * Z1)},
                         Labels[C]});
    }
  const std::vector<TRefClass> Model = ReferenceModel(D.Train);
  std::uniform_real_distribution<double> Plane(-3.0, 6.0);
  while (D.Probes.size() < 60) {
    const std::vector<std::string> P{Fixed(Plane(Gen)), Fixed(Plane(Gen))};
    std::vector<double> S = Scores(Model, P);
    const double B = S[Best(S)];
    std::sort(S.begin(), S.end());
    if (S[1] - B > 1e-6 * std::max(1.0, std::fabs(B)))
      D.Probes.push_back(P);
  }
  return D;
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

/// How a file is written: where the label goes, the line end, decoration.
struct TLayout
{
  int LabelColumn = -1; // -1: last
  std::string LineEnd = "\n";
  std::string Header = ""; // a first line, if any (without its end)
  bool Blanks = false;  // blank lines and spaces around the fields
};

std::string Labelled(const std::vector<TSample>& ARows, const TLayout& ALayout = {})
{
  std::string T;
  if (!ALayout.Header.empty())
    T += ALayout.Header + ALayout.LineEnd;
  for (std::size_t R = 0; R < ARows.size(); ++R) {
    std::vector<std::string> F = ARows[R].Features;
    const std::size_t At = ALayout.LabelColumn < 0 ? F.size() : static_cast<std::size_t>(ALayout.LabelColumn);
    F.insert(F.begin() + static_cast<std::ptrdiff_t>(At), ARows[R].Label);
    if (ALayout.Blanks && R % 3 == 0)
      T += " \t" + ALayout.LineEnd + ALayout.LineEnd;
    for (std::size_t I = 0; I < F.size(); ++I)
      T += (I ? "," : "") + (ALayout.Blanks ? " " + F[I] + "\t" : F[I]);
    T += ALayout.LineEnd;
  }
  return T;
}

std::string Unlabelled(const std::vector<std::vector<std::string>>& ARows, const TLayout& ALayout = {})
{
  std::string T;
  if (!ALayout.Header.empty())
    T += ALayout.Header + ALayout.LineEnd;
  for (std::size_t R = 0; R < ARows.size(); ++R) {
    if (ALayout.Blanks && R % 4 == 1)
      T += ALayout.LineEnd;
    for (std::size_t I = 0; I < ARows[R].size(); ++I)
      T += (I ? "," : "") + (ALayout.Blanks ? "  " + ARows[R][I] : ARows[R][I]);
    T += ALayout.LineEnd;
  }
  return T;
}

// ---------------------------------------------------------------------------
// Checks of predict's output
// ---------------------------------------------------------------------------

/// Every line: the label of the smallest reference score and, with AScores,
/// the scores themselves, each printed with 17 significant digits.
void ExpectPredictions(const std::string& AOut, const TDataSet& AData, bool AScores)
{
  const std::vector<TRefClass> Model = ReferenceModel(AData.Train);
  const std::vector<std::string> Names = PrintedLabels(AData.Train, AData.Print);
  const std::vector<std::string> L = Lines(AOut);
  ASSERT_EQ(L.size(), AData.Probes.size()) << AOut;
  ASSERT_TRUE(AOut.empty() || AOut.back() == '\n');
  for (std::size_t R = 0; R < L.size(); ++R) {
    const std::vector<double> Want = Scores(Model, AData.Probes[R]);
    const std::vector<std::string> F = Fields(L[R]);
    ASSERT_EQ(F.size(), AScores ? 1 + Want.size() : 1) << "line " << R + 1 << ": " << L[R];
    EXPECT_EQ(F[0], Names[Best(Want)]) << "line " << R + 1;
    for (std::size_t C = 0; AScores && C < Want.size(); ++C) {
      const double Got = Value(F[C + 1]);
      EXPECT_NEAR(Got, Want[C], 1e-9 * std::max(1.0, std::fabs(Want[C]))) << "line " << R + 1 << " class " << C;
      char Printed[40];
      std::snprintf(Printed, sizeof Printed, "%.17g", Got);
      EXPECT_EQ(F[C + 1], Printed) << "line " << R + 1 << " class " << C << ": not 17 significant digits";
    }
  }
}

class Zrnb : public ::testing::Test
{
protected:
  void Put(const std::string& AName, const std::string& AText) { WriteFile(FDir / AName, AText); }
  TRunResult RunZrnb(const std::vector<std::string>& AArgs, const TRunOptions& AOptions = {})
  {
    return RunProgram(ZrnbFile, AArgs, FDir.Path(), AOptions);
  }

  TTempFolder FDir;
};

/// A finished run with nothing on standard error.
void ExpectDone(const TRunResult& ARun)
{
  EXPECT_EQ(ARun.Status, 0) << ARun.Err;
  EXPECT_EQ(ARun.Err, "");
}

// ---------------------------------------------------------------------------
// predict
// ---------------------------------------------------------------------------

TEST_F(Zrnb, PredictsOneFeatureInClosedFormPastAHeader)
{
  const TDataSet D = OneFeature();
  Put("train.csv", Labelled(D.Train, {.Header = "value,label"}));
  Put("input.csv", Unlabelled(D.Probes, {.Header = "value"}));
  const TRunResult R = RunZrnb({"predict", "--train", "train.csv", "--scores", "input.csv"});
  ExpectDone(R);
  ExpectPredictions(R.Out, D, true);
  // The lone sample's class wins at its sample, and no longer 0.01 away.
  EXPECT_THAT(Lines(R.Out)[2], StartsWith("-10,"));
  EXPECT_THAT(Lines(R.Out)[8], StartsWith("1,"));
}

TEST_F(Zrnb, PredictsTwoFeaturesLikeTheDirectGaussian)
{
  const TDataSet D = TwoFeatures(3);
  Put("train.csv", Labelled(D.Train));
  Put("input.csv", Unlabelled(D.Probes));
  const TRunResult WithScores = RunZrnb({"predict", "--train", "train.csv", "--scores", "input.csv"});
  ExpectDone(WithScores);
  ExpectPredictions(WithScores.Out, D, true);
  const TRunResult LabelsOnly = RunZrnb({"predict", "--train=train.csv", "input.csv"});
  ExpectDone(LabelsOnly);
  ExpectPredictions(LabelsOnly.Out, D, false);
}

class ZrnbLabelColumn : public Zrnb, public ::testing::WithParamInterface<int>
{
};

TEST_P(ZrnbLabelColumn, SelectsTheLabel)
{
  const TDataSet D = TwoFeatures(5);
  Put("train.csv", Labelled(D.Train, {.LabelColumn = GetParam()}));
  Put("input.csv", Unlabelled(D.Probes));
  const TRunResult R =
      RunZrnb({"predict", "--label-column", std::to_string(GetParam()), "--train", "train.csv", "--scores", "input.csv"});
  ExpectDone(R);
  ExpectPredictions(R.Out, D, true);
}

INSTANTIATE_TEST_SUITE_P(Tools, ZrnbLabelColumn, ::testing::Values(0, 1, 2),
                         [](const auto& AInfo) { return "Column" + std::to_string(AInfo.param); });

TEST_F(Zrnb, ReadsCrLfBlankLinesAndSpaces)
{
  const TDataSet D = TwoFeatures(7);
  Put("train.csv", Labelled(D.Train, {.LineEnd = "\r\n", .Header = "x,y,class", .Blanks = true}));
  Put("input.csv", Unlabelled(D.Probes, {.LineEnd = "\r\n", .Blanks = true}));
  const TRunResult R = RunZrnb({"predict", "--train", "train.csv", "--scores", "input.csv"});
  ExpectDone(R);
  ExpectPredictions(R.Out, D, true);
}

TEST_F(Zrnb, ReadsEitherFileFromStandardInput)
{
  const TDataSet D = TwoFeatures(11);
  Put("train.csv", Labelled(D.Train));
  Put("input.csv", Unlabelled(D.Probes));
  const TRunResult InputFromStdin =
      RunZrnb({"predict", "--train", "train.csv", "--scores", "-"}, {.Stdin = Unlabelled(D.Probes)});
  ExpectDone(InputFromStdin);
  ExpectPredictions(InputFromStdin.Out, D, true);
  const TRunResult TrainFromStdin =
      RunZrnb({"predict", "--train", "-", "--scores", "input.csv"}, {.Stdin = Labelled(D.Train)});
  ExpectDone(TrainFromStdin);
  ExpectPredictions(TrainFromStdin.Out, D, true);
}

TEST_F(Zrnb, OutputFileHoldsThePredictionsAndNothingElseIsLeft)
{
  const TDataSet D = TwoFeatures(13);
  Put("train.csv", Labelled(D.Train));
  Put("input.csv", Unlabelled(D.Probes));
  Put("out.txt", "old contents\n");
  const TRunResult R = RunZrnb({"predict", "--train", "train.csv", "--output", "out.txt", "--scores", "input.csv"});
  ExpectDone(R);
  EXPECT_EQ(R.Out, "");
  ExpectPredictions(ReadFile(FDir / "out.txt"), D, true);
  EXPECT_THAT(FDir.Entries(), ElementsAre("input.csv", "out.txt", "train.csv"));
}

TEST_F(Zrnb, InputWithoutRowsGivesEmptyOutput)
{
  const TDataSet D = OneFeature();
  Put("train.csv", Labelled(D.Train));
  Put("input.csv", "value\n\n");
  const TRunResult R = RunZrnb({"predict", "--train", "train.csv", "--output", "out.txt", "input.csv"});
  ExpectDone(R);
  EXPECT_EQ(ReadFile(FDir / "out.txt"), "");
  EXPECT_THAT(FDir.Entries(), ElementsAre("input.csv", "out.txt", "train.csv"));
}

// ---------------------------------------------------------------------------
// evaluate
// ---------------------------------------------------------------------------

/// The numbers evaluate printed.
struct TEvaluation
{
  long Rows = -1;
  double Accuracy = -1;
  long Correct = -1, Of = -1;
  std::vector<std::string> Columns;
  std::vector<std::pair<std::string, std::vector<long>>> Matrix;
};

TEvaluation ParseEvaluation(const std::string& AOut)
{
  TEvaluation E;
  const std::vector<std::string> L = Lines(AOut);
  if (L.size() < 4)
    return E;
  std::sscanf(L[0].c_str(), "rows: %ld", &E.Rows);
  std::sscanf(L[1].c_str(), "accuracy: %lf (%ld of %ld)", &E.Accuracy, &E.Correct, &E.Of);
  std::istringstream Head(L[3]);
  for (std::string W; Head >> W;)
    E.Columns.push_back(W);
  for (std::size_t I = 4; I < L.size() && !L[I].starts_with("*"); ++I) {
    std::istringstream Row(L[I]);
    std::string Name;
    Row >> Name;
    std::vector<long> Cells;
    for (long V; Row >> V;)
      Cells.push_back(V);
    E.Matrix.emplace_back(Name, Cells);
  }
  return E;
}

TEST_F(Zrnb, EvaluateCountsLikeTheDirectGaussian)
{
  const TDataSet D = TwoFeatures(17);
  const std::vector<TRefClass> Model = ReferenceModel(D.Train);
  const std::vector<std::string> Names = PrintedLabels(D.Train, D.Print);
  const std::vector<std::string> Written{"7", "-0.250", "1e3"};
  // True labels: the reference's prediction for most rows, another class for
  // every fifth, so that the matrix has cells off its diagonal.
  std::vector<TSample> Test;
  std::vector<std::vector<long>> Want(3, std::vector<long>(3, 0));
  long Correct = 0;
  for (std::size_t R = 0; R < D.Probes.size(); ++R) {
    const std::size_t Predicted = Best(Scores(Model, D.Probes[R]));
    const std::size_t Truth = R % 5 == 0 ? (Predicted + 1 + R % 2) % 3 : Predicted;
    Test.push_back({D.Probes[R], Written[Truth]});
    ++Want[Truth][Predicted];
    Correct += Truth == Predicted;
  }
  Put("train.csv", Labelled(D.Train));
  Put("test.csv", Labelled(Test, {.Header = "x,y,class"}));
  const TRunResult R = RunZrnb({"evaluate", "--train", "train.csv", "test.csv"});
  ExpectDone(R);
  const TEvaluation E = ParseEvaluation(R.Out);
  const long Rows = static_cast<long>(D.Probes.size());
  EXPECT_EQ(E.Rows, Rows) << R.Out;
  EXPECT_EQ(E.Correct, Correct) << R.Out;
  EXPECT_EQ(E.Of, Rows);
  EXPECT_DOUBLE_EQ(E.Accuracy, static_cast<double>(Correct) / static_cast<double>(Rows));
  EXPECT_EQ(E.Columns, Names);
  ASSERT_EQ(E.Matrix.size(), 3u) << R.Out;
  for (std::size_t T = 0; T < 3; ++T) {
    EXPECT_EQ(E.Matrix[T].first, Names[T]);
    EXPECT_EQ(E.Matrix[T].second, Want[T]) << "true label " << Names[T];
  }
}

// One feature, by hand: class 1 around 1 (variance 0.04), class 2 around 3
// (variance 0.16). 1.1 and 0.9 go to 1, 2.9 and 2.0 to 2 (the wider class
// wins halfway); the label 4 is not in the training file, so its row is wrong
// whatever is predicted, and it gets a row and a column of its own.
TEST_F(Zrnb, EvaluateLaysOutTheMatrixWithALabelOnlyTheTestHas)
{
  Put("train.csv", "size,class\n1.0,1\n1.2,1\n0.8,1\n3.0,2\n3.4,2\n2.6,2\n");
  Put("test.csv", "1.1,1\n2.9,2\n2.0,1\n0.9,1\n2.95,4\n");
  const TRunResult R = RunZrnb({"evaluate", "--train", "train.csv", "test.csv"});
  ExpectDone(R);
  EXPECT_EQ(R.Out, "rows: 5\n"
                   "accuracy: 0.6 (3 of 5)\n"
                   "confusion matrix (rows: true label, columns: predicted label):\n"
                   "    1  2  4*\n"
                   " 1  2  1   0\n"
                   " 2  0  1   0\n"
                   "4*  0  1   0\n"
                   "* not a label of train.csv, so never predicted\n");
}

// ---------------------------------------------------------------------------
// Help
// ---------------------------------------------------------------------------

struct THelpCase
{
  const char* Name;
  std::vector<std::string> Args;
  const char* Usage; // the line the text starts with
};
void PrintTo(const THelpCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class ZrnbHelp : public Zrnb, public ::testing::WithParamInterface<THelpCase>
{
};

TEST_P(ZrnbHelp, ExplainsWithAnExample)
{
  const THelpCase C = GetParam();
  const TRunResult R = RunZrnb(C.Args);
  ExpectDone(R);
  EXPECT_THAT(R.Out, StartsWith(C.Usage));
  EXPECT_THAT(R.Out, HasSubstr("\nExample:\n  $ "));
  EXPECT_THAT(FDir.Entries(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ZrnbHelp,
    ::testing::Values(
        THelpCase{"Main", {"--help"}, "zrnb: a normal (Gaussian) Bayes classifier"},
        THelpCase{"MainShort", {"-h"}, "zrnb: a normal (Gaussian) Bayes classifier"},
        THelpCase{"Predict", {"predict", "--help"}, "Usage: zrnb predict --train TRAIN.csv"},
        THelpCase{"PredictAmongOptions", {"predict", "--train", "none.csv", "--help", "x.csv"},
                  "Usage: zrnb predict --train TRAIN.csv"},
        THelpCase{"Evaluate", {"evaluate", "-h"}, "Usage: zrnb evaluate --train TRAIN.csv"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------
// Bad input
// ---------------------------------------------------------------------------

const std::string Train = "x,y,label\n0,0,1\n1,0,1\n0,1,1\n1,1.5,1\n5,5,2\n6,5,2\n5,6,2\n6,6.5,2\n";
const std::string Input = "0.5,0.5\n5.5,5.5\n";
const std::string Refused =
    "the classifier refuses this row: Predict: no class score is below 1.7E308 (is a feature not a number?)";

struct TBadCase
{
  const char* Name;
  std::map<std::string, std::string> Files;
  std::vector<std::string> Args;
  std::string Message; // all of standard error but its last line end
  int Status = 2;
  std::string Stdin = "";
};
void PrintTo(const TBadCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class ZrnbBadInput : public Zrnb, public ::testing::WithParamInterface<TBadCase>
{
};

// One message, the status, and no output: the old out.txt stays as it was and
// no temporary file is left in the folder.
TEST_P(ZrnbBadInput, OneMessageAndNothingWritten)
{
  const TBadCase C = GetParam();
  Put("out.txt", "old\n");
  std::set<std::string> Before{"out.txt"};
  for (const auto& [Name, Text] : C.Files) {
    Put(Name, Text);
    Before.insert(Name);
  }
  const TRunResult R = RunZrnb(C.Args, {.Stdin = C.Stdin});
  EXPECT_EQ(R.Status, C.Status);
  EXPECT_EQ(R.Err, C.Message + "\n");
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(FDir.Entries(), Before);
  EXPECT_EQ(ReadFile(FDir / "out.txt"), "old\n");
}

std::vector<std::string> Predict(const std::string& AInput = "input.csv")
{
  return {"predict", "--train", "train.csv", "--scores", "--output", "out.txt", AInput};
}
const std::vector<std::string> Evaluate{"evaluate", "--train", "train.csv", "test.csv"};

INSTANTIATE_TEST_SUITE_P(
    Tools, ZrnbBadInput,
    ::testing::Values(
        // Fields
        TBadCase{"TrainText", {{"train.csv", "x,y,label\n0,0,1\n1,abc,1\n"}, {"input.csv", Input}}, Predict(),
                 "train.csv:3: column 2: 'abc' is not a number"},
        TBadCase{"InputTextInTheLastRow", {{"train.csv", Train}, {"input.csv", Input + "1,abc\n"}}, Predict(),
                 "input.csv:3: column 2: 'abc' is not a number"},
        TBadCase{"TestText", {{"train.csv", Train}, {"test.csv", "0.5,0.5,1\nx,1,2\n"}}, Evaluate,
                 "test.csv:2: column 1: 'x' is not a number"},
        TBadCase{"StandardInputText", {{"train.csv", Train}}, Predict("-"), "<stdin>:2: column 2: 'x' is not a number",
                 2, "1,1\n5,x\n"},
        TBadCase{"EmptyField", {{"train.csv", "0,,1\n"}, {"input.csv", Input}}, Predict(),
                 "train.csv:1: column 2: empty field"},
        TBadCase{"OutOfRange", {{"train.csv", Train}, {"input.csv", "1e999,1\n"}}, Predict(),
                 "input.csv:1: column 1: '1e999' is out of the range of a double"},
        TBadCase{"FirstLineWithNumbersIsNoHeader", {{"train.csv", "x,1,2\n0,0,1\n"}, {"input.csv", Input}}, Predict(),
                 "train.csv:1: column 1: 'x' is not a number"},
        // Column counts
        TBadCase{"TrainRowTooShort", {{"train.csv", "x,y,label\n0,0,1\n1,0,1\n1,1\n"}, {"input.csv", Input}},
                 Predict(), "train.csv:4: 2 columns, expected 3 as on line 2"},
        TBadCase{"InputRowTooLong", {{"train.csv", Train}, {"input.csv", "0,0\n\n1,2,3\n"}}, Predict(),
                 "input.csv:3: 3 columns, expected 2 (the features of train.csv)"},
        TBadCase{"TestRowTooShort", {{"train.csv", Train}, {"test.csv", "0,1\n"}}, Evaluate,
                 "test.csv:1: 2 columns, expected 3 as in train.csv"},
        TBadCase{"TrainWithoutFeatures", {{"train.csv", "1\n2\n"}, {"input.csv", Input}}, Predict(),
                 "train.csv:1: 1 column, but a labelled row needs a label and at least one feature"},
        TBadCase{"LabelColumnOutsideTheRow",
                 {{"train.csv", Train}, {"input.csv", Input}},
                 {"predict", "--train", "train.csv", "--label-column", "3", "--output", "out.txt", "input.csv"},
                 "train.csv:2: --label-column 3: the row has only 3 columns (0 to 2)"},
        // No data
        TBadCase{"EmptyTrain", {{"train.csv", ""}, {"input.csv", Input}}, Predict(), "train.csv: no data rows"},
        TBadCase{"HeaderOnlyTrain", {{"train.csv", "x,y,label\r\n\r\n"}, {"input.csv", Input}}, Predict(),
                 "train.csv: no data rows"},
        TBadCase{"BlankTrain", {{"train.csv", "\n \n\t\n"}, {"input.csv", Input}}, Predict(), "train.csv: no data rows"},
        TBadCase{"EmptyTest", {{"train.csv", Train}, {"test.csv", "x,y,label\n"}}, Evaluate, "test.csv: no data rows"},
        // Files
        TBadCase{"MissingTrain", {{"input.csv", Input}}, Predict(), "train.csv: cannot open: No such file or directory"},
        TBadCase{"MissingInput", {{"train.csv", Train}}, Predict(), "input.csv: cannot open: No such file or directory"},
        TBadCase{"MissingTest", {{"train.csv", Train}}, Evaluate, "test.csv: cannot open: No such file or directory"},
        TBadCase{"TrainIsAFolder",
                 {{"input.csv", Input}},
                 {"predict", "--train", ".", "--output", "out.txt", "input.csv"},
                 ".: cannot read: Is a directory"},
        // What the classifier refuses, and values it must not learn from
        TBadCase{"NotANumberInInput", {{"train.csv", Train}, {"input.csv", Input + "nan,1\n"}}, Predict(),
                 "input.csv:3: " + Refused},
        TBadCase{"InfinityInInput", {{"train.csv", Train}, {"input.csv", "1,-inf\n" + Input}}, Predict(),
                 "input.csv:1: " + Refused},
        TBadCase{"NotANumberInTestFeatures", {{"train.csv", Train}, {"test.csv", "0,0,1\n0,NaN,1\n"}}, Evaluate,
                 "test.csv:2: " + Refused},
        TBadCase{"InfinityInTrain", {{"train.csv", "0,0,1\ninf,0,1\n"}, {"input.csv", Input}}, Predict(),
                 "train.csv:2: column 1: 'inf' is not a finite number"},
        TBadCase{"NotANumberAsTrainLabel", {{"train.csv", "0,0,1\n1,0,nan\n"}, {"input.csv", Input}}, Predict(),
                 "train.csv:2: column 3: 'nan' is not a finite number"},
        TBadCase{"NotANumberAsTestLabel", {{"train.csv", Train}, {"test.csv", "0,0,1\n0,0,-nan\n"}}, Evaluate,
                 "test.csv:2: column 3: '-nan' is not a finite number"},
        // The command line
        TBadCase{"NoCommand", {}, {}, "zrnb: no command\nTry 'zrnb --help'."},
        TBadCase{"UnknownCommand", {}, {"classify"}, "zrnb: unknown command 'classify'\nTry 'zrnb --help'."},
        TBadCase{"UnknownOption", {}, {"predict", "--train", "t.csv", "--fast", "i.csv"},
                 "zrnb: unknown option '--fast'\nTry 'zrnb predict --help'."},
        TBadCase{"OutputIsNoOptionOfEvaluate", {}, {"evaluate", "--train", "t.csv", "--output", "o.txt", "i.csv"},
                 "zrnb: unknown option '--output'\nTry 'zrnb evaluate --help'."},
        TBadCase{"NoTrain", {}, {"predict", "i.csv"}, "zrnb: predict needs --train TRAIN.csv\nTry 'zrnb predict --help'."},
        TBadCase{"TrainWithoutName", {}, {"predict", "i.csv", "--train"},
                 "zrnb: --train needs a file name\nTry 'zrnb predict --help'."},
        TBadCase{"TrainTwice", {}, {"evaluate", "--train", "a.csv", "--train=b.csv", "i.csv"},
                 "zrnb: --train is given twice\nTry 'zrnb evaluate --help'."},
        TBadCase{"NoInput", {}, {"predict", "--train", "t.csv"}, "zrnb: predict needs INPUT.csv\nTry 'zrnb predict --help'."},
        TBadCase{"TwoInputs", {}, {"evaluate", "--train", "t.csv", "a.csv", "b.csv"},
                 "zrnb: one TEST.csv only; 'b.csv' is one too many\nTry 'zrnb evaluate --help'."},
        TBadCase{"LabelColumnNotANumber", {}, {"predict", "--train", "t.csv", "--label-column=-1", "i.csv"},
                 "zrnb: --label-column needs a column number counted from 0, not '-1'\nTry 'zrnb predict --help'."},
        TBadCase{"ScoresWithAValue", {}, {"predict", "--train", "t.csv", "--scores=yes", "i.csv"},
                 "zrnb: --scores takes no value\nTry 'zrnb predict --help'."},
        TBadCase{"StandardInputTwice", {}, {"predict", "--train", "-", "-"},
                 "zrnb: '-' (standard input) can stand for one file only\nTry 'zrnb predict --help'."}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------
// Failures that are not the input's
// ---------------------------------------------------------------------------

// A copy of the program in a folder without the bridge, and no library path:
// training cannot decompose, and the loader's message comes out unchanged.
TEST_F(Zrnb, MissingBridgeIsTheLibrarysMessageAndStatusOne)
{
  TTempFolder Bin;
  const fs::path Copy = Bin / "zrnb";
  fs::copy_file(ZrnbFile, Copy);
  ASSERT_THAT(Bin.Entries(), ElementsAre("zrnb"));
  Put("train.csv", Train);
  Put("input.csv", Input);
  const TRunResult R = RunProgram(Copy.string(), Predict(), FDir.Path(), {.WithoutLibraryPath = true});
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Err, "zrnb: Can't load libJXOpenCV2.so\n");
  EXPECT_EQ(R.Out, "");
  EXPECT_THAT(FDir.Entries(), ElementsAre("input.csv", "train.csv"));
}

TEST_F(Zrnb, OutputInAMissingFolderIsStatusOne)
{
  Put("train.csv", Train);
  Put("input.csv", Input);
  const TRunResult R = RunZrnb({"predict", "--train", "train.csv", "--output", "none/out.txt", "input.csv"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Err, "zrnb: none/out.txt: cannot create: No such file or directory\n");
  EXPECT_EQ(R.Out, "");
  EXPECT_THAT(FDir.Entries(), ElementsAre("input.csv", "train.csv"));
}

// The program waits for its training data on a pipe with the temporary output
// file already open; SIGTERM then must not leave that file behind.
TEST_F(Zrnb, TerminationLeavesNoTemporaryFile)
{
  Put("input.csv", Input);
  int Pipe[2];
  ASSERT_EQ(pipe(Pipe), 0);
  std::vector<std::string> Args{ZrnbFile, "predict", "--train", "-", "--output", "out.txt", "input.csv"};
  std::vector<char*> Argv;
  for (std::string& A : Args)
    Argv.push_back(A.data());
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_adddup2(&Actions, Pipe[0], 0);
  posix_spawn_file_actions_addclose(&Actions, Pipe[1]);
  posix_spawn_file_actions_addchdir_np(&Actions, FDir.Path().c_str());
  pid_t Pid = 0;
  const int E = posix_spawn(&Pid, ZrnbFile.c_str(), &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  close(Pipe[0]);
  ASSERT_EQ(E, 0);

  // Wait (a bounded poll, nothing timed) until the temporary file exists.
  bool Seen = false;
  for (int I = 0; I < 3000 && !Seen; ++I) {
    for (const std::string& N : FDir.Entries())
      Seen = Seen || N.starts_with(".out.txt.");
    if (!Seen)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(Pid, SIGTERM);
  int Status = 0;
  while (waitpid(Pid, &Status, 0) < 0 && errno == EINTR) {
  }
  close(Pipe[1]);
  ASSERT_TRUE(Seen) << "no temporary output file appeared";
  ASSERT_TRUE(WIFSIGNALED(Status));
  EXPECT_EQ(WTERMSIG(Status), SIGTERM);
  EXPECT_THAT(FDir.Entries(), ElementsAre("input.csv"));
}

} // namespace
