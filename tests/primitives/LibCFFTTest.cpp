// The FFT entries and their engine: the transforms against a direct DFT summed
// at extended precision, the identities between them (round trips, the real
// transform as the complex one of real data, the CCS expansion), the
// normalisation flags and the statuses. Every kernel set this processor runs
// is checked.
#include "PrimitivesTestSupport.h"

#include "primitives/QDFFTEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

using namespace PrimitivesTest;

namespace {

ZR_PRINT_ROWS_BY_NAME

using TCx = std::complex<double>;
using TCxL = std::complex<long double>;
using TCxVector = std::vector<TCx>;

// Ipp64fc and std::complex<double> share their layout (two doubles, real first).
Ipp64fc* Ipp(TCx* A) { return reinterpret_cast<Ipp64fc*>(A); }
const Ipp64fc* Ipp(const TCx* A) { return reinterpret_cast<const Ipp64fc*>(A); }

TCxVector RandomComplex(std::size_t ACount, std::uint32_t ASeed)
{
  const std::vector<double> D = RandomDoubles(2 * ACount, ASeed, -1, 1);
  TCxVector V(ACount);
  for (std::size_t I = 0; I < ACount; ++I)
    V[I] = {D[2 * I], D[2 * I + 1]};
  return V;
}

// sum_n x[n] e^(ASign 2 pi i k n / N), for the bins AFirst .. AFirst + ACount - 1.
TCxVector DirectDft(const TCxVector& AX, int ASign, std::size_t AFirst, std::size_t ACount)
{
  const std::size_t N = AX.size();
  std::vector<TCxL> Roots(N);
  for (std::size_t J = 0; J < N; ++J) {
    const long double A = 2 * std::numbers::pi_v<long double> * J / N;
    Roots[J] = {std::cos(A), ASign * std::sin(A)};
  }
  TCxVector Result(ACount);
  for (std::size_t I = 0; I < ACount; ++I) {
    const std::size_t K = AFirst + I;
    TCxL Sum = 0;
    for (std::size_t J = 0; J < N; ++J)
      Sum += TCxL(AX[J].real(), AX[J].imag()) * Roots[(K * J) % N];
    Result[I] = {double(Sum.real()), double(Sum.imag())};
  }
  return Result;
}
TCxVector DirectDft(const TCxVector& AX, int ASign) { return DirectDft(AX, ASign, 0, AX.size()); }

// Relative L-infinity error: the largest difference over the largest wanted
// magnitude, so that one tolerance serves every size.
double RelErr(const TCxVector& AGot, const TCxVector& AWant)
{
  EXPECT_EQ(AGot.size(), AWant.size());
  double Diff = 0, Max = 0;
  for (std::size_t I = 0; I < std::min(AGot.size(), AWant.size()); ++I) {
    Diff = std::max(Diff, std::abs(AGot[I] - AWant[I]));
    Max = std::max(Max, std::abs(AWant[I]));
  }
  return Max > 0 ? Diff / Max : Diff;
}

// Rounding grows with the number of levels.
double Tolerance(int AOrder) { return 2e-15 * (AOrder + 1); }

TCxVector Scaled(TCxVector AX, double AScale)
{
  for (TCx& C : AX)
    C *= AScale;
  return AX;
}

// CCS (N + 2 doubles) as N/2 + 1 complex values.
TCxVector FromCcs(const std::vector<double>& ACcs)
{
  TCxVector V(ACcs.size() / 2);
  for (std::size_t I = 0; I < V.size(); ++I)
    V[I] = {ACcs[2 * I], ACcs[2 * I + 1]};
  return V;
}

TCxVector ToComplex(const std::vector<double>& AReal)
{
  return TCxVector(AReal.begin(), AReal.end());
}

class FFTKernels : public ::testing::TestWithParam<std::pair<std::string, LibC::TIsa>>
{
protected:
  LibC::TIsa Isa() const { return GetParam().second; }

  QDFFT::TComplexSpec Complex(int AOrder, int AFlag = IPP_FFT_NODIV_BY_ANY) const
  {
    QDFFT::TComplexSpec S;
    EXPECT_EQ(QDFFT::InitAlloc(S, AOrder, AFlag, Isa()), ippStsNoErr);
    EXPECT_EQ(QDFFT::KernelIsa(S.get()), std::min(Isa(), LibC::TIsa::Avx2));
    return S;
  }
  QDFFT::TRealSpec Real(int AOrder, int AFlag = IPP_FFT_NODIV_BY_ANY) const
  {
    QDFFT::TRealSpec S;
    EXPECT_EQ(QDFFT::InitAlloc(S, AOrder, AFlag, Isa()), ippStsNoErr);
    return S;
  }
};

TEST_P(FFTKernels, ComplexMatchesTheDirectDftAtEverySize)
{
  for (int Order = 0; Order <= 12; ++Order) {
    const std::size_t N = std::size_t(1) << Order;
    const TCxVector X = RandomComplex(N, 100 + Order);
    const auto S = Complex(Order);
    TCxVector Fwd(N), Inv(N);
    ASSERT_EQ(QDFFT::FwdCToC(Ipp(X.data()), Ipp(Fwd.data()), S.get()), ippStsNoErr);
    ASSERT_EQ(QDFFT::InvCToC(Ipp(X.data()), Ipp(Inv.data()), S.get()), ippStsNoErr);
    EXPECT_LT(RelErr(Fwd, DirectDft(X, -1)), Tolerance(Order)) << "order " << Order;
    EXPECT_LT(RelErr(Inv, DirectDft(X, +1)), Tolerance(Order)) << "order " << Order;
  }
}

// A size past the cache-sized blocks, where the transform recurses: checked
// at scattered bins against the direct sum, and by its round trip.
TEST_P(FFTKernels, LargeComplexMatchesTheDirectDftAtSampledBins)
{
  for (int Order : {15, 16}) {
    const std::size_t N = std::size_t(1) << Order;
    const TCxVector X = RandomComplex(N, 7 + Order);
    const auto S = Complex(Order, IPP_FFT_DIV_INV_BY_N);
    TCxVector Fwd(N), Back(N);
    ASSERT_EQ(QDFFT::FwdCToC(Ipp(X.data()), Ipp(Fwd.data()), S.get()), ippStsNoErr);
    for (std::size_t First : {std::size_t(0), std::size_t(1) + N / 3, N / 2 - 2, N - 5}) {
      const TCxVector Want = DirectDft(X, -1, First, 5);
      const TCxVector Got(Fwd.begin() + First, Fwd.begin() + First + 5);
      // Against the bins' typical magnitude, sqrt N: a single bin may be small.
      double Diff = 0;
      for (std::size_t I = 0; I < 5; ++I)
        Diff = std::max(Diff, std::abs(Got[I] - Want[I]));
      EXPECT_LT(Diff / std::sqrt(double(N)), Tolerance(Order)) << "order " << Order << " bin " << First;
    }
    ASSERT_EQ(QDFFT::InvCToC(Ipp(Fwd.data()), Ipp(Back.data()), S.get()), ippStsNoErr);
    EXPECT_LT(RelErr(Back, X), Tolerance(Order)) << "order " << Order;
  }
}

TEST_P(FFTKernels, InPlaceGivesTheSameValuesAsOutOfPlace)
{
  for (int Order : {0, 1, 2, 5, 6, 7, 10, 13, 14}) {
    const std::size_t N = std::size_t(1) << Order;
    const TCxVector X = RandomComplex(N, 300 + Order);
    const auto S = Complex(Order, IPP_FFT_DIV_BY_SQRTN);
    TCxVector Out(N), In = X;
    ASSERT_EQ(QDFFT::FwdCToC(Ipp(X.data()), Ipp(Out.data()), S.get()), ippStsNoErr);
    ASSERT_EQ(QDFFT::FwdCToC(Ipp(In.data()), Ipp(In.data()), S.get()), ippStsNoErr);
    EXPECT_EQ(In, Out) << "order " << Order;

    const std::vector<double> R = RandomDoubles(N, 400 + Order);
    const auto RS = Real(Order, IPP_FFT_DIV_BY_SQRTN);
    std::vector<double> ROut(N + 2), RIn(N + 2);
    std::copy(R.begin(), R.end(), RIn.begin());
    ASSERT_EQ(QDFFT::FwdRToCCS(R.data(), ROut.data(), RS.get()), ippStsNoErr);
    ASSERT_EQ(QDFFT::FwdRToCCS(RIn.data(), RIn.data(), RS.get()), ippStsNoErr);
    EXPECT_EQ(RIn, ROut) << "order " << Order;
    std::vector<double> Back(N);
    ASSERT_EQ(QDFFT::InvCCSToR(ROut.data(), Back.data(), RS.get()), ippStsNoErr);
    ASSERT_EQ(QDFFT::InvCCSToR(RIn.data(), RIn.data(), RS.get()), ippStsNoErr);
    EXPECT_TRUE(std::equal(Back.begin(), Back.end(), RIn.begin())) << "order " << Order;
  }
}

// The real transform is the complex one of the same data, its first N/2 + 1
// bins packed as CCS; the inverse gives the data back.
TEST_P(FFTKernels, RealTransformIsTheComplexOneOfRealDataInCcs)
{
  for (int Order : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}) {
    const std::size_t N = std::size_t(1) << Order;
    const std::vector<double> X = RandomDoubles(N, 500 + Order);
    const auto RS = Real(Order, IPP_FFT_DIV_INV_BY_N);
    const auto CS = Complex(Order, IPP_FFT_DIV_INV_BY_N);
    const TCxVector XC = ToComplex(X);
    TCxVector Full(N);
    ASSERT_EQ(QDFFT::FwdCToC(Ipp(XC.data()), Ipp(Full.data()), CS.get()), ippStsNoErr);
    std::vector<double> Ccs(N + 2, 99.0);
    ASSERT_EQ(QDFFT::FwdRToCCS(X.data(), Ccs.data(), RS.get()), ippStsNoErr);
    EXPECT_LT(RelErr(FromCcs(Ccs), TCxVector(Full.begin(), Full.begin() + N / 2 + 1)),
              Tolerance(Order))
        << "order " << Order;
    EXPECT_EQ(Ccs[1], 0.0) << "order " << Order;
    EXPECT_EQ(Ccs[2 * (N / 2) + 1], 0.0) << "order " << Order; // X[N/2]; X[0] for N = 1

    std::vector<double> Back(N);
    ASSERT_EQ(QDFFT::InvCCSToR(Ccs.data(), Back.data(), RS.get()), ippStsNoErr);
    EXPECT_LT(RelErr(ToComplex(Back), XC), Tolerance(Order)) << "order " << Order;
  }
}

// A spectrum that is not exactly conjugate-symmetric: the inverse is that of
// its symmetric part, so the imaginary parts of X[0] and X[N/2] do not count.
TEST_P(FFTKernels, RealInverseIgnoresTheImaginaryPartsOfTheEndBins)
{
  const int Order = 6;
  const std::size_t N = 64;
  const auto RS = Real(Order);
  std::vector<double> Ccs = RandomDoubles(N + 2, 42);
  Ccs[1] = Ccs[N + 1] = 0;
  std::vector<double> Want(N), Got(N);
  ASSERT_EQ(QDFFT::InvCCSToR(Ccs.data(), Want.data(), RS.get()), ippStsNoErr);
  Ccs[1] = 5;
  Ccs[N + 1] = -7;
  ASSERT_EQ(QDFFT::InvCCSToR(Ccs.data(), Got.data(), RS.get()), ippStsNoErr);
  EXPECT_EQ(Got, Want);
  // And it is the direct inverse of the full spectrum.
  TCxVector Full = FromCcs(Ccs);
  Full.resize(N);
  Full[0] = Full[0].real();
  Full[N / 2] = Full[N / 2].real();
  for (std::size_t K = N / 2 + 1; K < N; ++K)
    Full[K] = std::conj(Full[N - K]);
  EXPECT_LT(RelErr(ToComplex(Got), DirectDft(Full, +1)), Tolerance(Order));
}

INSTANTIATE_TEST_SUITE_P(Primitives, FFTKernels, ::testing::ValuesIn(HostIsas()),
                         [](const auto& AInfo) { return AInfo.param.first; });

// --- Normalisation flags ------------------------------------------------------------------

struct TFlagCase
{
  const char* Name;
  int Flag;
  // Each direction's result is the unscaled one times N^Power.
  double FwdPower;
  double InvPower;
};

class FFTFlags : public ::testing::TestWithParam<TFlagCase>
{
};

TEST_P(FFTFlags, ScaleEachDirectionAsNamed)
{
  const TFlagCase& C = GetParam();
  for (int Order : {0, 3, 8, 11}) {
    const std::size_t N = std::size_t(1) << Order;
    const double FwdScale = std::pow(double(N), C.FwdPower);
    const double InvScale = std::pow(double(N), C.InvPower);
    const TCxVector X = RandomComplex(N, 600 + Order);
    QDFFT::TComplexSpec CS;
    ASSERT_EQ(QDFFT::InitAlloc(CS, Order, C.Flag), ippStsNoErr);
    TCxVector Fwd(N), Inv(N);
    ASSERT_EQ(QDFFT::FwdCToC(Ipp(X.data()), Ipp(Fwd.data()), CS.get()), ippStsNoErr);
    ASSERT_EQ(QDFFT::InvCToC(Ipp(X.data()), Ipp(Inv.data()), CS.get()), ippStsNoErr);
    EXPECT_LT(RelErr(Fwd, Scaled(DirectDft(X, -1), FwdScale)), Tolerance(Order)) << Order;
    EXPECT_LT(RelErr(Inv, Scaled(DirectDft(X, +1), InvScale)), Tolerance(Order)) << Order;

    const std::vector<double> R = RandomDoubles(N, 700 + Order);
    QDFFT::TRealSpec RS;
    ASSERT_EQ(QDFFT::InitAlloc(RS, Order, C.Flag), ippStsNoErr);
    std::vector<double> Ccs(N + 2), Back(N);
    ASSERT_EQ(QDFFT::FwdRToCCS(R.data(), Ccs.data(), RS.get()), ippStsNoErr);
    const TCxVector Want = Scaled(DirectDft(ToComplex(R), -1, 0, N / 2 + 1), FwdScale);
    EXPECT_LT(RelErr(FromCcs(Ccs), Want), Tolerance(Order)) << Order;
    ASSERT_EQ(QDFFT::InvCCSToR(Ccs.data(), Back.data(), RS.get()), ippStsNoErr);
    EXPECT_LT(RelErr(ToComplex(Back), Scaled(ToComplex(R), FwdScale * InvScale * N)),
              Tolerance(Order))
        << Order;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, FFTFlags,
    ::testing::Values(TFlagCase{"DivFwdByN", IPP_FFT_DIV_FWD_BY_N, -1, 0},
                      TFlagCase{"DivInvByN", IPP_FFT_DIV_INV_BY_N, 0, -1},
                      TFlagCase{"DivBySqrtN", IPP_FFT_DIV_BY_SQRTN, -0.5, -0.5},
                      TFlagCase{"NoDivByAny", IPP_FFT_NODIV_BY_ANY, 0, 0}),
    TRowName());

// --- CCS expansion --------------------------------------------------------------------------

TEST(ConjCcs, ExpandsToTheFullSpectrumOfRealData)
{
  // Even lengths: the real transform's CCS; odd ones: the first (N + 1) / 2
  // bins of a direct DFT of real data.
  for (int Len : {1, 2, 3, 4, 5, 8, 9, 64, 255, 256}) {
    const std::vector<double> X = RandomDoubles(Len, 800 + Len);
    const TCxVector Full = DirectDft(ToComplex(X), -1);
    TCxVector V(Len, TCx(-1234, 5678));
    std::copy(Full.begin(), Full.begin() + Len / 2 + 1, V.begin());
    ASSERT_EQ(ippsConjCcs_64fc_I(Ipp(V.data()), Len), ippStsNoErr);
    EXPECT_LT(RelErr(V, Full), 1e-14) << "length " << Len;
    // The CCS half is left as it was.
    EXPECT_TRUE(std::equal(V.begin(), V.begin() + Len / 2 + 1, Full.begin())) << Len;
  }
}

TEST(ConjCcs, Statuses)
{
  TCxVector V(4, TCx(1, 2));
  EXPECT_EQ(ippsConjCcs_64fc_I(nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(ippsConjCcs_64fc_I(nullptr, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConjCcs_64fc_I(Ipp(V.data()), 0), ippStsSizeErr);
  EXPECT_EQ(ippsConjCcs_64fc_I(Ipp(V.data()), -1), ippStsSizeErr);
  EXPECT_EQ(V, TCxVector(4, TCx(1, 2)));
}

// --- Statuses --------------------------------------------------------------------------------

struct TInitCase
{
  const char* Name;
  bool NullSpec;
  int Order;
  int Flag;
  IppStatus Status;
};

class FFTInitStatus : public ::testing::TestWithParam<TInitCase>
{
};

TEST_P(FFTInitStatus, ComplexAndReal)
{
  const TInitCase& C = GetParam();
  IppsFFTSpec_C_64fc* CS = nullptr;
  IppsFFTSpec_R_64f* RS = nullptr;
  EXPECT_EQ(ippsFFTInitAlloc_C_64fc(C.NullSpec ? nullptr : &CS, C.Order, C.Flag, ippAlgHintNone),
            C.Status);
  EXPECT_EQ(ippsFFTInitAlloc_R_64f(C.NullSpec ? nullptr : &RS, C.Order, C.Flag, ippAlgHintFast),
            C.Status);
  EXPECT_EQ(CS != nullptr, C.Status == ippStsNoErr);
  EXPECT_EQ(RS != nullptr, C.Status == ippStsNoErr);
  if (CS) {
    EXPECT_EQ(ippsFFTFree_C_64fc(CS), ippStsNoErr);
  }
  if (RS) {
    EXPECT_EQ(ippsFFTFree_R_64f(RS), ippStsNoErr);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, FFTInitStatus,
    ::testing::Values(
        TInitCase{"SmallestOrder", false, 0, IPP_FFT_DIV_INV_BY_N, ippStsNoErr},
        TInitCase{"Order20", false, 20, IPP_FFT_NODIV_BY_ANY, ippStsNoErr},
        TInitCase{"NegativeOrder", false, -1, IPP_FFT_DIV_INV_BY_N, ippStsFftOrderErr},
        TInitCase{"OrderTooLarge", false, QDFFT::MaxOrder + 1, IPP_FFT_DIV_INV_BY_N,
                  ippStsFftOrderErr},
        TInitCase{"FlagZero", false, 4, 0, ippStsFftFlagErr},
        TInitCase{"FlagsCombined", false, 4, IPP_FFT_DIV_FWD_BY_N | IPP_FFT_DIV_INV_BY_N,
                  ippStsFftFlagErr},
        TInitCase{"FlagAboveAll", false, 4, 16, ippStsFftFlagErr},
        TInitCase{"OrderIsTestedBeforeFlag", false, -1, 0, ippStsFftOrderErr},
        TInitCase{"NullSpec", true, 4, IPP_FFT_DIV_INV_BY_N, ippStsNullPtrErr},
        TInitCase{"NullIsTestedFirst", true, -1, 0, ippStsNullPtrErr}),
    TRowName());

TEST(FFTStatus, NullPointersLeaveTheDataAlone)
{
  IppsFFTSpec_C_64fc* CS = nullptr;
  IppsFFTSpec_R_64f* RS = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&CS, 3, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone), ippStsNoErr);
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&RS, 3, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone), ippStsNoErr);
  const TCxVector Src(8, TCx(1, 1));
  TCxVector Dst(8, TCx(3, 3));
  for (auto Entry : {ippsFFTFwd_CToC_64fc, ippsFFTInv_CToC_64fc}) {
    EXPECT_EQ(Entry(nullptr, Ipp(Dst.data()), CS, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(Entry(Ipp(Src.data()), nullptr, CS, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(Entry(Ipp(Src.data()), Ipp(Dst.data()), nullptr, nullptr), ippStsNullPtrErr);
  }
  EXPECT_EQ(Dst, TCxVector(8, TCx(3, 3)));
  const std::vector<double> RSrc(10, 1.0);
  std::vector<double> RDst(10, 3.0);
  for (auto Entry : {ippsFFTFwd_RToCCS_64f, ippsFFTInv_CCSToR_64f}) {
    EXPECT_EQ(Entry(nullptr, RDst.data(), RS, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(Entry(RSrc.data(), nullptr, RS, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(Entry(RSrc.data(), RDst.data(), nullptr, nullptr), ippStsNullPtrErr);
  }
  EXPECT_EQ(RDst, std::vector<double>(10, 3.0));
  EXPECT_EQ(ippsFFTFree_C_64fc(nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFree_R_64f(nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(CS), ippStsNoErr);
  EXPECT_EQ(ippsFFTFree_R_64f(RS), ippStsNoErr);
}

// A block that InitAlloc did not make (here: zeros) is refused, not run.
TEST(FFTStatus, ForeignSpecIsRefused)
{
  alignas(32) unsigned char Zeros[512] = {};
  auto* CS = reinterpret_cast<IppsFFTSpec_C_64fc*>(Zeros);
  auto* RS = reinterpret_cast<IppsFFTSpec_R_64f*>(Zeros);
  const TCxVector Src(8, TCx(1, 1));
  TCxVector Dst(8, TCx(3, 3));
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(Ipp(Src.data()), Ipp(Dst.data()), CS, nullptr),
            ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTInv_CToC_64fc(Ipp(Src.data()), Ipp(Dst.data()), CS, nullptr),
            ippStsContextMatchErr);
  EXPECT_EQ(Dst, TCxVector(8, TCx(3, 3)));
  std::vector<double> RDst(10, 3.0);
  EXPECT_EQ(ippsFFTFwd_RToCCS_64f(RDst.data(), RDst.data(), RS, nullptr), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTInv_CCSToR_64f(RDst.data(), RDst.data(), RS, nullptr), ippStsContextMatchErr);
  EXPECT_EQ(RDst, std::vector<double>(10, 3.0));
  EXPECT_EQ(ippsFFTFree_C_64fc(CS), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_R_64f(RS), ippStsContextMatchErr);
  // And a plan of the other kind is refused too.
  IppsFFTSpec_C_64fc* Real = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(reinterpret_cast<IppsFFTSpec_R_64f**>(&Real), 3,
                                   IPP_FFT_NODIV_BY_ANY, ippAlgHintNone),
            ippStsNoErr);
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(Ipp(Src.data()), Ipp(Dst.data()), Real, nullptr),
            ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_C_64fc(Real), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTFree_R_64f(reinterpret_cast<IppsFFTSpec_R_64f*>(Real)), ippStsNoErr);
}

// The entries run the engine with the host's widest kernels: same values.
TEST(FFTEntries, GiveTheEnginesValues)
{
  const int Order = 9;
  const std::size_t N = 512;
  const TCxVector X = RandomComplex(N, 900);
  IppsFFTSpec_C_64fc* CS = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&CS, Order, IPP_FFT_DIV_FWD_BY_N, ippAlgHintAccurate),
            ippStsNoErr);
  TCxVector Got(N);
  ASSERT_EQ(ippsFFTFwd_CToC_64fc(Ipp(X.data()), Ipp(Got.data()), CS, nullptr), ippStsNoErr);
  EXPECT_LT(RelErr(Got, Scaled(DirectDft(X, -1), 1.0 / N)), Tolerance(Order));
  EXPECT_EQ(ippsFFTFree_C_64fc(CS), ippStsNoErr);
}

} // namespace
