// Moving pattern notes written in C major to the current chord: the chord type bends the
// pattern's third, fifth, sixth and seventh, the root transposes, and two octave rules decide
// the octave. The drum channel is never voiced.
#pragma once

#include <array>
#include <cstdint>

namespace korvel {

inline constexpr int kChordTypeCount = 17;
inline constexpr int kNoVoiceRoot = 128;

// Offsets by chord type (1..17, row 0 unused) and pitch class; table B is applied to the pitch
// class that table A gives.
extern const std::array<std::array<int8_t, 12>, kChordTypeCount + 1> VoicingTableA;
extern const std::array<std::array<int8_t, 12>, kChordTypeCount + 1> VoicingTableB;

// Organs, bowed strings, ensembles, brass, reeds, pipes, synth leads and pads and a few
// sustained effects (General MIDI programs, 0-based): re-struck at their new pitch on a chord
// change; other sounding notes are ended.
bool IsSustainingProgram(int program);

// The pattern note n voiced for chord type `type` on a root whose pitch class is `root` mod 12.
// A result outside 0..127 is folded back into the range by octaves.
int VoiceNote(int note, int type, int root, int octaveShift, int pitchClassLimit);

// The next C above the lowest key of the accompaniment section.
int OctaveThresholdFor(int firstKey);

}  // namespace korvel
