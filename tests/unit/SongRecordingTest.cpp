// Recording into the chord memory on a stepped clock: real time, step, punch-in and overwrite,
// and what a take leaves behind when it stops.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "support/SongRig.h"

namespace korvel {
namespace {

using test::SongBytes;
using test::SongRig;

constexpr uint8_t C = 48, F = 53, G = 55, A = 57;
constexpr uint8_t kFill = 36, kEnding = 38;
constexpr ChordEntry kNothing{};
constexpr ChordEntry kEndMark{0, 0, kCommandEnd, 0};

// Runs the clock up to and including tick `last`.
void TickTo(SongRig& rig, int64_t last) {
  rig.Ticks(static_cast<int>(last - rig.tick));
}

TEST(SongRecording, RecordedChordsPlayBackOnTheBeatsTheyWereHeard) {
  SongRig rig;
  rig.song.Record();
  EXPECT_EQ(rig.song.BeatPanel, "R");
  rig.Play(C, 1);  // held when the first beat comes (tick 1)
  TickTo(rig, 27);
  rig.Play(G, 1);  // three clocks after beat 2 (tick 25): still beat 2
  TickTo(rig, 60);
  rig.Play(F, 1);  // twelve clocks after beat 3 (tick 49): beat 4
  TickTo(rig, 120);
  rig.Play(A, 2);    // just before beat 6
  TickTo(rig, 288);  // beat 12 began at tick 265; the next would be measure 4
  rig.song.Stop();

  const std::vector<std::pair<int, ChordEntry>> expected = {
      {4, {C, 1, 0, 0}}, {8, {G, 1, 0, 0}},  {12, kNothing}, {16, {F, 1, 0, 0}},
      {20, kNothing},    {24, {A, 2, 0, 0}}, {48, kNothing}, {52, kEndMark}};
  for (auto [pos, entry] : expected) EXPECT_EQ(rig.Entry(pos), entry) << pos;
  EXPECT_EQ(rig.song.SongEnd, 68);
  for (int b = 0; b < 4; ++b) EXPECT_EQ(rig.song.Memory.Bytes[static_cast<size_t>(b)], 0) << b;

  EXPECT_EQ(rig.Timeline(),
            "beat 1 1:1 chord 48 1\n"
            "beat 2 1:2 chord 55 1\n"
            "beat 3 1:3\n"
            "beat 4 1:4 chord 53 1\n"
            "beat 5 2:1\n"
            "beat 6 2:2 chord 57 2\n"
            "beat 7 2:3\n"
            "beat 8 2:4\n"
            "beat 9 3:1\n"
            "beat 10 3:2\n"
            "beat 11 3:3\n"
            "beat 12 3:4\n"
            "stop end-mark\n");
}

TEST(SongRecording, AQuantizeStepRecordsOnItsGridBeatsAndTheirWindows) {
  SongRig rig;
  rig.transport.SetQuantize(1);  // "2/4": every other beat
  rig.song.Record();
  rig.Play(C, 1);
  TickTo(rig, 27);
  rig.Play(F, 1);  // three clocks into beat 2, which is off the grid: waits for beat 3
  TickTo(rig, 99);
  rig.Play(G, 1);  // three clocks into beat 5, on the grid: still beat 5
  TickTo(rig, 144);
  rig.song.Stop();
  const ChordEntry expected[] = {{C, 1, 0, 0}, kNothing,     {F, 1, 0, 0},
                                 kNothing,     {G, 1, 0, 0}, kNothing};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rig.Entry(4 + 4 * i), expected[i]) << 4 + 4 * i;
}

TEST(SongRecording, TheChordOfARecordedLeadInBeginsTheSong) {
  SongRig rig;
  rig.song.SetStartMeasure(-1);  // one measure before measure 1; there is no measure 0
  rig.song.Record();
  TickTo(rig, 24);
  rig.Play(C, 1);  // on the lead-in's second beat
  TickTo(rig, 144);
  rig.Play(G, 1);  // measure 1, beat 3
  TickTo(rig, 192);
  rig.song.Stop();
  EXPECT_EQ(rig.Entry(4), (ChordEntry{C, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(8), kNothing);
  EXPECT_EQ(rig.Entry(12), (ChordEntry{G, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(20), kEndMark);
  EXPECT_EQ(rig.song.SongEnd, 36);
}

TEST(SongRecording, StopInMidMeasureKeepsThePartialMeasureAndItsEndingKey) {
  SongRig rig;
  rig.song.Record();
  rig.Play(C, 1);
  TickTo(rig, 96);
  rig.engine.Input.ControlKeyPressed(kEnding, 12);  // on measure 2's first beat
  TickTo(rig, 144);                                 // beats 5 and 6 recorded
  rig.song.Stop();
  EXPECT_EQ(rig.Entry(20), (ChordEntry{0, 0, kEnding, 12}));
  EXPECT_EQ(rig.Entry(36), kEndMark);
  EXPECT_EQ(rig.song.SongEnd, 52);
}

TEST(SongRecording, PauseThenStopKeepsTheTake) {
  SongRig rig;
  rig.song.Record();
  rig.Play(C, 1);
  TickTo(rig, 60);  // three beats
  rig.song.Play();  // pause
  EXPECT_TRUE(rig.song.Paused());
  EXPECT_FALSE(rig.song.Running());
  rig.Ticks(48);
  rig.song.Stop();
  EXPECT_FALSE(rig.song.Paused());
  EXPECT_EQ(rig.Entry(4), (ChordEntry{C, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(20), kEndMark);
  EXPECT_EQ(rig.song.SongEnd, 36);
}

TEST(SongRecording, ATakeWithNothingPlayedLeavesTheMemoryEmpty) {
  SongRig rig;
  rig.song.Record();
  TickTo(rig, 100);
  rig.song.Stop();
  EXPECT_TRUE(rig.song.Empty()) << "nothing to save";

  // A melody alone is kept: it plays on the song clock.
  const std::vector<MelodyEvent> melody{MakeMelodyEvent(4, 0x90, 72, 100),
                                        MakeMelodyEvent(9, 0x80, 72, 0)};
  rig.engine.Melody.Load(melody);
  rig.song.Record();
  TickTo(rig, 200);
  rig.song.Stop();
  EXPECT_FALSE(rig.song.Empty());
}

TEST(SongRecording, PlayAfterAPauseRecordsOnFromTheMeasureShown) {
  SongRig rig;
  rig.song.Record();
  rig.Play(C, 1);
  rig.Beats(6);     // measure 1 and two beats of measure 2
  rig.song.Play();  // pause: the first take has no end yet
  rig.Ticks(50);
  rig.song.Play();
  EXPECT_TRUE(rig.dialogs.Messages.empty());
  EXPECT_EQ(rig.song.TransportMode, kSongRecording);
  rig.Play(G, 1);
  rig.Beats(4);  // measure 2 again
  rig.song.Stop();
  EXPECT_EQ(rig.Entry(4), (ChordEntry{C, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(20), (ChordEntry{G, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(36), kEndMark);
}

TEST(SongRecording, ATakeBehindTheEndMovesTheEndMarkBehindIt) {
  SongBytes bytes(2);
  bytes.At(1, 1, {C, 1, 0, 0}).End(2);
  SongRig rig;
  rig.Load(bytes);
  rig.song.SetStartMeasure(3);
  rig.dialogs.Answers = {true};
  rig.song.Record();
  EXPECT_EQ(rig.dialogs.Questions, std::vector<std::string>{"Start Recording at Measure 3"});
  rig.Play(G, 1);
  rig.Beats(4);
  rig.song.Stop();
  EXPECT_EQ(rig.Entry(20), kNothing) << "the old end mark is gone";
  EXPECT_EQ(rig.Entry(52), kEndMark);
  EXPECT_EQ(rig.song.SongEnd, 68);
  const std::string timeline = rig.Timeline();
  EXPECT_NE(timeline.find("beat 9 3:1 chord 55 1\n"), std::string::npos) << timeline;
  EXPECT_NE(timeline.find("beat 12 3:4\nstop end-mark\n"), std::string::npos) << timeline;
}

TEST(SongRecording, AFullMemoryEndsTheTakeWithinTheArray) {
  SongRig rig;
  rig.transport.SetMetre(0);  // 6/4: measure 500 holds the last six entries
  rig.song.SetStartMeasure(500);
  rig.song.Record();
  rig.Play(C, 1);
  rig.Beats(7);
  EXPECT_FALSE(rig.song.Running());
  EXPECT_EQ(rig.song.LastStop, SongStop::MemoryFull);
  EXPECT_EQ(rig.Entry(11980), (ChordEntry{C, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(kLastBeatPos), kEndMark);
  EXPECT_EQ(rig.song.SongEnd, kChordMemorySize);
}

TEST(SongRecording, StepRecordingStoresRepeatedChordsAsBeatsWithoutChange) {
  SongRig rig;
  rig.song.StepTaps = 4;
  rig.song.StartStepRecord();
  EXPECT_EQ(rig.transport.ClockState, 0) << "steps are taken with the clock off";
  EXPECT_TRUE(rig.transport.PlayChordsMode);
  rig.Play(C, 1);
  rig.engine.Input.ControlKeyPressed(kFill, 12);  // waits for the next chord's step
  rig.Play(C, 1);
  rig.Play(G, 1);
  EXPECT_EQ(rig.song.BeatPanel, "4");
  rig.song.Stop();
  EXPECT_EQ(rig.Entry(4), (ChordEntry{C, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(8), (ChordEntry{0, 0, kFill, 12}));
  EXPECT_EQ(rig.Entry(12), (ChordEntry{G, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(20), kEndMark);
  EXPECT_EQ(rig.song.SongEnd, 36);
  EXPECT_FALSE(rig.transport.PlayChordsMode);
  EXPECT_EQ(rig.live.TriggerVelocity, 1);
  EXPECT_EQ(rig.transport.ClockState, 1) << "the clock is back";
  // The last stepped chord sounded as a triggered chord; Stop ends its notes one by one
  // (not only with "all notes off", which many modules ignore).
  std::map<std::pair<int, int>, bool> sounding;
  for (const auto& m : rig.driver.Sent()) {
    const int type = m.Bytes[0] & 0xF0;
    const bool click = (m.Bytes[0] & 0x0F) == kDrumChannel;  // one-shot percussion
    if ((type == 0x90 || type == 0x80) && !click)
      sounding[{m.Bytes[0] & 0x0F, m.Bytes[1]}] = type == 0x90 && m.Bytes[2] > 0;
  }
  for (const auto& [note, on] : sounding) EXPECT_FALSE(on) << note.first << ":" << note.second;
}

TEST(SongRecording, StepTapsKeepEveryStepOnTheBeatGrid) {
  struct Case {
    int Metre;  // "Metrum" index
    int Taps;
    int KeptTaps;
    std::vector<int> Positions;  // of three chords stepped in
  };
  const Case cases[] = {
      {2, 4, 4, {4, 8, 12}},   // 4/4
      {2, 3, 2, {4, 12, 20}},  // 4/4 has no three whole steps
      {0, 3, 3, {4, 12, 20}},  // 6/4
      {0, 6, 6, {4, 8, 12}},   // 6/4
      {3, 2, 1, {4, 16, 28}},  // 3/4
      {1, 4, 1, {4, 24, 44}},  // 5/4
  };
  for (const Case& c : cases) {
    SongRig rig;
    rig.transport.SetMetre(c.Metre);
    rig.song.StepTaps = c.Taps;
    rig.song.StartStepRecord();
    EXPECT_EQ(rig.song.StepTaps, c.KeptTaps) << c.Metre << " " << c.Taps;
    const uint8_t roots[] = {C, F, G};
    for (uint8_t root : roots) rig.Play(root, 1);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(rig.Entry(c.Positions[i]).Root, roots[i]) << c.Metre << " " << c.Taps << " " << i;
    }
  }
}

TEST(SongRecording, OverwriteKeepsTheLoopAndTheStoredChordTypes) {
  SongBytes bytes(2);
  bytes.At(1, 1, {C, 1, 0, 0}).At(1, 3, {G, 1, 0, 0}).End(2);
  SongRig rig;
  rig.Load(bytes);
  rig.engine.Chords.MajorMinor = true;
  rig.song.LoopOn = true;
  rig.song.PlayOverwrite();
  ASSERT_TRUE(rig.song.Running());
  rig.song.PlayOverwrite();
  EXPECT_TRUE(rig.song.Running()) << "a second Play && Overwrite does not pause";
  EXPECT_FALSE(rig.song.Paused());
  EXPECT_TRUE(rig.engine.Input.Chords) << "the keyboard plays along";
  rig.engine.Input.ControlKeyPressed(kFill, 12);  // live, on the first beat
  TickTo(rig, 96);
  rig.Play(F, 1);  // live, on the beat that loops back
  rig.Beats(5);
  std::vector<int> positions;
  for (const SongBeat& beat : rig.beats) positions.push_back(beat.Pos);
  EXPECT_EQ(positions, (std::vector<int>{4, 8, 12, 16, 4, 8, 12, 16, 4}));
  EXPECT_EQ(rig.beats[4].Jump, SongJump::Loop);
  EXPECT_EQ(rig.Entry(4), (ChordEntry{F, 1, kFill, 12})) << "the played type is kept";
  EXPECT_EQ(rig.Entry(12), (ChordEntry{G, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(20), kEndMark);
  EXPECT_EQ(rig.chord.EditChordType, 2) << "F sounds as F minor, as played live";

  // A chord played just after a beat still belongs to it.
  TickTo(rig, rig.tick + 3);
  rig.Play(A, 2);
  rig.Ticks(1);
  EXPECT_EQ(rig.Entry(8), (ChordEntry{A, 2, 0, 0}));
}

// The style's note-ons on each of `beats` song beats (index 1..beats), while `before(beat)`
// may play just before each beat starts.
std::vector<std::string> StyleByBeat(SongRig& rig, int beats,
                                     const std::function<void(int)>& before) {
  std::vector<std::string> heard(static_cast<size_t>(beats) + 1);
  for (int beat = 1; beat <= beats && rig.song.Running(); ++beat) {
    // The next tick starts a beat.
    while (rig.transport.ClockInBeat < rig.transport.ClocksPerBeat || rig.transport.StartDelay > 1)
      rig.Ticks(1);
    before(beat);
    rig.driver.ClearSent();
    rig.Ticks(24);
    for (const auto& m : rig.driver.Sent()) {
      if (m.Bytes[0] == 0x91 && m.Bytes[2] > 0)
        heard[static_cast<size_t>(beat)] += std::to_string(m.Bytes[1]) + " ";
    }
  }
  return heard;
}

TEST(SongRecording, ATakeWithoutCountInPlaysBackOnTheStylesBarsWhereverItsFirstChordFalls) {
  for (int first = 1; first <= 4; ++first) {
    test::StyleFixture fixture;
    fixture.Part(kBasic, 1, test::BeatNotes({60, 62, 64, 65}))
        .Part(korvel::kEnding, 1, test::BeatNotes({36, 38, 40, 41}));
    SongRig rig;
    rig.PlayerRig::Load(fixture);
    rig.song.Record();
    const auto take = StyleByBeat(rig, 12, [&](int beat) {
      if (beat == first) rig.Play(C, 1);
      if (beat == first + 2) rig.Play(G, 1);
      if (beat == 6) rig.engine.Input.ControlKeyPressed(kEnding, 12);
    });
    rig.song.Stop();
    EXPECT_EQ(rig.Entry(4).Root, C) << first;
    EXPECT_EQ(rig.Entry(4 + 4 * (first + 1)).Root, G) << "where it was heard " << first;

    rig.song.Play();
    const auto playback = StyleByBeat(rig, 12, [](int) {});
    for (int beat = 1; beat <= 12; ++beat) {
      const auto b = static_cast<size_t>(beat);
      if (beat < first) {
        EXPECT_EQ(take[b], "") << "silent until the first chord " << first;
      } else {
        EXPECT_EQ(playback[b], take[b]) << "first chord on " << first << ", beat " << beat;
      }
    }
    // The ending, asked for in measure 2, starts on the song's bar line: measure 3.
    const auto ending = [](const std::string& notes) {
      return !notes.empty() && std::stoi(notes) < 55;
    };
    EXPECT_FALSE(ending(take[8])) << first;
    EXPECT_TRUE(ending(take[9])) << first;
  }
}

TEST(SongRecording, TheChordSoundingWhenRecordIsPressedBeginsTheTake) {
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 62, 64, 65}));
  SongRig rig;
  rig.PlayerRig::Load(fixture);
  rig.Play(F, 1);  // free play: the style starts with it
  rig.Beats(2);
  ASSERT_EQ(rig.chord.ChordRoot, 0) << "nothing pending, F sounds";
  rig.song.Record();
  const auto take = StyleByBeat(rig, 4, [&](int beat) {
    if (beat == 3) rig.Play(G, 1);
  });
  rig.song.Stop();
  EXPECT_EQ(rig.Entry(4), (ChordEntry{F, 1, 0, 0}));
  EXPECT_EQ(rig.Entry(12), (ChordEntry{G, 1, 0, 0}));
  EXPECT_NE(take[1], "") << "F sounds from the take's first beat";
}

TEST(SongRecording, PlaybackSoundsTheChordsAsTheTakeDidWhateverTheTranspose) {
  struct Case {
    int Octave, Transpose;
    bool PlayChords;
  };
  const Case cases[] = {{0, 2, false}, {1, -3, false}, {0, 5, true}, {-1, 4, true}};
  for (const Case& c : cases) {
    SongRig rig;
    rig.live.KeyboardOctave = c.Octave;
    rig.engine.Input.Transpose = c.Transpose;
    if (c.PlayChords) rig.engine.Chords.UsePlayChords(true);
    rig.song.Record();
    rig.Play(50, 1);  // D, as the setter placed it
    rig.Beats(2);
    const int live = rig.chord.EditChordRoot;
    rig.song.Stop();
    rig.song.Play();
    rig.Beats(1);
    ASSERT_FALSE(rig.beats.empty());
    EXPECT_EQ(rig.beats[0].ChordRoot, live)
        << c.Octave << " " << c.Transpose << " " << c.PlayChords;
  }
}

TEST(SongRecording, LastMeasureFollowsTheTake) {
  SongRig rig;
  rig.song.Record();
  rig.Play(C, 1);
  rig.Beats(10);  // into measure 3
  rig.song.Stop();
  EXPECT_EQ(rig.song.SongEnd, 4 + 4 * 16);
  EXPECT_EQ(rig.song.LastMeasure, 4) << "the measures up to the end mark, as a loaded song shows";
  EXPECT_EQ(rig.song.FirstMeasure, 1);
}

TEST(SongTransportCommands, QuestionsAndMessagesGuardTheSong) {
  SongRig rig;
  rig.song.Play();
  rig.song.PunchIn();
  rig.song.PlayOverwrite();
  EXPECT_EQ(rig.dialogs.Messages, std::vector<std::string>(3, "Chordmemory is empty !"));
  EXPECT_FALSE(rig.song.Running());
  EXPECT_EQ(rig.Entry(4), kEndMark);

  SongBytes bytes(3);
  bytes.At(1, 1, {C, 1, 0, 0}).End(3);
  rig.Load(bytes);
  rig.song.Record();             // No to "Replace current chords ?"
  rig.song.ClearCommand(false);  // No to "Clear Chordmemory ?"
  EXPECT_EQ(rig.dialogs.Questions,
            (std::vector<std::string>{"Replace current chords ?", "Clear Chordmemory ?"}));
  EXPECT_FALSE(rig.song.Running());
  EXPECT_EQ(rig.Entry(4), (ChordEntry{C, 1, 0, 0}));
  rig.dialogs.Answers = {true};
  rig.song.ClearCommand(false);
  EXPECT_TRUE(rig.song.Empty());
  EXPECT_EQ(rig.Entry(4), kEndMark);
}

TEST(SongTransportCommands, EditOpensTheMeasureShownAndThePauseKeyStartsAndStops) {
  SongBytes bytes(3);
  bytes.At(1, 1, {C, 1, 0, 0}).End(3);
  SongRig rig;
  rig.Load(bytes);
  std::vector<int> opened;
  rig.song.Hooks.OpenEditor = [&](int measure) { opened.push_back(measure); };
  rig.song.PlayPauseToggle();
  EXPECT_EQ(rig.song.TransportMode, kSongPlaying);
  rig.Beats(6);
  rig.song.Edit();
  rig.song.PlayPauseToggle();
  EXPECT_FALSE(rig.song.Running());
  rig.song.Record();  // "Start Recording at Measure 1": No
  rig.dialogs.Answers = {true};
  rig.song.Record();
  rig.song.Edit();  // not while recording
  EXPECT_EQ(opened, std::vector<int>{2});
}

TEST(SongTransportCommands, PlayAgainResumesAtTheMeasureShownWithItsChord) {
  SongBytes bytes(3);
  bytes.At(1, 1, {C, 1, 0, 0}).At(2, 1, {G, 1, 0, 0}).End(3);
  SongRig rig;
  rig.Load(bytes);
  rig.song.Play();
  rig.Beats(6);  // up to 2:2
  rig.song.Play();
  EXPECT_TRUE(rig.song.Paused());
  rig.Beats(3);
  rig.beats.clear();
  rig.song.Play();
  rig.Beats(2);
  ASSERT_EQ(rig.beats.size(), 2u);
  EXPECT_EQ(rig.beats[0].Pos, 20);
  EXPECT_EQ(rig.beats[0].Jump, SongJump::Start);
  EXPECT_EQ(rig.beats[0].ChordRoot, G);
}

TEST(SongTransportCommands, TheViewHearsTheBeatPanelAndEveryStartPauseAndStop) {
  SongBytes bytes(2);
  bytes.At(1, 1, {C, 1, 0, 0}).End(2);
  SongRig rig;
  rig.Load(bytes);
  rig.song.Play();
  rig.song.Play();  // pause
  rig.song.Play();  // resume
  rig.Beats(6);     // the end mark stops the song on the clock
  ASSERT_FALSE(rig.song.Running());
  EXPECT_EQ(rig.view.BeatPanels, (std::vector<std::string>{"P", "P", ""}));
  EXPECT_EQ(rig.view.TransportChanges, 4);
  rig.view.BeatPanels.clear();
  rig.dialogs.Answers = {true};  // "Replace current chords ?"
  rig.song.StartStepRecord();
  rig.Play(C, 1);
  rig.Play(G, 1);
  rig.song.Stop();
  EXPECT_EQ(rig.view.BeatPanels, (std::vector<std::string>{"1", "2", "3", ""}));
  EXPECT_EQ(rig.view.TransportChanges, 6);
}

TEST(ChordMemoryPositions, PanelTextsAndMeasureStarts) {
  struct Case {
    int Pos, Ms;
    const char* Text;
    int NextMeasureStart;
  };
  const Case cases[] = {{4, 16, "1:1", 4},          {24, 16, "2:2", 36}, {20, 16, "2:1", 20},
                        {-12, 16, "0", 4},          {-28, 16, "-1", 4},  {60, 24, "3:3", 76},
                        {11996, 16, "750:3", 12004}};
  for (const Case& c : cases) {
    EXPECT_EQ(PositionText(c.Pos, c.Ms), c.Text) << c.Pos;
    EXPECT_EQ(MeasureStartAtOrAfter(c.Pos, c.Ms), c.NextMeasureStart) << c.Pos;
  }
}

}  // namespace
}  // namespace korvel
