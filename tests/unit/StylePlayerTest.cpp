#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "support/EndsWithin.h"
#include "support/PlayerRig.h"
#include "support/SoundingNotes.h"

namespace korvel {
namespace {

using test::BeatNotes;
using test::FixtureEvent;
using test::PlayerRig;
using test::StyleFixture;
using Strings = std::vector<std::string>;

Strings NoteOns(const Strings& notes) {
  Strings ons;
  for (const auto& n : notes) {
    if (n.substr(n.rfind(':')) != ":0") ons.push_back(n);
  }
  return ons;
}

TEST(StylePlayer, TimeBytesHoldTheTicksTheyCount) {
  StyleFixture fixture;
  // Clocks 0, 8 and 9: an FF (eight clocks) and an F8 (one) between the notes.
  fixture.Part(kBasic, 1, {{0, 0x91, 60, 90}, {8, 0x91, 62, 90}, {9, 0x91, 64, 90}});
  PlayerRig rig;
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(12);
  EXPECT_EQ(NoteOns(rig.Notes()), (Strings{"1:2:60:90", "9:2:62:90", "10:2:64:90"}));
}

TEST(StylePlayer, AFillInPressedOnBeatThreeEntersOnBeatFourAndTheMainPartResumes) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1, BeatNotes({60, 62, 64, 65}))
      .Part(kFillBasic, 1, BeatNotes({72, 74, 76, 77}));
  PlayerRig rig;
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(54);  // into beat 3, past the late window
  rig.Key(rig.keys.FillInKey);
  rig.Ticks(48);
  EXPECT_EQ(NoteOns(rig.Notes()),
            (Strings{"1:2:60:100", "25:2:62:100", "49:2:64:100", "73:2:77:100", "97:2:60:100"}));
}

TEST(StylePlayer, AnEndingWaitsForTheBarLineAndStopsWhenItEnds) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1, BeatNotes({60, 62, 64, 65})).Part(kEnding, 1, BeatNotes({48, 50}));
  PlayerRig rig;
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(30);  // in beat 2
  rig.Key(rig.keys.EndingKey);
  rig.Ticks(190);
  EXPECT_EQ(NoteOns(rig.Notes()), (Strings{"1:2:60:100", "25:2:62:100", "49:2:64:100",
                                           "73:2:65:100", "97:2:48:100", "121:2:50:100"}));
  EXPECT_FALSE(rig.player.Playing) << "the ending's successor stops playback";
}

TEST(StylePlayer, WithoutAnEndingTheMainPartFadesBySixPerBeat) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1, BeatNotes({60, 62, 64, 65}));
  PlayerRig rig;
  rig.Load(fixture);
  rig.player.PlayEnding = false;
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(2);
  rig.Key(rig.keys.EndingKey);
  rig.Ticks(94);  // the bar line at tick 97 starts the fade
  rig.driver.ClearSent();
  rig.Ticks(625 - 96 - 1);
  EXPECT_TRUE(rig.player.Playing);
  rig.Ticks(1);  // the 22nd faded beat takes 132 off: playback stops
  Strings expected;
  for (int beat = 0; 100 - 6 * beat > 0; ++beat) {
    const int notes[] = {60, 62, 64, 65};
    expected.push_back(std::to_string(97 + 24 * beat) + ":2:" + std::to_string(notes[beat % 4]) +
                       ":" + std::to_string(100 - 6 * beat));
  }
  EXPECT_EQ(NoteOns(rig.Notes()), expected);
  EXPECT_FALSE(rig.player.Playing);
}

TEST(StylePlayer, NoteOffsReachTheStruckPitchAcrossAChordChange) {
  StyleFixture fixture;
  // A piano (program 0) on channel 2 and strings (program 48) on channel 3 hold E4.
  fixture.Part(kBasic, 2,
               {{0, 0x91, 64, 100}, {90, 0x91, 64, 0}, {0, 0x92, 64, 100}, {90, 0x92, 64, 0}});
  fixture.Channels().SetValue(1, ChannelState::kProgramIndex, 0);
  fixture.Channels().SetValue(2, ChannelState::kProgramIndex, 48);
  PlayerRig rig;
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(40);
  rig.Chord(48, 2);  // C minor at the next beat
  rig.Ticks(20);
  rig.Chord(48, 2);  // the same chord again changes nothing
  rig.Ticks(40);
  EXPECT_EQ(rig.Notes(), (Strings{"1:2:64:100", "1:3:64:100", "49:2:64:0", "49:3:64:0",
                                  "49:3:63:100", "91:3:63:0"}))
      << "the piano is ended, the strings are struck again a semitone lower";
}

TEST(StylePlayer, AKeyStruckAgainWhileItSoundsIsEndedBeforeEachStrike) {
  StyleFixture fixture;
  // Two keys converted onto one: E4 struck twice on channel 2 before either note-off.
  fixture.Part(kBasic, 1,
               {{0, 0x91, 64, 100}, {10, 0x91, 64, 90}, {20, 0x91, 64, 0}, {30, 0x81, 64, 0}});
  PlayerRig rig;
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(40);
  EXPECT_EQ(rig.Notes(), (Strings{"1:2:64:100", "11:2:64:0", "11:2:64:90", "21:2:64:0"}));
  EXPECT_TRUE(test::Sounding(rig.driver.Sent()).empty());
}

TEST(StylePlayer, SoloLetsOneChannelThrough) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1,
               {{0, 0x91, 60, 100},
                {0, 0x92, 64, 100},
                {0, 0x99, 36, 100},
                {12, 0x91, 60, 0},
                {12, 0x92, 64, 0}});
  PlayerRig rig;
  rig.Load(fixture);
  rig.notes.SoloChannel = 3;
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(20);
  EXPECT_EQ(rig.Notes(), (Strings{"1:3:64:100", "13:3:64:0"}));
}

TEST(StylePlayer, StopSilencesEveryNoteTheBookkeepingHolds) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1,
               {{0, 0x91, 60, 100}, {0, 0x92, 67, 100}, {90, 0x91, 60, 0}, {90, 0x92, 67, 0}});
  PlayerRig rig;
  rig.Load(fixture);
  rig.Start();
  rig.Chord(50, 1);  // D major: the notes sound a tone up
  rig.Ticks(10);
  rig.transport.StopCommand();
  EXPECT_EQ(rig.Notes(), (Strings{"1:2:62:100", "1:3:69:100", "10:2:62:0", "10:3:69:0"}))
      << "note-offs before the all-notes-off that many modules ignore";
  EXPECT_FALSE(rig.player.Playing);
}

TEST(StylePlayer, APartLoopsOnItsMeasuresWhateverClocksItsMaterialHolds) {
  const struct {
    const char* name;
    int materialClocks;  // a controller at this clock makes the material longer
    int measures;        // what the part's record says
    Strings ons;
  } cases[] = {
      {"four clocks more than its measure",
       100,
       1,
       {"1:2:60:100", "25:2:62:100", "49:2:64:100", "73:2:65:100", "97:2:60:100", "121:2:62:100",
        "145:2:64:100", "169:2:65:100", "193:2:60:100"}},
      {"a measure fewer than its record says",
       0,
       2,
       {"1:2:60:100", "25:2:62:100", "49:2:64:100", "73:2:65:100", "193:2:60:100"}},
  };
  for (const auto& c : cases) {
    StyleFixture fixture;
    auto events = BeatNotes({60, 62, 64, 65});
    if (c.materialClocks > 0) events.push_back({c.materialClocks, 0xB1, 7, 90});
    fixture.Part(kBasic, 1, events);
    fixture.Parts().Part(kBasic).SetMeasureCount(static_cast<uint16_t>(c.measures));
    PlayerRig rig;
    rig.Load(fixture);
    rig.Start();
    rig.Chord(48, 1);
    rig.Ticks(200);
    EXPECT_EQ(NoteOns(rig.Notes()), c.ons) << c.name;
  }
}

TEST(StylePlayer, AContinuationMarkerWithNothingAfterItEndsPlayback) {
  StyleFixture fixture;
  fixture.Part(kBasic, 1, BeatNotes({60, 62, 64, 65}));
  auto bytes = fixture.FileBytes();
  const size_t material = 4 + kStyleChannelTableSize + kStylePartTableSize;
  for (size_t marker : {material, material + 3}) {
    auto damaged = bytes;
    damaged[marker] = kContinuation;
    PlayerRig rig;
    rig.Load(damaged);
    rig.Start();
    rig.Chord(48, 1);
    test::EndsWithin(std::chrono::seconds(10), [&] { rig.Ticks(200); });
    EXPECT_FALSE(rig.player.Playing) << marker;
    EXPECT_EQ(NoteOns(rig.Notes()), marker == material ? Strings{} : Strings{"1:2:60:100"});
  }
}

TEST(StylePlayer, WithTheClockOffAChordIsSignalledAtOnce) {
  PlayerRig rig;
  rig.transport.ToggleClock();  // off
  rig.live.TriggerVelocity = 90;
  rig.driver.ClearSent();
  rig.Chord(55, 3);  // G 7th: G B D F
  EXPECT_EQ(rig.Notes(), (Strings{"0:1:55:90", "0:1:59:90", "0:1:62:90", "0:1:65:90", "0:1:55:0",
                                  "0:1:59:0", "0:1:62:0", "0:1:65:0"}));
  EXPECT_EQ(rig.chord.ChordRoot, 0) << "the pending chord is consumed";
}

TEST(StylePlayer, TheHarmonicPadPlaysOnItsOwnChannelAndTouchesNoOther) {
  StyleFixture fixture;
  fixture.Part(kBasic, 2, BeatNotes({60, 64, 67, 72, 60, 64, 67, 72}));
  for (int padChannel : {16, 0}) {  // 0: no pad channel chosen
    PlayerRig rig;
    rig.Load(fixture);
    rig.live.HarmonicPad = true;
    rig.live.HarmonicPadChannel = padChannel;
    rig.Start();
    rig.Chord(48, 1);
    rig.Ticks(20);
    rig.Chord(50, 1);  // D major at the next beat
    rig.Ticks(10);
    Strings pad;
    for (const auto& m : rig.driver.Sent()) {
      const int channel = (m.Bytes[0] & 0x0F) + 1;
      if (m.Bytes[0] >= 0xF0 || channel == 2) continue;  // the style's own channel
      EXPECT_EQ(channel, padChannel)
          << "pad channel " << padChannel << ": status " << int{m.Bytes[0]} << " at " << m.Tick;
      if ((m.Bytes[0] & 0xF0) == 0x90)
        pad.push_back(std::to_string(m.Bytes[1]) + ":" + std::to_string(m.Bytes[2]));
    }
    const Strings expected =
        padChannel == 0 ? Strings{}
                        : Strings{"48:105", "52:105", "55:105", "60:105", "48:0",   "52:0",
                                  "55:0",   "60:0",   "50:105", "54:105", "57:105", "62:105"};
    EXPECT_EQ(pad, expected) << "pad channel " << padChannel;
  }
}

TEST(StylePlayer, PortamentoControlIsTransposedWithinTheDataByte) {
  const struct {
    int value, transpose, sent;
  } cases[] = {{60, 5, 65}, {120, 12, 4}, {5, -12, 121}, {127, 0, 127}};
  for (const auto& c : cases) {
    StyleFixture fixture;
    fixture.Part(
        kBasic, 1,
        {{0, 0xB1, 84, static_cast<uint8_t>(c.value)}, {0, 0x91, 60, 100}, {12, 0x91, 60, 0}});
    PlayerRig rig;
    rig.Load(fixture);
    rig.notes.MasterTranspose = static_cast<int8_t>(c.transpose);
    rig.Start();
    rig.Chord(48, 1);
    rig.Ticks(2);
    std::vector<int> portamento;
    for (const auto& m : rig.driver.Sent()) {
      if (m.Bytes[0] == 0xB1 && m.Bytes[1] == 84) portamento.push_back(m.Bytes[2]);
    }
    EXPECT_EQ(portamento, std::vector<int>{c.sent}) << c.value << " + " << c.transpose;
  }
}

// Notes that sound after the messages sent, as a module that ignores all-notes-off hears them.
std::set<std::string> StillSounding(const PlayerRig& rig) {
  std::set<std::string> sounding;
  for (const auto& m : rig.driver.Sent()) {
    const int h = m.Bytes[0] & 0xF0;
    if (h != 0x80 && h != 0x90) continue;
    const std::string note =
        std::to_string((m.Bytes[0] & 0x0F) + 1) + ":" + std::to_string(m.Bytes[1]);
    if (h == 0x90 && m.Bytes[2] > 0) {
      sounding.insert(note);
    } else {
      sounding.erase(note);
    }
  }
  return sounding;
}

TEST(StylePlayer, EveryWayOfForgettingNotesEndsThemFirst) {
  StyleFixture fixture;
  fixture.Part(kBasic, 2, {{0, 0x91, 60, 100}, {180, 0x91, 60, 0}})
      .Part(kFillBasic, 1, {{0, 0x91, 72, 100}, {12, 0x91, 72, 0}});
  const struct {
    const char* what;
    std::function<void(PlayerRig&)> action;
  } cases[] = {
      {"Accompaniment switched off", [](PlayerRig& rig) { rig.engine.SetAccompaniment(false); }},
      {"the other output silenced",
       [](PlayerRig& rig) { rig.player.AllSoundOff(rig.ports.MidiOutput2); }},
      {"a part change", [](PlayerRig& rig) { rig.Key(rig.keys.FillInKey); }},
  };
  for (const auto& c : cases) {
    PlayerRig rig;
    rig.Load(fixture);
    rig.live.HarmonicPad = true;
    rig.live.HarmonicPadChannel = 16;
    rig.Start();
    rig.Chord(50, 1);  // D major: the pattern's C sounds as D, the pad holds D F# A D
    rig.Ticks(30);
    ASSERT_EQ(StillSounding(rig).size(), 5u) << c.what;
    c.action(rig);
    rig.Ticks(160);  // past the pattern's own note-off, before it strikes the note again
    rig.transport.StopCommand();
    EXPECT_EQ(StillSounding(rig), std::set<std::string>{}) << c.what;
  }
}

}  // namespace
}  // namespace korvel
