// Song playback as tables of beats: crafted chord memories played on a stepped clock.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "support/SongRig.h"
#include "support/StyleFixture.h"

namespace korvel {
namespace {

using test::SongBytes;
using test::SongRig;

constexpr uint8_t C = 48, F = 53, G = 55;
constexpr uint8_t kIntro = 35, kEnding = 38;

TEST(SongTimeline, PlaysChordsKeysAndTempoOnTheirBeatsAndStopsAtTheEndMark) {
  SongBytes song(3);
  song.At(1, 1, {C, 1, kIntro, 12})
      .At(1, 3, {0, 0, kCommandTempo, 100})
      .At(2, 1, {G, 1, 0, 0})
      .At(2, 2, {0, 0, kCommandRepeat, 50})  // a repeat end with no repeat open
      .At(2, 3, {F, 3, kCommandMix, 238})    // no channel 17
      .End(3);
  EXPECT_EQ(song.Timeline(),
            "beat 1 1:1 key 35 12 chord 48 1\n"
            "beat 2 1:2\n"
            "beat 3 1:3 tempo 100\n"
            "beat 4 1:4\n"
            "beat 5 2:1 chord 55 1\n"
            "beat 6 2:2\n"
            "beat 7 2:3 chord 53 3\n"
            "beat 8 2:4\n"
            "stop end-mark\n");
}

TEST(SongTimeline, EmptyMemoriesAndIgnoredTempi) {
  EXPECT_EQ(SongTimeline({}, {}), "empty\n");
  EXPECT_EQ(SongTimeline({0, 0, 0, 0}, {}), "empty\n");
  // A tempo outside the clock's range is not passed on.
  SongBytes song(2);
  song.At(1, 1, {C, 1, kCommandTempo, 10}).End(2);
  EXPECT_EQ(song.Timeline(),
            "beat 1 1:1 chord 48 1\nbeat 2 1:2\nbeat 3 1:3\nbeat 4 1:4\n"
            "stop end-mark\n");
}

TEST(SongTimeline, ARepeatPlaysItsMeasureAgainAndAnEndingWaitsForTheLastPass) {
  // Measure 1 twice (repeat start 102, repeat end on its last beat); its Ending key counts
  // only on the last pass. The repeat commands are never passed on as keys.
  SongBytes song(3);
  song.At(1, 1, {C, 1, kCommandRepeat, 102})
      .At(1, 3, {0, 0, kEnding, 12})
      .At(1, 4, {0, 0, kCommandRepeat, 0})
      .At(2, 1, {G, 1, 0, 0})
      .End(3);
  SongTimelineSettings settings;
  settings.Beats = 10;
  EXPECT_EQ(song.Timeline(settings),
            "beat 1 1:1 chord 48 1\n"
            "beat 2 1:2\n"
            "beat 3 1:3\n"
            "beat 4 1:4\n"
            "beat 5 1:1 jump repeat chord 48 1\n"
            "beat 6 1:2\n"
            "beat 7 1:3 key 38 12\n"
            "beat 8 1:4\n"
            "beat 9 2:1 chord 55 1\n"
            "beat 10 2:2\n"
            "stop beat-limit\n");
}

TEST(SongTimeline, AnEndingPlaysOnPastTheEndMarkAndEndsTheSong) {
  SongBytes song(3);
  song.At(1, 1, {C, 1, 0, 0}).At(2, 1, {0, 0, kEnding, 12}).End(3);
  const std::string timeline = song.Timeline();
  EXPECT_NE(timeline.find("beat 5 2:1 key 38 12\n"), std::string::npos);
  EXPECT_NE(timeline.find("beat 9 3:1\n"), std::string::npos) << "the end mark waits";
  EXPECT_EQ(timeline.find("key 255"), std::string::npos);
  // The ending's beats are counted from the beat after the key.
  EXPECT_NE(timeline.find("beat 48 12:4\nstop ending\n"), std::string::npos) << timeline;
}

TEST(SongTimeline, ALoopRunsItsMeasuresAndBorrowsTheSoundingChordButNoIntro) {
  // Measure 1 is the lead-in of a loop over measures 2 and 3. Measure 2 has no chord of its
  // own: the G of 1:3 sounds there, with its tempo (a state), but not the Intro of 1:1.
  SongBytes song(4);
  song.At(1, 1, {C, 1, kIntro, 12})
      .At(1, 3, {G, 1, kCommandTempo, 90})
      .At(3, 1, {F, 1, 0, 0})
      .End(4);
  SongTimelineSettings settings;
  settings.LoopFirst = 2;
  settings.LoopLast = 3;
  settings.Beats = 14;
  EXPECT_EQ(song.Timeline(settings),
            "beat 1 1:1\n"
            "beat 2 1:2\n"
            "beat 3 1:3\n"
            "beat 4 1:4\n"
            "beat 5 2:1 jump start tempo 90 chord 55 1\n"
            "beat 6 2:2\n"
            "beat 7 2:3\n"
            "beat 8 2:4\n"
            "beat 9 3:1 chord 53 1\n"
            "beat 10 3:2\n"
            "beat 11 3:3\n"
            "beat 12 3:4\n"
            "beat 13 2:1 jump loop tempo 90 chord 55 1\n"
            "beat 14 2:2\n"
            "stop beat-limit\n");
}

TEST(SongTimeline, AnEndMarkOnTheLoopStartEndsTheSongInsteadOfLoopingInOneBeat) {
  SongBytes song(3);
  song.At(1, 1, {C, 1, 0, 0}).End(3);
  SongTimelineSettings settings;
  settings.LoopFirst = 3;
  settings.LoopLast = 4;
  settings.Beats = 40;
  const std::string timeline = song.Timeline(settings);
  EXPECT_NE(timeline.find("beat 8 2:4\nstop end-mark\n"), std::string::npos) << timeline;
}

TEST(SongTimeline, StartMeasureAndSongTranspose) {
  // 252 with 250 transposes by -6, from the beat that carries it. The jump to the start measure
  // borrows the sounding chord, not the Intro played with it.
  SongBytes song(3);
  song.At(1, 1, {C, 1, kIntro, 12})
      .At(2, 1, {0, 0, kCommandTranspose, 250})
      .At(2, 2, {G, 2, 0, 0})
      .End(3);
  SongTimelineSettings settings;
  settings.StartMeasure = 2;
  EXPECT_EQ(song.Timeline(settings),
            "beat 1 2:1 jump start chord 42 1\n"
            "beat 2 2:2 chord 49 2\n"
            "beat 3 2:3\n"
            "beat 4 2:4\n"
            "stop end-mark\n");
}

TEST(SongTimeline, AFullMemoryStopsAfterItsLastBeat) {
  std::vector<uint8_t> full(kChordMemorySize);
  full[4] = C;
  full[5] = 1;
  SongTimelineSettings settings;
  settings.Beats = 3100;
  const std::string timeline = SongTimeline(full, settings);
  EXPECT_NE(timeline.find("beat 3000 750:4\nstop memory-full\n"), std::string::npos);
}

TEST(SongTimeline, ARepeatInsideALoopPlaysOnEveryPass) {
  // Measure 1 is repeated (its 253 on the loop start), then measure 2; the loop runs 1..2.
  SongBytes song(3);
  song.At(1, 1, {C, 1, kCommandRepeat, 102})
      .At(1, 4, {0, 0, kCommandRepeat, 0})
      .At(2, 1, {G, 1, 0, 0})
      .End(3);
  SongTimelineSettings settings;
  settings.LoopFirst = 1;
  settings.LoopLast = 2;
  settings.Beats = 24;
  std::string measures;
  std::istringstream lines(song.Timeline(settings));
  for (std::string line; std::getline(lines, line);) {
    if (line.find(":1") != std::string::npos) measures += line.substr(line.find(' ', 5) + 1, 1);
  }
  EXPECT_EQ(measures, "112112") << song.Timeline(settings);
}

TEST(SongTimeline, AChordBlockWithoutAnEndMarkEndsWhereItEnds) {
  SongBytes song(2);  // two measures, as the song's info counts them, and no end mark
  song.At(1, 1, {C, 1, 0, 0}).At(2, 1, {G, 1, 0, 0});
  const std::string timeline = song.Timeline();
  EXPECT_NE(timeline.find("beat 8 2:4\nstop end-mark\n"), std::string::npos) << timeline;
  EXPECT_EQ(timeline.find("beat 9 "), std::string::npos) << timeline;
  // With Loop on it loops there, as at an end mark.
  SongTimelineSettings settings;
  settings.LoopFirst = 1;
  settings.LoopLast = 4;
  settings.Beats = 10;
  EXPECT_NE(song.Timeline(settings).find("beat 9 1:1 jump loop chord 48 1\n"), std::string::npos)
      << song.Timeline(settings);
}

// Whatever the bytes, the song ends and no song command is ever passed on as a key.
TEST(SongTimeline, AnyChordBlockPlaysToAStop) {
  std::mt19937 random(3000);
  for (int run = 0; run < 200; ++run) {
    std::vector<uint8_t> block(static_cast<size_t>(random() % 600));
    for (auto& b : block)
      b = static_cast<uint8_t>(random() % 4 == 0 ? 250 + random() % 6 : random());
    SongTimelineSettings settings;
    settings.Beats = 300;
    settings.MeasureSixteenths = static_cast<int>(4 + random() % 24);
    settings.FirstMeasure = static_cast<int>(random() % 4);
    if (random() % 2) {
      settings.LoopFirst = static_cast<int>(1 + random() % 5);
      settings.LoopLast = static_cast<int>(1 + random() % 5);
    }
    settings.StartMeasure = static_cast<int>(random() % 9) - 3;
    const std::string timeline = SongTimeline(block, settings);
    const bool ended = timeline == "empty\n" || timeline.rfind("stop ") != std::string::npos;
    EXPECT_TRUE(ended) << run << "\n" << timeline;
    for (int command = kCommandMix; command <= kCommandEnd; ++command) {
      EXPECT_EQ(timeline.find("key " + std::to_string(command) + " "), std::string::npos) << run;
    }
  }
}

TEST(SongPlayback, IgnoreTempiAndIgnoreLoops) {
  SongBytes bytes(3);
  bytes.At(1, 1, {C, 1, kCommandRepeat, 102})
      .At(1, 2, {0, 0, kCommandTempo, 90})
      .At(1, 4, {0, 0, kCommandRepeat, 0})
      .End(2);
  struct Case {
    bool IgnoreTempi, IgnoreLoops;
    std::vector<int> Positions;
    int TempoBeats;  // beats that passed the tempo on
  };
  const Case cases[] = {
      {false, false, {4, 8, 12, 16, 4, 8, 12, 16}, 2},
      {true, false, {4, 8, 12, 16, 4, 8, 12, 16}, 0},
      {false, true, {4, 8, 12, 16}, 1},
  };
  for (const Case& c : cases) {
    SongRig rig;
    rig.Load(bytes);
    rig.song.IgnoreTempi = c.IgnoreTempi;
    rig.song.IgnoreLoops = c.IgnoreLoops;
    rig.song.Play();
    rig.Beats(3);
    const int tempo = rig.transport.ClockPeriod;  // the song's, while it plays
    rig.Beats(7);
    EXPECT_FALSE(rig.song.Running());
    std::vector<int> positions;
    int tempoBeats = 0;
    for (const SongBeat& beat : rig.beats) {
      positions.push_back(beat.Pos);
      tempoBeats += beat.Tempo == 90;
    }
    EXPECT_EQ(positions, c.Positions) << c.IgnoreTempi << c.IgnoreLoops;
    EXPECT_EQ(tempoBeats, c.TempoBeats) << c.IgnoreTempi << c.IgnoreLoops;
    EXPECT_EQ(tempo, Transport::ClockPeriodFor(c.IgnoreTempi ? 120 : 90));
  }
}

TEST(SongPlayback, MixCommandsMuteUnmuteAndSolo) {
  SongBytes bytes(3);
  const uint8_t values[] = {222, 238, 239, 237, 254, 3, 0};
  for (int i = 0; i < 7; ++i) bytes.At(1 + i / 4, 1 + i % 4, {0, 0, kCommandMix, values[i]});
  bytes.At(1, 1, {C, 1, kCommandMix, 222}).End(3);
  SongRig rig;
  rig.Load(bytes);
  struct State {
    int Mute16, Mute1, Solo;
    bool operator==(const State&) const = default;
  };
  std::vector<State> states;
  rig.song.Hooks.BeatPlayed = [&](const SongBeat&) {
    states.push_back({rig.notes.ChannelMute[15], rig.notes.ChannelMute[0], rig.notes.SoloChannel});
  };
  rig.song.Play();
  rig.Beats(7);
  const std::vector<State> expected = {
      {1, 0, 0},  // 222 mutes channel 16
      {1, 0, 0},  // 238 is no channel
      {0, 0, 0},  // 239 unmutes channel 16
      {0, 1, 0},  // 237 mutes channel 1
      {0, 0, 0},  // 254 unmutes channel 1
      {0, 0, 3},  // solo channel 3
      {0, 0, 0},  // all channels again
  };
  EXPECT_EQ(states, expected);
}

TEST(SongPlayback, LeadInMeasuresSoundAsTheIntroMenuSays) {
  struct Case {
    LeadInMute Mode;
    int FirstMeasure, SecondMeasure;
    int Clicks;
  };
  const Case cases[] = {{LeadInMute::MuteNone, 0, 0, 0},
                        {LeadInMute::MuteAll, 100, 100, 0},
                        {LeadInMute::Drums, 10, 10, 0},
                        {LeadInMute::DrumsLastMeasure, 100, 10, 0},
                        {LeadInMute::Metronome, 100, 100, 8}};
  for (const Case& c : cases) {
    SongBytes bytes(4);
    // The first entry's song command is not a key, even when the lead-in applies it at once.
    bytes.At(1, 1, {C, 1, kCommandRepeat, 102}).At(3, 1, {G, 1, 0, 0}).End(4);
    SongRig rig;
    rig.Load(bytes);
    rig.notes.SoloSelection = 5;  // the "Solo" group's choice
    rig.notes.SoloChannel = 5;
    rig.song.LeadIn = c.Mode;
    rig.song.SetFirstMeasure(3);
    rig.song.SetLastMeasure(3);
    rig.song.Play();
    EXPECT_EQ(rig.keys.ControlKeyNote, 0);
    EXPECT_EQ(rig.chord.EditChordRoot, C) << "the lead-in sounds the first chord";
    std::vector<int> solo;
    rig.song.Hooks.BeatPlayed = [&](const SongBeat&) { solo.push_back(rig.notes.SoloChannel); };
    rig.Beats(9);
    ASSERT_EQ(solo.size(), 9u);
    EXPECT_EQ(solo[0], c.FirstMeasure) << static_cast<int>(c.Mode);
    EXPECT_EQ(solo[4], c.SecondMeasure) << static_cast<int>(c.Mode);
    EXPECT_EQ(solo[8], 5) << "the song proper plays with the Solo choice";
    int clicks = 0;
    for (const auto& m : rig.driver.Sent()) clicks += m.Bytes[0] == 0x99;
    EXPECT_EQ(clicks, c.Clicks) << static_cast<int>(c.Mode);
  }
}

TEST(SongPlayback, DrumsOnTheLastMeasureComeInBeforeMeasureOne) {
  // Lead-in measures -2 and -1 before measure 1: there is no measure 0.
  SongBytes bytes(2);
  bytes.At(1, 1, {C, 1, 0, 0}).End(2);
  SongRig rig;
  rig.Load(bytes);
  rig.song.LeadIn = LeadInMute::DrumsLastMeasure;
  rig.song.SetStartMeasure(-2);
  std::vector<int> solo;
  rig.song.Hooks.BeatPlayed = [&](const SongBeat&) { solo.push_back(rig.notes.SoloChannel); };
  rig.song.Play();
  rig.Beats(9);
  ASSERT_EQ(solo.size(), 9u);
  EXPECT_EQ(solo[0], 100);
  EXPECT_EQ(solo[4], 10) << "measure -1 brings the drums in";
  EXPECT_EQ(solo[8], 0);
}

TEST(SongPlayback, ASongsTempoEndsWithTheSong) {
  SongBytes bytes(2);
  bytes.At(1, 1, {C, 1, 0, 0}).At(1, 3, {0, 0, kCommandTempo, 60}).End(2);
  SongRig rig;
  rig.Load(bytes);
  const auto period = [&] { return rig.transport.ClockPeriod; };
  for (const bool stopped : {false, true}) {
    rig.song.Play();
    rig.Beats(2);
    EXPECT_EQ(period(), Transport::ClockPeriodFor(120)) << "a second Play starts at the field's";
    rig.Beats(1);
    EXPECT_EQ(period(), Transport::ClockPeriodFor(60));
    EXPECT_EQ(rig.transport.Tempo, 120) << "the field keeps its tempo";
    if (stopped) rig.song.Stop();
    rig.Beats(3);
    EXPECT_FALSE(rig.song.Running());
    EXPECT_EQ(period(), Transport::ClockPeriodFor(120)) << "free play at the field's tempo";
  }
}

TEST(SongPlayback, ChordPreviewNamesTheComingChordWithinTheMemory) {
  struct Case {
    int Ahead;
    int Ms;
    int StartMeasure;
    std::vector<std::pair<int, uint8_t>> Chords;  // position, root
    std::vector<std::string> Panel;
  };
  const Case cases[] = {
      // Half a measure ahead, or the next beat when that one has a chord.
      {8, 16, 1, {{4, C}, {16, 43}, {20, 41}}, {"C maj", "G maj", "G maj", "G maj", "F maj"}},
      {4, 16, 1, {{4, C}, {16, 43}}, {"C maj", "G maj", "G maj"}},
      // At the memory's end nothing is read past its last entry.
      {8, 24, 500, {{11980, C}}, {"C maj"}},
  };
  for (const Case& c : cases) {
    SongRig rig;
    rig.transport.MeasureSixteenths = static_cast<int16_t>(c.Ms);
    std::vector<uint8_t> bytes(kChordMemorySize);
    for (auto [pos, root] : c.Chords) {
      bytes[static_cast<size_t>(pos)] = root;
      bytes[static_cast<size_t>(pos) + 1] = 1;
    }
    rig.song.LoadSong(bytes.data(), bytes.size());
    rig.song.ChordPreviewAhead = c.Ahead;
    rig.song.SetStartMeasure(c.StartMeasure);
    rig.song.Play();
    rig.Beats(c.Ms / 4 + 1);
    // Transport resets at the start and at the end mark clear the panel; the preview is the rest.
    std::erase(rig.view.Chords, std::string());
    EXPECT_EQ(rig.view.Chords, c.Panel) << c.Ahead << " " << c.Ms;
  }
}

TEST(SongPlayback, TheSongDrivesTheStyleAndItsEndingEndsTheSong) {
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, test::BeatNotes({60, 62, 64, 65}))
      .Part(korvel::kEnding, 1, test::BeatNotes({48, 50}));
  SongBytes bytes(4);
  bytes.At(1, 1, {C, 1, 0, 0}).At(2, 1, {G, 1, 0, 0}).At(2, 3, {0, 0, kEnding, 12}).End(4);
  SongRig rig;
  rig.PlayerRig::Load(fixture);
  rig.Load(bytes);
  rig.song.Play();
  EXPECT_TRUE(rig.player.Playing);
  rig.view.Measures.clear();
  rig.Ticks(12 + 4 * 96);
  EXPECT_FALSE(rig.song.Running());
  EXPECT_EQ(rig.song.LastStop, SongStop::Ending);
  std::vector<int> notes;  // note-ons of the style's channel, in order
  for (const auto& m : rig.driver.Sent()) {
    if (m.Bytes.size() == 3 && m.Bytes[0] == 0x91 && m.Bytes[2] > 0) notes.push_back(m.Bytes[1]);
  }
  ASSERT_EQ(notes.size(), 10u) << "two measures of the main part, one of the ending";
  EXPECT_EQ(std::vector<int>(notes.begin(), notes.begin() + 4), (std::vector<int>{60, 62, 64, 65}));
  EXPECT_NE(notes[4], 60) << "measure 2 is voiced to G";
  // The display follows the song, not the style's one-measure parts.
  ASSERT_GE(rig.view.Measures.size(), 9u);
  EXPECT_EQ(rig.view.Measures[8], "3:1");
  EXPECT_EQ(rig.beats.size(), 13u) << "the end mark on 4:1 waits for the ending, which ends there";
}

TEST(SongPlayback, OnlyASongThatPlaysToItsEndTellsTheSongList) {
  SongBytes bytes(2);
  bytes.At(1, 1, {C, 1, 0, 0}).End(2);
  for (const bool stopped : {false, true}) {
    SongRig rig;
    int ended = 0;
    rig.song.Hooks.SongEnded = [&ended] { ++ended; };
    rig.Load(bytes);
    rig.song.Play();
    rig.Beats(2);
    if (stopped) rig.song.Stop();
    rig.Beats(6);
    EXPECT_FALSE(rig.song.Running());
    EXPECT_EQ(ended, stopped ? 0 : 1) << stopped;
  }
}

}  // namespace
}  // namespace korvel
