// When a tick of a MIDI file falls, in microseconds from its start, by its tempo changes; for
// checking a player's timing.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace korvel::test {

class TempoMap {
 public:
  // Changes (tick, microseconds per quarter note) in tick order; 500,000 before the first.
  TempoMap(int division, std::vector<std::pair<int64_t, int>> changes)
      : division_(division), changes_(std::move(changes)) {}

  double Microseconds(int64_t tick) const {
    double time = 0;
    int64_t at = 0;
    int tempo = 500000;
    for (const auto& [changeTick, changeTempo] : changes_) {
      if (changeTick >= tick) break;
      time += static_cast<double>(changeTick - at) * tempo / division_;
      at = changeTick;
      tempo = changeTempo;
    }
    return time + static_cast<double>(tick - at) * tempo / division_;
  }

 private:
  int division_;
  std::vector<std::pair<int64_t, int>> changes_;
};

}  // namespace korvel::test
