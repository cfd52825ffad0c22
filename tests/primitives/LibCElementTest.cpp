// Real element functions: abs, square root, exponential, logarithm,
// thresholds, normalisation and the test vector.
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <functional>
#include <numbers>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

const double NaN = std::numeric_limits<double>::quiet_NaN();

// --- Abs and square root: special values, in place and out of place ---------------

struct TUnaryCase
{
  const char* Name;
  bool InPlace;
  TippsAbs_64f_I EntryInPlace;
  TippsAbs_64f Entry;
  std::vector<double> Src;
  IppStatus Status;
  std::vector<double> Want;
};

class UnarySpecialValues : public ::testing::TestWithParam<TUnaryCase>
{
};

TEST_P(UnarySpecialValues, StatusAndBits)
{
  const TUnaryCase& C = GetParam();
  const int Len = int(C.Src.size());
  if (C.InPlace) {
    for (auto& [Isa, Entry] : VariantsOf(C.EntryInPlace)) {
      std::vector<double> V = C.Src;
      EXPECT_EQ(Entry(V.data(), Len), C.Status) << Isa;
      EXPECT_TRUE(SameBits(V, C.Want)) << Isa;
    }
  } else {
    for (auto& [Isa, Entry] : VariantsOf(C.Entry)) {
      std::vector<double> Dst(C.Src.size(), 9.0);
      EXPECT_EQ(Entry(C.Src.data(), Dst.data(), Len), C.Status) << Isa;
      EXPECT_TRUE(SameBits(Dst, C.Want)) << Isa;
    }
  }
}

// The special element sits at the end of 19 elements once, so that it lands
// in a vector step or the scalar tail depending on the width.
std::vector<double> Padded(std::vector<double> AHead, double AValue)
{
  AHead.resize(19, AValue);
  return AHead;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, UnarySpecialValues,
    ::testing::Values(
        TUnaryCase{"SqrtInPlace", true, LibC::ippsSqrt_64f_I, nullptr, {4, -4, -0.0, 0.0},
                   ippStsSqrtNegArg, {2, StoredNaN, -0.0, 0.0}},
        TUnaryCase{"SqrtInPlaceNaNIsNoWarning", true, LibC::ippsSqrt_64f_I, nullptr, {9, PayloadNaN},
                   ippStsNoErr, {3, StoredNaN}},
        TUnaryCase{"SqrtInPlaceNegativeFirst", true, LibC::ippsSqrt_64f_I, nullptr,
                   Padded({-1}, 16), ippStsSqrtNegArg, Padded({StoredNaN}, 4)},
        TUnaryCase{"SqrtInPlaceNegativeInTheScalarTail", true, LibC::ippsSqrt_64f_I, nullptr,
                   [] { auto V = Padded({}, 1); V.back() = -2; return V; }(), ippStsSqrtNegArg,
                   [] { auto V = Padded({}, 1); V.back() = StoredNaN; return V; }()},
        TUnaryCase{"Sqrt", false, nullptr, LibC::ippsSqrt_64f, {4, -4, -0.0, Inf}, ippStsSqrtNegArg,
                   {2, StoredNaN, -0.0, Inf}},
        TUnaryCase{"SqrtNaNIsAWarningOutOfPlace", false, nullptr, LibC::ippsSqrt_64f, {PayloadNaN, 1},
                   ippStsSqrtNegArg, {StoredNaN, 1}},
        TUnaryCase{"SqrtOfNegativeInfinity", false, nullptr, LibC::ippsSqrt_64f, {-Inf},
                   ippStsSqrtNegArg, {StoredNaN}},
        TUnaryCase{"AbsClearsTheSign", false, nullptr, LibC::ippsAbs_64f, {-0.0, -Inf, -2.5},
                   ippStsNoErr, {0.0, Inf, 2.5}},
        TUnaryCase{"AbsInPlace", true, LibC::ippsAbs_64f_I, nullptr, {-1e-310, 3}, ippStsNoErr,
                   {1e-310, 3}},
        TUnaryCase{"SqrOverflows", false, nullptr, LibC::ippsSqr_64f, {1e200, -3}, ippStsNoErr,
                   {Inf, 9}}),
    TRowName());

TEST(UnaryStatus, NullBeforeLength)
{
  double X = 1;
  for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsSqrt_64f)) {
    EXPECT_EQ(Entry(nullptr, &X, 0), ippStsNullPtrErr) << Isa;
    EXPECT_EQ(Entry(&X, nullptr, 1), ippStsNullPtrErr) << Isa;
    EXPECT_EQ(Entry(&X, &X, 0), ippStsSizeErr) << Isa;
  }
  EXPECT_EQ(LibC::ippsSqrt_64f_I(nullptr, -1), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsAbs_64f_I(&X, 0), ippStsSizeErr);
  EXPECT_EQ(X, 1);
}

// --- Exponential -------------------------------------------------------------------

TEST(Exp_64f, SpecialValuesInAGroupOfFour)
{
  // Five elements: the first takes the platform's exponential, the other four
  // form one group.
  std::vector<double> V = {0, 1000, -1000, 710, 1};
  ASSERT_EQ(LibC::ippsExp_64f_I(V.data(), 5), ippStsNoErr);
  EXPECT_EQ(V[0], 1.0);
  EXPECT_EQ(V[1], Inf);
  EXPECT_TRUE(SameBits({V[2]}, {0.0}));
  EXPECT_EQ(V[3], Inf);
  EXPECT_LE(UlpDistance(V[4], std::numbers::e), 1u);
}

TEST(Exp_64f, NaNAndInfinities)
{
  std::vector<double> Src = {PayloadNaN, Inf, -Inf, -0.0};
  std::vector<double> Dst(4);
  ASSERT_EQ(LibC::ippsExp_64f(Src.data(), Dst.data(), 4), ippStsNoErr);
  EXPECT_TRUE(SameBits(Dst, {StoredNaN, Inf, 0.0, 1.0}));
}

TEST(Exp_64f, ResultsThatWouldBeSubnormalAreZeroOnlyInsideGroups)
{
  // Length 5: element 0 is outside any group.
  std::vector<double> V(5, -720.0);
  ASSERT_EQ(LibC::ippsExp_64f_I(V.data(), 5), ippStsNoErr);
  EXPECT_EQ(V[0], std::exp(-720.0));
  EXPECT_GT(V[0], 0.0);
  for (int I = 1; I < 5; ++I)
    EXPECT_TRUE(SameBits({V[I]}, {0.0})) << I;
}

TEST(Exp_64f, ShortVectorsUseThePlatformExponential)
{
  const std::vector<double> Src = RandomDoubles(3, 5, -700, 700);
  std::vector<double> Dst(3);
  ASSERT_EQ(LibC::ippsExp_64f(Src.data(), Dst.data(), 3), ippStsNoErr);
  for (int I = 0; I < 3; ++I)
    EXPECT_EQ(Dst[I], std::exp(Src[I]));
}

TEST(Exp_64f, WithinOneUlpOfTheExtendedExponential)
{
  for (int Len : TailLengths) {
    const std::vector<double> Src = RandomDoubles(Len, 50 + Len, -708, 709.7);
    std::vector<double> Dst(Len);
    ASSERT_EQ(LibC::ippsExp_64f(Src.data(), Dst.data(), Len), ippStsNoErr);
    for (int I = 0; I < Len; ++I)
      EXPECT_LE(UlpDistance(Dst[I], double(std::exp((long double)Src[I]))), 1u)
          << "x = " << Src[I] << " len " << Len;
  }
}

TEST(Exp_64f, InPlaceAndOutOfPlaceAgree)
{
  const std::vector<double> Src = RandomDoubles(37, 9, -20, 20);
  std::vector<double> Out(37), In = Src;
  ASSERT_EQ(LibC::ippsExp_64f(Src.data(), Out.data(), 37), ippStsNoErr);
  ASSERT_EQ(LibC::ippsExp_64f_I(In.data(), 37), ippStsNoErr);
  EXPECT_TRUE(SameBits(In, Out));
  EXPECT_EQ(LibC::ippsExp_64f_I(In.data(), 0), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsExp_64f(nullptr, Out.data(), 0), ippStsNullPtrErr);
}

// --- Natural logarithm ---------------------------------------------------------------

struct TLnCase
{
  const char* Name;
  std::vector<double> Src;
  IppStatus Status;
  std::vector<double> Want;
};

class Ln : public ::testing::TestWithParam<TLnCase>
{
};

TEST_P(Ln, StatusAndBits)
{
  const TLnCase& C = GetParam();
  std::vector<double> In = C.Src, Out(C.Src.size());
  EXPECT_EQ(LibC::ippsLn_64f_I(In.data(), int(In.size())), C.Status);
  EXPECT_TRUE(SameBits(In, C.Want));
  EXPECT_EQ(LibC::ippsLn_64f(C.Src.data(), Out.data(), int(Out.size())), C.Status);
  EXPECT_TRUE(SameBits(Out, C.Want));
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Ln,
    ::testing::Values(TLnCase{"ZeroMetFirst", {1, 0, -1}, ippStsLnZeroArg, {0, -Inf, StoredNaN}},
                      TLnCase{"NegativeMetFirst", {-1, 0}, ippStsLnNegArg, {StoredNaN, -Inf}},
                      TLnCase{"NegativeZeroIsNegative", {-0.0}, ippStsLnNegArg, {StoredNaN}},
                      TLnCase{"NegativeNaNIsNegative", {StoredNaN}, ippStsLnNegArg, {StoredNaN}},
                      TLnCase{"PositiveQuietNaNStays", {PayloadNaN}, ippStsNoErr, {PayloadNaN}},
                      TLnCase{"Infinity", {Inf, 1}, ippStsNoErr, {Inf, 0}}),
    TRowName());

TEST(Ln_64f, WithinOneUlpOfTheExtendedLogarithm)
{
  std::vector<double> Src = RandomDoubles(1000, 3, -700, 700);
  for (double& X : Src)
    X = std::exp(X); // spread over the exponent range, all positive
  std::vector<double> Dst(Src.size());
  ASSERT_EQ(LibC::ippsLn_64f(Src.data(), Dst.data(), int(Src.size())), ippStsNoErr);
  for (std::size_t I = 0; I < Src.size(); ++I)
    EXPECT_LE(UlpDistance(Dst[I], double(std::log((long double)Src[I]))), 1u) << Src[I];
}

// --- Thresholds --------------------------------------------------------------------------

struct TThresholdCase
{
  const char* Name;
  bool InPlace;
  IppCmpOp RelOp;
  double Level;
  std::vector<double> Src;
  std::vector<double> Want;
};

class Threshold64f : public ::testing::TestWithParam<TThresholdCase>
{
};

TEST_P(Threshold64f, Replaces)
{
  const TThresholdCase& C = GetParam();
  std::vector<double> V = C.Src;
  if (C.InPlace) {
    ASSERT_EQ(LibC::ippsThreshold_64f_I(V.data(), int(V.size()), C.Level, C.RelOp), ippStsNoErr);
  } else {
    ASSERT_EQ(LibC::ippsThreshold_64f(C.Src.data(), V.data(), int(V.size()), C.Level, C.RelOp),
              ippStsNoErr);
  }
  EXPECT_TRUE(SameBits(V, C.Want));
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Threshold64f,
    ::testing::Values(
        TThresholdCase{"GreaterInPlaceReplacesNaN", true, ippCmpGreater, 2, {1, 3, PayloadNaN, 2},
                       {1, 2, 2, 2}},
        TThresholdCase{"LessInPlaceKeepsNaN", true, ippCmpLess, 2, {1, 3, PayloadNaN, -Inf},
                       {2, 3, PayloadNaN, 2}},
        TThresholdCase{"GreaterOutOfPlaceKeepsNaN", false, ippCmpGreater, 2, {1, Inf, PayloadNaN},
                       {1, 2, PayloadNaN}},
        TThresholdCase{"LessOutOfPlaceReplacesNaN", false, ippCmpLess, 2, {1, 3, PayloadNaN},
                       {2, 3, 2}},
        // Every RelOp but 4 means "less".
        TThresholdCase{"OtherCodesMeanLess", true, ippCmpGreaterEq, 0, {-1, 1}, {0, 1}}),
    TRowName());

TEST(Threshold64f, Status)
{
  double X = 5;
  EXPECT_EQ(LibC::ippsThreshold_64f_I(nullptr, 0, 1, ippCmpLess), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsThreshold_64f_I(&X, 0, 1, ippCmpGreater), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsThreshold_64f(&X, nullptr, 1, 1, ippCmpGreater), ippStsNullPtrErr);
  EXPECT_EQ(X, 5);
}

// --- Normalisation -------------------------------------------------------------------------

TEST(Normalize_64f, SubtractsAndMultipliesByTheExtendedReciprocal)
{
  const double VSub = 0.3, VDiv = 7.0;
  for (int Len : TailLengths) {
    const std::vector<double> Src = RandomDoubles(Len, Len);
    std::vector<double> Dst(Len);
    ASSERT_EQ(LibC::ippsNormalize_64f(Src.data(), Dst.data(), Len, VSub, VDiv), ippStsNoErr);
    const long double Recip = 1.0L / VDiv;
    for (int I = 0; I < Len; ++I)
      EXPECT_EQ(Dst[I], double(((long double)Src[I] - VSub) * Recip)) << I;
  }
}

struct TNormalizeStatusCase
{
  const char* Name;
  double VDiv;
  IppStatus Status;
};

class NormalizeDivisor : public ::testing::TestWithParam<TNormalizeStatusCase>
{
};

TEST_P(NormalizeDivisor, RefusedBelowTheSmallestNormal)
{
  const std::vector<double> Src = {1, 2};
  std::vector<double> Dst = {8, 9};
  EXPECT_EQ(LibC::ippsNormalize_64f(Src.data(), Dst.data(), 2, 0, GetParam().VDiv), GetParam().Status);
  if (GetParam().Status != ippStsNoErr) {
    EXPECT_TRUE(SameBits(Dst, {8, 9}));
  } else {
    EXPECT_EQ(Dst[0], double(1.0L / GetParam().VDiv));
  }
}

INSTANTIATE_TEST_SUITE_P(Primitives, NormalizeDivisor,
                         ::testing::Values(TNormalizeStatusCase{"Zero", 0.0, ippStsDivByZeroErr},
                                           TNormalizeStatusCase{"Subnormal", -1e-310, ippStsDivByZeroErr},
                                           TNormalizeStatusCase{"NaN", NaN, ippStsDivByZeroErr},
                                           TNormalizeStatusCase{"SmallestNormal", DBL_MIN, ippStsNoErr},
                                           TNormalizeStatusCase{"Negative", -4, ippStsNoErr}),
                         TRowName());

// --- Test vector ------------------------------------------------------------------------------

TEST(VectorJaehne_64f, FollowsTheChirpFormula)
{
  for (int Len : {2, 3, 17, 1000}) {
    std::vector<double> Dst(Len);
    ASSERT_EQ(LibC::ippsVectorJaehne_64f(Dst.data(), Len, 2.5), ippStsNoErr);
    const double Step = double(std::numbers::pi_v<long double> / 2 / Len);
    for (int N = 0; N < Len; ++N)
      EXPECT_LE(UlpDistance(Dst[N], double(2.5L * std::sin((long double)N * ((long double)N * Step)))),
                1u)
          << "n " << N << " len " << Len;
  }
}

TEST(VectorJaehne_64f, EdgeCases)
{
  double One[1] = {7};
  EXPECT_EQ(LibC::ippsVectorJaehne_64f(One, 1, 3), ippStsNoErr);
  EXPECT_EQ(One[0], 0.0);
  One[0] = 7;
  EXPECT_EQ(LibC::ippsVectorJaehne_64f(One, 1, -1), ippStsJaehneErr);
  EXPECT_EQ(One[0], 7);
  EXPECT_EQ(LibC::ippsVectorJaehne_64f(One, 0, -1), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsVectorJaehne_64f(nullptr, 0, -1), ippStsNullPtrErr);
}

} // namespace
