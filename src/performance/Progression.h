// Chord progressions as musicians write them, for scripted performances:
//   "C 4 | G7 4 | Am 2 F 2 | [Fill] C 4 | [Ending]"
// A chord symbol is followed by its length in beats; bar lines are optional; control keys stand
// in brackets: [Intro], [Fill], [Basic], [Extended], [Ending].
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

struct ChordSymbol {
  int PitchClass = 0;  // C = 0 .. B = 11
  int Type = 1;        // 1..17 of the chord type table
};

// "C", "Am", "G7", "Fmaj7", "Bm7b5", "Dsus4", "Cadd9", "Caug", "C6", "CmM7", "Cm6", "Cm9",
// "Caug7", "G7sus4", "Cdim", "C7b5", and a root followed by a type name of the table ("Cmin7").
std::optional<ChordSymbol> ParseChordSymbol(std::string_view symbol);

enum class ProgressionKey { Intro, Fill, Basic, Extended, Ending };

struct ProgressionStep {
  std::optional<ChordSymbol> Chord;  // a chord for Beats beats, or a control key
  int Beats = 0;
  ProgressionKey Key = ProgressionKey::Fill;
};

// Throws std::invalid_argument naming the token that is not understood.
std::vector<ProgressionStep> ParseProgression(const std::string& text);

}  // namespace korvel
