// Reads back the channel messages of a single-track Standard MIDI File with their ticks, so a
// test can check what a rendered file holds. Meta events and system-exclusive data are skipped.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace korvel::test {

struct MidiFileEvent {
  int64_t Tick = 0;
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
};

inline std::vector<MidiFileEvent> MidiFileEvents(const std::vector<uint8_t>& file) {
  size_t at = 22;  // the header chunk and the track's header
  if (file.size() < at) throw std::runtime_error("not a MIDI file");
  auto byte = [&]() -> uint8_t {
    if (at >= file.size()) throw std::runtime_error("the track ends early");
    return file[at++];
  };
  auto number = [&] {
    uint64_t value = 0;
    uint8_t b = 0;
    do {
      b = byte();
      value = value << 7 | (b & 0x7F);
    } while (b & 0x80);
    return value;
  };
  std::vector<MidiFileEvent> events;
  int64_t tick = 0;
  uint8_t status = 0;
  while (at < file.size()) {
    tick += static_cast<int64_t>(number());
    uint8_t first = byte();
    if (first == 0xFF) {
      byte();
      at += number();
      continue;
    }
    if (first == 0xF0 || first == 0xF7) {
      at += number();
      continue;
    }
    if (first & 0x80) {
      status = first;
      first = byte();
    }
    const int h = status & 0xF0;
    const uint8_t second = h == 0xC0 || h == 0xD0 ? 0 : byte();
    events.push_back({tick, status, first, second});
  }
  return events;
}

}  // namespace korvel::test
