#include <gtest/gtest.h>

#include "support/PlayerRig.h"

namespace korvel {
namespace {

class ChordPadsTest : public ::testing::Test {
 protected:
  test::PlayerRig rig;
  ChordPads& pads = rig.engine.Pads;

  void LoadStyle() {
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}))
        .Part(kFillBasic, 1, test::BeatNotes({72, 72, 72, 72}));
    rig.Load(fixture);
  }
};

TEST_F(ChordPadsTest, BeforeTheStylePlaysAControlPadIsACMajorChordThatStartsIt) {
  for (bool shift : {false, true}) {
    test::PlayerRig fresh;
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 64, 67, 72}));
    fresh.Load(fixture);
    fresh.engine.Pads.ControlPadDown(ControlPad::FillIn, shift);
    EXPECT_TRUE(fresh.player.Playing) << shift;
    EXPECT_EQ(fresh.chord.EditChordRoot, 48) << "the style has a chord to follow";
    EXPECT_EQ(fresh.chord.EditChordType, 1);
    fresh.Ticks(30);
    EXPECT_FALSE(fresh.Notes().empty()) << "and it sounds";
  }
  pads.ControlPadDown(ControlPad::Ending, false);  // no style holds events: nothing happens
  EXPECT_FALSE(rig.player.Playing);
  EXPECT_EQ(rig.chord.EditChordRoot, kNoChord);
  EXPECT_EQ(rig.keys.ControlKeyNote, 0);
}

TEST_F(ChordPadsTest, WhileTheStylePlaysAPadIsItsControlKeyAndShiftMakesItIntro) {
  LoadStyle();
  rig.Start();
  rig.Chord(50, 1);
  rig.Ticks(5);
  const struct {
    ControlPad pad;
    bool shift;
    int key;
  } cases[] = {
      {ControlPad::FillIn, false, rig.keys.FillInKey},
      {ControlPad::Extended, false, rig.keys.ToAdvKey},
      {ControlPad::Basic, false, rig.keys.ToBasicKey},
      {ControlPad::Intro, false, rig.keys.IntroKey()},
      {ControlPad::FillIn, true, rig.keys.IntroKey()},
      {ControlPad::Ending, true, rig.keys.IntroKey()},
  };
  for (const auto& c : cases) {
    rig.engine.Chords.ChordTypeOverride = 4;
    pads.ControlPadDown(c.pad, c.shift);
    EXPECT_EQ(rig.keys.RecControlKeyNote, c.key) << static_cast<int>(c.pad) << " " << c.shift;
    EXPECT_EQ(rig.engine.Chords.ChordTypeOverride, c.shift ? 0 : 4);
    rig.Ticks(1);  // the request is taken
  }
  EXPECT_EQ(rig.chord.EditChordRoot, 50) << "no chord came from the pads";
}

TEST_F(ChordPadsTest, TheIntroActionStartsTheInternalClockWhileTheExternalOneIsAwaited) {
  LoadStyle();
  rig.transport.SetSlaveMode(true);
  rig.transport.ToggleClock();  // off: the internal clock was on
  rig.transport.ToggleClock();  // on: the external clock
  ASSERT_EQ(rig.transport.ClockState, -1);
  rig.engine.Chords.SetChord(50, 2, 0);  // the first chord starts the style, which waits
  ASSERT_TRUE(rig.player.Playing);
  ASSERT_GT(rig.transport.StartDelay, 0);
  pads.ControlPadDown(ControlPad::FillIn, true);
  EXPECT_FALSE(rig.transport.SlaveMode);
  EXPECT_EQ(rig.transport.ClockState, 1);
  EXPECT_TRUE(rig.player.Playing);
  EXPECT_EQ(rig.player.VoiceRoot, 50) << "the last chord, voiced at once";
  EXPECT_EQ(rig.player.VoiceType, 2);
}

TEST(PadNames, EachPadNamesItsRootInTheSectionAndItsRowsSlot) {
  std::array<uint8_t, 20> slots{};
  for (size_t i = 0; i < slots.size(); ++i) slots[i] = static_cast<uint8_t>(i);
  slots[2] = 12;  // row B holds mM7: a chord, not a control pad
  const struct {
    const char* name;
    bool control;
    int root;
    int type;
  } cases[] = {
      {"A00", false, 48, 1},  {"A04", false, 52, 1}, {"A07", false, 55, 1},
      {"A08", false, 44, 1},  {"A11", false, 47, 1}, {"B07", false, 55, 12},
      {"K03", false, 51, 11}, {"L00", true, 0, 0},   {"L04b", true, 0, 0},
  };
  for (const auto& c : cases) {
    const auto pad = DecodePad(c.name, slots);
    ASSERT_TRUE(pad) << c.name;
    EXPECT_EQ(pad->Control, c.control) << c.name;
    EXPECT_EQ(pad->Root, c.root) << c.name;
    EXPECT_EQ(pad->Type, c.type) << c.name;
  }
  EXPECT_EQ(DecodePad("L04", slots)->Pad, ControlPad::Intro);
  for (const char* bad : {"", "A0", "A12", "L05", "M00", "a00", "Ax1", "@00"})
    EXPECT_FALSE(DecodePad(bad, slots)) << bad;
  slots[3] = 0;  // a damaged slot plays nothing
  EXPECT_FALSE(DecodePad("C00", slots));
}

TEST_F(ChordPadsTest, WhileTheClockRunsEditDoesNotTurnPadsIntoPicks) {
  LoadStyle();
  rig.engine.Song.Overwrite = true;
  ASSERT_NE(rig.transport.ClockState, 0);
  EXPECT_TRUE(pads.PadDown("B07", false));
  EXPECT_FALSE(pads.Pick());
  EXPECT_EQ(rig.chord.EditChordRoot % 12, 7) << "played";
  rig.transport.ToggleClock();  // stopped: the next pad is a pick
  EXPECT_TRUE(pads.PadDown("A02", false));
  ASSERT_TRUE(pads.Pick());
  EXPECT_EQ(pads.Pick()->Root, 50);
  rig.transport.ToggleClock();  // a transport reset releases everything
  EXPECT_FALSE(pads.Pick());
}

TEST_F(ChordPadsTest, TheIntroActionKeepsTheChordItStartsWith) {
  LoadStyle();
  rig.transport.SetSlaveMode(true);
  rig.transport.ToggleClock();
  rig.transport.ToggleClock();
  rig.engine.Chords.SetChord(53, 12, kFinalRoot);  // F mM7 waits for the external start
  ASSERT_GT(rig.transport.StartDelay, 0);
  pads.IntroAction();
  EXPECT_EQ(rig.player.VoiceRoot, 53);
  EXPECT_EQ(rig.player.VoiceType, 12) << "mM7 is a chord like any other";
}

}  // namespace
}  // namespace korvel
