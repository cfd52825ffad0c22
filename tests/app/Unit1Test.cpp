// The main form: its layout, and what a click on "Run" paints, checked pixel
// by pixel against an independent reference of the same clusters.
#include "app/Unit1.h"

#include "AppFixtures.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QTest>

#include <optional>
#include <string>

using namespace AppFixtures;

namespace {

class Form : public ::testing::Test
{
protected:
  void SetUp() override
  {
    F.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&F));
  }

  QImage Picture() const { return F.Image1->Bitmap(); }

  TForm1 F;
};

TEST_F(Form, IsLaidOutAsDesigned)
{
  EXPECT_EQ(F.windowTitle(), "Naive Bayes demo");
  EXPECT_EQ(F.size(), QSize(525, 552));
  EXPECT_EQ(F.Button1->text(), "Run");
  EXPECT_EQ(F.Button1->geometry(), QRect(8, 8, 75, 25));
  EXPECT_EQ(F.Image1->geometry(), QRect(8, 40, 500, 500));
  EXPECT_EQ(F.Button1->font().pointSize(), 8);
  EXPECT_EQ(F.font().styleHint(), QFont::SansSerif);
  EXPECT_EQ(F.palette().color(QPalette::Window), F.palette().color(QPalette::Button));
  EXPECT_EQ(F.focusWidget(), F.Button1) << "the button is first in the tab order";
  EXPECT_TRUE(Picture().isNull()) << "no picture before the first Run";
}

class RunWithSeed : public Form, public ::testing::WithParamInterface<std::uint64_t>
{
};

// Every pixel is the colour of the last marker drawn over it, or else the
// region colour of the class the closed-form Gaussian score picks for that
// pixel's (x, y). So every training point's pixel carries a marker colour
// (its own class's, unless a later marker of another class covers it), pixel
// (0, 0) is classified from (0, 0) and pixel (499, 499) from (499, 499).
TEST_P(RunWithSeed, PaintsTheDecisionRegionsAndTheMarkers)
{
  const TClusters C = ClustersOfRun(GetParam());
  ClickRun(F);
  EXPECT_EQ(CompareWithReference(Picture(), C), "");
  EXPECT_EQ(F.Image1->geometry(), QRect(8, 40, 500, 500)) << "sized to its 500 x 500 picture";
  // Each point's own pixel, unless a later marker of another class covers it.
  for (int K = 0; K < 50; ++K)
    for (int Class = 0; Class < 3; ++Class) {
      const TPoint P = C.Points[std::size_t(Class)][std::size_t(K)];
      bool Covered = false;
      for (int L = K; L < 50; ++L)
        for (int Other = 0; Other < 3; ++Other) {
          const TPoint Q = C.Points[std::size_t(Other)][std::size_t(L)];
          if (Other != Class && (L > K || Other > Class) && InEllipse(Q.X - 2, Q.Y - 2, Q.X + 2, Q.Y + 2, P.X, P.Y))
            Covered = true;
        }
      if (!Covered) {
        EXPECT_EQ(Picture().pixel(P.X, P.Y), Markers[std::size_t(Class)])
            << "class " << Class + 1 << " point " << K << " at (" << P.X << ", " << P.Y << ")";
      }
    }
}

INSTANTIATE_TEST_SUITE_P(Unit1, RunWithSeed, ::testing::Values(1u, 2024u, 987654321u),
                         [](const auto& AInfo) { return "Seed" + std::to_string(AInfo.param); });

// Markers go k by k, class 1, 2, 3 for each k: a class 2 marker of a later k
// covers a class 3 marker of an earlier k. The seed gives such a pair.
TEST_F(Form, MarkersAreDrawnInterleavedByK)
{
  const std::uint64_t Seed = 140843;
  const TClusters C = ClustersOfRun(Seed);
  std::optional<TPoint> Shared; // a pixel under both markers
  for (int K2 = 0; K2 < 50 && !Shared; ++K2)
    for (int K3 = 0; K3 < K2 && !Shared; ++K3) {
      const TPoint P = C.Points[1][std::size_t(K2)], Q = C.Points[2][std::size_t(K3)];
      for (int Y = P.Y - 2; Y < P.Y + 2; ++Y)
        for (int X = P.X - 2; X < P.X + 2; ++X)
          if (InEllipse(P.X - 2, P.Y - 2, P.X + 2, P.Y + 2, X, Y) &&
              InEllipse(Q.X - 2, Q.Y - 2, Q.X + 2, Q.Y + 2, X, Y))
            Shared = TPoint{X, Y};
    }
  ASSERT_TRUE(Shared) << "seed " << Seed << " should give a class 2 marker over an earlier class 3 one";
  ClickRun(F);
  EXPECT_EQ(Picture().pixel(Shared->X, Shared->Y), Markers[1]);
  EXPECT_EQ(CompareWithReference(Picture(), C), "");
}

TEST_F(Form, TheSameSeedGivesTheSamePictureAndAnotherSeedAnother)
{
  SetRandSeed(5);
  ClickRun(F);
  const QImage First = Picture().copy();
  SetRandSeed(5);
  ClickRun(F);
  EXPECT_EQ(Picture(), First);
  SetRandSeed(6);
  ClickRun(F);
  EXPECT_NE(Picture(), First);
}

// Without a new seed the second press draws new clusters and overpaints the
// whole picture: it is the picture of the generator's next 300 numbers.
TEST_F(Form, ASecondRunDrawsNewClustersAndRepaintsEverything)
{
  const TClusters Second = ClustersOfRun(77, 1);
  ClickRun(F);
  const QImage First = Picture().copy();
  ClickRun(F);
  EXPECT_NE(Picture(), First);
  EXPECT_EQ(CompareWithReference(Picture(), Second), "");
}

class TPaintCounter : public QObject
{
public:
  int Paints = 0;

protected:
  bool eventFilter(QObject* AObject, QEvent* AEvent) override
  {
    Paints += AEvent->type() == QEvent::Paint;
    return QObject::eventFilter(AObject, AEvent);
  }
};

// Nothing is redrawn while the Run works; once it is over the picture
// control repaints, and what it shows is the picture.
TEST_F(Form, RepaintsWhenTheRunIsOver)
{
  QCoreApplication::processEvents();
  TPaintCounter Counter;
  F.Image1->installEventFilter(&Counter);
  SetRandSeed(3);
  ClickRun(F);
  EXPECT_EQ(Counter.Paints, 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Counter.Paints > 0; }));
  EXPECT_EQ(F.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32), Picture());
}

} // namespace
