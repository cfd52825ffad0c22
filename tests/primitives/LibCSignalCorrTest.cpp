// Correlation and convolution: the worked examples, statuses, the outputs that
// are zero-filled, both methods (direct sums and transforms) against
// extended-precision references on each side of every switch, and work memory
// that cannot be obtained.
#include "PrimitivesTestSupport.h"

#include "primitives/KJMalloc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

using Cx = Ipp64fc;

std::vector<Cx> RandomComplex(std::size_t ACount, std::uint32_t ASeed)
{
  const std::vector<double> Parts = RandomDoubles(2 * ACount, ASeed);
  std::vector<Cx> V(ACount);
  for (std::size_t I = 0; I < ACount; ++I)
    V[I] = {Parts[2 * I], Parts[2 * I + 1]};
  return V;
}

std::vector<double> Flat(const std::vector<Cx>& A)
{
  std::vector<double> V;
  for (const Cx& Z : A) {
    V.push_back(Z.re);
    V.push_back(Z.im);
  }
  return V;
}

// --- References: plain sums in long double, rounded once ------------------------------

using LD = long double;

// Dst[n] = sum over k of conj(A[k]) B[k + n + LowLag] (B outside its range is 0).
std::vector<double> RefCrossCorr(const std::vector<double>& A, const std::vector<double>& B,
                                 int ADstLen, long long ALowLag)
{
  std::vector<double> R(ADstLen);
  for (int N = 0; N < ADstLen; ++N) {
    LD S = 0;
    for (long long K = 0; K < (long long)A.size(); ++K) {
      const long long J = K + N + ALowLag;
      if (J >= 0 && J < (long long)B.size())
        S += LD(A[K]) * B[J];
    }
    R[N] = double(S);
  }
  return R;
}

std::vector<Cx> RefCrossCorr(const std::vector<Cx>& A, const std::vector<Cx>& B, int ADstLen,
                             long long ALowLag)
{
  std::vector<Cx> R(ADstLen);
  for (int N = 0; N < ADstLen; ++N) {
    LD Re = 0, Im = 0;
    for (long long K = 0; K < (long long)A.size(); ++K) {
      const long long J = K + N + ALowLag;
      if (J >= 0 && J < (long long)B.size()) {
        Re += LD(A[K].re) * B[J].re + LD(A[K].im) * B[J].im;
        Im += LD(A[K].re) * B[J].im - LD(A[K].im) * B[J].re;
      }
    }
    R[N] = {double(Re), double(Im)};
  }
  return R;
}

// The autocorrelation's lags as long doubles, divided by ADivisor(n).
template <class T>
std::vector<T> RefAutoCorr(
    const std::vector<T>& ASrc, int ADstLen,
    const std::function<LD(int)>& ADivisor = [](int) { return 1.0L; })
{
  const int M = std::min<int>(ASrc.size(), ADstLen);
  std::vector<T> R = RefCrossCorr(ASrc, ASrc, M, 0);
  for (int N = 0; N < M; ++N) {
    if constexpr (std::is_same_v<T, double>) {
      R[N] = double(R[N] / ADivisor(N));
    } else {
      R[N].re = double(R[N].re / ADivisor(N));
      R[N].im = double(R[N].im / ADivisor(N));
    }
  }
  R.resize(ADstLen, T{});
  return R;
}

std::vector<double> RefConv(const std::vector<double>& A, const std::vector<double>& B)
{
  std::vector<double> R(A.size() + B.size() - 1);
  for (std::size_t N = 0; N < R.size(); ++N) {
    LD S = 0;
    for (std::size_t K = 0; K < A.size(); ++K)
      if (N >= K && N - K < B.size())
        S += LD(A[K]) * B[N - K];
    R[N] = double(S);
  }
  return R;
}

// --- Comparisons ---------------------------------------------------------------------

// Relative L-inf error: max |got - want| over the largest |want|.
double RelErr(const std::vector<double>& AGot, const std::vector<double>& AWant)
{
  EXPECT_EQ(AGot.size(), AWant.size());
  double Err = 0, Scale = 0;
  for (std::size_t I = 0; I < std::min(AGot.size(), AWant.size()); ++I) {
    Err = std::max(Err, std::fabs(AGot[I] - AWant[I]));
    Scale = std::max(Scale, std::fabs(AWant[I]));
    if (std::isnan(AGot[I]))
      return Inf;
  }
  return Scale == 0 ? Err : Err / Scale;
}
double RelErr(const std::vector<Cx>& AGot, const std::vector<Cx>& AWant)
{
  return RelErr(Flat(AGot), Flat(AWant));
}

// The largest distance in units of the last place, element by element.
std::uint64_t MaxUlps(const std::vector<double>& AGot, const std::vector<double>& AWant)
{
  std::uint64_t Max = 0;
  for (std::size_t I = 0; I < std::min(AGot.size(), AWant.size()); ++I)
    Max = std::max(Max, std::isnan(AGot[I]) ? ~std::uint64_t(0) : UlpDistance(AGot[I], AWant[I]));
  return Max;
}
std::uint64_t MaxUlps(const std::vector<Cx>& AGot, const std::vector<Cx>& AWant)
{
  return MaxUlps(Flat(AGot), Flat(AWant));
}

// Elements [AFrom, ATo) are +0.0.
template <class T>
::testing::AssertionResult ZeroFrom(const std::vector<T>& A, std::size_t AFrom, std::size_t ATo)
{
  const std::vector<double> F = [&] {
    if constexpr (std::is_same_v<T, double>)
      return std::vector<double>(A.begin() + AFrom, A.begin() + ATo);
    else
      return Flat(std::vector<Cx>(A.begin() + AFrom, A.begin() + ATo));
  }();
  for (std::size_t I = 0; I < F.size(); ++I)
    if (Bits(F[I]) != 0)
      return ::testing::AssertionFailure()
             << "element " << AFrom + I / (sizeof(T) / 8) << " is " << F[I];
  return ::testing::AssertionSuccess();
}

// Whether ACall takes work memory: with the next allocation failing, a direct
// path still succeeds and a transform path returns ippStsMemAllocErr.
bool TakesWorkMemory(const std::function<IppStatus()>& ACall)
{
  KJMallocFailNext(1);
  const IppStatus Status = ACall();
  KJMallocFailNext(0);
  EXPECT_TRUE(Status == ippStsNoErr || Status == ippStsMemAllocErr) << Status;
  return Status == ippStsMemAllocErr;
}

// Any hook left armed by a failed assertion must not leak into other tests.
class CorrTest : public ::testing::Test
{
protected:
  void TearDown() override { KJMallocFailNext(0); }
};

template <class P>
class CorrParamTest : public ::testing::TestWithParam<P>
{
protected:
  void TearDown() override { KJMallocFailNext(0); }
};

// --- Worked examples -----------------------------------------------------------------

TEST_F(CorrTest, AutoCorrOfOneTwoThreeIntoFiveOutputs)
{
  const std::vector<double> Src = {1, 2, 3};
  std::vector<double> Dst(5, 99);
  ASSERT_EQ(LibC::ippsAutoCorr_64f(Src.data(), 3, Dst.data(), 5), ippStsNoErr);
  EXPECT_EQ(Dst, (std::vector<double>{14, 8, 3, 0, 0}));
  ASSERT_EQ(LibC::ippsAutoCorr_NormA_64f(Src.data(), 3, Dst.data(), 5), ippStsNoErr);
  EXPECT_DOUBLE_EQ(Dst[0], 14.0 / 3);
  EXPECT_DOUBLE_EQ(Dst[1], 8.0 / 3);
  EXPECT_DOUBLE_EQ(Dst[2], 1);
  EXPECT_TRUE(ZeroFrom(Dst, 3, 5));
  ASSERT_EQ(LibC::ippsAutoCorr_NormB_64f(Src.data(), 3, Dst.data(), 5), ippStsNoErr);
  EXPECT_DOUBLE_EQ(Dst[0], 14.0 / 3);
  EXPECT_EQ(Dst[1], 4);
  EXPECT_EQ(Dst[2], 3);
  EXPECT_TRUE(ZeroFrom(Dst, 3, 5));
}

TEST_F(CorrTest, ComplexAutoCorrConjugatesTheFirstFactor)
{
  // (1+i, 2): lag 0 is |1+i|^2 + 4 = 6, lag 1 is conj(1+i) x 2 = 2 - 2i.
  const std::vector<Cx> Src = {{1, 1}, {2, 0}};
  std::vector<Cx> Dst(3, Cx{99, 99});
  ASSERT_EQ(LibC::ippsAutoCorr_64fc(Src.data(), 2, Dst.data(), 3), ippStsNoErr);
  EXPECT_EQ(Flat(Dst), (std::vector<double>{6, 0, 2, -2, 0, 0}));
  ASSERT_EQ(LibC::ippsAutoCorr_NormA_64fc(Src.data(), 2, Dst.data(), 3), ippStsNoErr);
  EXPECT_EQ(Flat(Dst), (std::vector<double>{3, 0, 1, -1, 0, 0}));
  ASSERT_EQ(LibC::ippsAutoCorr_NormB_64fc(Src.data(), 2, Dst.data(), 3), ippStsNoErr);
  EXPECT_EQ(Flat(Dst), (std::vector<double>{3, 0, 2, -2, 0, 0}));
}

TEST_F(CorrTest, ConvOfOneTwoWithThreeOnes)
{
  const std::vector<double> A = {1, 2}, B = {1, 1, 1};
  std::vector<double> Dst(4, 99);
  ASSERT_EQ(LibC::ippsConv_64f(A.data(), 2, B.data(), 3, Dst.data()), ippStsNoErr);
  EXPECT_EQ(Dst, (std::vector<double>{1, 3, 3, 2}));
  ASSERT_EQ(LibC::ippsConv_64f(B.data(), 3, A.data(), 2, Dst.data()), ippStsNoErr);
  EXPECT_EQ(Dst, (std::vector<double>{1, 3, 3, 2})) << "operands swapped";
}

TEST_F(CorrTest, CrossCorrWithNegativeLowLag)
{
  const std::vector<double> A = {1, 2}, B = {1, 1, 1};
  std::vector<double> Dst(4, 99);
  ASSERT_EQ(LibC::ippsCrossCorr_64f(A.data(), 2, B.data(), 3, Dst.data(), 4, -1), ippStsNoErr);
  EXPECT_EQ(Dst, (std::vector<double>{2, 3, 3, 1}));

  // conj(i) x 1 = -i, conj(i) x i = 1.
  const std::vector<Cx> C1 = {{0, 1}}, C2 = {{1, 0}, {0, 1}};
  std::vector<Cx> CDst(2);
  ASSERT_EQ(LibC::ippsCrossCorr_64fc(C1.data(), 1, C2.data(), 2, CDst.data(), 2, 0), ippStsNoErr);
  EXPECT_EQ(Flat(CDst), (std::vector<double>{0, -1, 1, 0}));
}

TEST_F(CorrTest, TransformAutoCorrOfSixHundredOnes)
{
  const std::vector<double> Ones(600, 1.0);
  std::vector<double> Dst(600), A(600), B(600);
  ASSERT_TRUE(
      TakesWorkMemory([&] { return LibC::ippsAutoCorr_64f(Ones.data(), 600, Dst.data(), 600); }));
  ASSERT_EQ(LibC::ippsAutoCorr_64f(Ones.data(), 600, Dst.data(), 600), ippStsNoErr);
  ASSERT_EQ(LibC::ippsAutoCorr_NormA_64f(Ones.data(), 600, A.data(), 600), ippStsNoErr);
  ASSERT_EQ(LibC::ippsAutoCorr_NormB_64f(Ones.data(), 600, B.data(), 600), ippStsNoErr);
  for (int N = 0; N < 600; ++N) {
    EXPECT_NEAR(Dst[N], 600 - N, 1e-10) << "lag " << N;
    EXPECT_NEAR(A[N], (600.0 - N) / 600, 1e-13) << "lag " << N;
    EXPECT_NEAR(B[N], 1, 1e-13) << "lag " << N;
  }
}

// --- Statuses ------------------------------------------------------------------------

template <class T>
using TAutoEntry = IppStatus (*)(const T*, int, T*, int);

template <class T>
void ExpectAutoCorrStatuses(const char* AName, TAutoEntry<T> AEntry)
{
  SCOPED_TRACE(AName);
  std::vector<T> Src(4, T{}), Dst(4, T{});
  const std::vector<double> Before = [&] {
    std::vector<double> V(4 * sizeof(T) / 8, 7.0);
    std::memcpy(Dst.data(), V.data(), V.size() * 8);
    return V;
  }();
  const auto Untouched = [&] {
    std::vector<double> V(Before.size());
    std::memcpy(V.data(), Dst.data(), V.size() * 8);
    return V == Before;
  };
  EXPECT_EQ(AEntry(nullptr, 4, Dst.data(), 4), ippStsNullPtrErr);
  EXPECT_EQ(AEntry(Src.data(), 4, nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(AEntry(nullptr, 0, Dst.data(), 0), ippStsNullPtrErr) << "pointers before lengths";
  EXPECT_EQ(AEntry(Src.data(), 0, Dst.data(), 4), ippStsSizeErr);
  EXPECT_EQ(AEntry(Src.data(), 4, Dst.data(), 0), ippStsSizeErr);
  EXPECT_EQ(AEntry(Src.data(), -1, Dst.data(), 4), ippStsSizeErr);
  EXPECT_TRUE(Untouched());
}

TEST_F(CorrTest, AutoCorrStatuses)
{
  ExpectAutoCorrStatuses<double>("plain", LibC::ippsAutoCorr_64f);
  ExpectAutoCorrStatuses<double>("NormA", LibC::ippsAutoCorr_NormA_64f);
  ExpectAutoCorrStatuses<double>("NormB", LibC::ippsAutoCorr_NormB_64f);
  ExpectAutoCorrStatuses<Cx>("plain 64fc", LibC::ippsAutoCorr_64fc);
  ExpectAutoCorrStatuses<Cx>("NormA 64fc", LibC::ippsAutoCorr_NormA_64fc);
  ExpectAutoCorrStatuses<Cx>("NormB 64fc", LibC::ippsAutoCorr_NormB_64fc);
}

TEST_F(CorrTest, CrossCorrStatuses)
{
  std::vector<double> A(3, 1), B(3, 1), Dst(3, 7);
  EXPECT_EQ(LibC::ippsCrossCorr_64f(nullptr, 3, B.data(), 3, Dst.data(), 3, 0), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64f(A.data(), 3, nullptr, 3, Dst.data(), 3, 0), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64f(A.data(), 3, B.data(), 3, nullptr, 3, 0), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64f(A.data(), 0, B.data(), 0, nullptr, 0, 0), ippStsNullPtrErr)
      << "pointers before lengths";
  EXPECT_EQ(LibC::ippsCrossCorr_64f(A.data(), 0, B.data(), 3, Dst.data(), 3, 0), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64f(A.data(), 3, B.data(), 0, Dst.data(), 3, 0), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64f(A.data(), 3, B.data(), 3, Dst.data(), 0, 0), ippStsSizeErr);
  EXPECT_EQ(Dst, std::vector<double>(3, 7));

  std::vector<Cx> CA(3, Cx{1, 1}), CDst(3, Cx{7, 7});
  EXPECT_EQ(LibC::ippsCrossCorr_64fc(nullptr, 3, CA.data(), 3, CDst.data(), 3, 0),
            ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64fc(CA.data(), 3, nullptr, 3, CDst.data(), 3, 0),
            ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64fc(CA.data(), 3, CA.data(), 3, nullptr, 3, 0), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64fc(CA.data(), -2, CA.data(), 3, CDst.data(), 3, 0),
            ippStsSizeErr);
  EXPECT_EQ(LibC::ippsCrossCorr_64fc(CA.data(), 3, CA.data(), 3, CDst.data(), -1, 0),
            ippStsSizeErr);
  EXPECT_EQ(Flat(CDst), std::vector<double>(6, 7));
}

TEST_F(CorrTest, ConvStatuses)
{
  std::vector<double> A(3, 1), B(3, 1), Dst(5, 7);
  EXPECT_EQ(LibC::ippsConv_64f(nullptr, 3, B.data(), 3, Dst.data()), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsConv_64f(A.data(), 3, nullptr, 3, Dst.data()), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsConv_64f(A.data(), 3, B.data(), 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsConv_64f(nullptr, 0, B.data(), 0, Dst.data()), ippStsNullPtrErr)
      << "pointers before lengths";
  EXPECT_EQ(LibC::ippsConv_64f(A.data(), 0, B.data(), 3, Dst.data()), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsConv_64f(A.data(), 3, B.data(), -3, Dst.data()), ippStsSizeErr);
  EXPECT_EQ(Dst, std::vector<double>(5, 7));
}

// --- Both methods against the references --------------------------------------------

struct TAutoCase
{
  const char* Name;
  int SrcLen, DstLen;
  bool Transform; // the method expected
};

template <class T>
void ExpectAutoCorr(const TAutoCase& C, TAutoEntry<T> APlain, TAutoEntry<T> ANormA,
                    TAutoEntry<T> ANormB)
{
  const std::vector<T> Src = [&] {
    if constexpr (std::is_same_v<T, double>)
      return RandomDoubles(C.SrcLen, C.SrcLen * 7 + C.DstLen);
    else
      return RandomComplex(C.SrcLen, C.SrcLen * 7 + C.DstLen);
  }();
  const int M = std::min(C.SrcLen, C.DstLen);
  const T Poison = [] {
    if constexpr (std::is_same_v<T, double>)
      return StoredNaN;
    else
      return Cx{StoredNaN, StoredNaN};
  }();
  std::vector<T> Plain(C.DstLen, Poison), A(C.DstLen, Poison), B(C.DstLen, Poison);

  EXPECT_EQ(TakesWorkMemory([&] { return APlain(Src.data(), C.SrcLen, Plain.data(), C.DstLen); }),
            C.Transform);
  ASSERT_EQ(APlain(Src.data(), C.SrcLen, Plain.data(), C.DstLen), ippStsNoErr);
  ASSERT_EQ(ANormA(Src.data(), C.SrcLen, A.data(), C.DstLen), ippStsNoErr);
  ASSERT_EQ(ANormB(Src.data(), C.SrcLen, B.data(), C.DstLen), ippStsNoErr);

  const std::vector<T> Want = RefAutoCorr(Src, C.DstLen);
  EXPECT_LT(RelErr(Plain, Want), 1e-12);
  if (!C.Transform) {
    EXPECT_LE(MaxUlps(Plain, Want), 1u) << "direct sums round once";
  }
  const int Len = C.SrcLen;
  EXPECT_LT(RelErr(A, RefAutoCorr(Src, C.DstLen, [&](int) { return LD(Len); })), 1e-12);
  EXPECT_LT(RelErr(B, RefAutoCorr(Src, C.DstLen, [&](int N) { return LD(Len - N); })), 1e-12);
  EXPECT_TRUE(ZeroFrom(Plain, M, C.DstLen));
  EXPECT_TRUE(ZeroFrom(A, M, C.DstLen));
  EXPECT_TRUE(ZeroFrom(B, M, C.DstLen));
}

class AutoCorr64f : public CorrParamTest<TAutoCase>
{
};
TEST_P(AutoCorr64f, MatchesTheDirectSums)
{
  ExpectAutoCorr<double>(GetParam(), LibC::ippsAutoCorr_64f, LibC::ippsAutoCorr_NormA_64f,
                         LibC::ippsAutoCorr_NormB_64f);
}
INSTANTIATE_TEST_SUITE_P(
    Primitives, AutoCorr64f,
    ::testing::Values(
        TAutoCase{"One", 1, 3, false}, TAutoCase{"Two", 2, 2, false},
        TAutoCase{"SevenLagsInGroupsOfFour", 7, 7, false}, TAutoCase{"Lags599", 599, 599, false},
        TAutoCase{"Lags600", 600, 600, true}, TAutoCase{"Lags601", 601, 601, true},
        TAutoCase{"ShortDst599", 2000, 599, false}, TAutoCase{"ShortDst600", 2000, 600, true},
        TAutoCase{"LongDst599", 599, 700, false}, TAutoCase{"LongDst600", 600, 650, true},
        TAutoCase{"PowerOfTwo", 1024, 1024, true}, TAutoCase{"Long", 5000, 5003, true}),
    TRowName());

class AutoCorr64fc : public CorrParamTest<TAutoCase>
{
};
TEST_P(AutoCorr64fc, MatchesTheDirectSums)
{
  ExpectAutoCorr<Cx>(GetParam(), LibC::ippsAutoCorr_64fc, LibC::ippsAutoCorr_NormA_64fc,
                     LibC::ippsAutoCorr_NormB_64fc);
}
INSTANTIATE_TEST_SUITE_P(
    Primitives, AutoCorr64fc,
    ::testing::Values(TAutoCase{"One", 1, 2, false}, TAutoCase{"ThreeLagsInPairs", 3, 3, false},
                      TAutoCase{"Lags95", 95, 95, false}, TAutoCase{"Lags96", 96, 96, true},
                      TAutoCase{"Lags97", 97, 97, true}, TAutoCase{"ShortDst95", 500, 95, false},
                      TAutoCase{"ShortDst96", 500, 96, true},
                      TAutoCase{"LongDst95", 95, 120, false}, TAutoCase{"LongDst96", 96, 120, true},
                      TAutoCase{"Long", 1000, 1000, true}),
    TRowName());

struct TCrossCase
{
  const char* Name;
  int Len1, Len2, DstLen, LowLag;
  int Lead, End; // outputs before Lead and from End on are out of reach
  bool Transform;
};

template <class T>
void ExpectCrossCorr(const TCrossCase& C,
                     IppStatus (*AEntry)(const T*, int, const T*, int, T*, int, int))
{
  const auto Random = [](int N, std::uint32_t Seed) {
    if constexpr (std::is_same_v<T, double>)
      return RandomDoubles(N, Seed);
    else
      return RandomComplex(N, Seed);
  };
  const std::vector<T> A = Random(C.Len1, C.Len1 + 3), B = Random(C.Len2, C.Len2 + 5);
  std::vector<T> Dst(C.DstLen);
  std::memset(static_cast<void*>(Dst.data()), 0xFF, Dst.size() * sizeof(T)); // NaNs
  EXPECT_EQ(TakesWorkMemory([&] {
              return AEntry(A.data(), C.Len1, B.data(), C.Len2, Dst.data(), C.DstLen, C.LowLag);
            }),
            C.Transform);
  ASSERT_EQ(AEntry(A.data(), C.Len1, B.data(), C.Len2, Dst.data(), C.DstLen, C.LowLag),
            ippStsNoErr);
  const std::vector<T> Want = RefCrossCorr(A, B, C.DstLen, C.LowLag);
  EXPECT_LT(RelErr(Dst, Want), 1e-12);
  if (!C.Transform) {
    EXPECT_LE(MaxUlps(Dst, Want), 1u) << "direct sums round once";
  }
  EXPECT_TRUE(ZeroFrom(Dst, 0, C.Lead));
  EXPECT_TRUE(ZeroFrom(Dst, C.End, C.DstLen));
}

class CrossCorr : public CorrParamTest<TCrossCase>
{
};
TEST_P(CrossCorr, RealMatchesTheDirectSums)
{
  ExpectCrossCorr<double>(GetParam(), LibC::ippsCrossCorr_64f);
}
TEST_P(CrossCorr, ComplexMatchesTheDirectSums)
{
  ExpectCrossCorr<Cx>(GetParam(), LibC::ippsCrossCorr_64fc);
}
INSTANTIATE_TEST_SUITE_P(
    Primitives, CrossCorr,
    ::testing::Values(TCrossCase{"OneByOne", 1, 1, 1, 0, 0, 1, false},
                      TCrossCase{"OddCountOfLags", 5, 3, 7, -4, 0, 7, false},
                      // R x min / max either side of 511, every output reached.
                      TCrossCase{"Equal511", 600, 600, 511, -300, 0, 511, false},
                      TCrossCase{"Equal512", 600, 600, 512, -300, 0, 512, true},
                      TCrossCase{"HalfRatio511", 700, 1400, 1023, -699, 0, 1023, false},
                      TCrossCase{"HalfRatio512", 700, 1400, 1024, -699, 0, 1024, true},
                      TCrossCase{"FirstLonger511", 1400, 700, 1023, -1000, 0, 1023, false},
                      TCrossCase{"FirstLonger512", 1400, 700, 1024, -1000, 0, 1024, true},
                      // Only the reached outputs count towards R.
                      TCrossCase{"ReachedOnly511", 520, 520, 11 + 511, -530, 11, 11 + 511, false},
                      TCrossCase{"ReachedOnly512", 520, 520, 11 + 512, -530, 11, 11 + 512, true},
                      TCrossCase{"LeadAndTrailDirect", 200, 200, 600, -300, 101, 500, false},
                      TCrossCase{"LeadAndTrailTransform", 520, 520, 1200, -600, 81, 1120, true},
                      TCrossCase{"AllBeyondSrc2", 10, 10, 5, 20, 0, 0, false},
                      TCrossCase{"AllBeforeSrc2", 10, 10, 5, -100, 5, 5, false},
                      TCrossCase{"LowestLowLag", 10, 10, 5, INT_MIN, 5, 5, false},
                      TCrossCase{"HighestLowLag", 10, 10, 5, INT_MAX, 0, 0, false}),
    TRowName());

struct TConvCase
{
  const char* Name;
  int Len1, Len2;
  bool Transform;
};

class Conv : public CorrParamTest<TConvCase>
{
};
TEST_P(Conv, MatchesTheDirectSums)
{
  const TConvCase& C = GetParam();
  const std::vector<double> A = RandomDoubles(C.Len1, C.Len1 * 3 + C.Len2);
  const std::vector<double> B = RandomDoubles(C.Len2, C.Len2 * 5 + C.Len1);
  std::vector<double> Dst(C.Len1 + C.Len2 - 1, StoredNaN);
  EXPECT_EQ(TakesWorkMemory(
                [&] { return LibC::ippsConv_64f(A.data(), C.Len1, B.data(), C.Len2, Dst.data()); }),
            C.Transform);
  ASSERT_EQ(LibC::ippsConv_64f(A.data(), C.Len1, B.data(), C.Len2, Dst.data()), ippStsNoErr);
  const std::vector<double> Want = RefConv(A, B);
  EXPECT_LT(RelErr(Dst, Want), 1e-12);
  if (!C.Transform) {
    EXPECT_LE(MaxUlps(Dst, Want), 1u) << "direct sums round once";
  }
}
// The overlap-save cases have S = 40: blocks of 256 points give 217 outputs.
INSTANTIATE_TEST_SUITE_P(
    Primitives, Conv,
    ::testing::Values(
        TConvCase{"OneByOne", 1, 1, false}, TConvCase{"N149S32", 118, 32, false},
        TConvCase{"N150S32", 119, 32, true}, TConvCase{"N149S31", 119, 31, false},
        TConvCase{"N150S31", 120, 31, false}, TConvCase{"ShortOf31", 9000, 31, false},
        TConvCase{"ShortOf31First", 31, 9000, false}, TConvCase{"Equal75", 75, 75, false},
        TConvCase{"Equal76And75", 76, 75, true}, TConvCase{"BelowThreeTimesS", 119, 40, true},
        TConvCase{"AtThreeTimesS", 120, 40, true}, TConvCase{"LastBlockShort", 1000, 40, true},
        TConvCase{"LastBlockFull", 1046, 40, true}, TConvCase{"LastBlockOfOne", 1047, 40, true},
        TConvCase{"ShorterFirst", 40, 1000, true}, TConvCase{"OneTransformLarge", 3000, 1500, true},
        TConvCase{"ManyBlocks", 20000, 700, true}),
    TRowName());

// --- Work memory that cannot be obtained --------------------------------------------

struct TFailCase
{
  const char* Name;
  // Runs the entry into the given destination (doubles; two per complex value).
  std::function<IppStatus(double*)> Call;
  std::size_t DstDoubles;
  // The NormB entries keep the plain autocorrelation when only the divisors fail.
  std::function<IppStatus(double*)> Plain;
};

class WorkMemory : public CorrParamTest<TFailCase>
{
};

// Every allocation in turn fails: each gives ippStsMemAllocErr, releases what
// was taken and leaves Dst as it was (or, for NormB, the plain result).
TEST_P(WorkMemory, EachFailedAllocationReturnsMemAllocErr)
{
  const TFailCase& C = GetParam();
  std::vector<double> PlainResult;
  if (C.Plain) {
    PlainResult.assign(C.DstDoubles, 0);
    ASSERT_EQ(C.Plain(PlainResult.data()), ippStsNoErr);
  }
  const std::vector<double> Before(C.DstDoubles, 7.0);
  const long Live = KJMallocLiveBlocks();
  int Failures = 0, PlainLeft = 0;
  for (unsigned Skip = 0;; ++Skip) {
    ASSERT_LT(Skip, 100u) << "the entry never succeeded";
    std::vector<double> Dst = Before;
    KJMallocFailNext(1, Skip);
    const IppStatus Status = C.Call(Dst.data());
    KJMallocFailNext(0);
    EXPECT_EQ(KJMallocLiveBlocks(), Live) << "skip " << Skip;
    if (Status == ippStsNoErr)
      break;
    ++Failures;
    ASSERT_EQ(Status, ippStsMemAllocErr) << "skip " << Skip;
    if (Dst == Before)
      continue;
    EXPECT_FALSE(PlainResult.empty()) << "skip " << Skip << ": Dst was written";
    EXPECT_TRUE(SameBits(Dst, PlainResult)) << "skip " << Skip;
    ++PlainLeft;
  }
  EXPECT_GE(Failures, 1);
  if (C.Plain) {
    EXPECT_EQ(PlainLeft, 1) << "only the divisors' failure leaves a result";
  }
}

const std::vector<double> R700 = RandomDoubles(700, 1);
const std::vector<double> R2000 = RandomDoubles(2000, 2);
const std::vector<Cx> C200 = RandomComplex(200, 3);
const std::vector<Cx> C700 = RandomComplex(700, 4);

Cx* AsCx(double* P)
{
  return reinterpret_cast<Cx*>(P);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, WorkMemory,
    ::testing::Values(
        TFailCase{"AutoCorr64f",
                  [](double* D) { return LibC::ippsAutoCorr_64f(R700.data(), 700, D, 710); },
                  710,
                  {}},
        TFailCase{"AutoCorrNormA64f",
                  [](double* D) { return LibC::ippsAutoCorr_NormA_64f(R700.data(), 700, D, 710); },
                  710,
                  {}},
        TFailCase{"AutoCorrNormB64f",
                  [](double* D) { return LibC::ippsAutoCorr_NormB_64f(R700.data(), 700, D, 710); },
                  710, [](double* D) { return LibC::ippsAutoCorr_64f(R700.data(), 700, D, 710); }},
        TFailCase{"AutoCorrNormB64fDirect",
                  [](double* D) { return LibC::ippsAutoCorr_NormB_64f(R700.data(), 50, D, 60); },
                  60, [](double* D) { return LibC::ippsAutoCorr_64f(R700.data(), 50, D, 60); }},
        TFailCase{"AutoCorr64fc",
                  [](double* D) { return LibC::ippsAutoCorr_64fc(C200.data(), 200, AsCx(D), 210); },
                  420,
                  {}},
        TFailCase{
            "AutoCorrNormA64fc",
            [](double* D) { return LibC::ippsAutoCorr_NormA_64fc(C200.data(), 200, AsCx(D), 210); },
            420,
            {}},
        TFailCase{
            "AutoCorrNormB64fc",
            [](double* D) { return LibC::ippsAutoCorr_NormB_64fc(C200.data(), 200, AsCx(D), 210); },
            420, [](double* D) { return LibC::ippsAutoCorr_64fc(C200.data(), 200, AsCx(D), 210); }},
        TFailCase{
            "AutoCorrNormB64fcDirect",
            [](double* D) { return LibC::ippsAutoCorr_NormB_64fc(C200.data(), 20, AsCx(D), 20); },
            40, [](double* D) { return LibC::ippsAutoCorr_64fc(C200.data(), 20, AsCx(D), 20); }},
        // Lead and trailing zeros around 700 reached outputs.
        TFailCase{"CrossCorr64f",
                  [](double* D) {
                    return LibC::ippsCrossCorr_64f(R700.data(), 700, R700.data(), 700, D, 1500,
                                                   -710);
                  },
                  1500,
                  {}},
        TFailCase{"CrossCorr64fc",
                  [](double* D) {
                    return LibC::ippsCrossCorr_64fc(C700.data(), 700, C700.data(), 700, AsCx(D),
                                                    1500, -710);
                  },
                  3000,
                  {}},
        TFailCase{
            "ConvOneTransform",
            [](double* D) { return LibC::ippsConv_64f(R700.data(), 700, R2000.data(), 300, D); },
            999,
            {}},
        TFailCase{
            "ConvOverlapSave",
            [](double* D) { return LibC::ippsConv_64f(R2000.data(), 2000, R700.data(), 100, D); },
            2099,
            {}}),
    TRowName());

} // namespace
