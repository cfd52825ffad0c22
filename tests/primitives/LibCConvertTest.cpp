// Conversions between element types, byte copies and byte-order swaps.
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

constexpr Ipp32s Max32 = 2147483647;
constexpr Ipp32s Min32 = -2147483647 - 1;
const double NaN = std::numeric_limits<double>::quiet_NaN();

// --- To 32-bit integers -------------------------------------------------------------

struct TToIntCase
{
  const char* Name;
  std::vector<double> Src;
  IppRoundMode RndMode;
  int ScaleFactor;
  std::vector<Ipp32s> Want;
};

class Convert64f32s : public ::testing::TestWithParam<TToIntCase>
{
};

// The main group's entry and the nine-entry group's built-in of the same name
// compute the same.
TEST_P(Convert64f32s, RoundsScalesAndSaturates)
{
  const TToIntCase& C = GetParam();
  const int Len = int(C.Src.size());
  for (TippsConvert_64f32s_Sfs Entry : {&LibC::ippsConvert_64f32s_Sfs, &LibC::Basic::ippsConvert_64f32s_Sfs}) {
    std::vector<Ipp32s> Dst(Len, 99);
    ASSERT_EQ(Entry(C.Src.data(), Dst.data(), Len, C.RndMode, C.ScaleFactor), ippStsNoErr);
    EXPECT_EQ(Dst, C.Want);
  }
  // The single-precision source rounds the same way where the values are singles.
  std::vector<float> Single(C.Src.begin(), C.Src.end());
  bool Exact = true;
  for (std::size_t I = 0; I < C.Src.size(); ++I)
    Exact = Exact && (double(Single[I]) == C.Src[I] || std::isnan(C.Src[I]));
  if (Exact) {
    std::vector<Ipp32s> Dst(Len, 99);
    ASSERT_EQ(LibC::ippsConvert_32f32s_Sfs(Single.data(), Dst.data(), Len, C.RndMode, C.ScaleFactor),
              ippStsNoErr);
    EXPECT_EQ(Dst, C.Want);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Convert64f32s,
    ::testing::Values(
        TToIntCase{"NearestTiesToEven", {2.5, 3.5, -2.5, -3.5, 0.5, 2.4999999999999996}, ippRndNear, 0,
                   {2, 4, -2, -4, 0, 2}},
        TToIntCase{"TowardZero", {2.7, -2.7, 0.9999}, ippRndZero, 0, {2, -2, 0}},
        TToIntCase{"OtherRoundingCodesTruncate", {2.7, -2.7}, IppRoundMode(7), 0, {2, -2}},
        TToIntCase{"Saturates", {3e9, -3e9, 2147483647.0, -2147483648.0, 2147483646.6}, ippRndNear, 0,
                   {Max32, Min32, Max32, Min32, Max32}},
        TToIntCase{"NaNIsTheLowestValue", {NaN, -NaN}, ippRndNear, 0, {Min32, Min32}},
        TToIntCase{"Infinities", {Inf, -Inf}, ippRndZero, 0, {Max32, Min32}},
        TToIntCase{"ScaleDivides", {5, 7, -5}, ippRndNear, 1, {2, 4, -2}},
        TToIntCase{"NegativeScaleMultiplies", {1.25, 3e8}, ippRndNear, -3, {10, Max32}},
        TToIntCase{"LargeScaleUnderflows", {1e300}, ippRndNear, 2000, {0}}),
    TRowName());

TEST(Convert64f32s, Status)
{
  double X = 1;
  Ipp32s Y = 5;
  EXPECT_EQ(LibC::ippsConvert_64f32s_Sfs(nullptr, &Y, 0, ippRndNear, 0), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsConvert_64f32s_Sfs(&X, &Y, 0, ippRndNear, 0), ippStsSizeErr);
  EXPECT_EQ(Y, 5);
}

// --- To single precision ----------------------------------------------------------------

TEST(Convert64f32f, SaturatesBeyondTheSingleRange)
{
  const std::vector<double> Src = {double(FLT_MAX), 1e39, Inf, -1e39, -Inf, NaN, -NaN, 1.0 / 3, -0.0};
  const std::vector<float> Want = {FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX,
                                   float(1.0 / 3), -0.0f};
  // Every variant of both groups' built-ins, with the special value at each
  // position of a vector and in the tail.
  auto Run = [&](TippsConvert_64f32f Entry, const std::string& Name) {
    for (std::size_t Shift = 0; Shift < 20; ++Shift) {
      std::vector<double> S(Shift, 1.0);
      S.insert(S.end(), Src.begin(), Src.end());
      std::vector<float> D(S.size());
      ASSERT_EQ(Entry(S.data(), D.data(), int(S.size())), ippStsNoErr);
      for (std::size_t I = 0; I < Src.size(); ++I)
        EXPECT_EQ(std::bit_cast<std::uint32_t>(D[Shift + I]), std::bit_cast<std::uint32_t>(Want[I]))
            << Name << " value " << Src[I] << " at " << Shift + I;
    }
  };
  for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsConvert_64f32f))
    Run(Entry, Isa);
  Run(&LibC::Basic::ippsConvert_64f32f, "nine-entry group");
}

TEST(Convert64f32f, RoundsToNearestAtEveryLength)
{
  for (int Len : TailLengths) {
    const std::vector<double> Src = RandomDoubles(Len, Len, -1e30, 1e30);
    std::vector<float> Want(Len);
    for (int I = 0; I < Len; ++I)
      Want[I] = float(Src[I]);
    for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsConvert_64f32f)) {
      std::vector<float> D(Len);
      ASSERT_EQ(Entry(Src.data(), D.data(), Len), ippStsNoErr);
      EXPECT_EQ(D, Want) << Isa << " len " << Len;
    }
  }
}

// --- To double precision ----------------------------------------------------------------

TEST(ConvertTo64f, ExactAtEveryLength)
{
  for (int Len : TailLengths) {
    std::vector<float> F(Len);
    std::vector<Ipp32s> I(Len);
    std::vector<double> WantF(Len), WantI(Len);
    for (int K = 0; K < Len; ++K) {
      F[K] = float(K) * 0.37f - 3.0f;
      I[K] = K % 2 ? Max32 - K : Min32 + K;
      WantF[K] = F[K];
      WantI[K] = I[K];
    }
    for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsConvert_32f64f)) {
      std::vector<double> D(Len);
      ASSERT_EQ(Entry(F.data(), D.data(), Len), ippStsNoErr);
      EXPECT_TRUE(SameBits(D, WantF)) << Isa << " len " << Len;
    }
    for (auto& [Isa, Entry] : VariantsOf(&LibC::ippsConvert_32s64f)) {
      std::vector<double> D(Len);
      ASSERT_EQ(Entry(I.data(), D.data(), Len), ippStsNoErr);
      EXPECT_TRUE(SameBits(D, WantI)) << Isa << " len " << Len;
    }
  }
}

struct TFromShortCase
{
  const char* Name;
  Ipp16s Value;
  int ScaleFactor;
  double Want;
};

class Convert16s64f : public ::testing::TestWithParam<TFromShortCase>
{
};

TEST_P(Convert16s64f, ScalesByAPowerOfTwo)
{
  const Ipp16s Src[2] = {GetParam().Value, Ipp16s(-GetParam().Value)};
  double Dst[2] = {};
  ASSERT_EQ(LibC::ippsConvert_16s64f_Sfs(Src, Dst, 2, GetParam().ScaleFactor), ippStsNoErr);
  EXPECT_EQ(Dst[0], GetParam().Want);
  EXPECT_EQ(Dst[1], -GetParam().Want);
}

INSTANTIATE_TEST_SUITE_P(Primitives, Convert16s64f,
                         ::testing::Values(TFromShortCase{"Exact", 32767, 0, 32767.0},
                                           TFromShortCase{"Divides", 8, 2, 2.0},
                                           TFromShortCase{"Multiplies", 3, -3, 24.0},
                                           TFromShortCase{"ScaleLimitedAbove", 1, 5000, 0x1p-1022},
                                           TFromShortCase{"ScaleLimitedBelow", 1, -5000, 0x1p1008}),
                         TRowName());

TEST(Convert32s32f, RoundsToNearest)
{
  const std::vector<Ipp32s> Src = {16777217, -16777219, Max32, 5};
  std::vector<float> D(4);
  ASSERT_EQ(LibC::ippsConvert_32s32f(Src.data(), D.data(), 4), ippStsNoErr);
  EXPECT_EQ(D, (std::vector<float>{16777216.0f, -16777220.0f, 2147483648.0f, 5.0f}));
}

// --- Byte copies and byte order ----------------------------------------------------------------

TEST(Copy_8u, CopiesLenBytes)
{
  const std::vector<Ipp8u> Src = {1, 2, 3, 4};
  std::vector<Ipp8u> Dst(4, 0);
  ASSERT_EQ(LibC::ippsCopy_8u(Src.data(), Dst.data(), 3), ippStsNoErr);
  EXPECT_EQ(Dst, (std::vector<Ipp8u>{1, 2, 3, 0}));
  EXPECT_EQ(LibC::ippsCopy_8u(Src.data(), nullptr, 3), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsCopy_8u(Src.data(), Dst.data(), 0), ippStsSizeErr);
}

TEST(Copy_32f, CopiesTheBits)
{
  const std::vector<float> Src = {-0.0f, 1.5f, std::bit_cast<float>(0x7FC01234u)};
  std::vector<float> Dst(3);
  ASSERT_EQ(LibC::ippsCopy_32f(Src.data(), Dst.data(), 3), ippStsNoErr);
  for (int I = 0; I < 3; ++I)
    EXPECT_EQ(std::bit_cast<std::uint32_t>(Dst[I]), std::bit_cast<std::uint32_t>(Src[I]));
}

TEST(SwapBytes, ReversesEachElement)
{
  const std::vector<Ipp16u> S16 = {0x1234, 0xABCD};
  std::vector<Ipp16u> D16(2);
  ASSERT_EQ(LibC::ippsSwapBytes_16u(S16.data(), D16.data(), 2), ippStsNoErr);
  EXPECT_EQ(D16, (std::vector<Ipp16u>{0x3412, 0xCDAB}));

  const std::vector<Ipp8u> S24 = {1, 2, 3, 4, 5, 6, 7};
  std::vector<Ipp8u> D24(7, 0);
  ASSERT_EQ(LibC::ippsSwapBytes_24u(S24.data(), D24.data(), 2), ippStsNoErr);
  EXPECT_EQ(D24, (std::vector<Ipp8u>{3, 2, 1, 6, 5, 4, 0}));

  std::vector<Ipp32u> V32 = {0x12345678u, 0xAABBCCDDu};
  std::vector<Ipp32u> D32(2);
  ASSERT_EQ(LibC::ippsSwapBytes_32u(V32.data(), D32.data(), 2), ippStsNoErr);
  EXPECT_EQ(D32, (std::vector<Ipp32u>{0x78563412u, 0xDDCCBBAAu}));
  ASSERT_EQ(LibC::ippsSwapBytes_32u_I(V32.data(), 1), ippStsNoErr);
  EXPECT_EQ(V32, (std::vector<Ipp32u>{0x78563412u, 0xAABBCCDDu}));
  EXPECT_EQ(LibC::ippsSwapBytes_24u(nullptr, D24.data(), 1), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsSwapBytes_32u_I(V32.data(), 0), ippStsSizeErr);
}

} // namespace
