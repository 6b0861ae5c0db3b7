// The song as the arranger keeps it: one 4-byte entry per counted beat (chord root, chord type,
// control, value) from byte 4 on, in a fixed array of 12004 bytes that files store byte for
// byte. A position is the byte offset of a beat's entry; measure m starts at
// (m - 1) x MeasureSixteenths + 4.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

inline constexpr int kChordMemorySize = 12004;
inline constexpr int kFirstBeatPos = 4;
inline constexpr int kLastBeatPos = kChordMemorySize - 4;  // the last whole entry

// Song commands in the control byte; 1..250 are control keys (note numbers).
inline constexpr uint8_t kLastControlKey = 250;
inline constexpr uint8_t kCommandMix = 251;        // solo, mute, unmute, melody on/off
inline constexpr uint8_t kCommandTranspose = 252;  // song transpose
inline constexpr uint8_t kCommandRepeat = 253;     // repeat start (101..255) or end (0..100)
inline constexpr uint8_t kCommandTempo = 254;      // tempo, passed on as a control key
inline constexpr uint8_t kCommandEnd = 255;        // end of song
inline constexpr uint8_t kControlKeyCode = 12;     // the value byte of a control key

struct ChordEntry {
  uint8_t Root = 0;  // 0 = no chord change on this beat
  uint8_t Type = 0;
  uint8_t Control = 0;
  uint8_t Value = 0;
  bool HasChord() const { return Root != 0; }
  // A damaged type byte plays as "maj" rather than reaching the voicing tables.
  int PlayableType() const { return Type >= 1 && Type <= 17 ? Type : 1; }
  bool operator==(const ChordEntry&) const = default;
};

class ChordMemory {
 public:
  std::array<uint8_t, kChordMemorySize> Bytes{};

  // True for a position that holds a whole entry on the 4-byte grid.
  static bool IsEntry(int pos) {
    return pos >= kFirstBeatPos && pos <= kLastBeatPos && pos % 4 == 0;
  }
  // The entry at a position; an empty one for any position that holds none.
  ChordEntry Entry(int pos) const;
  // Writes an entry; positions that hold none are left alone.
  void SetEntry(int pos, const ChordEntry& entry);
  void SetControl(int pos, uint8_t control, uint8_t value);
  // All zero, with the end mark on the first beat.
  void Clear();
};

// The start of a measure (1-based; 0 and below reach into the lead-in).
int MeasureStart(int measure, int measureSixteenths);
// The measure a position lies in, as the position panel counts: 1 from position 4, zero and
// below for the lead-in.
int MeasureOf(int pos, int measureSixteenths);
// What the position panel shows: "measure:beat", or only the measure in the lead-in.
std::string PositionText(int pos, int measureSixteenths);
// The next measure start at or after a position.
int MeasureStartAtOrAfter(int pos, int measureSixteenths);

// Step-recording taps per measure that keep every step on the 4-byte grid: those that divide
// the measure into whole beats.
std::vector<int> StepTapsKeepingGrid(int measureSixteenths);

}  // namespace korvel
