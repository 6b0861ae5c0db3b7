// The engine lock knows its holder, and a dialog lets it go so the clock and the MIDI input go
// on while the musician reads.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>

#include "platform/EngineLock.h"

namespace korvel {
namespace {

bool TakenElsewhere(EngineLock& lock) {
  auto other = std::async(std::launch::async, [&lock] {
    std::lock_guard held(lock);
    return lock.HeldByThisThread();
  });
  // A lock bug fails here instead of hanging the test run.
  if (other.wait_for(std::chrono::seconds(10)) != std::future_status::ready) std::abort();
  return other.get();
}

TEST(EngineLock, KnowsWhichThreadHoldsIt) {
  EngineLock lock;
  EXPECT_FALSE(lock.HeldByThisThread());
  {
    std::lock_guard held(lock);
    EXPECT_TRUE(lock.HeldByThisThread());
    auto other = std::async(std::launch::async, [&lock] { return lock.HeldByThisThread(); });
    EXPECT_FALSE(other.get());
  }
  EXPECT_FALSE(lock.HeldByThisThread());
  ASSERT_TRUE(lock.try_lock());
  EXPECT_TRUE(lock.HeldByThisThread());
  lock.unlock();
}

TEST(EngineLock, AnOpenDialogLetsOtherThreadsIn) {
  EngineLock lock;
  std::lock_guard held(lock);
  {
    const EngineLock::ReleasedWhileWaiting dialog(&lock);
    EXPECT_FALSE(lock.HeldByThisThread());
    EXPECT_TRUE(TakenElsewhere(lock)) << "the clock thread ticks while the box is open";
  }
  EXPECT_TRUE(lock.HeldByThisThread()) << "taken back when the box closes";
}

TEST(EngineLock, ADialogWithoutTheLockTakesNothing) {
  EngineLock lock;
  {
    const EngineLock::ReleasedWhileWaiting dialog(&lock);
    EXPECT_TRUE(TakenElsewhere(lock));
  }
  EXPECT_FALSE(lock.HeldByThisThread());
  const EngineLock::ReleasedWhileWaiting none(nullptr);
}

}  // namespace
}  // namespace korvel
