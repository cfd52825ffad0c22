// The loader with the bridge next to the program. Every test runs in its own
// process under CTest; the first test also holds when the file runs as a whole.
#include "classifier/YHOpenCV.h"

#include "LoaderFixtures.h"
#include "NaiveBayesFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace LoaderFixtures;
using namespace NaiveBayesFixtures;

namespace {

TEST(YHOpenCV, StartUpLoadsTheBridgeNextToTheProgramAndBindsNothing)
{
  const std::string Path = LoadedBridgePath();
  ASSERT_FALSE(Path.empty()) << "start-up did not load " << YHOpenCV::SLibraryName;
  EXPECT_EQ(DirectoryOf(Path), ProgramDirectory());
  for (const TEntryView& E : Entries())
    EXPECT_FALSE(E.IsBound()) << E.Name << " is bound before its first call";
}

TEST(YHOpenCV, TrainingBindsEveryEntryToTheLoadedBridge)
{
  TNaiveBayesProbe NB;
  Train(NB, DemoClusters(5), false);
  const std::string Bridge = LoadedBridgePath();
  for (const TEntryView& E : Entries()) {
    EXPECT_TRUE(E.IsBound()) << E.Name;
    EXPECT_EQ(FileOf(E.Target()), Bridge) << E.Name << " calls into another file";
  }
}

// Many first calls at once: each entry binds once and every model comes out alike.
TEST(YHOpenCV, ConcurrentFirstCallsBindSafely)
{
  const TDataSet D = RandomClasses(11, 3, 3, 20);
  std::vector<TModelSnapshot> Models(4);
  std::vector<std::thread> Threads;
  for (std::size_t T = 0; T < Models.size(); ++T)
    Threads.emplace_back([&, T] {
      TNaiveBayesProbe NB;
      Train(NB, D, false);
      Models[T] = TModelSnapshot::Of(NB);
    });
  for (std::thread& T : Threads)
    T.join();
  for (std::size_t T = 1; T < Models.size(); ++T)
    EXPECT_EQ(Models[T], Models[0]) << "thread " << T;
}

TEST(TYHMatrix, NoMatrixFromTheBridgeIsOutOfMemory)
{
  ExpectError<EOutOfMemory>([] { TYHMatrix M(-1, 2); }, "Out of memory");
}

TEST(TYHMatrix, ReleaseEmptiesTheHolderOnce)
{
  TYHMatrix M(2, 2);
  ASSERT_NE(M.Get(), nullptr);
  EXPECT_EQ(YHOpenCV::cvSetMatItem(M.Get(), 1, 1, 5.0), 0);
  EXPECT_EQ(YHOpenCV::cvGetMatItem(M.Get(), 1, 1), 5.0);
  JXMat* Old = M.Get();
  M.Release();
  EXPECT_EQ(M.Get(), nullptr);
  EXPECT_NE(YHOpenCV::cvSetMatItem(Old, 1, 1, 5.0), 0) << "the bridge no longer knows the matrix";
  M.Release(); // nothing left to release
}

} // namespace
