// Complex (64fc) arithmetic, element functions, conversions and thresholds.
// References are plain loops at extended precision where the entries promise
// it.
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <complex>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

using C = Ipp64fc;
using Ext = long double;

std::vector<C> RandomComplex(std::size_t ACount, std::uint32_t ASeed)
{
  const std::vector<double> Re = RandomDoubles(ACount, ASeed), Im = RandomDoubles(ACount, ASeed + 1);
  std::vector<C> V(ACount);
  for (std::size_t I = 0; I < ACount; ++I)
    V[I] = {Re[I], Im[I]};
  return V;
}

std::vector<double> Flat(const std::vector<C>& V)
{
  std::vector<double> F;
  for (const C& Z : V) {
    F.push_back(Z.re);
    F.push_back(Z.im);
  }
  return F;
}

::testing::AssertionResult SameBits(const std::vector<C>& AGot, const std::vector<C>& AWant)
{
  return PrimitivesTest::SameBits(Flat(AGot), Flat(AWant));
}

::testing::AssertionResult WithinUlps(const std::vector<C>& AGot, const std::vector<C>& AWant,
                                      std::uint64_t AUlps)
{
  const std::vector<double> G = Flat(AGot), W = Flat(AWant);
  for (std::size_t I = 0; I < G.size(); ++I)
    if (UlpDistance(G[I], W[I]) > AUlps)
      return ::testing::AssertionFailure() << "part " << I << ": got " << G[I] << ", want " << W[I];
  return ::testing::AssertionSuccess();
}

// --- Vector by vector ---------------------------------------------------------------

TEST(Mul_64fc_I, MatchesTheExtendedProduct)
{
  for (int Len : TailLengths) {
    const std::vector<C> S = RandomComplex(Len, Len), D0 = RandomComplex(Len, 3 * Len);
    std::vector<C> D = D0;
    ASSERT_EQ(LibC::ippsMul_64fc_I(S.data(), D.data(), Len), ippStsNoErr);
    std::vector<C> Want(Len);
    for (int I = 0; I < Len; ++I) {
      const Ext Re = (Ext)D0[I].re * S[I].re - (Ext)D0[I].im * S[I].im;
      const Ext Im = (Ext)S[I].re * D0[I].im + (Ext)D0[I].re * S[I].im;
      Want[I] = {double(Re), double(Im)};
    }
    EXPECT_TRUE(SameBits(D, Want)) << "len " << Len;
  }
}

TEST(Div_64fc_I, MatchesTheExtendedQuotient)
{
  const std::vector<C> S = RandomComplex(100, 1), D0 = RandomComplex(100, 2);
  std::vector<C> D = D0;
  std::vector<C> S2 = S;
  for (C& Z : S2)
    if (Z.re == 0 && Z.im == 0)
      Z.re = 1;
  ASSERT_EQ(LibC::ippsDiv_64fc_I(S2.data(), D.data(), 100), ippStsNoErr);
  std::vector<C> Want(100);
  for (int I = 0; I < 100; ++I) {
    const std::complex<Ext> Q = std::complex<Ext>(D0[I].re, D0[I].im) / std::complex<Ext>(S2[I].re, S2[I].im);
    Want[I] = {double(Q.real()), double(Q.imag())};
  }
  EXPECT_TRUE(WithinUlps(D, Want, 1));
}

TEST(Div_64fc_I, ZeroDivisorGivesNaNInBothParts)
{
  const std::vector<C> S = {{1, 1}, {0, -0.0}, {2, 0}};
  std::vector<C> D = {{2, 0}, {5, 6}, {4, 2}};
  EXPECT_EQ(LibC::ippsDiv_64fc_I(S.data(), D.data(), 3), ippStsDivByZero);
  EXPECT_TRUE(SameBits(D, {{1, -1}, {StoredNaN, StoredNaN}, {2, 1}}));
}

TEST(AddSub_64fc_I, PartByPartAtEveryWidth)
{
  for (int Len : TailLengths) {
    const std::vector<C> S = RandomComplex(Len, Len), D0 = RandomComplex(Len, Len + 7);
    std::vector<C> WantAdd(Len), WantSub(Len);
    for (int I = 0; I < Len; ++I) {
      WantAdd[I] = {D0[I].re + S[I].re, D0[I].im + S[I].im};
      WantSub[I] = {D0[I].re - S[I].re, D0[I].im - S[I].im};
    }
    for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsAdd_64fc_I)) {
      std::vector<C> D = D0;
      ASSERT_EQ(Entry(S.data(), D.data(), Len), ippStsNoErr);
      EXPECT_TRUE(SameBits(D, WantAdd)) << Isa << " len " << Len;
    }
    for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsSub_64fc_I)) {
      std::vector<C> D = D0;
      ASSERT_EQ(Entry(S.data(), D.data(), Len), ippStsNoErr);
      EXPECT_TRUE(SameBits(D, WantSub)) << Isa << " len " << Len;
    }
  }
}

// --- Constants -----------------------------------------------------------------------

TEST(AddC_64fc_I, ZeroConstantIsNotSkipped)
{
  // -0 + 0 is +0: only an operation that runs changes the sign.
  std::vector<C> D = {{-0.0, -0.0}, {1, 2}};
  ASSERT_EQ(LibC::ippsAddC_64fc_I({0, 0}, D.data(), 2), ippStsNoErr);
  EXPECT_TRUE(SameBits(D, {{0.0, 0.0}, {1, 2}}));
  ASSERT_EQ(LibC::ippsSubC_64fc_I({0.5, -1}, D.data(), 2), ippStsNoErr);
  EXPECT_TRUE(SameBits(D, {{-0.5, 1}, {0.5, 3}}));
}

TEST(MulC_64fc_I, MatchesTheExtendedProduct)
{
  const C Val = {0.3, -1.7};
  const std::vector<C> D0 = RandomComplex(50, 4);
  std::vector<C> D = D0;
  ASSERT_EQ(LibC::ippsMulC_64fc_I(Val, D.data(), 50), ippStsNoErr);
  std::vector<C> Want(50);
  for (int I = 0; I < 50; ++I)
    Want[I] = {double((Ext)Val.re * D0[I].re - (Ext)Val.im * D0[I].im),
               double((Ext)Val.im * D0[I].re + (Ext)Val.re * D0[I].im)};
  EXPECT_TRUE(SameBits(D, Want));
}

TEST(DivC_64fc_I, MultipliesByTheReciprocal)
{
  const C Val = {3, -4};
  const std::vector<C> D0 = RandomComplex(50, 5);
  std::vector<C> D = D0;
  ASSERT_EQ(LibC::ippsDivC_64fc_I(Val, D.data(), 50), ippStsNoErr);
  // (Val.re / q, -Val.im / q) as two doubles, then the product as MulC forms it.
  const Ext Q = (Ext)Val.re * Val.re + (Ext)Val.im * Val.im;
  const C R = {double(Val.re / Q), double(-Val.im / Q)};
  for (int I = 0; I < 50; ++I) {
    const C Want = {double((Ext)R.re * D0[I].re - (Ext)R.im * D0[I].im),
                    double((Ext)R.im * D0[I].re + (Ext)R.re * D0[I].im)};
    EXPECT_TRUE(SameBits({D[I]}, {Want})) << I;
    // Close to the true quotient, measured against its magnitude.
    const std::complex<Ext> True = std::complex<Ext>(D0[I].re, D0[I].im) / std::complex<Ext>(Val.re, Val.im);
    EXPECT_LE(std::abs(std::complex<Ext>(D[I].re, D[I].im) - True), 4e-16L * std::abs(True) + 1e-300L) << I;
  }
}

TEST(DivC_64fc_I, ZeroConstantIsRefused)
{
  std::vector<C> D = {{1, 2}};
  EXPECT_EQ(LibC::ippsDivC_64fc_I({0, -0.0}, D.data(), 1), ippStsDivByZeroErr);
  EXPECT_TRUE(SameBits(D, {{1, 2}}));
  EXPECT_EQ(LibC::ippsDivC_64fc_I({0, 0}, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsDivC_64fc_I({0, 0}, D.data(), 0), ippStsSizeErr);
}

TEST(Set_64fc, FillsThePairAtEveryWidth)
{
  for (int Len : TailLengths)
    for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsSet_64fc)) {
      std::vector<C> D(Len + 1, C{9, 9});
      ASSERT_EQ(Entry({1.5, -0.0}, D.data(), Len), ippStsNoErr);
      std::vector<C> Want(Len, C{1.5, -0.0});
      Want.push_back({9, 9});
      EXPECT_TRUE(SameBits(D, Want)) << Isa << " len " << Len;
    }
}

// --- Element functions ---------------------------------------------------------------------

struct TComplexCase
{
  const char* Name;
  C In;
  C Want;
};

class SqrAndSqrt : public ::testing::TestWithParam<TComplexCase>
{
};

TEST_P(SqrAndSqrt, PrincipalRoot)
{
  const TComplexCase& K = GetParam();
  C Out{}, InPlace = K.In;
  ASSERT_EQ(LibC::ippsSqrt_64fc(&K.In, &Out, 1), ippStsNoErr);
  ASSERT_EQ(LibC::ippsSqrt_64fc_I(&InPlace, 1), ippStsNoErr);
  EXPECT_TRUE(SameBits({Out}, {K.Want}));
  EXPECT_TRUE(SameBits({InPlace}, {K.Want}));
  // Squaring the root gives the input back.
  C Square{};
  ASSERT_EQ(LibC::ippsSqr_64fc(&Out, &Square, 1), ippStsNoErr);
  EXPECT_TRUE(SameBits({Square}, {K.In}));
}

INSTANTIATE_TEST_SUITE_P(Primitives, SqrAndSqrt,
                         ::testing::Values(TComplexCase{"PositiveReal", {3, 4}, {2, 1}},
                                           TComplexCase{"NegativeRealNegativeImag", {-3, -4}, {1, -2}},
                                           TComplexCase{"NegativeRealPositiveImag", {-3, 4}, {1, 2}},
                                           TComplexCase{"NegativeRealAxis", {-4, 0}, {0, 2}},
                                           TComplexCase{"ImaginaryAxisUp", {0, 8}, {2, 2}},
                                           TComplexCase{"ImaginaryAxisDown", {0, -8}, {2, -2}}),
                         TRowName());

TEST(Sqr_64fc, DifferenceOfSquaresForm)
{
  const std::vector<C> S = RandomComplex(40, 8);
  std::vector<C> D(40), I = S;
  ASSERT_EQ(LibC::ippsSqr_64fc(S.data(), D.data(), 40), ippStsNoErr);
  ASSERT_EQ(LibC::ippsSqr_64fc_I(I.data(), 40), ippStsNoErr);
  std::vector<C> Want(40);
  for (int K = 0; K < 40; ++K)
    Want[K] = {double(((Ext)S[K].re - S[K].im) * ((Ext)S[K].re + S[K].im)), double(2 * (Ext)S[K].re * S[K].im)};
  EXPECT_TRUE(SameBits(D, Want));
  EXPECT_TRUE(SameBits(I, Want));
}

TEST(MagnitudePhasePower, AtExtendedPrecision)
{
  // 1e200 squared overflows a double but not the extended intermediate.
  const std::vector<C> S = {{3, 4}, {1e200, 1e200}, {-1, -0.0}, {0, 0}};
  std::vector<double> Mag(4), Phase(4), Power(4);
  ASSERT_EQ(LibC::ippsMagnitude_64fc(S.data(), Mag.data(), 4), ippStsNoErr);
  ASSERT_EQ(LibC::ippsPhase_64fc(S.data(), Phase.data(), 4), ippStsNoErr);
  ASSERT_EQ(LibC::ippsPowerSpectr_64fc(S.data(), Power.data(), 4), ippStsNoErr);
  EXPECT_EQ(Mag[0], 5);
  EXPECT_LE(UlpDistance(Mag[1], std::sqrt(2.0) * 1e200), 1u);
  EXPECT_EQ(Mag[3], 0);
  EXPECT_EQ(Phase[0], std::atan2(4.0, 3.0));
  EXPECT_EQ(Phase[2], -std::numbers::pi);
  EXPECT_EQ(Power[0], 25);
  EXPECT_EQ(Power[1], Inf);
}

TEST(RealAndImag, CopyTheBits)
{
  const std::vector<C> S = {{PayloadNaN, -0.0}, {1, -Inf}};
  std::vector<double> Re(2), Im(2);
  ASSERT_EQ(LibC::ippsReal_64fc(S.data(), Re.data(), 2), ippStsNoErr);
  ASSERT_EQ(LibC::ippsImag_64fc(S.data(), Im.data(), 2), ippStsNoErr);
  EXPECT_TRUE(PrimitivesTest::SameBits(Re, {PayloadNaN, 1}));
  EXPECT_TRUE(PrimitivesTest::SameBits(Im, {-0.0, -Inf}));
}

TEST(RealToCplx_64f, EitherSourceMayBeNull)
{
  const std::vector<double> Re = {1, 2}, Im = {3, 4};
  std::vector<C> D(2);
  ASSERT_EQ(LibC::ippsRealToCplx_64f(Re.data(), Im.data(), D.data(), 2), ippStsNoErr);
  EXPECT_TRUE(SameBits(D, {{1, 3}, {2, 4}}));
  ASSERT_EQ(LibC::ippsRealToCplx_64f(Re.data(), nullptr, D.data(), 2), ippStsNoErr);
  EXPECT_TRUE(SameBits(D, {{1, 0}, {2, 0}}));
  ASSERT_EQ(LibC::ippsRealToCplx_64f(nullptr, Im.data(), D.data(), 2), ippStsNoErr);
  EXPECT_TRUE(SameBits(D, {{0, 3}, {0, 4}}));
  EXPECT_EQ(LibC::ippsRealToCplx_64f(nullptr, nullptr, D.data(), 2), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsRealToCplx_64f(Re.data(), Im.data(), nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsRealToCplx_64f(Re.data(), Im.data(), D.data(), 0), ippStsSizeErr);
  EXPECT_TRUE(SameBits(D, {{0, 3}, {0, 4}}));
}

// --- Thresholds and normalisation -------------------------------------------------------------

struct TThresholdCase
{
  const char* Name;
  bool InPlace;
  IppCmpOp RelOp;
  double Level;
  std::vector<C> Src;
  IppStatus Status;
  std::vector<C> Want;
};

class Threshold64fc : public ::testing::TestWithParam<TThresholdCase>
{
};

TEST_P(Threshold64fc, ScalesTheMagnitude)
{
  const TThresholdCase& K = GetParam();
  std::vector<C> V = K.Src;
  const int Len = int(V.size());
  if (K.InPlace) {
    EXPECT_EQ(LibC::ippsThreshold_64fc_I(V.data(), Len, K.Level, K.RelOp), K.Status);
  } else {
    EXPECT_EQ(LibC::ippsThreshold_64fc(K.Src.data(), V.data(), Len, K.Level, K.RelOp), K.Status);
  }
  EXPECT_TRUE(WithinUlps(V, K.Want, 1));
  EXPECT_TRUE(SameBits({V.back()}, {K.Want.back()})) << "the last element, bit for bit";
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Threshold64fc,
    ::testing::Values(
        TThresholdCase{"LessLiftsSmallAndZero", true, ippCmpLess, 2, {{1, 1}, {3, 0}, {0, 1}, {0, 0}},
                       ippStsNoErr, {{std::sqrt(2.0), std::sqrt(2.0)}, {3, 0}, {0, 2}, {2, 0}}},
        TThresholdCase{"LessInPlaceKeepsTheZeroImaginarySign", true, ippCmpLess, 2, {{0, -0.0}},
                       ippStsNoErr, {{2, -0.0}}},
        TThresholdCase{"LessOutOfPlaceZeroBecomesLevel", false, ippCmpLess, 2, {{0.5, 0}, {0, -0.0}},
                       ippStsNoErr, {{2, 0}, {2, 0.0}}},
        TThresholdCase{"GreaterLimits", false, ippCmpGreater, 1, {{3, 4}, {0.5, 0}, {-6, -8}},
                       ippStsNoErr, {{0.6, 0.8}, {0.5, 0}, {-0.6, -0.8}}},
        TThresholdCase{"NegativeLevelIsRefused", true, ippCmpGreater, -1, {{3, 4}},
                       ippStsThreshNegLevelErr, {{3, 4}}}),
    TRowName());

TEST(Normalize_64fc, SubtractsAndScalesBothParts)
{
  const std::vector<C> S = RandomComplex(20, 6);
  std::vector<C> D(20);
  const C Sub = {0.25, -3};
  ASSERT_EQ(LibC::ippsNormalize_64fc(S.data(), D.data(), 20, Sub, 3.0), ippStsNoErr);
  const Ext R = 1.0L / 3.0;
  for (int I = 0; I < 20; ++I)
    EXPECT_TRUE(SameBits({D[I]}, {{double(((Ext)S[I].re - Sub.re) * R), double(((Ext)S[I].im - Sub.im) * R)}}));
  std::vector<C> Untouched = D;
  EXPECT_EQ(LibC::ippsNormalize_64fc(S.data(), D.data(), 20, Sub, 1e-320), ippStsDivByZeroErr);
  EXPECT_TRUE(SameBits(D, Untouched));
}

TEST(Norm_L2_64fc64f, RootOfTheExtendedSum)
{
  const std::vector<C> S = {{3, 4}, {0, 0}, {1e300, 1e300}};
  double Norm = 0;
  ASSERT_EQ(LibC::ippsNorm_L2_64fc64f(S.data(), 2, &Norm), ippStsNoErr);
  EXPECT_EQ(Norm, 5);
  ASSERT_EQ(LibC::ippsNorm_L2_64fc64f(S.data(), 3, &Norm), ippStsNoErr);
  EXPECT_EQ(Norm, double(std::sqrt(25 + 2e600L)));
  EXPECT_EQ(LibC::ippsNorm_L2_64fc64f(S.data(), 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsNorm_L2_64fc64f(S.data(), 0, &Norm), ippStsSizeErr);
}

TEST(ComplexOutOfPlace, AgreeWithTheirInPlaceForms)
{
  const std::vector<C> S = RandomComplex(30, 11);
  const C Val = {1.25, -0.5};
  std::vector<C> Out(30), In;
  In = S;
  LibC::ippsAddC_64fc_I(Val, In.data(), 30);
  LibC::ippsAddC_64fc(S.data(), Val, Out.data(), 30);
  EXPECT_TRUE(SameBits(Out, In));
  In = S;
  LibC::ippsSubC_64fc_I(Val, In.data(), 30);
  LibC::ippsSubC_64fc(S.data(), Val, Out.data(), 30);
  EXPECT_TRUE(SameBits(Out, In));
  In = S;
  LibC::ippsMulC_64fc_I(Val, In.data(), 30);
  LibC::ippsMulC_64fc(S.data(), Val, Out.data(), 30);
  EXPECT_TRUE(SameBits(Out, In));
  In = S;
  LibC::ippsDivC_64fc_I(Val, In.data(), 30);
  LibC::ippsDivC_64fc(S.data(), Val, Out.data(), 30);
  EXPECT_TRUE(SameBits(Out, In));
  LibC::ippsSubCRev_64fc(S.data(), Val, Out.data(), 30);
  for (int I = 0; I < 30; ++I)
    EXPECT_TRUE(SameBits({Out[I]}, {{Val.re - S[I].re, Val.im - S[I].im}}));
  LibC::ippsAdd_64fc(S.data(), S.data(), Out.data(), 30);
  for (int I = 0; I < 30; ++I)
    EXPECT_TRUE(SameBits({Out[I]}, {{2 * S[I].re, 2 * S[I].im}}));
  EXPECT_EQ(LibC::ippsDivC_64fc(S.data(), {0, 0}, Out.data(), 30), ippStsDivByZeroErr);
}

} // namespace
