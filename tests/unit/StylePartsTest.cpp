// Setting the generated style's parts from the loop range, with the transitions and fills that
// follow a main part; importing a set of part files; the channel tools.
#include "stylegen/StyleParts.h"

#include <gtest/gtest.h>

#include <set>

#include "app/GeneratorCommands.h"
#include "app/MidiFileImport.h"
#include "app/PartSetImport.h"
#include "app/StyleChannelTools.h"
#include "stylegen/MidiFileWriter.h"
#include "stylegen/WorkWalk.h"
#include "support/PlayerRig.h"
#include "support/SmfBuilder.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

// `measures` measures of 4/4 on `channel`: per quarter the major triad on `note`, a sixteenth
// long (enough bytes for a part file from 6 measures on).
std::vector<uint8_t> Measures(int measures, int channel = 0, uint8_t note = 60) {
  std::vector<TimedMessage> messages;
  for (int q = 0; q < measures * 4; ++q) {
    for (int step : {0, 4, 7}) {
      const auto n = static_cast<uint8_t>(note + step);
      messages.push_back({q * 24, {static_cast<uint8_t>(0x90 | channel), n, 100}});
      messages.push_back({q * 24 + 6, {static_cast<uint8_t>(0x80 | channel), n, 0}});
    }
  }
  return StandardMidiFile(messages, 120);
}

struct PartsRig : test::PlayerRig {
  test::TempDir dir{"style-parts"};
  MidiFileImport import{engine, dialogs, view};
  StyleParts& parts = engine.StyleParts;
  PartsRig() {
    ConnectImportToGenerator(import, engine);
    parts.Hooks.Play = nullptr;  // nothing plays in these tests
  }
  void Load(int measures) {
    ASSERT_TRUE(import.ImportMidiFile(dir.Write("song.mid", Measures(measures)), false, true));
  }
  bool Set(int part, int first, int last, PartSender sender = PartSender::SetMenu) {
    style.SelectedPart = part;
    engine.Generator.LoopRange = {first, 1, last};
    return parts.SetStylePart(sender);
  }
  std::pair<int, int> Range(int part) const {
    const StylePart p = style.Parts.Part(part);
    return {p.FirstMeasure(), p.LastMeasure()};
  }
};

TEST(StyleParts, BasicBringsItsTransitionAndFillWhileTheyFollowIt) {
  PartsRig rig;
  rig.Load(12);
  ASSERT_TRUE(rig.Set(kBasic, 5, 8));
  EXPECT_EQ(rig.Range(kBasic), std::make_pair(5, 8));
  EXPECT_EQ(rig.Range(kToExtended), std::make_pair(8, 8));
  EXPECT_EQ(rig.Range(kFillBasic), std::make_pair(8, 8));
  EXPECT_TRUE(rig.style.Parts.Part(kExtended).Empty());
  EXPECT_TRUE(rig.style.Parts.Part(kToBasic).Empty());

  // Basic again, 5-10: both still hold the old last measure alone, so both follow.
  ASSERT_TRUE(rig.Set(kBasic, 5, 10));
  EXPECT_EQ(rig.Range(kToExtended), std::make_pair(10, 10));
  EXPECT_EQ(rig.Range(kFillBasic), std::make_pair(10, 10));

  // A To Extended set by hand stays; the fill, still automatic, follows.
  ASSERT_TRUE(rig.Set(kToExtended, 11, 12));
  ASSERT_TRUE(rig.Set(kBasic, 1, 4));
  EXPECT_EQ(rig.Range(kToExtended), std::make_pair(11, 12));
  EXPECT_EQ(rig.Range(kFillBasic), std::make_pair(4, 4));

  // Without a sender (a set import) nothing follows.
  rig.style.Parts.Clear();
  ASSERT_TRUE(rig.Set(kExtended, 2, 3, PartSender::None));
  EXPECT_TRUE(rig.style.Parts.Part(kToBasic).Empty());
  EXPECT_TRUE(rig.style.Parts.Part(kFillExtended).Empty());
}

TEST(StyleParts, RecordsHoldPositionsOfTheMaterial) {
  PartsRig rig;
  rig.Load(4);
  ASSERT_TRUE(rig.Set(kIntro, 1, 2));
  const StylePart intro = rig.style.Parts.Part(kIntro);
  // A part from measure 1 starts at the start of the material, not past it.
  EXPECT_EQ(intro.StartPos(), 0);
  EXPECT_GT(intro.EndPos(), intro.StartPos());
  EXPECT_LE(intro.EndPos(), rig.style.Work.WorkLength);
  EXPECT_EQ(intro.MeasureCount(), 2);
  EXPECT_EQ(intro.Successor(), 1);
  EXPECT_GT(intro.BeatEntry(2), 0);
  EXPECT_LT(intro.BeatEntry(2), intro.BeatEntry(3));
  ASSERT_TRUE(rig.Set(kEnding, 3, 4));
  EXPECT_EQ(rig.style.Parts.Part(kEnding).StartPos(), intro.EndPos());
  EXPECT_EQ(rig.style.Parts.Part(kEnding).Successor(), kStopAfter);

  // A fill chosen as a variation of the main part continues as one.
  rig.parts.ChosenAsVariation[kFillBasic] = true;
  ASSERT_TRUE(rig.Set(kFillBasic, 2, 2));
  EXPECT_EQ(rig.style.Parts.Part(kFillBasic).Successor(), kFurtherVariation);
}

TEST(StyleParts, EighthBeatMeasuresAreWholeMeasuresOfTheMaterial) {
  PartsRig rig;
  // 6/8, one eighth note per eighth for four measures.
  std::vector<test::SmfEvent> events = {{0, {0xFF, 0x58, 6, 3, 0x24, 8}}};
  for (int e = 0; e < 24; ++e) {
    events.push_back({e * 12, {0x90, static_cast<uint8_t>(60 + e % 6), 100}});
    events.push_back({e * 12 + 6, {0x80, static_cast<uint8_t>(60 + e % 6), 0}});
  }
  ASSERT_TRUE(rig.import.ImportMidiFile(rig.dir.Write("six8.mid", test::BuildSmf(24, {events})),
                                        false, true));
  ASSERT_EQ(rig.transport.MeasureSixteenths, 12);
  ASSERT_TRUE(rig.Set(kExtended, 2, 3));
  const StylePart part = rig.style.Parts.Part(kExtended);
  // The first note of the part is the first of measure 2 (6 eighths = 72 clocks in), the
  // last before its end the last of measure 3.
  int64_t first = -1;
  int64_t last = -1;
  WalkWork(rig.style.Work, false, [&](const WorkMessage& m) {
    if (m.Position < part.StartPos() || m.Position >= part.EndPos() || m.Data2 == 0) return;
    if (first < 0) first = m.Clock;
    last = m.Clock;
  });
  EXPECT_EQ(first / 72, 1);
  EXPECT_EQ(first % 72, 0);
  EXPECT_EQ(last / 72, 2);
}

TEST(StyleParts, QuestionsDecideAndClearEmptiesThePart) {
  PartsRig rig;
  rig.Load(4);
  // "Set" asks; No changes nothing.
  EXPECT_FALSE(rig.Set(kBasic, 1, 2, PartSender::SetButton));
  EXPECT_EQ(rig.dialogs.Questions.back(), "Set as \"Basic\" ?");
  EXPECT_TRUE(rig.style.Parts.Part(kBasic).Empty());
  rig.dialogs.Answers = {true};
  EXPECT_TRUE(rig.Set(kBasic, 1, 2, PartSender::SetButton));
  EXPECT_FALSE(rig.Set(kBasic, 1, 3, PartSender::SetButton));
  EXPECT_EQ(rig.dialogs.Questions.back(), "Modify \"Basic\" ?");
  EXPECT_EQ(rig.Range(kBasic), std::make_pair(1, 2));

  // LoopEnd 0 clears, after asking.
  rig.dialogs.Answers = {true};
  EXPECT_TRUE(rig.Set(kBasic, 1, 0));
  EXPECT_EQ(rig.dialogs.Questions.back(), "Clear \"Basic\" ?");
  EXPECT_TRUE(rig.style.Parts.Part(kBasic).Empty());
  EXPECT_EQ(rig.engine.Generator.LoopRange.FirstMeasure, 1);
  EXPECT_EQ(rig.engine.Generator.LoopRange.LastMeasure, 0);
  // An unset part has nothing to clear; an end before the start sets nothing.
  EXPECT_FALSE(rig.Set(kEnding, 1, 0, PartSender::ClearButton));
  EXPECT_FALSE(rig.Set(kEnding, 3, 2));
}

TEST(StyleParts, SelectingAPartShowsItsRange) {
  PartsRig rig;
  rig.Load(8);
  ASSERT_TRUE(rig.Set(kBasic, 3, 6, PartSender::None));
  // An unset To Extended plays Basic.
  rig.parts.SelectPart(kToExtended);
  EXPECT_TRUE(StartGeneratorPlay(rig.engine));
  EXPECT_EQ(rig.player.CurrentPart, kBasic);
  rig.player.StopPlayback();
  ASSERT_TRUE(rig.Set(kBasic, 3, 6));
  rig.parts.SelectPart(kIntro);
  EXPECT_EQ(rig.engine.Generator.LoopRange.LastMeasure, 0);
  rig.parts.SelectPart(kBasic);
  EXPECT_EQ(rig.engine.Generator.LoopRange.FirstMeasure, 3);
  EXPECT_EQ(rig.engine.Generator.LoopRange.LastMeasure, 6);
  const auto panel = rig.parts.PanelMeasures();
  EXPECT_EQ(panel[kBasic][0], 3);
  EXPECT_EQ(panel[kToExtended][1], 6);
  EXPECT_EQ(panel[kEnding][0], 0);
}

TEST(PartSetImport, CodesAgreeWithTheExport) {
  // Group 1 holds what the export writes for every part, in the order of the set.
  const auto one = PartSetCodes(1);
  for (size_t i = 0; i < kPartSetOrder.size(); ++i) {
    EXPECT_EQ(one[i], StylePartFileCode(kPartSetOrder[i], false)) << i;
  }
  EXPECT_EQ(PartSetCodes(2),
            (std::array<std::string, 8>{"i21", "v21", "f12", "f11", "v41", "f22", "f21", "e21"}));
  EXPECT_EQ(FallbackCode("v41"), "v31");
  EXPECT_EQ(FallbackCode("v31"), "v21");
  EXPECT_EQ(FallbackCode("f12"), "f11");
  EXPECT_EQ(FallbackCode("i11"), "");
}

struct SetRig : PartsRig {
  PartSetImport set{engine, import, dialogs};
  test::TempDir folder{"Part Set"};
};

TEST(PartSetImport, BasicIntroAndEndingFollowEachOther) {
  SetRig rig;
  rig.folder.Write("sty1_v11.mid", Measures(8, 10, 38));  // drums on channel 11
  rig.folder.Write("sty1_i11.mid", Measures(7, 0, 62));
  rig.folder.Write("STY1_E11.MID", Measures(6, 0, 64));    // names match in any case
  rig.folder.Write("sty1_f12.mid", {'M', 'T', 'h', 'd'});  // too short: left out with a word
  const PartSetReport report = rig.set.ImportFromFolder(rig.folder.Folder(), "1 - 11");
  ASSERT_TRUE(report.Imported);
  EXPECT_EQ(report.Files[kIntro], "sty1_i11.mid");
  EXPECT_EQ(report.Files[kBasic], "sty1_v11.mid");
  EXPECT_EQ(report.Files[kEnding], "STY1_E11.MID");
  EXPECT_EQ(rig.dialogs.Messages,
            std::vector<std::string>{
                "Too short to hold a style part (under 580 bytes), so left out: sty1_f12.mid"});
  // The intro comes first, then Basic on the bar line after it, then the ending.
  EXPECT_EQ(rig.Range(kIntro), std::make_pair(1, 7));
  EXPECT_EQ(rig.Range(kBasic), std::make_pair(8, 15));
  EXPECT_EQ(rig.Range(kEnding), std::make_pair(16, 21));
  for (int part : {kExtended, kFillBasic, kFillExtended, kToExtended, kToBasic}) {
    EXPECT_TRUE(rig.style.Parts.Part(part).Empty()) << part;
  }
  EXPECT_EQ(rig.engine.Transport.StartMeasure, -7);
  // The drums moved to channel 10, with their settings; channel 11 is empty now.
  int on11 = 0;
  int drums = 0;
  WalkWork(rig.style.Work, false, [&](const WorkMessage& m) {
    if ((m.Status & 0x0F) == 10) ++on11;
    if (m.Status == 0x99 && m.Data1 == 38 && m.Data2 > 0) ++drums;
  });
  EXPECT_EQ(on11, 0);
  EXPECT_EQ(drums, 32);  // untouched by the conversion, and 38 is a standard drum
  EXPECT_TRUE(rig.style.Channels.HasNotes(9));
  EXPECT_FALSE(rig.style.Channels.HasNotes(10));
  // The mixer defaults of a set.
  EXPECT_EQ(rig.style.Channels.Value(9, 7), 100);
  EXPECT_EQ(rig.style.Channels.Value(14, 10), 80);
}

TEST(PartSetImport, DrumsMovedToChannel10HaveNoSayInTheChordsAndStayThere) {
  SetRig rig;
  // Basic: C major on channel 1 and drums on channel 11 whose notes would make an A major.
  std::vector<TimedMessage> messages;
  for (int q = 0; q < 32; ++q) {
    for (auto [channel, notes] : {std::pair{0, std::array<uint8_t, 3>{60, 64, 67}},
                                  std::pair{10, std::array<uint8_t, 3>{45, 49, 52}}}) {
      for (uint8_t n : notes) {
        messages.push_back({q * 24, {static_cast<uint8_t>(0x90 | channel), n, 100}});
        messages.push_back({q * 24 + 6, {static_cast<uint8_t>(0x80 | channel), n, 0}});
      }
    }
  }
  rig.folder.Write("sty1_v11.mid", StandardMidiFile(messages, 120));
  ASSERT_TRUE(rig.set.ImportFromFolder(rig.folder.Folder(), "1 - 11").Imported);
  const ChordMemory& memory = rig.engine.Song.Memory;
  for (int pos = kFirstBeatPos; pos < kFirstBeatPos + 8 * 16; pos += 4) {
    const ChordEntry entry = memory.Entry(pos);
    if (entry.HasChord()) {
      EXPECT_EQ(entry.Root % 12 * 100 + entry.Type, 1) << "C maj at " << pos;
    }
  }
  const auto channels = [&rig] {
    std::set<int> chord;
    std::set<int> status;
    WalkWork(rig.style.Work, false, [&](const WorkMessage& m) {
      status.insert(m.Status);
      if (m.Status == 0x90) chord.insert(m.Data1);
    });
    return std::pair{chord, status};
  };
  EXPECT_EQ(channels().first, (std::set<int>{60, 64, 67})) << "C major over C major stays";
  rig.engine.Loader.RestoreOriginal(false);
  EXPECT_EQ(channels().second, (std::set<int>{0x80, 0x90, 0x89, 0x99}))
      << "the drums stay on channel 10";
}

TEST(PartSetImport, FallbacksMissingProbeAndNonStandardDrums) {
  SetRig rig;
  // Variation 21: Extended falls back from v41 to v31; the second fill to the first.
  rig.folder.Write("sty2_v21.mid", Measures(8));
  rig.folder.Write("sty2_v31.mid", Measures(8, 0, 67));
  rig.folder.Write("sty2_f21.mid", Measures(8, 9, 30));  // To Basic, with a drum below 35
  const PartSetReport report = rig.set.ImportFromFolder(rig.folder.Folder(), "2 - 21");
  ASSERT_TRUE(report.Imported);
  EXPECT_EQ(report.Files[kBasic], "sty2_v21.mid");
  EXPECT_EQ(report.Files[kExtended], "sty2_v31.mid");
  EXPECT_EQ(report.Files[kToBasic], "sty2_f21.mid");
  EXPECT_EQ(report.Files[kFillExtended], "sty2_f21.mid");  // f22 is missing: f21 stands in
  int sounding30 = 0;
  WalkWork(rig.style.Work, false, [&](const WorkMessage& m) {
    if (m.Status == 0x99 && m.Data1 == 30 && m.Data2 > 0) ++sounding30;
  });
  EXPECT_EQ(sounding30, 0);

  // No probe file: nothing happens, nothing is said.
  SetRig other;
  EXPECT_FALSE(other.set.ImportFromFolder(other.folder.Folder(), "3 - 11").Imported);
  EXPECT_TRUE(other.dialogs.Messages.empty());
}

// Part files as sequencers and the export write them: `measures` measures of triads on every
// quarter in `sixteenths` (a time signature from the first tick), at `division`, after `leadIn`
// silent measures, the last note ending `spill` ticks after the last bar line, where the file
// ends.
std::vector<uint8_t> PartFile(int division, int sixteenths, int leadIn, int measures, int spill,
                              uint8_t note = 60) {
  const bool eighths = sixteenths == -12;
  const int quarters = std::abs(sixteenths) / 4;
  const int numerator = eighths ? 6 : quarters;
  std::vector<test::SmfEvent> events = {
      {0,
       {0xFF, 0x58, static_cast<uint8_t>(numerator), static_cast<uint8_t>(eighths ? 3 : 2),
        static_cast<uint8_t>(eighths ? 0x24 : 0x18), 8}}};
  const int q = division;
  const int64_t start = int64_t{leadIn} * quarters * q;
  const int64_t end = start + int64_t{measures} * quarters * q;
  for (int64_t tick = start; tick < end; tick += q) {
    const int64_t off = tick + q >= end ? end + spill : tick + q / 4;
    for (int step : {0, 4, 7}) {
      const auto n = static_cast<uint8_t>(note + step);
      events.push_back({tick, {0x90, n, 100}});
      events.push_back({off, {0x80, n, 0}});
    }
  }
  return test::BuildSmf(division, {events});
}

// Each part keeps its measures and the next follows on the bar line after it: a file's silent
// lead-in measure is not part of it, nor notes that ring past its last bar line, whatever the
// division and the metre, also when the first file brings a metre other than the one in force.
TEST(PartSetImport, PartsKeepTheirMeasuresAndFollowOnTheNextBarLine) {
  struct Case {
    int Division;
    int Sixteenths;  // -12: 6/8
    int LeadIn;
    int Spill;
  };
  const Case cases[] = {{24, 16, 0, 0}, {24, 16, 1, 0}, {48, 16, 1, 0},  {96, 16, 1, 5},
                        {24, 12, 1, 0}, {96, 12, 0, 7}, {24, -12, 1, 0}, {480, -12, 1, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Division) + " " + std::to_string(c.Sixteenths) + " " +
                 std::to_string(c.LeadIn) + " " + std::to_string(c.Spill));
    SetRig rig;
    rig.folder.Write("sty1_i11.mid", PartFile(c.Division, c.Sixteenths, c.LeadIn, 8, c.Spill, 62));
    rig.folder.Write("sty1_v11.mid", PartFile(c.Division, c.Sixteenths, c.LeadIn, 10, c.Spill));
    rig.folder.Write("sty1_e11.mid", PartFile(c.Division, c.Sixteenths, c.LeadIn, 9, c.Spill, 64));
    ASSERT_TRUE(rig.set.ImportFromFolder(rig.folder.Folder(), "1 - 11").Imported);
    EXPECT_EQ(rig.engine.Transport.MeasureSixteenths, std::abs(c.Sixteenths));
    const int lead = c.LeadIn;
    EXPECT_EQ(rig.Range(kIntro), std::make_pair(1 + lead, 8 + lead));
    EXPECT_EQ(rig.Range(kBasic), std::make_pair(9 + 2 * lead, 18 + 2 * lead));
    EXPECT_EQ(rig.Range(kEnding), std::make_pair(19 + 3 * lead, 27 + 3 * lead));
  }
}

// "Convert x/8 - Base: 1/8": the files are read in the 1/8 metre whatever their time
// signatures say, and the menu's "Don't get metrum from file" is as it was afterwards.
TEST(PartSetImport, EighthBaseIgnoresTheTimeSignature) {
  SetRig rig;
  std::vector<TimedMessage> messages;
  for (int q = 0; q < 96; ++q) {  // long enough for a part file
    messages.push_back({q * 24, {0x90, 60, 100}});
    messages.push_back({q * 24 + 6, {0x80, 60, 0}});
  }
  rig.folder.Write("sty1_v11.mid", StandardMidiFile(messages, 120, 12));  // 3/4
  rig.set.Options.EighthBase = true;
  ASSERT_TRUE(rig.set.ImportFromFolder(rig.folder.Folder(), "1 - 11").Imported);
  EXPECT_EQ(rig.engine.Transport.MetreIndex, 8);
  EXPECT_FALSE(rig.import.Settings.KeepMetre);
  const auto [first, last] = rig.Range(kBasic);
  EXPECT_EQ(first, 1);
  EXPECT_EQ((last - first + 1) * rig.engine.Transport.MeasureSixteenths, 96 * 4);
}

TEST(ChannelTools, NormalizeAndOffsetsKeepDataBytes) {
  struct Case {
    std::vector<int> volumes;  // channels 1.. with notes; 255 = unset
    int max;
    bool fromButton;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {{80, 40, 255}, 100, false, {100, 60, 255}},
      {{120, 10, 255}, 50, true, {50, 0, 255}},  // would be -60: stays a data byte
      {{20, 10}, 60, false, {100, 90}},          // below 90 counts as 100 when loading
      {{20, 10}, 60, true, {60, 50}},
      {{127, 126}, 127, true, {127, 126}},
  };
  for (const Case& c : cases) {
    PartsRig rig;
    StyleChannelTable& table = rig.style.Channels;
    for (size_t i = 0; i < c.volumes.size(); ++i) {
      table.SetValue(static_cast<int>(i), 7, static_cast<uint8_t>(c.volumes[i]));
    }
    rig.engine.Mixer.NormalizeStyleVolume(c.max, c.fromButton);
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(table.Value(static_cast<int>(i), 7), c.expected[i]) << c.max << " " << i;
    }
  }
  PartsRig rig;
  StyleChannelTable& table = rig.style.Channels;
  table.SetHasNotes(0, true);
  table.SetHasNotes(1, true);
  table.SetValue(0, 7, 127);
  table.SetValue(1, 7, 100);
  EXPECT_TRUE(StyleOffsetStep(rig.engine, 7, 1));
  EXPECT_EQ(table.Value(0, 7), 127);  // 128 is not applied
  EXPECT_EQ(table.Value(1, 7), 101);
  EXPECT_TRUE(StyleOffsetStep(rig.engine, 91, -1));
  EXPECT_EQ(table.Value(0, 91), 63);  // an unset reverb counts as 64
  EXPECT_TRUE(rig.engine.Generator.StyleChanged);
}

TEST(ChannelTools, CutNotesAndMutingGoToEverySetPart) {
  PartsRig rig;
  rig.Load(4);
  ASSERT_TRUE(rig.Set(kIntro, 1, 1, PartSender::None));
  ASSERT_TRUE(rig.Set(kBasic, 2, 3, PartSender::None));
  EXPECT_FALSE(SetCutNotes(rig.engine, true));  // no solo channel
  rig.notes.SoloChannel = 3;
  rig.style.SelectedPart = kBasic;
  EXPECT_TRUE(SetCutNotes(rig.engine, true));
  EXPECT_TRUE(rig.style.Parts.Part(kBasic).PartHold(2));
  EXPECT_FALSE(rig.style.Parts.Part(kIntro).PartHold(2));
  rig.dialogs.Answers = {true, true};
  EXPECT_TRUE(SetCutNotesToAllParts(rig.engine, rig.dialogs, true));
  EXPECT_EQ(rig.dialogs.Questions.back(), kCutNotesToAll);
  EXPECT_TRUE(rig.style.Parts.Part(kIntro).PartHold(2));
  EXPECT_FALSE(rig.style.Parts.Part(kEnding).PartHold(2));  // unset parts stay as they are
  rig.notes.ChannelMute[5] = 1;
  EXPECT_TRUE(SetMutingToAllParts(rig.engine, rig.dialogs));
  EXPECT_TRUE(rig.style.Parts.Part(kIntro).PartMute(5));
  EXPECT_FALSE(rig.style.Parts.Part(kEnding).PartMute(5));

  MeasureMarks marks;
  EXPECT_EQ(marks.Next(), 0);
  marks.Mark(5);
  marks.Mark(9);
  EXPECT_EQ(marks.Next(), 5);
  EXPECT_EQ(marks.Next(), 9);
  EXPECT_EQ(marks.Next(), 5);
}

TEST(ChannelTools, DeleteAndMoveTrackOfTheChannelList) {
  PartsRig rig;
  rig.Load(2);  // the chords are on channel 1
  StyleChannelTable& table = rig.style.Channels;
  ASSERT_TRUE(table.HasNotes(0));
  const auto channels = [&rig] {
    std::set<int> seen;
    WalkMaterial(
        rig.style.Work, [](int) {}, [&](uint8_t s, uint8_t, uint8_t) { seen.insert(s & 0x0F); });
    return seen;
  };
  // Answers that are not a channel number change nothing.
  for (const char* answer : {"0", "17", "x", "", "3x", "-1"}) {
    rig.dialogs.Texts.push_back(answer);
    EXPECT_FALSE(MoveTrack(rig.engine, rig.dialogs, 0)) << answer;
    EXPECT_EQ(channels(), std::set<int>{0}) << answer;
  }
  EXPECT_EQ(rig.dialogs.TextPrompts.back(), kMoveTrackPrompt);
  rig.dialogs.Texts.push_back(" 5 ");
  EXPECT_TRUE(MoveTrack(rig.engine, rig.dialogs, 0));
  EXPECT_EQ(channels(), std::set<int>{4});
  EXPECT_TRUE(table.HasNotes(4));

  table.SetValue(4, 7, 100);
  EXPECT_TRUE(DeleteTrack(rig.engine, 4));
  EXPECT_FALSE(table.HasNotes(4));
  for (int index = 0; index < kChannelRecordSize; ++index) EXPECT_EQ(table.Value(4, index), 255);
  EXPECT_FALSE(DeleteTrack(rig.engine, 4)) << "nothing left to delete";
  EXPECT_FALSE(DeleteTrack(rig.engine, -1)) << "no channel selected";
}

}  // namespace
}  // namespace korvel
