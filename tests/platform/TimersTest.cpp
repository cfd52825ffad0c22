#include "platform/Timers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

/// Counts calls and lets the test wait for a number of them. The timeout only
/// turns a hang into a failure; a passing run waits a few milliseconds.
class TCallCounter
{
public:
  void Hit()
  {
    {
      std::lock_guard<std::mutex> Guard(FLock);
      ++FCalls;
    }
    FChanged.notify_all();
  }
  bool WaitFor(int ACalls)
  {
    std::unique_lock<std::mutex> Guard(FLock);
    return FChanged.wait_for(Guard, 60s, [&] { return FCalls >= ACalls; });
  }
  int Calls()
  {
    std::lock_guard<std::mutex> Guard(FLock);
    return FCalls;
  }

private:
  std::mutex FLock;
  std::condition_variable FChanged;
  int FCalls = 0; // guarded by FLock
};

class PeriodicTimer : public ::testing::TestWithParam<std::chrono::milliseconds> {};

TEST_P(PeriodicTimer, CallsUntilStoppedAndNeverAfter)
{
  TCallCounter First, Second; // outlive the timer
  TPeriodicTimer Timer;
  EXPECT_FALSE(Timer.Running());
  Timer.Start(GetParam(), [&] { First.Hit(); });
  EXPECT_TRUE(Timer.Running());
  ASSERT_TRUE(First.WaitFor(3));
  Timer.Stop();
  EXPECT_FALSE(Timer.Running());
  const int CallsAtStop = First.Calls();

  // Restarted with another callback: the first one is not called again, even
  // while the new one is called several times.
  Timer.Start(1ms, [&] { Second.Hit(); });
  ASSERT_TRUE(Second.WaitFor(3));
  Timer.Stop();
  EXPECT_EQ(First.Calls(), CallsAtStop);
}

// An interval below 1 ms is taken as 1 ms: the timer still runs, and does not spin.
INSTANTIATE_TEST_SUITE_P(Timers, PeriodicTimer, ::testing::Values(0ms, 1ms),
                         [](const auto& AInfo) {
                           return std::to_string(AInfo.param.count()) + "ms";
                         });

TEST(TPeriodicTimer, AnErrorInTheCallbackIsDroppedAndTheTimerGoesOn)
{
  TCallCounter Calls; // outlives the timer
  TPeriodicTimer Timer;
  Timer.Start(1ms, [&] {
    Calls.Hit();
    throw std::runtime_error("callback failed");
  });
  EXPECT_TRUE(Calls.WaitFor(3));
  EXPECT_TRUE(Timer.Running());
}

TEST(TPeriodicTimer, DestroyingARunningTimerEndsItsThread)
{
  auto Token = std::make_shared<int>(0);
  TCallCounter Calls;
  {
    TPeriodicTimer Timer;
    Timer.Start(1ms, [&Calls, Token] { Calls.Hit(); });
    ASSERT_TRUE(Calls.WaitFor(1));
    EXPECT_EQ(Token.use_count(), 2) << "the running thread holds the callback";
  }
  EXPECT_EQ(Token.use_count(), 1) << "thread ended, callback destroyed";
}

TEST(TPeriodicTimer, StopAndForgetDoNothingOnAStoppedTimer)
{
  TCallCounter Calls; // outlives the timer
  TPeriodicTimer Timer;
  Timer.Stop();
  Timer.ForgetAfterFork();
  EXPECT_FALSE(Timer.Running());
  Timer.Start(1ms, [&] { Calls.Hit(); });
  EXPECT_TRUE(Calls.WaitFor(1));
}

} // namespace
