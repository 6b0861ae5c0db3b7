#include "stylegen/PartEventEditor.h"

#include <algorithm>
#include <utility>

namespace korvel {

PartEventEditor::PartEventEditor(WorkMaterial& work, const NoteBookkeeping& notes, Send send)
    : work_(work), notes_(notes), send_(std::move(send)) {}

void PartEventEditor::Open(int32_t start, int32_t loopStart, int32_t loopEnd) {
  Release();
  loopStart_ = std::clamp(loopStart, 0, kChunkSize - 1);
  loopEnd_ = std::clamp(loopEnd, loopStart_, kChunkSize);
  // A part set at the start of the material has loop start 0: the cursor must not start at -1.
  cursor_ = std::clamp(start, loopStart_, std::max(loopStart_, Last()));
  undo_ = {};
  shown_ = false;
  for (int32_t p = cursor_; p <= Last(); ++p) {
    if (ValidAt(p)) {
      cursor_ = p;
      shown_ = true;
      return;
    }
  }
}

// The highest position a whole three-byte message fits at before the loop end.
int32_t PartEventEditor::Last() const {
  return loopEnd_ - 3;
}

bool PartEventEditor::ValidAt(int32_t position) const {
  if (position < loopStart_ || position > Last()) return false;
  const uint8_t status = At(position);
  if ((status & 0xF0) != 0x90 || At(position + 2) == 0) return false;
  const int channel = status & 0x0F;
  if (notes_.SoloChannel != 0 && notes_.SoloChannel != channel + 1) return false;
  return notes_.ChannelMute[static_cast<size_t>(channel)] == 0;
}

bool PartEventEditor::NextNote() {
  for (int32_t p = shown_ ? cursor_ + 1 : cursor_; p <= Last(); ++p) {
    if (ValidAt(p)) {
      cursor_ = p;
      shown_ = true;
      Sound();
      return true;
    }
  }
  return false;
}

bool PartEventEditor::PreviousNote() {
  for (int32_t p = cursor_ - 1; p >= loopStart_; --p) {
    if (ValidAt(p)) {
      cursor_ = p;
      shown_ = true;
      Sound();
      return true;
    }
  }
  return false;
}

void PartEventEditor::Sound() {
  Release();
  if (!send_ || !shown_) return;
  const uint8_t status = Status();
  send_(status, Note(), Velocity());
  soundingChannel_ = status & 0x0F;
  soundingNote_ = Note();
}

void PartEventEditor::Release() {
  if (soundingChannel_ < 0) return;
  // The note-off goes to the pitch that was struck, even when the note was changed since.
  if (send_) {
    send_(static_cast<uint8_t>(0x80 | soundingChannel_), static_cast<uint8_t>(soundingNote_), 0);
    send_(static_cast<uint8_t>(0xB0 | soundingChannel_), 123, 0);
  }
  soundingChannel_ = -1;
  soundingNote_ = -1;
}

void PartEventEditor::AllNotesOff() {
  Release();
  if (!send_) return;
  for (int channel = 0; channel < 16; ++channel)
    send_(static_cast<uint8_t>(0xB0 | channel), 123, 0);
}

void PartEventEditor::ToneOnOff() {
  if (shown_ && ValidAt(cursor_)) Sound();
}

bool PartEventEditor::SetVelocity(int velocity) {
  if (!shown_ || (At(cursor_) & 0xF0) != 0x90) return false;
  At(cursor_ + 2) = static_cast<uint8_t>(std::clamp(velocity, 1, 127));
  changed_ = true;
  return true;
}

bool PartEventEditor::Change(int noteIndex, int octaveIndex) {
  if (!shown_ || (At(cursor_) & 0xF0) != 0x90 || noteIndex < 0 || noteIndex > 11) return false;
  const uint8_t status = At(cursor_);
  const uint8_t oldNote = At(cursor_ + 1);
  const int octave = octaveIndex >= 0 ? octaveIndex + 1 : oldNote / 12;
  const int newNote = octave * 12 + noteIndex;
  if (newNote > 127) return false;
  undo_ = {UndoKind::Change, cursor_ + 1, -1, oldNote, static_cast<uint8_t>(newNote),
           work_.Edition};
  At(cursor_ + 1) = static_cast<uint8_t>(newNote);
  const int channel = status & 0x0F;
  for (int32_t p = cursor_ + 3; p <= Last(); ++p) {
    const uint8_t b = At(p);
    if (b < 0x80 || IsTimeByte(b)) continue;
    const bool sameNote = At(p + 1) == oldNote;
    const bool zeroOn = b == status && At(p + 2) == 0;
    const bool off = b == (0x80 | channel);
    if (sameNote && (zeroOn || off)) {
      At(p + 1) = static_cast<uint8_t>(newNote);
      undo_.NoteOffPosition = p + 1;
      break;
    }
  }
  AllNotesOff();
  changed_ = true;
  return true;
}

bool PartEventEditor::Clear() {
  if (!shown_ || !ValidAt(cursor_)) return false;
  undo_ = {UndoKind::Clear, cursor_ + 2, -1, Velocity(), 0, work_.Edition};
  Sound();
  At(cursor_ + 2) = 0;
  changed_ = true;
  NextNote();
  return true;
}

bool PartEventEditor::Undo() {
  const UndoRecord record = std::exchange(undo_, {});
  if (record.Kind == UndoKind::None || record.Edition != work_.Edition) return false;
  if (At(record.NoteOnPosition) != record.NewValue) return false;
  if (record.NoteOffPosition >= 0 && At(record.NoteOffPosition) != record.NewValue) return false;
  At(record.NoteOnPosition) = record.OldValue;
  if (record.NoteOffPosition >= 0) At(record.NoteOffPosition) = record.OldValue;
  AllNotesOff();
  changed_ = true;
  return true;
}

uint8_t PartEventEditor::Status() const {
  return At(cursor_);
}
uint8_t PartEventEditor::Note() const {
  return cursor_ + 1 < kChunkSize ? At(cursor_ + 1) : 0;
}
uint8_t PartEventEditor::Velocity() const {
  return cursor_ + 2 < kChunkSize ? At(cursor_ + 2) : 0;
}

std::string PartEventEditor::NoteLabel() const {
  if (!shown_) return {};
  return std::to_string(Note() / 12) + " " + kEditorNoteNames[Note() % 12];
}

int PartEventEditor::OctaveIndex() const {
  const int octave = Note() / 12;
  return octave >= 1 && octave <= 8 ? octave - 1 : -1;
}

}  // namespace korvel
