#include "platform/SpinLock.h"

#include <sched.h>

void SpinLockDetail::WaitUntilFree(const std::atomic<const void*>& AOwner) noexcept
{
  // Spin a little first: the sections this lock guards end within a few
  // hundred cycles unless the holder was preempted. Then give the processor
  // away, so that a preempted holder (on a machine with few cores) can finish.
  constexpr int SpinRounds = 64;
  for (int I = 0; I < SpinRounds; ++I) {
    if (!AOwner.load(std::memory_order_relaxed))
      return;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
  while (AOwner.load(std::memory_order_relaxed))
    sched_yield();
}
