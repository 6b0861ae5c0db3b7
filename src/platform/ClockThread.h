// The precise clock: a thread that sleeps to absolute deadlines on the monotonic clock and, for
// every MIDI clock that falls due, runs the tick under the engine lock; clocks that fell due
// while a tick ran late follow back to back. It asks for real-time scheduling and the finest
// timer slack, and carries on without them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/ClockSchedule.h"
#include "platform/EngineLock.h"
#include "platform/RealtimeThread.h"

namespace korvel {

// What the transport asks of its timer.
class ClockTimer {
 public:
  virtual ~ClockTimer() = default;
  // (Re)starts the clock at `tempo` beats per minute; the phase of a running clock is kept.
  virtual void Start(int tempo) = 0;
  virtual void Stop() = 0;
};

class ClockThread : public ClockTimer {
 public:
  // `tick` runs on the clock thread with `lock` held. An error that leaves a tick (an output
  // that fails) goes to `failed` in words, still under the lock, and the clock goes on. After a
  // stall, `stalled` runs under the lock before the tick that goes on from the present.
  ClockThread(EngineLock& lock, std::function<void()> tick,
              std::function<void(const std::string&)> failed, std::function<void()> stalled);
  ~ClockThread() override;
  ClockThread(const ClockThread&) = delete;
  ClockThread& operator=(const ClockThread&) = delete;

  // Both may be called with the engine lock held: they never wait for the thread.
  void Start(int tempo) override;
  void Stop() override;

  // Whether the thread got real-time scheduling.
  bool Realtime() const { return realtime_.load(); }
  // Clocks skipped by stalls; a clock that is merely late is played, not dropped.
  uint64_t Dropped() const { return dropped_.load(); }

 private:
  void Run();

  EngineLock& lock_;
  std::function<void()> tick_;
  std::function<void(const std::string&)> failed_;
  std::function<void()> stalled_;
  std::mutex mutex_;  // guards the fields below, never held while ticking
  std::condition_variable wake_;
  bool running_ = false;
  bool quit_ = false;
  int tempo_ = 120;
  std::atomic<bool> realtime_{false};
  std::atomic<uint64_t> dropped_{0};
  std::thread thread_;
};

// Raises (true) or restores (false) the scheduling priority of the whole process while a song
// plays or records, where the system permits; returns whether the change was made.
bool SetProcessPriorityHigh(bool high);

}  // namespace korvel
