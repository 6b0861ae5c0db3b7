#include "platform/PacedThread.h"

#include "platform/RealtimeThread.h"

#include "platform/IntendedTime.h"

namespace korvel {

PacedThread::PacedThread(EngineLock& lock, int sampleRate, int periodFrames,
                         std::function<void(int64_t)> advance, std::function<void()> stalled)
    : lock_(lock),
      sampleRate_(sampleRate),
      periodFrames_(periodFrames),
      advance_(std::move(advance)),
      stalled_(std::move(stalled)),
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

// Whole seconds and the rest apart, so that weeks of frames never overflow.
int64_t PacedThread::FramesIn(int64_t nanos) const {
  return nanos / kNanosPerSecond * sampleRate_ +
         nanos % kNanosPerSecond * sampleRate_ / kNanosPerSecond;
}

int64_t PacedThread::NanosOf(int64_t frames) const {
  return frames / sampleRate_ * kNanosPerSecond +
         frames % sampleRate_ * kNanosPerSecond / sampleRate_;
}

void PacedThread::Run() {
  realtime_.store(MakeThisThreadRealtime());
  uint64_t generation = 0;
  int64_t start = 0;  // when frame 0 was due
  int64_t done = 0;   // frames handed over since
  while (true) {
    {
      std::unique_lock guard(mutex_);
      wake_.wait(guard, [this] { return quit_ || running_; });
      if (quit_) return;
      if (generation != generation_) {
        generation = generation_;
        start = MonotonicNanos();
        done = 0;
      }
    }
    // The next turn: when a whole period more has fallen due. A turn that comes late hands
    // over everything due by then.
    SleepUntil(start + NanosOf(done + periodFrames_));
    const int64_t now = MonotonicNanos();
    const bool stalled = now - (start + NanosOf(done)) > kStallNanos;
    if (stalled) {
      // The time lost is skipped: playing goes on from now.
      start = now;
      done = 0;
    }
    const int64_t due = FramesIn(now - start);
    std::lock_guard engine(lock_);
    {
      std::lock_guard guard(mutex_);
      if (!running_ || generation != generation_) continue;
    }
    const IntendedTime meant(start + NanosOf(done + periodFrames_));
    if (stalled) stalled_();
    if (due > done) advance_(due - done);
    done = due;
  }
}

}  // namespace korvel
