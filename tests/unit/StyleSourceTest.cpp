#include <gtest/gtest.h>

#include "engine/Style.h"
#include "midi/ChannelState.h"
#include "stylegen/StyleSource.h"

namespace korvel {
namespace {

// The material of a compiled style as "clock:status:data1:data2" events, clocks counted.
std::vector<std::string> Events(const StyleFileContents& c) {
  std::vector<std::string> events;
  int clock = 0;
  for (size_t i = 0; i < c.Material.size();) {
    const uint8_t b = c.Material[i];
    if (IsTimeByte(b)) {
      clock += ClocksOf(b);
      ++i;
      continue;
    }
    events.push_back(std::to_string(clock) + ":" + std::to_string(b) + ":" +
                     std::to_string(c.Material[i + 1]) + ":" + std::to_string(c.Material[i + 2]));
    i += 3;
  }
  return events;
}

TEST(StyleSource, LanesBecomeEventsOnTheirGrid) {
  const auto compiled = CompileStyleSource(R"(
style test        # a comment
tempo 90
metre 4/4
channel 10 "Drums" program 0 volume 100
channel 2 "Bass" program 33 volume 90 pan 40 bank 1 2
channel 7 "Unused" program 5
part Intro 1
  drum 36  x . o g     # quarters: accent, rest, normal, ghost; each sounds half a step
  ch 2     C2 . E2! -  # C2 sounds two beats, then an accented E2 until the rest
  hold 2
  mute 10
part Basic 1
  ch 2     [C3 G3]? . . .
)");
  const auto& c = compiled.Contents;
  EXPECT_EQ(compiled.Name, "test");
  EXPECT_EQ(Events(c),
            (std::vector<std::string>{"0:153:36:112", "0:145:36:90", "12:153:36:0", "48:145:36:0",
                                      "48:153:36:88", "48:145:40:115", "60:153:36:0", "72:145:40:0",
                                      "72:153:36:45", "84:153:36:0", "96:145:48:60", "96:145:55:60",
                                      "191:145:48:0", "191:145:55:0"}))
      << "note-offs before note-ons at the same clock; notes end at the part's end";

  EXPECT_EQ(c.Channels.Tempo(), 90);
  EXPECT_EQ(c.Channels.MeasureLength(), 16);
  EXPECT_EQ(c.Channels.StartMeasure(), -1) << "one measure of intro";
  EXPECT_EQ(c.Channels.Value(1, ChannelState::kProgramIndex), 33);
  EXPECT_EQ(c.Channels.Value(1, 7), 90);
  EXPECT_EQ(c.Channels.Value(1, 10), 40);
  EXPECT_EQ(c.Channels.Value(1, 0), 1);
  EXPECT_EQ(c.Channels.Value(1, 32), 2);
  EXPECT_EQ(c.Channels.Value(6, ChannelState::kProgramIndex), ChannelState::kNone)
      << "a channel without notes keeps no settings";
  EXPECT_TRUE(c.Channels.HasNotes(9));
  EXPECT_FALSE(c.Channels.HasNotes(6));

  const StylePart intro = c.Parts.Part(kIntro);
  const StylePart basic = c.Parts.Part(kBasic);
  EXPECT_EQ(intro.FirstMeasure(), 1);
  EXPECT_EQ(basic.FirstMeasure(), 2);
  EXPECT_EQ(basic.Successor(), kRepeat);
  EXPECT_EQ(intro.Successor(), 1);
  EXPECT_TRUE(intro.PartHold(1));
  EXPECT_TRUE(intro.PartMute(9));
  EXPECT_EQ(intro.EndPos(), basic.StartPos());
  // A beat entry lies right after the time byte that completes the beat: no clock of it is lost.
  for (int beat = 2; beat <= 4; ++beat) {
    int clocks = 0;
    for (int32_t i = 0; i < basic.BeatEntry(beat); ++i) {
      if (IsTimeByte(c.Material[static_cast<size_t>(i)]))
        clocks += ClocksOf(c.Material[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(clocks, 96 + 24 * (beat - 1)) << beat;
  }
}

TEST(StyleSource, SixEightCountsEighths) {
  const auto compiled =
      CompileStyleSource("style b\nmetre 6/8\npart Basic 1\n  ch 3 C4 E4 G4 C5 G4 E4\n");
  EXPECT_EQ(compiled.Contents.Channels.MeasureLength(), -12);
  const auto events = Events(compiled.Contents);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "71:146:64:0") << "a 6/8 measure is 72 clocks";
}

TEST(StyleSource, Errors) {
  const struct {
    const char* source;
    int line;
    const char* says;
  } cases[] = {
      {"style s\npart Basic 1\n  ch 2 C2 . . . | C2 . . .\n", 3, "2 measures"},
      {"style s\npart Basic 1\n  ch 2 C2 . . . .\n", 3, "do not divide"},
      {"style s\npart Basic 1\n  ch 2 H2 . . .\n", 3, "no note"},
      {"style s\npart Basic 1\n  drum 36 x y . .\n", 3, "x, o, g or ."},
      {"style s\ntempo 300\n", 2, "tempo"},
      {"style s\nmetre 7/8\n", 2, "metre"},
      {"style s\npart Chorus 1\n", 2, "Intro, Basic"},
      {"style s\npart Basic 1\npart Basic 1\n", 3, "twice"},
      {"style s\n  ch 2 C2\n", 2, "inside a part"},
      {"style s\nchannel 2 loudness 5\n", 2, "loudness"},
      {"style s\nwhatever\n", 2, "unknown word"},
  };
  for (const auto& c : cases) {
    try {
      CompileStyleSource(c.source);
      ADD_FAILURE() << "compiled: " << c.source;
    } catch (const StyleSourceError& e) {
      EXPECT_EQ(e.Line(), c.line) << c.source << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace korvel
