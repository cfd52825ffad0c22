// Shared by the loader tests: a uniform view of the five bridge entries, where
// the loaded bridge lives, and what a training that failed in the
// decomposition leaves in the model.
#pragma once

#include "NaiveBayesFixtures.h"
#include "classifier/YHOpenCV.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace LoaderFixtures {

struct TEntryView
{
  std::string Name;
  std::function<bool()> IsBound;
  std::function<void*()> Target;
  std::function<void()> Call; // arguments the bridge refuses harmlessly
};

template <class E>
TEntryView View(E& AEntry, std::function<void()> ACall)
{
  return {AEntry.Name(), [&AEntry] { return AEntry.IsBound(); },
          [&AEntry] { return reinterpret_cast<void*>(AEntry.Get()); }, std::move(ACall)};
}

inline std::vector<TEntryView> Entries()
{
  using namespace YHOpenCV;
  return {View(cvCreateMat, [] { JXMat* M = cvCreateMat(-1, -1, CV_64FC1); (void)M; }),
          View(cvReleaseMat, [] { JXMat* M = nullptr; cvReleaseMat(&M); }),
          View(cvSVD, [] { cvSVD(nullptr, nullptr, nullptr, nullptr, CV_SVD_U_T); }),
          View(cvSetMatItem, [] { cvSetMatItem(nullptr, 0, 0, 1.0); }),
          View(cvGetMatItem, [] { cvGetMatItem(nullptr, 0, 0); })};
}

inline std::string DirectoryOf(const std::string& APath)
{
  const std::size_t Slash = APath.rfind('/');
  return Slash == std::string::npos ? std::string(".") : APath.substr(0, Slash);
}

inline std::string ProgramDirectory()
{
  char Buf[4096];
  const ssize_t N = readlink("/proc/self/exe", Buf, sizeof Buf - 1);
  return N > 0 ? DirectoryOf(std::string(Buf, static_cast<std::size_t>(N))) : std::string();
}

/// Where the process has the bridge from, or "" when it is not loaded.
inline std::string LoadedBridgePath()
{
  void* Handle = dlopen(YHOpenCV::SLibraryName, RTLD_NOW | RTLD_NOLOAD);
  if (!Handle)
    return {};
  link_map* Map = nullptr;
  std::string Path;
  if (dlinfo(Handle, RTLD_DI_LINKMAP, &Map) == 0 && Map)
    Path = Map->l_name;
  dlclose(Handle); // balances the NOLOAD reference
  return Path;
}

/// The file a function address lies in.
inline std::string FileOf(void* AAddress)
{
  Dl_info Info{};
  return dladdr(AAddress, &Info) && Info.dli_fname ? std::string(Info.dli_fname) : std::string();
}

/// A training on AData that failed in the decomposition of its first class:
/// labels, counts, sums and the upper triangle of the product sums are
/// written for every class; the first class also has its mirrored product
/// sums and its means; nothing of any decomposition is written.
inline void ExpectModelWrittenUpToTheFirstDecomposition(const NaiveBayesFixtures::TNaiveBayesProbe& ANB,
                                                        const NaiveBayesFixtures::TDataSet& AData)
{
  using namespace NaiveBayesFixtures;
  const std::vector<TDirectClass> Direct = DirectModel(AData);
  const std::size_t C = Direct.size(), N = AData.Features.front().size();
  ASSERT_EQ(ANB.Labels().size(), C);
  ASSERT_EQ(ANB.FCount.size(), C);
  for (std::size_t K = 0; K < C; ++K) {
    EXPECT_EQ(ANB.Labels()[K], Direct[K].Label);
    // Sums in sample order, as training adds them.
    std::vector<Integer> Count(N, 0);
    std::vector<Real> Sum(N, 0.0);
    TSamples Product(N, std::vector<Real>(N, 0.0));
    for (std::size_t R = 0; R < AData.Labels.size(); ++R) {
      if (AData.Labels[R] != Direct[K].Label)
        continue;
      for (std::size_t I = 0; I < N; ++I) {
        Sum[I] += AData.Features[R][I];
        Count[I] += 1;
        for (std::size_t J = I; J < N; ++J)
          Product[I][J] += AData.Features[R][J] * AData.Features[R][I];
      }
    }
    EXPECT_EQ(ANB.FCount[K], Count);
    EXPECT_EQ(ANB.FSum[K], Sum);
    for (std::size_t I = 0; I < N; ++I)
      for (std::size_t J = 0; J < N; ++J) {
        const Real Want = J >= I ? Product[I][J] : K == 0 ? Product[J][I] : 0.0;
        EXPECT_EQ(ANB.FProductSum[K][I][J], Want) << "class " << K << " [" << I << "][" << J << "]";
      }
    for (std::size_t I = 0; I < N; ++I)
      EXPECT_EQ(ANB.FAvg[K][I], K == 0 ? Sum[I] / Count[I] : 0.0) << "class " << K;
    EXPECT_THAT(ANB.FInvEigenValues[K], ::testing::Each(0.0));
    for (const auto& Row : ANB.FCovRotateMats[K])
      EXPECT_THAT(Row, ::testing::Each(0.0));
  }
  EXPECT_THAT(ANB.FClasses, ::testing::Each(0.0));
}

} // namespace LoaderFixtures
