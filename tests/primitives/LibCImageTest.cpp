// Image entries other than resize: fill, copies, mirror, alpha composition and
// the linear lookup table. Images are small byte arrays with row steps wider
// than their regions, so that writes outside the region show.
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

// --- Fill -----------------------------------------------------------------------

struct TSetCase
{
  const char* Name;
  bool NullValue, NullDst;
  int Step;
  IppiSize Roi;
  IppStatus Status;
};

class SetC4 : public ::testing::TestWithParam<TSetCase>
{
};

// Both groups' built-ins behave identically.
TEST_P(SetC4, FillsTheRegionOnly)
{
  const TSetCase& C = GetParam();
  for (TippiSet_8u_C4R Entry : {&LibC::ippiSet_8u_C4R, &LibC::Basic::ippiSet_8u_C4R}) {
    const Ipp8u Value[4] = {1, 2, 3, 4};
    std::vector<Ipp8u> Image(3 * 12, 0xEE);
    EXPECT_EQ(Entry(C.NullValue ? nullptr : Value, C.NullDst ? nullptr : Image.data() + 1, C.Step, C.Roi),
              C.Status);
    std::vector<Ipp8u> Want(3 * 12, 0xEE);
    if (C.Status == ippStsNoErr)
      for (int Y = 0; Y < C.Roi.height; ++Y)
        for (int X = 0; X < C.Roi.width; ++X)
          for (int K = 0; K < 4; ++K)
            Want[1 + Y * C.Step + 4 * X + K] = Value[K];
    EXPECT_EQ(Image, Want);
  }
}

INSTANTIATE_TEST_SUITE_P(Primitives, SetC4,
                         ::testing::Values(TSetCase{"TwoByTwoInRowsOfTwelve", false, false, 12, {2, 2}, ippStsNoErr},
                                           TSetCase{"NullValue", true, false, 12, {2, 2}, ippStsNullPtrErr},
                                           TSetCase{"NullBeforeSize", false, true, 12, {0, 2}, ippStsNullPtrErr},
                                           TSetCase{"ZeroWidth", false, false, 12, {0, 2}, ippStsSizeErr},
                                           TSetCase{"SizeBeforeStep", false, false, 0, {2, 0}, ippStsSizeErr},
                                           TSetCase{"ZeroStep", false, false, 0, {2, 2}, ippStsStepErr}),
                         TRowName());

// --- Copies and mirror ---------------------------------------------------------------

TEST(ImageCopy, CopiesTheRegionRowByRow)
{
  std::vector<Ipp8u> Src(3 * 16);
  std::iota(Src.begin(), Src.end(), Ipp8u(0));
  std::vector<Ipp8u> Dst(3 * 20, 0);
  ASSERT_EQ(LibC::ippiCopy_8u_C4R(Src.data(), 16, Dst.data(), 20, {3, 3}), ippStsNoErr);
  for (int Y = 0; Y < 3; ++Y)
    for (int X = 0; X < 20; ++X)
      EXPECT_EQ(Dst[Y * 20 + X], X < 12 ? Src[Y * 16 + X] : 0) << Y << "," << X;

  std::vector<Ipp32s> S32 = {1, 2, 3, 4, 5, 6}, D32(6, -1);
  ASSERT_EQ(LibC::ippiCopy_32s_C1R(S32.data(), 12, D32.data(), 8, {2, 2}), ippStsNoErr);
  EXPECT_EQ(D32, (std::vector<Ipp32s>{1, 2, 4, 5, -1, -1}));
  EXPECT_EQ(LibC::ippiCopy_32s_C1R(S32.data(), 0, D32.data(), 8, {2, 2}), ippStsStepErr);
  EXPECT_EQ(LibC::ippiCopy_8u_C4R(nullptr, 16, Dst.data(), 20, {0, 0}), ippStsNullPtrErr);
}

struct TMirrorCase
{
  const char* Name;
  IppiAxis Flip;
  std::vector<int> Want; // pixel numbers, 3 by 2, row by row
};

class MirrorC3 : public ::testing::TestWithParam<TMirrorCase>
{
};

TEST_P(MirrorC3, MovesWholePixels)
{
  // Three pixels a row, two rows, 12-byte step; pixel p holds (p, p + 10, p + 20).
  std::vector<Ipp8u> Image(24, 0xEE);
  for (int Y = 0; Y < 2; ++Y)
    for (int X = 0; X < 3; ++X)
      for (int K = 0; K < 3; ++K)
        Image[Y * 12 + 3 * X + K] = Ipp8u(Y * 3 + X + 10 * K);
  ASSERT_EQ(LibC::ippiMirror_8u_C3IR(Image.data(), 12, {3, 2}, GetParam().Flip), ippStsNoErr);
  for (int Y = 0; Y < 2; ++Y) {
    for (int X = 0; X < 3; ++X)
      for (int K = 0; K < 3; ++K)
        EXPECT_EQ(Image[Y * 12 + 3 * X + K], GetParam().Want[Y * 3 + X] + 10 * K) << Y << "," << X;
    for (int B = 9; B < 12; ++B)
      EXPECT_EQ(Image[Y * 12 + B], 0xEE);
  }
}

INSTANTIATE_TEST_SUITE_P(Primitives, MirrorC3,
                         ::testing::Values(TMirrorCase{"AboutTheHorizontalAxis", ippAxsHorizontal, {3, 4, 5, 0, 1, 2}},
                                           TMirrorCase{"AboutTheVerticalAxis", ippAxsVertical, {2, 1, 0, 5, 4, 3}},
                                           TMirrorCase{"Both", ippAxsBoth, {5, 4, 3, 2, 1, 0}}),
                         TRowName());

TEST(MirrorC3, UnknownAxisIsRefused)
{
  std::vector<Ipp8u> Image(9, 1);
  EXPECT_EQ(LibC::ippiMirror_8u_C3IR(Image.data(), 9, {3, 1}, IppiAxis(3)), ippStsMirrorFlipErr);
  EXPECT_EQ(LibC::ippiMirror_8u_C3IR(Image.data(), 9, {3, 0}, IppiAxis(3)), ippStsSizeErr);
  EXPECT_EQ(Image, std::vector<Ipp8u>(9, 1));
}

// --- Alpha composition -------------------------------------------------------------------

struct TAlphaCase
{
  const char* Name;
  IppiAlphaType Type;
  std::array<Ipp8u, 4> A, B, Want;
};

class AlphaComp : public ::testing::TestWithParam<TAlphaCase>
{
};

TEST_P(AlphaComp, PorterDuff)
{
  const TAlphaCase& C = GetParam();
  std::array<Ipp8u, 4> D{};
  ASSERT_EQ(LibC::ippiAlphaComp_8u_AC4R(C.A.data(), 4, C.B.data(), 4, D.data(), 4, {1, 1}, C.Type), ippStsNoErr);
  EXPECT_EQ(D, C.Want);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, AlphaComp,
    ::testing::Values(
        TAlphaCase{"OverOpaqueShowsA", ippAlphaOver, {10, 20, 30, 255}, {200, 200, 200, 255}, {10, 20, 30, 255}},
        TAlphaCase{"OverTransparentShowsB", ippAlphaOver, {10, 20, 30, 0}, {200, 100, 50, 255}, {200, 100, 50, 255}},
        TAlphaCase{"OverHalf", ippAlphaOver, {255, 0, 0, 51}, {0, 0, 255, 255}, {51, 0, 204, 255}},
        TAlphaCase{"InKeepsAWhereBIs", ippAlphaIn, {100, 100, 100, 255}, {0, 0, 0, 51}, {20, 20, 20, 51}},
        TAlphaCase{"OutKeepsAWhereBIsNot", ippAlphaOut, {100, 100, 100, 255}, {0, 0, 0, 51}, {80, 80, 80, 204}},
        TAlphaCase{"PlusSaturates", ippAlphaPlus, {200, 10, 0, 255}, {100, 10, 0, 255}, {255, 20, 0, 255}},
        TAlphaCase{"OverPremultiplied", ippAlphaOverPremul, {51, 0, 0, 51}, {0, 0, 255, 255}, {51, 0, 204, 255}}),
    TRowName());

TEST(AlphaComp, Status)
{
  std::array<Ipp8u, 4> P{};
  EXPECT_EQ(LibC::ippiAlphaComp_8u_AC4R(P.data(), 4, nullptr, 4, P.data(), 4, {1, 1}, ippAlphaOver), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippiAlphaComp_8u_AC4R(P.data(), 4, P.data(), 4, P.data(), 0, {1, 1}, ippAlphaOver), ippStsStepErr);
  EXPECT_EQ(LibC::ippiAlphaComp_8u_AC4R(P.data(), 4, P.data(), 4, P.data(), 4, {1, 1}, IppiAlphaType(12)),
            ippStsBadArgErr);
}

// --- Linear lookup table -------------------------------------------------------------------

TEST(LUTLinear, InterpolatesBetweenLevelsAndKeepsValuesOutside)
{
  const Ipp32s Levels0[] = {0, 128, 256}, Values0[] = {0, 255, 255};
  const Ipp32s Levels1[] = {10, 20}, Values1[] = {100, 0};
  const Ipp32s* Levels[4] = {Levels0, Levels1, Levels0, Levels1};
  const Ipp32s* Values[4] = {Values0, Values1, Values0, Values1};
  int NLevels[4] = {3, 2, 3, 2};
  const std::vector<Ipp8u> Src = {64, 15, 200, 5, 127, 20, 0, 19};
  std::vector<Ipp8u> Dst(8, 0);
  ASSERT_EQ(LibC::ippiLUT_Linear_8u_C4R(Src.data(), 8, Dst.data(), 8, {2, 1}, Values, Levels, NLevels), ippStsNoErr);
  // 64 * 255 / 128 = 127.5 truncates; 15 lies halfway between 10 and 20.
  EXPECT_EQ(Dst, (std::vector<Ipp8u>{127, 50, 255, 5, 253, 20, 0, 10}));
  NLevels[2] = 1;
  EXPECT_EQ(LibC::ippiLUT_Linear_8u_C4R(Src.data(), 8, Dst.data(), 8, {2, 1}, Values, Levels, NLevels),
            ippStsLUTNofLevelsErr);
  Levels[3] = nullptr;
  EXPECT_EQ(LibC::ippiLUT_Linear_8u_C4R(Src.data(), 8, Dst.data(), 8, {2, 1}, Values, Levels, NLevels),
            ippStsNullPtrErr);
}

} // namespace
