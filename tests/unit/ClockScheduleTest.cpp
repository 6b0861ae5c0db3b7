#include <gtest/gtest.h>

#include "platform/ClockSchedule.h"

namespace korvel {
namespace {

constexpr int64_t kSecond = 1'000'000'000;

// Drives the schedule as the clock thread does, with looks only when it asks for them.
int64_t RunClocks(ClockSchedule& schedule, int64_t start, int clocks) {
  int64_t look = start;
  int ticked = 0;
  int64_t last = start;
  while (ticked < clocks) {
    look = schedule.NextLook(look);
    if (schedule.Look(look, false)) {
      ++ticked;
      last = look;
    }
  }
  return last;
}

TEST(ClockSchedule, EveryTempoKeepsExactTimeOverAMinute) {
  for (int tempo = 25; tempo <= 250; ++tempo) {
    ClockSchedule schedule;
    schedule.SetTempo(tempo);
    const int64_t start = 5 * kSecond;
    // tempo x 24 clocks span exactly one minute: the first falls at the start.
    const int64_t last = RunClocks(schedule, start, tempo * 24 + 1);
    EXPECT_EQ(last - start, 60 * kSecond) << tempo << " BPM";
  }
}

TEST(ClockSchedule, AStallOfMoreThanFourClocksRestartsFromNowWithOneClock) {
  ClockSchedule schedule;
  schedule.SetTempo(120);  // 20.833 ms per clock
  const int64_t period = schedule.PeriodNanos();
  int64_t now = kSecond;
  ASSERT_TRUE(schedule.Look(now, false));
  now += 6 * period;  // the timer thread was blocked: the next clock is five periods overdue
  EXPECT_TRUE(schedule.Look(now, false));
  EXPECT_FALSE(schedule.Look(now + period / 4, false)) << "no burst after the stall";
  EXPECT_EQ(schedule.NextDue(), now + period) << "the schedule continues from that moment";
}

TEST(ClockSchedule, AShortDelayIsCaughtUpAtTheTimersPace) {
  ClockSchedule schedule;
  schedule.SetTempo(120);
  const int64_t period = schedule.PeriodNanos();
  const int64_t start = kSecond;
  ASSERT_TRUE(schedule.Look(start, false));
  const int64_t late = start + 3 * period + period / 2;  // three clocks overdue
  EXPECT_TRUE(schedule.Look(late, false));
  EXPECT_EQ(schedule.NextLook(late), late + period / 4);
  EXPECT_TRUE(schedule.Look(late + period / 4, false));
  EXPECT_TRUE(schedule.Look(late + period / 2, false));
  EXPECT_TRUE(schedule.Look(late + 3 * period / 4, false)) << "the clock at 4 periods is due";
  EXPECT_FALSE(schedule.Look(late + period, false)) << "caught up";
  EXPECT_EQ(schedule.NextDue(), start + 5 * 2'500'000'000 / 120) << "exact, not 5 rounded periods";
}

TEST(ClockSchedule, ClocksDueDuringALongTickAreDroppedAndTheGridKept) {
  ClockSchedule schedule;
  schedule.SetTempo(250);  // 10 ms
  const int64_t period = schedule.PeriodNanos();
  const int64_t start = kSecond;
  ASSERT_TRUE(schedule.Look(start, false));
  EXPECT_EQ(schedule.LooksDuringTick(start, start + 2 * period + period / 2), 2);
  EXPECT_EQ(schedule.NextDue(), start + 3 * period);
  EXPECT_EQ(schedule.LooksDuringTick(start, start + period / 2), 0);
}

TEST(ClockSchedule, ATempoChangeKeepsThePhase) {
  ClockSchedule schedule;
  schedule.SetTempo(120);
  ASSERT_TRUE(schedule.Look(kSecond, false));
  const int64_t due = schedule.NextDue();
  schedule.SetTempo(60);
  EXPECT_EQ(schedule.NextDue(), due);
  EXPECT_TRUE(schedule.Look(due, false));
  EXPECT_EQ(schedule.NextDue(), due + 2 * (due - kSecond));
}

}  // namespace
}  // namespace korvel
