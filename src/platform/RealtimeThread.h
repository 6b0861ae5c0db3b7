// What the clock thread and the file player's pacing thread share: the monotonic time they run
// on, sleeping to an absolute deadline, real-time scheduling, and the lateness that counts as a
// stall. Both play every clock or frame that falls due, late ones back to back; only after a
// stall (a suspended machine, a debugger) is the lost time skipped.
#pragma once

#include <cstdint>

namespace korvel {

inline constexpr int64_t kNanosPerSecond = 1'000'000'000;
// More than this late is a stall, not a burst to catch up.
inline constexpr int64_t kStallNanos = kNanosPerSecond;

// Monotonic time in nanoseconds.
int64_t MonotonicNanos();
// Sleeps until the monotonic time `deadline`; returns at once when it has passed.
void SleepUntil(int64_t deadline);
// Asks real-time scheduling (SCHED_FIFO) and the finest timer slack for the calling thread;
// false when the system refuses it, and the thread runs on at normal priority.
bool MakeThisThreadRealtime();

}  // namespace korvel
