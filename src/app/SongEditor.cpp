#include "app/SongEditor.h"

#include <algorithm>

namespace korvel {

int SongEditor::BeatPos(int measure, int beat) const {
  if (measure < 1 || beat < 1 || beat * 4 > MeasureSixteenths) return -1;
  if (measure > (kLastBeatPos - kFirstBeatPos) / MeasureSixteenths + 1) return -1;
  const int pos = MeasureStart(measure, MeasureSixteenths) + (beat - 1) * 4;
  return ChordMemory::IsEntry(pos) ? pos : -1;
}

int SongEditor::EndMarkPos() const {
  if (End <= kFirstBeatPos)
    return Memory.Entry(kFirstBeatPos).Control == kCommandEnd ? kFirstBeatPos : -1;
  for (int pos = std::min(End, kChordMemorySize) - 4; pos >= kFirstBeatPos; pos -= 4)
    if (ChordMemory::IsEntry(pos) && Memory.Entry(pos).Control == kCommandEnd) return pos;
  return -1;
}

int SongEditor::MeasureCount() const {
  const int most = (kLastBeatPos - kFirstBeatPos) / MeasureSixteenths + 1;
  const int measures = (End - kFirstBeatPos + MeasureSixteenths - 1) / MeasureSixteenths;
  return std::clamp(measures, 1, most);
}

void SongEditor::Write(int pos, const ChordEntry& entry) {
  Memory.SetEntry(pos, entry);
  // What lies beyond the end would neither play nor be saved: the song grows to hold it.
  if (pos >= End && entry != ChordEntry{})
    End = std::min(pos - (pos - kFirstBeatPos) % MeasureSixteenths + MeasureSixteenths,
                   kChordMemorySize);
}

std::string SongEditor::SetBeatChord(int measure, int beat, uint8_t root, uint8_t type) {
  const int pos = BeatPos(measure, beat);
  if (pos < 0) return "This beat lies outside the song memory.";
  ChordEntry entry = Memory.Entry(pos);
  entry.Root = root;
  entry.Type = root == 0 ? 0 : type;
  TakeUndo();
  Write(pos, entry);
  return {};
}

std::string SongEditor::SetBeatCommand(int measure, int beat, uint8_t control, uint8_t value) {
  const int pos = BeatPos(measure, beat);
  if (pos < 0) return "This beat lies outside the song memory.";
  ChordEntry entry = Memory.Entry(pos);
  entry.Control = control;
  entry.Value = value;
  TakeUndo();
  Write(pos, entry);
  return {};
}

std::string SongEditor::PasteBeat(int measure, int beat, int fromMeasure, int fromBeat) {
  if (BeatPos(fromMeasure, fromBeat) < 0) return "This beat lies outside the song memory.";
  return PasteEntry(measure, beat, EntryAt(fromMeasure, fromBeat));
}

std::string SongEditor::PasteEntry(int measure, int beat, const ChordEntry& entry) {
  const int to = BeatPos(measure, beat);
  if (to < 0) return "This beat lies outside the song memory.";
  ChordEntry target = Memory.Entry(to);
  if (entry.Root != 0) {
    target.Root = entry.Root;
    target.Type = entry.Type;
  }
  if (entry.Control != 0) {
    target.Control = entry.Control;
    target.Value = entry.Value;
  }
  TakeUndo();
  Write(to, target);
  return {};
}

std::string SongEditor::ClearBeat(int measure, int beat) {
  const int pos = BeatPos(measure, beat);
  if (pos < 0) return "This beat lies outside the song memory.";
  TakeUndo();
  Memory.SetEntry(pos, {});
  return {};
}

std::string SongEditor::InsertBeat(int measure, int beat) {
  const int pos = BeatPos(measure, beat);
  if (pos < 0) return "This beat lies outside the song memory.";
  if (!TailFits(pos, 4)) return "There is no room for another beat.";
  TakeUndo();
  ShiftTail(pos, 4);
  return {};
}

std::string SongEditor::DeleteBeat(int measure, int beat) {
  const int pos = BeatPos(measure, beat);
  if (pos < 0) return "This beat lies outside the song memory.";
  if (pos == EndMarkPos()) return "The end of the song cannot be deleted.";
  TakeUndo();
  RemoveSpan(pos, 4);
  return {};
}

bool SongEditor::TailFits(int from, int shift) const {
  // Shifting the bytes from `from` on by `shift` must push nothing but zeros out of the memory.
  const int lostFrom = std::max(from, kChordMemorySize - shift);
  for (int i = lostFrom; i < kChordMemorySize; ++i)
    if (Memory.Bytes[static_cast<size_t>(i)] != 0) return false;
  return true;
}

void SongEditor::RemoveSpan(int from, int length) {
  const int mark = EndMarkPos();
  if (mark >= 0 ? from < mark : from < End) End = std::max(End - length, from);
  auto& b = Memory.Bytes;
  length = std::min(length, static_cast<int>(b.size()) - from);
  std::copy(b.begin() + from + length, b.end(), b.begin() + from);
  std::fill(b.end() - length, b.end(), uint8_t{0});
}

void SongEditor::ShiftTail(int from, int shift) {
  const int mark = EndMarkPos();
  if (mark >= 0 && from <= mark) {
    // An empty song ends on its mark: the measures put before it make a song of their own.
    const int pastMark = End > mark ? End - mark : MeasureSixteenths;
    End = std::min(mark + shift + pastMark, kChordMemorySize);
  } else if (mark < 0 && from < End) {
    End = std::min(End + shift, kChordMemorySize);
  }
  auto& b = Memory.Bytes;
  std::copy_backward(b.begin() + from, b.end() - shift, b.end());
  std::fill(b.begin() + from, b.begin() + from + shift, uint8_t{0});
}

std::string SongEditor::InsertMeasures(int measure, long long count) {
  const int maxMeasures = (kChordMemorySize - kFirstBeatPos) / MeasureSixteenths;
  if (count < 1 || count > maxMeasures) return "There is no room for that many measures.";
  const int pos = BeatPos(measure, 1);
  if (pos < 0) return "This measure lies outside the song memory.";
  const int shift = static_cast<int>(count) * MeasureSixteenths;
  if (pos + shift > kChordMemorySize || !TailFits(pos, shift))
    return "There is no room for that many measures.";
  TakeUndo();
  ShiftTail(pos, shift);
  return {};
}

std::string SongEditor::DeleteMeasure(int measure) {
  const int pos = BeatPos(measure, 1);
  if (pos < 0) return "This measure lies outside the song memory.";
  const int end = pos + MeasureSixteenths;  // half-open: [pos, end)
  const int mark = EndMarkPos();
  if (mark >= pos && mark < end) return "The measure with the end of the song cannot be deleted.";
  TakeUndo();
  RemoveSpan(pos, MeasureSixteenths);
  return {};
}

std::string SongEditor::CopyMeasures(int first, int last, int dest) {
  const int from = BeatPos(first, 1);
  const int lastPos = BeatPos(last, 1);
  const int to = BeatPos(dest, 1);
  if (from < 0 || lastPos < 0 || to < 0 || last < first)
    return "These measures lie outside the song memory.";
  const int length = lastPos + MeasureSixteenths - from;  // half-open [from, from + length)
  if (to + length > kChordMemorySize || !TailFits(to, length))
    return "The copied measures do not fit into the song memory.";
  // Measures copied behind the end mark would never play.
  const int mark = EndMarkPos();
  if (mark >= 0 && to > mark) return "The destination lies behind the end of the song.";
  TakeUndo();
  ChordMemory source = Memory;
  ShiftTail(to, length);
  std::copy(source.Bytes.begin() + from, source.Bytes.begin() + from + length,
            Memory.Bytes.begin() + to);
  return {};
}

std::string SongEditor::Undo() {
  if (!UndoCopy) return "There is nothing to undo.";
  Memory = UndoCopy->Memory;
  End = UndoCopy->End;
  UndoCopy.reset();
  return {};
}

}  // namespace korvel
