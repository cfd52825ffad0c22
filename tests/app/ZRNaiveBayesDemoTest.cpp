// The program itself, run as a user runs it, without a display: --output and
// --screenshot write PNG files that decode to the Run's picture, --help
// explains, and a bad argument ends with a message and status 2.
#include "app/Unit1.h"

#include "AppFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <ostream>
#include <string>
#include <vector>

using namespace AppFixtures;
using ::testing::HasSubstr;

namespace {

struct TResult
{
  int ExitCode = -1;
  std::string Out, Err;
};

/// Runs AProgram with AArgs in an environment without any display.
TResult RunProgram(const QString& AProgram, const QStringList& AArgs)
{
  QProcess P;
  QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
  for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LD_LIBRARY_PATH"})
    Env.remove(QString::fromLatin1(Name));
  P.setProcessEnvironment(Env);
  P.start(AProgram, AArgs);
  TResult R;
  if (!P.waitForFinished(120000) || P.exitStatus() != QProcess::NormalExit) {
    R.Err = "the program did not finish normally: " + P.errorString().toStdString();
    return R;
  }
  R.ExitCode = P.exitCode();
  R.Out = P.readAllStandardOutput().toStdString();
  R.Err = P.readAllStandardError().toStdString();
  return R;
}

const QString Program = QStringLiteral(DEMO_PROGRAM);

/// The picture of one Run in this process after seeding with ASeed.
QImage PictureOfSeed(std::uint64_t ASeed)
{
  TForm1 F;
  SetRandSeed(ASeed);
  F.Button1Click(&F);
  return F.Image1->Bitmap().copy();
}

class DemoProgram : public ::testing::Test
{
protected:
  QString File(const char* AName) const { return Dir.filePath(QString::fromLatin1(AName)); }
  QTemporaryDir Dir;
};

TEST_F(DemoProgram, OutputWritesTheRunsPictureAsPng)
{
  ASSERT_TRUE(Dir.isValid());
  const QString Png = File("map.png");
  const TResult R = RunProgram(Program, {"--output", Png, "--seed", "11"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_THAT(R.Out, HasSubstr(QFileInfo(Png).absoluteFilePath().toStdString())) << "says where";
  QImage Map;
  ASSERT_TRUE(Map.load(Png, "PNG"));
  ASSERT_EQ(Map.size(), QSize(500, 500));
  Map = Map.convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(CompareWithReference(Map, ClustersOfRun(11)), "");
  EXPECT_EQ(Map, PictureOfSeed(11)) << "the same seed, the same picture";
}

TEST_F(DemoProgram, DifferentSeedsWriteDifferentPictures)
{
  ASSERT_TRUE(Dir.isValid());
  ASSERT_EQ(RunProgram(Program, {"--seed=1", "--output", File("a.png")}).ExitCode, 0);
  ASSERT_EQ(RunProgram(Program, {"--seed=2", "--output", File("b.png")}).ExitCode, 0);
  const QImage A(File("a.png")), B(File("b.png"));
  ASSERT_FALSE(A.isNull());
  ASSERT_FALSE(B.isNull());
  EXPECT_NE(A.convertToFormat(QImage::Format_RGB32), B.convertToFormat(QImage::Format_RGB32));
}

TEST_F(DemoProgram, ScreenshotIsTheWholeWindowWithThePicture)
{
  ASSERT_TRUE(Dir.isValid());
  const QString Png = File("window.png");
  const TResult R = RunProgram(Program, {"--screenshot", Png, "--seed", "4"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  QImage Shot;
  ASSERT_TRUE(Shot.load(Png, "PNG"));
  EXPECT_EQ(Shot.size(), QSize(TForm1::ClientWidth, TForm1::ClientHeight));
  EXPECT_EQ(Shot.copy(8, 40, 500, 500).convertToFormat(QImage::Format_RGB32), PictureOfSeed(4));
}

TEST_F(DemoProgram, HelpExplainsBothModes)
{
  const TResult R = RunProgram(Program, {"--help"});
  EXPECT_EQ(R.ExitCode, 0);
  for (const char* Word : {"--output FILE", "--seed N", "--screenshot FILE"})
    EXPECT_THAT(R.Out, HasSubstr(Word));
}

TEST_F(DemoProgram, TheWindowNeedsADisplayAndSaysWhatToDoWithout)
{
  const TResult R = RunProgram(Program, {});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_THAT(R.Err, HasSubstr("no display"));
  EXPECT_THAT(R.Err, HasSubstr("--output FILE.png"));
}

TEST_F(DemoProgram, WithoutTheBridgeOutputFailsWithTheLoadError)
{
  ASSERT_TRUE(Dir.isValid());
  const QString Png = File("map.png");
  const TResult R = RunProgram(QStringLiteral(DEMO_NOBRIDGE_PROGRAM), {"--output", Png});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_THAT(R.Err, HasSubstr("Can't load libJXOpenCV2.so"));
  EXPECT_FALSE(QFileInfo::exists(Png));
}

struct TBadCase
{
  const char* Name;
  std::vector<const char*> Args;
  const char* Says;
};
void PrintTo(const TBadCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class BadArgument : public ::testing::TestWithParam<TBadCase>
{
};

TEST_P(BadArgument, EndsWithAMessageAndStatus2)
{
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  QStringList Args;
  for (const char* A : GetParam().Args)
    Args << QString::fromLatin1(A).replace("DIR", Dir.path());
  const TResult R = RunProgram(Program, Args);
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_THAT(R.Err, HasSubstr(std::string("ZRNaiveBayesDemo: ") + GetParam().Says));
  EXPECT_THAT(R.Err, HasSubstr("--help"));
  EXPECT_EQ(R.Out, "");
  EXPECT_TRUE(QDir(Dir.path()).isEmpty()) << "nothing written";
}

INSTANTIATE_TEST_SUITE_P(
    ZRNaiveBayesDemo, BadArgument,
    ::testing::Values(TBadCase{"UnknownOption", {"--bogus"}, "unknown option '--bogus'"},
                      TBadCase{"StrayArgument", {"DIR/x.png"}, "unexpected argument"},
                      TBadCase{"SeedNotANumber", {"--output", "DIR/x.png", "--seed", "ten"}, "--seed: 'ten'"},
                      TBadCase{"SeedMissing", {"--output", "DIR/x.png", "--seed"}, "--seed needs a value"},
                      TBadCase{"OutputMissing", {"--output"}, "--output needs a value"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

} // namespace
