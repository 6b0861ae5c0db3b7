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

// Ends the material on the bar line `barClock` when what follows it in the last chunk starts no
// note (the note-offs and controllers a file spills past its last measure): those messages
// stay, on the bar line, and the clocks after it go, so that what is appended next follows
// that bar line. False, with nothing changed, when a note starts after it, the material ends
// before it, or the bar line lies in an earlier chunk. The beat index is not rebuilt.
bool EndOnBarLine(WorkMaterial& work, int64_t barClock);

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
