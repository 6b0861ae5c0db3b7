#include "app/MidiFilePlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <random>
#include <set>

#include "platform/PacedThread.h"
#include "platform/RecordingDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/SmfBuilder.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::BuildSmf;
using test::SmfEvent;
using test::Tempo;

class FilePlayerRig {
 public:
  RecordingDriver driver{{"Module"}, {}};
  MidiDevices devices{driver, nullptr};
  ChannelState channels;
  InputCallbackSettings input{channels};
  test::ScriptedDialogs dialogs;
  MidiPorts ports{devices, input, dialogs, InputDispatch::Manual};
  MidiFilePlayer player{ports, devices, dialogs};
  test::TempDir dir{"fileplayer"};

  FilePlayerRig() {
    driver.SetTimeSource([this] { return player.Frames() * 1'000'000 / kFileSampleRate; });
    player.SelectOutput(0);
  }
  bool Open(const std::vector<uint8_t>& bytes, const std::string& name = "song.mid") {
    return player.Open(dir.Write(name, bytes));
  }
  void RunMs(int64_t ms) { player.Advance(ms * kFileSampleRate / 1000); }
};

std::vector<uint8_t> Msg(std::initializer_list<uint8_t> bytes) {
  return bytes;
}

// Notes a device still sounds after what it was sent: note-ons without their note-off.
std::set<std::pair<int, int>> Sounding(const std::vector<SentMessage>& sent) {
  std::set<std::pair<int, int>> notes;
  for (const auto& message : sent) {
    const auto& b = message.Bytes;
    if (b.size() != 3) continue;
    const int kind = b[0] & 0xF0;
    const std::pair<int, int> key{b[0] & 0x0F, b[1]};
    if (kind == 0x90 && b[2] > 0) notes.insert(key);
    if (kind == 0x80 || (kind == 0x90 && b[2] == 0)) notes.erase(key);
  }
  return notes;
}

// Two tracks at 480 ticks per quarter: 120 beats per minute, then 240 from tick 480.
std::vector<uint8_t> TwoNotesWithTempoChange() {
  return BuildSmf(
      480,
      {{Tempo(0, 500000),
        {0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {0, {0x90, 60, 100}},
        {480, {0x80, 60, 64}},
        Tempo(480, 250000)},
       {{0, {0xC1, 5}}, {480, {0x91, 64, 90}}, {720, {0xE1, 0x00, 0x50}}, {960, {0x91, 64, 0}}}});
}

TEST(MidiFilePlayer, PlaysEveryMessageInOrderOnTheFileTempoMap) {
  FilePlayerRig rig;
  rig.player.Repeat = false;
  ASSERT_TRUE(rig.Open(TwoNotesWithTempoChange()));
  EXPECT_EQ(rig.player.Length(), 960);
  EXPECT_EQ(rig.player.StepSize(), 90);
  EXPECT_EQ(rig.player.FileTempo(), 120);
  rig.RunMs(1000);
  EXPECT_FALSE(rig.player.Playing());
  EXPECT_TRUE(rig.player.TakeCompleted());
  EXPECT_FALSE(rig.player.TakeCompleted());

  struct Expected {
    std::vector<uint8_t> Bytes;
    int64_t Us;
  } expected[] = {
      {Msg({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), 0},
      {Msg({0x90, 60, 100}), 0},
      {Msg({0xC1, 5}), 0},
      {Msg({0x80, 60, 64}), 500'000},
      {Msg({0x91, 64, 90}), 500'000},
      {Msg({0xE1, 0x00, 0x50}), 625'000},
      {Msg({0x91, 64, 0}), 750'000},
  };
  const auto sent = rig.driver.Sent();
  ASSERT_GE(sent.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(sent[i].Bytes, expected[i].Bytes) << i;
    // The player's clock moves in blocks of 64 samples (1.45 ms) and whole milliseconds.
    EXPECT_NEAR(sent[i].TimeUs, expected[i].Us, 2'500) << i;
  }
  // After the song only the silencing of the channels it used.
  for (size_t i = std::size(expected); i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].Bytes[0] & 0xF0, 0xB0);
    EXPECT_TRUE(sent[i].Bytes[1] == 64 || sent[i].Bytes[1] == 120);
  }
}

TEST(MidiFilePlayer, TempoScalesTheFileTempoAndAnOddFileTempoShowsAs120) {
  FilePlayerRig rig;
  rig.player.AutoStart = false;
  ASSERT_TRUE(rig.Open(TwoNotesWithTempoChange()));
  rig.player.SetTempo(240);  // twice the file's own, before it starts
  rig.player.Play();
  rig.RunMs(500);
  const auto sent = rig.driver.Sent();
  ASSERT_GE(sent.size(), 7U);
  EXPECT_NEAR(sent[3].TimeUs, 250'000, 2'500);  // tick 480
  EXPECT_NEAR(sent[6].TimeUs, 375'000, 2'500);  // tick 960, after the file's change to 240

  FilePlayerRig fast;
  ASSERT_TRUE(
      fast.Open(BuildSmf(480, {{Tempo(0, 200000), {0, {0x90, 60, 1}}, {480, {0x80, 60, 0}}}})));
  EXPECT_EQ(fast.player.FileTempo(), 120);  // the file says 300
  fast.RunMs(300);
  const auto played = fast.driver.Sent();
  ASSERT_GE(played.size(), 2U);
  EXPECT_NEAR(played[1].TimeUs, 200'000, 2'500);  // at its own tempo
}

// Notes at every beat; the loop takes beats 1 and 2 of 0..3.
std::vector<uint8_t> FourBeats() {
  std::vector<SmfEvent> track{Tempo(0, 500000)};
  for (int beat = 0; beat < 4; ++beat) {
    track.push_back({beat * 480, {0x90, static_cast<uint8_t>(60 + beat), 100}});
    track.push_back({beat * 480 + 240, {0x80, static_cast<uint8_t>(60 + beat), 0}});
  }
  track.push_back({1920, {0xB0, 7, 100}});
  return BuildSmf(480, {track});
}

TEST(MidiFilePlayer, ALoopRangeRepeatsExactlyAsOftenAsAsked) {
  FilePlayerRig rig;
  rig.player.AutoStart = false;
  ASSERT_TRUE(rig.Open(FourBeats()));
  rig.player.Play();
  ASSERT_TRUE(rig.player.SetLoop(480, 1440));
  while (rig.player.Passes() < 3) rig.RunMs(1);
  rig.player.Stop();
  std::map<int, std::vector<int64_t>> noteOns;
  for (const auto& message : rig.driver.Sent()) {
    if (message.Bytes[0] == 0x90 && message.Bytes[2] > 0) {
      noteOns[message.Bytes[1]].push_back(message.TimeUs);
    }
  }
  EXPECT_EQ(noteOns.count(60), 0U);  // before the loop
  EXPECT_EQ(noteOns.count(63), 0U);  // at the loop end
  ASSERT_EQ(noteOns[61].size(), 3U);
  ASSERT_EQ(noteOns[62].size(), 3U);
  for (size_t pass = 0; pass < 3; ++pass) {
    // A pass lasts the loop's second, and each wrap waits at most one block.
    EXPECT_NEAR(noteOns[61][pass], static_cast<int64_t>(pass) * 1'000'000, 2'000 * (pass + 1));
    EXPECT_NEAR(noteOns[62][pass] - noteOns[61][pass], 500'000, 2'500);
  }
  EXPECT_TRUE(Sounding(rig.driver.Sent()).empty());
}

TEST(MidiFilePlayer, RefusesALoopThatEndsAtOrBeforeItsStart) {
  FilePlayerRig rig;
  ASSERT_TRUE(rig.Open(FourBeats()));
  ASSERT_TRUE(rig.player.SetLoop(480, 960));
  for (auto [from, to] : {std::pair{960, 960}, {1000, 900}, {0, 1921}, {-1, 100}}) {
    EXPECT_FALSE(rig.player.SetLoop(from, to)) << from << ".." << to;
  }
  EXPECT_EQ(rig.player.LoopStart(), 480);
  EXPECT_EQ(rig.player.LoopEnd(), 960);
  EXPECT_EQ(rig.dialogs.Messages.back(), kBadLoopRange);

  // The buttons: a loop end at the loop start, a loop start at the loop end.
  rig.dialogs.Messages.clear();
  rig.player.Stop();  // the whole song again
  rig.player.Play();
  rig.RunMs(300);
  rig.player.Pause();
  rig.player.LoopStartClick();
  const int64_t start = rig.player.Position();
  EXPECT_GT(start, 0);
  EXPECT_EQ(rig.player.LoopStart(), start);
  rig.player.LoopEndClick();  // at the loop start
  EXPECT_EQ(rig.player.LoopEnd(), 1920);
  EXPECT_EQ(rig.dialogs.Messages, std::vector<std::string>{kBadLoopRange});
  rig.player.Repeat = false;
  ASSERT_TRUE(rig.player.SetLoop(start, 960));
  rig.player.Pause();
  rig.RunMs(1000);
  EXPECT_EQ(rig.player.Position(), 960);  // the loop ended
  rig.player.LoopStartClick();
  EXPECT_EQ(rig.player.LoopStart(), start);
  EXPECT_EQ(rig.dialogs.Messages.size(), 2U);
}

TEST(MidiFilePlayer, StopAndPauseNeverRestartAndTheEndCompletesOnce) {
  FilePlayerRig rig;
  rig.player.Repeat = false;
  int completions = 0;
  rig.player.Completed = [&completions] { ++completions; };
  ASSERT_TRUE(rig.Open(FourBeats()));
  rig.RunMs(300);
  rig.player.Pause();
  rig.RunMs(5000);
  EXPECT_FALSE(rig.player.Playing());
  rig.player.Stop();
  rig.RunMs(5000);
  EXPECT_FALSE(rig.player.Playing());
  EXPECT_EQ(completions, 0);
  EXPECT_FALSE(rig.player.TakeCompleted());
  EXPECT_LT(rig.player.Position(), 1920);
  rig.player.Pause();  // plays on to the end
  rig.RunMs(3000);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(rig.player.Position(), 1920);
  rig.RunMs(3000);
  EXPECT_EQ(completions, 1);
}

// Pause, seeks, stop and loop wraps, in any order, leave no note sounding; the slider's
// position stays inside the song.
TEST(MidiFilePlayer, NoNoteSoundsAfterAnyPauseSeekStopOrWrap) {
  std::mt19937 random(17);
  std::vector<SmfEvent> melody{Tempo(0, 400000)};
  std::vector<SmfEvent> chords;
  for (int i = 0; i < 200; ++i) {
    const int64_t at = static_cast<int64_t>(random() % 7680);
    const auto length = static_cast<int64_t>(1 + random() % 900);
    const auto channel = static_cast<uint8_t>(random() % 4);
    const auto note = static_cast<uint8_t>(40 + random() % 40);
    auto& track = i % 2 ? melody : chords;
    track.push_back({at, {static_cast<uint8_t>(0x90 | channel), note, 90}});
    track.push_back({at + length, {static_cast<uint8_t>(0x80 | channel), note, 0}});
    if (i % 10 == 0) track.push_back({at, {static_cast<uint8_t>(0xB0 | channel), 64, 127}});
  }
  FilePlayerRig rig;
  ASSERT_TRUE(rig.Open(BuildSmf(480, {melody, chords})));
  for (int round = 0; round < 400; ++round) {
    const int operation = static_cast<int>(random() % 10);
    const int64_t position = rig.player.Position();
    switch (operation) {
      case 0:
        rig.player.Play();
        break;
      case 1:
        rig.player.Pause();
        break;
      case 2:
        rig.player.Stop();
        break;
      case 3:
        rig.player.Step();
        break;
      case 4:
        rig.player.Back();
        break;
      case 5:
        rig.player.LoopStartClick();
        break;
      case 6:
        rig.player.LoopEndClick();
        break;
      case 9:
        rig.player.MoveTo(static_cast<int64_t>(random() % 9000) - 500);
        ASSERT_GE(rig.player.Position(), 0);
        ASSERT_LT(rig.player.Position(), rig.player.Length());
        break;
      case 7: {
        const auto from = static_cast<int64_t>(random() % 7000);
        rig.player.SetLoop(from, from + 1 + static_cast<int64_t>(random() % 1500));
        break;
      }
      default:
        rig.player.Repeat = random() % 4 != 0;
        rig.RunMs(static_cast<int64_t>(random() % 400));
    }
    // A player that does not play holds no note, and a new position starts with none.
    const bool moved = operation != 8 && rig.player.Position() != position;
    if (!rig.player.Playing() || moved) {
      ASSERT_TRUE(Sounding(rig.driver.Sent()).empty()) << "round " << round << " op " << operation;
    }
  }
  rig.player.Stop();
  EXPECT_TRUE(Sounding(rig.driver.Sent()).empty());
}

// An output that fails in the middle stops the song, yet the notes that sound are still ended,
// and the next Play tries the output again.
TEST(MidiFilePlayer, AFailingOutputStopsTheSongWithoutAHangingNote) {
  FilePlayerRig rig;
  ASSERT_TRUE(rig.Open(BuildSmf(96, {{Tempo(0, 500000),
                                      {0, {0x90, 60, 100}},
                                      {48, {0xF0, 0x41, 0x10, 0xF7}},
                                      {96, {0x80, 60, 0}},
                                      {192, {0xFF, 0x2F}}}})));
  rig.driver.SetLongFailure("Module", 2);
  rig.player.Play();
  rig.RunMs(400);
  EXPECT_FALSE(rig.player.Playing());
  EXPECT_EQ(rig.dialogs.Statuses.size(), 1u);
  EXPECT_TRUE(Sounding(rig.driver.Sent()).empty()) << rig.driver.SentText();
  rig.driver.SetLongFailure("Module", 0);
  rig.player.Play();
  rig.RunMs(50);
  EXPECT_TRUE(rig.player.Playing());
}

TEST(MidiFilePlayer, RefusesMissingAndDamagedFilesInWordsAndKeepsTheSong) {
  FilePlayerRig rig;
  rig.player.AutoStart = false;
  ASSERT_TRUE(rig.Open(FourBeats(), "good.mid"));
  const auto good = TwoNotesWithTempoChange();
  std::vector<uint8_t> cut(good.begin(), good.end() - 6);
  std::vector<uint8_t> smpte = good;
  smpte[12] = 0xE7;
  std::vector<uint8_t> noStatus = BuildSmf(96, {{{0, {0x90, 60, 1}}}});
  noStatus[23] = 60;  // a data byte where the first status belongs
  const struct {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Words;
  } cases[] = {
      {"text", {'h', 'e', 'l', 'l', 'o'}, "This is not a Standard MIDI-File !"},
      {"cut", cut, "The file ends before its last track."},
      {"smpte", smpte, "This File is not MTC-decoded !"},
      {"no status", noStatus, "Track 1 of the file is damaged."},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(rig.Open(c.Bytes, std::string(c.Name) + ".mid")) << c.Name;
    EXPECT_EQ(rig.dialogs.Messages.back(), std::string(c.Name) + ".mid: " + c.Words);
  }
  EXPECT_FALSE(rig.player.Open(rig.dir.Path("gone.mid")));
  EXPECT_EQ(rig.dialogs.Messages.back(), kFileNotFound);
  EXPECT_EQ(rig.player.FileName(), rig.dir.Path("good.mid"));
  EXPECT_EQ(rig.player.Length(), 1920);

  // A song moved into the SONGS folder is found there by its name.
  test::TempDir songs("fileplayer-songs");
  songs.Write("moved.mid", TwoNotesWithTempoChange());
  rig.player.SongsFolder = songs.Folder();
  EXPECT_TRUE(rig.player.Open("/nowhere/moved.mid"));
  EXPECT_EQ(rig.player.FileName(), songs.Path("moved.mid"));
}

// The pacing thread plays a short song in real time to its end; a lock bug fails the wait
// instead of hanging the test.
TEST(MidiFilePlayer, ThePacingThreadPlaysTheSongToItsEnd) {
  FilePlayerRig rig;
  EngineLock lock;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  PacedThread clock(
      lock, kFileSampleRate, kFileBlockFrames,
      [&rig](int64_t frames) { rig.player.Advance(frames); },
      [&rig] { rig.player.EndSoundingNotes(); });
  {
    std::lock_guard engine(lock);
    rig.player.Repeat = false;
    rig.player.RunClock = [&clock](bool run) { run ? clock.Start() : clock.Stop(); };
    rig.player.Completed = [&] {
      std::lock_guard guard(mutex);
      done = true;
      ended.notify_all();
    };
    ASSERT_TRUE(rig.Open(TwoNotesWithTempoChange()));
  }
  std::unique_lock guard(mutex);
  ASSERT_TRUE(ended.wait_for(guard, std::chrono::seconds(10), [&done] { return done; }));
  guard.unlock();
  std::lock_guard engine(lock);
  EXPECT_FALSE(rig.player.Playing());
  EXPECT_GE(rig.driver.Sent().size(), 7U);
  EXPECT_TRUE(Sounding(rig.driver.Sent()).empty());
}

}  // namespace
}  // namespace korvel
