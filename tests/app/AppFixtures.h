// Shared by the demo's tests: the clusters a seed gives, an independent
// reference for the whole picture (markers by the inscribed-ellipse rule,
// regions by the closed-form Gaussian score), and a catcher for message boxes.
#pragma once

#include "app/DemoRandom.h"
#include "app/Unit1.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace AppFixtures {

inline constexpr int Side = TForm1::PictureSize;
inline constexpr std::array<QRgb, 3> Regions = {qRgb(127, 0, 0), qRgb(0, 127, 0), qRgb(0, 0, 127)};
inline constexpr std::array<QRgb, 3> Markers = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};

struct TPoint
{
  int X, Y;
};

/// The 3 x 50 training points of one Run, class by class, as the next 300
/// numbers of the generator give them (per point x first, then y).
struct TClusters
{
  std::array<std::vector<TPoint>, 3> Points;
};

/// Draws one Run's clusters from the generator as it stands.
inline TClusters DrawClusters()
{
  // Ranges and offsets of x and y per class.
  const int R[3][4] = {{250, 0, 200, 0}, {199, 300, 200, 100}, {300, 0, 199, 300}};
  TClusters C;
  for (int Class = 0; Class < 3; ++Class)
    for (int K = 0; K < 50; ++K) {
      const int X = Random(R[Class][0]) + R[Class][1];
      const int Y = Random(R[Class][2]) + R[Class][3];
      C.Points[Class].push_back({X, Y});
    }
  return C;
}

/// The clusters of the ARun-th Run (0 = first) after seeding with ASeed.
/// Leaves the generator seeded with ASeed again.
inline TClusters ClustersOfRun(std::uint64_t ASeed, int ARun = 0)
{
  SetRandSeed(ASeed);
  TClusters C;
  for (int I = 0; I <= ARun; ++I)
    C = DrawClusters();
  SetRandSeed(ASeed);
  return C;
}

/// Whether pixel (APx, APy) belongs to the ellipse inscribed in the rectangle
/// (ALeft, ATop)-(ARight, ABottom), right and bottom exclusive: its centre
/// lies inside or on the ellipse.
inline bool InEllipse(int ALeft, int ATop, int ARight, int ABottom, int APx, int APy)
{
  if (APx < ALeft || APx >= ARight || APy < ATop || APy >= ABottom)
    return false;
  const double Cx = (ALeft + ARight) / 2.0, Cy = (ATop + ABottom) / 2.0;
  const double Rx = (ARight - ALeft) / 2.0, Ry = (ABottom - ATop) / 2.0;
  const double Dx = (APx + 0.5 - Cx) / Rx, Dy = (APy + 0.5 - Cy) / Ry;
  return Dx * Dx + Dy * Dy <= 1.0;
}

/// The marker layer: for every pixel the colour of the last marker covering
/// it, markers drawn interleaved by k (class 1, 2, 3 for each k).
inline std::vector<std::optional<QRgb>> MarkerLayer(const TClusters& AClusters)
{
  std::vector<std::optional<QRgb>> L(std::size_t(Side) * Side);
  for (int K = 0; K < 50; ++K)
    for (int Class = 0; Class < 3; ++Class) {
      const TPoint P = AClusters.Points[Class][std::size_t(K)];
      for (int Y = P.Y - 2; Y < P.Y + 2; ++Y)
        for (int X = P.X - 2; X < P.X + 2; ++X)
          if (X >= 0 && Y >= 0 && X < Side && Y < Side && InEllipse(P.X - 2, P.Y - 2, P.X + 2, P.Y + 2, X, Y))
            L[std::size_t(Y) * Side + std::size_t(X)] = Markers[std::size_t(Class)];
    }
  return L;
}

/// The Gaussian score of each class in closed form (2 x 2 covariance with
/// divisor N - 1): ln det S + d' S^-1 d.
class TReferenceModel
{
public:
  explicit TReferenceModel(const TClusters& AClusters)
  {
    for (int C = 0; C < 3; ++C) {
      double Sx = 0, Sy = 0;
      const auto& P = AClusters.Points[std::size_t(C)];
      for (const TPoint& Q : P)
        Sx += Q.X, Sy += Q.Y;
      const double N = double(P.size());
      TClass& K = FClasses[std::size_t(C)];
      K.Mx = Sx / N, K.My = Sy / N;
      double Sxx = 0, Sxy = 0, Syy = 0;
      for (const TPoint& Q : P) {
        const double Dx = Q.X - K.Mx, Dy = Q.Y - K.My;
        Sxx += Dx * Dx, Sxy += Dx * Dy, Syy += Dy * Dy;
      }
      K.Sxx = Sxx / (N - 1), K.Sxy = Sxy / (N - 1), K.Syy = Syy / (N - 1);
      K.Det = K.Sxx * K.Syy - K.Sxy * K.Sxy;
    }
  }

  std::array<double, 3> Scores(double AX, double AY) const
  {
    std::array<double, 3> S{};
    for (std::size_t C = 0; C < 3; ++C) {
      const TClass& K = FClasses[C];
      const double Dx = AX - K.Mx, Dy = AY - K.My;
      S[C] = std::log(K.Det) + (Dx * Dx * K.Syy - 2 * Dx * Dy * K.Sxy + Dy * Dy * K.Sxx) / K.Det;
    }
    return S;
  }

  /// The region colours a pixel may have: that of the best class, and also
  /// that of any class whose score is within rounding of the best.
  std::vector<QRgb> AllowedRegions(int AX, int AY) const
  {
    const std::array<double, 3> S = Scores(AX, AY);
    const double Best = std::min({S[0], S[1], S[2]});
    std::vector<QRgb> A;
    for (std::size_t C = 0; C < 3; ++C)
      if (S[C] - Best <= 1e-9 * std::max(1.0, std::fabs(Best)))
        A.push_back(Regions[C]);
    return A;
  }

private:
  struct TClass
  {
    double Mx, My, Sxx, Sxy, Syy, Det;
  };
  std::array<TClass, 3> FClasses{};
};

inline std::string ColorName(QRgb AColor)
{
  std::ostringstream S;
  S << "(" << qRed(AColor) << ", " << qGreen(AColor) << ", " << qBlue(AColor) << ")";
  return S.str();
}

/// Compares APicture with the picture the clusters must give. Returns "" when
/// every pixel matches, otherwise the first few mismatches.
inline std::string CompareWithReference(const QImage& APicture, const TClusters& AClusters)
{
  if (APicture.size() != QSize(Side, Side))
    return "the picture is " + std::to_string(APicture.width()) + " x " + std::to_string(APicture.height());
  const std::vector<std::optional<QRgb>> Layer = MarkerLayer(AClusters);
  const TReferenceModel Model(AClusters);
  std::ostringstream Out;
  int Bad = 0;
  for (int Y = 0; Y < Side; ++Y)
    for (int X = 0; X < Side; ++X) {
      const QRgb Got = APicture.pixel(X, Y) | 0xff000000u;
      const std::optional<QRgb> Marker = Layer[std::size_t(Y) * Side + std::size_t(X)];
      bool Ok;
      std::string Want;
      if (Marker) {
        Ok = Got == *Marker;
        Want = "marker " + ColorName(*Marker);
      } else {
        const std::vector<QRgb> Allowed = Model.AllowedRegions(X, Y);
        Ok = std::find(Allowed.begin(), Allowed.end(), Got) != Allowed.end();
        Want = "region " + ColorName(Allowed.front());
      }
      if (!Ok && Bad++ < 5)
        Out << "pixel (" << X << ", " << Y << ") is " << ColorName(Got) << ", want " << Want << "\n";
    }
  if (Bad)
    Out << Bad << " pixels differ";
  return Out.str();
}

/// One Run by a click on "Run", as a user makes it.
inline void ClickRun(TForm1& AForm)
{
  QTest::mouseClick(AForm.Button1, Qt::LeftButton);
}

/// A message box the catcher closed.
struct TSeenBox
{
  QString Title;
  QString Text;
  QMessageBox::Icon Icon;
};

/// While it lives, closes every modal message box that appears (as a user
/// pressing its default button) and records it.
class TMessageBoxCatcher
{
public:
  TMessageBoxCatcher()
  {
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
      auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!Box || !Box->isVisible())
        return;
      FSeen.push_back({Box->windowTitle(), Box->text(), Box->icon()});
      QAbstractButton* Button = Box->defaultButton() ? Box->defaultButton() : Box->buttons().value(0);
      if (Button)
        Button->click();
      else
        Box->reject();
    });
    FTimer.start(5);
  }
  const std::vector<TSeenBox>& Seen() const { return FSeen; }

private:
  QTimer FTimer;
  std::vector<TSeenBox> FSeen;
};

} // namespace AppFixtures
