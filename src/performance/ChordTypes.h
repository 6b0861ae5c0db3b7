// The 17 chord types: their names, the intervals the recogniser scores against, and the chord
// tones the chord setter hands on; and the names of the twelve roots.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace korvel {

// Pitch classes as bits: bit n for pitch class n, or for n semitones above a root.
using PitchClassSet = uint16_t;

constexpr PitchClassSet PitchClasses(std::initializer_list<int> classes) {
  PitchClassSet set = 0;
  for (int c : classes) set = static_cast<PitchClassSet>(set | 1u << (c % 12));
  return set;
}

struct ChordTypeRow {
  const char* Name;
  std::array<int, 4> Intervals;   // recognition
  std::array<int, 4> ChordTones;  // offsets from the root note
  // The tones that tell the type from a major triad, which the chord analysis must have heard
  // before it names the type (a diminished triad is "dim" without its sixth).
  PitchClassSet Distinguishing;
};

// Rows 1..17; row 0 is unused.
extern const std::array<ChordTypeRow, 18> ChordTypeTable;
extern const std::array<const char*, 12> NoteNames;

// The four chord tones of a root note and type; a type outside 1..17 sounds "maj".
std::array<int, 4> ChordTonesOf(int rootNote, int type);

// "Major <> Minor": maj and min, 7th and min7 trade places; other types stay. Its own inverse.
int SwapMajorMinor(int type);

}  // namespace korvel
