// The loader with a bridge that lacks cvSVD: this program is built into a
// folder of its own, next to a test library of that name with four exports.
#include "classifier/YHOpenCV.h"

#include "LoaderFixtures.h"
#include "NaiveBayesFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace LoaderFixtures;
using namespace NaiveBayesFixtures;

namespace {

/// Matrices the test library has made and not yet freed.
int LiveMatrices()
{
  void* Handle = dlopen(YHOpenCV::SLibraryName, RTLD_NOW | RTLD_NOLOAD);
  if (!Handle)
    return -1;
  auto* Count = reinterpret_cast<int32_t (*)()>(dlsym(Handle, "PartialBridgeLiveMatrices"));
  const int Result = Count ? Count() : -1;
  dlclose(Handle);
  return Result;
}

TEST(PartialBridge, TrainRaisesCantGetCvSVDAndReleasesItsMatrices)
{
  ASSERT_EQ(DirectoryOf(LoadedBridgePath()), ProgramDirectory()) << "start-up loaded the test library";
  const TDataSet D = DemoClusters(32);
  TNaiveBayesProbe NB;
  for (int Attempt = 0; Attempt < 2; ++Attempt) {
    ExpectError<EQDDLLLoadError>([&] { Train(NB, D, false); }, "Can't get cvSVD");
    EXPECT_EQ(LiveMatrices(), 0) << "matrices made before the failure must be released";
    ExpectModelWrittenUpToTheFirstDecomposition(NB, D);
  }
  EXPECT_TRUE(YHOpenCV::cvCreateMat.IsBound());
  EXPECT_TRUE(YHOpenCV::cvSetMatItem.IsBound());
  EXPECT_TRUE(YHOpenCV::cvReleaseMat.IsBound());
  EXPECT_FALSE(YHOpenCV::cvSVD.IsBound()) << "the stub stays";
  EXPECT_FALSE(YHOpenCV::cvGetMatItem.IsBound()) << "never reached";
}

} // namespace
