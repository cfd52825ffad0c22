// The picture control and its canvas: pixels, the exact footprint of a
// marker's ellipse (also where the bitmap clips it), pen and brush, and how
// the control sizes itself to its bitmap.
#include "app/ImageControl.h"

#include "AppFixtures.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace AppFixtures;

namespace {

constexpr QRgb White = 0xffffffff;
constexpr QRgb Red = 0xffff0000;
constexpr QRgb Blue = 0xff0000ff;

QImage WhiteBitmap(int AWidth, int AHeight)
{
  QImage I(AWidth, AHeight, QImage::Format_RGB32);
  I.fill(White);
  return I;
}

struct TMarkerCase
{
  const char* Name;
  int X, Y; // the marker's point: rectangle (X - 2, Y - 2)-(X + 2, Y + 2)
};
void PrintTo(const TMarkerCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class MarkerFootprint : public ::testing::TestWithParam<TMarkerCase>
{
};

// Every pixel of the bitmap is the marker's colour exactly when its centre
// lies in the inscribed ellipse: 12 pixels of the 4 x 4 square, fewer where
// the bitmap's edge clips them, nothing outside the square.
TEST_P(MarkerFootprint, IsTheInscribedDiscClippedToTheBitmap)
{
  const TMarkerCase C = GetParam();
  QImage Bitmap = WhiteBitmap(40, 30);
  TCanvas Canvas(&Bitmap);
  Canvas.SetPenColor(Red);
  Canvas.SetBrushColor(Red);
  Canvas.Ellipse(C.X - 2, C.Y - 2, C.X + 2, C.Y + 2);
  for (int Y = 0; Y < Bitmap.height(); ++Y)
    for (int X = 0; X < Bitmap.width(); ++X) {
      const bool In = InEllipse(C.X - 2, C.Y - 2, C.X + 2, C.Y + 2, X, Y);
      EXPECT_EQ(Bitmap.pixel(X, Y), In ? Red : White) << "pixel (" << X << ", " << Y << ")";
    }
  int Inside = 0; // the reference's disc, unclipped: the square less its corners
  for (int Y = C.Y - 2; Y < C.Y + 2; ++Y)
    for (int X = C.X - 2; X < C.X + 2; ++X)
      Inside += InEllipse(C.X - 2, C.Y - 2, C.X + 2, C.Y + 2, X, Y);
  EXPECT_EQ(Inside, 12);
}

INSTANTIATE_TEST_SUITE_P(
    Canvas, MarkerFootprint,
    ::testing::Values(TMarkerCase{"Interior", 20, 15}, TMarkerCase{"InteriorOdd", 7, 9},
                      TMarkerCase{"LeftEdge", 0, 15}, TMarkerCase{"OneFromLeftEdge", 1, 15},
                      TMarkerCase{"TopEdge", 20, 0}, TMarkerCase{"RightEdge", 39, 15},
                      TMarkerCase{"BottomEdge", 20, 29}, TMarkerCase{"TopLeftCorner", 0, 0},
                      TMarkerCase{"BottomRightCorner", 39, 29}, TMarkerCase{"JustOutsideLeft", -2, 15},
                      TMarkerCase{"JustOutsideBottom", 20, 31}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// The outline is the pen's, the inside the brush's: in a 4 x 4 disc the 8
// pixels next to the outside are outline, the middle 2 x 2 are inside.
TEST(TCanvas, OutlineTakesThePenAndTheInsideTheBrush)
{
  QImage Bitmap = WhiteBitmap(12, 12);
  TCanvas Canvas(&Bitmap);
  Canvas.SetPenColor(Red);
  Canvas.SetBrushColor(Blue);
  Canvas.Ellipse(4, 4, 8, 8);
  for (int Y = 0; Y < 12; ++Y)
    for (int X = 0; X < 12; ++X) {
      const auto In = [](int Px, int Py) { return InEllipse(4, 4, 8, 8, Px, Py); };
      QRgb Want = White;
      if (In(X, Y))
        Want = In(X - 1, Y) && In(X + 1, Y) && In(X, Y - 1) && In(X, Y + 1) ? Blue : Red;
      EXPECT_EQ(Bitmap.pixel(X, Y), Want) << "pixel (" << X << ", " << Y << ")";
    }
}

TEST(TCanvas, EmptyRectangleDrawsNothing)
{
  QImage Bitmap = WhiteBitmap(10, 10);
  TCanvas Canvas(&Bitmap);
  Canvas.SetPenColor(Red);
  Canvas.SetBrushColor(Red);
  Canvas.Ellipse(5, 5, 5, 9);
  Canvas.Ellipse(5, 5, 9, 5);
  Canvas.Ellipse(6, 6, 3, 3);
  EXPECT_EQ(Bitmap, WhiteBitmap(10, 10));
}

TEST(TCanvas, PixelsOutsideTheBitmapAreIgnored)
{
  QImage Bitmap = WhiteBitmap(3, 2);
  TCanvas Canvas(&Bitmap);
  Canvas.SetPixel(2, 1, Red);
  for (const auto& [X, Y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {-100000, 100000}})
    Canvas.SetPixel(X, Y, Blue);
  QImage Want = WhiteBitmap(3, 2);
  Want.setPixel(2, 1, Red);
  EXPECT_EQ(Bitmap, Want);
  EXPECT_EQ(Canvas.GetPixel(2, 1), Red);
  EXPECT_EQ(Canvas.GetPixel(3, 1), 0u);
}

TEST(TImage, HasNoBitmapUntilBothSidesAreSetThenSizesItselfToIt)
{
  TImage Image;
  Image.setGeometry(8, 40, 120, 90);
  EXPECT_TRUE(Image.Bitmap().isNull());
  Image.SetBitmapWidth(50);
  EXPECT_TRUE(Image.Bitmap().isNull()) << "a bitmap 0 pixels high";
  EXPECT_EQ(Image.size(), QSize(120, 90));
  Image.SetBitmapHeight(30);
  ASSERT_EQ(Image.Bitmap().size(), QSize(50, 30));
  EXPECT_EQ(Image.Bitmap(), WhiteBitmap(50, 30));
  EXPECT_EQ(Image.geometry(), QRect(8, 40, 50, 30));
  EXPECT_EQ(Image.sizeHint(), QSize(50, 30));
}

TEST(TImage, ResizingKeepsTheSharedPixelsAndWhitensNewOnes)
{
  TImage Image;
  Image.SetBitmapWidth(4);
  Image.SetBitmapHeight(3);
  TCanvas Canvas = Image.Canvas();
  Canvas.SetPixel(1, 1, Red);
  Canvas.SetPixel(3, 2, Blue);
  const uchar* Bits = Image.Bitmap().constBits();
  Image.SetBitmapWidth(4); // the present value: nothing happens
  EXPECT_EQ(Image.Bitmap().constBits(), Bits);

  Image.SetBitmapWidth(2); // column 3 goes
  Image.SetBitmapWidth(5); // and comes back white
  QImage Want = WhiteBitmap(5, 3);
  Want.setPixel(1, 1, Red);
  EXPECT_EQ(Image.Bitmap(), Want);
  EXPECT_EQ(Image.size(), QSize(5, 3));

  Image.SetBitmapHeight(0);
  EXPECT_TRUE(Image.Bitmap().isNull());
}

} // namespace
