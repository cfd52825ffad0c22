#include "component/KJComponent.h"

TKJObjectList::~TKJObjectList() = default;

Integer TKJObjectList::GetCount() const
{
  return static_cast<Integer>(FItems.size());
}
