#include "app/SongEditor.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

constexpr int kMeasure = 16;     // 4/4: four beats of four bytes
constexpr int kFixtureEnd = 52;  // one measure past the end mark

// A three-measure song: C on 1:1, G7 on 2:1, Tempo 120 on 2:3, end mark on 3:1.
ChordMemory Fixture() {
  ChordMemory m;
  m.Clear();
  m.SetEntry(4, {1, 1, 0, 0});
  m.SetEntry(20, {8, 5, 0, 0});
  m.SetEntry(28, {0, 0, kCommandTempo, 120});
  m.SetEntry(36, {0, 0, kCommandEnd, 0});
  return m;
}

// Every non-empty entry as "measure:beat root/type control/value".
std::string Dump(const ChordMemory& m) {
  std::string out;
  for (int pos = kFirstBeatPos; pos <= kLastBeatPos; pos += 4) {
    const ChordEntry e = m.Entry(pos);
    if (e == ChordEntry{}) continue;
    out += std::to_string((pos - 4) / kMeasure + 1) + ":" +
           std::to_string((pos - 4) % kMeasure / 4 + 1) + " " + std::to_string(e.Root) + "/" +
           std::to_string(e.Type) + " " + std::to_string(e.Control) + "/" +
           std::to_string(e.Value) + "\n";
  }
  return out;
}

const std::string kFixtureDump = "1:1 1/1 0/0\n2:1 8/5 0/0\n2:3 0/0 254/120\n3:1 0/0 255/0\n";

TEST(SongEditor, OperationsAndRefusals) {
  struct Case {
    const char* name;
    std::string (*op)(SongEditor&);
    std::string error;
    std::string dump;  // empty = unchanged
    int end = kFixtureEnd;
  };
  const Case cases[] = {
      {"set chord", [](SongEditor& e) { return e.SetBeatChord(1, 2, 3, 2); }, "",
       "1:1 1/1 0/0\n1:2 3/2 0/0\n2:1 8/5 0/0\n2:3 0/0 254/120\n3:1 0/0 255/0\n"},
      {"chord beyond the memory", [](SongEditor& e) { return e.SetBeatChord(751, 1, 1, 1); },
       "This beat lies outside the song memory.", ""},
      {"beat 5 of a 4/4 measure", [](SongEditor& e) { return e.SetBeatChord(1, 5, 1, 1); },
       "This beat lies outside the song memory.", ""},
      {"paste an empty beat changes nothing", [](SongEditor& e) { return e.PasteBeat(2, 3, 1, 4); },
       "", ""},
      {"paste a chord keeps the target's command",
       [](SongEditor& e) { return e.PasteBeat(2, 3, 1, 1); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n2:3 1/1 254/120\n3:1 0/0 255/0\n"},
      {"paste a loop end over a tempo keeps its zero value",
       [](SongEditor& e) {
         return e.PasteEntry(2, 3, {0, 0, kCommandRepeat, 0});
       },
       "", "1:1 1/1 0/0\n2:1 8/5 0/0\n2:3 0/0 253/0\n3:1 0/0 255/0\n"},
      {"cut a beat", [](SongEditor& e) { return e.ClearBeat(2, 3); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n3:1 0/0 255/0\n"},
      {"cut the end mark: the song still ends there",
       [](SongEditor& e) { return e.ClearBeat(3, 1); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n2:3 0/0 254/120\n"},
      {"insert a beat", [](SongEditor& e) { return e.InsertBeat(2, 2); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n2:4 0/0 254/120\n3:2 0/0 255/0\n", kFixtureEnd + 4},
      {"delete a beat", [](SongEditor& e) { return e.DeleteBeat(2, 2); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n2:2 0/0 254/120\n2:4 0/0 255/0\n", kFixtureEnd - 4},
      {"delete the end beat", [](SongEditor& e) { return e.DeleteBeat(3, 1); },
       "The end of the song cannot be deleted.", ""},
      {"paste a command with its value", [](SongEditor& e) { return e.PasteBeat(1, 2, 2, 3); }, "",
       "1:1 1/1 0/0\n1:2 0/0 254/120\n2:1 8/5 0/0\n2:3 0/0 254/120\n3:1 0/0 255/0\n"},
      {"a STOP inside the song keeps the end",
       [](SongEditor& e) { return e.SetBeatCommand(2, 1, kCommandEnd, 0); }, "",
       "1:1 1/1 0/0\n2:1 8/5 255/0\n2:3 0/0 254/120\n3:1 0/0 255/0\n"},
      {"a STOP beyond the end ends the song after its measure",
       [](SongEditor& e) { return e.SetBeatCommand(5, 3, kCommandEnd, 0); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n2:3 0/0 254/120\n3:1 0/0 255/0\n5:3 0/0 255/0\n", 84},
      {"a chord beyond the end", [](SongEditor& e) { return e.SetBeatChord(4, 2, 3, 2); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n2:3 0/0 254/120\n3:1 0/0 255/0\n4:2 3/2 0/0\n", 68},
      {"insert a measure", [](SongEditor& e) { return e.InsertMeasures(2, 1); }, "",
       "1:1 1/1 0/0\n3:1 8/5 0/0\n3:3 0/0 254/120\n4:1 0/0 255/0\n", kFixtureEnd + 16},
      {"insert a huge number", [](SongEditor& e) { return e.InsertMeasures(2, 4294967297LL); },
       "There is no room for that many measures.", ""},
      {"insert pushing the end out", [](SongEditor& e) { return e.InsertMeasures(1, 748); },
       "There is no room for that many measures.", ""},
      {"delete a measure", [](SongEditor& e) { return e.DeleteMeasure(1); }, "",
       "1:1 8/5 0/0\n1:3 0/0 254/120\n2:1 0/0 255/0\n", kFixtureEnd - 16},
      {"delete the end mark", [](SongEditor& e) { return e.DeleteMeasure(3); },
       "The measure with the end of the song cannot be deleted.", ""},
      {"copy measures", [](SongEditor& e) { return e.CopyMeasures(1, 2, 3); }, "",
       "1:1 1/1 0/0\n2:1 8/5 0/0\n2:3 0/0 254/120\n3:1 1/1 0/0\n4:1 8/5 0/0\n4:3 0/0 "
       "254/120\n5:1 0/0 255/0\n",
       kFixtureEnd + 32},
      {"copy past the memory", [](SongEditor& e) { return e.CopyMeasures(1, 3, 749); },
       "The copied measures do not fit into the song memory.", ""},
      {"copy behind the end mark", [](SongEditor& e) { return e.CopyMeasures(1, 1, 4); },
       "The destination lies behind the end of the song.", ""},
      {"copy reversed range", [](SongEditor& e) { return e.CopyMeasures(2, 1, 3); },
       "These measures lie outside the song memory.", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChordMemory memory = Fixture();
    int end = kFixtureEnd;
    ASSERT_EQ(Dump(memory), kFixtureDump);
    SongEditor editor(memory, end, kMeasure);
    EXPECT_EQ(c.op(editor), c.error);
    EXPECT_EQ(Dump(memory), c.dump.empty() ? kFixtureDump : c.dump);
    EXPECT_EQ(end, c.end);
    // The undo copy exists only for an edit that went ahead, and restores the song before it.
    EXPECT_EQ(editor.CanUndo(), c.error.empty());
    if (editor.CanUndo()) {
      EXPECT_EQ(editor.Undo(), "");
      EXPECT_EQ(Dump(memory), kFixtureDump);
      EXPECT_EQ(end, kFixtureEnd);
    }
  }
}

TEST(SongEditor, RefusalKeepsTheEarlierUndoAndDropUndoForgetsIt) {
  ChordMemory memory = Fixture();
  int end = kFixtureEnd;
  SongEditor editor(memory, end, kMeasure);
  ASSERT_EQ(editor.SetBeatChord(1, 2, 3, 2), "");
  const std::string afterEdit = Dump(memory);
  EXPECT_NE(editor.DeleteMeasure(3), "");
  EXPECT_EQ(editor.Undo(), "");
  EXPECT_EQ(Dump(memory), kFixtureDump);
  EXPECT_NE(afterEdit, kFixtureDump);

  ASSERT_EQ(editor.SetBeatChord(1, 2, 3, 2), "");
  memory.Clear();  // loading a song
  end = kFirstBeatPos;
  editor.DropUndo();
  EXPECT_EQ(editor.Undo(), "There is nothing to undo.");
  EXPECT_EQ(Dump(memory), "1:1 0/0 255/0\n");
}

// A STOP inside the song is a command: the structural edits and the cut work there as anywhere,
// and the song keeps every measure after it.
TEST(SongEditor, StopInsideTheSongIsNotItsEnd) {
  ChordMemory memory = Fixture();
  int end = kFixtureEnd;
  SongEditor editor(memory, end, kMeasure);
  ASSERT_EQ(editor.SetBeatCommand(1, 3, kCommandEnd, 0), "");
  EXPECT_EQ(editor.MeasureCount(), 3);
  EXPECT_EQ(editor.EndMarkPos(), 36);
  EXPECT_EQ(editor.DeleteBeat(1, 3), "");
  EXPECT_EQ(end, kFixtureEnd - 4);
  EXPECT_EQ(editor.InsertBeat(1, 3), "");
  ASSERT_EQ(editor.SetBeatCommand(1, 3, kCommandEnd, 0), "");
  EXPECT_EQ(editor.SetBeatCommand(1, 3, 0, 0), "");  // "Cut Function"
  EXPECT_EQ(Dump(memory), kFixtureDump);
  EXPECT_EQ(end, kFixtureEnd);
  ASSERT_EQ(editor.SetBeatCommand(2, 2, kCommandEnd, 0), "");
  EXPECT_EQ(editor.DeleteMeasure(2), "");
  EXPECT_EQ(Dump(memory), "1:1 1/1 0/0\n2:1 0/0 255/0\n");
  EXPECT_EQ(end, kFixtureEnd - 16);
}

// An empty song holds its end mark on the first beat and ends there; measures put before the
// mark make a song that ends one measure past it.
TEST(SongEditor, MeasuresIntoAnEmptySong) {
  ChordMemory memory;
  memory.Clear();
  int end = kFirstBeatPos;
  SongEditor editor(memory, end, kMeasure);
  EXPECT_EQ(editor.MeasureCount(), 1);
  EXPECT_EQ(editor.DeleteMeasure(1), "The measure with the end of the song cannot be deleted.");
  ASSERT_EQ(editor.InsertMeasures(1, 8), "");
  EXPECT_EQ(Dump(memory), "9:1 0/0 255/0\n");
  EXPECT_EQ(end, 148);
  EXPECT_EQ(editor.MeasureCount(), 9);
}

}  // namespace
}  // namespace korvel
