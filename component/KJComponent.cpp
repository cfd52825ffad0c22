#include "component/KJComponent.h"

TKJObjectList::~TKJObjectList()
{
  ClearItems();
}

Integer TKJObjectList::GetCount() const
{
  return static_cast<Integer>(FItems.size());
}

void TKJObjectList::DeleteItem(Integer AIndex)
{
  TObject* Item = FItems[static_cast<std::size_t>(AIndex)];
  FItems.erase(FItems.begin() + AIndex);
  Item->~TObject(); // the memory stays with the arena
}

void TKJObjectList::ClearItems() noexcept
{
  for (TObject* Item : FItems)
    Item->~TObject();
  FItems.clear();
}
