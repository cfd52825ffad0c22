// Storage blocks and the pool used from several threads at once. These run
// under ThreadSanitizer too, so they stay short.
#include "buffers/QDInternalStore.h"

#include "buffers/QDSimpleDataBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(PoolThreads, ABlockFreedOnOneThreadServesTheNextRequestOnAnother)
{
  // This thread's cache empty, so that its next requests go to the pool, where
  // the other thread's cache goes when that thread ends.
  TQDThreadBlockCache::Flush();
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(5);
  const Real* Data = A->Read();
  const TQDSmartBuffer* Block = A->GetDataContainer();
  std::thread([&] { A.Reset(); }).join();
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateSize(5);
  EXPECT_EQ(B->Read(), Data);
  EXPECT_EQ(B->GetDataContainer(), Block);
}

TEST(PoolThreads, ThePoolsOwnTimerGivesIdleBlocksBack)
{
  TQDSmartBufferManager Pool;
  Pool.Deallocate(Pool.Allocate(64), 64);
  Pool.StartTimer(1ms);
  EXPECT_TRUE(Pool.TimerRunning());
  // Nine ticks of 1 ms; the deadline only turns a hang into a failure.
  const auto Deadline = std::chrono::steady_clock::now() + 60s;
  while (Pool.FindChain(64) && std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(Pool.FindChain(64));
  Pool.StopTimer();
  EXPECT_FALSE(Pool.TimerRunning());
  EXPECT_FALSE(Pool.Busy());
}

TEST(PoolThreads, CopyOnWriteOfOneSharedBlockFromSeveralThreads)
{
  constexpr Cardinal Size = 8;
  TRef<TQDRealBuffer> Origin = TQDRealBuffer::CreateSize(Size);
  for (Cardinal I = 0; I < Size; ++I)
    Origin->SetItem(static_cast<Integer>(I), I);
  TQDSmartBuffer* Shared = Origin->GetDataContainer();
  std::atomic<int> Bad{0};
  auto Work = [&](Real ATag) {
    for (int Round = 0; Round < 3000; ++Round) {
      TRef<TQDRealBuffer> Copy = TQDRealBuffer::CreateCopy(Origin);
      const Integer At = Round % static_cast<Integer>(Size);
      Copy->SetItem(At, ATag); // copies the shared block first
      for (Integer I = 0; I < static_cast<Integer>(Size); ++I)
        if (Copy->GetItem(I) != (I == At ? ATag : Real(I)))
          ++Bad;
    }
  };
  std::vector<std::thread> Threads;
  for (int T = 0; T < 3; ++T)
    Threads.emplace_back(Work, 100.0 + T);
  for (std::thread& T : Threads)
    T.join();
  EXPECT_EQ(Bad.load(), 0);
  EXPECT_EQ(Shared->CountOwners(), 1);
  EXPECT_EQ(Shared->CountTransports(), 1);
  for (Cardinal I = 0; I < Size; ++I)
    EXPECT_EQ(Origin->GetItem(static_cast<Integer>(I)), Real(I));
}

// Buffers made on one thread, shared, written and released on another, while
// a third thread trims and empties the pool as fast as it can.
TEST(PoolThreads, BuffersCrossThreadsWhileThePoolIsTrimmed)
{
  struct TQueue
  {
    std::mutex Lock;
    std::deque<TRef<TQDRealBuffer>> Items; // guarded by Lock
  };
  TQueue Queues[2];
  std::atomic<bool> Done{false};
  std::atomic<int> Bad{0};

  // A buffer of N values made by the thread with ATag holds ATag + index.
  auto Check = [&](const TRef<TQDRealBuffer>& ABuffer, Real ATag) {
    for (Cardinal I = 0; I < ABuffer->GetSize(); ++I)
      if (ABuffer->Read()[I] != ATag + I)
        ++Bad;
  };
  auto Work = [&](int ASelf) {
    const Real Tag = 1000.0 * (ASelf + 1), OtherTag = 1000.0 * (2 - ASelf);
    TQueue& Out = Queues[ASelf];
    TQueue& In = Queues[1 - ASelf];
    for (int Round = 0; Round < 4000; ++Round) {
      const Cardinal N = 1 + static_cast<Cardinal>(Round % 37);
      TRef<TQDRealBuffer> Made = TQDRealBuffer::CreateSize(N);
      Real* P = Made->Write();
      for (Cardinal I = 0; I < N; ++I)
        P[I] = Tag + I;
      {
        std::lock_guard<std::mutex> Guard(Out.Lock);
        Out.Items.push_back(TQDRealBuffer::CreateCopy(Made)); // shares Made's block
      }
      Made->SetItem(0, -1.0); // the copy on its way keeps the old values
      TRef<TQDRealBuffer> Got;
      {
        std::lock_guard<std::mutex> Guard(In.Lock);
        if (!In.Items.empty()) {
          Got = std::move(In.Items.front());
          In.Items.pop_front();
        }
      }
      if (Got) {
        Check(Got, OtherTag);
        Got->SetItem(0, OtherTag); // writes what was there: in place or a copy
        Check(Got, OtherTag);
      }
    }
  };
  std::thread Trimmer([&] {
    for (int Round = 1; !Done; ++Round) {
      SmartBufferManager().Tick();
      if (Round % 64 == 0)
        SmartBufferManager().ReleaseMemory();
      std::this_thread::yield();
    }
  });
  std::thread A(Work, 0), B(Work, 1);
  A.join();
  B.join();
  Done = true;
  Trimmer.join();
  for (int Q = 0; Q < 2; ++Q)
    for (const TRef<TQDRealBuffer>& Left : Queues[Q].Items)
      Check(Left, 1000.0 * (Q + 1));
  EXPECT_EQ(Bad.load(), 0);
  EXPECT_FALSE(SmartBufferManager().Busy());
}

} // namespace
