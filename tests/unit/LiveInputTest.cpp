#include <gtest/gtest.h>

#include <functional>

#include "support/PlayerRig.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

class LiveInputTest : public ::testing::Test {
 protected:
  test::PlayerRig rig;
  LiveInput& input = rig.engine.Input;

  void SetUp() override { rig.driver.ClearSent(); }
  void Play(uint8_t status, uint8_t data1, uint8_t data2) {
    input.Route({.MidiMessage = status, .Data1 = data1, .Data2 = data2});
  }
  // What went out on the thru port, as hex text.
  std::string Sent() {
    std::string text = rig.driver.SentText();
    rig.driver.ClearSent();
    return text;
  }
};

TEST_F(LiveInputTest, ChordKeysControlKeysAndTheRest) {
  Play(0x90, 48, 100);
  Play(0x90, 52, 100);
  Play(0x90, 55, 100);
  EXPECT_EQ(rig.chord.ChordRoot, 48) << "C E G in the section";
  EXPECT_EQ(Sent(), "") << "chord keys are not sent on";
  Play(0x80, 48, 64);  // a note-off with release velocity
  EXPECT_EQ(rig.engine.Chords.HeldCount, 2);

  Play(0x90, 38, 100);  // the Ending key (default 38)
  EXPECT_EQ(rig.keys.ControlKeyNote, 38);
  EXPECT_TRUE(rig.keys.EndingPending);
  Play(0x90, 36, 100);  // Fill in while the ending is pending: the intro instead
  EXPECT_EQ(rig.keys.ControlKeyNote, rig.keys.IntroKey());
  EXPECT_FALSE(rig.keys.EndingPending);
  EXPECT_EQ(Sent(), "");

  Play(0x90, 35, 100);  // below the control keys: a note like any other
  Play(0x90, 72, 90);   // above the section
  EXPECT_EQ(Sent(), "0 Module: 90 23 64\n0 Module: 90 48 5A\n");
}

TEST_F(LiveInputTest, EndingTwiceStopsAtOnce) {
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, {{0, 0x91, 60, 100}, {20, 0x91, 60, 0}});
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(3);
  ASSERT_TRUE(rig.player.Playing);
  input.ControlKeyPressed(rig.keys.EndingKey, 12);
  EXPECT_TRUE(rig.player.Playing);
  input.ControlKeyPressed(rig.keys.EndingKey, 12);
  EXPECT_FALSE(rig.player.Playing);
}

TEST_F(LiveInputTest, ChannelsVelocitiesAndControllers) {
  input.UnchangedExtIn = false;
  rig.live.SelChannel = 4;
  input.ChordChannel = 2;
  Play(0x91, 48, 100);  // sent on channel 2: still a chord key, though moved to channel 5
  Play(0x91, 52, 100);
  Play(0x91, 55, 100);
  EXPECT_EQ(rig.chord.ChordRoot, 48);
  Play(0x92, 64, 100);  // channel 3 is not the chord channel: a note on channel 5
  EXPECT_EQ(Sent(), "0 Module: 94 40 64\n");

  const struct {
    int offset, velocity, sent;
  } velocities[] = {{-20, 10, 10}, {20, 120, 127}, {-5, 100, 95}, {-20, 20, 20}};
  for (const auto& v : velocities) {
    input.VelocityOffset = v.offset;
    Play(0x90, 72, static_cast<uint8_t>(v.velocity));
    const auto sent = rig.driver.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Bytes[2], v.sent) << v.offset << " " << v.velocity;
    rig.driver.ClearSent();
  }

  input.SuppressControllers[4] = true;
  Play(0xB0, 7, 90);
  Play(0xB0, 121, 0);
  Play(0xC0, 5, 0);
  Play(0xA0, 60, 30);
  EXPECT_EQ(Sent(), "0 Module: B4 79 00\n") << "only reset-all-controllers passes";
}

TEST_F(LiveInputTest, TranspositionAndSplit) {
  rig.live.KeyboardOctave = 1;
  input.Transpose = -2;
  Play(0x90, 72, 100);
  Play(0x99, 35, 100);  // drums are never transposed
  EXPECT_EQ(Sent(), "0 Module: 90 52 64\n0 Module: 99 23 64\n");
  rig.live.KeyboardOctave = 0;
  input.Transpose = 0;
  input.KeyboardSplit = true;
  input.Zones[0] = {true, 50, 5, 12};
  input.Zones[1] = {true, 80, 6, -12};
  input.Zones[2] = {false, 100, 7, 0};
  input.Zones[3] = {true, 110, 8, 0};
  input.ApplySplit();
  Play(0x90, 30, 100);   // zone 1: channel 6, an octave up (below the section)
  Play(0x90, 70, 100);   // zone 2: channel 7, an octave down
  Play(0x90, 90, 100);   // zone 3 is off: as played
  Play(0x90, 120, 100);  // above the last bound: as played
  EXPECT_EQ(Sent(),
            "0 Module: 95 2A 64\n0 Module: 96 3A 64\n0 Module: 90 5A 64\n"
            "0 Module: 90 78 64\n");
  input.Zones[0].Shift = -12;
  input.Zones[3] = {true, 128, 8, 30};
  input.ApplySplit();
  EXPECT_EQ(input.Zones[3].Shift, 0) << "no zone is shifted out of 0..127";
  EXPECT_EQ(input.Zones[0].Shift, 0) << "zone 1 starts at note 0: it cannot go down";
}

TEST_F(LiveInputTest, SplitShiftsAreClampedToWholeOctavesAndBoundsStayAscending) {
  input.Zones[0] = {true, 50, 0, 0};
  input.Zones[1] = {true, 80, 1, -60};  // notes 50..79: at most 4 octaves down, not 50 notes
  input.Zones[2] = {true, 100, 2, 36};  // notes 80..99: 28 notes of room, 2 octaves
  input.Zones[3] = {true, 128, 3, 0};
  input.ApplySplit();
  EXPECT_EQ(input.Zones[1].Shift, -48);
  EXPECT_EQ(input.Zones[2].Shift, 24);
  input.SetSplitTop(1, 110);  // the bound above gives way
  EXPECT_EQ(input.Zones[1].Top, 110);
  EXPECT_EQ(input.Zones[2].Top, 110);
  EXPECT_EQ(input.Zones[3].Top, 128);
  EXPECT_EQ(input.Zones[1].Shift, -48) << "notes 50..109";
  EXPECT_EQ(input.Zones[2].Shift, 12) << "an empty zone at 110 keeps its notes below 128";
  input.SetSplitTop(2, 20);  // the bounds below give way
  EXPECT_EQ(input.Zones[0].Top, 20);
  EXPECT_EQ(input.Zones[1].Top, 20);
  EXPECT_EQ(input.Zones[2].Top, 20);
  input.SetSplitTop(3, 500);
  EXPECT_EQ(input.Zones[3].Top, 128);
  input.SetSplitTop(4, 60);  // no fifth zone
  EXPECT_EQ(input.Zones[3].Top, 128);
}

TEST_F(LiveInputTest, AdLibMovesAMelodyInCToTheChord) {
  input.MelodyAdLib = true;
  const struct { int root, type, sounds; } cases[] = {{55, 1, 71}, {55, 2, 70}, {57, 1, 61}};
  for (const auto& c : cases) {
    rig.chord.EditChordRoot = static_cast<int16_t>(c.root);
    rig.chord.EditChordType = static_cast<int16_t>(c.type);
    Play(0x90, 64, 100);
    Play(0x80, 64, 0);
    const auto sent = rig.driver.Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].Bytes[1], c.sounds) << c.root << " " << c.type;
    EXPECT_EQ(sent[1].Bytes[1], c.sounds) << "the note-off reaches the note that sounded";
    rig.driver.ClearSent();
  }
}

TEST_F(LiveInputTest, TheFunctionKeyOctaveSharesItsKeysBetweenBothSwitches) {
  std::vector<int> presets;
  input.Hooks.SelectInstrumentPreset = [&presets](int preset) { presets.push_back(preset); };
  input.FunctionKeyBase = 24;  // below the control keys, so that the whole octave is free
  input.FunctionKeyTop = 36;
  const struct {
    bool functionKeys;
    int note;
    std::vector<int> presets;
    bool adLib;
  } cases[] = {
      {true, 24, {0}, false},  {true, 31, {7}, false},
      {true, 32, {}, false},   {true, 35, {}, true},  // the octave's highest key: Melody Ad Lib
      {false, 32, {8}, false}, {false, 35, {11}, false},
  };
  for (const auto& c : cases) {
    presets.clear();
    input.MelodyAdLib = false;
    input.InstrumentSwitch = true;
    input.FunctionKeySwitch = c.functionKeys;
    Play(0x90, static_cast<uint8_t>(c.note), 100);
    EXPECT_EQ(presets, c.presets) << c.note << (c.functionKeys ? " with" : " without")
                                  << " the function keys";
    EXPECT_EQ(input.MelodyAdLib, c.adLib) << c.note;
  }
  EXPECT_EQ(Sent(), "") << "the octave's keys are not sent on";
}

TEST_F(LiveInputTest, AMelodyNoteHeldWhileAdLibGoesOffEndsWhereItSounded) {
  rig.chord.EditChordRoot = 55;  // G maj: a played E sounds as B (71)
  rig.chord.EditChordType = 1;
  const struct {
    const char* door;
    std::function<void(bool on)> key;
  } doors[] = {
      {"MIDI keyboard", [this](bool on) { Play(on ? 0x90 : 0x80, 64, on ? 100 : 0); }},
      {"on-screen keyboard",
       [this](bool on) {
         rig.engine.Keyboard.Accompaniment = false;
         if (on) {
           rig.engine.Keyboard.ScreenNoteOn(64, 100);
         } else {
           rig.engine.Keyboard.ScreenNoteOff(64);
         }
       }},
  };
  for (const auto& d : doors) {
    input.MelodyAdLib = true;
    d.key(true);
    input.KeyFunction(1975);  // Ad Lib off while the key is held
    d.key(false);
    d.key(true);  // played again without Ad Lib: as it is
    d.key(false);
    std::vector<int> notes;
    for (const auto& m : rig.driver.Sent()) notes.push_back(m.Bytes[1]);
    EXPECT_EQ(notes, (std::vector<int>{71, 71, 64, 64})) << d.door;
    rig.driver.ClearSent();
  }
}

TEST(LiveInputRouting, AKeysNoteOffGoesWhereItsNoteOnWentWhateverWasSwitchedMeanwhile) {
  const struct {
    const char* what;
    int key;
    std::function<void(test::PlayerRig&)> change;
  } cases[] = {
      {"Play Chords begins", 35,
       [](test::PlayerRig& rig) {
         rig.transport.ToggleClock();
         rig.engine.Chords.SetPlayChords(true);
       }},
      {"Accompaniment comes on over the chord section", 45,
       [](test::PlayerRig& rig) { rig.engine.SetAccompaniment(true); }},
      {"the keyboard is split", 70,
       [](test::PlayerRig& rig) {
         rig.engine.Input.KeyboardSplit = true;
         rig.engine.Input.Zones[0] = {true, 128, 5, 12};
       }},
      {"the octave goes up", 70, [](test::PlayerRig& rig) { rig.engine.Input.KeyFunction(1980); }},
  };
  for (const auto& c : cases) {
    test::PlayerRig rig;
    LiveInput& input = rig.engine.Input;
    rig.engine.SetAccompaniment(false);
    rig.driver.ClearSent();
    input.Route({.MidiMessage = 0x90, .Data1 = static_cast<uint8_t>(c.key), .Data2 = 100});
    c.change(rig);
    input.Route({.MidiMessage = 0x80, .Data1 = static_cast<uint8_t>(c.key), .Data2 = 64});
    std::vector<std::string> notes;
    for (const auto& m : rig.driver.Sent()) {
      if ((m.Bytes[0] & 0xE0) != 0x80) continue;  // notes only
      notes.push_back(std::to_string(m.Bytes[0] & 0x0F) + ":" + std::to_string(m.Bytes[1]));
    }
    ASSERT_EQ(notes.size(), 2u) << c.what;
    EXPECT_EQ(notes[1], notes[0]) << c.what << ": the note-off reaches the note that sounds";
  }
}

TEST_F(LiveInputTest, LiveControllersAreRememberedAsSent) {
  input.SendLiveMessage(0xB3, 7, 90);
  input.SendLiveMessage(0xC3, 24, 0);
  EXPECT_EQ(rig.channels.ChannelStateValue(3, 7), 90);
  EXPECT_EQ(rig.channels.ChannelStateValue(3, ChannelState::kProgramIndex), 24);
  EXPECT_EQ(Sent(), "0 Module: B3 07 5A\n0 Module: C3 18\n");
}

TEST_F(LiveInputTest, FunctionKeysInTheSection) {
  input.FunctionKeySwitch = true;
  Play(0x90, 59, 100);  // the highest key of the section: Melody Ad Lib
  EXPECT_TRUE(input.MelodyAdLib);
  Play(0x90, 57, 100);  // 1977: the harmonic pad
  EXPECT_TRUE(rig.live.HarmonicPad);
  EXPECT_EQ(Sent(), "");
  const int tempo = rig.transport.Tempo;
  input.KeyFunction(1984);
  EXPECT_EQ(rig.transport.Tempo, tempo + 5);
  input.KeyFunction(1980);
  EXPECT_EQ(rig.live.KeyboardOctave, 1);
}

// While the tempo is tapped a key taps instead of sounding, and its release stays silent even
// when tapping ended in between; other keys play on.
TEST_F(LiveInputTest, AKeyThatTapsTheTempoSoundsNothing) {
  int taps = 0;
  input.Hooks.TapKey = [&taps] {
    ++taps;
    return true;
  };
  Play(0x90, 72, 100);
  input.Hooks.TapKey = nullptr;
  Play(0x80, 72, 0);
  EXPECT_EQ(taps, 1);
  EXPECT_EQ(Sent(), "");
  Play(0x90, 72, 100);
  Play(0x80, 72, 0);
  EXPECT_EQ(Sent(), "0 Module: 90 48 64\n0 Module: 80 48 00\n");
}

}  // namespace
}  // namespace korvel
