#include "platform/ModuleStart.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(TModuleStart, WorkRunsAtFirstStartAndAtTheBalancingStop)
{
  TModuleStart M;
  int Starts = 0, Stops = 0;
  M.Start([&] { ++Starts; });
  M.Start([&] { ++Starts; });
  EXPECT_EQ(Starts, 1);
  EXPECT_TRUE(M.Started());
  M.Stop([&] { ++Stops; });
  EXPECT_EQ(Stops, 0) << "one start is still open";
  EXPECT_TRUE(M.Started());
  M.Stop([&] { ++Stops; });
  EXPECT_EQ(Stops, 1);
  EXPECT_FALSE(M.Started());
  M.Start([&] { ++Starts; });
  EXPECT_EQ(Starts, 2) << "a module can start again after a full stop";
}

TEST(TModuleStart, ConcurrentStartsRunTheWorkOnce)
{
  TModuleStart M;
  std::atomic<int> Starts{0};
  std::vector<std::thread> Threads;
  for (int I = 0; I < 8; ++I)
    Threads.emplace_back([&] { M.Start([&] { ++Starts; }); });
  for (std::thread& T : Threads)
    T.join();
  EXPECT_EQ(Starts.load(), 1);
}

} // namespace
