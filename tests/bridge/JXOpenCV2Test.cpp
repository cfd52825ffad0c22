// The bridge library on its own: linked directly, called through its C header.
#include "bridge/JXOpenCV2.h"

#include "classifier/YHOpenCV.h"

#include <elf.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

// The loader's prototypes are the bridge's: a mismatch does not compile.
static_assert(std::is_same_v<decltype(&cvCreateMat), YHOpenCV::TcvCreateMat>);
static_assert(std::is_same_v<decltype(&cvReleaseMat), YHOpenCV::TcvReleaseMat>);
static_assert(std::is_same_v<decltype(&cvSVD), YHOpenCV::TcvSVD>);
static_assert(std::is_same_v<decltype(&cvSetMatItem), YHOpenCV::TcvSetMatItem>);
static_assert(std::is_same_v<decltype(&cvGetMatItem), YHOpenCV::TcvGetMatItem>);
static_assert(JX_64FC1 == YHOpenCV::CV_64FC1 && JX_SVD_U_T == YHOpenCV::CV_SVD_U_T);

namespace {

using TRows = std::vector<std::vector<double>>;

/// A bridge matrix released at the end of the scope.
class TMat
{
public:
  TMat(int32_t ARows, int32_t ACols) : FMat(cvCreateMat(ARows, ACols, JX_64FC1)) {}
  explicit TMat(const TRows& AValues)
      : TMat(static_cast<int32_t>(AValues.size()), static_cast<int32_t>(AValues.front().size()))
  {
    for (std::size_t I = 0; I < AValues.size(); ++I)
      for (std::size_t J = 0; J < AValues[I].size(); ++J)
        EXPECT_EQ(cvSetMatItem(FMat, int32_t(I), int32_t(J), AValues[I][J]), JX_STS_OK);
  }
  ~TMat() { cvReleaseMat(&FMat); }
  TMat(const TMat&) = delete;
  TMat& operator=(const TMat&) = delete;
  JXMat* Get() const { return FMat; }
  TRows Values(int32_t ARows, int32_t ACols) const
  {
    TRows R(ARows, std::vector<double>(ACols));
    for (int32_t I = 0; I < ARows; ++I)
      for (int32_t J = 0; J < ACols; ++J)
        R[I][J] = cvGetMatItem(FMat, I, J);
    return R;
  }

private:
  JXMat* FMat;
};

/// Checks that row i of Ut is a unit eigenvector of the symmetric A for W[i].
void ExpectEigenPairs(const TRows& A, const std::vector<double>& W, const TRows& Ut, double ATolerance)
{
  const std::size_t N = A.size();
  for (std::size_t I = 0; I < N; ++I) {
    double Norm = 0.0;
    for (std::size_t R = 0; R < N; ++R) {
      double Au = 0.0;
      for (std::size_t K = 0; K < N; ++K)
        Au += A[R][K] * Ut[I][K];
      EXPECT_NEAR(Au, W[I] * Ut[I][R], ATolerance) << "pair " << I << " row " << R;
      Norm += Ut[I][R] * Ut[I][R];
    }
    EXPECT_NEAR(Norm, 1.0, 1e-12) << "pair " << I;
  }
}

TEST(JXOpenCV2, DecomposesTheTwoByTwoExample)
{
  const TRows A = {{4, 1}, {1, 3}};
  TMat Am(A), Wm(1, 2), Um(2, 2);
  ASSERT_EQ(cvSVD(Am.Get(), Wm.Get(), Um.Get(), nullptr, JX_SVD_U_T), JX_STS_OK);
  const std::vector<double> W = Wm.Values(1, 2)[0];
  // The eigenvalues of [[4, 1], [1, 3]]: (7 +- sqrt 5) / 2.
  EXPECT_NEAR(W[0], (7 + std::sqrt(5.0)) / 2, 1e-12);
  EXPECT_NEAR(W[1], (7 - std::sqrt(5.0)) / 2, 1e-12);
  EXPECT_NEAR(W[0], 4.618034, 1e-6);
  EXPECT_NEAR(W[1], 2.381966, 1e-6);
  ExpectEigenPairs(A, W, Um.Values(2, 2), 1e-12);
  EXPECT_EQ(Am.Values(2, 2), A) << "A is left as it was";
}

class SymmetricSVD : public ::testing::TestWithParam<int>
{
};

// Random symmetric positive semi-definite matrices, rank-deficient ones too.
TEST_P(SymmetricSVD, GivesDescendingEigenvaluesPairedWithEigenvectors)
{
  const int N = GetParam();
  std::mt19937 Gen(1000 + N);
  std::normal_distribution<double> Normal(0.0, 3.0);
  for (int Rank : {N, std::max(1, N - 1)}) {
    TRows B(N, std::vector<double>(Rank));
    for (auto& Row : B)
      for (double& V : Row)
        V = Normal(Gen);
    TRows A(N, std::vector<double>(N, 0.0)); // B B^T
    for (int I = 0; I < N; ++I)
      for (int J = 0; J < N; ++J)
        for (int K = 0; K < Rank; ++K)
          A[I][J] += B[I][K] * B[J][K];
    TMat Am(A), Wm(1, N), Um(N, N);
    ASSERT_EQ(cvSVD(Am.Get(), Wm.Get(), Um.Get(), nullptr, JX_SVD_U_T), JX_STS_OK);
    const std::vector<double> W = Wm.Values(1, N)[0];
    EXPECT_TRUE(std::is_sorted(W.rbegin(), W.rend())) << "descending";
    double Scale = 0.0;
    for (const auto& Row : A)
      for (double V : Row)
        Scale = std::max(Scale, std::fabs(V));
    ExpectEigenPairs(A, W, Um.Values(N, N), 1e-12 * Scale * N);
    if (Rank < N) {
      EXPECT_NEAR(W[N - 1], 0.0, 1e-12 * Scale * N) << "rank " << Rank;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(JXOpenCV2, SymmetricSVD, ::testing::Values(1, 2, 3, 4, 6, 9));

struct TGeneralCase
{
  const char* Name;
  int32_t Rows, Cols;
  bool ThinU, ThinV;
  int32_t Flags;
  bool ColumnW;
};
void PrintTo(const TGeneralCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class GeneralSVD : public ::testing::TestWithParam<TGeneralCase>
{
};

// Any shape: A = U diag(W) V^T, with every factor layout the flags allow.
TEST_P(GeneralSVD, Reconstructs)
{
  const TGeneralCase P = GetParam();
  const int32_t M = P.Rows, N = P.Cols, K = std::min(M, N);
  std::mt19937 Gen(M * 31 + N);
  std::uniform_real_distribution<double> U01(-2.0, 2.0);
  TRows A(M, std::vector<double>(N));
  for (auto& Row : A)
    for (double& V : Row)
      V = U01(Gen);
  const bool Ut = P.Flags & JX_SVD_U_T, Vt = P.Flags & JX_SVD_V_T;
  const int32_t UCols = P.ThinU ? K : M, VCols = P.ThinV ? K : N;
  TMat Am(A), Wm(P.ColumnW ? K : 1, P.ColumnW ? 1 : K);
  TMat Um(Ut ? UCols : M, Ut ? M : UCols), Vm(Vt ? VCols : N, Vt ? N : VCols);
  ASSERT_EQ(cvSVD(Am.Get(), Wm.Get(), Um.Get(), Vm.Get(), P.Flags), JX_STS_OK);
  auto UAt = [&](int32_t R, int32_t C) { return Ut ? cvGetMatItem(Um.Get(), C, R) : cvGetMatItem(Um.Get(), R, C); };
  auto VAt = [&](int32_t R, int32_t C) { return Vt ? cvGetMatItem(Vm.Get(), C, R) : cvGetMatItem(Vm.Get(), R, C); };
  auto WAt = [&](int32_t I) { return P.ColumnW ? cvGetMatItem(Wm.Get(), I, 0) : cvGetMatItem(Wm.Get(), 0, I); };
  for (int32_t I = 1; I < K; ++I)
    EXPECT_GE(WAt(I - 1), WAt(I));
  for (int32_t R = 0; R < M; ++R)
    for (int32_t C = 0; C < N; ++C) {
      double Sum = 0.0;
      for (int32_t I = 0; I < K; ++I)
        Sum += UAt(R, I) * WAt(I) * VAt(C, I);
      EXPECT_NEAR(Sum, A[R][C], 1e-12) << "(" << R << ", " << C << ")";
    }
  // Full factors are orthogonal, the extra columns included.
  for (int32_t I = 0; I < UCols; ++I)
    for (int32_t J = 0; J < UCols; ++J) {
      double Dot = 0.0;
      for (int32_t R = 0; R < M; ++R)
        Dot += UAt(R, I) * UAt(R, J);
      EXPECT_NEAR(Dot, I == J ? 1.0 : 0.0, 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(
    JXOpenCV2, GeneralSVD,
    ::testing::Values(TGeneralCase{"SquareTransposed", 4, 4, false, false, JX_SVD_U_T | JX_SVD_V_T, false},
                      TGeneralCase{"SquarePlain", 3, 3, false, false, 0, true},
                      TGeneralCase{"TallFull", 5, 3, false, false, JX_SVD_U_T, false},
                      TGeneralCase{"TallThin", 5, 3, true, true, 0, true},
                      TGeneralCase{"WideFull", 2, 4, false, false, JX_SVD_V_T | JX_SVD_MODIFY_A, false},
                      TGeneralCase{"WideThin", 2, 4, true, true, JX_SVD_U_T | JX_SVD_V_T, false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(JXOpenCV2, EmptyMatricesAreValid)
{
  TMat A(0, 0), W(1, 0), U(0, 0);
  ASSERT_NE(A.Get(), nullptr);
  EXPECT_EQ(cvSVD(A.Get(), W.Get(), U.Get(), nullptr, JX_SVD_U_T), JX_STS_OK);
  TMat Tall(3, 0), W0(1, 0), FullU(3, 3);
  ASSERT_EQ(cvSVD(Tall.Get(), W0.Get(), FullU.Get(), nullptr, 0), JX_STS_OK);
  EXPECT_EQ(FullU.Values(3, 3), (TRows{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}})) << "any orthonormal basis";
}

TEST(JXOpenCV2, CreateRefusesBadTypesAndSizes)
{
  for (int32_t Type : {0, 5, 7, -6})
    EXPECT_EQ(cvCreateMat(2, 2, Type), nullptr) << "type " << Type;
  EXPECT_EQ(cvCreateMat(-1, 2, JX_64FC1), nullptr);
  EXPECT_EQ(cvCreateMat(2, -1, JX_64FC1), nullptr);
  EXPECT_EQ(cvCreateMat(std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(), JX_64FC1),
            nullptr)
      << "out of memory";
  TMat M(2, 3);
  EXPECT_EQ(M.Values(2, 3), TRows(2, std::vector<double>(3, 0.0))) << "a new matrix holds zeros";
}

// Bad handles and positions come back as a status (or NaN), and nothing is written.
struct TBadCallCase
{
  const char* Name;
  std::function<int32_t(JXMat* A, JXMat* W, JXMat* U, JXMat* Freed)> Call;
  int32_t Status;
};
void PrintTo(const TBadCallCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class BadCall : public ::testing::TestWithParam<TBadCallCase>
{
};

TEST_P(BadCall, IsReportedAndWritesNothing)
{
  TMat A(TRows{{2, 0}, {0, 1}}), W(TRows{{7, 7}}), U(TRows{{7, 7}, {7, 7}});
  JXMat* Freed = cvCreateMat(2, 2, JX_64FC1);
  cvReleaseMat(&Freed);
  ASSERT_EQ(Freed, nullptr);
  JXMat* Stale = cvCreateMat(1, 1, JX_64FC1);
  JXMat* StaleCopy = Stale;
  cvReleaseMat(&Stale);
  EXPECT_EQ(GetParam().Call(A.Get(), W.Get(), U.Get(), StaleCopy), GetParam().Status);
  EXPECT_EQ(A.Values(2, 2), (TRows{{2, 0}, {0, 1}}));
  EXPECT_EQ(W.Values(1, 2), (TRows{{7, 7}}));
  EXPECT_EQ(U.Values(2, 2), (TRows{{7, 7}, {7, 7}}));
}

JXMat* const Foreign = reinterpret_cast<JXMat*>(alignof(std::max_align_t) * 1024);

INSTANTIATE_TEST_SUITE_P(
    JXOpenCV2, BadCall,
    ::testing::Values(
        TBadCallCase{"SvdNullA", [](JXMat*, JXMat* W, JXMat* U, JXMat*) { return cvSVD(nullptr, W, U, nullptr, 2); },
                     JX_STS_BAD_HANDLE},
        TBadCallCase{"SvdFreedW", [](JXMat* A, JXMat*, JXMat* U, JXMat* F) { return cvSVD(A, F, U, nullptr, 2); },
                     JX_STS_BAD_HANDLE},
        TBadCallCase{"SvdForeignV",
                     [](JXMat* A, JXMat* W, JXMat* U, JXMat*) { return cvSVD(A, W, U, Foreign, 2); },
                     JX_STS_BAD_HANDLE},
        TBadCallCase{"SvdUnknownFlag", [](JXMat* A, JXMat* W, JXMat* U, JXMat*) { return cvSVD(A, W, U, nullptr, 8); },
                     JX_STS_BAD_FLAGS},
        TBadCallCase{"SvdWOfTheWrongShape",
                     [](JXMat* A, JXMat*, JXMat* U, JXMat*) {
                       JXMat* W3 = cvCreateMat(1, 3, JX_64FC1);
                       const int32_t S = cvSVD(A, W3, U, nullptr, 2);
                       cvReleaseMat(&W3);
                       return S;
                     },
                     JX_STS_BAD_SIZE},
        TBadCallCase{"SvdUOfTheWrongShape",
                     [](JXMat* A, JXMat* W, JXMat*, JXMat*) {
                       JXMat* U3 = cvCreateMat(3, 2, JX_64FC1); // with U_T: 2 x 3 is wanted
                       const int32_t S = cvSVD(A, W, U3, nullptr, 2);
                       cvReleaseMat(&U3);
                       return S;
                     },
                     JX_STS_BAD_SIZE},
        TBadCallCase{"SetFreed", [](JXMat*, JXMat*, JXMat*, JXMat* F) { return cvSetMatItem(F, 0, 0, 1.0); },
                     JX_STS_BAD_HANDLE},
        TBadCallCase{"SetNull", [](JXMat*, JXMat*, JXMat*, JXMat*) { return cvSetMatItem(nullptr, 0, 0, 1.0); },
                     JX_STS_BAD_HANDLE},
        TBadCallCase{"SetRowBelow", [](JXMat* A, JXMat*, JXMat*, JXMat*) { return cvSetMatItem(A, -1, 0, 1.0); },
                     JX_STS_OUT_OF_RANGE},
        TBadCallCase{"SetColumnPast", [](JXMat* A, JXMat*, JXMat*, JXMat*) { return cvSetMatItem(A, 0, 2, 1.0); },
                     JX_STS_OUT_OF_RANGE},
        TBadCallCase{"ReleaseForeign",
                     [](JXMat*, JXMat*, JXMat*, JXMat*) {
                       JXMat* F = Foreign;
                       cvReleaseMat(&F);
                       return F == Foreign ? 0 : 1; // left alone
                     },
                     0}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(JXOpenCV2, GetOutsideTheMatrixOrFromABadHandleIsNaN)
{
  TMat A(TRows{{1, 2}, {3, 4}});
  EXPECT_EQ(cvGetMatItem(A.Get(), 1, 0), 3.0);
  for (auto [Row, Col] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 2}})
    EXPECT_TRUE(std::isnan(cvGetMatItem(A.Get(), Row, Col))) << Row << ", " << Col;
  EXPECT_TRUE(std::isnan(cvGetMatItem(nullptr, 0, 0)));
  EXPECT_TRUE(std::isnan(cvGetMatItem(Foreign, 0, 0)));
  cvReleaseMat(nullptr); // a null address is ignored
}

// ---------------------------------------------------------------------------
// What the library file exports and needs
// ---------------------------------------------------------------------------

struct TDynamicInfo
{
  std::set<std::string> Defined; // defined global or weak symbols
  std::vector<std::string> Needed;
};

/// Reads the dynamic symbol table and DT_NEEDED entries of an ELF64 file.
TDynamicInfo ReadDynamic(const std::string& APath)
{
  std::ifstream In(APath, std::ios::binary);
  const std::vector<char> File((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  TDynamicInfo Info;
  if (File.size() < sizeof(Elf64_Ehdr))
    return Info;
  Elf64_Ehdr Header;
  std::memcpy(&Header, File.data(), sizeof Header);
  auto Section = [&](std::size_t I) {
    Elf64_Shdr S;
    std::memcpy(&S, File.data() + Header.e_shoff + I * sizeof(Elf64_Shdr), sizeof S);
    return S;
  };
  for (std::size_t I = 0; I < Header.e_shnum; ++I) {
    const Elf64_Shdr S = Section(I);
    const Elf64_Shdr Strings = Section(S.sh_link);
    const char* Str = File.data() + Strings.sh_offset;
    if (S.sh_type == SHT_DYNSYM) {
      for (std::size_t K = 0; K < S.sh_size / sizeof(Elf64_Sym); ++K) {
        Elf64_Sym Sym;
        std::memcpy(&Sym, File.data() + S.sh_offset + K * sizeof Sym, sizeof Sym);
        const int Bind = ELF64_ST_BIND(Sym.st_info);
        if (Sym.st_shndx != SHN_UNDEF && (Bind == STB_GLOBAL || Bind == STB_WEAK) && Sym.st_name != 0)
          Info.Defined.insert(Str + Sym.st_name);
      }
    } else if (S.sh_type == SHT_DYNAMIC) {
      for (std::size_t K = 0; K < S.sh_size / sizeof(Elf64_Dyn); ++K) {
        Elf64_Dyn Dyn;
        std::memcpy(&Dyn, File.data() + S.sh_offset + K * sizeof Dyn, sizeof Dyn);
        if (Dyn.d_tag == DT_NEEDED)
          Info.Needed.push_back(Str + Dyn.d_un.d_val);
      }
    }
  }
  return Info;
}

TEST(JXOpenCV2Library, ExportsExactlyTheFiveFunctions)
{
  const TDynamicInfo Info = ReadDynamic(JXOPENCV2_FILE);
  EXPECT_EQ(Info.Defined, (std::set<std::string>{"cvCreateMat", "cvReleaseMat", "cvSVD", "cvSetMatItem",
                                                 "cvGetMatItem"}));
}

TEST(JXOpenCV2Library, NeedsNoLibraryThatCouldDefineTheSameNames)
{
  const TDynamicInfo Info = ReadDynamic(JXOPENCV2_FILE);
  ASSERT_FALSE(Info.Needed.empty()) << "no dynamic section read";
  for (const std::string& N : Info.Needed)
    EXPECT_THAT(N, ::testing::AnyOf(::testing::StartsWith("libc."), ::testing::StartsWith("libm."),
                                    ::testing::StartsWith("libstdc++."), ::testing::StartsWith("libgcc_s."),
                                    ::testing::StartsWith("libasan."), ::testing::StartsWith("libubsan."),
                                    ::testing::StartsWith("libtsan.")));
}

} // namespace
