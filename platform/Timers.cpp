#include "platform/Timers.h"

#include <cassert>
#include <condition_variable>
#include <mutex>
#include <thread>

// One TControl per started timer thread: the thread's wake-up and the flag
// that ends it.
struct TPeriodicTimer::TControl
{
  std::mutex Lock;             // guards Stopping
  std::condition_variable Wake;
  bool Stopping = false;
  std::thread Thread;          // not joinable when the timer is stopped
};

namespace {

void RunTimer(std::mutex& ALock, std::condition_variable& AWake, const bool& AStopping,
              std::chrono::milliseconds AInterval, const TPeriodicTimer::TCallback& ACallback)
{
  using TClock = std::chrono::steady_clock;
  std::unique_lock<std::mutex> Guard(ALock);
  TClock::time_point Next = TClock::now() + AInterval;
  for (;;) {
    if (AWake.wait_until(Guard, Next, [&] { return AStopping; }))
      return;
    Guard.unlock();
    try {
      ACallback();
    } catch (...) {
      // A timer thread must not end the program: the error is dropped.
    }
    Guard.lock();
    Next += AInterval;
    const TClock::time_point Now = TClock::now();
    if (Next <= Now)
      Next = Now + AInterval; // overran: no burst of calls to catch up
  }
}

} // namespace

TPeriodicTimer::TPeriodicTimer() = default;

TPeriodicTimer::~TPeriodicTimer()
{
  Stop();
}

void TPeriodicTimer::Start(std::chrono::milliseconds AInterval, TCallback ACallback)
{
  Stop();
  if (AInterval < std::chrono::milliseconds(1))
    AInterval = std::chrono::milliseconds(1);
  if (!FControl)
    FControl = std::make_unique<TControl>();
  TControl& C = *FControl;
  {
    std::lock_guard<std::mutex> Guard(C.Lock);
    C.Stopping = false;
  }
  C.Thread = std::thread([&C, AInterval, Callback = std::move(ACallback)] {
    RunTimer(C.Lock, C.Wake, C.Stopping, AInterval, Callback);
  });
}

void TPeriodicTimer::Stop() noexcept
{
  if (!FControl || !FControl->Thread.joinable())
    return;
  TControl& C = *FControl;
  assert(C.Thread.get_id() != std::this_thread::get_id() && "Stop called from the timer's callback");
  {
    std::lock_guard<std::mutex> Guard(C.Lock);
    C.Stopping = true;
  }
  C.Wake.notify_all();
  if (C.Thread.get_id() == std::this_thread::get_id()) {
    C.Thread.detach(); // from the callback: the thread ends when the call returns
    return;
  }
  C.Thread.join();
}

bool TPeriodicTimer::Running() const noexcept
{
  return FControl && FControl->Thread.joinable();
}

void TPeriodicTimer::ForgetAfterFork() noexcept
{
  // The parent's thread does not exist here, and its lock may have been held
  // when the process forked: leave both alone and start afresh.
  if (!Running())
    return;
  (void)FControl.release();
  // Start makes a new one when this fails.
  FControl.reset(new (std::nothrow) TControl);
}
