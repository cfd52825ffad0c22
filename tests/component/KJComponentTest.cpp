#include "component/KJComponent.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

int LiveItems = 0;

class TTrackedItem : public TObject
{
public:
  explicit TTrackedItem(int AValue) : FValue(AValue) { ++LiveItems; }
  ~TTrackedItem() override { --LiveItems; }
  int FValue;
};

// Larger than the list's inline arena: such items come from the heap.
class TBigItem : public TTrackedItem
{
public:
  explicit TBigItem(int AValue) : TTrackedItem(AValue) { std::memset(FPayload, 0xA5, sizeof FPayload); }
  unsigned char FPayload[1000];
};

class TTrackedList : public TKJObjectList
{
public:
  static TRef<TTrackedList> Create() { return TRef<TTrackedList>(new TTrackedList); }
  void Add(int AValue) { AddItem<TTrackedItem>(AValue); }
  void AddBig(int AValue) { AddItem<TBigItem>(AValue); }
  void RemoveFirst() { DeleteItem(0); }
  using TKJObjectList::ClearItems;
  int Value(Integer AIndex) const { return static_cast<TTrackedItem*>(ItemAt(AIndex))->FValue; }
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
    L->Add(I);
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
    L->Add(I);
  L->RemoveFirst();
  EXPECT_EQ(L->GetCount(), 3);
  EXPECT_EQ(LiveItems, 3);
  EXPECT_EQ(L->Value(0), 1) << "the rest close up in order";
  EXPECT_EQ(L->Value(2), 3);
  L->ClearItems();
  EXPECT_EQ(L->GetCount(), 0);
  EXPECT_EQ(LiveItems, 0);
}

// Past the inline arena, and items bigger than it: all kept apart and freed.
TEST_F(KJObjectList, ManyAndLargeItemsAreKeptAndFreed)
{
  TRef<TTrackedList> L = TTrackedList::Create();
  for (int I = 0; I < 200; ++I) {
    if (I % 50 == 7)
      L->AddBig(I);
    else
      L->Add(I);
  }
  ASSERT_EQ(L->GetCount(), 200);
  for (int I = 0; I < 200; ++I)
    EXPECT_EQ(L->Value(I), I);
  EXPECT_EQ(LiveItems, 200);
  L.Reset();
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
