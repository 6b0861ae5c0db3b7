#include "stylegen/ConversionTables.h"

#include <array>
#include <cstddef>

namespace korvel {

namespace {

using Corrections = std::array<int, 12>;

// Turns the tones of each chord type into those of a major triad with octave.
constexpr std::array<Corrections, 18> kChordTypeTable = {{
    {},                                     // unused
    {},                                     // maj
    {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0},   // min
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0},   // 7th
    {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 2, 0},   // min7
    {0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0},   // dim
    {0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0},  // sus4
    {0, 0, -2, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // add9
    {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0},   // 5b
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},   // M7
    {0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0},  // aug
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0},   // 6th
    {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1},   // mM7
    {0, 0, 0, 1, 0, 0, 0, 0, 0, 3, 0, 0},   // min6
    {0, 0, -2, 1, 0, 0, 0, 0, 0, 0, 0, 0},  // min9
    {0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 2, 0},   // m5b
    {0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 2, 0},  // aug7
    {0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 2, 0},  // sus7
}};

// 2, 5 and 9 stay: the scale tones of C major that are no chord tones.
constexpr Corrections kChordNoteTable = {0, -1, 0, 1, 0, 0, 1, 0, -1, 0, 2, 1};
// Only 0, 4 and 7 stay.
constexpr Corrections kAllNotesTable = {0, -1, -2, 1, 0, -1, 1, 0, -1, -2, 2, 1};

int PitchClass(int note) {
  return ((note % 12) + 12) % 12;
}

}  // namespace

int RootShiftOf(int rootNote) {
  const int shift = PitchClass(rootNote);
  return shift > 7 ? shift - 12 : shift;
}

int ChordTypeCorrection(int type, int pitchClass) {
  const int row = type >= 1 && type <= 17 ? type : 1;
  return kChordTypeTable[static_cast<std::size_t>(row)]
                        [static_cast<std::size_t>(PitchClass(pitchClass))];
}

int ChordNoteCorrection(int pitchClass) {
  return kChordNoteTable[static_cast<std::size_t>(PitchClass(pitchClass))];
}

int AllNotesCorrection(int pitchClass) {
  return kAllNotesTable[static_cast<std::size_t>(PitchClass(pitchClass))];
}

int ConvertNote(int note, int rootNote, int type, int mode) {
  if (mode == 6) {
    const int below = note - PitchClass(note);
    return PitchClass(note) < 6 ? below : below + 12;
  }
  int result = note - RootShiftOf(rootNote);
  const auto byType = [&] { result += ChordTypeCorrection(type, result); };
  switch (mode) {
    case 2:
      byType();
      break;
    case 3:
      byType();
      result += ChordNoteCorrection(result);
      break;
    case 4: {
      const int before = PitchClass(note);
      if (before == 0 || before == 4 || before == 7) break;
      byType();
      result += AllNotesCorrection(result);
      break;
    }
    case 5:
      byType();
      result += AllNotesCorrection(result);
      break;
    default:  // 0 and 1: the root shift alone
      break;
  }
  return result;
}

int KeepInNoteRange(int note) {
  while (note < 0) note += 12;
  while (note > 127) note -= 12;
  return note;
}

}  // namespace korvel
