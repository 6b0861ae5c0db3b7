// "&Export MIDI ..." and "&Add Melody-Track": the song in memory played offline into a MIDI file,
// and that file read back as the generator's song.
#include "app/SongMidiExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/MidiFileImport.h"
#include "app/Songs.h"
#include "platform/AtomicFile.h"
#include "stylegen/WorkWalk.h"
#include "support/MidiFileEvents.h"
#include "support/SmfBuilder.h"
#include "support/SongRig.h"
#include "support/SourcePaths.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::TempDir;

constexpr uint8_t kMelodyNote = 79;  // no style of ours plays it

struct ExportRig : test::SongRig {
  TempDir dir{"song-midi-export"};
  Songs songs{engine, dialogs, view};
  MidiFileImport import{engine, dialogs, view};

  // Two measures of C and G with a melody note on the first beat.
  void TwoMeasureSong() {
    test::SongBytes bytes(3);
    bytes.At(1, 1, {48, 1, 0, 0}).At(2, 1, {55, 1, 0, 0}).End(3);
    Load(bytes);
    engine.Melody.Load(std::vector<MelodyEvent>{MakeMelodyEvent(0, 0x90, kMelodyNote, 100),
                                                MakeMelodyEvent(24, 0x80, kMelodyNote, 0)});
  }
  void LoadRock() {
    engine.Style.StyleFileName = test::ShippedDataDir() + "/STYLES/rock1.kvs";
    engine.Loader.LoadStyle(false);
    ASSERT_TRUE(engine.Style.StyleLoaded);
  }
  std::vector<test::MidiFileEvent> FileEvents(const std::string& path) const {
    std::string error;
    const auto bytes = ReadWholeFile(path, error);
    EXPECT_TRUE(bytes) << error;
    return bytes ? test::MidiFileEvents(*bytes) : std::vector<test::MidiFileEvent>{};
  }
  // Sounding note numbers of the generator's material.
  std::vector<int> WorkNotes() const {
    std::vector<int> sounding;
    WalkMaterial(
        engine.Style.Work, [](int) {},
        [&](uint8_t s, uint8_t d1, uint8_t d2) {
          if ((s & 0xF0) == 0x90 && d2 > 0) sounding.push_back(d1);
        });
    return sounding;
  }
};

bool Sounds(const std::vector<test::MidiFileEvent>& events, int note) {
  return std::any_of(events.begin(), events.end(), [note](const test::MidiFileEvent& e) {
    return (e.Status & 0xF0) == 0x90 && e.Data1 == note && e.Data2 > 0;
  });
}

TEST(SongMidiExport, TheSongPlaysItsStyleAndMelodyIntoTheFile) {
  ExportRig rig;
  rig.LoadRock();
  rig.TwoMeasureSong();
  const std::string path = rig.dir.Path("song.mid");
  ASSERT_TRUE(ExportSongMidi(rig.engine, rig.songs, rig.dialogs, path))
      << testing::PrintToString(rig.dialogs.Messages);
  const auto events = rig.FileEvents(path);
  EXPECT_TRUE(Sounds(events, kMelodyNote)) << "the melody";
  EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const auto& e) {
    return (e.Status & 0x0F) == 9;
  })) << "the style's drums";
  const auto first = std::find_if(events.begin(), events.end(),
                                  [](const auto& e) { return (e.Status & 0xF0) == 0x90; });
  ASSERT_NE(first, events.end());
  EXPECT_LT(first->Tick, 96) << "measure 1 of the file is the song's first measure";
  EXPECT_FALSE(rig.engine.Song.Running()) << "the song in memory is not played";
}

TEST(SongMidiExport, RefusalsAreToldAndWriteNothing) {
  struct Case {
    const char* Name;
    bool Song, Style;
    std::string Path;
    std::string Message;
  };
  ExportRig probe;
  const std::vector<Case> cases = {
      {"no song", false, true, probe.dir.Path("a.mid"), "Chordmemory is empty !"},
      {"no style", true, false, probe.dir.Path("b.mid"),
       "Load a style first: it plays the song into the MIDI file."},
      {"unwritable", true, true, "/proc/korvel/c.mid", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ExportRig rig;
    if (c.Style) rig.LoadRock();
    if (c.Song) rig.TwoMeasureSong();
    rig.dialogs.Messages.clear();
    EXPECT_FALSE(ExportSongMidi(rig.engine, rig.songs, rig.dialogs, c.Path));
    EXPECT_FALSE(std::filesystem::exists(c.Path));
    ASSERT_EQ(rig.dialogs.Messages.size(), 1u);
    if (!c.Message.empty()) {
      EXPECT_EQ(rig.dialogs.Messages[0], c.Message);
    }
  }
}

TEST(SongMidiExport, ExportAsAsksForTheFileAndACancelWritesNothing) {
  ExportRig rig;
  rig.LoadRock();
  rig.TwoMeasureSong();
  EXPECT_FALSE(ExportSongMidiAs(rig.engine, rig.songs, rig.dialogs, rig.dir.Folder()));
  ASSERT_EQ(rig.dialogs.SaveRequests.size(), 1u);
  EXPECT_EQ(rig.dialogs.SaveRequests[0].Title, kExportTitle);
  const std::string path = rig.dir.Path("chosen.mid");
  rig.dialogs.SaveFiles.push_back(path);
  EXPECT_TRUE(ExportSongMidiAs(rig.engine, rig.songs, rig.dialogs, rig.dir.Folder()));
  EXPECT_TRUE(Sounds(rig.FileEvents(path), kMelodyNote));
}

TEST(SongMidiExport, AddMelodyTrackPutsTheMelodyIntoTheGeneratorsSong) {
  ExportRig rig;
  // A bass line of two measures on channel 3.
  std::vector<test::SmfEvent> bass;
  for (int beat = 0; beat < 8; ++beat) {
    bass.push_back({beat * 96, {0x92, 36, 90}});
    bass.push_back({beat * 96 + 90, {0x82, 36, 0}});
  }
  const std::string song = rig.dir.Write("bass.mid", test::BuildSmf(96, {bass}));
  ASSERT_TRUE(rig.import.ImportMidiFile(song, true, true));
  rig.TwoMeasureSong();
  ASSERT_TRUE(CanAddMelodyTrack(rig.engine));
  const auto before = rig.WorkNotes();
  EXPECT_EQ(std::count(before.begin(), before.end(), kMelodyNote), 0);

  const std::string scratch = rig.dir.Path("KORVEL.KV$");
  ASSERT_TRUE(AddMelodyTrack(rig.engine, rig.import, scratch))
      << testing::PrintToString(rig.dialogs.Messages);
  const auto after = rig.WorkNotes();
  EXPECT_EQ(std::count(after.begin(), after.end(), kMelodyNote), 1) << "the melody";
  EXPECT_GE(std::count(after.begin(), after.end(), 36), 8) << "the song it was played over";
  EXPECT_TRUE(rig.engine.Style.SongLoaded);
  EXPECT_FALSE(std::filesystem::exists(scratch)) << "the scratch file is removed";
}

TEST(SongMidiExport, AddMelodyTrackNeedsAGeneratorSongAndAMelody) {
  ExportRig rig;
  rig.LoadRock();
  rig.TwoMeasureSong();
  EXPECT_FALSE(CanAddMelodyTrack(rig.engine)) << "a style, not a song";
  EXPECT_FALSE(AddMelodyTrack(rig.engine, rig.import, rig.dir.Path("KORVEL.KV$")));
}

}  // namespace
}  // namespace korvel
