// The nine-entry group's own built-ins (the three it shares by name with the
// main group are tested beside their namesakes).
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

using namespace PrimitivesTest;

namespace {

constexpr Ipp32s Max32 = 2147483647;
constexpr Ipp32s Min32 = -2147483647 - 1;

TEST(NineEntryGroup, ReverseSubtraction)
{
  std::vector<Ipp32s> I = {1, -5, Min32, 3};
  ASSERT_EQ(LibC::Basic::ippsSubCRev_32s_ISfs(10, I.data(), 4, 0), ippStsNoErr);
  EXPECT_EQ(I, (std::vector<Ipp32s>{9, 15, Max32, 7}));
  ASSERT_EQ(LibC::Basic::ippsSubCRev_32s_ISfs(0, I.data(), 4, 1), ippStsNoErr);
  // -9 / 2 and -15 / 2 round to even, -7 / 2 too.
  EXPECT_EQ(I, (std::vector<Ipp32s>{-4, -8, -1073741824, -4}));

  std::vector<double> D = {1, -2.5, 0};
  ASSERT_EQ(LibC::Basic::ippsSubCRev_64f_I(0.5, D.data(), 3), ippStsNoErr);
  EXPECT_TRUE(SameBits(D, {-0.5, 3, 0.5}));
  std::vector<float> F = {1, -2.5f};
  ASSERT_EQ(LibC::Basic::ippsSubCRev_32f_I(0.5f, F.data(), 2), ippStsNoErr);
  EXPECT_EQ(F, (std::vector<float>{-0.5f, 3}));
  EXPECT_EQ(LibC::Basic::ippsSubCRev_64f_I(1, nullptr, 1), ippStsNullPtrErr);
  EXPECT_EQ(LibC::Basic::ippsSubCRev_32f_I(1, F.data(), 0), ippStsSizeErr);
}

TEST(NineEntryGroup, IntegerThresholds)
{
  std::vector<Ipp32s> V = {-3, 0, 5, 9};
  ASSERT_EQ(LibC::Basic::ippsThreshold_LT_32s_I(V.data(), 4, 0), ippStsNoErr);
  EXPECT_EQ(V, (std::vector<Ipp32s>{0, 0, 5, 9}));
  ASSERT_EQ(LibC::Basic::ippsThreshold_GT_32s_I(V.data(), 4, 5), ippStsNoErr);
  EXPECT_EQ(V, (std::vector<Ipp32s>{0, 0, 5, 5}));
  EXPECT_EQ(LibC::Basic::ippsThreshold_GT_32s_I(nullptr, 0, 5), ippStsNullPtrErr);
  EXPECT_EQ(LibC::Basic::ippsThreshold_LT_32s_I(V.data(), 0, 5), ippStsSizeErr);
}

TEST(NineEntryGroup, MoveAllowsOverlap)
{
  std::vector<Ipp8u> B = {1, 2, 3, 4, 5};
  ASSERT_EQ(LibC::Basic::ippsMove_8u(B.data() + 1, B.data(), 4), ippStsNoErr);
  EXPECT_EQ(B, (std::vector<Ipp8u>{2, 3, 4, 5, 5}));
  ASSERT_EQ(LibC::Basic::ippsMove_8u(B.data(), B.data() + 2, 3), ippStsNoErr);
  EXPECT_EQ(B, (std::vector<Ipp8u>{2, 3, 2, 3, 4}));
  EXPECT_EQ(LibC::Basic::ippsMove_8u(B.data(), nullptr, 1), ippStsNullPtrErr);
}

} // namespace
