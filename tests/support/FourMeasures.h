// A small imported song for generator tests.
#pragma once

#include <cstdint>
#include <vector>

#include "stylegen/MidiFileWriter.h"

namespace korvel::test {

// Four measures of 4/4 on channel 1, one half note at the start of each: 60, 62, 64, 65.
inline std::vector<uint8_t> FourMeasures() {
  std::vector<TimedMessage> messages;
  const uint8_t notes[] = {60, 62, 64, 65};
  for (int m = 0; m < 4; ++m) {
    messages.push_back({m * 96, {0x90, notes[m], 100}});
    messages.push_back({m * 96 + 48, {0x80, notes[m], 0}});
  }
  return StandardMidiFile(messages, 120);
}

}  // namespace korvel::test
