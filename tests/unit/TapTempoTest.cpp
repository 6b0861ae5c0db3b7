// Tap tempo: a bar of taps gives the tempo of its average interval, rounded once; taps too fast
// to be beats give no tempo, a long pause starts the bar again, and eighths give the quarter
// tempo.
#include <gtest/gtest.h>

#include <vector>

#include "app/TapTempo.h"

namespace korvel {
namespace {

struct TapCase {
  const char* name;
  int taps;
  bool eighths;
  std::vector<int64_t> times;  // ms; the last one completes the bar
  TapTempo::Result result;
  int tempo;
};

TEST(TapTempo, ABarOfTapsGivesTheTempoOfItsAverageInterval) {
  using R = TapTempo::Result;
  const TapCase cases[] = {
      {"four taps 500 ms apart", 4, false, {1000, 1500, 2000, 2500}, R::Tempo, 120},
      {"uneven taps are averaged", 4, false, {0, 600, 1200, 1850}, R::Tempo, 97},
      {"not only three tempos near 120", 4, false, {0, 484, 968, 1452}, R::Tempo, 124},
      {"3/4 sets it on the third tap", 3, false, {0, 400, 800}, R::Tempo, 150},
      {"eighths give the quarter tempo", 6, true, {0, 250, 500, 750, 1000, 1250}, R::Tempo, 120},
      {"a held key's repeats are no tempo", 4, false, {0, 30, 60, 90}, R::NoTempo, 0},
      {"all in one instant is no tempo", 4, false, {5, 5, 5, 5}, R::NoTempo, 0},
      {"clamped to the fastest tempo", 4, false, {0, 100, 200, 300}, R::Tempo, 250},
      {"a long pause starts the bar again", 4, false, {0, 9000, 9600, 10200, 10800}, R::Tempo, 100},
      {"a clock going back starts again", 4, false, {5000, 0, 500, 1000, 1500}, R::Tempo, 120},
  };
  for (const auto& c : cases) {
    TapTempo tap(c.taps, c.eighths);
    for (size_t i = 0; i + 1 < c.times.size(); ++i)
      ASSERT_EQ(tap.Tap(c.times[i]), R::Waiting) << c.name << ", tap " << i + 1;
    EXPECT_EQ(tap.Tap(c.times.back()), c.result) << c.name;
    if (c.result == R::Tempo) {
      EXPECT_EQ(tap.Tempo(), c.tempo) << c.name;
    }
  }
}

TEST(TapTempo, TheNextBarStartsAfterATempo) {
  TapTempo tap(4, false);
  for (int64_t ms : {0, 500, 1000}) tap.Tap(ms);
  ASSERT_EQ(tap.Tap(1500), TapTempo::Result::Tempo);
  for (int64_t ms : {2000, 2600, 3200}) EXPECT_EQ(tap.Tap(ms), TapTempo::Result::Waiting);
  ASSERT_EQ(tap.Tap(3800), TapTempo::Result::Tempo);
  EXPECT_EQ(tap.Tempo(), 100);
}

}  // namespace
}  // namespace korvel
