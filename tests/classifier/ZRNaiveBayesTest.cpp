#include "classifier/ZRNaiveBayes.h"

#include "NaiveBayesFixtures.h"
#include "classifier/QDFilterTypes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <utility>

using namespace NaiveBayesFixtures;

namespace {

constexpr Real Floor = 1.192092896E-07;
constexpr Real NaN = std::numeric_limits<Real>::quiet_NaN();
constexpr Real Inf = std::numeric_limits<Real>::infinity();

// The event refers to its handler object: a temporary would be gone before the
// first call, so binding one does not compile.
template <class F>
concept BindsAsHandler = requires(F&& A) { TZRNaiveBayesResultEvent::Handler(std::forward<F>(A)); };
using TSomeHandler = decltype([](TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult*) {});
static_assert(BindsAsHandler<TSomeHandler&>);
static_assert(!BindsAsHandler<TSomeHandler>);

// ---------------------------------------------------------------------------
// What training leaves in the model
// ---------------------------------------------------------------------------

struct TShapeCase
{
  const char* Name;
  int Features, Classes, PerClass;
};
void PrintTo(const TShapeCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TrainedModel : public ::testing::TestWithParam<TShapeCase>
{
};

// Shapes, symmetry, means, and eigenpairs of the textbook covariance.
TEST_P(TrainedModel, HoldsTheMeansAndAnEigenDecompositionOfEachCovariance)
{
  const TShapeCase P = GetParam();
  const TDataSet D = RandomClasses(17, P.Features, P.Classes, P.PerClass);
  TNaiveBayesProbe NB;
  Train(NB, D, false);
  const std::vector<TDirectClass> Direct = DirectModel(D);
  const std::size_t N = static_cast<std::size_t>(P.Features);
  ASSERT_EQ(NB.FLabels.GetCount(), P.Classes);
  for (const auto* A : {&NB.FSum, &NB.FAvg, &NB.FInvEigenValues})
    ASSERT_EQ(A->size(), static_cast<std::size_t>(P.Classes));
  ASSERT_EQ(NB.FClasses.size(), static_cast<std::size_t>(P.Classes));
  for (int C = 0; C < P.Classes; ++C) {
    const TDirectClass& Want = Direct[C];
    EXPECT_EQ(NB.FLabels.GetLabel(C), Want.Label);
    EXPECT_THAT(NB.FCount[C], ::testing::Each(P.PerClass));
    ASSERT_EQ(NB.FProductSum[C].size(), N);
    ASSERT_EQ(NB.FCovRotateMats[C].size(), N);
    for (std::size_t I = 0; I < N; ++I) {
      EXPECT_NEAR(NB.FAvg[C][I], Want.Mean[I], 1e-12 * (1 + std::fabs(Want.Mean[I])));
      for (std::size_t J = 0; J < N; ++J)
        EXPECT_EQ(NB.FProductSum[C][I][J], NB.FProductSum[C][J][I]) << "product sums are symmetric";
    }
    Real LogDet = 0.0;
    for (std::size_t I = 0; I < N; ++I) {
      const Real Lambda = 1.0 / NB.FInvEigenValues[C][I];
      if (I > 0) {
        EXPECT_LE(Lambda, 1.0 / NB.FInvEigenValues[C][I - 1] * (1 + 1e-12)) << "descending";
      }
      LogDet += std::log(Lambda);
      const std::vector<Real>& U = NB.FCovRotateMats[C][I];
      Real Norm = 0.0;
      for (std::size_t J = 0; J < N; ++J) {
        Real SigmaU = 0.0;
        for (std::size_t K = 0; K < N; ++K)
          SigmaU += Want.Cov[J][K] * U[K];
        EXPECT_NEAR(SigmaU, Lambda * U[J], 1e-9 * (1 + Lambda)) << "class " << C << " pair " << I;
        Norm += U[J] * U[J];
      }
      EXPECT_NEAR(Norm, 1.0, 1e-12);
    }
    EXPECT_NEAR(NB.FClasses[C], Want.LogDet, 1e-9 * (1 + std::fabs(Want.LogDet)));
  }
}

INSTANTIATE_TEST_SUITE_P(NaiveBayes, TrainedModel,
                         ::testing::Values(TShapeCase{"OneFeatureOneClass", 1, 1, 5},
                                           TShapeCase{"TwoFeaturesThreeClasses", 2, 3, 20},
                                           TShapeCase{"FourFeaturesTwoClasses", 4, 2, 30},
                                           TShapeCase{"SixFeaturesThreeClasses", 6, 3, 40}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

class SingleSample : public ::testing::TestWithParam<int>
{
};

// One sample: no division, an all-zero covariance, every eigenvalue floored.
TEST_P(SingleSample, ClassHasTheFlooredLogDeterminant)
{
  const int N = GetParam();
  TDataSet D;
  D.Features.push_back(std::vector<Real>(N, 3.5));
  D.Labels.push_back(1.0);
  for (int S = 0; S < 4; ++S) { // a second, ordinary class beside it
    std::vector<Real> X(N);
    for (int I = 0; I < N; ++I)
      X[I] = (S * 7 + I * 3) % 5;
    D.Features.push_back(X);
    D.Labels.push_back(2.0);
  }
  TNaiveBayesProbe NB;
  Train(NB, D, false);
  EXPECT_THAT(NB.FCount[0], ::testing::Each(1));
  EXPECT_THAT(NB.FAvg[0], ::testing::Each(3.5));
  EXPECT_THAT(NB.FInvEigenValues[0], ::testing::Each(1.0 / Floor));
  EXPECT_NEAR(NB.FClasses[0], N * std::log(Floor), 1e-12 * N);
  EXPECT_NEAR(NB.FClasses[0] / N, -15.942385, 1e-6) << "about -15.94 per feature";
}

INSTANTIATE_TEST_SUITE_P(NaiveBayes, SingleSample, ::testing::Values(1, 2, 3, 5));

TEST(NaiveBayes, LabelsAreMatchedExactly)
{
  TNaiveBayesProbe NB;
  Train(NB, {{{0.0}, {1.0}, {2.0}, {3.0}}, {1.0, 1.0000000001, 1.0, 1.0000000001}}, false);
  EXPECT_THAT(NB.Labels(), ::testing::ElementsAre(1.0, 1.0000000001));
  EXPECT_THAT(NB.FCount, ::testing::ElementsAre(::testing::ElementsAre(2), ::testing::ElementsAre(2)));
}

TEST(NaiveBayes, ClassesFollowTheOrderOfFirstAppearance)
{
  TNaiveBayesProbe NB;
  Train(NB, {{{1.0}, {2.0}, {3.0}, {4.0}, {6.0}, {8.0}}, {3.0, 1.0, 3.0, 2.0, 1.0, 2.0}}, false);
  EXPECT_THAT(NB.Labels(), ::testing::ElementsAre(3.0, 1.0, 2.0));
  EXPECT_THAT(NB.FSum, ::testing::ElementsAre(::testing::ElementsAre(4.0), ::testing::ElementsAre(8.0),
                                              ::testing::ElementsAre(12.0)));
  const TPrediction P = PredictOnce(NB, {2.5});
  EXPECT_THAT(P.ClassLabels, ::testing::ElementsAre(3.0, 1.0, 2.0)) << "result items in class-index order";
}

TEST(NaiveBayes, RetrainingFromScratchForgetsTheEarlierModel)
{
  const TDataSet First = RandomClasses(3, 2, 3, 10);
  TDataSet Second = RandomClasses(4, 3, 2, 12);
  std::reverse(Second.Labels.begin(), Second.Labels.end()); // the second class is met first
  TNaiveBayesProbe Retrained, Fresh;
  Train(Retrained, First, false);
  Train(Retrained, Second, false);
  Train(Fresh, Second, false);
  EXPECT_THAT(Retrained.Labels(), ::testing::ElementsAre(20.0, 10.0));
  EXPECT_EQ(TModelSnapshot::Of(Retrained), TModelSnapshot::Of(Fresh));
}

// Adding the same samples again gives the model of the doubled data set: the
// sums accumulate in the same order, so the arrays are identical.
TEST(NaiveBayes, UpdateWithTheSameDataDoublesSumsAndCounts)
{
  const TDataSet D = RandomClasses(5, 3, 3, 15);
  TNaiveBayesProbe Updated, Doubled, Once;
  Train(Once, D, false);
  Train(Updated, D, false);
  Train(Updated, D, true);
  TDataSet Twice = D;
  Twice.Features.insert(Twice.Features.end(), D.Features.begin(), D.Features.end());
  Twice.Labels.insert(Twice.Labels.end(), D.Labels.begin(), D.Labels.end());
  Train(Doubled, Twice, false);
  EXPECT_EQ(TModelSnapshot::Of(Updated), TModelSnapshot::Of(Doubled));
  for (std::size_t C = 0; C < 3; ++C) {
    EXPECT_THAT(Updated.FCount[C], ::testing::Each(30));
    for (std::size_t I = 0; I < 3; ++I)
      EXPECT_DOUBLE_EQ(Updated.FSum[C][I], 2 * Once.FSum[C][I]);
  }
  // Divisor 2N - 1 instead of N - 1: each eigenvalue shrinks by (N - 1) * 2 / (2N - 1).
  for (std::size_t I = 0; I < 3; ++I)
    EXPECT_NEAR(Once.FInvEigenValues[0][I] / Updated.FInvEigenValues[0][I], 14.0 * 2 / 29, 1e-9);
}

// Without samples an update recomputes the model from the sums it has.
TEST(NaiveBayes, UpdateWithoutSamplesKeepsTheModel)
{
  const TDataSet D = DemoClusters(8);
  TNaiveBayesProbe NB;
  Train(NB, D, false);
  const TModelSnapshot Before = TModelSnapshot::Of(NB);
  Train(NB, {{}, {}}, true);
  EXPECT_EQ(TModelSnapshot::Of(NB), Before);
}

TEST(NaiveBayes, ClearEmptiesTheModel)
{
  TNaiveBayesProbe NB;
  Train(NB, DemoClusters(1), false);
  NB.Clear();
  EXPECT_EQ(TModelSnapshot::Of(NB), TModelSnapshot{});
  ExpectError<EZRClassifierError>([&] { PredictOnce(NB, {1.0, 2.0}); }, "Predict: the model is not trained");
}

// ---------------------------------------------------------------------------
// Training input the model cannot take: refused before anything changes
// ---------------------------------------------------------------------------

struct TTrainErrorCase
{
  const char* Name;
  bool Pretrained; // on the base set: labels 1, 2 and two features
  TSamples Features;
  std::vector<Real> Labels;
  bool Update;
  bool NullFeatures, NullResponses, MissingItem;
  std::string Message;
};
void PrintTo(const TTrainErrorCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TrainRefuses : public ::testing::TestWithParam<TTrainErrorCase>
{
};

TEST_P(TrainRefuses, WithAMessageAndLeavesTheModelAlone)
{
  const TTrainErrorCase P = GetParam();
  TNaiveBayesProbe NB;
  if (P.Pretrained)
    Train(NB, {{{0, 0}, {1, 2}, {2, 1}, {5, 5}, {6, 7}, {7, 5}}, {1, 1, 1, 2, 2, 2}}, false);
  const TModelSnapshot Before = TModelSnapshot::Of(NB);
  TRef<IQDRealBufferArray> Features = List(P.Features);
  if (P.MissingItem)
    Query<IQDRealBufferDynamicArray>(Features)->Append(nullptr);
  if (P.NullFeatures)
    Features = nullptr;
  TRef<IQDRealBuffer> Responses = RealBuffer(P.Labels);
  if (P.NullResponses)
    Responses = nullptr;
  ExpectError<EZRClassifierError>([&] { NB.Train(Features, Responses, P.Update); }, P.Message);
  EXPECT_EQ(TModelSnapshot::Of(NB), Before);
}

INSTANTIATE_TEST_SUITE_P(
    NaiveBayes, TrainRefuses,
    ::testing::Values(
        TTrainErrorCase{"ItemsOfDifferentLengths", true, {{1, 2}, {3, 4}, {5, 6, 7}}, {1, 2, 1}, false,
                        false, false, false, "Train: training item 2 has 3 features, item 0 has 2"},
        TTrainErrorCase{"FewerResponsesThanItems", true, {{1, 2}, {3, 4}, {5, 6}}, {1, 2}, false, false,
                        false, false, "Train: 3 training items but only 2 responses"},
        TTrainErrorCase{"UpdateWithANewLabel", true, {{1, 2}, {3, 4}}, {2, 3}, true, false, false, false,
                        "Train: label 3 of item 1 is not in the model"},
        TTrainErrorCase{"UpdateWithLongerItems", true, {{1, 2, 3}}, {1}, true, false, false, false,
                        "Train: the training items have 3 features, the model has 2"},
        TTrainErrorCase{"UpdateWithShorterItems", true, {{1}}, {1}, true, false, false, false,
                        "Train: the training items have 1 features, the model has 2"},
        TTrainErrorCase{"UpdateOfAnEmptyModel", false, {{1, 2}}, {1}, true, false, false, false,
                        "Train: the training items have 2 features, the model has 0"},
        TTrainErrorCase{"MissingItem", true, {{1, 2}}, {1, 2}, false, false, false, true,
                        "Train: training item 1 is missing"},
        TTrainErrorCase{"NoFeatures", true, {}, {1}, false, true, false, false, "Train: no training features"},
        TTrainErrorCase{"NoResponses", true, {{1, 2}}, {}, false, false, true, false, "Train: no responses"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------
// Prediction
// ---------------------------------------------------------------------------

// Mirror-image classes score a point halfway between them exactly alike.
struct TTieCase
{
  const char* Name;
  Real FirstLabel, SecondLabel;
};
void PrintTo(const TTieCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class EqualScores : public ::testing::TestWithParam<TTieCase>
{
};

TEST_P(EqualScores, GoToTheClassMetFirst)
{
  const TTieCase P = GetParam();
  TNaiveBayesProbe NB;
  Train(NB, {{{-2}, {-4}, {2}, {4}}, {P.FirstLabel, P.FirstLabel, P.SecondLabel, P.SecondLabel}}, false);
  const TPrediction R = PredictOnce(NB, {0.0});
  ASSERT_EQ(R.Scores.size(), 2u);
  ASSERT_EQ(R.Scores[0], R.Scores[1]) << "the case needs an exact tie";
  EXPECT_EQ(R.ResultClass, P.FirstLabel);
}

INSTANTIATE_TEST_SUITE_P(NaiveBayes, EqualScores,
                         ::testing::Values(TTieCase{"LowerLabelFirst", 1.0, 2.0},
                                           TTieCase{"HigherLabelFirst", 7.0, -3.0}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Every prediction agrees with a direct computation (explicit inverse and
// determinant), except where the two best scores are too close to call.
struct TCrossCase
{
  const char* Name;
  TDataSet Data;
  std::vector<std::vector<Real>> Points;
};
void PrintTo(const TCrossCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


TCrossCase DemoCase()
{
  TCrossCase C{"DemoClustersOnTheWholePlane", DemoClusters(20240611), {}};
  for (int Y = 0; Y < 500; Y += 2)
    for (int X = 0; X < 500; X += 2)
      C.Points.push_back({Real(X), Real(Y)});
  return C;
}

TCrossCase RandomCase()
{
  TCrossCase C{"FourFeaturesThreeClasses", RandomClasses(99, 4, 3, 40), {}};
  std::mt19937 Gen(7);
  std::uniform_real_distribution<Real> U(-12.0, 12.0);
  for (int K = 0; K < 20000; ++K)
    C.Points.push_back({U(Gen), U(Gen), U(Gen), U(Gen)});
  return C;
}

class CrossCheck : public ::testing::TestWithParam<TCrossCase>
{
};

TEST_P(CrossCheck, PredictionsMatchTheDirectComputation)
{
  const TCrossCase& P = GetParam();
  TNaiveBayesProbe NB;
  Train(NB, P.Data, false);
  const std::vector<TDirectClass> Direct = DirectModel(P.Data);
  TRef<TQDRealBuffer> Probe = TQDRealBuffer::CreateSize(static_cast<Cardinal>(P.Points.front().size()));
  Real Got = 0.0;
  std::vector<Real> GotScores;
  auto Handler = [&](TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult) {
    Got = AResult->GetResultClass();
    GotScores.clear();
    for (Integer I = 0; I < AResult->GetCount(); ++I)
      GotScores.push_back(AResult->GetItem(I)->GetProbability());
  };
  NB.SetOnResult(TZRNaiveBayesResultEvent::Handler(Handler));
  int Compared = 0, Mismatches = 0;
  for (const std::vector<Real>& X : P.Points) {
    for (std::size_t I = 0; I < X.size(); ++I)
      Probe->SetItem(static_cast<Integer>(I), X[I]);
    NB.Predict(Probe);
    std::vector<Real> Scores;
    for (const TDirectClass& C : Direct)
      Scores.push_back(DirectScore(C, X));
    std::vector<Real> Sorted = Scores;
    std::sort(Sorted.begin(), Sorted.end());
    for (std::size_t C = 0; C < Scores.size(); ++C)
      EXPECT_NEAR(GotScores[C], Scores[C], 1e-9 * (1 + std::fabs(Scores[C]))) << "class " << C;
    if (Sorted[1] - Sorted[0] <= 1e-9 * (1 + std::fabs(Sorted[0])))
      continue;
    ++Compared;
    const Real Want = Direct[std::min_element(Scores.begin(), Scores.end()) - Scores.begin()].Label;
    if (Got != Want && ++Mismatches <= 5)
      ADD_FAILURE() << "point (" << X[0] << ", " << X[1] << ", ...): got " << Got << ", want " << Want;
  }
  EXPECT_EQ(Mismatches, 0);
  EXPECT_GT(Compared, static_cast<int>(P.Points.size()) * 9 / 10);
}

INSTANTIATE_TEST_SUITE_P(NaiveBayes, CrossCheck, ::testing::Values(DemoCase(), RandomCase()),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(NaiveBayes, OnResultGetsTheSenderTheFeaturesAndTheOnlyReference)
{
  TNaiveBayesProbe NB;
  Train(NB, DemoClusters(2), false);
  TRef<IQDRealBuffer> Features = RealBuffer({100.0, 50.0});
  int Calls = 0;
  TRef<TZRNaiveBayesResult> Kept;
  auto Handler = [&](TObject* ASender, const TRef<IQDRealBuffer>& AFeatures, TZRNaiveBayesResult* AResult) {
    ++Calls;
    EXPECT_EQ(ASender, &NB);
    EXPECT_EQ(AFeatures.Get(), Features.Get()) << "the interface Predict received";
    EXPECT_EQ(AResult->RefCount(), 1) << "Predict holds the one reference";
    Kept = AResult;
  };
  NB.SetOnResult(TZRNaiveBayesResultEvent::Handler(Handler));
  NB.Predict(Features);
  ASSERT_EQ(Calls, 1);
  ASSERT_TRUE(Kept);
  EXPECT_EQ(Kept->RefCount(), 1) << "Predict dropped its reference on return";
  ASSERT_EQ(Kept->GetCount(), 3);
  EXPECT_EQ(Kept->GetResultClass(), 1.0);
  EXPECT_TRUE(Query<IZRNaiveBayesResult>(Kept.Get()));
  EXPECT_FALSE(Query<IQDData>(Kept.Get()));
  for (Integer Bad : {-1, 3})
    ExpectError<EListError>([&] { Kept->GetItem(Bad); }, Format("List index out of bounds (%d)", Bad));
}

TEST(NaiveBayes, HandlerErrorPropagatesAndTheListIsStillReleased)
{
  TNaiveBayesProbe NB;
  Train(NB, DemoClusters(2), false);
  TRef<TZRNaiveBayesResult> Kept;
  auto Handler = [&](TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult) {
    Kept = AResult;
    throw ERangeError("from the handler");
  };
  NB.SetOnResult(TZRNaiveBayesResultEvent::Handler(Handler));
  ExpectError<ERangeError>([&] { NB.Predict(RealBuffer({1.0, 1.0})); }, "from the handler");
  ASSERT_TRUE(Kept);
  EXPECT_EQ(Kept->RefCount(), 1);
}

class TReassigningForm
{
public:
  explicit TReassigningForm(TZRNaiveBayes& AModel) : FModel(AModel) {}
  void First(TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult*)
  {
    ++FirstCalls;
    FModel.SetOnResult(TZRNaiveBayesResultEvent::Method<&TReassigningForm::Second>(this));
  }
  void Second(TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult*) { ++SecondCalls; }
  int FirstCalls = 0, SecondCalls = 0;

private:
  TZRNaiveBayes& FModel;
};

TEST(NaiveBayes, AHandlerMayReassignTheEventWhileItRuns)
{
  TNaiveBayesProbe NB;
  Train(NB, DemoClusters(2), false);
  TReassigningForm Form(NB);
  NB.SetOnResult(TZRNaiveBayesResultEvent::Method<&TReassigningForm::First>(&Form));
  NB.Predict(RealBuffer({1.0, 1.0}));
  NB.Predict(RealBuffer({1.0, 1.0}));
  EXPECT_EQ(Form.FirstCalls, 1);
  EXPECT_EQ(Form.SecondCalls, 1);
  NB.SetOnResult({});
  EXPECT_FALSE(NB.GetOnResult());
  NB.Predict(RealBuffer({1.0, 1.0})); // unassigned: nothing is called
  EXPECT_EQ(Form.SecondCalls, 1);
}

struct TPredictErrorCase
{
  const char* Name;
  bool Trained;
  std::vector<Real> Features;
  bool NullFeatures;
  std::string Message;
};
void PrintTo(const TPredictErrorCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class PredictRefuses : public ::testing::TestWithParam<TPredictErrorCase>
{
};

TEST_P(PredictRefuses, WithAMessageAndWithoutCallingOnResult)
{
  const TPredictErrorCase P = GetParam();
  TNaiveBayesProbe NB;
  if (P.Trained)
    Train(NB, DemoClusters(3), false);
  int Calls = 0;
  auto Handler = [&](TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult*) { ++Calls; };
  NB.SetOnResult(TZRNaiveBayesResultEvent::Handler(Handler));
  TRef<IQDRealBuffer> Features = P.NullFeatures ? nullptr : RealBuffer(P.Features);
  ExpectError<EZRClassifierError>([&] { NB.Predict(Features); }, P.Message);
  EXPECT_EQ(Calls, 0);
}

const char* const NoWinner = "Predict: no class score is below 1.7E308 (is a feature not a number?)";

INSTANTIATE_TEST_SUITE_P(
    NaiveBayes, PredictRefuses,
    ::testing::Values(
        TPredictErrorCase{"EmptyModel", false, {1, 2}, false, "Predict: the model is not trained"},
        TPredictErrorCase{"TooFewValues", true, {1}, false, "Predict: the feature vector has 1 values, the model has 2"},
        TPredictErrorCase{"TooManyValues", true, {1, 2, 3}, false,
                          "Predict: the feature vector has 3 values, the model has 2"},
        TPredictErrorCase{"NoValues", true, {}, false, "Predict: the feature vector has 0 values, the model has 2"},
        TPredictErrorCase{"NotANumber", true, {NaN, 2}, false, NoWinner},
        TPredictErrorCase{"Infinite", true, {Inf, 2}, false, NoWinner},
        TPredictErrorCase{"NoFeatures", true, {}, true, "Predict: no feature vector"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

} // namespace
