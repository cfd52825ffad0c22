// Reference counts released on several threads at once. Runs under
// ThreadSanitizer too, so it stays short.
#include "platform/Interfaces.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

std::atomic<int> GLastReleases{0};

class TCounted : public TInterfacedObject
{
public:
  int Seen[2] = {0, 0}; // one per releasing thread

protected:
  void LastReleased() noexcept override
  {
    GLastReleases.fetch_add(1, std::memory_order_relaxed);
    delete this;
  }
};

// Two threads drop the last two references of each object at the same moment:
// exactly one of them frees it, after both are done with it.
TEST(InterfacesThreads, TheLastTwoReferencesGoTogetherAndTheObjectGoesOnce)
{
  constexpr int Objects = 2000;
  std::vector<TRef<TCounted>> Left(Objects), Right(Objects);
  for (int I = 0; I < Objects; ++I) {
    Left[I] = FirstRef(new TCounted);
    Right[I] = Left[I];
  }
  GLastReleases = 0;
  std::atomic<int> Ready{0};
  auto Drop = [&](std::vector<TRef<TCounted>>& AMine, int AThread) {
    Ready.fetch_add(1);
    while (Ready.load() < 2) {
    }
    for (TRef<TCounted>& R : AMine) {
      R->Seen[AThread] = 1; // a write the freeing thread must see before the delete
      R.Reset();
    }
  };
  std::thread A(Drop, std::ref(Left), 0);
  std::thread B(Drop, std::ref(Right), 1);
  A.join();
  B.join();
  EXPECT_EQ(GLastReleases.load(), Objects);
}

} // namespace
