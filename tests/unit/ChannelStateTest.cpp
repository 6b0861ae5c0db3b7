#include <gtest/gtest.h>

#include "midi/ChannelState.h"

namespace korvel {
namespace {

struct ThinCase {
  const char* what;
  uint8_t status, channel, data1, data2;
  bool firstOnly;
  bool pass;
};

// Each row runs against the table left by the rows before it.
TEST(ChannelState, ThinsRepeatedValuesInOrder) {
  const ThinCase cases[] = {
      {"first volume passes", 0xB0, 0, 7, 100, false, true},
      {"same volume dropped", 0xB0, 0, 7, 100, false, false},
      {"again dropped", 0xB0, 0, 7, 100, false, false},
      {"new volume passes", 0xB0, 0, 7, 90, false, true},
      {"new value is stored", 0xB0, 0, 7, 90, false, false},
      {"other channel is separate", 0xB0, 1, 7, 90, false, true},
      {"modulation never thinned", 0xB0, 0, 1, 5, false, true},
      {"modulation again", 0xB0, 0, 1, 5, false, true},
      {"controller above 95 never thinned", 0xB0, 0, 121, 0, false, true},
      {"controller above 95 again", 0xB0, 0, 121, 0, false, true},
      {"program passes", 0xC0, 2, 19, 0, false, true},
      {"same program dropped", 0xC0, 2, 19, 0, false, false},
      {"pressure passes", 0xD0, 2, 64, 0, false, true},
      {"same pressure dropped", 0xD0, 2, 64, 0, false, false},
      {"notes always pass", 0x90, 0, 60, 100, false, true},
      {"notes again", 0x90, 0, 60, 100, false, true},
      {"first-only stores into an empty slot", 0xB0, 3, 10, 64, true, true},
      {"stored by first-only", 0xB0, 3, 10, 64, false, false},
      {"first-only passes a new value", 0xB0, 3, 10, 20, true, true},
      {"but does not store it", 0xB0, 3, 10, 64, false, false},
  };
  ChannelState state;
  for (const auto& c : cases) {
    EXPECT_EQ(state.ThinRepeated(c.status, c.channel, c.data1, c.data2, c.firstOnly), c.pass)
        << c.what;
  }
}

TEST(ChannelState, OnlyTheDesignatedControllersAreTracked) {
  for (int controller = 0; controller < 128; ++controller) {
    const bool tracked = controller == 0 || controller == 7 || controller == 10 ||
                         controller == 11 || controller == 32 || controller == 91 ||
                         controller == 93;
    EXPECT_EQ(ChannelState::Tracked(static_cast<uint8_t>(controller)), tracked) << controller;
  }
}

TEST(ChannelState, CopyResetAndText) {
  ChannelState state;
  EXPECT_EQ(state.ChannelStateText(4, 7), "");
  state.ThinRepeated(0xB0, 4, 7, 77, false);
  state.ThinRepeated(0xC0, 4, 5, 0, false);
  EXPECT_EQ(state.ChannelStateText(4, 7), "77");
  EXPECT_EQ(state.ChannelStateValue(4, ChannelState::kProgramIndex), 5);
  EXPECT_EQ(state.ChannelStateCopyValue(4, 7), ChannelState::kNone);

  state.KeepChannelState();
  state.ResetChannelState();
  EXPECT_EQ(state.ChannelStateValue(4, 7), ChannelState::kNone);
  EXPECT_EQ(state.ChannelStateCopyValue(4, 7), 77);
  EXPECT_EQ(state.ChannelStateCopyValue(4, ChannelState::kProgramIndex), 5);

  state.ResetChannelStateCopy();
  EXPECT_EQ(state.ChannelStateCopyValue(4, 7), ChannelState::kNone);
}

}  // namespace
}  // namespace korvel
