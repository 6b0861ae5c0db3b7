#include <gtest/gtest.h>

#include "support/PlayerRig.h"

namespace korvel {
namespace {

class ComputerKeyboardTest : public ::testing::Test {
 protected:
  test::PlayerRig rig;
  ComputerKeyboard& keyboard = rig.engine.Keyboard;
  void SetUp() override { rig.driver.ClearSent(); }
};

TEST_F(ComputerKeyboardTest, LowerRowKeysPlayChordRootsADigitFirstPicksTheType) {
  keyboard.KeyDown('C', {});  // C is note 48 on the lower row
  EXPECT_EQ(rig.chord.ChordRoot, 48);
  EXPECT_EQ(rig.chord.ChordType, 1);
  keyboard.KeyUp('C', {});
  rig.chord.ChordRoot = 0;

  keyboard.KeyDown('4', {});  // slot 5
  keyboard.KeyDown('G', {});  // 51: Eb
  EXPECT_EQ(rig.chord.ChordRoot, 51);
  EXPECT_EQ(rig.chord.ChordType, 5);
  keyboard.KeyUp('G', {});
  keyboard.KeyUp('4', {});
  EXPECT_EQ(rig.engine.Chords.ChordTypeOverride, 0);
  EXPECT_EQ(rig.driver.Sent().size(), 0u) << "chords wait for the beat; nothing sounds yet";
}

TEST_F(ComputerKeyboardTest, UpperRowKeysPlayMelodyOnceWhileHeld) {
  keyboard.KeyDown('T', {});  // 48 + 12 on the upper row
  keyboard.KeyDown('T', {});  // auto-repeat
  keyboard.KeyUp('T', {});
  EXPECT_EQ(rig.driver.SentText(), "0 Module: 90 3C 64\n0 Module: 90 3C 00\n");
  rig.driver.ClearSent();
  keyboard.Layout = 1;  // Y and Z swap places
  keyboard.KeyDown('Y', {});
  keyboard.KeyUp('Y', {});
  EXPECT_EQ(rig.driver.SentText(), "0 Module: 90 3E 64\n0 Module: 90 3E 00\n") << "Z: 50 + 12";
}

TEST_F(ComputerKeyboardTest, FunctionKeys) {
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, {{0, 0x91, 60, 100}, {20, 0x91, 60, 0}})
      .Part(kFillBasic, 1, {{0, 0x91, 72, 100}, {20, 0x91, 72, 0}});
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(2);
  keyboard.KeyDown(vk::F1, {});
  EXPECT_EQ(rig.keys.ControlKeyNote, rig.keys.FillInKey);
  rig.Ticks(1);  // still early in the beat: the request is taken at the next clock
  EXPECT_EQ(rig.keys.ControlKeyNote, 0);
  EXPECT_EQ(rig.player.PartRequest, kFillBasic);
  keyboard.KeyDown(vk::F1 + 4, {});  // F5: the first tempo preset
  rig.Ticks(1);
  EXPECT_EQ(rig.transport.Tempo, 60);
  keyboard.KeyDown(vk::PageUp, {});
  EXPECT_EQ(rig.live.KeyboardOctave, 1);
  keyboard.KeyDown(vk::F1 + 9, {});  // F10: Stop
  EXPECT_FALSE(rig.player.Playing);
}

TEST_F(ComputerKeyboardTest, F9PausesAndResumesASongThoughItsPlaybackHoldsChordsOff) {
  int preset = -1;
  rig.engine.Input.Hooks.SelectInstrumentPreset = [&preset](int p) { preset = p; };
  uint8_t song[4 + 2 * 16] = {};
  song[4] = 48;
  song[5] = 1;
  song[4 + 16 + 2] = kCommandEnd;
  rig.engine.Song.LoadSong(song, sizeof song);
  keyboard.KeyDown(vk::F1 + 8, {});
  ASSERT_TRUE(rig.engine.Song.Running());
  EXPECT_FALSE(rig.engine.Input.Chords) << "the keyboard leaves the song's chords alone";
  keyboard.KeyDown(vk::F1 + 8, {});
  EXPECT_TRUE(rig.engine.Song.Paused());
  keyboard.KeyDown(vk::F1 + 8, {});
  EXPECT_TRUE(rig.engine.Song.Running());
  EXPECT_EQ(preset, -1);
  keyboard.KeyDown(vk::F1 + 9, {});
  EXPECT_TRUE(rig.engine.Input.Chords);
  // " Chords" off by the musician's choice: F9 is the ninth instrument key.
  rig.engine.SetAccompaniment(false);
  keyboard.KeyDown(vk::F1 + 8, {});
  EXPECT_EQ(preset, 8);
  EXPECT_FALSE(rig.engine.Song.Running());
}

TEST_F(ComputerKeyboardTest, TheOnScreenKeyboardPlaysChordsOrMelody) {
  keyboard.ScreenNoteOn(50, 90);
  EXPECT_EQ(rig.chord.ChordRoot, 50) << "with Accompaniment On a click is a chord root";
  keyboard.Accompaniment = false;
  rig.engine.Chords.ChordTranspose = 2;
  keyboard.ScreenNoteOn(60, 90);
  keyboard.ScreenNoteOff(60);
  EXPECT_EQ(rig.driver.SentText(), "0 Module: 90 3E 5A\n0 Module: 90 3E 00\n");
}

}  // namespace
}  // namespace korvel
