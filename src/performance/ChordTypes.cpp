#include "performance/ChordTypes.h"

namespace korvel {

const std::array<ChordTypeRow, 18> ChordTypeTable = {{
    {"", {0, 0, 0, 0}, {0, 0, 0, 0}, PitchClasses({})},
    {"maj", {0, 4, 7, 12}, {0, 4, 7, 12}, PitchClasses({})},
    {"min", {0, 3, 7, 12}, {0, 3, 7, 12}, PitchClasses({3})},
    {"7th", {0, 4, 7, 10}, {0, 4, 7, 10}, PitchClasses({10})},
    {"min7", {0, 3, 7, 10}, {0, 3, 7, 10}, PitchClasses({3, 10})},
    {"dim", {0, 3, 6, 9}, {0, 3, 6, 9}, PitchClasses({3, 6})},
    {"sus4", {0, 5, 7, 12}, {0, 5, 7, 12}, PitchClasses({5})},
    {"add9", {0, 4, 7, 14}, {0, 4, 7, 14}, PitchClasses({2})},
    {"5b",
     {0, 4, 6, 10},
     {0, 4, 6, 12},
     PitchClasses({6, 10})},  // known by its seventh, sounded with the octave
    {"M7", {0, 4, 7, 11}, {0, 4, 7, 11}, PitchClasses({11})},
    {"aug", {0, 4, 8, 12}, {0, 4, 8, 12}, PitchClasses({8})},
    {"6th", {0, 4, 7, 9}, {0, 4, 7, 9}, PitchClasses({9})},
    {"mM7", {0, 3, 7, 11}, {0, 3, 7, 11}, PitchClasses({3, 11})},
    {"min6", {0, 3, 7, 9}, {0, 3, 7, 9}, PitchClasses({3, 9})},
    {"min9", {0, 3, 7, 14}, {0, 3, 7, 14}, PitchClasses({2, 3})},
    {"m5b", {0, 3, 6, 10}, {0, 3, 6, 10}, PitchClasses({3, 6, 10})},
    {"aug7", {0, 4, 8, 10}, {0, 4, 8, 10}, PitchClasses({8, 10})},
    {"sus7", {0, 5, 7, 10}, {0, 5, 7, 10}, PitchClasses({5, 10})},
}};

const std::array<const char*, 12> NoteNames = {"C",  "C#", "D",  "Eb", "E",  "F",
                                               "F#", "G",  "Ab", "A",  "Bb", "B"};

std::array<int, 4> ChordTonesOf(int rootNote, int type) {
  const auto& row = ChordTypeTable[static_cast<size_t>(type >= 1 && type <= 17 ? type : 1)];
  std::array<int, 4> tones{};
  for (size_t i = 0; i < 4; ++i) tones[i] = rootNote + row.ChordTones[i];
  return tones;
}

int SwapMajorMinor(int type) {
  switch (type) {
    case 1:
      return 2;
    case 2:
      return 1;
    case 3:
      return 4;
    case 4:
      return 3;
    default:
      return type;
  }
}

}  // namespace korvel
