// Integer entries: scaled and saturated 32-bit and 8-bit arithmetic, bit
// operations, shifts, and the two directly called division routines. The
// reference scales exact 128-bit results by floor division with an explicit
// tie rule, a different route from the built-ins' shift formula.
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

constexpr Ipp32s Max32 = 2147483647;
constexpr Ipp32s Min32 = -2147483647 - 1;

using I128 = __int128;

I128 Clamp(I128 V, I128 Lo, I128 Hi) { return V < Lo ? Lo : (V > Hi ? Hi : V); }

// Num / Den (Den > 0) rounded to nearest, ties to even.
I128 RoundRatio(I128 Num, I128 Den)
{
  I128 Q = Num / Den, Rem = Num % Den;
  if (Rem < 0) { // floor division
    Q -= 1;
    Rem += Den;
  }
  if (2 * Rem > Den || (2 * Rem == Den && (Q & 1) != 0))
    Q += 1;
  return Q;
}

// R x 2^-Sf, rounded and saturated to Lo..Hi.
I128 RefScale(I128 R, int Sf, I128 Lo, I128 Hi)
{
  if (Sf >= 0)
    return Clamp(RoundRatio(R, I128(1) << (Sf > 100 ? 100 : Sf)), Lo, Hi);
  if (R == 0)
    return 0;
  if (-Sf > 64)
    return R > 0 ? Hi : Lo;
  return Clamp(R * (I128(1) << -Sf), Lo, Hi);
}

// A / B x 2^-Sf, rounded and saturated to the 32-bit range (B != 0).
Ipp32s RefQuotient(Ipp32s A, Ipp32s B, int Sf)
{
  if (Sf < -62)
    return A == 0 ? 0 : ((A > 0) == (B > 0) ? Max32 : Min32);
  I128 Num = A, Den = B;
  if (Sf > 0)
    Den *= I128(1) << Sf;
  else
    Num *= I128(1) << -Sf;
  if (Den < 0) {
    Num = -Num;
    Den = -Den;
  }
  return Ipp32s(Clamp(RoundRatio(Num, Den), Min32, Max32));
}

const std::vector<int> ScaleFactors = {-64, -40, -31, -30, -5, -1, 0, 1, 2, 5, 16, 30, 31, 32, 33, 62, 63, 99};

std::vector<Ipp32s> RandomInts(std::size_t ACount, std::uint32_t ASeed)
{
  std::mt19937 Gen(ASeed);
  std::uniform_int_distribution<Ipp32s> Wide(Min32, Max32), Small(-20, 20);
  std::vector<Ipp32s> V(ACount);
  for (std::size_t I = 0; I < ACount; ++I)
    V[I] = I % 3 == 0 ? Small(Gen) : Wide(Gen);
  V[0] = Max32;
  if (ACount > 1)
    V[1] = Min32;
  return V;
}

// --- Scaled 32-bit arithmetic against the reference -----------------------------------

struct TScaledOp
{
  const char* Name;
  TippsAdd_32s_ISfs Entry;
  std::function<I128(I128 D, I128 S)> Exact;
};

class Scaled32 : public ::testing::TestWithParam<TScaledOp>
{
};

TEST_P(Scaled32, MatchesTheExactResultScaled)
{
  const TScaledOp& Op = GetParam();
  const std::vector<Ipp32s> Src = RandomInts(101, 1), Dst0 = RandomInts(101, 2);
  for (int Sf : ScaleFactors) {
    std::vector<Ipp32s> D = Dst0;
    ASSERT_EQ(Op.Entry(Src.data(), D.data(), int(D.size()), Sf), ippStsNoErr);
    for (std::size_t I = 0; I < D.size(); ++I)
      ASSERT_EQ(D[I], Ipp32s(RefScale(Op.Exact(Dst0[I], Src[I]), Sf, Min32, Max32)))
          << Dst0[I] << " and " << Src[I] << " scale " << Sf;
  }
}

INSTANTIATE_TEST_SUITE_P(Primitives, Scaled32,
                         ::testing::Values(TScaledOp{"Add", LibC::ippsAdd_32s_ISfs,
                                                     [](I128 D, I128 S) { return D + S; }},
                                           TScaledOp{"Sub", LibC::ippsSub_32s_ISfs,
                                                     [](I128 D, I128 S) { return D - S; }},
                                           TScaledOp{"Mul", LibC::ippsMul_32s_ISfs,
                                                     [](I128 D, I128 S) { return D * S; }}),
                         TRowName());

struct TScaledCase
{
  const char* Name;
  TippsAdd_32s_ISfs Entry;
  std::vector<Ipp32s> Src, SrcDst;
  int ScaleFactor;
  IppStatus Status;
  std::vector<Ipp32s> Want;
};

class Scaled32Rows : public ::testing::TestWithParam<TScaledCase>
{
};

TEST_P(Scaled32Rows, StatusAndData)
{
  const TScaledCase& C = GetParam();
  std::vector<Ipp32s> Src = C.Src, D = C.SrcDst;
  EXPECT_EQ(C.Entry(DataOrNull(Src), DataOrNull(D), int(C.SrcDst.size()), C.ScaleFactor), C.Status);
  EXPECT_EQ(D, C.Want);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Scaled32Rows,
    ::testing::Values(
        TScaledCase{"AddSaturatesAtBothEnds", LibC::ippsAdd_32s_ISfs, {1, -1}, {Max32, Min32}, 0,
                    ippStsNoErr, {Max32, Min32}},
        TScaledCase{"AddScaleRoundsTiesToEven", LibC::ippsAdd_32s_ISfs, {0, 0, 0, 0, 0}, {3, 5, 7, -3, -5}, 1,
                    ippStsNoErr, {2, 2, 4, -2, -2}},
        TScaledCase{"AddNegativeScaleMultiplies", LibC::ippsAdd_32s_ISfs, {1, 0}, {2, -1}, -2, ippStsNoErr,
                    {12, -4}},
        TScaledCase{"SubLargeNegativeScaleSaturates", LibC::ippsSub_32s_ISfs, {0, 0, 0}, {1, -1, 0}, -31,
                    ippStsNoErr, {Max32, Min32, 0}},
        TScaledCase{"MulWideProduct", LibC::ippsMul_32s_ISfs, {Max32, Min32}, {Max32, Min32}, 62,
                    ippStsNoErr, {1, 1}},
        TScaledCase{"DivRoundsTiesToEven", LibC::ippsDiv_32s_ISfs, {2, 2, 2, 3}, {7, 5, -5, 7}, 0,
                    ippStsNoErr, {4, 2, -2, 2}},
        TScaledCase{"DivByZero", LibC::ippsDiv_32s_ISfs, {0, 0, 0, 4}, {1, -1, 0, 8}, 0, ippStsDivByZero,
                    {Max32, Min32, 0, 2}},
        TScaledCase{"DivScaled", LibC::ippsDiv_32s_ISfs, {1, 3}, {10, 1}, 2, ippStsNoErr, {2, 0}},
        TScaledCase{"DivMinByMinusOneSaturates", LibC::ippsDiv_32s_ISfs, {-1}, {Min32}, 0, ippStsNoErr,
                    {Max32}},
        TScaledCase{"NullSrcLeavesData", LibC::ippsMul_32s_ISfs, {}, {5}, 0, ippStsNullPtrErr, {5}},
        TScaledCase{"NullBeforeLength", LibC::ippsDiv_32s_ISfs, {1}, {}, 0, ippStsNullPtrErr, {}}),
    TRowName());

TEST(Div_32s_ISfs, MatchesTheExactQuotientScaled)
{
  std::vector<Ipp32s> Src = RandomInts(101, 3);
  for (Ipp32s& X : Src)
    if (X == 0)
      X = 7;
  const std::vector<Ipp32s> Dst0 = RandomInts(101, 4);
  for (int Sf : {-70, -62, -40, -3, 0, 1, 4, 31, 32, 33, 40}) {
    std::vector<Ipp32s> D = Dst0;
    ASSERT_EQ(LibC::ippsDiv_32s_ISfs(Src.data(), D.data(), int(D.size()), Sf), ippStsNoErr);
    for (std::size_t I = 0; I < D.size(); ++I)
      ASSERT_EQ(D[I], RefQuotient(Dst0[I], Src[I], Sf)) << Dst0[I] << " / " << Src[I] << " scale " << Sf;
  }
}

// --- Constants ----------------------------------------------------------------------------

struct TConstCase
{
  const char* Name;
  TippsAddC_32s_ISfs Entry;
  Ipp32s Val;
  std::vector<Ipp32s> SrcDst;
  int ScaleFactor;
  std::vector<Ipp32s> Want;
};

class Const32 : public ::testing::TestWithParam<TConstCase>
{
};

TEST_P(Const32, Data)
{
  const TConstCase& C = GetParam();
  std::vector<Ipp32s> D = C.SrcDst;
  ASSERT_EQ(C.Entry(C.Val, D.data(), int(D.size()), C.ScaleFactor), ippStsNoErr);
  EXPECT_EQ(D, C.Want);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Const32,
    ::testing::Values(TConstCase{"AddC", LibC::ippsAddC_32s_ISfs, 5, {1, Max32}, 0, {6, Max32}},
                      TConstCase{"AddCZeroWithScaleStillScales", LibC::ippsAddC_32s_ISfs, 0, {3, 5}, 1, {2, 2}},
                      TConstCase{"SubC", LibC::ippsSubC_32s_ISfs, 5, {1, Min32}, 0, {-4, Min32}},
                      TConstCase{"SubCZeroWithScaleStillScales", LibC::ippsSubC_32s_ISfs, 0, {-6}, -1, {-12}},
                      TConstCase{"MulCZeroClearsWhateverTheScale", LibC::ippsMulC_32s_ISfs, 0, {4, -4}, -5, {0, 0}},
                      TConstCase{"MulCOneWithScaleStillScales", LibC::ippsMulC_32s_ISfs, 1, {3, 7}, 1, {2, 4}},
                      TConstCase{"MulCSaturates", LibC::ippsMulC_32s_ISfs, -2, {Min32, 3}, 0, {Max32, -6}}),
    TRowName());

TEST(Const32, OutOfPlaceFormsAgreeWithTheReference)
{
  const std::vector<Ipp32s> Src = RandomInts(50, 9);
  std::vector<Ipp32s> D(50);
  for (int Sf : {-3, 0, 2}) {
    const Ipp32s Val = 123456789;
    ASSERT_EQ(LibC::ippsAddC_32s_Sfs(Src.data(), Val, D.data(), 50, Sf), ippStsNoErr);
    for (int I = 0; I < 50; ++I)
      EXPECT_EQ(D[I], Ipp32s(RefScale(I128(Src[I]) + Val, Sf, Min32, Max32)));
    ASSERT_EQ(LibC::ippsSubC_32s_Sfs(Src.data(), Val, D.data(), 50, Sf), ippStsNoErr);
    for (int I = 0; I < 50; ++I)
      EXPECT_EQ(D[I], Ipp32s(RefScale(I128(Src[I]) - Val, Sf, Min32, Max32)));
    ASSERT_EQ(LibC::ippsSubCRev_32s_Sfs(Src.data(), Val, D.data(), 50, Sf), ippStsNoErr);
    for (int I = 0; I < 50; ++I)
      EXPECT_EQ(D[I], Ipp32s(RefScale(Val - I128(Src[I]), Sf, Min32, Max32)));
    ASSERT_EQ(LibC::ippsMulC_32s_Sfs(Src.data(), Val, D.data(), 50, Sf), ippStsNoErr);
    for (int I = 0; I < 50; ++I)
      EXPECT_EQ(D[I], Ipp32s(RefScale(I128(Src[I]) * Val, Sf, Min32, Max32)));
  }
}

// --- Bits and shifts ---------------------------------------------------------------------

TEST(Bits32u, AndOrXor)
{
  const std::vector<Ipp32u> Src = {0xF0F0F0F0u, 0xFFFFFFFFu, 0};
  std::vector<Ipp32u> D = {0xFF00FF00u, 0x12345678u, 0xABCDEF01u};
  std::vector<Ipp32u> A = D, O = D, X = D;
  ASSERT_EQ(LibC::ippsAnd_32u_I(Src.data(), A.data(), 3), ippStsNoErr);
  ASSERT_EQ(LibC::ippsOr_32u_I(Src.data(), O.data(), 3), ippStsNoErr);
  ASSERT_EQ(LibC::ippsXor_32u_I(Src.data(), X.data(), 3), ippStsNoErr);
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(A[I], D[I] & Src[I]);
    EXPECT_EQ(O[I], D[I] | Src[I]);
    EXPECT_EQ(X[I], D[I] ^ Src[I]);
  }
  std::vector<Ipp32u> C = D;
  ASSERT_EQ(LibC::ippsAndC_32u_I(0, C.data(), 3), ippStsNoErr);
  EXPECT_EQ(C, (std::vector<Ipp32u>{0, 0, 0}));
  C = D;
  ASSERT_EQ(LibC::ippsXorC_32u_I(0x0F0F0F0Fu, C.data(), 3), ippStsNoErr);
  ASSERT_EQ(LibC::ippsOrC_32u_I(1, C.data(), 3), ippStsNoErr);
  for (int I = 0; I < 3; ++I)
    EXPECT_EQ(C[I], (D[I] ^ 0x0F0F0F0Fu) | 1u);
  std::vector<Ipp32u> Out(3);
  ASSERT_EQ(LibC::ippsAndC_32u(D.data(), 0xFFFFu, Out.data(), 3), ippStsNoErr);
  EXPECT_EQ(Out[0], 0xFF00u);
  ASSERT_EQ(LibC::ippsOrC_32u(D.data(), 0xFu, Out.data(), 3), ippStsNoErr);
  EXPECT_EQ(Out[1], 0x1234567Fu);
  ASSERT_EQ(LibC::ippsXorC_32u(D.data(), 0xFFFFFFFFu, Out.data(), 3), ippStsNoErr);
  EXPECT_EQ(Out[2], ~0xABCDEF01u);
  EXPECT_EQ(LibC::ippsOrC_32u_I(0, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsXorC_32u_I(0, C.data(), 0), ippStsSizeErr);
}

struct TShiftCase
{
  const char* Name;
  bool Left;
  int Val;
  std::vector<Ipp32s> SrcDst;
  IppStatus Status;
  std::vector<Ipp32s> Want;
};

class Shift32 : public ::testing::TestWithParam<TShiftCase>
{
};

TEST_P(Shift32, InPlaceAndOutOfPlace)
{
  const TShiftCase& C = GetParam();
  std::vector<Ipp32s> D = C.SrcDst, Out(C.SrcDst.size(), 77);
  const int Len = int(D.size());
  EXPECT_EQ(C.Left ? LibC::ippsLShiftC_32s_I(C.Val, D.data(), Len) : LibC::ippsRShiftC_32s_I(C.Val, D.data(), Len),
            C.Status);
  EXPECT_EQ(D, C.Want);
  EXPECT_EQ(C.Left ? LibC::ippsLShiftC_32s(C.SrcDst.data(), C.Val, Out.data(), Len)
                   : LibC::ippsRShiftC_32s(C.SrcDst.data(), C.Val, Out.data(), Len),
            C.Status);
  if (C.Status == ippStsNoErr) {
    EXPECT_EQ(Out, C.Want);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Shift32,
    ::testing::Values(TShiftCase{"LeftLosesBitsWithoutSaturation", true, 31, {1, 3, -1}, ippStsNoErr,
                                 {Min32, Min32, Min32}},
                      TShiftCase{"Left", true, 4, {1, -2}, ippStsNoErr, {16, -32}},
                      TShiftCase{"LeftBeyond31Clears", true, 32, {1, -1}, ippStsNoErr, {0, 0}},
                      TShiftCase{"LeftZeroIsIdentity", true, 0, {5, -5}, ippStsNoErr, {5, -5}},
                      TShiftCase{"LeftNegativeIsRefused", true, -1, {5}, ippStsShiftErr, {5}},
                      TShiftCase{"RightIsArithmetic", false, 1, {-8, -1, 7}, ippStsNoErr, {-4, -1, 3}},
                      TShiftCase{"RightBeyond31KeepsTheSign", false, 40, {-8, 8, 0}, ippStsNoErr, {-1, 0, 0}},
                      TShiftCase{"RightNegativeIsRefused", false, -3, {5}, ippStsShiftErr, {5}}),
    TRowName());

// --- 8-bit ---------------------------------------------------------------------------------

struct T8uCase
{
  const char* Name;
  TippsAdd_8u_ISfs Entry;
  std::vector<Ipp8u> Src, SrcDst;
  int ScaleFactor;
  std::vector<Ipp8u> Want;
};

class Scaled8u : public ::testing::TestWithParam<T8uCase>
{
};

TEST_P(Scaled8u, Data)
{
  const T8uCase& C = GetParam();
  std::vector<Ipp8u> D = C.SrcDst;
  ASSERT_EQ(C.Entry(C.Src.data(), D.data(), int(D.size()), C.ScaleFactor), ippStsNoErr);
  EXPECT_EQ(D, C.Want);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Scaled8u,
    ::testing::Values(T8uCase{"AddSaturates", LibC::ippsAdd_8u_ISfs, {100, 1}, {200, 2}, 0, {255, 3}},
                      T8uCase{"AddScaleRoundsTiesToEven", LibC::ippsAdd_8u_ISfs, {0, 0, 0}, {3, 5, 7}, 1, {2, 2, 4}},
                      T8uCase{"AddScaleAboveTheWidthClears", LibC::ippsAdd_8u_ISfs, {255}, {255}, 10, {0}},
                      T8uCase{"AddNegativeScaleSaturates", LibC::ippsAdd_8u_ISfs, {0, 0}, {1, 0}, -8, {255, 0}},
                      T8uCase{"SubNegativeDifferenceIsZero", LibC::ippsSub_8u_ISfs, {5, 1}, {3, 9}, 0, {0, 8}},
                      T8uCase{"MulSaturates", LibC::ippsMul_8u_ISfs, {16, 3}, {16, 5}, 0, {255, 15}},
                      T8uCase{"MulScaled", LibC::ippsMul_8u_ISfs, {16, 255}, {16, 255}, 8, {1, 254}}),
    TRowName());

TEST(Scaled8u, MatchesTheReference)
{
  std::vector<Ipp8u> Src(256), D0(256);
  for (int I = 0; I < 256; ++I) {
    Src[I] = Ipp8u(I * 37);
    D0[I] = Ipp8u(I);
  }
  for (int Sf : {-9, -7, -1, 0, 1, 3, 8, 9, 16, 17}) {
    std::vector<Ipp8u> A = D0, S = D0, M = D0;
    ASSERT_EQ(LibC::ippsAdd_8u_ISfs(Src.data(), A.data(), 256, Sf), ippStsNoErr);
    ASSERT_EQ(LibC::ippsSub_8u_ISfs(Src.data(), S.data(), 256, Sf), ippStsNoErr);
    ASSERT_EQ(LibC::ippsMul_8u_ISfs(Src.data(), M.data(), 256, Sf), ippStsNoErr);
    for (int I = 0; I < 256; ++I) {
      EXPECT_EQ(A[I], RefScale(I128(D0[I]) + Src[I], Sf, 0, 255)) << Sf;
      EXPECT_EQ(S[I], RefScale(D0[I] > Src[I] ? I128(D0[I]) - Src[I] : 0, Sf, 0, 255)) << Sf;
      EXPECT_EQ(M[I], RefScale(I128(D0[I]) * Src[I], Sf, 0, 255)) << Sf;
    }
  }
}

// --- Fills, zeros, statuses ------------------------------------------------------------------

TEST(Zero_16s, ClearsLenHalfWords)
{
  std::vector<Ipp32s> V = {1, 2, 3, 4};
  ASSERT_EQ(LibC::ippsZero_16s(reinterpret_cast<Ipp16s*>(V.data()), 6), ippStsNoErr);
  EXPECT_EQ(V, (std::vector<Ipp32s>{0, 0, 0, 4}));
}

TEST(SetAndZero, IntegerFills)
{
  std::vector<Ipp32s> I(5, 1);
  ASSERT_EQ(LibC::ippsSet_32s(-7, I.data(), 4), ippStsNoErr);
  EXPECT_EQ(I, (std::vector<Ipp32s>{-7, -7, -7, -7, 1}));
  ASSERT_EQ(LibC::ippsZero_32s(I.data(), 2), ippStsNoErr);
  EXPECT_EQ(I, (std::vector<Ipp32s>{0, 0, -7, -7, 1}));
  std::vector<Ipp8u> B(4, 1);
  ASSERT_EQ(LibC::ippsSet_8u(200, B.data(), 3), ippStsNoErr);
  EXPECT_EQ(B, (std::vector<Ipp8u>{200, 200, 200, 1}));
  ASSERT_EQ(LibC::ippsZero_8u(B.data(), 1), ippStsNoErr);
  EXPECT_EQ(B, (std::vector<Ipp8u>{0, 200, 200, 1}));
  EXPECT_EQ(LibC::ippsSet_32s(1, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsSet_8u(1, B.data(), 0), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsZero_16s(nullptr, 0), ippStsNullPtrErr);
}

TEST(IntegerStatus, NullBeforeLengthBeforeArguments)
{
  Ipp32s X = 9;
  EXPECT_EQ(LibC::ippsAddC_32s_ISfs(1, nullptr, 0, 0), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsAddC_32s_ISfs(1, &X, 0, 0), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsLShiftC_32s_I(-1, &X, 0), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsRShiftC_32s_I(-1, nullptr, 0), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsAnd_32u_I(nullptr, reinterpret_cast<Ipp32u*>(&X), 1), ippStsNullPtrErr);
  EXPECT_EQ(X, 9);
}

// --- Division by a value, called directly ------------------------------------------------------

TEST(DivCInt32, TruncatesTowardZero)
{
  std::vector<Ipp32s> V = {7, -7, 6, Min32, Max32};
  std::vector<Ipp32s> Out(5);
  DivCInt32(V.data(), -2, Out.data(), 5);
  EXPECT_EQ(Out, (std::vector<Ipp32s>{-3, 3, -3, 1073741824, -1073741823}));
  DivCInt32_I(2, V.data(), 5);
  EXPECT_EQ(V, (std::vector<Ipp32s>{3, -3, 3, -1073741824, 1073741823}));
  std::vector<Ipp32s> M = {Min32, 5};
  DivCInt32_I(-1, M.data(), 2);
  EXPECT_EQ(M, (std::vector<Ipp32s>{Max32, -5}));
}

} // namespace
