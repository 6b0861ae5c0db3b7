#include "stylegen/StyleExport.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

StylePartTable PartsOf(std::initializer_list<std::pair<int, std::pair<int, int>>> set) {
  StylePartTable parts;
  for (const auto& [number, range] : set) {
    const int count = range.second - range.first + 1;
    parts.Part(number).Set(number, range.first, count, range.first * 100, range.second * 100);
  }
  return parts;
}

// Every control entry of the arrangement as "measure.beat:key/value".
std::string Controls(const StyleArrangement& a) {
  std::string text;
  for (int pos = kFirstBeatPos; pos < a.SongEnd; pos += 4) {
    const ChordEntry e = a.Chords.Entry(pos);
    if (e.Control == 0) continue;
    const int offset = pos - kFirstBeatPos;
    text += std::to_string(offset / a.MeasureBytes + 1) + "." +
            std::to_string(offset % a.MeasureBytes / 4 + 1) + ":" + std::to_string(e.Control) +
            "/" + std::to_string(e.Value) + " ";
  }
  return text;
}

TEST(StyleExport, PartsFollowEachOtherFromTheSecondMeasure) {
  const ControlKeys keys;
  const auto a = BuildStyleArrangement(PartsOf({{kBasic, {3, 6}}, {kEnding, {9, 10}}}), 16, keys,
                                       kFullStyleExport, false);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Listing(),
            " Basic             : 02 - 05\r\n"
            " Ending            : 06 - 07\r\n");
  // The ending key on the first beat of measure 6, the end mark two measures later.
  EXPECT_EQ(Controls(*a), "6.1:38/12 8.1:255/0 ");
  // The lead-in measure holds no chord, so nothing plays before Basic on measure 2.
  EXPECT_FALSE(a->Chords.Entry(kFirstBeatPos).HasChord());
  EXPECT_EQ(a->Chords.Entry(MeasureStart(2, 16)), (ChordEntry{48, 1, 0, 0}));
  EXPECT_EQ(a->LastMeasure, 7);
  EXPECT_EQ(a->SongEnd, MeasureStart(8, 16) + 4);
}

TEST(StyleExport, FullOrderWithIntroAndEveryKey) {
  const ControlKeys keys;
  const StylePartTable parts = PartsOf({{kIntro, {1, 2}},
                                        {kBasic, {3, 4}},
                                        {kExtended, {5, 6}},
                                        {kEnding, {7, 7}},
                                        {kFillBasic, {8, 8}},
                                        {kFillExtended, {9, 9}},
                                        {kToExtended, {10, 10}},
                                        {kToBasic, {11, 11}}});
  const auto a = BuildStyleArrangement(parts, 16, keys, kFullStyleExport, true);
  ASSERT_TRUE(a);
  EXPECT_TRUE(a->PlayIntro);
  // The intro plays from the first measure on.
  EXPECT_EQ(a->Chords.Entry(kFirstBeatPos), (ChordEntry{48, 1, 0, 0}));
  EXPECT_EQ(a->Listing(),
            " Intro             : 01 - 02\r\n"
            " Basic             : 03 - 04\r\n"
            " Fill in Basic     : 05 - 05\r\n"
            " To Extended       : 06 - 06\r\n"
            " Extended          : 07 - 08\r\n"
            " Fill in Extended  : 09 - 09\r\n"
            " To Basic          : 10 - 10\r\n"
            " Ending            : 11 - 11\r\n");
  EXPECT_EQ(Controls(*a), "5.1:36/12 6.1:37/12 9.1:36/12 10.1:39/12 11.1:38/12 12.1:255/0 ");
}

TEST(StyleExport, ExtendedIsReachedWithoutToExtended) {
  const ControlKeys keys;
  const auto a = BuildStyleArrangement(PartsOf({{kBasic, {1, 1}}, {kExtended, {2, 3}}}), 16, keys,
                                       kFullStyleExport, false);
  ASSERT_TRUE(a);
  EXPECT_EQ(Controls(*a), "3.1:37/12 5.1:255/0 ");
}

TEST(StyleExport, SingleExtendedPlaysThroughTheBasicSlot) {
  const ControlKeys keys;
  const StylePartTable parts = PartsOf({{kBasic, {1, 2}}, {kExtended, {3, 6}}});
  const StylePartTable before = parts;
  const auto a = BuildStyleArrangement(parts, 16, keys, kExtended, true);
  ASSERT_TRUE(a);
  EXPECT_FALSE(a->PlayIntro);
  EXPECT_EQ(a->Listing(), " Extended          : 02 - 05\r\n");
  EXPECT_EQ(Controls(*a), "6.1:255/0 ");
  EXPECT_EQ(a->PlayedParts.Part(kBasic).FirstMeasure(), 3);
  EXPECT_EQ(a->PlayedParts.Part(kBasic).MeasureCount(), 4);
  EXPECT_EQ(parts.Bytes, before.Bytes);
}

TEST(StyleExport, SingleFillInExtendedPlaysThroughTheFillSlot) {
  const ControlKeys keys;
  const auto a = BuildStyleArrangement(PartsOf({{kBasic, {1, 2}}, {kFillExtended, {4, 4}}}), 16,
                                       keys, kFillExtended, false);
  ASSERT_TRUE(a);
  EXPECT_EQ(Controls(*a), "2.1:36/12 3.1:255/0 ");
  EXPECT_EQ(a->PlayedParts.Part(kFillBasic).FirstMeasure(), 4);
}

TEST(StyleExport, NothingToExport) {
  const ControlKeys keys;
  EXPECT_FALSE(BuildStyleArrangement(StylePartTable{}, 16, keys, kFullStyleExport, true));
  EXPECT_FALSE(BuildStyleArrangement(PartsOf({{kBasic, {1, 2}}}), 16, keys, kEnding, false));
  EXPECT_FALSE(BuildStyleArrangement(PartsOf({{kBasic, {1, 2}}}), 16, keys, 8, false));
  // The intro alone is no arrangement: nothing follows it.
  EXPECT_FALSE(
      BuildStyleArrangement(PartsOf({{kIntro, {1, 2}}}), 16, keys, kFullStyleExport, true));
}

TEST(StyleExport, EighthBeatStylesCountWholeMeasures) {
  const ControlKeys keys;
  // 6/8: six eighth-note entries of 4 bytes each.
  EXPECT_EQ(StyleMeasureBytes(-12), 24);
  EXPECT_EQ(StyleMeasureBytes(12), 12);
  EXPECT_EQ(StyleMeasureBytes(0), 16);
  const auto a = BuildStyleArrangement(PartsOf({{kBasic, {1, 2}}, {kEnding, {3, 3}}}), -12, keys,
                                       kFullStyleExport, false);
  ASSERT_TRUE(a);
  EXPECT_EQ(Controls(*a), "4.1:38/12 5.1:255/0 ");
  EXPECT_EQ(a->LastMeasure, 4);
  EXPECT_EQ(a->SongEnd, 4 + 4 * 24 + 4);
}

TEST(StyleExport, PartsThatWouldPassTheChordMemoryAreLeftOut) {
  const ControlKeys keys;
  StylePartTable parts = PartsOf({{kBasic, {1, 400}}, {kExtended, {401, 800}}});
  const auto a = BuildStyleArrangement(parts, 16, keys, kFullStyleExport, false);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Listing(), " Basic             : 02 - 401\r\n");
  EXPECT_LE(a->SongEnd, kChordMemorySize);
  parts.Part(kBasic).SetMeasureCount(2000);
  EXPECT_FALSE(BuildStyleArrangement(parts, 16, keys, kBasic, false));
}

TEST(StyleExport, SetFileNames) {
  StylePartTable parts = PartsOf({{kBasic, {1, 2}}, {kFillBasic, {3, 3}}});
  EXPECT_EQ(StylePartFileName("/tmp/set/", 2, parts, kBasic), "/tmp/set/sty2_v11.mid");
  EXPECT_EQ(StylePartFileName("/tmp/set/", 2, parts, kFillBasic), "/tmp/set/sty2_f12.mid");
  parts.Part(kFillBasic).SetSuccessor(kFurtherVariation);
  EXPECT_EQ(StylePartFileName("", 4, parts, kFillBasic), "sty4_v31.mid");
}

}  // namespace
}  // namespace korvel
