// The generator's navigation while it plays: random jumps, loop lengths and part choices over
// material whose notes are held across bar lines never leave a note sounding.
#include "app/GeneratorNavigator.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "app/GeneratorCommands.h"
#include "app/MidiFileImport.h"
#include "stylegen/MidiFileWriter.h"
#include "support/FourMeasures.h"
#include "support/PlayerRig.h"
#include "support/SoundingNotes.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

// Twelve measures on two channels, each note held past the next bar line, with pitch bends
// and controllers on the way.
std::vector<uint8_t> HeldNotes() {
  std::vector<TimedMessage> messages;
  for (int m = 0; m < 12; ++m) {
    const int64_t start = int64_t{m} * 96;
    const auto note = static_cast<uint8_t>(60 + (m * 5) % 12);
    messages.push_back({start, {0x90, note, 100}});
    messages.push_back({start + 150, {0x80, note, 0}});
    messages.push_back({start + 48, {0x91, static_cast<uint8_t>(note - 12), 90}});
    messages.push_back({start + 200, {0x81, static_cast<uint8_t>(note - 12), 0}});
    messages.push_back({start + 24, {0xE0, 0, static_cast<uint8_t>(40 + m)}});
    messages.push_back({start + 30, {0xB1, 1, static_cast<uint8_t>(m * 10)}});
  }
  return StandardMidiFile(messages, 120);
}

using test::Sounding;

TEST(GeneratorNavigator, JumpsAndLoopChangesLeaveNoNoteSounding) {
  for (const bool styleMode : {false, true}) {
    test::PlayerRig rig;
    test::TempDir dir{"gen-navigator"};
    MidiFileImport import{rig.engine, rig.dialogs, rig.view};
    ConnectImportToGenerator(import, rig.engine);
    ASSERT_TRUE(import.ImportMidiFile(dir.Write("held.mid", HeldNotes()), false, true));
    rig.style.StyleMode = styleMode;
    GeneratorNavigator nav(rig.engine);
    ASSERT_TRUE(nav.NextMeasure());
    std::mt19937 random(styleMode ? 7 : 11);
    std::vector<SentMessage> sent;
    for (int step = 0; step < 300; ++step) {
      rig.Ticks(static_cast<int>(random() % 80));
      const auto before = rig.driver.Sent();
      sent.insert(sent.end(), before.begin(), before.end());
      rig.driver.ClearSent();
      bool moved = false;
      switch (random() % 9) {
        case 0:
          moved = nav.NextMeasure();
          break;
        case 1:
          moved = nav.PreviousMeasure();
          break;
        case 2:
          moved = nav.LastFourMeasures();
          break;
        case 3:
          moved = nav.Rewind();
          break;
        case 4:
          moved = nav.LoopsBack();
          break;
        case 5:
          moved = nav.LoopsForward();
          break;
        case 6:
          moved = nav.LoopStartHere();
          break;
        case 7:
          nav.ChooseLoopLength(1 + static_cast<int>(random() % 8));
          break;
        default:
          moved = nav.ChoosePart(static_cast<int>(random() % kStylePartCount), random() % 2);
      }
      const auto after = rig.driver.Sent();
      sent.insert(sent.end(), after.begin(), after.end());
      rig.driver.ClearSent();
      if (moved) {
        ASSERT_TRUE(Sounding(sent).empty()) << "step " << step;
        ASSERT_TRUE(rig.player.Playing) << "step " << step;
      }
      const auto& loop = rig.engine.Generator.LoopRange;
      ASSERT_GE(loop.FirstMeasure, 1);
      ASSERT_TRUE(loop.LastMeasure == 0 || loop.LastMeasure >= loop.FirstMeasure);
    }
    rig.player.StopPlayback();
    const auto last = rig.driver.Sent();
    sent.insert(sent.end(), last.begin(), last.end());
    EXPECT_TRUE(Sounding(sent).empty());
  }
}

// "&Basic" and "&Extended" near the end loop to the material's last measure, not beyond it.
TEST(GeneratorNavigator, AMenuPartNearTheEndLoopsToTheLastMeasure) {
  for (const int part : {kBasic, kExtended}) {
    test::PlayerRig rig;
    test::TempDir dir{"gen-navigator"};
    MidiFileImport import{rig.engine, rig.dialogs, rig.view};
    ConnectImportToGenerator(import, rig.engine);
    ASSERT_TRUE(import.ImportMidiFile(dir.Write("four.mid", test::FourMeasures()), false, true));
    rig.style.StyleMode = true;
    GeneratorNavigator nav(rig.engine);
    ASSERT_TRUE(nav.NextMeasure());
    ASSERT_TRUE(nav.NextMeasure());  // measure 3 plays; "&Loop" is at 4 measures
    ASSERT_TRUE(nav.ChoosePart(part, false));
    EXPECT_EQ(rig.engine.Generator.LoopRange.FirstMeasure, 3);
    EXPECT_EQ(rig.engine.Generator.LoopRange.LastMeasure, 4);
    rig.transport.StopCommand();
  }
}

// The main accompaniment playing is left alone.
TEST(GeneratorNavigator, NothingMovesWhileTheMainAccompanimentPlays) {
  test::PlayerRig rig;
  test::TempDir dir{"gen-navigator"};
  MidiFileImport import{rig.engine, rig.dialogs, rig.view};
  ConnectImportToGenerator(import, rig.engine);
  ASSERT_TRUE(import.ImportMidiFile(dir.Write("held.mid", HeldNotes()), false, true));
  GeneratorNavigator nav(rig.engine);
  // The generator played and was stopped; then the main accompaniment started.
  ASSERT_TRUE(nav.NextMeasure());
  rig.player.StopPlayback();
  EXPECT_FALSE(rig.engine.Generator.Playing);
  rig.player.Playing = true;
  EXPECT_FALSE(nav.NextMeasure());
  EXPECT_FALSE(nav.LastFourMeasures());
  EXPECT_FALSE(nav.ChoosePart(kBasic, false));
}

}  // namespace
}  // namespace korvel
