// The resize built-ins: statuses and their order, the written size, the
// small-image reductions, and every method against a plain reference written
// from the method's definition (bit-exact for nearest neighbour and the
// fixed-point linear kernel, within one level for the float kernels).
// Destinations are wider than what a call may write and start filled with a
// marker byte, so that a stray write shows.
#include "PrimitivesTestSupport.h"

#include "primitives/LibCResize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

constexpr Ipp8u Marker = 0xA5;
constexpr int Nn = IPPI_INTER_NN, Lin = IPPI_INTER_LINEAR, Cub = IPPI_INTER_CUBIC,
              Sup = IPPI_INTER_SUPER, Lan = IPPI_INTER_LANCZOS;
const int AllMethods[] = {Nn, Lin, Cub, Sup, Lan};

TippiResize_8u_C1R EntryFor(int AChannels)
{
  return AChannels == 1 ? &LibC::ippiResize_8u_C1R
                        : (AChannels == 3 ? &LibC::ippiResize_8u_C3R : &LibC::ippiResize_8u_C4R);
}

struct TImage
{
  TImage(int AW, int AH, int AC, Ipp8u AFill = Marker)
      : W(AW), H(AH), C(AC), Step(AW * AC + 5), Data(std::size_t(Step) * AH + 8, AFill)
  {
  }
  Ipp8u& At(int X, int Y, int Ch) { return Data[std::size_t(Y) * Step + std::size_t(X) * C + Ch]; }
  Ipp8u At(int X, int Y, int Ch) const { return Data[std::size_t(Y) * Step + std::size_t(X) * C + Ch]; }
  int W, H, C, Step;
  std::vector<Ipp8u> Data;
};

TImage RandomImage(int AW, int AH, int AC, std::uint32_t ASeed)
{
  TImage I(AW, AH, AC);
  std::mt19937 Gen(ASeed);
  for (int Y = 0; Y < AH; ++Y)
    for (int X = 0; X < AW * AC; ++X)
      I.Data[std::size_t(Y) * I.Step + X] = static_cast<Ipp8u>(Gen());
  return I;
}

// The whole image as the source rectangle unless ARoi says otherwise.
// AEntry: the portable built-in for the image's channels unless given.
IppStatus Resize(const TImage& ASrc, TImage& ADst, double AXf, double AYf, int AMethod,
                 IppiRect ARoi = {0, 0, -1, -1}, TippiResize_8u_C1R AEntry = nullptr)
{
  if (ARoi.width < 0)
    ARoi = {0, 0, ASrc.W, ASrc.H};
  return (AEntry ? AEntry : EntryFor(ASrc.C))(ASrc.Data.data(), {ASrc.W, ASrc.H}, ASrc.Step, ARoi, ADst.Data.data(), ADst.Step,
                          {ADst.W, ADst.H}, AXf, AYf, AMethod);
}

// --- The reference, from the definitions --------------------------------------------------

int RefLength(int ALen, double AF, int ADst)
{
  const double E = AF * ALen + 1e-7;
  const double W = std::min(std::trunc(E), double(ADst));
  return W > 0 ? int(W) : (E >= 0.5 ? 1 : 0);
}

// Source position of destination index I in the interpolating kernels.
double RefPos(int I, int ALen, double AF)
{
  return AF * ALen <= 1 ? 0 : I * double(ALen - 1) / (AF * ALen - 1);
}

struct TRefAxis
{
  int Origin, Len, Image; // rectangle origin and length, image length
  double F;
};

double Lagrange(const double V[4], double T) // through V at -1, 0, 1, 2
{
  const double A = V[0], B = V[1], C = V[2], D = V[3];
  return A + (T + 1) * (B - A) + (T + 1) * T / 2 * ((C - B) - (B - A)) +
         (T + 1) * T * (T - 1) / 6 * ((D - 2 * C + B) - (C - 2 * B + A));
}

double LanczosKernel(double X)
{
  if (X == 0)
    return 1;
  if (std::fabs(X) >= 3)
    return 0;
  const double PX = std::numbers::pi * X;
  return 3 * std::sin(PX) * std::sin(PX / 3) / (PX * PX);
}

// Taps (absolute indexes) and weights of one destination index.
void RefTaps(const TRefAxis& A, int I, int AMethod, std::vector<int>& AIdx, std::vector<double>& AW)
{
  AIdx.clear();
  AW.clear();
  if (AMethod == Nn) {
    AIdx.push_back(A.Origin + std::min(int((I + 0.5) / A.F + 1e-7), A.Len - 1));
    AW.push_back(1);
    return;
  }
  const double P = RefPos(I, A.Len, A.F);
  const int J = int(P + 1e-7);
  const int Abs = A.Origin + J;
  if (AMethod == Lan) {
    double Sum = 0;
    for (int K = -2; K <= 3; ++K) {
      AIdx.push_back(std::clamp(Abs + K, 0, A.Image - 1));
      AW.push_back(LanczosKernel(P - (J + K)));
      Sum += AW.back();
    }
    for (double& W : AW)
      W /= Sum;
    return;
  }
  // Cubic: the Lagrange weights of the (moved) window.
  int Start;
  double T;
  if (Abs == 0) {
    Start = Abs;
    T = P - (J + 1);
  } else if (Abs == A.Image - 1) {
    Start = Abs - 3;
    T = 2;
  } else if (Abs == A.Image - 2) {
    Start = Abs - 2;
    T = P - (J - 1);
  } else {
    Start = Abs - 1;
    T = P - J;
  }
  for (int K = 0; K < 4; ++K) {
    double V[4] = {0, 0, 0, 0};
    V[K] = 1;
    AIdx.push_back(Start + K);
    AW.push_back(Lagrange(V, T));
  }
}

// Nearest, cubic and Lanczos (separable weights in double).
TImage RefSeparable(const TImage& S, IppiRect R, double AXf, double AYf, int AMethod, int ADstW, int ADstH)
{
  const int OW = RefLength(R.width, AXf, ADstW), OH = RefLength(R.height, AYf, ADstH);
  TImage D(OW, OH, S.C);
  std::vector<int> XI, YI;
  std::vector<double> XW, YW;
  for (int K = 0; K < OH; ++K) {
    RefTaps({R.y, R.height, S.H, AYf}, K, AMethod, YI, YW);
    for (int I = 0; I < OW; ++I) {
      RefTaps({R.x, R.width, S.W, AXf}, I, AMethod, XI, XW);
      for (int Ch = 0; Ch < S.C; ++Ch) {
        double V = 0;
        for (std::size_t A = 0; A < YI.size(); ++A)
          for (std::size_t B = 0; B < XI.size(); ++B)
            V += YW[A] * XW[B] * S.At(XI[B], YI[A], Ch);
        const double T = std::trunc(V + 0.5000001);
        D.At(I, K, Ch) = Ipp8u(std::clamp(T, 0.0, 255.0));
      }
    }
  }
  return D;
}

// Linear, in the 14-bit fixed point of its definition.
struct TLinTap
{
  int Index, W1;
};
TLinTap RefLinTap(const TRefAxis& A, int I)
{
  const double P = RefPos(I, A.Len, A.F);
  const int J = int(P + 1e-7);
  if (A.Origin + J == A.Image - 1)
    return {A.Origin + J - 1, 16384};
  return {A.Origin + J, int(1e-7 + 16384 * (P - J))};
}

TImage RefLinear(const TImage& S, IppiRect R, double AXf, double AYf, int ADstW, int ADstH)
{
  const int OW = RefLength(R.width, AXf, ADstW), OH = RefLength(R.height, AYf, ADstH);
  TImage D(OW, OH, S.C);
  for (int K = 0; K < OH; ++K) {
    const TLinTap Ty = RefLinTap({R.y, R.height, S.H, AYf}, K);
    for (int I = 0; I < OW; ++I) {
      const TLinTap Tx = RefLinTap({R.x, R.width, S.W, AXf}, I);
      for (int Ch = 0; Ch < S.C; ++Ch) {
        int H[2];
        for (int Q = 0; Q < 2; ++Q)
          H[Q] = (S.At(Tx.Index, Ty.Index + Q, Ch) * (16384 - Tx.W1) +
                  S.At(Tx.Index + 1, Ty.Index + Q, Ch) * Tx.W1 + 128) >> 8;
        D.At(I, K, Ch) = Ipp8u((H[1] * Ty.W1 + H[0] * (16384 - Ty.W1) + 524288) >> 20);
      }
    }
  }
  return D;
}

// Super-sampling: the covered area's average.
TImage RefSuper(const TImage& S, IppiRect R, double AXf, double AYf, int ADstW, int ADstH)
{
  const int OW = RefLength(R.width, AXf, ADstW), OH = RefLength(R.height, AYf, ADstH);
  TImage D(OW, OH, S.C);
  const auto Cover = [](int APix, double AFrom, double ATo) {
    return std::max(0.0, std::min(APix + 1.0, ATo) - std::max(double(APix), AFrom));
  };
  for (int K = 0; K < OH; ++K)
    for (int I = 0; I < OW; ++I)
      for (int Ch = 0; Ch < S.C; ++Ch) {
        double Sum = 0;
        for (int Y = 0; Y < R.height; ++Y)
          for (int X = 0; X < R.width; ++X)
            Sum += Cover(Y, K / AYf, (K + 1) / AYf) * Cover(X, I / AXf, (I + 1) / AXf) *
                   S.At(R.x + X, R.y + Y, Ch);
        D.At(I, K, Ch) = Ipp8u(std::min(255.0, std::trunc(0.5 + AXf * AYf * Sum)));
      }
  return D;
}

// The written area of ADst against AWant (within ATolerance levels), and the
// marker everywhere else.
::testing::AssertionResult Matches(const TImage& ADst, const TImage& AWant, int ATolerance)
{
  for (int Y = 0; Y < ADst.H; ++Y)
    for (int X = 0; X < ADst.Step; ++X) {
      const Ipp8u Got = ADst.Data[std::size_t(Y) * ADst.Step + X];
      const bool Inside = Y < AWant.H && X < AWant.W * AWant.C;
      const int Want = Inside ? AWant.At(X / AWant.C, Y, X % AWant.C) : Marker;
      if (Inside ? std::abs(Got - Want) > ATolerance : Got != Want)
        return ::testing::AssertionFailure() << "row " << Y << " byte " << X << ": got " << int(Got)
                                             << ", want " << Want << (Inside ? "" : " (outside)");
    }
  return ::testing::AssertionSuccess();
}

bool Untouched(const TImage& ADst)
{
  return std::all_of(ADst.Data.begin(), ADst.Data.end(), [](Ipp8u B) { return B == Marker; });
}

// --- The examples -----------------------------------------------------------------------------

TEST(Resize, LinearDoublingOfFourByFourKeepsTheCorners)
{
  TImage S = RandomImage(4, 4, 1, 1);
  TImage D(10, 10, 1);
  ASSERT_EQ(Resize(S, D, 2, 2, Lin), ippStsNoErr);
  EXPECT_TRUE(Matches(D, RefLinear(S, {0, 0, 4, 4}, 2, 2, 10, 10), 0));
  EXPECT_EQ(D.At(0, 0, 0), S.At(0, 0, 0));
  EXPECT_EQ(D.At(7, 0, 0), S.At(3, 0, 0));
  EXPECT_EQ(D.At(0, 7, 0), S.At(0, 3, 0));
  EXPECT_EQ(D.At(7, 7, 0), S.At(3, 3, 0));
  EXPECT_EQ(D.At(8, 0, 0), Marker);
  EXPECT_EQ(D.At(0, 8, 0), Marker);
}

struct TSizeCase
{
  const char* Name;
  int RoiW;
  double XFactor;
  int DstW;
  IppStatus Status;
  int Written;
};
class ResizeWidth : public ::testing::TestWithParam<TSizeCase>
{
};
TEST_P(ResizeWidth, WritesTheComputedColumns)
{
  const TSizeCase& C = GetParam();
  for (int Method : AllMethods) {
    TImage S = RandomImage(8, 8, 1, 2);
    TImage D(C.DstW, 1, 1);
    EXPECT_EQ(Resize(S, D, C.XFactor, 0.125, Method, {0, 0, C.RoiW, 8}), C.Status) << Method;
    for (int X = 0; X < C.DstW; ++X)
      EXPECT_EQ(D.At(X, 0, 0) != Marker || X < C.Written, X < C.Written) << Method << " column " << X;
  }
}
INSTANTIATE_TEST_SUITE_P(Primitives, ResizeWidth,
                         ::testing::Values(TSizeCase{"HalfOfFive", 5, 0.5, 6, ippStsNoErr, 2},
                                           TSizeCase{"PointSixRoundsUpToOne", 4, 0.15, 6, ippStsNoErr, 1},
                                           TSizeCase{"PointFourIsNothing", 4, 0.1, 6, ippStsResizeNoOperation, 0},
                                           TSizeCase{"LimitedByTheDestination", 8, 1.0, 3, ippStsNoErr, 3}),
                         TRowName());

TEST(Resize, SuperSamplingAveragesAndRoundsHalfUp)
{
  TImage S(4, 4, 1);
  for (int Y = 0; Y < 4; ++Y)
    for (int X = 0; X < 4; ++X)
      S.At(X, Y, 0) = X % 2 ? 21 : 10;
  TImage D(3, 3, 1);
  ASSERT_EQ(Resize(S, D, 0.5, 0.5, Sup), ippStsNoErr);
  TImage Want(2, 2, 1, 16);
  EXPECT_TRUE(Matches(D, Want, 0));
  EXPECT_EQ(Resize(S, D, 2, 0.5, Sup), ippStsInterpolationErr);
}

TEST(Resize, SmallImagesReduceTheMethod)
{
  // Cubic on three columns is linear; Lanczos on six rows is cubic.
  const struct
  {
    int W, H, Asked, Runs;
  } Cases[] = {{3, 12, Cub, Lin}, {12, 6, Lan, Cub}, {12, 3, Lan, Lin}, {1, 9, Lin, Nn}};
  for (const auto& C : Cases) {
    TImage S = RandomImage(C.W, C.H, 1, 3);
    TImage Asked(2 * C.W + 3, 2 * C.H + 3, 1), Runs(2 * C.W + 3, 2 * C.H + 3, 1);
    ASSERT_EQ(Resize(S, Asked, 1.7, 1.9, C.Asked), ippStsNoErr);
    ASSERT_EQ(Resize(S, Runs, 1.7, 1.9, C.Runs), ippStsNoErr);
    EXPECT_EQ(Asked.Data, Runs.Data) << C.W << " x " << C.H;
  }
  // The reduction follows the whole image, not the rectangle.
  TImage S = RandomImage(12, 12, 1, 4);
  TImage Cubic(12, 12, 1), Linear(12, 12, 1);
  ASSERT_EQ(Resize(S, Cubic, 2.5, 2.5, Cub, {2, 2, 3, 3}), ippStsNoErr);
  ASSERT_EQ(Resize(S, Linear, 2.5, 2.5, Lin, {2, 2, 3, 3}), ippStsNoErr);
  EXPECT_NE(Cubic.Data, Linear.Data);
}

TEST(Resize, RectangleStartingOutsideTheImageWritesNothing)
{
  TImage S = RandomImage(6, 6, 3, 5);
  TImage D(6, 6, 3);
  EXPECT_EQ(Resize(S, D, 1, 1, Lin, {6, 0, 2, 2}), ippStsWrongIntersectROI);
  EXPECT_EQ(Resize(S, D, 1, 1, Lin, {0, 6, 2, 2}), ippStsWrongIntersectROI);
  EXPECT_TRUE(Untouched(D));
}

// --- Statuses ------------------------------------------------------------------------------------

struct TStatusCase
{
  const char* Name;
  bool NullSrc, NullDst;
  IppiSize SrcSize;
  IppiRect Roi;
  IppiSize DstSize;
  double XFactor, YFactor;
  int Method;
  IppStatus Status;
};
class ResizeStatus : public ::testing::TestWithParam<TStatusCase>
{
};
TEST_P(ResizeStatus, RefusesWithoutWriting)
{
  const TStatusCase& C = GetParam();
  for (int Channels : {1, 3, 4}) {
    TImage S = RandomImage(8, 8, Channels, 6);
    TImage D(8, 8, Channels);
    EXPECT_EQ(EntryFor(Channels)(C.NullSrc ? nullptr : S.Data.data(), C.SrcSize, S.Step, C.Roi,
                                 C.NullDst ? nullptr : D.Data.data(), D.Step, C.DstSize, C.XFactor,
                                 C.YFactor, C.Method),
              C.Status)
        << Channels;
    EXPECT_TRUE(Untouched(D)) << Channels;
  }
}
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(
    Primitives, ResizeStatus,
    ::testing::Values(
        TStatusCase{"NullSrc", true, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 1, 1, Lin, ippStsNullPtrErr},
        TStatusCase{"NullDst", false, true, {8, 8}, {0, 0, 8, 8}, {8, 8}, 1, 1, Lin, ippStsNullPtrErr},
        TStatusCase{"NullBeforeSize", false, true, {0, 8}, {0, 0, 8, 8}, {8, 8}, 1, 1, Lin, ippStsNullPtrErr},
        TStatusCase{"ZeroImageWidth", false, false, {0, 8}, {0, 0, 8, 8}, {8, 8}, 1, 1, Lin, ippStsSizeErr},
        TStatusCase{"ZeroImageHeight", false, false, {8, 0}, {0, 0, 8, 8}, {8, 8}, 1, 1, Lin, ippStsSizeErr},
        TStatusCase{"ZeroRoiWidth", false, false, {8, 8}, {0, 0, 0, 8}, {8, 8}, 1, 1, Lin, ippStsSizeErr},
        TStatusCase{"ZeroRoiHeight", false, false, {8, 8}, {0, 0, 8, 0}, {8, 8}, 1, 1, Lin, ippStsSizeErr},
        TStatusCase{"NegativeRoiX", false, false, {8, 8}, {-1, 0, 4, 4}, {8, 8}, 1, 1, Lin, ippStsSizeErr},
        TStatusCase{"NegativeRoiY", false, false, {8, 8}, {0, -1, 4, 4}, {8, 8}, 1, 1, Lin, ippStsSizeErr},
        TStatusCase{"RoiXOutside", false, false, {8, 8}, {8, 0, 4, 4}, {8, 8}, 1, 1, Lin, ippStsWrongIntersectROI},
        TStatusCase{"OutsideBeforeDstSize", false, false, {8, 8}, {0, 9, 4, 4}, {0, 8}, 1, 1, Lin,
                    ippStsWrongIntersectROI},
        TStatusCase{"ZeroDstWidth", false, false, {8, 8}, {0, 0, 8, 8}, {0, 8}, 1, 1, Lin, ippStsSizeErr},
        TStatusCase{"DstSizeBeforeFactor", false, false, {8, 8}, {0, 0, 8, 8}, {8, 0}, 0, 1, Lin, ippStsSizeErr},
        TStatusCase{"ZeroXFactor", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 0, 1, Lin, ippStsResizeFactorErr},
        TStatusCase{"NegativeYFactor", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 1, -1, Lin, ippStsResizeFactorErr},
        TStatusCase{"NaNYFactor", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 1, NaN, Lin, ippStsResizeFactorErr},
        TStatusCase{"NaNXFactor", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, NaN, 1, Lin, ippStsResizeFactorErr},
        TStatusCase{"FactorBeforeMethod", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 0, 1, 3, ippStsResizeFactorErr},
        TStatusCase{"UnknownMethod", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 1, 1, 3, ippStsInterpolationErr},
        TStatusCase{"SuperEnlarging", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 1, 1.5, Sup, ippStsInterpolationErr},
        TStatusCase{"MethodBeforeEmptyResult", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 0.01, 1, 3,
                    ippStsInterpolationErr},
        TStatusCase{"RowsTooLongForWorkMemory", false, false, {8, 8}, {0, 0, 8, 8}, {1 << 30, 8}, 1e9, 1, Lin,
                    ippStsMemAllocErr},
        TStatusCase{"EmptyResult", false, false, {8, 8}, {0, 0, 8, 8}, {8, 8}, 1, 0.01, Cub,
                    ippStsResizeNoOperation}),
    TRowName());

TEST(Resize, NoWorkMemoryLeavesTheDestinationAlone)
{
  TImage S = RandomImage(20, 20, 3, 7);
  LibC::SetResizeWorkMemoryFails(true);
  for (int Method : AllMethods) {
    TImage D(40, 40, 3);
    EXPECT_EQ(Resize(S, D, Method == Sup ? 0.5 : 2.0, Method == Sup ? 0.7 : 1.5, Method), ippStsMemAllocErr)
        << Method;
    EXPECT_TRUE(Untouched(D)) << Method;
  }
  LibC::SetResizeWorkMemoryFails(false);
  TImage D(40, 40, 3);
  EXPECT_EQ(Resize(S, D, 2, 2, Lin), ippStsNoErr);
}

// --- Properties -----------------------------------------------------------------------------------

struct TFactors
{
  double X, Y;
};
const TFactors Shrinking[] = {{0.5, 0.5}, {0.37, 0.8}, {1.0 / 3, 0.25}, {0.9, 0.45}};
const TFactors Any[] = {{0.5, 0.5}, {0.37, 0.8}, {0.21, 0.3}, {2, 2}, {1.7, 0.6}, {3.1, 2.2}, {1, 1}};

TEST(Resize, ConstantImageStaysConstant)
{
  for (int Channels : {1, 3, 4})
    for (int Method : AllMethods)
      for (const TFactors& F : Method == Sup ? std::vector<TFactors>(std::begin(Shrinking), std::end(Shrinking))
                                             : std::vector<TFactors>(std::begin(Any), std::end(Any))) {
        TImage S(23, 17, Channels);
        for (int Y = 0; Y < S.H; ++Y)
          for (int X = 0; X < S.W; ++X)
            for (int Ch = 0; Ch < Channels; ++Ch)
              S.At(X, Y, Ch) = Ipp8u(200 + 13 * Ch);
        TImage D(80, 60, Channels);
        ASSERT_EQ(Resize(S, D, F.X, F.Y, Method, {3, 2, 18, 14}), ippStsNoErr);
        TImage Want(RefLength(18, F.X, 80), RefLength(14, F.Y, 60), Channels);
        for (int Y = 0; Y < Want.H; ++Y)
          for (int X = 0; X < Want.W; ++X)
            for (int Ch = 0; Ch < Channels; ++Ch)
              Want.At(X, Y, Ch) = Ipp8u(200 + 13 * Ch);
        EXPECT_TRUE(Matches(D, Want, 0)) << Channels << " channels, method " << Method << ", " << F.X
                                         << " x " << F.Y;
      }
}

TEST(Resize, HorizontalRampStaysMonotone)
{
  for (int Method : {Lin, Cub})
    for (double F : {0.45, 1.0, 2.6}) {
      TImage S(64, 8, 3);
      for (int Y = 0; Y < S.H; ++Y)
        for (int X = 0; X < S.W; ++X)
          for (int Ch = 0; Ch < 3; ++Ch)
            S.At(X, Y, Ch) = Ipp8u(X * 4 + Ch);
      TImage D(200, 20, 3);
      ASSERT_EQ(Resize(S, D, F, 1.3, Method), ippStsNoErr);
      const int W = RefLength(64, F, 200), H = RefLength(8, 1.3, 20);
      for (int Y = 0; Y < H; ++Y)
        for (int X = 1; X < W; ++X)
          for (int Ch = 0; Ch < 3; ++Ch)
            ASSERT_LE(D.At(X - 1, Y, Ch), D.At(X, Y, Ch)) << Method << " at " << F << ": " << X << ", " << Y;
      EXPECT_LT(D.At(0, 0, 0), D.At(W - 1, 0, 0));
    }
}

TEST(Resize, EveryChannelAsAlone)
{
  const TImage Gray = RandomImage(29, 21, 1, 8);
  for (int Method : AllMethods)
    for (const TFactors& F : Shrinking) {
      const double Fx = Method == Sup ? F.X : 1 / F.X, Fy = Method == Sup ? F.Y : F.Y * 1.5;
      TImage One(90, 60, 1);
      ASSERT_EQ(Resize(Gray, One, Fx, Fy, Method, {1, 2, 27, 18}), ippStsNoErr);
      for (int Channels : {3, 4}) {
        TImage S(29, 21, Channels);
        for (int Y = 0; Y < S.H; ++Y)
          for (int X = 0; X < S.W; ++X)
            for (int Ch = 0; Ch < Channels; ++Ch)
              S.At(X, Y, Ch) = Gray.At(X, Y, 0);
        TImage D(90, 60, Channels);
        ASSERT_EQ(Resize(S, D, Fx, Fy, Method, {1, 2, 27, 18}), ippStsNoErr);
        for (int Y = 0; Y < 60; ++Y)
          for (int X = 0; X < 90; ++X)
            for (int Ch = 0; Ch < Channels; ++Ch)
              ASSERT_EQ(D.At(X, Y, Ch), One.At(X, Y, 0))
                  << Channels << " channels, method " << Method << " at " << X << ", " << Y;
      }
    }
}

// --- Against the reference ---------------------------------------------------------------------------

struct TRefCase
{
  const char* Name;
  int W, H;
  IppiRect Roi;
  int DstW, DstH;
};
class ResizeReference : public ::testing::TestWithParam<TRefCase>
{
};
TEST_P(ResizeReference, EveryMethodAndChannelCount)
{
  TRefCase C = GetParam();
  const IppiRect Asked = C.Roi;
  // The references take the rectangle clipped to the image.
  C.Roi.width = std::min(C.Roi.width, C.W - C.Roi.x);
  C.Roi.height = std::min(C.Roi.height, C.H - C.Roi.y);
  for (int Channels : {1, 3, 4}) {
    const TImage S = RandomImage(C.W, C.H, Channels, 9 + Channels);
    const auto Variants = VariantsOf(EntryFor(Channels));
    for (const TFactors& F : Any) {
      for (int Method : {Nn, Lin, Cub, Lan}) {
        const TImage Want = Method == Lin ? RefLinear(S, C.Roi, F.X, F.Y, C.DstW, C.DstH)
                                          : RefSeparable(S, C.Roi, F.X, F.Y, Method, C.DstW, C.DstH);
        TImage Portable(C.DstW, C.DstH, Channels);
        for (const auto& [Name, Entry] : Variants) {
          TImage D(C.DstW, C.DstH, Channels);
          ASSERT_EQ(Resize(S, D, F.X, F.Y, Method, Asked, Entry), ippStsNoErr);
          EXPECT_TRUE(Matches(D, Want, Method == Nn || Method == Lin ? 0 : 1))
              << Name << ", " << Channels << " channels, method " << Method << ", " << F.X << " x " << F.Y;
          // Every variant gives the portable one's bytes.
          if (Entry == Variants.front().second)
            Portable = D;
          else
            EXPECT_EQ(D.Data, Portable.Data) << Name << ", method " << Method;
        }
      }
    }
    for (const TFactors& F : Shrinking)
      for (const auto& [Name, Entry] : Variants) {
        TImage D(C.DstW, C.DstH, Channels);
        ASSERT_EQ(Resize(S, D, F.X, F.Y, Sup, Asked, Entry), ippStsNoErr);
        EXPECT_TRUE(Matches(D, RefSuper(S, C.Roi, F.X, F.Y, C.DstW, C.DstH), 1))
            << Name << ", " << Channels << " channels, super-sampling, " << F.X << " x " << F.Y;
      }
  }
}
INSTANTIATE_TEST_SUITE_P(
    Primitives, ResizeReference,
    ::testing::Values(TRefCase{"WholeImage", 24, 18, {0, 0, 24, 18}, 80, 60},
                      TRefCase{"InnerRectangle", 30, 26, {5, 4, 17, 15}, 60, 50},
                      TRefCase{"RectangleClippedAtTheFarEdges", 20, 16, {9, 7, 40, 40}, 50, 50},
                      TRefCase{"SmallDestination", 24, 18, {0, 0, 24, 18}, 7, 5}),
    TRowName());

} // namespace
