// "Minus One" and "Replace One", the "Solo" group and the mute switches, against a style that
// plays on the recording driver: a channel that stops playing has its sounding notes ended at
// once, since the player's filter drops their note-offs from then on.
#include <gtest/gtest.h>

#include "app/PlayAlong.h"
#include "app/SoloMute.h"
#include "support/PlayerRig.h"

namespace korvel {
namespace {

using test::PlayerRig;
using test::StyleFixture;
using Strings = std::vector<std::string>;

// Channels 2 and 3 hold a note for the first half of the measure; the drums strike on beat 1.
class PlayAlongTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture.Part(kBasic, 1,
                 {{0, 0x91, 60, 100},
                  {0, 0x92, 64, 100},
                  {0, 0x99, 36, 100},
                  {48, 0x91, 60, 0},
                  {48, 0x92, 64, 0}});
    rig.Load(fixture);
    rig.Start();
    rig.Chord(48, 1);
  }
  // The notes sent since the last look.
  Strings Take() {
    Strings notes = rig.Notes();
    rig.driver.ClearSent();
    return notes;
  }
  StyleFixture fixture;
  PlayerRig rig;
};

TEST_F(PlayAlongTest, MinusOneIsRefusedWhileASongPlaysFromElsewhere) {
  const struct {
    bool GeneratorHasSong;
    bool FilePlayerPlaying;
    MinusOneResult Expected;
  } cases[] = {{false, false, MinusOneResult::On},
               {true, false, MinusOneResult::ReplaceOneInstead},
               {false, true, MinusOneResult::ReplaceOneInstead}};
  for (const auto& c : cases) {
    rig.live.ReplaceOne = true;
    rig.live.MinusOne = false;
    const MinusOneResult result =
        SetMinusOne(rig.engine, true, c.GeneratorHasSong, c.FilePlayerPlaying);
    EXPECT_EQ(result, c.Expected) << c.GeneratorHasSong << c.FilePlayerPlaying;
    const bool on = c.Expected == MinusOneResult::On;
    EXPECT_EQ(rig.live.MinusOne, on);
    EXPECT_EQ(rig.live.ReplaceOne, !on) << "the two modes exclude each other";
  }
  rig.live.MinusOne = true;
  rig.live.MinusOneHold = true;
  EXPECT_EQ(SetMinusOne(rig.engine, false, true, true), MinusOneResult::Off);
  EXPECT_FALSE(rig.live.MinusOne);
  EXPECT_FALSE(rig.live.MinusOneHold) << "the held-back style notes play again";
}

TEST_F(PlayAlongTest, ReplaceOneOverMinusOneLeavesOnlyReplaceOneAndSilencesTheChannel) {
  rig.live.SelChannel = 1;
  ASSERT_EQ(SetMinusOne(rig.engine, true, false, false), MinusOneResult::On);
  rig.live.MinusOneHold = true;
  rig.Ticks(10);
  Take();
  SetReplaceOne(rig.engine, true);
  EXPECT_TRUE(rig.live.ReplaceOne);
  EXPECT_FALSE(rig.live.MinusOne);
  EXPECT_FALSE(rig.live.MinusOneHold);
  EXPECT_EQ(Take(), (Strings{"10:2:60:0"})) << "the held note ends now";
  rig.Ticks(96);
  // The next measure plays channel 3 and the drums, never channel 2.
  EXPECT_EQ(Take(), (Strings{"49:3:64:0", "97:3:64:100", "97:10:36:100"}));
  SetReplaceOne(rig.engine, false);
  EXPECT_FALSE(rig.live.ReplaceOne);
  rig.Ticks(96);
  EXPECT_EQ(Take(), (Strings{"145:3:64:0", "193:2:60:100", "193:3:64:100", "193:10:36:100"}));
}

TEST_F(PlayAlongTest, ChoosingAnotherChannelUnderReplaceOneEndsItsNotes) {
  rig.live.SelChannel = 1;
  SetReplaceOne(rig.engine, true);
  rig.Ticks(10);
  Take();
  ChoosePlayAlongChannel(rig.engine, 2);
  EXPECT_EQ(rig.live.SelChannel, 2);
  EXPECT_EQ(Take(), (Strings{"10:3:64:0"})) << "its note-off would be dropped from now on";
  rig.Ticks(96);
  EXPECT_EQ(Take(), (Strings{"97:2:60:100", "97:10:36:100"}));
  ChoosePlayAlongChannel(rig.engine, 99);
  EXPECT_EQ(rig.live.SelChannel, 15);
}

TEST_F(PlayAlongTest, MuteSilencesItsChannelNowAndUntilUnticked) {
  rig.Ticks(10);
  Take();
  SetChannelMute(rig.engine, 2, true);
  EXPECT_TRUE(rig.notes.ChannelBoxes[2]);
  EXPECT_EQ(Take(), (Strings{"10:3:64:0"}));
  rig.Ticks(96);
  EXPECT_EQ(Take(), (Strings{"49:2:60:0", "97:2:60:100", "97:10:36:100"}));
  SetChannelMute(rig.engine, 2, false);
  EXPECT_FALSE(rig.notes.ChannelBoxes[2]);
  EXPECT_EQ(rig.notes.ChannelMute[2], 0);
  rig.Ticks(96);
  EXPECT_EQ(Take(), (Strings{"145:2:60:0", "193:2:60:100", "193:3:64:100", "193:10:36:100"}));
  SetChannelMute(rig.engine, 16, true);  // no such channel: nothing changes
  EXPECT_EQ(rig.notes.ChannelMute, (std::array<uint8_t, 16>{}));
}

TEST_F(PlayAlongTest, SoloPassesOneChannelAndComesBackAfterAReset) {
  rig.Ticks(10);
  Take();
  SetSolo(rig.engine, 3);
  EXPECT_EQ(rig.notes.SoloSelection, 3);
  EXPECT_EQ(Take(), (Strings{"10:2:60:0"})) << "the channels that stop passing fall silent";
  rig.Ticks(96);
  EXPECT_EQ(Take(), (Strings{"49:3:64:0", "97:3:64:100"}));
  rig.notes.SoloChannel = 100;  // a song's lead-in borrows it
  rig.transport.ResetTransport();
  EXPECT_EQ(rig.notes.SoloChannel, 3);
  SetSolo(rig.engine, 0);
  EXPECT_EQ(rig.notes.SoloChannel, 0);
  SetSolo(rig.engine, 40);
  EXPECT_EQ(rig.notes.SoloChannel, 16);
}

}  // namespace
}  // namespace korvel
