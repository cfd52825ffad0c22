#include "component/KJComponent.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

int LiveItems = 0;

class TTrackedItem : public TObject
{
public:
  TTrackedItem() { ++LiveItems; }
  ~TTrackedItem() override { --LiveItems; }
};

class TTrackedList : public TKJObjectList
{
public:
  static TRef<TTrackedList> Create() { return TRef<TTrackedList>(new TTrackedList); }
  void Add() { FItems.push_back(std::make_unique<TTrackedItem>()); }
  void RemoveFirst() { FItems.erase(FItems.begin()); }
  void ClearItems() { FItems.clear(); }
};

class KJObjectList : public ::testing::Test
{
protected:
  void SetUp() override { LiveItems = 0; }
  void TearDown() override { EXPECT_EQ(LiveItems, 0) << "an item leaked or was freed twice"; }
};

TEST_F(KJObjectList, TheLastReferenceFreesTheListAndEveryItem)
{
  TRef<TTrackedList> L = TTrackedList::Create();
  for (int I = 0; I < 3; ++I)
    L->Add();
  EXPECT_EQ(L->GetCount(), 3);
  EXPECT_EQ(LiveItems, 3);
  {
    TRef<IInterface> Other(L.Get());
    L.Reset();
    EXPECT_EQ(LiveItems, 3) << "another reference keeps the list";
  }
  EXPECT_EQ(LiveItems, 0);
}

TEST_F(KJObjectList, RemovingOrClearingFreesTheItems)
{
  TRef<TTrackedList> L = TTrackedList::Create();
  for (int I = 0; I < 4; ++I)
    L->Add();
  L->RemoveFirst();
  EXPECT_EQ(L->GetCount(), 3);
  EXPECT_EQ(LiveItems, 3);
  L->ClearItems();
  EXPECT_EQ(L->GetCount(), 0);
  EXPECT_EQ(LiveItems, 0);
}

struct INothingElse : virtual IInterface
{
  static constexpr TGUID IID = MakeGUID("{0C3E5A10-0001-4000-8000-00000000C0DE}");
  using TParent = IInterface;
};

TEST_F(KJObjectList, AnswersOnlyTheBaseInterface)
{
  TRef<TTrackedList> L = TTrackedList::Create();
  EXPECT_TRUE(Query<IInterface>(L.Get()));
  EXPECT_FALSE(Query<INothingElse>(L.Get()));
}

} // namespace
