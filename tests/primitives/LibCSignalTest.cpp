// Windows, the FIR filter, uniform random numbers and the two sums that have
// built-ins here (ippsSum_64f, ippsMean_32f).
#include "PrimitivesTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

constexpr double Pi = std::numbers::pi;

// --- Windows ---------------------------------------------------------------------

struct TWindowCase
{
  const char* Name;
  // Applies the window in place to a vector of ones.
  std::function<IppStatus(Ipp64f*, int)> InPlace;
  std::function<IppStatus(const Ipp64f*, Ipp64f*, int)> OutOfPlace;
  std::function<IppStatus(Ipp64fc*, int)> Complex;
  // w(n) written out from the window's definition.
  std::function<double(int N, int Len)> Weight;
  int MinLen;
};

class Window : public ::testing::TestWithParam<TWindowCase>
{
};

TEST_P(Window, MultipliesByTheWeights)
{
  const TWindowCase& W = GetParam();
  for (int Len : {W.MinLen, 4, 5, 64, 101}) {
    const std::vector<double> Src = RandomDoubles(Len, Len);
    std::vector<double> In = Src, Out(Len);
    std::vector<Ipp64fc> Cx(Len);
    for (int I = 0; I < Len; ++I)
      Cx[I] = {Src[I], -2 * Src[I]};
    ASSERT_EQ(W.InPlace(In.data(), Len), ippStsNoErr);
    ASSERT_EQ(W.OutOfPlace(Src.data(), Out.data(), Len), ippStsNoErr);
    ASSERT_EQ(W.Complex(Cx.data(), Len), ippStsNoErr);
    for (int N = 0; N < Len; ++N) {
      const double Want = Src[N] * W.Weight(N, Len);
      EXPECT_NEAR(In[N], Want, 1e-13 * (1 + std::fabs(Want))) << "n " << N << " len " << Len;
      EXPECT_EQ(Bits(Out[N]), Bits(In[N])) << "n " << N;
      EXPECT_EQ(Bits(Cx[N].re), Bits(In[N])) << "n " << N;
      EXPECT_NEAR(Cx[N].im, -2 * Want, 2e-13 * (1 + std::fabs(Want))) << "n " << N;
    }
  }
}

TEST_P(Window, TooShortOrNull)
{
  const TWindowCase& W = GetParam();
  std::vector<double> V(4, 1.0);
  EXPECT_EQ(W.InPlace(V.data(), W.MinLen - 1), ippStsSizeErr);
  EXPECT_EQ(W.InPlace(nullptr, W.MinLen - 1), ippStsNullPtrErr);
  EXPECT_EQ(W.OutOfPlace(V.data(), nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(W.Complex(nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(V, std::vector<double>(4, 1.0));
}

double BesselI0(double X)
{
  double Sum = 0, Term = 1;
  for (int K = 1; Term > 1e-30 * Sum || K < 3; ++K) {
    Sum += Term;
    Term *= (X / 2) * (X / 2) / (double(K) * K);
  }
  return Sum;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Window,
    ::testing::Values(
        TWindowCase{"Bartlett", LibC::ippsWinBartlett_64f_I, LibC::ippsWinBartlett_64f, LibC::ippsWinBartlett_64fc_I,
                    [](int N, int L) { return 1 - std::fabs(2.0 * N / (L - 1) - 1); }, 3},
        TWindowCase{"Hann", LibC::ippsWinHann_64f_I, LibC::ippsWinHann_64f, LibC::ippsWinHann_64fc_I,
                    [](int N, int L) { return std::pow(std::sin(Pi * N / (L - 1)), 2); }, 3},
        TWindowCase{"Hamming", LibC::ippsWinHamming_64f_I, LibC::ippsWinHamming_64f, LibC::ippsWinHamming_64fc_I,
                    [](int N, int L) { return 0.54 - 0.46 * std::cos(2 * Pi * N / (L - 1)); }, 3},
        TWindowCase{"BlackmanClassic",
                    [](Ipp64f* D, int L) { return LibC::ippsWinBlackman_64f_I(D, L, -0.16); },
                    [](const Ipp64f* S, Ipp64f* D, int L) { return LibC::ippsWinBlackman_64f(S, D, L, -0.16); },
                    [](Ipp64fc* D, int L) { return LibC::ippsWinBlackman_64fc_I(D, L, -0.16); },
                    [](int N, int L) {
                      const double T = 2 * Pi * N / (L - 1);
                      return 0.42 - 0.5 * std::cos(T) + 0.08 * std::cos(2 * T);
                    },
                    3},
        TWindowCase{"Kaiser",
                    [](Ipp64f* D, int L) { return LibC::ippsWinKaiser_64f_I(D, L, 0.2f); },
                    [](const Ipp64f* S, Ipp64f* D, int L) { return LibC::ippsWinKaiser_64f(S, D, L, 0.2f); },
                    [](Ipp64fc* D, int L) { return LibC::ippsWinKaiser_64fc_I(D, L, 0.2f); },
                    [](int N, int L) {
                      const double H = (L - 1) / 2.0, A = double(0.2f);
                      return BesselI0(A * std::sqrt(H * H - (N - H) * (N - H))) / BesselI0(A * H);
                    },
                    1}),
    TRowName());

TEST(WinKaiser, HugeWindowIsRefused)
{
  std::vector<double> V(3, 1.0);
  EXPECT_EQ(LibC::ippsWinKaiser_64f_I(V.data(), 3, 3e38f), ippStsHugeWinErr);
  EXPECT_EQ(V, std::vector<double>(3, 1.0));
}

// --- FIR filter ---------------------------------------------------------------------------

class FIR : public ::testing::Test
{
protected:
  IppsFIRState_64f* Make(const std::vector<double>& ATaps, const double* ADelay = nullptr)
  {
    IppsFIRState_64f* State = nullptr;
    EXPECT_EQ(LibC::ippsFIRInitAlloc_64f(&State, ATaps.data(), int(ATaps.size()), ADelay), ippStsNoErr);
    FStates.push_back(State);
    return State;
  }
  void TearDown() override
  {
    for (IppsFIRState_64f* S : FStates)
      EXPECT_EQ(LibC::ippsFIRFree_64f(S), ippStsNoErr);
  }
  static std::vector<double> Direct(const std::vector<double>& ATaps, const std::vector<double>& AX)
  {
    std::vector<double> Y(AX.size());
    for (std::size_t N = 0; N < AX.size(); ++N) {
      long double S = 0;
      for (std::size_t K = 0; K < ATaps.size() && K <= N; ++K)
        S += (long double)ATaps[K] * AX[N - K];
      Y[N] = double(S);
    }
    return Y;
  }
  std::vector<IppsFIRState_64f*> FStates;
};

TEST_F(FIR, ImpulseResponseIsTheTaps)
{
  const std::vector<double> Taps = {0.5, -1, 2, 0.25};
  std::vector<double> X(6, 0.0), Y(6);
  X[0] = 1;
  ASSERT_EQ(LibC::ippsFIR_64f(X.data(), Y.data(), 6, Make(Taps)), ippStsNoErr);
  EXPECT_TRUE(SameBits(Y, {0.5, -1, 2, 0.25, 0, 0}));
}

TEST_F(FIR, StreamingInPiecesEqualsOneCallAndInPlaceEqualsOutOfPlace)
{
  const std::vector<double> Taps = RandomDoubles(7, 1, -1, 1), X = RandomDoubles(50, 2);
  const std::vector<double> Want = Direct(Taps, X);
  IppsFIRState_64f* Pieces = Make(Taps);
  std::vector<double> Y(50);
  ASSERT_EQ(LibC::ippsFIR_64f(X.data(), Y.data(), 3, Pieces), ippStsNoErr);
  ASSERT_EQ(LibC::ippsFIR_64f(X.data() + 3, Y.data() + 3, 20, Pieces), ippStsNoErr);
  ASSERT_EQ(LibC::ippsFIR_64f(X.data() + 23, Y.data() + 23, 27, Pieces), ippStsNoErr);
  EXPECT_TRUE(SameBits(Y, Want));
  std::vector<double> InPlace = X;
  ASSERT_EQ(LibC::ippsFIR_64f(InPlace.data(), InPlace.data(), 50, Make(Taps)), ippStsNoErr);
  EXPECT_TRUE(SameBits(InPlace, Want));
}

TEST_F(FIR, DelayLineSuppliesTheEarlierSamples)
{
  // A pure delay by two: y[n] = x[n - 2]; the delay line holds x[-3], x[-2], x[-1].
  const std::vector<double> Taps = {0, 0, 1};
  const double Delay[3] = {7, 8, 9};
  const std::vector<double> X = {1, 2, 3};
  std::vector<double> Y(3);
  ASSERT_EQ(LibC::ippsFIR_64f(X.data(), Y.data(), 3, Make(Taps, Delay)), ippStsNoErr);
  EXPECT_TRUE(SameBits(Y, {8, 9, 1}));
}

TEST_F(FIR, Status)
{
  IppsFIRState_64f* State = nullptr;
  const double Tap = 1;
  EXPECT_EQ(LibC::ippsFIRInitAlloc_64f(&State, &Tap, 0, nullptr), ippStsFIRLenErr);
  EXPECT_EQ(LibC::ippsFIRInitAlloc_64f(nullptr, &Tap, 1, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsFIRInitAlloc_64f(&State, nullptr, 1, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(State, nullptr);
  double X = 1, Y = 2;
  EXPECT_EQ(LibC::ippsFIR_64f(&X, &Y, 1, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsFIR_64f(&X, &Y, 0, Make({1})), ippStsSizeErr);
  EXPECT_EQ(LibC::ippsFIRFree_64f(nullptr), ippStsNullPtrErr);
  EXPECT_EQ(Y, 2);
}

// --- Random numbers -------------------------------------------------------------------------

TEST(RandUniform_Direct_64f, SeededUniformValuesInTheRange)
{
  unsigned int Seed = 12345, Again = 12345;
  std::vector<double> A(10000), B(10000);
  ASSERT_EQ(LibC::ippsRandUniform_Direct_64f(A.data(), 10000, -2, 6, &Seed), ippStsNoErr);
  ASSERT_EQ(LibC::ippsRandUniform_Direct_64f(B.data(), 5000, -2, 6, &Again), ippStsNoErr);
  ASSERT_EQ(LibC::ippsRandUniform_Direct_64f(B.data() + 5000, 5000, -2, 6, &Again), ippStsNoErr);
  EXPECT_TRUE(SameBits(A, B)) << "the seed carries the sequence on";
  EXPECT_EQ(Seed, Again);
  double Sum = 0;
  int Below = 0;
  for (double X : A) {
    EXPECT_GE(X, -2);
    EXPECT_LT(X, 6);
    Sum += X;
    Below += X < 0;
  }
  EXPECT_NEAR(Sum / 10000, 2.0, 0.1);
  EXPECT_NEAR(Below / 10000.0, 0.25, 0.02);
  EXPECT_EQ(LibC::ippsRandUniform_Direct_64f(A.data(), 1, 0, 1, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsRandUniform_Direct_64f(A.data(), 0, 0, 1, &Seed), ippStsSizeErr);
}

// --- Sums -------------------------------------------------------------------------------------

TEST(Sum_64f, AccumulatesAtExtendedPrecision)
{
  // In doubles 1e16 + 1 is 1e16 again and the total would be 0.
  const std::vector<double> V = {1e16, 1, -1e16};
  double Sum = -1;
  ASSERT_EQ(LibC::ippsSum_64f(V.data(), 3, &Sum), ippStsNoErr);
  EXPECT_EQ(Sum, 1);
  EXPECT_EQ(LibC::ippsSum_64f(V.data(), 3, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(LibC::ippsSum_64f(V.data(), 0, &Sum), ippStsSizeErr);
}

TEST(Mean_32f, AccumulatesAtExtendedPrecision)
{
  const std::vector<float> V = {3e7f, 1, 1, 1, -3e7f, 2};
  float Mean = -1;
  ASSERT_EQ(LibC::ippsMean_32f(V.data(), 6, &Mean, ippAlgHintFast), ippStsNoErr);
  EXPECT_EQ(Mean, 5.0f / 6);
  EXPECT_EQ(LibC::ippsMean_32f(nullptr, 6, &Mean, ippAlgHintNone), ippStsNullPtrErr);
}

} // namespace
