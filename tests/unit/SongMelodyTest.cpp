// The melody on the song clock: recorded from the keyboard while chords are recorded, played
// back with the song on the same clocks, through repeats, and never left sounding.
#include <gtest/gtest.h>

#include <map>

#include "support/SongRig.h"

namespace korvel {
namespace {

using test::SongBytes;
using test::SongRig;
using Strings = std::vector<std::string>;

constexpr uint8_t C = 48, F = 53, G = 55;

// The rig with a style whose notes are on channel 2, so channel 1 carries only the melody.
struct MelodyRig : SongRig {
  test::StyleFixture fixture;
  explicit MelodyRig(bool withStyle = true) {
    fixture.Part(kBasic, 1, test::BeatNotes({60, 62, 64, 65}));
    if (withStyle) PlayerRig::Load(fixture);
  }
  void Key(int note, int velocity) {
    engine.Input.Route({.MidiMessage = 0x90,
                        .Data1 = static_cast<uint8_t>(note),
                        .Data2 = static_cast<uint8_t>(velocity)});
  }
  // Runs the clock until the song clock reaches `clock`; the tick of the song's first clock is
  // kept in `firstClockTick`.
  void SongClockAt(int64_t clock) {
    for (int guard = 0; engine.SongClock < clock && guard < 10000; ++guard) {
      Ticks(1);
      if (engine.SongClock == 0) firstClockTick = tick;
    }
    ASSERT_EQ(engine.SongClock, clock);
  }
  int64_t firstClockTick = -1;
  // Melody notes (channel 1) as "clocks after `start`:note:velocity".
  Strings Melody(int64_t start) const {
    Strings melody;
    for (const auto& m : driver.Sent()) {
      const int type = m.Bytes[0] & 0xF0;
      if ((type != 0x80 && type != 0x90) || (m.Bytes[0] & 0x0F) != 0) continue;
      const int velocity = type == 0x80 ? 0 : m.Bytes[2];
      melody.push_back(std::to_string(m.Tick - start) + ":" + std::to_string(m.Bytes[1]) + ":" +
                       std::to_string(velocity));
    }
    return melody;
  }
  // Notes of any channel switched on and not off again.
  int Hanging() const {
    std::map<std::pair<int, int>, int> open;
    for (const auto& m : driver.Sent()) {
      const int type = m.Bytes[0] & 0xF0;
      if (type == 0xB0 && (m.Bytes[1] == 120 || m.Bytes[1] == 123)) {
        std::erase_if(open, [&](const auto& e) { return e.first.first == (m.Bytes[0] & 0x0F); });
      }
      if (type != 0x80 && type != 0x90) continue;
      int& count = open[{m.Bytes[0] & 0x0F, m.Bytes[1]}];
      count = type == 0x90 && m.Bytes[2] > 0 ? 1 : 0;
    }
    int hanging = 0;
    for (const auto& [key, count] : open) hanging += count;
    return hanging;
  }
};

TEST(SongMelody, ChordsAndMelodyRecordedTogetherPlayBackOnTheSameBeatsAndClocks) {
  MelodyRig rig;
  rig.live.KeyboardOctave = 1;  // every key sounds an octave up, once
  rig.engine.Melody.ToggleRecord(rig.dialogs, 0);
  rig.song.Record();
  rig.Play(C, 1);  // held when the first beat comes
  rig.SongClockAt(4);
  rig.Key(72, 100);  // sounds 84
  rig.SongClockAt(19);
  rig.Key(72, 0);
  rig.SongClockAt(26);
  rig.Play(G, 1);  // beat 2
  rig.Key(74, 90);
  rig.SongClockAt(59);
  rig.Play(F, 1);  // beat 4
  rig.SongClockAt(69);
  rig.Key(74, 0);
  rig.Key(76, 80);  // still held when the take stops
  rig.SongClockAt(190);
  rig.song.Stop();
  const Strings heard = rig.Melody(rig.firstClockTick);
  EXPECT_EQ(heard, (Strings{"4:84:100", "19:84:0", "26:86:90", "69:86:0", "69:88:80"}));
  EXPECT_EQ(rig.engine.Melody.Event(0), MakeMelodyEvent(4, 0x90, 72, 100));

  rig.engine.Melody.ToggleRecord(rig.dialogs, 0);
  rig.driver.ClearSent();
  rig.beats.clear();
  rig.song.Play();
  rig.SongClockAt(8 * 24 - 1);
  ASSERT_TRUE(rig.song.Running());
  std::vector<std::pair<int, int>> chords;  // position, root's pitch class
  for (const SongBeat& beat : rig.beats) chords.emplace_back(beat.Pos, beat.ChordRoot % 12);
  EXPECT_EQ(
      chords,
      (std::vector<std::pair<int, int>>{
          {4, C % 12}, {8, G % 12}, {12, 0}, {16, F % 12}, {20, 0}, {24, 0}, {28, 0}, {32, 0}}));
  // The key still held at Stop ends where the take ended.
  Strings replay = heard;
  replay.push_back("190:88:0");
  EXPECT_EQ(rig.Melody(rig.firstClockTick), replay);
  rig.song.Stop();
  EXPECT_EQ(rig.Hanging(), 0);
}

TEST(SongMelody, ANoteOffRecordedAfterTheOctaveChangedEndsTheNoteItsKeyStarted) {
  MelodyRig rig;
  rig.live.KeyboardOctave = 1;
  rig.engine.Melody.ToggleRecord(rig.dialogs, 0);
  rig.song.Record();
  rig.Play(C, 1);
  rig.SongClockAt(4);
  rig.Key(72, 100);  // sounds 84, stored as 72
  rig.live.KeyboardOctave = 0;
  rig.SongClockAt(9);
  rig.Key(72, 0);  // the routing ends 84
  rig.SongClockAt(30);
  rig.song.Stop();
  rig.engine.Melody.ToggleRecord(rig.dialogs, 0);
  rig.driver.ClearSent();
  rig.song.Play();
  rig.SongClockAt(24);
  EXPECT_EQ(rig.Melody(rig.firstClockTick), (Strings{"4:72:100", "9:72:0"}));
}

TEST(SongMelody, ARepeatReplaysTheMelodyOfTheRepeatedMeasure) {
  // Wherever in measure 2 its repeat start stands, the repeat goes back to the measure's start.
  for (int beat = 1; beat <= 3; ++beat) {
    MelodyRig rig;
    SongBytes bytes(3);
    bytes.At(1, 1, {C, 1, 0, 0}).At(2, 1, {G, 1, 0, 0});
    const ChordEntry start{beat == 1 ? G : uint8_t{0}, beat == 1 ? uint8_t{1} : uint8_t{0},
                           kCommandRepeat, 102};
    bytes.At(2, beat, start).At(2, 4, {0, 0, kCommandRepeat, 0});
    bytes.End(3);
    rig.Load(bytes);
    // A note at the start of measure 2 (clock 96), one clock long, and one on its beat 4.
    const std::vector<MelodyEvent> melody{
        MakeMelodyEvent(96, 0x90, 67, 100), MakeMelodyEvent(97, 0x80, 67, 0),
        MakeMelodyEvent(168, 0x90, 69, 100), MakeMelodyEvent(169, 0x80, 69, 0)};
    rig.engine.Melody.Load(melody);
    rig.song.Play();
    rig.SongClockAt(0);
    rig.Ticks(13 * 24);
    EXPECT_FALSE(rig.song.Running());
    EXPECT_EQ(rig.Melody(rig.firstClockTick),
              (Strings{"96:67:100", "97:67:0", "168:69:100", "169:69:0", "192:67:100", "193:67:0",
                       "264:69:100", "265:69:0"}))
        << "repeat start on beat " << beat;
    EXPECT_EQ(rig.Hanging(), 0);
  }
}

TEST(SongMelody, ALoopAfterALeadInReplaysTheMelody) {
  MelodyRig rig;
  SongBytes bytes(3);
  bytes.At(1, 1, {C, 1, 0, 0}).End(3);
  rig.Load(bytes);
  const std::vector<MelodyEvent> melody{MakeMelodyEvent(0, 0x90, 67, 100),
                                        MakeMelodyEvent(10, 0x80, 67, 0)};
  rig.engine.Melody.Load(melody);
  rig.song.SetStartMeasure(-1);  // a measure of lead-in
  rig.song.FirstMeasure = 1;
  rig.song.LastMeasure = 1;
  rig.song.LoopOn = true;
  rig.song.Play();
  rig.SongClockAt(0);
  rig.Ticks(2 * 96 + 20);
  EXPECT_EQ(rig.Melody(rig.firstClockTick),
            (Strings{"0:67:100", "10:67:0", "96:67:100", "106:67:0", "192:67:100", "202:67:0"}));
}

TEST(SongMelody, AMelodyStaysSilentInASongStartedInTheMiddle) {
  MelodyRig rig;
  SongBytes bytes(3);
  bytes.At(1, 1, {C, 1, 0, 0}).End(3);
  rig.Load(bytes);
  const std::vector<MelodyEvent> melody{MakeMelodyEvent(100, 0x90, 67, 100),
                                        MakeMelodyEvent(110, 0x80, 67, 0)};
  rig.engine.Melody.Load(melody);
  rig.song.SetStartMeasure(2);
  rig.song.Play();
  rig.Ticks(2 * 96);
  EXPECT_EQ(rig.Melody(0), Strings{});
}

TEST(SongMelody, APauseReleasesTheMelodyWhichStaysSilentAfterTheResume) {
  MelodyRig rig;
  SongBytes bytes(4);
  bytes.At(1, 1, {C, 1, 0, 0}).End(4);
  rig.Load(bytes);
  std::vector<MelodyEvent> melody;  // a note on every beat, held for 20 clocks
  for (uint32_t beat = 0; beat < 12; ++beat) {
    melody.push_back(MakeMelodyEvent(beat * 24, 0x90, 67, 100));
    melody.push_back(MakeMelodyEvent(beat * 24 + 20, 0x80, 67, 0));
  }
  rig.engine.Melody.Load(melody);
  rig.song.Play();
  rig.SongClockAt(30);  // the second note sounds
  rig.song.Play();      // pause
  EXPECT_EQ(rig.Hanging(), 0);
  rig.driver.ClearSent();
  rig.song.Play();  // resume at the start of the measure shown
  rig.Ticks(3 * 24);
  EXPECT_TRUE(rig.song.Running());
  EXPECT_EQ(rig.Melody(0), Strings{});
}

TEST(SongMelody, TheMelodyPlaysWithoutAStyleAndOnAnExternalClock) {
  for (const bool slave : {false, true}) {
    MelodyRig rig(false);  // no style: the melody is all there is to hear (besides the signal
                           // notes of the chords, for an external arranger)
    SongBytes bytes(2);
    bytes.At(1, 1, {C, 1, 0, 0}).End(2);
    rig.Load(bytes);
    const std::vector<MelodyEvent> melody{MakeMelodyEvent(30, 0x90, 67, 100),
                                          MakeMelodyEvent(40, 0x80, 67, 0)};
    rig.engine.Melody.Load(melody);
    if (slave) rig.transport.SetSlaveMode(true);
    rig.song.Play();
    rig.transport.StartDelay = 0;  // the external Start
    rig.SongClockAt(60);
    Strings melodyNotes = rig.Melody(rig.firstClockTick);
    std::erase_if(melodyNotes,
                  [](const std::string& note) { return note.find(":67:") == std::string::npos; });
    EXPECT_EQ(melodyNotes, (Strings{"30:67:100", "40:67:0"})) << slave;
  }
}

TEST(SongMelody, ATakeRecordsItsMelodyThroughAPauseAndFromALaterMeasure) {
  MelodyRig rig;
  rig.engine.Melody.ToggleRecord(rig.dialogs, 0);
  rig.song.Record();
  rig.Play(C, 1);
  rig.SongClockAt(4);
  rig.Key(72, 100);
  rig.SongClockAt(10);
  rig.Key(72, 0);
  rig.SongClockAt(5 * 24 + 6);  // measure 2, beat 2
  rig.song.Play();              // pause
  rig.song.Play();              // records on from measure 2
  rig.SongClockAt(96 + 50);
  rig.Key(74, 100);
  rig.SongClockAt(96 + 60);
  rig.Key(74, 0);
  rig.SongClockAt(3 * 96 - 1);
  rig.song.Stop();

  // A second take from measure 4 adds to the melody, on the clock of measure 4.
  rig.song.SetStartMeasure(4);
  rig.dialogs.Answers = {true};  // "Start Recording at Measure 4"
  rig.song.Record();
  rig.SongClockAt(3 * 96 + 8);
  rig.Key(76, 100);
  rig.SongClockAt(3 * 96 + 12);
  rig.Key(76, 0);
  rig.SongClockAt(4 * 96 - 1);
  rig.song.Stop();
  rig.engine.Melody.ToggleRecord(rig.dialogs, 0);

  rig.driver.ClearSent();
  rig.song.SetStartMeasure(1);
  rig.song.Play();
  rig.SongClockAt(4 * 96 - 1);
  EXPECT_EQ(rig.Melody(rig.firstClockTick),
            (Strings{"4:72:100", "10:72:0", "146:74:100", "156:74:0", "296:76:100", "300:76:0"}));
}

}  // namespace
}  // namespace korvel
