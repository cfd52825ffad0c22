//===- classifier/ZRNaiveBayes.h - Normal Bayes classifier -----*- C++ -*-===//
///
/// \file
/// `TZRNaiveBayes`, a normal (Gaussian) Bayes classifier. Training estimates,
/// per class label, the mean vector and the covariance matrix of the training
/// vectors, decomposes each covariance into eigenvalues and eigenvectors
/// (through the bridge of YHOpenCV.h) and keeps the inverse eigenvalues, the
/// rotation and the log-determinant. `Predict` scores a vector against every
/// class with the log-determinant plus the squared Mahalanobis distance,
///
///   score(c) = ln det(Sigma_c) + sum_i (u_i . (mu_c - x))^2 / lambda_i,
///
/// picks the smallest score (the earlier class wins a tie) and hands every
/// class's score to the `OnResult` event in a `TZRNaiveBayesResult` list.
///
/// \code
///   TZRNaiveBayes NB;
///   NB.Train(Matrix->GetMatArrayIntf(), Labels, false);     // one row per sample
///   NB.SetOnResult(TZRNaiveBayesResultEvent::Method<&TForm::Result>(this));
///   NB.Predict(Probe);                                      // calls TForm::Result
/// \endcode
///
/// Thread safety: Train, Predict and Clear take no lock; a caller that shares
/// one classifier between threads serialises them. Different classifiers may
/// be used on different threads.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "buffers/QDSimpleDataBuffer.h"
#include "classifier/ZRBasicClassifier.h"
#include "component/KJComponent.h"
#include "platform/Interfaces.h"
#include "platform/PlatformTypes.h"

#include <type_traits>
#include <vector>

/// One class of a prediction: its label and its score.
class TZRNaiveBayesClass : public TObject
{
public:
  TZRNaiveBayesClass(Real AResultClass, Real AProbability) noexcept
      : FResultClass(AResultClass), FProbability(AProbability)
  {
  }

  /// The class label.
  Real GetResultClass() const noexcept { return FResultClass; }
  /// The class score: a log-determinant plus a squared distance. Smaller means
  /// more likely; it is not a probability in [0, 1].
  Real GetProbability() const noexcept { return FProbability; }

private:
  Real FResultClass;
  Real FProbability;
};

/// The result list of one prediction, as an interface for reference counting.
struct IZRNaiveBayesResult : virtual IInterface
{
  static constexpr TGUID IID = MakeGUID("{AA8CD0C4-6308-45B1-AD35-39DBEC42F7C6}");
  using TParent = IInterface;
};

/// One `TZRNaiveBayesClass` per class, in class-index order, owned by the list,
/// and the winning label. Predict holds a reference only while it runs: a
/// handler that wants the list afterwards keeps its own TRef.
class TZRNaiveBayesResult : public TKJObjectList, public virtual IZRNaiveBayesResult
{
public:
  /// Empty, ResultClass 0.0.
  static TRef<TZRNaiveBayesResult> Create();

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;

  /// Item Index (owned by the list: valid while the list lives). Raises
  /// EListError "List index out of bounds (%d)" unless 0 <= Index < Count.
  TZRNaiveBayesClass* GetItem(Integer Index) const;
  /// The winning label.
  Real GetResultClass() const noexcept { return FResultClass; }

protected:
  TZRNaiveBayesResult() = default;

private:
  friend class TZRNaiveBayes; // fills the list

  Real FResultClass = 0.0;
};

/// The result event: an object and a function, called synchronously. Copying
/// it copies two pointers, so a classifier takes a copy for every call and a
/// handler may reassign the event while it runs. The object is not owned: it
/// must outlive the assignment.
class TZRNaiveBayesResultEvent
{
public:
  using TCode = void (*)(void* AData, TObject* ASender, const TRef<IQDRealBuffer>& AFeatures,
                         TZRNaiveBayesResult* AResult);

  /// Unassigned.
  constexpr TZRNaiveBayesResultEvent() noexcept = default;
  constexpr TZRNaiveBayesResultEvent(void* AData, TCode ACode) noexcept : FData(AData), FCode(ACode) {}

  /// Calls (AObject->*AMethod)(ASender, AFeatures, AResult).
  template <auto AMethod, class T>
  static TZRNaiveBayesResultEvent Method(T* AObject) noexcept
  {
    return {static_cast<void*>(AObject),
            [](void* AData, TObject* ASender, const TRef<IQDRealBuffer>& AFeatures,
               TZRNaiveBayesResult* AResult) {
              (static_cast<T*>(AData)->*AMethod)(ASender, AFeatures, AResult);
            }};
  }
  /// Calls AHandler(ASender, AFeatures, AResult); AHandler is referenced, not
  /// copied (a lambda, say, that lives as long as the assignment).
  template <class F>
  static TZRNaiveBayesResultEvent Handler(F& AHandler) noexcept
  {
    return {const_cast<void*>(static_cast<const void*>(&AHandler)),
            [](void* AData, TObject* ASender, const TRef<IQDRealBuffer>& AFeatures,
               TZRNaiveBayesResult* AResult) { (*static_cast<F*>(AData))(ASender, AFeatures, AResult); }};
  }
  /// A temporary would be gone before the first call.
  template <class F>
    requires(!std::is_lvalue_reference_v<F>)
  static TZRNaiveBayesResultEvent Handler(F&& AHandler) = delete;

  explicit operator bool() const noexcept { return FCode != nullptr; }
  void operator()(TObject* ASender, const TRef<IQDRealBuffer>& AFeatures,
                  TZRNaiveBayesResult* AResult) const
  {
    FCode(FData, ASender, AFeatures, AResult);
  }
  friend bool operator==(const TZRNaiveBayesResultEvent&, const TZRNaiveBayesResultEvent&) = default;

private:
  void* FData = nullptr; // not owned
  TCode FCode = nullptr;
};

using TZRRealArray = std::vector<Real>;
using TZRRealArray2 = std::vector<TZRRealArray>;
using TZRRealArray3 = std::vector<TZRRealArray2>;
using TZRIntegerArray2 = std::vector<std::vector<Integer>>;

/// The normal Bayes classifier. C is the number of classes (the label count),
/// n the feature count fixed by the last full training; class c runs over
/// 0..C-1 in the order its label was first met.
class TZRNaiveBayes : public TObject
{
public:
  /// An empty model with an empty label table; OnResult unassigned.
  TZRNaiveBayes();
  ~TZRNaiveBayes() override;

  /// Trains from one feature vector per item of ATraingFeatures (a matrix
  /// gives one item per row) with the label of item r at AResposes[r]. With
  /// AUpdate false the model is built from scratch; with AUpdate true the
  /// samples are added to the present sums and every class is recomputed.
  ///
  /// Raises EZRClassifierError, before the model is touched, when an argument
  /// is empty, an item is missing, the items differ in length, there are
  /// fewer responses than items, or (AUpdate true) an item's length differs
  /// from the model's n or a label is new to the model. Raises
  /// EQDDLLLoadError when the bridge or one of its functions is missing; the
  /// model is then incomplete (labels, counts, sums and product sums are
  /// written, the decomposition of the failing class and of every later class
  /// is not) and must be trained again before Predict.
  virtual void Train(const TRef<IQDRealBufferArray>& ATraingFeatures,
                     const TRef<IQDRealBuffer>& AResposes, Boolean AUpdate);
  /// Scores AFeatures against every class and calls OnResult (when assigned)
  /// with the result list; there is no return value. Raises
  /// EZRClassifierError, before OnResult is called, when AFeatures is empty,
  /// the model is empty, AFeatures' size differs from n, or no score is below
  /// 1.7E308 (a feature that is not a number, say). An error raised by the
  /// handler propagates; the result list is released either way.
  void Predict(const TRef<IQDRealBuffer>& AFeatures);
  /// Empties the label table and the model.
  void Clear();

  /// Property `OnResult`.
  const TZRNaiveBayesResultEvent& GetOnResult() const noexcept { return FOnResult; }
  void SetOnResult(const TZRNaiveBayesResultEvent& AValue) noexcept { FOnResult = AValue; }

protected:
  /// n as the model holds it: the length of the first class's counts, 0 when
  /// there is no class.
  Integer FeatureCount() const noexcept;

  TZRLabels FLabels;                 // class labels; index = class index
  TZRIntegerArray2 FCount;           // [C][n] samples counted for feature i
  TZRRealArray2 FSum;                // [C][n] sum of feature i
  TZRRealArray2 FAvg;                // [C][n] mean of feature i
  TZRRealArray2 FInvEigenValues;     // [C][n] 1 / floored eigenvalue i
  TZRRealArray3 FProductSum;         // [C][n][n] sum of x_i * x_j (symmetric)
  TZRRealArray3 FCovRotateMats;      // [C][n][n] row i: eigenvector of eigenvalue i
  TZRRealArray FClasses;             // [C] ln det of the floored covariance, or -700.0
  TZRNaiveBayesResultEvent FOnResult;

private:
  /// Means, covariance, decomposition and log-determinant of class AClass
  /// from its accumulated sums, n = AN.
  void ComputeClass(std::size_t AClass, std::size_t AN, std::vector<Real>& ACov);
};
