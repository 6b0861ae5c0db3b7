#include "platform/ClockThread.h"

#include <sys/resource.h>

#include <exception>
#include <filesystem>
#include <string>

#include "platform/IntendedTime.h"

namespace korvel {

ClockThread::ClockThread(EngineLock& lock, std::function<void()> tick,
                         std::function<void(const std::string&)> failed,
                         std::function<void()> stalled)
    : lock_(lock),
      tick_(std::move(tick)),
      failed_(std::move(failed)),
      stalled_(std::move(stalled)) {
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
  for (;;) {
    {
      std::unique_lock guard(mutex_);
      if (!running_) {
        // A clock started again begins afresh; a stop and start this thread never saw (a
        // tempo change) keeps the phase.
        schedule.Restart();
        wake_.wait(guard, [&] { return quit_ || running_; });
      }
      if (quit_) return;
      if (tempo_ != schedule.Tempo()) schedule.SetTempo(tempo_);
    }
    // A sleep ends at its deadline even when the tempo changes meanwhile: the new tempo counts
    // from the next clock on, so turning the tempo knob never holds the clock back. A clock
    // already due (a tick ran late) is played at once.
    SleepUntil(schedule.NextDue());
    const ClockSchedule::Due due = schedule.Look(MonotonicNanos());
    if (due == ClockSchedule::Due::Not) continue;
    dropped_.store(schedule.Skipped());
    std::lock_guard engine(lock_);
    {
      // Stopped while this clock waited for the lock: it is not ticked.
      std::lock_guard guard(mutex_);
      if (!running_) continue;
    }
    const IntendedTime meant(schedule.NextDue() - schedule.PeriodNanos());
    try {
      if (due == ClockSchedule::Due::AfterStall) stalled_();
      tick_();
    } catch (const std::exception& error) {
      failed_(error.what());
    }
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
