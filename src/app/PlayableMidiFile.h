// A Standard MIDI File prepared for FluidSynth's file player: read and checked whole, its
// system-exclusive messages kept aside, and a copy of it in which every event carries its tick
// in a text event just before it. The player's callback then knows the tick of each event it
// gets (so a loop ends exactly at its tick) and Korvel sends the system-exclusive data itself.
// The copy's last track ends far beyond the music, so the player never stops on its own.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {

// A file the player refuses, with the reason in words.
class PlayableMidiFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Text events of the copy: 'K' + tick (4 bytes) before a channel or tempo event, 'S' + tick +
// index (4 bytes each) in place of a system-exclusive message.
inline constexpr uint8_t kTickMark = 'K';
inline constexpr uint8_t kSysexMark = 'S';
// Where the copy's tracks end: the player runs on until Korvel stops it.
inline constexpr int64_t kFarTick = 0x0FFFFFFF;

struct PlayableMidiFile {
  int Division = 96;          // ticks per quarter note
  int64_t Length = 0;         // the tick of the last event
  int FirstTempoUs = 500000;  // microseconds per quarter note at tick 0
  // Tempo changes (tick, microseconds per quarter note), in tick order.
  std::vector<std::pair<int64_t, int>> Tempos;
  // System-exclusive messages as they go to the cable (F0 ... F7, or an escape's bytes).
  std::vector<std::vector<uint8_t>> Sysex;
  std::vector<uint8_t> Marked;  // the copy handed to FluidSynth
};

// Throws PlayableMidiFileError for anything that is not a whole, metrical Standard MIDI File.
PlayableMidiFile PrepareMidiFile(std::span<const uint8_t> bytes);

// The marks of the copy: the tick, and for a system-exclusive mark its index; false for any
// other text.
struct EventMark {
  bool Sysex = false;
  int64_t Tick = 0;
  uint32_t Index = 0;
};
bool ReadEventMark(std::span<const uint8_t> text, EventMark& mark);

}  // namespace korvel
