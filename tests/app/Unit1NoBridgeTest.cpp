// The form when the decomposition bridge cannot be loaded: this program is
// built into a folder of its own, without libJXOpenCV2.so. A Run then ends
// with a message box and the program goes on, the picture as it was.
#include "app/Unit1.h"

#include "AppFixtures.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

using namespace AppFixtures;

namespace {

TEST(Unit1NoBridge, RunShowsTheLoadErrorAndTheProgramGoesOn)
{
  TForm1 F;
  F.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&F));
  // A picture from before: the failed Run must leave it alone.
  F.Image1->SetBitmapWidth(Side);
  F.Image1->SetBitmapHeight(Side);
  TCanvas Canvas = F.Image1->Canvas();
  for (int Y = 0; Y < Side; ++Y)
    for (int X = 0; X < Side; ++X)
      Canvas.SetPixel(X, Y, qRgb(X % 256, Y % 256, (X + Y) % 256));
  const QImage Before = F.Image1->Bitmap().copy();

  TMessageBoxCatcher Catcher;
  ClickRun(F);
  ASSERT_EQ(Catcher.Seen().size(), 1u);
  EXPECT_EQ(Catcher.Seen()[0].Text, "Can't load libJXOpenCV2.so");
  EXPECT_EQ(Catcher.Seen()[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(F.Image1->Bitmap(), Before);

  // The program goes on: the window stays, events are delivered, and the
  // next Run tries again and fails the same way.
  EXPECT_TRUE(F.isVisible());
  bool TimerFired = false;
  QTimer::singleShot(0, [&] { TimerFired = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return TimerFired; }));
  ClickRun(F);
  ASSERT_EQ(Catcher.Seen().size(), 2u);
  EXPECT_EQ(Catcher.Seen()[1].Text, "Can't load libJXOpenCV2.so");
  EXPECT_EQ(F.Image1->Bitmap(), Before);
}

} // namespace
