// A thread that advances something by sample time in step with the monotonic clock: while it
// runs, it wakes every period, takes the engine lock and hands over the frames that fell due
// since its last turn; frames that fell due while a turn ran late are handed over with the
// next, so nothing is skipped. Only after a stall is the time lost skipped. It runs with
// real-time scheduling where the system permits it, as the clock does. The file player's
// sample clock runs on it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/EngineLock.h"

namespace korvel {

class PacedThread {
 public:
  // `advance` runs on the thread with `lock` held; `periodFrames` is the wake-up interval.
  // After a stall, `stalled` runs under the lock instead of handing over the time lost.
  PacedThread(EngineLock& lock, int sampleRate, int periodFrames,
              std::function<void(int64_t frames)> advance, std::function<void()> stalled);
  // Joins the thread: call it without the engine lock.
  ~PacedThread();
  PacedThread(const PacedThread&) = delete;
  PacedThread& operator=(const PacedThread&) = delete;

  // Both may be called with the engine lock held (also from `advance`): they never wait.
  void Start();
  void Stop();

  // Whether the thread got real-time scheduling.
  bool Realtime() const { return realtime_.load(); }

 private:
  void Run();
  int64_t FramesIn(int64_t nanos) const;
  int64_t NanosOf(int64_t frames) const;

  EngineLock& lock_;
  const int sampleRate_;
  const int periodFrames_;
  std::function<void(int64_t)> advance_;
  std::function<void()> stalled_;
  std::mutex mutex_;  // guards the fields below; never held while advancing
  std::condition_variable wake_;
  bool running_ = false;
  bool quit_ = false;
  uint64_t generation_ = 0;  // counts starts, so a stop and start in between restarts the time
  std::atomic<bool> realtime_{false};
  std::thread thread_;
};

}  // namespace korvel
