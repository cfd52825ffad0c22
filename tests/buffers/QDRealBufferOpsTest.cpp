#include "buffers/QDSimpleDataBuffer.h"
#include "BufferFixtures.h"

#include "platform/Exceptions.h"
#include "primitives/QDScopeDispatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

// The buffer layer's part of each operation: which entry, which pointers (after
// copy-on-write), which counts, in which order. Entries whose built-ins live
// elsewhere are replaced here by plain reference loops that also record what
// they were given; the primitives themselves are tested with the primitives.

namespace {

constexpr Real NaN = std::numeric_limits<Real>::quiet_NaN();

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::NanSensitiveDoubleEq;
using ::testing::Pointwise;

TRef<TQDRealBuffer> Filled(std::vector<Real> AValues)
{
  return TQDRealBuffer::CreateData(AValues.data(), static_cast<Cardinal>(AValues.size()));
}

std::vector<Real> Values(const TRef<TQDRealBuffer>& ABuffer)
{
  return std::vector<Real>(ABuffer->Read(), ABuffer->Read() + ABuffer->GetSize());
}

/// Replaces a dispatch entry for one scope. The primitives are started first, so
/// that start-up does not overwrite the replacement later.
template <class F>
class TEntryPatch
{
public:
  TEntryPatch(F& AEntry, F AReplacement) : FEntry((SmartBufferManager(), AEntry)), FSaved(AEntry)
  {
    FEntry = AReplacement;
  }
  ~TEntryPatch() { FEntry = FSaved; }
  TEntryPatch(const TEntryPatch&) = delete;
  TEntryPatch& operator=(const TEntryPatch&) = delete;

private:
  F& FEntry;
  F FSaved;
};

/// What the last replaced entry was called with.
struct TCall
{
  int Calls = 0;
  const void* P1 = nullptr;
  const void* P2 = nullptr;
  const void* P3 = nullptr;
  int L1 = -1;
  int L2 = -1;
  int L3 = -1;
  int Extra = 0;
};
TCall GCall;

void Record(const void* AP1, int AL1, const void* AP2 = nullptr, int AL2 = -1,
            const void* AP3 = nullptr, int AL3 = -1, int AExtra = 0)
{
  GCall = TCall{GCall.Calls + 1, AP1, AP2, AP3, AL1, AL2, AL3, AExtra};
}

// --- Reference stand-ins -------------------------------------------------------

IppStatus RefMin(const Ipp64f* Src, int Len, Ipp64f* Out)
{
  Record(Src, Len);
  if (Len < 1)
    return ippStsSizeErr;
  *Out = *std::min_element(Src, Src + Len);
  return ippStsNoErr;
}

IppStatus RefMax(const Ipp64f* Src, int Len, Ipp64f* Out)
{
  Record(Src, Len);
  if (Len < 1)
    return ippStsSizeErr;
  *Out = *std::max_element(Src, Src + Len);
  return ippStsNoErr;
}

IppStatus RefMinIndx(const Ipp64f* Src, int Len, Ipp64f* Out, int* Index)
{
  Record(Src, Len);
  if (Len < 1)
    return ippStsSizeErr;
  *Index = static_cast<int>(std::min_element(Src, Src + Len) - Src);
  *Out = Src[*Index];
  return ippStsNoErr;
}

IppStatus RefMaxIndx(const Ipp64f* Src, int Len, Ipp64f* Out, int* Index)
{
  Record(Src, Len);
  if (Len < 1)
    return ippStsSizeErr;
  *Index = static_cast<int>(std::max_element(Src, Src + Len) - Src);
  *Out = Src[*Index];
  return ippStsNoErr;
}

IppStatus RefMean(const Ipp64f* Src, int Len, Ipp64f* Out)
{
  Record(Src, Len);
  if (Len < 1)
    return ippStsSizeErr;
  *Out = std::accumulate(Src, Src + Len, 0.0) / Len;
  return ippStsNoErr;
}

IppStatus RefStdDev(const Ipp64f* Src, int Len, Ipp64f* Out)
{
  Record(Src, Len);
  if (Len < 2)
    return ippStsSizeErr;
  const double M = std::accumulate(Src, Src + Len, 0.0) / Len;
  double S = 0;
  for (int I = 0; I < Len; ++I)
    S += (Src[I] - M) * (Src[I] - M);
  *Out = std::sqrt(S / (Len - 1));
  return ippStsNoErr;
}

IppStatus RefDotProd(const Ipp64f* Src1, const Ipp64f* Src2, int Len, Ipp64f* Out)
{
  Record(Src1, Len, Src2);
  if (Len < 1)
    return ippStsSizeErr;
  *Out = std::inner_product(Src1, Src1 + Len, Src2, 0.0);
  return ippStsNoErr;
}

template <int AKind>
IppStatus RefNormDiff(const Ipp64f* Src1, const Ipp64f* Src2, int Len, Ipp64f* Out)
{
  Record(Src1, Len, Src2, -1, nullptr, -1, AKind);
  if (Len < 1)
    return ippStsSizeErr;
  double R = 0;
  for (int I = 0; I < Len; ++I) {
    const double D = std::fabs(Src1[I] - Src2[I]);
    R = AKind == 1 ? R + D : AKind == 2 ? R + D * D : std::max(R, D);
  }
  *Out = AKind == 2 ? std::sqrt(R) : R;
  return ippStsNoErr;
}

template <int AKind>
IppStatus RefAutoCorr(const Ipp64f* Src, int SrcLen, Ipp64f* Dst, int DstLen)
{
  Record(Src, SrcLen, Dst, DstLen, nullptr, -1, AKind);
  if (SrcLen < 1 || DstLen < 1)
    return ippStsSizeErr;
  for (int N = 0; N < DstLen; ++N) {
    double S = 0;
    for (int K = 0; K + N < SrcLen; ++K)
      S += Src[K] * Src[K + N];
    Dst[N] = AKind == 1 ? S / SrcLen : AKind == 2 && N < SrcLen ? S / (SrcLen - N) : S;
  }
  return ippStsNoErr;
}

IppStatus RefCrossCorr(const Ipp64f* Src1, int Len1, const Ipp64f* Src2, int Len2, Ipp64f* Dst,
                       int DstLen, int LowLag)
{
  Record(Src1, Len1, Src2, Len2, Dst, DstLen, LowLag);
  if (Len1 < 1 || Len2 < 1 || DstLen < 1)
    return ippStsSizeErr;
  for (int N = 0; N < DstLen; ++N) {
    double S = 0;
    for (int K = 0; K < Len1; ++K) {
      const int J = K + N + LowLag;
      if (J >= 0 && J < Len2)
        S += Src1[K] * Src2[J];
    }
    Dst[N] = S;
  }
  return ippStsNoErr;
}

IppStatus RefConv(const Ipp64f* Src1, int Len1, const Ipp64f* Src2, int Len2, Ipp64f* Dst)
{
  Record(Src1, Len1, Src2, Len2, Dst);
  if (Len1 < 1 || Len2 < 1)
    return ippStsSizeErr;
  for (int N = 0; N < Len1 + Len2 - 1; ++N) {
    double S = 0;
    for (int K = 0; K < Len1; ++K)
      if (N - K >= 0 && N - K < Len2)
        S += Src1[K] * Src2[N - K];
    Dst[N] = S;
  }
  return ippStsNoErr;
}

IppStatus CountingConstant(Ipp64f, Ipp64f*, int Len)
{
  Record(nullptr, Len);
  return ippStsNoErr;
}

IppStatus OutOfMemoryAutoCorr(const Ipp64f* Src, int SrcLen, Ipp64f*, int)
{
  Record(Src, SrcLen);
  return ippStsMemAllocErr;
}

class RealBufferOps : public ::testing::Test
{
protected:
  void SetUp() override { GCall = TCall{}; }
};

// ---------------------------------------------------------------------------
// Element-wise arithmetic with another buffer
// ---------------------------------------------------------------------------

using TBinaryOp = void (IQDRealBuffer::*)(const TRef<IQDRealBuffer>&);

struct TBinaryCase
{
  const char* Name;
  TBinaryOp Op;
  std::vector<Real> Self, Right, Want;
};

class BinaryOps : public ::testing::TestWithParam<TBinaryCase> {};

TEST_P(BinaryOps, WorkOnTheCommonPrefix)
{
  const TBinaryCase& C = GetParam();
  TRef<TQDRealBuffer> Self = Filled(C.Self);
  TRef<TQDRealBuffer> Right = Filled(C.Right);
  ((*Self).*C.Op)(Right);
  EXPECT_THAT(Values(Self), Pointwise(NanSensitiveDoubleEq(), C.Want));
  EXPECT_THAT(Values(Right), Pointwise(NanSensitiveDoubleEq(), C.Right)) << "Right is only read";
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, BinaryOps, ::testing::Values(
    TBinaryCase{"AddLongerIntoShorter", &IQDRealBuffer::Add, {1, 2, 3}, {10, 20, 30, 40, 50}, {11, 22, 33}},
    TBinaryCase{"AddShorterIntoLonger", &IQDRealBuffer::Add, {1, 2, 3, 4, 5}, {10, 20, 30}, {11, 22, 33, 4, 5}},
    TBinaryCase{"AddEmpty", &IQDRealBuffer::Add, {1, 2}, {}, {1, 2}},
    TBinaryCase{"Subtract", &IQDRealBuffer::Subtract, {5, 7, 9}, {1, 2}, {4, 5, 9}},
    TBinaryCase{"Multiply", &IQDRealBuffer::Multiply, {2, 3}, {4, -5, 6}, {8, -15}},
    TBinaryCase{"Divide", &IQDRealBuffer::Divide, {8, 9, 1}, {2, -3}, {4, -3, 1}},
    TBinaryCase{"DivideByZeros", &IQDRealBuffer::Divide, {4, -2, 0, 8}, {2, 0, 0, 4}, {2, -1.0E14, -1.0E14, 2}},
    TBinaryCase{"DividePositiveByZero", &IQDRealBuffer::Divide, {5}, {0}, {1.0E15}},
    TBinaryCase{"DivideByMinusZeroGoesByTheNumerator", &IQDRealBuffer::Divide, {5, -5}, {-0.0, -0.0}, {1.0E15, -1.0E14}},
    TBinaryCase{"NaNDivisors", &IQDRealBuffer::Divide, {6, -3, 1}, {NaN, NaN, 1}, {1.0E15, -1.0E14, 1}}),
  [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(RealBufferOpsCow, BinaryOpsCopyASharedBlockAndLeaveTheOtherOwnerAlone)
{
  for (TBinaryOp Op : {&IQDRealBuffer::Add, &IQDRealBuffer::Subtract, &IQDRealBuffer::Multiply,
                       &IQDRealBuffer::Divide}) {
    TRef<TQDRealBuffer> A = Filled({6, 8});
    TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
    ((*A).*Op)(Filled({2, 2}));
    EXPECT_NE(BlockOf(A), BlockOf(B));
    EXPECT_THAT(Values(B), ElementsAre(6, 8));
    EXPECT_NE(Values(A), Values(B));
    EXPECT_EQ(BlockOf(B)->CountOwners(), 1);
  }
}

TEST(RealBufferOpsCow, SelfAsItsOwnRightReadsTheValuesBeforeTheCopy)
{
  TRef<TQDRealBuffer> A = Filled({1, 2, 3});
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  A->Add(A);
  EXPECT_THAT(Values(A), ElementsAre(2, 4, 6));
  EXPECT_THAT(Values(B), ElementsAre(1, 2, 3));
}

TEST_F(RealBufferOps, AnEmptyRightReferenceIsAnInvalidCast)
{
  TRef<TQDRealBuffer> A = Filled({1});
  EXPECT_THROW(A->Add(TRef<IQDRealBuffer>()), EInvalidCast);
  EXPECT_THROW(A->NormalizeFrom(TRef<IQDRealBuffer>(), 0, 1), EInvalidCast);
}

// ---------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------

struct TValueCase
{
  const char* Name;
  std::function<void(IQDRealBuffer&)> Op;
  std::vector<Real> Want; // from (2, -4, 8)
};

class ValueOps : public ::testing::TestWithParam<TValueCase> {};

TEST_P(ValueOps, ChangeEveryValueOfACopyOnly)
{
  const TValueCase& C = GetParam();
  TRef<TQDRealBuffer> A = Filled({2, -4, 8});
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  C.Op(*A);
  EXPECT_THAT(Values(A), ElementsAreArray(C.Want));
  EXPECT_NE(BlockOf(A), BlockOf(B));
  EXPECT_THAT(Values(B), ElementsAre(2, -4, 8));
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, ValueOps, ::testing::Values(
    TValueCase{"SetValue", [](IQDRealBuffer& A) { A.SetValue(7); }, {7, 7, 7}},
    TValueCase{"AddValue", [](IQDRealBuffer& A) { A.AddValue(1.5); }, {3.5, -2.5, 9.5}},
    TValueCase{"SubtractValue", [](IQDRealBuffer& A) { A.SubtractValue(2); }, {0, -6, 6}},
    TValueCase{"MultiplyValue", [](IQDRealBuffer& A) { A.MultiplyValue(-0.5); }, {-1, 2, -4}},
    TValueCase{"DivideValue", [](IQDRealBuffer& A) { A.DivideValue(4); }, {0.5, -1, 2}},
    TValueCase{"Zero", [](IQDRealBuffer& A) { A.Zero(); }, {0, 0, 0}},
    TValueCase{"Threshold", [](IQDRealBuffer& A) { A.Threshold(3, ttGreaterThan); }, {2, -4, 3}},
    TValueCase{"ThresholdLess", [](IQDRealBuffer& A) { A.Threshold(0, ttLessThan); }, {2, 0, 8}},
    TValueCase{"Sqr", [](IQDRealBuffer& A) { A.Sqr(); }, {4, 16, 64}},
    TValueCase{"Abs", [](IQDRealBuffer& A) { A.Abs(); }, {2, 4, 8}}),
  [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct TNeutralCase
{
  const char* Name;
  TippsAddC_64f_I* Entry;
  std::function<void(IQDRealBuffer&)> Op;
};

class NeutralConstants : public ::testing::TestWithParam<TNeutralCase> {};

TEST_P(NeutralConstants, ReturnBeforeCopyingOrCalling)
{
  const TNeutralCase& C = GetParam();
  TEntryPatch Patch(*C.Entry, &CountingConstant);
  GCall = TCall{};
  TRef<TQDRealBuffer> A = Filled({1, 2});
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  C.Op(*A);
  EXPECT_EQ(BlockOf(A), BlockOf(B)) << "still shared";
  EXPECT_EQ(BlockOf(A)->CountOwners(), 2);
  EXPECT_EQ(GCall.Calls, 0);
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, NeutralConstants, ::testing::Values(
    TNeutralCase{"AddZero", &ippsAddC_64f_I, [](IQDRealBuffer& A) { A.AddValue(0); }},
    TNeutralCase{"AddMinusZero", &ippsAddC_64f_I, [](IQDRealBuffer& A) { A.AddValue(-0.0); }},
    TNeutralCase{"SubtractZero", &ippsSubC_64f_I, [](IQDRealBuffer& A) { A.SubtractValue(0); }},
    TNeutralCase{"MultiplyOne", &ippsMulC_64f_I, [](IQDRealBuffer& A) { A.MultiplyValue(1); }},
    TNeutralCase{"DivideZero", &ippsDivC_64f_I, [](IQDRealBuffer& A) { A.DivideValue(0); }},
    TNeutralCase{"DivideOne", &ippsDivC_64f_I, [](IQDRealBuffer& A) { A.DivideValue(1); }}),
  [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(RealBufferOps, ANonNeutralConstantCallsTheEntryOverTheWholeBuffer)
{
  TEntryPatch Patch(ippsMulC_64f_I, &CountingConstant);
  TRef<TQDRealBuffer> A = Filled({1, 2, 3});
  A->MultiplyValue(2);
  EXPECT_EQ(GCall.Calls, 1);
  EXPECT_EQ(GCall.L1, 3);
}

TEST_F(RealBufferOps, DivideValueByNaNIsRefusedLikeZeroWithoutAnError)
{
  TRef<TQDRealBuffer> A = Filled({1, 2});
  EXPECT_NO_THROW(A->DivideValue(NaN));
  EXPECT_THAT(Values(A), ElementsAre(1, 2));
}

TEST_F(RealBufferOps, VectorJaehneFillsAndRefusesANegativeMagnitude)
{
  TRef<TQDRealBuffer> A = Filled({9, 9, 9, 9});
  A->VectorJaehne(2);
  EXPECT_EQ(A->GetItem(0), 0.0);
  EXPECT_NEAR(A->GetItem(2), 2.0, 1e-15) << "2 sin(pi 2^2 / 8)";
  try {
    A->VectorJaehne(-1);
    ADD_FAILURE() << "no error";
  } catch (const EQDPrimitiveError& E) {
    EXPECT_EQ(E.Message(), "ippsVectorJaehne_64f failed with status -38");
  }
}

// ---------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------

struct TShortCase
{
  Real Value;
  bool Round;
  SmallInt Want;
};

class ToShortValues : public ::testing::TestWithParam<TShortCase> {};

TEST_P(ToShortValues, KeepTheLowSixteenBitsOfTheInteger)
{
  const TShortCase& C = GetParam();
  TRef<TQDRealBuffer> A = Filled({C.Value});
  SmallInt Out = 12345;
  A->ToShort(&Out, C.Round);
  EXPECT_EQ(Out, C.Want) << C.Value;
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, ToShortValues, ::testing::Values(
    TShortCase{2.5, true, 2}, TShortCase{3.5, true, 4}, TShortCase{-2.5, true, -2},
    TShortCase{2.6, true, 3}, TShortCase{2.9, false, 2}, TShortCase{-2.9, false, -2},
    TShortCase{70000.0, true, 4464}, TShortCase{-70000.0, false, -4464},
    TShortCase{32768.0, false, -32768}, TShortCase{NaN, true, 0}, TShortCase{1e300, false, 0}));

TEST_F(RealBufferOps, ToIntSaturatesAndRoundsAsAsked)
{
  TRef<TQDRealBuffer> A = Filled({2.5, 3.5, -2.7, 70000.0, 3e9, -3e9});
  Integer Out[6];
  A->ToInt(Out, true);
  EXPECT_THAT(Out, ElementsAre(2, 4, -3, 70000, 2147483647, -2147483647 - 1));
  A->ToInt(Out, false);
  EXPECT_THAT(Out, ElementsAre(2, 3, -2, 70000, 2147483647, -2147483647 - 1));
}

TEST_F(RealBufferOps, ToSingleAndTheFromConversionsConvertEveryValue)
{
  TRef<TQDRealBuffer> A = Filled({1.5, -0.25, 1e-3});
  Single Out[3];
  A->ToSingle(Out);
  EXPECT_THAT(Out, ElementsAre(1.5f, -0.25f, 1e-3f));

  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  const Integer Ints[3] = {-7, 0, 2147483647};
  A->FromInt(Ints);
  EXPECT_THAT(Values(A), ElementsAre(-7, 0, 2147483647.0));
  EXPECT_THAT(Values(B), ElementsAre(1.5, -0.25, 1e-3)) << "the other owner keeps its values";
  const SmallInt Shorts[3] = {-32768, 1, 32767};
  A->FromShort(Shorts);
  EXPECT_THAT(Values(A), ElementsAre(-32768, 1, 32767));
  const Single Singles[3] = {0.5f, -1e10f, 3.0f};
  A->FromSingle(Singles);
  EXPECT_THAT(Values(A), ElementsAre(0.5, Real(-1e10f), 3));
}

TEST_F(RealBufferOps, NullConversionPointersAreRefusedBeforeAnythingChanges)
{
  TRef<TQDRealBuffer> A = Filled({1, 2});
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  EXPECT_THROW(A->ToInt(nullptr, true), EQDPrimitiveError);
  EXPECT_THROW(A->ToShort(nullptr, true), EQDPrimitiveError);
  EXPECT_THROW(A->ToSingle(nullptr), EQDPrimitiveError);
  EXPECT_THROW(A->FromInt(nullptr), EQDPrimitiveError);
  EXPECT_THROW(A->FromShort(nullptr), EQDPrimitiveError);
  EXPECT_THROW(A->FromSingle(nullptr), EQDPrimitiveError);
  EXPECT_EQ(BlockOf(A), BlockOf(B)) << "no copy was made";
  // Nothing to convert: no pointer is needed.
  TRef<TQDRealBuffer> Empty = TQDRealBuffer::Create();
  EXPECT_NO_THROW(Empty->FromInt(nullptr));
  EXPECT_NO_THROW(Empty->ToShort(nullptr, false));
}

// ---------------------------------------------------------------------------
// Normalisation
// ---------------------------------------------------------------------------

TEST_F(RealBufferOps, NormalizeFromWorksOnTheCommonPrefix)
{
  TRef<TQDRealBuffer> Src = Filled({3, 5, 7});
  TRef<TQDRealBuffer> A = Filled({0, 0});
  A->NormalizeFrom(Src, 1, 2);
  EXPECT_THAT(Values(A), ElementsAre(1, 2));
  TRef<TQDRealBuffer> Long = Filled({9, 9, 9, 9});
  Long->NormalizeFrom(Src, 1, 2);
  EXPECT_THAT(std::vector<Real>(Long->Read(), Long->Read() + 3), ElementsAre(1, 2, 3));
  EXPECT_EQ(Long->GetItem(3), 9) << "an unshared block keeps the rest";
}

TEST_F(RealBufferOps, NormalizeReadsTheOldBlockThroughASecondReference)
{
  TRef<TQDRealBuffer> A = Filled({3, 5});
  TRef<TQDRealBuffer> Sharer = TQDRealBuffer::CreateCopy(A);
  TQDSmartBuffer* Old = BlockOf(A);
  A->Normalize(1, 2);
  EXPECT_THAT(Values(A), ElementsAre(1, 2));
  EXPECT_THAT(Values(Sharer), ElementsAre(3, 5));
  EXPECT_NE(BlockOf(A), Old);
  EXPECT_EQ(Old->CountOwners(), 1) << "the temporary reference is gone";

  TRef<TQDRealBuffer> Alone = Filled({4, 6});
  Alone->Normalize(2, 2);
  EXPECT_THAT(Values(Alone), ElementsAre(1, 2));
  EXPECT_EQ(BlockOf(Alone)->CountOwners(), 1);
  EXPECT_EQ(BlockOf(Alone)->CountTransports(), 1);
}

TEST_F(RealBufferOps, ARefusedFactorRaisesAndKeepsTheValues)
{
  TRef<TQDRealBuffer> Alone = Filled({3, 5});
  EXPECT_THROW(Alone->Normalize(1, 0), EQDPrimitiveError);
  EXPECT_THAT(Values(Alone), ElementsAre(3, 5));
  EXPECT_EQ(BlockOf(Alone)->CountOwners(), 1);

  TRef<TQDRealBuffer> Shared = Filled({3, 5});
  TRef<TQDRealBuffer> Sharer = TQDRealBuffer::CreateCopy(Shared);
  EXPECT_THROW(Shared->Normalize(1, NaN), EQDPrimitiveError);
  EXPECT_THAT(Values(Shared), ElementsAre(3, 5));
  EXPECT_THAT(Values(Sharer), ElementsAre(3, 5));
}

// ---------------------------------------------------------------------------
// Thresholds and unary functions from a source
// ---------------------------------------------------------------------------

TEST_F(RealBufferOps, ThresholdFromReadsSelfsCountFromTheSource)
{
  TRef<TQDRealBuffer> Src = Filled({1, 5, -3, 9});
  TRef<TQDRealBuffer> A = Filled({0, 0, 0});
  A->ThresholdFrom(Src, 2, ttGreaterThan);
  EXPECT_THAT(Values(A), ElementsAre(1, 2, -3));
  A->ThresholdFrom(Src, 2, ttLessThan);
  EXPECT_THAT(Values(A), ElementsAre(2, 5, 2));
  TRef<TQDRealBuffer> TooLong = Filled({0, 0, 0, 0, 0});
  EXPECT_THROW(TooLong->ThresholdFrom(Src, 2, ttLessThan), ERangeError);
  EXPECT_THAT(Values(TooLong), ElementsAre(0, 0, 0, 0, 0));
}

using TFromOp = void (IQDRealBuffer::*)(const TRef<IQDRealBuffer>&);
using TUnaryOp = void (IQDRealBuffer::*)();

struct TUnaryCase
{
  const char* Name;
  TUnaryOp InPlace;
  TFromOp From;
  std::vector<Real> In, Want;
};

class UnaryOps : public ::testing::TestWithParam<TUnaryCase> {};

TEST_P(UnaryOps, InPlaceAndFromASourceAgree)
{
  const TUnaryCase& C = GetParam();
  TRef<TQDRealBuffer> A = Filled(C.In);
  TRef<TQDRealBuffer> Sharer = TQDRealBuffer::CreateCopy(A);
  ((*A).*C.InPlace)();
  EXPECT_THAT(Values(A), Pointwise(NanSensitiveDoubleEq(), C.Want));
  EXPECT_THAT(Values(Sharer), ElementsAreArray(C.In));

  // Into a shorter buffer: the common prefix.
  TRef<TQDRealBuffer> Short = TQDRealBuffer::CreateSize(Cardinal(C.In.size() - 1));
  ((*Short).*C.From)(Sharer);
  EXPECT_THAT(Values(Short), Pointwise(NanSensitiveDoubleEq(),
                                       std::vector<Real>(C.Want.begin(), C.Want.end() - 1)));
  EXPECT_THAT(Values(Sharer), ElementsAreArray(C.In)) << "the source is only read";
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, UnaryOps, ::testing::Values(
    TUnaryCase{"Sqr", &IQDRealBuffer::Sqr, &IQDRealBuffer::SqrFrom, {-3, 0.5, 2}, {9, 0.25, 4}},
    TUnaryCase{"Sqrt", &IQDRealBuffer::Sqrt, &IQDRealBuffer::SqrtFrom, {9, 0.25, -1}, {3, 0.5, NaN}},
    TUnaryCase{"Abs", &IQDRealBuffer::Abs, &IQDRealBuffer::AbsFrom, {-3, 2, -0.5}, {3, 2, 0.5}},
    TUnaryCase{"Exp", &IQDRealBuffer::Exp, &IQDRealBuffer::ExpFrom, {0, 1, 0}, {1, std::exp(1.0), 1}},
    TUnaryCase{"Ln", &IQDRealBuffer::Ln, &IQDRealBuffer::LnFrom, {1, std::exp(2.0), 1}, {0, 2, 0}}),
  [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(RealBufferOpsCow, SelfAsItsOwnSourceReadsTheOldBlock)
{
  TRef<TQDRealBuffer> A = Filled({2, 3, 4});
  TRef<TQDRealBuffer> Sharer = TQDRealBuffer::CreateCopy(A);
  A->SqrFrom(A); // the write takes a fresh block; the source is the old one
  EXPECT_THAT(Values(A), ElementsAre(4, 9, 16));
  EXPECT_THAT(Values(Sharer), ElementsAre(2, 3, 4));
}

// ---------------------------------------------------------------------------
// Reductions, correlation and convolution (reference stand-ins)
// ---------------------------------------------------------------------------

TEST_F(RealBufferOps, DotPassesRightFirstOverTheCommonPrefix)
{
  TEntryPatch Patch(ippsDotProd_64f, &RefDotProd);
  TRef<TQDRealBuffer> A = Filled({1, 2, 3});
  TRef<TQDRealBuffer> Right = Filled({4, 5});
  EXPECT_EQ(A->Dot(Right), 14);
  EXPECT_EQ(GCall.P1, Right->Read());
  EXPECT_EQ(GCall.P2, A->Read());
  EXPECT_EQ(GCall.L1, 2);
  GCall = TCall{};
  EXPECT_EQ(A->Dot(TQDRealBuffer::Create()), 0);
  EXPECT_EQ(GCall.Calls, 0) << "nothing to sum";
}

TEST_F(RealBufferOps, MeanAndStdDevOverTheWholeBuffer)
{
  TEntryPatch PatchMean(ippsMean_64f, &RefMean);
  TEntryPatch PatchStdDev(ippsStdDev_64f, &RefStdDev);
  TRef<TQDRealBuffer> A = Filled({2, 4, 4, 4, 5, 5, 7, 9});
  EXPECT_EQ(A->Mean(), 5);
  EXPECT_EQ(GCall.L1, 8);
  EXPECT_DOUBLE_EQ(A->StdDev(), std::sqrt(32.0 / 7));
  EXPECT_EQ(GCall.P1, A->Read());
  GCall = TCall{};
  EXPECT_EQ(TQDRealBuffer::Create()->Mean(), 0);
  EXPECT_EQ(TQDRealBuffer::Create()->StdDev(), 0);
  EXPECT_EQ(Filled({3})->StdDev(), 0) << "one value does not spread";
  EXPECT_EQ(GCall.Calls, 0);
}

struct TNormCase
{
  TQDNormType Type;
  int Kind; // which stand-in ran
  Real Want;
};

class NormTypes : public RealBufferOps, public ::testing::WithParamInterface<TNormCase> {};

TEST_P(NormTypes, ChooseTheEntryAndPassSrcFirst)
{
  TEntryPatch P1(ippsNormDiff_L1_64f, &RefNormDiff<1>);
  TEntryPatch P2(ippsNormDiff_L2_64f, &RefNormDiff<2>);
  TEntryPatch P3(ippsNormDiff_Inf_64f, &RefNormDiff<3>);
  const TNormCase& C = GetParam();
  TRef<TQDRealBuffer> A = Filled({1, 1});
  TRef<TQDRealBuffer> Src = Filled({4, -3, 100});
  EXPECT_EQ(A->Norm(Src, C.Type), C.Want);
  EXPECT_EQ(GCall.Extra, C.Kind);
  EXPECT_EQ(GCall.P1, Src->Read());
  EXPECT_EQ(GCall.P2, A->Read());
  EXPECT_EQ(GCall.L1, 2) << "Self's count";
  EXPECT_THROW(Filled({1, 1, 1, 1})->Norm(Src, C.Type), ERangeError) << "Src too short";
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, NormTypes, ::testing::Values(
    TNormCase{ntL1Norm, 1, 7}, TNormCase{ntL2Norm, 2, 5}, TNormCase{ntCNorm, 3, 4}));

struct TAutoCorrCase
{
  TQDAutoCorrType Type;
  int Kind;
  std::vector<Real> Want;
};

class AutoCorrTypes : public RealBufferOps, public ::testing::WithParamInterface<TAutoCorrCase> {};

TEST_P(AutoCorrTypes, UseSelfsSizeForSourceAndDestination)
{
  TEntryPatch P0(ippsAutoCorr_64f, &RefAutoCorr<0>);
  TEntryPatch P1(ippsAutoCorr_NormA_64f, &RefAutoCorr<1>);
  TEntryPatch P2(ippsAutoCorr_NormB_64f, &RefAutoCorr<2>);
  const TAutoCorrCase& C = GetParam();
  TRef<TQDRealBuffer> Src = Filled({1, 2, 3, 50, 60});
  TRef<TQDRealBuffer> A = Filled({0, 0, 0});
  TRef<TQDRealBuffer> Sharer = TQDRealBuffer::CreateCopy(A);
  A->AutoCorr(Src, C.Type);
  EXPECT_EQ(GCall.Extra, C.Kind);
  EXPECT_EQ(GCall.P1, Src->Read());
  EXPECT_EQ(GCall.L1, 3);
  EXPECT_EQ(GCall.P2, A->Read());
  EXPECT_EQ(GCall.L2, 3);
  EXPECT_THAT(Values(A), Pointwise(::testing::DoubleEq(), C.Want));
  EXPECT_THAT(Values(Sharer), ElementsAre(0, 0, 0));
  TRef<TQDRealBuffer> TooLong = TQDRealBuffer::CreateSize(6);
  EXPECT_THROW(TooLong->AutoCorr(Src, C.Type), ERangeError);
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, AutoCorrTypes, ::testing::Values(
    TAutoCorrCase{actNormal, 0, {14, 8, 3}},
    TAutoCorrCase{actBiased, 1, {14.0 / 3, 8.0 / 3, 1}},
    TAutoCorrCase{actUnbiased, 2, {14.0 / 3, 4, 3}}));

TEST_F(RealBufferOps, CrossCorrPassesEachBufferWithItsOwnSize)
{
  TEntryPatch Patch(ippsCrossCorr_64f, &RefCrossCorr);
  TRef<TQDRealBuffer> Src1 = Filled({1, 2});
  TRef<TQDRealBuffer> Src2 = Filled({1, 1, 1});
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(4);
  A->CrossCorr(Src1, Src2, -1);
  EXPECT_THAT(Values(A), ElementsAre(2, 3, 3, 1));
  EXPECT_EQ(GCall.P1, Src1->Read());
  EXPECT_EQ(GCall.L1, 2);
  EXPECT_EQ(GCall.P2, Src2->Read());
  EXPECT_EQ(GCall.L2, 3);
  EXPECT_EQ(GCall.P3, A->Read());
  EXPECT_EQ(GCall.L3, 4);
  EXPECT_EQ(GCall.Extra, -1);
}

TEST_F(RealBufferOps, ConvolveNeedsRoomForTheFullResult)
{
  TEntryPatch Patch(ippsConv_64f, &RefConv);
  TRef<TQDRealBuffer> Src = Filled({1, 2});
  TRef<TQDRealBuffer> H = Filled({1, 1, 1});
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(4);
  A->Convolve(Src, H);
  EXPECT_THAT(Values(A), ElementsAre(1, 3, 3, 2));
  EXPECT_EQ(GCall.P1, Src->Read());
  EXPECT_EQ(GCall.L1, 2);
  EXPECT_EQ(GCall.P2, H->Read());
  EXPECT_EQ(GCall.L2, 3);

  TRef<TQDRealBuffer> Longer = Filled({9, 9, 9, 9, 9});
  Longer->Convolve(Src, H);
  EXPECT_THAT(Values(Longer), ElementsAre(1, 3, 3, 2, 9));

  GCall = TCall{};
  TRef<TQDRealBuffer> Short = Filled({9, 9, 9});
  EXPECT_THROW(Short->Convolve(Src, H), ERangeError);
  EXPECT_THAT(Values(Short), ElementsAre(9, 9, 9));
  EXPECT_EQ(GCall.Calls, 0);
}

// ---------------------------------------------------------------------------
// Extremes
// ---------------------------------------------------------------------------

class Extremes : public RealBufferOps
{
protected:
  TEntryPatch<TippsMin_64f> FMin{ippsMin_64f, &RefMin};
  TEntryPatch<TippsMax_64f> FMax{ippsMax_64f, &RefMax};
  TEntryPatch<TippsMinIndx_64f> FMinIndx{ippsMinIndx_64f, &RefMinIndx};
  TEntryPatch<TippsMaxIndx_64f> FMaxIndx{ippsMaxIndx_64f, &RefMaxIndx};
};

TEST_F(Extremes, ValuesIndexesAndProperties)
{
  TRef<TQDRealBuffer> A = Filled({3, -1, 7, -1, 7});
  EXPECT_EQ(A->GetMinValue(), -1);
  EXPECT_EQ(A->GetMaxValue(), 7);
  EXPECT_EQ(A->Min(), -1);
  EXPECT_EQ(A->Max(), 7);
  EXPECT_EQ(GCall.L1, 5);
  Integer Index = -5;
  EXPECT_EQ(A->GetMinIndex(Index), -1);
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(A->GetMaxIndex(Index), 7);
  EXPECT_EQ(Index, 2);
}

TEST_F(Extremes, AnEmptyBufferGivesZeroWithoutACall)
{
  TRef<TQDRealBuffer> Empty = TQDRealBuffer::Create();
  EXPECT_EQ(Empty->GetMinValue(), 0);
  EXPECT_EQ(Empty->Max(), 0);
  Integer Index = 17;
  EXPECT_EQ(Empty->GetMinIndex(Index), 0);
  EXPECT_EQ(Index, 0);
  Index = 17;
  EXPECT_EQ(Empty->GetMaxIndex(Index), 0);
  EXPECT_EQ(Index, 0);
  EXPECT_EQ(Empty->GetMin(0, 10), 0);
  EXPECT_EQ(Empty->GetMaxRestricted(-3, 3), 0);
  EXPECT_EQ(GCall.Calls, 0);
}

struct TRangeCase
{
  const char* Name;
  Integer Begin, End;
  int WantOffset, WantLen; // of the call; WantLen 0: no call
  Real WantMin, WantMax;
};

class ExtremeRanges : public Extremes, public ::testing::WithParamInterface<TRangeCase> {};

TEST_P(ExtremeRanges, ClampInTheDocumentedOrder)
{
  const TRangeCase& C = GetParam();
  TRef<TQDRealBuffer> A = Filled({5, 1, 8, 2, 9, 0, 6, 3, 7, 4}); // 10 values
  EXPECT_EQ(A->GetMin(C.Begin, C.End), C.WantMin);
  if (C.WantLen > 0) {
    EXPECT_EQ(GCall.P1, A->Read() + C.WantOffset);
    EXPECT_EQ(GCall.L1, C.WantLen);
  } else {
    EXPECT_EQ(GCall.Calls, 0);
  }
  EXPECT_EQ(A->GetMax(C.Begin, C.End), C.WantMax);
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, ExtremeRanges, ::testing::Values(
    TRangeCase{"Inside", 2, 5, 2, 3, 2, 9},
    TRangeCase{"NegativeBeginAndEndBeyond", -5, 100, 0, 10, 0, 9},
    TRangeCase{"BeginBeyondTakesTheLastElement", 12, 20, 9, 1, 4, 4},
    TRangeCase{"EmptyRange", 4, 4, 0, 0, 0, 0},
    TRangeCase{"ReversedRange", 6, 3, 0, 0, 0, 0},
    TRangeCase{"NegativeEnd", 3, -1, 0, 0, 0, 0}),
  [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct TRestrictedCase
{
  const char* Name;
  std::vector<Real> Data;
  Integer Begin, End;
  Real WantMin, WantMax;
};

class Restricted : public ::testing::TestWithParam<TRestrictedCase> {};

TEST_P(Restricted, SkipTheMarkersButCountAMissingFirstValueAsZero)
{
  const TRestrictedCase& C = GetParam();
  TRef<TQDRealBuffer> A = Filled(C.Data);
  EXPECT_EQ(A->GetMinRestricted(C.Begin, C.End), C.WantMin);
  EXPECT_EQ(A->GetMaxRestricted(C.Begin, C.End), C.WantMax);
}

INSTANTIATE_TEST_SUITE_P(RealBufferOps, Restricted, ::testing::Values(
    TRestrictedCase{"MarkersAroundValues", {1.7E308, 3, -1.7E308, 2}, 0, 4, 0, 3},
    TRestrictedCase{"MissingFirst", {-1.7E308, 5, 6}, 0, 3, 0, 6},
    TRestrictedCase{"NoMarkers", {4, -2, 9, 1}, 0, 4, -2, 9},
    TRestrictedCase{"LaterNaNSkipped", {4, NaN, 9}, 0, 3, 4, 9},
    TRestrictedCase{"SubRange", {4, -2, 9, 1}, 2, 4, 1, 9},
    TRestrictedCase{"BeginBeyondTakesTheLastElement", {4, -2, 9, 1}, 7, 9, 1, 1},
    TRestrictedCase{"EmptyRange", {4, -2}, 1, 1, 0, 0}),
  [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------
// Failures of the entries
// ---------------------------------------------------------------------------

TEST_F(RealBufferOps, AMissingEntryRaisesInsteadOfCalling)
{
  TEntryPatch Patch(ippsMean_64f, TippsMean_64f(nullptr));
  try {
    Filled({1, 2})->Mean();
    ADD_FAILURE() << "no error";
  } catch (const EQDPrimitiveError& E) {
    EXPECT_EQ(E.Message(), "ippsMean_64f is not available");
  }
}

TEST_F(RealBufferOps, AnErrorStatusRaisesRatherThanPassingForSuccess)
{
  TEntryPatch Patch(ippsAutoCorr_64f, &OutOfMemoryAutoCorr);
  TRef<TQDRealBuffer> A = Filled({1, 2});
  try {
    A->AutoCorr(A, actNormal);
    ADD_FAILURE() << "no error";
  } catch (const EQDPrimitiveError& E) {
    EXPECT_EQ(E.Message(), "ippsAutoCorr_64f failed with status -9");
  }
  EXPECT_EQ(GCall.Calls, 1);
}

TEST_F(RealBufferOps, EmptyBuffersMakeEveryOperationANoOp)
{
  TRef<TQDRealBuffer> Empty = TQDRealBuffer::Create();
  TRef<TQDRealBuffer> Other = Filled({1, 2});
  EXPECT_NO_THROW(Empty->Add(Other));
  EXPECT_NO_THROW(Empty->Divide(Other));
  EXPECT_NO_THROW(Empty->AddValue(3));
  EXPECT_NO_THROW(Empty->SetValue(3));
  EXPECT_NO_THROW(Empty->Sqrt());
  EXPECT_NO_THROW(Empty->LnFrom(Other));
  EXPECT_NO_THROW(Empty->Normalize(0, 1));
  EXPECT_NO_THROW(Empty->VectorJaehne(1));
  EXPECT_NO_THROW(Other->Multiply(Empty));
  EXPECT_THAT(Values(Other), ElementsAre(1, 2));
  EXPECT_EQ(Empty->GetSize(), 0u);
}

// ---------------------------------------------------------------------------
// Typed-data constructors
// ---------------------------------------------------------------------------

TEST_F(RealBufferOps, TypedDataConstructorsConvertEveryElementExactly)
{
  const Word Words[3] = {0, 1, 65535};
  EXPECT_THAT(Values(TQDRealBuffer::CreateWordData(Words, 3)), ElementsAre(0, 1, 65535));
  const SmallInt Smalls[3] = {-32768, -1, 32767};
  EXPECT_THAT(Values(TQDRealBuffer::CreateSmallIntData(Smalls, 3)), ElementsAre(-32768, -1, 32767));
  const Cardinal Cardinals[3] = {0, 2147483648u, 4294967295u};
  EXPECT_THAT(Values(TQDRealBuffer::CreateCardinalData(Cardinals, 3)),
              ElementsAre(0, 2147483648.0, 4294967295.0));
  const Integer Integers[3] = {-2147483647 - 1, 0, 2147483647};
  EXPECT_THAT(Values(TQDRealBuffer::CreateIntegerData(Integers, 3)),
              ElementsAre(-2147483648.0, 0, 2147483647.0));
  const Single Singles[3] = {1.5f, -0.1f, 3e38f};
  EXPECT_THAT(Values(TQDRealBuffer::CreateSingleData(Singles, 3)),
              ElementsAre(1.5, Real(-0.1f), Real(3e38f)));
  EXPECT_THAT(Values(TQDRealBuffer::CreateValue(2.5, 4)), ElementsAre(2.5, 2.5, 2.5, 2.5));
}

TEST_F(RealBufferOps, TypedDataConstructorsOfNothing)
{
  EXPECT_EQ(TQDRealBuffer::CreateValue(1, 0)->GetSize(), 0u);
  EXPECT_EQ(TQDRealBuffer::CreateSmallIntData(nullptr, 0)->GetSize(), 0u);
  EXPECT_EQ(TQDRealBuffer::CreateWordData(nullptr, 0)->GetSize(), 0u);
  EXPECT_THROW(TQDRealBuffer::CreateIntegerData(nullptr, 2), EQDPrimitiveError);
  EXPECT_THROW(TQDRealBuffer::CreateCardinalData(nullptr, 2), EQDPrimitiveError);
  EXPECT_THROW(TQDRealBuffer::CreateSingleData(nullptr, 2), EQDPrimitiveError);
}

} // namespace
