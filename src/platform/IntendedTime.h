// The time a message was meant to go out, for drivers that can place it exactly. A thread that
// runs the engine on a schedule (the clock, the file player's pacing) publishes the deadline it
// is serving for as long as the work runs; a message sent anywhere else is meant for "now".
#pragma once

#include <chrono>
#include <cstdint>

namespace korvel {

class IntendedTime {
 public:
  // Monotonic nanoseconds, as MonotonicNanos() counts them.
  explicit IntendedTime(int64_t nanos) : saved_(published_) { published_ = nanos; }
  explicit IntendedTime(std::chrono::steady_clock::time_point at)
      : IntendedTime(
            std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count()) {}
  ~IntendedTime() { published_ = saved_; }
  IntendedTime(const IntendedTime&) = delete;
  IntendedTime& operator=(const IntendedTime&) = delete;

  // The deadline this thread serves, or `now` when it serves none; never later than `now`.
  static int64_t Nanos(int64_t now) {
    return published_ != 0 && published_ < now ? published_ : now;
  }

 private:
  static inline thread_local int64_t published_ = 0;
  int64_t saved_;
};

}  // namespace korvel
