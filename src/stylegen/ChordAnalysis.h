// Finds the chords of the work material: in windows of the chord-change interval the pitch
// classes of the notes sounding at the window's start and struck within it go to the chord
// recogniser; where the chord changes, the chord memory gets an entry. Drums (channel 10)
// have no say.
#pragma once

#include <cstdint>

#include "engine/PerformanceState.h"
#include "engine/WorkMaterial.h"
#include "performance/ChordMemory.h"
#include "performance/ChordRecognition.h"

namespace korvel {

// A note struck this many clocks before a beat belongs to the beat's chord (played early).
inline constexpr int kChordAnticipation = 4;
// A note released this many clocks into a window still belongs to the chord before it.
inline constexpr int kReleaseGrace = 6;

struct AnalysisSettings {
  int64_t StartClock = 0;
  int64_t EndClock = -1;  // the first clock after the range; -1 = to the end of the material
  int IntervalBeats = 2;  // chord-change interval
  int Variety = 9;        // the highest chord-type row tried (0, 3, 9, 16)
  int Sensitivity = 2;    // the recogniser's divisor (1, 2, 4, 500)
  bool FromRestoreCopy = false;
};

struct AnalysisResult {
  int Chords = 0;  // entries written
  // The chord-memory position of the first beat after the material analysed.
  int EndPos = kFirstBeatPos;
};

// Writes root and type into the memory's entries (their control bytes stay); positions past
// the memory's end are not written. The recogniser's held list and the pending chord are as
// they were afterwards, so a chord held on the keyboard is not disturbed.
AnalysisResult AnalyseWork(const WorkMaterial& work, const AnalysisSettings& settings,
                           ChordRecognition& recognition, ChordValue& chord, ChordMemory& memory);

// The chord root as the live recogniser hands it on: at or above the section's first key,
// and an octave up when below note 44.
int PlacedRoot(int recognisedRoot);

}  // namespace korvel
