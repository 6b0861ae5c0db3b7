#include "platform/RealtimeThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <cerrno>

namespace korvel {

namespace {
// A priority above the usual audio threads' helpers but below the audio server's own.
constexpr int kRealtimePriority = 70;
}  // namespace

int64_t MonotonicNanos() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * kNanosPerSecond + now.tv_nsec;
}

void SleepUntil(int64_t deadline) {
  timespec at{static_cast<time_t>(deadline / kNanosPerSecond),
              static_cast<long>(deadline % kNanosPerSecond)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

bool MakeThisThreadRealtime() {
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);  // wake at the deadline, not up to 50 us later
  sched_param param{};
  param.sched_priority = kRealtimePriority;
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace korvel
