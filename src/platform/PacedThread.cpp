#include "platform/PacedThread.h"

#include <algorithm>
#include <chrono>

#include "platform/IntendedTime.h"

namespace korvel {

PacedThread::PacedThread(EngineLock& lock, int sampleRate, int periodFrames,
                         std::function<void(int64_t)> advance)
    : lock_(lock),
      sampleRate_(sampleRate),
      periodFrames_(periodFrames),
      advance_(std::move(advance)),
      thread_([this] { Run(); }) {}

PacedThread::~PacedThread() {
  {
    std::lock_guard guard(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void PacedThread::Start() {
  {
    std::lock_guard guard(mutex_);
    running_ = true;
    ++generation_;
  }
  wake_.notify_all();
}

void PacedThread::Stop() {
  std::lock_guard guard(mutex_);
  running_ = false;
}

void PacedThread::Run() {
  using Clock = std::chrono::steady_clock;
  const auto period =
      std::chrono::nanoseconds(int64_t{1'000'000'000} * periodFrames_ / sampleRate_);
  // After a stall (a suspended machine, a debugger) the time lost is skipped, not played in a
  // burst: at most this much is caught up.
  const int64_t catchUp = int64_t{sampleRate_} / 20;
  uint64_t generation = 0;
  Clock::time_point start;
  int64_t done = 0;
  Clock::time_point next;
  while (true) {
    {
      std::unique_lock guard(mutex_);
      wake_.wait(guard, [this] { return quit_ || running_; });
      if (quit_) return;
      if (generation != generation_) {
        generation = generation_;
        start = Clock::now();
        next = start;
        done = 0;
      }
    }
    next += period;
    std::this_thread::sleep_until(next);
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
    int64_t due = elapsed.count() * sampleRate_ / 1'000'000'000;
    if (due - done > catchUp) {
      done = due - catchUp;
      next = Clock::now();
    }
    std::lock_guard engine(lock_);
    {
      std::lock_guard guard(mutex_);
      if (!running_ || generation != generation_) continue;
    }
    const IntendedTime meant(next);
    if (due > done) advance_(due - done);
    done = due;
  }
}

}  // namespace korvel
