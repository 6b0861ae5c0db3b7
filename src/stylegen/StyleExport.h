// A generated style as an arrangement: a chord memory with one C major chord and, on the first
// beat of each style part, the control key that switches the accompaniment to that part.
// Played, it runs through the style's parts one after another; rendered, it becomes a MIDI file
// of the style. It is built in a chord memory of its own, so the musician's song is never
// touched.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/PerformanceState.h"
#include "engine/StyleTables.h"
#include "performance/ChordMemory.h"

namespace korvel {

// Basic, Fill in Basic, To Extended, Extended, Fill in Extended, To Basic, Ending.
inline constexpr std::array<int, 7> kStyleExportOrder = {
    kBasic, kFillBasic, kToExtended, kExtended, kFillExtended, kToBasic, kEnding};
inline constexpr int kFullStyleExport = -1;

struct ExportedPart {
  int Part = 0;
  int FirstMeasure = 0;  // in the file
  int LastMeasure = 0;
};

struct StyleArrangement {
  ChordMemory Chords;
  int SongEnd = kFirstBeatPos;  // chord-memory bytes the song uses
  int LastMeasure = 1;
  int MeasureBytes = 16;  // chord-memory bytes per measure
  std::vector<ExportedPart> Parts;
  bool PlayIntro = false;  // the player plays the intro first
  // The part table to play with: a single Extended (Fill in Extended) sits in the Basic (Fill
  // in Basic) slot, as the arrangement only ever leaves the main part through a control key.
  StylePartTable PlayedParts;

  // One line per exported part, "name : first - last", each ending in CR LF.
  std::string Listing() const;
};

// Chord-memory bytes per measure of a style's measure length: one 4-byte entry per beat, and
// an eighth-beat style (negative length) counts eighths, two per quarter.
int StyleMeasureBytes(int16_t measureLength);

// `part` is kFullStyleExport or the one part (0..7) to export. Nothing when no part that is set
// would be exported. Single exports never play the intro first. Without `leadIn` the first part
// starts in measure 1, as a style is tried out; a file gets a silent measure before it.
std::optional<StyleArrangement> BuildStyleArrangement(const StylePartTable& parts,
                                                      int16_t measureLength,
                                                      const ControlKeys& keys, int part,
                                                      bool playIntro, bool leadIn = true);

// "sty" + set number + "_" + the part's code + ".mid", below `folder` (which ends in a
// separator or is empty).
std::string StylePartFileName(const std::string& folder, int setNumber, const StylePartTable& parts,
                              int part);

}  // namespace korvel
