// What a song does beat by beat: the real song playback on a stepped clock, with no output,
// told as one line per played beat and the reason it stopped. Scripts and tests read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "performance/SongTransport.h"

namespace korvel {

struct SongTimelineSettings {
  int Beats = 3000;            // played beats before "stop beat-limit"
  int MeasureSixteenths = 16;  // the song's metre
  int FirstMeasure = 1;        // the song's own loop start, where its lead-in ends
  int LoopFirst = 0;           // with LoopLast: a loop over these measures; 0 = no loop
  int LoopLast = 0;
  int StartMeasure = 1;
};

// "beat K M:B [jump start|repeat|loop] [key NOTE VALUE] [tempo V] [chord ROOT TYPE]"
std::string SongBeatLine(int count, const SongBeat& beat, int measureSixteenths);

// Plays a stored chord block (header bytes, then the entries; its length is the song's end).
// The last line is "stop end-mark", "stop ending", "stop memory-full" or "stop beat-limit";
// an empty song gives "empty".
std::string SongTimeline(const std::vector<uint8_t>& chordBlock,
                         const SongTimelineSettings& settings);

}  // namespace korvel
