#include "platform/Interfaces.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

int LiveCount = 0;

struct IAnimal : virtual IInterface
{
  static constexpr TGUID IID = MakeGUID("{6F1B2C3D-0001-4000-8000-000000000001}");
  using TParent = IInterface;
  virtual int Legs() = 0;
};

struct IBird : virtual IAnimal
{
  static constexpr TGUID IID = MakeGUID("{6F1B2C3D-0002-4000-8000-000000000002}");
  using TParent = IAnimal;
  virtual bool Flies() = 0;
};

struct IPet : virtual IInterface
{
  static constexpr TGUID IID = MakeGUID("{6F1B2C3D-0003-4000-8000-000000000003}");
  using TParent = IInterface;
  virtual int Name() = 0;
};

struct INeverImplemented : virtual IInterface
{
  static constexpr TGUID IID = MakeGUID("{6F1B2C3D-0004-4000-8000-000000000004}");
  using TParent = IInterface;
};

class TTracked : public TInterfacedObject, public virtual IBird, public virtual IPet
{
public:
  TTracked() { ++LiveCount; }
  ~TTracked() override { --LiveCount; }
  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override
  {
    if (QueryInterfaceOf<IBird>(this, AIID, AObj) || QueryInterfaceOf<IPet>(this, AIID, AObj))
      return S_OK;
    return TInterfacedObject::QueryInterface(AIID, AObj);
  }
  int Legs() override { return 2; }
  bool Flies() override { return true; }
  int Name() override { return 7; }
};

static_assert(!std::is_convertible_v<TRef<IAnimal>, TRef<IBird>>, "downcasts go through Query");
static_assert(std::is_convertible_v<TRef<IBird>, TRef<IAnimal>>, "upcasts are implicit");
static_assert(std::is_convertible_v<TRef<TTracked>, TRef<IPet>>, "a class converts to its interfaces");

class InterfacesTest : public ::testing::Test
{
protected:
  void TearDown() override { EXPECT_EQ(LiveCount, 0) << "an object leaked or was freed twice"; }
};

TEST_F(InterfacesTest, LastReferenceFreesTheObject)
{
  TRef<TTracked> A(new TTracked);
  EXPECT_EQ(A->RefCount(), 1);
  {
    TRef<IBird> B = A;
    TRef<IAnimal> C = B;
    EXPECT_EQ(A->RefCount(), 3);
  }
  EXPECT_EQ(A->RefCount(), 1);
  TRef<TTracked> Moved = std::move(A);
  EXPECT_FALSE(A);
  EXPECT_EQ(Moved->RefCount(), 1) << "moving hands the reference over";
  Moved.Reset();
  EXPECT_EQ(LiveCount, 0);
}

TEST_F(InterfacesTest, AdoptTakesOverAnAddedReference)
{
  auto* Raw = new TTracked;
  Raw->AddRef();
  TRef<IPet> P = TRef<IPet>::Adopt(Raw);
  EXPECT_EQ(Raw->RefCount(), 1);
  IPet* Detached = P.Detach();
  EXPECT_FALSE(P);
  EXPECT_EQ(Raw->RefCount(), 1);
  Detached->Release();
}

// Hands itself out while it is being made.
class TSelfPublishing : public TTracked
{
public:
  static inline TRef<TSelfPublishing> Published;
  TSelfPublishing() { Published = TRef<TSelfPublishing>(this); }
};

TEST_F(InterfacesTest, FirstRefCountsOneOrAddsToWhatTheConstructorTook)
{
  TRef<TTracked> Plain = FirstRef(new TTracked);
  EXPECT_EQ(Plain->RefCount(), 1);
  TRef<TSelfPublishing> Made = FirstRef(new TSelfPublishing);
  EXPECT_EQ(Made->RefCount(), 2);
  TSelfPublishing::Published.Reset();
  EXPECT_EQ(Made->RefCount(), 1);
  Made.Reset();
  Plain.Reset();
  EXPECT_EQ(LiveCount, 0);
}

TEST_F(InterfacesTest, QueryAnswersEachInterfaceAndItsParents)
{
  TRef<IPet> Pet(new TTracked);
  TRef<IAnimal> Animal = Query<IAnimal>(Pet);
  ASSERT_TRUE(Animal);
  EXPECT_EQ(Animal->Legs(), 2);
  EXPECT_TRUE(Query<IBird>(Animal)->Flies());
  EXPECT_EQ(Query<IPet>(Animal)->Name(), 7);
  EXPECT_TRUE(Query<IInterface>(Animal));
  // One object behind every interface: the counts are shared.
  EXPECT_EQ(dynamic_cast<TTracked*>(Pet.Get())->RefCount(), 2);
}

TEST_F(InterfacesTest, UnsupportedQueryIsEmptyAndCastRaises)
{
  TRef<IPet> Pet(new TTracked);
  void* Obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(Pet->QueryInterface(INeverImplemented::IID, &Obj), E_NOINTERFACE);
  EXPECT_EQ(Obj, nullptr);
  EXPECT_FALSE(Query<INeverImplemented>(Pet));
  try {
    Cast<INeverImplemented>(Pet);
    FAIL() << "Cast did not raise";
  } catch (const EInvalidCast& E) {
    EXPECT_EQ(E.Message(), "Interface not supported");
  }
  EXPECT_FALSE(Cast<IBird>(TRef<IPet>())) << "a cast of nil is nil";
}

TEST_F(InterfacesTest, ReferencesFromManyThreadsBalance)
{
  TRef<IBird> Shared(new TTracked);
  std::vector<std::thread> Threads;
  for (int T = 0; T < 4; ++T)
    Threads.emplace_back([Shared] {
      for (int I = 0; I < 20000; ++I) {
        TRef<IAnimal> A = Shared;
        TRef<IPet> P = Query<IPet>(A);
        ASSERT_TRUE(P);
      }
    });
  for (std::thread& T : Threads)
    T.join();
  EXPECT_EQ(dynamic_cast<TTracked*>(Shared.Get())->RefCount(), 1);
}

} // namespace
