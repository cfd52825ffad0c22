#include "app/Unit1.h"

#include "app/DemoApplication.h"
#include "app/DemoRandom.h"

#include <QFont>
#include <QPalette>

#include <cmath>
#include <limits>

namespace {

/// AValue rounded to the nearest whole number, halves to the even neighbour;
/// INT_MIN, which no label or pixel of ours has, for NaN and for values
/// beyond +-(2^31 - 1).
Integer Round(Real AValue) noexcept
{
  const Real R = std::nearbyint(AValue); // the default mode rounds halves to even
  if (!(R >= std::numeric_limits<Integer>::min() + 1.0 && R <= std::numeric_limits<Integer>::max()))
    return std::numeric_limits<Integer>::min();
  return static_cast<Integer>(R);
}

/// Repaints the picture when a Run ends, also when it ends with an error.
class TRepaintOnExit
{
public:
  explicit TRepaintOnExit(QWidget* AWidget) noexcept : FWidget(AWidget) {}
  ~TRepaintOnExit() { FWidget->update(); }
  TRepaintOnExit(const TRepaintOnExit&) = delete;
  TRepaintOnExit& operator=(const TRepaintOnExit&) = delete;

private:
  QWidget* FWidget; // not owned
};

} // namespace

TForm1::TForm1(QWidget* AParent)
    : QWidget(AParent), Button1(new QPushButton(this)), Image1(new TImage(this)),
      ZRNaiveBayes1(std::make_unique<TZRNaiveBayes>())
{
  setWindowTitle(QStringLiteral("Naive Bayes demo"));
  // The window manager places the window; only its size is designed.
  resize(ClientWidth, ClientHeight);
  QPalette Palette = palette();
  Palette.setColor(QPalette::Window, Palette.color(QPalette::Button));
  setPalette(Palette);
  setAutoFillBackground(true);
  QFont Font(QStringLiteral("Sans Serif"), 8);
  Font.setStyleHint(QFont::SansSerif);
  setFont(Font);

  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(8, 40, PictureSize, PictureSize);

  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setText(QStringLiteral("Run"));
  Button1->setGeometry(8, 8, 75, 25);
  Button1->setFocus(); // first in the tab order
  connect(Button1, &QPushButton::clicked, this,
          [this] { TDemoApplication::HandleEvents([this] { Button1Click(Button1); }); });

  ZRNaiveBayes1->SetOnResult(TZRNaiveBayesResultEvent::Method<&TForm1::ZRNaiveBayes1Result>(this));
}

TForm1::~TForm1() = default;

void TForm1::Button1Click(QObject* /*ASender*/)
{
  const TRepaintOnExit Repaint(Image1);
  const TRef<IQDRealMatrixBuffer> Features = TQDRealMatrixBuffer::CreateSize(3 * ClusterSize, 2);
  const TRef<IQDRealBuffer> Labels = TQDRealBuffer::CreateSize(3 * ClusterSize);

  Image1->SetBitmapWidth(PictureSize);
  Image1->SetBitmapHeight(PictureSize);

  // Per row x is drawn before y; the clusters follow each other.
  for (Integer K = 0; K < ClusterSize; ++K) {
    Labels->SetItem(K, 1.0);
    Features->SetItem(K, 0, Random(250));
    Features->SetItem(K, 1, Random(200));
  }
  for (Integer K = ClusterSize; K < 2 * ClusterSize; ++K) {
    Labels->SetItem(K, 2.0);
    Features->SetItem(K, 0, Random(199) + 300);
    Features->SetItem(K, 1, Random(200) + 100);
  }
  for (Integer K = 2 * ClusterSize; K < 3 * ClusterSize; ++K) {
    Labels->SetItem(K, 3.0);
    Features->SetItem(K, 0, Random(300));
    Features->SetItem(K, 1, Random(199) + 300);
  }

  ZRNaiveBayes1->Train(Features, Labels, false);

  const TRef<IQDRealBuffer> Probe = TQDRealBuffer::CreateSize(2);
  for (Integer Y = 0; Y < PictureSize; ++Y)
    for (Integer X = 0; X < PictureSize; ++X) {
      Probe->SetItem(1, Y);
      Probe->SetItem(0, X);
      ZRNaiveBayes1->Predict(Probe); // paints pixel (X, Y) through OnResult
    }

  // Interleaved by K: where markers overlap, the later one covers the earlier.
  TCanvas Canvas = Image1->Canvas();
  for (Integer K = 0; K < ClusterSize; ++K)
    for (Integer Class = 0; Class < 3; ++Class) {
      const Integer Row = K + Class * ClusterSize;
      const Integer X = Round(Features->GetItem(Row, 0));
      const Integer Y = Round(Features->GetItem(Row, 1));
      Canvas.SetPenColor(MarkerColors[Class]);
      Canvas.SetBrushColor(MarkerColors[Class]);
      Canvas.Ellipse(X - 2, Y - 2, X + 2, Y + 2);
    }
}

void TForm1::ZRNaiveBayes1Result(TObject* /*ASender*/, const TRef<IQDRealBuffer>& AFeatures,
                                 TZRNaiveBayesResult* AResult)
{
  const Integer Label = Round(AResult->GetResultClass());
  if (Label < 1 || Label > 3)
    return;
  const Integer Y = Round(AFeatures->GetItem(1));
  const Integer X = Round(AFeatures->GetItem(0));
  Image1->Canvas().SetPixel(X, Y, RegionColors[Label - 1]);
}
