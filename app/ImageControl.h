//===- app/ImageControl.h - Picture control and its canvas ------*- C++ -*-===//
///
/// \file
/// The two toolkit pieces the demo's form draws with:
///
/// - `TImage`, a picture control: a widget that shows a bitmap (a QImage in
///   24-bit colour) at its top left corner and sizes itself to the bitmap;
/// - `TCanvas`, the drawing surface of a bitmap: single pixels, a pen colour,
///   a brush colour and filled ellipses inside bounding rectangles whose right
///   and bottom edges are exclusive.
///
/// \code
///   Image1->SetBitmapWidth(500);               // the bitmap appears once both
///   Image1->SetBitmapHeight(500);              // sides are set
///   TCanvas Canvas = Image1->Canvas();
///   Canvas.SetPixel(10, 20, qRgb(127, 0, 0));  // straight into the bitmap
///   Canvas.SetPenColor(qRgb(255, 0, 0));
///   Canvas.SetBrushColor(qRgb(255, 0, 0));
///   Canvas.Ellipse(8, 18, 12, 22);             // covers pixels 8..11 x 18..21
///   Image1->update();                          // drawing does not repaint
/// \endcode
///
/// Thread safety: GUI thread only, like every widget.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <QImage>
#include <QWidget>

/// Draws on a bitmap it does not own. Cheap to copy; valid while the bitmap
/// lives and keeps its size.
class TCanvas
{
public:
  explicit TCanvas(QImage* ABitmap) noexcept : FBitmap(ABitmap) {}

  /// Sets pixel (AX, AY) to AColor (alpha ignored). A pixel outside the bitmap
  /// is ignored, silently.
  void SetPixel(int AX, int AY, QRgb AColor)
  {
    if (AX >= 0 && AY >= 0 && AX < FBitmap->width() && AY < FBitmap->height())
      FBitmap->setPixel(AX, AY, AColor);
  }
  /// The colour of pixel (AX, AY) as 0xffRRGGBB; 0 outside the bitmap.
  QRgb GetPixel(int AX, int AY) const;

  /// The colour of the outlines that Ellipse draws (a solid pen, 1 pixel wide).
  void SetPenColor(QRgb AColor) noexcept { FPenColor = AColor; }
  QRgb PenColor() const noexcept { return FPenColor; }
  /// The colour Ellipse fills with (a solid brush).
  void SetBrushColor(QRgb AColor) noexcept { FBrushColor = AColor; }
  QRgb BrushColor() const noexcept { return FBrushColor; }

  /// An ellipse outlined with the pen and filled with the brush, inscribed in
  /// the rectangle from (ALeft, ATop) to (ARight, ABottom), right and bottom
  /// exclusive: it covers at most the pixels ALeft..ARight-1 x ATop..ABottom-1.
  /// A 4 x 4 rectangle gives a disc of 12 pixels (the corners stay free); the
  /// outline is its 8 border pixels. Parts outside the bitmap are clipped.
  /// Nothing is drawn for a rectangle under 1 pixel wide or high.
  void Ellipse(int ALeft, int ATop, int ARight, int ABottom);

private:
  QImage* FBitmap; // not owned
  QRgb FPenColor = qRgb(0, 0, 0);
  QRgb FBrushColor = qRgb(255, 255, 255);
};

/// A picture control showing one bitmap, unscaled, at its top left corner.
/// It sizes itself to the bitmap whenever the bitmap gets a size; while there
/// is none it keeps its own size and shows the form's background.
class TImage : public QWidget
{
public:
  explicit TImage(QWidget* AParent = nullptr);

  /// The bitmap, RGB32 (0xffRRGGBB), or a null image while either side is 0.
  const QImage& Bitmap() const noexcept { return FBitmap; }
  QImage& Bitmap() noexcept { return FBitmap; }
  int BitmapWidth() const noexcept { return FWidth; }
  int BitmapHeight() const noexcept { return FHeight; }
  /// Changes one side of the bitmap. The pixels the old and the new bitmap
  /// share keep their colours, new pixels are white; setting the present
  /// value changes nothing. A negative value counts as 0.
  void SetBitmapWidth(int AValue);
  void SetBitmapHeight(int AValue);

  /// The bitmap's drawing surface. Drawing does not repaint the control: call
  /// update() when done.
  TCanvas Canvas() noexcept { return TCanvas(&FBitmap); }

  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* AEvent) override;

private:
  void SetBitmapSize(int AWidth, int AHeight);

  QImage FBitmap;
  int FWidth = 0;
  int FHeight = 0;
};
