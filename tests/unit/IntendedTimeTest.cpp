// The time a message is meant for: the deadline the clock thread publishes while it ticks, on
// that thread only, and "now" everywhere else and afterwards.
#include "platform/IntendedTime.h"

#include <gtest/gtest.h>

#include <thread>

namespace korvel {
namespace {

TEST(IntendedTime, TheDeadlineHoldsOnItsThreadWhileTheTickRuns) {
  constexpr int64_t kNow = 5'000'000;
  EXPECT_EQ(IntendedTime::Nanos(kNow), kNow) << "outside a tick: now";
  {
    const IntendedTime tick(4'000'000);
    EXPECT_EQ(IntendedTime::Nanos(kNow), 4'000'000);
    int64_t elsewhere = 0;
    std::thread([&] { elsewhere = IntendedTime::Nanos(kNow); }).join();
    EXPECT_EQ(elsewhere, kNow) << "a key played on another thread meanwhile: now";
    {
      const IntendedTime inner(4'500'000);
      EXPECT_EQ(IntendedTime::Nanos(kNow), 4'500'000);
    }
    EXPECT_EQ(IntendedTime::Nanos(kNow), 4'000'000) << "the outer deadline again";
  }
  EXPECT_EQ(IntendedTime::Nanos(kNow), kNow) << "after the tick: now";
  const IntendedTime early(6'000'000);
  EXPECT_EQ(IntendedTime::Nanos(kNow), kNow) << "never later than now";
}

}  // namespace
}  // namespace korvel
