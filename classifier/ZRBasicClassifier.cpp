#include "classifier/ZRBasicClassifier.h"

EZRClassifierError::~EZRClassifierError() = default;

Boolean TZRLabels::FindLabel(Real ALabel, Integer& Index) const
{
  for (std::size_t I = 0; I < FLabels.size(); ++I) {
    if (FLabels[I] == ALabel) {
      Index = static_cast<Integer>(I);
      return true;
    }
  }
  return false;
}

Integer TZRLabels::AddLabel(Real ALabel)
{
  Integer Index = 0;
  if (FindLabel(ALabel, Index))
    return Index;
  FLabels.push_back(ALabel);
  return static_cast<Integer>(FLabels.size() - 1);
}

void TZRLabels::RaiseIndexError(Integer Index)
{
  throw ERangeError(Format("Index out of range = %u", static_cast<Cardinal>(Index)));
}
