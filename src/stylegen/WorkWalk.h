// A walk over the channel messages of the whole work material, chunk after chunk, with the
// clocks that passed before each. The analysis and the converter read the material through it.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/WorkMaterial.h"

namespace korvel {

struct WorkMessage {
  int64_t Clock = 0;  // clocks before the message
  int Chunk = 0;
  int32_t Position = 0;  // of the status byte in its chunk
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
};

// Calls `visit` for every channel message in order, reading each chunk from its restore copy
// when `fromRestoreCopy` (and it has one). The walk ends at a 0 byte, at a continuation marker
// with no next chunk and at a chunk's end; a byte that cannot start a message is stepped over,
// so any bytes are walked to an end without reading outside a chunk. Returns the clocks of
// the material walked.
int64_t WalkWork(const WorkMaterial& work, bool fromRestoreCopy,
                 const std::function<void(const WorkMessage&)>& visit);

inline bool IsNoteMessage(uint8_t status) {
  const int kind = status & 0xF0;
  return kind == 0x80 || kind == 0x90 || kind == 0xA0;
}
inline bool IsNoteOn(uint8_t status, uint8_t velocity) {
  return (status & 0xF0) == 0x90 && velocity > 0;
}
inline bool IsNoteOff(uint8_t status, uint8_t velocity) {
  return (status & 0xF0) == 0x80 || ((status & 0xF0) == 0x90 && velocity == 0);
}

}  // namespace korvel
