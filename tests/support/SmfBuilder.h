// Builds small Standard MIDI Files for tests from events at absolute ticks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvel::test {

struct SmfEvent {
  int64_t Tick = 0;
  std::vector<uint8_t> Bytes;  // a channel message, F0 + data + F7, or FF type data
};

inline void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
  std::vector<uint8_t> bytes{static_cast<uint8_t>(value & 0x7F)};
  while (value >>= 7) bytes.insert(bytes.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// Events of each track in tick order (stable); meta and system-exclusive events get their
// lengths here.
inline std::vector<uint8_t> BuildSmf(int division, std::vector<std::vector<SmfEvent>> tracks) {
  std::vector<uint8_t> file = {'M',
                               'T',
                               'h',
                               'd',
                               0,
                               0,
                               0,
                               6,
                               0,
                               1,
                               0,
                               static_cast<uint8_t>(tracks.size()),
                               static_cast<uint8_t>(division >> 8),
                               static_cast<uint8_t>(division & 0xFF)};
  for (auto& events : tracks) {
    std::stable_sort(events.begin(), events.end(),
                     [](const SmfEvent& a, const SmfEvent& b) { return a.Tick < b.Tick; });
    std::vector<uint8_t> data;
    int64_t last = 0;
    for (const auto& event : events) {
      PutVarLen(data, static_cast<uint32_t>(event.Tick - last));
      last = event.Tick;
      const auto& b = event.Bytes;
      if (b[0] == 0xFF) {
        data.insert(data.end(), {0xFF, b[1]});
        PutVarLen(data, static_cast<uint32_t>(b.size() - 2));
        data.insert(data.end(), b.begin() + 2, b.end());
      } else if (b[0] == 0xF0) {
        data.push_back(0xF0);
        PutVarLen(data, static_cast<uint32_t>(b.size() - 1));
        data.insert(data.end(), b.begin() + 1, b.end());
      } else {
        data.insert(data.end(), b.begin(), b.end());
      }
    }
    data.insert(data.end(), {0x00, 0xFF, 0x2F, 0x00});
    const auto size = static_cast<uint32_t>(data.size());
    file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(size >> 24),
                             static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
                             static_cast<uint8_t>(size)});
    file.insert(file.end(), data.begin(), data.end());
  }
  return file;
}

inline SmfEvent Tempo(int64_t tick, uint32_t microseconds) {
  return {tick,
          {0xFF, 0x51, static_cast<uint8_t>(microseconds >> 16),
           static_cast<uint8_t>(microseconds >> 8), static_cast<uint8_t>(microseconds)}};
}

}  // namespace korvel::test
