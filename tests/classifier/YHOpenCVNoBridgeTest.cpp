// The loader when the search finds no bridge: this program is built into a
// folder of its own, without libJXOpenCV2.so, and runs with no library path.
#include "classifier/YHOpenCV.h"

#include "LoaderFixtures.h"
#include "NaiveBayesFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace LoaderFixtures;
using namespace NaiveBayesFixtures;

namespace {

const char* const CantLoad = "Can't load libJXOpenCV2.so";

class NoBridge : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const std::string Found = LoadedBridgePath();
    ASSERT_TRUE(Found.empty()) << "the library search found " << Found
                               << "; these tests need a search without the bridge";
  }
};

TEST_F(NoBridge, FirstTrainRaisesAndLeavesTheModelAsFarAsItGot)
{
  const TDataSet D = DemoClusters(31);
  TNaiveBayesProbe NB;
  ExpectError<EQDDLLLoadError>([&] { Train(NB, D, false); }, CantLoad);
  ExpectModelWrittenUpToTheFirstDecomposition(NB, D);
  // The stubs stay: the next training tries again and fails the same way.
  ExpectError<EQDDLLLoadError>([&] { Train(NB, D, false); }, CantLoad);
  ExpectModelWrittenUpToTheFirstDecomposition(NB, D);
}

TEST_F(NoBridge, EveryEntryRaisesAndStaysAStub)
{
  for (const TEntryView& E : Entries()) {
    for (int Attempt = 0; Attempt < 2; ++Attempt) {
      ExpectError<EQDDLLLoadError>(E.Call, CantLoad);
      EXPECT_FALSE(E.IsBound()) << E.Name;
    }
  }
}

} // namespace
