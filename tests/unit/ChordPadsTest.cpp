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

}  // namespace
}  // namespace korvel
