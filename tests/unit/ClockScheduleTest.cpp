#include <gtest/gtest.h>

#include "platform/ClockSchedule.h"
#include "platform/RealtimeThread.h"

namespace korvel {
namespace {

constexpr int64_t kSecond = kNanosPerSecond;
using Due = ClockSchedule::Due;

// Drives the schedule as the clock thread does: it sleeps to the next due time, and a tick
// takes `tickNanos(n)` for the n-th clock. Returns the times the clocks were ticked at.
template <typename TickNanos>
std::vector<int64_t> RunClocks(ClockSchedule& schedule, int64_t start, int clocks,
                               TickNanos tickNanos, std::vector<Due>* dues = nullptr) {
  std::vector<int64_t> ticked;
  int64_t now = start;
  while (static_cast<int>(ticked.size()) < clocks) {
    now = std::max(now, schedule.NextDue());
    const Due due = schedule.Look(now);
    if (due == Due::Not) continue;
    if (dues) dues->push_back(due);
    ticked.push_back(now);
    now += tickNanos(static_cast<int>(ticked.size()) - 1);
  }
  return ticked;
}

int64_t Instant(int) {
  return 0;
}

TEST(ClockSchedule, EveryTempoKeepsExactTimeOverAMinute) {
  for (int tempo = 25; tempo <= 250; ++tempo) {
    ClockSchedule schedule;
    schedule.SetTempo(tempo);
    const int64_t start = 5 * kSecond;
    // tempo x 24 clocks span exactly one minute: the first falls at the start.
    const auto ticked = RunClocks(schedule, start, tempo * 24 + 1, Instant);
    EXPECT_EQ(ticked.back() - start, 60 * kSecond) << tempo << " BPM";
  }
}

// A tick that runs long delays the clocks after it, which then follow back to back until the
// schedule has caught up; none is skipped and the grid stays where it was.
TEST(ClockSchedule, ClocksDueDuringALongTickArePlayedLateBackToBack) {
  struct Case {
    int tempo;
    int longTick;    // which clock runs long
    double periods;  // how long, in clock periods
    int late;        // clocks played late because of it
  };
  for (const Case c :
       {Case{250, 3, 2.5, 2}, Case{120, 0, 4.5, 4}, Case{25, 10, 9.0, 8}, Case{250, 5, 60.0, 59}}) {
    ClockSchedule schedule;
    schedule.SetTempo(c.tempo);
    const int64_t period = schedule.PeriodNanos();
    const int64_t start = kSecond;
    const auto slow = [&](int n) {
      return n == c.longTick ? static_cast<int64_t>(c.periods * static_cast<double>(period)) : 0;
    };
    std::vector<Due> dues;
    const int clocks = c.longTick + c.late + 10;
    const auto ticked = RunClocks(schedule, start, clocks, slow, &dues);
    const int64_t tickEnd = ticked[static_cast<size_t>(c.longTick)] + slow(c.longTick);
    int late = 0;
    for (int n = c.longTick + 1; n < clocks; ++n) {
      const int64_t meant = start + n * 2'500'000'000LL / c.tempo;
      if (meant < tickEnd) {
        ++late;
        EXPECT_EQ(ticked[static_cast<size_t>(n)], tickEnd) << c.tempo << " BPM, clock " << n;
      } else {
        EXPECT_EQ(ticked[static_cast<size_t>(n)], meant) << "back on the grid, clock " << n;
      }
    }
    EXPECT_EQ(late, c.late) << c.tempo << " BPM";
    EXPECT_EQ(std::count(dues.begin(), dues.end(), Due::AfterStall), 0);
    EXPECT_EQ(schedule.Skipped(), 0u);
  }
}

TEST(ClockSchedule, AStallSkipsTheTimeLostAndGoesOnFromThePresent) {
  ClockSchedule schedule;
  schedule.SetTempo(120);  // 20.833 ms per clock
  const int64_t period = schedule.PeriodNanos();
  ASSERT_EQ(schedule.Look(kSecond), Due::Clock);
  const int64_t resumed = kSecond + period + 5 * kSecond;  // suspended for five seconds
  EXPECT_EQ(schedule.Look(resumed), Due::AfterStall);
  EXPECT_EQ(schedule.Skipped(), static_cast<uint64_t>(5 * kSecond / period));
  EXPECT_EQ(schedule.NextDue(), resumed + period) << "no burst after the stall";
  EXPECT_EQ(schedule.Look(resumed + period / 2), Due::Not);
  EXPECT_EQ(schedule.Look(resumed + period), Due::Clock);
}

TEST(ClockSchedule, ASecondLateIsStillCaughtUp) {
  ClockSchedule schedule;
  schedule.SetTempo(250);
  ASSERT_EQ(schedule.Look(kSecond), Due::Clock);
  const int64_t due = schedule.NextDue();
  EXPECT_EQ(schedule.Look(due + kStallNanos), Due::Clock);
  EXPECT_EQ(schedule.Skipped(), 0u);
}

TEST(ClockSchedule, ATempoChangeKeepsThePhaseAndARestartBeginsAfresh) {
  ClockSchedule schedule;
  schedule.SetTempo(120);
  ASSERT_EQ(schedule.Look(kSecond), Due::Clock);
  const int64_t due = schedule.NextDue();
  schedule.SetTempo(60);
  EXPECT_EQ(schedule.NextDue(), due);
  EXPECT_EQ(schedule.Look(due), Due::Clock);
  EXPECT_EQ(schedule.NextDue(), due + 2 * (due - kSecond));
  schedule.Restart();
  EXPECT_EQ(schedule.Look(100 * kSecond), Due::Clock) << "a stopped clock is no stall";
  EXPECT_EQ(schedule.Skipped(), 0u);
}

}  // namespace
}  // namespace korvel
