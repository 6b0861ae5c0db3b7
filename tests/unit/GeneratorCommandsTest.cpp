// The generator's commands beside the generator: playing the material in song mode, and MIDI
// files opened with the song's "&Open ...".
#include "app/GeneratorCommands.h"

#include <gtest/gtest.h>

#include <map>

#include "app/MidiFileImport.h"
#include "app/Songs.h"
#include "stylegen/MidiFileWriter.h"
#include "support/FourMeasures.h"
#include "support/PlayerRig.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::FourMeasures;

struct CommandsRig : test::PlayerRig {
  test::TempDir dir{"generator-commands"};
  MidiFileImport import{engine, dialogs, view};
  Songs songs{engine, dialogs, view};
  CommandsRig() {
    ConnectImportToGenerator(import, engine);
    ConnectImportToSongs(import, songs);
  }
  // Plays until the player stops: the notes struck on channel 1, each ended again.
  std::vector<int> Played() {
    for (int guard = 0; player.Playing && guard < 5000; ++guard) Ticks(1);
    EXPECT_FALSE(player.Playing);
    std::vector<int> struck;
    std::map<int, int> sounding;
    for (const auto& m : driver.Sent()) {
      const int h = m.Bytes[0] & 0xF0;
      if ((m.Bytes[0] & 0x0F) != 0 || (h != 0x80 && h != 0x90)) continue;
      if (h == 0x90 && m.Bytes[2] > 0) {
        struck.push_back(m.Bytes[1]);
        ++sounding[m.Bytes[1]];
      } else if (sounding[m.Bytes[1]] > 0) {
        --sounding[m.Bytes[1]];
      }
    }
    for (const auto& [note, count] : sounding) EXPECT_EQ(count, 0) << "note " << note << " hangs";
    return struck;
  }
};

TEST(GeneratorCommands, SongModePlaysFromStartWithToStopAt) {
  CommandsRig rig;
  ASSERT_TRUE(rig.import.ImportMidiFile(rig.dir.Write("four.mid", FourMeasures()), false, true));
  ASSERT_FALSE(rig.style.StyleMode);
  EXPECT_TRUE(StartGeneratorPlay(rig.engine));
  EXPECT_EQ(rig.Played(), (std::vector<int>{60, 62, 64, 65}));

  rig.driver.ClearSent();
  rig.engine.Generator.SongRange = {2, 1, 3};  // "Start with ..." 2, "Stop at ..." 3
  EXPECT_TRUE(StartGeneratorPlay(rig.engine));
  EXPECT_EQ(rig.Played(), (std::vector<int>{62, 64}));

  // Style mode plays a set part only.
  rig.style.StyleMode = true;
  EXPECT_FALSE(StartGeneratorPlay(rig.engine));
  EXPECT_FALSE(rig.player.Playing);
}

// Style mode voices the material over C major: whatever the accompaniment's first key, the
// material sounds as it was recorded.
TEST(GeneratorCommands, StyleModeSoundsAsRecordedForEveryFirstKey) {
  for (const int firstKey : {36, 40, 48, 55, 59, 60}) {
    SCOPED_TRACE("first key " + std::to_string(firstKey));
    CommandsRig rig;
    rig.engine.Chords.SetFirstKey(firstKey);
    ASSERT_TRUE(rig.import.ImportMidiFile(rig.dir.Write("four.mid", FourMeasures()), false, true));
    rig.style.SelectedPart = kBasic;
    rig.engine.Generator.LoopRange = {1, 1, 4};
    ASSERT_TRUE(rig.engine.StyleParts.SetStylePart(PartSender::None));
    rig.style.StyleMode = true;
    ASSERT_TRUE(StartGeneratorPlay(rig.engine));
    rig.transport.StartDelay = 0;
    rig.Ticks(4 * 96);
    rig.transport.StopCommand();
    std::vector<int> struck;
    for (const auto& m : rig.driver.Sent()) {
      if (m.Bytes[0] == 0x90 && m.Bytes[2] > 0) struck.push_back(m.Bytes[1]);
    }
    EXPECT_EQ(struck, (std::vector<int>{60, 62, 64, 65}));
  }
}

// Importing through the dialog over an unsaved style asks once: the answer to "Replace
// current work ?" holds for the reset as well.
TEST(GeneratorCommands, ImportingOverUnsavedWorkAsksOneQuestion) {
  CommandsRig rig;
  const std::string path = rig.dir.Write("four.mid", FourMeasures());
  ASSERT_TRUE(rig.import.ImportMidiFile(path, false, true));
  rig.style.StyleMode = true;
  rig.engine.Generator.StyleChanged = true;
  int saved = 0;
  rig.engine.Generator.Hooks.SaveStyle = [&saved] { ++saved; };
  rig.dialogs.Answers = {true, true};
  rig.dialogs.Files = {path};
  ASSERT_TRUE(rig.import.ImportMidiFile("", false, false));
  EXPECT_EQ(rig.dialogs.Questions, std::vector<std::string>{"Replace current work ?"});
  EXPECT_EQ(saved, 0);
  EXPECT_FALSE(rig.engine.Generator.StyleChanged);
}

TEST(GeneratorCommands, AMidiFileChosenToOpenIsImportedAsASong) {
  CommandsRig rig;
  const std::string path = rig.dir.Write("SONG.MID", FourMeasures());
  rig.dialogs.Files = {path};
  EXPECT_TRUE(rig.songs.LoadArrangement());
  EXPECT_EQ(rig.dialogs.FileRequests.at(0).Filter,
            "Songs (*.kva; *.mid)|*.kva;*.mid|Arrangements (*.kva)|*.kva|MIDI files (*.mid)|*.mid");
  EXPECT_GT(rig.style.Work.WorkLength, 0);
  EXPECT_TRUE(rig.style.SongLoaded);
  EXPECT_TRUE(rig.songs.FileName.empty()) << "the song's file is not the MIDI file";
  EXPECT_TRUE(rig.dialogs.Messages.empty());

  // Without an import to hand it to, a MIDI file opens nothing.
  Songs alone(rig.engine, rig.dialogs, rig.view);
  rig.dialogs.Files = {path};
  EXPECT_FALSE(alone.LoadArrangement());
}

}  // namespace
}  // namespace korvel
