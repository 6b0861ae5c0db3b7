// The generator's style export: part files of a set, a single part played through the main
// slot, and "Repair style" appending a clean rendition after the material.
#include "app/StyleExportCommands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/GeneratorCommands.h"
#include "app/MidiFileImport.h"
#include "platform/AtomicFile.h"
#include "stylegen/MidiFileWriter.h"
#include "support/FourMeasures.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::FourMeasures;

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

struct ExportRig : test::PlayerRig {
  test::TempDir dir{"style-export"};
  MidiFileImport import{engine, dialogs, view};
  ExportRig() {
    ConnectImportToGenerator(import, engine);
    EXPECT_TRUE(import.ImportMidiFile(dir.Write("four.mid", FourMeasures()), false, true));
    // Basic is measures 1-2, Extended 3-4.
    const int32_t middle = style.Work.FindWorkPosition(2, 1, 16);
    const int32_t end = style.Work.WorkLength;
    style.Parts.Part(kBasic).Set(kBasic, 1, 2, 0, middle);
    style.Parts.Part(kExtended).Set(kExtended, 3, 2, middle, end);
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
  // The lead-in measure is silent: the part plays its two measures from measure 2 (clock 96)
  // up to the end mark at measure 4 (clock 288).
  EXPECT_EQ(NotesOf(folder + "sty3_v11.mid"), "107:60 203:62 ");
  // Extended plays through the Basic slot, and the generator's records stay as they were.
  EXPECT_EQ(NotesOf(folder + "sty3_v21.mid"), "115:64 211:65 ");
  EXPECT_EQ(rig.style.Parts.Bytes, before.Bytes);
  EXPECT_EQ(rig.engine.Song.Memory.Bytes, song);
  EXPECT_TRUE(rig.dialogs.Messages.empty());
}

TEST(StyleExportCommands, FullExportPlaysThePartsInOrder) {
  ExportRig rig;
  const std::string path = rig.dir.Path("full.mid");
  const auto a = ExportGeneratedStyle(rig.engine, rig.dialogs, kFullStyleExport, path);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Listing(),
            " Basic             : 02 - 03\r\n"
            " Extended          : 04 - 05\r\n");
  // Nothing sounds in the lead-in measure; each part plays on the measures the listing gives
  // it, Extended's key at measure 4 (clock 288) switching parts on that bar line.
  EXPECT_EQ(NotesOf(path), "107:60 203:62 307:64 403:65 ");
}

TEST(StyleExportCommands, NothingIsExportedBeforeAPartIsSet) {
  ExportRig rig;
  rig.style.SongLoaded = true;
  const std::string path = rig.dir.Path("none.mid");
  EXPECT_FALSE(ExportGeneratedStyle(rig.engine, rig.dialogs, kFullStyleExport, path));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(StyleExportCommands, RepairAppendsACleanRenditionAfterTheMaterial) {
  ExportRig rig;
  const std::vector<uint8_t> old(rig.style.Work.Chunk(0).begin(),
                                 rig.style.Work.Chunk(0).begin() + rig.style.Work.WorkLength);
  const std::string program = rig.dir.Path("korvel");
  ASSERT_TRUE(RepairStyle(rig.engine, rig.import, rig.dialogs, program));
  EXPECT_FALSE(rig.import.AppendMode);
  EXPECT_FALSE(std::filesystem::exists(program + ".KV$"));
  ASSERT_GT(rig.style.Work.WorkLength, static_cast<int32_t>(old.size()));
  EXPECT_TRUE(std::equal(old.begin(), old.end(), rig.style.Work.Chunk(0).begin()));
}

}  // namespace
}  // namespace korvel
