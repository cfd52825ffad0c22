#include "tools/ZROutputFile.h"

#include "ToolFixtures.h"
#include "platform/Exceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

using namespace ToolFixtures;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;
using ::testing::SizeIs;
using ::testing::UnorderedElementsAre;

namespace {

class OutputFile : public ::testing::Test
{
protected:
  std::string Out() const { return (FFolder / "out.txt").string(); }

  TTempFolder FFolder;
};

TEST_F(OutputFile, TextAppearsOnlyOnCommit)
{
  {
    TZROutputFile F(Out());
    F.Append("1\n");
    // Until Commit only a hidden temporary file beside the destination exists.
    const auto During = FFolder.Entries();
    ASSERT_THAT(During, SizeIs(1));
    EXPECT_THAT(*During.begin(), MatchesRegex("\\.out\\.txt\\.......")) << *During.begin();
    F.Append('2');
    F.Commit();
  }
  EXPECT_THAT(FFolder.Entries(), ElementsAre("out.txt"));
  EXPECT_EQ(ReadFile(Out()), "1\n2");
}

TEST_F(OutputFile, WithoutCommitNothingIsLeftAndTheOldFileStays)
{
  WriteFile(Out(), "old");
  {
    TZROutputFile F(Out());
    F.Append(std::string(3 << 20, 'x')); // past one block: written out already
  }
  EXPECT_THAT(FFolder.Entries(), ElementsAre("out.txt"));
  EXPECT_EQ(ReadFile(Out()), "old");
}

TEST_F(OutputFile, CommitReplacesTheOldFile)
{
  WriteFile(Out(), "old");
  {
    TZROutputFile F(Out());
    F.Append("new");
    F.Commit();
  }
  EXPECT_THAT(FFolder.Entries(), ElementsAre("out.txt"));
  EXPECT_EQ(ReadFile(Out()), "new");
}

TEST_F(OutputFile, ManyBlocksArriveWhole)
{
  std::string Want;
  {
    TZROutputFile F(Out());
    for (long long I = 0; Want.size() < (5u << 20); ++I) {
      const std::string Line = std::to_string(I * 7919) + "\n";
      if (I % 3 == 0) {
        char* P = F.Space(Line.size() + 10);
        Line.copy(P, Line.size());
        F.Advance(Line.size());
      } else {
        F.Append(Line);
      }
      Want += Line;
    }
    F.Commit();
  }
  EXPECT_EQ(ReadFile(Out()), Want);
}

TEST_F(OutputFile, ResultIsReadableLikeAPlainNewFile)
{
  const mode_t Mask = umask(022);
  {
    TZROutputFile F(Out());
    F.Commit();
  }
  umask(Mask);
  struct stat St{};
  ASSERT_EQ(stat(Out().c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0644u);
}

TEST_F(OutputFile, MissingFolderCannotBeCreated)
{
  const std::string Path = (FFolder / "none" / "out.txt").string();
  try {
    TZROutputFile F(Path);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message(), Path + ": cannot create: No such file or directory");
  }
  EXPECT_THAT(FFolder.Entries(), ::testing::IsEmpty());
}

TEST_F(OutputFile, FolderAsDestinationFailsAtCommitAndLeavesNothing)
{
  const std::string Path = (FFolder / "sub").string();
  fs::create_directory(Path);
  try {
    TZROutputFile F(Path);
    F.Append("x");
    F.Commit();
    ADD_FAILURE() << "no error";
  } catch (const EWriteError& E) {
    EXPECT_EQ(E.Message(), Path + ": cannot write: Is a directory");
  }
  EXPECT_THAT(FFolder.Entries(), UnorderedElementsAre("sub"));
}

} // namespace
