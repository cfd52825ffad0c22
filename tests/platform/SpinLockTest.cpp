#include "platform/SpinLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

/// try_lock from another thread: whether the lock could be taken there now.
bool TakeableElsewhere(TRecursiveSpinLock& ALock)
{
  bool Took = false;
  std::thread([&] {
    Took = ALock.try_lock();
    if (Took)
      ALock.unlock();
  }).join();
  return Took;
}

TEST(TRecursiveSpinLock, TheOwnerTakesItAgainAndOthersWaitForTheLastRelease)
{
  TRecursiveSpinLock Lock;
  EXPECT_FALSE(Lock.IsLocked());
  EXPECT_FALSE(Lock.HeldByThisThread());
  Lock.lock();
  Lock.lock();
  EXPECT_TRUE(Lock.try_lock());
  EXPECT_TRUE(Lock.HeldByThisThread());
  bool HeldThere = true;
  std::thread([&] { HeldThere = Lock.HeldByThisThread(); }).join();
  EXPECT_FALSE(HeldThere);
  Lock.unlock();
  Lock.unlock();
  EXPECT_FALSE(TakeableElsewhere(Lock)) << "one take is still open";
  EXPECT_TRUE(Lock.HeldByThisThread());
  Lock.unlock();
  EXPECT_FALSE(Lock.IsLocked());
  EXPECT_FALSE(Lock.HeldByThisThread());
  EXPECT_TRUE(TakeableElsewhere(Lock));
}

TEST(TRecursiveSpinLock, AWaiterGetsTheLockOnlyAfterTheHolderLetsGo)
{
  TRecursiveSpinLock Lock;
  bool Released = false; // written by the holder inside its section
  bool SawRelease = false;
  Lock.lock();
  std::atomic<bool> Waiting{false};
  std::thread Waiter([&] {
    Waiting = true;
    std::lock_guard<TRecursiveSpinLock> Guard(Lock);
    SawRelease = Released;
  });
  while (!Waiting)
    std::this_thread::yield();
  Released = true;
  Lock.unlock();
  Waiter.join();
  EXPECT_TRUE(SawRelease);
  EXPECT_FALSE(Lock.IsLocked());
}

TEST(TRecursiveSpinLock, SectionsOfSeveralThreadsNeverOverlap)
{
  TRecursiveSpinLock Lock;
  long Counter = 0;   // guarded by Lock
  int Inside = 0;     // guarded by Lock: threads in the section right now
  bool Overlap = false;
  constexpr int Rounds = 20000;
  auto Work = [&] {
    for (int I = 0; I < Rounds; ++I) {
      std::lock_guard<TRecursiveSpinLock> Outer(Lock);
      std::lock_guard<TRecursiveSpinLock> Nested(Lock);
      Overlap = Overlap || ++Inside != 1;
      ++Counter;
      --Inside;
    }
  };
  std::vector<std::thread> Threads;
  for (int T = 0; T < 3; ++T)
    Threads.emplace_back(Work);
  for (std::thread& T : Threads)
    T.join();
  EXPECT_EQ(Counter, 3L * Rounds);
  EXPECT_FALSE(Overlap);
}

} // namespace
