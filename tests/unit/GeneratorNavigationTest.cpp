#include "stylegen/GeneratorNavigation.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace korvel {
namespace {

NavigationState Metre(int measureSixteenths, int beatSixteenths) {
  NavigationState s;
  s.MeasureSixteenths = measureSixteenths;
  s.BeatSixteenths = beatSixteenths;
  return s;
}

// The counter while beat `beat` of measure `measure` plays.
int32_t CounterAt(const NavigationState& s, int measure, int beat) {
  return 4 + (measure - 1) * s.MeasureSixteenths + beat * s.BeatSixteenths;
}

TEST(GeneratorNavigation, PlayingMeasureIsTheSameOnEveryBeatIn44And68) {
  for (const auto& [ms, bs, beats] : {std::tuple{16, 4, 4}, std::tuple{12, 2, 6}}) {
    NavigationState s = Metre(ms, bs);
    for (int measure = 1; measure <= 3; ++measure) {
      for (int beat = 1; beat <= beats; ++beat) {
        s.SixteenthCounter = CounterAt(s, measure, beat);
        EXPECT_EQ(PlayingMeasure(s), measure) << ms << " m" << measure << " b" << beat;
        LoopStartHere(s);
        EXPECT_EQ(s.LoopStart, measure);
      }
    }
    s.SixteenthCounter = 4;  // before the first beat
    EXPECT_EQ(PlayingMeasure(s), 1);
  }
}

TEST(GeneratorNavigation, MovesByMeasureStayInsideTheMaterial) {
  enum Op { Next, Previous, Last4, Back, Forward };
  const struct {
    int ms, bs, measures;  // metre and length of the material
    int at;                // playing measure (beat 2)
    bool loopSet;          // style mode with LoopStart = at, LoopEnd = at + 1
    Op op;
    bool moves;
    int target;  // measure entered
    int loopStart, loopEnd;
  } cases[] = {
      {16, 4, 8, 3, false, Next, true, 4, 4, 0},    {16, 4, 8, 8, false, Next, false, 0, 8, 0},
      {16, 4, 8, 3, true, Next, true, 4, 4, 5},     {16, 4, 8, 1, false, Previous, false, 0, 1, 0},
      {16, 4, 8, 3, true, Previous, true, 2, 2, 3}, {16, 4, 8, 2, false, Last4, true, 5, 5, 0},
      {16, 4, 2, 2, false, Last4, true, 1, 1, 0},   {16, 4, 8, 2, true, Back, true, 1, 1, 0},
      {16, 4, 12, 6, true, Back, true, 2, 2, 0},    {16, 4, 12, 2, true, Forward, true, 6, 6, 0},
      {16, 4, 8, 7, true, Forward, true, 8, 8, 0},  {16, 4, 8, 8, true, Forward, false, 0, 8, 9},
      {12, 2, 4, 2, false, Next, true, 3, 3, 0},    {12, 2, 4, 4, false, Next, false, 0, 4, 0},
      {12, 2, 6, 1, false, Last4, true, 3, 3, 0},
  };
  for (const auto& c : cases) {
    NavigationState s = Metre(c.ms, c.bs);
    s.StyleMode = true;
    s.SixteenthCounter = CounterAt(s, c.at, 2);
    s.LoopStart = c.at;
    s.LoopEnd = c.loopSet ? c.at + 1 : 0;
    NavigationMove move;
    const int work = c.measures * c.ms;
    bool moved = false;
    switch (c.op) {
      case Next:
        moved = NextMeasure(s, work, move);
        break;
      case Previous:
        moved = PreviousMeasure(s, move);
        break;
      case Last4:
        moved = LastFourMeasures(s, work, move);
        break;
      case Back:
        moved = LoopsBack(s, move);
        break;
      case Forward:
        moved = LoopsForward(s, work, move);
        break;
    }
    const std::string what = "metre " + std::to_string(c.ms) + " op " + std::to_string(c.op) +
                             " at " + std::to_string(c.at);
    ASSERT_EQ(moved, c.moves) << what;
    if (!moved) continue;
    EXPECT_EQ(move.Measures, c.target - 1) << what;
    EXPECT_EQ(move.SixteenthCounter, (c.target - 1) * c.ms + 4) << what;
    EXPECT_EQ(s.LoopStart, c.loopStart) << what;
    EXPECT_EQ(s.LoopEnd, c.loopEnd) << what;
  }
}

class ChaseFixture : public ::testing::Test {
 protected:
  WorkMaterial work;
  ChannelState sent;
  int32_t chunk1Program = -1;

  void SetUp() override {
    ASSERT_TRUE(work.AllocateWork());
    WorkWriter w(work);
    w.Message(0xC0, 5, 0);
    w.Message(0xB0, 7, 100);
    w.Message(0xB1, 7, 90);  // channel 2 has no notes
    w.Message(0xB0, 84, 60);
    w.Message(0xB0, 121, 0);  // not chased
    w.Message(0x90, 60, 100);
    w.Clocks(1);
    // Fill chunk 0 so that the next messages lie in chunk 1.
    while (work.CurrentChunk == 0) w.Message(0xA0, 60, 1);
    chunk1Program = w.Position();
    w.Message(0xC0, 9, 0);
    w.Message(0xB0, 7, 100);
    w.Clocks(24);
    w.Finish();
  }
};

TEST_F(ChaseFixture, ChasesAcrossChunksAfterTheResetEvenForValuesSentBefore) {
  // Volume 100 was the last value sent on channel 1 before the move.
  sent.ThinRepeated(0xB0, 0, 7, 100, false);
  const auto out = ChaseControllers(work, {0, 0}, {1, chunk1Program + 6}, 2, false, sent);
  std::string expected;
  for (int ch = 0; ch < 16; ++ch)
    expected += ChasedText({ChasedMessage{static_cast<uint8_t>(0xB0 | ch), 121, 0}});
  expected += "C0 05 00\nB0 07 64\nB0 54 3E\nC0 09 00\n";  // the second volume 100 is thinned
  EXPECT_EQ(ChasedText(out), expected);
}

TEST_F(ChaseFixture, TransmitControllersSendsRepeatsAndAnEmptyRangeOnlyResets) {
  const auto all = ChaseControllers(work, {0, 0}, {1, chunk1Program + 6}, 0, true, sent);
  EXPECT_EQ(all.size(), 16u + 5u);
  const auto none = ChaseControllers(work, {1, 0}, {0, 5}, 0, false, sent);
  EXPECT_EQ(none.size(), 16u);
  EXPECT_EQ(ChasedText(PitchBendCentre()).substr(0, 18), "E0 00 40\nE1 00 40\n");
}

}  // namespace
}  // namespace korvel
