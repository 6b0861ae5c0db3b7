// Standard MIDI Files of what Korvel sends: one track (format 0), times in MIDI clocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

struct TimedMessage {
  int64_t Clock = 0;           // MIDI clocks, 24 per quarter note, from the start
  std::vector<uint8_t> Bytes;  // a channel message or a system-exclusive message
};

// Real-time messages (clock, start, stop) have no place in a file and are left out.
// `measureLength` is a style's measure length (sixteenths; negative: eighth-note beats) and
// gives the file its time signature; 0 writes none.
std::vector<uint8_t> StandardMidiFile(const std::vector<TimedMessage>& messages, int tempo,
                                      int measureLength = 0);

}  // namespace korvel
