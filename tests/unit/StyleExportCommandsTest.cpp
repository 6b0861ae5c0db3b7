// The generator's style export: part files of a set, a single part played through the main
// slot, the intro first when "Play Intro" is checked, every part on its bar line at any tempo,
// a set that comes back with the lengths it went out with, and "Repair style" appending a
// clean rendition after the material.
#include "app/StyleExportCommands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/GeneratorCommands.h"
#include "app/HeadlessUi.h"
#include "app/MidiFileImport.h"
#include "app/PartSetImport.h"
#include "app/StyleExportPlay.h"
#include "app/WorkFiles.h"
#include "platform/AtomicFile.h"
#include "stylegen/WorkWalk.h"
#include "support/MidiFileEvents.h"
#include "support/PlayerRig.h"
#include "support/ShippedStyles.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

// The channel-1 notes struck in a one-track MIDI file, as "clock:note" in file clocks (24 a
// quarter); any fault in the file's structure ends the list with "?".
std::string NotesOf(const std::string& path) {
  std::string error;
  const auto bytes = ReadWholeFile(path, error);
  if (!bytes || bytes->size() < 22) return "no file";
  const std::vector<uint8_t>& b = *bytes;
  size_t pos = 22;  // header chunk and track chunk header
  int64_t clock = 0;
  std::string notes;
  auto varlen = [&] {
    uint64_t value = 0;
    for (int i = 0; i < 4 && pos < b.size(); ++i) {
      const uint8_t byte = b[pos++];
      value = (value << 7) | (byte & 0x7F);
      if (byte < 0x80) break;
    }
    return value;
  };
  while (pos < b.size()) {
    clock += static_cast<int64_t>(varlen());
    if (pos >= b.size()) return notes + "?";
    const uint8_t status = b[pos++];
    if (status == 0xFF) {
      const uint8_t kind = b[pos++];
      pos += varlen();
      if (kind == 0x2F) return pos == b.size() ? notes : notes + "?";
    } else if (status == 0xF0) {
      pos += varlen();
    } else if (status >= 0x80) {
      const bool two = (status & 0xE0) != 0xC0;
      if (status == 0x90 && b[pos + 1] > 0)
        notes += std::to_string(clock) + ":" + std::to_string(b[pos]) + " ";
      pos += two ? 2 : 1;
    } else {
      return notes + "?";
    }
  }
  return notes + "?";
}

// A generated style of half notes on channel 1, one on the first beat of each measure: Basic
// 60 62, Extended 64 65, and with `intro` an intro of one measure, 67.
struct ExportRig : test::PlayerRig {
  test::TempDir dir{"style-export"};
  MidiFileImport import{engine, dialogs, view};
  explicit ExportRig(bool intro = false) {
    ConnectImportToGenerator(import, engine);
    auto halfNotes = [](std::initializer_list<uint8_t> pitches) {
      std::vector<test::FixtureEvent> events;
      int clock = 0;
      for (const uint8_t note : pitches) {
        events.push_back({clock, 0x90, note, 100});
        events.push_back({clock + 48, 0x80, note, 0});
        clock += 96;
      }
      return events;
    };
    test::StyleFixture fixture;
    if (intro) fixture.Part(kIntro, 1, halfNotes({67}));
    fixture.Part(kBasic, 2, halfNotes({60, 62})).Part(kExtended, 2, halfNotes({64, 65}));
    Load(fixture);
    style.SongLoaded = false;
  }
};

TEST(StyleExportCommands, ASetWritesOneFileForEachSetPart) {
  ExportRig rig;
  const StylePartTable before = rig.style.Parts;
  const auto song = rig.engine.Song.Memory.Bytes;
  const std::string folder = rig.dir.Path("set") + "/";
  std::filesystem::create_directories(folder);
  EXPECT_EQ(ExportStyleSet(rig.engine, rig.dialogs, 3, folder), 2);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"sty3_v11.mid", "sty3_v21.mid"}));
  // The lead-in measure is silent: the part plays its two measures on the bar lines of
  // measures 2 and 3 (clocks 96 and 192).
  EXPECT_EQ(NotesOf(folder + "sty3_v11.mid"), "96:60 192:62 ");
  // Extended plays through the Basic slot, and the generator's records stay as they were.
  EXPECT_EQ(NotesOf(folder + "sty3_v21.mid"), "96:64 192:65 ");
  EXPECT_EQ(rig.style.Parts.Bytes, before.Bytes);
  EXPECT_EQ(rig.engine.Song.Memory.Bytes, song);
  EXPECT_TRUE(rig.dialogs.Messages.empty());
}

// The whole style in export order, from the intro when "Play Intro" is checked.
TEST(StyleExportCommands, FullExportPlaysThePartsInOrder) {
  struct Case {
    bool PlayIntro;
    std::string Listing;
    std::string Notes;
  };
  const Case cases[] = {
      {false,
       " Basic             : 02 - 03\r\n"
       " Extended          : 04 - 05\r\n",
       // Nothing sounds in the lead-in measure; Extended's key at measure 4 (clock 288)
       // switches parts on that bar line.
       "96:60 192:62 288:64 384:65 "},
      {true,
       " Intro             : 01 - 01\r\n"
       " Basic             : 02 - 03\r\n"
       " Extended          : 04 - 05\r\n",
       "0:67 96:60 192:62 288:64 384:65 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.PlayIntro);
    ExportRig rig(true);
    rig.engine.Generator.PlayIntro = c.PlayIntro;
    const std::string path = rig.dir.Path("full.mid");
    const auto a = ExportGeneratedStyle(rig.engine, rig.dialogs, kFullStyleExport, path);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Listing(), c.Listing);
    EXPECT_EQ(NotesOf(path), c.Notes);
  }
}

// "Test style" plays the parts from their first measures: the song counts its bars from its
// first beat, so the first part starts there, with its chord.
TEST(StyleExportCommands, TestStylePlaysEachPartFromItsFirstMeasure) {
  ExportRig rig;
  ASSERT_TRUE(TestGeneratedStyle(rig.engine, rig.dialogs));
  rig.transport.StartDelay = 0;
  rig.driver.ClearSent();
  rig.Ticks(4 * 96);
  std::string struck;
  for (const std::string& note : rig.Notes()) {
    if (note.ends_with(":0")) continue;
    struck += note.substr(note.find(':', note.find(':') + 1) + 1, 2) + " ";
  }
  EXPECT_EQ(struck, "60 62 64 65 ");
}

TEST(StyleExportCommands, NothingIsExportedBeforeAPartIsSet) {
  ExportRig rig;
  rig.style.SongLoaded = true;
  const std::string path = rig.dir.Path("none.mid");
  EXPECT_FALSE(ExportGeneratedStyle(rig.engine, rig.dialogs, kFullStyleExport, path));
  EXPECT_FALSE(std::filesystem::exists(path));
}

// A work file carries the style parts: after "Load Work" the style exports, as before saving.
TEST(StyleExportCommands, AStyleLoadedFromAWorkFileExports) {
  ExportRig rig;
  WorkFiles files(rig.engine, rig.dialogs);
  const std::string work = rig.dir.Path("style.kvw");
  files.WriteWorkFile(work);
  std::string error;
  const auto bytes = ReadWholeFile(work, error);
  ASSERT_TRUE(bytes) << error;
  ASSERT_TRUE(files.TakeWorkFile(work, *bytes));
  const std::string path = rig.dir.Path("loaded.mid");
  ASSERT_TRUE(ExportGeneratedStyle(rig.engine, rig.dialogs, kFullStyleExport, path));
  EXPECT_EQ(NotesOf(path), "96:60 192:62 288:64 384:65 ");
}

TEST(StyleExportCommands, RepairAppendsACleanRenditionAfterTheMaterial) {
  ExportRig rig;
  const WorkMaterial& work = rig.style.Work;
  const std::vector<uint8_t> old(work.Chunks[0].Data->begin(),
                                 work.Chunks[0].Data->begin() + work.WorkLength);
  const int64_t oldClocks = WalkWork(work, false, [](const WorkMessage&) {});
  ASSERT_EQ(oldClocks, 4 * 96);
  // The configuration folder need not exist yet.
  const std::string scratch = rig.dir.Path("config/korvel.KV$");
  ASSERT_TRUE(RepairStyle(rig.engine, rig.import, rig.dialogs, scratch));
  EXPECT_FALSE(rig.import.AppendMode);
  EXPECT_FALSE(std::filesystem::exists(scratch));
  ASSERT_GT(work.WorkLength, static_cast<int32_t>(old.size()));
  EXPECT_TRUE(std::equal(old.begin(), old.end(), work.Chunks[0].Data->begin()));
  // The rendition follows on the next bar line, its silent lead-in measure first, every part
  // on its bar lines.
  std::vector<int64_t> appended;
  WalkWork(work, false, [&](const WorkMessage& m) {
    if (m.Clock >= oldClocks && IsNoteOn(m.Status, m.Data2)) appended.push_back(m.Clock);
  });
  // (The reader puts a file's events one clock after their tick: its lead-in clock.)
  ASSERT_EQ(appended.size(), 4u);
  for (size_t i = 0; i < appended.size(); ++i) {
    EXPECT_EQ(appended[i] - static_cast<int64_t>(i) * 96, appended[0]) << i;
  }
  EXPECT_GE(appended[0], 480);
  EXPECT_LE(appended[0], 481);
}

TEST(StyleExportCommands, RepairThatCannotWriteItsScratchFileSaysSoAndKeepsTheMaterial) {
  ExportRig rig;
  const int32_t length = rig.style.Work.WorkLength;
  // A file stands where the folder would have to be.
  const std::string scratch = rig.dir.Write("config", {'x'}) + "/korvel.KV$";
  EXPECT_FALSE(RepairStyle(rig.engine, rig.import, rig.dialogs, scratch));
  EXPECT_EQ(rig.style.Work.WorkLength, length);
  ASSERT_EQ(rig.dialogs.Messages.size(), 1u);
  EXPECT_NE(rig.dialogs.Messages[0].find("korvel.KV$"), std::string::npos)
      << rig.dialogs.Messages[0];
}

// Every shipped style, at the slowest, a middle and the fastest tempo: the lead-in measure is
// silent and each part's first note falls on the first bar line the listing gives it.
TEST(StyleExportCommands, ShippedStylesPlayEveryPartOnItsBarLines) {
  test::TempDir dir("style-export-shipped");
  for (auto& [name, compiled] : test::ShippedStyles()) {
    for (const int tempo : {40, 120, 250}) {
      SCOPED_TRACE(name + " at " + std::to_string(tempo));
      StyleFileContents& contents = compiled.Contents;
      contents.Channels.SetTempo(static_cast<int16_t>(tempo));
      const std::string style = dir.Path(name + ".kvs");
      WriteStyleFile(style, contents.Channels, contents.Parts, contents.Material);
      const std::string midi = dir.Path(name + ".mid");
      test::ScriptedDialogs dialogs;
      NoView view;
      auto built = std::make_shared<std::optional<StyleArrangement>>();
      ASSERT_TRUE(
          RenderToMidiFile(StyleArrangementStart(style, kFullStyleExport, true, built, dialogs),
                           midi, dialogs, view, true)
              .Played);
      ASSERT_TRUE(*built);
      std::string error;
      const auto bytes = ReadWholeFile(midi, error);
      ASSERT_TRUE(bytes) << error;
      std::vector<int64_t> onsets;
      for (const auto& e : test::MidiFileEvents(*bytes)) {
        if (IsNoteOn(e.Status, e.Data2)) onsets.push_back(e.Tick);
      }
      const int64_t measure = std::abs(contents.Channels.MeasureLength()) * 6;
      for (const ExportedPart& part : (*built)->Parts) {
        const int64_t bar = (part.FirstMeasure - 1) * measure;
        const auto first = std::lower_bound(onsets.begin(), onsets.end(), bar);
        ASSERT_NE(first, onsets.end()) << StylePartName(part.Part);
        EXPECT_EQ(*first, bar) << StylePartName(part.Part);
      }
      ASSERT_FALSE(onsets.empty());
      EXPECT_EQ(onsets.front(), ((*built)->Parts.front().FirstMeasure - 1) * measure);
    }
  }
}

// Export set, then Import set: every part comes back with the measures it went out with, in
// 4/4 (rock1), 3/4 (waltz) and 6/8 (ballad68) alike.
TEST(StyleExportCommands, AnExportedSetComesBackWithItsPartLengths) {
  for (auto& [name, compiled] : test::ShippedStyles()) {
    SCOPED_TRACE(name);
    test::TempDir folder("style-export-set");
    StylePartTable original;
    {
      ExportRig rig;
      rig.Load(SerializeStyleFile(compiled.Contents.Channels, compiled.Contents.Parts,
                                  compiled.Contents.Material, true));
      rig.style.SongLoaded = false;
      original = rig.style.Parts;
      ASSERT_GT(ExportStyleSet(rig.engine, rig.dialogs, 1, folder.Folder() + "/"), 0);
    }
    test::PlayerRig rig;
    MidiFileImport import(rig.engine, rig.dialogs, rig.view);
    ConnectImportToGenerator(import, rig.engine);
    rig.engine.StyleParts.Hooks.Play = nullptr;  // nothing plays here
    PartSetImport set(rig.engine, import, rig.dialogs);
    const PartSetReport report = set.ImportFromFolder(folder.Folder(), "1 - 11");
    ASSERT_TRUE(report.Imported);
    for (int part = 0; part < kStylePartCount; ++part) {
      EXPECT_EQ(rig.style.Parts.Part(part).MeasureCount(), original.Part(part).MeasureCount())
          << StylePartName(part);
    }
  }
}

}  // namespace
}  // namespace korvel
