// The part event editor: steps note by note through chunk 0 of the work material between the
// loop bounds of a style part, sounds each note on the thru port, and changes its pitch or
// silences it, with one level of undo.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/PerformanceState.h"
#include "engine/WorkMaterial.h"

namespace korvel {

// The "Note" list.
inline constexpr const char* kEditorNoteNames[12] = {"C",  "C#", "D",  "Eb", "E",  "F",
                                                     "F#", "G",  "Ab", "A",  "Bb", "B"};

class PartEventEditor {
 public:
  // `send` reaches the thru port; leave it empty when the port is closed.
  using Send = std::function<void(uint8_t status, uint8_t data1, uint8_t data2)>;

  PartEventEditor(WorkMaterial& work, const NoteBookkeeping& notes, Send send);

  // Opening: the cursor starts at `start` (the recorder position while playing, else the loop
  // start minus 1) and moves to the first valid note without sounding it. Forgets the undo.
  void Open(int32_t start, int32_t loopStart, int32_t loopEnd);
  // "Next note" and "Previous note" (mouse down): false when no valid note is left in the loop.
  bool NextNote();
  bool PreviousNote();
  // Mouse up, the spin buttons and closing: the auditioned note stops.
  void Release();
  // "Tone on/off": sounds the note at the cursor again.
  void ToneOnOff();
  // The velocity bar: the note-on at the cursor gets the velocity, 1..127 (silencing is
  // "Clear", which can be undone).
  bool SetVelocity(int velocity);
  // "Change": the note-on and its note-off get the note of the two lists; an octave index of
  // -1 (the note lies outside octaves 1..8) keeps the note's own octave.
  bool Change(int noteIndex, int octaveIndex);
  // "Clear": silences the note at the cursor and moves on.
  bool Clear();
  // "Undo": the last Change or Clear is taken back, as long as the material is the one edited
  // (no clear, load, import, restore or conversion since) and still holds what it wrote.
  bool Undo();

  bool HasNote() const { return shown_; }
  int32_t Cursor() const { return cursor_; }
  uint8_t Status() const;
  uint8_t Note() const;
  uint8_t Velocity() const;
  // The note label: octave number, a blank and the note name.
  std::string NoteLabel() const;
  int NoteIndex() const { return Note() % 12; }
  // The "Octave" list's index, -1 when the note lies outside octaves 1..8.
  int OctaveIndex() const;
  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

 private:
  bool ValidAt(int32_t position) const;
  int32_t Last() const;
  void Sound();
  void AllNotesOff();
  uint8_t& At(int32_t position) { return work_.Chunk(0)[static_cast<size_t>(position)]; }
  uint8_t At(int32_t position) const { return work_.Chunk(0)[static_cast<size_t>(position)]; }

  enum class UndoKind { None, Change, Clear };
  struct UndoRecord {
    UndoKind Kind = UndoKind::None;
    int32_t NoteOnPosition = -1;   // of the note byte (Change) or velocity byte (Clear)
    int32_t NoteOffPosition = -1;  // -1 when the note-off lay beyond the loop end
    uint8_t OldValue = 0;
    uint8_t NewValue = 0;
    uint64_t Edition = 0;  // of the material edited
  };

  WorkMaterial& work_;
  const NoteBookkeeping& notes_;
  Send send_;
  int32_t cursor_ = 0;
  int32_t loopStart_ = 0;
  int32_t loopEnd_ = 0;
  bool shown_ = false;
  bool changed_ = false;
  int soundingChannel_ = -1;
  int soundingNote_ = -1;
  UndoRecord undo_;
};

}  // namespace korvel
