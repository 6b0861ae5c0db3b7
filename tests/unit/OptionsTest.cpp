// The options the settings window edits: they go into the settings and come back unchanged,
// and the chord-type keys take only the types the list offers.
#include <gtest/gtest.h>

#include "app/Configuration.h"
#include "app/Options.h"

namespace korvel {
namespace {

TEST(Options, EveryFieldGoesIntoTheSettingsAndBack) {
  Configuration settings("/opt/korvel");
  Options edited = Options::From(settings);
  EXPECT_EQ(edited.TempoPresets, (std::array<int, 4>{60, 90, 120, 150}));
  edited.KeyNotes = {1, 2, 3, 4, 5, 6};
  edited.KeyOctaves = {9, 8, 7, 6, 5, 4};
  edited.AccChannel = 16;
  edited.Redirect = false;
  edited.Quantize = 9;
  edited.Metrum = 8;
  edited.Sync = 10;
  edited.Patch = "db50xg.kvi";
  edited.KeyboardLayout = 0;
  edited.ChordTypes = "17161514131211100908";
  edited.Color = 0x123456;
  edited.Picture = "/home/musician/My Pictures/stage.png";
  edited.PictureVisible = false;
  edited.TempoPresets = {25, 100, 200, 250};
  edited.AutoConnect = false;
  edited.AutoSave = false;
  edited.ProgramName = "Sequencer";
  edited.ProgramPath = "/usr/bin/seq";
  edited.To(settings);
  const Options back = Options::From(settings);
  EXPECT_EQ(back.KeyNotes, edited.KeyNotes);
  EXPECT_EQ(back.KeyOctaves, edited.KeyOctaves);
  EXPECT_EQ(back.AccChannel, 16);
  EXPECT_FALSE(back.Redirect);
  EXPECT_EQ(back.Quantize, 9);
  EXPECT_EQ(back.Metrum, 8);
  EXPECT_EQ(back.Sync, 10);
  EXPECT_EQ(back.Patch, "db50xg.kvi");
  EXPECT_EQ(back.KeyboardLayout, 0);
  EXPECT_EQ(back.ChordTypes, edited.ChordTypes);
  EXPECT_EQ(back.Color, 0x123456);
  EXPECT_EQ(back.Picture, edited.Picture);
  EXPECT_FALSE(back.PictureVisible);
  EXPECT_EQ(back.TempoPresets, edited.TempoPresets);
  EXPECT_FALSE(back.AutoConnect);
  EXPECT_FALSE(back.AutoSave);
  EXPECT_EQ(back.ProgramName, "Sequencer");
  EXPECT_EQ(back.ProgramPath, "/usr/bin/seq");
}

TEST(Options, ChordTypeKeysTakeOnlyTheListedTypes) {
  Options options;
  options.ChordTypes = "02030405060708091011";
  EXPECT_EQ(options.ChordKeyLine(0), "1 = min");
  EXPECT_EQ(options.ChordKeyLine(9), "0 = " + std::string("6th"));
  const struct {
    int key, typeIndex;
    bool set;
  } cases[] = {{0, 15, true},  {9, 0, true},   {-1, 3, false},
               {10, 3, false}, {2, -1, false}, {2, 16, false}};
  for (const auto& c : cases) {
    Options edited = options;
    EXPECT_EQ(edited.SetChordKey(c.key, c.typeIndex), c.set) << c.key << " " << c.typeIndex;
    if (c.set) {
      EXPECT_EQ(edited.ChordKeyType(c.key), c.typeIndex + 2);
    } else {
      EXPECT_EQ(edited.ChordTypes, options.ChordTypes);
    }
  }
  options.ChordTypes = "garbage";
  EXPECT_EQ(options.ChordKeyLine(3), "4 = ?");
  ASSERT_TRUE(options.SetChordKey(3, 15));
  EXPECT_EQ(options.ChordTypes, "02030417060708091011");
}

}  // namespace
}  // namespace korvel
