#include <gtest/gtest.h>

#include <map>
#include <random>

#include "performance/MelodyTrack.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

using test::PlayerRig;
using test::ScriptedDialogs;
using Strings = std::vector<std::string>;

MelodyEvent On(uint32_t time, int note, int channel = 0, int velocity = 100) {
  return MakeMelodyEvent(time, static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note),
                         static_cast<uint8_t>(velocity));
}
// A keyboard's note-off: 0x80 with a release velocity.
MelodyEvent Off(uint32_t time, int note, int channel = 0, int release = 64) {
  return MakeMelodyEvent(time, static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note),
                         static_cast<uint8_t>(release));
}
// A note-off as the computer keyboard sends it: note-on with velocity 0.
MelodyEvent Zero(uint32_t time, int note, int channel = 0) {
  return On(time, note, channel, 0);
}

std::vector<uint32_t> Times(const MelodyTrack& melody) {
  std::vector<uint32_t> times;
  for (const MelodyEvent& e : melody.Events()) times.push_back(e.Time);
  return times;
}

// The melody played through the rig's play port from clock `from` to `to`; the driver records
// each message with the clock as its tick.
struct MelodyRig {
  PlayerRig rig;
  MelodyTrack melody;
  int keyTranspose = 0;

  MelodyRig() { rig.driver.ClearSent(); }
  TMidiOutput& Thru() { return *rig.ports.PlayPort; }
  void Play(uint32_t from, uint32_t to) {
    for (uint32_t clock = from; clock <= to; ++clock) {
      rig.tick = clock;
      melody.PlayMelodyTick(clock, Thru(), rig.live, keyTranspose);
    }
  }
  // Note-ons and note-offs still open per channel and pitch, from everything sent.
  std::map<std::pair<int, int>, int> Hanging() const {
    std::map<std::pair<int, int>, int> open;
    for (const auto& m : rig.driver.Sent()) {
      const int type = m.Bytes[0] & 0xF0;
      if (type != 0x80 && type != 0x90) continue;
      const auto key = std::make_pair(m.Bytes[0] & 0x0F, int{m.Bytes[1]});
      open[key] += type == 0x90 && m.Bytes[2] > 0 ? 1 : -1;
      if (open[key] == 0) open.erase(key);
    }
    return open;
  }
};

TEST(MelodyQuantize, NotesMoveToTheNearestGridLineAndTakeTheirNoteOffsAlong) {
  struct Case {
    uint32_t on, off;
    uint32_t wantOn, wantOff;
  };
  // Grid 6 (1/16): remainders above 3 go up, 3 and below go down.
  for (const Case& c : {Case{7, 20, 6, 19}, Case{9, 15, 6, 12}, Case{10, 14, 12, 16},
                        Case{12, 18, 12, 18}, Case{0, 5, 0, 5}}) {
    MelodyTrack melody;
    const std::vector<MelodyEvent> take{On(c.on, 60), Off(c.off, 60)};
    melody.Load(take);
    melody.Quantize(6);
    EXPECT_EQ(Times(melody), (std::vector<uint32_t>{c.wantOn, c.wantOff})) << "note at " << c.on;
  }
}

TEST(MelodyQuantize, OnlyNoteOnsAreNotesWhicheverChannelAndNoteOffForm) {
  MelodyTrack melody;
  // A keyboard on channel 2 with release velocities; a controller between; a computer-keyboard
  // note ending in velocity 0.
  const std::vector<MelodyEvent> take{
      On(7, 60, 1),      Off(11, 60, 1, 64), MakeMelodyEvent(13, 0xB1, 64, 127),
      On(25, 62, 0),     Zero(28, 62, 0),    On(31, 64, 1),
      Off(33, 64, 1, 40)};
  melody.Load(take);
  melody.Quantize(6);
  // The note-off at 11 moves with its note (7 -> 6), not on its own to 12; the controller stays.
  EXPECT_EQ(Times(melody), (std::vector<uint32_t>{6, 10, 13, 24, 27, 30, 32}));
}

TEST(MelodyQuantize, AlwaysStartsFromTheTakeAndRestoreBringsItBack) {
  MelodyTrack melody;
  const std::vector<MelodyEvent> take{On(5, 60), Off(16, 60), On(22, 62), Off(40, 62)};
  melody.Load(take);  // a loaded song: its melody is the take
  melody.Quantize(12);
  EXPECT_EQ(Times(melody), (std::vector<uint32_t>{0, 11, 24, 42}));
  melody.Quantize(4);  // not 12 then 4, but 4 on the take
  EXPECT_EQ(Times(melody), (std::vector<uint32_t>{4, 15, 20, 38}));
  melody.Restore();
  EXPECT_EQ(Times(melody), (std::vector<uint32_t>{5, 16, 22, 40}));
}

TEST(MelodyQuantize, ALoadedMelodyIsTheTakeNotTheOneRecordedBefore) {
  MelodyRig m;
  ScriptedDialogs dialogs;
  m.melody.ToggleRecord(dialogs, 0);
  m.melody.RecordMelodyEvent(3, 0x90, 50, 100, 0);
  m.melody.TransportStopped(m.Thru());
  const std::vector<MelodyEvent> loaded{On(7, 60), Off(20, 60)};
  m.melody.Load(loaded);
  m.melody.Restore();
  EXPECT_EQ(Times(m.melody), (std::vector<uint32_t>{7, 20}));
  m.melody.Quantize(6);
  EXPECT_EQ(Times(m.melody), (std::vector<uint32_t>{6, 19}));
  EXPECT_EQ(m.melody.Event(0).Data1, 60);
}

TEST(MelodyQuantize, AFullTrackIsQuantizedToItsLastEvent) {
  MelodyTrack melody;
  std::vector<MelodyEvent> take;
  for (uint32_t i = 0; i < kMelodyCapacity / 2; ++i) {
    take.push_back(On(i * 24 + 1, 60));
    take.push_back(Off(i * 24 + 13, 60));
  }
  melody.Load(take);
  melody.Quantize(3);
  EXPECT_EQ(melody.Count(), kMelodyCapacity);
  EXPECT_EQ(melody.Event(kMelodyCapacity - 2).Time, (kMelodyCapacity / 2 - 1) * 24u);
  EXPECT_EQ(melody.Event(kMelodyCapacity - 1).Time, (kMelodyCapacity / 2 - 1) * 24u + 12);
  melody.Restore();  // nothing beyond the last event was touched, the take included
  EXPECT_EQ(melody.Event(0).Time, 1u);
}

TEST(MelodyRecording, ReplaceIsAskedAndNoKeepsTheMelody) {
  ScriptedDialogs dialogs;
  MelodyTrack melody;
  const std::vector<MelodyEvent> take{On(0, 60), Off(10, 60)};
  melody.Load(take);
  melody.Playing = false;
  melody.ToggleRecord(dialogs, 3);
  EXPECT_FALSE(melody.Recording);
  EXPECT_EQ(melody.Count(), 2);

  dialogs.Answers = {true};
  melody.ToggleRecord(dialogs, 3);
  EXPECT_EQ(dialogs.Questions, (Strings{"Replace current melody ?", "Replace current melody ?"}));
  EXPECT_TRUE(melody.Recording);
  EXPECT_TRUE(melody.Playing);
  EXPECT_EQ(melody.Channel, 3);
  EXPECT_TRUE(melody.Empty());
}

TEST(MelodyRecording, AKeyboardNoteSoundsAtThePitchHeardWhenPlayedBack) {
  MelodyRig m;
  ScriptedDialogs dialogs;
  LiveInput& input = m.rig.engine.Input;
  uint32_t songClock = 0;
  input.Hooks.RecordMelody = [&](uint8_t status, uint8_t data1, uint8_t data2, int transposed) {
    m.melody.RecordMelodyEvent(songClock, status, data1, data2, transposed);
  };
  m.melody.ToggleRecord(dialogs, 0);
  m.rig.engine.Live.KeyboardOctave = 1;  // the key 72 sounds as 84; drums are never transposed
  input.Route({.MidiMessage = 0x90, .Data1 = 72, .Data2 = 100});
  input.Route({.MidiMessage = 0x99, .Data1 = 70, .Data2 = 100});
  songClock = 6;
  input.Route({.MidiMessage = 0x80, .Data1 = 72, .Data2 = 64});
  input.Route({.MidiMessage = 0x89, .Data1 = 70, .Data2 = 64});
  const Strings heard = m.rig.Notes();
  m.rig.driver.ClearSent();

  m.melody.Seek(0);
  m.keyTranspose = input.KeyTranspose();
  m.Play(0, 6);
  EXPECT_EQ(heard, (Strings{"0:1:84:100", "0:10:70:100", "0:1:84:0", "0:10:70:0"}));
  EXPECT_EQ(m.rig.Notes(), (Strings{"0:1:84:100", "0:10:70:100", "6:1:84:0", "6:10:70:0"}));
}

TEST(MelodyRecording, OnlyChannelMessagesAreStoredAndAFullTrackTakesNoMore) {
  ScriptedDialogs dialogs;
  MelodyTrack melody;
  melody.ToggleRecord(dialogs, 0);
  melody.RecordMelodyEvent(0, 0xFF, 0, 0, 0);
  melody.RecordMelodyEvent(0, 0xF8, 0, 0, 0);
  melody.RecordMelodyEvent(0, 0x90, 200, 100, 0);
  EXPECT_TRUE(melody.Empty());
  for (int i = 0; i < kMelodyCapacity + 5; ++i) melody.RecordMelodyEvent(i, 0xB0, 7, 100, 0);
  EXPECT_EQ(melody.Count(), kMelodyCapacity);
}

TEST(MelodyPlayback, StoredSystemBytesAreNeverSent) {
  MelodyRig m;
  const std::vector<MelodyEvent> take{MakeMelodyEvent(0, 0xFF, 0, 0), On(1, 60),
                                      MakeMelodyEvent(2, 0xF0, 0x7E, 0x7F), Off(3, 60)};
  m.melody.Load(take);
  m.Play(0, 3);
  EXPECT_EQ(m.rig.driver.SentText(), "1 Module: 90 3C 64\n3 Module: 80 3C 40\n");
}

TEST(MelodyPlayback, ChannelOptionsDecideWhereEventsGo) {
  struct Case {
    const char* name;
    bool refer, controllers, minusOne;
    std::string want;
  };
  // A note on channel 2 and a controller on channel 3; melody channel 5, live channel 8.
  const Case cases[] = {
      {"original channels", true, true, false, "0 Module: 91 3C 64\n1 Module: B2 07 50\n"},
      {"melody channel", false, true, false, "0 Module: 94 3C 64\n1 Module: B4 07 50\n"},
      {"no controllers", true, false, false, "0 Module: 91 3C 64\n"},
      {"minus one", false, true, true, "0 Module: 97 3C 64\n1 Module: B4 07 50\n"},
  };
  for (const Case& c : cases) {
    MelodyRig m;
    const std::vector<MelodyEvent> take{On(0, 60, 1), MakeMelodyEvent(1, 0xB2, 7, 80)};
    m.melody.Load(take);
    m.melody.Channel = 4;
    m.melody.ReferToOriginalChannels = c.refer;
    m.melody.StoreControllerValues = c.controllers;
    m.rig.live.SelChannel = 7;
    m.rig.live.MinusOne = c.minusOne;
    m.Play(0, 1);
    EXPECT_EQ(m.rig.driver.SentText(), c.want) << c.name;
    EXPECT_EQ(m.rig.live.MinusOneHold, c.minusOne) << c.name;
  }
}

TEST(MelodyPlayback, PlayOffKeepsTheTrackInStepAndReleasesItsNotes) {
  MelodyRig m;
  const std::vector<MelodyEvent> take{On(0, 60), Off(10, 60), On(12, 62), Off(20, 62)};
  m.melody.Load(take);
  m.Play(0, 5);
  m.melody.TogglePlay(m.Thru());
  m.Play(6, 15);
  m.melody.TogglePlay(m.Thru());
  m.Play(16, 20);
  EXPECT_EQ(m.rig.Notes(), (Strings{"0:1:60:100", "5:1:60:0"}));
  EXPECT_EQ(m.melody.Position(), 4);
}

// Whatever happens to the transposition, the play switch and the position, every note the
// melody struck is ended at the pitch that was struck, by the time the transport stops.
TEST(MelodyPlayback, NoNoteHangsAcrossTranspositionJumpsAndStops) {
  std::mt19937 random(13);
  for (int round = 0; round < 40; ++round) {
    MelodyRig m;
    std::vector<MelodyEvent> take;
    uint32_t time = 0;
    for (int i = 0; i < 60; ++i) {
      const int note = 40 + static_cast<int>(random() % 40);
      const int channel = static_cast<int>(random() % 3) * 4;
      time += random() % 8;
      take.push_back(On(time, note, channel));
      if (random() % 2)
        take.push_back(Off(time + random() % 30, note, channel));
      else
        take.push_back(Zero(time + random() % 30, note, channel));
    }
    m.melody.Load(take);
    std::vector<int> positions{0};
    for (uint32_t clock = 0; clock < 400; ++clock) {
      m.rig.tick = clock;
      switch (random() % 40) {
        case 0:
          m.keyTranspose = static_cast<int>(random() % 25) - 12;
          break;
        case 1:
          m.melody.TogglePlay(m.Thru());
          break;
        case 2:
          m.rig.live.MinusOne = !m.rig.live.MinusOne;
          break;
        case 3:
          positions.push_back(m.melody.Position());
          break;
        case 4:
          m.melody.JumpBack(positions[random() % positions.size()], m.Thru());
          break;
        case 5:
          m.melody.TransportStopped(m.Thru());
          m.melody.Seek(0);
          break;
        default:
          break;
      }
      m.melody.PlayMelodyTick(clock % 200, m.Thru(), m.rig.live, m.keyTranspose);
    }
    m.melody.TransportStopped(m.Thru());
    EXPECT_TRUE(m.Hanging().empty()) << "round " << round;
  }
}

TEST(MelodyRecording, AJumpEndsTheTakeWhichRestoreBringsBack) {
  MelodyRig m;
  ScriptedDialogs dialogs;
  m.melody.ToggleRecord(dialogs, 0);
  m.melody.RecordMelodyEvent(0, 0x90, 60, 100, 0);
  m.melody.RecordMelodyEvent(8, 0x80, 60, 0, 0);
  m.melody.JumpBack(0, m.Thru());
  EXPECT_FALSE(m.melody.Recording);
  dialogs.Answers = {true};
  m.melody.Delete(dialogs);
  EXPECT_EQ(dialogs.Questions, (Strings{"Delete Melody ?"}));
  EXPECT_TRUE(m.melody.Empty());
  m.melody.Restore();
  EXPECT_EQ(Times(m.melody), (std::vector<uint32_t>{0, 8}));
}

TEST(MelodyRecording, ASecondPassRecordsOverTheFirstFromWhereItPlays) {
  MelodyRig m;
  ScriptedDialogs dialogs;
  m.melody.ToggleRecord(dialogs, 0);
  for (uint32_t t : {0u, 10u, 20u, 30u}) m.melody.RecordMelodyEvent(t, 0xB0, 1, 1, 0);
  m.melody.TransportStopped(m.Thru());
  m.melody.Seek(0);
  m.Play(0, 12);  // the old take plays until the player plays
  m.melody.RecordMelodyEvent(12, 0xB0, 1, 2, 0);
  m.Play(13, 40);
  EXPECT_EQ(Times(m.melody), (std::vector<uint32_t>{0, 10, 12}));
  EXPECT_EQ(m.rig.driver.SentText(), "0 Module: B0 01 01\n10 Module: B0 01 01\n");
}

TEST(MelodyRecording, ATakeEndedFromTheMenuIsWhatQuantizeAndRestoreStartFrom) {
  MelodyRig m;
  ScriptedDialogs dialogs;
  const std::vector<MelodyEvent> loaded{On(7, 60), Off(20, 60)};
  m.melody.Load(loaded);
  dialogs.Answers = {true};  // "Replace current melody ?"
  m.melody.ToggleRecord(dialogs, 0);
  m.melody.RecordMelodyEvent(5, 0x90, 50, 100, 0);
  m.melody.RecordMelodyEvent(11, 0x80, 50, 0, 0);
  m.melody.ToggleRecord(dialogs, 0);  // off while the song still plays
  m.melody.TransportStopped(m.Thru());
  m.melody.Quantize(6);
  EXPECT_EQ(Times(m.melody), (std::vector<uint32_t>{6, 12}));
  EXPECT_EQ(m.melody.Event(0).Data1, 50);
  m.melody.Restore();
  EXPECT_EQ(Times(m.melody), (std::vector<uint32_t>{5, 11}));
}

TEST(MelodyRecording, EveryKeyStruckInATakeEndsInIt) {
  // Held when recording is switched off, when the song stops, and when the track fills up.
  for (int ending = 0; ending < 3; ++ending) {
    MelodyRig m;
    ScriptedDialogs dialogs;
    m.melody.ToggleRecord(dialogs, 0);
    m.Play(0, 3);
    m.melody.RecordMelodyEvent(3, 0x90, 62, 100, 0);
    if (ending == 2) {
      for (uint32_t i = 0; i < kMelodyCapacity; ++i) {
        m.melody.RecordMelodyEvent(4, 0x90, 70, 100, 0);
        m.melody.RecordMelodyEvent(4, 0x80, 70, 0, 0);
      }
    }
    m.Play(4, 30);
    if (ending == 0) m.melody.ToggleRecord(dialogs, 0);
    m.melody.TransportStopped(m.Thru());
    ASSERT_FALSE(m.melody.Empty());
    const MelodyEvent last = m.melody.Event(m.melody.Count() - 1);
    EXPECT_TRUE(IsNoteOff(last) && last.Data1 == 62) << ending;
    EXPECT_EQ(last.Time, 30u) << ending;

    m.rig.driver.ClearSent();
    m.melody.Seek(0);
    m.Play(0, 9000);
    EXPECT_TRUE(m.Hanging().empty()) << ending;
  }
}

TEST(MelodyPlayback, NotesOfAMelodyThatChangesUnderThemEnd) {
  // A second pass recording over the take, Delete, and another channel chosen, each while a
  // long note of the melody sounds.
  for (int change = 0; change < 3; ++change) {
    MelodyRig m;
    ScriptedDialogs dialogs;
    const std::vector<MelodyEvent> loaded{On(0, 60), Off(90, 60), On(95, 64), Off(99, 64)};
    m.melody.Load(loaded);
    m.melody.ReferToOriginalChannels = false;
    m.Play(0, 10);
    if (change == 0) {
      dialogs.Answers = {true};
      m.melody.ToggleRecord(dialogs, 0);
      m.melody.Load(loaded);
      m.melody.Seek(0);
      m.Play(0, 10);
      m.melody.RecordMelodyEvent(10, 0xB0, 1, 2, 0);
    }
    if (change == 1) {
      dialogs.Answers = {true};
      m.melody.Delete(dialogs);
    }
    if (change == 2) m.melody.Channel = 5;
    m.Play(11, 120);
    EXPECT_TRUE(m.Hanging().empty()) << change;
  }
}

TEST(MelodyNoteEditor, ANewPitchEndsWhereTheOldOneDid) {
  for (const MelodyEvent& noteOff : {Off(10, 60, 0, 64), Zero(10, 60)}) {
    MelodyRig m;
    // Another channel's note 60 ends first: it is not this note's end.
    const std::vector<MelodyEvent> take{On(0, 60), On(2, 60, 1), Off(4, 60, 1), noteOff};
    m.melody.Load(take);
    ASSERT_TRUE(m.melody.EditFirst());
    m.melody.ChangeEditNote(4, 2);  // D4 = 62
    m.Play(0, 10);
    EXPECT_TRUE(m.Hanging().empty());
    EXPECT_EQ(m.melody.Event(0).Data1, 62);
    EXPECT_EQ(m.melody.Event(2).Data1, 60);
    EXPECT_EQ(m.melody.Event(3).Data1, 62);
  }
}

TEST(MelodyNoteEditor, TheCursorVisitsNoteOnsAndTheSoundedPitchIsReleased) {
  MelodyRig m;
  const std::vector<MelodyEvent> take{MakeMelodyEvent(0, 0xB0, 7, 90), On(1, 60), Off(5, 60),
                                      On(6, 64), Zero(9, 64)};
  m.melody.Load(take);
  m.melody.Channel = 2;
  ASSERT_TRUE(m.melody.EditFirst());
  EXPECT_EQ(m.melody.EditIndex(), 1);
  m.melody.SoundEditNote(m.Thru());
  m.melody.ChangeEditNote(4, 1);
  m.melody.SoundEditNote(m.Thru());  // the new pitch; the old one ends first
  ASSERT_TRUE(m.melody.EditNext());
  EXPECT_EQ(m.melody.EditIndex(), 3);
  EXPECT_FALSE(m.melody.EditNext());
  ASSERT_TRUE(m.melody.EditPrevious());
  EXPECT_FALSE(m.melody.EditPrevious());
  m.melody.SilenceEditNote(m.Thru());
  EXPECT_EQ(m.rig.Notes(), (Strings{"0:3:60:100", "0:3:60:0", "0:3:61:100", "0:3:61:0"}));
}

}  // namespace
}  // namespace korvel
