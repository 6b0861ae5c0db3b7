#include "platform/ClockThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <time.h>

#include <exception>
#include <filesystem>
#include <string>

#include "platform/IntendedTime.h"

namespace korvel {

int64_t MonotonicNanos() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

namespace {

void SleepUntil(int64_t deadline) {
  timespec at{static_cast<time_t>(deadline / 1'000'000'000),
              static_cast<long>(deadline % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

// A priority above the usual audio threads' helpers but below the audio server's own.
constexpr int kClockPriority = 70;

bool MakeThisThreadRealtime() {
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);  // wake at the deadline, not up to 50 us later
  sched_param param{};
  param.sched_priority = kClockPriority;
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace

ClockThread::ClockThread(EngineLock& lock, std::function<void()> tick,
                         std::function<void(const std::string&)> failed)
    : lock_(lock), tick_(std::move(tick)), failed_(std::move(failed)) {
  thread_ = std::thread(&ClockThread::Run, this);
}

ClockThread::~ClockThread() {
  {
    std::lock_guard guard(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ClockThread::Start(int tempo) {
  {
    std::lock_guard guard(mutex_);
    running_ = true;
    tempo_ = tempo;
  }
  wake_.notify_all();
}

void ClockThread::Stop() {
  {
    std::lock_guard guard(mutex_);
    running_ = false;
  }
  wake_.notify_all();
}

void ClockThread::Run() {
  realtime_.store(MakeThisThreadRealtime());
  ClockSchedule schedule;
  int64_t lastLook = MonotonicNanos();
  for (;;) {
    {
      std::unique_lock guard(mutex_);
      wake_.wait(guard, [&] { return quit_ || running_; });
      if (quit_) return;
      if (tempo_ != schedule.Tempo()) schedule.SetTempo(tempo_);
    }
    // A sleep ends at its deadline even when the tempo changes meanwhile: the new tempo counts
    // from the next clock on, so turning the tempo knob never holds the clock back.
    SleepUntil(schedule.NextLook(lastLook));
    lastLook = MonotonicNanos();
    if (!schedule.Look(lastLook, false)) continue;
    const int64_t start = lastLook;
    {
      std::lock_guard engine(lock_);
      bool running;
      {
        // Stopped while this clock waited for the lock: it is not ticked.
        std::lock_guard guard(mutex_);
        running = running_;
      }
      if (running) {
        const IntendedTime meant(schedule.NextDue() - schedule.PeriodNanos());
        try {
          tick_();
        } catch (const std::exception& error) {
          failed_(error.what());
        }
      }
    }
    dropped_ += static_cast<uint64_t>(schedule.LooksDuringTick(start, MonotonicNanos()));
  }
}

bool SetProcessPriorityHigh(bool high) {
  // Nice values belong to threads on Linux: every thread of the process is set, as a priority
  // class covers the whole process.
  static const int saved = getpriority(PRIO_PROCESS, 0);
  const int nice = high ? -10 : saved;
  bool all = true;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    const auto tid = static_cast<id_t>(std::stoul(task.path().filename().string()));
    all = setpriority(PRIO_PROCESS, tid, nice) == 0 && all;
  }
  return all && !error;
}

}  // namespace korvel
