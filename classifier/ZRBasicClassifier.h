//===- classifier/ZRBasicClassifier.h - Shared classifier parts -*- C++ -*-===//
///
/// \file
/// What every classifier shares: the label table `TZRLabels`, which maps class
/// labels (any Real values) to class indexes in order of first appearance, and
/// `EZRClassifierError`, raised for input a classifier cannot work with.
///
/// \code
///   TZRLabels L;
///   L.AddLabel(2.0);   // 0
///   L.AddLabel(1.0);   // 1
///   L.AddLabel(2.0);   // 0 again; Count stays 2
/// \endcode
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/Exceptions.h"
#include "platform/Interfaces.h"
#include "platform/PlatformTypes.h"

#include <vector>

/// Input a classifier cannot work with (sizes that do not match the model, an
/// untrained model, a label the model does not know). Raised before the model
/// or any output is touched; the message names the problem.
class EZRClassifierError : public Exception
{
public:
  using Exception::Exception;
  ~EZRClassifierError() override;
};

/// The label table: the position of a label is its class index. Labels are
/// compared exactly (1.0 and 1.0000000001 are two labels; 0.0 and -0.0 are
/// one; a NaN never equals anything, so each NaN becomes a label of its own).
/// A label is removed only by Clear.
///
/// Thread safety: none; the owner serialises access.
class TZRLabels : public TObject
{
public:
  TZRLabels() = default;

  /// Scans from index 0 upwards for the first label equal to ALabel. On a
  /// match sets Index and returns true; otherwise returns false and leaves
  /// Index unchanged.
  Boolean FindLabel(Real ALabel, Integer& Index) const;
  /// The index of ALabel, appending it first when it is new.
  Integer AddLabel(Real ALabel);
  /// Removes every label.
  void Clear() { FLabels.clear(); }
  /// Number of labels (property `Count`).
  Integer GetCount() const { return static_cast<Integer>(FLabels.size()); }
  /// The label of class Index. Raises ERangeError "Index out of range = %u"
  /// unless 0 <= Index < Count.
  Real GetLabel(Integer Index) const
  {
    if (static_cast<Cardinal>(Index) >= FLabels.size())
      RaiseIndexError(Index);
    return FLabels[static_cast<std::size_t>(Index)];
  }

private:
  [[noreturn]] static void RaiseIndexError(Integer Index);

  std::vector<Real> FLabels; // label values; position = class index
};
