// The reductions: mean, standard deviation, extremes, dot products and
// difference norms. Each family is checked against a plain long double
// reference written here in the order the built-ins promise, bit for bit,
// over every variant this processor runs.
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <functional>
#include <limits>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

using Ext = long double;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// --- References -------------------------------------------------------------------

// Two partial sums: elements 4k, 4k + 2 and the trailing ones, and 4k + 1, 4k + 3.
Ext RefPairedSum(const std::vector<double>& X, bool ASquares)
{
  const int N = int(X.size());
  const int Full = N / 4 * 4;
  Ext Even = 0, Odd = 0;
  for (int I = 0; I < N; ++I) {
    const Ext T = ASquares ? Ext(X[I]) * Ext(X[I]) : Ext(X[I]);
    if (I < Full && I % 2 == 1)
      Odd += T;
    else
      Even += T;
  }
  return Even + Odd;
}

double RefMean(const std::vector<double>& X)
{
  return double(RefPairedSum(X, false) / Ext(X.size()));
}

double RefStdDev(const std::vector<double>& X)
{
  const Ext N = Ext(X.size());
  const Ext S1 = RefPairedSum(X, false), S2 = RefPairedSum(X, true);
  const Ext F = N * S2 - S1 * S1;
  return F > 0 ? double(std::sqrt(F / (N * (N - 1)))) : 0.0;
}

// First occurrence; a later element only when strictly beyond.
std::pair<double, int> RefExtreme(const std::vector<double>& X, bool AMax)
{
  double Best = X[0];
  int At = 0;
  for (int I = 1; I < int(X.size()); ++I)
    if (AMax ? X[I] > Best : X[I] < Best) {
      Best = X[I];
      At = I;
    }
  return {Best, At};
}

double RefDot(const std::vector<double>& A, const std::vector<double>& B)
{
  Ext S = 0;
  for (std::size_t I = 0; I < A.size(); ++I)
    S += Ext(A[I]) * Ext(B[I]);
  return double(S);
}

Ipp64fc RefDotC(const std::vector<Ipp64fc>& A, const std::vector<Ipp64fc>& B)
{
  Ext Re = 0, Im = 0;
  for (std::size_t I = 0; I < A.size(); ++I) {
    Re += Ext(A[I].re) * Ext(B[I].re) - Ext(A[I].im) * Ext(B[I].im);
    Im += Ext(A[I].re) * Ext(B[I].im) + Ext(A[I].im) * Ext(B[I].re);
  }
  return {double(Re), double(Im)};
}

Ipp32s RefDot32(const std::vector<Ipp32s>& A, const std::vector<Ipp32s>& B, int AScale)
{
  Ext S = 0;
  for (std::size_t I = 0; I < A.size(); ++I)
    S += Ext(A[I]) * Ext(B[I]);
  const int Scale = std::clamp(AScale, -31, 93);
  Ext V = S * std::pow(Ext(2), Ext(-Scale));
  V = std::clamp(V, Ext(-2147483648.0), Ext(2147483647.0));
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  return Ipp32s(std::nearbyint(V)); // ties to even in the default mode
}

Ext RefDiffSum(const std::vector<double>& A, const std::vector<double>& B, bool ASquares)
{
  Ext S = 0;
  for (std::size_t I = 0; I < A.size(); ++I) {
    const Ext D = Ext(A[I]) - Ext(B[I]);
    S += ASquares ? D * D : std::fabs(D);
  }
  return S;
}

double RefNormInf(const std::vector<double>& A, const std::vector<double>& B)
{
  Ext Best = 0;
  for (std::size_t I = 0; I < A.size(); ++I) {
    const Ext D = std::fabs(Ext(A[I]) - Ext(B[I]));
    if (D > Best)
      Best = D;
  }
  return double(Best);
}

// Seeded integers of the whole 32-bit range, or of [-ASpan, ASpan].
std::vector<Ipp32s> RandomInts(std::size_t ACount, std::uint32_t ASeed, Ipp32s ASpan)
{
  std::mt19937 Gen(ASeed);
  std::uniform_int_distribution<Ipp32s> Dist(ASpan == 0 ? std::numeric_limits<Ipp32s>::min() : -ASpan,
                                             ASpan == 0 ? std::numeric_limits<Ipp32s>::max() : ASpan);
  std::vector<Ipp32s> V(ACount);
  for (Ipp32s& X : V)
    X = Dist(Gen);
  return V;
}

std::vector<Ipp64fc> Pairs(const std::vector<double>& AParts)
{
  std::vector<Ipp64fc> V(AParts.size() / 2);
  for (std::size_t I = 0; I < V.size(); ++I)
    V[I] = {AParts[2 * I], AParts[2 * I + 1]};
  return V;
}

// --- Status codes ---------------------------------------------------------------------

// What an entry may write; every field starts as a sentinel that a failing
// call must leave alone.
struct TOutputs
{
  double Value = 12345.0;
  Ipp64fc Complex = {12345.0, 54321.0};
  Ipp32s Int = 777;
  int Index = -77;
};

struct TStatusCase
{
  std::string Name;
  std::function<IppStatus(TOutputs&)> Call;
  IppStatus Want;
};

class ReduceStatus : public ::testing::TestWithParam<TStatusCase>
{
};

TEST_P(ReduceStatus, StatusAndOutputs)
{
  const TStatusCase& C = GetParam();
  TOutputs Out;
  EXPECT_EQ(C.Call(Out), C.Want);
  if (C.Want != ippStsNoErr) {
    const TOutputs Untouched;
    EXPECT_EQ(Bits(Out.Value), Bits(Untouched.Value));
    EXPECT_EQ(Bits(Out.Complex.re), Bits(Untouched.Complex.re));
    EXPECT_EQ(Bits(Out.Complex.im), Bits(Untouched.Complex.im));
    EXPECT_EQ(Out.Int, Untouched.Int);
    EXPECT_EQ(Out.Index, Untouched.Index);
  }
}

const double Some[4] = {1, 2, 3, 4};
const Ipp64fc SomeC[2] = {{1, 2}, {3, 4}};
const Ipp32s SomeI[2] = {1, 2};

// Rows for one single-source entry (the extremes, mean, standard deviation)
// in the form F, with the shortest length it accepts.
template <class F, class TCall>
void AddSourceRows(std::vector<TStatusCase>& ARows, const std::string& AName, F AEntry, int AMinLen,
                   TCall ACall)
{
  const auto Row = [&](const std::string& ACase, const double* Src, int Len, bool ANullOut, IppStatus AWant) {
    ARows.push_back({AName + "_" + ACase,
                     [=](TOutputs& O) { return ACall(AEntry, Src, Len, ANullOut ? nullptr : &O); }, AWant});
  };
  Row("Ordinary", Some, AMinLen, false, ippStsNoErr);
  Row("NullSource", nullptr, AMinLen, false, ippStsNullPtrErr);
  Row("NullResult", Some, AMinLen, true, ippStsNullPtrErr);
  Row("NullBeforeLength", nullptr, 0, false, ippStsNullPtrErr);
  Row("TooShort", Some, AMinLen - 1, false, ippStsSizeErr);
  Row("NegativeLength", Some, -1, false, ippStsSizeErr);
}

// Rows for one two-source entry (dot products, norms).
template <class T, class F, class TCall>
void AddPairRows(std::vector<TStatusCase>& ARows, const std::string& AName, const T* ASome, F AEntry,
                 TCall ACall)
{
  const auto Row = [&](const std::string& ACase, const T* A, const T* B, int Len, bool ANullOut,
                       IppStatus AWant) {
    ARows.push_back({AName + "_" + ACase,
                     [=](TOutputs& O) { return ACall(AEntry, A, B, Len, ANullOut ? nullptr : &O); }, AWant});
  };
  Row("Ordinary", ASome, ASome, 1, false, ippStsNoErr);
  Row("NullFirst", nullptr, ASome, 1, false, ippStsNullPtrErr);
  Row("NullSecond", ASome, nullptr, 1, false, ippStsNullPtrErr);
  Row("NullResult", ASome, ASome, 1, true, ippStsNullPtrErr);
  Row("NullBeforeLength", ASome, nullptr, 0, false, ippStsNullPtrErr);
  Row("ZeroLength", ASome, ASome, 0, false, ippStsSizeErr);
  Row("NegativeLength", ASome, ASome, -5, false, ippStsSizeErr);
}

std::vector<TStatusCase> StatusRows()
{
  std::vector<TStatusCase> Rows;
  const auto Value = [](auto F, const double* S, int L, TOutputs* O) { return F(S, L, O ? &O->Value : nullptr); };
  const auto Indexed = [](auto F, const double* S, int L, TOutputs* O) {
    return F(S, L, O ? &O->Value : nullptr, O ? &O->Index : nullptr);
  };
  AddSourceRows(Rows, "Mean", &LibC::ippsMean_64f, 1, Value);
  AddSourceRows(Rows, "StdDev", &LibC::ippsStdDev_64f, 2, Value);
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMax_64f))
    AddSourceRows(Rows, "Max_" + Isa, F, 1, Value);
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMin_64f))
    AddSourceRows(Rows, "Min_" + Isa, F, 1, Value);
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMaxIndx_64f))
    AddSourceRows(Rows, "MaxIndx_" + Isa, F, 1, Indexed);
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMinIndx_64f))
    AddSourceRows(Rows, "MinIndx_" + Isa, F, 1, Indexed);

  const auto Pair = [](auto F, const double* A, const double* B, int L, TOutputs* O) {
    return F(A, B, L, O ? &O->Value : nullptr);
  };
  AddPairRows(Rows, "DotProd", Some, &LibC::ippsDotProd_64f, Pair);
  AddPairRows(Rows, "NormDiffL1", Some, &LibC::ippsNormDiff_L1_64f, Pair);
  AddPairRows(Rows, "NormDiffL2", Some, &LibC::ippsNormDiff_L2_64f, Pair);
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsNormDiff_Inf_64f))
    AddPairRows(Rows, "NormDiffInf_" + Isa, Some, F, Pair);
  AddPairRows(Rows, "DotProdComplex", SomeC, &LibC::ippsDotProd_64fc,
              [](auto F, const Ipp64fc* A, const Ipp64fc* B, int L, TOutputs* O) {
                return F(A, B, L, O ? &O->Complex : nullptr);
              });
  AddPairRows(Rows, "DotProd32s", SomeI, &LibC::ippsDotProd_32s_Sfs,
              [](auto F, const Ipp32s* A, const Ipp32s* B, int L, TOutputs* O) {
                return F(A, B, L, O ? &O->Int : nullptr, 0);
              });

  // A null index is no error: only the value is written.
  for (auto* F : {&LibC::ippsMaxIndx_64f, &LibC::ippsMinIndx_64f})
    Rows.push_back({F == &LibC::ippsMaxIndx_64f ? "MaxIndx_NullIndex" : "MinIndx_NullIndex",
                    [F](TOutputs& O) { return F(Some, 4, &O.Value, nullptr); }, ippStsNoErr});
  return Rows;
}

INSTANTIATE_TEST_SUITE_P(Primitives, ReduceStatus, ::testing::ValuesIn(StatusRows()),
                         [](const auto& AInfo) { return AInfo.param.Name; });

// --- Mean and standard deviation ------------------------------------------------------

struct TMomentCase
{
  const char* Name;
  std::vector<double> Src;
  double Mean, StdDev;
};

class Moments : public ::testing::TestWithParam<TMomentCase>
{
};

TEST_P(Moments, GiveTheWantedValues)
{
  const TMomentCase& C = GetParam();
  double Mean = 0, StdDev = 0;
  ASSERT_EQ(LibC::ippsMean_64f(C.Src.data(), int(C.Src.size()), &Mean), ippStsNoErr);
  EXPECT_TRUE(SameBits({Mean}, {C.Mean}));
  if (C.Src.size() >= 2) {
    ASSERT_EQ(LibC::ippsStdDev_64f(C.Src.data(), int(C.Src.size()), &StdDev), ippStsNoErr);
    EXPECT_TRUE(SameBits({StdDev}, {C.StdDev}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Moments,
    ::testing::Values(
        // f = 8 * 232 - 40^2 = 256, so the result is sqrt(256 / 56) = sqrt(32 / 7).
        TMomentCase{"Textbook", {2, 4, 4, 4, 5, 5, 7, 9}, 5, double(std::sqrt(32.0L / 7.0L))},
        TMomentCase{"LengthOne", {-7.5}, -7.5, 0},
        TMomentCase{"LengthTwo", {1, 3}, 2, double(std::sqrt(2.0L))},
        TMomentCase{"Constant", {3, 3, 3, 3, 3}, 3, 0},
        // Elements 0 and 2 cancel in one sum, 1 and 3 add in the other; in
        // index order the first 1 would vanish against 1e20.
        TMomentCase{"PartialSumsOfEvenAndOdd", {1e20, 1, -1e20, 1}, 0.5,
                    RefStdDev({1e20, 1, -1e20, 1})},
        // The trailing elements join the even sum: 1e20 + 1 loses the 1 there.
        TMomentCase{"TrailingJoinTheEvenSum", {0, 0, 0, 0, 1e20, 1, -1e20}, 0, RefStdDev({0, 0, 0, 0, 1e20, 1, -1e20})},
        // 1 + 2^-60 is exact at extended precision, not in double.
        TMomentCase{"ExtendedPrecision", {1, 0, 0x1p-60, 0, -1}, double(0x1p-60L / 5),
                    RefStdDev({1, 0, 0x1p-60, 0, -1})}),
    TRowName());

TEST(Moments, EqualTheReferenceBitForBit)
{
  for (int Len : TailLengths) {
    const std::vector<double> X = RandomDoubles(Len, 100 + Len, -1e3, 1e5);
    double Mean = 0, StdDev = 0;
    ASSERT_EQ(LibC::ippsMean_64f(X.data(), Len, &Mean), ippStsNoErr);
    EXPECT_TRUE(SameBits({Mean}, {RefMean(X)})) << "len " << Len;
    if (Len >= 2) {
      ASSERT_EQ(LibC::ippsStdDev_64f(X.data(), Len, &StdDev), ippStsNoErr);
      EXPECT_TRUE(SameBits({StdDev}, {RefStdDev(X)})) << "len " << Len;
    }
  }
}

// The formula would give 0 where an infinity or NaN makes f undefined; a
// spread of 0 would claim the values equal, so the result is NaN instead.
TEST(Moments, StdDevOfUndefinedDataIsNaN)
{
  for (const std::vector<double>& X : {std::vector<double>{1, NaN, 3}, {1, Inf, 3, 4, 5}, {-Inf, Inf}}) {
    double StdDev = 0;
    ASSERT_EQ(LibC::ippsStdDev_64f(X.data(), int(X.size()), &StdDev), ippStsNoErr);
    EXPECT_EQ(Bits(StdDev), Bits(StoredNaN));
  }
}

// --- Extremes -------------------------------------------------------------------------

struct TExtremeCase
{
  const char* Name;
  std::vector<double> Src;
  double Max;
  int MaxAt;
  double Min;
  int MinAt;
};

class Extremes : public ::testing::TestWithParam<TExtremeCase>
{
};

// Ties spread over every lane and accumulator of the widest vectors.
std::vector<double> WithTies()
{
  std::vector<double> V(203, 0.5);
  for (int I : {37, 38, 101, 202})
    V[I] = 9;
  for (int I : {70, 71, 150})
    V[I] = -9;
  return V;
}

// Zeros of both signs only: the first one met is kept, by its sign too.
std::vector<double> SignedZeros()
{
  std::vector<double> V(100, 0.0);
  for (int I = 0; I < 40; ++I)
    V[I] = -0.0;
  return V;
}

std::vector<double> NaNsAfterTheFirst()
{
  std::vector<double> V = RandomDoubles(99, 5);
  for (int I = 1; I < 99; I += 3)
    V[I] = NaN;
  V[50] = 500;
  V[98] = -500;
  return V;
}

TEST_P(Extremes, ValueAndFirstIndexInEveryVariant)
{
  const TExtremeCase& C = GetParam();
  const int Len = int(C.Src.size());
  const auto Check = [&](const std::string& AForm, double AGot, double AWant) {
    EXPECT_EQ(Bits(AGot), Bits(AWant)) << AForm << ": got " << AGot << ", want " << AWant;
  };
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMax_64f)) {
    double V = 0;
    ASSERT_EQ(F(C.Src.data(), Len, &V), ippStsNoErr);
    Check("max " + Isa, V, C.Max);
  }
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMin_64f)) {
    double V = 0;
    ASSERT_EQ(F(C.Src.data(), Len, &V), ippStsNoErr);
    Check("min " + Isa, V, C.Min);
  }
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMaxIndx_64f)) {
    double V = 0;
    int At = -1;
    ASSERT_EQ(F(C.Src.data(), Len, &V, &At), ippStsNoErr);
    Check("maxindx " + Isa, V, C.Max);
    EXPECT_EQ(At, C.MaxAt) << Isa;
    ASSERT_EQ(F(C.Src.data(), Len, &V, nullptr), ippStsNoErr);
    Check("maxindx without index " + Isa, V, C.Max);
  }
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsMinIndx_64f)) {
    double V = 0;
    int At = -1;
    ASSERT_EQ(F(C.Src.data(), Len, &V, &At), ippStsNoErr);
    Check("minindx " + Isa, V, C.Min);
    EXPECT_EQ(At, C.MinAt) << Isa;
    ASSERT_EQ(F(C.Src.data(), Len, &V, nullptr), ippStsNoErr);
    Check("minindx without index " + Isa, V, C.Min);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Extremes,
    ::testing::Values(TExtremeCase{"Textbook", {1, 3, 3}, 3, 1, 1, 0},
                      TExtremeCase{"LengthOne", {-2}, -2, 0, -2, 0},
                      TExtremeCase{"TiesKeepTheFirst", WithTies(), 9, 37, -9, 70},
                      TExtremeCase{"AllEqual", std::vector<double>(77, 4.25), 4.25, 0, 4.25, 0},
                      TExtremeCase{"SignedZerosKeepTheFirst", SignedZeros(), -0.0, 0, -0.0, 0},
                      TExtremeCase{"PositiveZeroFirst", {0.0, -0.0, 0.0, -0.0, 0.0, -0.0, 0.0, -0.0, 0.0},
                                   0.0, 0, 0.0, 0},
                      // A NaN is never strictly beyond, nor is anything beyond a NaN.
                      TExtremeCase{"NaNsAfterTheFirstAreSkipped", NaNsAfterTheFirst(), 500, 50, -500, 98},
                      TExtremeCase{"NaNFirstIsTheResult", {StoredNaN, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13,
                                                           14, 15, 16, 17},
                                   StoredNaN, 0, StoredNaN, 0},
                      TExtremeCase{"Infinities", {1, Inf, -Inf, Inf, 3}, Inf, 1, -Inf, 2}),
    TRowName());

TEST(Extremes, EqualTheReferenceOnManyTies)
{
  for (int Len : TailLengths)
    for (std::uint32_t Seed : {1u, 2u, 3u}) {
      // Few distinct values (signed zeros among them) make ties everywhere.
      std::vector<double> X = RandomDoubles(Len, Seed * 1000 + Len, -3, 3);
      for (double& V : X)
        V = std::trunc(V);
      for (const bool AMax : {true, false}) {
        const auto [Want, WantAt] = RefExtreme(X, AMax);
        for (const auto& [Isa, F] : VariantsOf(AMax ? &LibC::ippsMaxIndx_64f : &LibC::ippsMinIndx_64f)) {
          double V = 0;
          int At = -1;
          ASSERT_EQ(F(X.data(), Len, &V, &At), ippStsNoErr);
          EXPECT_EQ(Bits(V), Bits(Want)) << Isa << " len " << Len;
          EXPECT_EQ(At, WantAt) << Isa << " len " << Len << (AMax ? " max" : " min");
        }
        for (const auto& [Isa, F] : VariantsOf(AMax ? &LibC::ippsMax_64f : &LibC::ippsMin_64f)) {
          double V = 0;
          ASSERT_EQ(F(X.data(), Len, &V), ippStsNoErr);
          EXPECT_EQ(Bits(V), Bits(Want)) << Isa << " len " << Len;
        }
      }
    }
}

// --- Dot products -------------------------------------------------------------------

TEST(DotProd, TextbookAndExtendedPrecision)
{
  const std::vector<double> A = {1, 2, 3}, B = {4, 5, 6};
  double R = 0;
  ASSERT_EQ(LibC::ippsDotProd_64f(A.data(), B.data(), 3, &R), ippStsNoErr);
  EXPECT_EQ(R, 32);
  // 1 + 2^-60 survives at extended precision, then the 1 cancels.
  const std::vector<double> C = {1, 0x1p-30, -1}, D = {1, 0x1p-30, 1};
  ASSERT_EQ(LibC::ippsDotProd_64f(C.data(), D.data(), 3, &R), ippStsNoErr);
  EXPECT_EQ(R, 0x1p-60);
  // In index order: 1e20 + 1 loses the 1 before -1e20 comes.
  const std::vector<double> E = {1e20, 1, -1e20}, Ones = {1, 1, 1};
  ASSERT_EQ(LibC::ippsDotProd_64f(E.data(), Ones.data(), 3, &R), ippStsNoErr);
  EXPECT_EQ(R, 0);
}

TEST(DotProd, ComplexProductsWithoutConjugation)
{
  const std::vector<Ipp64fc> A = {{1, 2}}, B = {{3, 4}};
  Ipp64fc R{};
  ASSERT_EQ(LibC::ippsDotProd_64fc(A.data(), B.data(), 1, &R), ippStsNoErr);
  EXPECT_EQ(R.re, -5);
  EXPECT_EQ(R.im, 10);
}

TEST(DotProd, EqualTheReferenceBitForBit)
{
  for (int Len : TailLengths) {
    const std::vector<double> A = RandomDoubles(Len, Len), B = RandomDoubles(Len, Len + 7, -1e6, 1e-3);
    double R = 0;
    ASSERT_EQ(LibC::ippsDotProd_64f(A.data(), B.data(), Len, &R), ippStsNoErr);
    EXPECT_TRUE(SameBits({R}, {RefDot(A, B)})) << "len " << Len;

    const std::vector<Ipp64fc> CA = Pairs(RandomDoubles(2 * Len, Len + 1)),
                               CB = Pairs(RandomDoubles(2 * Len, Len + 2, -3, 1e4));
    Ipp64fc C{};
    ASSERT_EQ(LibC::ippsDotProd_64fc(CA.data(), CB.data(), Len, &C), ippStsNoErr);
    const Ipp64fc Want = RefDotC(CA, CB);
    EXPECT_TRUE(SameBits({C.re, C.im}, {Want.re, Want.im})) << "len " << Len;
  }
}

struct TDot32Case
{
  const char* Name;
  std::vector<Ipp32s> A, B;
  int ScaleFactor;
  Ipp32s Want;
};

class DotProd32s : public ::testing::TestWithParam<TDot32Case>
{
};

TEST_P(DotProd32s, ScalesRoundsAndSaturates)
{
  const TDot32Case& C = GetParam();
  Ipp32s R = 0;
  ASSERT_EQ(LibC::ippsDotProd_32s_Sfs(C.A.data(), C.B.data(), int(C.A.size()), &R, C.ScaleFactor),
            ippStsNoErr);
  EXPECT_EQ(R, C.Want);
  EXPECT_EQ(R, RefDot32(C.A, C.B, C.ScaleFactor));
}

constexpr Ipp32s Lo = std::numeric_limits<Ipp32s>::min();
constexpr Ipp32s Hi = std::numeric_limits<Ipp32s>::max();

INSTANTIATE_TEST_SUITE_P(
    Primitives, DotProd32s,
    ::testing::Values(
        TDot32Case{"Textbook", {1, 2, 3}, {4, 5, 6}, 0, 32},
        TDot32Case{"ThreeHalvesToTwo", {3}, {1}, 1, 2},
        TDot32Case{"FiveHalvesToTwo", {5}, {1}, 1, 2},
        TDot32Case{"SevenHalvesToFour", {7}, {1}, 1, 4},
        TDot32Case{"NegativeHalvesToEven", {-5, -1}, {1, 2}, 1, -4},
        TDot32Case{"NegativeThreeHalves", {-3}, {1}, 1, -2},
        TDot32Case{"QuarterScale", {6, 4}, {1, 1}, 2, 2},
        TDot32Case{"HalfToZero", {5, -1}, {1, 1}, 3, 0},
        TDot32Case{"FiveEighthsToOne", {5}, {1}, 3, 1},
        TDot32Case{"NegativeScaleMultiplies", {3}, {1}, -1, 6},
        TDot32Case{"HighSaturates", {Hi}, {2}, 0, Hi},
        TDot32Case{"LowSaturates", {Lo}, {2}, 0, Lo},
        TDot32Case{"HighScaledIntoRange", {Hi}, {2}, 1, Hi},
        TDot32Case{"LowScaledIntoRange", {Lo}, {2}, 1, Lo},
        TDot32Case{"JustOverTheTopAfterRounding", {Hi, 1}, {2, 1}, 1, Hi},
        TDot32Case{"SquareOfLowest", {Lo}, {Lo}, 32, 1 << 30},
        TDot32Case{"SquareOfLowestSaturates", {Lo}, {Lo}, 31, Hi},
        TDot32Case{"ScaleBelowRangeIsLimited", {1, -1}, {1, 0}, -40, Hi},
        TDot32Case{"ScaleBelowRangeNegative", {-1}, {1}, -100, Lo},
        TDot32Case{"ZeroAtAnyScale", {0, 5}, {7, 0}, -100, 0},
        TDot32Case{"LargeScaleTieToEven", {Lo}, {Lo}, 63, 0},
        TDot32Case{"LargeScaleTieUp", {Lo, Lo, Lo}, {Lo, Lo, Lo}, 63, 2},
        TDot32Case{"ScaleAboveRangeIsLimited", {Lo, Lo}, {Lo, Lo}, 1000, 0},
        // The sum leaves the 64-bit integers: 2^64 + 2^63 - 1 needs 65 bits and
        // rounds, at extended precision, to 2^64 + 2^63; scaled by 2^-64 that
        // is 1.5, which goes to 2 (the exact sum would give 1).
        TDot32Case{"SumRoundsAtExtendedPrecision", {Lo, Lo, Lo, Lo, Lo, Lo, 1}, {Lo, Lo, Lo, Lo, Lo, Lo, -1}, 64, 2},
        // 2^62 + 2^62 leaves the 64-bit integers, the two products near -2^62 bring
        // the sum back to 2^32 + 5.
        TDot32Case{"LeavesTheIntegersAndComesBack", {Lo, Lo, Lo, Lo, 1}, {Lo, Lo, Hi, Hi, 5}, 2, 1073741825}),
    TRowName());

TEST(DotProd32s, EqualTheReferenceAtManyScales)
{
  for (int Len : TailLengths)
    for (Ipp32s Span : {0, 46340, 1000}) {
      const std::vector<Ipp32s> A = RandomInts(Len, Len + Span, Span), B = RandomInts(Len, 3 * Len + Span, Span);
      for (int Scale : {-31, -3, 0, 1, 7, 16, 31, 32, 40, 62, 64, 93}) {
        Ipp32s R = 0;
        ASSERT_EQ(LibC::ippsDotProd_32s_Sfs(A.data(), B.data(), Len, &R, Scale), ippStsNoErr);
        EXPECT_EQ(R, RefDot32(A, B, Scale)) << "len " << Len << " span " << Span << " scale " << Scale;
      }
    }
}

// --- Difference norms ----------------------------------------------------------------

TEST(NormDiff, Textbook)
{
  const std::vector<double> A = {1, 2, 3}, B = {3, 2, 1};
  double L1 = 0, L2 = 0, LInf = 0;
  ASSERT_EQ(LibC::ippsNormDiff_L1_64f(A.data(), B.data(), 3, &L1), ippStsNoErr);
  ASSERT_EQ(LibC::ippsNormDiff_L2_64f(A.data(), B.data(), 3, &L2), ippStsNoErr);
  EXPECT_EQ(L1, 4);
  EXPECT_EQ(L2, std::sqrt(8.0));
  for (const auto& [Isa, F] : VariantsOf(&LibC::ippsNormDiff_Inf_64f)) {
    ASSERT_EQ(F(A.data(), B.data(), 3, &LInf), ippStsNoErr);
    EXPECT_EQ(LInf, 2) << Isa;
  }
}

// 1 - (2^-54 + 2^-80) is just below halfway between 1 - 2^-53 and 1: a double
// subtraction gives 1 - 2^-53, but held at extended precision it is the
// halfway point itself, which then rounds to 1.
constexpr double Halfway = 0x1p-54 + 0x1p-80;

TEST(NormDiff, DifferencesAreHeldAtExtendedPrecision)
{
  ASSERT_EQ(1.0 - Halfway, 1.0 - 0x1p-53);
  for (int At : {0, 5, 21, 63, 64, 99}) {
    std::vector<double> A = RandomDoubles(100, At, 0.1, 0.2), B = RandomDoubles(100, At + 1, 0.1, 0.2);
    A[At] = 1;
    B[At] = Halfway;
    for (const auto& [Isa, F] : VariantsOf(&LibC::ippsNormDiff_Inf_64f)) {
      double R = 0;
      ASSERT_EQ(F(A.data(), B.data(), 100, &R), ippStsNoErr);
      EXPECT_EQ(R, 1.0) << Isa << " at " << At;
    }
  }
  const double One = 1, Half = Halfway;
  double L1 = 0, L2 = 0;
  ASSERT_EQ(LibC::ippsNormDiff_L1_64f(&One, &Half, 1, &L1), ippStsNoErr);
  ASSERT_EQ(LibC::ippsNormDiff_L2_64f(&One, &Half, 1, &L2), ippStsNoErr);
  EXPECT_EQ(L1, 1.0);
  EXPECT_EQ(L2, 1.0);
}

TEST(NormDiff, EqualTheReferenceBitForBit)
{
  for (int Len : TailLengths)
    for (std::uint32_t Seed : {1u, 2u}) {
      // Seed 2 mixes magnitudes, so that many differences are inexact.
      const std::vector<double> A = RandomDoubles(Len, Seed * 31 + Len),
                                B = Seed == 1 ? RandomDoubles(Len, Len + 9) : RandomDoubles(Len, Len + 9, -1e-9, 1e-9);
      double L1 = 0, L2 = 0;
      ASSERT_EQ(LibC::ippsNormDiff_L1_64f(A.data(), B.data(), Len, &L1), ippStsNoErr);
      ASSERT_EQ(LibC::ippsNormDiff_L2_64f(A.data(), B.data(), Len, &L2), ippStsNoErr);
      EXPECT_TRUE(SameBits({L1}, {double(RefDiffSum(A, B, false))})) << "len " << Len;
      EXPECT_TRUE(SameBits({L2}, {double(std::sqrt(RefDiffSum(A, B, true)))})) << "len " << Len;
      for (const auto& [Isa, F] : VariantsOf(&LibC::ippsNormDiff_Inf_64f)) {
        double R = 0;
        ASSERT_EQ(F(A.data(), B.data(), Len, &R), ippStsNoErr);
        EXPECT_TRUE(SameBits({R}, {RefNormInf(A, B)})) << Isa << " len " << Len;
      }
    }
}

// Every lane holds the same pair, so the result is that pair's difference as
// the vector step computed it. The pairs sit near the halfway point of a
// rounding, where a double difference and an extended one can part.
TEST(NormDiff, VectorLanesRoundLikeExtendedDifferences)
{
  std::mt19937 Gen(20261210);
  std::uniform_int_distribution<std::uint64_t> Mantissa(0, (std::uint64_t(1) << 52) - 1);
  std::uniform_int_distribution<int> Small(1, 1 << 20), Shift(0, 60), Exponent(-20, 20);
  int Parted = 0;
  for (int Trial = 0; Trial < 20000; ++Trial) {
    const double A = std::ldexp(1.0 + std::ldexp(double(Mantissa(Gen)), -52), Exponent(Gen));
    // Half an ulp of A, nudged by a little below or above.
    const double HalfUlp = std::ldexp(1.0, std::ilogb(A) - 53);
    const double Nudge = std::ldexp(double(Small(Gen)), std::ilogb(A) - 106 + Shift(Gen) / 2);
    // Every fifth pair is an exact tie, which both roundings settle alike.
    const double Off = Trial % 5 == 0 ? 0 : (Trial % 2 ? -Nudge : Nudge);
    const double B = (HalfUlp + Off) * (Trial % 4 < 2 ? 1 : -1);
    const std::vector<double> VA(32, A), VB(32, B);
    const double Want = RefNormInf({A}, {B});
    Parted += Want != std::fabs(A - B);
    for (const auto& [Isa, F] : VariantsOf(&LibC::ippsNormDiff_Inf_64f)) {
      double Got = 0;
      ASSERT_EQ(F(VA.data(), VB.data(), 32, &Got), ippStsNoErr);
      ASSERT_EQ(Bits(Got), Bits(Want)) << Isa << std::hexfloat << " a " << A << " b " << B;
    }
  }
  EXPECT_GT(Parted, 100); // the pairs do reach the cases where the roundings part
}

TEST(NormDiff, InfinityNaNAndOverflow)
{
  struct TRow
  {
    const char* Name;
    std::vector<double> A, B;
    double Want;
  };
  const std::vector<TRow> Rows = {
      // A NaN difference is skipped, as a NaN element is by the extremes.
      {"NaNSkipped", std::vector<double>(40, 1.0), std::vector<double>(40, 0.5), 0.5},
      {"InfinityWins", {1, 2, Inf, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, std::vector<double>(17, 0), Inf},
      // 2e308 exists at extended precision and becomes +inf only when stored.
      {"DifferenceOverflows", std::vector<double>(33, 1e308), std::vector<double>(33, -1e308), Inf},
      {"EqualSourcesGiveZero", std::vector<double>(35, -3.5), std::vector<double>(35, -3.5), 0},
  };
  for (TRow R : Rows) {
    if (std::string(R.Name) == "NaNSkipped")
      R.A[17] = NaN;
    for (const auto& [Isa, F] : VariantsOf(&LibC::ippsNormDiff_Inf_64f)) {
      double Got = -1;
      ASSERT_EQ(F(R.A.data(), R.B.data(), int(R.A.size()), &Got), ippStsNoErr);
      EXPECT_TRUE(SameBits({Got}, {R.Want})) << R.Name << " " << Isa;
    }
  }
}

} // namespace
