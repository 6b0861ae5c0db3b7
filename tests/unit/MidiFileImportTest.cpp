// Importing a MIDI file into the generator through the engine: what a read file puts in place,
// what a refused one leaves alone, and parts appended on their bar lines.
#include "app/MidiFileImport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using Bytes = std::vector<uint8_t>;
using test::TempDir;

Bytes Smf(int division, const Bytes& track) {
  Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 0, 'M', 'T', 'r', 'k', 0, 0, 0, 0};
  file[13] = static_cast<uint8_t>(division);
  file[20] = static_cast<uint8_t>(track.size() >> 8);
  file[21] = static_cast<uint8_t>(track.size());
  for (uint8_t b : track) file.push_back(b);
  return file;
}

// Division 96, 3/4, tempo 100: program 33 and a note on channel 3 that lasts three beats.
const Bytes kWaltz = Smf(96, {0x00, 0xFF, 0x58, 0x04, 3,    2,    0x18, 8,  // 3/4
                              0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,     // 600,000 us: 100
                              0x00, 0xC2, 33,   0x00, 0x92, 60,   100,      //
                              0x82, 0x20, 0x82, 60,   0,                    // three beats later
                              0x00, 0xFF, 0x2F, 0x00});

// Division 96, 4/4: one quarter note on channel 1 from tick 0.
const Bytes kPart = Smf(96, {0x00, 0xFF, 0x58, 0x04, 4,  2, 0x18, 8,    0x00, 0x90,
                             64,   90,   0x60, 0x80, 64, 0, 0x00, 0xFF, 0x2F, 0x00});

struct ImportRig : test::PlayerRig {
  TempDir dir{"midi-import"};
  MidiFileImport import{engine, dialogs, view};
  std::vector<std::string> calls;
  std::vector<int> intervals;
  bool changed = false;

  ImportRig() {
    import.Settings.GeneratorCaption = "Style Generator";
    import.Settings.ScratchFolder = dir.Folder();
    MidiImportHooks& h = import.Hooks;
    h.StyleChanged = [this] { return changed; };
    h.SetStyleChanged = [this](bool on) { changed = on; };
    h.ResetGeneratedStyle = [this] { calls.push_back("reset"); };
    h.NewWork = [this] { calls.push_back("new"); };
    h.SetChordInterval = [this](int item) { intervals.push_back(item); };
    h.PlaceKeyboardChannel = [this](bool restore) {
      calls.push_back(restore ? "place restore" : "place");
    };
    h.ShowImported = [this](const std::string& caption) { calls.push_back(caption); };
  }
  bool Import(const Bytes& file, const std::string& name = "song.mid") {
    return import.ImportMidiFile(dir.Write(name, file), true, false);
  }
  // (clock, status, data1) of every message of the work.
  std::vector<std::array<int64_t, 3>> Events() const {
    std::vector<std::array<int64_t, 3>> events;
    int64_t clock = 0;
    WalkMaterial(
        style.Work, [&clock](int clocks) { clock += clocks; },
        [&](uint8_t s, uint8_t d1, uint8_t) {
          events.push_back({clock, s, d1});
        });
    return events;
  }
  Bytes Chunk0() const {
    const auto& chunk = *style.Work.Chunks[0].Data;
    return Bytes(chunk.begin(), chunk.begin() + style.Work.Chunks[0].UsedLength);
  }
};

TEST(MidiFileImport, AFileTakesThePlaceOfTheWorkWithItsSettings) {
  ImportRig rig;
  rig.transport.TempoEdit1Change(90);
  rig.engine.Melody.Load(std::vector<MelodyEvent>{MakeMelodyEvent(0, 0x90, 60, 100)});
  rig.changed = true;
  ASSERT_TRUE(rig.Import(kWaltz, "waltz.mid"));

  EXPECT_EQ(rig.Events(),
            (std::vector<std::array<int64_t, 3>>{{0, 0xC2, 33}, {0, 0x92, 60}, {72, 0x82, 60}}));
  EXPECT_EQ(rig.style.Channels.Value(2, ChannelState::kProgramIndex), 33);
  EXPECT_TRUE(rig.style.Channels.HasNotes(2));
  EXPECT_FALSE(rig.style.Channels.HasNotes(0));
  EXPECT_EQ(rig.transport.Tempo, 100);
  EXPECT_EQ(rig.view.Tempos.back(), 100);
  EXPECT_EQ(rig.transport.MeasureSixteenths, 12);
  EXPECT_EQ(rig.intervals, std::vector<int>{2});  // "3/4"
  EXPECT_TRUE(rig.engine.Melody.Empty());
  EXPECT_TRUE(rig.style.SongLoaded);
  EXPECT_FALSE(rig.style.StyleMode);
  EXPECT_TRUE(rig.style.Work.BeatIndexValid);
  EXPECT_TRUE(rig.style.Work.RestoreAvailable);
  EXPECT_FALSE(rig.changed);
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"reset", "new", "place restore",
                                                 "waltz.mid  -  Style Generator"}));
  ASSERT_FALSE(rig.view.Progresses.empty());
  EXPECT_EQ(rig.view.Progresses.front().first, "Import MIDI-File Type 1 ...");
  EXPECT_EQ(rig.view.Progresses.back().second, -1);
  EXPECT_EQ(rig.view.BusyStates, (std::vector<bool>{true, false}));
}

TEST(MidiFileImport, ARefusedOrMissingFileChangesNothing) {
  ImportRig rig;
  ASSERT_TRUE(rig.Import(kWaltz));
  const Bytes before = rig.Chunk0();
  rig.calls.clear();
  Bytes smpte = kPart;
  smpte[12] = 0xE7;
  const struct {
    std::string Path;
    std::string Message;
  } cases[] = {
      {rig.dir.Write("bad.mid", {'R', 'I', 'F', 'F'}), "This is not a Standard MIDI-File !"},
      {rig.dir.Write("smpte.mid", smpte), "This File is not MTC-decoded !"},
      {rig.dir.Path("missing.mid"), ""},
  };
  for (const auto& c : cases) {
    rig.dialogs.Messages.clear();
    rig.import.AppendMode = true;
    EXPECT_FALSE(rig.import.ImportMidiFile(c.Path, true, false)) << c.Path;
    ASSERT_EQ(rig.dialogs.Messages.size(), 1u) << c.Path;
    if (!c.Message.empty()) {
      EXPECT_EQ(rig.dialogs.Messages[0], c.Message);
    }
    EXPECT_FALSE(rig.import.AppendMode) << "append mode serves one import only";
    EXPECT_EQ(rig.Chunk0(), before) << c.Path;
    EXPECT_TRUE(rig.calls.empty()) << "no reset before the file is read";
    EXPECT_EQ(rig.view.BusyStates.back(), false);
  }
}

TEST(MidiFileImport, AnAppendedPartStartsOnTheNextBarLine) {
  for (int16_t metre : {16, 12}) {
    ImportRig rig;
    rig.import.Settings.KeepMetre = true;  // the metre stays as chosen
    rig.transport.SetMetre(metre == 16 ? 2 : 3);
    ASSERT_TRUE(rig.Import(kWaltz));  // 72 clocks: three beats
    rig.transport.TempoEdit1Change(90);
    rig.import.AppendMode = true;
    ASSERT_TRUE(rig.Import(kPart, "part.mid"));
    const int64_t bar = metre / 4 * 24;  // 96 in 4/4; 72 in 3/4: the waltz fills its measure
    const auto events = rig.Events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[3], (std::array<int64_t, 3>{bar, 0x90, 64}));
    EXPECT_EQ(events[4], (std::array<int64_t, 3>{bar + 24, 0x80, 64}));
    WorkMaterial& work = rig.style.Work;
    EXPECT_EQ(work.WorkLength, static_cast<int32_t>(work.Chunks[0].UsedLength));
    EXPECT_EQ(work.WorkSixteenths, (bar + 24) / 24 * 4);
    // The bar line ends a time byte: a part set there starts with nothing already passed.
    const int32_t position = work.FindWorkPosition(1, 1, metre);
    EXPECT_EQ(work.PositionExcess, 0);
    if (metre == 16) {
      EXPECT_EQ(work.Chunk(0)[static_cast<size_t>(position + 1)], 0x90);
    }
    EXPECT_EQ(rig.transport.Tempo, 90) << "an appended part leaves the tempo";
    EXPECT_TRUE(rig.changed);
    EXPECT_FALSE(rig.import.AppendMode);
  }
}

TEST(MidiFileImport, TheSignatureOrItsAbsenceSetsTheMetre) {
  // The first bytes of kPart's track hold its 4/4 signature.
  const Bytes unsigned4 = Smf(96, Bytes(kPart.begin() + 22 + 8, kPart.end()));
  Bytes waltz48 = kWaltz;
  waltz48[22 + 6] = 0x30;  // the metronome clicks every half note
  const struct {
    const char* Name;
    Bytes File;
    int16_t Sixteenths;
    std::vector<int> Intervals;
  } cases[] = {
      {"4/4", kPart, 16, {}},  // the chord interval stays
      {"no signature", unsigned4, 16, {}},
      {"3/4 clicking 48", waltz48, 12, {2}},
  };
  for (const auto& c : cases) {
    ImportRig rig;
    rig.transport.SetMetre(c.Sixteenths == 12 ? 2 : 3);  // another metre before
    ASSERT_TRUE(rig.Import(c.File)) << c.Name;
    EXPECT_EQ(rig.transport.MeasureSixteenths, c.Sixteenths) << c.Name;
    EXPECT_EQ(rig.intervals, c.Intervals) << c.Name;
    rig.import.Settings.KeepMetre = true;  // "Don't get metrum from file"
    rig.transport.SetMetre(5);             // 1/4
    ASSERT_TRUE(rig.Import(c.File));
    EXPECT_EQ(rig.transport.MeasureSixteenths, 4) << c.Name;
  }
}

TEST(MidiFileImport, TheDialogAsksAndAStarOnlyChooses) {
  ImportRig rig;
  ASSERT_TRUE(rig.Import(kWaltz));
  const Bytes before = rig.Chunk0();
  rig.changed = true;
  EXPECT_FALSE(rig.import.ImportMidiFile("", false, false));
  EXPECT_EQ(rig.dialogs.Questions, std::vector<std::string>{"Replace current work ?"});
  EXPECT_TRUE(rig.changed) << "declining keeps the unsaved mark";

  rig.dialogs.Answers = {true};
  EXPECT_FALSE(rig.import.ImportMidiFile("", false, false)) << "the dialog was cancelled";
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.dialogs.FileRequests[0].Title, "Import MIDI ...");
  EXPECT_EQ(rig.dialogs.FileRequests[0].Filter, "MIDI-Files (*.mid)|*.mid");
  EXPECT_TRUE(rig.changed);

  const std::string part = rig.dir.Write("part.mid", kPart);
  rig.dialogs.Answers = {true};
  rig.dialogs.Files = {part};
  EXPECT_TRUE(rig.import.ImportMidiFile("*", false, false));
  EXPECT_EQ(rig.import.ChosenFile, part);
  EXPECT_EQ(rig.Chunk0(), before) << "a star reads nothing";
  EXPECT_EQ(rig.import.Settings.ImportFolder, rig.dir.Folder());
}

TEST(MidiFileImport, ASilentImportShowsNothingAndRemovesTheChordsScratchFile) {
  ImportRig rig;
  const std::string scratch = rig.dir.Write(kChordsScratchFile, {1});
  ASSERT_TRUE(rig.import.ImportMidiFile(rig.dir.Write("song.mid", kPart), true, true));
  EXPECT_TRUE(rig.view.Progresses.empty());
  EXPECT_EQ(rig.calls, (std::vector<std::string>{"reset", "new", "place restore"}));
  EXPECT_FALSE(std::filesystem::exists(scratch));
  EXPECT_EQ(rig.Events().size(), 2u);
  // A file of 26 bytes, with the progress shown.
  ASSERT_TRUE(rig.Import(Smf(96, {0x00, 0xFF, 0x2F, 0x00})));
  EXPECT_EQ(rig.view.Progresses.back().second, -1);
}

// The last note-off of the file, alone before its end-of-track event, reaches the output: the
// note does not hang when the song plays.
TEST(MidiFileImport, AnImportedSongPlaysToItsLastNoteOff) {
  ImportRig rig;
  ASSERT_TRUE(rig.Import(kPart));
  // The generator's Play in song mode: the material from its start.
  rig.player.PlayPosition = 0;
  rig.player.PlayEndPos = rig.style.Work.WorkLength;
  rig.player.Playing = true;
  rig.transport.StartDelay = 0;
  rig.Ticks(40);
  EXPECT_EQ(rig.Notes(), (std::vector<std::string>{"1:1:64:90", "25:1:64:0"}));
}

// The engine lock is let go while the file is read, so the clock never waits for a long file.
TEST(MidiFileImport, TheClockGoesOnWhileTheFileIsRead) {
  struct LockWatchingView : test::RecordingView {
    EngineLock* Lock = nullptr;
    std::vector<bool> Held;
    void Progress(const std::string&, int percent) override {
      if (percent >= 0) Held.push_back(Lock->HeldByThisThread());
    }
  };
  ImportRig rig;
  LockWatchingView view;
  view.Lock = &rig.engine.Lock;
  MidiFileImport import(rig.engine, rig.dialogs, view);
  Bytes track;
  for (int i = 0; i < 3000; ++i) track.insert(track.end(), {0x00, 0x90, 60, 1, 0x10, 0x80, 60, 0});
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  Bytes file = Smf(96, track);
  file[18] = static_cast<uint8_t>(track.size() >> 24);
  file[19] = static_cast<uint8_t>(track.size() >> 16);
  const std::string path = rig.dir.Write("long.mid", file);
  {
    std::lock_guard lock(rig.engine.Lock);
    ASSERT_TRUE(import.ImportMidiFile(path, true, false));
    EXPECT_TRUE(rig.engine.Lock.HeldByThisThread());
  }
  ASSERT_GT(view.Held.size(), 2u);
  EXPECT_TRUE(view.Held.front()) << "the caption is shown before the read";
  EXPECT_FALSE(view.Held[1]) << "during the read";
  EXPECT_EQ(rig.Events().size(), 6000u);
}

}  // namespace
}  // namespace korvel
