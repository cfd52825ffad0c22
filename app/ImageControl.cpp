#include "app/ImageControl.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>

QRgb TCanvas::GetPixel(int AX, int AY) const
{
  if (AX < 0 || AY < 0 || AX >= FBitmap->width() || AY >= FBitmap->height())
    return 0;
  return FBitmap->pixel(AX, AY);
}

void TCanvas::Ellipse(int ALeft, int ATop, int ARight, int ABottom)
{
  if (ARight <= ALeft || ABottom <= ATop || FBitmap->isNull())
    return;
  QPainter Painter(FBitmap);
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setPen(QPen(QColor::fromRgb(FPenColor), 1.0, Qt::SolidLine));
  Painter.setBrush(QColor::fromRgb(FBrushColor));
  // A 1-pixel pen straddles its path. Running the path through the centres of
  // the outermost pixels keeps the outline inside the rectangle with its
  // right and bottom edges exclusive; an integer QRect would reach one pixel
  // further (Qt draws such rectangles width + 1 pixels wide) and fill the
  // corners of a small disc.
  Painter.drawEllipse(QRectF(ALeft + 0.5, ATop + 0.5, ARight - ALeft - 1, ABottom - ATop - 1));
}

TImage::TImage(QWidget* AParent) : QWidget(AParent) {}

void TImage::SetBitmapWidth(int AValue)
{
  SetBitmapSize(std::max(AValue, 0), FHeight);
}

void TImage::SetBitmapHeight(int AValue)
{
  SetBitmapSize(FWidth, std::max(AValue, 0));
}

void TImage::SetBitmapSize(int AWidth, int AHeight)
{
  if (AWidth == FWidth && AHeight == FHeight)
    return;
  FWidth = AWidth;
  FHeight = AHeight;
  if (FWidth == 0 || FHeight == 0) {
    FBitmap = QImage();
    update();
    return;
  }
  QImage Next(FWidth, FHeight, QImage::Format_RGB32);
  Next.fill(qRgb(255, 255, 255));
  if (!FBitmap.isNull()) {
    QPainter Painter(&Next);
    Painter.setCompositionMode(QPainter::CompositionMode_Source);
    Painter.drawImage(0, 0, FBitmap);
  }
  FBitmap = std::move(Next);
  resize(FWidth, FHeight); // sizes itself to its picture
  updateGeometry();
  update();
}

QSize TImage::sizeHint() const
{
  return FBitmap.isNull() ? QWidget::sizeHint() : FBitmap.size();
}

void TImage::paintEvent(QPaintEvent* AEvent)
{
  if (FBitmap.isNull())
    return;
  QPainter Painter(this);
  const QRect Area = AEvent->rect() & FBitmap.rect();
  Painter.drawImage(Area.topLeft(), FBitmap, Area);
}
