// The engine wires its parts together: what one part asks of another reaches it.
#include <gtest/gtest.h>

#include "support/PlayerRig.h"

namespace korvel {
namespace {

TEST(EngineHooks, AChosenFileThatIsNoStyleStopsTheMusicAndAsksForHelp) {
  test::StyleFixture fixture;
  fixture.Part(kBasic, 1, {{0, 0x91, 60, 90}});
  test::PlayerRig rig;
  rig.Load(fixture);
  rig.Start();
  rig.Chord(48, 1);
  rig.Ticks(4);
  ASSERT_TRUE(rig.player.Playing);
  rig.dialogs.Files = {"/songs/demo.mid"};
  rig.engine.Loader.LoadStyle(true);
  EXPECT_FALSE(rig.player.Playing);
  EXPECT_EQ(rig.dialogs.Messages, std::vector<std::string>{kNoHelp});
  EXPECT_TRUE(rig.style.StyleLoaded) << "the style in use stays";
}

}  // namespace
}  // namespace korvel
