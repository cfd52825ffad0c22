// Shared by the classifier tests: data sets, buffer builders, a classifier
// that shows its model arrays, and a direct reference scorer (explicit
// covariance inverse and determinant, no eigen-decomposition).
#pragma once

#include "buffers/QDSimpleDataBuffer.h"
#include "classifier/ZRNaiveBayes.h"
#include "platform/Exceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace NaiveBayesFixtures {

using TSamples = std::vector<std::vector<Real>>;

struct TDataSet
{
  TSamples Features;
  std::vector<Real> Labels;
};

/// The classifier with its model in view.
class TNaiveBayesProbe : public TZRNaiveBayes
{
public:
  using TZRNaiveBayes::FAvg;
  using TZRNaiveBayes::FClasses;
  using TZRNaiveBayes::FCount;
  using TZRNaiveBayes::FCovRotateMats;
  using TZRNaiveBayes::FInvEigenValues;
  using TZRNaiveBayes::FLabels;
  using TZRNaiveBayes::FProductSum;
  using TZRNaiveBayes::FSum;

  std::vector<Real> Labels() const
  {
    std::vector<Real> L;
    for (Integer I = 0; I < FLabels.GetCount(); ++I)
      L.push_back(FLabels.GetLabel(I));
    return L;
  }
};

/// Everything a model holds, for "unchanged" and "identical" checks.
struct TModelSnapshot
{
  std::vector<Real> Labels;
  TZRIntegerArray2 Count;
  TZRRealArray2 Sum, Avg, InvEigenValues;
  TZRRealArray3 ProductSum, CovRotateMats;
  TZRRealArray Classes;

  static TModelSnapshot Of(const TNaiveBayesProbe& A)
  {
    return {A.Labels(), A.FCount, A.FSum, A.FAvg, A.FInvEigenValues, A.FProductSum, A.FCovRotateMats,
            A.FClasses};
  }
  friend bool operator==(const TModelSnapshot&, const TModelSnapshot&) = default;
};

inline TRef<TQDRealBuffer> RealBuffer(const std::vector<Real>& AValues)
{
  return TQDRealBuffer::CreateData(AValues.data(), static_cast<Cardinal>(AValues.size()));
}

/// Rows of equal length as a matrix (its array interface gives one item per row).
inline TRef<IQDRealBufferArray> Matrix(const TSamples& ARows)
{
  const Cardinal Cols = ARows.empty() ? 0 : static_cast<Cardinal>(ARows.front().size());
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(static_cast<Cardinal>(ARows.size()), Cols);
  for (std::size_t R = 0; R < ARows.size(); ++R)
    for (Cardinal C = 0; C < Cols; ++C)
      M->SetItem(static_cast<Integer>(R), static_cast<Integer>(C), ARows[R][C]);
  return M->GetMatArrayIntf();
}

/// Rows of any lengths as a buffer list.
inline TRef<IQDRealBufferArray> List(const TSamples& ARows)
{
  TRef<TQDRealBufferList> L = TQDRealBufferList::Create();
  for (const std::vector<Real>& Row : ARows)
    L->Append(RealBuffer(Row));
  return TRef<IQDRealBufferArray>(L.Get());
}

inline void Train(TZRNaiveBayes& AModel, const TDataSet& AData, Boolean AUpdate)
{
  AModel.Train(Matrix(AData.Features), RealBuffer(AData.Labels), AUpdate);
}

/// What one Predict delivered to OnResult.
struct TPrediction
{
  int Calls = 0;
  Real ResultClass = 0.0;
  std::vector<Real> ClassLabels;
  std::vector<Real> Scores;
};

/// Predicts AFeatures and records what the handler saw.
inline TPrediction PredictOnce(TZRNaiveBayes& AModel, const std::vector<Real>& AFeatures)
{
  TPrediction P;
  auto Handler = [&P](TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult) {
    ++P.Calls;
    P.ResultClass = AResult->GetResultClass();
    for (Integer I = 0; I < AResult->GetCount(); ++I) {
      P.ClassLabels.push_back(AResult->GetItem(I)->GetResultClass());
      P.Scores.push_back(AResult->GetItem(I)->GetProbability());
    }
  };
  const TZRNaiveBayesResultEvent Saved = AModel.GetOnResult();
  AModel.SetOnResult(TZRNaiveBayesResultEvent::Handler(Handler));
  try {
    AModel.Predict(RealBuffer(AFeatures));
  } catch (...) {
    AModel.SetOnResult(Saved);
    throw;
  }
  AModel.SetOnResult(Saved);
  return P;
}

/// The three clusters of the demo: 50 points each, labels 1, 2, 3, drawn per
/// row x first, then y; Random(r) is uniform in 0..r-1.
inline TDataSet DemoClusters(unsigned ASeed)
{
  std::mt19937 Gen(ASeed);
  auto Random = [&Gen](int R) { return static_cast<Real>(std::uniform_int_distribution<int>(0, R - 1)(Gen)); };
  TDataSet D;
  for (int K = 0; K < 50; ++K) {
    const Real X = Random(250);
    D.Features.push_back({X, Random(200)});
    D.Labels.push_back(1.0);
  }
  for (int K = 0; K < 50; ++K) {
    const Real X = Random(199) + 300;
    D.Features.push_back({X, Random(200) + 100});
    D.Labels.push_back(2.0);
  }
  for (int K = 0; K < 50; ++K) {
    const Real X = Random(300);
    D.Features.push_back({X, Random(199) + 300});
    D.Labels.push_back(3.0);
  }
  return D;
}

/// AClasses Gaussian-like classes in AFeatures dimensions, each with its own
/// mean and a random linear mix (so the covariances are full and differ).
inline TDataSet RandomClasses(unsigned ASeed, int AFeatures, int AClasses, int APerClass)
{
  std::mt19937 Gen(ASeed);
  std::normal_distribution<Real> Normal(0.0, 1.0);
  std::uniform_real_distribution<Real> Uniform(-5.0, 5.0);
  TDataSet D;
  for (int C = 0; C < AClasses; ++C) {
    std::vector<Real> Mean(AFeatures);
    for (Real& M : Mean)
      M = Uniform(Gen);
    TSamples Mix(AFeatures, std::vector<Real>(AFeatures));
    for (auto& Row : Mix)
      for (Real& V : Row)
        V = Normal(Gen);
    for (int S = 0; S < APerClass; ++S) {
      std::vector<Real> Z(AFeatures), X(Mean);
      for (Real& V : Z)
        V = Normal(Gen);
      for (int I = 0; I < AFeatures; ++I)
        for (int J = 0; J < AFeatures; ++J)
          X[I] += Mix[I][J] * Z[J];
      D.Features.push_back(X);
      D.Labels.push_back(10.0 * (C + 1));
    }
  }
  return D;
}

/// A class as the textbook has it: sample mean, sample covariance (divisor
/// N - 1), its inverse and log-determinant by Gauss-Jordan elimination.
struct TDirectClass
{
  Real Label = 0.0;
  std::vector<Real> Mean;
  TSamples Cov, Inverse;
  Real LogDet = 0.0;
};

inline std::vector<TDirectClass> DirectModel(const TDataSet& AData)
{
  std::vector<TDirectClass> Classes;
  for (std::size_t R = 0; R < AData.Labels.size(); ++R) {
    bool Known = false;
    for (const TDirectClass& C : Classes)
      Known = Known || C.Label == AData.Labels[R];
    if (!Known)
      Classes.push_back({AData.Labels[R], {}, {}, {}, 0.0});
  }
  const std::size_t N = AData.Features.front().size();
  for (TDirectClass& C : Classes) {
    TSamples Members;
    for (std::size_t R = 0; R < AData.Labels.size(); ++R)
      if (AData.Labels[R] == C.Label)
        Members.push_back(AData.Features[R]);
    C.Mean.assign(N, 0.0);
    for (const auto& X : Members)
      for (std::size_t I = 0; I < N; ++I)
        C.Mean[I] += X[I] / static_cast<Real>(Members.size());
    C.Cov.assign(N, std::vector<Real>(N, 0.0));
    for (const auto& X : Members)
      for (std::size_t I = 0; I < N; ++I)
        for (std::size_t J = 0; J < N; ++J)
          C.Cov[I][J] += (X[I] - C.Mean[I]) * (X[J] - C.Mean[J]) / static_cast<Real>(Members.size() - 1);
    // Gauss-Jordan with partial pivoting on [Cov | I].
    TSamples A = C.Cov;
    C.Inverse.assign(N, std::vector<Real>(N, 0.0));
    for (std::size_t I = 0; I < N; ++I)
      C.Inverse[I][I] = 1.0;
    Real LogDet = 0.0;
    for (std::size_t Col = 0; Col < N; ++Col) {
      std::size_t Pivot = Col;
      for (std::size_t R = Col + 1; R < N; ++R)
        if (std::fabs(A[R][Col]) > std::fabs(A[Pivot][Col]))
          Pivot = R;
      std::swap(A[Col], A[Pivot]);
      std::swap(C.Inverse[Col], C.Inverse[Pivot]);
      const Real P = A[Col][Col];
      LogDet += std::log(std::fabs(P)); // a covariance has a positive determinant
      for (std::size_t J = 0; J < N; ++J) {
        A[Col][J] /= P;
        C.Inverse[Col][J] /= P;
      }
      for (std::size_t R = 0; R < N; ++R) {
        if (R == Col)
          continue;
        const Real F = A[R][Col];
        for (std::size_t J = 0; J < N; ++J) {
          A[R][J] -= F * A[Col][J];
          C.Inverse[R][J] -= F * C.Inverse[Col][J];
        }
      }
    }
    C.LogDet = LogDet;
  }
  return Classes;
}

/// ln det(Sigma) + (mu - x)' Sigma^-1 (mu - x).
inline Real DirectScore(const TDirectClass& AClass, const std::vector<Real>& AX)
{
  const std::size_t N = AX.size();
  Real Q = 0.0;
  for (std::size_t I = 0; I < N; ++I)
    for (std::size_t J = 0; J < N; ++J)
      Q += (AClass.Mean[I] - AX[I]) * AClass.Inverse[I][J] * (AClass.Mean[J] - AX[J]);
  return AClass.LogDet + Q;
}

/// Runs AAction and expects TError with exactly AMessage.
template <class TError>
void ExpectError(const std::function<void()>& AAction, const std::string& AMessage)
{
  try {
    AAction();
    ADD_FAILURE() << "no error, expected: " << AMessage;
  } catch (const TError& E) {
    EXPECT_EQ(E.Message(), AMessage);
  }
}

} // namespace NaiveBayesFixtures
