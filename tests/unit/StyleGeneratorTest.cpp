#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "stylegen/ConversionTables.h"
#include "stylegen/MidiImport.h"
#include "stylegen/PartEventEditor.h"
#include "stylegen/StyleGenerator.h"
#include "stylegen/WorkWalk.h"
#include "support/PlayerRig.h"
#include "support/SourcePaths.h"

namespace korvel {
namespace {

struct Ev {
  int Clock;
  int Status;
  int Data1;
  int Data2;
  bool operator==(const Ev&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Ev& e) {
  return out << "{" << e.Clock << ", 0x" << std::hex << e.Status << std::dec << ", " << e.Data1
             << ", " << e.Data2 << "}";
}

// A note-on and its note-off on channel `channel` (0-based).
std::vector<Ev> Note(int on, int off, int note, int channel = 0) {
  return {{on, 0x90 | channel, note, 100}, {off, 0x80 | channel, note, 0}};
}

std::vector<Ev> Join(std::initializer_list<std::vector<Ev>> parts) {
  std::vector<Ev> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A triad (root, third, fifth as semitones above `root`) held from `on` to `off`.
std::vector<Ev> Triad(int on, int off, int root, int third, int fifth = 7) {
  return Join({Note(on, off, root), Note(on, off, root + third), Note(on, off, root + fifth)});
}

std::vector<Ev> Sorted(std::vector<Ev> events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const Ev& a, const Ev& b) { return a.Clock < b.Clock; });
  return events;
}

class GeneratorTest : public ::testing::Test {
 protected:
  test::PlayerRig rig;
  StyleGenerator& gen = rig.engine.Generator;
  SongTransport& song = rig.engine.Song;
  test::ScriptedDialogs& dialogs = rig.dialogs;

  // The material: the events in order of their clocks, then clocks to `length`.
  void Write(std::vector<Ev> events, int length = 0) {
    events = Sorted(std::move(events));
    WorkMaterial& work = rig.style.Work;
    work.ClearWork();
    WorkWriter writer(work);
    int clock = 0;
    for (const Ev& e : events) {
      writer.Clocks(e.Clock - clock);
      clock = e.Clock;
      writer.Message(static_cast<uint8_t>(e.Status), static_cast<uint8_t>(e.Data1),
                     static_cast<uint8_t>(e.Data2));
    }
    writer.Clocks(length > clock ? length - clock : 24);
    writer.Finish();
  }

  std::vector<Ev> Events() const {
    std::vector<Ev> events;
    WalkWork(rig.style.Work, false, [&](const WorkMessage& m) {
      events.push_back({static_cast<int>(m.Clock), m.Status, m.Data1, m.Data2});
    });
    return events;
  }

  // Chords entered by hand for the current settings: nothing asks to replace them.
  void SetChords(std::vector<std::tuple<int, int, int>> chords) {
    song.ClearChordMemory();
    song.Memory.SetControl(kFirstBeatPos, 0, 0);
    for (auto [pos, root, type] : chords) {
      song.Memory.SetEntry(pos, {static_cast<uint8_t>(root), static_cast<uint8_t>(type), 0, 0});
    }
    song.SongEnd = 200;
    gen.StoredSettingsCode = gen.SettingsCode();
  }

  // The chord memory's chords as "pos:pitchclass:type".
  std::vector<std::string> Chords() const {
    std::vector<std::string> out;
    for (int pos = kFirstBeatPos; pos < song.SongEnd && pos <= kLastBeatPos; pos += 4) {
      const ChordEntry e = song.Memory.Entry(pos);
      if (e.HasChord())
        out.push_back(std::to_string(pos) + ":" + std::to_string(e.Root % 12) + ":" +
                      std::to_string(e.Type));
    }
    return out;
  }
};

// Every note-off finds a note that sounds, and nothing is left sounding.
void ExpectPaired(const std::vector<Ev>& events) {
  std::map<std::pair<int, int>, int> sounding;
  for (const Ev& e : events) {
    const int channel = e.Status & 0x0F;
    if (IsNoteOn(static_cast<uint8_t>(e.Status), static_cast<uint8_t>(e.Data2))) {
      ++sounding[std::make_pair(channel, e.Data1)];
    } else if (IsNoteOff(static_cast<uint8_t>(e.Status), static_cast<uint8_t>(e.Data2))) {
      int& count = sounding[std::make_pair(channel, e.Data1)];
      EXPECT_GT(count--, 0) << "note-off without its note-on: " << e;
    }
  }
  for (auto [key, count] : sounding) EXPECT_EQ(count, 0) << "hangs: " << key.second;
}

TEST(ConversionTables, NotesMoveOverTheirChordToCMajorAndStayInRange) {
  struct Case {
    int note, root, type, mode, expected;
  };
  const Case cases[] = {
      {65, 62, 2, 2, 64},  // D minor: F becomes Eb, then the minor third +1: E
      {62, 62, 2, 2, 60},  // D becomes C
      {69, 69, 1, 1, 72},  // A: shift -3, so A goes up to C
      {73, 69, 1, 3, 76},  // C# over A is the third: E
      {71, 69, 1, 3, 74},  // B over A is the ninth: D stays a scale tone in mode 3
      {71, 69, 1, 5, 72},  // ... and becomes C in mode 5
      {70, 60, 3, 2, 72},  // C7: Bb +2
      {61, 60, 1, 4, 60},  // improper notes: C# goes to C
      {64, 60, 2, 4, 64},  // ... E (a chord tone on C) stays, even over C minor
      {65, 62, 1, 6, 60},  // mode 6: below F# down to C, from the unconverted note
      {66, 62, 1, 6, 72},  // F# and above up to C
      {62, 62, 1, 0, 60},  // mode 0: the root shift alone
      {3, 69, 1, 1, 6},    // the shift may leave 0..127; KeepInNoteRange brings it back
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeepInNoteRange(ConvertNote(c.note, c.root, c.type, c.mode)), c.expected)
        << c.note << " over " << c.root << "/" << c.type << " mode " << c.mode;
  }
  EXPECT_EQ(KeepInNoteRange(ConvertNote(127, 60, 1, 6)), 120);
  EXPECT_EQ(KeepInNoteRange(ConvertNote(1, 64, 1, 1)), 9);  // 1 - 4 = -3
  EXPECT_EQ(KeepInNoteRange(132), 120);
}

// Small materials whose result the Part fixes: each converts measure 2 (style mode, 4/4).
TEST_F(GeneratorTest, EdgeCasesOfOneMeasureConversion) {
  struct Case {
    const char* name;
    std::vector<Ev> material;
    int root, type;  // the chord at position 4
    int mode;
    bool adjust;
    GeneratorSender sender;
    std::vector<Ev> expected;
    std::vector<std::tuple<int, int, int>> laterChords = {};  // {pos, root, type}
  };
  // A key struck again before its note-off: each note-off ends the oldest strike.
  const auto restruck = [](int on1, int on2, int off1, int off2, int note1, int note2, int off1Note,
                           int off2Note) {
    return std::vector<Ev>{{on1, 0x90, note1, 100},
                           {on2, 0x90, note2, 100},
                           {off1, 0x80, off1Note, 0},
                           {off2, 0x80, off2Note, 0}};
  };
  const std::vector<Case> cases = {
      {"D minor, mode 2", Join({Note(96, 120, 65), Note(120, 140, 62)}), 62, 2, 2, false,
       GeneratorSender::ConvertMeasures, Join({Note(96, 120, 64), Note(120, 140, 60)})},
      {"A: shift -3", Note(96, 120, 69), 69, 1, 1, false, GeneratorSender::ConvertMeasures,
       Note(96, 120, 72)},
      {"Adjust with a remembered C",
       Join({Note(96, 100, 60), Note(110, 115, 74), Note(120, 125, 48), Note(130, 135, 76)}), 60, 1,
       1, true, GeneratorSender::ConvertMeasures,
       // 74 lies more than 12 above C 60: 62; 48 lies 12 below: 60; 76 stays within 12 of it
       Join({Note(96, 100, 60), Note(110, 115, 62), Note(120, 125, 60), Note(130, 135, 64)})},
      {"a note-off whose note-on lay before the range reaches that note", Note(80, 110, 64), 62, 1,
       1, false, GeneratorSender::ConvertMeasures, Note(80, 110, 64)},
      {"a note-off after the range follows its converted note-on", Note(180, 200, 64), 62, 1, 1,
       false, GeneratorSender::ConvertMeasures, Note(180, 200, 62)},
      {"the beat before the range and the downbeat after it stay",
       Join({Note(84, 88, 62), Note(96, 100, 62), Note(191, 192, 62), Note(192, 196, 62)}), 62, 1,
       1, false, GeneratorSender::ConvertMeasures,
       Join({Note(84, 88, 62), Note(96, 100, 60), Note(191, 192, 60), Note(192, 196, 62)})},
      {"drums are never converted", Note(96, 100, 38, kDrumChannel), 62, 1, 1, false,
       GeneratorSender::ConvertMeasures, Note(96, 100, 38, kDrumChannel)},
      {"drums are never transposed", Note(96, 100, 38, kDrumChannel), 62, 1, 1, false,
       GeneratorSender::OctaveUp, Note(96, 100, 38, kDrumChannel)},
      {"Oct. up keeps each note-off with its note-on",
       Join({Note(80, 110, 60), Note(100, 200, 62), Note(120, 130, 127)}), 62, 1, 1, false,
       GeneratorSender::OctaveUp,
       Join({Note(80, 110, 60), Note(100, 200, 74), Note(120, 130, 127)})},
      {"Tone down keeps each note-off with its note-on",
       Join({Note(100, 200, 62), Note(120, 130, 0)}), 62, 1, 1, false, GeneratorSender::ToneDown,
       Join({Note(100, 200, 61), Note(120, 130, 0)})},
      {"a key struck again over a new chord ends both notes in the order struck",
       restruck(96, 150, 160, 170, 66, 66, 66, 66),
       62,
       1,
       1,
       false,
       GeneratorSender::ConvertMeasures,
       restruck(96, 150, 160, 170, 64, 62, 64, 62),
       {{28, 64, 1}}},
      {"a key struck again before and inside the range: Oct. up",
       restruck(80, 100, 110, 200, 60, 60, 60, 60), 62, 1, 1, false, GeneratorSender::OctaveUp,
       restruck(80, 100, 110, 200, 60, 72, 60, 72)},
      {"a key struck again inside the range, ended after it: Tone down",
       restruck(100, 150, 160, 200, 62, 62, 62, 62), 62, 1, 1, false, GeneratorSender::ToneDown,
       restruck(100, 150, 160, 200, 61, 61, 61, 61)},
      {"a key struck again inside the range, ended after it: Oct. down",
       restruck(100, 150, 190, 250, 62, 62, 62, 62), 62, 1, 1, false, GeneratorSender::OctaveDown,
       restruck(100, 150, 190, 250, 50, 50, 50, 50)},
      {"a key struck again inside the range, ended after it: Tone up",
       restruck(100, 150, 190, 250, 62, 62, 62, 62), 62, 1, 1, false, GeneratorSender::ToneUp,
       restruck(100, 150, 190, 250, 63, 63, 63, 63)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.material, 4 * 96);
    gen.NewWork(std::nullopt);
    std::vector<std::tuple<int, int, int>> chords = {{kFirstBeatPos, c.root, c.type}};
    chords.insert(chords.end(), c.laterChords.begin(), c.laterChords.end());
    SetChords(chords);
    gen.ConvertMode = c.mode;
    gen.AdjustOctave = c.adjust;
    gen.LoopRange = {2, 1, 2};
    const bool done = c.sender == GeneratorSender::ConvertMeasures ? gen.ConvertAll(c.sender)
                                                                   : gen.ConvertWork(c.sender);
    EXPECT_EQ(Events(), Sorted(c.expected));
    ExpectPaired(Events());
    (void)done;
  }
}

TEST_F(GeneratorTest, MovingTakesDrumsToAnotherChannelWithTheirSettings) {
  Write(Join({Note(10, 20, 36, kDrumChannel), Note(30, 120, 60, 0)}), 96);
  rig.style.Channels.SetHasNotes(kDrumChannel, true);
  rig.style.Channels.SetValue(kDrumChannel, 7, 90);
  gen.SourceChannel = kDrumChannel;
  gen.DestinationChannel = 3;
  EXPECT_TRUE(gen.ConvertWork(GeneratorSender::Move));
  EXPECT_EQ(Events(), Join({Note(10, 20, 36, 3), Note(30, 120, 60, 0)}));
  EXPECT_TRUE(rig.style.Channels.HasNotes(3));
  EXPECT_FALSE(rig.style.Channels.HasNotes(kDrumChannel));  // the whole material was moved
  EXPECT_EQ(rig.style.Channels.Value(3, 7), 90);
  EXPECT_TRUE(gen.StyleChanged);
}

TEST_F(GeneratorTest, AMovedNoteTakesItsNoteOffAlongAndLeavesOneStruckBeforeTheRange) {
  Write(Join({Note(80, 110, 60), Note(100, 200, 62)}), 4 * 96);
  gen.LoopRange = {2, 1, 2};
  gen.DestinationChannel = 5;
  gen.ConvertWork(GeneratorSender::Move);
  EXPECT_EQ(
      Events(),
      (std::vector<Ev>{
          {80, 0x90, 60, 100}, {100, 0x95, 62, 100}, {110, 0x80, 60, 0}, {200, 0x85, 62, 0}}));

  // A key struck before the range and again inside it: each note-off goes with its note-on.
  Write({{80, 0x90, 64, 100}, {100, 0x90, 64, 100}, {110, 0x80, 64, 0}, {200, 0x80, 64, 0}},
        4 * 96);
  gen.ConvertWork(GeneratorSender::Move);
  EXPECT_EQ(
      Events(),
      (std::vector<Ev>{
          {80, 0x90, 64, 100}, {100, 0x95, 64, 100}, {110, 0x80, 64, 0}, {200, 0x85, 64, 0}}));
}

TEST_F(GeneratorTest, AConversionMakesTheEventEditorForgetItsUndo) {
  Write(Join({Note(0, 20, 60), Note(30, 40, 62)}), 96);
  PartEventEditor editor(rig.style.Work, rig.notes, nullptr);
  editor.Open(0, 0, rig.style.Work.WorkLength);
  ASSERT_TRUE(editor.Change(4, 4));  // C4 becomes E5
  ASSERT_TRUE(gen.ConvertWork(GeneratorSender::OctaveDown));
  const auto converted = Events();
  EXPECT_FALSE(editor.Undo());
  EXPECT_EQ(Events(), converted);
}

TEST_F(GeneratorTest, DecliningModifyChangesNothingAndFindsNoChords) {
  Write(Triad(96, 180, 62, 4), 4 * 96);
  const auto before = Events();
  rig.style.Parts.Part(kBasic).Set(kBasic, 2, 2, 0, 10);
  rig.style.SelectedPart = kBasic;
  gen.LoopRange = {2, 1, 3};
  EXPECT_FALSE(gen.ConvertAll(GeneratorSender::ConvertMeasures));
  EXPECT_EQ(dialogs.Questions, std::vector<std::string>{"Modify Measures 2 - 3"});
  EXPECT_EQ(Events(), before);
  EXPECT_TRUE(song.Empty());
  EXPECT_FALSE(rig.style.Channels.Converted());

  gen.LoopRange = {2, 1, 0};
  dialogs.Answers = {true};
  EXPECT_TRUE(gen.ConvertAll(GeneratorSender::ConvertMeasures));
  EXPECT_EQ(dialogs.Questions.back(), "Modify all measures, starting at measure 2");
  EXPECT_FALSE(song.Empty());
  EXPECT_TRUE(rig.style.Channels.Converted());
}

TEST_F(GeneratorTest, ConvertingMeasuresTwiceGivesTheResultOfOnce) {
  Write(Join({Triad(0, 90, 62, 4), Triad(96, 180, 67, 4), Triad(192, 280, 69, 4)}), 3 * 96);
  gen.NewWork(std::nullopt);
  rig.style.Work.KeepRestoreCopy();
  SetChords({{4, 50, 1}, {20, 55, 1}, {36, 57, 1}});
  gen.LoopRange = {1, 1, 3};
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertMeasures));
  const auto once = Events();
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertMeasures));
  EXPECT_EQ(Events(), once);
  EXPECT_EQ(once,
            Sorted(Join({Triad(0, 90, 60, 4), Triad(96, 180, 60, 4), Triad(192, 280, 72, 4)})));
}

TEST_F(GeneratorTest, RestorePartBringsBackTheOriginalNotesOfItsMeasuresOnly) {
  // A note held from measure 1 into measure 2 and one from measure 2 into measure 3.
  Write(Join({Note(0, 90, 62), Note(48, 120, 66), Note(96, 180, 69), Note(170, 220, 62),
              Note(192, 280, 66)}),
        3 * 96);
  gen.NewWork(std::nullopt);
  rig.style.Work.KeepRestoreCopy();
  SetChords({{4, 50, 1}});
  gen.LoopRange = {1, 1, 3};
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertMeasures));
  gen.LoopRange = {2, 1, 2};
  EXPECT_TRUE(gen.ConvertWork(GeneratorSender::RestorePart));
  EXPECT_EQ(Events(), Sorted(Join({Note(0, 90, 60), Note(48, 120, 64), Note(96, 180, 69),
                                   Note(170, 220, 62), Note(192, 280, 64)})));
}

TEST_F(GeneratorTest, ConvertStyleWithItsDefaultsLeavesIntroAndEndingAlone) {
  std::vector<Ev> material;
  for (int m = 0; m < 5; ++m) material = Join({material, Note(m * 96, m * 96 + 48, 62)});
  Write(material, 5 * 96);
  gen.NewWork(std::nullopt);
  rig.style.Work.KeepRestoreCopy();
  SetChords({{4, 50, 1}});
  for (int part : {kIntro, kBasic, kExtended, kEnding, kFillBasic})
    rig.style.Parts.Part(part).Set(part, part + 1, 1, 0, 10);
  gen.ConvertStyle();
  std::vector<int> notes;
  for (const Ev& e : Events())
    if (e.Status == 0x90) notes.push_back(e.Data1);
  EXPECT_EQ(notes, (std::vector<int>{62, 60, 60, 62, 60}));
  EXPECT_TRUE(dialogs.Questions.empty());
}

TEST_F(GeneratorTest, AnalysisFindsBlockChordsAndArpeggiosInOtherKeysAndIgnoresDrums) {
  // Measure by measure: Eb major block chords, C minor arpeggio, Ab major, Bb7 arpeggio, with a
  // busy drum part and a bass line on the roots.
  std::vector<Ev> material = Join({Triad(0, 96, 63, 4), Note(0, 96, 39, 1)});
  for (int i = 0; i < 8; ++i) {
    const int n[] = {60, 63, 67, 72};
    material = Join({material, Note(96 + i * 12, 96 + i * 12 + 10, n[i % 4])});
  }
  material = Join({material, Note(96, 190, 36, 1), Triad(192, 288, 68, 4), Note(192, 288, 44, 1)});
  for (int i = 0; i < 8; ++i) {
    const int n[] = {58, 62, 65, 68};
    material = Join({material, Note(288 + i * 12, 288 + i * 12 + 10, n[i % 4])});
  }
  for (int beat = 0; beat < 16; ++beat) {
    material = Join({material, Note(beat * 24, beat * 24 + 6, 37, kDrumChannel),
                     Note(beat * 24, beat * 24 + 6, 42, kDrumChannel),
                     Note(beat * 24 + 12, beat * 24 + 18, 40, kDrumChannel)});
  }
  Write(material, 4 * 96);
  gen.NewWork(std::nullopt);
  EXPECT_TRUE(gen.AnalyseChords(GeneratorSender::GenerateChords));
  EXPECT_EQ(Chords(), (std::vector<std::string>{"4:3:1", "20:0:2", "36:8:1", "52:10:3"}));
  // The end mark follows the last measure.
  EXPECT_EQ(song.Memory.Entry(68).Control, kCommandEnd);
  EXPECT_EQ(song.SongEnd, 84);  // one measure past the mark
  EXPECT_EQ(gen.StoredSettingsCode, gen.SettingsCode());
}

TEST_F(GeneratorTest, AnalysisTakesOneChordPerIntervalAndAsksBeforeReplacingChords) {
  // Two chords per measure: with "1/1" only the first of each measure counts.
  Write(Join({Triad(0, 48, 62, 4), Triad(48, 96, 67, 4), Triad(96, 144, 69, 3),
              Triad(144, 192, 64, 3)}),
        2 * 96);
  gen.NewWork(std::nullopt);
  gen.ChordIntervalIndex = 1;  // "1/2"
  ASSERT_TRUE(gen.AnalyseChords(GeneratorSender::GenerateChords));
  EXPECT_EQ(Chords(), (std::vector<std::string>{"4:2:1", "12:7:1", "20:9:2", "28:4:2"}));

  gen.ChordIntervalIndex = 3;                                        // "1/1"
  EXPECT_FALSE(gen.AnalyseChords(GeneratorSender::GenerateChords));  // No
  EXPECT_EQ(dialogs.Questions, std::vector<std::string>{"Replace current chords ?"});
  EXPECT_EQ(Chords().size(), 4u);
  dialogs.Answers = {true};
  ASSERT_TRUE(gen.AnalyseChords(GeneratorSender::GenerateChords));
  // A whole measure is heard at once: D and G together hold B min7 (B D F# A), A minor and
  // E minor A min7 (A C E G).
  EXPECT_EQ(Chords(), (std::vector<std::string>{"4:11:4", "20:9:4"}));
}

TEST_F(GeneratorTest, AnalysisNamesAChordOnlyByTonesThatWereHeard) {
  // One window per measure ("1/1"); each measure holds its notes for the whole measure.
  const struct {
    std::vector<std::vector<int>> Measures;
    int Variety;      // "Mode ..." index
    int Sensitivity;  // "Sensitivity ..." index
    std::vector<std::string> Expected;
    const char* What;
  } cases[] = {
      {{{48, 55}}, 2, 1, {"4:0:1"}, "C G is C maj, not sus4"},
      {{{48, 55}}, 1, 1, {"4:0:1"}, "also with \"2 Simple\", not C min"},
      {{{48, 52}}, 2, 1, {"4:0:1"}, "C E is C maj, not aug"},
      {{{45, 57, 61, 64, 67}}, 2, 1, {"4:9:3"}, "a bass on the root keeps A 7th"},
      {{{38, 62, 65, 69, 72}}, 1, 1, {"4:2:4"}, "and D min7"},
      {{{51, 63, 67, 70, 74}}, 2, 1, {"4:3:9"}, "and Eb M7"},
      {{{48, 51, 54}}, 2, 1, {"4:0:5"}, "a diminished triad is dim without its sixth"},
      {{{52, 55}}, 2, 1, {"4:4:2"}, "E G: C maj would need the root it lacks"},
      {{{48, 52, 55}, {48, 55}}, 2, 1, {"4:0:1"}, "no seventh without the seventh"},
      {{{48, 52, 55}, {55, 59, 62, 61}}, 2, 0, {"4:0:1"}, "Low: a foreign tone keeps C"},
      {{{48, 52, 55}, {55, 59, 62, 61}}, 2, 1, {"4:0:1", "20:7:1"}, "Middle takes G"},
  };
  for (const auto& c : cases) {
    std::vector<Ev> material;
    for (size_t m = 0; m < c.Measures.size(); ++m) {
      const int at = static_cast<int>(m) * 96;
      for (int note : c.Measures[m]) material = Join({material, Note(at, at + 96, note)});
    }
    Write(material, static_cast<int>(c.Measures.size()) * 96);
    gen.NewWork(std::nullopt);
    song.ClearChordMemory();
    gen.ChordIntervalIndex = 3;  // "1/1"
    gen.VarietyIndex = c.Variety;
    gen.SensitivityIndex = c.Sensitivity;
    ASSERT_TRUE(gen.AnalyseChords(GeneratorSender::ConvertAll));
    EXPECT_EQ(Chords(), c.Expected) << c.What;
  }
}

TEST_F(GeneratorTest, ADMajorProgressionBecomesChordNotesOnCEAndGOnly) {
  // D, Bm, G, A7 (with the seventh), one measure each, in two voicings, and a melody note per
  // beat that is a chord tone.
  const std::vector<Ev> material =
      Join({Triad(0, 96, 62, 4), Note(0, 90, 50, 1), Triad(96, 192, 59, 3), Note(96, 190, 47, 1),
            Triad(192, 288, 67, 4), Note(192, 280, 43, 1), Triad(288, 384, 57, 4),
            Note(288, 384, 67, 0)});
  Write(material, 4 * 96);
  gen.NewWork(std::nullopt);
  gen.ChordIntervalIndex = 3;
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertAll));
  EXPECT_EQ(Chords(), (std::vector<std::string>{"4:2:1", "20:11:2", "36:7:1", "52:9:3"}));
  const auto events = Events();
  ASSERT_EQ(events.size(), material.size());
  for (const Ev& e : events) {
    EXPECT_TRUE(e.Data1 % 12 == 0 || e.Data1 % 12 == 4 || e.Data1 % 12 == 7) << e;
  }
  ExpectPaired(events);
  EXPECT_TRUE(rig.style.Channels.Converted());
  EXPECT_TRUE(gen.Converted());
}

TEST_F(GeneratorTest, ConvertAllKeepsChordsCorrectedByHand) {
  Write(Join({Triad(0, 96, 62, 4), Triad(96, 192, 67, 4)}), 2 * 96);
  gen.NewWork(std::nullopt);
  gen.ChordIntervalIndex = 3;
  gen.ConfirmNewChords = false;
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertAll));
  EXPECT_TRUE(dialogs.Questions.empty());  // an empty chord memory is filled without asking
  // The musician hears the second chord better as E minor.
  song.Memory.SetEntry(20, {52, 2, 0, 0});
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertAll));
  EXPECT_TRUE(dialogs.Questions.empty());
  EXPECT_EQ(song.Memory.Entry(20), (ChordEntry{52, 2, 0, 0}));
  // G B D over E minor: G is the third (E), B the fifth (G), D the seventh (C).
  std::vector<int> second;
  for (const Ev& e : Events())
    if (e.Status == 0x90 && e.Clock == 96) second.push_back(e.Data1);
  EXPECT_EQ(second, (std::vector<int>{64, 67, 72}));

  // New settings ask before corrected chords go; No keeps them.
  gen.VarietyIndex = 3;
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertAll));
  EXPECT_EQ(dialogs.Questions, std::vector<std::string>{"Generate new Chords ?"});
  EXPECT_EQ(song.Memory.Entry(20), (ChordEntry{52, 2, 0, 0}));
}

TEST_F(GeneratorTest, ConvertAllMarksConvertedOnlyWhenSomethingWasConverted) {
  Write(Join({Note(0, 20, 36, kDrumChannel), Note(24, 40, 38, kDrumChannel)}), 96);
  gen.NewWork(std::nullopt);
  EXPECT_FALSE(gen.ConvertAll(GeneratorSender::ConvertAll));
  EXPECT_FALSE(rig.style.Channels.Converted());
  EXPECT_FALSE(gen.Converted());

  rig.style.Work.ClearWork();
  EXPECT_FALSE(gen.ConvertAll(GeneratorSender::ConvertAll));  // nothing to convert
  EXPECT_FALSE(rig.style.Channels.Converted());
}

TEST_F(GeneratorTest, ConvertAllConvertsEveryChunkAndRestoresThemAll) {
  // A D major chord on every beat: more beats than the chord memory and the first chunk hold.
  WorkMaterial& work = rig.style.Work;
  work.ClearWork();
  WorkWriter writer(work);
  for (int beat = 0; beat < 9000; ++beat) {
    writer.Message(0x90, 62, 100);
    writer.Message(0x90, 66, 100);
    writer.Clocks(12);
    writer.Message(0x80, 62, 0);
    writer.Message(0x80, 66, 0);
    writer.Clocks(12);
  }
  writer.Finish();
  ASSERT_TRUE(work.ChainExtended);

  gen.NewWork(std::nullopt);
  ASSERT_TRUE(gen.ConvertAll(GeneratorSender::ConvertAll));
  std::set<int> notes;
  int last = -1;
  WalkWork(work, false, [&](const WorkMessage& m) {
    notes.insert(m.Data1);
    last = m.Chunk;
  });
  EXPECT_EQ(last, 2);

  EXPECT_EQ(notes, (std::set<int>{60, 64}));
  work.RestoreOriginal();
  notes.clear();
  WalkWork(work, false, [&](const WorkMessage& m) { notes.insert(m.Data1); });
  EXPECT_EQ(notes, (std::set<int>{62, 66}));
}

TEST_F(GeneratorTest, TheAnalysisOfAnImportCoversEveryChunk) {
  // 300 measures of sixteenth-note chords, C maj and G 7th by turns: chunk 0 holds some 200.
  WorkMaterial& work = rig.style.Work;
  work.ClearWork();
  WorkWriter writer(work);
  for (int measure = 0; measure < 300; ++measure) {
    const std::vector<int> chord =
        measure % 2 == 0 ? std::vector<int>{60, 64, 67} : std::vector<int>{55, 59, 62, 65};
    for (int step = 0; step < 16; ++step) {
      for (int note : chord) writer.Message(0x90, static_cast<uint8_t>(note), 100);
      writer.Clocks(3);
      for (int note : chord) writer.Message(0x80, static_cast<uint8_t>(note), 0);
      writer.Clocks(3);
    }
  }
  writer.Finish();
  ASSERT_TRUE(work.ChainExtended);
  gen.NewWork(std::nullopt);
  work.KeepRestoreCopy();      // as an import leaves it: the analysis reads the copy
  gen.ChordIntervalIndex = 3;  // "1/1"
  ASSERT_TRUE(gen.AnalyseChords(GeneratorSender::GenerateChords));
  const std::vector<std::string> chords = Chords();
  ASSERT_EQ(chords.size(), 300u);
  EXPECT_EQ(chords.back(), std::to_string(kFirstBeatPos + 299 * 16) + ":7:3");
  EXPECT_EQ(song.Memory.Entry(kFirstBeatPos + 300 * 16).Control, kCommandEnd);
}

TEST_F(GeneratorTest, MeasuresBeyondTheFirstChunkAreRefusedInWords) {
  WorkMaterial& work = rig.style.Work;
  work.ClearWork();
  WorkWriter writer(work);
  for (int beat = 0; beat < 3000; ++beat) {
    for (int note = 60; note < 65; ++note) writer.Message(0x90, static_cast<uint8_t>(note), 100);
    writer.Clocks(12);
    for (int note = 60; note < 65; ++note) writer.Message(0x80, static_cast<uint8_t>(note), 0);
    writer.Clocks(12);
  }
  writer.Finish();
  work.BuildBeatIndex();
  SetChords({{4, 50, 1}});
  gen.LoopRange = {600, 1, 601};  // chunk 0 holds some 510 measures
  EXPECT_FALSE(gen.ConvertAll(GeneratorSender::ConvertMeasures));
  const int measures = work.Chunks[0].WorkSixteenths / 16;
  EXPECT_EQ(dialogs.Messages, std::vector<std::string>{"Measures 1 - " + std::to_string(measures) +
                                                       " available for stylecreating !"});
}

TEST_F(GeneratorTest, NewAsksBeforeUnsavedWorkGoesAndResetsTheSettings) {
  Write(Note(0, 20, 60), 96);
  gen.StyleChanged = true;
  gen.ConvertMode = 6;
  gen.LoopRange = {3, 2, 4};
  EXPECT_FALSE(gen.NewWork(GeneratorSender::NewMenu));
  EXPECT_EQ(dialogs.Questions, std::vector<std::string>{"Replace current work ?"});
  EXPECT_EQ(gen.ConvertMode, 6);
  dialogs.Answers = {true};
  EXPECT_TRUE(gen.NewWork(GeneratorSender::NewMenu));
  EXPECT_TRUE(gen.WorkEmpty());
  EXPECT_EQ(gen.ConvertMode, 3);
  EXPECT_EQ(gen.ChordIntervalIndex, 1);
  EXPECT_EQ(gen.LoopRange.FirstMeasure, 1);
  EXPECT_EQ(gen.StoredSettingsCode, kNoSettingsCode);
  EXPECT_FALSE(rig.style.Work.RestoreAvailable);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

std::vector<std::string> SentShort(const RecordingDriver& driver) {
  std::vector<std::string> out;
  for (const auto& m : driver.Sent()) {
    std::string text;
    for (uint8_t b : m.Bytes) text += (text.empty() ? "" : " ") + std::to_string(b);
    out.push_back(text);
  }
  return out;
}

TEST_F(GeneratorTest, AfterALoadTheStyleSoundsAsItWasMadeAndTheKeyboardMovesToAFreeChannel) {
  StyleChannelTable& table = rig.style.Channels;
  table.SetHasNotes(0, true);
  table.SetValue(0, ChannelState::kProgramIndex, 24);
  table.SetValue(0, 7, 90);
  table.SetHasNotes(2, true);  // no program: it plays the first
  rig.live.SelChannel = 0;
  rig.engine.Sent.SetChannelStateValue(0, ChannelState::kProgramIndex, 5);
  rig.engine.Sent.SetChannelStateValue(0, 7, 100);
  gen.SaveLiveChannelSettings();
  rig.driver.ClearSent();
  gen.PlaceKeyboardChannel(true);
  EXPECT_EQ(SentShort(rig.driver),
            (std::vector<std::string>{"176 121 0", "176 0 0", "176 32 0", "192 24", "176 7 90",
                                      "178 121 0", "178 0 0", "178 32 0", "194 0",  //
                                      "177 121 0", "177 0 0", "177 32 0", "193 5", "177 7 100"}));
  EXPECT_EQ(rig.live.SelChannel, 1);
  EXPECT_EQ(rig.live.Mixer[0].Volume, 90);
  EXPECT_EQ(rig.live.Mixer[1].Program, 5);

  // A live channel the style leaves free keeps its place and takes its settings back.
  rig.live.SelChannel = 5;
  rig.driver.ClearSent();
  gen.PlaceKeyboardChannel(true);
  EXPECT_EQ(rig.live.SelChannel, 5);
  EXPECT_EQ(SentShort(rig.driver).back(), "181 7 100");
}

TEST_F(GeneratorTest, AResetAsksToSaveAnUnsavedStyleAndForgetsTheChords) {
  Write(Note(0, 20, 60), 96);
  rig.style.StyleMode = true;
  gen.StyleChanged = true;
  gen.StoredSettingsCode = gen.SettingsCode();
  int saved = 0;
  gen.Hooks.SaveStyle = [&] { ++saved; };
  dialogs.Answers = {true};
  gen.ResetGeneratedStyle();
  EXPECT_EQ(dialogs.Questions, std::vector<std::string>{"Save Style first ?"});
  EXPECT_EQ(saved, 1);
  EXPECT_TRUE(gen.WorkEmpty());
  EXPECT_FALSE(gen.StyleChanged);
  EXPECT_EQ(gen.StoredSettingsCode, kNoSettingsCode);
  EXPECT_EQ(rig.style.Channels.Value(3, 7), ChannelState::kNone);
}

// Note-offs that end no sounding note, and notes left sounding.
int UnpairedNotes(const WorkMaterial& work) {
  std::map<std::pair<int, int>, int> sounding;
  int unpaired = 0;
  WalkWork(work, false, [&](const WorkMessage& m) {
    const auto key = std::make_pair(m.Status & 0x0F, int{m.Data1});
    if (IsNoteOn(m.Status, m.Data2)) {
      ++sounding[key];
    } else if (IsNoteOff(m.Status, m.Data2)) {
      if (sounding[key] > 0) {
        --sounding[key];
      } else {
        ++unpaired;
      }
    }
  });
  for (auto [key, count] : sounding) unpaired += count;
  return unpaired;
}

TEST_F(GeneratorTest, EveryCorpusFileConvertsWithItsNotePairsIntact) {
  int converted = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(test::TestDataDir() + "/midi-test-files/midi")) {
    SCOPED_TRACE(entry.path().filename().string());
    std::string error;
    const auto bytes = ReadWholeFile(entry.path().string(), error);
    ASSERT_TRUE(bytes) << error;
    MidiReadResult result;
    try {
      result = ReadMidiFile(*bytes);
    } catch (const MidiFileError&) {
      continue;
    }
    rig.style.Work = std::move(result.Work);
    gen.NewWork(std::nullopt);
    song.ClearChordMemory();
    const int before = UnpairedNotes(rig.style.Work);
    gen.ConvertMode = converted % kConvertModeCount;
    gen.AdjustOctave = converted % 2 == 1;
    converted += gen.ConvertAll(GeneratorSender::ConvertAll);
    EXPECT_LE(UnpairedNotes(rig.style.Work), before);
    rig.style.Work.RestoreOriginal();
    EXPECT_EQ(UnpairedNotes(rig.style.Work), before);
  }
  EXPECT_GT(converted, 20);
}

}  // namespace
}  // namespace korvel
