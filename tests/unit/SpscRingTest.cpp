#include <gtest/gtest.h>

#include <thread>

#include "midi/SpscRing.h"

namespace korvel {
namespace {

TEST(SpscRing, RefusesWhenFullAndKeepsOrderAcrossTheWrap) {
  SpscRing<int> ring(4);
  int value = 0;
  EXPECT_FALSE(ring.Pop(value));
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ring.Push(round * 10 + i));
    EXPECT_FALSE(ring.Push(99)) << "a full ring must not overwrite";
    EXPECT_EQ(ring.Size(), 4u);
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(ring.Pop(value));
      EXPECT_EQ(value, round * 10 + i);
    }
    EXPECT_FALSE(ring.Pop(value));
  }
}

// Under ThreadSanitizer this also shows the ring needs no lock between its two sides.
TEST(SpscRing, OneProducerOneConsumerLoseNothing) {
  SpscRing<uint32_t> ring(64);
  constexpr uint32_t kCount = 200000;
  std::thread producer([&] {
    for (uint32_t i = 0; i < kCount;) {
      if (ring.Push(i))
        ++i;
      else
        std::this_thread::yield();
    }
  });
  uint32_t expected = 0;
  uint32_t value = 0;
  while (expected < kCount) {
    if (ring.Pop(value)) {
      ASSERT_EQ(value, expected);
      ++expected;
    } else {
      std::this_thread::yield();
    }
  }
  producer.join();
  EXPECT_EQ(ring.Size(), 0u);
}

}  // namespace
}  // namespace korvel
