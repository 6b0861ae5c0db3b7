#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

// One received MIDI event as the input port hands it to its reader.
struct TMyMidiEvent {
  uint8_t MidiMessage = 0;  // status byte; 240 for system exclusive
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
  uint32_t Time = 0;           // milliseconds since the device was started
  std::vector<uint8_t> Sysex;  // the system-exclusive bytes; empty for short messages

  uint16_t SysexLength() const { return static_cast<uint16_t>(Sysex.size()); }
};

}  // namespace korvel
