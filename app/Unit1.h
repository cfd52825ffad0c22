//===- app/Unit1.h - The demo's main form -----------------------*- C++ -*-===//
///
/// \file
/// `TForm1`, the main window: a "Run" button (`Button1`), the 500 x 500
/// picture (`Image1`) and the classifier (`ZRNaiveBayes1`). Each press of
/// "Run" draws three labelled clusters of 50 points, trains the classifier on
/// them, paints every pixel of the picture in the dark colour of its
/// predicted class and marks the training points on top in full colour: a
/// map of the three decision regions.
///
/// | class | region (pixel)     | marker (pen and brush) |
/// |-------|--------------------|------------------------|
/// | 1     | (127, 0, 0)        | (255, 0, 0)            |
/// | 2     | (0, 127, 0)        | (0, 255, 0)            |
/// | 3     | (0, 0, 127)        | (0, 0, 255)            |
///
/// The clusters come from Random (DemoRandom.h); seed it first to repeat a
/// picture.
///
/// Thread safety: GUI thread only. A Run is synchronous: the window is not
/// redrawn and takes no input until it is over.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "app/ImageControl.h"
#include "classifier/ZRNaiveBayes.h"

#include <QPushButton>
#include <QWidget>

#include <memory>

class TForm1 : public QWidget
{
public:
  /// Region colours of classes 1..3, as 0xffRRGGBB.
  static constexpr QRgb RegionColors[3] = {0xff7f0000, 0xff007f00, 0xff00007f};
  /// Marker colours of classes 1..3.
  static constexpr QRgb MarkerColors[3] = {0xffff0000, 0xff00ff00, 0xff0000ff};
  /// Client area. The form was designed as a window of 533 x 586 including a
  /// frame of 4-pixel borders and a 26-pixel caption; the window manager adds
  /// its own frame around this.
  static constexpr int ClientWidth = 525;
  static constexpr int ClientHeight = 552;
  /// The picture's side in pixels.
  static constexpr int PictureSize = 500;
  /// Points per cluster.
  static constexpr int ClusterSize = 50;

  explicit TForm1(QWidget* AParent = nullptr);
  ~TForm1() override;

  QPushButton* Button1;                         // owned by the form (child widget)
  TImage* Image1;                               // owned by the form (child widget)
  const std::unique_ptr<TZRNaiveBayes> ZRNaiveBayes1; // owned; OnResult = ZRNaiveBayes1Result

  /// The Run: clusters, training, one Predict per pixel (rows y outer,
  /// columns x inner), then the markers. Raises what the buffers or the
  /// classifier raise (EQDDLLLoadError without the bridge); the picture then
  /// keeps what was painted. Repaints the picture when it ends, either way.
  void Button1Click(QObject* ASender);
  /// The classifier's OnResult: paints pixel (x, y) = (AFeatures[0],
  /// AFeatures[1]) in the region colour of the winning label when that label
  /// rounds to 1, 2 or 3; any other label paints nothing.
  void ZRNaiveBayes1Result(TObject* ASender, const TRef<IQDRealBuffer>& AFeatures,
                           TZRNaiveBayesResult* AResult);
};
