#include "classifier/ZRNaiveBayes.h"

#include "classifier/YHOpenCV.h"
#include "platform/Exceptions.h"

#include <cmath>
#include <memory>

namespace {
/// Eigenvalues below this (or not a number) are raised to it. The double
/// nearest to the decimal, not the single-precision epsilon.
constexpr Real EigenValueFloor = 1.192092896E-07;
/// The log-determinant when the determinant underflows to zero.
constexpr Real NoLogDet = -700.0;
/// Scores must be below this to win.
constexpr Real ScoreLimit = 1.7E308;
/// Feature vectors up to this length need no heap for the difference vector.
constexpr std::size_t InlineFeatures = 8;

[[noreturn]] void Fail(std::string AMessage)
{
  throw EZRClassifierError(std::move(AMessage));
}
} // namespace

// ---------------------------------------------------------------------------
// TZRNaiveBayesResult
// ---------------------------------------------------------------------------

TRef<TZRNaiveBayesResult> TZRNaiveBayesResult::Create()
{
  return TRef<TZRNaiveBayesResult>(new TZRNaiveBayesResult);
}

std::int32_t TZRNaiveBayesResult::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IZRNaiveBayesResult>(this, AIID, AObj))
    return S_OK;
  return TKJObjectList::QueryInterface(AIID, AObj);
}

TZRNaiveBayesClass* TZRNaiveBayesResult::GetItem(Integer Index) const
{
  if (Index < 0 || Index >= GetCount())
    throw EListError(Format(SListIndexError, Index));
  // Only TZRNaiveBayes fills the list, and only with classes.
  return static_cast<TZRNaiveBayesClass*>(ItemAt(Index));
}

// ---------------------------------------------------------------------------
// TZRNaiveBayes
// ---------------------------------------------------------------------------

TZRNaiveBayes::TZRNaiveBayes() = default;

TZRNaiveBayes::~TZRNaiveBayes() = default;

Integer TZRNaiveBayes::FeatureCount() const noexcept
{
  return FCount.empty() ? 0 : static_cast<Integer>(FCount.front().size());
}

void TZRNaiveBayes::Clear()
{
  FLabels.Clear();
  FCount.clear();
  FSum.clear();
  FAvg.clear();
  FInvEigenValues.clear();
  FProductSum.clear();
  FCovRotateMats.clear();
  FClasses.clear();
}

void TZRNaiveBayes::Train(const TRef<IQDRealBufferArray>& ATraingFeatures,
                          const TRef<IQDRealBuffer>& AResposes, Boolean AUpdate)
{
  // Everything is checked before the model changes, so a refused call leaves
  // the model as it was.
  if (!ATraingFeatures)
    Fail("Train: no training features");
  if (!AResposes)
    Fail("Train: no responses");
  const Integer Rows = ATraingFeatures->GetCount();
  const Integer Responses = static_cast<Integer>(AResposes->GetSize());
  if (Responses < Rows)
    Fail(Format("Train: %d training items but only %d responses", Rows, Responses));

  // Fetched once: a matrix hands out a fresh copy of a row on every GetItem.
  std::vector<TRef<IQDRealBuffer>> Items;
  Items.reserve(static_cast<std::size_t>(Rows));
  for (Integer R = 0; R < Rows; ++R) {
    TRef<IQDRealBuffer> Item = ATraingFeatures->GetItem(R);
    if (!Item)
      Fail(Format("Train: training item %d is missing", R));
    const Integer Size = static_cast<Integer>(Item->GetSize());
    if (R > 0 && Size != static_cast<Integer>(Items.front()->GetSize()))
      Fail(Format("Train: training item %d has %d features, item 0 has %d", R, Size,
                  static_cast<Integer>(Items.front()->GetSize())));
    Items.push_back(std::move(Item));
  }
  const Real* Labels = AResposes->Read();

  // In update mode the model's n stays; the items must match it, and every
  // label must be known, or the sums of different shapes would be mixed.
  Integer N = Items.empty() ? 0 : static_cast<Integer>(Items.front()->GetSize());
  std::vector<Integer> ClassOf(static_cast<std::size_t>(Rows));
  if (AUpdate) {
    const Integer ModelN = FeatureCount();
    if (!Items.empty() && N != ModelN)
      Fail(Format("Train: the training items have %d features, the model has %d", N, ModelN));
    N = ModelN;
    for (Integer R = 0; R < Rows; ++R) {
      if (!FLabels.FindLabel(Labels[R], ClassOf[static_cast<std::size_t>(R)]))
        Fail(Format("Train: label %.17g of item %d is not in the model", Labels[R], R));
    }
  } else {
    Clear();
    for (Integer R = 0; R < Rows; ++R)
      ClassOf[static_cast<std::size_t>(R)] = FLabels.AddLabel(Labels[R]);
  }

  const std::size_t C = static_cast<std::size_t>(FLabels.GetCount());
  const std::size_t Nz = static_cast<std::size_t>(N);
  if (!AUpdate) {
    FCount.assign(C, std::vector<Integer>(Nz, 0));
    FSum.assign(C, TZRRealArray(Nz, 0.0));
    FProductSum.assign(C, TZRRealArray2(Nz, TZRRealArray(Nz, 0.0)));
    FAvg.assign(C, TZRRealArray(Nz, 0.0));
    FInvEigenValues.assign(C, TZRRealArray(Nz, 0.0));
    FCovRotateMats.assign(C, TZRRealArray2(Nz, TZRRealArray(Nz, 0.0)));
    FClasses.assign(C, 0.0);
  }

  // Upper triangle (with the diagonal) only; ComputeClass mirrors it.
  for (std::size_t R = 0; R < Items.size(); ++R) {
    const std::size_t Class = static_cast<std::size_t>(ClassOf[R]);
    const Real* P = Items[R]->Read();
    std::vector<Integer>& Count = FCount[Class];
    TZRRealArray& Sum = FSum[Class];
    TZRRealArray2& ProductSum = FProductSum[Class];
    for (std::size_t I = 0; I < Nz; ++I) {
      const Real V = P[I];
      Sum[I] += V;
      Count[I] += 1;
      TZRRealArray& Row = ProductSum[I];
      for (std::size_t J = I; J < Nz; ++J)
        Row[J] += P[J] * V;
    }
  }

  std::vector<Real> Cov(Nz * Nz);
  for (std::size_t Class = 0; Class < C; ++Class)
    ComputeClass(Class, Nz, Cov);
}

void TZRNaiveBayes::ComputeClass(std::size_t AClass, std::size_t AN, std::vector<Real>& ACov)
{
  const std::size_t N = AN;
  TZRRealArray2& ProductSum = FProductSum[AClass];
  const std::vector<Integer>& Count = FCount[AClass];
  const TZRRealArray& Sum = FSum[AClass];
  TZRRealArray& Avg = FAvg[AClass];
  Real Det = 1.0;

  for (std::size_t I = 0; I < N; ++I)
    for (std::size_t J = 0; J < I; ++J)
      ProductSum[I][J] = ProductSum[J][I];

  for (std::size_t I = 0; I < N; ++I)
    Avg[I] = Count[I] > 0 ? Sum[I] / Count[I] : 0.0;

  // Lower triangle, in exactly this order of operations; one sample leaves
  // the sums undivided (an all-zero covariance). Every element of ACov is
  // written below, so nothing of the previous class survives.
  for (std::size_t R = 0; R < N; ++R) {
    const Real Mr = Avg[R];
    const Real Sr = Sum[R];
    const Integer Nr = Count[R];
    for (std::size_t K = 0; K <= R; ++K) {
      const Real Mk = Avg[K];
      const Real Sk = Sum[K];
      const Real P = ProductSum[R][K];
      Real V = ((P - Mr * Sk) - Mk * Sr) + Mr * Mk * Nr;
      if (Nr > 1)
        V = V / (Nr - 1);
      ACov[R * N + K] = V;
    }
  }
  for (std::size_t I = 0; I < N; ++I)
    for (std::size_t J = I + 1; J < N; ++J)
      ACov[I * N + J] = ACov[J * N + I];

  // The decomposition: singular values of the symmetric covariance (its
  // eigenvalues) and U transposed, row i paired with w[i].
  TZRRealArray& W = FInvEigenValues[AClass];
  TZRRealArray2& Rotation = FCovRotateMats[AClass];
  {
    const Integer Ni = static_cast<Integer>(N);
    TYHMatrix A(Ni, Ni);
    TYHMatrix Wm(1, Ni);
    TYHMatrix U(Ni, Ni);
    for (Integer I = 0; I < Ni; ++I)
      for (Integer J = 0; J < Ni; ++J)
        YHOpenCV::cvSetMatItem(A.Get(), I, J, ACov[static_cast<std::size_t>(I) * N + J]);
    YHOpenCV::cvSVD(A.Get(), Wm.Get(), U.Get(), nullptr, YHOpenCV::CV_SVD_U_T);
    for (Integer I = 0; I < Ni; ++I) {
      W[static_cast<std::size_t>(I)] = YHOpenCV::cvGetMatItem(Wm.Get(), 0, I);
      TZRRealArray& Row = Rotation[static_cast<std::size_t>(I)];
      for (Integer J = 0; J < Ni; ++J)
        Row[static_cast<std::size_t>(J)] = YHOpenCV::cvGetMatItem(U.Get(), I, J);
    }
    U.Release();
    Wm.Release();
    A.Release();
  }

  for (std::size_t I = 0; I < N; ++I)
    if (!(W[I] >= EigenValueFloor)) // also catches NaN
      W[I] = EigenValueFloor;
  for (std::size_t I = 0; I < N; ++I)
    Det = Det * W[I];
  for (std::size_t I = 0; I < N; ++I)
    W[I] = 1.0 / W[I];
  FClasses[AClass] = Det > 0.0 ? std::log(Det) : NoLogDet;
}

void TZRNaiveBayes::Predict(const TRef<IQDRealBuffer>& AFeatures)
{
  if (!AFeatures)
    Fail("Predict: no feature vector");
  const Integer C = FLabels.GetCount();
  if (C == 0)
    Fail("Predict: the model is not trained");
  const std::size_t M = AFeatures->GetSize();
  if (M != static_cast<std::size_t>(FeatureCount()))
    Fail(Format("Predict: the feature vector has %d values, the model has %d",
                static_cast<Integer>(M), FeatureCount()));

  TRef<TZRNaiveBayesResult> Result = TZRNaiveBayesResult::Create();
  Result->ReserveItems(C);
  const Real* X = AFeatures->Read();
  Real DiffInline[InlineFeatures];
  std::vector<Real> DiffHeap;
  Real* Diff = DiffInline;
  if (M > InlineFeatures) {
    DiffHeap.resize(M);
    Diff = DiffHeap.data();
  }

  Real Best = ScoreLimit;
  Integer BestClass = -1;
  for (Integer Class = 0; Class < C; ++Class) {
    const std::size_t Cz = static_cast<std::size_t>(Class);
    Real Score = FClasses[Cz];
    const Real* Avg = FAvg[Cz].data();
    for (std::size_t I = 0; I < M; ++I)
      Diff[I] = Avg[I] - X[I];
    // t[i] is finished before it enters the score, and the score takes the
    // terms in index order, as a separate t array would.
    const Real* InvEigen = FInvEigenValues[Cz].data();
    const TZRRealArray2& Rotation = FCovRotateMats[Cz];
    for (std::size_t I = 0; I < M; ++I) {
      const Real* Row = Rotation[I].data();
      Real T = 0.0;
      for (std::size_t J = 0; J < M; ++J)
        T = Diff[J] * Row[J] + T;
      Score = T * T * InvEigen[I] + Score;
    }
    if (Score < Best) { // strict: on a tie the earlier class keeps the win
      Best = Score;
      BestClass = Class;
    }
    Result->AddItem<TZRNaiveBayesClass>(FLabels.GetLabel(Class), Score);
  }
  if (BestClass < 0)
    Fail("Predict: no class score is below 1.7E308 (is a feature not a number?)");
  Result->FResultClass = FLabels.GetLabel(BestClass);

  // A copy: the handler may reassign OnResult while it runs.
  const TZRNaiveBayesResultEvent Handler = FOnResult;
  if (Handler)
    Handler(this, AFeatures, Result.Get());
}
