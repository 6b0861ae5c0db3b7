// Moving through the work material by measure while the generator plays: the measure formulas
// of the navigation buttons and loop controls, and the controller chase after a move.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/WorkMaterial.h"
#include "midi/ChannelState.h"

namespace korvel {

// The counters the navigation moves. The sixteenth counter starts at 4 and grows by one beat's
// sixteenths at the start of each beat (4 for quarter beats, 2 for eighth beats).
struct NavigationState {
  int32_t SixteenthCounter = 4;
  int MeasureSixteenths = 16;
  int BeatSixteenths = 4;
  int LoopStart = 1;  // measures; LoopEnd 0 = not set
  int LoopEnd = 0;
  bool StyleMode = false;
  int LoopLength = 3;  // the "&Loop" entry's measures minus 1
};

// The measures the material holds, a short last one counted.
int MeasureCount(const NavigationState& state, int workSixteenths);
// The measure that is playing; never below 1, and the same on every beat of the bar.
int PlayingMeasure(const NavigationState& state);
// The measure the navigation buttons start from: in style mode with a loop set, LoopStart.
int CurrentMeasure(const NavigationState& state);

// A move of the recorder position: the measure (0-based whole measures from the start) the
// material is entered at, and the counter that goes with it.
struct NavigationMove {
  int Measures = 0;
  int32_t SixteenthCounter = 4;
};

// "Next measure": false when the current measure is the last one of the material.
bool NextMeasure(NavigationState& state, int workSixteenths, NavigationMove& move);
// "Previous measure": false on measure 1.
bool PreviousMeasure(NavigationState& state, NavigationMove& move);
// "Last 4 measures": moves to the last four measures (never before measure 1).
bool LastFourMeasures(NavigationState& state, int workSixteenths, NavigationMove& move);
// "<<" and ">>": LoopStart moves by loop lengths, LoopEnd is cleared, then "Previous measure".
bool LoopsBack(NavigationState& state, NavigationMove& move);
bool LoopsForward(NavigationState& state, int workSixteenths, NavigationMove& move);
// The LoopStart button: LoopStart becomes the playing measure.
void LoopStartHere(NavigationState& state);

struct ChasedMessage {
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
};

// A point of the material: chunk and position in it, ordered along the chain.
struct WorkPoint {
  int Chunk = 0;
  int32_t Position = 0;
  friend bool operator<(const WorkPoint& a, const WorkPoint& b) {
    return a.Chunk != b.Chunk ? a.Chunk < b.Chunk : a.Position < b.Position;
  }
};

// The messages that chase the controllers from `from` to `to`: controller 121 on all sixteen
// channels, then every control change below 120, program change and channel pressure of
// channels that have notes in the material. Controller 84 gets `masterTranspose` added. Unless
// `transmitControllers`, repeated values are thinned through `sent`, which forgets each
// channel's controllers when 121 resets them.
std::vector<ChasedMessage> ChaseControllers(const WorkMaterial& work, WorkPoint from, WorkPoint to,
                                            int masterTranspose, bool transmitControllers,
                                            ChannelState& sent);
// Pitch-bend centre on all sixteen channels, sent after a move back.
std::vector<ChasedMessage> PitchBendCentre();
// The messages one per line, "B0 07 64", for tests and logs.
std::string ChasedText(const std::vector<ChasedMessage>& messages);

}  // namespace korvel
