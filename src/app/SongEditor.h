// The song editor's operations on a chord memory and the song's end (the chord bytes it uses),
// shared by the editor window and the command line. Each returns an empty string when the edit
// goes ahead, or the refusal in words; the undo copy is taken only when an edit goes ahead.
// A STOP inside the song is a command like any other: only the end decides where the song ends.
#pragma once

#include <optional>
#include <string>

#include "performance/ChordMemory.h"

namespace korvel {

class SongEditor {
 public:
  SongEditor(ChordMemory& memory, int& songEnd, int measureSixteenths)
      : Memory(memory),
        End(songEnd),
        MeasureSixteenths(measureSixteenths < 4 ? 4 : measureSixteenths) {}

  // The byte position of measure:beat, or -1 when it lies outside the memory.
  int BeatPos(int measure, int beat) const;
  // The end mark: the song's last STOP (on the first beat of an empty song), or -1 when the
  // song ends without one.
  int EndMarkPos() const;
  // Measures from 1 to the last the song holds (one for an empty song).
  int MeasureCount() const;

  void SetMeasureSixteenths(int measureSixteenths) {
    MeasureSixteenths = measureSixteenths < 4 ? 4 : measureSixteenths;
  }
  // The entry at measure:beat; an empty one outside the memory.
  ChordEntry EntryAt(int measure, int beat) const { return Memory.Entry(BeatPos(measure, beat)); }

  // The call the chord pads make for the current cell, as the editor's own menus do. Writing at
  // or beyond the end makes the song end after that measure.
  std::string SetBeatChord(int measure, int beat, uint8_t root, uint8_t type);
  std::string SetBeatCommand(int measure, int beat, uint8_t control, uint8_t value);
  // Pastes an entry's chord (root and type) when it has one and its command (control and
  // value, a zero value included) when it has one; the target keeps the other pair.
  std::string PasteBeat(int measure, int beat, int fromMeasure, int fromBeat);
  std::string PasteEntry(int measure, int beat, const ChordEntry& entry);
  // Empties a beat: "Cut Beat"; the end stays where it is.
  std::string ClearBeat(int measure, int beat);
  // Inserts an empty beat before measure:beat, or removes that beat; the rest moves by one beat.
  std::string InsertBeat(int measure, int beat);
  std::string DeleteBeat(int measure, int beat);
  // Inserts `count` empty measures before `measure`; "How many Measures ?" answers land here.
  std::string InsertMeasures(int measure, long long count);
  std::string DeleteMeasure(int measure);
  // Copies measures first..last (inclusive) to start at `dest`, shifting the rest on.
  std::string CopyMeasures(int first, int last, int dest);

  bool CanUndo() const { return UndoCopy.has_value(); }
  std::string Undo();
  // The memory changed outside the editor (loading, recording): an old copy must not return.
  void DropUndo() { UndoCopy.reset(); }

 private:
  struct Snapshot {
    ChordMemory Memory;
    int End = kFirstBeatPos;
  };
  void TakeUndo() { UndoCopy = Snapshot{Memory, End}; }
  void Write(int pos, const ChordEntry& entry);
  bool TailFits(int from, int shift) const;
  // Moves the bytes from `from` on up by `shift`; the end moves with them.
  void ShiftTail(int from, int shift);
  // The bytes [from, from + length) go; the rest moves down and zeros fill the end.
  void RemoveSpan(int from, int length);

  ChordMemory& Memory;
  int& End;
  int MeasureSixteenths;
  std::optional<Snapshot> UndoCopy;
};

}  // namespace korvel
