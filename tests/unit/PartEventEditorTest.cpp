#include "stylegen/PartEventEditor.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace korvel {
namespace {

struct Sent {
  uint8_t Status, Data1, Data2;
};

// A small part: C4 (60) on channel 1, a velocity-0 note-on, a muted-channel note, a note on
// channel 3, and a note whose note-off lies beyond the loop end.
class EditorFixture : public ::testing::Test {
 protected:
  WorkMaterial work;
  NoteBookkeeping notes;
  std::vector<Sent> sent;
  PartEventEditor editor{work, notes, [this](uint8_t s, uint8_t d1, uint8_t d2) {
                           sent.push_back({s, d1, d2});
                         }};
  int32_t loopEnd = 0;
  int32_t afterEnd = 0;

  void SetUp() override {
    ASSERT_TRUE(work.AllocateWork());
    WorkWriter w(work);
    w.Message(0x90, 60, 100);  // 0
    w.Clocks(12);              // 3: FF FB
    w.Message(0x90, 62, 0);    // 5: velocity 0 is no note
    w.Message(0x91, 64, 90);   // 8: channel 2, muted below
    w.Message(0x92, 67, 80);   // 11: channel 3
    w.Clocks(12);
    w.Message(0x80, 60, 0);  // 16
    w.Message(0x90, 5, 70);  // 19: octave 0
    w.Clocks(6);
    w.Message(0x90, 5, 0);    // 23
    w.Message(0x90, 72, 60);  // 26: its note-off lies beyond the loop end
    w.Clocks(6);
    loopEnd = w.Position();  // 30
    w.Message(0x80, 72, 0);
    w.Clocks(24);
    w.Finish();
    afterEnd = w.Position();
    notes.ChannelMute[1] = 1;
  }

  // Every note-on the editor sounded has its note-off (or all notes off) on the same channel.
  void ExpectNothingSounding() {
    std::map<int, int> sounding;  // channel * 128 + note -> count
    for (const auto& m : sent) {
      const int ch = m.Status & 0x0F;
      if ((m.Status & 0xF0) == 0x90 && m.Data2 > 0) ++sounding[ch * 128 + m.Data1];
      if ((m.Status & 0xF0) == 0x80) sounding.erase(ch * 128 + m.Data1);
      if ((m.Status & 0xF0) == 0xB0 && m.Data1 == 123)
        std::erase_if(sounding, [ch](const auto& e) { return e.first / 128 == ch; });
    }
    EXPECT_TRUE(sounding.empty());
  }
};

TEST_F(EditorFixture, OpeningAtLoopStartZeroFindsTheFirstNoteWithoutSounding) {
  editor.Open(-1, 0, loopEnd);
  EXPECT_TRUE(editor.HasNote());
  EXPECT_EQ(editor.Cursor(), 0);
  EXPECT_EQ(editor.NoteLabel(), "5 C");
  EXPECT_EQ(editor.OctaveIndex(), 4);
  EXPECT_TRUE(sent.empty());
}

TEST_F(EditorFixture, NextAndPreviousVisitValidNotesInsideTheLoopOnly) {
  const struct {
    int solo;
    int first;
    std::vector<int> forward;
    std::vector<int> back;
  } cases[] = {{0, 0, {11, 19, 26}, {19, 11, 0}}, {3, 11, {}, {}}};
  for (const auto& c : cases) {
    notes.SoloChannel = static_cast<int16_t>(c.solo);
    editor.Open(0, 0, loopEnd);
    EXPECT_EQ(editor.Cursor(), c.first) << "solo " << c.solo;
    std::vector<int> visited;
    while (editor.NextNote()) visited.push_back(editor.Cursor());
    EXPECT_EQ(visited, c.forward) << "solo " << c.solo;
    std::vector<int> back;
    while (editor.PreviousNote()) back.push_back(editor.Cursor());
    EXPECT_EQ(back, c.back) << "solo " << c.solo;
  }
}

TEST_F(EditorFixture, LookAheadsStopAtTheEndOfTheChunk) {
  // A loop end past the chunk and a note-on status in the last bytes read nothing outside it.
  work.Chunk(0)[kChunkSize - 2] = 0x90;
  work.Chunk(0)[kChunkSize - 1] = 60;
  editor.Open(kChunkSize - 10, kChunkSize - 10, kChunkSize + 100);
  EXPECT_FALSE(editor.HasNote());
  EXPECT_FALSE(editor.NextNote());
}

TEST_F(EditorFixture, ChangeMovesNoteOnAndOffAndUndoRestoresBoth) {
  editor.Open(0, 0, loopEnd);
  ASSERT_TRUE(editor.Change(2, 3));  // D, octave index 3 -> note 50
  EXPECT_EQ(work.Chunk(0)[1], 50);
  EXPECT_EQ(work.Chunk(0)[17], 50);
  EXPECT_EQ(editor.NoteLabel(), "4 D");
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(work.Chunk(0)[1], 60);
  EXPECT_EQ(work.Chunk(0)[17], 60);
  EXPECT_FALSE(editor.Undo());
  ExpectNothingSounding();
}

TEST_F(EditorFixture, ChangeOutsideTheOctaveListKeepsTheOctave) {
  editor.Open(19, 0, loopEnd);
  ASSERT_EQ(editor.Cursor(), 19);
  EXPECT_EQ(editor.OctaveIndex(), -1);
  ASSERT_TRUE(editor.Change(7, editor.OctaveIndex()));  // G in octave 0
  EXPECT_EQ(work.Chunk(0)[20], 7);
  EXPECT_EQ(work.Chunk(0)[24], 7);  // its velocity-0 note-on follows
}

TEST_F(EditorFixture, ChangeWithNoteOffBeyondTheLoopEndChangesTheNoteOnOnly) {
  editor.Open(26, 0, loopEnd);
  ASSERT_EQ(editor.Cursor(), 26);
  ASSERT_TRUE(editor.Change(2, 5));
  EXPECT_EQ(work.Chunk(0)[27], 74);
  EXPECT_EQ(work.Chunk(0)[static_cast<size_t>(loopEnd) + 1], 72);
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(work.Chunk(0)[27], 72);
}

TEST_F(EditorFixture, ClearSilencesAndMovesOnAndUndoBringsTheVelocityBack) {
  editor.Open(0, 0, loopEnd);
  ASSERT_TRUE(editor.Clear());
  EXPECT_EQ(work.Chunk(0)[2], 0);
  EXPECT_EQ(editor.Cursor(), 11);
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(work.Chunk(0)[2], 100);
  editor.Release();
  ExpectNothingSounding();
}

// After a clear, load, import or restore the undo is forgotten, even where the new material
// holds the very byte the edit wrote (a note-off's velocity 0 where a note was cleared).
TEST_F(EditorFixture, UndoNeverWritesIntoMaterialThatCameSince) {
  // What a load brings: a note-off (a note-on of velocity 0) at position 0, then its note.
  const auto load = [](WorkMaterial& into) {
    into.ClearWork();
    WorkWriter w(into);
    w.Message(0x90, 40, 0);
    w.Message(0x90, 40, 100);
    w.Clocks(24);
    w.Message(0x80, 40, 0);
    w.Finish();
  };
  const struct {
    const char* what;
    bool clear;  // "Clear" the first note, else "Change" it
    std::function<void(WorkMaterial&)> replace;
  } cases[] = {
      {"Clear, then a load", true, load},
      {"Change, then a load", false, load},
      {"Clear, then an import", true,
       [&load](WorkMaterial& into) {
         WorkMaterial imported;
         imported.AllocateWork();
         load(imported);
         into = std::move(imported);
       }},
      {"Clear, then Restore Original", true,
       [](WorkMaterial& into) {
         into.KeepRestoreCopy();
         into.RestoreOriginal();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    editor.Open(0, 0, loopEnd);
    ASSERT_TRUE(c.clear ? editor.Clear() : editor.Change(2, 3));
    c.replace(work);
    const std::vector<uint8_t> before(work.Chunk(0).begin(), work.Chunk(0).begin() + 12);
    EXPECT_FALSE(editor.Undo());
    EXPECT_EQ(std::vector<uint8_t>(work.Chunk(0).begin(), work.Chunk(0).begin() + 12), before);
  }
}

TEST_F(EditorFixture, AuditionedNotesNeverHang) {
  editor.Open(0, 0, loopEnd);
  editor.NextNote();
  editor.NextNote();  // without a mouse up between
  editor.ToneOnOff();
  editor.Change(0, 2);  // changes the sounding note's pitch
  editor.PreviousNote();
  editor.Release();
  ExpectNothingSounding();
}

TEST_F(EditorFixture, VelocityBarWritesTheNoteOnAndMarksChanged) {
  editor.Open(0, 0, loopEnd);
  EXPECT_TRUE(editor.SetVelocity(33));
  EXPECT_EQ(work.Chunk(0)[2], 33);
  EXPECT_TRUE(editor.Changed());
  // The bar never silences a note, which only "Clear" does (with an undo).
  EXPECT_TRUE(editor.SetVelocity(0));
  EXPECT_EQ(work.Chunk(0)[2], 1);
  EXPECT_TRUE(editor.NextNote());
  EXPECT_TRUE(editor.PreviousNote());
  EXPECT_EQ(editor.Cursor(), 0);
}

}  // namespace
}  // namespace korvel
