// Real (64f) vector arithmetic, constant operations, fills and copies: every
// form of each built-in that this processor runs.
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

// --- Vector by vector, in place -------------------------------------------------

struct TBinaryCase
{
  const char* Name;
  TippsAdd_64f_I Entry;
  std::vector<double> Src, SrcDst;
  int Len;
  IppStatus Status;
  std::vector<double> Want;
};

class BinaryInPlace : public ::testing::TestWithParam<TBinaryCase>
{
};

TEST_P(BinaryInPlace, StatusAndData)
{
  const TBinaryCase& C = GetParam();
  for (auto& [Isa, Entry] : VariantsOf(C.Entry)) {
    std::vector<double> Src = C.Src, SrcDst = C.SrcDst;
    EXPECT_EQ(Entry(DataOrNull(Src), DataOrNull(SrcDst), C.Len), C.Status) << Isa;
    EXPECT_TRUE(SameBits(SrcDst, C.Want)) << Isa;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, BinaryInPlace,
    ::testing::Values(
        TBinaryCase{"Add", LibC::ippsAdd_64f_I, {1, -2, 0.5}, {3, 4, -0.5}, 3, ippStsNoErr, {4, 2, 0}},
        TBinaryCase{"Sub", LibC::ippsSub_64f_I, {1, -2, 0.5}, {3, 4, -0.5}, 3, ippStsNoErr, {2, 6, -1}},
        TBinaryCase{"Mul", LibC::ippsMul_64f_I, {2, -2, 0}, {3, 4, -5}, 3, ippStsNoErr, {6, -8, -0.0}},
        TBinaryCase{"Div", LibC::ippsDiv_64f_I, {2, -4, 8}, {1, 2, -4}, 3, ippStsNoErr, {0.5, -0.5, -0.5}},
        TBinaryCase{"DivByZeroGivesInfinitiesAndNaN", LibC::ippsDiv_64f_I, {2, 0, 0}, {4, -2, 0}, 3,
                    ippStsDivByZero, {2, -Inf, StoredNaN}},
        // The dividend's sign decides, not the zero's; a NaN divisor counts as 0.
        TBinaryCase{"DivByNegativeZeroAndNaN", LibC::ippsDiv_64f_I, {-0.0, PayloadNaN, -0.0},
                    {5, 3, -0.0}, 3, ippStsDivByZero, {Inf, Inf, StoredNaN}},
        TBinaryCase{"DivZeroDivisorInTheTail", LibC::ippsDiv_64f_I,
                    {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                     1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0},
                    std::vector<double>(39, 3.0), 39, ippStsDivByZero,
                    [] {
                      std::vector<double> W(39, 3.0);
                      W[38] = Inf;
                      return W;
                    }()},
        TBinaryCase{"NullSrcLeavesDataAlone", LibC::ippsAdd_64f_I, {}, {1}, 1, ippStsNullPtrErr, {1}},
        TBinaryCase{"NullIsTestedBeforeLength", LibC::ippsMul_64f_I, {1}, {}, 0, ippStsNullPtrErr, {}},
        TBinaryCase{"ZeroLength", LibC::ippsDiv_64f_I, {0}, {1}, 0, ippStsSizeErr, {1}},
        TBinaryCase{"NegativeLength", LibC::ippsSub_64f_I, {1}, {1}, -1, ippStsSizeErr, {1}}),
    TRowName());

// --- Constants, in place ------------------------------------------------------------

struct TConstCase
{
  const char* Name;
  TippsAddC_64f_I Entry;
  double Val;
  std::vector<double> SrcDst;
  int Len;
  IppStatus Status;
  std::vector<double> Want;
};

class ConstInPlace : public ::testing::TestWithParam<TConstCase>
{
};

TEST_P(ConstInPlace, StatusAndData)
{
  const TConstCase& C = GetParam();
  for (auto& [Isa, Entry] : VariantsOf(C.Entry)) {
    std::vector<double> SrcDst = C.SrcDst;
    EXPECT_EQ(Entry(C.Val, DataOrNull(SrcDst), C.Len), C.Status) << Isa;
    EXPECT_TRUE(SameBits(SrcDst, C.Want)) << Isa;
  }
}

const double NaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Primitives, ConstInPlace,
    ::testing::Values(
        TConstCase{"AddC", LibC::ippsAddC_64f_I, 1.5, {1, -2}, 2, ippStsNoErr, {2.5, -0.5}},
        // Adding 0 would turn -0 into +0: the vector is not touched at all.
        TConstCase{"AddCZeroLeavesTheVector", LibC::ippsAddC_64f_I, 0.0, {-0.0, PayloadNaN}, 2,
                   ippStsNoErr, {-0.0, PayloadNaN}},
        TConstCase{"AddCNaNCountsAsZero", LibC::ippsAddC_64f_I, NaN, {1, 2}, 2, ippStsNoErr, {1, 2}},
        TConstCase{"SubC", LibC::ippsSubC_64f_I, 1.5, {1, -2}, 2, ippStsNoErr, {-0.5, -3.5}},
        TConstCase{"SubCNaNCountsAsZero", LibC::ippsSubC_64f_I, NaN, {1, 2}, 2, ippStsNoErr, {1, 2}},
        TConstCase{"MulC", LibC::ippsMulC_64f_I, -2, {1, -2.5}, 2, ippStsNoErr, {-2, 5}},
        TConstCase{"MulCZeroClearsToPositiveZero", LibC::ippsMulC_64f_I, 0.0, {-5, Inf, NaN}, 3,
                   ippStsNoErr, {0.0, 0.0, 0.0}},
        TConstCase{"MulCNaNLeavesTheVector", LibC::ippsMulC_64f_I, NaN, {-5, 3}, 2, ippStsNoErr, {-5, 3}},
        TConstCase{"MulCOneLeavesTheVector", LibC::ippsMulC_64f_I, 1.0, {PayloadNaN, -0.0}, 2,
                   ippStsNoErr, {PayloadNaN, -0.0}},
        TConstCase{"DivCByFourGivesExactQuarters", LibC::ippsDivC_64f_I, 4, {1, -3, 10}, 3, ippStsNoErr,
                   {0.25, -0.75, 2.5}},
        TConstCase{"DivCByZeroIsRefused", LibC::ippsDivC_64f_I, 0.0, {1, 2}, 2, ippStsDivByZeroErr, {1, 2}},
        TConstCase{"DivCByNaNIsRefused", LibC::ippsDivC_64f_I, NaN, {1, 2}, 2, ippStsDivByZeroErr, {1, 2}},
        // The reciprocal of infinity is 0, and a product with 0 clears.
        TConstCase{"DivCByInfinityClears", LibC::ippsDivC_64f_I, -Inf, {-1, 2}, 2, ippStsNoErr, {0.0, 0.0}},
        TConstCase{"DivCByOneLeavesTheVector", LibC::ippsDivC_64f_I, 1.0, {PayloadNaN}, 1, ippStsNoErr,
                   {PayloadNaN}},
        TConstCase{"NullIsTestedBeforeLength", LibC::ippsDivC_64f_I, 0.0, {}, 0, ippStsNullPtrErr, {}},
        TConstCase{"LengthIsTestedBeforeTheConstant", LibC::ippsDivC_64f_I, 0.0, {1}, 0, ippStsSizeErr,
                   {1}}),
    TRowName());

TEST(DivC_64f_I, MultipliesByTheRoundedReciprocal)
{
  std::vector<double> X = RandomDoubles(1000, 7);
  // Somewhere among these the product differs from the true quotient.
  bool SomeDiffer = false;
  for (double V : X)
    SomeDiffer = SomeDiffer || V * (1.0 / 3.0) != V / 3.0;
  ASSERT_TRUE(SomeDiffer);
  std::vector<double> Want(X.size());
  for (std::size_t I = 0; I < X.size(); ++I)
    Want[I] = X[I] * (1.0 / 3.0);
  for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsDivC_64f_I)) {
    std::vector<double> Got = X;
    ASSERT_EQ(Entry(3.0, Got.data(), int(Got.size())), ippStsNoErr);
    EXPECT_TRUE(SameBits(Got, Want)) << Isa;
  }
}

// --- Every vectorised element operation against a scalar loop ----------------------
// One IEEE operation per element, so the results agree bit for bit at every
// length, whatever the vector width.

struct TElementOp
{
  const char* Name;
  // Runs the entry variant under test (by instruction set) on the inputs.
  std::function<IppStatus(LibC::TIsa, const std::vector<double>& A, const std::vector<double>& B,
                          std::vector<double>& Out)>
      Run;
  std::function<double(double A, double B)> Reference;
};

// Every operation here has a variant for each instruction set.
template <class F>
F Pick(F APortable, LibC::TIsa AIsa)
{
  F P = LibC::Variant(APortable, AIsa);
  EXPECT_NE(P, nullptr);
  return P ? P : APortable;
}

const double K = 0.7071067811865476;

std::vector<TElementOp> ElementOps()
{
  using V = std::vector<double>;
  using I = LibC::TIsa;
  auto InPlace = [](TippsAdd_64f_I F) {
    return [F](I AIsa, const V& A, const V& B, V& Out) {
      Out = A;
      return Pick(F, AIsa)(B.data(), Out.data(), int(A.size()));
    };
  };
  auto OutOfPlace = [](TippsAdd_64f F) {
    return [F](I AIsa, const V& A, const V& B, V& Out) {
      return Pick(F, AIsa)(A.data(), B.data(), Out.data(), int(A.size()));
    };
  };
  auto ConstInPlace = [](TippsAddC_64f_I F) {
    return [F](I AIsa, const V& A, const V&, V& Out) {
      Out = A;
      return Pick(F, AIsa)(K, Out.data(), int(A.size()));
    };
  };
  auto ConstOut = [](TippsAddC_64f F) {
    return [F](I AIsa, const V& A, const V&, V& Out) {
      return Pick(F, AIsa)(A.data(), K, Out.data(), int(A.size()));
    };
  };
  auto UnaryInPlace = [](TippsAbs_64f_I F) {
    return [F](I AIsa, const V& A, const V&, V& Out) {
      Out = A;
      return Pick(F, AIsa)(Out.data(), int(A.size()));
    };
  };
  auto Unary = [](TippsAbs_64f F) {
    return [F](I AIsa, const V& A, const V&, V& Out) {
      return Pick(F, AIsa)(A.data(), Out.data(), int(A.size()));
    };
  };
  auto PositiveSqrt = [](double A, double) { return std::sqrt(std::fabs(A)); };
  return {
      {"Add_64f_I", InPlace(LibC::ippsAdd_64f_I), [](double A, double B) { return A + B; }},
      {"Sub_64f_I", InPlace(LibC::ippsSub_64f_I), [](double A, double B) { return A - B; }},
      {"Mul_64f_I", InPlace(LibC::ippsMul_64f_I), [](double A, double B) { return A * B; }},
      {"Div_64f_I", InPlace(LibC::ippsDiv_64f_I), [](double A, double B) { return A / B; }},
      {"Add_64f", OutOfPlace(LibC::ippsAdd_64f), [](double A, double B) { return A + B; }},
      {"Mul_64f", OutOfPlace(LibC::ippsMul_64f), [](double A, double B) { return A * B; }},
      {"AddC_64f_I", ConstInPlace(LibC::ippsAddC_64f_I), [](double A, double) { return A + K; }},
      {"SubC_64f_I", ConstInPlace(LibC::ippsSubC_64f_I), [](double A, double) { return A - K; }},
      {"MulC_64f_I", ConstInPlace(LibC::ippsMulC_64f_I), [](double A, double) { return A * K; }},
      {"DivC_64f_I", ConstInPlace(LibC::ippsDivC_64f_I), [](double A, double) { return A * (1.0 / K); }},
      {"AddC_64f", ConstOut(LibC::ippsAddC_64f), [](double A, double) { return A + K; }},
      {"SubC_64f", ConstOut(LibC::ippsSubC_64f), [](double A, double) { return A - K; }},
      {"SubCRev_64f", ConstOut(LibC::ippsSubCRev_64f), [](double A, double) { return K - A; }},
      {"MulC_64f", ConstOut(LibC::ippsMulC_64f), [](double A, double) { return A * K; }},
      {"DivC_64f", ConstOut(LibC::ippsDivC_64f), [](double A, double) { return A / K; }},
      {"Abs_64f_I", UnaryInPlace(LibC::ippsAbs_64f_I), [](double A, double) { return std::fabs(A); }},
      {"Abs_64f", Unary(LibC::ippsAbs_64f), [](double A, double) { return std::fabs(A); }},
      {"Sqr_64f_I", UnaryInPlace(LibC::ippsSqr_64f_I), [](double A, double) { return A * A; }},
      {"Sqr_64f", Unary(LibC::ippsSqr_64f), [](double A, double) { return A * A; }},
      // The square roots run on magnitudes here; negative inputs have their own rows.
      {"Sqrt_64f_I",
       [](I AIsa, const V& A, const V&, V& Out) {
         Out = A;
         for (double& X : Out)
           X = std::fabs(X);
         return Pick(&LibC::ippsSqrt_64f_I, AIsa)(Out.data(), int(A.size()));
       },
       PositiveSqrt},
      {"Sqrt_64f",
       [](I AIsa, const V& A, const V&, V& Out) {
         V Abs = A;
         for (double& X : Abs)
           X = std::fabs(X);
         return Pick(&LibC::ippsSqrt_64f, AIsa)(Abs.data(), Out.data(), int(A.size()));
       },
       PositiveSqrt},
  };
}

TEST(ElementOperations, AgreeWithAScalarLoopAtEveryLengthAndWidth)
{
  for (const TElementOp& Op : ElementOps())
    for (int Len : TailLengths) {
      const std::vector<double> A = RandomDoubles(Len, 100 + Len);
      std::vector<double> B = RandomDoubles(Len, 200 + Len);
      for (double& X : B)
        if (X == 0.0)
          X = 0.5; // zero divisors have their own rows
      std::vector<double> Want(Len);
      for (int J = 0; J < Len; ++J)
        Want[J] = Op.Reference(A[J], B[J]);
      for (auto& [Isa, Which] : HostIsas()) {
        std::vector<double> Out(Len, -1.0);
        EXPECT_EQ(Op.Run(Which, A, B, Out), ippStsNoErr) << Op.Name << " " << Isa << " len " << Len;
        EXPECT_TRUE(SameBits(Out, Want)) << Op.Name << " " << Isa << " len " << Len;
      }
    }
}

// --- Fill, clear, copy ------------------------------------------------------------------

TEST(Set_64f, FillsExactlyLenElements)
{
  for (int Len : TailLengths)
    for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsSet_64f)) {
      std::vector<double> Dst(Len + 1, 7.0);
      ASSERT_EQ(Entry(-0.0, Dst.data(), Len), ippStsNoErr);
      std::vector<double> Want(Len, -0.0);
      Want.push_back(7.0);
      EXPECT_TRUE(SameBits(Dst, Want)) << Isa << " len " << Len;
    }
}

TEST(Zero_64f, ClearsEveryByteOfLenElements)
{
  std::vector<double> Dst = {-0.0, PayloadNaN, 3, 4};
  ASSERT_EQ(LibC::ippsZero_64f(Dst.data(), 3), ippStsNoErr);
  EXPECT_TRUE(SameBits(Dst, {0.0, 0.0, 0.0, 4}));
}

TEST(Copy_64f, CopiesTheBits)
{
  const std::vector<double> Src = {PayloadNaN, -0.0, -Inf, 1e-310};
  std::vector<double> Dst(4, 1.0);
  ASSERT_EQ(LibC::ippsCopy_64f(Src.data(), Dst.data(), 4), ippStsNoErr);
  EXPECT_TRUE(SameBits(Dst, Src));
}

TEST(Move_64f, AllowsOverlap)
{
  std::vector<double> V = {1, 2, 3, 4, 5};
  ASSERT_EQ(LibC::ippsMove_64f(V.data(), V.data() + 1, 4), ippStsNoErr);
  EXPECT_TRUE(SameBits(V, {1, 1, 2, 3, 4}));
}

struct TFillStatusCase
{
  const char* Name;
  std::function<IppStatus()> Call;
  IppStatus Status;
};

class FillStatus : public ::testing::TestWithParam<TFillStatusCase>
{
};

TEST_P(FillStatus, Status) { EXPECT_EQ(GetParam().Call(), GetParam().Status); }

double Cell[1] = {5};

INSTANTIATE_TEST_SUITE_P(
    Primitives, FillStatus,
    ::testing::Values(
        TFillStatusCase{"SetNull", [] { return LibC::ippsSet_64f(1, nullptr, 1); }, ippStsNullPtrErr},
        TFillStatusCase{"SetZeroLength", [] { return LibC::ippsSet_64f(1, Cell, 0); }, ippStsSizeErr},
        TFillStatusCase{"ZeroNull", [] { return LibC::ippsZero_64f(nullptr, 0); }, ippStsNullPtrErr},
        TFillStatusCase{"ZeroNegativeLength", [] { return LibC::ippsZero_64f(Cell, -3); }, ippStsSizeErr},
        TFillStatusCase{"CopyNullSource", [] { return LibC::ippsCopy_64f(nullptr, Cell, 1); },
                        ippStsNullPtrErr},
        TFillStatusCase{"CopyZeroLength", [] { return LibC::ippsCopy_64f(Cell, Cell, 0); }, ippStsSizeErr}),
    TRowName());

TEST(FillStatus, ErrorsLeaveTheData)
{
  LibC::ippsSet_64f(1, Cell, 0);
  LibC::ippsZero_64f(Cell, -3);
  EXPECT_EQ(Cell[0], 5);
}

// --- Single precision ---------------------------------------------------------------------

TEST(SinglePrecision, ArithmeticFillsAndCopies)
{
  const std::vector<float> S = {2, -0.5f, 3};
  std::vector<float> D = {1, 4, -1};
  ASSERT_EQ(LibC::ippsSub_32f_I(S.data(), D.data(), 3), ippStsNoErr);
  EXPECT_EQ(D, (std::vector<float>{-1, 4.5f, -4}));
  ASSERT_EQ(LibC::ippsMul_32f_I(S.data(), D.data(), 3), ippStsNoErr);
  EXPECT_EQ(D, (std::vector<float>{-2, -2.25f, -12}));
  ASSERT_EQ(LibC::ippsMulC_32f_I(-2, D.data(), 3), ippStsNoErr);
  EXPECT_EQ(D, (std::vector<float>{4, 4.5f, 24}));
  std::vector<float> Out(3);
  ASSERT_EQ(LibC::ippsMul_32f(S.data(), D.data(), Out.data(), 3), ippStsNoErr);
  EXPECT_EQ(Out, (std::vector<float>{8, -2.25f, 72}));
  ASSERT_EQ(LibC::ippsSet_32f(7, Out.data(), 2), ippStsNoErr);
  EXPECT_EQ(Out, (std::vector<float>{7, 7, 72}));
  ASSERT_EQ(LibC::ippsZero_32f(Out.data(), 1), ippStsNoErr);
  EXPECT_EQ(Out, (std::vector<float>{0, 7, 72}));
  EXPECT_EQ(LibC::ippsSub_32f_I(nullptr, D.data(), 3), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsMul_32f(S.data(), D.data(), Out.data(), 0), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsMulC_32f_I(1, nullptr, 0), ippStsNullPtrErr);
}

TEST(SinglePrecision, ThresholdAndNormalize)
{
  const float NaNf = std::numeric_limits<float>::quiet_NaN();
  std::vector<float> V = {1, 3, NaNf};
  ASSERT_EQ(LibC::ippsThreshold_32f_I(V.data(), 3, 2, ippCmpGreater), ippStsNoErr);
  EXPECT_EQ(V, (std::vector<float>{1, 2, 2})) << "in place, greater replaces a NaN";
  V = {1, 3, NaNf};
  ASSERT_EQ(LibC::ippsThreshold_32f_I(V.data(), 3, 2, ippCmpLess), ippStsNoErr);
  EXPECT_EQ(V[0], 2);
  EXPECT_EQ(V[1], 3);
  EXPECT_TRUE(std::isnan(V[2])) << "in place, less keeps a NaN";

  const std::vector<float> S = {1, 4, -2};
  std::vector<float> D(3);
  ASSERT_EQ(LibC::ippsNormalize_32f(S.data(), D.data(), 3, 1, 3), ippStsNoErr);
  for (int I = 0; I < 3; ++I)
    EXPECT_EQ(D[I], float((S[I] - 1.0L) * (1.0L / 3)));
  EXPECT_EQ(LibC::ippsNormalize_32f(S.data(), D.data(), 3, 0, 1e-39f), ippStsDivByZeroErr);

  std::vector<Ipp32fc> C(2);
  ASSERT_EQ(LibC::ippsRealToCplx_32f(nullptr, S.data(), C.data(), 2), ippStsNoErr);
  EXPECT_EQ(C[1].re, 0);
  EXPECT_EQ(C[1].im, 4);
}

} // namespace
